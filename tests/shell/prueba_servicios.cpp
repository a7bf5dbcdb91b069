// The shell's services: error reporting and logs, configuration table, SQL
// text helpers, scripts and launcher, access log.

#include "shell/Servicios.h"
#include "tests/soporte/Sesion.h"

#include <QFile>
#include <QLabel>
#include <QRegularExpression>

using datos::gDB;
using shell::G;

namespace {

QByteArray leer(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Servicios : public prueba::Sesion {
protected:
    void SetUp() override { abrir(); }
};

TEST_F(Servicios, MensajeErrorMuestraYRegistraEnLaCarpetaTemporal) {
    guion->responder(ui::vbRetry);
    const auto r =
        shell::MensajeError(plataforma::ErrorEjecucion(3704, QStringLiteral(" Operación no permitida "),
                                                       QStringLiteral("ADODB.Recordset")),
                            18, QStringLiteral("Cfg"));
    EXPECT_EQ(r, ui::vbRetry);
    ASSERT_EQ(guion->mensajes.size(), 1u);
    EXPECT_EQ(guion->mensajes[0].texto,
              QStringLiteral("Ha ocurrido el Siguiente Error (3704) Operación no permitida"));
    EXPECT_EQ(guion->mensajes[0].titulo, QStringLiteral("ADODB.Recordset - Cfg Aviso al operador!!! - 2 "));
    EXPECT_EQ(guion->mensajes[0].estilo, 18);
    const QByteArray log = leer(carpetaApp() + QStringLiteral("KVERR.LOG"));
    const QRegularExpression linea(
        QStringLiteral("^\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d Rutina: - Cfg Mensaje Ha ocurrido el "
                       "Siguiente Error \\(3704\\) "
                       "Operaci\u00f3n no permitida Respondi\u00f3 : Reintentar\r\n$"));
    EXPECT_TRUE(linea.match(QString::fromLatin1(log)).hasMatch()) << log.toStdString();
    EXPECT_TRUE(log.contains("Operaci\xf3n")) << "written in the Windows code page";

    // OK writes the label with nothing after it; number 0 shows nothing and writes nothing.
    guion->responder(ui::vbOK);
    shell::MensajeError(plataforma::ErrorEjecucion(9, QStringLiteral("x")), 0);
    EXPECT_TRUE(leer(carpetaApp() + QStringLiteral("KVERR.LOG")).endsWith("Respondi\xf3 : \r\n"));
    EXPECT_EQ(shell::MensajeError(plataforma::ErrorEjecucion(0, QStringLiteral("x"))), 0);
    EXPECT_EQ(guion->mensajes.size(), 2u);

    // A password in a failure's text reaches neither the message nor the log.
    guion->responder(ui::vbAbort);
    shell::MensajeError(plataforma::ErrorEjecucion(
        1, QStringLiteral("falló PROVIDER=SQLOLEDB;Server=S;Database =D;UId=U;Pwd=secretisima;")));
    EXPECT_FALSE(guion->mensajes.back().texto.contains(QStringLiteral("secretisima")));
    EXPECT_TRUE(guion->mensajes.back().texto.contains(QStringLiteral("Pwd=****")));
    EXPECT_FALSE(leer(carpetaApp() + QStringLiteral("KVERR.LOG")).contains("secretisima"));
}

TEST_F(Servicios, CarpetaDelRegistroSegunTempYTmp) {
    QTemporaryDir otra;
    qputenv("tmp", otra.path().toUtf8());
    EXPECT_EQ(shell::carpetaRegistro(), carpetaApp()) << "tmp alone is not read";
    qputenv("temp", "x");
    EXPECT_EQ(shell::carpetaRegistro(), otra.path() + QLatin1Char('/'));
    qunsetenv("tmp");
    qunsetenv("temp");
}

TEST_F(Servicios, GrabaErrorAuxGuardaLaFilaCortandoLaDescripcion) {
    QString proceso;
    const QString larga = QString(300, QLatin1Char('d'));
    shell::GrabaErrorAux(QStringLiteral("INSERT INTO X"), proceso, 2627, larga);
    EXPECT_EQ(proceso, shell::nombreEjecutable());
    ado::Connection cn;
    cn.Open(base.cadena());
    auto rs = cn.Execute(QStringLiteral("SELECT * FROM AUX_ERR"));
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ((*rs)(QStringLiteral("Proceso")).Value().toString(), proceso);
    EXPECT_EQ((*rs)(QStringLiteral("Error")).Value().toInt(), 2627);
    EXPECT_EQ((*rs)(QStringLiteral("Descripcion")).Value().toString().size(), 250);
    EXPECT_EQ((*rs)(QStringLiteral("sql")).Value().toString(), QStringLiteral("INSERT INTO X"));
    EXPECT_EQ((*rs)(QStringLiteral("Usuario")).Value().toString(), QStringLiteral("ADMIN"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^\d\d/\d\d/\d\d \d\d:\d\d$)"))
                    .match((*rs)(QStringLiteral("fecha")).Value().toString())
                    .hasMatch());
}

TEST_F(Servicios, CfgLeeConClavesDeCualquierFormaYFaltantesComoBlanco) {
    prueba::Registro r;
    QString aux;
    EXPECT_EQ(shell::Cfg(QStringLiteral(" titulobancos "), &aux), QStringLiteral("11102"));
    EXPECT_EQ(r.sentencias.last(),
              QStringLiteral(
                  "SELECT VALOR, valoraux FROM TA_CONFIGURACION with(nolock)  WHERE CLAVE = 'titulobancos'"));
    EXPECT_EQ(shell::Cfg(QStringLiteral("NO_ESTA")), QStringLiteral(" "));
    EXPECT_EQ(shell::Cfg(QStringLiteral("THEME")), QStringLiteral("1"));
    gDB().gCnn().Execute(QStringLiteral("DELETE ta_configuracion WHERE CLAVE = 'THEME'"));
    EXPECT_EQ(shell::Cfg(QStringLiteral("theme")), QStringLiteral("1"));
    shell::Cfg(QStringLiteral("[Fecha Hasta]"));
    EXPECT_EQ(
        r.sentencias.last(),
        QStringLiteral(
            "SELECT VALOR, VALORAUX FROM TA_CONFIGURACION WITH(NOLOCK)  WHERE CLAVE = '[FECHA HASTA]'"));
    // A key with a quote finds its row instead of breaking the statement.
    gDB().gCnn().Execute(
        QStringLiteral("INSERT INTO ta_configuracion (CLAVE, VALOR, valoraux) VALUES ('O''Key', 'v', 'a')"));
    EXPECT_EQ(shell::Cfg(QStringLiteral("O'Key"), &aux), QStringLiteral("v"));
    EXPECT_EQ(aux, QStringLiteral("a"));
    EXPECT_TRUE(guion->mensajes.empty());
}

TEST_F(Servicios, CfgSinSesionAbiertaNoTocaLaBase) {
    gDB().gCnn().Close();
    gDB().gOpenFlag = false;
    prueba::Registro r;
    EXPECT_EQ(shell::Cfg(QStringLiteral("TituloBancos")), QString());
    EXPECT_TRUE(r.sentencias.isEmpty());
}

TEST_F(Servicios, CfgKVYGrabaCfgKVEnEstadisticas) {
    auto& e = shell::gDBEstadisticas();
    e.gServidor = QStringLiteral("SQLITE");
    e.gDBName = QStringLiteral("KV_ESTADISTICAS");
    e.gUsuario = QStringLiteral("KV_ESTADISTICAS");
    e.gUserPassWord = QStringLiteral("QM_RELOJBANDERA");
    e.OpenServerADODB(false, 3, QString(), true, false);
    ASSERT_TRUE(e.gOpenFlag);
    EXPECT_EQ(shell::CfgKV(QStringLiteral("TimeOut")), QStringLiteral("90"));
    shell::GrabaCfgKV(QStringLiteral("nuevaClave"), 0, QString(), false, QStringLiteral("BaseDeDatos"), true);
    EXPECT_EQ(shell::CfgKV(QStringLiteral("NUEVACLAVE")), QStringLiteral("0"));
    shell::GrabaCfgKV(QStringLiteral("NUEVACLAVE"), QStringLiteral("  7  "), QStringLiteral(" aux "), true,
                      QStringLiteral("G"), false);
    QString aux;
    EXPECT_EQ(shell::CfgKV(QStringLiteral("nuevaclave"), &aux), QStringLiteral("  7  "));
    EXPECT_EQ(aux, QStringLiteral("aux"));
    ado::Connection cn;
    cn.Open(basedatos::cadenaConexion(QStringLiteral("KV_ESTADISTICAS"), QStringLiteral("KV_ESTADISTICAS"),
                                      QStringLiteral("QM_RELOJBANDERA")));
    auto rs = cn.Execute(QStringLiteral(
        "SELECT CLAVE, PoliticaNegocio, Grupo FROM ta_configuracion WHERE CLAVE = 'NUEVACLAVE'"));
    EXPECT_EQ((*rs)(0).Value().toString(), QStringLiteral("NUEVACLAVE"));
    EXPECT_EQ((*rs)(1).Value().toBool(), true);
    EXPECT_EQ(rs->RecordCount(), 1);
}

TEST_F(Servicios, CargaConfiguracionLeeLosValoresDeLaSuite) {
    gDB().gCnn().Execute(
        QStringLiteral("UPDATE ta_configuracion SET VALOR = 'si' WHERE CLAVE = 'SS_CONFIDENCIALIDAD'"));
    gDB().gCnn().Execute(
        QStringLiteral("INSERT INTO ta_configuracion (CLAVE, VALOR) VALUES ('CONDIVA', '3')"));
    G().gUsuarioLogeado = QStringLiteral("ADMIN");
    shell::CargaConfiguracion(carpetaApp());
    EXPECT_EQ(G().gTablaConfiguracion, QStringLiteral("ta_configuracion"));
    EXPECT_TRUE(datos::gConfidencialidad());
    EXPECT_FALSE(G().cfg.UTILIZARFECHADIA);
    EXPECT_EQ(G().cfg.CONDIVAEMPRESA, 3);
    EXPECT_EQ(G().cfg.UNegocio, QStringLiteral("1"));
    EXPECT_EQ(G().gCFondo, 16776960u);
    EXPECT_EQ(G().cfg.Top_Default, QStringLiteral("1000"));
    EXPECT_TRUE(G().cfg.ModuloOrdenDeTrabajo);
    EXPECT_EQ(G().cfg.ArchivoTareas, carpetaApp() + QStringLiteral("KVDOCTareas.kvt"));
    EXPECT_TRUE(guion->mensajes.empty());
}

TEST_F(Servicios, AgregaCampoYArmaSentencia) {
    QString v1 = QStringLiteral("O'Brien");
    QString v2 = QStringLiteral("null");
    shell::AgregaCampo(QStringLiteral("Nombre"), v1, QStringLiteral("'"), true);
    shell::AgregaCampo(QStringLiteral("Nota"), v2, QStringLiteral("'"), false);
    EXPECT_EQ(v1, QStringLiteral("OBrien"));
    QStringList script;
    shell::ArmaSentencia(shell::camposPendientes(), script, QStringLiteral("T"));
    EXPECT_EQ(script,
              (QStringList{QStringLiteral("INSERT INTO T (Nombre,Nota) VALUES ('OBrien',Null)"), QString()}));
    EXPECT_TRUE(shell::camposPendientes().isEmpty());
    EXPECT_EQ(shell::SqlTop(QStringLiteral("Select TOP 1 * from X")),
              QStringLiteral("Select TOP 1 * from X"));
    EXPECT_EQ(shell::FormatoFechaHora(), QStringLiteral("dd/mm/yy hh:mm"));
}

TEST_F(Servicios, SqlTopParaOracle) {
    gDB().gCnn().Close();
    gDB().gCnn().Open(base.cadena() + QStringLiteral("Application Name=oracle;"));
    EXPECT_EQ(shell::SqlTop(QStringLiteral("Select TOP 1 * from Control_Acceso  with(nolock) ")),
              QStringLiteral("Select  *  from Control_Acceso  with(nolock)  WHERE ROWNUM <=  1 "));
    EXPECT_EQ(shell::SqlTop(QStringLiteral("len")), QStringLiteral("LENGTH"));
}

TEST_F(Servicios, FechaDelServidorYArchivos) {
    const QDateTime f = shell::FechaServidor();
    EXPECT_LE(qAbs(f.secsTo(QDateTime::currentDateTime())), 5);
    EXPECT_EQ(f.time().msec(), 0);
    QFile a(carpetaApp() + QStringLiteral("x.txt"));
    ASSERT_TRUE(a.open(QIODevice::WriteOnly));
    a.close();
    EXPECT_TRUE(shell::ExisteArchivo(QLatin1Char('"') + carpetaApp() + QStringLiteral("x.txt\"")));
    EXPECT_FALSE(shell::ExisteArchivo(carpetaApp() + QStringLiteral("no.txt")));
}

TEST_F(Servicios, BuscaCuentaPorCodigoUOpcional) {
    QString codigo = QStringLiteral("15");
    bool opcional = false;
    EXPECT_TRUE(shell::BuscaCuenta(codigo, nullptr, true, opcional)) << "15 is bank 5's optional code";
    EXPECT_EQ(codigo, QStringLiteral("11102005"));
    EXPECT_TRUE(opcional);
    codigo = QStringLiteral("21103002");
    opcional = false;
    EXPECT_TRUE(shell::BuscaCuenta(codigo, nullptr, true, opcional));
    EXPECT_FALSE(opcional);
    codigo = QStringLiteral("999");
    EXPECT_FALSE(shell::BuscaCuenta(codigo, nullptr, true, opcional));
    codigo = QStringLiteral("1' OR '1'='1");
    opcional = false;
    EXPECT_FALSE(shell::BuscaCuenta(codigo, nullptr, true, opcional));
}

TEST_F(Servicios, GuionQueFallaSeDeshaceYQuedaEnAuxErr) {
    bool error = false;
    int32_t nativo = 0;
    QString enviado, texto;
    guion->responder(ui::vbOK, QStringLiteral("2627 : "));
    shell::GActualizarDatoScript({QStringLiteral("INSERT INTO TA_CCOSTO (CODIGO) VALUES ('N1')"), QString(),
                                  QStringLiteral("INSERT INTO TA_CCOSTO (CODIGO) VALUES ('1')")},
                                 error, nativo, false, false, enviado, texto, true);
    EXPECT_TRUE(error);
    EXPECT_EQ(nativo, 2627);
    EXPECT_EQ(
        enviado,
        QStringLiteral("BEGIN TRANSACTION \r\r\rINSERT INTO TA_CCOSTO (CODIGO) VALUES ('N1')\rINSERT INTO "
                       "TA_CCOSTO (CODIGO) VALUES ('1')\r"));
    EXPECT_EQ(texto.count(QStringLiteral("\r\n")), 1) << "the closing notice is left out";
    EXPECT_TRUE(texto.startsWith(QStringLiteral("2627 : ")));
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_CCOSTO WHERE CODIGO = 'N1'")), 0);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM AUX_ERR WHERE Error = 2627")), 1);
    EXPECT_EQ(guion->mensajes.back().titulo, QStringLiteral("Aviso al Operador!"));
    EXPECT_EQ(gDB().gCnn().Errors().Count(), 0);

    // Accepting a duplicate: the server's description, no message.
    shell::GActualizarDatoScript({QStringLiteral("INSERT INTO TA_CCOSTO (CODIGO) VALUES ('1')")}, error,
                                 nativo, true, false, enviado, texto, true);
    EXPECT_TRUE(error);
    EXPECT_FALSE(texto.contains(QStringLiteral("2627 : ")));

    // A good script is committed; an empty one sends nothing.
    shell::GActualizarDatoScript({QStringLiteral("INSERT INTO TA_CCOSTO (CODIGO) VALUES ('N2')")}, error,
                                 nativo, false, false, enviado, texto, true);
    EXPECT_FALSE(error);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_CCOSTO WHERE CODIGO = 'N2'")), 1);
    prueba::Registro r;
    shell::GActualizarDatoScript({QString(), QStringLiteral("   ")}, error, nativo, false, false, enviado,
                                 texto, true);
    EXPECT_FALSE(error);
    EXPECT_TRUE(r.sentencias.isEmpty());
}

