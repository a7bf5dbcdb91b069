#include "platform/ado/MotorSqlite.h"

#include "platform/ErrorEjecucion.h"
#include "platform/Rutas.h"
#include "platform/ado/Ado.h"
#include "platform/ado/CadenaConexion.h"
#include "platform/ado/FallosSqlServer.h"
#include "platform/ado/Lote.h"
#include "platform/ado/TraductorTSql.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <sodium.h>
#include <sqlite3.h>

namespace ado {

namespace {

const QString kOrigen = QStringLiteral("Microsoft OLE DB Provider for SQL Server");

ErrorProveedor mensaje(const QString& estado, int32_t nativo, const QString& texto) {
    ErrorProveedor e;
    e.SQLState = estado;
    e.NativeError = nativo;
    e.Description = texto;
    e.Source = kOrigen;
    return e;
}

// SQL Server closes a failed statement with this notice.
ErrorProveedor terminada() {
    return errorSqlServer(3621, kOrigen);
}

QString capturar(const QString& texto, const QString& patron) {
    const QRegularExpression re(patron);
    const auto m = re.match(texto);
    return m.hasMatch() ? m.captured(1) : QString();
}

// SQLite's failure as the SQL Server failure the program knows: its native
// number and the names its message carries (the rest comes from the table).
struct Equivalente {
    int32_t nativo;
    QStringList nombres;
    QString textoPropio;
};

Equivalente equivalenteRestriccion(int rc, const QString& msg) {
    if (msg.contains(QLatin1String(tsql::kPrefijoControlLargo))) return {8152, {}, {}};
    if (msg.contains(QLatin1String(tsql::kPrefijoControlTipo))) {
        const QString col =
            capturar(msg, QLatin1String(tsql::kPrefijoControlTipo) + QStringLiteral("(\\w+)"));
        return {245,
                {},
                QStringLiteral("Error de conversión: el valor de la columna '%1' no es un número.").arg(col)};
    }
    const QString donde = msg.section(QLatin1Char(':'), 1).trimmed();
    if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE ||
        rc == SQLITE_CONSTRAINT_ROWID || msg.startsWith(QLatin1String("UNIQUE constraint failed")))
        return {2627, {donde.section(QLatin1Char('.'), 0, 0), donde}, {}};
    if (rc == SQLITE_CONSTRAINT_NOTNULL)
        return {515, {donde.section(QLatin1Char('.'), 1), donde.section(QLatin1Char('.'), 0, 0)}, {}};
    return {547, {msg}, {}};
}

Equivalente equivalenteMensaje(int primario, const QString& msg) {
    const QString tras = msg.section(QLatin1Char(':'), 1).trimmed();
    if (msg.startsWith(QLatin1String("no such column"))) return {207, {tras}, {}};
    if (msg.startsWith(QLatin1String("no such table"))) return {208, {tras}, {}};
    if (msg.contains(QLatin1String("already exists")))
        return {2714, {capturar(msg, QStringLiteral("(?:table|view|index|trigger) (\\S+) already"))}, {}};
    if (msg.startsWith(QLatin1String("duplicate column name"))) return {2705, {tras}, {}};
    if (msg.contains(QLatin1String("syntax error")) || msg.startsWith(QLatin1String("near")))
        return {102, {capturar(msg, QStringLiteral("near \"([^\"]*)\""))}, {}};
    if (msg.startsWith(QLatin1String("incomplete input")))
        return {102, {}, QStringLiteral("Sintaxis incorrecta: la instrucción termina antes de tiempo.")};
    if (msg.startsWith(QLatin1String("no such function"))) return {195, {tras}, {}};
    if (msg.contains(QLatin1String("cannot modify")) && msg.contains(QLatin1String("view")))
        return {4405, {msg}, {}};
    return {50000 + primario, {}, msg};
}

FalloMotor traducirFallo(int rc, const QString& msg, bool& perdida) {
    const int primario = rc & 0xff;
    Equivalente q;
    switch (primario) {
    case SQLITE_CONSTRAINT:
        q = equivalenteRestriccion(rc, msg);
        break;
    case SQLITE_TOOBIG:
        q = {8152, {}, {}};
        break;
    case SQLITE_MISMATCH:
        q = {245, {msg}, {}};
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        q = {1222, {}, {}};
        break;
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_PERM:
        perdida = true;
        q = {11, {}, {}};
        break;
    case SQLITE_READONLY:
        q = {3906, {}, {}};
        break;
    case SQLITE_FULL:
        q = {1105, {}, {}};
        break;
    case SQLITE_INTERRUPT:
        q = {0, {}, {}};
        break;
    default:
        q = equivalenteMensaje(primario, msg);
        break;
    }
    std::vector<ErrorProveedor> e{errorSqlServer(q.nativo, kOrigen, q.nombres, q.textoPropio)};
    // SQL Server closes a failed constraint's statement with a notice.
    if (primario == SQLITE_CONSTRAINT) e.push_back(terminada());
    for (auto& x : e)
        x.Number = e.front().Number;
    return FalloMotor(e.front().Number, e);
}

// A column's ADO description: the declared type when there is one,
// otherwise what the first row holds.
DescCampo describir(sqlite3_stmt* st, int i, bool hayFila) {
    const char* decl = sqlite3_column_decltype(st, i);
    DescCampo d;
    if (decl && *decl) {
        d = tipoDeclarado(QString::fromUtf8(decl));
    } else {
        const int t = hayFila ? sqlite3_column_type(st, i) : SQLITE_NULL;
        if (t == SQLITE_INTEGER) {
            const qint64 v = sqlite3_column_int64(st, i);
            d.tipo = (v > INT32_MAX || v < INT32_MIN) ? adBigInt : adInteger;
            d.tamano = d.tipo == adBigInt ? 8 : 4;
        } else if (t == SQLITE_FLOAT) {
            d.tipo = adDouble;
            d.tamano = 8;
        } else if (t == SQLITE_BLOB) {
            d.tipo = adLongVarBinary;
            d.tamano = 2147483647;
        } else {
            d.tipo = adVarChar;
            d.tamano = 255;
            if (t == SQLITE_TEXT) {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                const QString s = QString::fromUtf8(p);
                static const QRegularExpression fecha(
                    QStringLiteral(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}(:\d{2}(\.\d{1,3})?)?$)"));
                if (fecha.match(s).hasMatch()) {
                    d.tipo = adDBTimeStamp;
                    d.tamano = 16;
                } else if (s.size() > 255) {
                    d.tamano = static_cast<int32_t>(s.size());
                }
            }
        }
    }
    d.nombre = QString::fromUtf8(sqlite3_column_name(st, i));
    return d;
}

QVariant leerValor(sqlite3_stmt* st, int i, int tipo) {
    const int t = sqlite3_column_type(st, i);
    if (t == SQLITE_NULL) return {};
    switch (tipo) {
    case adInteger:
    case adSmallInt:
    case adTinyInt:
    case adUnsignedTinyInt:
        if (t == SQLITE_INTEGER) return static_cast<int>(sqlite3_column_int64(st, i));
        if (t == SQLITE_FLOAT) return static_cast<int>(sqlite3_column_double(st, i));
        break;
    case adBigInt:
        if (t == SQLITE_INTEGER || t == SQLITE_FLOAT)
            return static_cast<qlonglong>(sqlite3_column_int64(st, i));
        break;
    case adBoolean:
        if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) return sqlite3_column_int64(st, i) != 0;
        break;
    case adNumeric:
    case adCurrency:
    case adDouble:
    case adSingle:
    case adDecimal:
        if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) return sqlite3_column_double(st, i);
        break;
    case adDBTimeStamp:
    case adDBDate:
    case adDate:
    case adDBTime: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        QDateTime f;
        if (leerFechaTexto(QString::fromUtf8(p), 0, f)) return f;
        return QString::fromUtf8(p);
    }
    case adLongVarBinary:
    case adVarBinary:
    case adBinary:
        if (t == SQLITE_BLOB)
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, i)),
                              sqlite3_column_bytes(st, i));
        break;
    default:
        break;
    }
    if (t == SQLITE_INTEGER && !esTipoTexto(tipo)) return static_cast<qlonglong>(sqlite3_column_int64(st, i));
    if (t == SQLITE_FLOAT && !esTipoTexto(tipo)) return sqlite3_column_double(st, i);
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
    return QString::fromUtf8(p, sqlite3_column_bytes(st, i));
}

