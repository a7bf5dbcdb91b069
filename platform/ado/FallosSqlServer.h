#pragma once
// The failures the program tells apart, as SQL Server reports them: its
// native number, its SQLSTATE, the number ADO raises for it and the Spanish
// message an engine without one of its own gives. Every engine reads this one
// table: the embedded engine names the native number, PostgreSQL's maps its
// SQLSTATEs to it, SQL Server's arrives with it.

#include "platform/ado/Tipos.h"

#include <QStringList>
#include <vector>

namespace ado {

struct FalloSqlServer {
    int32_t nativo;     // 0: none, the state tells it (a time-out)
    const char* estado; // SQLSTATE
    int32_t numeroAdo;  // Err.Number
    const char* texto;  // %1, %2: the names the message carries
};

inline constexpr int32_t kTiempoAgotado = static_cast<int32_t>(0x80040E31);

const std::vector<FalloSqlServer>& fallosSqlServer();
// The row of a native number (of the state, for native 0); null when not listed.
const FalloSqlServer* falloSqlServer(int32_t nativo, const QString& estado = {});
// ADO's number for a provider's message: its row's, else its SQLSTATE's class.
int32_t numeroAdoDe(const ErrorProveedor& e);
// The message of a listed native number with its names, or with a text of its own.
ErrorProveedor errorSqlServer(int32_t nativo, const QString& origen, const QStringList& nombres = {},
                              const QString& textoPropio = {});

// ADO's own failures (not the provider's) and their messages.
struct FalloAdo {
    int32_t numero;
    const char* texto;
};
const std::vector<FalloAdo>& fallosAdo();
QString textoFalloAdo(int32_t numero);

} // namespace ado
