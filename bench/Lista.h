#pragma once
// What the list's benchmarks share: the median of repeated timings, and the
// list window opened as the program opens it.

#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"

#include <QApplication>
#include <algorithm>
#include <vector>

namespace bench {

inline double mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
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

} // namespace bench