class CursorSqlite final : public CursorMotor {
public:
    CursorSqlite(std::shared_ptr<MotorSqlite> motor, sqlite3_stmt* st, bool hayFila,
                 const QStringList& tipos = {})
        : mMotor(motor)
        , mSt(st)
        , mPendiente(hayFila)
        , mTerminado(!hayFila) {
        const int n = sqlite3_column_count(st);
        mCampos.reserve(n);
        for (int i = 0; i < n; ++i) {
            DescCampo d = describir(st, i, hayFila);
            // A column converted to decimal has the type the conversion names, as on SQL Server.
            if (tipos.size() == n && !tipos[i].isEmpty()) {
                const QString nombre = d.nombre;
                d = tipoDeclarado(tipos[i]);
                d.nombre = nombre;
            }
            mCampos.push_back(d);
        }
        if (mTerminado) sqlite3_reset(mSt);
    }
    ~CursorSqlite() override { sqlite3_finalize(mSt); }

    const QVector<DescCampo>& campos() const override { return mCampos; }

    bool siguiente(Fila& fila) override {
        if (!mPendiente) {
            if (mTerminado) return false;
            if (!paso()) return false;
        }
        mPendiente = false;
        ++mEntregadas;
        const int n = static_cast<int>(mCampos.size());
        fila.resize(n);
        for (int i = 0; i < n; ++i)
            fila[i] = leerValor(mSt, i, mCampos[i].tipo);
        return true;
    }

    qint64 contarResto() override {
        if (!mTerminado) {
            // COUNT(*) over the statement: the engine skips building every row.
            const qint64 total = mMotor->contarFilas(QString::fromUtf8(sqlite3_sql(mSt)));
            if (total >= 0) {
                mTerminado = true;
                mPendiente = false;
                sqlite3_reset(mSt);
                return qMax<qint64>(0, total - mEntregadas);
            }
        }
        qint64 n = mPendiente ? 1 : 0;
        mPendiente = false;
        while (!mTerminado && paso())
            ++n;
        mEntregadas += n;
        return n;
    }

    bool reiniciar() override {
        sqlite3_reset(mSt);
        mTerminado = false;
        mPendiente = false;
        mEntregadas = 0;
        return true;
    }

private:
    bool paso() {
        const int rc = sqlite3_step(mSt);
        if (rc == SQLITE_ROW) return true;
        mTerminado = true;
        // Release the read snapshot as soon as the rows are read.
        sqlite3_reset(mSt);
        if (rc != SQLITE_DONE) mMotor->fallar(rc, QString::fromUtf8(sqlite3_errmsg(mMotor->db())));
        return false;
    }

    std::shared_ptr<MotorSqlite> mMotor;
    sqlite3_stmt* mSt;
    bool mPendiente;
    bool mTerminado;
    qint64 mEntregadas = 0; // rows handed out (or counted) so far
    QVector<DescCampo> mCampos;
};

