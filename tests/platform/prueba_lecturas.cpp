// The engines' faster readings of the list (a search narrowed by an index, a
// page sorted by the bank's name read bank by bank) against the plain
// translation, on a table of cases: the same count, the same rows in the same
// order, or the same failure.

#include "grid/ComposicionSql.h"
#include "platform/ado/Ado.h"
#include "platform/ado/MotorPostgres.h"
#include "platform/ado/MotorSqlite.h"
#include "tests/soporte/Motores.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace ado;

namespace {

const QString kColumnas = QStringLiteral("Talonario, IDBANCO, DESCRIPCION, SERIE, NUMERO_DESDE, "
                                         "NUMERO_HASTA, CuentaBanco, CuentaBancoDiferido, ID");
const QString kLista = QStringLiteral("SELECT ") + kColumnas + QStringLiteral(" FROM VT_Chequeras ");

// The list's search in all columns, as the grid composes it.
QString busqueda(const QString& texto) {
    grid::EstadoConsulta e;
    e.sql = kLista;
    e.mEquivalencias = grid::ArmarEquivalencias(e.sql);
    bool fechaInvalida = false;
    QStringList encabezados{QString()};
    for (const QString& c : kColumnas.split(QStringLiteral(", ")))
        encabezados << c;
    return grid::condicionBusqueda(e, texto, QStringLiteral("Todos"), 0, encabezados, fechaInvalida);
}

// The grid's count and page statements over VT_Chequeras.
QString conteo(const QString& condicion) {
    return kLista + (condicion.isEmpty() ? QString() : QStringLiteral(" where ") + condicion);
}
QString pagina(const QString& condicion, const QString& orden, int numero, int tam = 10) {
    const QString w = condicion.isEmpty() ? QString() : QStringLiteral(" where ") + condicion;
    const QString y = condicion.isEmpty() ? QString() : QStringLiteral(" and ") + condicion;
    return QStringLiteral(
               "SELECT %1 FROM (SELECT TOP %2 *  FROM VT_Chequeras WHERE ID NOT IN (SELECT TOP %3 ID "
               "FROM VT_Chequeras %4  Order by %5 ) %6  Order by %5 ) AS Paginacion  Order by %5 ")
        .arg(kColumnas)
        .arg(tam)
        .arg(static_cast<qint64>(numero - 1) * tam)
        .arg(w, orden, y);
}

QVector<QStringList> filas(Connection& cn, const QString& sql) {
    QVector<QStringList> r;
    auto rs = cn.Execute(sql);
    while (rs && !rs->Eof()) {
        QStringList f;
        for (int i = 0; i < rs->fields().Count(); ++i)
            f << (*rs)(i).Value().toString();
        r << f;
        rs->MoveNext();
    }
    return r;
}

qint64 cuenta(Connection& cn, const QString& sql) {
    Recordset rs;
    rs.setCursorLocation(adUseClient);
    rs.Open(sql, cn, adOpenStatic, adLockReadOnly);
    const qint64 n = rs.RecordCount();
    rs.Close();
    return n;
}

// The cheque books of the cases, in the program's dialect: banks that tie
// under the Spanish rule, Spanish letters, empty accounts.
QString datosDePrueba() {
    QStringList filas;
    const char* bancos[] = {"'X1'", "'N1'", "'A1'", "'T1'", "'3'", "'1'"};
    const char* series[] = {"'A'", "'B'", "N'ñ'"};
    for (int i = 1; i <= 300; ++i)
        filas << QStringLiteral("(%1, %2, %3, %4, %5, %6, '211%7')")
                     .arg(5000 + i)
                     .arg(QLatin1String(bancos[i % 6]), QLatin1String(series[i % 3]))
                     .arg(i * 100)
                     .arg(i * 100 + 49)
                     .arg(i % 7 == 0 ? QStringLiteral("NULL") : QStringLiteral("'111%1'").arg(i))
                     .arg(i);
    return QStringLiteral("INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('X1', 'banco galicia'), "
                          "('N1', N'Ñandú Financiera'), ('A1', N'Águila del Sur'), ('Z1', 'ZETA'), "
                          "('T1', 'Temporal'); "
                          "INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, "
                          "CuentaBanco, CuentaBancoDiferido) VALUES ") +
           filas.join(QStringLiteral(", "));
}

// The same cases on each engine: `rapida` reads the engine's own way,
// `llana` the plain translation.
class Lecturas : public prueba::ConMotor, public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        abrir(GetParam());
        if (IsSkipped() || HasFatalFailure()) return;
        SIN_ERROR(cn.Execute(datosDePrueba()));
        cn.Close();
        if (!pg) {
            // Cheque books whose bank is gone, written with the foreign keys
            // off, as the stock tool writes (the server refuses them).
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(base.ruta().toUtf8().constData(), &db), SQLITE_OK);
            ASSERT_EQ(
                sqlite3_exec(db, "DELETE FROM TA_BANCOS WHERE IDBANCO = 'T1'", nullptr, nullptr, nullptr),
                SQLITE_OK);
            sqlite3_close(db);
        }
        abrirAmbas();
    }

    void abrirAmbas() {
        SIN_ERROR(rapida.Open(cadena()));
        SIN_ERROR(llana.Open(cadena()));
        if (auto m = std::dynamic_pointer_cast<MotorSqlite>(llana.motor()))
            m->setLecturasRapidas(false);
        else if (auto p = std::dynamic_pointer_cast<MotorPostgres>(llana.motor()))
            p->setLecturasRapidas(false);
        else
            FAIL() << "motor desconocido";
    }

    // What the engine's own reading of a page sorted by the bank's name sends; a search's
    // own reading ("") may take many forms (its candidates' keys written in, or their index).
    const char* deBusqueda() const { return ""; }
    const char* porBanco() const { return pg ? "kv_g" : "[vt_chequeras]"; }

    // Both connections give the same; `rapida` must have read it its own way (another
    // statement, holding `propia`) when `propia` is given.
    void comparar(const QString& sql, bool esConteo, const char* propia) {
        if (esConteo) {
            EXPECT_EQ(cuenta(rapida, sql), cuenta(llana, sql)) << sql.toStdString();
        } else {
            EXPECT_EQ(filas(rapida, sql), filas(llana, sql)) << sql.toStdString();
        }
        if (propia) {
            const QString enviada = rapida.motor()->ultimoTextoEnviado();
            EXPECT_NE(enviada, llana.motor()->ultimoTextoEnviado());
            EXPECT_TRUE(enviada.contains(QLatin1String(propia))) << enviada.toStdString();
        }
    }

    Connection rapida, llana;
};

