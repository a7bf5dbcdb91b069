#include "platform/ado/MotorPostgres.h"

#include "platform/ErrorEjecucion.h"
#include "platform/ado/Ado.h"
#include "platform/ado/CadenaConexion.h"
#include "platform/ado/FallosSqlServer.h"
#include "platform/ado/LexicoTSql.h"
#include "platform/ado/Lote.h"

#include <QRegularExpression>
#include <algorithm>
#include <functional>
#include <optional>

namespace ado {

namespace {

QString comillasPg(const QString& nombre) {
    return QLatin1Char('"') + QString(nombre).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// A SELECT whose own level has no LIMIT, OFFSET, FETCH, FOR or INTO can be read
// in slices by appending them. `ordenada`: it has an ORDER BY at that level;
// `fuente`: its one source (a quoted name) when it reads one table or view
// without grouping, else empty.
// `partes`, of a simple one: its list, its FROM clause, its WHERE's condition (empty when none).
struct Partes {
    QString lista, from, condicion;
    bool conWhere = false;
};

bool porTramos(const QString& sql, bool& ordenada, QString& fuente, Partes* partes = nullptr) {
    const tsql::Toks t = tsql::tokenizar(sql);
    size_t desdeFrom = t.size(), where = t.size();
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
            if (desdeFrom == t.size()) desdeFrom = j;
            const size_t n = tsql::sig(t, j + 1, t.size());
            if (n < t.size() && t[n].t == tsql::TT::Ident)
                fuente = t[n].s;
            else
                simple = false;
        } else if (k.es("WHERE")) {
            trasFrom = false;
            if (where == t.size()) where = j;
        }
    }
    if (!simple) fuente.clear();
    if (partes && !fuente.isEmpty() && desdeFrom < t.size())
        *partes = {tsql::unir(t, i + 1, desdeFrom).trimmed(), tsql::unir(t, desdeFrom, where).trimmed(),
                   where < t.size() ? tsql::unir(t, where + 1, t.size()).trimmed() : QString(),
                   where < t.size()};
    return prof == 0;
}

// The rows of a long PostgreSQL result in a total order, read in growing
// slices as they are wanted; the whole is counted by the server. Each slice
// is a statement of its own: rows others store meanwhile may shift it, as
// between two pages of the list.
class CursorPorTramos final : public CursorMotor {
public:
    // `tramo(n, s)` reads n rows from s; `contada` (the same rows, maybe without the added order) is counted.
    using Tramo = std::function<QString(qint64 cuantas, qint64 desde)>;
    // A statement in its key's order alone: after its first slice, each starts at the last key
    // read (an offset would have the server pass over every row before it, slice after slice).
    struct PorClave {
        Partes partes;
        QString clave;
    };
    // `conteo`, when given, counts the same rows faster than a COUNT(*) of `contada`.
    CursorPorTramos(std::weak_ptr<MotorPostgres> motor, Tramo tramo, const QString& contada, int espera,
                    std::optional<PorClave> porClave = std::nullopt, const QString& conteo = {})
        : mMotor(std::move(motor))
        , mTramoDe(std::move(tramo))
        , mConteo(conteo.isEmpty() ? QStringLiteral("SELECT COUNT(*) FROM (%1) AS kv_conteo").arg(contada)
                                   : conteo)
        , mEspera(espera)
        , mPorClaveDado(std::move(porClave))
        , mPorClave(mPorClaveDado) {
        leerTramo();
    }
    const QVector<DescCampo>& campos() const override { return mCampos; }
    qint64 enMano() const override { return static_cast<qint64>(mFilas.size() - mPos); }
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
            const Resultado r = m->ejecutarUna(mConteo, mEspera);
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
        mDesdeClave.clear();
        mSoloSinClave = false;
        mPorClave = mPorClaveDado;
        leerTramo();
        return true;
    }

private:
    // Small: a list's page, a probe of its columns and a count need no more.
    static constexpr qint64 kPrimerTramo = 100;
    static constexpr qint64 kMayorTramo = 64000;

    void leerTramo() {
        auto m = mMotor.lock();
        mFilas.clear();
        mPos = 0;
        if (!m) {
            mCompleto = true;
            return;
        }
        if (mPorClave)
            leerPorClave(*m);
        else
            leerPorDesplazamiento(*m);
        mDesde += static_cast<qint64>(mFilas.size());
        mTramo = qMin(mTramo * 2, kMayorTramo);
    }