void vincular(sqlite3_stmt* st, int i, const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        sqlite3_bind_null(st, i);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
        sqlite3_bind_int(st, i, v.toBool() ? 1 : 0);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::Char:
    case QMetaType::UChar:
        sqlite3_bind_int64(st, i, v.toLongLong());
        break;
    case QMetaType::ULongLong:
        sqlite3_bind_int64(st, i, static_cast<sqlite3_int64>(v.toULongLong()));
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(st, i, v.toDouble());
        break;
    case QMetaType::QDateTime: {
        const QByteArray b = textoFechaAlmacenada(v.toDateTime()).toUtf8();
        sqlite3_bind_text(st, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QDate: {
        const QByteArray b = v.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
        sqlite3_bind_text(st, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        sqlite3_bind_blob(st, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QByteArray b = v.toString().toUtf8();
        sqlite3_bind_text(st, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    }
    }
}

} // namespace

MotorSqlite::MotorSqlite(bool comoJet)
    : mJet(comoJet) {}

MotorSqlite::~MotorSqlite() {
    cerrar();
}

QString MotorSqlite::proveedor() const {
    return mJet ? QStringLiteral("Microsoft.Jet.OLEDB.4.0") : QStringLiteral("SQLOLEDB.1");
}

void MotorSqlite::fallar(int rc, const QString& msg) {
    const int extendido = mDb ? sqlite3_extended_errcode(mDb) : rc;
    bool perdida = false;
    FalloMotor f = traducirFallo((extendido & 0xff) == (rc & 0xff) ? extendido : rc, msg, perdida);
    if (perdida) mPerdida = true;
    throw f;
}

void MotorSqlite::comprobarAlcance() {
    if (!mDb)
        throw FalloMotor(
            plataforma::errores::ConexionInvalida,
            {mensaje(QStringLiteral("08003"), 0, QStringLiteral("La conexión no está abierta."))});
    // SQLite keeps working on a file that was removed or whose folder is gone:
    // what the program would see on a server as a broken connection.
    if (!mPerdida && !QFileInfo::exists(mRuta)) mPerdida = true;
    if (mPerdida) {
        const auto e = errorSqlServer(11, kOrigen);
        throw FalloMotor(e.Number, {e});
    }
}

void MotorSqlite::ejecutarSimple(const char* sql) {
    char* err = nullptr;
    const int rc = sqlite3_exec(mDb, sql, nullptr, nullptr, &err);
    const QString msg = err ? QString::fromUtf8(err) : QString();
    sqlite3_free(err);
    if (rc != SQLITE_OK) fallar(rc, msg);
}

void MotorSqlite::abrirArchivo(const QString& ruta, int tiempoEsperaSeg) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFileInfo(ruta).absoluteFilePath().toUtf8().constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        bool p = false;
        throw traducirFallo(rc, msg, p);
    }
    mDb = db;
    mRuta = ruta;
    mPerdida = false;
    mNivelTransaccion = 0;
    sqlite3_extended_result_codes(mDb, 1);
    sqlite3_busy_timeout(mDb, qMax(1, tiempoEsperaSeg) * 1000);
    mEsperaActual = tiempoEsperaSeg;
    try {
        // WAL lets two copies of the program share the file; NORMAL is safe under WAL.
        sqlite3_exec(mDb, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        ejecutarSimple("PRAGMA foreign_keys=ON; PRAGMA synchronous=NORMAL");
        // Reading the schema also tells a file that is no database.
        ejecutarSimple("SELECT count(*) FROM sqlite_master");
    } catch (...) {
        sqlite3_close(mDb);
        mDb = nullptr;
        throw;
    }
    registrarFunciones(mDb);
    // Rows written through a view's INSTEAD OF triggers count as the view's:
    // those of its tables, not those an index kept in step by triggers writes.
    sqlite3_update_hook(
        mDb,
        [](void* yo, int, const char*, const char* tabla, sqlite3_int64) {
            auto* m = static_cast<MotorSqlite*>(yo);
            if (!m->esTablaSombra(tabla)) ++m->mFilasTocadas;
        },
        this);
    prepararClaves();
    // Long statements give the user interface a turn, so that a cancel button works.
    sqlite3_progress_handler(
        mDb, 400000,
        [](void*) -> int {
            const auto& f = ganchos().duranteConsulta;
            return f && f() ? 1 : 0;
        },
        nullptr);
}

void MotorSqlite::abrir(const ParametrosConexion& p) {
    cerrar();
    const CadenaConexion cc(p.cadena);
    QString usuario = p.usuario;
    QString clave = p.clave;
    QString ruta;
    if (mJet) {
        ruta = QDir::fromNativeSeparators(cc.valor("Data Source").trimmed());
        mNombre = QFileInfo(ruta).completeBaseName();
        if (ruta.isEmpty() || !QFileInfo::exists(ruta)) {
            // Jet's own code for a missing file, which the session tests.
            ErrorProveedor e;
            e.SQLState = QStringLiteral("3024");
            e.NativeError = -534971980;
            e.Number = plataforma::errores::FalloGeneral;
            e.Source = QStringLiteral("Microsoft JET Database Engine");
            e.Description = QStringLiteral("No se pudo encontrar el archivo '%1'.").arg(ruta);
            throw FalloMotor(plataforma::errores::FalloGeneral, {e});
        }
    } else {
        mNombre = cc.valor({"Database", "Initial Catalog"}).trimmed();
        if (usuario.isEmpty()) usuario = cc.valor({"UId", "User Id", "User"});
        if (clave.isEmpty()) clave = cc.valor({"Pwd", "Password"});
        ruta = plataforma::rutaBaseDatos(mNombre);
        if (mNombre.isEmpty() || !QFileInfo::exists(ruta)) {
            const auto e = errorSqlServer(4060, kOrigen, {mNombre});
            throw FalloMotor(e.Number, {e});
        }
    }
    abrirArchivo(ruta, p.tiempoEspera);
    try {
        if (!mJet)
            verificarUsuario(usuario, clave);
        else
            verificarClaveBase(cc.valor("Jet OLEDB:Database Password"));
    } catch (...) {
        cerrar();
        throw;
    }
}

void MotorSqlite::verificarClaveBase(const QString& clave) {
    // A local file may carry a database password (the login "*"), as Jet files do.
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(mDb, "SELECT CLAVE FROM KV_LOGINS WHERE USUARIO = '*'", -1, &st, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(st);
        return;
    }
    bool ok = true;
    if (sqlite3_step(st) == SQLITE_ROW) {
        const auto* r = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        ok = r && claveCorrecta(clave, QString::fromUtf8(r));
    }
    sqlite3_finalize(st);
    if (!ok) {
        ErrorProveedor e;
        e.SQLState = QStringLiteral("3031");
        e.NativeError = -534971980;
        e.Number = plataforma::errores::FalloGeneral;
        e.Source = QStringLiteral("Microsoft JET Database Engine");
        e.Description = QStringLiteral("No es una contraseña válida.");
        throw FalloMotor(plataforma::errores::FalloGeneral, {e});
    }
}

void MotorSqlite::verificarUsuario(const QString& usuario, const QString& clave) {
    sqlite3_stmt* st = nullptr;
    // A database without logins lets everyone in (files made for one machine).
    if (sqlite3_prepare_v2(mDb, "SELECT CLAVE FROM KV_LOGINS WHERE USUARIO = ?1 COLLATE NOCASE", -1, &st,
                           nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return;
    }
    const QByteArray u = usuario.trimmed().toUtf8();
    sqlite3_bind_text(st, 1, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    bool ok = false;
    if (sqlite3_step(st) == SQLITE_ROW) {
        const auto* r = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        ok = r && claveCorrecta(clave, QString::fromUtf8(r));
    }
    sqlite3_finalize(st);
    if (!ok) {
        const auto e = errorSqlServer(18456, kOrigen, {usuario});
        throw FalloMotor(e.Number, {e});
    }
}

QString MotorSqlite::resumenClave(const QString& clave, const QString& salDada) {
    if (sodium_init() < 0) return {};
    QByteArray sal;
    if (salDada.isEmpty()) {
        sal.resize(16);
        randombytes_buf(sal.data(), static_cast<size_t>(sal.size()));
        sal = sal.toHex();
    } else {
        sal = salDada.toLatin1();
    }
    const QByteArray datos = sal + clave.toUtf8();
    unsigned char h[32];
    crypto_generichash(h, sizeof h, reinterpret_cast<const unsigned char*>(datos.constData()),
                       static_cast<unsigned long long>(datos.size()), nullptr, 0);
    return QString::fromLatin1(sal) + QLatin1Char('$') +
           QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(h), sizeof h).toHex());
}

bool MotorSqlite::claveCorrecta(const QString& clave, const QString& resumen) {
    const QString sal = resumen.section(QLatin1Char('$'), 0, 0);
    const QByteArray a = resumenClave(clave, sal).toLatin1();
    const QByteArray b = resumen.toLatin1();
    return a.size() == b.size() &&
           sodium_memcmp(a.constData(), b.constData(), static_cast<size_t>(a.size())) == 0;
}

void MotorSqlite::cerrar() {
    if (!mDb) return;
    // Statements still open belong to recordsets; close_v2 waits for them.
    sqlite3_close_v2(mDb);
    mDb = nullptr;
    mNivelTransaccion = 0;
    mClavesDeOrden.clear();
    mTiposDeColumna.clear();
    mSoloAscii.clear();
    mGrupos.clear();
    mAccesosLeidos = false;
}

Resultado MotorSqlite::ejecutar(const QString& sql, int tiempoEspera) {
    comprobarAlcance();
    if (tiempoEspera > 0 && tiempoEspera != mEsperaActual) {
        sqlite3_busy_timeout(mDb, tiempoEspera * 1000);
        mEsperaActual = tiempoEspera;
    }
    tsql::Opciones opciones;
    opciones.claveDeOrden = [this](const QString& f) { return claveDeOrden(f); };
    opciones.paginasPorDesplazamiento = mPaginasPorDesplazamiento;
    opciones.tipoDeColumna = [this](const QString& f, const QString& c) { return tipoDeColumna(f, c); };
    if (mLecturasRapidas) {
        opciones.candidatosDeBusqueda = [this](const QString& f, const QStringList& c, const QString& t) {
            return candidatosDeBusqueda(f, c, t);
        };
        opciones.clavesDePagina = [this](const QString& f, const QString& w, const QStringList& o, qint64 n,
                                         qint64 s) { return clavesDePagina(f, w, o, n, s); };
        opciones.valoresDe = [this](const QString& sentencia) {
            return valoresComoLiterales(*this, sentencia);
        };
    }
    opciones.intercalacionDeColumna = [this](const QString& f, const QString& c) {
        return intercalacionDeColumna(f, c);
    };
    const auto sentencias = tsql::traducirLote(sql, opciones);
    {
        QStringList textos;
        for (const auto& s : sentencias)
            textos << s.texto;
        mUltimo = textos.join(QStringLiteral(";\n"));
    }
    size_t ultimaNormal = 0;
    for (size_t i = 0; i < sentencias.size(); ++i)
        if (sentencias[i].clase == tsql::Sentencia::Clase::Normal) ultimaNormal = i;
    return ejecutarLote(*this, sentencias, [&](const tsql::Sentencia& s, size_t i, Resultado& res) {
        ejecutarSentencia(s, i == ultimaNormal, res);
    });
}

void MotorSqlite::ejecutarSentencia(const tsql::Sentencia& s, bool ultima, Resultado& res) {
    const bool definicion = s.texto.startsWith(QLatin1String("CREATE"), Qt::CaseInsensitive) ||
                            s.texto.startsWith(QLatin1String("DROP"), Qt::CaseInsensitive) ||
                            s.texto.startsWith(QLatin1String("ALTER"), Qt::CaseInsensitive);
    if (definicion) {
        mClavesDeOrden.clear();
        mTiposDeColumna.clear();
        mSoloAscii.clear();
        mGrupos.clear();
        mAccesosLeidos = false;
        mSombrasLeidas = false;
        // The key triggers name tables and columns: they step aside while the schema changes.
        quitarClaves();
    }
    struct Reponer {
        MotorSqlite* m;
        bool si;
        ~Reponer() {
            if (si) m->prepararClaves();
        }
    } reponer{this, definicion};
    const QByteArray texto = s.texto.toUtf8();
    sqlite3_stmt* st = nullptr;
    const char* resto = nullptr;
    int rc = sqlite3_prepare_v2(mDb, texto.constData(), static_cast<int>(texto.size()), &st, &resto);
    auto abortar = [&](int codigo) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(mDb));
        sqlite3_finalize(st);
        fallar(codigo, msg);
    };
    if (rc != SQLITE_OK) abortar(rc);
    if (!st) return; // only blanks
    const qint64 antesTotal = mFilasTocadas;
    rc = sqlite3_step(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) abortar(rc);
    // A definition returns no rows in ADO, though SQLite's check of a column
    // added with a constraint reports one column of its own.
    if (definicion) {
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(st);
        if (rc != SQLITE_DONE) abortar(rc);
        sqlite3_finalize(st);
        return;
    }
    if (sqlite3_column_count(st) > 0) {
        auto c = std::make_unique<CursorSqlite>(shared_from_this(), st, rc == SQLITE_ROW, s.tiposColumnas);
        if (ultima && !res.cursor) {
            res.cursor = std::move(c);
        } else {
            // Later statements of the batch run now: this result is read first.
            std::vector<Fila> filas;
            Fila f;
            while (c->siguiente(f))
                filas.push_back(f);
            if (!res.cursor) res.cursor = std::make_unique<CursorMemoria>(c->campos(), std::move(filas));
        }
        return;
    }
    if (!sqlite3_stmt_readonly(st)) {
        qint64 n = sqlite3_changes(mDb);
        // Rows written through a view's INSTEAD OF triggers count as the view's.
        if (n == 0) n = mFilasTocadas - antesTotal;
        const QString inicio = s.texto.trimmed().left(8).toUpper();
        if (inicio.startsWith(QLatin1String("INSERT")) || inicio.startsWith(QLatin1String("UPDATE")) ||
            inicio.startsWith(QLatin1String("DELETE")) || inicio.startsWith(QLatin1String("REPLACE")))
            sumarFilas(res, n);
    }
    sqlite3_finalize(st);
}

