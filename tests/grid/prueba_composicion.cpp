// The grid's text engine: aliases, WHERE, ORDER BY, paging and counting.

#include "grid/ComposicionSql.h"

#include "tests/soporte/Impresion.h"

#include <gtest/gtest.h>

using namespace grid;

namespace {

const QString kLista = QStringLiteral(
    "SELECT Talonario,IDBANCO,DESCRIPCION,SERIE,NUMERO_DESDE,NUMERO_HASTA,CuentaBanco,CuentaBancoDiferido "
    "FROM "
    "VT_Chequeras  ");

TEST(Composicion, PaginaTresDeVeinticinco) {
    EstadoConsulta e;
    e.sql = kLista;
    e.PageSize = 10;
    EXPECT_EQ(ArmarFromPaginado(e, 3),
              QStringLiteral(" FROM (SELECT TOP 10 *  FROM VT_Chequeras WHERE ID NOT IN (SELECT TOP 20 "
                             "ID FROM VT_Chequeras   Order by ID Asc )   Order by ID Asc ) AS Paginacion "));
    // Page 1 skips nothing: a sub-select of the top 0 keys.
    EXPECT_TRUE(
        ArmarFromPaginado(e, 1).contains(QStringLiteral("NOT IN (SELECT TOP 0 ID FROM VT_Chequeras")));
    e.conRownum = true;
    EXPECT_EQ(
        ArmarFromPaginado(e, 3),
        QStringLiteral(" FROM (SELECT *  FROM VT_Chequeras WHERE ROWNUM<=10 AND ID NOT IN "
                       "(SELECT ID FROM VT_Chequeras  WHERE  ROWNUM<=20  Order by ID Asc )   Order by ID "
                       "Asc )  Paginacion "));
}

TEST(Composicion, SentenciaDePaginaConListaYClave) {
    EstadoConsulta e;
    e.sql = kLista;
    e.PageSize = 10;
    e.mEquivalencias = ArmarEquivalencias(e.sql);
    const QVector<CampoProbe> campos = {
        {QStringLiteral("Talonario"), 3},      {QStringLiteral("IDBANCO"), 200},
        {QStringLiteral("DESCRIPCION"), 200},  {QStringLiteral("SERIE"), 200},
        {QStringLiteral("NUMERO_DESDE"), 131}, {QStringLiteral("NUMERO_HASTA"), 131}};
    const auto l = listasSinSeleccion(campos, e.sql, e.PrimaryKey, e.FormatDate);
    e.Campos = l.Campos;
    EXPECT_EQ(
        l.mCamposTodos,
        QStringLiteral("[Talonario], [IDBANCO], [DESCRIPCION], [SERIE],[NUMERO_DESDE],[NUMERO_HASTA], ID"));
    EXPECT_EQ(l.columnasBusqueda.first(), QStringLiteral("Todos"));
    const QString s = sentenciaPagina(e, 2);
    EXPECT_EQ(
        s,
        QStringLiteral(
            "SELECT  [Talonario], [IDBANCO], [DESCRIPCION], [SERIE], CONVERT(Decimal(10,2),[NUMERO_DESDE]) "
            "AS [NUMERO_DESDE], CONVERT(Decimal(10,2),[NUMERO_HASTA]) AS [NUMERO_HASTA], ID  FROM (SELECT "
            "TOP 10 *  FROM VT_Chequeras WHERE ID NOT IN (SELECT TOP 10 ID FROM VT_Chequeras   Order by ID "
            "Asc )   Order by ID Asc ) AS Paginacion   Order by ID Asc "));
}

TEST(Composicion, AliasYEquivalencias) {
    const auto eq = ArmarEquivalencias(QStringLiteral("SELECT IDBANCO as Banco, SERIE FROM T "));
    ASSERT_EQ(eq.size(), 2); // one record and the closing empty one
    EXPECT_EQ(eq[0].Expresion, QStringLiteral("[IDBANCO]"));
    EXPECT_EQ(eq[0].Alias, QStringLiteral("[Banco]"));
    EXPECT_EQ(EquiCampo(eq, QStringLiteral("[ Banco ]"), false), QStringLiteral("[IDBANCO]"));
    EXPECT_EQ(EquiCampo(eq, QStringLiteral("[SERIE]"), false), QStringLiteral("[SERIE]"));
    EXPECT_EQ(EquiCampo(eq, QStringLiteral("[IDBANCO]"), true), QStringLiteral("[Banco]"));
    EXPECT_EQ(ArmarListaCampos(eq, QStringLiteral("[Banco]|[SERIE]")),
              QStringLiteral("[IDBANCO] as [Banco]|[SERIE]"));
    // Bracketed and converted expressions; blanks the raw texts do not hold end the loop.
    const auto eq2 = ArmarEquivalencias(
        QStringLiteral("SELECT CONVERT(decimal(10,2),[Importe]) AS [Monto], a  as  b FROM T"));
    ASSERT_GE(eq2.size(), 2);
    EXPECT_EQ(eq2[0].Expresion, QStringLiteral("[Importe]"));
    EXPECT_EQ(eq2[0].Alias, QStringLiteral("[Monto]"));
}

TEST(Composicion, JoinYGroupBySeMuestranEnteros) {
    EstadoConsulta e;
    e.sql = QStringLiteral("SELECT A.X, COUNT(*) AS N FROM A INNER JOIN B ON A.ID = B.ID group by A.X ");
    e.PageSize = 10;
    EXPECT_TRUE(ArmarFromPaginado(e, 2).isEmpty());
    e.Campos = QStringLiteral("[X], [N], ID");
    EXPECT_EQ(sentenciaPagina(e, 2), e.sql);
}

TEST(Composicion, OrdenMultipleMueveLaColumnaAlFinal) {
    EstadoConsulta e;
    e.sql = kLista;
    e.Order = 2;
    e.OrdenSent = 1;
    e.OrderBy = ArmarOrden(e, QStringLiteral("A"));
    EXPECT_EQ(e.OrderBy, QStringLiteral(" Order by [A] Asc "));
    e.OrdenSent = 2;
    e.OrderBy = ArmarOrden(e, QStringLiteral("B"));
    EXPECT_EQ(e.OrderBy, QStringLiteral(" Order by [A] Asc , [B] Desc "));
    e.OrdenSent = 1;
    e.OrderBy = ArmarOrden(e, QStringLiteral("A"));
    EXPECT_EQ(e.OrderBy.count(QStringLiteral("[A]")), 1);
    EXPECT_EQ(e.OrderBy.count(QStringLiteral("[B]")), 1);
    EXPECT_LT(e.OrderBy.indexOf(QStringLiteral("[B] Desc")), e.OrderBy.indexOf(QStringLiteral("[A] Asc")));
    // Single-column mode replaces; 0 takes the statement's own order; 3 keeps it.
    e.Order = 1;
    EXPECT_EQ(ArmarOrden(e, QStringLiteral("C")), QStringLiteral(" Order by [C] Asc "));
    e.OrdenSent = 0;
    e.sql = QStringLiteral("SELECT * FROM T Order by X ");
    EXPECT_EQ(ArmarOrden(e, QStringLiteral("C")), QStringLiteral(" Order by X "));
    e.OrdenSent = 3;
    EXPECT_EQ(ArmarOrden(e, QStringLiteral("C")), e.OrderBy);
}

// Pages only fit together when their order is total: the key closes it, in
// the direction of the last sort item, unless it is already sorted on.
TEST(Composicion, OrdenTotalTerminaEnLaClave) {
    struct Caso {
        const char* clave;
        const char* orden;
        const char* total;
    };
    const Caso casos[] = {
        {"ID", "", " Order by ID Asc "},
        {"ID", " Order by [SERIE] Asc ", " Order by [SERIE] Asc, ID Asc "},
        {"ID", " Order by [A] Asc , [B] Desc ", " Order by [A] Asc , [B] Desc, ID Desc "},
        {"ID", " Order by X ", " Order by X, ID Asc "},
        {"ID", " Order by CONVERT(decimal(10,2),[A]) Desc ",
         " Order by CONVERT(decimal(10,2),[A]) Desc, ID Desc "},
        {"ID", " Order by [ID] Desc ", " Order by [ID] Desc "},
        {"", " Order by [B] Asc , id ", " Order by [B] Asc , id "},
        {"Codigo", " Order by [Nombre] Desc ", " Order by [Nombre] Desc, Codigo Desc "},
    };
    for (const auto& c : casos) {
        EstadoConsulta e;
        e.sql = kLista;
        e.PrimaryKey = QLatin1String(c.clave);
        e.OrderBy = QLatin1String(c.orden);
        EXPECT_EQ(ordenTotal(e), QLatin1String(c.total)) << c.orden;
    }
    // Every order of the page statement is the total one.
    EstadoConsulta e;
    e.sql = kLista;
    e.PageSize = 10;
    e.OrderBy = QStringLiteral(" Order by [SERIE] Desc ");
    const QString s = sentenciaPagina(e, 2);
    EXPECT_EQ(s.count(QStringLiteral("Order by [SERIE] Desc, ID Desc")), 3) << s.toStdString();
}

TEST(Composicion, WhereYConteoConFiltro) {
    EXPECT_EQ(ArmarWhere(QStringLiteral("SELECT * FROM T "), QString()), QString());
    EXPECT_EQ(ArmarWhere(QStringLiteral("SELECT * FROM T "), QStringLiteral("A = 1")),
              QStringLiteral(" where A = 1"));
    EXPECT_EQ(ArmarWhere(QStringLiteral("SELECT * FROM T WHERE B = 2 ORDER BY C"), QStringLiteral("A = 1")),
              QStringLiteral("WHERE B = 2  AND A = 1"));
    EstadoConsulta e;
    e.sql = kLista;
    EXPECT_EQ(sentenciaDeConteo(e), kLista);
    e.Campos = QStringLiteral("[Talonario]|[IDBANCO]|ID");
    e.mFiltro = QStringLiteral(" CONVERT(NVARCHAR,[SERIE]) LIKE '%B%'");
    EXPECT_EQ(sentenciaDeConteo(e),
              QStringLiteral("SELECT [Talonario],[IDBANCO],ID FROM VT_Chequeras   where  "
                             "CONVERT(NVARCHAR,[SERIE]) LIKE '%B%'"));
    EXPECT_EQ(tablaDeSql(kLista), QStringLiteral("VT_Chequeras"));
    EXPECT_EQ(tablaDeSql(QStringLiteral("SELECT a FROM V_X where a = 1")), QStringLiteral("V_X"));
}

TEST(Composicion, CondicionesDeBusqueda) {
    EstadoConsulta e;
    e.mEquivalencias = ArmarEquivalencias(QStringLiteral("SELECT IDBANCO as Banco, Fecha FROM T "));
    e.mColFechas = QStringLiteral("|1|");
    bool invalida = false;
    EXPECT_EQ(condicionBusqueda(e, QStringLiteral("O'B"), QStringLiteral("Banco"), 1, {}, invalida),
              QStringLiteral(" CONVERT(NVARCHAR,[IDBANCO]) LIKE '%O''B%'"));
    EXPECT_EQ(condicionBusqueda(e, QStringLiteral("abc"), QStringLiteral("Fecha"), 2, {}, invalida),
              QString());
    EXPECT_TRUE(invalida);
    EXPECT_EQ(condicionBusqueda(e, QStringLiteral("09/12/2026"), QStringLiteral("Fecha"), 2, {}, invalida),
              QStringLiteral(" [Fecha] = CONVERT(datetime, '20261209', 112)"));
    EXPECT_FALSE(invalida);
    const QStringList encabezados = {QString(), QStringLiteral("Banco"), QStringLiteral("Fecha")};
    EXPECT_EQ(condicionBusqueda(e, QStringLiteral("x"), QStringLiteral("Todos"), 0, encabezados, invalida),
              QStringLiteral(" ( CONVERT(NVARCHAR,[IDBANCO]) LIKE '%x%') "));
}

// A grid of dates only, searched in every column for a text that is no date:
// a condition that finds nothing, not an empty one the server refuses.
TEST(Composicion, BusquedaEnTodasLasColumnasDeFechasSinFecha) {
    EstadoConsulta e;
    e.mColFechas = QStringLiteral("|0||1|");
    bool fechaInvalida = false;
    const QStringList encabezados = {QString(), QStringLiteral("Alta"), QStringLiteral("Baja")};
    EXPECT_EQ(
        condicionBusqueda(e, QStringLiteral("abc"), QStringLiteral("Todos"), 0, encabezados, fechaInvalida),
        QStringLiteral(" (1 = 0) "));
    EXPECT_FALSE(fechaInvalida);
    EXPECT_TRUE(condicionBusqueda(e, QStringLiteral("31/12/2026"), QStringLiteral("Todos"), 0, encabezados,
                                  fechaInvalida)
                    .contains(QStringLiteral("[Alta] = CONVERT(datetime, '20261231', 112) or")));
}

// The export reads every page in the order the list shows.
TEST(Composicion, ExportacionEnElOrdenDeLaLista) {
    EstadoConsulta e;
    e.sql = kLista;
    e.OrderBy = QStringLiteral(" Order by [SERIE] Desc ");
    EXPECT_EQ(
        sentenciaExportacion(e, kLista + QStringLiteral(" where  CONVERT(NVARCHAR,[SERIE]) LIKE '%A%'")),
        kLista +
            QStringLiteral(" where  CONVERT(NVARCHAR,[SERIE]) LIKE '%A%'  Order by [SERIE] Desc, ID Desc "));
    // The statement's own order gives way to the one in force; without one, the key's.
    e.OrderBy.clear();
    EXPECT_EQ(sentenciaExportacion(e, QStringLiteral("SELECT a FROM T Order by a")),
              QStringLiteral("SELECT a FROM T  Order by ID Asc "));
}

} // namespace
