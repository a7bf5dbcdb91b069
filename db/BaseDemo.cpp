#include "db/BaseDemo.h"

#include "platform/ErrorEjecucion.h"
#include "platform/ado/MotorSqlite.h"
#include "platform/ado/TraductorPostgres.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <libpq-fe.h>
#include <sqlite3.h>

// Outside any namespace: the macro declares a global function.
static void iniciarRecursos() {
    Q_INIT_RESOURCE(basedatos);
}

namespace basedatos {

namespace {

QString recurso(const char* nombre) {
    QFile f(QStringLiteral(":/basedatos/") + QLatin1String(nombre));
    if (!f.open(QIODevice::ReadOnly))
        throw plataforma::ErrorEjecucion(plataforma::errores::FalloGeneral,
                                         QStringLiteral("Falta el recurso %1").arg(QLatin1String(nombre)),
                                         QStringLiteral("basedatos"));
    return QString::fromUtf8(f.readAll());
}

class Base {
public:
    explicit Base(const QString& ruta) {
        if (sqlite3_open_v2(ruta.toUtf8().constData(), &mDb, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            fallar();
        sqlite3_exec(mDb, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    }
    ~Base() { sqlite3_close(mDb); }
    void exec(const QString& sql) {
        char* err = nullptr;
        if (sqlite3_exec(mDb, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const QString m = QString::fromUtf8(err);
            sqlite3_free(err);
            throw plataforma::ErrorEjecucion(plataforma::errores::FalloGeneral, m,
                                             QStringLiteral("basedatos"));
        }
    }
    sqlite3_stmt* preparar(const char* sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(mDb, sql, -1, &st, nullptr) != SQLITE_OK) fallar();
        return st;
    }
    void paso(sqlite3_stmt* st) {
        if (sqlite3_step(st) != SQLITE_DONE) fallar();
        sqlite3_reset(st);
    }
    [[noreturn]] void fallar() {
        throw plataforma::ErrorEjecucion(plataforma::errores::FalloGeneral,
                                         QString::fromUtf8(sqlite3_errmsg(mDb)), QStringLiteral("basedatos"));
    }

private:
    sqlite3* mDb = nullptr;
};

void texto(sqlite3_stmt* st, int i, const QByteArray& b) {
    sqlite3_bind_text(st, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

void agregarLogin(Base& b, const char* usuario, const char* clave) {
    sqlite3_stmt* st = b.preparar("INSERT INTO KV_LOGINS (USUARIO, CLAVE) VALUES (?1, ?2)");
    texto(st, 1, QByteArray(usuario));
    texto(st, 2, ado::MotorSqlite::resumenClave(QLatin1String(clave)).toUtf8());
    b.paso(st);
    sqlite3_finalize(st);
}

QByteArray cuenta(const char* titulo, int banco) {
    return QByteArray(titulo) + QByteArray::number(banco).rightJustified(3, '0');
}

constexpr int kBancosConChequeras = 9; // banks 10 to 12 have none, to show the proposal

// The k-th generated cheque book (from 0): banks in turn, then series, then ranges of 50.
struct Chequera {
    qint64 talonario;
    int banco;
    const char* serie;
    qint64 desde;
};
Chequera chequera(qint64 k) {
    static const char* series[] = {"A", "B", "C"};
    const int banco = static_cast<int>(k % kBancosConChequeras) + 1;
    const qint64 j = k / kBancosConChequeras;
    return {k + 1, banco, series[j % 3], 1000 + (j / 3) * 50 + 1};
}

void generarChequeras(Base& b, qint64 cantidad) {
    b.exec(QStringLiteral("BEGIN"));
    sqlite3_stmt* st = b.preparar(
        "INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco, "
        "CuentaBancoDiferido) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    for (qint64 k = 0; k < cantidad; ++k) {
        const Chequera c = chequera(k);
        sqlite3_bind_int64(st, 1, c.talonario);
        texto(st, 2, QByteArray::number(c.banco));
        texto(st, 3, QByteArray(c.serie));
        sqlite3_bind_int64(st, 4, c.desde);
        sqlite3_bind_int64(st, 5, c.desde + 49);
        texto(st, 6, cuenta("11102", c.banco));
        texto(st, 7, cuenta("21103", c.banco));
        b.paso(st);
    }
    sqlite3_finalize(st);
    if (cantidad > 0) {
        sqlite3_stmt* c = b.preparar(
            "INSERT INTO MA_CUENTAS (CODIGO, DV, TITULO, DESCRIPCION, TipoVista, CajayBanco, MedioDePago, "
            "CodigoOpcional, PideVencimiento, CUENTAPRINCIPAL) "
            "SELECT ?1, 0, 0, DESCRIPCION, 'BC', 1, ?2, ?3 || IDBANCO, ?4, ?5 FROM TA_BANCOS WHERE IDBANCO = "
            "?6");
        for (int banco = 1; banco <= qMin<qint64>(kBancosConChequeras, cantidad); ++banco) {
            const QByteArray cb = cuenta("11102", banco), cd = cuenta("21103", banco);
            texto(c, 1, cb);
            texto(c, 2, "DB");
            texto(c, 3, "1");
            sqlite3_bind_int(c, 4, 0);
            sqlite3_bind_null(c, 5);
            texto(c, 6, QByteArray::number(banco));
            b.paso(c);
            texto(c, 1, cd);
            texto(c, 2, "CH");
            texto(c, 3, "2");
            sqlite3_bind_int(c, 4, 1);
            texto(c, 5, cb);
            b.paso(c);
        }
        sqlite3_finalize(c);
    }
    b.exec(QStringLiteral("COMMIT"));
}

// The cheque books a database holds, for the refusal's message; -1 when it cannot be read.
qint64 chequerasEn(const QString& ruta) {
    sqlite3* db = nullptr;
    qint64 n = -1;
    if (sqlite3_open_v2(ruta.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM TA_QUENZAR", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return n;
}

QString conChequeras(const QString& nombre, qint64 chequeras) {
    return chequeras < 0 ? nombre : QStringLiteral("%1 (%2 chequeras)").arg(nombre).arg(chequeras);
}

[[noreturn]] void rehusar(const QString& donde, const QStringList& existentes) {
    throw plataforma::ErrorEjecucion(
        plataforma::errores::FalloGeneral,
        QStringLiteral("%1 ya tiene %2: crearla de nuevo borraría todo lo que contiene. Para reemplazarla, "
                       "agregue --reemplazar.")
            .arg(donde, existentes.join(QStringLiteral(" y "))),
        QStringLiteral("basedatos"));
}

void quitar(const QString& ruta) {
    for (const char* sufijo : {"", "-wal", "-shm", "-journal"})
        QFile::remove(ruta + QLatin1String(sufijo));
}

// ---- PostgreSQL

class ConexionPg {
public:
    ConexionPg(const ServidorPostgres& s, const QString& base) {
        const QString destino = s.servidor.trimmed().mid(3);
        const int dp = destino.lastIndexOf(QLatin1Char(':'));
        const QByteArray host = (dp > 0 ? destino.left(dp) : destino).toUtf8();
        const QByteArray puerto = (dp > 0 ? destino.mid(dp + 1) : QStringLiteral("5432")).toUtf8();
        const QByteArray usuario = s.usuario.toUtf8(), clave = s.clave.toUtf8(), nombre = base.toUtf8();
        const char* claves[] = {"host", "port", "user", "password", "dbname", "client_encoding", nullptr};
        const char* valores[] = {host.constData(),
                                 puerto.constData(),
                                 usuario.constData(),
                                 clave.constData(),
                                 nombre.constData(),
                                 "UTF8",
                                 nullptr};
        mCn = PQconnectdbParams(claves, valores, 0);
        if (PQstatus(mCn) != CONNECTION_OK) {
            const QString mensaje = QString::fromUtf8(PQerrorMessage(mCn)).trimmed();
            PQfinish(mCn);
            throw plataforma::ErrorEjecucion(plataforma::errores::FalloGeneral, mensaje,
                                             QStringLiteral("basedatos"));
        }
        // "does not exist, skipping" and the like are no news here.
        PQsetNoticeProcessor(
            mCn, [](void*, const char*) {}, nullptr);
    }
    ~ConexionPg() { PQfinish(mCn); }
    ConexionPg(const ConexionPg&) = delete;
    ConexionPg& operator=(const ConexionPg&) = delete;

    void exec(const QString& sql) { resultado(sql, PGRES_COMMAND_OK); }
    // The first column of every row.
    QStringList columna(const QString& sql) {
        PGresult* r = PQexec(mCn, sql.toUtf8().constData());
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            PQclear(r);
            fallar();
        }
        QStringList l;
        for (int i = 0; i < PQntuples(r); ++i)
            l << QString::fromUtf8(PQgetvalue(r, i, 0));
        PQclear(r);
        return l;
    }
    void copiar(const QString& sql, const std::function<bool(QByteArray&)>& lote) {
        resultado(sql, PGRES_COPY_IN);
        QByteArray b;
        while (lote(b)) {
            if (PQputCopyData(mCn, b.constData(), static_cast<int>(b.size())) != 1) fallar();
            b.clear();
        }
        if (PQputCopyEnd(mCn, nullptr) != 1) fallar();
        PGresult* r = PQgetResult(mCn);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (!ok) fallar();
    }

private:
    void resultado(const QString& sql, ExecStatusType esperado) {
        PGresult* r = PQexec(mCn, sql.toUtf8().constData());
        const bool ok = PQresultStatus(r) == esperado;
        PQclear(r);
        if (!ok) fallar();
    }
    [[noreturn]] void fallar() {
        throw plataforma::ErrorEjecucion(plataforma::errores::FalloGeneral,
                                         QString::fromUtf8(PQerrorMessage(mCn)).trimmed(),
                                         QStringLiteral("basedatos"));
    }
    PGconn* mCn = nullptr;
};

QString nombrePg(const QString& n) {
    return QLatin1Char('"') + QString(n).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

void asegurarRol(ConexionPg& cn, const char* usuario, const char* clave) {
    if (!cn.columna(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = '%1'").arg(QLatin1String(usuario)))
             .isEmpty())
        return;
    cn.exec(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'")
                .arg(nombrePg(QLatin1String(usuario)), QLatin1String(clave)));
}

// The program's statements of a script, run as the program's engine would send them.
void ejecutarComoPrograma(ConexionPg& cn, const QString& script) {
    const ado::pg::Nombres nombres =
        ado::pg::nombresDe(cn.columna(QLatin1String(ado::pg::kConsultaDeNombres)));
    for (const auto& s : ado::pg::traducirLote(script, nombres))
        if (s.clase == ado::tsql::Sentencia::Clase::Normal) cn.exec(s.texto);
}

void generarChequerasPg(ConexionPg& cn, qint64 cantidad) {
    cn.exec(QStringLiteral("BEGIN"));
    qint64 k = 0;
    cn.copiar(QStringLiteral("COPY \"TA_QUENZAR\" (\"Talonario\", \"IDBANCO\", \"SERIE\", \"NUMERO_DESDE\", "
                             "\"NUMERO_HASTA\", \"CuentaBanco\", \"CuentaBancoDiferido\") FROM STDIN"),
              [&](QByteArray& b) {
                  for (int n = 0; n < 10000 && k < cantidad; ++n, ++k) {
                      const Chequera c = chequera(k);
                      b += QByteArray::number(c.talonario) + '\t' + QByteArray::number(c.banco) + '\t' +
                           c.serie + '\t' + QByteArray::number(c.desde) + '\t' +
                           QByteArray::number(c.desde + 49) + '\t' + cuenta("11102", c.banco) + '\t' +
                           cuenta("21103", c.banco) + '\n';
                  }
                  return !b.isEmpty();
              });
    for (int banco = 1; banco <= qMin<qint64>(kBancosConChequeras, cantidad); ++banco) {
        const QString cb = QString::fromLatin1(cuenta("11102", banco)),
                      cd = QString::fromLatin1(cuenta("21103", banco));
        const QString sql = QStringLiteral(
            "INSERT INTO \"MA_CUENTAS\" (\"CODIGO\", \"DV\", \"TITULO\", \"DESCRIPCION\", \"TipoVista\", "
            "\"CajayBanco\", \"MedioDePago\", \"CodigoOpcional\", \"PideVencimiento\", \"CUENTAPRINCIPAL\") "
            "SELECT '%1', 0, 0, \"DESCRIPCION\", 'BC', 1, '%2', '%3' || \"IDBANCO\", %4, %5 FROM "
            "\"TA_BANCOS\" "
            "WHERE \"IDBANCO\" = '%6'");
        cn.exec(sql.arg(cb, QStringLiteral("DB"), QStringLiteral("1"), QStringLiteral("0"),
                        QStringLiteral("NULL"))
                    .arg(banco));
        cn.exec(sql.arg(cd, QStringLiteral("CH"), QStringLiteral("2"), QStringLiteral("1"),
                        QLatin1Char('\'') + cb + QLatin1Char('\''))
                    .arg(banco));
    }
    cn.exec(QStringLiteral("COMMIT"));
}

} // namespace

void crearDemoPostgres(const ServidorPostgres& servidor, const OpcionesDemo& o) {
    iniciarRecursos();
    {
        ConexionPg admin(servidor, QStringLiteral("postgres"));
        if (!o.reemplazar &&
            !admin
                 .columna(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'")
                              .arg(QString(o.nombre).replace(QLatin1Char('\''), QLatin1String("''"))))
                 .isEmpty()) {
            qint64 chequeras = -1;
            try {
                ConexionPg existente(servidor, o.nombre);
                chequeras = existente.columna(QStringLiteral("SELECT COUNT(*) FROM \"TA_QUENZAR\""))
                                .value(0, QStringLiteral("-1"))
                                .toLongLong();
            } catch (const plataforma::ErrorEjecucion&) {
                // Not one of ours, or unreadable: its name says enough.
            }
            rehusar(QStringLiteral("El servidor %1").arg(servidor.servidor),
                    {QStringLiteral("la base de datos ") + conChequeras(o.nombre, chequeras)});
        }
        asegurarRol(admin, kUsuarioCajero, kClaveCajero);
        asegurarRol(admin, kUsuarioEstadisticas, kClaveEstadisticas);
        admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(nombrePg(o.nombre)));
        admin.exec(QStringLiteral(
                       "CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8' LC_CTYPE "
                       "'C.UTF-8'")
                       .arg(nombrePg(o.nombre)));
        if (admin
                .columna(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'")
                             .arg(QLatin1String(kNombreEstadisticas)))
                .isEmpty()) {
            admin.exec(QStringLiteral("CREATE DATABASE %1 OWNER %1 TEMPLATE template0 ENCODING 'UTF8'")
                           .arg(nombrePg(QLatin1String(kNombreEstadisticas))));
            ServidorPostgres propio{servidor.servidor, QLatin1String(kUsuarioEstadisticas),
                                    QLatin1String(kClaveEstadisticas)};
            ConexionPg estad(propio, QLatin1String(kNombreEstadisticas));
            // Keys compare without letter case, as the program reads them ("TimeOut").
            estad.exec(QStringLiteral("CREATE COLLATION es_ci_as (provider = icu, locale = 'es-u-ks-level2', "
                                      "deterministic = false)"));
            estad.exec(QStringLiteral("CREATE TABLE \"ta_configuracion\" (\"CLAVE\" varchar(50) COLLATE "
                                      "es_ci_as NOT NULL PRIMARY KEY, "
                                      "\"VALOR\" varchar(255) COLLATE es_ci_as NULL, \"valoraux\" "
                                      "varchar(255) COLLATE es_ci_as NULL, "
                                      "\"Grupo\" varchar(50) COLLATE es_ci_as NULL, \"PoliticaNegocio\" "
                                      "smallint NOT NULL DEFAULT 0)"));
            estad.exec(QStringLiteral("INSERT INTO \"ta_configuracion\" (\"CLAVE\", \"VALOR\", \"Grupo\") "
                                      "VALUES ('TIMEOUT', '90', 'BaseDeDatos')"));
        }
    }
    ConexionPg cn(servidor, o.nombre);
    cn.exec(recurso("postgres/esquema.sql"));
    cn.exec(QStringLiteral("GRANT ALL ON ALL TABLES IN SCHEMA public TO %1")
                .arg(nombrePg(QLatin1String(kUsuarioCajero))));
    // After the grant: the history is added to, never changed, by every login.
    cn.exec(recurso("postgres/historial.sql"));
    if (o.datosDemo) {
        ejecutarComoPrograma(cn, recurso("demo.sql"));
        generarChequerasPg(cn, o.chequeras);
    }
    // The list's search index and counts, built once the rows are in.
    cn.exec(recurso("postgres/busqueda.sql"));
    // Vacuumed too: the visibility map lets counts and pages read the indexes alone.
    cn.exec(QStringLiteral("VACUUM (ANALYZE)"));
}

void copiarBasePostgres(const ServidorPostgres& servidor, const QString& plantilla, const QString& nombre) {
    ConexionPg admin(servidor, QStringLiteral("postgres"));
    admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(nombrePg(nombre)));
    admin.exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(nombrePg(nombre), nombrePg(plantilla)));
}

void borrarBasePostgres(const ServidorPostgres& servidor, const QString& nombre) {
    ConexionPg admin(servidor, QStringLiteral("postgres"));
    admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(nombrePg(nombre)));
}

QString crearDemo(const QString& carpeta, const OpcionesDemo& o) {
    iniciarRecursos();
    QDir().mkpath(carpeta);
    const QString empresa = carpeta + QLatin1Char('/') + o.nombre + QStringLiteral(".db");
    const QString estad =
        carpeta + QLatin1Char('/') + QLatin1String(kNombreEstadisticas) + QStringLiteral(".db");
    if (!o.reemplazar) {
        QStringList existentes;
        if (QFileInfo::exists(empresa))
            existentes << conChequeras(QFileInfo(empresa).fileName(), chequerasEn(empresa));
        if (QFileInfo::exists(estad)) existentes << QFileInfo(estad).fileName();
        if (!existentes.isEmpty())
            rehusar(QStringLiteral("La carpeta %1").arg(QDir(carpeta).absolutePath()), existentes);
    }
    quitar(empresa);
    quitar(estad);

    ado::MotorSqlite::crearBase(empresa, recurso("esquema.sql") + recurso("historial.sql"));
    {
        Base b(empresa);
        agregarLogin(b, kUsuarioAdmin, kClaveAdmin);
        agregarLogin(b, kUsuarioCajero, kClaveCajero);
        if (o.datosDemo) {
            b.exec(recurso("demo.sql"));
            generarChequeras(b, o.chequeras);
        }
        // The list's search index, filled once the rows are in, and its triggers.
        b.exec(recurso("busqueda.sql"));
        b.exec(QStringLiteral("PRAGMA optimize"));
    }

    ado::MotorSqlite::crearBase(estad, recurso("estadisticas.sql"));
    {
        Base b(estad);
        agregarLogin(b, kUsuarioEstadisticas, kClaveEstadisticas);
        b.exec(QStringLiteral(
            "INSERT INTO ta_configuracion (CLAVE, VALOR, Grupo) VALUES ('TIMEOUT', '90', 'BaseDeDatos')"));
    }
    return empresa;
}

QString guionHistorial(const QString& dialecto) {
    iniciarRecursos();
    if (dialecto == QLatin1String("sqlite")) return recurso("historial.sql");
    if (dialecto == QLatin1String("postgres")) return recurso("postgres/historial.sql");
    return {};
}

void instalarBusqueda(const QString& rutaEmpresa) {
    iniciarRecursos();
    Base b(rutaEmpresa);
    b.exec(recurso("busqueda.sql"));
}

QString asegurarDemo(const QString& carpeta, const OpcionesDemo& o) {
    const QString empresa = carpeta + QLatin1Char('/') + o.nombre + QStringLiteral(".db");
    const QString estad =
        carpeta + QLatin1Char('/') + QLatin1String(kNombreEstadisticas) + QStringLiteral(".db");
    if (QFileInfo::exists(empresa) && QFileInfo::exists(estad)) {
        // A database made before the list's search index gets it (once; nothing is replaced).
        instalarBusqueda(empresa);
        return empresa;
    }
    return crearDemo(carpeta, o);
}

QString cadenaConexion(const QString& nombre, const QString& usuario, const QString& clave,
                       const QString& servidor) {
    return QStringLiteral("PROVIDER=SQLOLEDB;Server=%1;Database =%2;UId=%3;Pwd=%4;")
        .arg(servidor, nombre, usuario, clave);
}

} // namespace basedatos
