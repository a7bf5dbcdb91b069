// The session object: fields, connection operations, literals and names,
// schema inspection and the error treatment.

#include "data/DB_Dll.h"

#include "platform/Rutas.h"
#include "platform/Texto1252.h"
#include "platform/ado/Traza.h"
#include "platform/ui/Dialogos.h"
#include "shell/helperlib/OrVexa2.h"

#include <QDateTime>
#include <QFile>

namespace datos {

using plataforma::ErrorEjecucion;
namespace errores = plataforma::errores;

namespace {

DialogoConexion& dialogoRegistrado() {
    static DialogoConexion d;
    return d;
}

std::unique_ptr<DB_Dll>& ranuraGDB() {
    static std::unique_ptr<DB_Dll> s;
    return s;
}

bool& ranuraConfidencialidad() {
    static bool c = false;
    return c;
}

int codigoTipo(const QVariant& q) {
    bool ok = false;
    const int n = q.toString().trimmed().toInt(&ok);
    return ok ? n : -1;
}

// A routine's failures go to the main session's error treatment under the routine's name.
plataforma::Informador informarConTratamiento() {
    return [](const ErrorEjecucion& e, const QString& rutina) {
        return gDB().TratamientoErrores(e, 18, rutina);
    };
}

} // namespace

void registrarDialogoConexion(DialogoConexion dialogo) {
    dialogoRegistrado() = std::move(dialogo);
}

DB_Dll& gDB() {
    auto& s = ranuraGDB();
    if (!s) s = std::make_unique<DB_Dll>();
    return *s;
}

bool& gConfidencialidad() {
    return ranuraConfidencialidad();
}

void reiniciarSesion() {
    ranuraGDB().reset();
    ranuraConfidencialidad() = false;
}

DB_Dll::DB_Dll() = default;
DB_Dll::~DB_Dll() = default;

orvexa::DialogoArchivo& DB_Dll::CmdDlg() {
    if (!mCmdDlg) mCmdDlg = std::make_unique<orvexa::DialogoArchivo>();
    return *mCmdDlg;
}

ado::Connection& DB_Dll::gCnn() {
    if (!mCnn) mCnn = std::make_unique<ado::Connection>();
    return *mCnn;
}

orvexa::Utilidades& DB_Dll::util() {
    if (!mUtil) mUtil = std::make_unique<orvexa::Utilidades>();
    return *mUtil;
}

// ------------------------------------------------------------------ 2.1 connections

QString DB_Dll::cadenaDesdeCampos() const {
    if (gServidor.contains(QLatin1Char('#')))
        return QStringLiteral("Provider=OraOLEDB.Oracle.1;Data Source=") + gDBName +
               QStringLiteral(";User Id=") + gUsuario + QStringLiteral(";Password=") + gUserPassWord +
               QStringLiteral(";");
    return QStringLiteral("PROVIDER=") + const_cast<DB_Dll&>(*this).pSQLOLEDB() + QStringLiteral(";") +
           QStringLiteral("Server=") + gServidor + QStringLiteral(";") + QStringLiteral("Database =") +
           gDBName + QStringLiteral(";") + QStringLiteral("UId=") + gUsuario + QStringLiteral(";") +
           QStringLiteral("Pwd=") + gUserPassWord + QStringLiteral(";") + gExtended;
}

bool DB_Dll::dialogoConexion() {
    DatosDialogoConexion d;
    d.base = gDBName;
    d.servidor = gServidor;
    d.usuario = gUsuario;
    d.clave = gUserPassWord;
    d.plataforma = 0;
    d.aceptar = false;
    if (dialogoRegistrado()) dialogoRegistrado()(d);
    if (!d.aceptar) {
        gOpenFlag = false;
        return false;
    }
    gOpenFlag = true;
    gDBName = d.base;
    gServidor = d.servidor;
    gUsuario = d.usuario;
    gUserPassWord = d.clave;
    if (d.plataforma > 0) {
        gProveedor = QStringLiteral("OraOLEDB.Oracle.1");
        if (!gServidor.contains(QLatin1Char('#'))) gServidor += QLatin1Char('#');
    } else {
        gProveedor = pSQLOLEDB();
    }
    return true;
}

void DB_Dll::OpenServerADODB(bool PideParametrosSQL, int lCursor, const QString& ConnString, bool ValidaAdmin,
                             bool MuestraError) {
    bool reintentado = false;
    int paso = 2;
    while (paso <= 8) {
        try {
            switch (paso) {
            case 2:
                gOpenFlag = true;
                break;
            case 3:
                if (gProveedor.isEmpty()) gProveedor = QStringLiteral("SQLOLEDB");
                break;
            case 4:
                if (ConnString.trimmed().isEmpty())
                    gConnString = cadenaDesdeCampos();
                else
                    gConnString = ConnString;
                break;
            case 5:
                if (PideParametrosSQL) {
                    if (!dialogoConexion()) return;
                    gConnString = cadenaDesdeCampos();
                }
                break;
            case 6:
                gCnn().setCursorLocation(lCursor);
                break;
            case 7:
                gCnn().Open(gConnString, QString(), QString(), -1);
                break;
            case 8:
                if (!ValidaAdmin) {
                    gEsAdmin = true;
                } else if (!gDBName.trimmed().isEmpty()) {
                    gCnn().setDefaultDatabase(gDBName);
                    if (gDB().ExisteTablaDB(QStringLiteral("TA_USUARIOS"))) {
                        if (!MuestraError) {
                            gEsAdmin = true;
                        } else {
                            const QVariant v = DatosTabla(
                                QStringLiteral("ta_usuarios"), gUsuario, QStringLiteral("Administrador"),
                                QStringLiteral("nombre"), 8, QString(), true, false);
                            gEsAdmin = util().ANumero(v.toString()) == 1;
                        }
                    }
                }
                break;
            }
            ++paso;
        } catch (...) {
            const ErrorEjecucion e = plataforma::comoErrorEjecucion(std::current_exception());
            if (!MuestraError) {
                if (e.Number() == errores::ObjetoAbierto && !reintentado) {
                    reintentado = true;
                    try {
                        gCnn().Close();
                    } catch (...) {
                        // A half-open link may refuse to close; the open tried again reports what matters.
                    }
                    continue; // the failed step again
                }
                gOpenFlag = false;
                return;
            }
            if (gCnn().Errors().Count() > 0) {
                const ado::Error& x = gCnn().Errors().Item(0);
                const QString CR = QStringLiteral("\r");
                const QString CRLF = QStringLiteral("\r\n");
                const QString texto =
                    QStringLiteral(" Estado de Sql: ") + x.SQLState + CR +
                    QStringLiteral("Numero de Error: ") + QString::number(x.Number) + CR +
                    QStringLiteral("Descripcion: ") + ado::traza::enmascarar(x.Description) + CR +
                    QStringLiteral("Codigo Nativo: ") + QString::number(x.NativeError) + CR + CRLF +
                    QStringLiteral("Nombre de Proceso: ") + ui::tituloPrograma() + CR + CRLF + CRLF +
                    QStringLiteral("1. Verifique el Usuario, contraseña y base de datos") + CRLF +
                    QStringLiteral(
                        "2. Verifique el nombre del servidor, quizas necesite agregarle el nombre de la "
                        "instancia, por ejemplo : ") +
                    gDB().gServidor + QStringLiteral("\\ORVEXA") + CRLF +
                    QStringLiteral("3. Verifique si el inicio de sesion para el usuario ") + gDB().gUsuario +
                    QStringLiteral(" existe") + CRLF + CRLF + CRLF +
                    QStringLiteral(" - Desea Intentarlo Nuevamente??? ");
                const int r = ui::MsgBox(texto, ui::vbYesNo + ui::vbCritical,
                                         QStringLiteral(" Error de Conexion a Base de Datos"));
                if (r == ui::vbYes) {
                    gCnn().Errors().Clear();
                    if (!dialogoConexion()) return;
                    gConnString = cadenaDesdeCampos();
                    continue;
                }
                gOpenFlag = false;
                return;
            }
            if (e.Number() == errores::ObjetoAbierto && !reintentado) {
                reintentado = true;
                try {
                    gCnn().Close();
                } catch (...) {
                    // As above: the open tried again reports what matters.
                }
                continue;
            }
            ui::MsgBox(ado::traza::enmascarar(e.Description()), ui::vbOKOnly, QString());
            return;
        }
    }
}

void DB_Dll::ReintentaConectar() {
    // A general failure ends the attempt at once; others go to the error treatment.
    plataforma::Rutina r(QStringLiteral("AbrirRecordset"),
                         [this](const ErrorEjecucion& e, const QString& rutina) {
                             gOpenFlag = false;
                             if (e.Number() == errores::FalloGeneral) return int(ui::vbAbort);
                             return int(gDB().TratamientoErrores(e, 18, rutina));
                         });
    r.paso([&] { gOpenFlag = false; });
    r.paso([&] { gCnn().setCommandTimeout(90); });
    r.paso([&] {
        try {
            gCnn().Close();
        } catch (const ErrorEjecucion& e) {
            if (e.Number() != errores::ObjetoCerrado) throw;
        }
    });
    r.paso([&] { gCnn().Open(gCnn().ConnectionString(), gDB().gUsuario, gDB().gUserPassWord, -1); });
    r.paso([&] { gOpenFlag = true; });
    // Closed by a reopening that failed: every statement until the next one meets a lost link.
    mEnlacePerdido = !gOpenFlag;
}

void DB_Dll::OpenLocalADODB(const QString& ConnString, const QString& CadenaID, const QString& CadenaPWD) {
    QString fragmento;
    // A wrong password is asked again at most three times; the prompt can be cancelled.
    int intentosClave = 0;
    bool elegir = false;
    for (;;) {
        try {
            if (gDBName.trimmed().isEmpty() || elegir) {
                elegir = false;
                CmdDlg().Titulo = QStringLiteral("Buscar Base de Datos");
                CmdDlg().Filtro = QStringLiteral("Base de Datos de Microsoft Access |*.MDB");
                CmdDlg().mostrarAbrir();
                if (CmdDlg().Cancelado()) return;
                gDBName = CmdDlg().nombreArchivo();
            }
            QString cadena = ConnString;
            if (cadena.isEmpty())
                cadena = QStringLiteral("PROVIDER=") + gProveedor + QStringLiteral(";") +
                         QStringLiteral("Data Source =") + gDBName + QStringLiteral(";") + CadenaID +
                         QStringLiteral("=") + gUsuario + QStringLiteral(";") + CadenaPWD +
                         QStringLiteral("=") + gUserPassWord + QStringLiteral(";") + gExtended;
            cadena += fragmento;
            gCnn().Open(cadena, QString(), QString(), -1);
            gConnString = cadena;
            return;
        } catch (...) {
            const ErrorEjecucion e = plataforma::comoErrorEjecucion(std::current_exception());
            const QString estado = gCnn().Errors().Count() > 0 ? gCnn().Errors().Item(0).SQLState : QString();
            if (estado == QLatin1String("3024") || estado == QLatin1String("3044") ||
                estado == QLatin1String("3051")) {
                elegir = true;
                gCnn().Errors().Clear();
                continue;
            }
            if (estado == QLatin1String("3031") && intentosClave < 3) {
                ++intentosClave;
                gCnn().Errors().Clear();
                if (gIgnoraPassWord.toBool()) {
                    fragmento =
                        QStringLiteral("Jet OLEDB:Database Password=") + gUserPassWord + QStringLiteral(";");
                } else {
                    const auto clave = ui::Actual().InputBox(QStringLiteral("ingrese el password:"),
                                                             QStringLiteral("Password Access"), QString());
                    if (!clave) return;
                    fragmento =
                        QStringLiteral(" Jet OLEDB:Database Password=") + *clave + QStringLiteral(";");
                }
                continue;
            }
            ui::MsgBox(QString::number(e.Number()) + QStringLiteral("  ") +
                           ado::traza::enmascarar(e.Description()),
                       ui::vbCritical, QString());
            return;
        }
    }
}

// ------------------------------------------------------------------ 2.2 literals and names

namespace {
bool entre(const QVariant& q, std::initializer_list<int> codigos) {
    const int c = codigoTipo(q);
    for (int x : codigos)
        if (x == c) return true;
    return false;
}
} // namespace

bool DB_Dll::adodate(const QVariant& q) const {
    return entre(q, {7, 133, 137, 134, 135, 64});
}
bool DB_Dll::ADOText(const QVariant& q) const {
    return entre(q, {8, 201, 203, 200, 202, 130, 129});
}
bool DB_Dll::ADONumeric(const QVariant& q) const {
    return entre(q, {20, 14, 5, 3, 131, 4, 2, 16, 21, 19, 18, 17});
}

bool DB_Dll::ADOCurrency(const QVariant& q) const {
    return codigoTipo(q) == 6;
}
bool DB_Dll::ADOBoolean(const QVariant& q) const {
    return codigoTipo(q) == 11;
}

QString DB_Dll::ADOComilla(const QVariant& q) const {
    return adodate(q) || ADOText(q) ? QStringLiteral("'") : QString();
}

QString DB_Dll::SQLValue(const QVariant& Valor, const QString& Tipo) {
    QVariant v = Valor;
    QString abre, cierra;
    if (Tipo == QLatin1String("@")) {
        if (!v.isNull())
            v = util().Reemplazar(orvexa::textoDeValor(util().ANumero(orvexa::textoDeValor(v))),
                                  QStringLiteral(","), QStringLiteral("."));
    } else if (Tipo == QLatin1String("'")) {
        abre = cierra = QStringLiteral("'");
    }
    QString cuerpo;
    if (!v.isValid() || v.isNull()) {
        if (Tipo == QLatin1String("@")) {
            cuerpo = QStringLiteral("0");
        } else {
            cuerpo = QStringLiteral("NULL");
            abre.clear();
            cierra.clear();
        }
    } else {
        cuerpo = orvexa::textoDeValor(v);
        // A quote inside a quoted text is doubled, so that the value stays one literal.
        if (Tipo == QLatin1String("'")) cuerpo.replace(QLatin1Char('\''), QLatin1String("''"));
    }
    return abre + cuerpo + cierra;
}

QString DB_Dll::AddBrackets(const QString& n) const {
    if (n.contains(QLatin1Char(' ')) && !n.startsWith(QLatin1Char('[')))
        return QLatin1Char('[') + n + QLatin1Char(']');
    return n;
}

QString DB_Dll::StripBrackets(const QString& n) const {
    if (n.startsWith(QLatin1Char('['))) return n.mid(1, n.size() - 2);
    return n;
}

QString DB_Dll::StripOwner(QString& n) const {
    const int p = n.indexOf(QLatin1Char('.'));
    if (p >= 0) n = n.mid(p + 1);
    return n;
}

QString DB_Dll::StripConnect(const QString& n) const {
    const int p = n.indexOf(QLatin1String("->"));
    if (p >= 0) return n.left(qMax(0, p - 1)); // 1-based p - 2 characters
    return n;
}

QString DB_Dll::StripFileName(const QString& n) const {
    const int p = n.lastIndexOf(QLatin1Char('\\'));
    if (p < 0) return {};
    return n.left(p);
}

QString DB_Dll::stSTF(QString& rsName, int16_t rnPart) {
    const int d = rsName.indexOf(QLatin1Char('.'));
    const bool segundo = d >= 0 && rsName.indexOf(QLatin1Char('.'), d + 1) >= 0;
    if (!segundo) {
        if (rnPart != 0) return d < 0 ? rsName : rsName.mid(d + 1);
        if (d < 0)
            throw ErrorEjecucion(errores::LlamadaInvalida,
                                 QStringLiteral("Llamada a procedimiento o argumento no válido"),
                                 QStringLiteral("DB_Dll"));
        return rsName.left(d);
    }
    StripOwner(rsName);
    return rsName;
}

// ------------------------------------------------------------------ 2.4 schema

namespace {

// Walks a schema rowset for a row whose column holds the name (trimmed,
// letter case ignored); failures go to the main session's treatment.
bool buscarEnEsquema(const std::function<std::shared_ptr<ado::Recordset>()>& abrir, const QString& columna,
                     const QString& buscado) {
    std::shared_ptr<ado::Recordset> rs;
    bool hallado = false;
    plataforma::Rutina r(QStringLiteral("VerificaCampos"), informarConTratamiento());
    r.paso([&] { rs = abrir(); });
    r.paso([&] {
        if (!rs) return; // the schema could not be opened and the user chose to go on
        while (!rs->Eof()) {
            if ((*rs)(columna).Value().toString().trimmed().compare(buscado.trimmed(), Qt::CaseInsensitive) ==
                0) {
                hallado = true;
                return;
            }
            rs->MoveNext();
        }
    });
    return hallado;
}

} // namespace

bool DB_Dll::ExisteTablaDB(const QString& Tabla) {
    return buscarEnEsquema([this] { return gCnn().OpenSchema(ado::adSchemaTables); },
                           QStringLiteral("TABLE_NAME"), Tabla);
}

bool DB_Dll::paginasConRownum() const {
    return gProveedor.contains(QLatin1String("ORACLE"), Qt::CaseInsensitive);
}

bool DB_Dll::sentenciasConRownum() {
    return gCnn().ConnectionString().contains(QLatin1String("oracle"), Qt::CaseInsensitive);
}

bool DB_Dll::ExisteCampoDB(const QString& Tabla, const QString& Campo) {
    if (gDB().paginasConRownum()) return true;
    return buscarEnEsquema(
        [&] {
            return gCnn().OpenSchema(ado::adSchemaColumns, {gDBName, QVariant(), Tabla, QVariant()});
        },
        QStringLiteral("COLUMN_NAME"), Campo);
}

void DB_Dll::AddField(const QString& Tabla, const QString& Campo, const QString& Tipo, bool PermiteNulos,
                      const QVariant& ValorDefault) {
    QString sql;
    plataforma::Rutina r(QStringLiteral("errAddField"), informarConTratamiento());
    r.paso([&] {
        sql = QStringLiteral("ALTER TABLE dbo.") + Tabla + QStringLiteral(" ADD ") + Campo +
              QStringLiteral(" ") + Tipo +
              (PermiteNulos ? QStringLiteral(" Null ") : QStringLiteral(" Not Null "));
        if (ValorDefault.isValid())
            sql += QStringLiteral(" CONSTRAINT DF_") + Tabla.trimmed() + QStringLiteral("_") +
                   Campo.trimmed() + QStringLiteral(" DEFAULT (") + orvexa::textoDeValor(ValorDefault) +
                   QStringLiteral(")");
    });
    r.paso([&] { EjecutaConsultaSQL(sql); });
}

bool DB_Dll::VerCampoDB(const QString& Tabla, const QString& Campo, bool Agregar, const QString& Tipo,
                        bool PermiteNulos, const QVariant& ValorDefault) {
    if (ExisteTablaDB(Tabla) && !ExisteCampoDB(Tabla, Campo) && Agregar)
        AddField(Tabla, Campo, Tipo, PermiteNulos, ValorDefault);
    return true;
}

// ------------------------------------------------------------------ 2.5 error treatment

QString palabraRespuesta(int r) {
    switch (r) {
    case ui::vbRetry:
        return QStringLiteral("Reintentar");
    case ui::vbIgnore:
        return QStringLiteral("Ignorar");
    case ui::vbAbort:
        return QStringLiteral("Abortar");
    case ui::vbCancel:
        return QStringLiteral("Cancelar");
    case ui::vbYes:
        return QStringLiteral("Sí");
    case ui::vbNo:
        return QStringLiteral("No");
    default:
        return {};
    }
}

QString lineaRegistro(const QString& rutina, const QString& mensaje, int respuesta, bool mostrado) {
    const QDateTime ahora = QDateTime::currentDateTime();
    return ahora.toString(QStringLiteral("MM-dd-yyyy")) + QLatin1Char(' ') +
           ahora.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" Rutina: ") + rutina.trimmed() +
           QStringLiteral(" Mensaje ") + mensaje.trimmed() + QStringLiteral(" Respondió : ") +
           (mostrado ? palabraRespuesta(respuesta) : QString());
}

