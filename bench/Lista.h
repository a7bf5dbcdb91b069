#pragma once
// What the list's benchmarks share: the median of repeated timings, the list
// window opened as the program opens it, a save in the editor, the memory
// after page turns and reloads, and the table of figures beside their floors.

#include "data/DB_Dll.h"
#include "editor/GrabacionChequera.h"
#include "grid/KvDbGrid.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/FrmHistorial.h"
#include "shell/Inicio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <vector>

namespace bench {

inline double mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

inline double ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

inline double cronometrar(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return ms(t);
}

// The session started from the command text, and the list shown in its skin at its size.
inline void abrirLista(QApplication& app, shell::FrmChequerasGrid& ventana, const QString& comando) {
    QString cadena;
    shell::IniciarAplicacion(comando, cadena, 3);
    shell::AplicarEstilo(&ventana);
    ventana.resize(725, 436);
    ventana.show();
    app.processEvents();
}

// Turning to page `numero` of the grid, five times (from another page, so that it really
// turns), against `piso` each time: the medians of both.
inline std::pair<double, double> medirPagina(QApplication& app, grid::KvDbGrid* g, int numero,
                                             const std::function<double()>& piso) {
    std::vector<double> tp, tm;
    for (int r = 0; r < 5; ++r) {
        g->CargarPagina(numero == 1 ? 2 : 1);
        tp.push_back(cronometrar([&] {
            g->CargarPagina(numero);
            app.processEvents();
        }));
        tm.push_back(piso());
    }
    return {mediana(tp), mediana(tm)};
}

// A save in the editor: cheque book `numero` of a series of its own, new,
// with two new accounts, in one transaction; its milliseconds.
inline double guardarNueva(int numero, bool conHistorial = true) {
    auto& sesion = datos::gDB();
    editor::DatosChequera d;
    d.banco = QStringLiteral("10");
    d.serie = QStringLiteral("QZ");
    d.talonario = QString::number(9000000 + numero);
    d.desde = QString::number(numero * 100);
    d.hasta = QString::number(numero * 100 + 49);
    d.cuenta = QStringLiteral("1119%1").arg(numero, 4, 10, QLatin1Char('0'));
    d.cuentaDiferido = QStringLiteral("2119%1").arg(numero, 4, 10, QLatin1Char('0'));
    d.descripcionBanco = QStringLiteral("BANCO SUPERVIELLE");
    d.usuario = QStringLiteral("ADMIN");
    d.maquina = QStringLiteral("BANCO-DE-PRUEBA");
    d.sinHistorial = !conHistorial;
    d.cajas = {{QStringLiteral("IDBANCO"), d.banco, QStringLiteral("V_TA_BANCOS")},
               {QStringLiteral("SERIE"), d.serie, {}},
               {QStringLiteral("Talonario"), d.talonario, {}},
               {QStringLiteral("NUMERO_DESDE"), d.desde, {}},
               {QStringLiteral("NUMERO_Hasta"), d.hasta, {}},
               {QStringLiteral("CuentaBancoDiferido"), d.cuentaDiferido, {}},
               {QStringLiteral("CuentaBanco"), d.cuenta, {}}};
    ado::Recordset rs;
    QString sql = QStringLiteral("SELECT TOP 1 * FROM V_TA_QUENZAR");
    sesion.AbrirRecordset(sql, rs, &sesion.gCnn(), ado::adOpenDynamic, ado::adLockOptimistic, -1, true);
    const double t = cronometrar([&] {
        const auto r = editor::grabarChequera(sesion, rs, d, editor::Operacion::Alta, {});
        if (r.estado != editor::ResultadoGrabacion::Estado::Hecha) {
            QTextStream(stderr) << "guardado fallido: " << r.error.Description() << "\n";
            std::exit(1);
        }
    });
    sesion.CierraRecordset(rs);
    return t;
}
// Saves with and without the history, taking turns (the machine's noise falls on both alike);
// the medians.
inline std::pair<double, double> guardadosConYSinHistorial(int& numero, int vueltas = 20) {
    std::vector<double> con, sin;
    for (int i = 0; i < vueltas; ++i) {
        con.push_back(guardarNueva(++numero, true));
        sin.push_back(guardarNueva(++numero, false));
    }
    return {mediana(con), mediana(sin)};
}

// One cheque book's history opened as the user opens it (the window built,
// its first page read and drawn); its milliseconds.
inline double abrirHistorial(QApplication& app, qint64 id) {
    QElapsedTimer t;
    t.start();
    shell::FrmHistorial h(id, QStringLiteral("de prueba"));
    h.show();
    app.processEvents();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// What guardarNueva wrote, in the program's dialect.
inline const char* kQuitarGuardadas = "DELETE FROM TA_QUENZAR WHERE TALONARIO > 9000000 AND SERIE = 'QZ'; "
                                      "DELETE FROM MA_CUENTAS WHERE CODIGO LIKE '1119____' OR CODIGO LIKE "
                                      "'2119____'";

// Resident memory and heap in use, in kB.
inline qint64 residente() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> p = f.readAll().split(' ');
    return p.size() > 1 ? p[1].toLongLong() * 4 : 0;
}
inline qint64 montonEnUso() {
    return static_cast<qint64>(mallinfo2().uordblks) / 1024;
}

struct Memoria {
    qint64 residente, monton;
    double segundos;
};
// Page turns and reloads after a warm-up, each page shown as it is to the user.
inline Memoria memoriaTrasVueltas(QApplication& app, shell::FrmChequerasGrid& ventana, int vueltas,
                                  int recargas) {
    auto* g = ventana.KvDbGrid1;
    ventana.Cargar();
    for (int i = 0; i < 200; ++i)
        g->cmdSiguiente_Click();
    for (int i = 0; i < 20; ++i)
        ventana.Cargar();
    app.processEvents();
    const qint64 rssAntes = residente(), montonAntes = montonEnUso();
    const double t = cronometrar([&] {
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
    return {residente() - rssAntes, montonEnUso() - montonAntes, t / 1000};
}

// One action: the program's figure, its floor (named), and the target, in
// milliseconds or as a ratio to the floor.
struct Fila {
    QString accion;
    double programa, piso, objetivo;
    bool relativo;
    QString queEsElPiso;
};

// The table, the memory's line and the summary.
inline void imprimir(QTextStream& out, const std::vector<Fila>& filas, const Memoria& m, int vueltas,
                     int recargas) {
    out << QStringLiteral("%1 %2 %3 %4 %5   %6\n")
               .arg(QStringLiteral("acción"), -52)
               .arg(QStringLiteral("programa ms"), 12)
               .arg(QStringLiteral("piso ms"), 10)
               .arg(QStringLiteral("razón"), 7)
               .arg(QStringLiteral("objetivo"), 14)
               .arg(QStringLiteral("piso"));
    int cumplidos = 0;
    for (const Fila& f : filas) {
        const double razon = f.programa / qMax(0.001, f.piso);
        const bool ok = f.relativo ? razon <= f.objetivo : f.programa <= f.objetivo;
        cumplidos += ok ? 1 : 0;
        out << QStringLiteral("%1 %2 %3 %4 %5 %6   %7\n")
                   .arg(f.accion, -52)
                   .arg(f.programa, 12, 'f', 1)
                   .arg(f.piso, 10, 'f', 1)
                   .arg(razon, 7, 'f', 2)
                   .arg(f.relativo ? QStringLiteral("≤ %1×").arg(f.objetivo)
                                   : QStringLiteral("≤ %1 ms").arg(f.objetivo),
                        14)
                   .arg(ok ? QStringLiteral("sí") : QStringLiteral("NO"), -3)
                   .arg(f.queEsElPiso);
    }
    const bool memoriaOk = m.residente <= 1024;
    cumplidos += memoriaOk ? 1 : 0;
    auto conSigno = [](qint64 v) { return v >= 0 ? QStringLiteral("+%1").arg(v) : QString::number(v); };
    out << QStringLiteral(
               "memoria, %1 vueltas de página y %2 recargas (%3 s): residente %4 kB, montón %5 kB; "
               "objetivo ≤ 1024 kB %6\n")
               .arg(vueltas)
               .arg(recargas)
               .arg(m.segundos, 0, 'f', 1)
               .arg(conSigno(m.residente), conSigno(m.monton))
               .arg(memoriaOk ? QStringLiteral("sí") : QStringLiteral("NO"));
    out << QStringLiteral("RESUMEN: %1 de %2 objetivos cumplidos\n")
               .arg(cumplidos)
               .arg(static_cast<int>(filas.size()) + 1);
}

} // namespace bench