qint64 MotorSqlite::ejecutarConParametros(const QString& sql, const QVector<QVariant>& valores,
                                          int tiempoEspera) {
    comprobarAlcance();
    if (tiempoEspera > 0 && tiempoEspera != mEsperaActual) {
        sqlite3_busy_timeout(mDb, tiempoEspera * 1000);
        mEsperaActual = tiempoEspera;
    }
    mUltimo = sql;
    const QByteArray texto = sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(mDb, texto.constData(), static_cast<int>(texto.size()), &st, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(mDb));
        sqlite3_finalize(st);
        fallar(rc, msg);
    }
    for (int i = 0; i < valores.size(); ++i)
        vincular(st, i + 1, valores[i]);
    const qint64 antesTotal = mFilasTocadas;
    rc = sqlite3_step(st);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(mDb));
        sqlite3_finalize(st);
        fallar(rc, msg);
    }
    qint64 n = sqlite3_changes(mDb);
    if (n == 0) n = mFilasTocadas - antesTotal;
    sqlite3_finalize(st);
    return n;
}

void MotorSqlite::iniciarTransaccion() {
    comprobarAlcance();
    // Every transaction the program opens is there to write: taking the write
    // lock at once waits for another writer (busy timeout) instead of failing
    // later, when a read lock cannot be upgraded.
    if (mNivelTransaccion == 0) ejecutarSimple("BEGIN IMMEDIATE");
    ++mNivelTransaccion;
}

