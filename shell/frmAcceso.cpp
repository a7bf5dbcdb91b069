#include "shell/frmAcceso.h"

#include "data/DB_Dll.h"
#include "platform/Texto1252.h"
#include "platform/ado/CadenaConexion.h"
#include "platform/ui/Dialogos.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionFrame>

namespace shell {

using plataforma::ErrorEjecucion;

namespace {

// Window sizes are given in twips: 15 to a pixel.
int tw(int twips) {
    return (twips + 7) / 15;
}

// A text box whose hint shows whole: drawn while the box is empty, in a
// smaller letter where the box is too narrow for it, and never part of the
// text the box holds.
class CajaConPista final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent* ev) override {
        const QString pista = placeholderText();
        if (pista.isEmpty() || !text().isEmpty()) {
            QLineEdit::paintEvent(ev);
            return;
        }
        {
            // The box without Qt's own (cut) drawing of the hint.
            const QSignalBlocker bloqueo(this);
            setPlaceholderText(QString());
            QLineEdit::paintEvent(ev);
            setPlaceholderText(pista);
        }
        QStyleOptionFrame o;
        initStyleOption(&o);
        const QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &o, this).adjusted(2, 0, -2, 0);
        QFont letra = font();
        int tamano = QFontInfo(letra).pixelSize();
        letra.setPixelSize(tamano);
        // Some room is left at the end, so that the hint plainly ends there.
        while (tamano > 6 && QFontMetrics(letra).horizontalAdvance(pista) > r.width() - 6)
            letra.setPixelSize(--tamano);
        QPainter p(this);
        p.setFont(letra);
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(r, Qt::AlignVCenter | Qt::AlignLeft, pista);
    }
};

} // namespace

QString rutaBasesRegistradas() {
    return carpetaDelPrograma() + QStringLiteral("BASES.TXT");
}

