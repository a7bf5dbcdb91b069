#include "editor/frmV_TA_QUENZAR.h"

#include "data/DB_Dll.h"
#include "editor/GrabacionChequera.h"
#include "editor/ast.h"
#include "lookup/ServicioConsulta.h"
#include "platform/Rutina.h"
#include "platform/ado/CadenaConexion.h"
#include "platform/ado/Traza.h"
#include "platform/ui/Dialogos.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/FrmHistorial.h"
#include "shell/Inicio.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QMouseEvent>
#include <QSet>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

namespace editor {

using plataforma::ErrorEjecucion;
namespace errores = plataforma::errores;

namespace {

int px(int twips) {
    return twips / 15;
}

QString comillas(QString v) {
    return v.replace(QLatin1Char('\''), QLatin1String("''"));
}

// A control number is a positive whole number of the column's range.
bool talonarioValido(const QString& t) {
    static const QRegularExpression re(QStringLiteral(R"(^\s*[-+]?\d{1,10}\s*$)"));
    if (!re.match(t).hasMatch()) return false;
    const qlonglong v = t.trimmed().toLongLong();
    return v >= 1 && v <= 2147483647LL;
}

// Why a control number is refused; empty when it is accepted.
QString motivoTalonario(const QString& t) {
    if (t.trimmed().isEmpty()) return QStringLiteral("Debe informar el Nro de Control!!!");
    if (!talonarioValido(t))
        // Sound behaviour: the control number enters statements unquoted, and is positive.
        return QStringLiteral("El Nro de Control debe ser un número entero entre 1 y 2147483647.");
    return {};
}

// The list shows numbers as decimal(10,2): eight whole digits, which is what a
// cheque number has. A longer one would be stored and then break every page
// that holds it (an overflow on SQL Server and PostgreSQL).
constexpr double kMaximoNumero = 99999999.0;

const QString kTituloAviso = QStringLiteral("Aviso al operador...");

// The focused box is cyan, the others white; a disabled box always looks
// disabled, whatever colour it had when it lost the focus.
const QString kEstiloDeshabilitada = QStringLiteral(
    " QLineEdit:disabled { background-color: rgb(240, 240, 240); color: rgb(120, 120, 120); }");
const QString kEstiloEnFoco =
    QStringLiteral("QLineEdit { background-color: rgb(0, 255, 255); }") + kEstiloDeshabilitada;
const QString kEstiloFueraDeFoco =
    QStringLiteral("QLineEdit { background-color: white; }") + kEstiloDeshabilitada;

} // namespace

frmV_TA_QUENZAR::frmV_TA_QUENZAR(QWidget* padre)
    : QDialog(padre, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmV_TA_QUENZAR"));
    setWindowTitle(QStringLiteral("Quenzar"));
    setModal(true);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    UtilGem1 = new UtilGem(this);
    lay->addWidget(UtilGem1);
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFixedSize(px(8115), px(3000));
    // The form's texts are sized for the suite's 8-point font.
    QFont fuente = Frame1->font();
    fuente.setPixelSize(10);
    Frame1->setFont(fuente);
    lay->addWidget(Frame1);
    setFixedSize(px(8115), px(3000) + UtilGem1->sizeHint().height());

    struct Caja {
        const char* campo;
        int left, top, width;
        const char* tag;
    };
    const Caja cajas[] = {
        {"IDBANCO", 1320, 180, 615, "V_TA_BANCOS"}, {"SERIE", 1320, 465, 495, ""},
        {"Talonario", 1320, 750, 495, ""},          {"NUMERO_DESDE", 3825, 750, 975, ""},
        {"NUMERO_Hasta", 5625, 750, 975, ""},       {"CuentaBancoDiferido", 3300, 1575, 1575, ""},
        {"CuentaBanco", 3300, 1905, 1575, ""}};
    for (int i = 0; i < 7; ++i) {
        auto* e = new QLineEdit(Frame1);
        e->setObjectName(QStringLiteral("txtFields%1").arg(i));
        e->setProperty("DataField", QLatin1String(cajas[i].campo));
        e->setProperty("DataSource", QStringLiteral("datPrimaryRS"));
        e->setProperty("Tag", QLatin1String(cajas[i].tag));
        e->setGeometry(px(cajas[i].left), px(cajas[i].top), px(cajas[i].width), px(285));
        e->setContextMenuPolicy(Qt::NoContextMenu);
        e->setStyleSheet(kEstiloFueraDeFoco);
        e->installEventFilter(this);
        txtFields << e;
    }
    // Tab order is index order.
    for (int i = 0; i + 1 < 7; ++i)
        setTabOrder(txtFields[i], txtFields[i + 1]);
    auto etiqueta = [&](const QString& texto, int left, int top, int width) {
        auto* l = new QLabel(texto, Frame1);
        l->setGeometry(px(left), px(top), px(width), px(255));
        return l;
    };
    lblDesc0 = etiqueta(QStringLiteral("..."), 2040, 180, 4935);
    lblDesc0->setObjectName(QStringLiteral("lblDesc0"));
    lblDesc0->setProperty("DataField", QStringLiteral("IDBANCO"));
    lblDesc0->setProperty("Tag", QStringLiteral("DESCRIPCION"));
    // The account labels are wide enough for their texts: the boxes and descriptions stand right of them.
    LblDescCtaDif = etiqueta(QStringLiteral("..."), 4980, 1575, 3000);
    LblDescCtaDif->setObjectName(QStringLiteral("LblDescCtaDif"));
    LblDescCta = etiqueta(QStringLiteral("..."), 4980, 1905, 3000);
    LblDescCta->setObjectName(QStringLiteral("LblDescCta"));
    lblLabels << etiqueta(QStringLiteral("Banco:"), 120, 180, 1150)
              << etiqueta(QStringLiteral("Serie:"), 120, 465, 1150)
              << etiqueta(QStringLiteral("Número Desde:"), 2505, 765, 1300)
              << etiqueta(QStringLiteral("Hasta:"), 4905, 765, 700)
              << etiqueta(QStringLiteral("Codigo de Cuenta Contable:"), 120, 1905, 3150)
              << etiqueta(QStringLiteral("Cuenta Para Cheques de pago Diferido:"), 120, 1575, 3150)
              << etiqueta(QStringLiteral(
                              "Importante: El sistema utilizará estas cuentas al momento de realizar las "
                              "conciliaciones bancarias"),
                          120, 1155, 6975)
              << etiqueta(QStringLiteral("Nro Control:"), 105, 765, 1150);
    lblLabels[6]->setWordWrap(true);
    lblLabels[6]->setGeometry(px(120), px(1155), px(6975), px(400));

    connect(UtilGem1, &UtilGem::UtilGem1_Click, this, &frmV_TA_QUENZAR::ejecutarComando);
    Form_Load();
}

frmV_TA_QUENZAR::~frmV_TA_QUENZAR() = default;

QLineEdit* frmV_TA_QUENZAR::caja(const QString& campo) const {
    const int i = shell::G().teclado.IndiceControl(campo, txtFields);
    return i >= 0 ? txtFields[i] : nullptr;
}

void frmV_TA_QUENZAR::Form_Load() {
    QString cadena;
    shell::IniciarAplicacion(QString(), cadena, 3);
    shell::FormatoVentana(this);
    shell::G().utilidades.punteroOcupado(false);
    Inicializa();
    txtFields[0]->setSelection(0, static_cast<int>(txtFields[0]->text().trimmed().size()));
}

void frmV_TA_QUENZAR::AbrirRecordset(const QString& tabla) {
    QString sql = QStringLiteral("SELECT TOP 1 * FROM ") + tabla;
    datos::gDB().AbrirRecordset(sql, rsDatos, &datos::gDB().gCnn(), ado::adOpenDynamic, ado::adLockOptimistic,
                                -1, true);
}

void frmV_TA_QUENZAR::Inicializa() {
    Nuevo = Baja = Modifica = false;
    TablaActiva = QStringLiteral("V_TA_QUENZAR");
    AbrirRecordset(TablaActiva);
    shell::G().teclado.LimpiaFormulario(this);
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    r.paso([&] { shell::G().teclado.PreparaCampos(txtFields, TablaActiva, datos::gDB().gConnString); });
    txtFields[0]->setMaxLength(3);
    InicializaDetalle();
    DetalleOn(false);
}

void frmV_TA_QUENZAR::InicializaDetalle() {
    LblDescCta->setText(QString());
    LblDescCtaDif->setText(QString());
    if (auto* d = caja(QStringLiteral("NUMERO_DESDE"))) d->clear();
    if (auto* h = caja(QStringLiteral("NUMERO_HASTA"))) h->clear();
    VerRelacion();
}

void frmV_TA_QUENZAR::DetalleOn(bool Off) {
    for (auto* e : txtFields)
        e->setEnabled(Off);
    if (Off) {
        UtilGem1->setDisponible(QStringLiteral("CERRAR"), false);
        UtilGem1->setDisponible(QStringLiteral("NUEVO"), false);
        UtilGem1->setDisponible(QStringLiteral("GRABAR"), true);
        UtilGem1->setDisponible(QStringLiteral("CANCELAR"), true);
        UtilGem1->setDisponible(QStringLiteral("BORRAR"), true);
    } else {
        for (int i = 0; i < 3; ++i)
            txtFields[i]->setEnabled(true);
        UtilGem1->setDisponible(QStringLiteral("NUEVO"), true);
        UtilGem1->setDisponible(QStringLiteral("CERRAR"), true);
        UtilGem1->setDisponible(QStringLiteral("GRABAR"), false);
        UtilGem1->setDisponible(QStringLiteral("CANCELAR"), false);
        UtilGem1->setDisponible(QStringLiteral("BORRAR"), false);
    }
    UtilGem1->setDisponible(QStringLiteral("IMPRIMIR"), false);
    if (auto* c = caja(QStringLiteral("CuentaBanco"))) c->setEnabled(Nuevo);
    if (auto* c = caja(QStringLiteral("CuentaBancoDiferido"))) c->setEnabled(Nuevo);
}

void frmV_TA_QUENZAR::foco0() {
    txtFields[0]->setFocus();
    txtFields[0]->setSelection(0, static_cast<int>(txtFields[0]->text().size()));
}

void frmV_TA_QUENZAR::ejecutarComando(const QString& palabra) {
    const QString p = palabra.toUpper();
    plataforma::Rutina r(QStringLiteral("UtilGem1_Click"),
                         [](const ErrorEjecucion& e, const QString& rutina) {
                             return shell::G().utilidades.MostrarError(e, 18, rutina);
                         });
    if (p == QLatin1String("NUEVO")) {
        r.paso([&] { Inicializa(); });
        r.paso([&] {
            Nuevo = true;
            Baja = false;
            Modifica = false;
            foco0();
        });
    } else if (p == QLatin1String("BORRAR")) {
        // A cheque book not stored yet has no row to delete: say so, and keep the entry.
        if (Nuevo && !Modifica) {
            ui::MsgBox(QStringLiteral("Esta chequera todavía no está grabada: no hay nada que borrar."),
                       ui::vbInformation, kTituloAviso);
            return;
        }
        if (ui::MsgBox(QStringLiteral("Confirma la baja de este registro?"),
                       ui::vbYesNo + ui::vbExclamation + ui::vbDefaultButton2,
                       QStringLiteral("Atención!")) != ui::vbYes)
            return;
        Nuevo = false;
        Baja = true;
        Modifica = false;
        r.paso([&] { ActualizarDatos(); });
        if (HayError) return;
        r.paso([&] {
            Inicializa();
            foco0();
        });
    } else if (p == QLatin1String("GRABAR")) {
        Grabando = true;
        struct Fin {
            bool& g;
            ~Fin() { g = false; }
        } fin{Grabando};
        bool validos = false;
        r.paso([&] { validos = Datosvalidos(); });
        if (!validos || r.abandonada()) return;
        r.paso([&] { ActualizarDatos(); });
        if (HayError || r.abandonada()) return;
        r.paso([&] {
            Inicializa();
            foco0();
        });
    } else if (p == QLatin1String("PLANILLA")) {
        r.paso(
            [&] { shell::G().planilla.AbrePlanilla(TablaActiva, datos::gDB().gConnString, windowTitle()); });
    } else if (p == QLatin1String("CONSULTAR")) {
        r.paso([&] { ConsultaCampo(); });
    } else if (p == QLatin1String("HISTORIAL")) {
        r.paso([&] { verHistorial(); });
    } else if (p == QLatin1String("CERRAR")) {
        hide();
        done(QDialog::Accepted);
    } else if (p == QLatin1String("CANCELAR")) {
        if (ui::MsgBox(QStringLiteral("¿Realmente desea abandonar la carga de datos?"),
                       ui::vbYesNo + ui::vbQuestion + ui::vbDefaultButton2,
                       QStringLiteral("Aviso al Operador")) == ui::vbYes) {
            r.paso([&] {
                Inicializa();
                foco0();
            });
        }
    }
}

// The loaded cheque book's history; with none loaded, every cheque book's (a
// deleted one is found there by its bank, series and number).
void frmV_TA_QUENZAR::verHistorial() {
    qint64 id = -1;
    if (Modifica && rsDatos.State() == ado::adStateOpen && !rsDatos.Eof() && !rsDatos.BOF()) {
        const QVariant v = rsDatos(QStringLiteral("ID")).Value();
        if (!v.isNull()) id = v.toLongLong();
    }
    shell::mostrarHistorial(id, caja(QStringLiteral("IDBANCO"))->text().trimmed() + QLatin1Char('/') +
                                    caja(QStringLiteral("SERIE"))->text().trimmed() + QLatin1Char('/') +
                                    caja(QStringLiteral("TALONARIO"))->text().trimmed());
}

void frmV_TA_QUENZAR::ConsultaCampo() {
    QLineEdit* t = txtFields.value(CampoActual);
    if (!t) return;
    const QString tag = t->property("Tag").toString().trimmed();
    if (tag.isEmpty()) return;
    QString valor;
    if (tag.compare(QLatin1String("FECHA"), Qt::CaseInsensitive) != 0) {
        auto* servicio = lookup::servicioActual();
        if (!servicio) {
            ui::MsgBox(QStringLiteral("La consulta no está disponible en esta instalación."),
                       ui::vbInformation, QStringLiteral("Aviso al Usuario"));
            return;
        }
        servicio->CampoDevuelto = QStringLiteral("IDBANCO");
        servicio->ConsultaSearch(QStringLiteral("SELECT DESCRIPCION,IDBANCO FROM V_TA_BANCOS"));
        valor = servicio->ValorDevuelto;
    } else {
        const auto f = shell::G().utilidades.ElegirFecha();
        valor = f ? f->toString(QStringLiteral("dd/MM/yyyy")) : QString();
    }
    t->setText(valor.trimmed());
    // The lookup window had the focus: the box takes it back before Enter moves it on.
    t->setFocus();
    teclaEnCaja(CampoActual, Qt::Key_Return);
}

// ------------------------------------------------------------------ keys

void frmV_TA_QUENZAR::keyPressEvent(QKeyEvent* ev) {
    if (UtilGem1->teclaPresionada(ev->key())) return;
    // Escape with nothing to cancel or close does not close the dialog either.
    if (ev->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(ev);
}

void frmV_TA_QUENZAR::teclaEnCaja(int index, int tecla) {
    auto& teclado = shell::G().teclado;
    QLineEdit* t = txtFields.value(index);
    if (!t) return;
    if (teclado.EsTeclaAvance(tecla)) {
        CampoValida(index, t);
        // From this box, wherever the focus is meanwhile: after a lookup the
        // editor may not have it back yet.
        if (!HayError) teclado.EnviarTecla(tecla, t);
    }
    // CONSULTAR follows the box that has the focus now, however it got there.
    const auto* ahora = qobject_cast<QLineEdit*>(focusWidget());
    const QLineEdit* segun = txtFields.contains(ahora) ? ahora : t;
    UtilGem1->setDisponible(QStringLiteral("CONSULTAR"),
                            !segun->property("Tag").toString().trimmed().isEmpty());
}

bool frmV_TA_QUENZAR::eventFilter(QObject* objeto, QEvent* evento) {
    auto* t = qobject_cast<QLineEdit*>(objeto);
    const int i = t ? static_cast<int>(txtFields.indexOf(t)) : -1;
    if (i < 0) return QDialog::eventFilter(objeto, evento);
    switch (evento->type()) {
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(evento);
        // Key preview: the command bar sees the key first.
        if (UtilGem1->teclaPresionada(k->key())) return true;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter ||
            shell::G().teclado.EsTeclaAvance(k->key())) {
            teclaEnCaja(i, k->key());
            return true;
        }
        UtilGem1->setDisponible(QStringLiteral("CONSULTAR"),
                                !t->property("Tag").toString().trimmed().isEmpty());
        if (!k->text().isEmpty() && k->text().at(0) != QChar(27)) {
            const QChar c = shell::G().teclado.FiltraTecla(t, k->text().at(0));
            if (c.isNull()) return true;
        }
        break;
    }
    case QEvent::FocusIn:
        CampoActual = i;
        UtilGem1->setDisponible(QStringLiteral("CONSULTAR"),
                                !t->property("Tag").toString().trimmed().isEmpty());
        t->setStyleSheet(kEstiloEnFoco);
        break;
    case QEvent::FocusOut:
        t->setStyleSheet(kEstiloFueraDeFoco);
        break;
    case QEvent::MouseButtonPress:
        CampoActual = i;
        if (static_cast<QMouseEvent*>(evento)->button() == Qt::RightButton) {
            ConsultaCampo();
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(objeto, evento);
}

void frmV_TA_QUENZAR::closeEvent(QCloseEvent* ev) {
    if (!ev->spontaneous() || mCerrando) {
        QDialog::closeEvent(ev);
        return;
    }
    // The close box ends the whole program; CERRAR only hides the window.
    mCerrando = true;
    QApplication::restoreOverrideCursor();
    try {
        if (rsDatos.State() != ado::adStateClosed) {
            if (rsDatos.EditMode() != ado::adEditNone) rsDatos.CancelUpdate();
            rsDatos.Close();
        }
    } catch (...) {
        // The program ends next: a recordset that will not close goes with it.
    }
    hide();
    ui::Actual().terminarPrograma(0);
}

// ------------------------------------------------------------------ validation

void frmV_TA_QUENZAR::rechazar(int index, const QString& mensaje) {
    HayError = true;
    ui::MsgBox(mensaje, ui::vbInformation, kTituloAviso);
    txtFields[index]->setFocus();
}

void frmV_TA_QUENZAR::proponerCuentas() {
    const QString banco = caja(QStringLiteral("IdBanco"))->text();
    // One inconsistency message for the two proposals of one bank.
    bool coherente = true;
    caja(QStringLiteral("CuentaBanco"))->setText(ast::ArmaCuentaBanco(banco, false, false, true, &coherente));
    caja(QStringLiteral("CuentaBancoDiferido"))->setText(ast::ArmaCuentaBanco(banco, true, false, coherente));
}

void frmV_TA_QUENZAR::olvidarBanco() {
    lblDesc0->setText(QStringLiteral("..."));
    caja(QStringLiteral("CuentaBanco"))->clear();
    caja(QStringLiteral("CuentaBancoDiferido"))->clear();
    LblDescCta->clear();
    LblDescCtaDif->clear();
}

// Why the account on `rs` cannot be this cheque book's bank account (or its
// deferred-payment account): a heading of the chart, an account of the
// other purpose, or another bank's. Empty when it may be marked as its own.
QString frmV_TA_QUENZAR::motivoCuentaAjena(ado::Recordset& rs, bool diferido) {
    auto& u = shell::G().utilidades;
    auto texto = [&](const char* campo) { return u.NoNulo(rs(QLatin1String(campo)).Value()).trimmed(); };
    const QString codigo = texto("Codigo");
    const QString cuenta = QStringLiteral("La cuenta %1 (%2)").arg(codigo, texto("Descripcion"));
    const QString banco = caja(QStringLiteral("IdBanco"))->text().trimmed();
    const QString otroUso =
        diferido
            ? cuenta +
                  QStringLiteral(" es la cuenta de un banco: no puede ser la de cheques de pago diferido.")
            : cuenta + QStringLiteral(" es de cheques de pago diferido: no puede ser la cuenta del banco.");
    auto deOtroBanco = [&](const QString& otro) {
        return cuenta + QStringLiteral(" es del banco %1: cada banco lleva sus propias cuentas.").arg(otro);
    };
    if (u.ANumero(texto("TITULO")) != 0)
        return cuenta + QStringLiteral(
                            " es un título del plan de cuentas: la chequera necesita una cuenta imputable.");
    const QString medio = texto("MedioDePago").toUpper();
    if (medio == (diferido ? QLatin1String("DB") : QLatin1String("CH"))) return otroUso;
    // The save marks its accounts "BC" with "1" or "2" and the bank's code as optional code.
    const QString opcional = texto("CodigoOpcional");
    if (texto("TipoVista").compare(QLatin1String("BC"), Qt::CaseInsensitive) == 0 && opcional.size() > 1 &&
        (opcional[0] == QLatin1Char('1') || opcional[0] == QLatin1Char('2'))) {
        if (opcional.mid(1).compare(banco, Qt::CaseInsensitive) != 0) return deOtroBanco(opcional.mid(1));
        if (opcional[0] != (diferido ? QLatin1Char('2') : QLatin1Char('1'))) return otroUso;
    }
    // Another bank's cheque books, or this purpose's other column, already use it.
    const QString propia = diferido ? QStringLiteral("CuentaBancoDiferido") : QStringLiteral("CuentaBanco");
    const QString otra = diferido ? QStringLiteral("CuentaBanco") : QStringLiteral("CuentaBancoDiferido");
    ado::Recordset uso;
    auto& db = datos::gDB();
    QString sql =
        QStringLiteral("SELECT TOP 1 IDBANCO, %1 AS OTRA FROM V_TA_QUENZAR WHERE (%2 = '%3' AND IDBANCO "
                       "<> '%4') OR %1 = '%3'")
            .arg(otra, propia, comillas(codigo), comillas(banco));
    db.AbrirRecordset(sql, uso, nullptr, ado::adOpenForwardOnly, ado::adLockReadOnly);
    QString motivo;
    if (uso.State() == ado::adStateOpen && !uso.Eof())
        motivo =
            u.NoNulo(uso(QStringLiteral("OTRA")).Value()).trimmed().compare(codigo, Qt::CaseInsensitive) == 0
                ? otroUso
                : deOtroBanco(u.NoNulo(uso(QStringLiteral("IDBANCO")).Value()).trimmed());
    db.CierraRecordset(uso);
    return motivo;
}

bool frmV_TA_QUENZAR::buscarChequera() {
    auto& u = shell::G().utilidades;
    const QString banco = u.Recortar(caja(QStringLiteral("IDBANCO"))->text().trimmed(), 4);
    const QString condicion = QStringLiteral(" WHERE IDBANCO = '") + comillas(banco) +
                              QStringLiteral("' AND LTRIM(RTRIM(SERIE))='") +
                              comillas(caja(QStringLiteral("SERIE"))->text().trimmed()) +
                              QStringLiteral("' AND TALONARIO = ") +
                              caja(QStringLiteral("TALONARIO"))->text().trimmed();
    return datos::gDB().ExisteEnTabla(TablaActiva, caja(QStringLiteral("TALONARIO"))->text().trimmed(),
                                      QStringLiteral("Talonario"), &rsDatos, 8, condicion, false);
}

void frmV_TA_QUENZAR::CampoValida(int index, QLineEdit* Texto) {
    HayError = false;
    auto& u = shell::G().utilidades;
    QString mensaje;
    plataforma::Rutina r(QStringLiteral("CampoValida"), [](const ErrorEjecucion& e, const QString& rutina) {
        return shell::G().utilidades.MostrarError(e, 18, rutina);
    });
    QString valor = Texto->text().trimmed();
    const QString columna = Texto->property("DataField").toString().trimmed().toUpper();
    auto es = [&](const char* c) { return columna == QLatin1String(c); };
    if (es("IDBANCO")) {
        if (valor.isEmpty()) mensaje = QStringLiteral("Debe informar el Codigo!");
        r.paso([&] {
            if (mensaje.isEmpty() && !datos::gDB().ExisteEnTabla(QStringLiteral("V_TA_BANCOS"), valor,
                                                                 columna, nullptr, 8, QString(), true))
                mensaje = QStringLiteral("El banco informado no existe!!!");
        });
        if (mensaje.isEmpty() && !Grabando) r.paso([&] { proponerCuentas(); });
        // A refused bank takes away what belonged to the previous one: its name and its accounts.
        if (!mensaje.isEmpty() && !Grabando) olvidarBanco();
    } else if (es("SERIE")) {
        if (valor.isEmpty()) mensaje = QStringLiteral("Debe informar la Serie!!!");
    } else if (es("TALONARIO")) {
        mensaje = motivoTalonario(valor);
        if (mensaje.isEmpty()) {
            r.paso([&] {
                const bool hallado = buscarChequera();
                if (hallado) {
                    Nuevo = false;
                    Baja = true;
                    Modifica = true;
                    if (!Grabando) MuestraRegistro();
                } else {
                    Nuevo = true;
                    Baja = true;
                    Modifica = false;
                    if (!Grabando) InicializaDetalle();
                }
            });
            r.paso([&] { DetalleOn(true); });
        }
    } else if (es("NUMERO_DESDE") || es("NUMERO_HASTA")) {
        const bool desde = es("NUMERO_DESDE");
        const double x = valorNumerico(valor);
        if (u.ANumero(valor) == 0) {
            mensaje = desde ? QStringLiteral("Debe informar el Número Desde")
                            : QStringLiteral("Debe informar el Número Hasta");
        } else if (x < 1) {
            // Cheque numbers are positive.
            mensaje = QStringLiteral("El número de cheque debe ser 1 o mayor.");
        } else if (std::fabs(x) > kMaximoNumero) {
            mensaje = QStringLiteral("El número de cheque admite hasta 8 dígitos.");
        } else if (!desde && u.ANumero(caja(QStringLiteral("NUMERO_DESDE"))->text()) > std::nearbyint(x)) {
            mensaje = QStringLiteral("El Número desde es Mayor a Hasta");
        } else if (const QString motivo = motivoTalonario(caja(QStringLiteral("TALONARIO"))->text());
                   !motivo.isEmpty()) {
            // A control number present but not valid is refused for what it is, not as missing.
            mensaje = motivo;
            index = static_cast<int>(txtFields.indexOf(caja(QStringLiteral("TALONARIO"))));
        } else {
            r.paso([&] { solapaRango({x}, mensaje, false); });
        }
    } else if (es("CUENTABANCO") || es("CUENTABANCODIFERIDO")) {
        const bool diferido = es("CUENTABANCODIFERIDO");
        QLabel* etiqueta = diferido ? LblDescCtaDif : LblDescCta;
        etiqueta->setText(QStringLiteral("..."));
        if (valor.isEmpty()) {
            mensaje = diferido ? QStringLiteral("Debe informar la Cuenta Contable para PAgos Diferido")
                               : QStringLiteral("Debe informar la Cuenta Contable");
        } else {
            r.paso([&] {
                ado::Recordset rs;
                bool opcional = false;
                QString codigo = valor;
                if (!shell::BuscaCuenta(codigo, &rs, true, opcional)) {
                    // The account the editor itself proposed for a bank without
                    // cheque books does not exist yet: saving creates it.
                    // Only a full code of a consistent configuration; no message again here.
                    const QString banco = caja(QStringLiteral("IdBanco"))->text();
                    bool coherente = false;
                    const QString propuesta =
                        Nuevo && !banco.trimmed().isEmpty()
                            ? ast::ArmaCuentaBanco(banco, diferido, false, false, &coherente)
                            : QString();
                    if (coherente && valor.compare(propuesta, Qt::CaseInsensitive) == 0)
                        etiqueta->setText(QStringLiteral("(cuenta nueva: se creará al grabar)"));
                    else
                        mensaje = QStringLiteral("La cuenta ingresada es inexistente.");
                } else {
                    valor = codigo;
                    Texto->setText(codigo);
                    etiqueta->setText(u.NoNulo(rs(QStringLiteral("Descripcion")).Value()));
                    // An account typed for a new cheque book must be one the save may mark as its own.
                    if (Texto->isEnabled()) mensaje = motivoCuentaAjena(rs, diferido);
                }
                datos::gDB().CierraRecordset(rs);
            });
            if (mensaje.isEmpty() && !diferido && Texto->isEnabled() &&
                valor.compare(caja(QStringLiteral("CuentaBancoDiferido"))->text().trimmed(),
                              Qt::CaseInsensitive) == 0)
                mensaje = QStringLiteral(
                    "La cuenta del banco y la de cheques de pago diferido deben ser distintas: "
                    "una misma cuenta no puede servir a los dos fines.");
        }
    }
    if (r.abandonada()) return;
    if (!mensaje.isEmpty()) {
        rechazar(index, mensaje);
        return;
    }
    if (!Texto->property("Tag").toString().isEmpty()) VerRelacion();
}

bool frmV_TA_QUENZAR::Datosvalidos() {
    HayError = false;
    for (int i = 0; i < txtFields.size(); ++i) {
        CampoValida(i, txtFields[i]);
        if (HayError) break;
    }
    return !HayError;
}

void frmV_TA_QUENZAR::VerRelacion() {
    QLabel* L = lblDesc0;
    for (QLineEdit* T : txtFields) {
        const QString campo = T->property("DataField").toString().trimmed();
        const QString tag = T->property("Tag").toString().trimmed();
        if (campo.isEmpty() || tag.isEmpty() || tag.compare(QLatin1String("FECHA"), Qt::CaseInsensitive) == 0)
            continue;
        if (campo.compare(L->property("DataField").toString().trimmed(), Qt::CaseInsensitive) != 0) continue;
        if (T->text().trimmed().isEmpty()) {
            L->setText(QStringLiteral("..."));
            continue;
        }
        const QString desc =
            datos::gDB()
                .DatosTabla(tag, T->text().trimmed(), L->property("Tag").toString(),
                            L->property("DataField").toString().trimmed(), 8, QString(), true, false)
                .toString()
                .trimmed();
        L->setText(desc);
        if (desc.isEmpty()) {
            HayError = true;
            ui::MsgBox(QStringLiteral("Codigo Inexistente, Tabla ") + tag, ui::vbInformation, kTituloAviso);
            QLineEdit* actual = txtFields.value(CampoActual);
            if (actual) actual->setSelection(0, static_cast<int>(actual->text().trimmed().size()));
        }
    }
}

// ------------------------------------------------------------------ saving

void frmV_TA_QUENZAR::MuestraRegistro() {
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    r.paso([&] { Modifica = true; });
    r.paso([&] { shell::G().teclado.LlenaCampos(txtFields, rsDatos); });
    r.paso([&] {
        LblDescCta->setText(datos::gDB()
                                .DatosTabla(QStringLiteral("MA_CUENTAS"),
                                            caja(QStringLiteral("CuentaBanco"))->text(),
                                            QStringLiteral("DESCRIPCION"), QStringLiteral("Codigo"), 8,
                                            QString(), true, false)
                                .toString());
    });
    r.paso([&] {
        LblDescCtaDif->setText(datos::gDB()
                                   .DatosTabla(QStringLiteral("MA_CUENTAS"),
                                               caja(QStringLiteral("CuentaBancoDiferido"))->text(),
                                               QStringLiteral("DESCRIPCION"), QStringLiteral("Codigo"), 8,
                                               QString(), true, false)
                                   .toString());
    });
}

DatosChequera frmV_TA_QUENZAR::datosDeLasCajas() const {
    DatosChequera d;
    d.banco = caja(QStringLiteral("IDBANCO"))->text();
    d.serie = caja(QStringLiteral("SERIE"))->text().trimmed();
    d.talonario = caja(QStringLiteral("TALONARIO"))->text().trimmed();
    d.desde = caja(QStringLiteral("NUMERO_DESDE"))->text();
    d.hasta = caja(QStringLiteral("NUMERO_HASTA"))->text();
    d.cuenta = caja(QStringLiteral("CuentaBanco"))->text().trimmed();
    d.cuentaDiferido = caja(QStringLiteral("CuentaBancoDiferido"))->text().trimmed();
    for (const QLineEdit* t : txtFields)
        d.cajas.push_back(
            {t->property("DataField").toString().trimmed(), t->text(), t->property("Tag").toString()});
    d.usuario = shell::G().gUsuarioLogeado;
    d.maquina = shell::G().equipo.NombreEquipo();
    return d;
}

Operacion frmV_TA_QUENZAR::operacion() const {
    if (Nuevo) return Operacion::Alta;
    if (Modifica) return Operacion::Modificacion;
    if (Baja) return Operacion::Baja;
    return Operacion::SoloCuentas;
}

bool frmV_TA_QUENZAR::solapaRango(const QList<double>& numeros, QString& mensaje, bool bloquear) {
    mensaje = buscarSolape(datos::gDB(), datosDeLasCajas(), numeros, bloquear);
    return !mensaje.isEmpty();
}

std::optional<bool> frmV_TA_QUENZAR::grabacionConfirmada(bool baja) {
    auto& db = datos::gDB();
    auto& u = shell::G().utilidades;
    ado::Recordset rs;
    QString sql = QStringLiteral("SELECT NUMERO_DESDE, NUMERO_HASTA, CuentaBanco, CuentaBancoDiferido FROM "
                                 "V_TA_QUENZAR WHERE IDBANCO = '%1' AND SERIE = '%2' AND TALONARIO = %3")
                      .arg(comillas(caja(QStringLiteral("IDBANCO"))->text().trimmed()),
                           comillas(caja(QStringLiteral("SERIE"))->text().trimmed()),
                           caja(QStringLiteral("TALONARIO"))->text().trimmed());
    std::optional<bool> grabada;
    try {
        const plataforma::FallosAlLlamador sinPreguntas;
        db.AbrirRecordset(sql, rs, nullptr, ado::adOpenForwardOnly, ado::adLockReadOnly);
        const bool hay = rs.State() == ado::adStateOpen && !rs.Eof();
        auto igual = [&](const char* campo, const QString& caja) {
            return u.NoNulo(rs(QLatin1String(campo)).Value())
                       .trimmed()
                       .compare(this->caja(caja)->text().trimmed(), Qt::CaseInsensitive) == 0;
        };
        grabada = baja ? !hay
                       : hay &&
                             valorNumerico(u.NoNulo(rs(QStringLiteral("NUMERO_DESDE")).Value())) ==
                                 valorNumerico(caja(QStringLiteral("NUMERO_DESDE"))->text()) &&
                             valorNumerico(u.NoNulo(rs(QStringLiteral("NUMERO_HASTA")).Value())) ==
                                 valorNumerico(caja(QStringLiteral("NUMERO_HASTA"))->text()) &&
                             igual("CuentaBanco", QStringLiteral("CuentaBanco")) &&
                             igual("CuentaBancoDiferido", QStringLiteral("CuentaBancoDiferido"));
    } catch (const ErrorEjecucion&) {
        // Unknown: said so, never guessed.
    }
    db.CierraRecordset(rs);
    return grabada;
}

// A save is one transaction (grabarChequera): a failing step is undone before
// the user is asked. Retry runs the save again; Ignore runs it again without
// the step that failed.
void frmV_TA_QUENZAR::ActualizarDatos() {
    auto& db = datos::gDB();
    auto& u = shell::G().utilidades;
    bool reintentoDuplicado = false;
    QSet<int> omitidos;
    const bool baja = operacion() == Operacion::Baja;
    // The bank's name is read before any lock: its own failure box may wait.
    const QString descripcion =
        baja ? QString()
             : comillas(db.DatosTabla(QStringLiteral("v_ta_bancos"),
                                      caja(QStringLiteral("IdBanco"))->text().trimmed(),
                                      QStringLiteral("Descripcion"), QStringLiteral("IDBANCO"), 8, QString(),
                                      true, false)
                            .toString());
    // What the recordset holds was undone with the transaction: it is read again.
    auto releer = [&] {
        try {
            if (rsDatos.EditMode() != ado::adEditNone) rsDatos.CancelUpdate();
        } catch (const ErrorEjecucion&) {
            // The pending edit went with the transaction.
        }
        try {
            const plataforma::FallosAlLlamador sinPreguntas;
            buscarChequera();
        } catch (const ErrorEjecucion&) {
            // Read again at the next save.
        }
        db.gCnn().Errors().Clear();
    };
    for (;;) {
        DatosChequera d = datosDeLasCajas();
        d.descripcionBanco = descripcion;
        ResultadoGrabacion r;
        {
            u.punteroOcupado(true);
            struct Puntero {
                orvexa::Utilidades& u;
                ~Puntero() { u.punteroOcupado(false); }
            } puntero{u};
            r = grabarChequera(db, rsDatos, d, operacion(), omitidos);
        }
        if (r.estado == ResultadoGrabacion::Estado::Hecha) {
            if (baja) Inicializa();
            return;
        }
        if (r.estado == ResultadoGrabacion::Estado::Solape) {
            rechazar(static_cast<int>(txtFields.indexOf(caja(QStringLiteral("NUMERO_DESDE")))), r.solape);
            return;
        }
        const ErrorEjecucion& e = r.error;
        HayError = true;
        // A link lost during the save is opened again before anything else is read,
        // asking the user while the server cannot be reached.
        const bool enlaceCaido = r.nativo == 11 || e.Number() == errores::ConexionInvalida ||
                                 db.gCnn().State() != ado::adStateOpen;
        if (enlaceCaido) db.recuperarEnlace();
        // Lost at the commit, the save may or may not have been stored: the database says which.
        if (enlaceCaido && r.paso == kPasoConfirmar) {
            informarConfirmacionPerdida(baja);
            return;
        }
        // Only the cheque book's own row: a duplicate account is an ordinary failure.
        const bool duplicado =
            r.paso == kPasoFila && (e.Number() == errores::DuplicadoClave ||
                                    (e.Number() == errores::ViolacionIntegridad && r.nativo == 2627));
        if (duplicado && !reintentoDuplicado) {
            // Someone stored this cheque book meanwhile: no second row; the save
            // becomes an update of the one that exists.
            reintentoDuplicado = true;
            Nuevo = false;
            Modifica = true;
            Baja = false;
            releer();
            HayError = false;
            continue;
        }
        QLineEdit* guardando = r.caja >= 0 ? txtFields[r.caja] : txtFields[0];
        if (e.Number() == errores::TipoIncorrecto || r.nativo == 1010) {
            releer();
            const QString conversion =
                QStringLiteral("Verifique las siguientes opciones: ") + QStringLiteral("\r\n\r\n") +
                QStringLiteral("1) Ha ingresado letras donde debe ingresar numeros") +
                QStringLiteral("\r\n\r\n") +
                QStringLiteral("2) Debe ingresar una fecha y el formato es incorrecto") +
                QStringLiteral("\r\n\r\n") + QStringLiteral("En el campo: ") +
                guardando->property("Tag").toString() + QLatin1Char('/') +
                guardando->property("DataField").toString();
            ui::MsgBox(conversion, ui::vbCritical,
                       e.Number() == errores::TipoIncorrecto
                           ? QStringLiteral("Error en conversion de datos")
                           : QStringLiteral("Error en conversion de datos "));
            guardando->setFocus();
            return;
        }
        releer();
        // Going on without the lock, the range check, the history or the commit would store what must not be.
        const bool ignorable = r.paso != kPasoBloqueo && r.paso != kPasoSolape && r.paso != kPasoHistorial &&
                               r.paso != kPasoConfirmar;
        const int respuesta =
            u.MostrarError(e, (ignorable ? ui::vbAbortRetryIgnore : ui::vbRetryCancel) + ui::vbCritical,
                           QStringLiteral("Actualizar Datos"));
        if (respuesta == ui::vbRetry || (respuesta == ui::vbIgnore && ignorable)) {
            if (respuesta == ui::vbIgnore) omitidos.insert(r.paso);
            HayError = false;
            continue;
        }
        return;
    }
}

// The link died at the commit: after reconnecting, the database tells whether
// the save is stored, and the user is told which.
void frmV_TA_QUENZAR::informarConfirmacionPerdida(bool baja) {
    auto& db = datos::gDB();
    const std::optional<bool> comprobada = grabacionConfirmada(baja);
    if (!comprobada) {
        ui::MsgBox(
            QStringLiteral("Se perdió la conexión con el servidor al confirmar. No se pudo comprobar si la "
                           "chequera quedó grabada: búsquela en la lista antes de grabarla de nuevo."),
            ui::vbExclamation, QStringLiteral("Actualizar Datos"));
        return;
    }
    try {
        if (rsDatos.EditMode() != ado::adEditNone) rsDatos.CancelUpdate();
    } catch (const ErrorEjecucion&) {
        // The edit belonged to the connection that was lost.
    }
    // The commit's failure is answered: it must not read as the next statement's.
    db.gCnn().Errors().Clear();
    if (*comprobada) {
        ui::MsgBox(
            baja
                ? QStringLiteral("Se perdió la conexión con el servidor al confirmar la baja. Al volver a "
                                 "conectar se comprobó que la chequera quedó borrada.")
                : QStringLiteral("Se perdió la conexión con el servidor al confirmar la grabación. Al volver "
                                 "a conectar se comprobó que la chequera y sus cuentas quedaron grabadas."),
            ui::vbInformation, QStringLiteral("Actualizar Datos"));
        HayError = false;
        if (baja) Inicializa();
        return;
    }
    try {
        const plataforma::FallosAlLlamador sinPreguntas;
        buscarChequera();
    } catch (const ErrorEjecucion&) {
        // Read again at the next save.
    }
    ui::MsgBox(
        baja ? QStringLiteral("Se perdió la conexión con el servidor al confirmar la baja. Al volver a "
                              "conectar se comprobó que la chequera NO se borró.")
             : QStringLiteral("Se perdió la conexión con el servidor al confirmar la grabación. Al volver a "
                              "conectar se comprobó que NO se grabó nada: los datos siguen en pantalla para "
                              "grabarlos de nuevo."),
        ui::vbExclamation, QStringLiteral("Actualizar Datos"));
}

// ------------------------------------------------------------------ list hand-over

void registrarEditorEnLista() {
    shell::FrmChequerasGrid::registrarEditor(
        [](const QString& banco, const QString& serie, const QString& talonario) {
            frmV_TA_QUENZAR editor;
            editor.caja(QStringLiteral("IDBANCO"))->setText(banco);
            editor.caja(QStringLiteral("SERIE"))->setText(serie);
            editor.caja(QStringLiteral("TALONARIO"))->setText(talonario);
            ui::Actual().mostrarModal(&editor);
        });
}

} // namespace editor
