#include "platform/Rutas.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace plataforma {

QString carpetaAplicacion() {
    const QString env = qEnvironmentVariable("QUENZAR_CARPETA_APLICACION");
    if (!env.isEmpty()) {
        QDir().mkpath(env);
        return QDir::cleanPath(env);
    }
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
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
