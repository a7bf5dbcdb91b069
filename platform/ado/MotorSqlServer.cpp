#include "platform/ado/MotorSqlServer.h"

#include "platform/ado/CadenaConexion.h"

namespace ado {

QString MotorSqlServer::cadenaOdbc(const QString& cadenaProveedor, const QString& usuarioDado,
                                   const QString& claveDada) const {
    const CadenaConexion cc(cadenaProveedor);
    const QString servidor = cc.valor({"Server", "Data Source"}).trimmed();
    QString host = servidor;
    QString puerto;
    // host:port and host,port name a port; host\instance names an instance.
    const int dosPuntos = servidor.lastIndexOf(QLatin1Char(':'));
    const int coma = servidor.lastIndexOf(QLatin1Char(','));
    const int corte = qMax(dosPuntos, coma);
    if (corte > 0 && !servidor.contains(QLatin1Char('\\'))) {
        host = servidor.left(corte);
        puerto = servidor.mid(corte + 1).trimmed();
    }
    const QString usuario = usuarioDado.isEmpty() ? cc.valor({"UId", "User Id", "User"}) : usuarioDado;
    const QString clave = claveDada.isEmpty() ? cc.valor({"Pwd", "Password"}) : claveDada;
    QString r = QStringLiteral("DRIVER={%1};SERVER=%2;")
                    .arg(entorno("QUENZAR_ODBC_SQLSERVER", "FreeTDS"), valorOdbc(host));
    if (!puerto.isEmpty()) r += QStringLiteral("PORT=%1;").arg(puerto);
    r += QStringLiteral("DATABASE=%1;UID=%2;PWD=%3;")
             .arg(valorOdbc(cc.valor({"Database", "Initial Catalog"}).trimmed()), valorOdbc(usuario),
                  valorOdbc(clave));
    r += entorno("QUENZAR_ODBC_SQLSERVER_EXTRA", "TDS_Version=auto;ClientCharset=UTF-8;");
    return r;
}

} // namespace ado