    // Runs `sql` and adds its rows, taking off the key each one carries last when `claves`.
    bool leer(MotorPostgres& m, const QString& sql, std::vector<QVariant>* claves) {
        const Resultado r = m.ejecutarUna(sql, mEspera);
        if (!r.cursor) return false;
        if (mCampos.isEmpty()) {
            mCampos = r.cursor->campos();
            if (claves) mCampos.removeLast();
        }
        Fila f;
        while (r.cursor->siguiente(f)) {
            if (claves) claves->push_back(f.takeLast());
            mFilas.push_back(std::move(f));
        }
        return true;
    }

    // One row more than the slice tells whether another follows.
    void leerPorDesplazamiento(MotorPostgres& m) {
        if (!leer(m, mTramoDe(mTramo + 1, mDesde), nullptr)) {
            mCompleto = true;
            return;
        }
        mCompleto = static_cast<qint64>(mFilas.size()) <= mTramo;
        if (!mCompleto) mFilas.pop_back();
    }

    // A slice ends where a key ends: the rows of the key it stops at are all read by the next
    // one, whatever order the server gives rows of one key. Rows without a key sort last and
    // no key reaches them: they are read apart, at the end.
    void leerPorClave(MotorPostgres& m) {
        const QString& k = mPorClave->clave;
        std::vector<QVariant> claves;
        const QString sinClave = condicion(QStringLiteral("%1 IS NULL").arg(k));
        if (mSoloSinClave) {
            leer(m, sinClave, &claves);
            mCompleto = true;
            return;
        }
        const QString desde = mDesdeClave.isEmpty() ? QStringLiteral("TRUE") : mDesdeClave;
        if (!leer(m, condicion(desde) + QStringLiteral(" ORDER BY %1 LIMIT %2").arg(k).arg(mTramo + 1),
                  &claves)) {
            mCompleto = true;
            return;
        }
        if (static_cast<qint64>(mFilas.size()) <= mTramo) {
            // Every key from here on is read; a first slice held the rows without one too.
            if (!mDesdeClave.isEmpty()) leer(m, sinClave, &claves);
            mCompleto = true;
            return;
        }
        auto misma = [](const QVariant& a, const QVariant& b) {
            return a.isNull() ? b.isNull() : !b.isNull() && a == b;
        };
        const QVariant ultima = claves.back();
        size_t fin = mFilas.size();
        while (fin > 0 && misma(claves[fin - 1], ultima))
            --fin;
        if (ultima.isNull()) {
            mFilas.resize(fin);
            mSoloSinClave = true;
            return;
        }
        const QString literal = literalDe(ultima);
        if (literal.isEmpty()) {
            // A key no literal writes: by offset from here on.
            mFilas.pop_back();
            mPorClave.reset();
            return;
        }
        if (fin == 0) {
            // One key fills the slice: all its rows, then on past it.
            mFilas.clear();
            leer(m, condicion(QStringLiteral("%1 = %2").arg(k, literal)), &claves);
            mDesdeClave = QStringLiteral("%1 > %2").arg(k, literal);
            return;
        }
        mFilas.resize(fin);
        mDesdeClave = QStringLiteral("%1 >= %2").arg(k, literal);
    }

    static QString literalDe(const QVariant& v) {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
            return v.toString();
        case QMetaType::QString:
            return QLatin1Char('\'') + v.toString().replace(QLatin1Char('\''), QLatin1String("''")) +
                   QLatin1Char('\'');
        default:
            return {};
        }
    }
    QString condicion(const QString& extra) const {
        const Partes& p = mPorClave->partes;
        return QStringLiteral("SELECT %1, %2 AS kv_clave %3 WHERE %4%5")
            .arg(p.lista, mPorClave->clave, p.from,
                 p.condicion.isEmpty() ? QString() : QStringLiteral("(%1) AND ").arg(p.condicion), extra);
    }
    std::weak_ptr<MotorPostgres> mMotor;
    Tramo mTramoDe;
    QString mConteo;
    int mEspera;
    QVector<DescCampo> mCampos;
    std::vector<Fila> mFilas;
    size_t mPos = 0;
    qint64 mLeidas = 0;
    qint64 mDesde = 0;
    qint64 mTramo = kPrimerTramo;
    bool mCompleto = false;
    const std::optional<PorClave> mPorClaveDado;
    std::optional<PorClave> mPorClave;
    QString mDesdeClave;        // where the next slice starts ("k >= v"); empty: the first
    bool mSoloSinClave = false; // what is left: the rows without a key
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
    // A scan starts at the table's first block, so that slices of one result follow one another.
    // A backslash is an ordinary character in SQL Server's literals.
    // The program's statements are short: starting parallel workers or compiling a plan costs
    // them more than it saves (a search that finds nothing waited 30 ms for its workers). One round trip.
    ejecutarUna(
        QStringLiteral("SET datestyle = 'ISO, DMY'; SET synchronize_seqscans = off; "
                       "SET standard_conforming_strings = on; SET max_parallel_workers_per_gather = 0; "
                       "SET jit = off"),
        tiempoEspera);
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