TEST_P(Lecturas, LaBusquedaYElOrdenPorBancoDanLoMismoQueLaLecturaLlana) {
    const qint64 total = cuenta(llana, conteo({}));
    ASSERT_GT(total, 300);
    const int ultima = static_cast<int>((total + 9) / 10);
    struct Busqueda {
        QString texto;
        const char* propia; // what the engine's own reading sends; null: the plain one
    };
    const Busqueda busquedas[] = {
        {QString(), nullptr}, // every row: counted from the server's counts on PostgreSQL
        {QStringLiteral("galicia"), deBusqueda()},
        {QStringLiteral("ÑANDÚ"), deBusqueda()}, // Spanish letters, letter case aside
        {QStringLiteral("zzz"), deBusqueda()},   // nothing matches
        {QStringLiteral("5123"), deBusqueda()},  // one cheque book
        {QStringLiteral("111"), deBusqueda()},   // accounts, some of them empty
        {QStringLiteral("o'r"), deBusqueda()},   // a quote
        {QStringLiteral("ñ"), nullptr},          // under three letters: the plain reading
        {QStringLiteral("ga%a"), nullptr},       // a wildcard of its own
    };
    const QString propiaCondicion = QStringLiteral("SERIE <> 'B'");
    for (const Busqueda& b : busquedas) {
        for (const bool conCondicion : {false, true}) {
            QString cond = b.texto.isEmpty() ? QString() : busqueda(b.texto);
            if (conCondicion)
                cond = cond.isEmpty() ? propiaCondicion : propiaCondicion + QStringLiteral(" and ") + cond;
            SCOPED_TRACE((b.texto + QStringLiteral(" / ") + cond).toStdString());
            comparar(conteo(cond), true, b.propia);
            for (const int n : {1, 2, ultima / 2, ultima, ultima + 3})
                comparar(pagina(cond, QStringLiteral("ID Asc"), n), false, nullptr);
            // Another order, with ties, descending.
            for (const int n : {1, ultima / 2})
                comparar(pagina(cond, QStringLiteral("[SERIE] Desc, ID Asc"), n), false, nullptr);
        }
    }
    // Sorted by the bank's name, a column of the joined table: ties between
    // banks, descending, a second column, the orphans' NULL, the last page.
    const char* ordenes[] = {
        "[DESCRIPCION] Asc, ID Asc",
        "[DESCRIPCION] Desc, ID Desc",
        "[DESCRIPCION] Desc, ID Asc",
        "[DESCRIPCION] Asc, [SERIE] Asc, ID Asc",
        "[DESCRIPCION] Desc, [SERIE] Desc, [Talonario] Asc, ID Asc",
    };
    for (const char* o : ordenes)
        for (const int n : {1, 2, 3, ultima / 2, ultima - 1, ultima, ultima + 1}) {
            SCOPED_TRACE(std::string(o) + " página " + std::to_string(n));
            // The keys come from the source group by group.
            // Past the end, any empty reading will do.
            comparar(pagina({}, QLatin1String(o), n), false, n <= ultima ? porBanco() : nullptr);
            comparar(pagina({}, QLatin1String(o), n, 7), false, porBanco());
        }
    // With a condition the plain reading serves.
    comparar(pagina(busqueda(QStringLiteral("galicia")), QStringLiteral("[DESCRIPCION] Asc, ID Asc"), 2),
             false, deBusqueda());
}