frmAcceso::frmAcceso(QWidget* padre)
    : QDialog(padre) {
    setObjectName(QStringLiteral("frmAcceso"));
    setWindowTitle(QStringLiteral("Control de Acceso"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(tw(6780), tw(3360));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    auto* l0 = new QLabel(QStringLiteral("Complete los datos de conexion"), this);
    l0->setGeometry(0, tw(120), tw(3375), tw(255));
    auto* marco = new QGroupBox(this);
    marco->setObjectName(QStringLiteral("framAcceso"));
    marco->setGeometry(0, tw(360), tw(3375), tw(2340));

    auto caja = [&](const char* nombre, const char* pista, int top) {
        auto* e = new CajaConPista(marco);
        e->setObjectName(QLatin1String(nombre));
        e->setToolTip(QString::fromUtf8(pista));
        e->setGeometry(tw(120), tw(top), tw(3135), tw(345));
        return e;
    };
    TxtUserId = caja("TxtUserId", "Ingrese el nombre de usuario", 240);
    TxtUserPassword = caja("TxtUserPassword", "Ingrese la contraseña", 600);
    TxtUserPassword->setEchoMode(QLineEdit::Password);
    TxtDbName = caja("TxtDbName", "ingrese el nombre de la base de datos", 960);
    TxtServidor = caja("TxtServidor", "ingrese el nombre del servidor e instancia", 1320);
    CboPlataformaDB = new QComboBox(marco);
    CboPlataformaDB->setObjectName(QStringLiteral("CboPlataformaDB"));
    CboPlataformaDB->addItems({QStringLiteral("SQL Server"), QStringLiteral("ORACLE")});
    CboPlataformaDB->setGeometry(tw(105), tw(1890), tw(2190), tw(315));
    TxtPuerto = new QLineEdit(QStringLiteral("1433"), marco);
    TxtPuerto->setObjectName(QStringLiteral("TxtPuerto"));
    TxtPuerto->setToolTip(QStringLiteral("Ingrese el Puerto "));
    TxtPuerto->setGeometry(tw(2520), tw(1920), tw(735), tw(330));

    auto* l1 = new QLabel(QStringLiteral("Conexiones registradas"), this);
    l1->setGeometry(tw(3480), tw(120), tw(3255), tw(255));
    lstBases = new QListWidget(this);
    lstBases->setObjectName(QStringLiteral("lstBases"));
    lstBases->setGeometry(tw(3480), tw(480), tw(3255), tw(2205));

    auto boton = [&](const char* nombre, const char* texto, int l, int t, int w, int h) {
        auto* b = new QPushButton(QString::fromUtf8(texto), this);
        b->setObjectName(QLatin1String(nombre));
        b->setGeometry(tw(l), tw(t), tw(w), tw(h));
        b->setAutoDefault(false);
        return b;
    };
    bcAceptar = boton("bcAceptar", "Aceptar", 0, 2880, 1590, 375);
    bcCancelar = boton("bcCancelar", "Cancelar", 1800, 2880, 1590, 372);
    CmdRegistrar = boton("CmdRegistrar", "Registrar", 3600, 2880, 1095, 255);
    CmdLineaComando = boton("CmdLineaComando", "Crear Acceso Directo", 4800, 2880, 1950, 255);

    setTabOrder(TxtUserId, TxtUserPassword);
    setTabOrder(TxtUserPassword, TxtDbName);
    setTabOrder(TxtDbName, TxtServidor);

    connect(bcAceptar, &QPushButton::clicked, this, &frmAcceso::bcAceptar_Click);
    connect(bcCancelar, &QPushButton::clicked, this, &frmAcceso::bcCancelar_Click);
    connect(CmdRegistrar, &QPushButton::clicked, this, &frmAcceso::CmdRegistrar_Click);
    connect(CmdLineaComando, &QPushButton::clicked, this, &frmAcceso::CmdLineaComando_Click);
    connect(lstBases, &QListWidget::itemClicked, this, [this] { AsignarDatosBase(); });
    connect(lstBases, &QListWidget::itemDoubleClicked, this, [this] {
        AsignarDatosBase();
        bcAceptar_Click();
    });
    lstBases->installEventFilter(this);
    TxtUserId->installEventFilter(this);
    for (QLineEdit* e : {TxtDbName, TxtServidor, TxtUserPassword})
        connect(e, &QLineEdit::textChanged, this, [this, e] { MensajeInicial(e); });

    Form_Load();
}

void frmAcceso::Form_Load() {
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    llenarlist();
    MensajeInicial(TxtUserId);
    MensajeInicial(TxtUserPassword);
    MensajeInicial(TxtDbName);
    MensajeInicial(TxtDbName);
    MensajeInicial(TxtServidor);
}

void frmAcceso::cargar(const QString& base, const QString& servidor, const QString& usuario,
                       const QString& clave) {
    TxtDbName->setText(base);
    TxtServidor->setText(servidor);
    TxtUserId->setText(usuario);
    TxtUserPassword->setText(clave);
    CboPlataformaDB->setCurrentIndex(0);
}

bool frmAcceso::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == lstBases && evento->type() == QEvent::KeyRelease) AsignarDatosBase();
    if (objeto == TxtUserId && evento->type() == QEvent::FocusIn) MensajeInicial(TxtUserId);
    return QDialog::eventFilter(objeto, evento);
}

QString frmAcceso::pistaDe(QLineEdit* caja) const {
    if (caja == TxtUserId) return QStringLiteral("Ingrese el usuario");
    if (caja == TxtDbName) return QStringLiteral("ingrese el nombre de la base de datos");
    if (caja == TxtServidor) return QStringLiteral("ingrese el nombre del servidor e instancia");
    return {};
}

// The hint is the box's placeholder: shown while the box is empty, gone at
// the first key, never part of the value handed to the session.
void frmAcceso::MensajeInicial(QLineEdit* caja) {
    const QString pista = pistaDe(caja);
    if (caja->placeholderText() != pista) caja->setPlaceholderText(pista);
}

