#include "data/Lectura.h"

#include "data/DB_Dll.h"
#include "shell/helperlib/OrVexa2.h"

namespace datos {

QVector<ColumnaLeida> columnasDe(ado::Recordset& rs) {
    QVector<ColumnaLeida> r;
    if (rs.State() != ado::adStateOpen) return r;
    const int n = rs.fields().Count();
    r.reserve(n);
    for (int i = 0; i < n; ++i) {
        const ado::Field f = rs(i);
        ColumnaLeida c;
        c.nombre = f.Name();
        c.tipo = f.Type();
        c.tamano = f.DefinedSize();
        c.alDerecha = ado::esTipoNumerico(c.tipo) && c.tipo != ado::adBoolean;
        r << c;
    }
    return r;
}

QVector<QVariant> valoresDeFila(ado::Recordset& rs) {
    const int n = rs.fields().Count();
    QVector<QVariant> r;
    r.reserve(n);
    for (int i = 0; i < n; ++i)
        r << rs(i).Value();
    return r;
}

QString textoDeCelda(const QVariant& v) {
    return orvexa::textoDeValor(v);
}

PaginaLeida leerFilas(ado::Recordset& rs) {
    PaginaLeida p;
    p.abierta = rs.State() == ado::adStateOpen;
    if (!p.abierta) return p;
    p.columnas = columnasDe(rs);
    const int n = static_cast<int>(p.columnas.size());
    while (!rs.Eof()) {
        QStringList f;
        f.reserve(n);
        for (int i = 0; i < n; ++i)
            f << textoDeCelda(rs(i).Value());
        p.filas << f;
        rs.MoveNext();
    }
    return p;
}

PaginaLeida leerPagina(DB_Dll& db, const QString& sentencia, const QString& base) {
    ado::Recordset rs;
    QString s = sentencia;
    db.AbrirRecordset(s, rs, nullptr, 0, 1, -1, true);
    if (rs.State() != ado::adStateOpen && db.gCnn().Errors().Count() > 0 &&
        db.gCnn().Errors().Item(0).NativeError == 207) {
        db.gCnn().Errors().Clear();
        QString b = base;
        db.AbrirRecordset(b, rs, nullptr, 0, 1, -1, true);
    }
    PaginaLeida p;
    try {
        p = leerFilas(rs);
    } catch (...) {
        db.CierraRecordset(rs);
        throw;
    }
    db.CierraRecordset(rs);
    return p;
}

} // namespace datos
