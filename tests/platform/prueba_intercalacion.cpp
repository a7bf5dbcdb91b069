// Spanish text as the suite's server compares it (Modern_Spanish_CI_AS):
// letter case never counts, accents do, Spanish order. The rule itself, then
// one table of statements on both engines, each expected result written from
// the rule.

#include "grid/KvDbGrid.h"
#include "lookup/Lib_FrmCons3.h"
#include "platform/Intercalacion.h"
#include "shell/FrmChequerasGrid.h"
#include "tests/soporte/Motores.h"
#include "tests/soporte/Sesion.h"
#include "tests/soporte/Teclado.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace plataforma::intercalacion;
namespace errores = plataforma::errores;

namespace {

TEST(Regla, MayusculasNoCuentanLasTildesSi) {
    struct Caso {
        const char *a, *b;
        int esperado; // sign of the comparison
    } casos[] = {
        {"ÑANDÚ", "ñandú", 0},
        {"Ñandú Crédito", "ñANDÚ cRÉDITO", 0},
        {"ÜBER", "über", 0},
        {"ÇA", "ça", 0},
        {"NACION", "Nación", -1},
        {"nación", "NACIÓN", 0},
        {"BANCO ÁGIL", "banco alfa", -1}, // the letters decide before the accent
        {"A", "Á", -1},
        {"Á", "B", -1},
        {"NAPOLES", "ñandú", -1},
        {"ñandú", "OCASO", -1},
        {"NANDU", "ñandu", -1},
        {"9", "a", -1},
        {"abc", "abcd", -1},
        {"", "a", -1},
    };
    for (const Caso& c : casos) {
        const QString a = QString::fromUtf8(c.a), b = QString::fromUtf8(c.b);
        const int r = comparar(a, b);
        EXPECT_EQ((r > 0) - (r < 0), c.esperado) << c.a << " / " << c.b;
        const int u = comparar(std::string_view(c.a), std::string_view(c.b));
        EXPECT_EQ((u > 0) - (u < 0), c.esperado) << c.a << " / " << c.b << " (UTF-8)";
        const int v = comparar(std::string_view(c.b), std::string_view(c.a));
        EXPECT_EQ((v > 0) - (v < 0), -c.esperado) << c.b << " / " << c.a << " (UTF-8)";
    }
}

// Where NOCASE is enough, it also orders as the rule: the engine's indexes serve then.
TEST(Regla, EnAsciiOrdenaComoNocase) {
    const char* textos[] = {"", " ", "!", "0", "9", ":", "A", "a", "_", "ab", "aB c", "Z", "z{", "~"};
    for (const char* x : textos)
        for (const char* y : textos) {
            std::string a(x), b(y);
            for (auto& c : a)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (auto& c : b)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            const int nocase = (a > b) - (a < b);
            const int r = comparar(std::string_view(x), std::string_view(y));
            EXPECT_EQ((r > 0) - (r < 0), nocase) << '"' << x << "\" / \"" << y << '"';
        }
    EXPECT_TRUE(bastaNocase(u"CAJERO 12 º"));
    EXPECT_FALSE(bastaNocase(u"ñandú"));
    EXPECT_FALSE(bastaNocase(u"É"));
}

TEST(Regla, Like) {
    struct Caso {
        const char *valor, *patron;
        bool esperado;
    } casos[] = {
        {"BANCO ESPAÑOL DE CRÉDITO", "%español%", true},
        {"BANCO ESPAÑOL DE CRÉDITO", "%ESPANOL%", false},
        {"Banco de la Nación", "%nacion%", false},
        {"Banco de la Nación", "%NACIÓN", true},
        {"BANCO ÁGIL", "banco _gil", true},
        {"BANCO ÁGIL", "banco __gil", false},
        {"BANCO ÁGIL", "BANCO [á-b]GIL", true},
        {"BANCO ÁGIL", "BANCO [^á]GIL", false},
        {"ñandú", "[n]%", false},
        {"ñandú", "[ñ]AND_", true},
        {"50% off", "50!% %", true},
        {"50 off", "50!% %", false},
        {"a[b", "a[b", true},
        {"", "%", true},
        {"", "_", false},
    };
    for (const Caso& c : casos) {
        const QString v = QString::fromUtf8(c.valor), p = QString::fromUtf8(c.patron);
        EXPECT_EQ(coincideLike(v, p, U'!'), c.esperado) << c.valor << " LIKE " << c.patron;
        EXPECT_EQ(PatronLike(std::string_view(c.patron), U'!').coincide(std::string_view(c.valor)),
                  c.esperado)
            << c.valor << " LIKE " << c.patron << " (UTF-8)";
    }
}

// ---- the engines

const char* const kBancos[][2] = {
    {"20", "NANDU SA"},
    {"21", "ñandú crédito"},
    {"22", "NAPOLES"},
    {"23", "BANCO ÁGIL"},
    {"24", "BANCO AZUL"},
    {"25", "BANCO BETA"},
    {"26", "banco alfa"},
    {"27", "BANCO ESPAÑOL DE CRÉDITO"},
    {"28", "Banco de la Nación"},
    {"29", "galicia minúsculas"},
    // BUENOS is at characters 32 to 37: past what CONVERT(NVARCHAR, x) keeps.
    {"30", "BANCO DE LA PROVINCIA DE       BUENOS AIRES"},
    {"31", "BANCO ÜBERSEE"},
    {"32", "ÑANDÚ CRÉDITO"},
};

void agregarBancos(ado::Connection& cn) {
    for (const auto& b : kBancos)
        SIN_ERROR(
            cn.Execute(QStringLiteral("INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('%1', '%2')")
                           .arg(QString::fromUtf8(b[0]), QString::fromUtf8(b[1]))));
}

class Espanol : public prueba::Motores {
protected:
    void SetUp() override {
        Motores::SetUp();
        if (IsSkipped()) return;
        agregarBancos(cn);
    }
    QStringList columna(const QString& sql) {
        QStringList r;
        ado::Recordset rs;
        rs.Open(sql, cn);
        while (!rs.Eof()) {
            r << rs(0).Value().toString();
            rs.MoveNext();
        }
        return r;
    }
};

QUENZAR_EN_AMBOS_MOTORES(Espanol);

TEST_P(Espanol, CondicionesSobreTextos) {
    struct Caso {
        const char* condicion;
        int filas;
    } casos[] = {
        {"DESCRIPCION = 'ÑANDÚ CRÉDITO'", 2},
        {"DESCRIPCION = 'Ñandú Crédito  '", 2},
        {"'ñANDÚ cRÉDITO' = DESCRIPCION", 2},
        {"DESCRIPCION = 'banco ágil'", 1},
        {"DESCRIPCION = 'BANCO AGIL'", 0},
        {"DESCRIPCION = 'banco de la nacion' AND IDBANCO = '28'", 0},
        {"DESCRIPCION <> 'ñandú crédito' AND IDBANCO IN ('20', '21', '22', '32')", 2},
        {"DESCRIPCION IN ('ÑANDÚ CRÉDITO', 'napoles')", 3},
        {"DESCRIPCION NOT IN ('ÑANDÚ CRÉDITO') AND IDBANCO IN ('20', '21')", 1},
        {"DESCRIPCION LIKE '%español%'", 1},
        {"DESCRIPCION LIKE '%crédito%'", 3},
        {"DESCRIPCION LIKE '%ñANDú%'", 2},
        {"DESCRIPCION LIKE '%MINÚSCULAS%'", 1},
        {"DESCRIPCION LIKE '%nacion%' AND IDBANCO = '28'", 0},
        {"DESCRIPCION LIKE '%NACIÓN%'", 1},
        {"DESCRIPCION LIKE 'BANCO _GIL'", 1},
        {"DESCRIPCION LIKE 'BANCO __GIL'", 0},
        {"DESCRIPCION LIKE '%über%'", 1},
        {"LTRIM(RTRIM(DESCRIPCION)) = 'ñandú CRÉDITO'", 2},
        {"DESCRIPCION + '!' = 'ÑANDÚ CRÉDITO!'", 2},
        {"CONVERT(NVARCHAR, DESCRIPCION) = 'banco ágil'", 1},
        {"CONVERT(NVARCHAR, DESCRIPCION) LIKE '%BUENOS%'", 0},
        {"CONVERT(NVARCHAR(50), DESCRIPCION) LIKE '%BUENOS%'", 1},
        {"CONVERT(NVARCHAR, DESCRIPCION) LIKE '%PROVINCIA DE%'", 1},
    };
    for (const Caso& c : casos)
        EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM V_TA_BANCOS WHERE ") +
                         QString::fromUtf8(c.condicion)),
                  c.filas)
            << c.condicion;
}

