#pragma once
// A batch's statements run in order on an engine: its own BEGIN, COMMIT and
// ROLLBACK act on the engine's transaction, and a batch that opened its
// transaction and fails half-way leaves nothing.

#include "platform/ado/Motor.h"
#include "platform/ado/TraductorTSql.h"

#include <functional>
#include <optional>

namespace ado {

// `una` runs one ordinary statement (its place in the batch given) and adds
// its result to the batch's.
using SentenciaDelLote = std::function<void(const tsql::Sentencia& s, size_t indice, Resultado& total)>;

Resultado ejecutarLote(Motor& motor, const std::vector<tsql::Sentencia>& sentencias,
                       const SentenciaDelLote& una);

// Adds rows a statement wrote to a batch's count (-1 while none was counted).
inline void sumarFilas(Resultado& total, qint64 filas) {
    if (filas >= 0) total.filasAfectadas = (total.filasAfectadas < 0 ? 0 : total.filasAfectadas) + filas;
}

// The values of the one column of a SELECT in the program's dialect, as
// literals of that dialect (NULLs left out); none past `maximo` values or on
// a failure. For tsql::Opciones::valoresDe.
std::optional<QStringList> valoresComoLiterales(Motor& motor, const QString& sentencia, int maximo = 500);

} // namespace ado
