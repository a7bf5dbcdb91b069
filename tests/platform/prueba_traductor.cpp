// The embedded engine's reading of the program's SQL Server dialect.

#include "platform/ado/TraductorPostgres.h"
#include "platform/ado/TraductorTSql.h"

#include "tests/soporte/Impresion.h"
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace ado;

namespace {

QString normalizar(QString s) {
    static const QRegularExpression blancos(QStringLiteral("\\s+"));
    return s.replace(blancos, QStringLiteral(" ")).trimmed();
}

struct Caso {
    const char* nombre;
    const char* entrada;
    const char* esperado;
};

// The paging statement exactly as the grid composes it (page 3 of 25 records,
// page size 10, no search, no order), and the first page with TOP 0.
const char* kPagina3 =
    "SELECT  [Talonario], [IDBANCO], [DESCRIPCION], [SERIE], [NUMERO_DESDE], [NUMERO_HASTA], [CuentaBanco], "
    "[CuentaBancoDiferido], ID  FROM (SELECT TOP 10 *  FROM VT_Chequeras WHERE ID NOT IN (SELECT TOP 20 ID "
    "FROM "
    "VT_Chequeras   )   ) AS Paginacion  ";
const char* kPagina1Orden = "SELECT  [Talonario], [SERIE], ID  FROM (SELECT TOP 10 *  FROM VT_Chequeras "
                            "WHERE ID NOT IN (SELECT TOP 0 ID "
                            "FROM VT_Chequeras  where IDBANCO = '1'  Order by [SERIE] Desc ) and IDBANCO = "
                            "'1'  Order by [SERIE] Desc ) AS "
                            "Paginacion  where IDBANCO = '1'  Order by [SERIE] Desc ";

const Caso kCasos[] = {
    {"top", "SELECT TOP 5 * FROM T", "SELECT * FROM T LIMIT 5"},
    {"top_parentesis", "SELECT TOP (5) a FROM T ORDER BY a DESC",
     "SELECT a FROM T ORDER BY a DESC LIMIT (5)"},
    {"top_100_percent", "select top 100 percent * from T order by a", "select * from T order by a"},
    {"top_distinct", "SELECT DISTINCT TOP 3 a FROM T", "SELECT DISTINCT a FROM T LIMIT 3"},
    {"top_anidado", "SELECT * FROM (SELECT TOP 2 * FROM T ORDER BY a) X WHERE b IN (SELECT TOP 1 b FROM U)",
     "SELECT * FROM (SELECT * FROM T ORDER BY a LIMIT 2 ) X WHERE b IN (SELECT b FROM U LIMIT 1 )"},
    {"top_union", "SELECT TOP 1 a FROM T UNION SELECT a FROM U",
     "SELECT * FROM (SELECT a FROM T LIMIT 1) UNION SELECT a FROM U"},
    {"paginado_pagina_3", kPagina3,
     "SELECT [Talonario], [IDBANCO], [DESCRIPCION], [SERIE], [NUMERO_DESDE], [NUMERO_HASTA], [CuentaBanco], "
     "[CuentaBancoDiferido], ID FROM (SELECT * FROM VT_Chequeras WHERE ID NOT IN (SELECT ID FROM "
     "VT_Chequeras LIMIT "
     "20 ) LIMIT 10 ) AS Paginacion"},
    {"paginado_top_0_orden", kPagina1Orden,
     "SELECT [Talonario], [SERIE], ID FROM (SELECT * FROM VT_Chequeras WHERE ID NOT IN (SELECT ID FROM "
     "VT_Chequeras "
     "where IDBANCO = '1' COLLATE NOCASE Order by [SERIE] Desc LIMIT 0 ) and IDBANCO = '1' COLLATE NOCASE "
     "Order by [SERIE] Desc LIMIT 10 ) AS Paginacion where IDBANCO = '1' COLLATE NOCASE Order by [SERIE] "
     "Desc"},
    {"nolock", "SELECT * FROM T with(nolock) WHERE a = 1", "SELECT * FROM T WHERE a = 1"},
    {"nolock_espacios", "SELECT * FROM T  WITH ( NOLOCK )  WHERE a=1", "SELECT * FROM T WHERE a=1"},
    {"nolock_indice", "SELECT * FROM T WITH(NOLOCK, INDEX(ix_a)) ", "SELECT * FROM T"},
    {"nolock_solo", "SELECT * FROM T (nolock) WHERE a = 1", "SELECT * FROM T WHERE a = 1"},
    {"convert_fecha", "SELECT CONVERT(NVARCHAR,[Fecha],103) AS [Fecha] FROM T",
     "SELECT kv_texto([Fecha],103,30) AS [Fecha] FROM T"},
    {"convert_decimal", "SELECT CONVERT(decimal(10,2),[Importe]) AS [Importe] FROM T",
     "SELECT ROUND(CAST([Importe] AS REAL),2) AS [Importe] FROM T"},
    {"convert_fecha_desde_texto", "SELECT * FROM T WHERE f = CONVERT(datetime, '31/12/2026', 103)",
     "SELECT * FROM T WHERE f = kv_fecha( '31/12/2026',103)"},
    {"funciones", "SELECT ISNULL(a, 0), LEN(b), CHARINDEX('x', c), SUBSTRING(d, 1, 2), getDate() FROM T",
     "SELECT IFNULL(a, 0), LEN(b), CHARINDEX('x', c), SUBSTRING(d, 1, 2), getDate() FROM T"},
    {"delete_sin_from", "DELETE TA_CONFIG_FORM WHERE FORMULARIO = 'X'",
     "DELETE FROM TA_CONFIG_FORM WHERE FORMULARIO = 'X' COLLATE NOCASE"},
    {"delete_con_from", "DELETE FROM T WHERE a = 1", "DELETE FROM T WHERE a = 1"},
    {"fecha_jet", "SELECT * FROM T WHERE f >= #12/31/2026# AND g < #2027-01-02 10:30#",
     "SELECT * FROM T WHERE f >= '2026-12-31' AND g < '2027-01-02 10:30:00'"},
    {"dbo_y_unicode", "UPDATE dbo.T SET a = N'ñandú' WHERE [dbo].T.b = 1",
     "UPDATE T SET a = 'ñandú' WHERE T.b = 1"},
    {"literales_intactos",
     "SELECT 'TOP 5 with(nolock) #1/1/2020# DELETE T' AS [top], [with] FROM T WHERE b = 'O''Brien'",
     "SELECT 'TOP 5 with(nolock) #1/1/2020# DELETE T' AS [top], [with] FROM T WHERE b = 'O''Brien' COLLATE "
     "NOCASE"},
    {"comentario_no_oculta_limit", "SELECT TOP 3 a FROM T -- fin", "SELECT a FROM T LIMIT 3"},
    {"blancos_finales_en_condicion",
     "UPDATE T SET a = 'x  ' WHERE (U.USUARIO = 'ANA ') AND b LIKE '%p %' AND c <> 'z '",
     "UPDATE T SET a = 'x  ' WHERE (U.USUARIO = 'ANA' COLLATE NOCASE) AND b LIKE '%p %' AND c <> 'z' COLLATE "
     "NOCASE"},
    {"textos_sin_mayusculas", "SELECT * FROM T WHERE LTRIM(RTRIM(nombre)) ='cajero' AND x >= 'b '",
     "SELECT * FROM T WHERE LTRIM(RTRIM(nombre)) ='cajero' COLLATE NOCASE AND x >= 'b ' COLLATE ES_CI_AS"},
    {"sin_cambios", "UPDATE MA_CUENTAS SET TipoVista = 'BC', MedioDePago = 'DB' WHERE CODIGO = '11102005'",
     "UPDATE MA_CUENTAS SET TipoVista = 'BC', MedioDePago = 'DB' WHERE CODIGO = '11102005' COLLATE NOCASE"},
};

class Traduccion : public ::testing::TestWithParam<Caso> {};

TEST_P(Traduccion, ComoLaLeeElMotor) {
    const Caso& c = GetParam();
    EXPECT_EQ(normalizar(tsql::traducir(QString::fromUtf8(c.entrada))).toStdString(),
              normalizar(QString::fromUtf8(c.esperado)).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Casos, Traduccion, ::testing::ValuesIn(kCasos),
                         [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nombre); });

// Sorting, grouping, extremes and lists under the Spanish rule, with the
// engine's answers for a table T: t text with letters beyond ASCII, a text in
// ASCII only, n a number.
TEST(Traduccion, IntercalacionEspanola) {
    tsql::Opciones o;
    o.tipoDeColumna = [](const QString&, const QString& c) {
        return c == QLatin1String("n")                              ? QStringLiteral("int")
               : c == QLatin1String("t") || c == QLatin1String("a") ? QStringLiteral("varchar(10)")
                                                                    : QString();
    };
    o.intercalacionDeColumna = [](const QString&, const QString& c) {
        return c == QLatin1String("n")   ? QString()
               : c == QLatin1String("a") ? QStringLiteral("NOCASE")
                                         : QString::fromLatin1(tsql::kIntercalacionEspanol);
    };
    const Caso casos[] = {
        {"orden", "SELECT t FROM T ORDER BY t, a DESC, n",
         "SELECT t FROM T ORDER BY t COLLATE ES_CI_AS, a COLLATE NOCASE DESC, n"},
        {"orden_posicion_y_expresion", "SELECT t FROM T ORDER BY 1, LTRIM(t) DESC, T.a",
         "SELECT t FROM T ORDER BY 1, (LTRIM(t)) COLLATE ES_CI_AS DESC, T.a COLLATE NOCASE"},
        {"orden_propio", "SELECT t FROM T ORDER BY t COLLATE BINARY",
         "SELECT t FROM T ORDER BY t COLLATE BINARY"},
        {"orden_de_tabla_derivada", "SELECT * FROM (SELECT TOP 5 * FROM T ORDER BY n) AS P ORDER BY t",
         "SELECT * FROM (SELECT * FROM T ORDER BY n LIMIT 5 ) AS P ORDER BY t COLLATE ES_CI_AS"},
        {"grupo", "SELECT t, COUNT(*) FROM T GROUP BY t, n HAVING COUNT(*) > 1",
         "SELECT t, COUNT(*) FROM T GROUP BY t COLLATE ES_CI_AS, n HAVING COUNT(*) > 1"},
        {"extremos", "SELECT MAX(t) AS m, MIN(n) AS k, MIN(a) FROM T",
         "SELECT MAX(t COLLATE ES_CI_AS) AS m, MIN(n) AS k, MIN(a COLLATE NOCASE) FROM T"},
        {"distintos", "SELECT DISTINCT t, n, a AS b FROM T",
         "SELECT DISTINCT t COLLATE ES_CI_AS AS t, n, a AS b FROM T"},
        {"lista", "SELECT * FROM T WHERE t IN ('Ñ', 'b') AND a NOT IN ('x')",
         "SELECT * FROM T WHERE t COLLATE ES_CI_AS IN ('Ñ', 'b') AND a NOT IN ('x')"},
        {"lista_negada", "SELECT * FROM T WHERE t NOT IN ('é')",
         "SELECT * FROM T WHERE t COLLATE ES_CI_AS NOT IN ('é')"},
        {"literal_a_la_izquierda", "SELECT * FROM T WHERE 'ñ' = t OR t + 'x' = 'y'",
         "SELECT * FROM T WHERE 'ñ' COLLATE ES_CI_AS = t OR t || 'x' = 'y' COLLATE NOCASE"},
        {"suma_de_textos", "SELECT t + ' ' + a, n + 1 FROM T", "SELECT t || ' ' || a, n + 1 FROM T"},
    };
    for (const Caso& c : casos) {
        QStringList partes;
        for (const auto& x : tsql::traducirLote(QString::fromUtf8(c.entrada), o))
            partes << x.texto;
        EXPECT_EQ(normalizar(partes.join(QStringLiteral("; "))).toStdString(),
                  normalizar(QString::fromUtf8(c.esperado)).toStdString())
            << c.nombre;
    }
}

using Clase = tsql::Sentencia::Clase;

TEST(Lotes, SeDividenSinPuntoYComaYReconocenLaTransaccion) {
    // The script runner's layout: statements separated by carriage returns only.
    const auto s =
        tsql::traducirLote(QStringLiteral("BEGIN TRANSACTION \r\r\rINSERT INTO T (a) VALUES (1)\rUPDATE T "
                                          "SET a = 2 WHERE a IN (SELECT a FROM U)\r"));
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].clase, Clase::Iniciar);
    EXPECT_EQ(normalizar(s[1].texto), QStringLiteral("INSERT INTO T (a) VALUES (1)"));
    EXPECT_EQ(normalizar(s[2].texto), QStringLiteral("UPDATE T SET a = 2 WHERE a IN (SELECT a FROM U)"));

    const auto t = tsql::traducirLote(QStringLiteral("SET NOCOUNT ON; INSERT INTO T (a) SELECT TOP 1 a FROM "
                                                     "U ORDER BY a\nDELETE T WHERE a = 9\nCOMMIT TRAN"));
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].clase, Clase::Nada);
    EXPECT_EQ(normalizar(t[1].texto), QStringLiteral("INSERT INTO T (a) SELECT a FROM U ORDER BY a LIMIT 1"));
    EXPECT_EQ(normalizar(t[2].texto), QStringLiteral("DELETE FROM T WHERE a = 9"));
    EXPECT_EQ(t[3].clase, Clase::Confirmar);

    const auto u = tsql::traducirLote(QStringLiteral("ROLLBACK TRANSACTION"));
    ASSERT_EQ(u.size(), 1u);
    EXPECT_EQ(u[0].clase, Clase::Deshacer);
}

