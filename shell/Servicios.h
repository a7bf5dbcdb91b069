#pragma once
// The shell's non-window routines: error reporting and logs, the
// configuration table, SQL text helpers, scripts and the program launcher,
// the access log.

#include "platform/ErrorEjecucion.h"
#include "platform/Rutina.h"
#include "platform/ado/Ado.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QLabel;

namespace shell {

// ---- error reporting and logs
int16_t MensajeError(const plataforma::ErrorEjecucion& CodErr, int Botones = 18, const QString& Rutina = {});
// A routine's failures reported with MensajeError (Abort, Retry, Ignore) under the routine's name.
plataforma::Informador informarConMensajeError();
void GrabaErrorAux(const QString& sql, QString& Proceso, int32_t numero, const QString& descripcion);
// The temporary folder of the common log, with a trailing separator.
QString carpetaRegistro();

// ---- configuration table
QString Cfg(const QString& Clave, QString* ValorAux = nullptr);
QString CfgKV(const QString& Clave, QString* ValorAux = nullptr);
void GrabaCfgKV(const QString& Clave, const QVariant& Valor, const QString& ValorAux, bool PoliticaNegocio,
                const QString& Grupo, bool Recortar);
void CargaConfiguracion(const QString& carpetaAplicacion);

// ---- SQL text helpers
bool ExisteArchivo(const QString& ruta);
QString FormatoFechaHora(); // "dd/mm/yy hh:mm"
QString FormatoFecha();     // "dd/mm/yy"
QString FormatoHora();      // "hh:mm"
// The present date and time written with FormatoFechaHora's layout.
QString ahoraComoTexto();
using ListaCampos = QList<QPair<QString, QString>>;
ListaCampos& camposPendientes();
void AgregaCampo(const QString& Campo, QString& Valor, const QString& Comilla, bool Primero);
void ArmaSentencia(ListaCampos& Lista, QStringList& Script, const QString& Tabla, bool Actualiza = false,
                   const QString& Condicion = {}, bool MantenerLista = false);
QString SqlTop(const QString& sentencia);
QDateTime FechaServidor();
bool BuscaCuenta(QString& Codigo, ado::Recordset* Rs, bool SoloLectura, bool& PorCodigoOpcional);

// ---- scripts, launcher, lookup masks, progress bar
void GActualizarDatoScript(const QStringList& Script, bool& HayError, int32_t& NativoError,
                           bool AceptaDuplicado, bool AceptaConflicto, QString& TextoEnviado,
                           QString& TextoError, bool MuestraMensaje);
void MenuExes(QString& Programa, QString& Parametro, qint64& Tarea);
// Appends the default lookup definitions to the lookup-mask file at `ruta`.
void CreaConsultasDefecto(const QString& ruta);
void DibujaProgreso(QLabel* dibujo, double valor, const QColor& color, const QString& titulo);

// ---- permissions and access log
void VerificaPermisos(QString Proceso = {});

} // namespace shell
