// The embedded engine's faster readings of the list, declared by the schema
// in KV_ACCESOS: a search narrowed by a trigram index (and by the rows of a
// joined table whose text matches), a page in the order of a joined table's
// column read group by group. Each gives exactly the rows and order of the
// plain statement: the search's own condition still decides, and the groups
// are the plain order's runs of equal values.

#include "platform/Intercalacion.h"
#include "platform/ado/LexicoTSql.h"
#include "platform/ado/MotorSqlite.h"
#include "platform/ado/TraductorTSql.h"

#include <QRegularExpression>
#include <sqlite3.h>

namespace ado {

namespace {

using tsql::entreCorchetes;
using tsql::literalDeTexto;

// One value of a column as an SQL literal of its kind.
QString literalDe(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_NULL:
        return QStringLiteral("NULL");
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT:
        return QString::number(sqlite3_column_double(st, i), 'g', 17);
    default:
        return literalDeTexto(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
    }
}

// Runs an internal statement; `fila` sees each row.
template <class F> bool recorrer(sqlite3* db, const QString& sql, F&& fila) {
    sqlite3_stmt* st = nullptr;
    const QByteArray b = sql.toUtf8();
    if (sqlite3_prepare_v2(db, b.constData(), static_cast<int>(b.size()), &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        fila(st);
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

// The FTS5 query for rows holding every three letters of `texto`: a
// superset of those that hold the text itself.
QString trigramas(const QString& texto) {
    QStringList r;
    for (qsizetype i = 0; i + 3 <= texto.size(); ++i)
        r << QLatin1Char('"') + texto.mid(i, 3).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                 QLatin1Char('"');
    return r.join(QLatin1Char(' '));
}

} // namespace

const tsql::Accesos& MotorSqlite::accesos() {
    vigilarVersion();
    if (!mAccesosLeidos) {
        mAccesos.limpiar();
        mAccesosLeidos = true;
        recorrer(mDb, QStringLiteral("SELECT FUENTE, COLUMNA, INDICE, TABLA, ENLACE FROM KV_ACCESOS"),
                 [&](sqlite3_stmt* st) {
                     auto texto = [&](int i) {
                         const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                         return p ? QString::fromUtf8(p) : QString();
                     };
                     mAccesos.poner(texto(0), texto(1), {texto(2), texto(3), texto(4), {}});
                 });
    }
    return mAccesos;
}

std::optional<tsql::LecturaDeBusqueda>
MotorSqlite::candidatosDeBusqueda(const QString& fuente, const QStringList& columnas, const QString& texto) {
    // Three letters make a trigram; a shorter text is read the plain way.
    if (texto.size() < 3) return std::nullopt;
    tsql::LecturaDeBusqueda r;
    r.clave = claveDeOrden(fuente);
    if (r.clave.isEmpty()) return std::nullopt;
    const auto indices = accesos().indicesDeBusqueda(fuente, columnas, r);
    if (!indices) return std::nullopt;
    QStringList partes;
    for (const QString& i : *indices)
        partes << QStringLiteral("SELECT rowid FROM %1 WHERE %1 MATCH %2")
                      .arg(entreCorchetes(i), literalDeTexto(trigramas(texto)));
    r.candidatos = partes.join(QStringLiteral(" UNION ALL "));
    return r;
}

const std::vector<MotorSqlite::Grupo>& MotorSqlite::gruposDe(const QString& fuente, const QString& columna,
                                                             const tsql::AccesoDeColumna& a) {
    vigilarVersion();
    const QString intercalacion = intercalacionDeColumna(fuente, columna);
    const QString clave =
        fuente.toLower() + QLatin1Char('.') + columna.toLower() + QLatin1Char('.') + intercalacion;
    if (const auto it = mGrupos.constFind(clave); it != mGrupos.constEnd()) return *it;
    // How many rows of the source each value of the link holds.
    QHash<QString, qint64> filas;
    qint64 total = 0;
    recorrer(mDb,
             QStringLiteral("SELECT %1, COUNT(*) FROM %2 GROUP BY %1")
                 .arg(entreCorchetes(a.enlace), entreCorchetes(fuente)),
             [&](sqlite3_stmt* st) {
                 const qint64 n = sqlite3_column_int64(st, 1);
                 // The link compares without letter case, as the join does.
                 filas[literalDe(st, 0).toLower()] += n;
                 total += n;
             });
    // The joined table's values in the plain order's collation; equal ones are one group.
    std::vector<Grupo> r(1); // the NULL group: no joined row, or a NULL value
    QString anterior;
    bool hayAnterior = false;
    qint64 enGrupos = 0;
    const bool espanol =
        intercalacion.compare(QLatin1String(tsql::kIntercalacionEspanol), Qt::CaseInsensitive) == 0;
    auto iguales = [&](const QString& x, const QString& y) {
        if (espanol) return plataforma::intercalacion::comparar(x, y) == 0;
        // NOCASE serves only ASCII text, which Qt folds alike.
        if (intercalacion.compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) == 0)
            return x.compare(y, Qt::CaseInsensitive) == 0;
        return x == y;
    };
    const QString orden = intercalacion.isEmpty() ? QString() : QStringLiteral(" COLLATE ") + intercalacion;
    recorrer(mDb,
             QStringLiteral("SELECT %1, %2 FROM %3 WHERE %2 IS NOT NULL ORDER BY %2%4")
                 .arg(entreCorchetes(a.enlace), entreCorchetes(columna), entreCorchetes(a.tabla), orden),
             [&](sqlite3_stmt* st) {
                 const QString valor =
                     QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
                 const QString enlace = literalDe(st, 0);
                 if (!hayAnterior || !iguales(anterior, valor)) r.push_back({});
                 hayAnterior = true;
                 anterior = valor;
                 r.back().claves << enlace;
                 r.back().filas += filas.value(enlace.toLower());
                 enGrupos += filas.value(enlace.toLower());
             });
    r.front().filas = total - enGrupos;
    return *mGrupos.insert(clave, std::move(r));
}

QString MotorSqlite::clavesDePagina(const QString& fuente, const QString& condicion, const QStringList& orden,
                                    qint64 cuantas, qint64 desde) {
    if (!condicion.isEmpty() || orden.size() < 2 || cuantas <= 0 || desde < 0) return {};
    static const QRegularExpression item(QStringLiteral(R"(^\s*\[?([^\]\s]+)\]?\s*(ASC|DESC)?\s*$)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = item.match(orden.front());
    if (!m.hasMatch()) return {};
    const QString columna = m.captured(1);
    const bool descendente = m.captured(2).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
    const tsql::AccesoDeColumna* a = accesos().de(fuente, columna);
    if (!a || a->tabla.isEmpty() || a->enlace.isEmpty()) return {};
    const QString clave = claveDeOrden(fuente);
    if (clave.isEmpty()) return {};
    const std::vector<Grupo>& grupos = gruposDe(fuente, columna, *a);
    // NULLs come first in an ascending order and last in a descending one, as on SQL Server.
    std::vector<const Grupo*> enOrden;
    for (const Grupo& g : grupos)
        enOrden.push_back(&g);
    if (descendente) std::reverse(enOrden.begin(), enOrden.end());
    const QString resto = orden.mid(1).join(QStringLiteral(", "));
    QStringList partes;
    qint64 inicio = 0;
    for (const Grupo* g : enOrden) {
        const qint64 fin = inicio + g->filas;
        if (fin > desde && inicio < desde + cuantas && g->filas > 0) {
            const qint64 salto = qMax<qint64>(0, desde - inicio);
            const qint64 largo = qMin(fin, desde + cuantas) - (inicio + salto);
            const QString donde =
                g->claves.isEmpty()
                    ? QStringLiteral("%1 IS NULL OR %1 NOT IN (SELECT %1 FROM %2 WHERE %3 IS NOT NULL)")
                          .arg(entreCorchetes(a->enlace), entreCorchetes(a->tabla), entreCorchetes(columna))
                    : QStringLiteral("%1 IN (%2)")
                          .arg(entreCorchetes(a->enlace), g->claves.join(QStringLiteral(", ")));
            partes << QStringLiteral(
                          "SELECT %1 FROM (SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT %5 OFFSET %6)")
                          .arg(clave, entreCorchetes(fuente), donde, resto)
                          .arg(largo)
                          .arg(salto);
        }
        inicio = fin;
    }
    if (partes.isEmpty())
        return QStringLiteral("SELECT %1 FROM %2 WHERE 1 = 0").arg(clave, entreCorchetes(fuente));
    return partes.join(QStringLiteral(" UNION ALL "));
}

} // namespace ado
