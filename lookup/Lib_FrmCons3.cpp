#include "lookup/Lib_FrmCons3.h"

#include "data/DB_Dll.h"
#include "platform/Intercalacion.h"
#include "platform/Rutina.h"
#include "platform/Texto1252.h"
#include "platform/ui/Dialogos.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTreeWidget>

namespace lookup {

using plataforma::ErrorEjecucion;

namespace {

constexpr Qt::CaseSensitivity ci = Qt::CaseInsensitive;
int px(int twips) {
    return twips / 15;
}

QColor colorDe(const QVariant& v) {
    // Windows colour values are BGR.
    const uint32_t c = static_cast<uint32_t>(v.toLongLong());
    return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
}

} // namespace

Lib_FrmCons3::Lib_FrmCons3(QWidget* padre)
    : QDialog(padre, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Lib_FrmCons3"));
    setWindowTitle(QStringLiteral("Consulta..."));
    setModal(true);
    resize(px(7260), px(5115));
    CmdNuevo = new QPushButton(QStringLiteral("N&uevo"), this);
    CmdNuevo->setGeometry(0, 0, px(1095), px(375));
    CmdTodos = new QPushButton(QStringLiteral("&Marcar"), this);
    CmdTodos->setGeometry(px(1680), 0, px(1455), px(375));
    Label1 = new QLabel(QStringLiteral("CONSULTA"), this);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    picFields = new QWidget(this);
    picFields->setObjectName(QStringLiteral("picFields"));
    ListView1 = new QTreeWidget(picFields);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setStretchLastSection(false);
    ListView1->installEventFilter(this);
    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    Frame1 = new QFrame(this);
    CmdAceptar = new QPushButton(QStringLiteral("&Aceptar"), Frame1);
    CmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), Frame1);
    CmdNueva = new QPushButton(QStringLiteral("&Nueva Busqueda"), Frame1);
    CmdAceptar->setDefault(true);
    for (auto* b : {CmdNuevo, CmdTodos, CmdCancelar, CmdNueva})
        b->setAutoDefault(false);
    auto* caja0 = crearCaja(0);
    caja0->setEditText(QStringLiteral("IdArticulo"));

    connect(CmdAceptar, &QPushButton::clicked, this, &Lib_FrmCons3::Aceptar);
    connect(CmdCancelar, &QPushButton::clicked, this, &Lib_FrmCons3::Cancelar);
    connect(CmdNueva, &QPushButton::clicked, this, &Lib_FrmCons3::nuevaBusqueda);
    connect(CmdTodos, &QPushButton::clicked, this, &Lib_FrmCons3::Marcar);
    connect(CmdNuevo, &QPushButton::clicked, this, &Lib_FrmCons3::Nuevo);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { Aceptar(); });
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, &Lib_FrmCons3::clicEnColumna);
    connect(ListView1->header(), &QHeaderView::sectionResized, this, [this] { CalcularAncho(); });
    connect(HScroll1, &QScrollBar::valueChanged, this,
            [this](int v) { picFields->move(px(120) / 2 - v, picFields->y()); });
}

Lib_FrmCons3::~Lib_FrmCons3() {
    try {
        ListView1->clear();
    } catch (const std::exception& e) {
        ui::MsgBox(QString::fromLocal8Bit(e.what()), ui::vbCritical, QStringLiteral("Aviso al Operador"));
    }
}

QComboBox* Lib_FrmCons3::crearCaja(int indice) {
    auto* c = new QComboBox(picFields);
    c->setObjectName(QStringLiteral("CmbSearch%1").arg(indice));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setToolTip(QStringLiteral("F5 realiza nueva busqueda"));
    c->lineEdit()->installEventFilter(this);
    c->installEventFilter(this);
    connect(c, &QComboBox::editTextChanged, this, [this, indice] { busquedaIncremental(indice); });
    connect(c, qOverload<int>(&QComboBox::activated), this, [this, indice] { busquedaIncremental(indice); });
    CmbSearch.push_back(c);
    mColumnaDeCaja.push_back(QString());
    return c;
}

void Lib_FrmCons3::showEvent(QShowEvent* ev) {
    if (!mCargado && !CargaManual) {
        mCargado = true;
        Cargar();
    }
    QDialog::showEvent(ev);
    // What the user types goes to the first search box, never to a button.
    if (!CmbSearch.isEmpty()) CmbSearch[0]->setFocus();
}

