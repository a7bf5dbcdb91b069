#include "shell/Inicio.h"
#include "data/DB_Dll.h"
#include "notice/Dll_Display.h"
#include "platform/Rutas.h"
#include "platform/Rutina.h"
#include "platform/ado/CadenaConexion.h"
#include "platform/ui/Dialogos.h"
#include "shell/EstiloPaletas.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QIcon>
#include <QStyle>
#include <cmath>

static void iniciarEstilos() {
    Q_INIT_RESOURCE(estilos);
}

namespace shell {

using plataforma::ErrorEjecucion;

void ConectaEstadisticas() {
    auto& g = G();
    auto& e = gDBEstadisticas();
    auto& db = datos::gDB();
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    r.paso([&] { g.gTimeOut = 90; });
    r.paso([&] {
        if (e.gCnn().State() == ado::adStateOpen) e.gCnn().Close();
    });
    r.paso([&] {
        e.gProveedor = db.pSQLOLEDB();
        e.gServidor = db.gServidor;
    });
    r.paso([&] {
        e.gDBName = QStringLiteral("KV_ESTADISTICAS");
        e.gUsuario = QStringLiteral("KV_ESTADISTICAS");
        e.gUserPassWord = QStringLiteral("QM_RELOJBANDERA");
    });
    r.paso([&] { e.OpenServerADODB(false, 3, QString(), true, false); });
    r.paso([&] {
        if (e.gOpenFlag && e.gCnn().State() == ado::adStateOpen)
            e.gCnn().setDefaultDatabase(QStringLiteral("KV_ESTADISTICAS"));
    });
    r.paso([&] {
        const double v = std::trunc(g.utilidades.ANumero(CfgKV(QStringLiteral("TimeOut"))));
        // The value is 16-bit: a larger one fails as the conversion's overflow and the step is skipped.
        if (!(v >= -32768 && v <= 32767))
            throw ErrorEjecucion(6, QStringLiteral("Desbordamiento"), QStringLiteral("ConectaEstadisticas"));
        g.gTimeOut = static_cast<int16_t>(v);
    });
    r.paso([&] {
        if (g.gTimeOut == 0)
            GrabaCfgKV(QStringLiteral("TimeOut"), g.gTimeOut, QString(), false, QStringLiteral("BaseDeDatos"),
                       true);
    });
    r.paso([&] {
        if (g.gTimeOut == 0) g.gTimeOut = 90;
    });
}

namespace {
std::function<void()>& servicioConsulta() {
    static std::function<void()> f;
    return f;
}
} // namespace

void registrarServicioConsulta(std::function<void()> apuntar) {
    servicioConsulta() = std::move(apuntar);
}

void IniciarAplicacion(const QString& comando, QString& connString, int cursorLocation) {
    auto& g = G();
    auto& db = datos::gDB();
    auto& cartel = notice::cartelActual();
    QString carpeta;
    QString texto;
    // A failure leaves the routine after closing the notice, except an
    // invalid argument, which only skips its statement.
    plataforma::Rutina r(QStringLiteral("IniciarAplicacion"),
                         [&cartel](const ErrorEjecucion& e, const QString&) {
                             if (e.Number() == plataforma::errores::LlamadaInvalida) return int(ui::vbIgnore);
                             cartel.CartelCerrar();
                             return int(ui::vbAbort);
                         });
    r.paso([&] { cartel.CartelInicio(QStringLiteral("Conectando Base de Datos"), 0); });
    r.paso([&] {
        bool cancelado = false;
        cartel.CartelMostrar(cancelado, QStringLiteral("Iniciando Aplicacion"), nombreEjecutable(),
                             QStringLiteral("Espere por favor"));
    });
    r.paso([&] { carpeta = carpetaDelPrograma(); });
    r.paso([&] { g.archivoAyuda = carpeta + QStringLiteral("htmlhelp/orvexaplus.chm"); });
    r.paso([&] {
        g.gCLetra = 0;
        g.gCFondo = 0xFFFFFF;
    });
    r.paso([&] {
        texto = !comando.isEmpty() ? comando : QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));
    });
    r.paso([&] {
        g.gSeccionIni =
            g.equipo.NombreEquipo().toUpper() + QLatin1Char('|') + g.equipo.NombreUsuarioWindows().toUpper();
        if (g.gSeccionIni.trimmed().size() > 50) g.gSeccionIni = g.gSeccionIni.left(50);
    });
    r.paso([&] {
        const QString v = g.archivoIni.LeerIni(QStringLiteral("CN000pr.INI"), g.gSeccionIni,
                                               QStringLiteral("FlatToolbars"), QStringLiteral("1"));
        // The number the text begins with; 0 when it begins with none.
        bool ok = false;
        QString digitos;
        for (QChar c : v.trimmed()) {
            if (!c.isDigit()) break;
            digitos += c;
        }
        const double n = digitos.toDouble(&ok);
        g.gFlatToolbars = ok ? n : 0;
    });
    if (r.abandonada()) return;
    if (!db.gOpenFlag) {
        ValoresComando v;
        r.paso([&] { v = cortarComando(texto); });
        r.paso([&] {
            g.gParametroAdicional = v.parametroAdicional;
            g.gMenu = v.menu;
            g.gUsuarioLogeado = v.usuarioLogeado;
            g.gCaja = v.caja;
            db.gUsuario = v.usuario;
            db.gDBName = v.base;
            db.gUserPassWord = v.clave;
            db.gServidor = NormalizaServidor(v.servidor);
        });
        r.paso([&] {
            const bool pedir = v.servidor.trimmed().isEmpty() || v.usuario.trimmed().isEmpty();
            db.OpenServerADODB(pedir, cursorLocation, connString, true, true);
        });
        if (r.abandonada()) return;
        if (!db.gOpenFlag || db.gCnn().State() != ado::adStateOpen) {
            cartel.CartelCerrar();
            // No connection: the program ends before any window is shown.
            ui::Actual().terminarPrograma(0);
        }
        r.paso([&] { ConectaEstadisticas(); });
        r.paso([&] { g.gUsuarioLogeado = db.gUsuario; });
        r.paso([&] { db.gCnn().setCommandTimeout(g.gTimeOut); });
        r.paso([&] { db.gCnn().setIsolationLevel(ado::adXactReadUncommitted); });
    }
    if (!db.gDBName.isEmpty()) {
        r.paso([&] { g.carpeta.FijarCarpeta(carpeta); });
        r.paso([&] { db.gCnn().setDefaultDatabase(db.gDBName); });
        r.paso([&] {
            g.gConnStringConsultas = db.gConnString;
            g.gUsarMascarasConsultas = true;
            g.gRutaMascaraConsultas = carpeta + QStringLiteral("consultas.kvt");
            if (servicioConsulta()) servicioConsulta()();
        });
        r.paso([&] {
            const QString ruta = g.gRutaMascaraConsultas;
            if (QFile::exists(ruta)) return;
            // Installed, the user's copy starts as the one shipped for every user (the program
            // writes to it later, whatever the shipped file's mode).
            const QString compartida = plataforma::carpetaCompartida();
            if (!compartida.isEmpty() && QFile::copy(compartida + QStringLiteral("/consultas.kvt"), ruta))
                QFile(ruta).setPermissions(QFile(ruta).permissions() | QFileDevice::WriteOwner);
            else
                CreaConsultasDefecto(ruta);
        });
        r.paso([&] { db.gCnn().setDefaultDatabase(db.gDBName); });
        r.paso([&] { CargaConfiguracion(carpeta); });
    }
    r.paso([&] { VerificaPermisos(QString()); });
    r.paso([&] { cartel.CartelCerrar(); });
}

