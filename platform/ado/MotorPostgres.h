#pragma once
// PostgreSQL through unixODBC: server "PG:host[:port]", driver
// QUENZAR_ODBC_POSTGRES (default "PostgreSQL Unicode"), extra keywords
// QUENZAR_ODBC_POSTGRES_EXTRA. The program's SQL Server dialect is translated
// (TraductorPostgres), the server's errors carry SQL Server's native numbers,
// and a long result is read in slices (LIMIT/OFFSET) as its rows are wanted
// and counted with COUNT(*). The provider the program sees is SQL Server's.

#include "platform/ado/MotorOdbc.h"
#include "platform/ado/TraductorPostgres.h"

#include <QHash>

namespace ado {

class MotorPostgres final : public MotorOdbc, public std::enable_shared_from_this<MotorPostgres> {
public:
    QString cadenaOdbc(const QString& cadenaProveedor, const QString& usuario = {},
                       const QString& clave = {}) const override;
    QString proveedor() const override { return QStringLiteral("SQLOLEDB.1"); }
    Resultado ejecutar(const QString& sql, int tiempoEspera) override;
    void cambiarBase(const QString& nombre) override;
    QString bloqueoParaComprobar(const QString& tabla) const override;
    QString pistaLecturaBloqueante() const override { return {}; }

    // The server's diagnostic in SQL Server's terms: its native number and state.
    static void comoSqlServer(ErrorProveedor& e);
    // The schema's faster readings of searches and sorts (KV_ACCESOS; on by
    // default); off runs the plain translation, which the tests compare against.
    void setLecturasRapidas(bool v) { mLecturasRapidas = v; }
    QString dialectoDeEsquema() const override { return QStringLiteral("postgres"); }
    void ejecutarGuion(const QString& guion) override;

protected:
    QString origen() const override { return QStringLiteral("PostgreSQL"); }
    void ajustarDiagnostico(ErrorProveedor& e) const override { comoSqlServer(e); }
    void alConectar(int tiempoEspera) override;
    QString traducida(const QString& sql) const override { return pg::traducir(sql, mNombres); }
    QString catalogoDeEsquema(const QString&) const override { return {}; }
    QString tablaDeEsquema(const QString& tabla) const override;

private:
    // The schema's names as declared, read again after a definition.
    void leerNombres();
    // The column a source is read in when a result has no order (its primary
    // key, or a view's ID), as SQL Server reads its clustered key.
    QString claveDeOrden(const QString& fuente);
    // A long result read in slices; null when the statement cannot be.
    // `plana`, when given: the plain translation of the same rows, whose shape decides;
    // `rapido` then gives each slice (the order to add in the program's dialect, n, from).
    using TramoRapido = std::function<QString(const QString& orden, qint64 cuantas, qint64 desde)>;
    std::unique_ptr<CursorMotor> porTramosSiSePuede(const QString& sql, int tiempoEspera,
                                                    const QString& plana = {},
                                                    const TramoRapido* rapido = nullptr);

    const tsql::Accesos& accesos(); // KV_ACCESOS, read once per schema
    std::optional<tsql::LecturaDeBusqueda>
    candidatosDeBusqueda(const QString& fuente, const QStringList& columnas, const QString& texto);
    QString clavesDePagina(const QString& fuente, const QString& condicion, const QStringList& orden,
                           qint64 cuantas, qint64 desde);

    pg::Nombres mNombres;
    QHash<QString, QString> mClaves;
    tsql::Accesos mAccesos;
    bool mAccesosLeidos = false;
    bool mLecturasRapidas = true;
};

} // namespace ado
