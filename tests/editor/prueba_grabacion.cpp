// The save of a cheque book as a unit of work, without any window: its
// chart-of-accounts statements, and what each failing step leaves stored.

#include "data/DB_Dll.h"
#include "editor/GrabacionChequera.h"
#include "tests/soporte/Fallos.h"
#include "tests/soporte/Sesion.h"

#include <gtest/gtest.h>

using datos::gDB;
using namespace editor;

namespace {

TEST(SentenciasDelPlanDeCuentas, ComoLasEscribeLaGrabacion) {
    struct Caso {
        QString obtenida;
        const char* esperada;
    } casos[] = {
        {sentenciaAltaCuenta(QStringLiteral("11102010"), QStringLiteral("BANCO O''HIGGINS"),
                             QStringLiteral("DB"), QStringLiteral("1"), QStringLiteral("10"),
                             QStringLiteral("0")),
         "INSERT INTO MA_CUENTAS (CODIGO, DV, TITULO, DESCRIPCION, "
         "TipoVista,CajayBanco,MedioDePago,CodigoOpcional,"
         "PideVencimiento) VALUES ('11102010',0,0,'BANCO O''HIGGINS','BC',1,'DB','110',0)"},
        {sentenciaAltaCuenta(QStringLiteral("2110'3"), QStringLiteral("X"), QStringLiteral("CH"),
                             QStringLiteral("2"), QStringLiteral("1'"), QStringLiteral("1")),
         "INSERT INTO MA_CUENTAS (CODIGO, DV, TITULO, DESCRIPCION, "
         "TipoVista,CajayBanco,MedioDePago,CodigoOpcional,"
         "PideVencimiento) VALUES ('2110''3',0,0,'X','BC',1,'CH','21''',1)"},
        {sentenciaMarcaCuenta(QStringLiteral("11102010"), QStringLiteral("DB")),
         "UPDATE MA_CUENTAS SET TipoVista = 'BC', MedioDePago = 'DB' WHERE CODIGO = '11102010'"},
        {sentenciaCuentaPrincipal(QStringLiteral("11102010"), QStringLiteral("21103010")),
         "UPDATE MA_CUENTAS SET CUENTAPRINCIPAL ='11102010' WHERE CODIGO='21103010'"},
    };
    for (const Caso& c : casos)
        EXPECT_EQ(c.obtenida.toStdString(), std::string(c.esperada));
}

class Grabacion : public prueba::Sesion {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(abrir());
        ASSERT_NO_FATAL_FAILURE(prueba::plantarFallos(base.ruta()));
    }
    // The new cheque book 10 / A / 500 as the editor's boxes give it.
    static DatosChequera nueva() {
        DatosChequera d;
        d.banco = QStringLiteral("10");
        d.serie = QStringLiteral("A");
        d.talonario = QStringLiteral("500");
        d.desde = QStringLiteral("100");
        d.hasta = QStringLiteral("150");
        d.cuenta = QStringLiteral("11102010");
        d.cuentaDiferido = QStringLiteral("21103010");
        d.descripcionBanco = QStringLiteral("BANCO SUPERVIELLE");
        d.cajas = {{QStringLiteral("IDBANCO"), d.banco, QStringLiteral("V_TA_BANCOS")},
                   {QStringLiteral("SERIE"), d.serie, {}},
                   {QStringLiteral("Talonario"), d.talonario, {}},
                   {QStringLiteral("NUMERO_DESDE"), d.desde, {}},
                   {QStringLiteral("NUMERO_Hasta"), d.hasta, {}},
                   {QStringLiteral("CuentaBancoDiferido"), d.cuentaDiferido, {}},
                   {QStringLiteral("CuentaBanco"), d.cuenta, {}}};
        return d;
    }
    // The editor's recordset, on no row of the cheque book yet.
    void abrirRecordset() {
        QString sql = QStringLiteral("SELECT TOP 1 * FROM V_TA_QUENZAR");
        gDB().AbrirRecordset(sql, rs, &gDB().gCnn(), ado::adOpenDynamic, ado::adLockOptimistic, -1, true);
    }
    // The cheque book, the bank account, the deferred-payment account, the latter pointing to the former.
    std::vector<qint64> guardado() {
        return {contar(QStringLiteral(
                    "SELECT COUNT(*) FROM TA_QUENZAR WHERE IDBANCO = '10' AND TALONARIO = 500")),
                contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '11102010'")),
                contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '21103010'")),
                contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '21103010' AND "
                                      "CUENTAPRINCIPAL = '11102010'"))};
    }
    ado::Recordset rs;
};