bool agregarLinea(const QString& ruta, const QString& linea) {
    QFile f(ruta);
    if (!f.open(QIODevice::Append)) return false;
    f.write(plataforma::a1252(ado::traza::enmascarar(linea)) + "\r\n");
    return true;
}

int16_t DB_Dll::TratamientoErrores(const ErrorEjecucion& CodErr, int Botones, const QString& Rutina) {
    QString carpeta = plataforma::carpetaAplicacion();
    if (!carpeta.endsWith(QLatin1Char('/')) && !carpeta.endsWith(QLatin1Char('\\')))
        carpeta += QLatin1Char('/');
    const QString ruta = gLogErr.isEmpty() ? carpeta + QStringLiteral("KVERR.LOG") : gLogErr;
    const QString mensaje = QStringLiteral("Ha ocurrido el Siguiente Error (") +
                            QString::number(CodErr.Number()) + QStringLiteral(") ") +
                            ado::traza::enmascarar(CodErr.Description().trimmed());
    const QString textoRutina = Rutina.isEmpty() ? QString() : QStringLiteral(" - ") + Rutina;
    const QString titulo = CodErr.Source() + textoRutina + QStringLiteral(" Aviso al operador!!! - 5 ");
    if (CodErr.Number() == 0) return 0;
    int respuesta = 0;
    bool mostrado = true;
    try {
        respuesta = ui::MsgBox(mensaje, Botones, titulo);
    } catch (...) {
        mostrado = false;
    }
    agregarLinea(ruta, lineaRegistro(textoRutina, mensaje, respuesta, mostrado));
    return static_cast<int16_t>(respuesta);
}

} // namespace datos
