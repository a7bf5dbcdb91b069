#pragma once
// The list lookup dialog: the rows of a statement in a report list with one
// search box per column; typing selects, F5 narrows the query, Enter returns
// the chosen row's value in the column CampoDevuelto.

#include <QDialog>
#include <QVariant>
#include <QVector>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace ado {
class Recordset;
}

namespace lookup {

class Lib_FrmCons3 : public QDialog {
    Q_OBJECT
public:
    explicit Lib_FrmCons3(QWidget* padre = nullptr);
    ~Lib_FrmCons3() override;

    // Public members, in the order the service sets them.
    QVariant StkNivel1, StkNivel2, StkNivel3, StkNivel4;
    QString MuestraStock;
    QString sql;
    QString CampoDevuelto;
    QStringList CmpsDevueltos;
    bool CheckBoxes = false;
    QString gConnString;
    QVariant ValorDevuelto;
    QString FiltroInicial;
    QString CampoBusqueda;
    bool OrdenarPorLwv = false;
    QStringList Valores;
    QStringList Cantidades;
    bool UsaCantidades = false;
    QString ValoresDefault;
    bool CfgUsaConsultaLIKE = false;
    // The rows are given by the caller (the service's choosers): no load on showing.
    bool CargaManual = false;

    // Controls.
    QPushButton* CmdNuevo = nullptr;
    QPushButton* CmdTodos = nullptr;
    QLabel* Label1 = nullptr;
    QWidget* picFields = nullptr;
    QVector<QComboBox*> CmbSearch;
    QTreeWidget* ListView1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QFrame* Frame1 = nullptr;
    QPushButton* CmdAceptar = nullptr;
    QPushButton* CmdCancelar = nullptr;
    QPushButton* CmdNueva = nullptr;

    // Operations.
    void Cargar(); // the window's load
    void Leer(ado::Recordset& rs);
    void Encolumnar(ado::Recordset& rs);
    void CalcularAncho();
    int IndiceColumna(const QString& Columna) const;
    int Busqueda(int Clave, const QString& QueValor) const;
    void acotarConF5(int caja);
    void nuevaBusqueda();
    void Aceptar();
    void Cancelar();
    void Marcar();
    void Nuevo();
    void clicEnColumna(int columna);
    void reportarFaltante();

    QString tablaConsulta() const { return mTablaConsulta; }
    QString sqlInicial() const { return mSqlInicial; }
    QStringList columnasFiltradas() const;
    int indiceBusqueda() const { return mIndiceBusqueda; }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;
    void keyPressEvent(QKeyEvent* ev) override;
    void resizeEvent(QResizeEvent* ev) override;
    void showEvent(QShowEvent* ev) override;

private:
    QComboBox* crearCaja(int indice);
    void busquedaIncremental(int caja);
    void anchosGuardados();
    QString valorDeFila(QTreeWidgetItem* fila, int n) const;
    void teclaLista(QKeyEvent* k, bool& consumida);
    void disponer();

    QString mTablaConsulta;
    QString mSqlInicial;
    int mIndiceBusqueda = 0;
    bool mEsArticulos = false;
    bool mCargado = false;
    bool mOrdenDescendente = false;
    QVector<QString> mColumnaDeCaja;
};

} // namespace lookup