TEST_P(Espanol, OrdenAgrupacionYExtremos) {
    const QString lista = QStringLiteral("('20', '21', '22', '23', '24', '25', '26')");
    const QStringList esperado = {QStringLiteral("BANCO ÁGIL"),   QStringLiteral("banco alfa"),
                                  QStringLiteral("BANCO AZUL"),   QStringLiteral("BANCO BETA"),
                                  QStringLiteral("NANDU SA"),     QStringLiteral("NAPOLES"),
                                  QStringLiteral("ñandú crédito")};
    EXPECT_EQ(
        columna(QStringLiteral("SELECT DESCRIPCION FROM V_TA_BANCOS WHERE IDBANCO IN %1 ORDER BY DESCRIPCION")
                    .arg(lista)),
        esperado);
    QStringList alReves = esperado;
    std::reverse(alReves.begin(), alReves.end());
    EXPECT_EQ(columna(QStringLiteral("SELECT TOP 7 DESCRIPCION FROM V_TA_BANCOS WHERE IDBANCO IN %1 ORDER BY "
                                     "DESCRIPCION DESC, IDBANCO")
                          .arg(lista)),
              alReves);
    EXPECT_EQ(
        columna(
            QStringLiteral("SELECT MIN(DESCRIPCION) AS M FROM V_TA_BANCOS WHERE IDBANCO IN %1").arg(lista)),
        QStringList{QStringLiteral("BANCO ÁGIL")});
    EXPECT_EQ(
        columna(
            QStringLiteral("SELECT MAX(DESCRIPCION) AS M FROM V_TA_BANCOS WHERE IDBANCO IN %1").arg(lista)),
        QStringList{QStringLiteral("ñandú crédito")});
    // "ñandú crédito" and "ÑANDÚ CRÉDITO" are one value.
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM (SELECT DESCRIPCION FROM V_TA_BANCOS WHERE IDBANCO IN "
                              "('21', '32') GROUP BY DESCRIPCION) AS X")),
        1);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT DESCRIPCION FROM V_TA_BANCOS WHERE "
                              "IDBANCO IN ('21', '28', '32')) AS X")),
        2);
}

