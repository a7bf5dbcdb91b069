// The program on a PostgreSQL server: what only a server has (stopped and
// started again, a second connection holding a lock, a statement that runs
// too long) and the windows used on it as on the embedded engine.

#include "data/DB_Dll.h"
#include "db/BaseDemo.h"
#include "editor/frmV_TA_QUENZAR.h"
#include "grid/KvDbGrid.h"
#include "platform/ado/Ado.h"
#include "platform/ado/CadenaConexion.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"
#include "shell/ModGlobal.h"
#include "shell/frmAcceso.h"
#include "tests/soporte/Intermediario.h"
#include "tests/soporte/Sesion.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace ado;
namespace errores = plataforma::errores;

namespace {

constexpr int32_t kTiempoAgotado = static_cast<int32_t>(0x80040E31);

// A server of this test alone, which it may stop and start again, on a free
// port. Its folder is named by the build, so that a server left by a run that
// was killed is stopped before a new one starts; it is removed when the tests
// end.
class ServidorPropio {
public:
    void iniciar() {
        if (mIntentado) return;
        mIntentado = true;
        QString salida;
        mValido = !prueba::servidorPostgres().isEmpty() &&
                  correr({QStringLiteral("iniciar"), carpeta(), QStringLiteral("libre"),
                          QStringLiteral(QUENZAR_GENERADOR)},
                         &salida);
        // The script's last line says where the server listens.
        mServidor = salida.trimmed().section(QLatin1Char('\n'), -1);
        mValido = mValido && mServidor.startsWith(QLatin1String("PG:"));
    }
    void detener() {
        if (mIntentado) correr({QStringLiteral("detener"), carpeta()});
        mIntentado = mValido = false;
    }
    bool valido() {
        iniciar();
        return mValido;
    }
    QString servidor() const { return mServidor; }
    bool parar() { return correr({QStringLiteral("parar"), carpeta()}); }
    bool arrancar() { return correr({QStringLiteral("arrancar"), carpeta()}); }

private:
    static QString carpeta() { return QStringLiteral(QUENZAR_PG_CARPETA_PROPIA); }
    static bool correr(const QStringList& args, QString* salida = nullptr) {
        QProcess p;
        // The test's current folder may be a temporary one already removed.
        p.setWorkingDirectory(QStringLiteral("/"));
        p.setProcessChannelMode(salida ? QProcess::ForwardedErrorChannel : QProcess::ForwardedChannels);
        p.start(QStringLiteral("sh"), QStringList{QStringLiteral(QUENZAR_SERVIDOR_PG)} + args);
        const bool bien =
            p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (salida) *salida = QString::fromUtf8(p.readAllStandardOutput());
        return bien;
    }
    bool mIntentado = false;
    bool mValido = false;
    QString mServidor;
};

ServidorPropio& propio() {
    static ServidorPropio s;
    return s;
}

// Stops the server of this test while the application still runs.
class AlTerminar : public ::testing::Environment {
public:
    void TearDown() override { propio().detener(); }
};
const auto* const kAlTerminar = ::testing::AddGlobalTestEnvironment(new AlTerminar);

// With the test run's server there, a server of its own must start too: never skipped then.
#define REQUIERE_SERVIDOR_PROPIO()                                                                           \
    do {                                                                                                     \
        if (prueba::servidorPostgres().isEmpty()) GTEST_SKIP() << "sin servidor PostgreSQL (QUENZAR_PG)";    \
        ASSERT_TRUE(propio().valido()) << "no arrancó el servidor propio de la prueba";                      \
    } while (0)

class Servidor : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pg.valido()) GTEST_SKIP() << "sin servidor PostgreSQL (QUENZAR_PG)";
        cn.setCursorLocation(adUseClient);
        SIN_ERROR(cn.Open(pg.cadena()));
    }
    prueba::BasePostgres pg;
    Connection cn;
};

