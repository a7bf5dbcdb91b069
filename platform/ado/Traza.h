#pragma once
// The SQL trace: when QUENZAR_TRAZA_SQL names a file, every statement sent is
// appended to it with its time, duration, rows and outcome, as the program
// wrote it and as the engine received it. Passwords never reach it.

#include <QString>

namespace ado::traza {

bool activa();
void registrar(const QString& escrito, const QString& recibido, qint64 microsegundos, qint64 filas,
               const QString& resultado);
// The text with every password masked where it is a value (ocultarClaves).
QString enmascarar(const QString& texto);

} // namespace ado::traza
