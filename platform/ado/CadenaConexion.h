#pragma once
// Reading the connection strings exactly as the session builds them:
// "PROVIDER=SQLOLEDB;Server=SRV\INST;Database =EMPRESA;UId=ANA;Pwd=;"
// Keys are compared without letter case and without surrounding blanks.

#include <QList>
#include <QPair>
#include <QString>

namespace ado {

class CadenaConexion {
public:
    explicit CadenaConexion(const QString& texto = {});
    QString valor(const QString& clave) const; // empty when missing
    bool tiene(const QString& clave) const;
    // First key found among several spellings.
    QString valor(std::initializer_list<const char*> claves) const;
    const QList<QPair<QString, QString>>& pares() const { return mPares; }

    // A server named "PG:host[:port]" is PostgreSQL.
    enum class Tipo { Embebida, Jet, SqlServerOdbc, OracleOdbc, PostgresOdbc };
    Tipo tipo() const;

private:
    QList<QPair<QString, QString>> mPares;
};

// A server whose name is taken whole: no SQL Server port (":1433") or
// prefix is cut from it. PostgreSQL's "PG:host[:port]" is one.
bool servidorDeNombreEntero(const QString& servidor);

// The text with every password hidden: "Pwd=secret;" -> "Pwd=****;".
QString ocultarClaves(const QString& texto);

} // namespace ado
