#include "tests/soporte/Guion.h"

#include <QCoreApplication>
#include <QWidget>

namespace prueba {

InterfazGuionada::~InterfazGuionada() {
    for (const auto& r : mRespuestas)
        ADD_FAILURE() << "Respuesta preparada y no usada: " << r.respuesta << " (" << r.contiene.toStdString()
                      << ")";
    if (!mModales.empty()) ADD_FAILURE() << "Ventana modal esperada y no mostrada";
}

InterfazGuionada& InterfazGuionada::responder(int respuesta, const QString& contiene) {
    mRespuestas.push_back({respuesta, contiene, {}});
    return *this;
}
InterfazGuionada& InterfazGuionada::responderCon(std::function<int(const Mensaje&)> f) {
    mRespuestas.push_back({0, QString(), std::move(f)});
    return *this;
}
InterfazGuionada& InterfazGuionada::responderEntrada(std::optional<QString> r) {
    mEntradas.push_back(std::move(r));
    return *this;
}
InterfazGuionada& InterfazGuionada::responderArchivo(std::optional<QString> r) {
    mArchivos.push_back(std::move(r));
    return *this;
}
InterfazGuionada& InterfazGuionada::responderFecha(std::optional<QDate> r) {
    mFechas.push_back(r);
    return *this;
}
InterfazGuionada& InterfazGuionada::alMostrarModal(std::function<int(QWidget*)> f) {
    mModales.push_back(std::move(f));
    return *this;
}

int InterfazGuionada::MsgBox(const QString& texto, int estilo, const QString& titulo) {
    mensajes.push_back({texto, estilo, titulo});
    if (mRespuestas.empty() && porDefecto) return porDefecto(mensajes.back());
    if (mRespuestas.empty()) {
        ADD_FAILURE() << "Mensaje inesperado: [" << titulo.toStdString() << "] " << texto.toStdString();
        return ui::respuestaPorDefecto(estilo);
    }
    const Respuesta r = mRespuestas.front();
    mRespuestas.pop_front();
    if (r.funcion) return r.funcion(mensajes.back());
    if (!r.contiene.isEmpty()) {
        EXPECT_TRUE(texto.contains(r.contiene)) << "El mensaje \"" << texto.toStdString()
                                                << "\" no contiene \"" << r.contiene.toStdString() << "\"";
    }
    return r.respuesta;
}

std::optional<QString> InterfazGuionada::InputBox(const QString& mensaje, const QString& titulo,
                                                  const QString&) {
    mensajes.push_back({mensaje, -1, titulo});
    if (mEntradas.empty()) {
        ADD_FAILURE() << "Cuadro de entrada inesperado: " << mensaje.toStdString();
        return std::nullopt;
    }
    const bool hay = mEntradas.front().has_value();
    const QString valor = mEntradas.front().value_or(QString());
    mEntradas.pop_front();
    if (!hay) return std::nullopt;
    return valor;
}

std::optional<QString> InterfazGuionada::abrirArchivo(const QString& titulo, const QString& filtro,
                                                      const QString&) {
    mensajes.push_back({filtro, -2, titulo});
    if (mArchivos.empty()) {
        ADD_FAILURE() << "Diálogo de archivo inesperado: " << titulo.toStdString();
        return std::nullopt;
    }
    const bool hay = mArchivos.front().has_value();
    const QString valor = mArchivos.front().value_or(QString());
    mArchivos.pop_front();
    if (!hay) return std::nullopt;
    return valor;
}

std::optional<QDate> InterfazGuionada::ElegirFecha(const QString& titulo) {
    if (mFechas.empty()) {
        ADD_FAILURE() << "Selector de fecha inesperado: " << titulo.toStdString();
        return std::nullopt;
    }
    auto r = mFechas.front();
    mFechas.pop_front();
    return r;
}

int InterfazGuionada::mostrarModal(QWidget* ventana) {
    if (mModales.empty()) {
        ADD_FAILURE() << "Ventana modal inesperada: " << ventana->objectName().toStdString();
        return 0;
    }
    auto f = std::move(mModales.front());
    mModales.pop_front();
    return f(ventana);
}

qint64 InterfazGuionada::iniciarProceso(const QString& programa, const QStringList& argumentos) {
    procesos.push_back({programa, argumentos});
    return pidProceso;
}

bool InterfazGuionada::crearAccesoDirecto(const QString& nombre, const QString&, const QString&,
                                          const QString&) {
    accesosDirectos.push_back(nombre);
    return true;
}

void InterfazGuionada::procesarEventos() {
    if (alProcesarEventos) alProcesarEventos();
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

void InterfazGuionada::terminarPrograma(int codigo) {
    throw ProgramaTerminado{codigo};
}

Guion::Guion()
    : mInterfaz(new InterfazGuionada) {
    mAnterior = ui::instalar(std::unique_ptr<ui::Interfaz>(mInterfaz));
}

Guion::~Guion() {
    ui::instalar(std::move(mAnterior));
}

} // namespace prueba
