#include "platform/ado/MotorPostgres.h"

#include "platform/ErrorEjecucion.h"
#include "platform/ado/Ado.h"
#include "platform/ado/CadenaConexion.h"
#include "platform/ado/LexicoTSql.h"

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
int32_t MotorPostgres::numeroAdo(const ErrorProveedor& e) const {
    if (e.SQLState == QLatin1String("HYT00")) return static_cast<int32_t>(0x80040E31);
    return MotorOdbc::numeroAdo(e);
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
                if (nivelTransaccion() == 0) loteAbrio = true;
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
                    anotarEnviado(consulta);
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
        if (loteAbrio && nivelTransaccion() > 0) deshacerTransaccion();
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

} // namespace ado
