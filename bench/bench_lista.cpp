// The cheque-book list on a generated database of 1,000,000 cheque books
// (or --chequeras N): start-up to the first page shown, page turns, and the
// engine's own time for the same counting and page statements, in one run;
// peak memory of the process at the end.
//
//   QT_QPA_PLATFORM=offscreen bench_lista [--chequeras N] [--carpeta DIR]

#include "bench/BaseBench.h"
#include "grid/KvDbGrid.h"
#include "platform/ado/Ado.h"
#include "platform/ado/MotorSqlite.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"
#include "shell/ModGlobal.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

double pasoMotor(sqlite3* db, const QString& sql, bool leer) {
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    const QByteArray b = sql.toUtf8();
    sqlite3_prepare_v2(db, b.constData(), static_cast<int>(b.size()), &st, nullptr);
    const int cols = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW)
        if (leer)
            for (int i = 0; i < cols; ++i)
                sqlite3_column_text(st, i);
    sqlite3_finalize(st);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::BaseBench base(1000000);
    const qint64 chequeras = base.chequeras;
    const QString& ruta = base.ruta;
    QTextStream out(stdout);

    // Start-up to the first page shown, as the program does it.
    QElapsedTimer reloj;
    reloj.start();
    shell::FrmChequerasGrid ventana;
    QString cadena;
    const QString comando = QStringLiteral("@Server=SQLITE;@DbName=QUENZAR;@Usuario=ADMIN;@Password=admin;");
    shell::IniciarAplicacion(comando, cadena, 3);
    const double inicio = static_cast<double>(reloj.nsecsElapsed()) / 1e6;
    ventana.Cargar();
    const double carga = static_cast<double>(reloj.nsecsElapsed()) / 1e6 - inicio;
    ventana.show();
    app.processEvents();
    const double apertura = static_cast<double>(reloj.nsecsElapsed()) / 1e6;
    auto* g = ventana.KvDbGrid1;

    sqlite3* db = nullptr;
    sqlite3_open_v2(ruta.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    ado::registrarFunciones(db);
    auto* motor = datos::gDB().gCnn().motor().get();

    // The engine's time for the statements the list ran at opening.
    QString conteo;
    {
        ado::Connection cn;
        cn.Open(basedatos::cadenaConexion());
        ado::Recordset rs;
        rs.Open(g->sentenciaConteo(), cn);
        conteo = cn.motor()->ultimoTextoEnviado();
    }
    const double motorConteo = pasoMotor(db, conteo, false);
    g->CargarPagina(1);
    const QString pagina1 = motor->ultimoTextoEnviado();
    const double motorPagina1 = pasoMotor(db, pagina1, true);

    out << QStringLiteral("  de ella: inicio de sesión %1 ms, carga de la grilla %2 ms\n")
               .arg(inicio, 0, 'f', 1)
               .arg(carga, 0, 'f', 1);
    out << "chequeras: " << chequeras << ", páginas: " << g->UltimaPagina() << "\n";
    out << QStringLiteral(
               "apertura (inicio a primera página): %1 ms; motor (conteo + página 1): %2 ms; razón %3\n")
               .arg(apertura, 0, 'f', 1)
               .arg(motorConteo + motorPagina1, 0, 'f', 1)
               .arg(apertura / (motorConteo + motorPagina1), 0, 'f', 2);

    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("página"), -10)
               .arg(QStringLiteral("grilla ms"), 12)
               .arg(QStringLiteral("motor ms"), 12)
               .arg(QStringLiteral("razón"), 8);
    const int ultima = g->UltimaPagina();
    for (int p : {2, 3, ultima / 2, ultima - 1, ultima}) {
        if (p < 1 || p > ultima) continue;
        std::vector<double> tg, tm;
        for (int r = 0; r < 3; ++r) {
            g->CargarPagina(p == 1 ? 2 : 1); // start elsewhere, so that the page really turns
            reloj.restart();
            g->CargarPagina(p);
            tg.push_back(static_cast<double>(reloj.nsecsElapsed()) / 1e6);
            tm.push_back(pasoMotor(db, motor->ultimoTextoEnviado(), true));
        }
        std::sort(tg.begin(), tg.end());
        std::sort(tm.begin(), tm.end());
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(p, -10)
                   .arg(tg[1], 12, 'f', 3)
                   .arg(tm[1], 12, 'f', 3)
                   .arg(tg[1] / tm[1], 8, 'f', 2);
    }

    // Cancelling a count: the request is seen before the page list is built.
    g->setCancelarCarga(false);
    reloj.restart();
    QMetaObject::invokeMethod(
        g, [g] { g->CmdCancel_Click(); }, Qt::QueuedConnection);
    g->Actualizar();
    out << QStringLiteral("recuento con cancelación pedida: %1 ms (cancelada: %2)\n")
               .arg(static_cast<double>(reloj.nsecsElapsed()) / 1e6, 0, 'f', 1)
               .arg(g->cancelarCarga() ? QStringLiteral("sí") : QStringLiteral("no"));

    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    out << "memoria máxima del proceso: " << uso.ru_maxrss / 1024 << " MB\n";
    sqlite3_close(db);
    return 0;
}
