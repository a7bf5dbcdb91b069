#pragma once
// The cheque-book list window: the program's start-up object. It runs the
// start-up sequence, shows every cheque book in the paged grid, opens the
// record editor on the selected one and ends the program when closed.

#include <QWidget>
#include <functional>

class QToolButton;

namespace grid {
class KvDbGrid;
}

namespace shell {

class FrmChequerasGrid : public QWidget {
    Q_OBJECT
public:
    explicit FrmChequerasGrid(QWidget* padre = nullptr);

    static const QString kConsulta;

    // Command buttons with a picture above the caption.
    QToolButton* cmdCargar = nullptr;
    QToolButton* cmdEdit = nullptr;
    QToolButton* cmdHistorial = nullptr;
    QToolButton* cmdSalir = nullptr;
    grid::KvDbGrid* KvDbGrid1 = nullptr;

    // Load handler: start-up, skin, first load.
    void Form_Load();
    void Cargar();
    void editar();
    // The selected cheque book's history.
    void historial();
    void Salir();

    // The record editor, installed by the editor module: it receives the
    // bank, series and control number and is shown modally.
    using Editor = std::function<void(const QString& banco, const QString& serie, const QString& talonario)>;
    static void registrarEditor(Editor f);

    // The smallest size at which every control shows whole.
    QSize minimumSizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* ev) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;
    void resizeEvent(QResizeEvent* ev) override;

private:
    bool mCargando = false;
};

} // namespace shell
