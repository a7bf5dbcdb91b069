#pragma once
// The tree lookup dialog: codes nested by code (or the family tree), one
// search box, the chosen node's code or the checked nodes' codes.

#include <QDialog>
#include <QVariant>

class QComboBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace lookup {

class Lib_FrmCons3Tree : public QDialog {
    Q_OBJECT
public:
    explicit Lib_FrmCons3Tree(QWidget* padre = nullptr);

    QString sql;
    QString CampoDevuelto;
    bool CheckBoxes = false;
    QVariant ValorDevuelto;
    QStringList Valores;

    QTreeWidget* TreeV = nullptr;
    QComboBox* CmbSearch0 = nullptr;
    QPushButton* CmdAceptar = nullptr;
    QPushButton* CmdCancelar = nullptr;
    QPushButton* CmdNueva = nullptr;

    void Cargar();
    void ArmarTreeVFamilias();
    void ArmarTreeVAutomatico();
    void Buscar(const QString& texto);
    void acotarConF5();
    void Aceptar();
    void Cancelar();
    QTreeWidgetItem* nodo(const QString& clave) const;
    static QString codigoDe(const QTreeWidgetItem* n);

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;
    // Esc and the close box cancel as "&Cancelar" does.
    void reject() override;
    void showEvent(QShowEvent* ev) override;

private:
    QTreeWidgetItem* raiz();
    void propagar(QTreeWidgetItem* n, int niveles);
    bool mCargado = false;
    bool mPropagando = false;
    QString mBaseF5;
};

} // namespace lookup
