// The failure idiom, the seam's style numbers and the shared-file code page.

#include "platform/Rutas.h"
#include "platform/Rutina.h"
#include "platform/Texto1252.h"
#include "platform/ui/Dialogos.h"
#include "tests/soporte/Guion.h"

#include "tests/soporte/Impresion.h"
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using plataforma::ErrorEjecucion;
using plataforma::Rutina;

namespace {

plataforma::Informador preguntar() {
    return [](const ErrorEjecucion& e, const QString& rutina) {
        return ui::MsgBox(e.Description(), ui::vbAbortRetryIgnore + ui::vbCritical, rutina);
    };
}

TEST(Rutina, ReintentarRepiteOmitirSigueAnularSale) {
    prueba::Guion guion;
    guion->responder(ui::vbRetry, QStringLiteral("falla 1")).responder(ui::vbIgnore).responder(ui::vbAbort);
    Rutina r(QStringLiteral("Prueba"), preguntar());
    int intentos = 0;
    QStringList hechos;
    r.paso([&] {
        if (++intentos == 1) throw ErrorEjecucion(1, QStringLiteral("falla 1"));
        hechos << QStringLiteral("a");
    });
    r.paso([&] { throw ErrorEjecucion(2, QStringLiteral("falla 2")); });
    r.paso([&] { hechos << QStringLiteral("c"); });
    r.paso([&] { throw ErrorEjecucion(3, QStringLiteral("falla 3")); });
    r.paso([&] { hechos << QStringLiteral("nunca"); });
    EXPECT_EQ(intentos, 2);
    EXPECT_EQ(hechos, (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_TRUE(r.abandonada());
    EXPECT_EQ(r.ultimoError().Number(), 3);
    ASSERT_EQ(guion->mensajes.size(), 3u);
    EXPECT_EQ(guion->mensajes[0].titulo, QStringLiteral("Prueba"));
    EXPECT_EQ(guion->mensajes[0].estilo, 18);
}

TEST(Rutina, SilenciosaSaltaElPasoSinPreguntar) {
    prueba::Guion guion; // any message would fail the test
    Rutina r = Rutina::silenciosa();
    int hechos = 0;
    r.paso([&] { throw std::runtime_error("x"); });
    r.paso([&] { ++hechos; });
    EXPECT_EQ(hechos, 1);
    EXPECT_FALSE(r.abandonada());
    EXPECT_TRUE(r.huboError());
}

TEST(Dialogos, BotonesYRespuestaPorDefectoDelEstilo) {
    EXPECT_EQ(ui::botonesDeEstilo(ui::vbYesNo + ui::vbExclamation + ui::vbDefaultButton2),
              (QList<int>{ui::vbYes, ui::vbNo}));
    EXPECT_EQ(ui::respuestaPorDefecto(ui::vbYesNo + ui::vbExclamation + ui::vbDefaultButton2), ui::vbNo);
    EXPECT_EQ(ui::respuestaPorDefecto(ui::vbAbortRetryIgnore + ui::vbCritical), ui::vbAbort);
    EXPECT_EQ(ui::respuestaPorDefecto(ui::vbOKOnly), ui::vbOK);
    EXPECT_EQ(ui::botonesDeEstilo(18), (QList<int>{ui::vbAbort, ui::vbRetry, ui::vbIgnore}));
}

TEST(Texto1252, IdaYVuelta) {
    const QString t = QStringLiteral("Año ñandú € “comillas” – fin");
    const QByteArray b = plataforma::a1252(t);
    EXPECT_EQ(b.size(), t.size());
    EXPECT_EQ(static_cast<unsigned char>(b[1]), 0xF1); // ñ
    EXPECT_EQ(plataforma::desde1252(b), t);
    EXPECT_EQ(plataforma::a1252(QStringLiteral("中")), QByteArray("?"));
}

TEST(Rutas, NombreDesnudoEnLaCarpetaDeDatosSinMayusculas) {
    QTemporaryDir dir;
    const QByteArray anterior = qgetenv("QUENZAR_DATOS");
    qputenv("QUENZAR_DATOS", dir.path().toUtf8());
    QFile f(dir.filePath(QStringLiteral("kv_estadisticas.db")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(plataforma::rutaBaseDatos(QStringLiteral("KV_ESTADISTICAS")),
              dir.filePath(QStringLiteral("kv_estadisticas.db")));
    EXPECT_EQ(plataforma::rutaBaseDatos(QStringLiteral("NUEVA")), dir.filePath(QStringLiteral("NUEVA.db")));
    EXPECT_EQ(plataforma::rutaBaseDatos(QStringLiteral("/x/y.db")), QStringLiteral("/x/y.db"));
    EXPECT_EQ(plataforma::rutaBaseDatos(QStringLiteral("C:\\datos\\y.mdb")),
              QStringLiteral("C:/datos/y.mdb"));
    qputenv("QUENZAR_DATOS", anterior);
}

// The desktop launcher the connection dialog creates, as the desktop reads it.
TEST(Dialogos, AccesoDirectoEnElEscritorio) {
    QTemporaryDir casa;
    const QByteArray casaAnterior = qgetenv("HOME"), configAnterior = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", casa.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", casa.filePath(QStringLiteral("config")).toUtf8());
    auto qt = ui::crearInterfazQt();
    ASSERT_TRUE(qt->crearAccesoDirecto(QStringLiteral("Zolvane"), QStringLiteral("/opt/mi programa/Quenzar"),
                                       QStringLiteral("@Server=SRV\\A;@DbName=X;"),
                                       QStringLiteral("/opt/app")));
    QFile f(casa.filePath(QStringLiteral("Desktop/Zolvane.desktop")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lineas = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lineas.value(0), QStringLiteral("[Desktop Entry]"));
    EXPECT_TRUE(lineas.contains(QStringLiteral("Type=Application")));
    EXPECT_TRUE(lineas.contains(QStringLiteral("Name=Zolvane")));
    EXPECT_TRUE(lineas.contains(QStringLiteral("Path=/opt/app")));
    // The path with its blank and the command line with its ";" and "\\" each stay one argument.
    EXPECT_TRUE(lineas.contains(
        QStringLiteral("Exec=\"/opt/mi programa/Quenzar\" \"@Server=SRV\\\\\\\\A;@DbName=X;\"")))
        << lineas.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(f.permissions() & QFileDevice::ExeOwner);
    qputenv("HOME", casaAnterior);
    if (configAnterior.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", configAnterior);
}

} // namespace
