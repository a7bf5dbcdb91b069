// Quenzar: the register of the company's cheque books.

#include "editor/frmV_TA_QUENZAR.h"
#include "export/ModExportarExcel.h"
#include "grid/KvDbGrid.h"
#include "lookup/Lib_ClsCons3.h"
#include "platform/ui/Dialogos.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"
#include "shell/frmAcceso.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenzar"));
    ui::instalar(ui::crearInterfazQt());
    shell::registrarDialogoAcceso();
    editor::registrarEditorEnLista();
    // Start-up points the lookup service at the database, creating it there.
    shell::registrarServicioConsulta([] { lookup::servicioDelPrograma(); });
    // The grid hands over its counting statement: every page, with the search condition.
    grid::KvDbGrid::registrarExportador(
        [](const QString& sql) { exportacion::ExportarExcel(sql, true, {}, {}, {}, nullptr, 0, {}); });
    shell::FrmChequerasGrid ventana;
    // The window's load handler runs before it is shown; without a connection
    // the program ends there.
    ventana.Form_Load();
    ventana.show();
    return app.exec();
}