void Lib_FrmCons3::Cargar() {
    mCargado = true;
    auto& db = datos::gDB();
    plataforma::Rutina r(QStringLiteral("FORM_LOAD"), shell::informarConMensajeError());
    ado::Recordset rs;
    r.paso([&] { mEsArticulos = sql.contains(QLatin1String("articulos"), ci); });
    r.paso([&] {
        Valores.clear();
        Cantidades.clear();
    });
    r.paso([&] {
        ListView1->clear();
        QFont f = ListView1->font();
        f.setBold(true);
        f.setPointSize(10);
        ListView1->setFont(f);
    });
    if (sql.trimmed().isEmpty()) {
        disponer();
        return;
    }
    r.paso([&] {
        // The blank lets a statement that begins with FROM be found; add it once so reloading keeps the text.
        if (!sql.startsWith(QLatin1Char(' '))) sql = QLatin1Char(' ') + sql;
        const int desde = static_cast<int>(sql.indexOf(QLatin1String("from"), 0, ci));
        if (desde >= 0) {
            const int blanco = static_cast<int>(sql.indexOf(QLatin1Char(' '), desde + 5));
            mTablaConsulta = sql.mid(desde + 4, blanco < 0 ? -1 : blanco - desde - 4).trimmed();
        }
    });
    r.paso([&] {
        if (mSqlInicial.isEmpty()) mSqlInicial = sql;
    });
    r.paso([&] {
        QString s = sql;
        db.AbrirRecordset(s, rs, nullptr, 0, 1, -1, true);
    });
    if (r.abandonada()) return;
    r.paso([&] {
        if (CheckBoxes) ListView1->setProperty("checkboxes", true);
    });
    if (rs.State() == ado::adStateOpen) {
        r.paso([&] { Encolumnar(rs); });
        r.paso([&] { Leer(rs); });
    }
    r.paso([&] {
        ListView1->setSortingEnabled(false);
        if (OrdenarPorLwv) ListView1->sortItems(0, Qt::AscendingOrder);
    });
    r.paso([&] {
        if (!FiltroInicial.trimmed().isEmpty()) CmbSearch[0]->setEditText(FiltroInicial);
    });
    r.paso([&] { db.CierraRecordset(rs); });
    r.paso([&] { anchosGuardados(); });
    r.paso([&] { CalcularAncho(); });
    disponer();
}

void Lib_FrmCons3::Encolumnar(ado::Recordset& rs) {
    QStringList encabezados;
    QVector<int> anchos;
    const int n = rs.fields().Count();
    for (int g = 0; g < n; ++g) {
        try {
            const ado::Field f = rs(g);
            int x = f.DefinedSize();
            if (f.Type() == ado::adCurrency || f.Type() == ado::adNumeric) x = 12;
            if (g >= 1 && g >= CmbSearch.size()) crearCaja(g);
            mColumnaDeCaja[g] = f.Name();
            CmbSearch[g]->show();
            x = qMin(x, 60);
            QString titulo = f.Name();
            if (sql.contains(QLatin1String("V_MA_ARTICULOS"), ci) ||
                sql.contains(QLatin1String("STK_MA_ARTICULOS"), ci)) {
                static const QRegularExpression precio(QStringLiteral("^PRECIO([1-8])$"),
                                                       QRegularExpression::CaseInsensitiveOption);
                if (auto m = precio.match(titulo); m.hasMatch())
                    titulo = shell::Cfg(QStringLiteral("NOM_PCLASE") + m.captured(1));
            } else if (ValoresDefault.compare(QLatin1String("@10"), ci) == 0) {
                x += 10;
            }
            encabezados << titulo;
            anchos << ListView1->fontMetrics().horizontalAdvance(QString(qMax(1, x), QLatin1Char('X')));
        } catch (const ErrorEjecucion& e) {
            ui::MsgBox(e.Description(), ui::vbOKOnly, QString());
            break;
        }
    }
    ListView1->setColumnCount(static_cast<int>(encabezados.size()));
    ListView1->setHeaderLabels(encabezados);
    for (int i = 0; i < anchos.size(); ++i)
        ListView1->setColumnWidth(i, anchos[i]);
    for (int i = static_cast<int>(encabezados.size()); i < CmbSearch.size(); ++i)
        CmbSearch[i]->hide();
}

