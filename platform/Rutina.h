#pragma once
// "Each routine catches its own": a routine runs step by step; a failing step
// is reported and the answer decides. Retry repeats the step, Ignore goes on
// with the next one, anything else leaves the routine. A silent routine skips
// failing steps without asking.

#include "platform/ErrorEjecucion.h"
#include <QString>
#include <functional>

namespace plataforma {

// Receives the failure and the routine's name; returns an answer code (1..7).
using Informador = std::function<int(const ErrorEjecucion&, const QString& rutina)>;

class Rutina {
public:
    Rutina(QString nombre, Informador informar);
    static Rutina silenciosa(QString nombre = {});

    // Runs one step; a no-op once the routine was left.
    // Returns true when the step completed.
    bool paso(const std::function<void()>& cuerpo);

    bool abandonada() const { return mAbandonada; }
    void abandonar() { mAbandonada = true; }
    // The last failure seen (also after Ignore), for routines that act on it.
    const ErrorEjecucion& ultimoError() const { return mUltimo; }
    bool huboError() const { return mHuboError; }
    const QString& nombre() const { return mNombre; }

private:
    QString mNombre;
    Informador mInformar;
    bool mSilenciosa = false;
    bool mAbandonada = false;
    bool mHuboError = false;
    ErrorEjecucion mUltimo;
};

// While one lives on this thread, a routine that would ask about a failing
// step passes the failure on instead: a unit of work holding database locks
// undoes its writes first and asks afterwards, so no lock waits on a user.
class FallosAlLlamador {
public:
    FallosAlLlamador();
    ~FallosAlLlamador();
    FallosAlLlamador(const FallosAlLlamador&) = delete;
    FallosAlLlamador& operator=(const FallosAlLlamador&) = delete;
    static bool activo();

private:
    bool mAnterior;
};

// Turns any exception into the program's run-time error; FinDelPrograma
// passes through.
ErrorEjecucion comoErrorEjecucion(std::exception_ptr e);

} // namespace plataforma