QString archivoEstilo(int estilo) {
    switch (estilo) {
    case 1:
        return QStringLiteral("Styles/Vista.cjstyles");
    case 2:
        return QStringLiteral("Styles/WinXP.Luna.cjstyles");
    case 3:
        return QStringLiteral("Styles/WinXP.Royale.cjstyles");
    case 4:
        return QStringLiteral("Styles/iTunes");
    default:
        return QStringLiteral("Styles/Office2007.cjstyles");
    }
}

void AplicarEstilo(QWidget* ventana) {
    iniciarEstilos();
    auto& g = G();
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    r.paso([&] {
        const QString seccion = g.equipo.NombreUsuarioWindows().toUpper() + QLatin1Char('_') +
                                datos::gDB().gDBName.toUpper() + QStringLiteral("Styles");
        const QString v = g.archivoIni.LeerIni(QStringLiteral("cn000pr.ini"), seccion,
                                               QStringLiteral("Styles"), QStringLiteral("4"));
        bool ok = false;
        const int n = v.trimmed().toInt(&ok);
        g.gEstilo = ok ? n : 0;
    });
    r.paso([&] {
        // A skin file in the application folder wins over the installed one, and that one over the
        // one built into the program.
        const QString archivo = archivoEstilo(g.gEstilo);
        QStringList lugares{carpetaDelPrograma() + archivo};
        if (const QString compartida = plataforma::carpetaCompartida(); !compartida.isEmpty())
            lugares << compartida + QLatin1Char('/') + archivo;
        lugares << QStringLiteral(":/estilos/") + archivo.mid(7);
        QFile f;
        for (const QString& lugar : lugares) {
            f.setFileName(lugar);
            if (f.open(QIODevice::ReadOnly)) break;
        }
        if (!f.isOpen()) return;
        instalarEstiloPaletasEstables();
        ventana->setStyleSheet(QString::fromUtf8(f.readAll()));
        ventana->setProperty("ArchivoEstilo", archivo);
    });
}

void FormatoVentana(QWidget* ventana) {
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    r.paso([&] {
        QIcon icono = QIcon::fromTheme(QStringLiteral("x-office-spreadsheet"));
        if (icono.isNull()) icono = QApplication::style()->standardIcon(QStyle::SP_FileDialogDetailedView);
        if (ventana->windowIcon().isNull() || !QApplication::windowIcon().isNull())
            ventana->setWindowIcon(icono);
    });
    if (QString::fromLatin1(ventana->metaObject()->className())
            .compare(QLatin1String("FRMMDI"), Qt::CaseInsensitive) == 0)
        return;
    for (const char* nombre : {"UtilGem1", "TBarRep1", "Util0011"}) {
        r.paso([&] {
            if (QObject* c = ventana->findChild<QObject*>(QLatin1String(nombre)))
                c->setProperty("StyleBar", static_cast<int>(G().gFlatToolbars));
        });
    }
    r.paso([&] { ui::DoEvents(); });
}

} // namespace shell
