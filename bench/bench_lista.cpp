// The cheque-book list on a generated database of 1,000,000 cheque books
// (or --chequeras N), driven as a user drives it: opening, F1, the last and a
// middle page, a middle page sorted by series, a search in all columns, and
// the memory after thousands of page turns and reloads. Each figure is
// printed beside a floor measured in the same run: the sqlite3 library on
// the same file running the simplest statement that gives the same rows.
//
//   QT_QPA_PLATFORM=offscreen bench_lista [--chequeras N] [--carpeta DIR]
//                                         [--vueltas N] [--recargas N]

#include "bench/BaseBench.h"
#include "bench/Lista.h"
#include "grid/KvDbGrid.h"
#include "platform/ado/MotorSqlite.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <malloc.h>
#include <sqlite3.h>
#include <vector>

namespace {

double ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Runs a statement to its end, reading every value, as a client would.
double motor(sqlite3* db, const QString& sql) {
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    const QByteArray b = sql.toUtf8();
    if (sqlite3_prepare_v2(db, b.constData(), static_cast<int>(b.size()), &st, nullptr) != SQLITE_OK) {
        QTextStream(stderr) << "motor: " << sqlite3_errmsg(db) << "\n" << sql << "\n";
        std::exit(1);
    }
    const int cols = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int i = 0; i < cols; ++i)
            sqlite3_column_text(st, i);
    sqlite3_finalize(st);
    return ms(t);
}

double cronometrar(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return ms(t);
}

// Resident memory and heap in use, in kB.
qint64 residente() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> p = f.readAll().split(' ');
    return p.size() > 1 ? p[1].toLongLong() * 4 : 0;
}
qint64 montonEnUso() {
    return static_cast<qint64>(mallinfo2().uordblks) / 1024;
}