void MotorPostgres::ejecutarGuion(const QString& guion) {
    if (!abierto()) throw FalloMotor(plataforma::errores::ConexionInvalida, {});
    // All of it or none, inside the caller's transaction when there is one.
    const bool propia = !enTransaccion();
    if (propia) iniciarTransaccion();
    try {
        ejecutarUna(guion, 0);
        if (propia) confirmarTransaccion();
    } catch (const FalloMotor&) {
        if (propia) {
            try {
                deshacerTransaccion();
            } catch (const FalloMotor&) {
                // The link is gone with the transaction.
            }
        }
        leerNombres();
        throw;
    }
    leerNombres();
}

void MotorPostgres::leerNombres() {
    const Resultado r = ejecutarUna(QLatin1String(pg::kConsultaDeNombres), 0);
    QStringList declarados;
    Fila f;
    while (r.cursor && r.cursor->siguiente(f))
        declarados << f.value(0).toString();
    mNombres = pg::nombresDe(declarados);
    mClaves.clear();
    mAccesosLeidos = false;
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
                "c.relnamespace = current_schema()::regnamespace UNION ALL SELECT a.attname::text, 1 "
                "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid WHERE c.relname = '%1' AND "
                "c.relnamespace = current_schema()::regnamespace AND a.attname = 'ID' AND a.attnum > 0 AND "
                "NOT "
                "a.attisdropped) AS k ORDER BY p LIMIT 1")
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
    tsql::Opciones lecturas;
    if (mLecturasRapidas) {
        lecturas.candidatosDeBusqueda = [this](const QString& f, const QStringList& c, const QString& t) {
            return candidatosDeBusqueda(f, c, t);
        };
        lecturas.clavesDePagina = [this](const QString& f, const QString& w, const QStringList& o, qint64 n,
                                         qint64 s) { return clavesDePagina(f, w, o, n, s); };
        lecturas.valoresDe = [this](const QString& sentencia) {
            return valoresComoLiterales(*this, sentencia);
        };
    }
    const auto sentencias = pg::traducirLote(sql, mNombres, mLecturasRapidas ? &lecturas : nullptr);
    if (sentencias.size() == 1 && sentencias.front().clase == tsql::Sentencia::Clase::Normal) {
        // A faster reading of the same rows is read in slices when the plain one would be; each
        // slice is then read the faster way too (its order and limit may go into the reading).
        QString plana;
        std::optional<TramoRapido> tramoRapido;
        if (sentencias.front().lecturaRapida) {
            const auto llanas = pg::traducirLote(sql, mNombres);
            if (llanas.size() == 1) {
                plana = llanas.front().texto;
                tramoRapido = [this, sql, lecturas](const QString& orden, qint64 n, qint64 s) {
                    const auto t = pg::traducirLote(
                        QStringLiteral("%1 %2 LIMIT %3 OFFSET %4").arg(sql.trimmed(), orden).arg(n).arg(s),
                        mNombres, &lecturas);
                    return t.size() == 1 ? t.front().texto : QString();
                };
            }
        }
        if (auto c = porTramosSiSePuede(sentencias.front().texto, tiempoEspera, plana,
                                        tramoRapido ? &*tramoRapido : nullptr)) {
            Resultado r;
            r.cursor = std::move(c);
            return r;
        }
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

std::unique_ptr<CursorMotor> MotorPostgres::porTramosSiSePuede(const QString& sql, int tiempoEspera,
                                                               const QString& plana,
                                                               const TramoRapido* rapido) {
    bool ordenada = false;
    QString fuente;
    Partes partes;
    if (weak_from_this().expired() || !porTramos(plana.isEmpty() ? sql : plana, ordenada, fuente, &partes))
        return {};
    // Slices follow one another only in a total order: the source's key
    // completes the statement's own order, or gives it one (as SQL Server
    // reads its clustered key). A result without one is read whole.
    const QString clave = fuente.isEmpty() ? QString() : claveDeOrden(fuente);
    if (!ordenada && clave.isEmpty()) return {};
    QString consulta = sql;
    if (!clave.isEmpty())
        consulta += (ordenada ? QStringLiteral(", ") : QStringLiteral(" ORDER BY ")) + clave;
    anotarEnviado(consulta);
    CursorPorTramos::Tramo tramo = [consulta](qint64 n, qint64 s) {
        return QStringLiteral("%1 LIMIT %2 OFFSET %3").arg(consulta).arg(n).arg(s);
    };
    if (rapido) {
        // The same order in the program's dialect.
        QString orden;
        if (!clave.isEmpty()) {
            const QString k =
                clave.mid(1, clave.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
            orden = (ordenada ? QStringLiteral(", [") : QStringLiteral(" ORDER BY [")) +
                    QString(k).replace(QLatin1Char(']'), QLatin1String("]]")) + QLatin1Char(']');
        }
        tramo = [r = *rapido, orden, tramo](qint64 n, qint64 s) {
            const QString t = r(orden, n, s);
            return t.isEmpty() ? tramo(n, s) : t;
        };
    }
    // In the key's order alone, the slices after the first start at the last key read.
    std::optional<CursorPorTramos::PorClave> porClave;
    // (A WHERE with nothing after it keeps its text, and its failure.)
    if (!rapido && !ordenada && !clave.isEmpty() && !(partes.conWhere && partes.condicion.isEmpty()))
        porClave = CursorPorTramos::PorClave{partes, clave};
    // Every row of the source: the server keeps how many, when the schema says where.
    QString conteo;
    if (mLecturasRapidas && !fuente.isEmpty() && !partes.conWhere) {
        const QString tabla = accesos().conteosDe(
            fuente.mid(1, fuente.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\"")));
        if (!tabla.isEmpty())
            conteo = QStringLiteral("SELECT CAST(COALESCE(SUM(\"FILAS\"), 0) AS bigint) FROM %1")
                         .arg(comillasPg(mNombres.value(tabla.toLower(), tabla)));
    }
    return std::make_unique<CursorPorTramos>(weak_from_this(), std::move(tramo), sql, tiempoEspera,
                                             std::move(porClave), conteo);
}

namespace {

using tsql::entreCorchetes;
using tsql::literalDeTexto;

} // namespace

const tsql::Accesos& MotorPostgres::accesos() {
    if (!mAccesosLeidos) {
        mAccesosLeidos = true;
        mAccesos.limpiar();
        // Read once per schema: a database without the table has no faster readings.
        if (mNombres.contains(QStringLiteral("kv_accesos"))) {
            try {
                const Resultado r = ejecutarUna(
                    QStringLiteral(
                        "SELECT \"FUENTE\", \"COLUMNA\", \"INDICE\", \"TABLA\", \"ENLACE\", \"CONTEOS\" FROM "
                        "%1")
                        .arg(comillasPg(mNombres.value(QStringLiteral("kv_accesos")))),
                    0);
                Fila f;
                while (r.cursor && r.cursor->siguiente(f))
                    mAccesos.poner(f.value(0).toString(), f.value(1).toString(),
                                   {f.value(2).toString(), f.value(3).toString(), f.value(4).toString(),
                                    f.value(5).toString()});
            } catch (const FalloMotor&) {
                mAccesos.limpiar();
            }
        }
    }
    return mAccesos;
}

std::optional<tsql::LecturaDeBusqueda> MotorPostgres::candidatosDeBusqueda(const QString& fuente,
                                                                           const QStringList& columnas,
                                                                           const QString& texto) {
    // Three letters make a trigram; a shorter text is read the plain way.
    if (texto.size() < 3) return std::nullopt;
    const QString clave = claveDeOrden(comillasPg(mNombres.value(fuente.toLower(), fuente)));
    if (clave.isEmpty()) return std::nullopt;
    tsql::LecturaDeBusqueda r;
    r.clave =
        entreCorchetes(clave.mid(1, clave.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\"")));
    const auto indices = accesos().indicesDeBusqueda(fuente, columnas, r);
    if (!indices) return std::nullopt;
    QStringList partes;
    for (const QString& i : *indices)
        partes << QStringLiteral("SELECT %1 FROM %2 WHERE [TEXTO] LIKE %3")
                      .arg(r.clave, entreCorchetes(i),
                           literalDeTexto(QLatin1Char('%') + texto + QLatin1Char('%')));
    r.candidatos = partes.join(QStringLiteral(" UNION ALL "));
    return r;
}

