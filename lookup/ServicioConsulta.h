#pragma once
// What the windows ask of the suite's lookup service: set the returned
// column, run a search, read the value chosen. The lookup module installs
// the service; tests install their own.

#include <QString>
#include <QStringList>
#include <memory>

namespace lookup {

class ServicioConsulta {
public:
    virtual ~ServicioConsulta() = default;
    QString CampoDevuelto;
    QString ValorDevuelto;
    // Shows the lookup for the statement; ValorDevuelto holds the choice ("" when none).
    // CampoBusqueda and Where, when given, come back as the search used them.
    virtual void ConsultaSearch(const QString& Sentencia, QStringList* CmpsDevueltos = nullptr,
                                const QString& Clave = {}, QString* CampoBusqueda = nullptr,
                                QString* Where = nullptr, const QString& SentenciaOpcional = {},
                                bool TreeView = false, const QString& ValoresDefault = {}) = 0;
};

// The process's service; null until one is installed.
ServicioConsulta* servicioActual();
std::unique_ptr<ServicioConsulta> instalarServicio(std::unique_ptr<ServicioConsulta> s);

} // namespace lookup
