#include "grid/FrmCampos.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace grid {

namespace {

QString sinCorchetes(QString t) {
    return t.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
}

} // namespace

FrmCampos::FrmCampos(QWidget* padre)
    : QDialog(padre, Qt::FramelessWindowHint | Qt::Dialog) {
    setObjectName(QStringLiteral("FrmCampos"));
    setModal(true);
    setFixedSize(3645 / 15, 3180 / 15);
    auto* marco = new QFrame(this);
    marco->setFrameShape(QFrame::Box);
    auto* fuera = new QVBoxLayout(this);
    fuera->setContentsMargins(0, 0, 0, 0);
    fuera->addWidget(marco);
    auto* l = new QVBoxLayout(marco);
    l->setContentsMargins(4, 2, 4, 4);
    l->setSpacing(3);

    auto* titulo = new QHBoxLayout;
    Label1 = new QLabel(QStringLiteral("Seleccionar Columnas"), marco);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = Label1->font();
    f.setBold(true);
    Label1->setFont(f);
    Label1->setMouseTracking(true);
    titulo->addWidget(Label1, 1);
    Shape1 = new QFrame(marco);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    auto* cierre = new QHBoxLayout(Shape1);
    cierre->setContentsMargins(1, 1, 1, 1);
    ImgCancelar = new QToolButton(Shape1);
    ImgCancelar->setObjectName(QStringLiteral("ImgCancelar"));
    ImgCancelar->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    ImgCancelar->setToolTip(QStringLiteral("Cerrar"));
    ImgCancelar->setAutoRaise(true);
    cierre->addWidget(ImgCancelar);
    // The hover frame shows only while the pointer is over the close image.
    Shape1->setFrameShape(QFrame::NoFrame);
    titulo->addWidget(Shape1);
    l->addLayout(titulo);

    Label2 = new QLabel(QStringLiteral("Control o Mayúscula para selección Múltiple"), marco);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    l->addWidget(Label2);

    auto* medio = new QHBoxLayout;
    LstLista = new QListWidget(marco);
    LstLista->setObjectName(QStringLiteral("LstLista"));
    LstLista->setSelectionMode(QAbstractItemView::ExtendedSelection);
    medio->addWidget(LstLista, 1);
    auto* flechas = new QVBoxLayout;
    ImgSube = new QToolButton(marco);
    ImgSube->setObjectName(QStringLiteral("ImgSube"));
    ImgSube->setArrowType(Qt::UpArrow);
    ImgSube->setToolTip(QStringLiteral("Subir"));
    ImgBaja = new QToolButton(marco);
    ImgBaja->setObjectName(QStringLiteral("ImgBaja"));
    ImgBaja->setArrowType(Qt::DownArrow);
    ImgBaja->setToolTip(QStringLiteral("Bajar"));
    flechas->addStretch();
    flechas->addWidget(ImgSube);
    flechas->addWidget(ImgBaja);
    flechas->addStretch();
    medio->addLayout(flechas);
    l->addLayout(medio, 1);

    auto* botones = new QHBoxLayout;
    CmdAll = new QPushButton(QStringLiteral("Todos"), marco);
    CmdAll->setObjectName(QStringLiteral("CmdAll"));
    CmdAplica = new QPushButton(QStringLiteral("Aplicar"), marco);
    CmdAplica->setObjectName(QStringLiteral("CmdAplica"));
    CmdAplica->setDefault(true);
    botones->addWidget(CmdAll);
    botones->addWidget(CmdAplica);
    l->addLayout(botones);

    connect(CmdAll, &QPushButton::clicked, this, &FrmCampos::Todos);
    connect(CmdAplica, &QPushButton::clicked, this, &FrmCampos::Aplicar);
    connect(ImgSube, &QToolButton::clicked, this, &FrmCampos::subir);
    connect(ImgBaja, &QToolButton::clicked, this, &FrmCampos::bajar);
    connect(ImgCancelar, &QToolButton::clicked, this, &FrmCampos::Cerrar);
    ImgCancelar->installEventFilter(this);
    Label1->installEventFilter(this);
    marco->installEventFilter(this);
}

void FrmCampos::showEvent(QShowEvent* ev) {
    if (!mCargada) Form_Load();
    QDialog::showEvent(ev);
}

