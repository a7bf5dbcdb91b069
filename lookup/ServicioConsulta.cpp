#include "lookup/ServicioConsulta.h"

namespace lookup {

namespace {
std::unique_ptr<ServicioConsulta>& ranura() {
    static std::unique_ptr<ServicioConsulta> s;
    return s;
}
} // namespace

ServicioConsulta* Servicio() {
    return ranura().get();
}

std::unique_ptr<ServicioConsulta> InstalarServicio(std::unique_ptr<ServicioConsulta> s) {
    auto anterior = std::move(ranura());
    ranura() = std::move(s);
    return anterior;
}

} // namespace lookup
