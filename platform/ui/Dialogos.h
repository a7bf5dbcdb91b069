#pragma once
// The seam for everything modal or external: message and input boxes, file
// dialog, date picker, modal windows, starting programs, the desktop shortcut,
// letting pending events run and ending the process. The program talks only
// to Actual(); tests install a scripted implementation.

#include <QDate>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QWidget;

namespace ui {

// Answer codes of the message box.
enum Respuesta : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

// Message-box style numbers: buttons + icon + default button.
enum Estilo : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

// The buttons of a style, in the order the box shows them (answer codes).
QList<int> botonesDeEstilo(int estilo);
// The answer the box gives to its default button.
int respuestaPorDefecto(int estilo);

class Interfaz {
public:
    virtual ~Interfaz() = default;

    // An empty title means the program's title.
    virtual int MsgBox(const QString& texto, int estilo, const QString& titulo) = 0;
    // std::nullopt when the user cancelled.
    virtual std::optional<QString> InputBox(const QString& mensaje, const QString& titulo,
                                            const QString& defecto) = 0;
    virtual std::optional<QString> abrirArchivo(const QString& titulo, const QString& filtro,
                                                const QString& carpeta) = 0;
    virtual std::optional<QDate> ElegirFecha(const QString& titulo) = 0;
    // Shows a window modally and returns its result code.
    virtual int mostrarModal(QWidget* ventana) = 0;
    // Starts a program without waiting; its process number, 0 when it did not start.
    virtual qint64 iniciarProceso(const QString& programa, const QStringList& argumentos) = 0;
    virtual bool crearAccesoDirecto(const QString& nombre, const QString& destino, const QString& argumentos,
                                    const QString& carpetaTrabajo) = 0;
    virtual void procesarEventos() = 0;
    // Ends the program at once: no handler, unload or clean-up runs.
    [[noreturn]] virtual void terminarPrograma(int codigo) = 0;
};

// What needs no window: starting programs, the desktop shortcut, events, the
// end. A box shown without windows gives its default answer and says so on
// the standard error; a dialog is cancelled. It is what Actual() gives until
// the program installs its windows (crearInterfazQt, in plataforma_ui).
class InterfazSinVentanas : public Interfaz {
public:
    int MsgBox(const QString& texto, int estilo, const QString& titulo) override;
    std::optional<QString> InputBox(const QString& mensaje, const QString& titulo,
                                    const QString& defecto) override;
    std::optional<QString> abrirArchivo(const QString& titulo, const QString& filtro,
                                        const QString& carpeta) override;
    std::optional<QDate> ElegirFecha(const QString& titulo) override;
    int mostrarModal(QWidget* ventana) override;
    qint64 iniciarProceso(const QString& programa, const QStringList& argumentos) override;
    bool crearAccesoDirecto(const QString& nombre, const QString& destino, const QString& argumentos,
                            const QString& carpetaTrabajo) override;
    void procesarEventos() override;
    [[noreturn]] void terminarPrograma(int codigo) override;
};

Interfaz& Actual();
// Replaces the implementation in use; returns the previous one.
std::unique_ptr<Interfaz> instalar(std::unique_ptr<Interfaz> nueva);

// The Qt implementation (plataforma_ui).
std::unique_ptr<Interfaz> crearInterfazQt();

// The program's title (the executable's name without folder or extension).
QString tituloPrograma();

// Shorthand used everywhere.
inline int MsgBox(const QString& texto, int estilo = vbOKOnly, const QString& titulo = {}) {
    return Actual().MsgBox(texto, estilo, titulo);
}
inline void DoEvents() {
    Actual().procesarEventos();
}

} // namespace ui
