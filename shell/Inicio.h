#pragma once
// Session start-up: reads the command line, opens the main and statistics
// sessions, loads the settings, writes the access-log row. And the windows'
// appearance: the skin and the toolbar style.

#include "shell/Arranque.h"

#include <QString>
#include <functional>

class QWidget;

namespace shell {

void ConectaEstadisticas();
void IniciarAplicacion(const QString& comando, QString& connString, int cursorLocation);
// The lookup service, which the lookup module installs: start-up points it at
// the database (and so first uses it) before it loads the settings.
void registrarServicioConsulta(std::function<void()> apuntar);

// The skin chosen by "Styles" in "CN000pr.INI": a style sheet shipped with the program.
void AplicarEstilo(QWidget* ventana);
void FormatoVentana(QWidget* ventana);
// The skin file of a skin number (paths relative to the application folder).
QString archivoEstilo(int estilo);

} // namespace shell
