// The save of a cheque book as a unit of work, without any window: its
// chart-of-accounts statements, and what each failing step leaves stored.

#include "data/DB_Dll.h"
#include "editor/GrabacionChequera.h"
#include "tests/soporte/Fallos.h"
#include "tests/soporte/Motores.h"
#include "tests/soporte/Sesion.h"

#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

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

// The history's rows from the `desde`-th on, one text each: operation, row, field, before, after.
QStringList historial(qint64 desde = 0) {
    QStringList r;
    auto rs = gDB().gCnn().Execute(QStringLiteral("SELECT OPERACION, REGISTRO, CAMPO, ANTES, DESPUES, "
                                                  "USUARIO, MAQUINA, DIA, HORA FROM VT_HISTORIAL "
                                                  "WHERE ID > %1 ORDER BY ID")
                                       .arg(desde));
    while (rs && !rs->Eof()) {
        QStringList f;
        for (int i = 0; i < 5; ++i)
            f << ((*rs)(i).Value().isNull() ? QStringLiteral("-") : (*rs)(i).Value().toString());
        r << f.join(QLatin1Char('|'));
        EXPECT_EQ((*rs)(5).Value().toString(), QStringLiteral("ANA"));
        EXPECT_EQ((*rs)(6).Value().toString(), QStringLiteral("CAJA-1"));
        EXPECT_FALSE((*rs)(7).Value().isNull());
        EXPECT_EQ((*rs)(8).Value().toString().size(), 8) << (*rs)(8).Value().toString().toStdString();
        rs->MoveNext();
    }
    return r;
}

// What each kind of save writes in the history, and that a save that is not
// stored writes none.
TEST_F(Grabacion, CadaGrabacionDejaSuHistorial) {
    auto ultimo = [&] {
        return contar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) FROM TA_QUENZAR_HISTORIAL"));
    };
    auto grabar = [&](const DatosChequera& d, Operacion op) {
        DatosChequera x = d;
        x.usuario = QStringLiteral("ANA");
        x.maquina = QStringLiteral("CAJA-1");
        for (auto& c : x.cajas) {
            if (c.campo == QLatin1String("NUMERO_Hasta")) c.texto = x.hasta;
            if (c.campo == QLatin1String("CuentaBanco")) c.texto = x.cuenta;
            if (c.campo == QLatin1String("CuentaBancoDiferido")) c.texto = x.cuentaDiferido;
        }
        return grabarChequera(gDB(), rs, x, op, {}).estado;
    };
    // The editor's recordset on the stored cheque book, as the control-number check leaves it.
    auto cargar = [&] {
        QString sql =
            QStringLiteral("SELECT TOP 1 * FROM V_TA_QUENZAR WHERE IDBANCO = '10' AND SERIE = 'A' AND "
                           "TALONARIO = 500");
        gDB().AbrirRecordset(sql, rs, &gDB().gCnn(), ado::adOpenDynamic, ado::adLockOptimistic, -1, true);
    };
    const QString ch = QStringLiteral("Chequera 10/A/500");
    // A created account: one row, its fields being the rule's.
    auto alta = [&](const QString& cuenta) {
        return QStringList{QStringLiteral("Alta|Cuenta ") + cuenta + QStringLiteral("|CODIGO|-|") + cuenta};
    };
    struct Caso {
        const char* que;
        std::function<ResultadoGrabacion::Estado()> hacer;
        QStringList esperado;
    };
    DatosChequera d = nueva();
    const Caso casos[] = {
        {"una grabación que falla al confirmar no deja historial",
         [&] {
             gDB().gCnn().Execute(QStringLiteral("INSERT INTO FALLOS (PASO) VALUES ('confirmar')"));
             abrirRecordset();
             const auto e = grabar(d, Operacion::Alta);
             gDB().gCnn().Execute(QStringLiteral("DELETE FROM FALLOS"));
             rs.CancelUpdate();
             return e;
         },
         {}},
        {"una que falla en un paso, tampoco; reintentada, una vez",
         [&] {
             gDB().gCnn().Execute(QStringLiteral("INSERT INTO FALLOS (PASO) VALUES ('diferido')"));
             abrirRecordset();
             EXPECT_EQ(grabar(d, Operacion::Alta), ResultadoGrabacion::Estado::Fallida);
             EXPECT_EQ(historial(), QStringList());
             gDB().gCnn().Execute(QStringLiteral("DELETE FROM FALLOS"));
             rs.CancelUpdate();
             abrirRecordset();
             return grabar(d, Operacion::Alta);
         },
         QStringList{"Alta|" + ch + "|TALONARIO|-|500", "Alta|" + ch + "|IDBANCO|-|10",
                     "Alta|" + ch + "|SERIE|-|A", "Alta|" + ch + "|NUMERO_DESDE|-|100",
                     "Alta|" + ch + "|NUMERO_HASTA|-|150", "Alta|" + ch + "|CuentaBanco|-|11102010",
                     "Alta|" + ch + "|CuentaBancoDiferido|-|21103010"} +
             alta("11102010") + alta("21103010")},
        {"el cambio de un campo: solo ese",
         [&] {
             cargar();
             d.hasta = QStringLiteral("180");
             return grabar(d, Operacion::Modificacion);
         },
         {"Modificación|" + ch + "|NUMERO_HASTA|150|180"}},
        {"las dos cuentas por otras nuevas",
         [&] {
             cargar();
             d.cuenta = QStringLiteral("11102011");
             d.cuentaDiferido = QStringLiteral("21103011");
             return grabar(d, Operacion::Modificacion);
         },
         QStringList{"Modificación|" + ch + "|CuentaBanco|11102010|11102011",
                     "Modificación|" + ch + "|CuentaBancoDiferido|21103010|21103011"} +
             alta("11102011") + alta("21103011")},
        {"una cuenta que otro cambió vuelve a ser de banco, y se dice",
         [&] {
             gDB().gCnn().Execute(QStringLiteral(
                 "UPDATE MA_CUENTAS SET MedioDePago = 'EF', CUENTAPRINCIPAL = NULL WHERE CODIGO IN "
                 "('11102011', '21103011')"));
             cargar();
             return grabar(d, Operacion::Modificacion);
         },
         {"Modificación|Cuenta 11102011|MedioDePago|EF|DB", "Modificación|Cuenta 21103011|MedioDePago|EF|CH",
          "Modificación|Cuenta 21103011|CUENTAPRINCIPAL|-|11102011"}},
        {"la baja: el último valor de cada campo",
         [&] {
             cargar();
             return grabar(d, Operacion::Baja);
         },
         {"Baja|" + ch + "|TALONARIO|500|-", "Baja|" + ch + "|IDBANCO|10|-", "Baja|" + ch + "|SERIE|A|-",
          "Baja|" + ch + "|NUMERO_DESDE|100|-", "Baja|" + ch + "|NUMERO_HASTA|180|-",
          "Baja|" + ch + "|CuentaBanco|11102011|-", "Baja|" + ch + "|CuentaBancoDiferido|21103011|-"}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.que);
        const qint64 desde = ultimo();
        const ResultadoGrabacion::Estado e = c.hacer();
        EXPECT_EQ(e == ResultadoGrabacion::Estado::Hecha, !c.esperado.isEmpty());
        EXPECT_EQ(historial(desde), c.esperado);
    }
    // Every row of one cheque book carries its key, deleted or not.
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(DISTINCT IDCHEQUERA) FROM TA_QUENZAR_HISTORIAL")), 1);
}

