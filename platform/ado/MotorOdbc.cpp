#include "platform/ado/MotorOdbc.h"

#include "platform/ErrorEjecucion.h"
#include "platform/ado/Ado.h"
#include "platform/ado/CadenaConexion.h"
#include "platform/ado/LexicoTSql.h"

#include <QDateTime>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace ado {

namespace {

QString origen(DialectoOdbc d) {
    switch (d) {
    case DialectoOdbc::Oracle:
        return QStringLiteral("OraOLEDB");
    case DialectoOdbc::Postgres:
        return QStringLiteral("PostgreSQL");
    case DialectoOdbc::SqlServer:
        break;
    }
    return QStringLiteral("Microsoft OLE DB Provider for SQL Server");
}

std::u16string utf16(const QString& s) {
    return s.toStdU16String();
}
SQLWCHAR* w(std::u16string& s) {
    return reinterpret_cast<SQLWCHAR*>(s.data());
}

QString desdeW(const SQLWCHAR* p, SQLLEN bytes) {
    if (!p) return {};
    if (bytes < 0) return QString::fromUtf16(reinterpret_cast<const char16_t*>(p));
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(p),
                              bytes / static_cast<SQLLEN>(sizeof(SQLWCHAR)));
}

int32_t numeroPorEstado(const QString& estado) {
    if (estado.startsWith(QLatin1String("23"))) return plataforma::errores::ViolacionIntegridad;
    if (estado == QLatin1String("42S02")) return plataforma::errores::TablaNoExiste;
    if (estado == QLatin1String("22001")) return plataforma::errores::DesbordeDatos;
    if (estado.startsWith(QLatin1String("22"))) return plataforma::errores::ConversionFallida;
    if (estado.startsWith(QLatin1String("42")) || estado.startsWith(QLatin1String("37")))
        return plataforma::errores::ErrorEnComando;
    return plataforma::errores::FalloGeneral;
}

// PostgreSQL's SQLSTATEs as the native numbers SQL Server gives the same
// failures (the program acts on them); the server's message is kept.
void comoSqlServer(ErrorProveedor& e) {
    struct Par {
        const char* estado;
        int32_t nativo;
        const char* estadoSqlServer;
    };
    static const Par pares[] = {
        {"23505", 2627, "23000"},  {"23503", 547, "23000"},   {"23514", 547, "23000"},
        {"23502", 515, "23000"},   {"42703", 207, "42S22"},   {"42P01", 208, "42S02"},
        {"42883", 195, "42000"},   {"42601", 102, "42000"},   {"42501", 229, "42000"},
        {"22001", 8152, "22001"},  {"22P02", 245, "22018"},   {"22007", 241, "22007"},
        {"22008", 242, "22008"},   {"22003", 8115, "22003"},  {"22012", 8134, "22012"},
        {"40P01", 1205, "40001"},  {"55P03", 1222, "HYT00"},  {"57014", 0, "HYT00"},
        {"42P07", 2714, "42S01"},  {"42701", 2705, "42S21"},  {"25P02", 3998, "25000"},
        {"28P01", 18456, "28000"}, {"28000", 18456, "28000"}, {"3D000", 4060, "42000"},
        {"25006", 3906, "42000"},  {"53100", 1105, "42000"},  {"40001", 1205, "40001"},
    };
    for (const Par& p : pares)
        if (e.SQLState == QLatin1String(p.estado)) {
            e.NativeError = p.nativo;
            e.SQLState = QLatin1String(p.estadoSqlServer);
            return;
        }
    // A login the server refuses comes back from the driver as a failed
    // connection (08001) with the server's own text: it is SQL Server's login
    // failure, not a lost link.
    struct Ingreso {
        const char* texto;
        const char* tambien; // a second text the message must hold, "" when none
        int32_t nativo;
        const char* estadoSqlServer;
    };
    static const Ingreso ingresos[] = {
        {"password authentication failed", "", 18456, "28000"},
        {"no pg_hba.conf entry", "", 18456, "28000"},
        {"role \"", "does not exist", 18456, "28000"},
        {"database \"", "does not exist", 4060, "42000"},
    };
    if (e.SQLState.startsWith(QLatin1String("08")) || e.SQLState.startsWith(QLatin1String("28")))
        for (const Ingreso& i : ingresos)
            if (e.Description.contains(QLatin1String(i.texto), Qt::CaseInsensitive) &&
                e.Description.contains(QLatin1String(i.tambien), Qt::CaseInsensitive)) {
                e.NativeError = i.nativo;
                e.SQLState = QLatin1String(i.estadoSqlServer);
                return;
            }
    // The server gone (stopped, restarted, the link cut): the session's native 11.
    const bool sinConexion = e.Description.contains(QLatin1String("connection"), Qt::CaseInsensitive) &&
                             (e.Description.contains(QLatin1String("closed"), Qt::CaseInsensitive) ||
                              e.Description.contains(QLatin1String("dead"), Qt::CaseInsensitive) ||
                              e.Description.contains(QLatin1String("lost"), Qt::CaseInsensitive));
    if (e.SQLState.startsWith(QLatin1String("08")) || e.SQLState.startsWith(QLatin1String("57P")) ||
        sinConexion) {
        e.SQLState = QStringLiteral("08S01");
        e.NativeError = 11;
        return;
    }
    // The driver's own codes mean nothing to the program (its 11 is no lost link).
    e.NativeError = 0;
}

// ADO's number for a PostgreSQL failure: its states are SQL Server's by now; a time-out is ADO's own.
int32_t numeroPostgres(const ErrorProveedor& e) {
    if (e.SQLState == QLatin1String("HYT00")) return static_cast<int32_t>(0x80040E31);
    return numeroPorEstado(e.SQLState);
}

