// Quenzar: the register of the company's cheque books.

#include "db/BaseDemo.h"
#include "editor/frmV_TA_QUENZAR.h"
#include "export/ModExportarExcel.h"
#include "grid/KvDbGrid.h"
#include "lookup/Lib_ClsCons3.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Rutas.h"
#include "platform/ui/Dialogos.h"
#include "shell/Arranque.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"
#include "shell/frmAcceso.h"

#include <QApplication>
#include <QFileInfo>

namespace {

// The menu entry opens the embedded demo database: on the first start it is made from the schema and
// data built into the program, where the user's databases live. Any other name is the user's own and
// is never made up; a demo database already there is left as it is.
void prepararDemo() {
    // From a build folder the start script makes it (scripts/ejecutar.sh).
    if (plataforma::carpetaCompartida().isEmpty()) return;
    const QString texto = QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));
    if (texto.trimmed().isEmpty()) return;
    const shell::ValoresComando v = shell::cortarComando(texto);
    const basedatos::OpcionesDemo demo;
    if (shell::NormalizaServidor(v.servidor)
                .trimmed()
                .compare(QLatin1String("SQLITE"), Qt::CaseInsensitive) != 0 ||
        v.base.trimmed().compare(demo.nombre, Qt::CaseInsensitive) != 0 ||
        QFileInfo::exists(plataforma::rutaBaseDatos(v.base)))
        return;
    try {
        basedatos::asegurarDemo(plataforma::carpetaDatos(), demo);
    } catch (const plataforma::ErrorEjecucion& e) {
        ui::MsgBox(QStringLiteral("No se pudo crear la base de demostración en %1.\n%2")
                       .arg(plataforma::carpetaDatos(), e.Description()),
                   ui::vbExclamation, QStringLiteral("Quenzar"));
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenzar"));
    // The desktop finds the menu entry (its name and icon) of the program's windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quenzar.Quenzar"));
    ui::instalar(ui::crearInterfazQt());
    shell::registrarDialogoAcceso();
    editor::registrarEditorEnLista();
    // Start-up points the lookup service at the database, creating it there.
    shell::registrarServicioConsulta([] { lookup::servicioDelPrograma(); });
    // The grid hands over its counting statement: every page, with the search condition.
    grid::KvDbGrid::registrarExportador(
        [](const QString& sql) { exportacion::ExportarExcel(sql, true, {}, {}, {}, nullptr, 0, {}); });
    prepararDemo();
    shell::FrmChequerasGrid ventana;
    // The window's load handler runs before it is shown; without a connection
    // the program ends there.
    ventana.Form_Load();
    ventana.show();
    return app.exec();
}
