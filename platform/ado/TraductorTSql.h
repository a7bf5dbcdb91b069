#pragma once
// The program writes SQL Server's dialect; the embedded engine reads it
// through this translation: TOP (at any nesting) to LIMIT, table hints
// dropped, CONVERT/ISNULL/#date#/N'' literals, "DELETE T WHERE", dbo.
// qualifiers, and batches split into statements with their transaction
// control recognised. Text inside literals and bracketed names is never
// touched.

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace ado::tsql {

struct Sentencia {
    enum class Clase { Normal, Iniciar, Confirmar, Deshacer, Nada };
    Clase clase = Clase::Normal;
    QString texto;
    // For each item of a SELECT's own list, the declared type a CONVERT or
    // CAST gives it ("numeric(p,s)", "varchar(30)", "datetime"); empty
    // otherwise.
    // The engine reports no type of its own for an expression.
    QStringList tiposColumnas;
    // The engine's faster reading of it went in (Opciones::candidatosDeBusqueda, clavesDePagina).
    bool lecturaRapida = false;
};

// The column a table or view is read in when a TOP has no ORDER BY (its
// clustered key on SQL Server); empty when there is none.
using ClaveDeOrden = std::function<QString(const QString& fuente)>;

// The declared type of a column of a table or view; empty when unknown.
using TipoDeColumna = std::function<QString(const QString& fuente, const QString& columna)>;

// The collation sorting or grouping by a column of a table or view compares
// under: empty for a column that holds no text (nothing is added), NOCASE
// where its values order alike under it (its indexes then serve), the
// Spanish rule otherwise (also for a name that is no column of the source).
using IntercalacionDeColumna = std::function<QString(const QString& fuente, const QString& columna)>;

// How the engine reads faster a search of `texto` (letter case aside) in
// `columnas` of `fuente`; none when it has no faster reading.
struct LecturaDeBusqueda {
    // The source's key.
    QString clave;
    // A SELECT of the keys of the rows whose own columns (those of the search
    // that are no link below) may hold the text, in the program's dialect;
    // the search's own condition still decides, this only narrows the rows
    // it looks at. Empty when every column is a link.
    QString candidatos;
    // A column that is `tabla`'s column of that name, joined on `enlace`
    // (`tabla`'s key, and the source's column of that name): the rows it
    // matches are those whose `enlace` is that of a matching row of `tabla`.
    struct Enlace {
        QString columna, tabla, enlace;
    };
    std::vector<Enlace> enlaces;
};
// What the schema's KV_ACCESOS says of a column of a source: the trigram
// index that holds its text (`indice`), or the table it is joined from
// (`tabla`, by `enlace`); on PostgreSQL also the table of rows per `enlace`.
struct AccesoDeColumna {
    QString indice, tabla, enlace, conteos;
};
// KV_ACCESOS as read, by source and column (either spelling).
class Accesos {
public:
    void poner(const QString& fuente, const QString& columna, AccesoDeColumna a) {
        mPorFuente[fuente.toLower()][columna.toLower()] = std::move(a);
    }
    void limpiar() { mPorFuente.clear(); }
    const AccesoDeColumna* de(const QString& fuente, const QString& columna) const;
    // The table of rows per value of a link of `fuente`: every row of the source is counted under
    // its value, so their sum is the source's rows. Empty when none is declared.
    QString conteosDe(const QString& fuente) const;
    // A search's columns of `fuente` by their reading: the joined ones added to `lectura`'s
    // links, and the trigram indexes of the others returned, each once; none when a
    // column has no reading.
    std::optional<QStringList> indicesDeBusqueda(const QString& fuente, const QStringList& columnas,
                                                 LecturaDeBusqueda& lectura) const;

private:
    QHash<QString, QHash<QString, AccesoDeColumna>> mPorFuente;
};

using CandidatosDeBusqueda = std::function<std::optional<LecturaDeBusqueda>(
    const QString& fuente, const QStringList& columnas, const QString& texto)>;

// The keys of the rows at [desde, desde + cuantas) of `fuente` under
// `condicion` (empty: every row) in the order of `orden` (the ORDER BY's
// items, the key last), as a SELECT of the key in the program's dialect;
// empty when the engine has no faster reading.
using ClavesDePagina = std::function<QString(const QString& fuente, const QString& condicion,
                                             const QStringList& orden, qint64 cuantas, qint64 desde)>;

struct Opciones {
    ClaveDeOrden claveDeOrden;
    TipoDeColumna tipoDeColumna;
    // Without it, ORDER BY, GROUP BY, DISTINCT, MIN and MAX are left to the
    // columns' own collation.
    IntercalacionDeColumna intercalacionDeColumna;
    // The paged grid's statements, TOP n ... K NOT IN (SELECT TOP s K ...)
    // over one source with a total order, are read as the keys at offset s:
    // the same rows in the same order, without excluding s keys one by one.
    bool paginasPorDesplazamiento = false;
    // A search of the list over one source: OR of CONVERT(NVARCHAR, c) LIKE '%x%'.
    CandidatosDeBusqueda candidatosDeBusqueda;
    // A page read by offset (above) whose keys the engine finds faster.
    ClavesDePagina clavesDePagina;
    // The values of the one column of a SELECT in the program's dialect, as
    // literals of that dialect; none when the engine would rather not (too
    // many, a failure). A search's joined table is then read first, and the
    // keys it matches are written into the statement, which an engine plans
    // better than a subquery (a bank added between the two is a change made
    // between two statements, as between the count and the page).
    std::function<std::optional<QStringList>(const QString& sentencia)> valoresDe;
};

// A statement of the program's dialect with the engine's faster readings
// (Opciones::clavesDePagina, then candidatosDeBusqueda) put in, still in the
// program's dialect; as it is when none applies. For an engine that
// translates it with a translator of its own.
QString conLecturasRapidas(const QString& sentencia, const Opciones& opciones);

// Splits a batch and translates each statement.
std::vector<Sentencia> traducirLote(const QString& lote, const ClaveDeOrden& claveDeOrden = {});
std::vector<Sentencia> traducirLote(const QString& lote, const Opciones& opciones);

// Translates a batch known to hold one statement; the statements' texts
// joined by "; " otherwise (for tests and the trace).
QString traducir(const QString& sentencia, const ClaveDeOrden& claveDeOrden = {});

// The paged grid's page statement, TOP n ... K NOT IN (SELECT TOP s K ...)
// over one source with a total order, read as the keys at offset s (see
// Opciones::paginasPorDesplazamiento), still in the program's dialect with
// LIMIT n OFFSET s; empty when the statement is not of that shape.
QString paginaPorDesplazamiento(const QString& sentencia);

// A statement of the engine's own SQL counting the rows of `consulta` (an
// SQLite SELECT) without computing its columns; empty when that is not sure
// to give the same count (DISTINCT, grouping, aggregates, compounds, LIMIT).
QString conteoDeFilas(const QString& consulta);

// Adds what SQL Server enforces and SQLite does not to CREATE TABLE and
// ALTER TABLE ... ADD: sized text columns refuse longer values, numeric
// columns refuse texts that are no numbers, and text columns compare
// without letter case. Other statements come back unchanged.
QString reforzarDefinicion(const QString& sentencia);

// The collation the embedded engine registers on its connections: the
// suite's server's Modern_Spanish_CI_AS. Stored schemas keep NOCASE, which
// the stock sqlite3 tool knows and which orders ASCII text the same way.
inline constexpr const char* kIntercalacionEspanol = "ES_CI_AS";

// Name prefix of the size checks, so that their failure reads as truncation.
inline constexpr const char* kPrefijoControlLargo = "kv_largo_";
// Name prefix of the type checks of numeric columns (a failure is a conversion error).
inline constexpr const char* kPrefijoControlTipo = "kv_tipo_";

} // namespace ado::tsql
