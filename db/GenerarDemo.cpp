// quenzar-generar-demo [--chequeras N] [--nombre NOMBRE] [--sin-datos] [--si-falta | --reemplazar] [CARPETA]
// quenzar-generar-demo --postgres PG:host[:port] [--usuario U] [--clave C] [--chequeras N] [--nombre NOMBRE]
//                      [--reemplazar]
// Builds the embedded demo databases, or the database on a PostgreSQL
// server; with N cheque books up to a million. A database already there is
// kept: --si-falta then goes on without creating, and only --reemplazar
// replaces it.

#include "db/BaseDemo.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Rutas.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    basedatos::OpcionesDemo o;
    QString carpeta;
    bool siFalta = false;
    basedatos::ServidorPostgres pg;
    const QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--chequeras") && i + 1 < args.size()) {
            bool ok = false;
            o.chequeras = args[++i].toLongLong(&ok);
            if (!ok || o.chequeras < 0) {
                err << "Cantidad de chequeras no valida: " << args[i] << "\n";
                return 2;
            }
        } else if (a == QLatin1String("--nombre") && i + 1 < args.size()) {
            o.nombre = args[++i];
        } else if (a == QLatin1String("--postgres") && i + 1 < args.size()) {
            pg.servidor = args[++i];
        } else if (a == QLatin1String("--usuario") && i + 1 < args.size()) {
            pg.usuario = args[++i];
        } else if (a == QLatin1String("--clave") && i + 1 < args.size()) {
            pg.clave = args[++i];
        } else if (a == QLatin1String("--si-falta")) {
            siFalta = true;
        } else if (a == QLatin1String("--sin-datos")) {
            o.datosDemo = false;
        } else if (a == QLatin1String("--reemplazar")) {
            o.reemplazar = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            err << "Uso: quenzar-generar-demo [--chequeras N] [--nombre NOMBRE] [--sin-datos] [--si-falta | "
                   "--reemplazar] [CARPETA]\n       quenzar-generar-demo --postgres PG:servidor[:puerto] "
                   "[--usuario U] [--clave C] [--chequeras N] [--nombre NOMBRE] [--sin-datos] "
                   "[--reemplazar]\n";
            return 2;
        } else {
            carpeta = a;
        }
    }
    if (carpeta.isEmpty()) carpeta = plataforma::carpetaDatos();
    QElapsedTimer reloj;
    reloj.start();
    try {
        if (!pg.servidor.isEmpty()) {
            if (!pg.servidor.startsWith(QLatin1String("PG:"), Qt::CaseInsensitive))
                pg.servidor.prepend(QStringLiteral("PG:"));
            basedatos::crearDemoPostgres(pg, o);
            QTextStream(stdout) << pg.servidor << "/" << o.nombre << ": " << o.chequeras << " chequeras en "
                                << reloj.elapsed() << " ms\n";
            return 0;
        }
        const QString ruta = siFalta ? basedatos::asegurarDemo(carpeta, o) : basedatos::crearDemo(carpeta, o);
        QTextStream(stdout) << ruta << ": " << o.chequeras << " chequeras en " << reloj.elapsed() << " ms\n";
    } catch (const plataforma::ErrorEjecucion& e) {
        err << "No se creó la base de datos. " << e.Description() << "\n";
        return 1;
    }
    return 0;
}
