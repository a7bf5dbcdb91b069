// The ODBC engine, exercised for real through the SQLite ODBC driver in place
// of FreeTDS (no SQL Server runs here), and its mapping of the provider
// connection strings to ODBC keywords.

#include "platform/ado/Ado.h"
#include "platform/ado/MotorOracle.h"
#include "platform/ado/MotorSqlServer.h"
#include "tests/soporte/Base.h"

#include <gtest/gtest.h>

using namespace ado;
namespace errores = plataforma::errores;

namespace {

class VariableEntorno {
public:
    VariableEntorno(const char* nombre, const QByteArray& valor)
        : mNombre(nombre)
        , mAnterior(qgetenv(nombre))
        , mHabia(qEnvironmentVariableIsSet(nombre)) {
        qputenv(nombre, valor);
    }
    ~VariableEntorno() {
        if (mHabia)
            qputenv(mNombre, mAnterior);
        else
            qunsetenv(mNombre);
    }

private:
    const char* mNombre;
    QByteArray mAnterior;
    bool mHabia;
};

TEST(CadenaOdbc, SqlServerConFreeTdsPorDefecto) {
    VariableEntorno d("QUENZAR_ODBC_SQLSERVER", "");
    VariableEntorno e("QUENZAR_ODBC_SQLSERVER_EXTRA", "");
    EXPECT_EQ(
        MotorSqlServer().cadenaOdbc(
            QStringLiteral("PROVIDER=SQLOLEDB;Server=SRV1\\INST2;Database =EMPRESA;UId=ANA;Pwd=;")),
        QStringLiteral("DRIVER={FreeTDS};SERVER=SRV1\\INST2;DATABASE=EMPRESA;UID=ANA;PWD=;TDS_Version=auto;"
                       "ClientCharset=UTF-8;"));
    EXPECT_EQ(MotorSqlServer().cadenaOdbc(QStringLiteral(
                  "PROVIDER=SQLOLEDB;Server=srv.empresa:1433;Database =EMPRESA;UId=ANA;Pwd=a;b;")),
              QStringLiteral("DRIVER={FreeTDS};SERVER=srv.empresa;PORT=1433;DATABASE=EMPRESA;UID=ANA;PWD=a;"
                             "TDS_Version=auto;ClientCharset=UTF-8;"));
    // A password with a semicolon, given apart from the string, is wrapped as ODBC asks.
    EXPECT_EQ(
        MotorSqlServer().cadenaOdbc(QStringLiteral("PROVIDER=SQLOLEDB;Server=SRV;Database =E;UId=ANA;Pwd=;"),
                                    QString(), QStringLiteral("x;y}")),
        QStringLiteral("DRIVER={FreeTDS};SERVER=SRV;DATABASE=E;UID=ANA;PWD={x;y}}};TDS_Version=auto;"
                       "ClientCharset=UTF-8;"));
}

TEST(CadenaOdbc, ConfigurableYOracle) {
    VariableEntorno d("QUENZAR_ODBC_SQLSERVER", "ODBC Driver 18 for SQL Server");
    VariableEntorno e("QUENZAR_ODBC_SQLSERVER_EXTRA", "Encrypt=no;");
    EXPECT_EQ(
        MotorSqlServer().cadenaOdbc(QStringLiteral("PROVIDER=SQLOLEDB;Server=SRV;Database =E;UId=U;Pwd=P;")),
        QStringLiteral(
            "DRIVER={ODBC Driver 18 for SQL Server};SERVER=SRV;DATABASE=E;UID=U;PWD=P;Encrypt=no;"));
    VariableEntorno o("QUENZAR_ODBC_ORACLE", "");
    EXPECT_EQ(MotorOracle().cadenaOdbc(
                  QStringLiteral("Provider=OraOLEDB.Oracle.1;Data Source=ORCL;User Id=ANA;Password=x;")),
              QStringLiteral("DRIVER={Oracle};DBQ=ORCL;UID=ANA;PWD=x;"));
    // The engine is chosen from the provider string.
    EXPECT_EQ(crearMotor(QStringLiteral("Provider=OraOLEDB.Oracle.1;Data Source=ORCL;User Id=A;Password=;"))
                  ->proveedor(),
              QStringLiteral("OraOLEDB.Oracle.1"));
    EXPECT_EQ(
        crearMotor(QStringLiteral("PROVIDER=SQLOLEDB;Server=sqlite;Database =Q;UId=A;Pwd=;"))->proveedor(),
        QStringLiteral("SQLOLEDB.1"));
}

// Each engine says how a range check keeps other savers off: a locking read
// where the server has one, a table lock where reads take no range locks.
TEST(CadenaOdbc, CadaMotorDiceComoSeBloqueaUnaComprobacion) {
    struct Caso {
        const char* cadena;
        const char* bloqueo;
        const char* pista;
    };
    const Caso casos[] = {
        {"PROVIDER=SQLOLEDB;Server=sqlite;Database =Q;UId=A;Pwd=;", "", " WITH (UPDLOCK, HOLDLOCK)"},
        {"PROVIDER=SQLOLEDB;Server=SRV;Database =Q;UId=A;Pwd=;", "", " WITH (UPDLOCK, HOLDLOCK)"},
        {"Provider=OraOLEDB.Oracle.1;Data Source=ORCL;User Id=A;Password=;",
         "LOCK TABLE TA_QUENZAR IN SHARE ROW EXCLUSIVE MODE", ""},
        {"PROVIDER=SQLOLEDB;Server=PG:127.0.0.1:5432;Database =Q;UId=A;Pwd=;",
         "LOCK TABLE TA_QUENZAR IN SHARE ROW EXCLUSIVE MODE", ""},
    };
    for (const Caso& c : casos) {
        Connection cn;
        cn.setConnectionString(QString::fromLatin1(c.cadena));
        EXPECT_EQ(cn.bloqueoParaComprobar(QStringLiteral("TA_QUENZAR")), QLatin1String(c.bloqueo))
            << c.cadena;
        EXPECT_EQ(cn.pistaLecturaBloqueante(), QLatin1String(c.pista)) << c.cadena;
    }
}

// SQL Server sessions driven through the SQLite ODBC driver.
class Odbc : public ::testing::Test {
protected:
    Odbc()
        : mDriver("QUENZAR_ODBC_SQLSERVER", "SQLite3")
        , mExtra("QUENZAR_ODBC_SQLSERVER_EXTRA", "") {}
    void SetUp() override {
        cn.setCursorLocation(adUseClient);
        SIN_ERROR(cn.Open(cadena()));
    }
    QString cadena() const {
        return QStringLiteral("PROVIDER=SQLOLEDB;Server=SRV1\\INST;Database =%1;UId=ADMIN;Pwd=admin;")
            .arg(base.ruta());
    }
    VariableEntorno mDriver, mExtra;
    prueba::BaseTemporal base;
    Connection cn;
};

TEST_F(Odbc, ConsultaTiposYTamanos) {
    Recordset rs;
    SIN_ERROR(rs.Open(
        QStringLiteral("SELECT IDBANCO, DESCRIPCION, ACTIVO FROM TA_BANCOS ORDER BY DESCRIPCION"), cn));
    EXPECT_EQ(rs.RecordCount(), 12);
    EXPECT_EQ(rs(QStringLiteral("DESCRIPCION")).Value().toString(), QStringLiteral("BANCO BBVA"));
    EXPECT_TRUE(esTipoTexto(rs(QStringLiteral("IDBANCO")).Type()));
    EXPECT_EQ(rs(QStringLiteral("IDBANCO")).DefinedSize(), 3);
    EXPECT_EQ(rs(QStringLiteral("DESCRIPCION")).DefinedSize(), 50);
    rs.Close();

    SIN_ERROR(rs.Open(QStringLiteral("SELECT TALONARIO, NUMERO_DESDE FROM TA_QUENZAR WHERE ID = 1"), cn));
    EXPECT_EQ(rs(QStringLiteral("TALONARIO")).Type(), adInteger);
    EXPECT_EQ(rs(QStringLiteral("TALONARIO")).Value().toInt(), 1);
    EXPECT_TRUE(esTipoNumerico(rs(QStringLiteral("NUMERO_DESDE")).Type()));
    EXPECT_DOUBLE_EQ(rs(QStringLiteral("NUMERO_DESDE")).Value().toDouble(), 1001);
}

TEST_F(Odbc, FilasAfectadas) {
    qint64 n = -1;
    SIN_ERROR(
        cn.Execute(QStringLiteral("UPDATE MA_CUENTAS SET TipoVista = 'BC' WHERE CODIGO LIKE '21103%'"), &n));
    EXPECT_EQ(n, 10);
    SIN_ERROR(cn.Execute(QStringLiteral("DELETE FROM TA_CCOSTO WHERE CODIGO = 'NADA'"), &n));
    EXPECT_EQ(n, 0);
    auto rs = cn.Execute(QStringLiteral("SELECT COUNT(*) FROM TA_CCOSTO"), &n);
    ASSERT_EQ(rs->State(), adStateOpen);
    EXPECT_EQ((*rs)(0).Value().toInt(), 4);
}

TEST_F(Odbc, DiagnosticosDelControlador) {
    // The driver's own state and native number reach Errors (SQLite's driver
    // reports a constraint as HY000 with SQLite's code 19).
    EXPECT_THROW(cn.Execute(QStringLiteral("INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('1', 'X')")),
                 plataforma::ErrorEjecucion);
    ASSERT_GE(cn.Errors().Count(), 1);
    EXPECT_EQ(cn.Errors().Item(0).NativeError, 19);
    EXPECT_EQ(cn.Errors().Item(0).SQLState.size(), 5);
    EXPECT_TRUE(cn.Errors().Item(0).Description.contains(QStringLiteral("UNIQUE constraint failed")))
        << cn.Errors().Item(0).Description.toStdString();
    EXPECT_THROW(cn.Execute(QStringLiteral("SELECT * FROM NO_EXISTE")), plataforma::ErrorEjecucion);
    ASSERT_GE(cn.Errors().Count(), 1);
    EXPECT_TRUE(cn.Errors().Item(0).Description.contains(QStringLiteral("NO_EXISTE")))
        << cn.Errors().Item(0).Description.toStdString();
}

TEST_F(Odbc, EscrituraDeUnRecordset) {
    Recordset rs;
    SIN_ERROR(rs.Open(QStringLiteral("SELECT * FROM TA_CCOSTO WHERE CODIGO = '2'"), cn, adOpenDynamic,
                      adLockOptimistic));
    ASSERT_FALSE(rs.Eof());
    rs(QStringLiteral("DESCRIPCION")).setValue(QStringLiteral("VENTAS"));
    SIN_ERROR(rs.Update());
    rs.AddNew();
    rs(QStringLiteral("CODIGO")).setValue(QStringLiteral("21"));
    rs(QStringLiteral("DESCRIPCION")).setValue(QStringLiteral("MAYORISTAS"));
    SIN_ERROR(rs.Update());
    rs.Close();
    auto r = cn.Execute(
        QStringLiteral("SELECT DESCRIPCION FROM TA_CCOSTO WHERE CODIGO IN ('2', '21') ORDER BY CODIGO"));
    EXPECT_EQ((*r)(0).Value().toString(), QStringLiteral("VENTAS"));
    r->MoveNext();
    EXPECT_EQ((*r)(0).Value().toString(), QStringLiteral("MAYORISTAS"));
}

TEST_F(Odbc, EsquemaPorElControlador) {
    auto tablas = cn.OpenSchema(adSchemaTables, {QVariant(), QVariant(), QStringLiteral("ta_usuarios")});
    ASSERT_FALSE(tablas->Eof());
    EXPECT_EQ((*tablas)(QStringLiteral("TABLE_NAME")).Value().toString().toUpper(),
              QStringLiteral("TA_USUARIOS"));
    auto columnas = cn.OpenSchema(adSchemaColumns, {QVariant(), QVariant(), QStringLiteral("TA_BANCOS")});
    QStringList nombres;
    while (!columnas->Eof()) {
        nombres << (*columnas)(QStringLiteral("COLUMN_NAME")).Value().toString();
        columnas->MoveNext();
    }
    EXPECT_EQ(nombres, (QStringList{QStringLiteral("IDBANCO"), QStringLiteral("DESCRIPCION"),
                                    QStringLiteral("CUIT"), QStringLiteral("ACTIVO")}));
}

TEST_F(Odbc, ConexionRechazadaDejaLosMensajes) {
    Connection otra;
    FALLA_CON(
        otra.Open(QStringLiteral("PROVIDER=SQLOLEDB;Server=X;Database =/no/existe/carpeta/x.db;UId=A;Pwd=;")),
        errores::FalloGeneral);
    EXPECT_GE(otra.Errors().Count(), 1);
    EXPECT_EQ(otra.State(), adStateClosed);
}

} // namespace
