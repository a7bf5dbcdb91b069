#include "platform/Rutina.h"
#include "platform/ui/Dialogos.h"

namespace plataforma {

Rutina::Rutina(QString nombre, Informador informar)
    : mNombre(std::move(nombre))
    , mInformar(std::move(informar)) {}

Rutina Rutina::silenciosa(QString nombre) {
    Rutina r(std::move(nombre), {});
    r.mSilenciosa = true;
    return r;
}

namespace {
thread_local bool tFallosAlLlamador = false;
}

FallosAlLlamador::FallosAlLlamador()
    : mAnterior(tFallosAlLlamador) {
    tFallosAlLlamador = true;
}
FallosAlLlamador::~FallosAlLlamador() {
    tFallosAlLlamador = mAnterior;
}
bool FallosAlLlamador::activo() {
    return tFallosAlLlamador;
}

ErrorEjecucion comoErrorEjecucion(std::exception_ptr e) {
    try {
        std::rethrow_exception(e);
    } catch (const FinDelPrograma&) {
        throw;
    } catch (const ErrorEjecucion& err) {
        return err;
    } catch (const std::bad_alloc&) {
        return ErrorEjecucion(7, QStringLiteral("Memoria insuficiente"), QStringLiteral("Quenzar"));
    } catch (const std::exception& err) {
        return ErrorEjecucion(errores::FalloGeneral, QString::fromLocal8Bit(err.what()),
                              QStringLiteral("Quenzar"));
    } catch (...) {
        return ErrorEjecucion(errores::FalloGeneral, QStringLiteral("Error desconocido"),
                              QStringLiteral("Quenzar"));
    }
}

bool Rutina::paso(const std::function<void()>& cuerpo) {
    while (!mAbandonada) {
        try {
            cuerpo();
            return true;
        } catch (...) {
            mUltimo = comoErrorEjecucion(std::current_exception());
            mHuboError = true;
            if (mSilenciosa || !mInformar) return false;
            if (tFallosAlLlamador) throw;
            const int respuesta = mInformar(mUltimo, mNombre);
            if (respuesta == ui::vbRetry) continue;
            if (respuesta == ui::vbIgnore) return false;
            mAbandonada = true;
            return false;
        }
    }
    return false;
}

} // namespace plataforma