TEST(Definiciones, LosTextosLlevanLargoYMayusculasIndistintas) {
    const QString r =
        tsql::reforzarDefinicion(QStringLiteral("CREATE TABLE X (A varchar(10) NOT NULL, B int, C text, D "
                                                "numeric(12,2), CONSTRAINT PK_X PRIMARY KEY (A))"));
    EXPECT_TRUE(r.contains(QStringLiteral(
        "A varchar(10) COLLATE NOCASE CONSTRAINT [kv_largo_A] CHECK (length([A]) <= 10) NOT NULL")))
        << r.toStdString();
    EXPECT_TRUE(r.contains(QStringLiteral("[kv_tipo_B] CHECK (typeof([B]) IN ('integer','null'))")))
        << r.toStdString();
    EXPECT_TRUE(r.contains(QStringLiteral("C text COLLATE NOCASE,"))) << r.toStdString();
    EXPECT_TRUE(r.contains(QStringLiteral("[kv_tipo_D] CHECK (typeof([D]) IN ('integer','real','null'))")))
        << r.toStdString();
    EXPECT_TRUE(r.contains(QStringLiteral("CONSTRAINT PK_X PRIMARY KEY (A))"))) << r.toStdString();
    // Broken definitions come back without harm (found by fuzzing).
    const QString rota = QString::fromUtf8(
        "CREATE TABLE X (A varchar(10\0\0\0rT NULL, B inS\0=ith(nolt CONS KEYA varcha*", 57);
    EXPECT_FALSE(tsql::reforzarDefinicion(rota).isEmpty());
    EXPECT_TRUE(tsql::reforzarDefinicion(QStringLiteral("CREATE TABLE X (A varchar(10"))
                    .startsWith(QStringLiteral("CREATE TABLE X (A varchar")));
    // Other statements come back as they were.
    const QString sel = QStringLiteral("SELECT * FROM X");
    EXPECT_EQ(tsql::reforzarDefinicion(sel), sel);
}