// Each step's fault: the save fails at that step and nothing is stored; run
// again without that step, the rest is stored and only that part is missing.
TEST_F(Grabacion, CadaPasoQueFallaNoDejaNadaYOmitidoDejaElResto) {
    struct Caso {
        const char* fallo;
        int paso;
        std::vector<qint64> sinElPaso;
    } casos[] = {
        {"fila", kPasoFila, {0, 1, 1, 1}},
        {"banco", kPasoCuentaBanco, {1, 0, 1, 1}},
        {"diferido", kPasoCuentaDiferido, {1, 1, 0, 0}},
        {"principal", kPasoPrincipal, {1, 1, 1, 0}},
        {"confirmar", kPasoConfirmar, {}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.fallo);
        gDB().gCnn().Execute(QStringLiteral("DELETE FROM FALLOS"));
        gDB().gCnn().Execute(
            QStringLiteral("INSERT INTO FALLOS (PASO) VALUES ('%1')").arg(QLatin1String(c.fallo)));
        abrirRecordset();
        const ResultadoGrabacion r = grabarChequera(gDB(), rs, nueva(), Operacion::Alta, {});
        EXPECT_EQ(r.estado, ResultadoGrabacion::Estado::Fallida);
        EXPECT_EQ(r.paso, c.paso);
        if (c.paso != kPasoConfirmar) {
            EXPECT_TRUE(r.error.Description().contains(QLatin1String("fallo inyectado")))
                << r.error.Description().toStdString();
        }
        EXPECT_EQ(guardado(), (std::vector<qint64>{0, 0, 0, 0})) << "the transaction left nothing";
        if (c.sinElPaso.empty()) continue; // the commit cannot be left out
        rs.CancelUpdate();
        abrirRecordset();
        const ResultadoGrabacion otra = grabarChequera(gDB(), rs, nueva(), Operacion::Alta, {c.paso});
        EXPECT_EQ(otra.estado, ResultadoGrabacion::Estado::Hecha);
        EXPECT_EQ(guardado(), c.sinElPaso);
        gDB().gCnn().Execute(QStringLiteral("DELETE FROM TA_QUENZAR WHERE IDBANCO = '10'"));
        gDB().gCnn().Execute(
            QStringLiteral("DELETE FROM MA_CUENTAS WHERE CODIGO IN ('11102010', '21103010')"));
    }
}

// An overlapping range found inside the unit stores nothing and says which cheque book is in the way.
TEST_F(Grabacion, UnSolapeNoGrabaNada) {
    gDB().gCnn().Execute(
        QStringLiteral("INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA) "
                       "VALUES (499, '10', 'A', 140, 160)"));
    abrirRecordset();
    const ResultadoGrabacion r = grabarChequera(gDB(), rs, nueva(), Operacion::Alta, {});
    EXPECT_EQ(r.estado, ResultadoGrabacion::Estado::Solape);
    EXPECT_EQ(r.solape, QStringLiteral("El rango de numeración se superpone con el Nro de Control: 499"));
    EXPECT_EQ(guardado(), (std::vector<qint64>{0, 0, 0, 0}));
    EXPECT_TRUE(buscarSolape(gDB(), nueva(), {valorNumerico(QStringLiteral("155"))}, false)
                    .endsWith(QLatin1String("499")));
    EXPECT_TRUE(buscarSolape(gDB(), nueva(), {valorNumerico(QStringLiteral("161"))}, false).isEmpty());
}

} // namespace