TEST_F(Servicios, MenuExesComponeLaLineaDeComandos) {
    G().gUsuarioLogeado = QStringLiteral("ADMIN");
    G().gCaja = QStringLiteral("1");
    QString programa = QStringLiteral("SHELL Clientes");
    QString parametro = QStringLiteral("X 12");
    qint64 tarea = 0;
    shell::MenuExes(programa, parametro, tarea);
    EXPECT_EQ(tarea, 4242);
    ASSERT_EQ(guion->procesos.size(), 1u);
    EXPECT_EQ(guion->procesos[0].first, carpetaApp() + QStringLiteral("Clientes"));
    EXPECT_EQ(guion->procesos[0].second.value(0),
              QStringLiteral(" ; @server=SQLITE; @dbname=QUENZAR; @usuario=ADMIN; @Password=admin; "
                             "@ParametroAdicional=12; orve@ ; @UsuarioLogeado = ADMIN; @Caja=1;"));
    guion->pidProceso = 0;
    guion->responder(ui::vbOK,
                     QStringLiteral("Opcion no Implementada!\rComuniquese con su proveedor de sistemas"));
    shell::MenuExes(programa, parametro, tarea);
    EXPECT_EQ(guion->mensajes.back().titulo, QStringLiteral("Atención"));
}

