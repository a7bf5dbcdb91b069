// The embedded engine's translation of arbitrary text.
#include "platform/ado/TraductorTSql.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QString texto =
        QString::fromUtf8(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(largo));
    ado::tsql::ClaveDeOrden clave = [](const QString& f) {
        return f.size() % 2 ? QStringLiteral("[ID]") : QString();
    };
    (void)ado::tsql::traducirLote(texto, clave);
    (void)ado::tsql::reforzarDefinicion(texto);
    return 0;
}
