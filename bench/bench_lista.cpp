// The cheque-book list on a generated database of 1,000,000 cheque books
// (or --chequeras N), driven as a user drives it: opening, F1, the last and a
// middle page, a middle page sorted by series, searches in all columns, pages
// sorted by the bank's name, a save in the editor, the export, and the memory
// after thousands of page turns and reloads. Each figure is printed beside a
// floor measured in the same run, named in the output: the sqlite3 library
// (or libxlsxwriter) on the same file doing the fastest thing that gives the
// same result.
//
//   QT_QPA_PLATFORM=offscreen bench_lista [--chequeras N] [--carpeta DIR]
//                                         [--vueltas N] [--recargas N]

#include "bench/BaseBench.h"
#include "bench/Lista.h"
#include "bench/PisoXlsx.h"
#include "export/ModExportarExcel.h"
#include "grid/KvDbGrid.h"
#include "platform/ado/MotorSqlite.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <sqlite3.h>
#include <vector>

namespace {

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
    return bench::ms(t);
}

const char* kColumnas = "Talonario, IDBANCO, DESCRIPCION, SERIE, NUMERO_DESDE, NUMERO_HASTA, CuentaBanco, "
                        "CuentaBancoDiferido, ID";

// The first value of a statement's first row.
double motorValor(sqlite3* db, const QString& sql) {
    sqlite3_stmt* st = nullptr;
    const QByteArray b = sql.toUtf8();
    double v = 0;
    if (sqlite3_prepare_v2(db, b.constData(), static_cast<int>(b.size()), &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_double(st, 0);
    sqlite3_finalize(st);
    return v;
}

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

    using bench::cronometrar;
    const QString simple = QStringLiteral("sqlite3, la sentencia más simple");
    std::vector<bench::Fila> filas;

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
                     pisoCarga(), 1.3, true, simple});

    std::vector<double> p, m;
    for (int r = 0; r < 5; ++r) {
        p.push_back(cronometrar([&] {
            ventana.Cargar();
            app.processEvents();
        }));
        m.push_back(pisoCarga());
    }
    filas.push_back({QStringLiteral("F1, recarga"), bench::mediana(p), bench::mediana(m), 1.3, true, simple});

    auto pagina = [&](const QString& accion, int numero, const QString& orden) {
        const auto [programa, piso] = bench::medirPagina(app, g, numero, [&] {
            return motor(db, QStringLiteral("SELECT %1 FROM VT_Chequeras ORDER BY %2 LIMIT 10 OFFSET %3")
                                 .arg(columnas, orden)
                                 .arg(static_cast<qint64>(numero - 1) * 10));
        });
        filas.push_back({accion, programa, piso, 0, false, simple});
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

    // Sorted by the bank's name, a column of the joined table. Its floor: the
    // page's rows read from the index (IDBANCO, ID) of the bank that holds
    // them, the banks' counts known.
    struct Banco {
        QString id;
        qint64 filas;
    };
    std::vector<Banco> bancos;
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(
            db,
            "SELECT B.IDBANCO, (SELECT COUNT(*) FROM TA_QUENZAR Q WHERE Q.IDBANCO = B.IDBANCO) FROM "
            "TA_BANCOS B ORDER BY B.DESCRIPCION COLLATE ES_CI_AS, B.IDBANCO",
            -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            bancos.push_back({QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))),
                              sqlite3_column_int64(st, 1)});
        sqlite3_finalize(st);
    }
    auto pisoPorBanco = [&](int numero, const QString& resto) {
        qint64 desde = static_cast<qint64>(numero - 1) * 10;
        for (const Banco& b : bancos) {
            if (desde < b.filas)
                return motor(
                    db, QStringLiteral("SELECT %1 FROM VT_Chequeras WHERE IDBANCO = '%2' ORDER BY %3 LIMIT "
                                       "10 OFFSET %4")
                            .arg(columnas, b.id, resto)
                            .arg(desde));
            desde -= b.filas;
        }
        return 0.0;
    };
    auto paginaPorBanco = [&](const QString& accion, int numero, const QString& resto, double objetivo) {
        const auto [programa, piso] =
            bench::medirPagina(app, g, numero, [&] { return pisoPorBanco(numero, resto); });
        filas.push_back({accion, programa, piso, objetivo, false,
                         QStringLiteral("sqlite3, índice (IDBANCO, ...) del banco de la página")});
    };
    g->CargarPagina(1);
    g->MsFlexGrid->setRow(1);
    g->MsFlexGrid->setCol(3);
    g->ImgOrdenAsc_Click();
    app.processEvents();
    paginaPorBanco(QStringLiteral("ordenada por banco, primera página"), 1, QStringLiteral("ID"), 100);
    paginaPorBanco(QStringLiteral("ordenada por banco, página del medio"), ultima / 2, QStringLiteral("ID"),
                   100);
    paginaPorBanco(QStringLiteral("ordenada por banco, última página"), ultima, QStringLiteral("ID"), 100);
    // Then by series: the SERIE column's order added to the bank's (the grid's order by several columns).
    g->setOrder(2);
    g->MsFlexGrid->setCol(4);
    g->ImgOrdenAsc_Click();
    app.processEvents();
    paginaPorBanco(QStringLiteral("ordenada por banco y serie, página del medio"), ultima / 2,
                   QStringLiteral("SERIE, ID"), 150);
    g->setOrder(1);
    g->ImgOrdenN_Click();

    // Searches in every column: the count and page 1. The floor: the same
    // condition on the rows the trigram index and the banks' names narrow it to.
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
            QString cond, trigramas;
            for (const QString& c : columnas.split(QStringLiteral(", ")))
                cond += (cond.isEmpty() ? QString() : QStringLiteral(" OR ")) +
                        QStringLiteral("CAST(%1 AS TEXT) LIKE '%%2%'").arg(c, texto);
            for (int i = 0; i + 3 <= texto.size(); ++i)
                trigramas += QStringLiteral("\"%1\" ").arg(texto.mid(i, 3));
            const QString candidatos =
                QStringLiteral(
                    "ID IN (SELECT rowid FROM TA_QUENZAR_TEXTO WHERE TA_QUENZAR_TEXTO MATCH '%1' UNION "
                    "ALL SELECT ID FROM TA_QUENZAR WHERE IDBANCO IN (SELECT IDBANCO FROM TA_BANCOS WHERE "
                    "DESCRIPCION LIKE '%%2%'))")
                    .arg(trigramas.trimmed(), texto);
            tm.push_back(
                motor(db, QStringLiteral("SELECT COUNT(*) FROM VT_Chequeras WHERE %1 AND (%2)")
                              .arg(candidatos, cond)) +
                motor(db, QStringLiteral("SELECT %1 FROM VT_Chequeras WHERE %2 AND (%3) ORDER BY ID LIMIT 10")
                              .arg(columnas, candidatos, cond)));
        }
        return std::make_pair(bench::mediana(tp), bench::mediana(tm));
    };
    const QString pisoBusqueda = QStringLiteral("sqlite3, FTS5 trigram y bancos, misma condición");
    {
        // A control number in the middle of the list: one cheque book.
        const QString control = QString::number(total / 2 + 4321);
        const auto [p1, m1] = buscar(control);
        filas.push_back({QStringLiteral("búsqueda de un número de control (%1)").arg(control), p1, m1, 20,
                         false, pisoBusqueda});
        const auto [p2, m2] = buscar(QStringLiteral("galicia"));
        filas.push_back({QStringLiteral("búsqueda en todas las columnas (\"galicia\")"), p2, m2, 200, false,
                         pisoBusqueda});
        const auto [p3, m3] = buscar(QStringLiteral("zzz"));
        filas.push_back(
            {QStringLiteral("búsqueda sin coincidencias (\"zzz\")"), p3, m3, 20, false, pisoBusqueda});
    }
    ventana.Cargar();
    app.processEvents();

    // A save in the editor: a new cheque book with two new accounts, one
    // transaction. Its floor: the same save with the search index's triggers
    // and the (IDBANCO, SERIE) index taken away, as the program saved before them.
    {
        sqlite3* rw = nullptr;
        sqlite3_open_v2(base.ruta.toUtf8().constData(), &rw, SQLITE_OPEN_READWRITE, nullptr);
        int numero = 0;
        auto guardar = [&] { return bench::guardarNueva(++numero); };
        auto quitarGuardadas = [&] { sqlite3_exec(rw, bench::kQuitarGuardadas, nullptr, nullptr, nullptr); };
        // The definitions as the file holds them: dropped for each turn without them, put back after.
        QByteArray quitar;
        std::vector<QByteArray> definiciones;
        {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(
                rw,
                "SELECT type, name, sql FROM sqlite_master WHERE name IN ('TA_QUENZAR_TEXTO_INS', "
                "'TA_QUENZAR_TEXTO_UPD', 'TA_QUENZAR_TEXTO_DEL', 'IX_TA_QUENZAR_BANCO_SERIE')",
                -1, &st, nullptr);
            while (sqlite3_step(st) == SQLITE_ROW) {
                auto columna = [&](int i) {
                    return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
                };
                quitar += "DROP " + columna(0).toUpper() + ' ' + columna(1) + ';';
                definiciones.push_back(columna(2));
            }
            sqlite3_finalize(st);
        }
        // Four turns each way, taking turns, so that the machine's changing load falls on both
        // sides alike; the saved rows are removed while the triggers are away, so the search index
        // never holds them.
        std::vector<double> sin, con;
        for (int turno = 0; turno < 4; ++turno) {
            sqlite3_exec(rw, quitar.constData(), nullptr, nullptr, nullptr);
            for (int i = 0; i < 8; ++i)
                sin.push_back(guardar());
            quitarGuardadas();
            for (const QByteArray& d : definiciones)
                sqlite3_exec(rw, d.constData(), nullptr, nullptr, nullptr);
            for (int i = 0; i < 8; ++i)
                con.push_back(guardar());
            quitarGuardadas();
        }
        sqlite3_close(rw);
        filas.push_back({QStringLiteral("guardado de una chequera nueva con dos cuentas nuevas"),
                         bench::mediana(con), bench::mediana(sin), 1.2, true,
                         QStringLiteral("el mismo guardado sin los índices de búsqueda")});
    }

    // The history: a save with it against the same save without it, and one cheque book's history
    // opened among a million rows of it, against sqlite3 counting and reading that first page.
    {
        int numero = 1000;
        const auto [con, sin] = bench::guardadosConYSinHistorial(numero);
        filas.push_back({QStringLiteral("guardado con su historial"), con, sin, 1.2, true,
                         QStringLiteral("el mismo guardado sin historial")});
        sqlite3* rw = nullptr;
        sqlite3_open_v2(base.ruta.toUtf8().constData(), &rw, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(rw, bench::kQuitarGuardadas, nullptr, nullptr, nullptr);
        // Rows are never removed: a second run finds them there.
        sqlite3_exec(
            rw,
            "INSERT INTO TA_QUENZAR_HISTORIAL (MOMENTO, USUARIO, Maquina, OPERACION, IDCHEQUERA, TABLA, "
            "CLAVE, CAMPO, ANTES, DESPUES) SELECT '2026-01-02 10:11:12.000', 'ADMIN', 'CAJA-1', "
            "'Modificación', i % 100000 + 1, 'TA_QUENZAR', 'x', 'NUMERO_HASTA', i, i + 1 FROM (WITH "
            "RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) SELECT i "
            "FROM n) WHERE (SELECT COUNT(*) FROM TA_QUENZAR_HISTORIAL) < 1000000",
            nullptr, nullptr, nullptr);
        sqlite3_close(rw);
        const qint64 filasHistorial =
            static_cast<qint64>(motorValor(db, QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR_HISTORIAL")));
        std::vector<double> programa, piso;
        for (int r = 0; r < 5; ++r) {
            programa.push_back(bench::abrirHistorial(app, 50000));
            piso.push_back(
                motor(db, QStringLiteral("SELECT COUNT(*) FROM VT_HISTORIAL WHERE IDCHEQUERA = 50000")) +
                motor(db, QStringLiteral("SELECT DIA, HORA, USUARIO, Maquina, OPERACION, REGISTRO, "
                                         "CAMPO, ANTES, DESPUES FROM VT_HISTORIAL WHERE IDCHEQUERA = "
                                         "50000 ORDER BY ID DESC LIMIT 15")));
        }
        filas.push_back({QStringLiteral("historial de una chequera entre %1 filas").arg(filasHistorial),
                         bench::mediana(programa), bench::mediana(piso), 100, false,
                         QStringLiteral("sqlite3, cuenta y primera página por el índice (IDCHEQUERA, ID)")});
    }

    // The export of the whole list (8 columns) against libxlsxwriter writing the same cells and formats.
    {
        const QString consulta =
            QStringLiteral("SELECT Talonario,IDBANCO,DESCRIPCION,SERIE,NUMERO_DESDE,NUMERO_HASTA,CuentaBanco,"
                           "CuentaBancoDiferido FROM VT_Chequeras");
        const QString libro = base.temporal.filePath(QStringLiteral("lista.xlsx"));
        const QString libroPiso = base.temporal.filePath(QStringLiteral("piso.xlsx"));
        const double programa =
            cronometrar([&] { exportacion::ExportarExcel(consulta, false, {}, {}, libro, nullptr, 0, {}); });
        const double piso = bench::soloXlsx(base.ruta, libroPiso, consulta);
        filas.push_back({QStringLiteral("exportación de %1 filas × 8 columnas").arg(total), programa, piso,
                         1.2, true, QStringLiteral("libxlsxwriter, mismas celdas y formatos")});
    }

    const bench::Memoria memoria = bench::memoriaTrasVueltas(app, ventana, vueltas, recargas);
    out << "chequeras: " << total << ", páginas: " << ultima << "\n\n";
    bench::imprimir(out, filas, memoria, vueltas, recargas);
    sqlite3_close(db);
    return 0;
}
