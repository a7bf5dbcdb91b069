#pragma once
// The scripted seam: dialogs are answered from queues, every message is
// recorded, and a message nobody expected fails the test.

#include "platform/ErrorEjecucion.h"
#include "platform/ui/Dialogos.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace prueba {

struct Mensaje {
    QString texto;
    int estilo = 0;
    QString titulo;
};

// Thrown where the program would end at once.
using ProgramaTerminado = plataforma::FinDelPrograma;

class InterfazGuionada final : public ui::Interfaz {
public:
    ~InterfazGuionada() override;

    // The next message box is answered with `respuesta`; when `contiene` is
    // given, its text must hold it.
    InterfazGuionada& responder(int respuesta, const QString& contiene = {});
    // The next message box is answered by `f`, which sees the message.
    InterfazGuionada& responderCon(std::function<int(const Mensaje&)> f);
    InterfazGuionada& responderEntrada(std::optional<QString> r);
    InterfazGuionada& responderArchivo(std::optional<QString> r);
    InterfazGuionada& responderFecha(std::optional<QDate> r);
    // The next modal window is handed to `f`, whose result is the window's.
    InterfazGuionada& alMostrarModal(std::function<int(QWidget*)> f);

    std::vector<Mensaje> mensajes;
    std::vector<std::pair<QString, QStringList>> procesos;
    std::vector<QString> accesosDirectos;
    qint64 pidProceso = 4242;
    // When set, answers the message boxes nobody scripted (a helper process
    // that reports what it was shown instead of judging it).
    std::function<int(const Mensaje&)> porDefecto;
    // Runs where the program lets pending events through (a user's click lands there).
    std::function<void()> alProcesarEventos;

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

private:
    struct Respuesta {
        int respuesta;
        QString contiene;
        std::function<int(const Mensaje&)> funcion;
    };
    std::deque<Respuesta> mRespuestas;
    std::deque<std::optional<QString>> mEntradas;
    std::deque<std::optional<QString>> mArchivos;
    std::deque<std::optional<QDate>> mFechas;
    std::deque<std::function<int(QWidget*)>> mModales;
};

// Installs a scripted seam for the life of the object.
class Guion {
public:
    Guion();
    ~Guion();
    InterfazGuionada* operator->() { return mInterfaz; }
    InterfazGuionada& operator*() { return *mInterfaz; }

private:
    InterfazGuionada* mInterfaz;
    std::unique_ptr<ui::Interfaz> mAnterior;
};

} // namespace prueba
