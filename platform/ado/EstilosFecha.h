#pragma once
// The styles of CONVERT between dates and texts, as SQL Server writes and
// reads them. The embedded engine formats with the Qt pattern, PostgreSQL's
// translation with the to_char/to_timestamp one; a style not listed is read
// as 103, the suite's day/month/year.

#include <vector>

namespace ado {

struct EstiloFecha {
    int estilo;
    const char* qt;       // QDateTime::toString
    const char* postgres; // to_char / to_timestamp
    bool mesPrimero;      // a text in this style names the month before the day
};

const std::vector<EstiloFecha>& estilosFecha();
// The style's row; 103's for a style not listed.
const EstiloFecha& estiloFecha(int estilo);

} // namespace ado
