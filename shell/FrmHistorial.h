#pragma once
// The history of the cheque books (who changed what, when, from which
// machine) in the paged grid, newest first: paging, search, sort and export
// come with the grid.

#include <QDialog>

namespace grid {
class KvDbGrid;
}

namespace shell {

class FrmHistorial : public QDialog {
    Q_OBJECT
public:
    // `idChequera` < 0: every cheque book's history; `chequera` names the one shown.
    FrmHistorial(qint64 idChequera, const QString& chequera, QWidget* padre = nullptr);
    // The grid's statement for one cheque book, or for all.
    static QString consulta(qint64 idChequera);
    void Cargar();

    grid::KvDbGrid* KvDbGrid1 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* ev) override;

private:
    qint64 mId;
};

// Shows it modally over the active window.
void mostrarHistorial(qint64 idChequera, const QString& chequera);

} // namespace shell
