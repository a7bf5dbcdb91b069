// The common failure path: the message box with its log line, and the
// record of a failed statement in AUX_ERR.

#include "data/DB_Dll.h"
#include "platform/Rutina.h"
#include "platform/ado/Traza.h"
#include "platform/ui/Dialogos.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <QFile>

namespace shell {

using plataforma::ErrorEjecucion;

QString carpetaRegistro() {
    // As the suite does: when "temp" is set the folder is the value of "tmp".
    QString carpeta;
    const QString temp = qEnvironmentVariable("temp", qEnvironmentVariable("TEMP"));
    if (!temp.isEmpty()) carpeta = qEnvironmentVariable("tmp", qEnvironmentVariable("TMP"));
    carpeta = carpeta.trimmed();
    if (carpeta.isEmpty()) carpeta = G().equipo.CarpetaTemporal();
    carpeta = G().utilidades.AgregarBarra(carpeta);
    if (!carpeta.endsWith(QLatin1Char('/')) && !carpeta.endsWith(QLatin1Char('\\')))
        carpeta += QLatin1Char('/');
    return carpeta;
}

plataforma::Informador informarConMensajeError() {
    return [](const ErrorEjecucion& e, const QString& rutina) { return int(MensajeError(e, 18, rutina)); };
}

int16_t MensajeError(const ErrorEjecucion& CodErr, int Botones, const QString& Rutina) {
    const QString ruta = carpetaRegistro() + QStringLiteral("KVERR.LOG");
    {
        // The file is opened first, as the suite does: it exists even when nothing is logged.
        QFile f(ruta);
        f.open(QIODevice::Append);
    }
    const QString mensaje = QStringLiteral("Ha ocurrido el Siguiente Error (") +
                            QString::number(CodErr.Number()) + QStringLiteral(") ") +
                            ado::traza::enmascarar(CodErr.Description().trimmed());
    const QString textoRutina = Rutina.isEmpty() ? QString() : QStringLiteral(" - ") + Rutina;
    const QString titulo = CodErr.Source() + textoRutina + QStringLiteral(" Aviso al operador!!! - 2 ");
    if (CodErr.Number() == 0) return 0;
    int respuesta = 0;
    bool mostrado = true;
    try {
        respuesta = ui::MsgBox(mensaje, Botones, titulo);
    } catch (const plataforma::FinDelPrograma&) {
        throw;
    } catch (...) {
        mostrado = false;
    }
    datos::agregarLinea(ruta, datos::lineaRegistro(textoRutina, mensaje, respuesta, mostrado));
    return static_cast<int16_t>(respuesta);
}

void GrabaErrorAux(const QString& sql, QString& Proceso, int32_t numero, const QString& descripcion) {
    if (Proceso.isEmpty()) Proceso = nombreEjecutable();
    auto& db = datos::gDB();
    ado::Recordset rs;
    QString consulta = QStringLiteral("select  top 1 * from AUX_ERR  with(nolock) ");
    // Each step runs even when an earlier one failed; nothing is reported.
    plataforma::Rutina rutina = plataforma::Rutina::silenciosa();
    auto paso = [&rutina](const std::function<void()>& f) { return rutina.paso(f); };
    // Every step runs even when an earlier one failed; nothing is reported.
    paso([&] { db.AbrirRecordset(consulta, rs, nullptr, ado::adOpenDynamic, ado::adLockOptimistic); });
    paso([&] { rs.AddNew(); });
    paso([&] { rs(QStringLiteral("Proceso")).setValue(Proceso); });
    paso([&] { rs(QStringLiteral("fecha")).setValue(ahoraComoTexto()); });
    paso([&] { rs(QStringLiteral("Error")).setValue(numero); });
    paso([&] {
        rs(QStringLiteral("Descripcion"))
            .setValue(G().utilidades.Recortar(ado::traza::enmascarar(descripcion), 250));
    });
    paso([&] { rs(QStringLiteral("sql")).setValue(ado::traza::enmascarar(sql)); });
    paso([&] { rs(QStringLiteral("PC")).setValue(G().equipo.NombreEquipo()); });
    paso([&] { rs(QStringLiteral("Usuario")).setValue(db.gUsuario); });
    if (!paso([&] { rs.Update(); })) paso([&] { rs.CancelUpdate(); });
    paso([&] { db.CierraRecordset(rs); });
}

} // namespace shell
