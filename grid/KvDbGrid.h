#pragma once
// KvDbGrid: shows the result of one SELECT page by page, with the paging done
// in SQL; searching, sorting, page size, column fitting and export.

#include "grid/ComposicionSql.h"
#include "grid/MSHFlexGrid.h"

#include <QList>
#include <QPair>
#include <QVariant>
#include <QWidget>
#include <functional>

namespace datos {
struct PaginaLeida;
}

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace grid {

class KvDbGrid : public QWidget {
    Q_OBJECT
public:
    explicit KvDbGrid(QWidget* padre = nullptr);
    // Both bars whole, the status line and a few rows of the grid.
    QSize minimumSizeHint() const override;

    // ---- public fields
    MSHFlexGrid* MsFlexGrid = nullptr;
    QLineEdit* TxtEdit = nullptr;
    QString pConnString;
    bool pColorIntercalado = false;
    bool pPintaFilaSel = false;

    // ---- properties
    QString ConString() const { return pConnString; }
    void setConString(const QString& cadena);
    QString sql() const { return mEstado.sql; }
    void setSql(const QString& s) { mEstado.sql = s + QLatin1Char(' '); }
    QString PrimaryKey() const { return mEstado.PrimaryKey; }
    void setPrimaryKey(const QString& k) { mEstado.PrimaryKey = k; }
    int16_t Find() const { return mEstado.Find; }
    void setFind(int16_t v);
    int16_t Order() const { return mEstado.Order; }
    void setOrder(int16_t v);
    int AlignCommandBar() const { return mAlignCommandBar; }
    void setAlignCommandBar(int v);
    int AlignFilterBar() const { return mAlignFilterBar; }
    void setAlignFilterBar(int v);
    int PageSize() const { return mEstado.PageSize; }
    void setPageSize(int v) { mEstado.PageSize = v; }
    bool AnchoColFijo() const { return mAnchoColFijo; }
    void setAnchoColFijo(bool v) { mAnchoColFijo = v; }
    QString CamposSel() const { return mEstado.CamposSel; }
    void setCamposSel(const QString& v) { mEstado.CamposSel = v; }
    QString Campos() const { return mEstado.Campos; }
    void setCampos(const QString& v) { mEstado.Campos = v; }
    QString OrdinalSel() const { return mOrdinalSel; }
    void setOrdinalSel(const QString& v) { mOrdinalSel = v; }
    bool Columnas() const { return mColumnas; }
    void setColumnas(bool v) { mColumnas = v; }
    bool OcultarOrdenar() const { return mOcultarOrdenar; }
    void setOcultarOrdenar(bool v) { mOcultarOrdenar = v; }
    QString OrderBy() const { return mEstado.OrderBy; }
    void setOrderBy(const QString& v) { mEstado.OrderBy = v; }
    int16_t OrdenSent() const { return mEstado.OrdenSent; }
    void setOrdenSent(int16_t v) { mEstado.OrdenSent = v; }
    int PaginaActual() const { return mPaginaActual; }
    int UltimaPagina() const { return mUltimaPagina; }
    int16_t FormatDate() const { return mEstado.FormatDate; }
    void setFormatDate(int16_t v) { mEstado.FormatDate = v; }

    // Design-time persistence: keys in lower case, in the stored order.
    QList<QPair<QString, QVariant>> guardarPropiedades() const;
    void leerPropiedades(const QList<QPair<QString, QVariant>>& conjunto);
    // A control placed anew (the defaults of a new control).
    void valoresNuevos();

    // ---- methods
    void LoadKvDBGrid();
    QString EquiCampo(const QString& Campo, bool Equivalencia) const;
    void Inicializa();
    void LeerCampos();
    void GrabaCampos();
    void cmdColumnas_Click();
    void ImgOrdenAsc_Click();
    void ImgOrdenDesc_Click();
    void ImgOrdenN_Click();
    void CargarGrid();
    void AsignarOrdinal();
    void AjustarColumnas();
    void CargarPagina(int Cual);
    void CargarPaginas();
    void CargarCampos();
    void BuscarTexto();

    // Commands, public for hosts and tests.
    void cmdPrimero_Click();
    void cmdAnterior_Click();
    void cmdSiguiente_Click();
    void cmdUltimo_Click();
    void Actualizar();
    void CmdCancel_Click() { mCancelarCarga = true; }
    void buscarPor(int indice);
    void ordenarPor(int indice);
    void CboRegistros_Enter();

    // State the tests and the host read.
    const EstadoConsulta& estado() const { return mEstado; }
    QString sentenciaConteo() const { return mSqlConteo; }
    QString ultimaSentenciaPagina() const { return mUltimaSentencia; }
    bool cancelarCarga() const { return mCancelarCarga; }
    void setCancelarCarga(bool v) { mCancelarCarga = v; }

    // The spreadsheet export, installed by the export module:
    // (statement, show, title, subtitle, file, ...) as the export takes them.
    using Exportador = std::function<void(const QString& sentencia)>;
    static void registrarExportador(Exportador f);

    // Sub-controls.
    QLineEdit* txtBuscar = nullptr;
    QComboBox* CboRegistros = nullptr;
    QComboBox* CboFiltroCampo = nullptr;
    QComboBox* cboPagSelect = nullptr;
    QLabel* lblPaginas = nullptr;
    QLabel* StatusBar1 = nullptr;
    QProgressBar* Pbar = nullptr;
    QPushButton* CmdCancel = nullptr;
    QPushButton* cmdColumnas = nullptr;
    QPushButton* cmdPrimero = nullptr;
    QPushButton* cmdAnterior = nullptr;
    QPushButton* cmdSiguiente = nullptr;
    QPushButton* cmdUltimo = nullptr;
    QToolButton* btnBuscar = nullptr;
    QToolButton* btnActualizar = nullptr;
    QToolButton* btnAjustar = nullptr;
    QToolButton* btnExcel = nullptr;
    QToolButton* Toolbar2 = nullptr;
    QToolButton* ImgOrdenN = nullptr;
    QToolButton* ImgOrdenAsc = nullptr;
    QToolButton* ImgOrdenDesc = nullptr;
    QMenu* menuBuscar = nullptr;
    QMenu* menuOrden = nullptr;
    QFrame* FrmFiltros = nullptr;
    QFrame* FrmComandos = nullptr;

signals:
    void PaginaCargada(int16_t PageNumber);
    void ColumnasAjustadas();
    void MsFlexGridClick();
    void MsFlexGridDblClick();
    void MsFlexGridGotFocus();
    void MsFlexGridLostFocus();
    void MsFlexGridEnterCell();
    void MSFlexGridKeyDown(int16_t KeyCode, int16_t Shift);
    void MSFlexGridKeyPress(int16_t KeyAscii);
    void MSFlexGridLeaveCell();
    void MSFlexGridMouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void MSFlexGridRowColChange();
    void MSFlexGridKeyUp(int16_t KeyCode, int16_t Shift);
    void txtEditChange();
    void txtEditClick();
    void txtEditDblClick();
    void txtEditGotFocus();
    void txtEditLostFocus();
    void txtEditKeyDown(int16_t KeyCode, int16_t Shift);
    void txtEditKeyPress(int16_t KeyAscii);
    void txtEditMouseDown(int16_t Button, int16_t Shift, float X, float Y);

protected:
    void resizeEvent(QResizeEvent* ev) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void MostrarPagina();
    void SincronizarControles();
    void teclaGrilla(int tecla);
    void marcar(QMenu* menu, int indice);
    void paginaElegida(int indice);
    void progreso(int valor);
    void construir();
    void disponer();
    void dibujarPagina(const datos::PaginaLeida& pagina);

    EstadoConsulta mEstado;
    int mAlignCommandBar = 2;
    int mAlignFilterBar = 1;
    bool mAnchoColFijo = false;
    QString mOrdinalSel;
    bool mColumnas = false;
    bool mOcultarOrdenar = false;
    int mPaginaActual = 1;
    int mUltimaPagina = 0;
    qint64 mTotalRegistros = 0;
    QString mSqlConteo;
    QString mUltimaSentencia;
    int mColOrden = 0;
    bool mOcupado = false;
    bool mCancelarCarga = false;
    int mVecesArriba = 0;
    int mVecesAbajo = 0;
};

} // namespace grid