TEST_F(Servidor, OtraConexionQueRetieneUnaFilaHaceEsperarHastaElTiempoDeEspera) {
    Connection otra;
    otra.Open(pg.cadena());
    otra.BeginTrans();
    otra.Execute(QStringLiteral("UPDATE TA_BANCOS SET CUIT = 'x' WHERE IDBANCO = '1'"));
    cn.setCommandTimeout(1);
    QElapsedTimer reloj;
    reloj.start();
    FALLA_CON(cn.Execute(QStringLiteral("UPDATE TA_BANCOS SET CUIT = 'y' WHERE IDBANCO = '1'")),
              kTiempoAgotado);
    EXPECT_GE(reloj.elapsed(), 900);
    EXPECT_EQ(cn.Errors().Item(0).SQLState, QStringLiteral("HYT00"));
    // Released, the same statement goes through; rows of others were never waited for.
    SIN_ERROR(cn.Execute(QStringLiteral("UPDATE TA_BANCOS SET CUIT = 'y' WHERE IDBANCO = '2'")));
    otra.RollbackTrans();
    SIN_ERROR(cn.Execute(QStringLiteral("UPDATE TA_BANCOS SET CUIT = 'y' WHERE IDBANCO = '1'")));
}

// A login the server refuses reads as SQL Server's login failures, not as a lost link.
TEST_F(Servidor, LosFallosDeIngresoTienenLosNumerosDeSqlServer) {
    struct Caso {
        const char* nombre;
        QString cadena;
        int nativo;
        const char* estado;
    } casos[] = {
        {"clave", pg.cadena(QStringLiteral("ADMIN"), QStringLiteral("otra")), 18456, "28000"},
        {"usuario", pg.cadena(QStringLiteral("NADIE"), QStringLiteral("x")), 18456, "28000"},
        {"base", QString(pg.cadena()).replace(pg.nombre(), QStringLiteral("NO_EXISTE_BASE")), 4060, "42000"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        Connection otra;
        FALLA_CON(otra.Open(c.cadena), errores::FalloGeneral);
        ASSERT_GE(otra.Errors().Count(), 1);
        EXPECT_EQ(otra.Errors().Item(0).NativeError, c.nativo)
            << otra.Errors().Item(0).Description.toStdString();
        EXPECT_EQ(otra.Errors().Item(0).SQLState, QLatin1String(c.estado));
    }
}

// A login without rights on a table is refused for that (229), not told the table is missing.
TEST_F(Servidor, SinPermisoEsPermisoDenegado) {
    Connection otra;
    SIN_ERROR(otra.Open(pg.cadena(QStringLiteral("KV_ESTADISTICAS"), QStringLiteral("QM_RELOJBANDERA"))));
    FALLA_CON(otra.Execute(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS")), errores::ErrorEnComando);
    ASSERT_GE(otra.Errors().Count(), 1);
    EXPECT_EQ(otra.Errors().Item(0).NativeError, 229) << otra.Errors().Item(0).Description.toStdString();
}

TEST_F(Servidor, UnaSentenciaQueTardaMasQueElTiempoDeEsperaSeCorta) {
    cn.setCommandTimeout(1);
    QElapsedTimer reloj;
    reloj.start();
    FALLA_CON(cn.Execute(QStringLiteral("SELECT pg_sleep(5)")), kTiempoAgotado);
    EXPECT_LT(reloj.elapsed(), 4000);
    // The connection stays usable.
    auto rs = cn.Execute(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS"));
    EXPECT_EQ((*rs)(0).Value().toInt(), 12);
}

TEST_F(Servidor, LasLetrasConTildeYLaEnieTambienIgnoranMayusculas) {
    cn.Execute(QStringLiteral("UPDATE TA_BANCOS SET DESCRIPCION = 'BANCO ÑANDÚ' WHERE IDBANCO = '12'"));
    auto contar = [&](const QString& sql) {
        auto rs = cn.Execute(sql);
        return (*rs)(0).Value().toInt();
    };
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM V_TA_BANCOS WHERE DESCRIPCION LIKE '%ñandú%'")), 1);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM V_TA_BANCOS WHERE DESCRIPCION = 'banco ñandú'")),
              1);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT CHARINDEX('ñan', DESCRIPCION) FROM V_TA_BANCOS WHERE IDBANCO = '12'")),
        7);
}

