// The cheque-book list on PostgreSQL, 1,000,000 cheque books: opening, the
// last page, a middle page sorted by series and a search in all columns.
// Each action's figure is printed beside psql, the server's own client,
// running in the same run the very statements the program sent for it (as
// translated), one after the other; psql's own \timing is summed.
//
//   QT_QPA_PLATFORM=offscreen bench_postgres --servidor PG:host:port
//       [--base NOMBRE] [--generar N [--reemplazar]] [--usuario U] [--clave C]
// --generar creates the database first with N cheque books (COPY); one already
// there is used as it is unless --reemplazar is given.

#include "bench/Lista.h"
#include "db/BaseDemo.h"
#include "grid/KvDbGrid.h"
#include "platform/ErrorEjecucion.h"
#include "platform/ado/Ado.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

struct Destino {
    QString host, puerto, base, usuario, clave;
};

// psql running the statements one after the other; the sum of its \timing.
double psql(const Destino& d, const QStringList& sentencias, const QString& carpeta) {
    QFile f(carpeta + QStringLiteral("/sentencias.sql"));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QTextStream t(&f);
    t << "\\timing on\n";
    for (const QString& s : sentencias)
        t << s << ";\n";
    t.flush();
    f.close();
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("PGPASSWORD"), d.clave);
    p.setProcessEnvironment(e);
    p.start(QStringLiteral("psql"),
            {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
             QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), d.host, QStringLiteral("-p"), d.puerto,
             QStringLiteral("-U"), d.usuario, QStringLiteral("-d"), d.base, QStringLiteral("-o"),
             QStringLiteral("/dev/null"), QStringLiteral("-f"), f.fileName()});
    p.waitForFinished(600000);
    const QString salida = QString::fromUtf8(p.readAllStandardOutput());
    if (p.exitCode() != 0) {
        QTextStream(stderr) << "psql: " << p.readAllStandardError() << "\n";
        std::exit(1);
    }
    static const QRegularExpression tiempo(QStringLiteral(R"(Time: ([0-9.]+) ms)"));
    double total = 0;
    for (auto it = tiempo.globalMatch(salida); it.hasNext();)
        total += it.next().captured(1).toDouble();
    return total;
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
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--servidor"))
            servidor = args[++i];
        else if (args[i] == QLatin1String("--base"))
            base = args[++i];
        else if (args[i] == QLatin1String("--generar"))
            generar = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--usuario"))
            usuario = args[++i];
        else if (args[i] == QLatin1String("--clave"))
            clave = args[++i];
    }
    QTextStream out(stdout);
    if (!servidor.startsWith(QLatin1String("PG:"), Qt::CaseInsensitive)) {
        QTextStream(stderr)
            << "Uso: bench_postgres --servidor PG:servidor:puerto [--base NOMBRE] [--generar N]\n";
        return 2;
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
    const Destino destino{partes.value(0), partes.value(1, QStringLiteral("5432")), base, usuario, clave};

    shell::FrmChequerasGrid ventana;
    bench::abrirLista(app, ventana,
                      QStringLiteral("@Server=%1;@DbName=%2;@Usuario=%3;@Password=%4;")
                          .arg(servidor, base, usuario, clave));
    auto* g = ventana.KvDbGrid1;

    QStringList enviadas;
    ado::ganchos().alEnviar = [&](const QString& sql) { enviadas << sql; };

    struct Fila {
        QString accion;
        double programa, piso;
        int sentencias;
    };
    std::vector<Fila> filas;
    // The action `hacer` after `antes`, three times: the program's time and psql on what it sent.
    auto medir = [&](const QString& accion, const std::function<void()>& antes,
                     const std::function<void()>& hacer) {
        std::vector<double> tp, tm;
        int n = 0;
        for (int r = 0; r < 3; ++r) {
            antes();
            app.processEvents();
            enviadas.clear();
            QElapsedTimer t;
            t.start();
            hacer();
            app.processEvents();
            tp.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            const QStringList estas = enviadas;
            n = static_cast<int>(estas.size());
            tm.push_back(psql(destino, estas, temporal.path()));
        }
        filas.push_back({accion, bench::mediana(tp), bench::mediana(tm), n});
    };

    ventana.Cargar();
    const int ultima = g->UltimaPagina();
    medir(
        QStringLiteral("apertura (F1: cuenta y primera página)"), [] {}, [&] { ventana.Cargar(); });
    medir(
        QStringLiteral("última página (%1)").arg(ultima), [&] { g->CargarPagina(1); },
        [&] { g->CargarPagina(ultima); });
    g->CargarPagina(1);
    g->MsFlexGrid->setRow(1);
    g->MsFlexGrid->setCol(4);
    g->ImgOrdenAsc_Click();
    app.processEvents();
    medir(
        QStringLiteral("página del medio ordenada por serie (%1)").arg(ultima / 2),
        [&] { g->CargarPagina(1); }, [&] { g->CargarPagina(ultima / 2); });
    g->ImgOrdenN_Click();
    medir(
        QStringLiteral("búsqueda en todas las columnas (\"galicia\")"),
        [&] {
            ventana.Cargar();
            g->setFind(2);
            g->CboFiltroCampo->setCurrentIndex(0);
            g->txtBuscar->setText(QStringLiteral("galicia"));
        },
        [&] { g->BuscarTexto(); });
    ado::ganchos() = {};

    out << "servidor: " << servidor << ", base " << base << ", páginas: " << ultima << "\n\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("acción"), -48)
               .arg(QStringLiteral("programa ms"), 12)
               .arg(QStringLiteral("psql ms"), 10)
               .arg(QStringLiteral("razón"), 7)
               .arg(QStringLiteral("sentencias"), 10);
    int cumplidos = 0;
    for (const Fila& f : filas) {
        const double razon = f.programa / qMax(0.001, f.piso);
        const bool ok = razon <= 1.3;
        cumplidos += ok ? 1 : 0;
        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(f.accion, -48)
                   .arg(f.programa, 12, 'f', 1)
                   .arg(f.piso, 10, 'f', 1)
                   .arg(razon, 7, 'f', 2)
                   .arg(f.sentencias, 10)
                   .arg(ok ? QStringLiteral("≤ 1.3× sí") : QStringLiteral("≤ 1.3× NO"));
    }
    out << QStringLiteral("RESUMEN: %1 de %2 objetivos cumplidos\n").arg(cumplidos).arg(filas.size());
    return 0;
}
