#include "shell/ModGlobal.h"

#include "platform/Rutas.h"
#include "platform/ui/Dialogos.h"

#include <memory>

namespace shell {

namespace {
std::unique_ptr<ModGlobal>& ranura() {
    static std::unique_ptr<ModGlobal> g;
    return g;
}
std::unique_ptr<datos::DB_Dll>& ranuraEstadisticas() {
    static std::unique_ptr<datos::DB_Dll> e;
    return e;
}
} // namespace

ModGlobal& G() {
    auto& g = ranura();
    if (!g) g = std::make_unique<ModGlobal>();
    return *g;
}

datos::DB_Dll& gDBEstadisticas() {
    auto& e = ranuraEstadisticas();
    if (!e) e = std::make_unique<datos::DB_Dll>();
    return *e;
}

void reiniciarModGlobal() {
    ranura().reset();
    ranuraEstadisticas().reset();
    datos::reiniciarSesion();
}

QString nombreEjecutable() {
    return ui::tituloPrograma();
}

QString carpetaDelPrograma() {
    return G().utilidades.AgregarBarra(plataforma::carpetaAplicacion());
}

QString carpetaDeLosProgramas() {
    return G().utilidades.AgregarBarra(plataforma::carpetaProgramas());
}

} // namespace shell
