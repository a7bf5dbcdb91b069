#include "shell/FrmChequerasGrid.h"

#include "data/DB_Dll.h"
#include "grid/KvDbGrid.h"
#include "shell/FrmHistorial.h"
#include "shell/Inicio.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

namespace shell {

namespace {
int px(int twips) {
    return twips / 15;
}
FrmChequerasGrid::Editor& editor() {
    static FrmChequerasGrid::Editor e;
    return e;
}
} // namespace

const QString FrmChequerasGrid::kConsulta = QStringLiteral(
    "SELECT Talonario,IDBANCO,DESCRIPCION,SERIE,NUMERO_DESDE,NUMERO_HASTA,CuentaBanco,CuentaBancoDiferido "
    "FROM "
    "VT_Chequeras");

void FrmChequerasGrid::registrarEditor(Editor f) {
    editor() = std::move(f);
}

FrmChequerasGrid::FrmChequerasGrid(QWidget* padre)
    : QWidget(padre) {
    setObjectName(QStringLiteral("FrmChequerasGrid"));
    setWindowTitle(QStringLiteral("Quenzar"));
    resize(px(10875), px(6540));
    auto boton = [&](const char* nombre, const QString& texto, const QString& tip, int left,
                     QStyle::StandardPixmap icono) {
        auto* b = new QToolButton(this);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setObjectName(QLatin1String(nombre));
        b->setText(texto);
        b->setToolTip(tip);
        b->setIcon(style()->standardIcon(icono));
        b->setIconSize(QSize(32, 32));
        b->setGeometry(px(left), px(-15), px(1275), px(1050));
        return b;
    };
    cmdCargar = boton("cmdCargar", QStringLiteral("[F1] Cargar"), QStringLiteral("Cargar Grilla"), 0,
                      QStyle::SP_BrowserReload);
    cmdEdit = boton("cmdEdit", QStringLiteral("[F2] ABM"), QStringLiteral("Altas, Bajas y Modificaciones"),
                    1260, QStyle::SP_FileDialogDetailedView);
    cmdHistorial =
        boton("cmdHistorial", QStringLiteral("[F9] Historial"),
              QStringLiteral("Historial de la chequera elegida"), 2520, QStyle::SP_FileDialogInfoView);
    cmdSalir = boton("cmdSalir", QStringLiteral("[ESC] Salir"), QStringLiteral("Salir"), 3780,
                     QStyle::SP_DialogCloseButton);
    KvDbGrid1 = new grid::KvDbGrid(this);
    KvDbGrid1->setObjectName(QStringLiteral("KvDbGrid1"));
    KvDbGrid1->setGeometry(0, px(1080), px(10815), px(5415));
    // The stored set of this window's grid.
    KvDbGrid1->leerPropiedades({{QStringLiteral("sql"), QString()},
                                {QStringLiteral("primarykey"), QStringLiteral("ID")},
                                {QStringLiteral("pagesize"), 5},
                                {QStringLiteral("anchocolfijo"), true},
                                {QStringLiteral("columnas"), false},
                                {QStringLiteral("ocultarordenar"), false},
                                {QStringLiteral("ordensent"), 0},
                                {QStringLiteral("formatdate"), 103}});
    // Key preview: the window sees the keys before its controls.
    qApp->installEventFilter(this);
    connect(cmdCargar, &QToolButton::clicked, this, &FrmChequerasGrid::Cargar);
    connect(cmdEdit, &QToolButton::clicked, this, &FrmChequerasGrid::editar);
    connect(cmdHistorial, &QToolButton::clicked, this, &FrmChequerasGrid::historial);
    connect(cmdSalir, &QToolButton::clicked, this, &FrmChequerasGrid::Salir);
    // A double click on a cheque book opens it, as F2 does.
    connect(KvDbGrid1, &grid::KvDbGrid::MsFlexGridDblClick, this, &FrmChequerasGrid::editar);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void FrmChequerasGrid::Form_Load() {
    QString cadena;
    IniciarAplicacion(QString(), cadena, 3);
    AplicarEstilo(this);
    Cargar();
}

void FrmChequerasGrid::Cargar() {
    // A load lets pending input run while it counts: F1 held down or pressed
    // again meanwhile would start a load inside the load, as deep as the keys
    // come. The load in progress already shows the list as it is.
    if (mCargando) return;
    const QScopedValueRollback<bool> cargando(mCargando, true);
    KvDbGrid1->setSql(kConsulta);
    KvDbGrid1->setPageSize(10);
    KvDbGrid1->LoadKvDBGrid();
    // The page label's text is what it is now: the window may not shrink below it.
    setMinimumSize(minimumSizeHint());
}

QSize FrmChequerasGrid::minimumSizeHint() const {
    // The command buttons across the top, the grid's bars and a few rows below them.
    const int botones = cmdSalir->geometry().right() + 1;
    const QSize grilla = KvDbGrid1->minimumSizeHint();
    return {qMax(botones, grilla.width()) + px(15), px(1080) + grilla.height() + px(400)};
}

void FrmChequerasGrid::editar() {
    auto* g = KvDbGrid1->MsFlexGrid;
    const int fila = g->Row();
    // An empty list has no cheque book to hand over.
    if (fila < 1 || g->TextMatrix(fila, 1).trimmed().isEmpty()) return;
    const QString banco = g->TextMatrix(fila, 2).trimmed();
    const QString serie = g->TextMatrix(fila, 4);
    const QString talonario = g->TextMatrix(fila, 1);
    if (!editor()) return;
    editor()(banco, serie, talonario);
    Cargar();
}

void FrmChequerasGrid::historial() {
    auto* g = KvDbGrid1->MsFlexGrid;
    const int fila = g->Row();
    if (fila < 1 || g->TextMatrix(fila, 1).trimmed().isEmpty()) return;
    const QString banco = g->TextMatrix(fila, 2).trimmed();
    const QString serie = g->TextMatrix(fila, 4).trimmed();
    const QString talonario = g->TextMatrix(fila, 1).trimmed();
    bool numero = false;
    talonario.toLongLong(&numero);
    if (!numero) return;
    auto comillas = [](QString v) { return v.replace(QLatin1Char('\''), QLatin1String("''")); };
    const QVariant id = datos::gDB().DatosTabla(
        QStringLiteral("V_TA_QUENZAR"), talonario, QStringLiteral("ID"), QStringLiteral("TALONARIO"), 3,
        QStringLiteral("IDBANCO = '%1' AND SERIE = '%2'").arg(comillas(banco), comillas(serie)), false,
        false);
    if (id.isNull() || id.toString().trimmed().isEmpty()) return;
    mostrarHistorial(id.toLongLong(), banco + QLatin1Char('/') + serie + QLatin1Char('/') + talonario);
}

void FrmChequerasGrid::Salir() {
    close();
}

void FrmChequerasGrid::keyPressEvent(QKeyEvent* ev) {
    QWidget::keyPressEvent(ev);
}

bool FrmChequerasGrid::eventFilter(QObject* objeto, QEvent* evento) {
    if (evento->type() == QEvent::KeyPress && isActiveWindow()) {
        auto* w = qobject_cast<QWidget*>(objeto);
        if (w && (w == this || isAncestorOf(w))) {
            switch (static_cast<QKeyEvent*>(evento)->key()) {
            case Qt::Key_F1:
                Cargar();
                return true;
            case Qt::Key_F2:
                editar();
                return true;
            case Qt::Key_F9:
                historial();
                return true;
            case Qt::Key_Escape:
                Salir();
                return true;
            default:
                break;
            }
        }
    }
    return QWidget::eventFilter(objeto, evento);
}

void FrmChequerasGrid::resizeEvent(QResizeEvent* ev) {
    QWidget::resizeEvent(ev);
    const int ancho = frameGeometry().width() * 15 - 15;
    const int alto = frameGeometry().height() * 15 - 1080 - 400;
    // A window smaller than the grid's top keeps the last valid height.
    if (alto > 0)
        KvDbGrid1->resize(px(ancho), px(alto));
    else
        KvDbGrid1->resize(px(ancho), KvDbGrid1->height());
}

} // namespace shell
