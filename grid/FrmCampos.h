#pragma once
// The column chooser: the user ticks the grid's columns and puts them in order.

#include <QDialog>

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QToolButton;

namespace grid {

class FrmCampos : public QDialog {
    Q_OBJECT
public:
    explicit FrmCampos(QWidget* padre = nullptr);

    // Set by the grid before showing, read after closing.
    QString gCampos;
    QString gCamposOrden;
    QString gCamposSel;
    QString gOrdinalSel;
    bool Cancelar = false;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* LstLista = nullptr;
    QToolButton* ImgSube = nullptr;
    QToolButton* ImgBaja = nullptr;
    QPushButton* CmdAll = nullptr;
    QPushButton* CmdAplica = nullptr;
    QToolButton* ImgCancelar = nullptr;
    QFrame* Shape1 = nullptr;

    void Form_Load();
    void Aplicar();
    void Todos();
    void subir();
    void bajar();
    void Cerrar();

protected:
    void showEvent(QShowEvent* ev) override;
    bool eventFilter(QObject* objeto, QEvent* ev) override;
    void reject() override;

private:
    void agregar(const QString& texto, bool marcada);
    void mover(int destino);
    QString mCampoClave;
    bool mCargada = false;
};

} // namespace grid
