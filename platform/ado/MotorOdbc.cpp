#include "platform/ado/MotorOdbc.h"

#include "platform/ErrorEjecucion.h"
#include "platform/ado/Ado.h"
#include "platform/ado/CadenaConexion.h"
#include "platform/ado/FallosSqlServer.h"

#include <QDateTime>
#include <algorithm>
#include <cstring>
#include <memory>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
#include <vector>

namespace ado {

namespace {

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
    const TipoSql* fila = tipoSqlPorOdbc(tipoSql);
    // Drivers describe money as a decimal: its name tells it apart.
    if (fila && fila->ado == adNumeric && tn.contains(QLatin1String("money")))
        fila = tipoSqlPorNombre(QStringLiteral("money"));
    if (!fila) {
        d.tipo = adVarWChar;
        d.tamano = t ? t : 255;
        return d;
    }
    d.tipo = fila->ado;
    d.tamano = fila->tamano == kLargoDeclarado ? t : fila->tamano;
    d.precision = fila->precision;
    d.escala = fila->escala;
    if (fila->ado == adNumeric || fila->ado == adCurrency) {
        d.precision = static_cast<uint8_t>(tamano);
        d.escala = static_cast<uint8_t>(decimales);
    }
    // Drivers that know no declared size (SQLite's) report a text's type by name.
    if (esTipoTexto(d.tipo) && tn.contains(QLatin1Char('('))) {
        const DescCampo x = tipoDeclarado(tn);
        if (esTipoTexto(x.tipo)) d.tamano = x.tamano;
    }
    return d;
}

} // namespace

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

struct MotorOdbc::Sentencia {
    SQLHSTMT h = SQL_NULL_HSTMT;
    Sentencia(const MotorOdbc& m, int espera) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m.d->dbc, &h)))
            m.fallar(SQL_HANDLE_DBC, m.d->dbc, "SQLAllocHandle");
        // Forward-only: a static cursor would make FreeTDS open a server cursor, which breaks batches.
        SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
        if (espera > 0)
            SQLSetStmtAttr(h, SQL_ATTR_QUERY_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLLEN>(espera)), 0);
    }
    ~Sentencia() {
        if (h) SQLFreeHandle(SQL_HANDLE_STMT, h);
    }
    Sentencia(const Sentencia&) = delete;
    Sentencia& operator=(const Sentencia&) = delete;
};

MotorOdbc::MotorOdbc()
    : d(std::make_unique<Impl>()) {}

MotorOdbc::~MotorOdbc() = default;

bool MotorOdbc::abierto() const {
    return d->conectado;
}

bool MotorOdbc::enTransaccion() const {
    return d->nivel > 0;
}

void MotorOdbc::ajustarDiagnostico(ErrorProveedor&) const {}

void MotorOdbc::alConectar(int) {}

QString MotorOdbc::baseDeCadena(const CadenaConexion& cc) const {
    return cc.valor({"Database", "Initial Catalog"}).trimmed();
}

QString MotorOdbc::valorOdbc(const QString& v) {
    // Values with ";" or braces are wrapped as ODBC asks.
    if (v.contains(QLatin1Char(';')) || v.contains(QLatin1Char('{')) || v.contains(QLatin1Char('}')) ||
        v.startsWith(QLatin1Char(' ')) || v.endsWith(QLatin1Char(' '))) {
        QString x = v;
        x.replace(QLatin1Char('}'), QLatin1String("}}"));
        return QLatin1Char('{') + x + QLatin1Char('}');
    }
    return v;
}

QString MotorOdbc::entorno(const char* variable, const char* defecto) {
    const QString v = qEnvironmentVariable(variable);
    return v.isEmpty() ? QString::fromLatin1(defecto) : v;
}

// Every diagnostic record of a handle, not only the first.
std::vector<ErrorProveedor> MotorOdbc::diagnosticos(short tipo, void* h) const {
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
        e.Source = origen();
        // The session recognises a broken link by SQL Server's native 11.
        if (e.SQLState == QLatin1String("08S01") || e.SQLState == QLatin1String("08003")) e.NativeError = 11;
        ajustarDiagnostico(e);
        r.push_back(e);
    }
    if (!r.empty()) {
        const int32_t n = numeroAdoDe(r.front());
        for (auto& e : r)
            e.Number = n;
    }
    return r;
}

