#pragma once
// A batch's statements run in order on an engine: its own BEGIN, COMMIT and
// ROLLBACK act on the engine's transaction, and a batch that opened its
// transaction and fails half-way leaves nothing.

#include "platform/ado/Motor.h"
#include "platform/ado/TraductorTSql.h"

#include <functional>

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

} // namespace ado