void frmAcceso::llenarlist() {
    const QString ruta = rutaBasesRegistradas();
    QList<BaseRegistrada> bases;
    plataforma::Rutina r(QStringLiteral("FormLoad"), informarConMensajeError());
    r.paso([&] {
        if (!ExisteArchivo(ruta)) {
            lstBases->clear();
            r.abandonar();
        }
    });
    r.paso([&] {
        lstBases->clear();
        bases = leerBasesRegistradas(ruta);
        for (const auto& b : bases)
            if (!b.nombre.trimmed().isEmpty()) lstBases->addItem(b.nombre);
    });
    r.paso([&] {
        if (lstBases->count() > 0) {
            lstBases->setCurrentRow(0);
            AsignarDatosBase();
        }
    });
}

bool frmAcceso::DatosBase(const QString& nombre, QString& servidor, QString& base, QString& usuario,
                          QString& clave) {
    try {
        for (const auto& b : leerBasesRegistradas(rutaBasesRegistradas())) {
            if (b.nombre.trimmed() == nombre.trimmed()) {
                servidor = b.servidor;
                base = b.base;
                usuario = b.usuario;
                clave = b.clave;
                return true;
            }
        }
    } catch (...) {
        G().utilidades.MostrarError(plataforma::comoErrorEjecucion(std::current_exception()));
    }
    return false;
}

void frmAcceso::AsignarDatosBase() {
    auto* item = lstBases->currentItem();
    if (!item) return;
    QString servidor, base, usuario, clave, puerto;
    if (!DatosBase(item->text().trimmed(), servidor, base, usuario, clave)) return;
    // "PG:host[:port]" names a PostgreSQL server whole: its colons are no SQL Server port.
    const int dp =
        ado::servidorDeNombreEntero(servidor) ? -1 : static_cast<int>(servidor.indexOf(QLatin1Char(':')));
    if (dp >= 0) {
        puerto = servidor.mid(dp + 1);
        servidor = servidor.left(dp).trimmed().toUpper();
    }
    TxtServidor->setText(servidor);
    TxtUserId->clear();
    TxtUserPassword->clear();
    TxtDbName->setText(base);
    // The port is the dialog's own: a server registered without one leaves it as it was.
    if (dp >= 0) TxtPuerto->setText(puerto);
}

void frmAcceso::bcAceptar_Click() {
    mAceptar = true;
    hide();
    done(QDialog::Accepted);
}

void frmAcceso::bcCancelar_Click() {
    mAceptar = false;
    hide();
    done(QDialog::Rejected);
}

bool frmAcceso::ExisteBaseDeDatos(const QString& servidor, const QString& base, const QString& usuario,
                                  const QString& clave, const QString& proveedor) {
    try {
        ado::Connection cn;
        cn.Open(QStringLiteral("PROVIDER=") + proveedor + QStringLiteral(";") + QStringLiteral("Server=") +
                servidor + QStringLiteral(";") + QStringLiteral("Database =") + base + QStringLiteral(";") +
                QStringLiteral("UId=") + usuario + QStringLiteral(";") + QStringLiteral("Pwd=") + clave +
                QStringLiteral(";"));
        cn.Close();
        return true;
    } catch (...) {
        return false;
    }
}

