// The engines' faster readings of the list (a search narrowed by an index, a
// page sorted by the bank's name read bank by bank) against the plain
// translation, on a table of cases: the same count, the same rows in the same
// order, or the same failure.

#include "grid/ComposicionSql.h"
#include "platform/ado/Ado.h"
#include "platform/ado/MotorSqlite.h"
#include "tests/soporte/Base.h"

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

class Lecturas : public ::testing::Test {
protected:
    void SetUp() override {
        // Banks that tie under the Spanish rule, Spanish letters, and cheque
        // books whose bank is gone (written with the foreign keys off, as the
        // stock tool writes).
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(base.ruta().toUtf8().constData(), &db), SQLITE_OK);
        const char* sql =
            "INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('X1', 'banco galicia'), ('N1', 'Ñandú "
            "Financiera'),"
            " ('A1', 'Águila del Sur'), ('Z1', 'ZETA'), ('T1', 'Temporal');"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
            "INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco, "
            "CuentaBancoDiferido) SELECT 5000 + i, CASE i % 6 WHEN 0 THEN 'X1' WHEN 1 THEN 'N1' WHEN 2 THEN "
            "'A1' "
            "WHEN 3 THEN 'T1' WHEN 4 THEN '3' ELSE '1' END, CASE i % 3 WHEN 0 THEN 'A' WHEN 1 THEN 'B' ELSE "
            "'ñ' END, "
            "i * 100, i * 100 + 49, CASE WHEN i % 7 = 0 THEN NULL ELSE '111' || i END, '211' || i FROM n;"
            "DELETE FROM TA_BANCOS WHERE IDBANCO = 'T1';";
        char* err = nullptr;
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
        sqlite3_close(db);
        SIN_ERROR(rapida.Open(base.cadena()));
        SIN_ERROR(llana.Open(base.cadena()));
        auto m = std::dynamic_pointer_cast<MotorSqlite>(llana.motor());
        ASSERT_TRUE(m);
        m->setLecturasRapidas(false);
    }

    // Both connections give the same; `rapida` must have read it its own way when `propia`.
    void comparar(const QString& sql, bool esConteo, const char* propia) {
        if (esConteo) {
            EXPECT_EQ(cuenta(rapida, sql), cuenta(llana, sql)) << sql.toStdString();
        } else {
            EXPECT_EQ(filas(rapida, sql), filas(llana, sql)) << sql.toStdString();
        }
        if (propia) {
            EXPECT_TRUE(rapida.motor()->ultimoTextoEnviado().contains(QLatin1String(propia)))
                << rapida.motor()->ultimoTextoEnviado().toStdString();
        }
    }

    prueba::BaseTemporal base;
    Connection rapida, llana;
};

TEST_F(Lecturas, LaBusquedaYElOrdenPorBancoDanLoMismoQueLaLecturaLlana) {
    const qint64 total = cuenta(llana, conteo({}));
    ASSERT_GT(total, 300);
    const int ultima = static_cast<int>((total + 9) / 10);
    struct Busqueda {
        QString texto;
        const char* propia; // what the engine's own reading sends; null: the plain one
    };
    const Busqueda busquedas[] = {
        {QString(), nullptr},
        {QStringLiteral("galicia"), "MATCH"},
        {QStringLiteral("ÑANDÚ"), "MATCH"}, // Spanish letters, letter case aside
        {QStringLiteral("zzz"), "MATCH"},   // nothing matches
        {QStringLiteral("5123"), "MATCH"},  // one cheque book
        {QStringLiteral("111"), "MATCH"},   // accounts, some of them empty
        {QStringLiteral("o'r"), "MATCH"},   // a quote
        {QStringLiteral("ñ"), nullptr},     // under three letters: the plain reading
        {QStringLiteral("ga%a"), nullptr},  // a wildcard of its own
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
            comparar(pagina({}, QLatin1String(o), n), false, "[vt_chequeras]");
            comparar(pagina({}, QLatin1String(o), n, 7), false, "[vt_chequeras]");
        }
    // With a condition the plain reading serves.
    comparar(pagina(busqueda(QStringLiteral("galicia")), QStringLiteral("[DESCRIPCION] Asc, ID Asc"), 2),
             false, "MATCH");
}

// The suite writes these tables too: after the stock tool inserts, changes and
// removes cheque books, a search still finds exactly the right ones.
TEST_F(Lecturas, LoQueEscribeOtroProgramaSeEncuentra) {
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty()) GTEST_SKIP() << "sin la herramienta sqlite3";
    rapida.Close();
    llana.Close();
    QProcess p;
    p.start(sqlite3, {base.ruta()});
    ASSERT_TRUE(p.waitForStarted());
    p.write("INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, CuentaBanco) VALUES (777001, '1', 'Q', "
            "'CTA-QWERTY');"
            "UPDATE TA_QUENZAR SET CuentaBanco = 'CTA-ASDFGH' WHERE TALONARIO = 5001;"
            "UPDATE TA_QUENZAR SET CuentaBanco = 'otra' WHERE TALONARIO = 5002;"
            "DELETE FROM TA_QUENZAR WHERE TALONARIO = 5003;\n");
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished());
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    SIN_ERROR(rapida.Open(base.cadena()));
    SIN_ERROR(llana.Open(base.cadena()));
    std::dynamic_pointer_cast<MotorSqlite>(llana.motor())->setLecturasRapidas(false);
    for (const char* t : {"qwerty", "asdfgh", "otra", "5003", "777001"}) {
        SCOPED_TRACE(t);
        comparar(conteo(busqueda(QLatin1String(t))), true, "MATCH");
        comparar(pagina(busqueda(QLatin1String(t)), QStringLiteral("ID Asc"), 1), false, nullptr);
    }
    EXPECT_EQ(cuenta(rapida, conteo(busqueda(QStringLiteral("qwerty")))), 1);
    EXPECT_EQ(cuenta(rapida, conteo(busqueda(QStringLiteral("asdfgh")))), 1);
}

} // namespace