void MotorSqlite::confirmarTransaccion() {
    comprobarAlcance();
    // A COMMIT that fails leaves the transaction open: the level stays for the rollback.
    if (mNivelTransaccion == 1) ejecutarSimple("COMMIT");
    if (mNivelTransaccion > 0) --mNivelTransaccion;
}

void MotorSqlite::deshacerTransaccion() {
    // The level goes even when the link is gone: the transaction went with it.
    mNivelTransaccion = 0;
    comprobarAlcance();
    if (!sqlite3_get_autocommit(mDb)) ejecutarSimple("ROLLBACK");
}

std::unique_ptr<CursorMotor> MotorSqlite::esquemaTablas() {
    comprobarAlcance();
    const QVector<DescCampo> campos = camposEsquemaTablas();
    std::vector<Fila> filas;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(
        mDb,
        "SELECT name, type FROM sqlite_master WHERE type IN ('table','view') AND name NOT LIKE "
        "'sqlite_%' ORDER BY type, name",
        -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        const QString nombre = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        const QString tipo = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        filas.push_back({mNombre, QStringLiteral("dbo"), nombre,
                         tipo == QLatin1String("view") ? QStringLiteral("VIEW") : QStringLiteral("TABLE"),
                         QVariant(), QVariant()});
    }
    sqlite3_finalize(st);
    return std::make_unique<CursorMemoria>(campos, std::move(filas));
}

std::unique_ptr<CursorMotor> MotorSqlite::esquemaColumnas(const QString& catalogo, const QString& tabla) {
    comprobarAlcance();
    const QVector<DescCampo> campos = camposEsquemaColumnas();
    std::vector<Fila> filas;
    const QString cat = catalogo.trimmed();
    if (!cat.isEmpty() && cat.compare(mNombre, Qt::CaseInsensitive) != 0 &&
        cat.compare(QFileInfo(mRuta).completeBaseName(), Qt::CaseInsensitive) != 0)
        return std::make_unique<CursorMemoria>(campos, std::move(filas));

    QStringList tablas;
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(mDb,
                           "SELECT name FROM sqlite_master WHERE type IN ('table','view') AND name NOT LIKE "
                           "'sqlite_%' AND (?1 IS NULL OR name = ?1 COLLATE NOCASE) ORDER BY name",
                           -1, &st, nullptr);
        const QByteArray t = tabla.trimmed().toUtf8();
        if (tabla.trimmed().isEmpty())
            sqlite3_bind_null(st, 1);
        else
            sqlite3_bind_text(st, 1, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            tablas << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    for (const QString& t : tablas) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(mDb, "SELECT cid, name, type, \"notnull\", dflt_value FROM pragma_table_info(?1)",
                           -1, &st, nullptr);
        const QByteArray tb = t.toUtf8();
        sqlite3_bind_text(st, 1, tb.constData(), static_cast<int>(tb.size()), SQLITE_TRANSIENT);
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            const DescCampo d =
                tipoDeclarado(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 2))));
            const bool defecto = sqlite3_column_type(st, 4) != SQLITE_NULL;
            filas.push_back(
                {mNombre, QStringLiteral("dbo"), t,
                 QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))),
                 sqlite3_column_int(st, 0) + 1, defecto,
                 defecto
                     ? QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 4))))
                     : QVariant(),
                 sqlite3_column_int(st, 3) == 0, d.tipo,
                 esTipoTexto(d.tipo) ? QVariant(d.tamano) : QVariant(),
                 d.precision ? QVariant(int(d.precision)) : QVariant(),
                 d.tipo == adNumeric || d.tipo == adCurrency ? QVariant(int(d.escala)) : QVariant()});
        }
        sqlite3_finalize(st);
    }
    return std::make_unique<CursorMemoria>(campos, std::move(filas));
}

