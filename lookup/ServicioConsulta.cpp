#include "lookup/ServicioConsulta.h"

namespace lookup {

namespace {
std::unique_ptr<ServicioConsulta>& ranura() {
    static std::unique_ptr<ServicioConsulta> s;
    return s;
}
} // namespace

ServicioConsulta* servicioActual() {
    return ranura().get();
}

std::unique_ptr<ServicioConsulta> instalarServicio(std::unique_ptr<ServicioConsulta> s) {
    auto anterior = std::move(ranura());
    ranura() = std::move(s);
    return anterior;
}

} // namespace lookup