void Lib_FrmCons3::Leer(ado::Recordset& rs) {
    if (rs.BOF() && rs.Eof()) return;
    auto& u = shell::G().utilidades;
    const int n = rs.fields().Count();
    QList<QTreeWidgetItem*> filas;
    plataforma::Rutina r(QStringLiteral("FORM_LOAD"), shell::informarConMensajeError());
    while (!rs.Eof() && !r.abandonada()) {
        r.paso([&] {
            QColor color;
            bool hayColor = false;
            if (mEsArticulos) {
                try {
                    const double p = u.ANumero(u.NoNulo(rs(QStringLiteral("PUNTOPEDIDO")).Value()));
                    const double s = u.ANumero(u.NoNulo(rs(QStringLiteral("Stock")).Value()));
                    QVariant nivel;
                    if (p == 0 && s > 0)
                        nivel = StkNivel1;
                    else if (p > 0 && s > p)
                        nivel = StkNivel2;
                    else if (p > 0 && s < p)
                        nivel = StkNivel3;
                    else
                        nivel = StkNivel4;
                    hayColor = nivel.isValid() && !nivel.toString().isEmpty();
                    if (hayColor) color = colorDe(nivel);
                } catch (const ErrorEjecucion& e) {
                    if (e.Number() != plataforma::errores::ElementoNoEncontrado) throw;
                }
            }
            auto* fila = new QTreeWidgetItem;
            fila->setText(0, u.NoNulo(rs(0).Value()).trimmed());
            if (CheckBoxes) {
                const QString clave =
                    CampoDevuelto.isEmpty() ? QString() : u.NoNulo(rs(CampoDevuelto).Value()).trimmed();
                const bool marcada = !clave.isEmpty() && ValoresDefault.contains(clave, ci);
                fila->setCheckState(0, marcada ? Qt::Checked : Qt::Unchecked);
            }
            for (int i = 1; i < n; ++i) {
                fila->setText(i, u.NoNulo(rs(i).Value()));
                if (MuestraStock.compare(QLatin1String("SI"), ci) == 0 && mEsArticulos && hayColor) {
                    QFont negrita = ListView1->font();
                    negrita.setBold(true);
                    for (int c : {0, i}) {
                        fila->setForeground(c, color);
                        fila->setFont(c, negrita);
                    }
                }
            }
            filas << fila;
        });
        if (!r.abandonada()) rs.MoveNext();
    }
    ListView1->addTopLevelItems(filas);
}

void Lib_FrmCons3::anchosGuardados() {
    const QString ruta = shell::carpetaDelPrograma() + QStringLiteral("CONSULTASLEN.KVT");
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return;
    QString tabla = mTablaConsulta;
    if (tabla.compare(QLatin1String("Stk_ma_articulos"), ci) == 0) tabla = QStringLiteral("VT_MA_ARTICULOS");
    for (QString linea : plataforma::desde1252(f.readAll()).split(QLatin1Char('\n'))) {
        linea = linea.trimmed();
        const int coma = static_cast<int>(linea.indexOf(QLatin1Char(',')));
        if (coma < 0) continue;
        QString nombre = linea.left(coma).trimmed().remove(QLatin1Char('"'));
        QString anchos = linea.mid(coma + 1).trimmed().remove(QLatin1Char('"'));
        if (nombre.compare(tabla, ci) != 0) continue;
        for (int i = 1; i <= ListView1->columnCount(); ++i) {
            const int barra = static_cast<int>(anchos.indexOf(QLatin1Char('|')));
            if (barra < 0) return; // a list shorter than the columns ends the reading
            const double w = shell::G().utilidades.ANumero(anchos.left(barra));
            ListView1->setColumnWidth(i - 1, px(static_cast<int>(w)));
            anchos = anchos.mid(barra + 1);
        }
    }
}

void Lib_FrmCons3::CalcularAncho() {
    int total = 0;
    int izquierda = 0;
    for (int i = 0; i < ListView1->columnCount(); ++i) {
        const int ancho = ListView1->columnWidth(i);
        if (i < CmbSearch.size()) CmbSearch[i]->setGeometry(izquierda, 0, qMax(10, ancho - px(50)), 24);
        izquierda += ancho;
        total += ancho;
    }
    const int anchoLista = total + px(360);
    picFields->resize(anchoLista, picFields->height());
    HScroll1->setMaximum(qMax(0, anchoLista - width()));
    const QScreen* s = screen();
    const int pantalla = s ? s->availableGeometry().width() : 1024;
    if (anchoLista + px(360) >= pantalla)
        resize(pantalla - px(480), height());
    else
        resize(qMax(anchoLista + px(280), px(7260) / 2), height());
}

void Lib_FrmCons3::resizeEvent(QResizeEvent* ev) {
    QDialog::resizeEvent(ev);
    disponer();
}

