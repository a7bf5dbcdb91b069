#pragma once
// SQL Server and Oracle through unixODBC. The connection strings the session
// builds for the OLE DB providers are mapped to an ODBC driver's keywords:
//   SQL Server: driver QUENZAR_ODBC_SQLSERVER (default "FreeTDS"),
//               extra keywords QUENZAR_ODBC_SQLSERVER_EXTRA
//               (default "TDS_Version=auto;ClientCharset=UTF-8;")
//   Oracle:     driver QUENZAR_ODBC_ORACLE (default "Oracle"),
//               extra keywords QUENZAR_ODBC_ORACLE_EXTRA.
//   PostgreSQL: server "PG:host[:port]", driver QUENZAR_ODBC_POSTGRES
//               (default "PostgreSQL Unicode"), extra keywords
//               QUENZAR_ODBC_POSTGRES_EXTRA. The program's SQL Server
//               dialect is translated, and the server's errors carry SQL
//               Server's native numbers.
// A connection carries one pending result at a time, so every result is read
// whole before the call returns; on PostgreSQL a long result is read in
// slices (LIMIT/OFFSET) as the rows are wanted, and counted with COUNT(*).

#include "platform/ado/Motor.h"
#include "platform/ado/TraductorPostgres.h"

#include <QHash>

namespace ado {

enum class DialectoOdbc { SqlServer, Oracle, Postgres };

// The ODBC connection string for a provider connection string (for tests and
// the trace; the password is in it).
QString cadenaOdbc(const QString& cadenaProveedor, DialectoOdbc dialecto, const QString& usuario = {},
                   const QString& clave = {});

class MotorOdbc final : public Motor, public std::enable_shared_from_this<MotorOdbc> {
public:
    explicit MotorOdbc(DialectoOdbc dialecto);
    ~MotorOdbc() override;

    void abrir(const ParametrosConexion& p) override;
    void cerrar() override;
    bool abierto() const override;
    Resultado ejecutar(const QString& sql, int tiempoEspera) override;
    qint64 ejecutarConParametros(const QString& sql, const QVector<QVariant>& valores,
                                 int tiempoEspera) override;
    void iniciarTransaccion() override;
    void confirmarTransaccion() override;
    void deshacerTransaccion() override;
    std::unique_ptr<CursorMotor> esquemaTablas() override;
    std::unique_ptr<CursorMotor> esquemaColumnas(const QString& catalogo, const QString& tabla) override;
    QStringList clavePrimaria(const QString& tabla) override;
    QString baseActual() const override { return mBase; }
    void cambiarBase(const QString& nombre) override;
    QString proveedor() const override;
    QString ultimoTextoEnviado() const override { return mUltimo; }

    // PostgreSQL: one statement already in its dialect, read whole.
    Resultado ejecutarUna(const QString& sql, int tiempoEspera);

private:
    // PostgreSQL: the schema's names as declared, read again after a definition.
    void leerNombres();
    QString traducida(const QString& sql) const;
    // PostgreSQL: the column a source is read in when a result has no order
    // (its primary key, or a view's ID), as SQL Server reads its clustered key.
    QString claveDeOrden(const QString& fuente);

    struct Impl;
    std::unique_ptr<Impl> d;
    DialectoOdbc mDialecto;
    QString mBase;
    QString mUltimo;
    pg::Nombres mNombres;
    QHash<QString, QString> mClaves;
};

} // namespace ado
