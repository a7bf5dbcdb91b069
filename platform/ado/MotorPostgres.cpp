#include "platform/ado/MotorPostgres.h"

#include "platform/ErrorEjecucion.h"
#include "platform/ado/Ado.h"
#include "platform/ado/CadenaConexion.h"
#include "platform/ado/FallosSqlServer.h"
#include "platform/ado/LexicoTSql.h"
#include "platform/ado/Lote.h"

namespace ado {

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
    CursorPorTramos(std::weak_ptr<MotorPostgres> motor, QString consulta, QString contada, int espera)
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

    std::weak_ptr<MotorPostgres> mMotor;
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

// PostgreSQL's SQLSTATEs as the native numbers SQL Server gives the same
// failures (the program acts on them); the server's message is kept.
void MotorPostgres::comoSqlServer(ErrorProveedor& e) {
    // clang-format off
    static const std::pair<const char*, int32_t> nativos[] = {
        {"23505", 2627}, {"23503", 547},  {"23514", 547},  {"23502", 515},  {"42703", 207},
        {"42P01", 208},  {"42883", 195},  {"42601", 102},  {"42501", 229},  {"22001", 8152},
        {"22P02", 245},  {"22007", 241},  {"22008", 242},  {"22003", 8115}, {"22012", 8134},
        {"40P01", 1205}, {"40001", 1205}, {"55P03", 1222}, {"57014", 0},    {"42P07", 2714},
        {"42701", 2705}, {"25P02", 3998}, {"28P01", 18456}, {"28000", 18456}, {"3D000", 4060},
        {"25006", 3906}, {"53100", 1105},
    };
    // clang-format on
    for (const auto& [estado, nativo] : nativos)
        if (e.SQLState == QLatin1String(estado)) {
            // A query cancelled by its time-out has no native number: its state is the time-out's.
            const FalloSqlServer* f = falloSqlServer(nativo, QStringLiteral("HYT00"));
            e.NativeError = nativo;
            if (f) e.SQLState = QLatin1String(f->estado);
            return;
        }
    // A login the server refuses comes back from the driver as a failed
    // connection (08001) with the server's own text: it is SQL Server's login
    // failure, not a lost link.
    struct Ingreso {
        const char* texto;
        const char* tambien; // a second text the message must hold, "" when none
        int32_t nativo;
    };
    static const Ingreso ingresos[] = {
        {"password authentication failed", "", 18456},
        {"no pg_hba.conf entry", "", 18456},
        {"role \"", "does not exist", 18456},
        {"database \"", "does not exist", 4060},
    };
    if (e.SQLState.startsWith(QLatin1String("08")) || e.SQLState.startsWith(QLatin1String("28")))
        for (const Ingreso& i : ingresos)
            if (e.Description.contains(QLatin1String(i.texto), Qt::CaseInsensitive) &&
                e.Description.contains(QLatin1String(i.tambien), Qt::CaseInsensitive)) {
                e.NativeError = i.nativo;
                if (const FalloSqlServer* f = falloSqlServer(i.nativo)) e.SQLState = QLatin1String(f->estado);
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

QString MotorPostgres::cadenaOdbc(const QString& cadenaProveedor, const QString& usuarioDado,
                                  const QString& claveDada) const {
    const CadenaConexion cc(cadenaProveedor);
    // PG:host or PG:host:port
    const QString destino = cc.valor({"Server", "Data Source"}).trimmed().mid(3);
    const int dp = destino.lastIndexOf(QLatin1Char(':'));
    const QString host = dp > 0 ? destino.left(dp) : destino;
    const QString puerto = dp > 0 ? destino.mid(dp + 1).trimmed() : QStringLiteral("5432");
    const QString usuario = usuarioDado.isEmpty() ? cc.valor({"UId", "User Id", "User"}) : usuarioDado;
    const QString clave = claveDada.isEmpty() ? cc.valor({"Pwd", "Password"}) : claveDada;
    return QStringLiteral("DRIVER={%1};SERVER=%2;PORT=%3;DATABASE=%4;UID=%5;PWD=%6;")
               .arg(entorno("QUENZAR_ODBC_POSTGRES", "PostgreSQL Unicode"), valorOdbc(host.trimmed()),
                    valorOdbc(puerto), valorOdbc(cc.valor({"Database", "Initial Catalog"}).trimmed()),
                    valorOdbc(usuario), valorOdbc(clave)) +
           qEnvironmentVariable("QUENZAR_ODBC_POSTGRES_EXTRA");
}

void MotorPostgres::alConectar(int tiempoEspera) {
    // Day before month in date texts, as the suite's Spanish servers read them.
    ejecutarUna(QStringLiteral("SET datestyle = 'ISO, DMY'"), tiempoEspera);
    // A scan starts at the table's first block, so that slices of one result follow one another.
    ejecutarUna(QStringLiteral("SET synchronize_seqscans = off"), tiempoEspera);
    // A backslash is an ordinary character in SQL Server's literals.
    ejecutarUna(QStringLiteral("SET standard_conforming_strings = on"), tiempoEspera);
    leerNombres();
}

QString MotorPostgres::tablaDeEsquema(const QString& tabla) const {
    return mNombres.value(tabla.trimmed().toLower(), tabla.trimmed());
}

QString MotorPostgres::bloqueoParaComprobar(const QString& tabla) const {
    // Reads take no range locks here: savers of one table take turns.
    return QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(tabla);
}

void MotorPostgres::cambiarBase(const QString& nombre) {
    if (!abierto()) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    if (nombre.trimmed().isEmpty() || nombre.trimmed().compare(baseActual(), Qt::CaseInsensitive) == 0)
        return;
    // A PostgreSQL connection stays in its database.
    fallarCon(QStringLiteral("3D000"), 4060,
              QStringLiteral("No se puede cambiar a la base de datos \"%1\" en esta conexión.")
                  .arg(nombre.trimmed()));
}

void MotorPostgres::leerNombres() {
    const Resultado r = ejecutarUna(QLatin1String(pg::kConsultaDeNombres), 0);
    QStringList declarados;
    Fila f;
    while (r.cursor && r.cursor->siguiente(f))
        declarados << f.value(0).toString();
    mNombres = pg::nombresDe(declarados);
    mClaves.clear();
}

QString MotorPostgres::claveDeOrden(const QString& fuente) {
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

Resultado MotorPostgres::ejecutar(const QString& sql, int tiempoEspera) {
    if (!abierto()) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    const auto sentencias = pg::traducirLote(sql, mNombres);
    if (sentencias.size() == 1 && sentencias.front().clase == tsql::Sentencia::Clase::Normal)
        if (auto c = porTramosSiSePuede(sentencias.front().texto, tiempoEspera)) {
            Resultado r;
            r.cursor = std::move(c);
            return r;
        }
    bool definicion = false;
    Resultado total;
    try {
        total = ejecutarLote(*this, sentencias, [&](const tsql::Sentencia& s, size_t, Resultado& lote) {
            definicion = definicion || s.texto.startsWith(QLatin1String("CREATE"), Qt::CaseInsensitive) ||
                         s.texto.startsWith(QLatin1String("ALTER"), Qt::CaseInsensitive) ||
                         s.texto.startsWith(QLatin1String("DROP"), Qt::CaseInsensitive);
            Resultado r = ejecutarUna(s.texto, tiempoEspera);
            if (r.cursor && !lote.cursor) lote.cursor = std::move(r.cursor);
            sumarFilas(lote, r.filasAfectadas);
        });
    } catch (const FalloMotor&) {
        if (definicion) leerNombres();
        throw;
    }
    QStringList textos;
    for (const auto& x : sentencias)
        textos << x.texto;
    anotarEnviado(textos.join(QStringLiteral("; ")));
    if (definicion) leerNombres();
    return total;
}

std::unique_ptr<CursorMotor> MotorPostgres::porTramosSiSePuede(const QString& sql, int tiempoEspera) {
    bool ordenada = false;
    QString fuente;
    if (weak_from_this().expired() || !porTramos(sql, ordenada, fuente)) return {};
    // Slices follow one another only in a total order: the source's key
    // completes the statement's own order, or gives it one (as SQL Server
    // reads its clustered key). A result without one is read whole.
    const QString clave = fuente.isEmpty() ? QString() : claveDeOrden(fuente);
    if (!ordenada && clave.isEmpty()) return {};
    QString consulta = sql;
    if (!clave.isEmpty())
        consulta += (ordenada ? QStringLiteral(", ") : QStringLiteral(" ORDER BY ")) + clave;
    anotarEnviado(consulta);
    return std::make_unique<CursorPorTramos>(weak_from_this(), consulta, sql, tiempoEspera);
}

} // namespace ado