void Lib_FrmCons3::disponer() {
    const int altoMarco = 40;
    Label1->setGeometry(CmdTodos->geometry().right() + 8, 0,
                        qMax(0, width() - CmdTodos->geometry().right() - 16), 25);
    Frame1->setGeometry(0, height() - altoMarco, width(), altoMarco);
    CmdAceptar->setGeometry(7, 6, 100, 28);
    CmdCancelar->setGeometry((width() - 100) / 2, 6, 100, 28);
    CmdNueva->setGeometry(width() - 140, 6, 134, 28);
    const int arriba = 28;
    const int alto = height() - altoMarco - arriba - HScroll1->sizeHint().height();
    picFields->setGeometry(picFields->x() == 0 ? 4 : picFields->x(), arriba,
                           qMax(picFields->width(), width() - 8), qMax(0, alto));
    ListView1->setGeometry(0, 26, picFields->width() - 2, qMax(0, alto - 26));
    HScroll1->setGeometry(4, arriba + alto, width() - 8, HScroll1->sizeHint().height());
}

int Lib_FrmCons3::IndiceColumna(const QString& Columna) const {
    for (int i = 0; i < ListView1->columnCount(); ++i)
        if (ListView1->headerItem()->text(i).trimmed().compare(Columna.trimmed(), ci) == 0) return i + 1;
    return 0;
}

int Lib_FrmCons3::Busqueda(int Clave, const QString& QueValor) const {
    const QString v = QueValor.trimmed();
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const auto* fila = ListView1->topLevelItem(i);
        const QString celda = Clave < 1 ? fila->text(0) : fila->text(Clave);
        if (plataforma::intercalacion::empiezaCon(celda.trimmed(), v)) return i + 1;
    }
    return 0;
}

void Lib_FrmCons3::busquedaIncremental(int caja) {
    if (caja >= CmbSearch.size()) return;
    const int k = Busqueda(caja, CmbSearch[caja]->currentText().trimmed());
    if (k != 0) {
        auto* fila = ListView1->topLevelItem(k - 1);
        ListView1->setCurrentItem(fila);
        ListView1->scrollToItem(fila);
    }
}

QStringList Lib_FrmCons3::columnasFiltradas() const {
    return QStringList(mColumnaDeCaja.begin(), mColumnaDeCaja.end());
}

void Lib_FrmCons3::acotarConF5(int b) {
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    r.paso([&] {
        QString cola, prefijo, base = sql;
        const int o = static_cast<int>(sql.indexOf(QLatin1String("order by"), 0, ci));
        if (sql.contains(QLatin1String("order"), ci) && o >= 0) {
            cola = sql.mid(o);
            base = sql.left(o);
        }
        const int g = static_cast<int>(sql.indexOf(QLatin1String("Group By"), 0, ci));
        if (sql.contains(QLatin1String("group by"), ci) && g >= 0) {
            const QString t = sql.mid(g);
            if (!t.trimmed().isEmpty()) cola = t;
            base = sql.left(g);
        }
        if (base.contains(QLatin1String("stk_ma_articulos."), ci))
            prefijo = QStringLiteral("stk_ma_articulos.");
        if (base.contains(QLatin1String("v_ma_articulos."), ci)) prefijo = QStringLiteral("v_ma_articulos.");
        const QString j =
            sql.contains(QLatin1String("where"), ci) ? QStringLiteral(" and ") : QStringLiteral(" where ");
        const QString c = mColumnaDeCaja.value(b);
        QString v = CmbSearch[b]->currentText();
        // The typed text stays inside its literal; LIKE's own wildcards keep their meaning.
        auto literal = [](QString x) { return x.replace(QLatin1Char('\''), QLatin1String("''")); };
        if (CfgUsaConsultaLIKE) {
            sql = base + j + prefijo + c + QStringLiteral(" like '%") +
                  literal(v).replace(QLatin1Char(' '), QLatin1Char('%')) + QStringLiteral("%' ") + cola;
        } else {
            v.replace(QLatin1Char('*'), QLatin1Char('%'));
            CmbSearch[b]->setEditText(v);
            sql = base + j + prefijo + c + QStringLiteral(" like '") + literal(v) + QStringLiteral("%' ") +
                  cola;
        }
        CmbSearch[b]->setEditText(QString());
        Cargar();
    });
}

void Lib_FrmCons3::nuevaBusqueda() {
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    r.paso([&] {
        sql = mSqlInicial;
        Cargar();
        CmbSearch[0]->setFocus();
    });
}

