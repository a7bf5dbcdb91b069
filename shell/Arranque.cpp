#include "shell/Arranque.h"

#include "platform/ErrorEjecucion.h"
#include "platform/Texto1252.h"
#include "platform/ado/CadenaConexion.h"
#include "shell/helperlib/OrVexa2.h"

#include <QFile>
#include <QStringList>

namespace shell {

namespace {

// The usual reading of comma-separated lines: a field may be a double-quoted text.
QStringList camposCsv(const QString& linea) {
    QStringList r;
    QString actual;
    bool entreComillas = false;
    for (int i = 0; i < linea.size(); ++i) {
        const QChar c = linea[i];
        if (entreComillas) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < linea.size() && linea[i + 1] == QLatin1Char('"')) {
                    actual += c;
                    ++i;
                } else {
                    entreComillas = false;
                }
            } else {
                actual += c;
            }
        } else if (c == QLatin1Char('"') && actual.trimmed().isEmpty()) {
            actual.clear();
            entreComillas = true;
        } else if (c == QLatin1Char(',')) {
            r << actual.trimmed();
            actual.clear();
        } else {
            actual += c;
        }
    }
    r << actual.trimmed();
    return r;
}

} // namespace

ValoresComando cortarComando(const QString& comando) {
    const orvexa::Utilidades u;
    struct Clave {
        const char* clave;
        QString* destino;
        const char* defecto;
    };
    ValoresComando v;
    const Clave claves[] = {{"@ParametroAdicional", &v.parametroAdicional, ""},
                            {"@Menu", &v.menu, ""},
                            {"@Server", &v.servidor, ""},
                            {"@DbName", &v.base, ""},
                            {"@Usuario", &v.usuario, ""},
                            {"@Password", &v.clave, ""},
                            {"@UsuarioLogeado", &v.usuarioLogeado, ""},
                            {"@Caja", &v.caja, "1"}};
    for (const auto& c : claves) {
        const QString K = QLatin1String(c.clave);
        const int p = static_cast<int>(comando.indexOf(K, 0, Qt::CaseInsensitive));
        if (p < 0) {
            *c.destino = QLatin1String(c.defecto);
            continue;
        }
        const int q = static_cast<int>(comando.indexOf(QLatin1Char(';'), p));
        QString valor;
        if (q < 0) {
            // No ";" follows: the cut's length is negative. Only the first key
            // has its own way out: the 19 characters after it.
            if (K == QLatin1String("@ParametroAdicional")) valor = comando.mid(p + K.size(), 19);
        } else {
            valor = comando.mid(p + K.size(), q - K.size() - p);
        }
        *c.destino = u.QuitarCaracter(valor, QStringLiteral("=")).trimmed();
    }
    return v;
}

QString NormalizaServidor(const QString& servidor) {
    // A PostgreSQL server's port stays, like Oracle's mark.
    if (ado::servidorDeNombreEntero(servidor)) return servidor.trimmed();
    QString s = servidor;
    const int barra = static_cast<int>(s.indexOf(QLatin1Char('/')));
    if (barra >= 0) s = s.mid(barra + 1);
    const int dp = static_cast<int>(s.indexOf(QLatin1Char(':')));
    if (dp >= 0) s = s.left(dp);
    return s;
}

QList<BaseRegistrada> leerBasesRegistradas(const QString& ruta) {
    QList<BaseRegistrada> r;
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return r;
    const QByteArray todo = f.read(4 * 1024 * 1024); // a connection list is a few lines
    for (QString linea : plataforma::desde1252(todo).split(QLatin1Char('\n'))) {
        if (linea.endsWith(QLatin1Char('\r'))) linea.chop(1);
        const QStringList c = camposCsv(linea);
        if (c.size() < 5 || c[0].trimmed().isEmpty()) continue;
        BaseRegistrada b;
        b.nombre = c[0];
        b.base = c[1];
        b.usuario = c[2];
        try {
            b.clave = orvexa::Utilidades().Desencriptar(c[3]);
        } catch (const plataforma::ErrorEjecucion&) {
            b.clave.clear();
        }
        b.servidor = c[4];
        r << b;
    }
    return r;
}

} // namespace shell
