#include "platform/Rutas.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace plataforma {

QString carpetaCompartida() {
    if (!QCoreApplication::instance()) return {};
    // PREFIX/bin/quenzar reads PREFIX/share/quenzar; a build folder has none. The executable does
    // not move while it runs: looked up once.
    static const QString compartida = [] {
        const QString carpeta =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/quenzar"));
        return QFileInfo(carpeta).isDir() ? carpeta : QString();
    }();
    return compartida;
}

QString carpetaProgramas() {
    const QString env = qEnvironmentVariable("QUENZAR_CARPETA_APLICACION");
    if (!env.isEmpty()) return QDir::cleanPath(env);
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

QString carpetaAplicacion() {
    if (const QString env = qEnvironmentVariable("QUENZAR_CARPETA_APLICACION"); !env.isEmpty()) {
        QDir().mkpath(env);
    } else if (!carpetaCompartida().isEmpty()) {
        // Installed: the program's folder belongs to the system, the user's files to the user.
        const QString datos = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (!datos.isEmpty()) {
            const QString carpeta = datos + QStringLiteral("/quenzar");
            QDir().mkpath(carpeta);
            return carpeta;
        }
    }
    // Otherwise the files live with the programs, as the suite keeps them.
    return carpetaProgramas();
}

QString carpetaDatos() {
    const QString env = qEnvironmentVariable("QUENZAR_DATOS");
    if (!env.isEmpty()) return QDir::cleanPath(env);
    return carpetaAplicacion() + QStringLiteral("/datos");
}

QString rutaBaseDatos(const QString& nombre) {
    const QString n = nombre.trimmed();
    const bool esRuta = n.contains(QLatin1Char('/')) || n.contains(QLatin1Char('\\')) ||
                        n.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) ||
                        n.endsWith(QLatin1String(".sqlite"), Qt::CaseInsensitive) ||
                        n.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive);
    if (esRuta) return QString(n).replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString carpeta = carpetaDatos();
    const QString exacta = carpeta + QLatin1Char('/') + n + QStringLiteral(".db");
    if (QFileInfo::exists(exacta)) return exacta;
    const QDir dir(carpeta);
    const auto archivos = dir.entryList({QStringLiteral("*.db")}, QDir::Files);
    for (const QString& a : archivos)
        if (a.compare(n + QStringLiteral(".db"), Qt::CaseInsensitive) == 0)
            return carpeta + QLatin1Char('/') + a;
    return exacta;
}

} // namespace plataforma
