#include "grid/MSHFlexGrid.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

namespace grid {

namespace {

// A header cell's own background (the sorted column's colour) is drawn over
// the section the style paints: a style sheet would otherwise win over it.
class EncabezadoFlex final : public QHeaderView {
public:
    explicit EncabezadoFlex(QWidget* padre)
        : QHeaderView(Qt::Horizontal, padre) {
        setSectionsClickable(true);
    }

protected:
    void paintSection(QPainter* p, const QRect& rect, int seccion) const override {
        QHeaderView::paintSection(p, rect, seccion);
        if (!model() || !rect.isValid()) return;
        const QVariant fondo = model()->headerData(seccion, orientation(), Qt::BackgroundRole);
        const QBrush brocha = fondo.value<QBrush>();
        if (!fondo.isValid() || brocha.style() == Qt::NoBrush) return;
        p->save();
        // The style may leave the painter clipped to nothing after the section.
        p->setClipRect(rect);
        p->fillRect(rect.adjusted(1, 1, -1, -1), brocha);
        const QVariant letra = model()->headerData(seccion, orientation(), Qt::FontRole);
        p->setFont(letra.isValid() ? letra.value<QFont>() : font());
        p->setPen(palette().color(QPalette::ButtonText));
        p->drawText(rect.adjusted(4, 0, -4, 0), static_cast<int>(defaultAlignment()) | Qt::TextSingleLine,
                    model()->headerData(seccion, orientation(), Qt::DisplayRole).toString());
        p->restore();
    }
};

} // namespace

MSHFlexGrid::MSHFlexGrid(QWidget* padre)
    : QTableWidget(padre) {
    setHorizontalHeader(new EncabezadoFlex(this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(20);
    horizontalHeader()->setHighlightSections(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setColumnCount(2);
    setRowCount(1);

    // The fixed column: a second view of the same cells showing column 0
    // alone, laid over the grid's left edge; it scrolls down with the grid
    // and never sideways.
    mFija = new QTableView(this);
    mFija->setObjectName(QStringLiteral("columnaFija"));
    mFija->setModel(model());
    mFija->setSelectionModel(selectionModel());
    mFija->setHorizontalHeader(new EncabezadoFlex(mFija));
    mFija->horizontalHeader()->setHighlightSections(false);
    mFija->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    mFija->verticalHeader()->hide();
    mFija->verticalHeader()->setDefaultSectionSize(20);
    mFija->setFocusPolicy(Qt::NoFocus);
    mFija->setSelectionMode(QAbstractItemView::SingleSelection);
    mFija->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mFija->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mFija->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mFija->setFrameShape(QFrame::NoFrame);
    viewport()->stackUnder(mFija);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int seccion, int, int ancho) {
        if (seccion == 0) {
            mFija->setColumnWidth(0, ancho);
            ajustarColumnaFija();
        }
    });
    connect(verticalHeader(), &QHeaderView::sectionResized, mFija,
            [this](int fila, int, int alto) { mFija->setRowHeight(fila, alto); });
    connect(mFija->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, mFija->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(model(), &QAbstractItemModel::columnsInserted, this, [this] { ajustarColumnaFija(); });
    connect(model(), &QAbstractItemModel::columnsRemoved, this, [this] { ajustarColumnaFija(); });
    ajustarColumnaFija();
    connect(this, &QTableWidget::currentCellChanged, this, [this](int fila, int col, int, int) {
        if (mCambiando) return;
        if (fila >= 0) {
            emit celdaSalida();
            mRow = fila + 1;
            mCol = col;
            emit celdaEntrada();
        }
    });
}

void MSHFlexGrid::setRows(int n) {
    setRowCount(qMax(0, n - 1));
    if (mRow > rowCount()) mRow = rowCount();
}

void MSHFlexGrid::setCols(int n) {
    setColumnCount(qMax(0, n));
}

int MSHFlexGrid::Row() const {
    return mRow;
}

void MSHFlexGrid::setRow(int r) {
    mRow = r;
    if (r >= 1 && r <= rowCount()) {
        mCambiando = true;
        setCurrentCell(r - 1, qBound(0, mCol, columnCount() - 1));
        mCambiando = false;
    }
}

void MSHFlexGrid::setCol(int c) {
    mCol = c;
    if (mRow >= 1 && mRow <= rowCount() && c < columnCount()) {
        mCambiando = true;
        setCurrentCell(mRow - 1, c);
        mCambiando = false;
    }
}

QTableWidgetItem* MSHFlexGrid::celda(int r, int c) {
    if (c < 0 || c >= columnCount()) return nullptr;
    if (r == 0) {
        if (!horizontalHeaderItem(c)) setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
        return horizontalHeaderItem(c);
    }
    if (r < 1 || r > rowCount()) return nullptr;
    if (!item(r - 1, c)) {
        auto* it = new QTableWidgetItem;
        if (c == 0) it->setBackground(palette().button());
        setItem(r - 1, c, it);
    }
    return item(r - 1, c);
}

const QTableWidgetItem* MSHFlexGrid::celda(int r, int c) const {
    if (c < 0 || c >= columnCount()) return nullptr;
    if (r == 0) return horizontalHeaderItem(c);
    if (r < 1 || r > rowCount()) return nullptr;
    return item(r - 1, c);
}

QString MSHFlexGrid::TextMatrix(int r, int c) const {
    const auto* it = celda(r, c);
    return it ? it->text() : QString();
}

void MSHFlexGrid::setTextMatrix(int r, int c, const QString& texto) {
    if (auto* it = celda(r, c)) it->setText(texto);
}

void MSHFlexGrid::setCellBackColor(const QColor& color) {
    if (auto* it = celda(mRow, mCol)) it->setBackground(color);
}

QColor MSHFlexGrid::CellBackColor() const {
    return colorCelda(mRow, mCol);
}

QColor MSHFlexGrid::colorCelda(int r, int c) const {
    const auto* it = celda(r, c);
    if (!it || it->background().style() == Qt::NoBrush) return QColor(Qt::white);
    return it->background().color();
}

void MSHFlexGrid::setColorEncabezado(int c, const QColor& color) {
    if (auto* it = celda(0, c)) it->setBackground(color.isValid() ? QBrush(color) : QBrush());
}

void MSHFlexGrid::ajustarColumnaFija() {
    for (int c = 1; c < model()->columnCount(); ++c)
        mFija->setColumnHidden(c, true);
    mFija->setColumnHidden(0, model()->columnCount() == 0);
    mFija->setColumnWidth(0, columnWidth(0));
    const int marco = frameWidth();
    mFija->setGeometry(marco, marco, columnCount() > 0 ? columnWidth(0) : 0,
                       viewport()->height() + horizontalHeader()->height());
    mFija->setVisible(columnCount() > 0 && columnWidth(0) > 0);
}

void MSHFlexGrid::resizeEvent(QResizeEvent* ev) {
    QTableWidget::resizeEvent(ev);
    ajustarColumnaFija();
}

void MSHFlexGrid::updateGeometries() {
    QTableWidget::updateGeometries();
    if (mFija) ajustarColumnaFija();
}

// Moving left, a column that would slide under the fixed one is scrolled into sight.
QModelIndex MSHFlexGrid::moveCursor(CursorAction accion, Qt::KeyboardModifiers modificadores) {
    const QModelIndex actual = QTableWidget::moveCursor(accion, modificadores);
    if (actual.column() > 0 && visualRect(actual).left() < columnWidth(0)) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + visualRect(actual).left() -
                                        columnWidth(0));
    }
    return actual;
}

void MSHFlexGrid::setCellFontBold(bool negrita) {
    if (auto* it = celda(mRow, mCol)) {
        QFont f = it->font();
        f.setBold(negrita);
        it->setFont(f);
    }
}

bool MSHFlexGrid::CellFontBold() const {
    const auto* it = celda(mRow, mCol);
    return it && it->font().bold();
}

void MSHFlexGrid::Clear() {
    clearContents();
    for (int c = 0; c < columnCount(); ++c)
        if (auto* h = horizontalHeaderItem(c)) h->setText(QString());
}

int MSHFlexGrid::TextWidth(const QString& texto) const {
    return fontMetrics().horizontalAdvance(texto) * 15;
}

} // namespace grid