void MotorOdbc::fallar(short tipo, void* h, const char* contexto) const {
    auto e = diagnosticos(tipo, h);
    if (e.empty()) {
        ErrorProveedor x;
        x.SQLState = QStringLiteral("HY000");
        x.Description = QStringLiteral("Error del controlador ODBC (%1).").arg(QLatin1String(contexto));
        x.Number = plataforma::errores::FalloGeneral;
        x.Source = origen();
        e.push_back(x);
    }
    throw FalloMotor(e.front().Number, e);
}

void MotorOdbc::fallarCon(const QString& estado, int32_t nativo, const QString& texto) const {
    ErrorProveedor e;
    e.SQLState = estado;
    e.NativeError = nativo;
    e.Description = texto;
    e.Number = plataforma::errores::FalloGeneral;
    e.Source = origen();
    throw FalloMotor(e.Number, {e});
}

namespace {

// A whole number as the column's type reads it, and a timestamp as a date and time.
QVariant entero(SQLBIGINT v, int tipo) {
    if (tipo == adBoolean) return v != 0;
    if (tipo == adBigInt) return static_cast<qlonglong>(v);
    return static_cast<int>(v);
}
QVariant fechaHora(const SQL_TIMESTAMP_STRUCT& ts) {
    return QDateTime(QDate(ts.year, ts.month, ts.day),
                     QTime(ts.hour, ts.minute, ts.second, static_cast<int>(ts.fraction / 1000000)));
}

} // namespace

QVariant MotorOdbc::leerValor(void* st, unsigned short i, int tipo) const {
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
        if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_STMT, st, "SQLGetData");
        if (ind == SQL_NULL_DATA) return {};
        return entero(v, tipo);
    }
    case adNumeric:
    case adCurrency:
    case adDouble:
    case adSingle: {
        double v = 0;
        rc = SQLGetData(st, i, SQL_C_DOUBLE, &v, 0, &ind);
        if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_STMT, st, "SQLGetData");
        if (ind == SQL_NULL_DATA) return {};
        return v;
    }
    case adDBTimeStamp:
    case adDBDate:
    case adDBTime: {
        SQL_TIMESTAMP_STRUCT ts{};
        rc = SQLGetData(st, i, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind);
        if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_STMT, st, "SQLGetData");
        if (ind == SQL_NULL_DATA) return {};
        return fechaHora(ts);
    }
    case adBinary:
    case adVarBinary:
    case adLongVarBinary: {
        QByteArray r;
        char buf[8192];
        for (;;) {
            rc = SQLGetData(st, i, SQL_C_BINARY, buf, sizeof buf, &ind);
            if (rc == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_STMT, st, "SQLGetData");
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
            if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_STMT, st, "SQLGetData");
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

namespace {

// How a column is read into a bound array; Ninguna: it is not (binary, or text of no known length).
enum class Enlace { Ninguna, Entero, Doble, Fecha, Texto };

Enlace enlaceDe(const DescCampo& c) {
    switch (c.tipo) {
    case adInteger:
    case adSmallInt:
    case adUnsignedTinyInt:
    case adTinyInt:
    case adBigInt:
    case adBoolean:
        return Enlace::Entero;
    case adNumeric:
    case adCurrency:
    case adDouble:
    case adSingle:
        return Enlace::Doble;
    case adDBTimeStamp:
    case adDBDate:
    case adDBTime:
        return Enlace::Fecha;
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
        return Enlace::Ninguna;
    default:
        return c.tamano > 0 && c.tamano <= 2000 ? Enlace::Texto : Enlace::Ninguna;
    }
}

} // namespace

bool MotorOdbc::leerEnBloques(void* st, const QVector<DescCampo>& campos, std::vector<Fila>& filas) const {
    struct Columna {
        Enlace enlace;
        SQLLEN ancho; // bytes per row
        std::unique_ptr<char[]> datos;
        std::vector<SQLLEN> indicadores;
    };
    std::vector<Columna> cols;
    SQLLEN porFila = 0;
    for (const DescCampo& c : campos) {
        const Enlace e = enlaceDe(c);
        if (e == Enlace::Ninguna) return false;
        // Any n characters fit in 2n UTF-16 units (and the terminator).
        const SQLLEN ancho = e == Enlace::Entero  ? sizeof(SQLBIGINT)
                             : e == Enlace::Doble ? sizeof(double)
                             : e == Enlace::Fecha
                                 ? sizeof(SQL_TIMESTAMP_STRUCT)
                                 : static_cast<SQLLEN>((2 * c.tamano + 1) * sizeof(SQLWCHAR));
        cols.push_back({e, ancho, nullptr, {}});
        porFila += ancho;
    }
    // Up to 512 rows a block in about 256 kB, left unwritten until the driver fills them: a
    // result of a few rows of wide texts must not pay for clearing megabytes.
    const auto kFilas =
        static_cast<SQLULEN>(std::clamp<SQLLEN>(256 * 1024 / std::max<SQLLEN>(porFila, 1), 16, 512));
    for (Columna& c : cols) {
        c.datos.reset(new char[static_cast<size_t>(c.ancho) * kFilas]);
        c.indicadores.resize(kFilas);
    }
    SQLULEN leidas = 0;
    std::vector<SQLUSMALLINT> estados(kFilas);
    SQLSetStmtAttr(st, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kFilas), 0)))
        return false;
    SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, &leidas, 0);
    SQLSetStmtAttr(st, SQL_ATTR_ROW_STATUS_PTR, estados.data(), 0);
    struct Desatar {
        void* st;
        ~Desatar() {
            SQLFreeStmt(st, SQL_UNBIND);
            SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
            SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
            SQLSetStmtAttr(st, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
        }
    } desatar{st};
    static constexpr SQLSMALLINT tiposC[] = {0, SQL_C_SBIGINT, SQL_C_DOUBLE, SQL_C_TYPE_TIMESTAMP,
                                             SQL_C_WCHAR};
    for (size_t i = 0; i < cols.size(); ++i) {
        Columna& c = cols[i];
        if (!SQL_SUCCEEDED(SQLBindCol(st, static_cast<SQLUSMALLINT>(i + 1),
                                      tiposC[static_cast<int>(c.enlace)], c.datos.get(), c.ancho,
                                      c.indicadores.data())))
            fallar(SQL_HANDLE_STMT, st, "SQLBindCol");
    }
    for (;;) {
        const SQLRETURN rc = SQLFetch(st);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_STMT, st, "SQLFetch");
        for (SQLULEN r = 0; r < leidas; ++r) {
            if (estados[r] == SQL_ROW_ERROR) fallar(SQL_HANDLE_STMT, st, "SQLFetch");
            Fila f(static_cast<qsizetype>(cols.size()));
            for (size_t i = 0; i < cols.size(); ++i) {
                const Columna& c = cols[i];
                const SQLLEN ind = c.indicadores[r];
                if (ind == SQL_NULL_DATA) continue;
                const char* p = c.datos.get() + static_cast<size_t>(c.ancho) * r;
                QVariant& v = f[static_cast<qsizetype>(i)];
                switch (c.enlace) {
                case Enlace::Entero: {
                    SQLBIGINT x;
                    std::memcpy(&x, p, sizeof x);
                    v = entero(x, campos[static_cast<qsizetype>(i)].tipo);
                    break;
                }
                case Enlace::Doble: {
                    double x;
                    std::memcpy(&x, p, sizeof x);
                    v = x;
                    break;
                }
                case Enlace::Fecha: {
                    SQL_TIMESTAMP_STRUCT ts;
                    std::memcpy(&ts, p, sizeof ts);
                    v = fechaHora(ts);
                    break;
                }
                case Enlace::Texto: {
                    const SQLLEN max = c.ancho - static_cast<SQLLEN>(sizeof(SQLWCHAR));
                    v = desdeW(reinterpret_cast<const SQLWCHAR*>(p),
                               ind == SQL_NO_TOTAL || ind > max ? max : ind);
                    break;
                }
                case Enlace::Ninguna:
                    break;
                }
            }
            filas.push_back(std::move(f));
        }
    }
    return true;
}