// Every diagnostic record of a handle, not only the first.
std::vector<ErrorProveedor> diagnosticos(SQLSMALLINT tipo, SQLHANDLE h, DialectoOdbc d) {
    std::vector<ErrorProveedor> r;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR estado[6] = {};
        SQLINTEGER nativo = 0;
        SQLWCHAR texto[2048] = {};
        SQLSMALLINT largo = 0;
        const SQLRETURN rc = SQLGetDiagRecW(tipo, h, i, estado, &nativo, texto, 2048, &largo);
        if (!SQL_SUCCEEDED(rc)) break;
        ErrorProveedor e;
        e.SQLState = desdeW(estado, -1);
        e.NativeError = nativo;
        QString t = desdeW(texto, -1);
        // Drivers prefix their messages with "[vendor][driver]"; ADO shows the server's text.
        while (t.startsWith(QLatin1Char('['))) {
            const int c = t.indexOf(QLatin1Char(']'));
            if (c < 0) break;
            t = t.mid(c + 1);
        }
        e.Description = t.trimmed();
        e.Source = origen(d);
        // The session recognises a broken link by SQL Server's native 11.
        if (e.SQLState == QLatin1String("08S01") || e.SQLState == QLatin1String("08003")) e.NativeError = 11;
        r.push_back(e);
    }
    if (d == DialectoOdbc::Postgres)
        for (auto& e : r)
            comoSqlServer(e);
    if (!r.empty()) {
        const int32_t n =
            d == DialectoOdbc::Postgres ? numeroPostgres(r.front()) : numeroPorEstado(r.front().SQLState);
        for (auto& e : r)
            e.Number = n;
    }
    return r;
}

[[noreturn]] void fallarOdbc(SQLSMALLINT tipo, SQLHANDLE h, DialectoOdbc d, const char* contexto) {
    auto e = diagnosticos(tipo, h, d);
    if (e.empty()) {
        ErrorProveedor x;
        x.SQLState = QStringLiteral("HY000");
        x.Description = QStringLiteral("Error del controlador ODBC (%1).").arg(QLatin1String(contexto));
        x.Number = plataforma::errores::FalloGeneral;
        x.Source = origen(d);
        e.push_back(x);
    }
    throw FalloMotor(e.front().Number, e);
}

DescCampo describirColumna(SQLHSTMT st, SQLUSMALLINT i) {
    SQLWCHAR nombre[256] = {};
    SQLSMALLINT largoNombre = 0, tipoSql = 0, decimales = 0, nulos = 0;
    SQLULEN tamano = 0;
    SQLDescribeColW(st, i, nombre, 256, &largoNombre, &tipoSql, &tamano, &decimales, &nulos);
    SQLWCHAR nombreTipo[128] = {};
    SQLSMALLINT lt = 0;
    SQLColAttributeW(st, i, SQL_DESC_TYPE_NAME, nombreTipo, sizeof nombreTipo, &lt, nullptr);
    const QString tn = desdeW(nombreTipo, -1).toLower();
    DescCampo d;
    d.nombre = desdeW(nombre, -1);
    d.admiteNulos = nulos != SQL_NO_NULLS;
    const auto t = static_cast<int32_t>(qMin<SQLULEN>(tamano, 2147483647));
    switch (tipoSql) {
    case SQL_CHAR:
        d.tipo = adChar;
        d.tamano = t;
        break;
    case SQL_VARCHAR:
        d.tipo = adVarChar;
        d.tamano = t;
        break;
    case SQL_LONGVARCHAR:
        d.tipo = adLongVarChar;
        d.tamano = 2147483647;
        break;
    case SQL_WCHAR:
        d.tipo = adWChar;
        d.tamano = t;
        break;
    case SQL_WVARCHAR:
        d.tipo = adVarWChar;
        d.tamano = t;
        break;
    case SQL_WLONGVARCHAR:
        d.tipo = adLongVarWChar;
        d.tamano = 1073741823;
        break;
    case SQL_INTEGER:
        d.tipo = adInteger;
        d.tamano = 4;
        break;
    case SQL_SMALLINT:
        d.tipo = adSmallInt;
        d.tamano = 2;
        break;
    case SQL_TINYINT:
        d.tipo = adUnsignedTinyInt;
        d.tamano = 1;
        break;
    case SQL_BIGINT:
        d.tipo = adBigInt;
        d.tamano = 8;
        break;
    case SQL_BIT:
        d.tipo = adBoolean;
        d.tamano = 2;
        break;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        d.tipo = tn.contains(QLatin1String("money")) ? adCurrency : adNumeric;
        d.tamano = d.tipo == adCurrency ? 8 : 19;
        d.precision = static_cast<uint8_t>(tamano);
        d.escala = static_cast<uint8_t>(decimales);
        break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        d.tipo = adDouble;
        d.tamano = 8;
        break;
    case SQL_REAL:
        d.tipo = adSingle;
        d.tamano = 4;
        break;
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATETIME:
        d.tipo = adDBTimeStamp;
        d.tamano = 16;
        break;
    case SQL_TYPE_DATE:
        d.tipo = adDBDate;
        d.tamano = 6;
        break;
    case SQL_TYPE_TIME:
        d.tipo = adDBTime;
        d.tamano = 6;
        break;
    case SQL_BINARY:
        d.tipo = adBinary;
        d.tamano = t;
        break;
    case SQL_VARBINARY:
        d.tipo = adVarBinary;
        d.tamano = t;
        break;
    case SQL_LONGVARBINARY:
        d.tipo = adLongVarBinary;
        d.tamano = 2147483647;
        break;
    case SQL_GUID:
        d.tipo = adGUID;
        d.tamano = 16;
        break;
    default:
        d.tipo = adVarWChar;
        d.tamano = t ? t : 255;
        break;
    }
    // Drivers that know no declared size (SQLite's) report a text's type by name.
    if (esTipoTexto(d.tipo) && tn.contains(QLatin1Char('('))) {
        const DescCampo x = tipoDeclarado(tn);
        if (esTipoTexto(x.tipo)) d.tamano = x.tamano;
    }
    return d;
}

