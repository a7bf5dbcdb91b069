#pragma once
// The helper library's windows' half: the data-entry keyboard flow and the
// read-only table window.

#include "shell/helperlib/OrVexa2.h"

#include <QVector>

class QLineEdit;
class QWidget;

namespace orvexa {

// Data-entry keyboard flow: Enter advances; numeric columns accept only numbers.
// Each box carries its column in the "DataField" property, and PreparaCampos
// records the column's ADO type in "TipoCampo".
class Teclado {
public:
    int IndiceControl(const QString& campo, const QVector<QLineEdit*>& controles) const;
    bool EsTeclaAvance(int tecla) const;
    // The key goes to the focused control; `desde`, when given, stands for it
    // (the control whose key is passed on, when a window that just closed
    // has not handed the focus back yet).
    void EnviarTecla(int tecla, QWidget* desde = nullptr) const;
    // The character to let through: unchanged, or a null QChar to drop it.
    QChar FiltraTecla(const QLineEdit* caja, QChar caracter) const;
    void LimpiaFormulario(QWidget* formulario) const;
    void PreparaCampos(const QVector<QLineEdit*>& cajas, const QString& tabla,
                       const QString& cadenaConexion) const;
    void LlenaCampos(const QVector<QLineEdit*>& cajas, ado::Recordset& rs) const;
};

class Planilla {
public:
    // Shows the table's rows in a read-only window (modal).
    void AbrePlanilla(const QString& tabla, const QString& cadenaConexion, const QString& titulo) const;
};

} // namespace orvexa
