// The session's rewriters: confidential synonyms and the Oracle dialect.
#include "data/DB_Dll.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    if (largo == 0) return 0;
    static datos::DB_Dll* db = [] {
        auto* d = new datos::DB_Dll;
        d->gConnString = QStringLiteral("Provider=OraOLEDB.Oracle.1;Data Source=ORCL;User Id=A;Password=;");
        return d;
    }();
    db->gEsAdmin = datos[0] & 1;
    datos::gConfidencialidad() = datos[0] & 2;
    const QString texto =
        QString::fromUtf8(reinterpret_cast<const char*>(datos + 1), static_cast<qsizetype>(largo - 1));
    (void)db->SS_TSinonimos(texto);
    (void)db->ORACLE_Dicc(texto);
    return 0;
}