QString MotorPostgres::clavesDePagina(const QString& fuente, const QString& condicion,
                                      const QStringList& orden, qint64 cuantas, qint64 desde) {
    if (!condicion.isEmpty() || orden.size() < 2 || cuantas <= 0 || desde < 0) return {};
    static const QRegularExpression item(QStringLiteral(R"(^\s*\[?([^\]\s]+)\]?\s*(ASC|DESC)?\s*$)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = item.match(orden.front());
    if (!m.hasMatch()) return {};
    const QString col = m.captured(1);
    const bool descendente = m.captured(2).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
    const tsql::AccesoDeColumna* a = accesos().de(fuente, col);
    if (!a || a->tabla.isEmpty() || a->enlace.isEmpty() || a->conteos.isEmpty()) return {};
    const QString clave = claveDeOrden(comillasPg(mNombres.value(fuente.toLower(), fuente)));
    if (clave.isEmpty()) return {};
    const QString k = clave.mid(1, clave.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    auto nombre = [&](const QString& n) { return comillasPg(mNombres.value(n.toLower(), n)); };
    // The rows each value of the link holds, kept by the server.
    QHash<QString, qint64> filas;
    qint64 total = 0;
    try {
        const Resultado r = ejecutarUna(
            QStringLiteral("SELECT %1, \"FILAS\" FROM %2").arg(nombre(a->enlace), nombre(a->conteos)), 0);
        Fila f;
        while (r.cursor && r.cursor->siguiente(f)) {
            filas[f.value(0).toString().toLower()] += f.value(1).toLongLong();
            total += f.value(1).toLongLong();
        }
    } catch (const FalloMotor&) {
        return {};
    }
    // The joined table's values in the column's own order; equal ones (under its collation) are one group.
    struct Grupo {
        QStringList claves;
        qint64 filas = 0;
    };
    std::vector<Grupo> grupos;
    qint64 enGrupos = 0;
    try {
        const Resultado r = ejecutarUna(
            QStringLiteral(
                "SELECT array_to_string(array_agg(%1::text), chr(31)) FROM %2 WHERE %3 IS NOT NULL GROUP BY "
                "%3 ORDER BY %3")
                .arg(nombre(a->enlace), nombre(a->tabla), nombre(col)),
            0);
        Fila f;
        while (r.cursor && r.cursor->siguiente(f)) {
            Grupo g;
            for (const QString& v : f.value(0).toString().split(QChar(31))) {
                g.claves << literalDeTexto(v);
                g.filas += filas.value(v.toLower());
            }
            enGrupos += g.filas;
            grupos.push_back(std::move(g));
        }
    } catch (const FalloMotor&) {
        return {};
    }
    // The rows without a joined value sort last here, as PostgreSQL orders NULLs.
    grupos.push_back({{}, total - enGrupos});
    if (descendente) std::reverse(grupos.begin(), grupos.end());
    const QString resto = orden.mid(1).join(QStringLiteral(", "));
    QStringList partes;
    qint64 inicio = 0;
    for (const Grupo& g : grupos) {
        const qint64 fin = inicio + g.filas;
        if (fin > desde && inicio < desde + cuantas && g.filas > 0) {
            const qint64 salto = qMax<qint64>(0, desde - inicio);
            const qint64 largo = qMin(fin, desde + cuantas) - (inicio + salto);
            const QString donde =
                g.claves.isEmpty()
                    ? QStringLiteral("%1 NOT IN (SELECT %1 FROM %2 WHERE %3 IS NOT NULL)")
                          .arg(entreCorchetes(a->enlace), entreCorchetes(a->tabla), entreCorchetes(col))
                    : QStringLiteral("%1 IN (%2)")
                          .arg(entreCorchetes(a->enlace), g.claves.join(QStringLiteral(", ")));
            partes
                << QStringLiteral(
                       "SELECT %1 FROM (SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT %5 OFFSET %6) AS kv_g%7")
                       .arg(entreCorchetes(k), entreCorchetes(fuente), donde, resto)
                       .arg(largo)
                       .arg(salto)
                       .arg(partes.size());
        }
        inicio = fin;
    }
    if (partes.isEmpty())
        return QStringLiteral("SELECT %1 FROM %2 WHERE 1 = 0").arg(entreCorchetes(k), entreCorchetes(fuente));
    return partes.join(QStringLiteral(" UNION ALL "));
}

} // namespace ado
