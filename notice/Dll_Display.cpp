#include "notice/Dll_Display.h"

#include "platform/ui/Dialogos.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtMath>

namespace notice {

namespace {
int px(int twips) {
    return twips / 15;
}

// The animation's frames, drawn by the program: a ring of twelve dots with
// one lit dot going round.
QPixmap cuadroAnimacion(int n) {
    QPixmap p(32, 32);
    p.fill(Qt::white);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 12; ++i) {
        const double a = qDegreesToRadians(30.0 * i - 90);
        const QPointF c(16 + 11 * std::cos(a), 16 + 11 * std::sin(a));
        const int distancia = (n - 1 - i + 12) % 12;
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(30, 90, 170, distancia == 0 ? 255 : qMax(40, 200 - distancia * 30)));
        g.drawEllipse(c, distancia == 0 ? 3.5 : 2.5, distancia == 0 ? 3.5 : 2.5);
    }
    return p;
}
} // namespace

// Not kept on top: a dialog opened while the notice shows (the connection
// dialog, a question) comes above it, whole and usable.
Lbf_CtrlDisplay::Lbf_CtrlDisplay(QWidget* padre)
    : QDialog(padre, Qt::Tool | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("Lbf_CtrlDisplay"));
    setWindowTitle(QStringLiteral("Procesando Datos"));
    setModal(false);
    setFixedSize(px(7845), px(2790));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    QFont fuente(QStringLiteral("MS Sans Serif"), 12);
    fuente.setBold(true);
    const int tops[3] = {120, 480, 840};
    for (int i = 0; i < 3; ++i) {
        LblCtrol[i] = new QLabel(this);
        LblCtrol[i]->setObjectName(QStringLiteral("LblCtrol%1").arg(i));
        LblCtrol[i]->setGeometry(0, px(tops[i]), px(7815), px(290));
        LblCtrol[i]->setAlignment(Qt::AlignCenter);
        LblCtrol[i]->setFont(fuente);
    }
    Image1 = new QLabel(this);
    Image1->setGeometry(px(3480), px(1320), px(1095), px(975));
    Image1->setAlignment(Qt::AlignCenter);
    CmdDisplayCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    CmdDisplayCancelar->setObjectName(QStringLiteral("CmdDisplayCancelar"));
    CmdDisplayCancelar->setGeometry(px(3120), px(2400), px(1695), px(375));
    // The cancel state is carried by the caption.
    connect(CmdDisplayCancelar, &QPushButton::clicked, this,
            [this] { CmdDisplayCancelar->setText(QStringLiteral("Abortado")); });
    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &Lbf_CtrlDisplay::Timer1_Timer);
    // Load: centred, caption reset, first frame, about 78 % opaque (alpha 200 of 255).
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    CmdDisplayCancelar->setText(QStringLiteral("&Cancelar"));
    mostrarCuadro(1);
    setWindowOpacity(200.0 / 255.0);
    Timer1->start();
}

void Lbf_CtrlDisplay::mostrarCuadro(int n) {
    Image1->setPixmap(cuadroAnimacion(n));
}

void Lbf_CtrlDisplay::Timer1_Timer() {
    ++mCuadro;
    mostrarCuadro(mCuadro);
    if (mCuadro >= 12) mCuadro = 0;
}

Dll_Display::~Dll_Display() {
    // The process's notice outlives the application object: nothing to free then.
    if (QCoreApplication::instance()) delete mVentana;
}

Lbf_CtrlDisplay* Dll_Display::asegurar() {
    if (!mVentana) mVentana = new Lbf_CtrlDisplay;
    return mVentana;
}

void Dll_Display::CartelInicio(const QString& Titulo, int16_t PermiteCancelar) {
    auto* v = asegurar();
    v->setWindowTitle(Titulo);
    v->CmdDisplayCancelar->setVisible(PermiteCancelar != 0);
    v->show();
}

void Dll_Display::CartelMostrar(bool& Cancelado, const QVariant& L1, const QVariant& l2, const QVariant& l3) {
    auto* v = asegurar();
    const QVariant* lineas[3] = {&L1, &l2, &l3};
    for (int i = 0; i < 3; ++i)
        if (lineas[i]->metaType().isValid())
            v->LblCtrol[i]->setText(lineas[i]->isNull() ? QString() : lineas[i]->toString());
    v->repaint();
    Cancelado = v->CmdDisplayCancelar->text() == QLatin1String("Abortado");
    ui::DoEvents();
}

void Dll_Display::CartelCerrar() {
    if (!mVentana) return;
    mVentana->hide();
    delete mVentana;
    mVentana = nullptr;
}

void Dll_Display::setSiempre_Visible(bool v) {
    auto* w = asegurar();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, v);
}

Dll_Display& cartelActual() {
    static Dll_Display d;
    return d;
}

} // namespace notice