// The suite writes these tables too: after the stock tool (sqlite3, psql)
// inserts, changes and removes cheque books and moves some to another bank,
// a search still finds exactly the right ones and the pages sorted by the
// bank's name are still right.
TEST_P(Lecturas, LoQueEscribeOtroProgramaSeEncuentra) {
    const QString herramienta =
        QStandardPaths::findExecutable(pg ? QStringLiteral("psql") : QStringLiteral("sqlite3"));
    if (herramienta.isEmpty()) GTEST_SKIP() << "sin la herramienta del motor";
    rapida.Close();
    llana.Close();
    // The same writes in each tool's own dialect (the server's names quoted as declared).
    const QByteArray sql =
        pg ? "INSERT INTO \"TA_QUENZAR\" (\"Talonario\", \"IDBANCO\", \"SERIE\", \"CuentaBanco\") VALUES "
             "(777001, '1', 'Q', 'CTA-QWERTY');"
             "UPDATE \"TA_QUENZAR\" SET \"CuentaBanco\" = 'CTA-ASDFGH' WHERE \"Talonario\" = 5001;"
             "UPDATE \"TA_QUENZAR\" SET \"CuentaBanco\" = 'otra' WHERE \"Talonario\" = 5002;"
             "UPDATE \"TA_QUENZAR\" SET \"IDBANCO\" = 'Z1' WHERE \"Talonario\" BETWEEN 5010 AND 5040;"
             "DELETE FROM \"TA_QUENZAR\" WHERE \"Talonario\" = 5003;\n"
           : "INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, CuentaBanco) VALUES (777001, '1', 'Q', "
             "'CTA-QWERTY');"
             "UPDATE TA_QUENZAR SET CuentaBanco = 'CTA-ASDFGH' WHERE TALONARIO = 5001;"
             "UPDATE TA_QUENZAR SET CuentaBanco = 'otra' WHERE TALONARIO = 5002;"
             "UPDATE TA_QUENZAR SET IDBANCO = 'Z1' WHERE TALONARIO BETWEEN 5010 AND 5040;"
             "DELETE FROM TA_QUENZAR WHERE TALONARIO = 5003;\n";
    QProcess p;
    if (pg) {
        const QStringList partes = pg->servidor().split(QLatin1Char(':'));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), QStringLiteral("admin"));
        p.setProcessEnvironment(env);
        p.start(herramienta, {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                              QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), partes.value(1),
                              QStringLiteral("-p"), partes.value(2), QStringLiteral("-U"),
                              QStringLiteral("ADMIN"), QStringLiteral("-d"), pg->nombre()});
    } else {
        p.start(herramienta, {base.ruta()});
    }
    ASSERT_TRUE(p.waitForStarted());
    p.write(sql);
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished());
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    abrirAmbas();
    for (const char* t : {"qwerty", "asdfgh", "otra", "5003", "777001", "zeta"}) {
        SCOPED_TRACE(t);
        comparar(conteo(busqueda(QLatin1String(t))), true, deBusqueda());
        comparar(pagina(busqueda(QLatin1String(t)), QStringLiteral("ID Asc"), 1), false, nullptr);
    }
    EXPECT_EQ(cuenta(rapida, conteo(busqueda(QStringLiteral("qwerty")))), 1);
    EXPECT_EQ(cuenta(rapida, conteo(busqueda(QStringLiteral("asdfgh")))), 1);
    comparar(conteo({}), true, pg ? "\"FILAS\"" : nullptr);
    const int ultima = static_cast<int>((cuenta(llana, conteo({})) + 9) / 10);
    for (const int n : {1, 5, ultima / 2, ultima})
        comparar(pagina({}, QStringLiteral("[DESCRIPCION] Asc, ID Asc"), n), false, porBanco());
}

QUENZAR_EN_AMBOS_MOTORES(Lecturas);

} // namespace
