// Queries and recordsets (2.3) with the connection-loss recovery, text
// rewriting (2.6) and the one-row lookups (2.7).

#include "data/Lectura.h"
#include "tests/soporte/Sesion.h"

using datos::gDB;
namespace errores = plataforma::errores;

namespace {

const QString kPerdida = QStringLiteral("Se perdio la conexion con la base de datos QUENZAR");

class Consultas : public prueba::Sesion {
protected:
    void SetUp() override { abrir(); }
};

TEST_F(Consultas, AbrirRecordsetCierraElAbiertoYDevuelveElTextoReescrito) {
    ado::Recordset rs;
    QString sql = QStringLiteral("SELECT * FROM V_TA_BANCOS WHERE IDBANCO = '1'");
    gDB().AbrirRecordset(sql, rs);
    ASSERT_EQ(rs.State(), ado::adStateOpen);
    QString otra = QStringLiteral("SELECT CODIGO FROM @Admin_MA_CUENTAS WHERE CODIGO = '1'");
    gDB().AbrirRecordset(otra, rs);
    EXPECT_EQ(otra, QStringLiteral("SELECT CODIGO FROM MA_CUENTAS WHERE CODIGO = '1'"));
    EXPECT_EQ(rs(0).Value().toString(), QStringLiteral("1"));
    gDB().CierraRecordset(rs);
    EXPECT_EQ(rs.State(), ado::adStateClosed);
    gDB().CierraRecordset(rs); // closed: nothing happens
}

TEST_F(Consultas, CierraRecordsetConEdicionPendiente) {
    ado::Recordset rs;
    QString sql = QStringLiteral("SELECT * FROM TA_CCOSTO");
    gDB().AbrirRecordset(sql, rs, nullptr, ado::adOpenDynamic, ado::adLockOptimistic);
    rs.AddNew();
    rs(QStringLiteral("CODIGO")).setValue(QStringLiteral("Z"));
    gDB().CierraRecordset(rs);
    EXPECT_EQ(rs.State(), ado::adStateClosed);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_CCOSTO WHERE CODIGO = 'Z'")), 0);
}

TEST_F(Consultas, AbrirRecordsetConSentenciaErroneaPasaPorElTratamiento) {
    ado::Recordset rs;
    QString sql = QStringLiteral("SELECT NO_EXISTE FROM TA_BANCOS");
    guion->responder(ui::vbAbort, QStringLiteral("Ha ocurrido el Siguiente Error (-2147217900)"));
    gDB().AbrirRecordset(sql, rs);
    EXPECT_EQ(rs.State(), ado::adStateClosed);
    EXPECT_EQ(guion->mensajes.back().titulo.right(42),
              QStringLiteral("- AbrirRecordset Aviso al operador!!! - 5 "));
}

// A page of the list is read without a window: headers, texts as the list
// shows them, which columns line up on the right; a statement naming a column
// the source lacks falls back on the plain one.
TEST_F(Consultas, UnaPaginaSeLeeSinVentana) {
    const datos::PaginaLeida p = datos::leerPagina(
        gDB(),
        QStringLiteral("SELECT IDBANCO, 12.5 AS IMPORTE, CONVERT(datetime, '05/03/2024', 103) AS F, "
                       "CONVERT(bit, 1) AS SI FROM TA_BANCOS WHERE IDBANCO = '1'"),
        QString());
    ASSERT_TRUE(p.abierta);
    ASSERT_EQ(p.columnas.size(), 4);
    EXPECT_EQ(p.columnas[1].nombre, QStringLiteral("IMPORTE"));
    EXPECT_FALSE(p.columnas[0].alDerecha);
    EXPECT_TRUE(p.columnas[1].alDerecha);
    EXPECT_FALSE(p.columnas[3].alDerecha);
    ASSERT_EQ(p.filas.size(), 1);
    EXPECT_EQ(p.filas[0], (QStringList{QStringLiteral("1"), QStringLiteral("12.5"),
                                       QStringLiteral("05/03/2024"), QStringLiteral("1")}));

    guion->responder(ui::vbAbort, QStringLiteral("Ha ocurrido el Siguiente Error"));
    const datos::PaginaLeida q =
        datos::leerPagina(gDB(), QStringLiteral("SELECT NO_EXISTE FROM TA_BANCOS"),
                          QStringLiteral("SELECT IDBANCO FROM TA_BANCOS WHERE IDBANCO = '1'"));
    ASSERT_EQ(q.filas.size(), 1);
    EXPECT_EQ(q.columnas[0].nombre, QStringLiteral("IDBANCO"));
}

TEST_F(Consultas, EjecutaConsultaSQLQuitaLaMarcaYNoAplicaSinonimos) {
    prueba::Registro r;
    gDB().gEsAdmin = false;
    datos::gConfidencialidad() = true;
    QString sql = QStringLiteral("UPDATE @Admin_MA_CUENTAS SET TipoVista = 'BC' WHERE CODIGO = '11102001'");
    qint64 n = 0;
    gDB().EjecutaConsultaSQL(sql, &n);
    EXPECT_EQ(r.sentencias.last(),
              QStringLiteral("UPDATE MA_CUENTAS SET TipoVista = 'BC' WHERE CODIGO = '11102001'"));
    EXPECT_EQ(n, 1);
    // CREATE and DROP without DELETE: synonyms apply.
    QString ddl = QStringLiteral("CREATE VIEW VX AS SELECT * FROM MA_CUENTAS WHERE 1=0 -- DROP");
    gDB().EjecutaConsultaSQL(ddl);
    EXPECT_EQ(ddl, QStringLiteral("CREATE VIEW VX AS SELECT * FROM SS_MA_CUENTAS WHERE 1=0 -- DROP"));
}

TEST_F(Consultas, TruncamientoSoloSeLimpiaOtrosErroresQuedan) {
    QString largo = QStringLiteral("UPDATE TA_BANCOS SET IDBANCO = '12345' WHERE IDBANCO = '12'");
    gDB().EjecutaConsultaSQL(largo);
    EXPECT_EQ(gDB().gCnn().Errors().Count(), 0);
    QString duplicado = QStringLiteral("INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('1', 'X')");
    gDB().EjecutaConsultaSQL(duplicado);
    ASSERT_GE(gDB().gCnn().Errors().Count(), 1);
    EXPECT_EQ(gDB().gCnn().Errors().Item(0).NativeError, 2627);
    EXPECT_TRUE(guion->mensajes.empty());
}

TEST_F(Consultas, EjecutaConsultaRSQLAvisaSoloFallosAjenosAlProveedor) {
    QString duplicado = QStringLiteral("INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('1', 'X')");
    gDB().EjecutaConsultaRSQL(duplicado);
    EXPECT_TRUE(guion->mensajes.empty());
    QString conversion = QStringLiteral("UPDATE TA_QUENZAR SET NUMERO_DESDE = 'mil' WHERE ID = 1");
    guion->responder(ui::vbOK, QStringLiteral("conversión"));
    gDB().EjecutaConsultaRSQL(conversion);
    ASSERT_EQ(guion->mensajes.size(), 1u);
    EXPECT_EQ(guion->mensajes[0].titulo, QStringLiteral("Aviso al operador!!!"));
    EXPECT_EQ(guion->mensajes[0].estilo, ui::vbCritical);
}

// ---- connection loss

TEST_F(Consultas, EjecutaConsultaSQLRepiteDosVecesSiLaReconexionFunciona) {
    prueba::Registro r;
    int ejecuciones = 0;
    r.alEjecutar = [&](const QString& s) {
        if (s.startsWith(QLatin1String("UPDATE"))) {
            ++ejecuciones;
            desconectar();
        }
    };
    r.alAbrir = [&](int) { reconectar(); };
    QString sql = QStringLiteral("UPDATE TA_CCOSTO SET DESCRIPCION = 'x' WHERE CODIGO = '1'");
    gDB().EjecutaConsultaSQL(sql);
    EXPECT_EQ(ejecuciones, 3) << "the statement and two repetitions";
    EXPECT_EQ(r.aperturas, 3);
    EXPECT_TRUE(guion->mensajes.empty());
    EXPECT_EQ(gDB().gCnn().Errors().Item(0).NativeError, 11) << "the caller learns of it from Errors";
}

TEST_F(Consultas, EjecutaConsultaSQLPreguntaTrasCuatroReaperturas) {
    prueba::Registro r;
    desconectar();
    guion->responderCon([&](const prueba::Mensaje& m) {
        EXPECT_TRUE(m.texto.contains(kPerdida));
        EXPECT_EQ(m.titulo, QStringLiteral("AVISO AL OPERADOR"));
        EXPECT_EQ(r.aperturas, 4);
        reconectar();
        return int(ui::vbYes);
    });
    QString sql = QStringLiteral("UPDATE TA_CCOSTO SET DESCRIPCION = 'recuperado' WHERE CODIGO = '1'");
    gDB().EjecutaConsultaSQL(sql);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_CCOSTO WHERE DESCRIPCION = 'recuperado'")), 1);
    ASSERT_EQ(guion->mensajes.size(), 1u);
    EXPECT_EQ(guion->mensajes[0].texto,
              QStringLiteral(
                  "\r\n\r\n\r\nSe perdio la conexion con la base de datos QUENZAR\r\n Servidor SQLITE\r\n\r\n"
                  "Elija SI para reintentar conectarse\r\nElija NO para cerrar la aplicacion\r\n\r\n\r\n"));
}

TEST_F(Consultas, ConTransaccionNoHayReconexionNiMensaje) {
    prueba::Registro r;
    desconectar();
    QString sql = QStringLiteral("COMMIT TRANSACTION");
    gDB().EjecutaConsultaSQL(sql);
    EXPECT_EQ(r.aperturas, 0);
    EXPECT_EQ(gDB().gCnn().Errors().Item(0).NativeError, 11);
}

TEST_F(Consultas, AbrirRecordsetReconectadoVaAlTratamientoDeErrores) {
    prueba::Registro r;
    r.alEjecutar = [&](const QString&) { desconectar(); };
    r.alAbrir = [&](int) { reconectar(); };
    guion->responder(ui::vbAbort, QStringLiteral("Ha ocurrido el Siguiente Error"));
    ado::Recordset rs;
    QString sql = QStringLiteral("SELECT * FROM TA_CCOSTO");
    gDB().AbrirRecordset(sql, rs);
    EXPECT_EQ(r.aperturas, 1);
    EXPECT_EQ(r.sentencias.size(), 1);
}

TEST_F(Consultas, AbrirRecordsetSinServidorPreguntaTrasDosYNoTermina) {
    prueba::Registro r;
    desconectar();
    guion->responderCon([&](const prueba::Mensaje& m) {
        EXPECT_TRUE(m.texto.contains(kPerdida));
        EXPECT_EQ(r.aperturas, 2);
        return int(ui::vbNo);
    });
    ado::Recordset rs;
    QString sql = QStringLiteral("SELECT * FROM TA_CCOSTO");
    EXPECT_THROW(gDB().AbrirRecordset(sql, rs), prueba::ProgramaTerminado);
}

TEST_F(Consultas, BusquedasPreguntanTrasDosReaperturas) {
    // The connection is lost before the look-up; the question comes after two re-opens and YES goes on.
    auto trasPerderla = [&](const std::function<void()>& busqueda) {
        prueba::Registro r;
        desconectar();
        guion->responderCon([&](const prueba::Mensaje&) {
            EXPECT_EQ(r.aperturas, 2);
            reconectar();
            return int(ui::vbYes);
        });
        busqueda();
    };
    trasPerderla([] {
        EXPECT_TRUE(gDB().ExisteEnTabla(QStringLiteral("V_TA_BANCOS"), QStringLiteral("5"),
                                        QStringLiteral("IDBANCO")));
    });
    // DatosTabla reads through AbrirRecordset, whose own recovery meets the loss first.
    trasPerderla([] {
        EXPECT_EQ(gDB().DatosTabla(QStringLiteral("V_TA_BANCOS"), QStringLiteral("5"),
                                   QStringLiteral("DESCRIPCION"), QStringLiteral("IDBANCO")),
                  QVariant(QStringLiteral("BANCO MACRO")));
    });
}

// ---- lookups

TEST_F(Consultas, SentenciasDeLasBusquedas) {
    prueba::Registro r;
    auto& db = gDB();
    EXPECT_TRUE(db.ExisteEnTabla(QStringLiteral("MA_CUENTAS"), QStringLiteral(" 11102001 ")));
    EXPECT_EQ(r.sentencias.last(),
              QStringLiteral(
                  "SELECT TOP 1  * FROM MA_CUENTAS with(nolock)  WHERE LTRIM(RTRIM(Codigo)) ='11102001'"));
    EXPECT_TRUE(db.ExisteEnTabla(QStringLiteral("TA_QUENZAR"), QStringLiteral("12abc"),
                                 QStringLiteral("TALONARIO"), nullptr, 3));
    EXPECT_EQ(r.sentencias.last(),
              QStringLiteral("SELECT TOP 1 * FROM TA_QUENZAR with(nolock)  WHERE TALONARIO = 12"));
    db.ExisteEnTabla(QStringLiteral("TA_QUENZAR"), QStringLiteral("abc"), QStringLiteral("TALONARIO"),
                     nullptr, 3);
    EXPECT_EQ(r.sentencias.last(),
              QStringLiteral("SELECT TOP 1 * FROM TA_QUENZAR with(nolock)  WHERE TALONARIO = 0"));
    EXPECT_TRUE(db.ExisteEnTabla(QStringLiteral("TA_QUENZAR"), QString(), QStringLiteral("x"), nullptr, 8,
                                 QStringLiteral("IDBANCO = '1'")));
    EXPECT_EQ(r.sentencias.last(),
              QStringLiteral("SELECT TOP 1 * FROM TA_QUENZAR with(nolock)  WHERE IDBANCO = '1'"));
    db.ExisteEnTabla(QStringLiteral("TA_QUENZAR"), QString(), QStringLiteral("x"), nullptr, 8,
                     QStringLiteral("X WHERE IDBANCO = '1'"));
    EXPECT_EQ(r.sentencias.last(),
              QStringLiteral("SELECT TOP 1 * FROM TA_QUENZAR with(nolock)  X WHERE IDBANCO = '1'"));

    EXPECT_EQ(db.DatosTabla(QStringLiteral("ta_usuarios"), QStringLiteral("ADMIN"),
                            QStringLiteral("Administrador"), QStringLiteral("nombre")),
              QVariant(QStringLiteral("1")));
    EXPECT_EQ(
        r.sentencias.last(),
        QStringLiteral("SELECT TOP 1 * FROM ta_usuarios with(nolock)  WHERE LTRIM(RTRIM(nombre)) ='ADMIN' "));
    EXPECT_EQ(db.DatosTabla(QStringLiteral("ta_usuarios"), QStringLiteral("NADIE"),
                            QStringLiteral("Administrador"), QStringLiteral("nombre")),
              QVariant(QString()));
    EXPECT_EQ(db.DatosTabla(QStringLiteral("TA_BANCOS"), QStringLiteral("1"), QStringLiteral("CUIT"),
                            QStringLiteral("IDBANCO"), 8, QStringLiteral("ACTIVO = 1")),
              QVariant(QStringLiteral("30500010912")));
    EXPECT_EQ(
        r.sentencias.last(),
        QStringLiteral(
            "SELECT TOP 1 * FROM TA_BANCOS with(nolock)  WHERE LTRIM(RTRIM(IDBANCO)) ='1'  AND ACTIVO = 1"));

    EXPECT_TRUE(
        db.ExisteEnTablaST(QStringLiteral("TA_BANCOS"), QStringLiteral("1"), QStringLiteral("IDBANCO")));
    EXPECT_EQ(r.sentencias.last(),
              QStringLiteral("SELECT * FROM TA_BANCOS with(nolock)   WHERE IDBANCO ='1'"));
    EXPECT_DOUBLE_EQ(db.BuscaMaximo(QStringLiteral("TA_QUENZAR"), QStringLiteral("NUMERO_HASTA")).toDouble(),
                     1100);
    EXPECT_DOUBLE_EQ(db.BuscaMinimo(QStringLiteral("TA_QUENZAR"), QStringLiteral("NUMERO_DESDE"), {},
                                    QStringLiteral("IDBANCO = '2'"))
                         .toDouble(),
                     1001);
    EXPECT_EQ(r.sentencias.last(),
              QStringLiteral(
                  "SELECT MIN(NUMERO_DESDE) AS MENOR FROM TA_QUENZAR  with(nolock)  WHERE IDBANCO = '2'"));
    EXPECT_DOUBLE_EQ(db.BuscaUltimoCodigo(QStringLiteral("TA_QUENZAR"), QStringLiteral("ID")).toDouble(), 36);
}

TEST_F(Consultas, BusquedasConApostrofeEncuentranSuFila) {
    gDB().gCnn().Execute(
        QStringLiteral("INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('O''B', 'BANCO O''BRIEN')"));
    ado::Recordset rs;
    EXPECT_TRUE(gDB().ExisteEnTabla(QStringLiteral("V_TA_BANCOS"), QStringLiteral("O'B"),
                                    QStringLiteral("IDBANCO"), &rs));
    EXPECT_EQ(rs(QStringLiteral("DESCRIPCION")).Value().toString(), QStringLiteral("BANCO O'BRIEN"));
    EXPECT_EQ(gDB().DatosTabla(QStringLiteral("TA_BANCOS"), QStringLiteral("BANCO O'BRIEN"),
                               QStringLiteral("IDBANCO"), QStringLiteral("DESCRIPCION")),
              QVariant(QStringLiteral("O'B")));
    EXPECT_TRUE(
        gDB().ExisteEnTablaST(QStringLiteral("TA_BANCOS"), QStringLiteral("O'B"), QStringLiteral("IDBANCO")));
    // An apostrophe cannot end the literal and change the statement.
    EXPECT_FALSE(gDB().ExisteEnTabla(QStringLiteral("TA_BANCOS"), QStringLiteral("x' OR '1'='1"),
                                     QStringLiteral("IDBANCO")));
    EXPECT_TRUE(guion->mensajes.empty());
}

// ---- rewriting

struct CasoSinonimo {
    const char* entrada;
    bool admin;
    bool confidencial;
    const char* salida;
};

TEST_F(Consultas, SinonimosConfidenciales) {
    const CasoSinonimo casos[] = {
        {"SELECT * FROM MA_CUENTAS WHERE Codigo = 1", false, true,
         "SELECT * FROM SS_MA_CUENTAS WHERE Codigo = 1"},
        {"SELECT * FROM @Admin_MA_CUENTAS WHERE Codigo = 1", false, true,
         "SELECT * FROM MA_CUENTAS WHERE Codigo = 1"},
        {"SELECT * FROM MA_CUENTAS", false, true, "SELECT * FROM MA_CUENTAS"},
        {"SELECT ma_cuentas.Codigo FROM (ma_cuentas INNER JOIN X ON X.A = MA_CUENTAS.B)", false, true,
         "SELECT SS_MA_CUENTAS.Codigo FROM (SS_MA_CUENTAS INNER JOIN X ON X.A = SS_MA_CUENTAS.B)"},
        {"SELECT * FROM MV_ASIENTOS A, MA_CUENTAS C WHERE 1=1 AND @Admin_X = 1", false, false,
         "SELECT * FROM MV_ASIENTOS A, MA_CUENTAS C WHERE 1=1 AND X = 1"},
        {"SELECT * FROM MA_CUENTAS WHERE 1=1", false, false, "SELECT * FROM SS_MA_CUENTAS WHERE 1=1"},
        {"SELECT * FROM MA_CUENTAS WHERE 1=1 AND @Admin_Y=2", true, true,
         "SELECT * FROM MA_CUENTAS WHERE 1=1 AND Y=2"},
        {"SELECT * FROM V_TA_CAJAS ,AC_CUENTASDIARIO_CCOSTO.X", false, true,
         "SELECT * FROM SS_V_TA_CAJAS ,SS_AC_CUENTAS_DIARIO_CCOSTO.X"},
        {"SELECT {MA_CUENTAS.Codigo}", false, true, "SELECT {SS_MA_CUENTAS.Codigo}"},
    };
    for (const auto& c : casos) {
        gDB().gEsAdmin = c.admin;
        datos::gConfidencialidad() = c.confidencial;
        EXPECT_EQ(gDB().SS_TSinonimos(QString::fromUtf8(c.entrada)).toStdString(), std::string(c.salida))
            << c.entrada;
    }
}

TEST_F(Consultas, DialectoOracle) {
    auto& db = gDB();
    const QString anterior = db.gConnString;
    EXPECT_EQ(db.ORACLE_Dicc(QStringLiteral("select top 10 * from T")),
              QStringLiteral("select top 10 * from T"));
    db.gConnString = QStringLiteral("Provider=OraOLEDB.Oracle.1;Data Source=ORCL;User Id=A;Password=;");
    struct {
        const char* entrada;
        const char* salida;
    } casos[] = {
        {"select top 10 * from T where a=1 order by b",
         "select  * from T where a=1    AND ROWNUM <= 10  order by b"},
        {"SELECT * FROM T WHERE F = '2024-03-05'",
         "SELECT * FROM T WHERE F = TO_DATE('05/03/2024','DD/MM/YYYY')"},
        {"SELECT * FROM T WHERE F = 'abc'", "SELECT * FROM T WHERE F = 'abc'"},
        {"SELECT CONVERT(NVARCHAR,F,103), ISNULL(a,0) FROM T",
         "SELECT TO_CHAR(F,'DD/MM/YYYY'), NVL(a,0) FROM T"},
        {"SELECT * FROM T WHERE a = ''", "SELECT * FROM T WHERE a  IS NULL "},
        {"len", "LENGTH"},
        {"SELECT [X], LEN (b), Charindex('a', b), SUBSTRING(b,1,2) FROM T",
         "SELECT \"X\", LENGTH(b), InStr('a', b), SUBSTR(b,1,2) FROM T"},
        {"SELECT * FROM T WHERE a = 'sin cierre", "SELECT * FROM T WHERE a = 'sin cierre"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(db.ORACLE_Dicc(QString::fromUtf8(c.entrada)).toStdString(), std::string(c.salida))
            << c.entrada;
    db.gConnString = anterior;
}

TEST_F(Consultas, GuionOracleUnaSentenciaPorVez) {
    // An embedded session whose connection string names Oracle runs scripts
    // statement by statement, as on Oracle.
    auto& db = gDB();
    db.gCnn().Close();
    db.gCnn().Open(base.cadena() + QStringLiteral("Application Name=ORACLE;"));
    prueba::Registro r;
    QString guionOracle = QStringLiteral("BEGIN TRANSACTION INSERT INTO TA_CCOSTO (CODIGO) VALUES ('O1') "
                                         "INSERT INTO TA_CCOSTO (CODIGO) VALUES ('O2') COMMIT TRANSACTION");
    qint64 n = 0;
    db.EjecutaConsultaSQL(guionOracle, &n);
    EXPECT_EQ(r.sentencias, (QStringList{QStringLiteral("BEGIN TRANSACTION"),
                                         QStringLiteral("INSERT INTO TA_CCOSTO (CODIGO) VALUES ('O1')"),
                                         QStringLiteral("INSERT INTO TA_CCOSTO (CODIGO) VALUES ('O2')"),
                                         QStringLiteral("COMMIT TRANSACTION")}));
    EXPECT_EQ(n, 2);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_CCOSTO WHERE CODIGO LIKE 'O%'")), 2);
}

} // namespace
