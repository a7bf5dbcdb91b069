// The start-up's reader of the command line.
#include "shell/Arranque.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QString texto =
        QString::fromUtf8(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(largo));
    (void)shell::cortarComando(texto);
    (void)shell::NormalizaServidor(texto);
    return 0;
}
