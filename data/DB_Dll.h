#pragma once
// DB_Dll: the database session object. One object holds the connection
// parameters, the ADO connection opened with them, and every data-access
// operation of the program. Members follow the slot order of the suite's
// class; "by reference" arguments are references here.

#include "platform/ErrorEjecucion.h"
#include "platform/Rutina.h"
#include "platform/ado/Ado.h"

#include <QVariant>
#include <functional>
#include <memory>

namespace orvexa {
class DialogoArchivo;
class Utilidades;
} // namespace orvexa

namespace datos {

// What the connection dialog exchanges with the session (the shell's
// frmAcceso fills it; tests install their own).
struct DatosDialogoConexion {
    QString base;
    QString servidor;
    QString usuario;
    QString clave;
    int plataforma = 0; // 0 "SQL Server", 1 "ORACLE"
    bool aceptar = false;
};
using DialogoConexion = std::function<void(DatosDialogoConexion&)>;
void registrarDialogoConexion(DialogoConexion dialogo);

class DB_Dll {
public:
    DB_Dll();
    ~DB_Dll();
    DB_Dll(const DB_Dll&) = delete;
    DB_Dll& operator=(const DB_Dll&) = delete;

    // ---- public fields, in declaration order
    orvexa::DialogoArchivo& CmdDlg();
    bool gOpenFlag = false;
    QVariant gIgnoraPassWord;
    ado::Connection& gCnn();
    std::shared_ptr<ado::Recordset> glrcs;
    QVariant gCursorLocation;
    QString gProveedor;
    QString gDsn;
    QString gServidor;
    QString gDBName;
    QString gUsuario;
    bool gEsAdmin = false;
    QString gUserPassWord;
    QString gConnString;
    QString gExtended;
    QString gLogErr;
    bool ParametrosSQL = false;
    int16_t gKVTimeOut = 0;

    // ---- members, in slot order
    QVariant BuscaMaximo(const QString& QueTabla, const QString& QueCampo, const QVariant& Tipo = {},
                         const QVariant& Condicion = {});
    QVariant BuscaMinimo(const QString& QueTabla, const QString& QueCampo, const QVariant& Tipo = {},
                         const QVariant& Condicion = {});
    void OpenServerADODB(bool PideParametrosSQL = false, int lCursor = 3, const QString& ConnString = {},
                         bool ValidaAdmin = true, bool MuestraError = true);
    void ReintentaConectar();
    void OpenLocalADODB(const QString& ConnString = {}, const QString& CadenaID = QStringLiteral("User Id"),
                        const QString& CadenaPWD = QStringLiteral("Password"));
    bool ExisteEnTablaST(const QString& Tabla, const QString& ValorBuscado,
                         const QString& Campo = QStringLiteral("Codigo"), ado::Recordset* Lrcs = nullptr,
                         const QVariant& Tipodato = 8, const QString& Condicion = {},
                         bool SoloLectura = false);
    bool ExisteEnTabla(const QString& Tabla, const QString& ValorBuscado,
                       const QString& Campo = QStringLiteral("Codigo"), ado::Recordset* Lrcs = nullptr,
                       const QVariant& Tipodato = 8, const QString& Condicion = {}, bool SoloLectura = true);
    QVariant DatosTabla(const QString& Tabla, const QString& ValorBuscado, const QString& CampoDevuelto,
                        const QString& Campo = QStringLiteral("Codigo"), const QVariant& Tipodato = 8,
                        const QString& Condicion = {}, bool UsaTrim = true, bool IgnoraError = false);
    bool adodate(const QVariant& Qtype) const;
    QString ADOComilla(const QVariant& Qtype) const;
    bool ADOText(const QVariant& Qtype) const;
    bool ADONumeric(const QVariant& Qtype) const;
    bool ADOCurrency(const QVariant& Qtype) const;
    bool ADOBoolean(const QVariant& Qtype) const;
    void CierraRecordset(ado::Recordset& LrcsTemp);
    void QConsulta(const QVariant&, const QVariant&, const QVariant&, const QVariant&, const QVariant&,
                   const QVariant&) {}
    void QGridConsulta(const QVariant&, const QVariant&, const QVariant&, const QVariant&, const QVariant&) {}
    QString stSTF(QString& rsName, int16_t rnPart);
    QString AddBrackets(const QString& rObjName) const;
    QString StripConnect(const QString& rsTblName) const;
    QString StripBrackets(const QString& rsObjName) const;
    QString StripOwner(QString& rsTblName) const;
    QString StripFileName(const QString& rsFileName) const;
    void EjecutaConsultaSQL(QString& SentenciaSQL, qint64* RecordsAffected = nullptr,
                            std::shared_ptr<ado::Recordset>* Lrcs = nullptr);
    void EjecutaConsultaRSQL(QString& SentenciaSQL, qint64* RecordsAffected = nullptr,
                             std::shared_ptr<ado::Recordset>* Lrcs = nullptr);
    void AbrirRecordset(QString& SentenciaSQL, ado::Recordset& Lrcs,
                        ado::Connection* Conexionactiva = nullptr, int CursorType = 0, int LockType = 1,
                        int Options = -1, bool ConvOracle = true);
    QString ORACLE_Dicc(const QString& Valor);
    QVariant BuscaUltimoCodigo(const QString& QueTabla, const QString& QueCampo, const QVariant& Tipo = 8,
                               const QString& Condicion = {});
    QString pJETOLEDB40() const { return QStringLiteral("Microsoft.Jet.OLEDB.4.0"); }
    QString pJETOLEDB35() const { return QStringLiteral("Microsoft.Jet.OLEDB.3.51"); }
    QString pSQLOLEDB() const { return QStringLiteral("SQLOLEDB"); }
    QString SQLValue(const QVariant& Valor, const QString& Tipo = QStringLiteral("'"));
    void AddField(const QString& Tabla, const QString& Campo, const QString& Tipo, bool PermiteNulos,
                  const QVariant& ValorDefault = {});
    bool ExisteTablaDB(const QString& Tabla);
    bool ExisteCampoDB(const QString& Tabla, const QString& Campo);
    // Oracle's SQL where it differs from SQL Server's (ROWNUM for TOP, LENGTH
    // for LEN): the session's pages follow its provider, single statements the
    // connection's string.
    bool paginasConRownum() const;
    bool sentenciasConRownum();
    bool VerCampoDB(const QString& Tabla, const QString& Campo, bool Agregar = true, const QString& Tipo = {},
                    bool PermiteNulos = true, const QVariant& ValorDefault = {});
    QString SS_TSinonimos(const QString& sql);
    QString ArchivoErrores() const { return gLogErr; }
    void setArchivoErrores(const QString& ruta) { gLogErr = ruta; }
    int16_t TratamientoErrores(const plataforma::ErrorEjecucion& CodErr, int Botones = 18,
                               const QString& Rutina = {});

