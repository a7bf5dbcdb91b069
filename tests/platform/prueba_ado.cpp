// The data-access layer against the embedded engine and, where the case is
// the same on a server, PostgreSQL: ADO's behaviour and numbers, the native
// numbers of SQL Server, batches, two connections, trace.

#include "platform/ado/Ado.h"
#include "platform/ado/MotorSqlite.h"
#include "platform/ado/TraductorTSql.h"
#include "platform/ado/Traza.h"
#include "tests/soporte/Base.h"
#include "tests/soporte/Motores.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace ado;
namespace errores = plataforma::errores;

namespace {

using prueba::ConMotor;
using prueba::Motores;

// The embedded engine alone.
class Ado : public ConMotor, public ::testing::Test {
protected:
    void SetUp() override { abrir("embebido"); }
};

QUENZAR_EN_AMBOS_MOTORES(Motores);

TEST_P(Motores, FallosDeEstadoConLosNumerosDeAdo) {
    Recordset rs;
    FALLA_CON(rs.Close(), errores::ObjetoCerrado);
    SIN_ERROR(rs.Open(QStringLiteral("SELECT * FROM V_TA_BANCOS"), cn));
    FALLA_CON(rs.Open(QStringLiteral("SELECT * FROM V_TA_BANCOS"), cn), errores::ObjetoAbierto);
    FALLA_CON(rs(QStringLiteral("NO_EXISTE")), errores::ElementoNoEncontrado);
    rs.Close();
    FALLA_CON(cn.setCursorLocation(adUseServer), errores::ObjetoAbierto);
    FALLA_CON(cn.Open(cadena()), errores::ObjetoAbierto);

    Connection cerrada;
    FALLA_CON(rs.Open(QStringLiteral("SELECT 1"), cerrada), errores::ConexionInvalida);
    FALLA_CON(cerrada.Execute(QStringLiteral("SELECT 1")), errores::ConexionInvalida);
    FALLA_CON(cerrada.Close(), errores::ObjetoCerrado);
}

TEST_P(Motores, VacioTieneBofYEofYNoHayRegistroActual) {
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM V_TA_BANCOS WHERE IDBANCO = 'XX'"), cn);
    EXPECT_TRUE(rs.BOF());
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(rs.RecordCount(), 0);
    FALLA_CON(rs(QStringLiteral("IDBANCO")).Value(), errores::SinRegistroActual);
    FALLA_CON(rs.MoveNext(), errores::SinRegistroActual);
    FALLA_CON(rs.MoveFirst(), errores::SinRegistroActual);
    EXPECT_EQ(rs.fields().Count(), 4); // the columns are known even without rows
}

TEST_P(Motores, RecorridoPosicionYConteo) {
    Recordset rs;
    rs.Open(QStringLiteral("SELECT IDBANCO, DESCRIPCION FROM V_TA_BANCOS ORDER BY DESCRIPCION"), cn,
            adOpenDynamic);
    EXPECT_FALSE(rs.BOF());
    EXPECT_EQ(rs.RecordCount(), 12);
    EXPECT_EQ(rs.AbsolutePosition(), 1);
    EXPECT_EQ(rs(QStringLiteral("descripcion")).Value().toString(), QStringLiteral("BANCO BBVA"));
    int n = 0;
    while (!rs.Eof()) {
        ++n;
        rs.MoveNext();
    }
    EXPECT_EQ(n, 12);
    EXPECT_EQ(rs.AbsolutePosition(), adPosEOF);
    rs.MoveLast();
    EXPECT_EQ(rs.AbsolutePosition(), 12);
    rs.MovePrevious();
    EXPECT_EQ(rs.AbsolutePosition(), 11);
    rs.MoveFirst();
    rs.MovePrevious();
    EXPECT_TRUE(rs.BOF());
    FALLA_CON(rs.MovePrevious(), errores::SinRegistroActual);
}

TEST_F(Ado, ElConteoDeUnResultadoGrandeNoImpideLeerloDespues) {
    prueba::BaseTemporal grande({.chequeras = 5000});
    Connection c;
    c.setCursorLocation(adUseClient);
    c.Open(grande.cadena());
    Recordset rs;
    rs.Open(QStringLiteral("SELECT ID FROM VT_Chequeras ORDER BY ID"), c);
    EXPECT_EQ(rs.RecordCount(), 5000);
    rs.MoveLast();
    EXPECT_EQ(rs(0).Value().toInt(), 5000);
    EXPECT_EQ(rs.AbsolutePosition(), 5000);
}

// The engine counts a result without building its rows; the count is the
// number of rows the result has, whatever the statement's shape.
TEST_P(Motores, ElConteoEsElDeLasFilas) {
    // 1,500 cheque books: past the first slice a server engine reads.
    basedatos::OpcionesDemo o;
    o.chequeras = 1500;
    std::optional<prueba::BaseTemporal> embebida;
    QString cadenaGrande;
    if (pg) {
        o.nombre = pg->nombre() + QStringLiteral("_GRANDE");
        basedatos::crearDemoPostgres({pg->servidor()}, o);
        cadenaGrande = basedatos::cadenaConexion(o.nombre, QStringLiteral("ADMIN"), QStringLiteral("admin"),
                                                 pg->servidor());
    } else {
        embebida.emplace(o);
        cadenaGrande = embebida->cadena();
    }
    struct Borrar {
        std::optional<prueba::BasePostgres>& pg;
        QString nombre;
        ~Borrar() {
            if (pg) basedatos::borrarBasePostgres({pg->servidor()}, nombre);
        }
    } borrar{pg, o.nombre};
    Connection c;
    c.setCursorLocation(adUseClient);
    c.Open(cadenaGrande);
    const char* sentencias[] = {
        "SELECT Talonario,IDBANCO,DESCRIPCION,SERIE FROM VT_Chequeras",
        "SELECT * FROM VT_Chequeras WHERE SERIE = 'b' ORDER BY DESCRIPCION",
        "SELECT DISTINCT IDBANCO FROM VT_Chequeras",
        "SELECT IDBANCO, COUNT(*) FROM VT_Chequeras GROUP BY IDBANCO",
        "SELECT COUNT(*) FROM VT_Chequeras",
        "SELECT TOP 1200 ID FROM VT_Chequeras ORDER BY SERIE DESC",
        "SELECT ID FROM VT_Chequeras WHERE ID < 10 UNION SELECT ID FROM VT_Chequeras WHERE ID > 1495",
        "SELECT B.IDBANCO, Q.ID FROM TA_BANCOS B LEFT JOIN TA_QUENZAR Q ON Q.IDBANCO = B.IDBANCO",
        "SELECT ID, (SELECT MAX(ID) FROM TA_QUENZAR) FROM VT_Chequeras WHERE ID > 1400",
    };
    for (const char* sql : sentencias) {
        SCOPED_TRACE(sql);
        Recordset contado, recorrido;
        contado.Open(QLatin1String(sql), c);
        recorrido.Open(QLatin1String(sql), c);
        qint64 n = 0;
        for (; !recorrido.Eof(); recorrido.MoveNext())
            ++n;
        EXPECT_EQ(contado.RecordCount(), n);
        EXPECT_GT(n, 0);
    }
    // Rows read across slices: each once, none missing, with ties in the order given.
    for (const char* sql :
         {"SELECT ID, SERIE FROM VT_Chequeras", "SELECT ID, SERIE FROM VT_Chequeras ORDER BY SERIE"}) {
        SCOPED_TRACE(sql);
        Recordset rs;
        rs.Open(QLatin1String(sql), c);
        QSet<int> vistos;
        int n = 0;
        for (; !rs.Eof(); rs.MoveNext(), ++n)
            vistos.insert(rs(QStringLiteral("ID")).Value().toInt());
        EXPECT_EQ(n, 1500);
        EXPECT_EQ(vistos.size(), 1500);
        EXPECT_TRUE(vistos.contains(1) && vistos.contains(1500));
    }
}

TEST_F(Ado, ElConteoDelMotorEmbebidoNoCalculaColumnas) {
    EXPECT_TRUE(tsql::conteoDeFilas(QStringLiteral("SELECT a, b FROM V WHERE x = 1 ORDER BY a"))
                    .startsWith(QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM V WHERE x = 1")));
    EXPECT_TRUE(tsql::conteoDeFilas(QStringLiteral("SELECT a FROM V LIMIT 5")).isEmpty());
}

TEST_F(Ado, TiposYTamanosDeclarados) {
    cn.Execute(
        QStringLiteral("CREATE TABLE TIPOS (T varchar(20), I int, N numeric(12,2), M money, F datetime, "
                       "B bit, L text, W nvarchar(30), S smallint, D float)"));
    cn.Execute(
        QStringLiteral("INSERT INTO TIPOS VALUES ('x', 7, 1.5, 2.25, '2026-12-09 10:11:12', 1, 'largo', "
                       "N'ñ', 3, 0.5)"));
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM TIPOS"), cn);
    struct {
        const char* campo;
        int tipo;
        int tamano;
    } esperado[] = {{"T", adVarChar, 20},
                    {"I", adInteger, 4},
                    {"N", adNumeric, 19},
                    {"M", adCurrency, 8},
                    {"F", adDBTimeStamp, 16},
                    {"B", adBoolean, 2},
                    {"L", adLongVarChar, 2147483647},
                    {"W", adVarWChar, 30},
                    {"S", adSmallInt, 2},
                    {"D", adDouble, 8}};
    for (const auto& e : esperado) {
        const Field f = rs(QLatin1String(e.campo));
        EXPECT_EQ(f.Type(), e.tipo) << e.campo;
        EXPECT_EQ(f.DefinedSize(), e.tamano) << e.campo;
    }
    EXPECT_EQ(rs(QStringLiteral("I")).Value(), QVariant(7));
    EXPECT_DOUBLE_EQ(rs(QStringLiteral("N")).Value().toDouble(), 1.5);
    EXPECT_EQ(rs(QStringLiteral("F")).Value().toDateTime(), QDateTime(QDate(2026, 12, 9), QTime(10, 11, 12)));
    EXPECT_EQ(rs(QStringLiteral("B")).Value(), QVariant(true));
    EXPECT_EQ(rs(QStringLiteral("W")).Value().toString(), QStringLiteral("ñ"));
}

TEST_P(Motores, EscrituraPorLaVistaActualizable) {
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM V_TA_QUENZAR WHERE IDBANCO = '10'"), cn, adOpenDynamic,
            adLockOptimistic);
    ASSERT_TRUE(rs.Eof());
    rs.AddNew();
    EXPECT_EQ(rs.EditMode(), adEditAdd);
    rs(QStringLiteral("TALONARIO")).setValue(500);
    rs(QStringLiteral("IDBANCO")).setValue(QStringLiteral("10"));
    rs(QStringLiteral("SERIE")).setValue(QStringLiteral("Z"));
    rs(QStringLiteral("NUMERO_DESDE")).setValue(QStringLiteral("100"));
    rs(QStringLiteral("NUMERO_HASTA")).setValue(150.0);
    SIN_ERROR(rs.Update());
    EXPECT_EQ(rs.EditMode(), adEditNone);
    EXPECT_FALSE(rs(QStringLiteral("ID")).Value().isNull()) << "the new row's key is known";
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE IDBANCO = '10' AND NUMERO_HASTA = 150")),
        1);

    rs(QStringLiteral("NUMERO_HASTA")).setValue(199);
    SIN_ERROR(rs.Update());
    EXPECT_EQ(contar(QStringLiteral("SELECT NUMERO_HASTA FROM TA_QUENZAR WHERE IDBANCO = '10'")), 199);

    SIN_ERROR(rs.Delete());
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE IDBANCO = '10'")), 0);
    FALLA_CON(rs(QStringLiteral("ID")).Value(), errores::SinRegistroActual);
}

TEST_P(Motores, CancelarAltaYCierreConEdicionPendiente) {
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM V_TA_BANCOS ORDER BY IDBANCO"), cn, adOpenDynamic,
            adLockOptimistic);
    const QString primero = rs(QStringLiteral("IDBANCO")).Value().toString();
    rs.AddNew();
    rs(QStringLiteral("IDBANCO")).setValue(QStringLiteral("99"));
    FALLA_CON(rs.Close(), errores::NoPermitidoContexto);
    rs.CancelUpdate();
    EXPECT_EQ(rs(QStringLiteral("IDBANCO")).Value().toString(), primero);
    SIN_ERROR(rs.Close());
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS WHERE IDBANCO = '99'")), 0);
}

