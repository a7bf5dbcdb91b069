// Quenzar: the register of the company's cheque books.

#include "db/BaseDemo.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Rutas.h"
#include "platform/ui/Dialogos.h"
#include "shell/helperlib/OrVexa2.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenzar"));
    try {
        basedatos::asegurarDemo(plataforma::carpetaDatos());
        orvexa::Planilla().AbrePlanilla(QStringLiteral("VT_Chequeras"), basedatos::cadenaConexion(),
                                        QStringLiteral("Quenzar - Chequeras"));
    } catch (const plataforma::ErrorEjecucion& e) {
        ui::MsgBox(QStringLiteral("No se pudo abrir la base de datos de demostración:\r") + e.Description(),
                   ui::vbCritical, QStringLiteral("Quenzar"));
        return 1;
    }
    return 0;
}
