#pragma once
// The suite's lookup service: from a SELECT statement or a table name it
// builds the query, shows the list or the tree lookup dialog and hands back
// the value the user picked.

#include "lookup/ServicioConsulta.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace lookup {

// One record of the lookup-mask file "consultas.kvt" (1202-byte records).
struct MascaraConsulta {
    QString titulo, tabla, columnas, condicion;
};
// The records of the file, in order; empty when it cannot be read.
QList<MascaraConsulta> leerMascaras(const QString& ruta);

class Lib_ClsCons3 : public ServicioConsulta {
public:
    Lib_ClsCons3();

    QVariant StkNivel1, StkNivel2, StkNivel3, StkNivel4;
    QString MuestraStock;
    QStringList CmpsDevueltos;
    QStringList Valores;
    QStringList Cantidades;
    bool Checks = false;
    QString gConnString;
    QString gRutaMascaraConsultas;
    bool gUsarMascarasConsultas = false;
    bool UsaCantidades = false;
    bool CfgUsaConsultaLIKE = false;

    void ConsultaSearch(const QString& Sentencia, QStringList* CmpsDevueltos = nullptr,
                        const QString& Clave = {}, QString* CampoBusqueda = nullptr, QString* Where = nullptr,
                        const QString& SentenciaOpcional = {}, bool TreeView = false,
                        const QString& ValoresDefault = {}) override;

    // The statement a search runs (step 3), without showing anything; `detenida`
    // tells the search stops with the mask message.
    QString armarSentencia(const QString& sql, QString& Where, QString& CampoBusqueda,
                           const QString& SentenciaOpcional, bool& detenida);

    QString MenuOpciones(const QString& Titulo, const QStringList& Opc);
    void CheckOpciones(const QString& Titulo, QStringList& CmpsDevueltos, const QStringList& Opc);
    QString ConsultaDesdeArchivo(const QString& Titulo, const QString& QueArchivo,
                                 const QString& Separador = {});
};

// Creates the process's service from the configuration and installs it.
Lib_ClsCons3& servicioDelPrograma();

} // namespace lookup