TEST_P(Motores, SoloLecturaYValoresDeTipoIncorrecto) {
    Recordset lectura;
    lectura.Open(QStringLiteral("SELECT * FROM V_TA_QUENZAR"), cn);
    FALLA_CON(lectura.AddNew(), errores::NoActualizable);
    FALLA_CON(lectura(QStringLiteral("SERIE")).setValue(QStringLiteral("B")), errores::NoActualizable);

    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM V_TA_QUENZAR"), cn, adOpenDynamic, adLockOptimistic);
    FALLA_CON(rs(QStringLiteral("TALONARIO")).setValue(QStringLiteral("doce")), errores::TipoIncorrecto);
    FALLA_CON(rs(QStringLiteral("TALONARIO")).setValue(5e10), errores::TipoIncorrecto);
    rs.CancelUpdate();

    Recordset unido;
    unido.Open(QStringLiteral("SELECT Q.ID FROM TA_QUENZAR Q JOIN TA_BANCOS B ON B.IDBANCO = Q.IDBANCO"), cn,
               adOpenDynamic, adLockOptimistic);
    unido(0).setValue(77);
    FALLA_CON(unido.Update(), errores::NoActualizable);
    unido.CancelUpdate();
}

TEST_P(Motores, ExecuteDevuelveFilasAfectadasYResultados) {
    qint64 n = -1;
    auto nada =
        cn.Execute(QStringLiteral("UPDATE MA_CUENTAS SET TipoVista = 'BC' WHERE CODIGO LIKE '11102%'"), &n);
    EXPECT_EQ(n, 10);
    EXPECT_EQ(nada->State(), adStateClosed);
    auto rs =
        cn.Execute(QStringLiteral("SELECT TOP 2 CODIGO FROM MA_CUENTAS with(nolock) ORDER BY CODIGO"), &n);
    ASSERT_EQ(rs->State(), adStateOpen);
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ((*rs)(0).Value().toString(), QStringLiteral("1"));
    // Through the view's INSTEAD OF triggers the rows still count.
    cn.Execute(QStringLiteral("UPDATE V_TA_QUENZAR SET SERIE = 'Z' WHERE IDBANCO = '1'"), &n);
    EXPECT_EQ(n, 4);
}

