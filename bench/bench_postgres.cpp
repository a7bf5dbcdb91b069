// The cheque-book list on PostgreSQL at 1,000,000 cheque books, driven as a
// user drives it: opening from the program's start, F1, the last and a middle
// page, a middle page sorted by series, pages sorted by the bank's name,
// searches in all columns, a save in the editor, the export, and the memory
// after page turns and reloads. Each figure is printed beside a floor measured
// in the same run, named in the output: libpq, the server's own library, on a
// connection of its own running the fastest statement that gives the same
// rows (or libxlsxwriter writing the same cells from libpq).
//
//   QT_QPA_PLATFORM=offscreen bench_postgres --servidor PG:host:port
//       [--base NOMBRE] [--generar N [--reemplazar]] [--usuario U] [--clave C]
//       [--vueltas N] [--recargas N] [--solo-exportacion]
// --generar creates the database first with N cheque books (COPY); one already
// there is used as it is unless --reemplazar is given. QUENZAR_BENCH_DETALLE=N
// prints each statement of the opening and the searches (its first N
// characters) with the milliseconds since the action began.

#include "bench/Lista.h"
#include "bench/PisoXlsx.h"
#include "db/BaseDemo.h"
#include "export/ModExportarExcel.h"
#include "grid/KvDbGrid.h"
#include "platform/ErrorEjecucion.h"
#include "platform/ado/Ado.h"
#include "shell/FrmChequerasGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <libpq-fe.h>
#include <limits>
#include <vector>

namespace {

using bench::cronometrar;

[[noreturn]] void fallar(PGconn* cn, const QString& sql) {
    QTextStream(stderr) << "libpq: " << PQerrorMessage(cn) << "\n" << sql << "\n";
    std::exit(1);
}

// Runs statements to their end, reading every value, as a client would.
double pq(PGconn* cn, const QString& sql) {
    QElapsedTimer t;
    t.start();
    PGresult* r = PQexec(cn, sql.toUtf8().constData());
    const auto estado = PQresultStatus(r);
    if (estado != PGRES_TUPLES_OK && estado != PGRES_COMMAND_OK) fallar(cn, sql);
    for (int f = 0; f < PQntuples(r); ++f)
        for (int c = 0; c < PQnfields(r); ++c)
            (void)PQgetvalue(r, f, c);
    PQclear(r);
    return bench::ms(t);
}

QVector<QStringList> filasPq(PGconn* cn, const QString& sql) {
    PGresult* r = PQexec(cn, sql.toUtf8().constData());
    if (PQresultStatus(r) != PGRES_TUPLES_OK) fallar(cn, sql);
    QVector<QStringList> filas;
    for (int f = 0; f < PQntuples(r); ++f) {
        QStringList x;
        for (int c = 0; c < PQnfields(r); ++c)
            x << QString::fromUtf8(PQgetvalue(r, f, c));
        filas << x;
    }
    PQclear(r);
    return filas;
}

PGconn* conectar(const QByteArray& conexion) {
    PGconn* cn = PQconnectdb(conexion.constData());
    if (PQstatus(cn) != CONNECTION_OK) fallar(cn, {});
    // The settings the program's sessions read with, which are the faster ones here.
    pq(cn, QStringLiteral("SET max_parallel_workers_per_gather = 0; SET jit = off"));
    return cn;
}

const QString kColumnas = QStringLiteral(R"("Talonario", "IDBANCO", "DESCRIPCION", "SERIE", "NUMERO_DESDE", )"
                                         R"("NUMERO_HASTA", "CuentaBanco", "CuentaBancoDiferido", "ID")");

QString comando(const QString& servidor, const QString& base, const QString& usuario, const QString& clave) {
    return QStringLiteral("@Server=%1;@DbName=%2;@Usuario=%3;@Password=%4;")
        .arg(servidor, base, usuario, clave);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temporal;
    qputenv("QUENZAR_DATOS", temporal.path().toUtf8());
    qputenv("QUENZAR_CARPETA_APLICACION", temporal.path().toUtf8());
    qputenv("QUENZAR_CARPETA_INI", temporal.path().toUtf8());
    QString servidor, base = QStringLiteral("QUENZAR_1M"), usuario = QStringLiteral("ADMIN"),
                      clave = QStringLiteral("admin");
    qint64 generar = -1;
    int vueltas = 2000, recargas = 200;
    bool soloApertura = false, soloExportacion = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const bool hay = i + 1 < args.size();
        if (args[i] == QLatin1String("--apertura"))
            soloApertura = true;
        else if (args[i] == QLatin1String("--solo-exportacion"))
            soloExportacion = true;
        else if (!hay)
            break;
        else if (args[i] == QLatin1String("--servidor"))
            servidor = args[++i];
        else if (args[i] == QLatin1String("--base"))
            base = args[++i];
        else if (args[i] == QLatin1String("--generar"))
            generar = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--usuario"))
            usuario = args[++i];
        else if (args[i] == QLatin1String("--clave"))
            clave = args[++i];
        else if (args[i] == QLatin1String("--vueltas"))
            vueltas = args[++i].toInt();
        else if (args[i] == QLatin1String("--recargas"))
            recargas = args[++i].toInt();
    }
    QTextStream out(stdout);
    if (!servidor.startsWith(QLatin1String("PG:"), Qt::CaseInsensitive)) {
        QTextStream(stderr)
            << "Uso: bench_postgres --servidor PG:servidor:puerto [--base NOMBRE] [--generar N]\n";
        return 2;
    }