TEST_P(Espanol, ClavesQueDifierenEnMayusculasSonUnaEnTildesDos) {
    auto alta = [&](const char* codigo) {
        cn.Execute(QStringLiteral("INSERT INTO MA_CUENTAS (CODIGO, DESCRIPCION) VALUES ('%1', 'x')")
                       .arg(QString::fromUtf8(codigo)));
    };
    SIN_ERROR(alta("ÑANDÚ"));
    SIN_ERROR(alta("NACION"));
    SIN_ERROR(alta("NACIÓN")); // another key
    for (const char* repetida : {"ñandú", "Ñandú", "nacion", "nación"}) {
        FALLA_CON(alta(repetida), errores::ViolacionIntegridad);
        ASSERT_GT(cn.Errors().Count(), 0);
        EXPECT_EQ(cn.Errors().Item(0).NativeError, 2627) << repetida;
    }
    // A change of key meets the same refusal.
    FALLA_CON(cn.Execute(QStringLiteral("UPDATE MA_CUENTAS SET CODIGO = 'ñANDÚ' WHERE CODIGO = 'NACION'")),
              errores::ViolacionIntegridad);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = 'ñandú'")), 1);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO IN ('nación', 'ñandú')")),
              2);
}

// The file stays one the stock sqlite3 tool opens, sorts, checks and writes
// (the suite's other programs may): nothing it stores needs the engine's own
// collation or functions, and what the tool writes the engine reads by the rule.
TEST(ArchivoEmbebido, LaHerramientaSqlite3LoLeeOrdenaVerificaYEscribe) {
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty()) GTEST_SKIP() << "sin la herramienta sqlite3";
    prueba::BaseTemporal base;
    {
        ado::Connection cn;
        SIN_ERROR(cn.Open(base.cadena()));
        agregarBancos(cn);
        SIN_ERROR(cn.Execute(
            QStringLiteral("INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE) VALUES (9999, '21', 'Ñ')")));
        cn.Close();
    }
    QProcess p;
    p.start(sqlite3,
            {base.ruta(), QStringLiteral("PRAGMA integrity_check; SELECT DESCRIPCION FROM TA_BANCOS ORDER BY "
                                         "DESCRIPCION LIMIT 1; SELECT COUNT(*) FROM VT_Chequeras ORDER BY "
                                         "SERIE; INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('40', "
                                         "'ÁRBOL SA'); UPDATE TA_QUENZAR SET SERIE = 'ñ' WHERE TALONARIO = "
                                         "9999; PRAGMA integrity_check;")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QStringList salida =
        QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    ASSERT_EQ(salida.size(), 4) << salida.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(salida[0], QStringLiteral("ok"));
    EXPECT_EQ(salida[3], QStringLiteral("ok"));
    ado::Connection cn;
    SIN_ERROR(cn.Open(base.cadena()));
    auto rs = cn.Execute(QStringLiteral("SELECT COUNT(*) FROM V_TA_BANCOS WHERE DESCRIPCION LIKE 'árbol%'"));
    EXPECT_EQ((*rs)(0).Value().toInt(), 1);
    rs = cn.Execute(QStringLiteral("SELECT TOP 1 SERIE FROM VT_Chequeras ORDER BY SERIE DESC, ID"));
    EXPECT_EQ((*rs)(0).Value().toString(), QStringLiteral("ñ")) << "ñ sorts after every ASCII series";
    rs = cn.Execute(QStringLiteral("SELECT COUNT(*) FROM VT_Chequeras WHERE SERIE = 'Ñ'"));
    EXPECT_EQ((*rs)(0).Value().toInt(), 1);
}

// ---- what the user types: the list's two searches and the bank lookup's F5

class Ventanas : public prueba::Sesion, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        QString servidor = QStringLiteral("SQLITE"), nombre = QStringLiteral("QUENZAR");
        if (GetParam() == "postgres") {
            pg.emplace();
            if (!pg->valido()) GTEST_SKIP() << "sin servidor PostgreSQL (QUENZAR_PG)";
            servidor = pg->servidor();
            nombre = pg->nombre();
        }
        QString cadena;
        shell::IniciarAplicacion(
            QStringLiteral("@Server=%1;@DbName=%2;@Usuario=ADMIN;@Password=admin;").arg(servidor, nombre),
            cadena, 3);
        ASSERT_TRUE(datos::gDB().gOpenFlag);
        auto& cn = datos::gDB().gCnn();
        // The list holds one cheque book of each bank above, and nothing else.
        cn.Execute(QStringLiteral("DELETE FROM TA_QUENZAR"));
        agregarBancos(cn);
        int n = 0;
        for (const auto& b : kBancos) {
            ++n;
            cn.Execute(QStringLiteral(
                           "INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA) "
                           "VALUES (%1, '%2', 'A', %3, %4)")
                           .arg(n)
                           .arg(QString::fromUtf8(b[0]))
                           .arg(n * 1000)
                           .arg(n * 1000 + 49));
        }
    }
    std::optional<prueba::BasePostgres> pg;
};