QString Lib_FrmCons3::valorDeFila(QTreeWidgetItem* fila, int n) const {
    if (!fila || n < 1) return {};
    return n == 1 ? fila->text(0) : fila->text(n - 1);
}

void Lib_FrmCons3::Aceptar() {
    plataforma::Rutina r(QStringLiteral("HScroll1_Change"), shell::informarConMensajeError());
    r.paso([&] {
        if (CheckBoxes) {
            if (CampoDevuelto.isEmpty()) CampoDevuelto = ListView1->headerItem()->text(0);
            const int k = IndiceColumna(CampoDevuelto);
            QString anterior;
            for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
                auto* fila = ListView1->topLevelItem(i);
                if (fila->checkState(0) != Qt::Checked) continue;
                if (k >= 1) anterior = valorDeFila(fila, k);
                Valores << anterior;
            }
            return;
        }
        auto* fila = ListView1->currentItem();
        if (!fila) return;
        QString v;
        for (const QString& h : CmpsDevueltos) {
            const int n = IndiceColumna(h);
            if (n >= 1) v = valorDeFila(fila, n);
            Valores << v;
        }
        if (!CampoDevuelto.trimmed().isEmpty()) {
            const int n = IndiceColumna(CampoDevuelto);
            if (n >= 1) v = valorDeFila(fila, n);
        }
        ValorDevuelto = v;
    });
    if (r.abandonada()) return;
    hide();
    done(QDialog::Accepted);
}

void Lib_FrmCons3::Cancelar() {
    ValorDevuelto = QString();
    CmpsDevueltos.clear();
    Valores.clear();
    hide();
    done(QDialog::Rejected);
}