QStringList MotorSqlite::clavePrimaria(const QString& tabla) {
    comprobarAlcance();
    QStringList r;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(mDb, "SELECT name FROM pragma_table_info(?1) WHERE pk > 0 ORDER BY pk", -1, &st,
                       nullptr);
    const QByteArray tb = tabla.toUtf8();
    sqlite3_bind_text(st, 1, tb.constData(), static_cast<int>(tb.size()), SQLITE_TRANSIENT);
    while (st && sqlite3_step(st) == SQLITE_ROW)
        r << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return r;
}

qint64 MotorSqlite::contarFilas(const QString& sqlite) {
    QString texto = sqlite.trimmed();
    while (texto.endsWith(QLatin1Char(';')))
        texto.chop(1);
    if (!texto.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive) &&
        !texto.startsWith(QLatin1String("WITH"), Qt::CaseInsensitive))
        return -1;
    const QString rapido = tsql::conteoDeFilas(texto);
    const QByteArray b =
        (rapido.isEmpty() ? QStringLiteral("SELECT COUNT(*) FROM (") + texto + QStringLiteral("\n)") : rapido)
            .toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(mDb, b.constData(), static_cast<int>(b.size()), &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return -1;
    }
    const int rc = sqlite3_step(st);
    const qint64 n = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    if (rc != SQLITE_ROW) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(mDb));
        sqlite3_finalize(st);
        fallar(rc, msg);
    }
    sqlite3_finalize(st);
    return n;
}

namespace {

// A table or view name as the statement wrote it, without its brackets.
QString nombreDeFuente(const QString& fuente) {
    QString nombre = fuente.trimmed();
    if (nombre.startsWith(QLatin1Char('[')) && nombre.endsWith(QLatin1Char(']')))
        nombre = nombre.mid(1, nombre.size() - 2);
    return nombre;
}

} // namespace

QString MotorSqlite::tipoDeColumna(const QString& fuente, const QString& columna) {
    const QString nombre = nombreDeFuente(fuente);
    auto it = mTiposDeColumna.find(nombre.toLower());
    if (it == mTiposDeColumna.end()) {
        QHash<QString, QString> tipos;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(mDb, "SELECT name, type FROM pragma_table_info(?1)", -1, &st, nullptr);
        const QByteArray n = nombre.toUtf8();
        sqlite3_bind_text(st, 1, n.constData(), static_cast<int>(n.size()), SQLITE_TRANSIENT);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            tipos.insert(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).toLower(),
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))));
        sqlite3_finalize(st);
        it = mTiposDeColumna.insert(nombre.toLower(), tipos);
    }
    return it->value(columna.toLower());
}

QString MotorSqlite::claveDeOrden(const QString& fuente) {
    const QString nombre = nombreDeFuente(fuente);
    const QString k = nombre.toLower();
    const auto it = mClavesDeOrden.constFind(k);
    if (it != mClavesDeOrden.constEnd()) return *it;
    QString r;
    QString tipo;
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(mDb, "SELECT type FROM sqlite_master WHERE name = ?1 COLLATE NOCASE", -1, &st,
                           nullptr);
        const QByteArray n = nombre.toUtf8();
        sqlite3_bind_text(st, 1, n.constData(), static_cast<int>(n.size()), SQLITE_TRANSIENT);
        if (st && sqlite3_step(st) == SQLITE_ROW)
            tipo = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    if (!tipo.isEmpty()) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(mDb, "SELECT name, type, pk FROM pragma_table_info(?1)", -1, &st, nullptr);
        const QByteArray n = nombre.toUtf8();
        sqlite3_bind_text(st, 1, n.constData(), static_cast<int>(n.size()), SQLITE_TRANSIENT);
        QString clave, id;
        int claves = 0;
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            const QString col = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            const QString t = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            if (sqlite3_column_int(st, 2) > 0) {
                ++claves;
                if (t.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0) clave = col;
            }
            if (col.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0) id = col;
        }
        sqlite3_finalize(st);
        // A table is stored in its rowid's order; a view is read by its key column ID.
        if (tipo == QLatin1String("table"))
            r = (claves == 1 && !clave.isEmpty()) ? QLatin1Char('[') + clave + QLatin1Char(']')
                                                  : QStringLiteral("rowid");
        else if (!id.isEmpty())
            r = QLatin1Char('[') + id + QLatin1Char(']');
    }
    mClavesDeOrden.insert(k, r);
    return r;
}

QString MotorSqlite::intercalacionDeColumna(const QString& fuente, const QString& columna) {
    const QString tipo = tipoDeColumna(fuente, columna);
    // An alias or an expression of a view: the rule, which is right for any text.
    if (tipo.isEmpty()) return QString::fromLatin1(tsql::kIntercalacionEspanol);
    if (!esTipoTexto(tipoDeclarado(tipo).tipo)) return {};
    return soloAscii(fuente, columna) ? QStringLiteral("NOCASE")
                                      : QString::fromLatin1(tsql::kIntercalacionEspanol);
}