QVariant leerValorOdbc(SQLHSTMT st, SQLUSMALLINT i, int tipo, DialectoOdbc dialecto) {
    SQLLEN ind = 0;
    SQLRETURN rc;
    switch (tipo) {
    case adInteger:
    case adSmallInt:
    case adUnsignedTinyInt:
    case adTinyInt:
    case adBigInt:
    case adBoolean: {
        SQLBIGINT v = 0;
        rc = SQLGetData(st, i, SQL_C_SBIGINT, &v, 0, &ind);
        if (!SQL_SUCCEEDED(rc)) fallarOdbc(SQL_HANDLE_STMT, st, dialecto, "SQLGetData");
        if (ind == SQL_NULL_DATA) return {};
        if (tipo == adBoolean) return v != 0;
        if (tipo == adBigInt) return static_cast<qlonglong>(v);
        return static_cast<int>(v);
    }
    case adNumeric:
    case adCurrency:
    case adDouble:
    case adSingle: {
        double v = 0;
        rc = SQLGetData(st, i, SQL_C_DOUBLE, &v, 0, &ind);
        if (!SQL_SUCCEEDED(rc)) fallarOdbc(SQL_HANDLE_STMT, st, dialecto, "SQLGetData");
        if (ind == SQL_NULL_DATA) return {};
        return v;
    }
    case adDBTimeStamp:
    case adDBDate:
    case adDBTime: {
        SQL_TIMESTAMP_STRUCT ts{};
        rc = SQLGetData(st, i, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind);
        if (!SQL_SUCCEEDED(rc)) fallarOdbc(SQL_HANDLE_STMT, st, dialecto, "SQLGetData");
        if (ind == SQL_NULL_DATA) return {};
        return QDateTime(QDate(ts.year, ts.month, ts.day),
                         QTime(ts.hour, ts.minute, ts.second, static_cast<int>(ts.fraction / 1000000)));
    }
    case adBinary:
    case adVarBinary:
    case adLongVarBinary: {
        QByteArray r;
        char buf[8192];
        for (;;) {
            rc = SQLGetData(st, i, SQL_C_BINARY, buf, sizeof buf, &ind);
            if (rc == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(rc)) fallarOdbc(SQL_HANDLE_STMT, st, dialecto, "SQLGetData");
            if (ind == SQL_NULL_DATA) return {};
            const SQLLEN n =
                (ind == SQL_NO_TOTAL || ind > static_cast<SQLLEN>(sizeof buf)) ? sizeof buf : ind;
            r.append(buf, static_cast<int>(n));
            if (rc == SQL_SUCCESS) break;
        }
        return r;
    }
    default: {
        QString r;
        SQLWCHAR buf[4096];
        bool algo = false;
        for (;;) {
            rc = SQLGetData(st, i, SQL_C_WCHAR, buf, sizeof buf, &ind);
            if (rc == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(rc)) fallarOdbc(SQL_HANDLE_STMT, st, dialecto, "SQLGetData");
            if (ind == SQL_NULL_DATA) return {};
            algo = true;
            const SQLLEN max = static_cast<SQLLEN>(sizeof buf - sizeof(SQLWCHAR));
            const SQLLEN n = (ind == SQL_NO_TOTAL || ind > max) ? max : ind;
            r += desdeW(buf, n);
            if (rc == SQL_SUCCESS) break;
        }
        if (!algo) return QString();
        return r;
    }
    }
}

} // namespace

