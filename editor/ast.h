#pragma once
// The chart of accounts' digit configuration, and the proposal of a bank's
// two ledger accounts.

#include <QString>
#include <cstdint>

namespace editor::ast {

struct Digitos {
    int16_t DigCapitulo = 0, DigSubCapitulo = 0, DigRubro = 0, DigSubRubro = 0, DigCuenta = 0,
            DigSubCuenta = 0, DigTotal = 0;
    int16_t LargoCapitulo = 0, LargoSubCapitulo = 0, LargoRubro = 0, LargoSubRubro = 0, LargoCuenta = 0,
            LargoSubCuenta = 0, LargoTotal = 0;
};

// The module's values, filled on every proposal.
Digitos& Valores();
void LeeDigitos();
void LeeLargos();
// The account proposed for a bank. `coherente`, when given, tells whether the
// digit configuration makes it a full account code; `avisar` shows the
// inconsistency message when it does not.
QString ArmaCuentaBanco(const QString& banco, bool diferido, bool comoCuenta, bool avisar = true,
                        bool* coherente = nullptr);

} // namespace editor::ast
