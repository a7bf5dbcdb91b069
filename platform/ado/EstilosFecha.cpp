#include "platform/ado/EstilosFecha.h"

namespace ado {

const std::vector<EstiloFecha>& estilosFecha() {
    static const std::vector<EstiloFecha> tabla = {
        {1, "MM/dd/yy", "MM/DD/YY", true},
        {101, "MM/dd/yyyy", "MM/DD/YYYY", true},
        {3, "dd/MM/yy", "DD/MM/YY", false},
        {103, "dd/MM/yyyy", "DD/MM/YYYY", false},
        {104, "dd.MM.yyyy", "DD.MM.YYYY", false},
        {105, "dd-MM-yyyy", "DD-MM-YYYY", false},
        {8, "HH:mm:ss", "HH24:MI:SS", false},
        {108, "HH:mm:ss", "HH24:MI:SS", false},
        {111, "yyyy/MM/dd", "YYYY/MM/DD", false},
        {112, "yyyyMMdd", "YYYYMMDD", false},
        {20, "yyyy-MM-dd HH:mm:ss", "YYYY-MM-DD HH24:MI:SS", false},
        {120, "yyyy-MM-dd HH:mm:ss", "YYYY-MM-DD HH24:MI:SS", false},
        {21, "yyyy-MM-dd HH:mm:ss.zzz", "YYYY-MM-DD HH24:MI:SS.MS", false},
        {121, "yyyy-MM-dd HH:mm:ss.zzz", "YYYY-MM-DD HH24:MI:SS.MS", false},
        {126, "yyyy-MM-ddTHH:mm:ss.zzz", "YYYY-MM-DD\"T\"HH24:MI:SS.MS", false},
    };
    return tabla;
}

const EstiloFecha& estiloFecha(int estilo) {
    const auto& t = estilosFecha();
    for (const EstiloFecha& e : t)
        if (e.estilo == estilo) return e;
    for (const EstiloFecha& e : t)
        if (e.estilo == 103) return e;
    return t.front();
}

} // namespace ado