    // The connection string built from the fields (a step of OpenServerADODB).
    QString cadenaDesdeCampos() const;

    // Opens the session's link again after it was lost (a save that met a
    // server gone), as the query members recover a lost connection: asking
    // the user when it cannot, until it is open or the user ends the program.
    void recuperarEnlace();

private:
    // The connection-loss recovery shared by the query members; true when
    // the failed step is to be repeated.
    enum class Perfil { AbrirRecordset, Ejecuta, Busqueda };
    bool recuperarConexion(Perfil perfil, int& contador);
    // The failure is a link lost: the server's native 11, or a connection left
    // closed by a reopening that failed (3709).
    bool enlaceCaido(const plataforma::ErrorEjecucion& e);
    bool mEnlacePerdido = false;
    // The failure handling of the look-up members: recovery first, then the user's choice.
    plataforma::Informador informarBusqueda(Perfil perfil, int& contador);
    bool dialogoConexion();
    QString marcasYSinonimos(const QString& sentencia);
    // Steps 1 to 4 of the execute members; after a failure `alFallar` (inside
    // the handler) says whether to run the failed step again.
    bool ejecutarPasos(QString& SentenciaSQL, qint64* RecordsAffected, std::shared_ptr<ado::Recordset>* Lrcs,
                       const std::function<bool()>& alFallar);
    bool ejecutarBusqueda(const QString& sql, bool reescribir, ado::Recordset* Lrcs, bool SoloLectura,
                          ado::Connection& cn);
    QString DescartaSentencia(QString& sentencia);
    void EjecutaScriptOracle(QString& script, qint64& afectadas);
    QString numeroComoTexto(const QString& valor) const;
    QString cuerpoBusqueda(const QString& Tabla, const QString& ValorBuscado, const QString& Campo,
                           const QVariant& Tipodato, bool conTop) const;
    orvexa::Utilidades& util();

    std::unique_ptr<orvexa::DialogoArchivo> mCmdDlg;
    std::unique_ptr<ado::Connection> mCnn;
    std::unique_ptr<orvexa::Utilidades> mUtil;
};

// The process-wide sessions and the session values the data layer reads.
DB_Dll& gDB();
// The confidentiality setting "SS_CONFIDENCIALIDAD" (set by the configuration load).
bool& gConfidencialidad();
// Back to a fresh process state (tests).
void reiniciarSesion();

// The answer words of the logs.
QString palabraRespuesta(int respuesta);
// A log line: "MM-dd-yyyy hh:mm:ss Rutina: ... Mensaje ... Respondió : ..."
QString lineaRegistro(const QString& rutina, const QString& mensaje, int respuesta, bool mostrado = true);
// Appends a line (Windows-1252, CR LF) to a log file; false when it cannot.
bool agregarLinea(const QString& ruta, const QString& linea);

} // namespace datos