std::unique_ptr<CursorMotor> MotorOdbc::leerTodo(void* st) const {
    SQLSMALLINT n = 0;
    SQLNumResultCols(st, &n);
    QVector<DescCampo> campos;
    for (SQLUSMALLINT i = 1; i <= n; ++i)
        campos.push_back(describirColumna(st, i));
    std::vector<Fila> filas;
    // Rows a block at a time into bound arrays (one call per block, not one per value) when
    // every column has a known width; else row by row.
    if (n > 0 && leerEnBloques(st, campos, filas))
        return std::make_unique<CursorMemoria>(campos, std::move(filas));
    for (;;) {
        const SQLRETURN rc = SQLFetch(st);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_STMT, st, "SQLFetch");
        Fila f(n);
        for (SQLUSMALLINT i = 1; i <= n; ++i)
            f[i - 1] = leerValor(st, i, campos[i - 1].tipo);
        filas.push_back(std::move(f));
    }
    return std::make_unique<CursorMemoria>(campos, std::move(filas));
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
    const QString cadena = cadenaOdbc(p.cadena, p.usuario, p.clave);
    mUltimo = ocultarClaves(cadena);
    auto c = utf16(cadena);
    SQLWCHAR salida[1024];
    SQLSMALLINT largo = 0;
    const SQLRETURN rc =
        SQLDriverConnectW(d->dbc, nullptr, w(c), SQL_NTS, salida, 1024, &largo, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        auto e = diagnosticos(SQL_HANDLE_DBC, d->dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, d->dbc);
        d->dbc = SQL_NULL_HDBC;
        if (e.empty()) fallar(SQL_HANDLE_ENV, d->env, "SQLDriverConnect");
        // A login refused is a general failure for ADO, whatever the state.
        for (auto& x : e)
            x.Number = plataforma::errores::FalloGeneral;
        throw FalloMotor(plataforma::errores::FalloGeneral, e);
    }
    d->conectado = true;
    d->nivel = 0;
    alConectar(p.tiempoEspera);
    const CadenaConexion cc(p.cadena);
    mBase = baseDeCadena(cc);
}