// A long result comes in slices, in the source's key order when the statement
// gives none (as SQL Server's clustered key), counted by the server.
TEST_F(Servidor, UnResultadoLargoSeLeePorTramosEnElOrdenDeLaClave) {
    cn.Execute(
        QStringLiteral("INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA) "
                       "SELECT g, '1', 'Z', g * 100, g * 100 + 1 FROM generate_series(1, 2500) AS g"));
    // A changed row keeps its place.
    cn.Execute(QStringLiteral("UPDATE TA_QUENZAR SET NUMERO_HASTA = 1040 WHERE ID = 3"));
    Recordset rs;
    rs.Open(QStringLiteral("SELECT ID, NUMERO_HASTA FROM V_TA_QUENZAR"), cn);
    EXPECT_EQ(rs.RecordCount(), 2536);
    int anterior = 0, n = 0;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext(), ++n) {
        const int id = rs(QStringLiteral("ID")).Value().toInt();
        ASSERT_GT(id, anterior) << "row " << n;
        anterior = id;
    }
    EXPECT_EQ(n, 2536);
    Recordset planilla;
    planilla.Open(QStringLiteral("SELECT * FROM V_TA_QUENZAR"), cn);
    planilla.MoveNext();
    planilla.MoveNext();
    EXPECT_EQ(planilla(QStringLiteral("ID")).Value().toInt(), 3);
}