QString cadenaOdbc(const QString& cadenaProveedor, DialectoOdbc dialecto, const QString& usuarioDado,
                   const QString& claveDada) {
    const CadenaConexion cc(cadenaProveedor);
    auto entorno = [](const char* nombre, const char* defecto) {
        const QString v = qEnvironmentVariable(nombre);
        return v.isEmpty() ? QString::fromLatin1(defecto) : v;
    };
    auto valorOdbc = [](const QString& v) {
        // Values with ";" or braces are wrapped as ODBC asks.
        if (v.contains(QLatin1Char(';')) || v.contains(QLatin1Char('{')) || v.contains(QLatin1Char('}')) ||
            v.startsWith(QLatin1Char(' ')) || v.endsWith(QLatin1Char(' '))) {
            QString x = v;
            x.replace(QLatin1Char('}'), QLatin1String("}}"));
            return QLatin1Char('{') + x + QLatin1Char('}');
        }
        return v;
    };
    QString r;
    if (dialecto == DialectoOdbc::Oracle) {
        const QString usuario = usuarioDado.isEmpty() ? cc.valor({"User Id", "UId", "User"}) : usuarioDado;
        const QString clave = claveDada.isEmpty() ? cc.valor({"Password", "Pwd"}) : claveDada;
        r = QStringLiteral("DRIVER={%1};DBQ=%2;UID=%3;PWD=%4;")
                .arg(entorno("QUENZAR_ODBC_ORACLE", "Oracle"), valorOdbc(cc.valor("Data Source").trimmed()),
                     valorOdbc(usuario), valorOdbc(clave));
        r += qEnvironmentVariable("QUENZAR_ODBC_ORACLE_EXTRA");
        return r;
    }
    if (dialecto == DialectoOdbc::Postgres) {
        // PG:host or PG:host:port
        const QString destino = cc.valor({"Server", "Data Source"}).trimmed().mid(3);
        const int dp = destino.lastIndexOf(QLatin1Char(':'));
        const QString host = dp > 0 ? destino.left(dp) : destino;
        const QString puerto = dp > 0 ? destino.mid(dp + 1).trimmed() : QStringLiteral("5432");
        const QString usuario = usuarioDado.isEmpty() ? cc.valor({"UId", "User Id", "User"}) : usuarioDado;
        const QString clave = claveDada.isEmpty() ? cc.valor({"Pwd", "Password"}) : claveDada;
        r = QStringLiteral("DRIVER={%1};SERVER=%2;PORT=%3;DATABASE=%4;UID=%5;PWD=%6;")
                .arg(entorno("QUENZAR_ODBC_POSTGRES", "PostgreSQL Unicode"), valorOdbc(host.trimmed()),
                     valorOdbc(puerto), valorOdbc(cc.valor({"Database", "Initial Catalog"}).trimmed()),
                     valorOdbc(usuario), valorOdbc(clave));
        r += qEnvironmentVariable("QUENZAR_ODBC_POSTGRES_EXTRA");
        return r;
    }
    const QString servidor = cc.valor({"Server", "Data Source"}).trimmed();
    QString host = servidor;
    QString puerto;
    // host:port and host,port name a port; host\instance names an instance.
    const int dosPuntos = servidor.lastIndexOf(QLatin1Char(':'));
    const int coma = servidor.lastIndexOf(QLatin1Char(','));
    const int corte = qMax(dosPuntos, coma);
    if (corte > 0 && !servidor.contains(QLatin1Char('\\'))) {
        host = servidor.left(corte);
        puerto = servidor.mid(corte + 1).trimmed();
    }
    const QString usuario = usuarioDado.isEmpty() ? cc.valor({"UId", "User Id", "User"}) : usuarioDado;
    const QString clave = claveDada.isEmpty() ? cc.valor({"Pwd", "Password"}) : claveDada;
    r = QStringLiteral("DRIVER={%1};SERVER=%2;")
            .arg(entorno("QUENZAR_ODBC_SQLSERVER", "FreeTDS"), valorOdbc(host));
    if (!puerto.isEmpty()) r += QStringLiteral("PORT=%1;").arg(puerto);
    r += QStringLiteral("DATABASE=%1;UID=%2;PWD=%3;")
             .arg(valorOdbc(cc.valor({"Database", "Initial Catalog"}).trimmed()), valorOdbc(usuario),
                  valorOdbc(clave));
    r += entorno("QUENZAR_ODBC_SQLSERVER_EXTRA", "TDS_Version=auto;ClientCharset=UTF-8;");
    return r;
}

struct MotorOdbc::Impl {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool conectado = false;
    int nivel = 0;

    ~Impl() {
        if (conectado) SQLDisconnect(dbc);
        if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
};

MotorOdbc::MotorOdbc(DialectoOdbc dialecto)
    : d(std::make_unique<Impl>())
    , mDialecto(dialecto) {}

MotorOdbc::~MotorOdbc() = default;

bool MotorOdbc::abierto() const {
    return d->conectado;
}

QString MotorOdbc::proveedor() const {
    // PostgreSQL is spoken to in SQL Server's dialect: the program sees that provider.
    return mDialecto == DialectoOdbc::Oracle ? QStringLiteral("OraOLEDB.Oracle.1")
                                             : QStringLiteral("SQLOLEDB.1");
}

void MotorOdbc::abrir(const ParametrosConexion& p) {
    cerrar();
    if (!d->env) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &d->env);
        SQLSetEnvAttr(d->env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    }
    SQLAllocHandle(SQL_HANDLE_DBC, d->env, &d->dbc);
    SQLSetConnectAttr(d->dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLLEN>(p.tiempoEspera)), 0);
    const QString cadena = cadenaOdbc(p.cadena, mDialecto, p.usuario, p.clave);
    mUltimo = ocultarClaves(cadena);
    auto c = utf16(cadena);
    SQLWCHAR salida[1024];
    SQLSMALLINT largo = 0;
    const SQLRETURN rc =
        SQLDriverConnectW(d->dbc, nullptr, w(c), SQL_NTS, salida, 1024, &largo, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        auto e = diagnosticos(SQL_HANDLE_DBC, d->dbc, mDialecto);
        SQLFreeHandle(SQL_HANDLE_DBC, d->dbc);
        d->dbc = SQL_NULL_HDBC;
        if (e.empty()) fallarOdbc(SQL_HANDLE_ENV, d->env, mDialecto, "SQLDriverConnect");
        // A login refused is a general failure for ADO, whatever the state.
        for (auto& x : e)
            x.Number = plataforma::errores::FalloGeneral;
        throw FalloMotor(plataforma::errores::FalloGeneral, e);
    }
    d->conectado = true;
    d->nivel = 0;
    if (mDialecto == DialectoOdbc::Postgres) {
        // Day before month in date texts, as the suite's Spanish servers read them.
        ejecutarUna(QStringLiteral("SET datestyle = 'ISO, DMY'"), p.tiempoEspera);
        // A scan starts at the table's first block, so that slices of one result follow one another.
        ejecutarUna(QStringLiteral("SET synchronize_seqscans = off"), p.tiempoEspera);
        // A backslash is an ordinary character in SQL Server's literals.
        ejecutarUna(QStringLiteral("SET standard_conforming_strings = on"), p.tiempoEspera);
        leerNombres();
    }
    const CadenaConexion cc(p.cadena);
    mBase = mDialecto == DialectoOdbc::Oracle ? cc.valor("Data Source").trimmed()
                                              : cc.valor({"Database", "Initial Catalog"}).trimmed();
}

