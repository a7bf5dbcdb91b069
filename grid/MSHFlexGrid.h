#pragma once
// The flex grid the paged grid is built on: row 0 holds the column headers,
// column 0 is fixed and holds the running row number. Sizes are in twips
// (15 to a pixel), as the grid's callers reckon them.

#include <QColor>
#include <QTableWidget>

class QTableView;

namespace grid {

class MSHFlexGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit MSHFlexGrid(QWidget* padre = nullptr);

    int Rows() const { return rowCount() + 1; }
    void setRows(int n);
    int Cols() const { return columnCount(); }
    void setCols(int n);
    int Row() const;
    void setRow(int r);
    int Col() const { return mCol; }
    void setCol(int c);
    QString TextMatrix(int r, int c) const;
    void setTextMatrix(int r, int c, const QString& texto);
    int ColWidth(int c) const { return columnWidth(c) * 15; }
    void setColWidth(int c, int twips) { setColumnWidth(c, qMax(0, twips / 15)); }
    // Background and bold flag of the current cell.
    void setCellBackColor(const QColor& color);
    QColor CellBackColor() const;
    void setCellFontBold(bool negrita);
    bool CellFontBold() const;
    QColor colorCelda(int r, int c) const;
    // A header's background; an invalid colour leaves the style's own.
    void setColorEncabezado(int c, const QColor& color);
    void Clear();
    // Text width in twips, measured with the grid's font.
    int TextWidth(const QString& texto) const;

signals:
    void celdaEntrada();
    void celdaSalida();

protected:
    void resizeEvent(QResizeEvent* ev) override;
    QModelIndex moveCursor(CursorAction accion, Qt::KeyboardModifiers modificadores) override;
    void updateGeometries() override;

private:
    void ajustarColumnaFija();
    // Column 0, the row numbers, drawn over the grid where it does not scroll sideways.
    QTableView* mFija = nullptr;
    QTableWidgetItem* celda(int r, int c);
    const QTableWidgetItem* celda(int r, int c) const;
    int mRow = 0;
    int mCol = 0;
    bool mCambiando = false;
};

} // namespace grid
