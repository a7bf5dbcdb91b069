// The grid's text composition: aliases, ORDER BY, paging statement, count.
#include "grid/ComposicionSql.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    if (largo < 2) return 0;
    const QString texto =
        QString::fromUtf8(reinterpret_cast<const char*>(datos + 2), static_cast<qsizetype>(largo - 2));
    const QStringList partes = texto.split(QLatin1Char('\n'));
    grid::EstadoConsulta e;
    e.sql = partes.value(0) + QLatin1Char(' ');
    e.mEquivalencias = grid::ArmarEquivalencias(e.sql);
    e.OrdenSent = static_cast<int16_t>(datos[0] % 4);
    e.Order = static_cast<int16_t>(1 + datos[1] % 2);
    e.OrderBy = partes.value(2);
    e.mFiltro = partes.value(3);
    e.PageSize = 1 + datos[1];
    e.Campos = partes.value(4);
    (void)grid::EquiCampo(e.mEquivalencias, partes.value(1), datos[0] & 1);
    e.OrderBy = grid::ArmarOrden(e, partes.value(1));
    e.mWhere = grid::ArmarWhere(e.sql, e.mFiltro);
    (void)grid::sentenciaPagina(e, 1 + datos[0]);
    (void)grid::sentenciaDeConteo(e);
    (void)grid::tablaDeSql(e.sql);
    bool invalida = false;
    (void)grid::condicionBusqueda(e, partes.value(1), partes.value(5), datos[0] % 8, partes, invalida);
    return 0;
}