void MotorOdbc::cerrar() {
    if (d->conectado) SQLDisconnect(d->dbc);
    if (d->dbc) SQLFreeHandle(SQL_HANDLE_DBC, d->dbc);
    d->dbc = SQL_NULL_HDBC;
    d->conectado = false;
}

namespace {

struct Sentencia {
    SQLHSTMT h = SQL_NULL_HSTMT;
    explicit Sentencia(SQLHDBC dbc, DialectoOdbc dialecto, int espera) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h)))
            fallarOdbc(SQL_HANDLE_DBC, dbc, dialecto, "SQLAllocHandle");
        // Forward-only: a static cursor would make FreeTDS open a server cursor, which breaks batches.
        SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
        if (espera > 0)
            SQLSetStmtAttr(h, SQL_ATTR_QUERY_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLLEN>(espera)), 0);
    }
    ~Sentencia() {
        if (h) SQLFreeHandle(SQL_HANDLE_STMT, h);
    }
};

std::unique_ptr<CursorMotor> leerTodo(SQLHSTMT st, DialectoOdbc dialecto) {
    SQLSMALLINT n = 0;
    SQLNumResultCols(st, &n);
    QVector<DescCampo> campos;
    for (SQLUSMALLINT i = 1; i <= n; ++i)
        campos.push_back(describirColumna(st, i));
    std::vector<Fila> filas;
    for (;;) {
        const SQLRETURN rc = SQLFetch(st);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) fallarOdbc(SQL_HANDLE_STMT, st, dialecto, "SQLFetch");
        Fila f(n);
        for (SQLUSMALLINT i = 1; i <= n; ++i)
            f[i - 1] = leerValorOdbc(st, i, campos[i - 1].tipo, dialecto);
        filas.push_back(std::move(f));
    }
    return std::make_unique<CursorMemoria>(campos, std::move(filas));
}

} // namespace

namespace {

// A SELECT whose own level has no LIMIT, OFFSET, FETCH, FOR or INTO can be read
// in slices by appending them. `ordenada`: it has an ORDER BY at that level;
// `fuente`: its one source (a quoted name) when it reads one table or view
// without grouping, else empty.
bool porTramos(const QString& sql, bool& ordenada, QString& fuente) {
    const tsql::Toks t = tsql::tokenizar(sql);
    const size_t i = tsql::sig(t, 0, t.size());
    if (i >= t.size() || !t[i].es("SELECT")) return false;
    int prof = 0;
    ordenada = false;
    fuente.clear();
    bool simple = true, trasFrom = false;
    for (size_t j = 0; j < t.size(); ++j) {
        const auto& k = t[j];
        if (k.sim('(')) {
            ++prof;
        } else if (k.sim(')')) {
            --prof;
        } else if (prof != 0) {
            continue;
        } else if (k.es("LIMIT") || k.es("OFFSET") || k.es("FETCH") || k.es("FOR") || k.es("INTO") ||
                   k.es("UNION") || k.es("EXCEPT") || k.es("INTERSECT")) {
            return false;
        } else if (k.es("ORDER")) {
            ordenada = true;
        } else if (k.es("GROUP") || k.es("DISTINCT") || k.es("HAVING") || k.es("JOIN") ||
                   (trasFrom && k.sim(','))) {
            simple = false;
        } else if ((k.es("COUNT") || k.es("SUM") || k.es("MAX") || k.es("MIN") || k.es("AVG")) &&
                   tsql::sig(t, j + 1, t.size()) < t.size() && t[tsql::sig(t, j + 1, t.size())].sim('(')) {
            simple = false; // an aggregate: one row, no order to give it
        } else if (k.es("FROM")) {
            trasFrom = true;
            const size_t n = tsql::sig(t, j + 1, t.size());
            if (n < t.size() && t[n].t == tsql::TT::Ident)
                fuente = t[n].s;
            else
                simple = false;
        } else if (k.es("WHERE")) {
            trasFrom = false;
        }
    }
    if (!simple) fuente.clear();
    return prof == 0;
}

// The rows of a long PostgreSQL result in a total order, read in growing
// slices as they are wanted; the whole is counted by the server. Each slice
// is a statement of its own: rows others store meanwhile may shift it, as
// between two pages of the list.
class CursorPorTramos final : public CursorMotor {
public:
    // `consulta` is read; `contada` (the same rows, maybe without the added order) is counted.
    CursorPorTramos(std::weak_ptr<MotorOdbc> motor, QString consulta, QString contada, int espera)
        : mMotor(std::move(motor))
        , mConsulta(std::move(consulta))
        , mContada(std::move(contada))
        , mEspera(espera) {
        leerTramo();
    }
    const QVector<DescCampo>& campos() const override { return mCampos; }
    bool siguiente(Fila& fila) override {
        if (mPos >= mFilas.size()) {
            if (mCompleto) return false;
            leerTramo();
            if (mPos >= mFilas.size()) return false;
        }
        fila = std::move(mFilas[mPos++]);
        ++mLeidas;
        return true;
    }
    qint64 contarResto() override {
        qint64 resto = static_cast<qint64>(mFilas.size() - mPos);
        if (!mCompleto) {
            auto m = mMotor.lock();
            if (!m) return resto;
            const Resultado r = m->ejecutarUna(
                QStringLiteral("SELECT COUNT(*) FROM (%1) AS kv_conteo").arg(mContada), mEspera);
            Fila f;
            if (r.cursor && r.cursor->siguiente(f)) resto = f.value(0).toLongLong() - mLeidas;
        }
        mLeidas += resto;
        mPos = mFilas.size();
        mCompleto = true;
        return qMax<qint64>(0, resto);
    }
    bool reiniciar() override {
        mFilas.clear();
        mPos = 0;
        mLeidas = 0;
        mDesde = 0;
        mTramo = kPrimerTramo;
        mCompleto = false;
        leerTramo();
        return true;
    }

private:
    static constexpr qint64 kPrimerTramo = 1000;
    static constexpr qint64 kMayorTramo = 64000;

