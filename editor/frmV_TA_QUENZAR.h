#pragma once
// The cheque-book editor: creates, changes and deletes one cheque book of
// V_TA_QUENZAR at a time. Entry is key-first: bank, series, control number;
// the control number decides between changing an existing cheque book and
// creating a new one.

#include "editor/GrabacionChequera.h"
#include "editor/UtilGem.h"
#include "platform/ado/Ado.h"

#include <QDialog>
#include <QVector>
#include <optional>

class QFrame;
class QLabel;
class QLineEdit;

namespace editor {

class frmV_TA_QUENZAR : public QDialog {
    Q_OBJECT
public:
    explicit frmV_TA_QUENZAR(QWidget* padre = nullptr);
    ~frmV_TA_QUENZAR() override;

    // Controls.
    QVector<QLineEdit*> txtFields;
    QLabel* lblDesc0 = nullptr;
    QLabel* LblDescCta = nullptr;
    QLabel* LblDescCtaDif = nullptr;
    QVector<QLabel*> lblLabels;
    QFrame* Frame1 = nullptr;
    UtilGem* UtilGem1 = nullptr;

    // State.
    ado::Recordset rsDatos;
    QString TablaActiva;
    bool Nuevo = false;
    bool Baja = false;
    bool Modifica = false;
    bool Grabando = false;
    bool HayError = false;
    int CampoActual = 0;

    void Inicializa();
    void AbrirRecordset(const QString& tabla);
    void DetalleOn(bool Off);
    void InicializaDetalle();
    void CampoValida(int index, QLineEdit* Texto);
    bool Datosvalidos();
    void VerRelacion();
    void ejecutarComando(const QString& palabra); // UtilGem1_Click
    void ConsultaCampo();
    // The key-down handling of a text box (advance keys validate and move on).
    void teclaEnCaja(int index, int tecla);
    QLineEdit* caja(const QString& campo) const;

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;
    void keyPressEvent(QKeyEvent* ev) override;
    void closeEvent(QCloseEvent* ev) override;

private:
    void Form_Load();
    void MuestraRegistro();
    void ActualizarDatos();
    void foco0();
    void rechazar(int index, const QString& mensaje);
    // Does a range of the same bank and series hold one of the numbers, or lie inside the entry's?
    bool solapaRango(const QList<double>& numeros, QString& mensaje, bool bloquear);
    void proponerCuentas();
    void olvidarBanco();
    QString motivoCuentaAjena(ado::Recordset& rs, bool diferido);
    // Whether a save whose commit met a lost link is stored; nothing when it cannot be read.
    std::optional<bool> grabacionConfirmada(bool baja);
    void informarConfirmacionPerdida(bool baja);
    DatosChequera datosDeLasCajas() const;
    Operacion operacion() const;
    bool buscarChequera();
    void verHistorial();
    bool mCerrando = false;
};

// Installs the editor as the list window's "ABM" command.
void registrarEditorEnLista();

} // namespace editor
