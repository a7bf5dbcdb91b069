#pragma once
// SQL Server through unixODBC: the provider connection string's keywords are
// given to the driver QUENZAR_ODBC_SQLSERVER (default "FreeTDS") with the
// extra keywords QUENZAR_ODBC_SQLSERVER_EXTRA (default
// "TDS_Version=auto;ClientCharset=UTF-8;"). The program speaks its dialect.

#include "platform/ado/MotorOdbc.h"

namespace ado {

class MotorSqlServer final : public MotorOdbc {
public:
    QString cadenaOdbc(const QString& cadenaProveedor, const QString& usuario = {},
                       const QString& clave = {}) const override;
    QString proveedor() const override { return QStringLiteral("SQLOLEDB.1"); }

protected:
    QString origen() const override { return QStringLiteral("Microsoft OLE DB Provider for SQL Server"); }
};

} // namespace ado
