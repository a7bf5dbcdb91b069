// Writes the default lookup definitions ("consultas.kvt") to the path given:
// the file an installed program ships for every user's first start.

#include "platform/ErrorEjecucion.h"
#include "shell/Servicios.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "Uso: quenzar-consultas-defecto ARCHIVO\n";
        return 2;
    }
    // Written anew: the records go where the file ends.
    QFile::remove(args[1]);
    try {
        shell::CreaConsultasDefecto(args[1]);
    } catch (const plataforma::ErrorEjecucion& e) {
        QTextStream(stderr) << e.Description() << "\n";
        return 1;
    }
    return 0;
}