TEST(ServidorPropioTest, ParadoEsConexionPerdidaYVueltoAArrancarSeReabre) {
    REQUIERE_SERVIDOR_PROPIO();
    // Both servers took a free port: never the same one.
    EXPECT_NE(propio().servidor(), prueba::servidorPostgres());
    prueba::BasePostgres pg(propio().servidor());
    Connection cn;
    SIN_ERROR(cn.Open(pg.cadena()));
    ASSERT_TRUE(propio().parar());
    FALLA_CON(cn.Execute(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS")), errores::FalloGeneral);
    ASSERT_GE(cn.Errors().Count(), 1);
    EXPECT_EQ(cn.Errors().Item(0).NativeError, 11) << cn.Errors().Item(0).Description.toStdString();
    cn.Close();
    FALLA_CON(cn.Open(pg.cadena()), errores::FalloGeneral);
    ASSERT_TRUE(propio().arrancar());
    SIN_ERROR(cn.Open(pg.cadena()));
    auto rs = cn.Execute(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS"));
    EXPECT_EQ((*rs)(0).Value().toInt(), 12);
}

// ------------------------------------------------------------------ the generator

int generar(const QStringList& argumentos, QString* salida = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(QUENZAR_GENERADOR), argumentos);
    p.waitForFinished(120000);
    if (salida) *salida = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// A database already there is never dropped silently: the generator refuses,
// naming what would be lost, unless --reemplazar asks for it.
TEST(Generador, NoReemplazaUnaBaseSinQueSeLoPidan) {
    QTemporaryDir carpeta;
    const QString dir = carpeta.path();
    ASSERT_EQ(generar({dir}), 0);
    {
        Connection cn;
        cn.Open(basedatos::cadenaConexion(dir + QStringLiteral("/QUENZAR.db")));
        cn.Execute(QStringLiteral("INSERT INTO TA_BANCOS (IDBANCO, DESCRIPCION) VALUES ('99', 'A MANO')"));
    }
    QString salida;
    EXPECT_EQ(generar({dir}, &salida), 1);
    EXPECT_TRUE(salida.contains(QStringLiteral("QUENZAR.db (36 chequeras)")) &&
                salida.contains(QStringLiteral("KV_ESTADISTICAS.db")) &&
                salida.contains(QStringLiteral("--reemplazar")))
        << salida.toStdString();
    EXPECT_EQ(generar({QStringLiteral("--si-falta"), dir}), 0) << "what exists is used";
    auto contarEn = [&](const QString& sql) {
        Connection cn;
        cn.Open(basedatos::cadenaConexion(dir + QStringLiteral("/QUENZAR.db")));
        auto rs = cn.Execute(sql);
        return (*rs)(0).Value().toInt();
    };
    EXPECT_EQ(contarEn(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS WHERE IDBANCO = '99'")), 1);
    EXPECT_EQ(generar({QStringLiteral("--reemplazar"), dir}), 0);
    EXPECT_EQ(contarEn(QStringLiteral("SELECT COUNT(*) FROM TA_BANCOS WHERE IDBANCO = '99'")), 0);

    prueba::BasePostgres pg;
    if (!pg.valido()) GTEST_SKIP() << "sin servidor PostgreSQL (QUENZAR_PG)";
    EXPECT_EQ(generar({QStringLiteral("--postgres"), pg.servidor(), QStringLiteral("--nombre"), pg.nombre()},
                      &salida),
              1);
    EXPECT_TRUE(salida.contains(QStringLiteral("la base de datos %1 (36 chequeras)").arg(pg.nombre())))
        << salida.toStdString();
    Connection cn;
    SIN_ERROR(cn.Open(pg.cadena()));
    auto rs = cn.Execute(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR"));
    EXPECT_EQ((*rs)(0).Value().toInt(), 36) << "the database is still there";
}

// The test server's script never removes a folder it did not make, and when
// it fails it says which log to read and shows its end.
TEST(ServidorDePrueba, NoTocaUnaCarpetaAjenaYDiceDondeMirarSiFalla) {
    auto correr = [](const QStringList& args, QString& salida) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("sh"), QStringList{QStringLiteral(QUENZAR_SERVIDOR_PG)} + args);
        p.waitForFinished(120000);
        salida = QString::fromUtf8(p.readAll());
        return p.exitCode();
    };
    QTemporaryDir ajena;
    QFile archivo(ajena.filePath(QStringLiteral("mio.txt")));
    ASSERT_TRUE(archivo.open(QIODevice::WriteOnly));
    archivo.close();
    QString salida;
    EXPECT_EQ(correr({QStringLiteral("iniciar"), ajena.path(), QStringLiteral("54339")}, salida), 1);
    EXPECT_TRUE(salida.contains(QStringLiteral("no se toca"))) << salida.toStdString();
    EXPECT_EQ(correr({QStringLiteral("detener"), ajena.path()}, salida), 1);
    EXPECT_TRUE(archivo.exists());

    const QString servidor = prueba::servidorPostgres();
    if (servidor.isEmpty()) GTEST_SKIP() << "sin servidor PostgreSQL (QUENZAR_PG)";
    // The port of the run's server is taken: this one cannot start.
    // Under /tmp itself: the server's own user must reach the folder.
    const QString carpeta =
        QStringLiteral("/tmp/quenzar-pg-sin-puerto-%1").arg(QCoreApplication::applicationPid());
    EXPECT_EQ(correr({QStringLiteral("iniciar"), carpeta, servidor.section(QLatin1Char(':'), 2)}, salida), 1);
    EXPECT_TRUE(salida.contains(QStringLiteral("registro: ") + carpeta + QStringLiteral("/servidor.log")))
        << salida.toStdString();
    EXPECT_TRUE(salida.contains(QStringLiteral("already in use"))) << "the log's last lines";
    EXPECT_EQ(correr({QStringLiteral("detener"), carpeta}, salida), 0);
    EXPECT_FALSE(QFileInfo::exists(carpeta));
}

// ------------------------------------------------------------------ the program on the server

class Programa : public prueba::Sesion {
protected:
    void iniciarEn(const prueba::BasePostgres& servidor) {
        QString cadena;
        shell::IniciarAplicacion(QStringLiteral("@Server=%1;@DbName=%2;@Usuario=ADMIN;@Password=admin;")
                                     .arg(servidor.servidor(), servidor.nombre()),
                                 cadena, 3);
        ASSERT_TRUE(datos::gDB().gOpenFlag);
    }
    qint64 contarEn(const prueba::BasePostgres& servidor, const QString& sql) {
        Connection c;
        c.Open(servidor.cadena());
        auto rs = c.Execute(sql);
        return (*rs)(0).Value().toLongLong();
    }
    QStringList columna(shell::FrmChequerasGrid& lista, int c) {
        QStringList r;
        auto* g = lista.KvDbGrid1->MsFlexGrid;
        for (int f = 1; f < g->Rows(); ++f)
            r << g->TextMatrix(f, c);
        return r;
    }
};

TEST_F(Programa, LaListaBuscaYPaginaYElEditorGrabaConSusCuentas) {
    prueba::BasePostgres pg;
    if (!pg.valido()) GTEST_SKIP() << "sin servidor PostgreSQL (QUENZAR_PG)";
    ASSERT_NO_FATAL_FAILURE(iniciarEn(pg));
    shell::FrmChequerasGrid lista;
    lista.show();
    lista.Cargar();
    auto* g = lista.KvDbGrid1;
    EXPECT_EQ(g->UltimaPagina(), 4);
    EXPECT_EQ(g->MsFlexGrid->TextMatrix(0, 1), QStringLiteral("Talonario"));
    EXPECT_EQ(columna(lista, 3).first(), QStringLiteral("BANCO DE LA NACION"));
    QTest::mouseClick(g->cmdUltimo, Qt::LeftButton);
    EXPECT_EQ(columna(lista, 1).size(), 6);
    // A search without letter case, as on SQL Server.
    g->txtBuscar->setText(QStringLiteral("galicia"));
    QTest::keyClick(g->txtBuscar, Qt::Key_Return);
    EXPECT_EQ(columna(lista, 3), QStringList(4, QStringLiteral("BANCO GALICIA")));

    editor::frmV_TA_QUENZAR f;
    f.show();
    auto escribir = [&](int caja, const QString& texto) {
        f.txtFields[caja]->setFocus();
        f.txtFields[caja]->setText(texto);
        QTest::keyClick(f.txtFields[caja], Qt::Key_Return);
    };
    escribir(0, QStringLiteral("10"));
    escribir(1, QStringLiteral("A"));
    escribir(2, QStringLiteral("500"));
    EXPECT_EQ(f.lblDesc0->text(), QStringLiteral("BANCO SUPERVIELLE"));
    escribir(3, QStringLiteral("100"));
    escribir(4, QStringLiteral("150"));
    f.ejecutarComando(QStringLiteral("GRABAR"));
    EXPECT_FALSE(f.HayError);
    EXPECT_TRUE(guion->mensajes.empty()) << guion->mensajes.front().texto.toStdString();
    EXPECT_EQ(contarEn(pg, QStringLiteral("SELECT COUNT(*) FROM V_TA_QUENZAR WHERE IDBANCO = '10' AND "
                                          "TALONARIO = 500 AND NUMERO_HASTA = 150")),
              1);
    EXPECT_EQ(contarEn(pg, QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '21103010' AND "
                                          "CUENTAPRINCIPAL = '11102010' AND MedioDePago = 'CH'")),
              1);
    // An overlapping range of the same bank and series is refused.
    escribir(0, QStringLiteral("10"));
    escribir(1, QStringLiteral("a"));
    escribir(2, QStringLiteral("501"));
    guion->responder(ui::vbOK, QStringLiteral("se superpone con el Nro de Control: 500"));
    escribir(3, QStringLiteral("120"));
}

TEST_F(Programa, ElDialogoDeConexionAbrePostgres) {
    prueba::BasePostgres pg;
    if (!pg.valido()) GTEST_SKIP() << "sin servidor PostgreSQL (QUENZAR_PG)";
    shell::registrarDialogoAcceso();
    guion->alMostrarModal([&](QWidget* w) {
        auto* f = qobject_cast<shell::frmAcceso*>(w);
        EXPECT_NE(f, nullptr);
        f->TxtDbName->setText(pg.nombre());
        f->TxtServidor->setText(pg.servidor().toLower());
        f->TxtUserId->setText(QStringLiteral("ADMIN"));
        f->TxtUserPassword->setText(QStringLiteral("admin"));
        QTest::mouseClick(f->bcAceptar, Qt::LeftButton);
        return 1;
    });
    auto& db = datos::gDB();
    db.OpenServerADODB(true, 3, QString(), true, true);
    ASSERT_TRUE(db.gOpenFlag);
    EXPECT_EQ(ado::CadenaConexion(db.gCnn().ConnectionString()).tipo(),
              ado::CadenaConexion::Tipo::PostgresOdbc);
    auto rs = db.gCnn().Execute(QStringLiteral("SELECT COUNT(*) FROM VT_Chequeras"));
    EXPECT_EQ((*rs)(0).Value().toInt(), 36);
    datos::registrarDialogoConexion({});
}

TEST_F(Programa, ServidorParadoConLaListaAbiertaPreguntaYSeRecupera) {
    REQUIERE_SERVIDOR_PROPIO();
    prueba::BasePostgres pg(propio().servidor());
    ASSERT_NO_FATAL_FAILURE(iniciarEn(pg));
    shell::FrmChequerasGrid lista;
    lista.show();
    lista.Cargar();
    ASSERT_EQ(columna(lista, 1).size(), 10);

    QApplication::setActiveWindow(&lista);
    lista.KvDbGrid1->MsFlexGrid->setFocus();
    ASSERT_TRUE(propio().parar());
    bool arrancado = false;
    guion->responderCon([&](const prueba::Mensaje& m) {
        EXPECT_TRUE(m.texto.contains(QLatin1String("Se perdio la conexion con la base de datos")))
            << m.texto.toStdString();
        arrancado = propio().arrancar();
        return int(ui::vbYes);
    });
    QTest::keyClick(lista.KvDbGrid1->MsFlexGrid, Qt::Key_F1);
    EXPECT_TRUE(arrancado);
    EXPECT_EQ(columna(lista, 1).size(), 10) << "the list reloaded";
    EXPECT_TRUE(datos::gDB().gOpenFlag);

    // Restarted while nobody looked: the link is opened again at once, and the
    // page that failed is offered again (Retry) with the server's reason.
    ASSERT_TRUE(propio().parar());
    ASSERT_TRUE(propio().arrancar());
    guion->responderCon([&](const prueba::Mensaje& m) {
        EXPECT_EQ(m.estilo & 0xF, ui::vbAbortRetryIgnore) << m.texto.toStdString();
        return int(ui::vbRetry);
    });
    QTest::mouseClick(lista.KvDbGrid1->cmdUltimo, Qt::LeftButton);
    EXPECT_EQ(columna(lista, 1).size(), 6);
    EXPECT_EQ(guion->mensajes.size(), 2u);

    // Stopped again, "No" ends the program.
    ASSERT_TRUE(propio().parar());
    guion->responderCon([&](const prueba::Mensaje&) { return int(ui::vbNo); });
    EXPECT_THROW(lista.Cargar(), prueba::ProgramaTerminado);
    ASSERT_TRUE(propio().arrancar());
}

// ------------------------------------------------------------------ a save that loses the server

// Types the new cheque book 10 / A / `talonario` (two new accounts) into the
// editor, its range one of its own.
void nuevaChequera(editor::frmV_TA_QUENZAR& f, const QString& talonario) {
    auto escribir = [&](int caja, const QString& texto) {
        f.txtFields[caja]->setFocus();
        f.txtFields[caja]->setText(texto);
        QTest::keyClick(f.txtFields[caja], Qt::Key_Return);
    };
    escribir(0, QStringLiteral("10"));
    escribir(1, QStringLiteral("A"));
    escribir(2, talonario);
    escribir(3, QString::number(talonario.toInt() * 100));
    escribir(4, QString::number(talonario.toInt() * 100 + 49));
}

// The server goes away in the middle of a save (at an account's INSERT) and
// comes back: the link is opened again through the usual question, Reintentar
// stores the save, and after Cancelar every command works on the new link.
TEST_F(Programa, UnaGrabacionQuePierdeElServidorVuelveAConectarse) {
    REQUIERE_SERVIDOR_PROPIO();
    prueba::BasePostgres pg(propio().servidor());
    ASSERT_NO_FATAL_FAILURE(iniciarEn(pg));
    for (const int respuesta : {int(ui::vbRetry), int(ui::vbAbort)}) {
        SCOPED_TRACE(respuesta == ui::vbRetry ? "Reintentar" : "Anular");
        const QString talonario = respuesta == ui::vbRetry ? QStringLiteral("600") : QStringLiteral("601");
        editor::frmV_TA_QUENZAR f;
        f.show();
        nuevaChequera(f, talonario);
        prueba::Registro r;
        bool parado = false;
        r.alEjecutar = [&](const QString& sql) {
            // The first write to the chart of accounts: an INSERT, or an UPDATE of an account made before.
            if (!parado && sql.contains(QLatin1String("MA_CUENTAS")) &&
                !sql.startsWith(QLatin1String("SELECT")))
                parado = propio().parar();
        };
        guion->responderCon([&](const prueba::Mensaje& m) {
            EXPECT_TRUE(m.texto.contains(QLatin1String("Se perdio la conexion con la base de datos")))
                << m.texto.toStdString();
            EXPECT_TRUE(propio().arrancar());
            return int(ui::vbYes);
        });
        // The save's own box tells the server's reason, not a closed connection.
        guion->responderCon([&](const prueba::Mensaje& m) {
            EXPECT_FALSE(m.texto.contains(QLatin1String("3709"))) << m.texto.toStdString();
            return respuesta;
        });
        f.ejecutarComando(QStringLiteral("GRABAR"));
        ASSERT_TRUE(parado);
        const QString chequera = QStringLiteral("SELECT COUNT(*) FROM V_TA_QUENZAR WHERE IDBANCO = '10' AND "
                                                "TALONARIO = %1")
                                     .arg(talonario);
        if (respuesta == ui::vbRetry) {
            EXPECT_FALSE(f.HayError);
            EXPECT_EQ(contarEn(pg, chequera), 1);
        } else {
            EXPECT_TRUE(f.HayError);
            EXPECT_EQ(contarEn(pg, chequera), 0) << "nothing of the save that was left";
            // The entry is still on screen and the link works: the bank is found, the save stores.
            f.txtFields[0]->setFocus();
            QTest::keyClick(f.txtFields[0], Qt::Key_Return);
            EXPECT_FALSE(f.HayError) << "no false 'El banco informado no existe'";
            QTest::keyClick(f.txtFields[4], Qt::Key_F5);
            EXPECT_FALSE(f.HayError);
            EXPECT_EQ(contarEn(pg, chequera), 1);
        }
        EXPECT_EQ(contarEn(pg, QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO IN ('11102010', "
                                              "'21103010')")),
                  2);
        f.ejecutarComando(QStringLiteral("CERRAR"));
    }
}

// The link dies at the commit: before the server has it (nothing stored) or
// after (all stored, the answer lost). After reconnecting, the user is told
// which, and a stored save is never reported as failed.
TEST_F(Programa, ElEnlaceCaidoAlConfirmarDiceSiQuedoGrabada) {
    prueba::BasePostgres pg;
    if (!pg.valido()) GTEST_SKIP() << "sin servidor PostgreSQL (QUENZAR_PG)";
    prueba::Intermediario red(pg.servidor().section(QLatin1Char(':'), 2).toInt());
    QString cadena;
    shell::IniciarAplicacion(
        QStringLiteral("@Server=PG:127.0.0.1:%1;@DbName=%2;@Usuario=ADMIN;@Password=admin;")
            .arg(red.puerto())
            .arg(pg.nombre()),
        cadena, 3);
    ASSERT_TRUE(datos::gDB().gOpenFlag);
    struct Caso {
        prueba::Intermediario::Corte corte;
        const char* talonario;
        bool grabada;
        const char* mensaje;
    } casos[] = {
        {prueba::Intermediario::Corte::TrasLaRespuestaDelCommit, "700", true, "quedaron grabadas"},
        {prueba::Intermediario::Corte::AntesDelCommit, "701", false, "NO se grabó nada"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.talonario);
        editor::frmV_TA_QUENZAR f;
        f.show();
        nuevaChequera(f, QString::fromLatin1(c.talonario));
        red.cortarEnElCommit(c.corte);
        guion->responder(ui::vbOK, QString::fromUtf8(c.mensaje));
        f.ejecutarComando(QStringLiteral("GRABAR"));
        EXPECT_TRUE(red.cortado());
        EXPECT_EQ(f.HayError, !c.grabada);
        EXPECT_EQ(contarEn(pg, QStringLiteral(
                                   "SELECT COUNT(*) FROM V_TA_QUENZAR WHERE IDBANCO = '10' AND TALONARIO "
                                   "= %1")
                                   .arg(QLatin1String(c.talonario))),
                  c.grabada ? 1 : 0);
        if (c.grabada) {
            EXPECT_TRUE(f.txtFields[0]->text().isEmpty()) << "back to browsing, as after any save";
        } else {
            EXPECT_EQ(f.txtFields[2]->text(), QString::fromLatin1(c.talonario)) << "the entry stays";
            // Saved again on the link that came back.
            QTest::keyClick(f.txtFields[4], Qt::Key_F5);
            EXPECT_FALSE(f.HayError);
        }
        f.ejecutarComando(QStringLiteral("CERRAR"));
    }
}

} // namespace