void Lib_FrmCons3::Marcar() {
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        auto* fila = ListView1->topLevelItem(i);
        fila->setCheckState(0, fila->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

void Lib_FrmCons3::Nuevo() {
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    r.paso([&] {
        const QString t = mTablaConsulta.trimmed().toUpper();
        QString programa = QStringLiteral("SHELL:V_TA_TABLAS"), parametro = mTablaConsulta;
        if (t == QLatin1String("VT_CLIENTES")) {
            programa = QStringLiteral("SHELL:V_MA_CLIENTES");
            parametro = QStringLiteral("1");
        } else if (t == QLatin1String("VT_PROVEEDORES")) {
            programa = QStringLiteral("SHELL:V_MA_CLIENTES");
            parametro = QStringLiteral("0");
        } else if (t == QLatin1String("V_TA_TECNICOS")) {
            programa = QStringLiteral("SHELL:V_TA_Tecnicos");
            parametro.clear();
        } else if (t == QLatin1String("V_TA_VENDEDORES")) {
            programa = QStringLiteral("SHELL:V_TA_VENDEDORES");
            parametro.clear();
        } else if (t == QLatin1String("V_MA_ARTICULOS") || t == QLatin1String("VT_MA_ARTICULOS")) {
            programa = QStringLiteral("SHELL:V_MA_ARTICULOS");
            parametro.clear();
        }
        qint64 tarea = 0;
        shell::MenuExes(programa, parametro, tarea);
    });
}

void Lib_FrmCons3::clicEnColumna(int columna) {
    // The first click after load sorts descending; every click flips the order.
    mOrdenDescendente = !mOrdenDescendente;
    ListView1->sortItems(columna, mOrdenDescendente ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void Lib_FrmCons3::reportarFaltante() {
    auto* fila = ListView1->currentItem();
    const QString id = valorDeFila(fila, IndiceColumna(QStringLiteral("idarticulo"))).trimmed();
    const QString d = valorDeFila(fila, IndiceColumna(QStringLiteral("Descripcion"))).trimmed();
    if (ui::MsgBox(QStringLiteral("Desea informar el articulo ") + id + QLatin1Char(' ') + d +
                       QStringLiteral("\r\n") + QStringLiteral("como un faltante de stock?"),
                   ui::vbQuestion + ui::vbYesNo, QStringLiteral("Atención!")) != ui::vbYes)
        return;
    auto comillas = [](QString v) { return v.replace(QLatin1Char('\''), QLatin1String("''")); };
    QString s =
        QStringLiteral("INSERT INTO V_MV_FALTANTES (FechaHora,IdArticulo,Descripcion,Usuario) values('") +
        shell::ahoraComoTexto() + QStringLiteral("','") + comillas(shell::G().utilidades.Recortar(id, 25)) +
        QStringLiteral("','") + comillas(d) + QStringLiteral("','") + comillas(datos::gDB().gUsuario) +
        QStringLiteral("')");
    datos::gDB().EjecutaConsultaSQL(s);
}

void Lib_FrmCons3::keyPressEvent(QKeyEvent* ev) {
    if (ev->key() == Qt::Key_F12 && mEsArticulos) {
        reportarFaltante();
        return;
    }
    if (ev->key() == Qt::Key_Escape) {
        Cancelar();
        return;
    }
    QDialog::keyPressEvent(ev);
}

void Lib_FrmCons3::teclaLista(QKeyEvent* k, bool& consumida) {
    consumida = false;
    if (k->key() == Qt::Key_Space && CheckBoxes) return;
    const bool mayus = k->modifiers() & Qt::ShiftModifier;
    const int q = IndiceColumna(QStringLiteral("**Cantidad**")) - 1;
    auto* fila = ListView1->currentItem();
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        Aceptar();
        consumida = true;
    } else if (k->key() == Qt::Key_Insert && mayus && UsaCantidades && fila) {
        const auto r = ui::Actual().InputBox(QStringLiteral("Ingrese la Cantidad del Articulo..."),
                                             QStringLiteral("Carga de Datos"), fila->text(q));
        const double v = shell::G().utilidades.ANumero(r.value_or(QString()));
        if (v != 0) fila->setText(q, QString::number(v, 'f', 2));
        fila->setCheckState(0, Qt::Checked);
        consumida = true;
    } else if (k->key() == Qt::Key_Insert && UsaCantidades && fila) {
        fila->setText(q, QString::number(shell::G().utilidades.ANumero(fila->text(q)) + 1, 'f', 1));
        fila->setCheckState(0, Qt::Checked);
        consumida = true;
    } else if (k->key() == Qt::Key_Delete && !mayus && UsaCantidades && fila) {
        const double v = shell::G().utilidades.ANumero(fila->text(q)) - 1;
        if (v > 0)
            fila->setText(q, QString::number(v, 'f', 1));
        else {
            fila->setCheckState(0, Qt::Unchecked);
            fila->setText(q, QStringLiteral("0.00"));
        }
        consumida = true;
    } else if (!k->text().isEmpty() &&
               ((k->key() >= 47 && k->key() <= 93) || (k->key() >= 97 && k->key() <= 125))) {
        auto* caja = CmbSearch.value(mIndiceBusqueda);
        if (caja) {
            caja->setEditText(caja->currentText() + k->text());
            caja->setFocus();
        }
        consumida = true;
    } else if (k->key() == Qt::Key_Backspace || (k->key() == Qt::Key_Space && !CheckBoxes)) {
        auto* caja = CmbSearch.value(mIndiceBusqueda);
        if (caja) {
            if (k->key() == Qt::Key_Space) caja->setEditText(caja->currentText() + QLatin1Char(' '));
            caja->setFocus();
        }
        consumida = true;
    }
}

bool Lib_FrmCons3::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == ListView1 && evento->type() == QEvent::KeyPress) {
        bool consumida = false;
        plataforma::Rutina r(QStringLiteral("ListView1_KeyDown"), shell::informarConMensajeError());
        r.paso([&] { teclaLista(static_cast<QKeyEvent*>(evento), consumida); });
        if (consumida) return true;
    }
    for (int i = 0; i < CmbSearch.size(); ++i) {
        if (objeto != CmbSearch[i] && objeto != CmbSearch[i]->lineEdit()) continue;
        if (evento->type() == QEvent::FocusIn) {
            mIndiceBusqueda = i;
            CmbSearch[i]->setStyleSheet(QStringLiteral("QComboBox { background: #00ffff; }"));
        } else if (evento->type() == QEvent::FocusOut) {
            CmbSearch[i]->setStyleSheet(QStringLiteral("QComboBox { background: white; }"));
        } else if (evento->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(evento);
            if (k->key() == Qt::Key_F5) {
                acotarConF5(i);
                return true;
            }
            if (k->key() == Qt::Key_Down || k->key() == Qt::Key_Up || k->key() == Qt::Key_PageDown ||
                k->key() == Qt::Key_PageUp) {
                ListView1->setFocus();
                return true;
            }
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                Aceptar();
                return true;
            }
            if (k->key() == Qt::Key_Escape) {
                Cancelar();
                return true;
            }
        }
    }
    return QDialog::eventFilter(objeto, evento);
}

} // namespace lookup