    void leerTramo() {
        auto m = mMotor.lock();
        if (!m) {
            mCompleto = true;
            return;
        }
        // One row more than the slice tells whether another follows.
        const Resultado r = m->ejecutarUna(
            QStringLiteral("%1 LIMIT %2 OFFSET %3").arg(mConsulta).arg(mTramo + 1).arg(mDesde), mEspera);
        mFilas.clear();
        mPos = 0;
        if (!r.cursor) {
            mCompleto = true;
            return;
        }
        if (mCampos.isEmpty()) mCampos = r.cursor->campos();
        Fila f;
        while (r.cursor->siguiente(f))
            mFilas.push_back(std::move(f));
        mCompleto = static_cast<qint64>(mFilas.size()) <= mTramo;
        if (!mCompleto) mFilas.pop_back();
        mDesde += static_cast<qint64>(mFilas.size());
        mTramo = qMin(mTramo * 2, kMayorTramo);
    }

    std::weak_ptr<MotorOdbc> mMotor;
    QString mConsulta;
    QString mContada;
    int mEspera;
    QVector<DescCampo> mCampos;
    std::vector<Fila> mFilas;
    size_t mPos = 0;
    qint64 mLeidas = 0;
    qint64 mDesde = 0;
    qint64 mTramo = kPrimerTramo;
    bool mCompleto = false;
};

} // namespace

void MotorOdbc::leerNombres() {
    const Resultado r = ejecutarUna(QLatin1String(pg::kConsultaDeNombres), 0);
    QStringList declarados;
    Fila f;
    while (r.cursor && r.cursor->siguiente(f))
        declarados << f.value(0).toString();
    mNombres = pg::nombresDe(declarados);
    mClaves.clear();
}

QString MotorOdbc::claveDeOrden(const QString& fuente) {
    const auto it = mClaves.constFind(fuente);
    if (it != mClaves.constEnd()) return *it;
    QString nombre = fuente;
    if (nombre.startsWith(QLatin1Char('"'))) nombre = nombre.mid(1, nombre.size() - 2);
    nombre.replace(QLatin1Char('\''), QLatin1String("''"));
    QString clave;
    try {
        // The primary key when it is one column, else a view's ID.
        const Resultado r = ejecutarUna(
            QStringLiteral(
                "SELECT n FROM (SELECT a.attname::text AS n, 0 AS p FROM pg_index i JOIN pg_class c ON "
                "c.oid = i.indrelid JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = "
                "i.indkey[0] WHERE i.indisprimary AND i.indnkeyatts = 1 AND c.relname = '%1' AND "
                "c.relnamespace = current_schema()::regnamespace UNION ALL SELECT column_name::text, 1 "
                "FROM information_schema.columns WHERE table_schema = current_schema() AND table_name = "
                "'%1' AND column_name = 'ID') AS k ORDER BY p LIMIT 1")
                .arg(nombre),
            0);
        Fila f;
        if (r.cursor && r.cursor->siguiente(f))
            clave = QLatin1Char('"') +
                    f.value(0).toString().replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    } catch (const FalloMotor&) {
        clave.clear();
    }
    mClaves.insert(fuente, clave);
    return clave;
}

QString MotorOdbc::traducida(const QString& sql) const {
    return mDialecto == DialectoOdbc::Postgres ? pg::traducir(sql, mNombres) : sql;
}

Resultado MotorOdbc::ejecutar(const QString& sql, int tiempoEspera) {
    if (!d->conectado) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    if (mDialecto != DialectoOdbc::Postgres) return ejecutarUna(sql, tiempoEspera);
    // One statement at a time, with the batch's own transaction control; a
    // batch that opened its transaction and fails half-way leaves nothing.
    const auto sentencias = pg::traducirLote(sql, mNombres);
    Resultado total;
    bool loteAbrio = false;
    bool definicion = false;
    try {
        for (const auto& s : sentencias) {
            switch (s.clase) {
            case tsql::Sentencia::Clase::Nada:
                continue;
            case tsql::Sentencia::Clase::Iniciar:
                if (d->nivel == 0) loteAbrio = true;
                iniciarTransaccion();
                continue;
            case tsql::Sentencia::Clase::Confirmar:
                confirmarTransaccion();
                continue;
            case tsql::Sentencia::Clase::Deshacer:
                deshacerTransaccion();
                continue;
            case tsql::Sentencia::Clase::Normal:
                break;
            }
            definicion = definicion || s.texto.startsWith(QLatin1String("CREATE"), Qt::CaseInsensitive) ||
                         s.texto.startsWith(QLatin1String("ALTER"), Qt::CaseInsensitive) ||
                         s.texto.startsWith(QLatin1String("DROP"), Qt::CaseInsensitive);
            bool ordenada = false;
            QString fuente;
            if (sentencias.size() == 1 && !weak_from_this().expired() &&
                porTramos(s.texto, ordenada, fuente)) {
                // Slices follow one another only in a total order: the source's key
                // completes the statement's own order, or gives it one (as SQL Server
                // reads its clustered key). A result without one is read whole.
                const QString clave = fuente.isEmpty() ? QString() : claveDeOrden(fuente);
                QString consulta = s.texto;
                if (!clave.isEmpty())
                    consulta += (ordenada ? QStringLiteral(", ") : QStringLiteral(" ORDER BY ")) + clave;
                if (ordenada || !clave.isEmpty()) {
                    mUltimo = consulta;
                    total.cursor =
                        std::make_unique<CursorPorTramos>(weak_from_this(), consulta, s.texto, tiempoEspera);
                    return total;
                }
            }
            Resultado r = ejecutarUna(s.texto, tiempoEspera);
            if (r.cursor && !total.cursor) total.cursor = std::move(r.cursor);
            if (r.filasAfectadas >= 0)
                total.filasAfectadas =
                    (total.filasAfectadas < 0 ? 0 : total.filasAfectadas) + r.filasAfectadas;
        }
    } catch (const FalloMotor&) {
        if (loteAbrio && d->nivel > 0) deshacerTransaccion();
        if (definicion) leerNombres();
        throw;
    }
    QStringList textos;
    for (const auto& x : sentencias)
        textos << x.texto;
    mUltimo = textos.join(QStringLiteral("; "));
    if (definicion) leerNombres();
    return total;
}

