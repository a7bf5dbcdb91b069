#include "platform/ui/Dialogos.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ui {

namespace {
std::unique_ptr<Interfaz>& ranura() {
    static std::unique_ptr<Interfaz> actual;
    return actual;
}
} // namespace

Interfaz& Actual() {
    auto& r = ranura();
    if (!r) r = crearInterfazQt();
    return *r;
}

std::unique_ptr<Interfaz> instalar(std::unique_ptr<Interfaz> nueva) {
    auto anterior = std::move(ranura());
    ranura() = std::move(nueva);
    return anterior;
}

QList<int> botonesDeEstilo(int estilo) {
    switch (estilo & 7) {
    case vbOKCancel:
        return {vbOK, vbCancel};
    case vbAbortRetryIgnore:
        return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel:
        return {vbYes, vbNo, vbCancel};
    case vbYesNo:
        return {vbYes, vbNo};
    case vbRetryCancel:
        return {vbRetry, vbCancel};
    default:
        return {vbOK};
    }
}

int respuestaPorDefecto(int estilo) {
    const auto botones = botonesDeEstilo(estilo);
    const int indice = (estilo & 0x300) >> 8;
    return botones.value(indice, botones.first());
}

QString tituloPrograma() {
    const QString ruta = QCoreApplication::applicationFilePath();
    if (!ruta.isEmpty()) return QFileInfo(ruta).completeBaseName();
    return QStringLiteral("Quenzar");
}

} // namespace ui