// The same statements for PostgreSQL: names as the schema declares them,
// whatever the statement's spelling; what the server would read otherwise.
TEST(Postgres, LaSintaxisDeSqlServerEnTerminosDePostgres) {
    const pg::Nombres nombres = {{QStringLiteral("ta_quenzar"), QStringLiteral("TA_QUENZAR")},
                                 {QStringLiteral("talonario"), QStringLiteral("Talonario")},
                                 {QStringLiteral("idbanco"), QStringLiteral("IDBANCO")},
                                 {QStringLiteral("descripcion"), QStringLiteral("DESCRIPCION")},
                                 {QStringLiteral("vt_chequeras"), QStringLiteral("VT_Chequeras")},
                                 {QStringLiteral("id"), QStringLiteral("ID")}};
    struct CasoPg {
        const char* tsql;
        const char* pg;
    } casos[] = {
        {"SELECT TOP 1 * FROM dbo.TA_QUENZAR with(nolock) WHERE talonario = 5",
         "SELECT * FROM \"TA_QUENZAR\" WHERE \"Talonario\" = 5 LIMIT 1"},
        {"SELECT ID FROM [dbo].[TA_QUENZAR]", "SELECT \"ID\" FROM \"TA_QUENZAR\""},
        {"SELECT [Talonario], IdBanco FROM [VT_Chequeras] (NOLOCK) ORDER BY [Talonario] Desc",
         "SELECT \"Talonario\", \"IDBANCO\" FROM \"VT_Chequeras\" ORDER BY \"Talonario\" Desc"},
        // The grid's page, read by key offset; without the key in its order, the plain form.
        {"SELECT * FROM (SELECT TOP 10 * FROM VT_Chequeras WHERE ID NOT IN (SELECT TOP 20 ID FROM "
         "VT_Chequeras ORDER BY ID) ORDER BY ID) Paginacion",
         "SELECT * FROM ( SELECT * FROM \"VT_Chequeras\" WHERE \"ID\" IN ( SELECT \"ID\" FROM "
         "\"VT_Chequeras\" "
         "ORDER BY \"ID\" LIMIT 10 OFFSET 20 ) ORDER BY \"ID\" ) AS Paginacion"},
        {"SELECT * FROM (SELECT TOP 10 * FROM VT_Chequeras WHERE ID NOT IN (SELECT TOP 20 ID FROM "
         "VT_Chequeras ORDER BY Talonario) ORDER BY Talonario) Paginacion",
         "SELECT * FROM (SELECT * FROM \"VT_Chequeras\" WHERE \"ID\" NOT IN (SELECT \"ID\" FROM "
         "\"VT_Chequeras\" ORDER BY \"Talonario\" LIMIT 20 ) ORDER BY \"Talonario\" LIMIT 10 ) Paginacion"},
        {"SELECT TOP 50 PERCENT ID FROM TA_QUENZAR",
         "SELECT \"ID\" FROM \"TA_QUENZAR\" LIMIT (SELECT CAST(CEIL(COUNT(*) * (50) / 100.0) AS bigint) FROM "
         "(SELECT \"ID\" FROM \"TA_QUENZAR\") AS kv_porcentaje)"},
        {"SELECT TOP 100 PERCENT ID FROM TA_QUENZAR ORDER BY ID",
         "SELECT \"ID\" FROM \"TA_QUENZAR\" ORDER BY \"ID\""},
        {"SELECT TOP 1 ID FROM TA_QUENZAR UNION SELECT TOP 2 ID FROM TA_QUENZAR",
         "SELECT * FROM (SELECT \"ID\" FROM \"TA_QUENZAR\" LIMIT 1 ) AS kv_miembro UNION SELECT * FROM "
         "(SELECT "
         "\"ID\" FROM \"TA_QUENZAR\" LIMIT 2 ) AS kv_miembro"},
        {"SELECT ISNULL(Descripcion, '') FROM TA_QUENZAR WHERE IDBANCO = '1  '",
         "SELECT COALESCE(\"DESCRIPCION\", '') FROM \"TA_QUENZAR\" WHERE \"IDBANCO\" = '1'"},
        {"SELECT * FROM VT_Chequeras WHERE CONVERT(NVARCHAR, [Talonario]) LIKE N'%5%'",
         "SELECT * FROM \"VT_Chequeras\" WHERE CAST((\"Talonario\") AS varchar(30)) COLLATE \"default\" "
         "ILIKE "
         "'%5%'"},
        {"SELECT * FROM VT_Chequeras WHERE DESCRIPCION NOT LIKE 'b%'",
         "SELECT * FROM \"VT_Chequeras\" WHERE \"DESCRIPCION\" COLLATE \"default\" NOT ILIKE 'b%'"},
        {"SELECT CONVERT(NVARCHAR(10), getDate(), 103), CAST(1 AS money), CAST(x AS datetime)",
         "SELECT CAST(to_char(CAST((LOCALTIMESTAMP(3)) AS timestamp), 'DD/MM/YYYY') AS varchar(10)), "
         "CAST((1) AS "
         "numeric(19,4)), CAST((x) AS timestamp)"},
        {"DELETE TA_QUENZAR WHERE ID = #12/31/2026#",
         "DELETE FROM \"TA_QUENZAR\" WHERE \"ID\" = '2026-12-31'"},
        {"SELECT * FROM [Nombre Raro] x WHERE [X].ID = 1",
         "SELECT * FROM \"nombre raro\" x WHERE \"x\".\"ID\" = 1"},
        {"INSERT INTO TA_QUENZAR (Talonario) VALUES (?)",
         "INSERT INTO \"TA_QUENZAR\" (\"Talonario\") VALUES (?)"},
        // The server's clock without a call to the schema's getdate() per row.
        {"INSERT INTO TA_QUENZAR (Talonario, ID) VALUES (GETDATE ( ), ?), (getdate(), ?)",
         "INSERT INTO \"TA_QUENZAR\" (\"Talonario\", \"ID\") VALUES (LOCALTIMESTAMP(3), ?), "
         "(LOCALTIMESTAMP(3), ?)"},
    };
    for (const CasoPg& c : casos)
        EXPECT_EQ(pg::traducir(QString::fromUtf8(c.tsql), nombres).simplified().toStdString(),
                  std::string(c.pg))
            << c.tsql;
    // Batches keep their transaction control; definitions take PostgreSQL's types.
    const auto lote = pg::traducirLote(
        QStringLiteral("BEGIN TRANSACTION UPDATE TA_QUENZAR SET Talonario = 1 COMMIT TRANSACTION"), nombres);
    ASSERT_EQ(lote.size(), 3u);
    EXPECT_EQ(lote[0].clase, tsql::Sentencia::Clase::Iniciar);
    EXPECT_EQ(lote[2].clase, tsql::Sentencia::Clase::Confirmar);
    EXPECT_EQ(
        pg::traducir(QStringLiteral("CREATE TABLE X (I int IDENTITY(1,1), F datetime, B bit, N nvarchar(20), "
                                    "M money)"),
                     nombres)
            .toStdString(),
        "CREATE TABLE X (I int GENERATED BY DEFAULT AS IDENTITY, F timestamp, B smallint, N varchar(20) "
        "COLLATE es_ci_as, "
        "M numeric(19,4))");
}

} // namespace
