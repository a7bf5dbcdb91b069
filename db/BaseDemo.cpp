#include "db/BaseDemo.h"

#include "platform/ErrorEjecucion.h"
#include "platform/ado/MotorSqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

void generarChequeras(Base& b, qint64 cantidad) {
    constexpr int kBancosConChequeras = 9; // banks 10 to 12 have none, to show the proposal
    b.exec(QStringLiteral("BEGIN"));
    sqlite3_stmt* st = b.preparar(
        "INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco, "
        "CuentaBancoDiferido) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    static const char* series[] = {"A", "B", "C"};
    for (qint64 k = 0; k < cantidad; ++k) {
        const int banco = static_cast<int>(k % kBancosConChequeras) + 1;
        const qint64 j = k / kBancosConChequeras;
        const char* serie = series[j % 3];
        const qint64 indice = j / 3;
        const qint64 desde = 1000 + indice * 50 + 1;
        sqlite3_bind_int64(st, 1, k + 1);
        texto(st, 2, QByteArray::number(banco));
        texto(st, 3, QByteArray(serie));
        sqlite3_bind_int64(st, 4, desde);
        sqlite3_bind_int64(st, 5, desde + 49);
        texto(st, 6, cuenta("11102", banco));
        texto(st, 7, cuenta("21103", banco));
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

void quitar(const QString& ruta) {
    for (const char* sufijo : {"", "-wal", "-shm", "-journal"})
        QFile::remove(ruta + QLatin1String(sufijo));
}

} // namespace

QString crearDemo(const QString& carpeta, const OpcionesDemo& o) {
    iniciarRecursos();
    QDir().mkpath(carpeta);
    const QString empresa = carpeta + QLatin1Char('/') + o.nombre + QStringLiteral(".db");
    const QString estad =
        carpeta + QLatin1Char('/') + QLatin1String(kNombreEstadisticas) + QStringLiteral(".db");
    quitar(empresa);
    quitar(estad);

    ado::MotorSqlite::crearBase(empresa, recurso("esquema.sql"));
    {
        Base b(empresa);
        agregarLogin(b, kUsuarioAdmin, kClaveAdmin);
        agregarLogin(b, kUsuarioCajero, kClaveCajero);
        if (o.datosDemo) {
            b.exec(recurso("demo.sql"));
            generarChequeras(b, o.chequeras);
        }
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

QString asegurarDemo(const QString& carpeta, const OpcionesDemo& o) {
    const QString empresa = carpeta + QLatin1Char('/') + o.nombre + QStringLiteral(".db");
    const QString estad =
        carpeta + QLatin1Char('/') + QLatin1String(kNombreEstadisticas) + QStringLiteral(".db");
    if (QFileInfo::exists(empresa) && QFileInfo::exists(estad)) return empresa;
    return crearDemo(carpeta, o);
}

QString cadenaConexion(const QString& nombre, const QString& usuario, const QString& clave) {
    return QStringLiteral("PROVIDER=SQLOLEDB;Server=SQLITE;Database =%1;UId=%2;Pwd=%3;")
        .arg(nombre, usuario, clave);
}

} // namespace basedatos