    // One opening, from the program's start to the first page shown: what
    // the parent runs in a process of its own each time.
    if (soloApertura) {
        int sentencias = 0, conexiones = 0;
        QElapsedTimer reloj;
        reloj.start();
        const bool detallar = qEnvironmentVariableIsSet("QUENZAR_BENCH_DETALLE");
        ado::ganchos().alEnviar = [&](const QString& sql) {
            ++sentencias;
            if (detallar)
                QTextStream(stderr) << bench::ms(reloj) << " ms: "
                                    << sql.left(qEnvironmentVariableIntValue("QUENZAR_BENCH_DETALLE"))
                                    << "\n";
        };
        ado::ganchos().antesDeAbrir = [&](const QString& c) {
            ++conexiones;
            if (detallar) QTextStream(stderr) << bench::ms(reloj) << " ms: conexión " << c.left(60) << "\n";
        };
        shell::FrmChequerasGrid ventana;
        const double t = cronometrar([&] {
            bench::abrirLista(app, ventana, comando(servidor, base, usuario, clave));
            ventana.Cargar();
            app.processEvents();
        });
        if (detallar) {
            // Then F1, statement by statement.
            QTextStream(stderr) << "F1\n";
            reloj.restart();
            ventana.Cargar();
            app.processEvents();
            QTextStream(stderr) << bench::ms(reloj) << " ms: fin\n";
        }
        out << t << " " << sentencias << " " << conexiones << "\n";
        return 0;
    }

    if (generar >= 0) {
        basedatos::OpcionesDemo o;
        o.chequeras = generar;
        o.nombre = base;
        o.reemplazar = args.contains(QStringLiteral("--reemplazar"));
        QElapsedTimer t;
        t.start();
        try {
            basedatos::crearDemoPostgres({servidor, usuario, clave}, o);
            out << "base generada: " << generar << " chequeras en " << t.elapsed() << " ms\n";
        } catch (const plataforma::ErrorEjecucion& e) {
            out << "base existente, usada como está: " << e.Description() << "\n";
        }
    }
    const QStringList partes = servidor.mid(3).split(QLatin1Char(':'));
    const QByteArray conexion =
        QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=%5")
            .arg(partes.value(0), partes.value(1, QStringLiteral("5432")), base, usuario, clave)
            .toUtf8();
    PGconn* cn = conectar(conexion);
    std::vector<bench::Fila> filas;
    const bool detallar = qEnvironmentVariableIsSet("QUENZAR_BENCH_DETALLE");
    const QString simple = QStringLiteral("libpq, las claves por el índice y luego sus filas");