void frmAcceso::CmdRegistrar_Click() {
    auto& db = datos::gDB();
    QString servidor, nombre;
    bool escribir = false;
    auto escribirRegistro = [&] {
        const QString base = TxtDbName->text().trimmed();
        const QString linea = nombre.trimmed() + QLatin1Char(',') + base + QLatin1Char(',') + base +
                              QLatin1Char(',') + G().utilidades.Encriptar(base).trimmed() + QLatin1Char(',') +
                              TxtServidor->text().trimmed();
        QFile f(rutaBasesRegistradas());
        if (!f.open(QIODevice::Append))
            throw ErrorEjecucion(75, QStringLiteral("No se puede escribir %1").arg(rutaBasesRegistradas()),
                                 QStringLiteral("frmAcceso"));
        f.write(plataforma::a1252(linea) + "\r\n");
    };
    int paso = 1;
    while (paso <= 9) {
        try {
            switch (paso) {
            case 1: {
                servidor = TxtServidor->text().toUpper().trimmed();
                const int dp = ado::servidorDeNombreEntero(servidor)
                                   ? -1
                                   : static_cast<int>(servidor.indexOf(QLatin1Char(':')));
                if (dp >= 0) servidor = servidor.left(dp);
                nombre = TxtDbName->text().toUpper().trimmed() + QStringLiteral(" / ") + servidor;
                break;
            }
            case 2: {
                QString s, b, u, c;
                if (DatosBase(nombre, s, b, u, c)) {
                    ui::MsgBox(QStringLiteral("La conexion que intenta registrar ya existe "),
                               ui::vbInformation, QStringLiteral("Atencion"));
                    return;
                }
                break;
            }
            case 3: {
                const double puerto = G().utilidades.ANumero(TxtPuerto->text());
                TxtPuerto->setText(QString::number(puerto == 0 ? 1433 : static_cast<qint64>(puerto)));
                break;
            }
            case 4:
                for (QLineEdit* e : {TxtServidor, TxtUserId, TxtUserPassword, TxtDbName})
                    e->setText(e->text().trimmed());
                break;
            case 5:
                escribir =
                    ExisteBaseDeDatos(TxtServidor->text(), TxtDbName->text().toUpper(), TxtUserId->text(),
                                      TxtUserPassword->text(), QStringLiteral("SQLOLEDB"));
                break;
            case 6:
                if (escribir) {
                    escribirRegistro();
                    paso = 8;
                    continue;
                }
                break;
            case 7:
                if (db.gCnn().State() == ado::adStateOpen) db.gCnn().Close();
                db.gServidor = TxtServidor->text();
                db.gUsuario = TxtUserId->text();
                db.gUserPassWord = TxtUserPassword->text();
                db.gDBName = TxtDbName->text();
                db.OpenServerADODB(false, 3, QString(), true, true);
                if (db.gOpenFlag && db.gCnn().State() == ado::adStateOpen) {
                    escribirRegistro();
                } else {
                    ui::MsgBox(QStringLiteral("NO SE PUDO CONECTAR AL SERVIDOR ") + TxtServidor->text() +
                                   QStringLiteral(" VERIFIQUE EL NOMBRE DE USUARIO Y PASSWORD INGRESADO"),
                               ui::vbInformation, QStringLiteral("AVISO AL OPERADOR"));
                    return;
                }
                break;
            case 8: {
                const QString ayudante = carpetaDeLosProgramas() + QStringLiteral("ODBC.exe");
                if (QFile::exists(ayudante))
                    ui::Actual().iniciarProceso(ayudante,
                                                {QStringLiteral("Server=") + TxtServidor->text() +
                                                 QStringLiteral(";DB=") + db.gDBName + QStringLiteral(";")});
                break;
            }
            case 9:
                if (db.gCnn().State() == ado::adStateOpen) db.gCnn().Close();
                llenarlist();
                break;
            }
            ++paso;
        } catch (...) {
            const ErrorEjecucion e = plataforma::comoErrorEjecucion(std::current_exception());
            const int32_t n = e.Number();
            if (n == 3704 || n == 440 || n == 1056 || n == 20480 || n == static_cast<int32_t>(0x80070420)) {
                ++paso;
                continue;
            }
            ui::MsgBox(QStringLiteral("SQL Server start failed.  ") + QStringLiteral("\r\n") +
                           QStringLiteral("SQL-DMO error:  ") + QString::number(n) + QLatin1Char(' ') +
                           e.Description(),
                       ui::vbOKOnly, QString());
            paso = 8;
        }
    }
}

void frmAcceso::CmdLineaComando_Click() {
    const QString ejecutable = QCoreApplication::applicationFilePath();
    ui::Actual().crearAccesoDirecto(QStringLiteral("Zolvane"), ejecutable, QString(), carpetaDelPrograma());
}

void registrarDialogoAcceso() {
    datos::registrarDialogoConexion([](datos::DatosDialogoConexion& d) {
        frmAcceso f;
        f.cargar(d.base, d.servidor, d.usuario, d.clave);
        ui::Actual().mostrarModal(&f);
        d.aceptar = f.Aceptar();
        d.base = f.TxtDbName->text();
        d.servidor = f.TxtServidor->text();
        d.usuario = f.TxtUserId->text();
        d.clave = f.TxtUserPassword->text();
        d.plataforma = f.CboPlataformaDB->currentIndex();
    });
}

} // namespace shell