TEST_P(Motores, LasComparacionesDeTextoIgnoranMayusculas) {
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM V_TA_BANCOS WHERE DESCRIPCION = 'banco macro'")),
              1);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM V_TA_BANCOS WHERE DESCRIPCION LIKE 'banco m%'")),
              1);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM ta_configuracion WHERE CLAVE = 'titulobancos'")),
              1);
}

TEST_P(Motores, PaginadoDelGrillaSobreElMotor) {
    // 36 cheque books, page size 10: page 4 holds the last 6 rows; TOP 0 skips nothing.
    auto pagina = [&](int omitir) {
        Recordset rs;
        rs.Open(QStringLiteral(
                    "SELECT  [Talonario], ID  FROM (SELECT TOP 10 *  FROM VT_Chequeras WHERE ID NOT IN "
                    "(SELECT TOP %1 ID FROM VT_Chequeras    )   ) AS Paginacion  ")
                    .arg(omitir),
                cn);
        QList<int> ids;
        while (!rs.Eof()) {
            ids << rs(QStringLiteral("ID")).Value().toInt();
            rs.MoveNext();
        }
        return ids;
    };
    EXPECT_EQ(pagina(0), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(pagina(20), (QList<int>{21, 22, 23, 24, 25, 26, 27, 28, 29, 30}));
    EXPECT_EQ(pagina(30), (QList<int>{31, 32, 33, 34, 35, 36}));
}

// The grid's page statements, read by offset over the keys, give the rows
// the plain translation of TOP ... NOT IN gives: with ties, descending and
// several sort columns, a search, the last partial page, nothing to show and
// a page past the end. 36 cheque books: 3 series, 9 banks.
TEST_F(Ado, PaginasPorDesplazamientoComoLaTraduccionLlana) {
    struct Caso {
        const char* nombre;
        int tam, salto;
        const char* donde;  // WHERE of the sub-select and of the outer select
        const char* afuera; // the same conditions as the page repeats them
        const char* orden;
        bool seReescribe;
        int filas; // rows of the page; -1 when any
    };
    const char* busqueda =
        "( CONVERT(NVARCHAR,[DESCRIPCION]) LIKE '%nacion%' or  CONVERT(NVARCHAR,[Talonario]) "
        "LIKE '%1%' or CONVERT(NVARCHAR,[ID]) LIKE '%banco%')";
    const Caso casos[] = {
        {"empates", 5, 5, "", "", " Order by [SERIE] Asc, ID Asc ", true, 5},
        {"descendente", 4, 8, "", "", " Order by [DESCRIPCION] Desc, ID Desc ", true, 4},
        {"varias columnas", 7, 14, "", "", " Order by [SERIE] Asc , [IDBANCO] Desc, ID Desc ", true, 7},
        {"busqueda", 3, 3, "where %1", " and %1", " Order by [SERIE] Desc, ID Desc ", true, 3},
        {"condicion propia y busqueda", 2, 4, "WHERE IDBANCO <> '9' AND %1", " and %1 and IDBANCO <> '9'",
         " Order by [NUMERO_DESDE] Asc, ID Asc ", true, 2},
        {"ultima pagina parcial", 10, 30, "", "", " Order by ID Asc ", true, 6},
        {"nada que mostrar", 10, 0, "where SERIE = 'Z'", " and SERIE = 'Z'", " Order by ID Asc ", true, 0},
        {"pagina pasado el final", 10, 50, "", "", " Order by [SERIE] Asc, ID Asc ", true, 0},
        // Not the same conditions inside and outside, or no total order: left as it is.
        {"condiciones distintas", 5, 5, "where SERIE = 'A'", "", " Order by ID Asc ", false, -1},
        {"orden sin la clave", 5, 5, "", "", " Order by [SERIE] Asc ", false, -1},
        {"o en lo alto", 5, 5, "where SERIE = 'A' or SERIE = 'B'", " and SERIE = 'A' or SERIE = 'B'",
         " Order by ID Asc ", false, -1},
    };
    Connection llana;
    llana.setCursorLocation(adUseClient);
    SIN_ERROR(llana.Open(base.cadena()));
    dynamic_cast<MotorSqlite&>(*llana.motor()).setPaginasPorDesplazamiento(false);
    auto filas = [](Connection& c, const QString& sql) {
        QStringList r;
        Recordset rs;
        rs.Open(sql, c);
        while (!rs.Eof()) {
            QStringList f;
            for (int i = 0; i < rs.fields().Count(); ++i)
                f << rs(i).Value().toString();
            r << f.join(QLatin1Char('|'));
            rs.MoveNext();
        }
        return r;
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        const QString donde =
            QString::fromUtf8(c.donde).replace(QStringLiteral("%1"), QLatin1String(busqueda));
        const QString afuera =
            QString::fromUtf8(c.afuera).replace(QStringLiteral("%1"), QLatin1String(busqueda));
        const QString orden = QLatin1String(c.orden);
        const QString sql =
            QStringLiteral(
                "SELECT  [Talonario], [SERIE], [DESCRIPCION], CONVERT(Decimal(10,2),[NUMERO_DESDE]) AS "
                "[NUMERO_DESDE], ID  FROM (SELECT TOP %1 *  FROM VT_Chequeras WHERE ID NOT IN (SELECT TOP "
                "%2 ID FROM VT_Chequeras %3 %4) %5 %4) AS Paginacion %3 %4")
                .arg(c.tam)
                .arg(c.salto)
                .arg(donde, orden, afuera);
        const QStringList esperadas = filas(llana, sql);
        EXPECT_EQ(filas(cn, sql), esperadas);
        EXPECT_EQ(cn.motor()->ultimoTextoEnviado().contains(QLatin1String("OFFSET")), c.seReescribe)
            << cn.motor()->ultimoTextoEnviado().toStdString();
        EXPECT_FALSE(llana.motor()->ultimoTextoEnviado().contains(QLatin1String("OFFSET")));
        if (c.filas >= 0) {
            EXPECT_EQ(esperadas.size(), c.filas);
        }
    }
}

// A search converts every column to text: where the column's type lets the
// built-ins give the same text they are used, and a pattern no integer's text
// can match skips the integer columns; the rows are those of the conversion
// function (forced here by a parenthesised column).
TEST_F(Ado, ConversionesATextoDeUnaBusqueda) {
    struct Caso {
        const char* columna;
        const char* patron;
    };
    const Caso casos[] = {
        {"Talonario", "%1%"},
        {"Talonario", "%nacion%"},
        {"ID", "%-%"},
        {"NUMERO_DESDE", "%00%"},
        {"NUMERO_DESDE", "10_1"},
        {"DESCRIPCION", "%NACION%"},
        {"DESCRIPCION", "%PROVINCIA"},
        {"SERIE", "b"},
        {"CuentaBanco", "%111%"},
        {"CuentaBancoDiferido", "%0"},
        {"IDBANCO", "1%"},
        {"SERIE", "%galicia%"},
        {"IDBANCO", "___"},
        {"IDBANCO", "____"},
        {"DESCRIPCION", "%O''B%"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(std::string(c.columna) + " LIKE " + c.patron);
        const QString nativa =
            QStringLiteral("SELECT COUNT(*) FROM VT_Chequeras WHERE CONVERT(NVARCHAR,[%1]) LIKE '%2'")
                .arg(QLatin1String(c.columna), QLatin1String(c.patron));
        const QString funcion =
            QStringLiteral("SELECT COUNT(*) FROM VT_Chequeras WHERE CONVERT(NVARCHAR,([%1])) LIKE '%2'")
                .arg(QLatin1String(c.columna), QLatin1String(c.patron));
        const qint64 n = contar(nativa);
        EXPECT_FALSE(cn.motor()->ultimoTextoEnviado().contains(QLatin1String("kv_texto")))
            << cn.motor()->ultimoTextoEnviado().toStdString();
        EXPECT_EQ(n, contar(funcion));
        EXPECT_TRUE(cn.motor()->ultimoTextoEnviado().contains(QLatin1String("kv_texto")));
        // Negated, NULL stays NULL: the same rows either way.
        EXPECT_EQ(contar(QString(nativa).replace(QStringLiteral("WHERE "), QStringLiteral("WHERE NOT "))),
                  contar(QString(funcion).replace(QStringLiteral("WHERE "), QStringLiteral("WHERE NOT "))));
    }
    // Longer texts are cut at the conversion's length, as CONVERT(NVARCHAR(n)) cuts them.
    const qint64 cortados = contar(QStringLiteral(
        "SELECT COUNT(*) FROM V_TA_BANCOS WHERE CONVERT(NVARCHAR(5),[DESCRIPCION]) LIKE '%O'"));
    EXPECT_TRUE(cn.motor()->ultimoTextoEnviado().contains(QLatin1String("substr")));
    EXPECT_EQ(cortados,
              contar(QStringLiteral("SELECT COUNT(*) FROM V_TA_BANCOS WHERE DESCRIPCION LIKE 'BANCO%'")));
    EXPECT_GT(cortados, 0);
}

struct CasoNativo {
    const char* nombre;
    const char* sql;
    int32_t nativo;
    const char* estado;
    int32_t numero;
};

class Nativos : public ConMotor, public ::testing::TestWithParam<std::tuple<std::string, CasoNativo>> {
protected:
    void SetUp() override { abrir(std::get<0>(GetParam())); }
};

TEST_P(Nativos, ElMotorDaLosNumerosDeSqlServer) {
    const CasoNativo& c = std::get<1>(GetParam());
    FALLA_CON(cn.Execute(QString::fromUtf8(c.sql)), c.numero);
    ASSERT_GE(cn.Errors().Count(), 1);
    EXPECT_EQ(cn.Errors().Item(0).NativeError, c.nativo) << cn.Errors().Item(0).Description.toStdString();
    EXPECT_EQ(cn.Errors().Item(0).SQLState, QLatin1String(c.estado));
    EXPECT_FALSE(cn.Errors().Item(0).Description.isEmpty());
    // The messages stay until Clear.
    cn.Execute(QStringLiteral("SELECT 1"));
    EXPECT_GE(cn.Errors().Count(), 1);
    cn.Errors().Clear();
    EXPECT_EQ(cn.Errors().Count(), 0);
}

const CasoNativo kNativos[] = {
    {"clave_duplicada", "INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('1', 'OTRO')", 2627, "23000",
     errores::ViolacionIntegridad},
    {"restriccion", "INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE) VALUES (1, '77', 'A')", 547, "23000",
     errores::ViolacionIntegridad},
    {"columna_invalida", "SELECT NO_EXISTE FROM TA_BANCOS", 207, "42S22", errores::ErrorEnComando},
    {"tabla_invalida", "SELECT * FROM NO_EXISTE", 208, "42S02", errores::TablaNoExiste},
    {"truncamiento", "UPDATE TA_BANCOS SET IDBANCO = '1234' WHERE IDBANCO = '12'", 8152, "22001",
     errores::DesbordeDatos},
    {"truncamiento_alta", "INSERT INTO MA_CUENTAS (CODIGO) VALUES ('123456789012345678901')", 8152, "22001",
     errores::DesbordeDatos},
    {"conversion", "UPDATE TA_QUENZAR SET NUMERO_DESDE = 'mil' WHERE ID = 1", 245, "22018",
     errores::ConversionFallida},
    {"sintaxis", "SELEC * FROM TA_BANCOS", 102, "42000", errores::ErrorEnComando},
};

INSTANTIATE_TEST_SUITE_P(Casos, Nativos,
                         ::testing::Combine(::testing::Values("embebido", "postgres"),
                                            ::testing::ValuesIn(kNativos)),
                         [](const ::testing::TestParamInfo<std::tuple<std::string, CasoNativo>>& i) {
                             return std::get<0>(i.param) + "_" + std::get<1>(i.param).nombre;
                         });

TEST_F(Ado, TruncamientoDejaDosMensajesComoSqlServer) {
    FALLA_CON(cn.Execute(QStringLiteral("UPDATE TA_BANCOS SET DESCRIPCION = '%1' WHERE IDBANCO = '1'")
                             .arg(QString(51, QLatin1Char('x')))),
              errores::DesbordeDatos);
    ASSERT_EQ(cn.Errors().Count(), 2);
    EXPECT_EQ(cn.Errors().Item(0).NativeError, 8152);
    EXPECT_EQ(cn.Errors().Item(1).NativeError, 3621);
    EXPECT_EQ(contar(QStringLiteral("SELECT LEN(DESCRIPCION) FROM TA_BANCOS WHERE IDBANCO = '1'")), 18);
}

TEST_F(Ado, ArchivoInalcanzableEsConexionPerdida) {
    ASSERT_TRUE(QFile::rename(base.ruta(), base.ruta() + QStringLiteral(".movido")));
    FALLA_CON(cn.Execute(QStringLiteral("SELECT 1")), errores::FalloGeneral);
    ASSERT_GE(cn.Errors().Count(), 1);
    EXPECT_EQ(cn.Errors().Item(0).NativeError, 11);
    // Reopening fails while the file is gone, and works once it is back.
    cn.Close();
    FALLA_CON(cn.Open(base.cadena()), errores::FalloGeneral);
    EXPECT_EQ(cn.Errors().Item(0).NativeError, 4060);
    ASSERT_TRUE(QFile::rename(base.ruta() + QStringLiteral(".movido"), base.ruta()));
    SIN_ERROR(cn.Open(base.cadena()));
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS")), 12);
}

TEST_F(Ado, UsuarioOClaveIncorrectosNoAbren) {
    Connection otra;
    FALLA_CON(otra.Open(base.cadena(QStringLiteral("ADMIN"), QStringLiteral("mala"))), errores::FalloGeneral);
    ASSERT_GE(otra.Errors().Count(), 1);
    EXPECT_EQ(otra.Errors().Item(0).NativeError, 18456);
    EXPECT_EQ(otra.Errors().Item(0).SQLState, QStringLiteral("28000"));
    EXPECT_EQ(otra.State(), adStateClosed);
    // Logins ignore letter case; passwords do not.
    SIN_ERROR(otra.Open(base.cadena(QStringLiteral("cajero"), QStringLiteral("cajero"))));
}

TEST_P(Motores, LoteQueFallaAMitadNoDejaNada) {
    FALLA_CON(cn.Execute(QStringLiteral(
                  "BEGIN TRANSACTION \r\r\rINSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES "
                  "('50', 'NUEVO')\rINSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('1', "
                  "'DUPLICADO')\rCOMMIT TRANSACTION\r")),
              errores::ViolacionIntegridad);
    EXPECT_EQ(cn.Errors().Item(0).NativeError, 2627);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS WHERE IDBANCO = '50'")), 0);
    // The caller's ROLLBACK after the failure finds nothing to undo and says nothing.
    cn.Errors().Clear();
    SIN_ERROR(cn.Execute(QStringLiteral("ROLLBACK TRANSACTION")));
    EXPECT_EQ(cn.Errors().Count(), 0);

    // A batch that succeeds is committed by its own COMMIT.
    SIN_ERROR(
        cn.Execute(QStringLiteral("BEGIN TRANSACTION \rINSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES "
                                  "('51', 'UNO')\rINSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('52', "
                                  "'DOS')\rCOMMIT TRANSACTION")));
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS WHERE IDBANCO IN ('51','52')")), 2);
}

TEST_P(Motores, TransaccionesDeLaConexion) {
    cn.BeginTrans();
    cn.Execute(QStringLiteral("DELETE TA_CCOSTO WHERE CODIGO = '1'"));
    cn.RollbackTrans();
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_CCOSTO")), 4);
    cn.BeginTrans();
    cn.Execute(QStringLiteral("DELETE TA_CCOSTO WHERE CODIGO = '1'"));
    cn.CommitTrans();
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_CCOSTO")), 3);
}

TEST_F(Ado, DosConexionesEscribenElMismoArchivo) {
    Connection otra;
    otra.setCursorLocation(adUseClient);
    otra.Open(base.cadena(QStringLiteral("CAJERO"), QStringLiteral("cajero")));
    // One reads while the other writes; each sees the other's committed rows.
    Recordset abierto;
    abierto.Open(QStringLiteral("SELECT * FROM MA_CUENTAS"), otra);
    for (int i = 0; i < 20; ++i) {
        SIN_ERROR(cn.Execute(
            QStringLiteral("INSERT INTO TA_CCOSTO (CODIGO, DESCRIPCION) VALUES ('A%1', 'a')").arg(i)));
        SIN_ERROR(otra.Execute(
            QStringLiteral("INSERT INTO TA_CCOSTO (CODIGO, DESCRIPCION) VALUES ('B%1', 'b')").arg(i)));
    }
    Recordset rs;
    rs.Open(QStringLiteral("SELECT COUNT(*) FROM TA_CCOSTO"), otra);
    EXPECT_EQ(rs(0).Value().toInt(), 44);
    // A transaction of one holds the other back until it ends; the waiting side
    // gives up with the lock time-out instead of hanging.
    otra.setCommandTimeout(1);
    cn.BeginTrans();
    cn.Execute(QStringLiteral("UPDATE TA_CCOSTO SET DESCRIPCION = 'x' WHERE CODIGO = 'A1'"));
    FALLA_CON(otra.Execute(QStringLiteral("UPDATE TA_CCOSTO SET DESCRIPCION = 'y' WHERE CODIGO = 'B1'")),
              static_cast<int32_t>(0x80040E31));
    EXPECT_EQ(otra.Errors().Item(0).NativeError, 1222);
    cn.CommitTrans();
    SIN_ERROR(otra.Execute(QStringLiteral("UPDATE TA_CCOSTO SET DESCRIPCION = 'y' WHERE CODIGO = 'B1'")));
}

TEST_F(Ado, EsquemaDeTablasYColumnas) {
    auto tablas = cn.OpenSchema(adSchemaTables);
    bool usuarios = false, vista = false;
    while (!tablas->Eof()) {
        const QString n = (*tablas)(QStringLiteral("TABLE_NAME")).Value().toString();
        if (n == QLatin1String("ta_usuarios")) usuarios = true;
        if (n == QLatin1String("V_TA_QUENZAR"))
            vista = (*tablas)(QStringLiteral("TABLE_TYPE")).Value().toString() == QLatin1String("VIEW");
        tablas->MoveNext();
    }
    EXPECT_TRUE(usuarios);
    EXPECT_TRUE(vista);

    auto columnas =
        cn.OpenSchema(adSchemaColumns, {QStringLiteral("QUENZAR"), QVariant(), QStringLiteral("TA_BANCOS")});
    QStringList nombres;
    while (!columnas->Eof()) {
        nombres << (*columnas)(QStringLiteral("COLUMN_NAME")).Value().toString();
        if (nombres.last() == QLatin1String("IDBANCO")) {
            EXPECT_EQ((*columnas)(QStringLiteral("DATA_TYPE")).Value().toInt(), adVarChar);
            EXPECT_EQ((*columnas)(QStringLiteral("CHARACTER_MAXIMUM_LENGTH")).Value().toInt(), 3);
        }
        columnas->MoveNext();
    }
    EXPECT_EQ(nombres, (QStringList{QStringLiteral("IDBANCO"), QStringLiteral("DESCRIPCION"),
                                    QStringLiteral("CUIT"), QStringLiteral("ACTIVO")}));
    // Another catalog holds nothing.
    EXPECT_TRUE(
        cn.OpenSchema(adSchemaColumns, {QStringLiteral("OTRA"), QVariant(), QStringLiteral("TA_BANCOS")})
            ->Eof());
}

TEST_F(Ado, DefinicionesEnTiempoDeEjecucionControlanElLargo) {
    std::shared_ptr<Recordset> rs;
    SIN_ERROR(rs = cn.Execute(QStringLiteral("ALTER TABLE dbo.TA_BANCOS ADD SUCURSAL varchar(5) Null ")));
    EXPECT_EQ(rs->State(), adStateClosed) << "a definition returns no rows";
    FALLA_CON(cn.Execute(QStringLiteral("UPDATE TA_BANCOS SET SUCURSAL = '123456'")), errores::DesbordeDatos);
    SIN_ERROR(cn.Execute(QStringLiteral(
        "ALTER TABLE dbo.TA_BANCOS ADD ORDEN int Not Null  CONSTRAINT DF_TA_BANCOS_ORDEN DEFAULT (0)")));
    EXPECT_EQ(contar(QStringLiteral("SELECT SUM(ORDEN) FROM TA_BANCOS")), 0);
}

TEST_P(Motores, FuncionesDeSqlServer) {
    Recordset rs;
    rs.Open(
        QStringLiteral(
            "SELECT LEN('ab  '), CHARINDEX('C', 'abc'), ISNULL(NULL, 'x'), "
            "CONVERT(NVARCHAR, CONVERT(datetime, '09/12/2026', 103), 103), CONVERT(decimal(10,2), 2.345), "
            "getDate(), YEAR('2026-12-09')"),
        cn);
    EXPECT_EQ(rs(0).Value().toInt(), 2);
    EXPECT_EQ(rs(1).Value().toInt(), 3);
    EXPECT_EQ(rs(2).Value().toString(), QStringLiteral("x"));
    EXPECT_EQ(rs(3).Value().toString(), QStringLiteral("09/12/2026"));
    EXPECT_DOUBLE_EQ(rs(4).Value().toDouble(), 2.35);
    EXPECT_EQ(rs(5).Type(), adDBTimeStamp);
    EXPECT_EQ(rs(5).Value().toDateTime().date(), QDate::currentDate());
    EXPECT_EQ(rs(6).Value().toInt(), 2026);
}

// A column converted to decimal or numeric comes back typed as SQL Server types it.
TEST_F(Ado, ConversionADecimalTipaLaColumna) {
    Recordset rs;
    rs.Open(QStringLiteral("SELECT TOP 1 CONVERT(decimal(10,2), NUMERO_DESDE) AS D, CAST(NUMERO_HASTA AS "
                           "numeric(12)) H, CONVERT(NVARCHAR, SERIE) AS S, NUMERO_DESDE + 1 AS N FROM "
                           "VT_Chequeras ORDER BY ID"),
            cn);
    EXPECT_EQ(rs(0).Type(), adNumeric);
    EXPECT_EQ(rs(0).Precision(), 10);
    EXPECT_EQ(rs(0).NumericScale(), 2);
    EXPECT_EQ(rs(0).Name(), QStringLiteral("D"));
    EXPECT_DOUBLE_EQ(rs(0).Value().toDouble(), 1001.0);
    EXPECT_EQ(rs(1).Type(), adNumeric);
    EXPECT_EQ(rs(1).NumericScale(), 0);
    EXPECT_NE(rs(2).Type(), adNumeric);
    EXPECT_NE(rs(3).Type(), adNumeric);
    // "*" among the items leaves the engine's own types.
    Recordset todo;
    todo.Open(QStringLiteral("SELECT CONVERT(decimal(10,2), 1.5) AS X, * FROM V_TA_BANCOS"), cn);
    EXPECT_EQ(todo(1).Name(), QStringLiteral("IDBANCO"));
}

TEST_F(Ado, LaTrazaGuardaLoEscritoYLoRecibidoSinClaves) {
    QTemporaryDir dir;
    const QString ruta = dir.filePath(QStringLiteral("traza.txt"));
    qputenv("QUENZAR_TRAZA_SQL", ruta.toUtf8());
    Connection otra;
    otra.Open(base.cadena(QStringLiteral("CAJERO"), QStringLiteral("cajero")));
    otra.Execute(QStringLiteral("SELECT TOP 1 * FROM TA_BANCOS with(nolock)"));
    FALLA_CON(otra.Execute(QStringLiteral("SELECT X FROM TA_BANCOS")), errores::ErrorEnComando);
    qunsetenv("QUENZAR_TRAZA_SQL");
    QFile f(ruta);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString t = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(t.contains(QStringLiteral("escrita:  SELECT TOP 1 * FROM TA_BANCOS with(nolock)")))
        << t.toStdString();
    EXPECT_TRUE(t.contains(
        QRegularExpression(QStringLiteral("recibida: SELECT +\\* FROM TA_BANCOS +ORDER BY rowid LIMIT 1"))))
        << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("ERROR 207"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("Pwd=****"))) << t.toStdString();
    EXPECT_FALSE(t.contains(QStringLiteral("cajero;"))) << t.toStdString();
}

// A password is hidden where it is a value, and only there: "admin" in an
// ordinary message and a year that is someone's password stay as they are.
TEST(Claves, SeOcultanDondeSonUnValorYSoloAlli) {
    struct Caso {
        const char *texto, *esperado;
    } casos[] = {
        {"PROVIDER=SQLOLEDB;Server=S;Database =D;UId=U;Pwd=admin;",
         "PROVIDER=SQLOLEDB;Server=S;Database =D;UId=U;Pwd=****;"},
        {"@Server=SQLITE;@Usuario=ADMIN;@Password=2024;@Caja=1;",
         "@Server=SQLITE;@Usuario=ADMIN;@Password=****;@Caja=1;"},
        {"Jet OLEDB:Database Password=x y;", "Jet OLEDB:Database Password=****;"},
        {"CREATE LOGIN ANA WITH PASSWORD = 'a;b''c', CHECK_POLICY = OFF",
         "CREATE LOGIN ANA WITH PASSWORD = ****, CHECK_POLICY = OFF"},
        {"CREATE ROLE \"ANA\" LOGIN PASSWORD 'secreta'", "CREATE ROLE \"ANA\" LOGIN PASSWORD ****"},
        {"ALTER USER ana IDENTIFIED BY secreta", "ALTER USER ana IDENTIFIED BY ****"},
        {"terminating connection due to administrator command",
         "terminating connection due to administrator command"},
        {"10-12-2024 12:00:00 Rutina: - Cfg", "10-12-2024 12:00:00 Rutina: - Cfg"},
        {"VERIFIQUE EL NOMBRE DE USUARIO Y PASSWORD INGRESADO",
         "VERIFIQUE EL NOMBRE DE USUARIO Y PASSWORD INGRESADO"},
        {"password authentication failed for user \"ADMIN\"",
         "password authentication failed for user \"ADMIN\""},
    };
    // The passwords in use do not change what is masked.
    Connection cn;
    prueba::BaseTemporal base;
    cn.Open(base.cadena(QStringLiteral("ADMIN"), QStringLiteral("admin")));
    for (const Caso& c : casos)
        EXPECT_EQ(traza::enmascarar(QString::fromUtf8(c.texto)).toStdString(), std::string(c.esperado));
}

TEST(AdoJet, ElProveedorJetAbreUnArchivoYSeñalaElQueFalta) {
    prueba::BaseTemporal base;
    Connection cn;
    SIN_ERROR(
        cn.Open(QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source =%1;User Id=Admin;Password=;")
                    .arg(base.ruta())));
    auto rs = cn.Execute(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS WHERE IDBANCO = '1'"));
    EXPECT_EQ((*rs)(0).Value().toInt(), 1);
    Connection falta;
    FALLA_CON(falta.Open(QStringLiteral(
                  "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source =/no/existe.mdb;User Id=Admin;Password=;")),
              errores::FalloGeneral);
    EXPECT_EQ(falta.Errors().Item(0).SQLState, QStringLiteral("3024"));
}

} // namespace
