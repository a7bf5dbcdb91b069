// Exporting the cheque-book list to a workbook: the program's export (with its
// notice window) against libxlsxwriter alone writing the same cells from the
// engine, in one run; growth of peak memory during the export; how often the
// progress was shown; how long a cancel takes to end the export.
//
//   QT_QPA_PLATFORM=offscreen bench_exportacion [--chequeras N] [--carpeta DIR]

#include "bench/BaseBench.h"
#include "bench/PisoXlsx.h"
#include "export/ModExportarExcel.h"
#include "notice/Dll_Display.h"
#include "platform/ui/Dialogos.h"
#include "shell/Inicio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <sqlite3.h>

namespace {

const QString kSql =
    QStringLiteral("SELECT Talonario,IDBANCO,DESCRIPCION,SERIE,NUMERO_DESDE,NUMERO_HASTA,CuentaBanco,"
                   "CuentaBancoDiferido FROM VT_Chequeras");

// Peak resident memory so far, in kB.
long picoKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmHWM:")) return l.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The Qt dialogs, counting where the program lets events through; `alPaso` may press a button there.
class Contadora final : public ui::Interfaz {
public:
    std::unique_ptr<ui::Interfaz> qt = ui::crearInterfazQt();
    int pasos = 0;
    std::function<void(int)> alPaso;
    int MsgBox(const QString& t, int e, const QString& ti) override { return qt->MsgBox(t, e, ti); }
    std::optional<QString> InputBox(const QString& m, const QString& t, const QString& d) override {
        return qt->InputBox(m, t, d);
    }
    std::optional<QString> abrirArchivo(const QString& t, const QString& f, const QString& c) override {
        return qt->abrirArchivo(t, f, c);
    }
    std::optional<QDate> ElegirFecha(const QString& t) override { return qt->ElegirFecha(t); }
    int mostrarModal(QWidget* v) override { return qt->mostrarModal(v); }
    qint64 iniciarProceso(const QString&, const QStringList&) override { return 1; }
    bool crearAccesoDirecto(const QString& n, const QString& d, const QString& a, const QString& c) override {
        return qt->crearAccesoDirecto(n, d, a, c);
    }
    void procesarEventos() override {
        ++pasos;
        if (alPaso) alPaso(pasos);
        qt->procesarEventos();
    }
    [[noreturn]] void terminarPrograma(int c) override {
        qt->terminarPrograma(c);
        std::abort();
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::BaseBench base(100000);
    const qint64 chequeras = base.chequeras;
    const QString& ruta = base.ruta;
    QTemporaryDir& temporal = base.temporal;
    QTextStream out(stdout);

    auto propia = std::make_unique<Contadora>();
    Contadora* contadora = propia.get();
    ui::instalar(std::move(propia));
    QString cadena;
    shell::IniciarAplicacion(QStringLiteral("@Server=SQLITE;@DbName=QUENZAR;@Usuario=ADMIN;@Password=admin;"),
                             cadena, 3);

    const QString libro = temporal.filePath(QStringLiteral("exportacion.xlsx"));
    // --perfil: only the program's export, for a profiler.
    if (QCoreApplication::arguments().contains(QStringLiteral("--perfil"))) {
        exportacion::ExportarExcel(kSql, false, {}, {}, libro, nullptr, 0, {});
        return 0;
    }
    const QString libroSolo = temporal.filePath(QStringLiteral("solo.xlsx"));
    const double xlsx1 = bench::soloXlsx(ruta, libroSolo, kSql);

    const long antes = picoKb();
    QElapsedTimer t;
    t.start();
    exportacion::ExportarExcel(kSql, false, {}, {}, libro, nullptr, 0, {});
    const double programa = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const long despues = picoKb();
    const int avisos = contadora->pasos;
    const double xlsx2 = bench::soloXlsx(ruta, libroSolo, kSql);
    const double xlsx = std::min(xlsx1, xlsx2);

    // Cancel pressed at the 20th progress report: time from the click until the copy stops (the notice
    // closes) and until the export ends (the workbook with the rows so far is written).
    QElapsedTimer desdeClic;
    double detenida = -1;
    contadora->pasos = 0;
    contadora->alPaso = [&](int n) {
        if (n != 20) return;
        if (auto* v = notice::cartelActual().ventana()) {
            QObject::connect(v, &QObject::destroyed,
                             [&] { detenida = static_cast<double>(desdeClic.nsecsElapsed()) / 1e6; });
            v->CmdDisplayCancelar->click();
            desdeClic.start();
        }
    };
    exportacion::ExportarExcel(kSql, false, {}, {}, libro, nullptr, 0, {});
    const double cancelar = desdeClic.isValid() ? static_cast<double>(desdeClic.nsecsElapsed()) / 1e6 : -1;

    out << "cheques exportados: " << chequeras << " (8 columnas)\n";
    out << QStringLiteral("exportación del programa: %1 ms\n").arg(programa, 0, 'f', 0);
    out << QStringLiteral("libxlsxwriter solo (motor + celdas, memoria constante): %1 ms\n")
               .arg(xlsx, 0, 'f', 0);
    out << QStringLiteral("relación: %1x\n").arg(programa / xlsx, 0, 'f', 2);
    out << QStringLiteral("avisos de progreso: %1 (%2 por segundo)\n")
               .arg(avisos)
               .arg(avisos / (programa / 1000.0), 0, 'f', 1);
    out << QStringLiteral("crecimiento del pico de memoria: %1 MB\n")
               .arg((despues - antes) / 1024.0, 0, 'f', 1);
    out << QStringLiteral("de cancelar a la copia detenida: %1 ms\n").arg(detenida, 0, 'f', 1);
    out << QStringLiteral("de cancelar al libro escrito: %1 ms\n").arg(cancelar, 0, 'f', 1);
    return 0;
}