bool FrmCampos::eventFilter(QObject* objeto, QEvent* ev) {
    if (ev->type() == QEvent::Enter && objeto == ImgCancelar) Shape1->setFrameShape(QFrame::Box);
    if ((ev->type() == QEvent::Enter || ev->type() == QEvent::MouseMove) && objeto != ImgCancelar)
        Shape1->setFrameShape(QFrame::NoFrame);
    return QDialog::eventFilter(objeto, ev);
}

void FrmCampos::agregar(const QString& texto, bool marcada) {
    auto* it = new QListWidgetItem(texto, LstLista);
    it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
    it->setCheckState(marcada ? Qt::Checked : Qt::Unchecked);
}

void FrmCampos::Form_Load() {
    mCargada = true;
    Cancelar = false;
    LstLista->clear();
    // The columns shown so far come first, ticked and in order; what is left of the list is the key column.
    QStringList marcadas;
    if (!gCamposSel.trimmed().isEmpty()) {
        if (!gOrdinalSel.trimmed().isEmpty()) {
            const QStringList items = gCamposSel.split(QLatin1Char(','));
            const QStringList ordinales = gOrdinalSel.split(QLatin1Char('|'), Qt::SkipEmptyParts);
            for (int k = 0; k < ordinales.size() && k < items.size(); ++k)
                marcadas << sinCorchetes(items[k]).trimmed();
        } else if (gCamposSel.contains(QLatin1Char('|'))) {
            const QStringList items = gCamposSel.split(QLatin1Char('|'));
            for (int i = 0; i + 1 < items.size(); ++i)
                marcadas << sinCorchetes(items[i]).trimmed();
        }
    }
    for (const QString& m : marcadas)
        agregar(m, true);
    // Every other column follows unticked, each once; the key column, last of all, is taken off below.
    QStringList vistas = marcadas;
    for (const QString& pieza : gCampos.split(QLatin1Char('|'))) {
        const QString item = sinCorchetes(pieza).trimmed();
        if (item.isEmpty() || vistas.contains(item)) continue;
        vistas << item;
        agregar(item, false);
    }
    if (LstLista->count() > 0) {
        mCampoClave = LstLista->item(LstLista->count() - 1)->text();
        delete LstLista->takeItem(LstLista->count() - 1);
    }
    if (LstLista->count() > 0) LstLista->setCurrentRow(0);
}

void FrmCampos::Aplicar() {
    Cancelar = false;
    gCamposSel.clear();
    gOrdinalSel.clear();
    gCamposOrden.clear();
    for (int i = 0; i < LstLista->count(); ++i) {
        const QListWidgetItem* it = LstLista->item(i);
        const QString entrada = QLatin1Char('[') + it->text() + QLatin1Char(']');
        if (it->checkState() == Qt::Checked) {
            gCamposSel += (gCamposSel.isEmpty() ? QString() : QStringLiteral(", ")) + entrada;
            gOrdinalSel += (gOrdinalSel.isEmpty() ? QString() : QStringLiteral("|")) + QString::number(i + 1);
        }
        gCamposOrden += (gCamposOrden.isEmpty() ? QString() : QStringLiteral(", ")) + entrada;
    }
    const QString clave = QLatin1Char('[') + mCampoClave + QLatin1Char(']');
    if (!gCamposSel.trimmed().isEmpty()) gCamposSel += QStringLiteral(", ") + clave;
    gCamposOrden += (gCamposOrden.isEmpty() ? QString() : QStringLiteral(", ")) + clave;
    if (!gOrdinalSel.isEmpty()) gOrdinalSel += QLatin1Char('|');
    accept();
}

void FrmCampos::Todos() {
    for (int i = 0; i < LstLista->count(); ++i)
        LstLista->item(i)->setCheckState(Qt::Checked);
    Aplicar();
}

void FrmCampos::mover(int destino) {
    const int actual = LstLista->currentRow();
    if (actual < 0 || destino < 0 || destino >= LstLista->count()) return;
    // The moved entry is a fresh copy: it arrives unticked.
    const QString texto = LstLista->item(actual)->text();
    delete LstLista->takeItem(actual);
    auto* it = new QListWidgetItem(texto);
    it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
    it->setCheckState(Qt::Unchecked);
    LstLista->insertItem(destino, it);
    LstLista->setCurrentRow(destino);
}

void FrmCampos::subir() {
    mover(LstLista->currentRow() - 1);
}

void FrmCampos::bajar() {
    mover(LstLista->currentRow() + 1);
}

void FrmCampos::Cerrar() {
    reject();
}

void FrmCampos::reject() {
    // Esc closes like the close image.
    Cancelar = true;
    QDialog::reject();
}

} // namespace grid