const char* kColumnas = "Talonario, IDBANCO, DESCRIPCION, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco, "
                        "CuentaBancoDiferido, ID";

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::BaseBench base(1000000);
    int vueltas = 5000, recargas = 500;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--vueltas")) vueltas = args[i + 1].toInt();
        if (args[i] == QLatin1String("--recargas")) recargas = args[i + 1].toInt();
    }
    QTextStream out(stdout);
    const QString columnas = QLatin1String(kColumnas);

    shell::FrmChequerasGrid ventana;
    // The window wears its skin, as when the program starts.
    bench::abrirLista(app, ventana,
                      QStringLiteral("@Server=SQLITE;@DbName=QUENZAR;@Usuario=ADMIN;@Password=admin;"));
    auto* g = ventana.KvDbGrid1;

    sqlite3* db = nullptr;
    sqlite3_open_v2(base.ruta.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    ado::registrarFunciones(db);

    struct Fila {
        QString accion;
        double programa, piso, objetivo;
        bool relativo; // the target is a ratio to the floor, else milliseconds
    };
    std::vector<Fila> filas;

    // Probe, count and page 1, the simplest way.
    auto pisoCarga = [&] {
        return motor(db, QStringLiteral("SELECT %1 FROM VT_Chequeras LIMIT 1").arg(columnas)) +
               motor(db, QStringLiteral("SELECT COUNT(*) FROM VT_Chequeras")) +
               motor(db, QStringLiteral("SELECT %1 FROM VT_Chequeras ORDER BY ID LIMIT 10").arg(columnas));
    };
    // The file is read once first, so that neither side pays for the disk alone.
    (void)pisoCarga();

    // Opening: from the list's statement to its first page shown.
    const double apertura = cronometrar([&] {
        ventana.Cargar();
        app.processEvents();
    });
    const qint64 total = base.chequeras;
    const int ultima = g->UltimaPagina();
    filas.push_back({QStringLiteral("apertura (sentencia de la lista a primera página)"), apertura,
                     pisoCarga(), 1.3, true});

    std::vector<double> p, m;
    for (int r = 0; r < 5; ++r) {
        p.push_back(cronometrar([&] {
            ventana.Cargar();
            app.processEvents();
        }));
        m.push_back(pisoCarga());
    }
    filas.push_back({QStringLiteral("F1, recarga"), bench::mediana(p), bench::mediana(m), 1.3, true});

    auto pagina = [&](const QString& accion, int numero, const QString& orden) {
        std::vector<double> tp, tm;
        for (int r = 0; r < 5; ++r) {
            g->CargarPagina(numero == 1 ? 2 : 1); // start elsewhere, so that the page really turns
            tp.push_back(cronometrar([&] {
                g->CargarPagina(numero);
                app.processEvents();
            }));
            tm.push_back(
                motor(db, QStringLiteral("SELECT %1 FROM VT_Chequeras ORDER BY %2 LIMIT 10 OFFSET %3")
                              .arg(columnas, orden)
                              .arg(static_cast<qint64>(numero - 1) * 10)));
        }
        filas.push_back({accion, bench::mediana(tp), bench::mediana(tm), 0, false});
    };
    pagina(QStringLiteral("última página (%1)").arg(ultima), ultima, QStringLiteral("ID"));
    filas.back().objetivo = 100;
    pagina(QStringLiteral("página del medio (%1)").arg(ultima / 2), ultima / 2, QStringLiteral("ID"));
    filas.back().objetivo = 100;

    // Sorted by series: the current cell in the SERIE column, then "ascending".
    g->CargarPagina(1);
    g->MsFlexGrid->setRow(1);
    g->MsFlexGrid->setCol(4);
    g->ImgOrdenAsc_Click();
    app.processEvents();
    pagina(QStringLiteral("página del medio ordenada por serie"), ultima / 2, QStringLiteral("SERIE, ID"));
    filas.back().objetivo = 250;
    g->ImgOrdenN_Click();

    // Sorted by the bank's name, a column of the joined table: a sort of every row.
    g->CargarPagina(1);
    g->MsFlexGrid->setRow(1);
    g->MsFlexGrid->setCol(3);
    g->ImgOrdenAsc_Click();
    app.processEvents();
    pagina(QStringLiteral("página del medio ordenada por banco"), ultima / 2,
           QStringLiteral("DESCRIPCION, ID"));
    const Fila porBanco = filas.back();
    filas.pop_back();
    g->ImgOrdenN_Click();

    // A search in every column: the count and page 1.
    auto buscar = [&](const QString& texto) {
        std::vector<double> tp, tm;
        for (int r = 0; r < 3; ++r) {
            ventana.Cargar();
            g->setFind(2);
            g->CboFiltroCampo->setCurrentIndex(0);
            g->txtBuscar->setText(texto);
            tp.push_back(cronometrar([&] {
                g->BuscarTexto();
                app.processEvents();
            }));
            QString cond;
            for (const QString& c : columnas.split(QStringLiteral(", ")))
                cond += (cond.isEmpty() ? QString() : QStringLiteral(" OR ")) +
                        QStringLiteral("CAST(%1 AS TEXT) LIKE '%%2%'").arg(c, texto);
            tm.push_back(motor(db, QStringLiteral("SELECT COUNT(*) FROM VT_Chequeras WHERE %1").arg(cond)) +
                         motor(db, QStringLiteral("SELECT %1 FROM VT_Chequeras WHERE %2 ORDER BY ID LIMIT 10")
                                       .arg(columnas, cond)));
        }
        return std::make_pair(bench::mediana(tp), bench::mediana(tm));
    };
    {
        const auto [programa, piso] = buscar(QStringLiteral("galicia"));
        filas.push_back(
            {QStringLiteral("búsqueda en todas las columnas (\"galicia\")"), programa, piso, 1000, false});
        const auto [programa2, piso2] = buscar(QStringLiteral("zzz"));
        out << QStringLiteral("(informativo) búsqueda sin coincidencias (\"zzz\"): %1 ms, piso %2 ms\n")
                   .arg(programa2, 0, 'f', 1)
                   .arg(piso2, 0, 'f', 1);
    }

    // Memory: page turns and reloads after a warm-up.
    ventana.Cargar();
    for (int i = 0; i < 200; ++i)
        g->cmdSiguiente_Click();
    for (int i = 0; i < 20; ++i)
        ventana.Cargar();
    app.processEvents();
    const qint64 rssAntes = residente(), montonAntes = montonEnUso();
    const double tMemoria = cronometrar([&] {
        // Each page is shown, as it is to the user.
        for (int i = 0; i < vueltas; ++i) {
            if (g->PaginaActual() >= g->UltimaPagina()) g->cmdPrimero_Click();
            g->cmdSiguiente_Click();
            app.processEvents();
        }
        for (int i = 0; i < recargas; ++i) {
            ventana.Cargar();
            app.processEvents();
        }
        app.processEvents();
    });
    const qint64 rss = residente() - rssAntes, monton = montonEnUso() - montonAntes;

    out << QStringLiteral("(informativo) %1: %2 ms, piso %3 ms\n")
               .arg(porBanco.accion)
               .arg(porBanco.programa, 0, 'f', 1)
               .arg(porBanco.piso, 0, 'f', 1);
    out << "chequeras: " << total << ", páginas: " << ultima << "\n\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("acción"), -52)
               .arg(QStringLiteral("programa ms"), 12)
               .arg(QStringLiteral("piso ms"), 10)
               .arg(QStringLiteral("razón"), 7)
               .arg(QStringLiteral("objetivo"), 14);
    int cumplidos = 0;
    for (const Fila& f : filas) {
        const double razon = f.programa / qMax(0.001, f.piso);
        const bool ok = f.relativo ? razon <= f.objetivo : f.programa <= f.objetivo;
        cumplidos += ok ? 1 : 0;
        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(f.accion, -52)
                   .arg(f.programa, 12, 'f', 1)
                   .arg(f.piso, 10, 'f', 1)
                   .arg(razon, 7, 'f', 2)
                   .arg(f.relativo ? QStringLiteral("≤ %1×").arg(f.objetivo)
                                   : QStringLiteral("≤ %1 ms").arg(f.objetivo),
                        14)
                   .arg(ok ? QStringLiteral("sí") : QStringLiteral("NO"));
    }
    const bool memoriaOk = rss <= 1024;
    cumplidos += memoriaOk ? 1 : 0;
    out << QStringLiteral(
               "memoria, %1 vueltas de página y %2 recargas (%3 s): residente %4 kB, montón %5 kB; "
               "objetivo ≤ 1024 kB %6\n")
               .arg(vueltas)
               .arg(recargas)
               .arg(tMemoria / 1000, 0, 'f', 1)
               .arg(rss >= 0 ? QStringLiteral("+%1").arg(rss) : QString::number(rss))
               .arg(monton >= 0 ? QStringLiteral("+%1").arg(monton) : QString::number(monton))
               .arg(memoriaOk ? QStringLiteral("sí") : QStringLiteral("NO"));
    out << QStringLiteral("RESUMEN: %1 de %2 objetivos cumplidos\n").arg(cumplidos).arg(filas.size() + 1);
    sqlite3_close(db);
    return 0;
}