INSTANTIATE_TEST_SUITE_P(Ambos, Ventanas, ::testing::Values("embebido", "postgres"),
                         ::prueba::nombreDelMotor);

struct Busqueda {
    const char* texto;
    int filas;
};

TEST_P(Ventanas, LasDosBusquedasDeLaListaEncuentranLasMismasFilas) {
    const Busqueda casos[] = {{"ñANDú", 2},  {"español", 1}, {"CRÉDITO", 3},    {"nacion", 0},
                              {"NACIÓN", 1}, {"über", 1},    {"minúsculas", 1}, {"banco agil", 0}};
    shell::FrmChequerasGrid lista;
    lista.show();
    lista.Cargar();
    auto* g = lista.KvDbGrid1;
    auto* tamano = g->CboRegistros;
    tamano->setFocus();
    tamano->lineEdit()->selectAll();
    QTest::keyClicks(tamano, QStringLiteral("20"));
    QTest::keyClick(tamano, Qt::Key_Return);
    ASSERT_EQ(g->MsFlexGrid->Rows() - 1, 13);
    auto buscar = [&](int modo, const char* texto) {
        g->menuBuscar->actions()[modo]->trigger();
        g->CboFiltroCampo->setCurrentIndex(0); // Todos
        g->txtBuscar->setFocus();
        prueba::teclear(g->txtBuscar, QString::fromUtf8(texto));
        QTest::keyClick(g->txtBuscar, Qt::Key_Return);
    };
    for (const Busqueda& c : casos) {
        buscar(1, c.texto);
        // A search that finds nothing shows every row again, without its condition.
        const int enTodas = g->estado().mFiltro.isEmpty() ? 0 : g->MsFlexGrid->Rows() - 1;
        EXPECT_EQ(enTodas, c.filas) << "en todas las páginas: " << c.texto;
        g->Actualizar();
        buscar(0, c.texto);
        int pintadas = 0;
        for (int f = 1; f < g->MsFlexGrid->Rows(); ++f) {
            bool pintada = false;
            for (int col = 1; col < g->MsFlexGrid->Cols(); ++col)
                pintada = pintada || g->MsFlexGrid->colorCelda(f, col) == QColor(192, 232, 232);
            pintadas += pintada ? 1 : 0;
        }
        EXPECT_EQ(pintadas, c.filas) << "en la página actual: " << c.texto;
        g->Actualizar();
    }
    EXPECT_TRUE(guion->mensajes.empty());
}

TEST_P(Ventanas, F5EnLaConsultaDeBancos) {
    const Busqueda casos[] = {{"banco español", 1}, {"ÑANDÚ", 2},   {"banco ágil", 1},
                              {"banco agil", 0},    {"BANCO Ü", 1}, {"banco de la nación", 1}};
    lookup::Lib_FrmCons3 d;
    d.sql = QStringLiteral("SELECT DESCRIPCION,IDBANCO FROM V_TA_BANCOS ORDER BY DESCRIPCION");
    d.show();
    for (const Busqueda& c : casos) {
        auto* caja = d.CmbSearch[0];
        caja->setFocus();
        caja->lineEdit()->clear();
        prueba::teclear(caja, QString::fromUtf8(c.texto));
        QTest::keyClick(caja, Qt::Key_F5);
        EXPECT_EQ(d.ListView1->topLevelItemCount(), c.filas) << c.texto;
        d.nuevaBusqueda();
    }
    EXPECT_TRUE(guion->mensajes.empty());
}

} // namespace