Resultado MotorOdbc::ejecutarUna(const QString& sql, int tiempoEspera) {
    if (!d->conectado) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    mUltimo = sql;
    if (ganchos().alEnviar) ganchos().alEnviar(sql);
    Sentencia st(d->dbc, mDialecto, tiempoEspera);
    auto texto = utf16(sql);
    SQLRETURN rc = SQLExecDirectW(st.h, w(texto), SQL_NTS);
    Resultado res;
    if (rc == SQL_NO_DATA) {
        // A searched UPDATE or DELETE that matched nothing.
        res.filasAfectadas = 0;
        return res;
    }
    // Walk every result of a batch: row counts are per result, and the
    // error of a later statement only shows when its result is reached.
    for (;;) {
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            fallarOdbc(SQL_HANDLE_STMT, st.h, mDialecto, "SQLExecDirect");
        if (rc != SQL_NO_DATA) {
            SQLSMALLINT cols = 0;
            SQLNumResultCols(st.h, &cols);
            if (cols > 0) {
                auto c = leerTodo(st.h, mDialecto);
                if (!res.cursor) res.cursor = std::move(c);
            } else {
                SQLLEN filas = -1;
                SQLRowCount(st.h, &filas);
                if (filas >= 0)
                    res.filasAfectadas = (res.filasAfectadas < 0 ? 0 : res.filasAfectadas) + filas;
            }
        }
        rc = SQLMoreResults(st.h);
        if (rc == SQL_NO_DATA) break;
    }
    return res;
}

qint64 MotorOdbc::ejecutarConParametros(const QString& sql, const QVector<QVariant>& valores,
                                        int tiempoEspera) {
    if (!d->conectado) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    mUltimo = traducida(sql);
    Sentencia st(d->dbc, mDialecto, tiempoEspera);
    // Buffers live until the statement ran.
    std::vector<std::u16string> textos;
    std::vector<SQLBIGINT> enteros;
    std::vector<double> reales;
    std::vector<SQL_TIMESTAMP_STRUCT> fechas;
    std::vector<SQLLEN> indicadores(static_cast<size_t>(valores.size()));
    textos.reserve(valores.size());
    enteros.reserve(valores.size());
    reales.reserve(valores.size());
    fechas.reserve(valores.size());
    for (int i = 0; i < valores.size(); ++i) {
        const QVariant& v = valores[i];
        SQLLEN& ind = indicadores[static_cast<size_t>(i)];
        const auto n = static_cast<SQLUSMALLINT>(i + 1);
        SQLRETURN rc;
        if (!v.isValid() || v.isNull()) {
            ind = SQL_NULL_DATA;
            rc =
                SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, 0, nullptr, 0, &ind);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong ||
                   v.typeId() == QMetaType::Bool || v.typeId() == QMetaType::UInt ||
                   v.typeId() == QMetaType::Short) {
            enteros.push_back(v.toLongLong());
            ind = 0;
            rc = SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &enteros.back(),
                                  0, &ind);
        } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
            reales.push_back(v.toDouble());
            ind = 0;
            rc = SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &reales.back(), 0,
                                  &ind);
        } else if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate) {
            const QDateTime f = v.toDateTime();
            SQL_TIMESTAMP_STRUCT ts{};
            ts.year = static_cast<SQLSMALLINT>(f.date().year());
            ts.month = static_cast<SQLUSMALLINT>(f.date().month());
            ts.day = static_cast<SQLUSMALLINT>(f.date().day());
            ts.hour = static_cast<SQLUSMALLINT>(f.time().hour());
            ts.minute = static_cast<SQLUSMALLINT>(f.time().minute());
            ts.second = static_cast<SQLUSMALLINT>(f.time().second());
            fechas.push_back(ts);
            ind = sizeof ts;
            rc = SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3,
                                  &fechas.back(), sizeof ts, &ind);
        } else {
            textos.push_back(utf16(v.toString()));
            auto& t = textos.back();
            ind = static_cast<SQLLEN>(t.size() * sizeof(char16_t));
            rc = SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                  qMax<SQLULEN>(1, t.size()), 0, t.data(), ind, &ind);
        }
        if (!SQL_SUCCEEDED(rc)) fallarOdbc(SQL_HANDLE_STMT, st.h, mDialecto, "SQLBindParameter");
    }
    if (ganchos().alEnviar) ganchos().alEnviar(mUltimo);
    auto texto = utf16(mUltimo);
    const SQLRETURN rc = SQLExecDirectW(st.h, w(texto), SQL_NTS);
    if (rc == SQL_NO_DATA) return 0;
    if (!SQL_SUCCEEDED(rc)) fallarOdbc(SQL_HANDLE_STMT, st.h, mDialecto, "SQLExecDirect");
    SQLLEN filas = 0;
    SQLRowCount(st.h, &filas);
    return filas;
}