    const QString cuentaYPagina =
        QStringLiteral(
            R"(SELECT COUNT(*) FROM "VT_Chequeras"; SELECT %1 FROM "VT_Chequeras" ORDER BY "ID" LIMIT 10)")
            .arg(kColumnas);
    // The count the server keeps (what the program reads for the whole list), as a second floor.
    const QString cuentaGuardadaYPagina =
        QStringLiteral(R"(SELECT SUM("FILAS") FROM "TA_QUENZAR_POR_BANCO"; )"
                       R"(SELECT %1 FROM "VT_Chequeras" ORDER BY "ID" LIMIT 10)")
            .arg(kColumnas);
    QString aparte;
    if (!soloExportacion) {
        // Opening, each in a new process: the program against libpq connecting and reading the count and
        // page 1.
        {
            std::vector<double> tp, tm, tg;
            QString detalle;
            for (int r = 0; r < 5; ++r) {
                QProcess p;
                p.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--apertura"), QStringLiteral("--servidor"), servidor,
                         QStringLiteral("--base"), base, QStringLiteral("--usuario"), usuario,
                         QStringLiteral("--clave"), clave});
                p.waitForFinished(120000);
                const QStringList x = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char(' '));
                if (p.exitCode() != 0 || x.size() < 3) {
                    QTextStream(stderr) << "apertura: " << p.readAllStandardError() << "\n";
                    return 1;
                }
                tp.push_back(x[0].toDouble());
                detalle = QStringLiteral("%1 sentencias, %2 conexiones").arg(x[1], x[2].trimmed());
                tm.push_back(cronometrar([&] {
                    PGconn* nueva = conectar(conexion);
                    pq(nueva, cuentaYPagina);
                    PQfinish(nueva);
                }));
                tg.push_back(cronometrar([&] {
                    PGconn* nueva = conectar(conexion);
                    pq(nueva, cuentaGuardadaYPagina);
                    PQfinish(nueva);
                }));
            }
            aparte = QStringLiteral("apertura: %1 ms; libpq con la cuenta que guarda el servidor "
                                    "(TA_QUENZAR_POR_BANCO) y la primera página: %2 ms, razón %3 "
                                    "(sin objetivo: el de la tabla es el de la cuenta)\n")
                         .arg(bench::mediana(tp), 0, 'f', 1)
                         .arg(bench::mediana(tg), 0, 'f', 1)
                         .arg(bench::mediana(tp) / bench::mediana(tg), 0, 'f', 2);
            filas.push_back({QStringLiteral("apertura desde el inicio (%1)").arg(detalle), bench::mediana(tp),
                             bench::mediana(tm), 1.3, true,
                             QStringLiteral("libpq: conexión, cuenta y primera página")});
        }
    }

    shell::FrmChequerasGrid ventana;
    bench::abrirLista(app, ventana, comando(servidor, base, usuario, clave));
    auto* g = ventana.KvDbGrid1;
    ventana.Cargar();
    app.processEvents();
    const int ultima = g->UltimaPagina();
    if (!soloExportacion) {
        {
            std::vector<double> tp, tm;
            for (int r = 0; r < 5; ++r) {
                tp.push_back(cronometrar([&] {
                    ventana.Cargar();
                    app.processEvents();
                }));
                tm.push_back(pq(cn, cuentaYPagina));
            }
            filas.push_back({QStringLiteral("F1, recarga"), bench::mediana(tp), bench::mediana(tm), 1.3, true,
                             QStringLiteral("libpq: cuenta y primera página")});
        }

        // A page: the program's turn to it, and its floor.
        auto medirPagina = [&](const QString& accion, int numero, const std::function<double()>& piso,
                               double objetivo, const QString& queEsElPiso) {
            const auto [programa, pisoMs] = bench::medirPagina(app, g, numero, piso);
            filas.push_back({accion, programa, pisoMs, objetivo, false, queEsElPiso});
        };
        auto porDesplazamiento = [&](int numero, const QString& orden) {
            return [&, numero, orden] {
                return pq(cn,
                          QStringLiteral(R"(SELECT %1 FROM "VT_Chequeras" WHERE "ID" IN (SELECT "ID" FROM )"
                                         R"("TA_QUENZAR" ORDER BY %2 LIMIT 10 OFFSET %3) ORDER BY %2)")
                              .arg(kColumnas, orden)
                              .arg(static_cast<qint64>(numero - 1) * 10));
            };
        };
        medirPagina(QStringLiteral("última página (%1)").arg(ultima), ultima,
                    porDesplazamiento(ultima, QStringLiteral(R"("ID")")), 100, simple);
        medirPagina(QStringLiteral("página del medio (%1)").arg(ultima / 2), ultima / 2,
                    porDesplazamiento(ultima / 2, QStringLiteral(R"("ID")")), 100, simple);

        // Sorted by series: the current cell in the SERIE column, then "ascending".
        g->CargarPagina(1);
        g->MsFlexGrid->setRow(1);
        g->MsFlexGrid->setCol(4);
        g->ImgOrdenAsc_Click();
        app.processEvents();
        medirPagina(QStringLiteral("página del medio ordenada por serie"), ultima / 2,
                    porDesplazamiento(ultima / 2, QStringLiteral(R"("SERIE", "ID")")), 250, simple);
        g->ImgOrdenN_Click();

        // Sorted by the bank's name. Its floor: the page's rows read by the index
        // of the bank that holds them, the banks' counts known.
        struct Banco {
            QString id;
            qint64 filas;
        };
        std::vector<Banco> bancos;
        for (const QStringList& f :
             filasPq(cn, QStringLiteral(
                             R"(SELECT b."IDBANCO", (SELECT COUNT(*) FROM "TA_QUENZAR" q WHERE )"
                             R"(q."IDBANCO" = b."IDBANCO") FROM "TA_BANCOS" b ORDER BY b."DESCRIPCION", )"
                             R"(b."IDBANCO")")))
            bancos.push_back({f[0], f[1].toLongLong()});
        auto pisoPorBanco = [&](int numero, const QString& resto) {
            return [&, numero, resto] {
                qint64 desde = static_cast<qint64>(numero - 1) * 10;
                for (const Banco& b : bancos) {
                    if (desde < b.filas)
                        return pq(cn, QStringLiteral(
                                          R"(SELECT %1 FROM "VT_Chequeras" WHERE "ID" IN (SELECT "ID" )"
                                          R"(FROM "TA_QUENZAR" WHERE "IDBANCO" = '%2' ORDER BY %3 LIMIT )"
                                          R"(10 OFFSET %4) ORDER BY %3)")
                                          .arg(kColumnas, b.id, resto)
                                          .arg(desde));
                    desde -= b.filas;
                }
                return 0.0;
            };
        };
        const QString pisoBanco = QStringLiteral("libpq, índice (IDBANCO, ...) del banco de la página");
        g->CargarPagina(1);
        g->MsFlexGrid->setRow(1);
        g->MsFlexGrid->setCol(3);
        g->ImgOrdenAsc_Click();
        app.processEvents();
        medirPagina(QStringLiteral("ordenada por banco, primera página"), 1,
                    pisoPorBanco(1, QStringLiteral(R"("ID")")), 100, pisoBanco);
        medirPagina(QStringLiteral("ordenada por banco, página del medio"), ultima / 2,
                    pisoPorBanco(ultima / 2, QStringLiteral(R"("ID")")), 100, pisoBanco);
        medirPagina(QStringLiteral("ordenada por banco, última página"), ultima,
                    pisoPorBanco(ultima, QStringLiteral(R"("ID")")), 100, pisoBanco);
        g->setOrder(2);
        g->MsFlexGrid->setCol(4);
        g->ImgOrdenAsc_Click();
        app.processEvents();
        medirPagina(QStringLiteral("ordenada por banco y serie, página del medio"), ultima / 2,
                    pisoPorBanco(ultima / 2, QStringLiteral(R"("SERIE", "ID")")), 150, pisoBanco);
        g->setOrder(1);
        g->ImgOrdenN_Click();

        // Searches in every column: the count and page 1. The floor: the rows
        // whose bank's name matches, and the others that the trigram index finds.
        auto buscar = [&](const QString& texto, const QString& accion, double objetivo) {
            std::vector<double> tp, tm;
            const QString patron = QStringLiteral("'%%1%'").arg(texto);
            const QString bancosQue =
                QStringLiteral(
                    R"((SELECT "IDBANCO" FROM "TA_BANCOS" WHERE "DESCRIPCION" COLLATE "default" ILIKE %1))")
                    .arg(patron);
            const QString propias =
                QStringLiteral(R"("ID" IN (SELECT "ID" FROM "TA_QUENZAR_TEXTO" WHERE "TEXTO" )"
                               R"(ILIKE %1) AND "IDBANCO" NOT IN %2)")
                    .arg(patron, bancosQue);
            const QString piso =
                QStringLiteral(
                    R"(SELECT (SELECT COUNT(*) FROM "TA_QUENZAR" WHERE "IDBANCO" IN %1) + (SELECT )"
                    R"(COUNT(*) FROM "TA_QUENZAR" WHERE %2); SELECT * FROM (SELECT %3 FROM "VT_Chequeras" )"
                    R"(WHERE "IDBANCO" IN %1 UNION ALL SELECT %3 FROM "VT_Chequeras" WHERE %2) AS t )"
                    R"(ORDER BY "ID" LIMIT 10)")
                    .arg(bancosQue, propias, kColumnas);
            for (int r = 0; r < 3; ++r) {
                ventana.Cargar();
                g->setFind(2);
                g->CboFiltroCampo->setCurrentIndex(0);
                g->txtBuscar->setText(texto);
                QElapsedTimer reloj;
                reloj.start();
                if (detallar)
                    ado::ganchos().alEnviar = [&](const QString& sql) {
                        QTextStream(stderr)
                            << bench::ms(reloj)
                            << " ms: " << sql.left(qEnvironmentVariableIntValue("QUENZAR_BENCH_DETALLE"))
                            << "\n";
                    };
                tp.push_back(cronometrar([&] {
                    g->BuscarTexto();
                    app.processEvents();
                }));
                ado::ganchos().alEnviar = {};
                tm.push_back(pq(cn, piso));
            }
            filas.push_back({accion, bench::mediana(tp), bench::mediana(tm), objetivo, false,
                             QStringLiteral("libpq, pg_trgm y bancos")});
        };
        const QString control = QString::number(ultima * 5 + 4321);
        buscar(control, QStringLiteral("búsqueda de un número de control (%1)").arg(control), 20);
        buscar(QStringLiteral("galicia"), QStringLiteral("búsqueda en todas las columnas (\"galicia\")"),
               200);
        buscar(QStringLiteral("zzz"), QStringLiteral("búsqueda sin coincidencias (\"zzz\")"), 20);
        ventana.Cargar();
        app.processEvents();

        // A save in the editor against the same save without the search index,
        // the (IDBANCO, SERIE) index and the per-bank counts, as the program saved
        // before them; they are put back (and recounted) afterwards.
        {
            auto& sesion = datos::gDB();
            int numero = 0;
            std::vector<double> con, sin;
            for (int i = 0; i < 15; ++i)
                con.push_back(bench::guardarNueva(++numero));
            sesion.gCnn().Execute(QLatin1String(bench::kQuitarGuardadas));
            pq(cn,
               QStringLiteral(R"(DROP TRIGGER "TA_QUENZAR_POR_BANCO_INS" ON "TA_QUENZAR"; )"
                              R"(DROP TRIGGER "TA_QUENZAR_POR_BANCO_UPD" ON "TA_QUENZAR"; )"
                              R"(DROP TRIGGER "TA_QUENZAR_POR_BANCO_DEL" ON "TA_QUENZAR"; )"
                              R"(DROP INDEX "IX_TA_QUENZAR_TEXTO"; DROP INDEX "IX_TA_QUENZAR_BANCO_SERIE")"));
            for (int i = 0; i < 15; ++i)
                sin.push_back(bench::guardarNueva(++numero));
            sesion.gCnn().Execute(QLatin1String(bench::kQuitarGuardadas));
            QFile f(QStringLiteral(":/basedatos/postgres/busqueda.sql"));
            f.open(QIODevice::ReadOnly);
            pq(cn, QString::fromUtf8(f.readAll()));
            filas.push_back({QStringLiteral("guardado de una chequera nueva con dos cuentas nuevas"),
                             bench::mediana(con), bench::mediana(sin), 1.2, true,
                             QStringLiteral("el mismo guardado sin los índices de búsqueda")});
        }
    }

    // The history: a save with it against the same save without it, and one cheque book's history
    // opened among a million rows of it, against libpq counting and reading that first page.
    if (!soloExportacion) {
        int numero = 1000;
        const auto [con, sin] = bench::guardadosConYSinHistorial(numero);
        datos::gDB().gCnn().Execute(QLatin1String(bench::kQuitarGuardadas));
        filas.push_back({QStringLiteral("guardado con su historial"), con, sin, 1.2, true,
                         QStringLiteral("el mismo guardado sin historial")});
        // Rows are never removed: a second run finds them there.
        pq(cn,
           QStringLiteral(
               R"(INSERT INTO "TA_QUENZAR_HISTORIAL" ("MOMENTO", "USUARIO", "Maquina", "OPERACION", )"
               R"("IDCHEQUERA", "TABLA", "CLAVE", "CAMPO", "ANTES", "DESPUES") SELECT )"
               R"('2026-01-02 10:11:12', 'ADMIN', 'CAJA-1', 'Modificación', i % 100000 + 1, 'TA_QUENZAR', )"
               R"('x', 'NUMERO_HASTA', i::text, (i + 1)::text FROM generate_series(1, 1000000) AS i WHERE )"
               R"((SELECT COUNT(*) FROM "TA_QUENZAR_HISTORIAL") < 1000000; ANALYZE "TA_QUENZAR_HISTORIAL")"));
        PGresult* n = PQexec(cn, R"(SELECT COUNT(*) FROM "TA_QUENZAR_HISTORIAL")");
        const QString filasHistorial = QString::fromUtf8(PQgetvalue(n, 0, 0));
        PQclear(n);
        std::vector<double> p, m;
        for (int r = 0; r < 5; ++r) {
            p.push_back(bench::abrirHistorial(app, 50000));
            m.push_back(
                pq(cn, QStringLiteral(
                           R"(SELECT COUNT(*) FROM "VT_HISTORIAL" WHERE "IDCHEQUERA" = 50000; )"
                           R"(SELECT "DIA", "HORA", "USUARIO", "Maquina", "OPERACION", "REGISTRO", )"
                           R"("CAMPO", "ANTES", "DESPUES" FROM "VT_HISTORIAL" WHERE "IDCHEQUERA" = 50000 )"
                           R"(ORDER BY "ID" DESC LIMIT 15)")));
        }
        filas.push_back({QStringLiteral("historial de una chequera entre %1 filas").arg(filasHistorial),
                         bench::mediana(p), bench::mediana(m), 100, false,
                         QStringLiteral("libpq, cuenta y primera página por el índice (IDCHEQUERA, ID)")});
    }

    // The export of the whole list (8 columns) against libxlsxwriter writing the same cells from libpq.
    {
        const QString libro = temporal.filePath(QStringLiteral("lista.xlsx"));
        const QString libroPiso = temporal.filePath(QStringLiteral("piso.xlsx"));
        // Twice each, taking turns, the best of each: a run of seconds on a shared machine meets
        // other work now and then, and it falls on either side alike.
        double programa = std::numeric_limits<double>::infinity(), piso = programa;
        for (int vuelta = 0; vuelta < 2; ++vuelta) {
            const double p = cronometrar([&] {
                exportacion::ExportarExcel(
                    QStringLiteral(
                        "SELECT Talonario,IDBANCO,DESCRIPCION,SERIE,NUMERO_DESDE,NUMERO_HASTA,CuentaBanco,"
                        "CuentaBancoDiferido FROM VT_Chequeras"),
                    false, {}, {}, libro, nullptr, 0, {});
            });
            const double m = bench::soloXlsxPg(
                conexion, libroPiso,
                QStringLiteral(
                    R"(SELECT "Talonario", "IDBANCO", "DESCRIPCION", "SERIE", "NUMERO_DESDE", )"
                    R"("NUMERO_HASTA", "CuentaBanco", "CuentaBancoDiferido" FROM "VT_Chequeras")"));
            programa = std::min(programa, p);
            piso = std::min(piso, m);
        }
        const qint64 total = filasPq(cn, QStringLiteral(R"(SELECT COUNT(*) FROM "VT_Chequeras")"))
                                 .value(0)
                                 .value(0)
                                 .toLongLong();
        filas.push_back({QStringLiteral("exportación de %1 filas × 8 columnas").arg(total), programa, piso,
                         1.2, true, QStringLiteral("libxlsxwriter desde libpq, mismas celdas y formatos")});
    }

    const bench::Memoria memoria =
        soloExportacion ? bench::Memoria{} : bench::memoriaTrasVueltas(app, ventana, vueltas, recargas);
    PQfinish(cn);
    out << "servidor: " << servidor << ", base " << base << ", páginas: " << ultima << "\n\n";
    bench::imprimir(out, filas, memoria, vueltas, recargas);
    out << aparte;
    return 0;
}