namespace {

QString entreComillas(const QString& nombre) {
    return QLatin1Char('"') + QString(nombre).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QString textoColumna(sqlite3_stmt* st, int i) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
    return p ? QString::fromUtf8(p) : QString();
}

// Rows of an internal statement, each column as text.
QVector<QStringList> filasDe(sqlite3* db, const QString& sql, const QStringList& valores = {}) {
    QVector<QStringList> r;
    sqlite3_stmt* st = nullptr;
    const QByteArray b = sql.toUtf8();
    if (sqlite3_prepare_v2(db, b.constData(), static_cast<int>(b.size()), &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return r;
    }
    for (int i = 0; i < valores.size(); ++i) {
        const QByteArray v = valores[i].toUtf8();
        sqlite3_bind_text(st, i + 1, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList fila;
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            fila << textoColumna(st, i);
        r.push_back(fila);
    }
    sqlite3_finalize(st);
    return r;
}

// A text beyond printable ASCII, in built-ins the stock tool knows too.
const char* const kFueraDeAscii = "GLOB '*[^ -~]*'";

} // namespace

bool MotorSqlite::esTablaSombra(const char* tabla) {
    if (!mSombrasLeidas) {
        mSombrasLeidas = true;
        mSombras.clear();
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(
                mDb, "SELECT name FROM sqlite_master WHERE type = 'table' AND sql LIKE 'CREATE VIRTUAL%'", -1,
                &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                mSombras << QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).toLower() +
                                '_';
        sqlite3_finalize(st);
    }
    if (mSombras.isEmpty()) return false;
    const QByteArray t = QByteArray(tabla).toLower();
    for (const QByteArray& v : mSombras)
        if (t.startsWith(v)) return true;
    return false;
}

void MotorSqlite::vigilarVersion() {
    // Another connection's commit moves the data version; this one's own writes, the change count.
    unsigned int version = 0;
    sqlite3_file_control(mDb, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    const qint64 cambios = sqlite3_total_changes64(mDb);
    if (version != mVersionLeida || cambios != mCambiosLeidos) {
        mSoloAscii.clear();
        mGrupos.clear();
        mAccesosLeidos = false;
        mVersionLeida = version;
        mCambiosLeidos = cambios;
    }
}

bool MotorSqlite::soloAscii(const QString& fuente, const QString& columna) {
    vigilarVersion();
    const QString clave = nombreDeFuente(fuente).toLower() + QLatin1Char('.') + columna.toLower();
    if (const auto it = mSoloAscii.constFind(clave); it != mSoloAscii.constEnd()) return *it;
    // The column's own table: a view's column reads one.
    QString tabla = nombreDeFuente(fuente), origen = columna;
    {
        sqlite3_stmt* st = nullptr;
        const QByteArray b = (QStringLiteral("SELECT ") + entreComillas(columna) + QStringLiteral(" FROM ") +
                              entreComillas(tabla))
                                 .toUtf8();
        if (sqlite3_prepare_v2(mDb, b.constData(), static_cast<int>(b.size()), &st, nullptr) == SQLITE_OK &&
            sqlite3_column_table_name(st, 0)) {
            tabla = QString::fromUtf8(sqlite3_column_table_name(st, 0));
            origen = QString::fromUtf8(sqlite3_column_origin_name(st, 0));
        }
        sqlite3_finalize(st);
    }
    // A partial index of the rows beyond ASCII answers at once.
    QString indice;
    static const QRegularExpression parcial(
        QStringLiteral(R"(\sWHERE\s+["\[]?(\w+)["\]]?\s+GLOB\s+'\*\[\^ -~\]\*'\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    for (const QStringList& f :
         filasDe(mDb,
                 QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 "
                                "COLLATE NOCASE AND sql IS NOT NULL"),
                 {tabla})) {
        const auto m = parcial.match(f.value(1));
        if (m.hasMatch() && m.captured(1).compare(origen, Qt::CaseInsensitive) == 0) indice = f.value(0);
    }
    const QString sql =
        QStringLiteral("SELECT EXISTS (SELECT 1 FROM ") + entreComillas(tabla) +
        (indice.isEmpty() ? QString() : QStringLiteral(" INDEXED BY ") + entreComillas(indice)) +
        QStringLiteral(" WHERE ") + entreComillas(origen) + QLatin1Char(' ') + QLatin1String(kFueraDeAscii) +
        QLatin1Char(')');
    const auto filas = filasDe(mDb, sql);
    // Unreadable: the rule, which is right for any text.
    const bool solo = !filas.isEmpty() && filas.front().value(0) == QLatin1String("0");
    mSoloAscii.insert(clave, solo);
    return solo;
}

void MotorSqlite::quitarClaves() {
    for (const QStringList& f : filasDe(
             mDb, QStringLiteral("SELECT name FROM temp.sqlite_master WHERE type = 'trigger' AND name LIKE "
                                 "'kv\\_clave\\_%' ESCAPE '\\'")))
        sqlite3_exec(mDb, ("DROP TRIGGER IF EXISTS temp." + entreComillas(f.value(0)).toUtf8()).constData(),
                     nullptr, nullptr, nullptr);
}

// A unique key of text columns refuses, as on the server, a value that
// differs from a stored one only in the case of a letter beyond ASCII (its
// NOCASE index tells ASCII letters alone). The triggers live on this
// connection only, so that the file keeps to what the stock sqlite3 tool knows.
void MotorSqlite::prepararClaves() {
    quitarClaves();
    const auto tablas = filasDe(mDb, QStringLiteral("SELECT name, sql FROM main.sqlite_master WHERE type = "
                                                    "'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"));
    for (const QStringList& t : tablas) {
        const QString& tabla = t.value(0);
        if (t.value(1).contains(QLatin1String("WITHOUT ROWID"), Qt::CaseInsensitive)) continue;
        QHash<QString, QString> tipos;
        for (const QStringList& c :
             filasDe(mDb, QStringLiteral("SELECT name, type FROM pragma_table_info(?1)"), {tabla}))
            tipos.insert(c.value(0), c.value(1));
        for (const QStringList& ix : filasDe(
                 mDb,
                 QStringLiteral("SELECT name FROM pragma_index_list(?1) WHERE \"unique\" AND NOT partial"),
                 {tabla})) {
            QStringList columnas;
            bool conTexto = false, expresion = false;
            for (const QStringList& c :
                 filasDe(mDb, QStringLiteral("SELECT name FROM pragma_index_info(?1) ORDER BY seqno"),
                         {ix.value(0)})) {
                if (c.value(0).isEmpty()) expresion = true;
                columnas << c.value(0);
                conTexto = conTexto || esTipoTexto(tipoDeclarado(tipos.value(c.value(0))).tipo);
            }
            if (!conTexto || expresion || columnas.isEmpty()) continue;
            QStringList cuando, iguales, nombres;
            for (const QString& c : columnas) {
                const bool texto = esTipoTexto(tipoDeclarado(tipos.value(c)).tipo);
                if (texto)
                    cuando << QStringLiteral("NEW.") + entreComillas(c) + QLatin1Char(' ') +
                                  QLatin1String(kFueraDeAscii);
                iguales << entreComillas(c) + QStringLiteral(" = NEW.") + entreComillas(c) +
                               (texto
                                    ? QStringLiteral(" COLLATE ") + QLatin1String(tsql::kIntercalacionEspanol)
                                    : QString());
                nombres << tabla + QLatin1Char('.') + c;
            }
            QStringList listaColumnas;
            for (const QString& c : columnas)
                listaColumnas << entreComillas(c);
            const QString mensaje =
                QStringLiteral("UNIQUE constraint failed: ") + nombres.join(QStringLiteral(", "));
            auto disparador = [&](const QString& sufijo, const QString& evento, const QString& otraFila) {
                const QString sql =
                    QStringLiteral("CREATE TEMP TRIGGER ") +
                    entreComillas(QStringLiteral("kv_clave_") + ix.value(0) + sufijo) + QLatin1Char(' ') +
                    evento + QStringLiteral(" ON main.") + entreComillas(tabla) + QStringLiteral(" WHEN ") +
                    cuando.join(QStringLiteral(" OR ")) + QStringLiteral(" BEGIN SELECT RAISE(ABORT, '") +
                    QString(mensaje).replace(QLatin1Char('\''), QLatin1String("''")) +
                    QStringLiteral("') WHERE EXISTS (SELECT 1 FROM main.") + entreComillas(tabla) +
                    QStringLiteral(" WHERE ") + iguales.join(QStringLiteral(" AND ")) + otraFila +
                    QStringLiteral("); END");
                sqlite3_exec(mDb, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
            };
            disparador(QStringLiteral("_alta"), QStringLiteral("BEFORE INSERT"), QString());
            disparador(QStringLiteral("_cambio"),
                       QStringLiteral("BEFORE UPDATE OF ") + listaColumnas.join(QStringLiteral(", ")),
                       QStringLiteral(" AND rowid <> OLD.rowid"));
        }
    }
}

void MotorSqlite::cambiarBase(const QString& nombre) {
    const QString n = nombre.trimmed();
    if (n.isEmpty() || n.compare(mNombre, Qt::CaseInsensitive) == 0 || mJet) return;
    const QString ruta = plataforma::rutaBaseDatos(n);
    if (!QFileInfo::exists(ruta)) {
        const auto e = errorSqlServer(911, kOrigen, {n});
        throw FalloMotor(e.Number, {e});
    }
    const int espera = mEsperaActual;
    cerrar();
    abrirArchivo(ruta, espera);
    mNombre = n;
}

namespace {

// The statements of a script one by one, table definitions with the checks the engine adds; the
// first failure's message, with where it stopped, or empty.
QString ejecutarEn(sqlite3* db, const QString& script) {
    const QByteArray todo = script.toUtf8();
    const char* p = todo.constData();
    const char* fin = p + todo.size();
    while (p < fin) {
        sqlite3_stmt* st = nullptr;
        const char* resto = nullptr;
        int rc = sqlite3_prepare_v2(db, p, static_cast<int>(fin - p), &st, &resto);
        if (rc == SQLITE_OK && st) {
            // Table definitions get the same checks as those made through the engine.
            const QString texto = QString::fromUtf8(p, static_cast<int>(resto - p)).trimmed();
            const QString reforzada = tsql::reforzarDefinicion(texto);
            if (reforzada != texto) {
                sqlite3_finalize(st);
                st = nullptr;
                const QByteArray r = reforzada.toUtf8();
                rc = sqlite3_prepare_v2(db, r.constData(), static_cast<int>(r.size()), &st, nullptr);
            }
            if (rc == SQLITE_OK) {
                rc = sqlite3_step(st);
                if (rc == SQLITE_ROW || rc == SQLITE_DONE) rc = SQLITE_OK;
            }
        }
        if (rc != SQLITE_OK) {
            const QString msg = QString::fromUtf8(sqlite3_errmsg(db)) + QStringLiteral(" :: ") +
                                QString::fromUtf8(p, static_cast<int>(qMin<qptrdiff>(200, fin - p)));
            sqlite3_finalize(st);
            return msg;
        }
        sqlite3_finalize(st);
        if (!resto || resto == p) break;
        p = resto;
    }
    return {};
}

} // namespace

void MotorSqlite::crearBase(const QString& ruta, const QString& script) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(ruta.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        throw plataforma::ErrorEjecucion(plataforma::errores::FalloGeneral, msg, QStringLiteral("crearBase"));
    }
    registrarFunciones(db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    const QString msg = ejecutarEn(db, script);
    sqlite3_close(db);
    if (!msg.isEmpty())
        throw plataforma::ErrorEjecucion(plataforma::errores::FalloGeneral, msg, QStringLiteral("crearBase"));
}

void MotorSqlite::ejecutarGuion(const QString& guion) {
    // All of it or none: a script stopped halfway leaves no half-made object behind.
    ejecutarSimple("SAVEPOINT kv_guion");
    const QString msg = ejecutarEn(mDb, guion);
    if (!msg.isEmpty()) {
        sqlite3_exec(mDb, "ROLLBACK TO kv_guion; RELEASE kv_guion", nullptr, nullptr, nullptr);
        fallar(SQLITE_ERROR, msg);
    }
    ejecutarSimple("RELEASE kv_guion");
    mClavesDeOrden.clear();
    mTiposDeColumna.clear();
}

} // namespace ado
