// The lookup tables every engine reads (types, date styles, failures), walked
// row by row on each engine, so that two engines cannot read one differently.

#include "platform/ErrorEjecucion.h"
#include "platform/ado/EstilosFecha.h"
#include "platform/ado/FallosSqlServer.h"
#include "tests/soporte/Motores.h"

#include <QDateTime>
#include <QMap>

using namespace ado;

namespace {

class Tablas : public prueba::Motores {
protected:
    bool enPostgres() const { return pg.has_value(); }
};

// Each SQL Server name of each type, declared in a table and read back: the
// engine reports the type the table gives it.
TEST_P(Tablas, CadaTipoSeLeeComoDiceLaTabla) {
    QStringList columnas, declarados;
    QVector<const TipoSql*> filas;
    for (const TipoSql& t : tiposSql()) {
        const QString nombres = QString::fromLatin1(t.nombres).section(QLatin1Char(';'), 0, 0);
        for (const QString& n : nombres.split(QLatin1Char('|'))) {
            QString declarado = n;
            if (t.tamano == kLargoDeclarado) declarado += QStringLiteral("(7)");
            if (t.ado == adNumeric) declarado += QStringLiteral("(9,2)");
            columnas << QStringLiteral("C%1 %2").arg(columnas.size()).arg(declarado);
            declarados << declarado;
            filas << &t;
        }
    }
    SIN_ERROR(cn.Execute(QStringLiteral("CREATE TABLE TIPOS (ID int NOT NULL PRIMARY KEY, %1)")
                             .arg(columnas.join(QStringLiteral(", ")))));
    Recordset rs;
    SIN_ERROR(rs.Open(QStringLiteral("SELECT * FROM TIPOS"), cn));
    ASSERT_EQ(rs.fields().Count(), filas.size() + 1);
    for (int i = 0; i < filas.size(); ++i) {
        const TipoSql& t = *filas[i];
        const Field f = rs(i + 1);
        EXPECT_EQ(f.Type(), enPostgres() ? t.adoEnPostgres : t.ado) << declarados[i].toStdString();
        if (t.tamano == kLargoDeclarado && esTipoTexto(t.ado)) {
            EXPECT_EQ(f.DefinedSize(), 7) << declarados[i].toStdString();
        }
        if (t.ado == adNumeric) {
            EXPECT_EQ(f.Precision(), 9) << declarados[i].toStdString();
            EXPECT_EQ(f.NumericScale(), 2) << declarados[i].toStdString();
        }
    }
}

// Every style of the table writes a date as SQL Server does, and reads its
// own text back.
TEST_P(Tablas, CadaEstiloDeFechaSeEscribeYSeLeeComoEnSqlServer) {
    // What SQL Server gives for 5 March 2024, 14:07:09.123.
    const QMap<int, QString> sqlServer = {
        {1, QStringLiteral("03/05/24")},
        {101, QStringLiteral("03/05/2024")},
        {3, QStringLiteral("05/03/24")},
        {103, QStringLiteral("05/03/2024")},
        {104, QStringLiteral("05.03.2024")},
        {105, QStringLiteral("05-03-2024")},
        {8, QStringLiteral("14:07:09")},
        {108, QStringLiteral("14:07:09")},
        {111, QStringLiteral("2024/03/05")},
        {112, QStringLiteral("20240305")},
        {20, QStringLiteral("2024-03-05 14:07:09")},
        {120, QStringLiteral("2024-03-05 14:07:09")},
        {21, QStringLiteral("2024-03-05 14:07:09.123")},
        {121, QStringLiteral("2024-03-05 14:07:09.123")},
        {126, QStringLiteral("2024-03-05T14:07:09.123")},
    };
    SIN_ERROR(cn.Execute(QStringLiteral("CREATE TABLE FECHAS (ID int NOT NULL PRIMARY KEY, F datetime)")));
    SIN_ERROR(cn.Execute(QStringLiteral("INSERT INTO FECHAS (ID, F) VALUES (1, '2024-03-05 14:07:09.123')")));
    for (const EstiloFecha& e : estilosFecha()) {
        ASSERT_TRUE(sqlServer.contains(e.estilo)) << "estilo sin caso: " << e.estilo;
        Recordset rs;
        SIN_ERROR(
            rs.Open(QStringLiteral("SELECT CONVERT(varchar(30), F, %1) FROM FECHAS").arg(e.estilo), cn));
        EXPECT_EQ(rs(0).Value().toString(), sqlServer[e.estilo]) << "estilo " << e.estilo;
        rs.Close();
        // A style with the day in it reads its own text as the same day.
        if (!QString::fromLatin1(e.qt).contains(QLatin1Char('d'))) continue;
        SIN_ERROR(rs.Open(
            QStringLiteral("SELECT CONVERT(datetime, '%1', %2)").arg(sqlServer[e.estilo]).arg(e.estilo), cn));
        EXPECT_EQ(rs(0).Value().toDateTime().date(), QDate(2024, 3, 5)) << "estilo " << e.estilo;
    }
    // A style the table does not list is the suite's day/month/year.
    Recordset rs;
    SIN_ERROR(rs.Open(QStringLiteral("SELECT CONVERT(varchar(30), F, 107) FROM FECHAS"), cn));
    EXPECT_EQ(rs(0).Value().toString(), QStringLiteral("05/03/2024"));
}

// The failures the program tells apart, provoked on each engine: the native
// number, state and ADO number are the table's.
TEST_P(Tablas, CadaFalloLlevaElNumeroDeLaTabla) {
    SIN_ERROR(cn.Execute(
        QStringLiteral("CREATE TABLE PADRE (ID int NOT NULL PRIMARY KEY, N nvarchar(5) NOT NULL)")));
    SIN_ERROR(cn.Execute(QStringLiteral("INSERT INTO PADRE (ID, N) VALUES (1, 'uno')")));
    const std::pair<int32_t, const char*> casos[] = {
        {2627, "INSERT INTO PADRE (ID, N) VALUES (1, 'otro')"},
        {515, "INSERT INTO PADRE (ID, N) VALUES (2, NULL)"},
        {8152, "INSERT INTO PADRE (ID, N) VALUES (3, 'demasiado largo')"},
        {245, "INSERT INTO PADRE (ID, N) VALUES ('tres', 'x')"},
        {207, "SELECT NINGUNA FROM PADRE"},
        {208, "SELECT * FROM NINGUNA"},
        {2714, "CREATE TABLE PADRE (ID int)"},
        {102, "SELECT * FROM PADRE WHERE"},
    };
    for (const auto& [nativo, sql] : casos) {
        const FalloSqlServer* esperado = falloSqlServer(nativo);
        ASSERT_NE(esperado, nullptr) << nativo;
        try {
            cn.Execute(QString::fromLatin1(sql));
            ADD_FAILURE() << sql << " no falló";
        } catch (const plataforma::ErrorEjecucion& e) {
            EXPECT_EQ(e.Number(), esperado->numeroAdo) << sql << ": " << e.Description().toStdString();
            ASSERT_GT(cn.Errors().Count(), 0) << sql;
            EXPECT_EQ(cn.Errors().Item(0).NativeError, nativo)
                << sql << ": " << e.Description().toStdString();
            EXPECT_EQ(cn.Errors().Item(0).SQLState, QLatin1String(esperado->estado)) << sql;
        }
    }
}

// Rows come back whole whatever way the engine reads them: across blocks of
// rows, NULLs, letters outside the basic plane filling a short column, and a
// text longer than any bound buffer.
TEST_P(Tablas, LosValoresVuelvenEnteros) {
    SIN_ERROR(
        cn.Execute(QStringLiteral("CREATE TABLE VALORES (ID int NOT NULL PRIMARY KEY, C varchar(3) NULL, "
                                  "N numeric(12,2) NULL, F datetime NULL, L varchar(8000) NULL)")));
    const QString tres = QString::fromUtf8("\xF0\x9F\x98\x80\xC3\xB1\xF0\x9D\x84\x9E"); // 😀ñ𝄞
    const QString largo(5000, QLatin1Char('x'));
    SIN_ERROR(cn.Execute(QStringLiteral("INSERT INTO VALORES (ID, C, N, F, L) VALUES (1, N'%1', 12.5, "
                                        "'2024-03-05 14:07:09', '%2')")
                             .arg(tres, largo)));
    SIN_ERROR(cn.Execute(QStringLiteral("INSERT INTO VALORES (ID) VALUES (2)")));
    QStringList muchas;
    for (int i = 3; i <= 1200; ++i)
        muchas << QStringLiteral("(%1, 'a%2', %1)").arg(i).arg(i % 10);
    SIN_ERROR(
        cn.Execute(QStringLiteral("INSERT INTO VALORES (ID, C, N) VALUES ") + muchas.join(QLatin1Char(','))));
    for (const char* sql :
         {"SELECT ID, C, N, F FROM VALORES ORDER BY ID", "SELECT ID, C, N, F, L FROM VALORES ORDER BY ID"}) {
        SCOPED_TRACE(sql);
        Recordset rs;
        SIN_ERROR(rs.Open(QLatin1String(sql), cn));
        ASSERT_FALSE(rs.Eof());
        EXPECT_EQ(rs(1).Value().toString(), tres);
        EXPECT_DOUBLE_EQ(rs(2).Value().toDouble(), 12.5);
        EXPECT_EQ(rs(3).Value().toDateTime(), QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
        if (rs.fields().Count() > 4) {
            EXPECT_EQ(rs(4).Value().toString(), largo);
        }
        rs.MoveNext();
        EXPECT_TRUE(rs(1).Value().isNull());
        EXPECT_TRUE(rs(2).Value().isNull());
        EXPECT_TRUE(rs(3).Value().isNull());
        int filas = 2;
        for (rs.MoveNext(); !rs.Eof(); rs.MoveNext()) {
            ++filas;
            ASSERT_EQ(rs(0).Value().toInt(), filas);
            ASSERT_EQ(rs(1).Value().toString(), QStringLiteral("a%1").arg(filas % 10));
            ASSERT_DOUBLE_EQ(rs(2).Value().toDouble(), filas);
        }
        EXPECT_EQ(filas, 1200);
    }
    // Read in the key's order alone, slice after slice, with keys that repeat and rows without
    // one: each row once.
    SIN_ERROR(cn.Execute(QStringLiteral("CREATE VIEW VDUP AS SELECT ID / 2 AS ID, C FROM VALORES UNION ALL "
                                        "SELECT NULL, 'z' UNION ALL SELECT NULL, 'y'")));
    for (const char* sql : {"SELECT C, ID FROM VALORES", "SELECT C, ID FROM VDUP"}) {
        SCOPED_TRACE(sql);
        Recordset rs;
        SIN_ERROR(rs.Open(QLatin1String(sql), cn));
        QMap<QString, int> vistas;
        int filas = 0;
        for (; !rs.Eof(); rs.MoveNext()) {
            ++filas;
            ++vistas[rs(1).Value().toString() + QLatin1Char('|') + rs(0).Value().toString()];
        }
        // Keys k = ID / 2 repeat in pairs whose texts differ; two rows have none.
        EXPECT_EQ(filas, QByteArray(sql).contains("VDUP") ? 1202 : 1200);
        EXPECT_EQ(vistas.size(), filas);
    }
}

QUENZAR_EN_AMBOS_MOTORES(Tablas);

// A name that carries a placeholder stays as it is in the message.
TEST(TablaDeFallos, UnNombreConMarcadorQuedaComoEs) {
    EXPECT_EQ(
        errorSqlServer(2627, QStringLiteral("x"), {QStringLiteral("T%2"), QStringLiteral("T.C")}).Description,
        QStringLiteral("Infracción de la restricción PRIMARY KEY o UNIQUE KEY. No se puede insertar una "
                       "clave duplicada en el objeto 'dbo.T%2'. (T.C)"));
}

} // namespace
