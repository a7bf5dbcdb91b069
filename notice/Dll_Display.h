#pragma once
// The progress notice: a small modeless, semi-transparent window with a
// title, three lines, a 12-frame animation and an optional cancel button.

#include <QDialog>
#include <QVariant>

class QLabel;
class QPushButton;
class QTimer;

namespace notice {

class Lbf_CtrlDisplay : public QDialog {
    Q_OBJECT
public:
    explicit Lbf_CtrlDisplay(QWidget* padre = nullptr);
    QLabel* LblCtrol[3] = {};
    QLabel* Image1 = nullptr;
    QPushButton* CmdDisplayCancelar = nullptr;
    QTimer* Timer1 = nullptr;
    int cuadro() const { return mCuadro; }
    // One tick of the animation (the timer's).
    void Timer1_Timer();

private:
    void mostrarCuadro(int n);
    int mCuadro = 0;
};

class Dll_Display {
public:
    ~Dll_Display();
    void CartelInicio(const QString& Titulo, int16_t PermiteCancelar);
    void CartelMostrar(bool& Cancelado, const QVariant& L1 = QVariant(QMetaType(QMetaType::UnknownType)),
                       const QVariant& l2 = QVariant(QMetaType(QMetaType::UnknownType)),
                       const QVariant& l3 = QVariant(QMetaType(QMetaType::UnknownType)));
    void CartelCerrar();
    void setSiempre_Visible(bool v);
    Lbf_CtrlDisplay* ventana() const { return mVentana; }

private:
    Lbf_CtrlDisplay* asegurar();
    Lbf_CtrlDisplay* mVentana = nullptr;
};

// The process's one notice.
Dll_Display& cartelActual();

// A line left out of CartelMostrar keeps its text.
inline QVariant sinCambio() {
    return QVariant();
}

} // namespace notice