TEST_F(Servicios, ConsultasPorDefectoEnRegistrosDe1202) {
    const QString ruta = carpetaApp() + QStringLiteral("consultas.kvt");
    shell::CreaConsultasDefecto(ruta);
    const QByteArray datos = leer(ruta);
    ASSERT_EQ(datos.size(), 11 * 1202);
    EXPECT_EQ(datos.mid(0, 100), QByteArray("ARTICULOS").leftJustified(100, ' '));
    EXPECT_EQ(datos.mid(100, 100), QByteArray("V_MA_ARTICULOS").leftJustified(100, ' '));
    EXPECT_EQ(datos.mid(200, 500), QByteArray("|DESCRIPCION|IDARTICULO|").leftJustified(500, ' '));
    EXPECT_EQ(datos.mid(1200, 2), QByteArray("\r\n"));
    const QByteArray tareas = datos.mid(8 * 1202, 1202);
    EXPECT_EQ(tareas.mid(100, 100), QByteArray("V_TA_Tareas  ").leftJustified(100, ' '));
    EXPECT_EQ(tareas.mid(200, 500), QByteArray("|Descripcion|IdTarea|").leftJustified(500, ' '));
    shell::CreaConsultasDefecto(ruta);
    EXPECT_EQ(leer(ruta).size(), 22 * 1202);
}