void MotorOdbc::iniciarTransaccion() {
    if (d->nivel++ == 0)
        SQLSetConnectAttr(d->dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
}

void MotorOdbc::confirmarTransaccion() {
    if (d->nivel == 1) {
        // A COMMIT that fails leaves the transaction open: the level stays for the rollback.
        if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, d->dbc, SQL_COMMIT)))
            fallarOdbc(SQL_HANDLE_DBC, d->dbc, mDialecto, "SQLEndTran");
        SQLSetConnectAttr(d->dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    }
    if (d->nivel > 0) --d->nivel;
}

void MotorOdbc::deshacerTransaccion() {
    if (d->nivel > 0 && d->conectado) {
        SQLEndTran(SQL_HANDLE_DBC, d->dbc, SQL_ROLLBACK);
        SQLSetConnectAttr(d->dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    }
    d->nivel = 0;
}

std::unique_ptr<CursorMotor> MotorOdbc::esquemaTablas() {
    if (!d->conectado) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    Sentencia st(d->dbc, mDialecto, 0);
    std::u16string tipos = u"TABLE,VIEW";
    if (!SQL_SUCCEEDED(SQLTablesW(st.h, nullptr, 0, nullptr, 0, nullptr, 0, w(tipos), SQL_NTS)))
        fallarOdbc(SQL_HANDLE_STMT, st.h, mDialecto, "SQLTables");
    auto c = leerTodo(st.h, mDialecto);
    // ODBC names the first columns TABLE_CAT/TABLE_SCHEM; ADO's rowset says CATALOG/SCHEMA.
    QVector<DescCampo> campos = c->campos();
    std::vector<Fila> filas;
    Fila f;
    while (c->siguiente(f))
        filas.push_back({f.value(0), f.value(1), f.value(2), f.value(3), QVariant(), f.value(4)});
    const QVector<DescCampo> salida = camposEsquemaTablas();
    return std::make_unique<CursorMemoria>(salida, std::move(filas));
}

std::unique_ptr<CursorMotor> MotorOdbc::esquemaColumnas(const QString& catalogo, const QString& tabla) {
    if (!d->conectado) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    Sentencia st(d->dbc, mDialecto, 0);
    std::u16string cat = utf16(mDialecto == DialectoOdbc::Postgres ? QString() : catalogo.trimmed());
    std::u16string tab = utf16(mNombres.value(tabla.trimmed().toLower(), tabla.trimmed()));
    SQLRETURN rc = SQLColumnsW(st.h, cat.empty() ? nullptr : w(cat), SQL_NTS, nullptr, 0,
                               tabla.trimmed().isEmpty() ? nullptr : w(tab), SQL_NTS, nullptr, 0);
    if (!SQL_SUCCEEDED(rc)) fallarOdbc(SQL_HANDLE_STMT, st.h, mDialecto, "SQLColumns");
    auto c = leerTodo(st.h, mDialecto);
    std::vector<Fila> filas;
    Fila f;
    while (c->siguiente(f)) {
        // ODBC: 0 CAT, 1 SCHEM, 2 TABLE, 3 COLUMN, 4 DATA_TYPE, 5 TYPE_NAME, 6 COLUMN_SIZE,
        // 8 DECIMAL_DIGITS, 10 NULLABLE, 12 COLUMN_DEF, 16 ORDINAL_POSITION
        const DescCampo tipo =
            tipoDeclarado(f.value(5).toString() +
                          (f.value(6).isNull() ? QString() : QStringLiteral("(%1)").arg(f.value(6).toInt())));
        filas.push_back({f.value(0), f.value(1), f.value(2), f.value(3), f.value(16), !f.value(12).isNull(),
                         f.value(12), f.value(10).toInt() != 0, tipo.tipo,
                         esTipoTexto(tipo.tipo) ? QVariant(tipo.tamano) : QVariant(), f.value(6),
                         f.value(8)});
    }
    const QVector<DescCampo> salida = camposEsquemaColumnas();
    return std::make_unique<CursorMemoria>(salida, std::move(filas));
}

QStringList MotorOdbc::clavePrimaria(const QString& tabla) {
    QStringList r;
    if (!d->conectado) return r;
    Sentencia st(d->dbc, mDialecto, 0);
    std::u16string tab = utf16(mNombres.value(tabla.trimmed().toLower(), tabla.trimmed()));
    if (!SQL_SUCCEEDED(SQLPrimaryKeysW(st.h, nullptr, 0, nullptr, 0, w(tab), SQL_NTS))) return r;
    auto c = leerTodo(st.h, mDialecto);
    Fila f;
    while (c->siguiente(f))
        r << f.value(3).toString();
    return r;
}

void MotorOdbc::cambiarBase(const QString& nombre) {
    if (!d->conectado) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    if (nombre.trimmed().isEmpty() || nombre.trimmed().compare(mBase, Qt::CaseInsensitive) == 0) return;
    if (mDialecto == DialectoOdbc::Postgres) {
        // A PostgreSQL connection stays in its database.
        ErrorProveedor e;
        e.SQLState = QStringLiteral("3D000");
        e.NativeError = 4060;
        e.Description = QStringLiteral("No se puede cambiar a la base de datos \"%1\" en esta conexión.")
                            .arg(nombre.trimmed());
        e.Number = plataforma::errores::FalloGeneral;
        e.Source = origen(mDialecto);
        throw FalloMotor(e.Number, {e});
    }
    auto n = utf16(nombre.trimmed());
    const SQLRETURN rc = SQLSetConnectAttrW(d->dbc, SQL_ATTR_CURRENT_CATALOG, w(n),
                                            static_cast<SQLINTEGER>(n.size() * sizeof(char16_t)));
    if (!SQL_SUCCEEDED(rc)) fallarOdbc(SQL_HANDLE_DBC, d->dbc, mDialecto, "SQL_ATTR_CURRENT_CATALOG");
    mBase = nombre.trimmed();
}

} // namespace ado
