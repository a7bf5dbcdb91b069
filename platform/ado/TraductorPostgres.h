#pragma once
// The program's SQL Server dialect on PostgreSQL: TOP (nested, PERCENT) to
// LIMIT, [names] and bare names written as the schema declares them, table
// hints and dbo. dropped, CONVERT/CAST/ISNULL in PostgreSQL's terms, #date#
// and N'' literals, "DELETE T WHERE", LIKE without letter case, and batches
// split with their transaction control recognised. SQL Server's functions
// (getdate, len, charindex) and "+" on texts are the schema's own.

#include "platform/ado/TraductorTSql.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace ado::pg {

// The database's names as declared, by their lower-case spelling.
using Nombres = QHash<QString, QString>;

// The statement that reads the schema's names, and the map made of what it
// returns. The catalogue shows every name to every login (the information
// schema only what the login may use): a table without rights is then
// refused as such, not reported as missing.
inline constexpr const char* kConsultaDeNombres =
    "SELECT c.relname::text FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = "
    "c.relnamespace WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v', 'm', 'p', 'f') UNION ALL "
    "SELECT a.attname::text FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
    "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = current_schema() AND "
    "c.relkind IN ('r', 'v', 'm', 'p', 'f') AND a.attnum > 0 AND NOT a.attisdropped";
Nombres nombresDe(const QStringList& declarados);

// `lecturas`: the engine's faster readings of the list's searches and sorts.
std::vector<tsql::Sentencia> traducirLote(const QString& lote, const Nombres& nombres,
                                          const tsql::Opciones* lecturas = nullptr);

// One statement; the statements' texts joined by "; " when the batch holds several.
QString traducir(const QString& sentencia, const Nombres& nombres);

// A PostgreSQL type for a SQL Server type name ("nvarchar(20)" -> "varchar(20)").
QString tipoPostgres(const QString& tipoSqlServer);

} // namespace ado::pg