void MotorOdbc::cerrar() {
    if (d->conectado) SQLDisconnect(d->dbc);
    if (d->dbc) SQLFreeHandle(SQL_HANDLE_DBC, d->dbc);
    d->dbc = SQL_NULL_HDBC;
    d->conectado = false;
}

Resultado MotorOdbc::ejecutar(const QString& sql, int tiempoEspera) {
    return ejecutarUna(traducida(sql), tiempoEspera);
}

Resultado MotorOdbc::ejecutarUna(const QString& sql, int tiempoEspera) {
    if (!d->conectado) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    mUltimo = sql;
    if (ganchos().alEnviar) ganchos().alEnviar(sql);
    Sentencia st(*this, tiempoEspera);
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
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) fallar(SQL_HANDLE_STMT, st.h, "SQLExecDirect");
        if (rc != SQL_NO_DATA) {
            SQLSMALLINT cols = 0;
            SQLNumResultCols(st.h, &cols);
            if (cols > 0) {
                auto c = leerTodo(st.h);
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
    Sentencia st(*this, tiempoEspera);
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
        if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_STMT, st.h, "SQLBindParameter");
    }
    if (ganchos().alEnviar) ganchos().alEnviar(mUltimo);
    auto texto = utf16(mUltimo);
    const SQLRETURN rc = SQLExecDirectW(st.h, w(texto), SQL_NTS);
    if (rc == SQL_NO_DATA) return 0;
    if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_STMT, st.h, "SQLExecDirect");
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
            fallar(SQL_HANDLE_DBC, d->dbc, "SQLEndTran");
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
    Sentencia st(*this, 0);
    std::u16string tipos = u"TABLE,VIEW";
    if (!SQL_SUCCEEDED(SQLTablesW(st.h, nullptr, 0, nullptr, 0, nullptr, 0, w(tipos), SQL_NTS)))
        fallar(SQL_HANDLE_STMT, st.h, "SQLTables");
    auto c = leerTodo(st.h);
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
    Sentencia st(*this, 0);
    std::u16string cat = utf16(catalogoDeEsquema(catalogo));
    std::u16string tab = utf16(tablaDeEsquema(tabla));
    SQLRETURN rc = SQLColumnsW(st.h, cat.empty() ? nullptr : w(cat), SQL_NTS, nullptr, 0,
                               tabla.trimmed().isEmpty() ? nullptr : w(tab), SQL_NTS, nullptr, 0);
    if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_STMT, st.h, "SQLColumns");
    auto c = leerTodo(st.h);
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
    Sentencia st(*this, 0);
    std::u16string tab = utf16(tablaDeEsquema(tabla));
    if (!SQL_SUCCEEDED(SQLPrimaryKeysW(st.h, nullptr, 0, nullptr, 0, w(tab), SQL_NTS))) return r;
    auto c = leerTodo(st.h);
    Fila f;
    while (c->siguiente(f))
        r << f.value(3).toString();
    return r;
}

void MotorOdbc::cambiarBase(const QString& nombre) {
    if (!d->conectado) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    if (nombre.trimmed().isEmpty() || nombre.trimmed().compare(mBase, Qt::CaseInsensitive) == 0) return;
    auto n = utf16(nombre.trimmed());
    const SQLRETURN rc = SQLSetConnectAttrW(d->dbc, SQL_ATTR_CURRENT_CATALOG, w(n),
                                            static_cast<SQLINTEGER>(n.size() * sizeof(char16_t)));
    if (!SQL_SUCCEEDED(rc)) fallar(SQL_HANDLE_DBC, d->dbc, "SQL_ATTR_CURRENT_CATALOG");
    mBase = nombre.trimmed();
}

} // namespace ado
