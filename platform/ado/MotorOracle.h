#pragma once
// Oracle through unixODBC: driver QUENZAR_ODBC_ORACLE (default "Oracle"),
// extra keywords QUENZAR_ODBC_ORACLE_EXTRA. The session writes Oracle's SQL
// itself where it differs (ROWNUM for TOP); reads take no range locks, so a
// range check locks the table.

#include "platform/ado/MotorOdbc.h"

namespace ado {

class MotorOracle final : public MotorOdbc {
public:
    QString cadenaOdbc(const QString& cadenaProveedor, const QString& usuario = {},
                       const QString& clave = {}) const override;
    QString proveedor() const override { return QStringLiteral("OraOLEDB.Oracle.1"); }
    QString bloqueoParaComprobar(const QString& tabla) const override;
    QString pistaLecturaBloqueante() const override { return {}; }

protected:
    QString origen() const override { return QStringLiteral("OraOLEDB"); }
    QString baseDeCadena(const CadenaConexion& cc) const override;
};

} // namespace ado
