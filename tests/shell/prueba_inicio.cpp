// Start-up, the progress notice and the cheque-book list window.

#include "grid/KvDbGrid.h"
#include "notice/Dll_Display.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"
#include "shell/frmAcceso.h"
#include "tests/soporte/Sesion.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <malloc.h>

using datos::gDB;
using shell::G;

namespace {

struct CasoComando {
    const char* comando;
    const char* servidor;
    const char* usuario;
    const char* caja;
    const char* adicional;
};

TEST(LineaDeComandos, CorteClavePorClave) {
    shell::reiniciarModGlobal();
    const CasoComando casos[] = {
        {" ; @server=SRV1; @dbname=E; @usuario=ANA; @Password=x; @ParametroAdicional=12; orve@ ; "
         "@UsuarioLogeado = ANA; @Caja=2;",
         "SRV1", "ANA", "2", "12"},
        {"@SERVER = srv ;@USUARIO= ana ;", "srv", "ana", "1", ""},
        {"@Server=S;@Caja=;@Usuario=U;", "S", "U", "", ""},
        {"@UsuarioLogeado=ANA;@Usuario=X;", "", "LogeadoANA", "1", ""},
        {"@Server=S;@Usuario=U", "S", "", "1", ""},
        {"@ParametroAdicional=0123456789012345678901234", "", "", "1", "012345678901234567"},
        {"", "", "", "1", ""},
    };
    for (const auto& c : casos) {
        const auto v = shell::cortarComando(QString::fromUtf8(c.comando));
        EXPECT_EQ(v.servidor, QString::fromUtf8(c.servidor)) << c.comando;
        EXPECT_EQ(v.usuario, QString::fromUtf8(c.usuario)) << c.comando;
        EXPECT_EQ(v.caja, QString::fromUtf8(c.caja)) << c.comando;
        EXPECT_EQ(v.parametroAdicional, QString::fromUtf8(c.adicional)) << c.comando;
    }
    EXPECT_EQ(shell::NormalizaServidor(QStringLiteral("tcp/Srv1:1433")), QStringLiteral("Srv1"));
    EXPECT_EQ(shell::NormalizaServidor(QStringLiteral("host:1433")), QStringLiteral("host"));
    EXPECT_EQ(shell::NormalizaServidor(QStringLiteral("Srv1\\Inst2")), QStringLiteral("Srv1\\Inst2"));
    EXPECT_EQ(shell::NormalizaServidor(QStringLiteral("#ORCL")), QStringLiteral("#ORCL"));
}

class Inicio : public prueba::Sesion {};

const QString kComando =
    QStringLiteral("@Server=SQLITE;@DbName=QUENZAR;@Usuario=ADMIN;@Password=admin;@UsuarioLogeado=X;");

TEST_F(Inicio, ConLaLineaDelMenuAbreYRegistraElAcceso) {
    QString cadena;
    shell::IniciarAplicacion(kComando, cadena, 3);
    auto& db = gDB();
    EXPECT_TRUE(db.gOpenFlag);
    EXPECT_EQ(G().gUsuarioLogeado, QStringLiteral("ADMIN"));
    EXPECT_EQ(G().gTimeOut, 90);
    EXPECT_EQ(db.gCnn().CommandTimeout(), 90);
    EXPECT_EQ(db.gCnn().IsolationLevel(), 256);
    EXPECT_TRUE(shell::gDBEstadisticas().gOpenFlag);
    EXPECT_TRUE(QFile::exists(carpetaApp() + QStringLiteral("consultas.kvt")));
    EXPECT_EQ(G().gTablaConfiguracion, QStringLiteral("ta_configuracion"));
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM Control_Acceso")), 1);
    EXPECT_EQ(notice::cartelActual().ventana(), nullptr) << "the notice is closed";
    // The editor's load runs the tail again: one more row, no reconnection.
    prueba::Registro r;
    shell::IniciarAplicacion(QString(), cadena, 3);
    EXPECT_EQ(r.aperturas, 0);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM Control_Acceso")), 2);
}

TEST_F(Inicio, SinEstadisticasElTiempoEsNoventa) {
    QFile::remove(base.carpeta() + QStringLiteral("/KV_ESTADISTICAS.db"));
    QString cadena;
    shell::IniciarAplicacion(kComando, cadena, 3);
    EXPECT_TRUE(gDB().gOpenFlag);
    EXPECT_FALSE(shell::gDBEstadisticas().gOpenFlag);
    EXPECT_EQ(G().gTimeOut, 90);
}

// The stored time-out is a 16-bit value: one that does not fit is a failed
// step, skipped, and the time-out stays 90.
TEST_F(Inicio, TiempoDeEsperaFueraDeRango) {
    QString cadena;
    shell::IniciarAplicacion(kComando, cadena, 3);
    auto& e = shell::gDBEstadisticas();
    const std::pair<const char*, int> casos[] = {
        {"120", 120}, {"32767", 32767}, {"40000", 90}, {"-40000", 90}, {"1e12", 90}};
    for (const auto& [valor, esperado] : casos) {
        SCOPED_TRACE(valor);
        e.gCnn().Execute(
            QStringLiteral("UPDATE ta_configuracion SET VALOR = '%1' WHERE CLAVE = 'TimeOut'").arg(valor));
        shell::ConectaEstadisticas();
        EXPECT_EQ(G().gTimeOut, esperado);
    }
}

TEST_F(Inicio, SinServidorPideLaConexionYCancelarTermina) {
    shell::registrarDialogoAcceso();
    guion->alMostrarModal([](QWidget* w) {
        qobject_cast<shell::frmAcceso*>(w)->bcCancelar_Click();
        return 0;
    });
    QString cadena;
    EXPECT_THROW(shell::IniciarAplicacion(QStringLiteral("@DbName=QUENZAR;"), cadena, 3),
                 prueba::ProgramaTerminado);
    datos::registrarDialogoConexion({});
}

TEST_F(Inicio, EstiloSegunElIni) {
    QTemporaryDir ini;
    qputenv("QUENZAR_CARPETA_INI", ini.path().toUtf8());
    QWidget w;
    shell::AplicarEstilo(&w);
    EXPECT_EQ(G().gEstilo, 4);
    EXPECT_EQ(w.property("ArchivoEstilo").toString(), QStringLiteral("Styles/iTunes"));
    EXPECT_FALSE(w.styleSheet().isEmpty());
    EXPECT_EQ(shell::archivoEstilo(0), QStringLiteral("Styles/Office2007.cjstyles"));
    EXPECT_EQ(shell::archivoEstilo(2), QStringLiteral("Styles/WinXP.Luna.cjstyles"));
    qunsetenv("QUENZAR_CARPETA_INI");
}

TEST(Aviso, LineasCancelarYAnimacion) {
    notice::Dll_Display d;
    d.CartelInicio(QStringLiteral("Titulo"), 1);
    bool cancelado = true;
    d.CartelMostrar(cancelado, QStringLiteral("uno"), QStringLiteral("dos"), QStringLiteral("tres"));
    EXPECT_FALSE(cancelado);
    d.CartelMostrar(cancelado, QVariant(), QStringLiteral("nueva"));
    EXPECT_EQ(d.ventana()->LblCtrol[0]->text(), QStringLiteral("uno"));
    EXPECT_EQ(d.ventana()->LblCtrol[1]->text(), QStringLiteral("nueva"));
    EXPECT_EQ(d.ventana()->LblCtrol[2]->text(), QStringLiteral("tres"));
    EXPECT_EQ(d.ventana()->windowTitle(), QStringLiteral("Titulo"));
    EXPECT_NEAR(d.ventana()->windowOpacity(), 200.0 / 255.0, 0.01);
    d.ventana()->CmdDisplayCancelar->click();
    d.CartelMostrar(cancelado);
    EXPECT_TRUE(cancelado);
    d.CartelMostrar(cancelado);
    EXPECT_TRUE(cancelado);
    for (int i = 0; i < 12; ++i)
        d.ventana()->Timer1_Timer();
    EXPECT_EQ(d.ventana()->cuadro(), 0) << "twelve ticks go round to the first picture";
    d.CartelCerrar();
    d.CartelInicio(QStringLiteral("Otra"), 0);
    EXPECT_EQ(d.ventana()->CmdDisplayCancelar->text(), QStringLiteral("&Cancelar"));
    EXPECT_TRUE(d.ventana()->CmdDisplayCancelar->isHidden());
    d.CartelMostrar(cancelado);
    EXPECT_FALSE(cancelado);
    d.CartelCerrar();
}

// A window manager keeps a window asked to stay on top above every dialog:
// the notice is not, so the connection dialog and the questions opened while
// it shows come above it, whole and usable.
TEST(Aviso, NoQuedaEncimaDeLosDialogos) {
    notice::Dll_Display d;
    d.CartelInicio(QStringLiteral("Conectando Base de Datos"), 0);
    EXPECT_FALSE(d.ventana()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    d.CartelCerrar();
}

class Lista : public prueba::Sesion {};

TEST_F(Lista, CargaEditaYSaleConLasTeclas) {
    qputenv("QUENZAR_CARPETA_INI", carpetaApp().toUtf8());
    QString cadena;
    shell::IniciarAplicacion(kComando, cadena, 3);
    shell::FrmChequerasGrid v;
    v.Cargar();
    v.show();
    QApplication::setActiveWindow(&v);
    auto* g = v.KvDbGrid1;
    EXPECT_EQ(g->UltimaPagina(), 4);
    EXPECT_EQ(g->PageSize(), 10);
    EXPECT_EQ(v.cmdCargar->text(), QStringLiteral("[F1] Cargar"));
    EXPECT_EQ(v.cmdEdit->toolTip(), QStringLiteral("Altas, Bajas y Modificaciones"));

    QString banco, serie, talonario;
    int ediciones = 0;
    shell::FrmChequerasGrid::registrarEditor([&](const QString& b, const QString& s, const QString& t) {
        banco = b;
        serie = s;
        talonario = t;
        ++ediciones;
        // The editor stored something: the list shows it after it closes.
        gDB().gCnn().Execute(QStringLiteral("DELETE TA_QUENZAR WHERE ID > 30"));
    });
    g->MsFlexGrid->setFocus();
    g->MsFlexGrid->setRow(3);
    QTest::keyClick(g->MsFlexGrid, Qt::Key_F2);
    EXPECT_EQ(ediciones, 1);
    EXPECT_EQ(banco, QStringLiteral("3"));
    EXPECT_EQ(serie, QStringLiteral("A"));
    EXPECT_EQ(talonario, QStringLiteral("3"));
    EXPECT_EQ(g->UltimaPagina(), 3) << "the list was loaded again";

    gDB().gCnn().Execute(QStringLiteral("DELETE TA_QUENZAR WHERE ID > 20"));
    QTest::keyClick(g->MsFlexGrid, Qt::Key_F1);
    EXPECT_EQ(g->UltimaPagina(), 2);

    QTest::keyClick(g->MsFlexGrid, Qt::Key_Escape);
    EXPECT_FALSE(v.isVisible());
    shell::FrmChequerasGrid::registrarEditor({});
    qunsetenv("QUENZAR_CARPETA_INI");
}

// With its skin on, the list keeps the memory it has while pages are turned
// by key and shown: every repaint used to leave a drawing in the cache.
TEST_F(Lista, PasarPaginasConElEstiloNoAcumulaMemoria) {
    qputenv("QUENZAR_CARPETA_INI", carpetaApp().toUtf8());
    QString cadena;
    shell::IniciarAplicacion(kComando, cadena, 3);
    shell::FrmChequerasGrid v;
    shell::AplicarEstilo(&v);
    v.Cargar();
    v.show();
    auto* g = v.KvDbGrid1;
    g->MsFlexGrid->setFocus();
    int sentido = Qt::Key_PageDown;
    auto vueltas = [&](int n) {
        for (int i = 0; i < n; ++i) {
            if (g->PaginaActual() == g->UltimaPagina()) sentido = Qt::Key_PageUp;
            if (g->PaginaActual() == 1) sentido = Qt::Key_PageDown;
            QTest::keyClick(g->MsFlexGrid, static_cast<Qt::Key>(sentido));
            QApplication::processEvents();
        }
    };
    vueltas(100);
    const auto antes = static_cast<qint64>(mallinfo2().uordblks);
    vueltas(700);
    const auto crecimiento = static_cast<qint64>(mallinfo2().uordblks) - antes;
    EXPECT_LT(crecimiento, 256 * 1024) << crecimiento << " bytes more after 700 pages";
    qunsetenv("QUENZAR_CARPETA_INI");
}

// F1 pressed again while the list counts (the count lets input run) does not
// start a second load inside the first.
TEST_F(Lista, F1DuranteUnaCargaNoLaRepite) {
    QString cadena;
    shell::IniciarAplicacion(kComando, cadena, 3);
    shell::FrmChequerasGrid v;
    v.show();
    QApplication::setActiveWindow(&v);
    prueba::Registro registro;
    int conteos = 0;
    registro.alEjecutar = [&](const QString& s) {
        if (!s.startsWith(QLatin1String("SELECT Talonario"))) return;
        if (++conteos == 1) QTest::keyClick(v.KvDbGrid1->MsFlexGrid, Qt::Key_F1);
    };
    QTest::keyClick(v.KvDbGrid1->MsFlexGrid, Qt::Key_F1);
    EXPECT_EQ(conteos, 2) << "the probe and the count of one load";
    EXPECT_EQ(v.KvDbGrid1->UltimaPagina(), 4);
}

TEST_F(Lista, EditarEnUnaListaVaciaNoHaceNada) {
    QString cadena;
    shell::IniciarAplicacion(kComando, cadena, 3);
    gDB().gCnn().Execute(QStringLiteral("DELETE TA_QUENZAR"));
    shell::FrmChequerasGrid v;
    v.Cargar();
    int ediciones = 0;
    shell::FrmChequerasGrid::registrarEditor(
        [&](const QString&, const QString&, const QString&) { ++ediciones; });
    v.editar();
    EXPECT_EQ(ediciones, 0);
    shell::FrmChequerasGrid::registrarEditor({});
}

} // namespace