// A database made before the history gets it at its first save.
TEST_F(Grabacion, UnaBaseSinHistorialLoRecibeAlGrabar) {
    gDB().gCnn().Close();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(base.ruta().toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DROP VIEW VT_HISTORIAL; DROP TABLE TA_QUENZAR_HISTORIAL", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    ASSERT_NO_FATAL_FAILURE(abrir());
    abrirRecordset();
    DatosChequera d = nueva();
    d.usuario = QStringLiteral("ANA");
    d.maquina = QStringLiteral("CAJA-1");
    EXPECT_EQ(grabarChequera(gDB(), rs, d, Operacion::Alta, {}).estado, ResultadoGrabacion::Estado::Hecha);
    EXPECT_EQ(historial().size(), 9);
    // Protected as if made with the database.
    EXPECT_ANY_THROW(gDB().gCnn().Execute(QStringLiteral("DELETE FROM TA_QUENZAR_HISTORIAL")));
}

// The history is only added to: the database itself refuses to change or remove
// a row, whoever asks.
class HistorialInalterable : public prueba::Motores {};

TEST_P(HistorialInalterable, NiCambiosNiBorrados) {
    SIN_ERROR(cn.Execute(QStringLiteral("INSERT INTO TA_QUENZAR_HISTORIAL (MOMENTO, USUARIO, MAQUINA, "
                                        "OPERACION, IDCHEQUERA, TABLA, CLAVE, CAMPO, "
                                        "ANTES, DESPUES) VALUES (GETDATE(), 'ANA', 'CAJA-1', 'Alta', 1, "
                                        "'TA_QUENZAR', '10/A/1', 'SERIE', NULL, "
                                        "'A')")));
    for (const char* sql : {"UPDATE TA_QUENZAR_HISTORIAL SET DESPUES = 'B'",
                            "DELETE FROM TA_QUENZAR_HISTORIAL", "DELETE TA_QUENZAR_HISTORIAL WHERE ID > 0"}) {
        SCOPED_TRACE(sql);
        try {
            cn.Execute(QString::fromLatin1(sql));
            ADD_FAILURE() << "no falló";
        } catch (const plataforma::ErrorEjecucion& e) {
            EXPECT_TRUE(e.Description().contains(QStringLiteral("El historial de chequeras no se puede")))
                << e.Description().toStdString();
        }
    }
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM VT_HISTORIAL WHERE DESPUES = 'A' AND REGISTRO = "
                                    "'Chequera 10/A/1'")),
              1);
}

QUENZAR_EN_AMBOS_MOTORES(HistorialInalterable);

} // namespace
