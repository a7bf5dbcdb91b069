// The access log: one row of Control_Acceso each time the start-up sequence
// reaches its end, with the menu task under which the user runs the program.

#include "data/DB_Dll.h"
#include "platform/Rutina.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

namespace shell {

void VerificaPermisos(QString Proceso) {
    auto& db = datos::gDB();
    // Each step runs even when an earlier one failed; nothing is reported.
    plataforma::Rutina rutina = plataforma::Rutina::silenciosa();
    auto paso = [&rutina](const std::function<void()>& f) { return rutina.paso(f); };
    // Every failing step is skipped: the row is written whatever happens before.
    QString proceso = Proceso.isEmpty() ? nombreEjecutable() : Proceso;
    QString tarea;
    paso([&] { G().gUsuarioLogeado = db.gUsuario; });
    paso([&] {
        auto comillas = [](QString v) { return v.replace(QLatin1Char('\''), QLatin1String("''")); };
        QString sql =
            QStringLiteral("SELECT TA_TAREAS.USUARIO, TA_MENU.Proceso, TA_MENU.Clave , TA_MENU.Nombre ") +
            QStringLiteral(
                " FROM TA_TAREAS  with(nolock) INNER JOIN TA_MENU ON TA_TAREAS.TAREA = TA_MENU.Clave ") +
            QStringLiteral(" WHERE (TA_TAREAS.USUARIO = '") + comillas(G().gUsuarioLogeado) +
            QStringLiteral(" ') AND (TA_MENU.Proceso LIKE '%") + comillas(proceso) + QStringLiteral("%')");
        ado::Recordset rs;
        db.AbrirRecordset(sql, rs);
        if (rs.State() == ado::adStateOpen && !rs.Eof()) {
            tarea = G().utilidades.NoNulo(rs(QStringLiteral("Nombre")).Value());
        } else {
            tarea.clear();
            if (nombreEjecutable().compare(QLatin1String("CN000PR"), Qt::CaseInsensitive) == 0)
                tarea = QStringLiteral("Menu Principal");
            if (db.gUsuario.compare(db.gDBName, Qt::CaseInsensitive) == 0 ||
                db.gUsuario.compare(QLatin1String("SUPERVISOR SARVANE MC"), Qt::CaseInsensitive) == 0)
                tarea = nombreEjecutable();
        }
        db.CierraRecordset(rs);
    });
    paso([&] {
        QString sql = SqlTop(QStringLiteral("Select TOP 1 * from Control_Acceso  with(nolock) "));
        ado::Recordset rs;
        db.AbrirRecordset(sql, rs);
        db.CierraRecordset(rs);
    });
    paso([&] {
        QStringList script;
        QString maquina = G().equipo.NombreEquipo().trimmed().toUpper();
        QString usuario = G().gUsuarioLogeado.trimmed().toUpper();
        QString formulario = proceso.trimmed().toUpper();
        QString t = tarea.trimmed().toUpper();
        QString ingreso = ahoraComoTexto();
        QString nombre = G().gUsuarioLogeado;
        AgregaCampo(QStringLiteral("Maquina"), maquina, QStringLiteral("'"), true);
        AgregaCampo(QStringLiteral("Usuario"), usuario, QStringLiteral("'"), false);
        AgregaCampo(QStringLiteral("Formulario"), formulario, QStringLiteral("'"), false);
        AgregaCampo(QStringLiteral("Tarea"), t, QStringLiteral("'"), false);
        AgregaCampo(QStringLiteral("Ingreso"), ingreso, QStringLiteral("'"), false);
        AgregaCampo(QStringLiteral("NombreUsuario"), nombre, QStringLiteral("'"), false);
        ArmaSentencia(camposPendientes(), script, QStringLiteral("Control_Acceso"));
        bool error = false;
        int32_t nativo = 0;
        QString enviado, textoError;
        GActualizarDatoScript(script, error, nativo, false, false, enviado, textoError, true);
    });
}

} // namespace shell
