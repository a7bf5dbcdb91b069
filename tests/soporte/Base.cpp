#include "tests/soporte/Base.h"

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

std::string describir(const plataforma::ErrorEjecucion& e) {
    return (QStringLiteral("error %1 (%2): ").arg(e.Number()).arg(e.Source()) + e.Description())
        .toStdString();
}

} // namespace prueba
