#include "platform/ado/MotorOracle.h"

#include "platform/ado/CadenaConexion.h"

namespace ado {

QString MotorOracle::cadenaOdbc(const QString& cadenaProveedor, const QString& usuarioDado,
                                const QString& claveDada) const {
    const CadenaConexion cc(cadenaProveedor);
    const QString usuario = usuarioDado.isEmpty() ? cc.valor({"User Id", "UId", "User"}) : usuarioDado;
    const QString clave = claveDada.isEmpty() ? cc.valor({"Password", "Pwd"}) : claveDada;
    return QStringLiteral("DRIVER={%1};DBQ=%2;UID=%3;PWD=%4;")
               .arg(entorno("QUENZAR_ODBC_ORACLE", "Oracle"), valorOdbc(cc.valor("Data Source").trimmed()),
                    valorOdbc(usuario), valorOdbc(clave)) +
           qEnvironmentVariable("QUENZAR_ODBC_ORACLE_EXTRA");
}

QString MotorOracle::bloqueoParaComprobar(const QString& tabla) const {
    return QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(tabla);
}

QString MotorOracle::baseDeCadena(const CadenaConexion& cc) const {
    return cc.valor("Data Source").trimmed();
}

} // namespace ado