TEST_F(Servicios, AccesoRegistradoConYSinTarea) {
    shell::VerificaPermisos();
    shell::VerificaPermisos(QStringLiteral("Tesoreria"));
    ado::Connection cn;
    cn.Open(base.cadena());
    auto rs = cn.Execute(QStringLiteral("SELECT * FROM Control_Acceso ORDER BY ID"));
    ASSERT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ((*rs)(QStringLiteral("Usuario")).Value().toString(), QStringLiteral("ADMIN"));
    EXPECT_EQ((*rs)(QStringLiteral("Formulario")).Value().toString(), shell::nombreEjecutable().toUpper());
    EXPECT_EQ((*rs)(QStringLiteral("NombreUsuario")).Value().toString(), QStringLiteral("ADMIN"));
    EXPECT_EQ((*rs)(QStringLiteral("Maquina")).Value().toString(), G().equipo.NombreEquipo().toUpper());
    rs->MoveNext();
    EXPECT_EQ((*rs)(QStringLiteral("Tarea")).Value().toString(), QStringLiteral("TESORERIA"));
    EXPECT_EQ((*rs)(QStringLiteral("Formulario")).Value().toString(), QStringLiteral("TESORERIA"));
    // A user without tasks still gets a row, with an empty task.
    abrir(QStringLiteral("CAJERO"), QStringLiteral("cajero"));
    shell::VerificaPermisos(QStringLiteral("Quenzar"));
    auto ultimo = cn.Execute(QStringLiteral("SELECT Tarea, Usuario FROM Control_Acceso ORDER BY ID DESC"));
    EXPECT_TRUE((*ultimo)(0).Value().toString().isEmpty());
    EXPECT_EQ((*ultimo)(1).Value().toString(), QStringLiteral("CAJERO"));
    EXPECT_TRUE(guion->mensajes.empty());
}

TEST_F(Servicios, DibujaProgresoPintaLaBarra) {
    QLabel dibujo;
    dibujo.resize(200, 20);
    // The bar is drawn in the colour given over the white; beyond it the picture stays white.
    for (const QColor& color : {QColor(Qt::red), QColor(Qt::blue), QColor(0, 128, 64)}) {
        shell::DibujaProgreso(&dibujo, 50, color, QStringLiteral("Exportando"));
        const QImage img = dibujo.pixmap().toImage();
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.pixelColor(10, 2).rgb(), color.rgb()) << "the bar covers the left half";
        EXPECT_EQ(img.pixelColor(190, 2), QColor(Qt::white));
    }
}

} // namespace
