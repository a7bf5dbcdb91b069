#pragma once
// The embedded databases: the company database (schema, demo data, and as
// many generated cheque books as asked) and the statistics database.

#include <QString>

namespace basedatos {

struct OpcionesDemo {
    qint64 chequeras = 36; // cheque books to create
    bool datosDemo = true; // banks, accounts, users, settings
    QString nombre = QStringLiteral("QUENZAR");
    // A database already there is replaced only when asked; otherwise the
    // creation is refused with what it would lose.
    bool reemplazar = false;
};

// Logins of the demo (user / password).
inline constexpr const char* kUsuarioAdmin = "ADMIN";
inline constexpr const char* kClaveAdmin = "admin";
inline constexpr const char* kUsuarioCajero = "CAJERO";
inline constexpr const char* kClaveCajero = "cajero";
inline constexpr const char* kUsuarioEstadisticas = "KV_ESTADISTICAS";
inline constexpr const char* kClaveEstadisticas = "QM_RELOJBANDERA";
inline constexpr const char* kNombreEstadisticas = "KV_ESTADISTICAS";

// Creates NAME.db and KV_ESTADISTICAS.db in the folder (replacing them only
// with `reemplazar`). Returns the path of the company database.
QString crearDemo(const QString& carpeta, const OpcionesDemo& opciones = {});

// The list's search index and its triggers (busqueda.sql) on an embedded
// company database; a database that has them is left as it is.
void instalarBusqueda(const QString& rutaEmpresa);

// The history table, its protection and its view in the dialect a database
// takes ("sqlite", "postgres"); empty for any other.
QString guionHistorial(const QString& dialecto);

// Only when missing: what the start command uses.
QString asegurarDemo(const QString& carpeta, const OpcionesDemo& opciones = {});

// A PostgreSQL server ("PG:host[:port]") and the login that may create databases.
struct ServidorPostgres {
    QString servidor;
    QString usuario = QLatin1String(kUsuarioAdmin);
    QString clave = QLatin1String(kClaveAdmin);
};

// Creates (replacing it only with `reemplazar`) the company database NAME and, when missing, the
// statistics database and the demo's logins on a PostgreSQL server; the
// cheque books are loaded in bulk (COPY).
void crearDemoPostgres(const ServidorPostgres& servidor, const OpcionesDemo& opciones = {});

// A new database NAME on the server, a copy of PLANTILLA (no one may be connected to it).
void copiarBasePostgres(const ServidorPostgres& servidor, const QString& plantilla, const QString& nombre);
void borrarBasePostgres(const ServidorPostgres& servidor, const QString& nombre);

// Connection string of a database, on the embedded engine unless `servidor`
// names another ("PG:host:port").
QString cadenaConexion(const QString& nombre = QStringLiteral("QUENZAR"),
                       const QString& usuario = QLatin1String(kUsuarioAdmin),
                       const QString& clave = QLatin1String(kClaveAdmin),
                       const QString& servidor = QStringLiteral("SQLITE"));

} // namespace basedatos
