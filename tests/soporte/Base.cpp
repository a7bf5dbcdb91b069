#include "tests/soporte/Base.h"

#include <QCoreApplication>
#include <QFile>

namespace prueba {

BaseTemporal::BaseTemporal(basedatos::OpcionesDemo o) {
    mCarpeta = mDir.path();
    mDatosAnterior = qgetenv("QUENZAR_DATOS");
    qputenv("QUENZAR_DATOS", mCarpeta.toUtf8());
    mRuta = basedatos::crearDemo(mCarpeta, o);
}

BaseTemporal::~BaseTemporal() {
    qputenv("QUENZAR_DATOS", mDatosAnterior);
}

QString BaseTemporal::cadena(const QString& usuario, const QString& clave) const {
    return basedatos::cadenaConexion(QStringLiteral("QUENZAR"), usuario, clave);
}

QString servidorPostgres() {
    // The test command's server takes a free port and writes where it is.
    static const QString servidor = [] {
        const QString archivo = qEnvironmentVariable("QUENZAR_PG_ARCHIVO");
        if (archivo.isEmpty()) return qEnvironmentVariable("QUENZAR_PG");
        QFile f(archivo);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
    }();
    return servidor;
}

BasePostgres::BasePostgres(QString servidor)
    : mServidor(std::move(servidor)) {
    if (mServidor.isEmpty()) return;
    static int contador = 0;
    mNombre = QStringLiteral("Q%1_%2").arg(QCoreApplication::applicationPid()).arg(++contador);
    basedatos::copiarBasePostgres({mServidor}, QStringLiteral("QUENZAR_PLANTILLA"), mNombre);
}

BasePostgres::~BasePostgres() {
    if (mServidor.isEmpty()) return;
    try {
        basedatos::borrarBasePostgres({mServidor}, mNombre);
    } catch (const plataforma::ErrorEjecucion&) {
        // A server stopped by the test leaves the copy to the end of the run.
    }
}

QString BasePostgres::cadena(const QString& usuario, const QString& clave) const {
    return basedatos::cadenaConexion(mNombre, usuario, clave, mServidor);
}

std::string describir(const plataforma::ErrorEjecucion& e) {
    return (QStringLiteral("error %1 (%2): ").arg(e.Number()).arg(e.Source()) + e.Description())
        .toStdString();
}

} // namespace prueba
