// The translations of arbitrary text: the embedded engine's and PostgreSQL's.
#include "platform/ado/TraductorPostgres.h"
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
    // With the grid's pages read by offset and column types for the conversions.
    ado::tsql::Opciones o;
    o.claveDeOrden = clave;
    o.paginasPorDesplazamiento = true;
    o.tipoDeColumna = [](const QString& fuente, const QString& columna) {
        static const QString tipos[] = {QStringLiteral("int"),         QStringLiteral("varchar(3)"),
                                        QStringLiteral("varchar(50)"), QStringLiteral("numeric(12, 0)"),
                                        QStringLiteral("datetime"),    QString()};
        return tipos[(fuente.size() + columna.size()) % 6];
    };
    (void)ado::tsql::traducirLote(texto, o);
    (void)ado::tsql::conteoDeFilas(texto);
    (void)ado::tsql::reforzarDefinicion(texto);
    static const ado::pg::Nombres nombres = {{QStringLiteral("id"), QStringLiteral("ID")},
                                             {QStringLiteral("t"), QStringLiteral("T")}};
    (void)ado::pg::traducirLote(texto, nombres);
    return 0;
}
