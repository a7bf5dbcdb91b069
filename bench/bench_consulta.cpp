// The list lookup over 10,000 rows (or --chequeras N): time from showing the
// dialog to its rows on screen, then the incremental search, one keystroke at a
// time, as a user types a value that lies near the end of the list.
//
//   QT_QPA_PLATFORM=offscreen bench_consulta [--chequeras N] [--carpeta DIR]

#include "bench/BaseBench.h"
#include "lookup/Lib_FrmCons3.h"
#include "shell/Inicio.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTreeWidget>

#include <algorithm>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::BaseBench base(10000);
    QTextStream out(stdout);
    QString cadena;
    shell::IniciarAplicacion(QStringLiteral("@Server=SQLITE;@DbName=QUENZAR;@Usuario=ADMIN;@Password=admin;"),
                             cadena, 3);

    for (bool ordenar : {false, true}) {
        lookup::Lib_FrmCons3 d;
        d.sql = QStringLiteral("SELECT CuentaBanco, Talonario, DESCRIPCION, SERIE FROM VT_Chequeras");
        d.CampoDevuelto = QStringLiteral("Talonario");
        d.OrdenarPorLwv = ordenar;
        QElapsedTimer t;
        t.start();
        d.show();
        app.processEvents();
        const double apertura = static_cast<double>(t.nsecsElapsed()) / 1e6;
        const int filas = d.ListView1->topLevelItemCount();
        // A value near the end of the list, typed key by key.
        const QString buscado = d.ListView1->topLevelItem(filas - 3)->text(0);
        double peor = 0, total = 0;
        for (int i = 1; i <= buscado.size(); ++i) {
            t.restart();
            d.CmbSearch[0]->setEditText(buscado.left(i));
            app.processEvents();
            const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
            peor = std::max(peor, ms);
            total += ms;
        }
        const bool hallado = d.ListView1->currentItem() && d.ListView1->currentItem()->text(0) == buscado;
        out << (ordenar ? "ordenada por la lista" : "en el orden de la consulta") << ": " << filas
            << QStringLiteral(
                   " filas, apertura %1 ms; búsqueda de \"%2\": %3 teclas, peor %4 ms, media %5 ms%6\n")
                   .arg(apertura, 0, 'f', 1)
                   .arg(buscado)
                   .arg(buscado.size())
                   .arg(peor, 0, 'f', 2)
                   .arg(total / std::max<qsizetype>(1, buscado.size()), 0, 'f', 2)
                   .arg(hallado ? QString() : QStringLiteral(" (NO HALLADO)"));
    }
    return 0;
}
