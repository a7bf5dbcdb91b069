// The reader of the connection list "BASES.TXT".
#include "shell/Arranque.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    static QTemporaryDir* dir = [] {
        auto* d = new QTemporaryDir;
        qputenv("QUENZAR_CARPETA_INI", d->path().toUtf8());
        return d;
    }();
    const QString ruta = dir->filePath(QStringLiteral("BASES.TXT"));
    {
        QFile f(ruta);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(datos), static_cast<qint64>(largo));
    }
    (void)shell::leerBasesRegistradas(ruta);
    return 0;
}
