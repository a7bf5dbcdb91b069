#include "shell/helperlib/OrVexa2Ventanas.h"

#include "platform/ado/Ado.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace orvexa {

void Utilidades::punteroOcupado(bool ocupado) const {
    if (ocupado) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

// ------------------------------------------------------------------ Teclado

int Teclado::IndiceControl(const QString& campo, const QVector<QLineEdit*>& controles) const {
    for (int i = 0; i < controles.size(); ++i)
        if (controles[i] && controles[i]
                                    ->property("DataField")
                                    .toString()
                                    .trimmed()
                                    .compare(campo.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool Teclado::EsTeclaAvance(int tecla) const {
    return tecla == Qt::Key_Return || tecla == Qt::Key_Enter;
}

void Teclado::EnviarTecla(int tecla, QWidget* desde) const {
    QWidget* destino = desde ? desde : QApplication::focusWidget();
    if (!destino) return;
    if (tecla == Qt::Key_Tab || EsTeclaAvance(tecla)) {
        // What SendKeys "{TAB}" does: the next control of the tab order gets the focus.
        QWidget* sig = destino->nextInFocusChain();
        while (sig && sig != destino &&
               !(sig->focusPolicy() & Qt::TabFocus && sig->isEnabled() && sig->isVisible()))
            sig = sig->nextInFocusChain();
        if (sig) sig->setFocus(Qt::TabFocusReason);
        return;
    }
    QKeyEvent pulsar(QEvent::KeyPress, tecla, Qt::NoModifier);
    QKeyEvent soltar(QEvent::KeyRelease, tecla, Qt::NoModifier);
    QApplication::sendEvent(destino, &pulsar);
    QApplication::sendEvent(destino, &soltar);
}

QChar Teclado::FiltraTecla(const QLineEdit* caja, QChar c) const {
    if (!caja || c.isNull() || c.unicode() < 32) return c; // control keys pass
    const QVariant tipo = caja->property("TipoCampo");
    if (!tipo.isValid()) return c;
    const int t = tipo.toInt();
    if (!ado::esTipoNumerico(t) || t == ado::adBoolean) return c;
    if (c.isDigit() || c == QLatin1Char('-')) return c;
    const bool entero = t == ado::adInteger || t == ado::adSmallInt || t == ado::adBigInt ||
                        t == ado::adTinyInt || t == ado::adUnsignedTinyInt;
    if (!entero && (c == QLatin1Char('.') || c == QLatin1Char(','))) return c;
    return {};
}

void Teclado::LimpiaFormulario(QWidget* formulario) const {
    if (!formulario) return;
    for (QLineEdit* e : formulario->findChildren<QLineEdit*>())
        e->clear();
}

void Teclado::PreparaCampos(const QVector<QLineEdit*>& cajas, const QString& tabla,
                            const QString& cadenaConexion) const {
    ado::Connection cn;
    cn.Open(cadenaConexion);
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM ") + tabla.trimmed() + QStringLiteral(" WHERE 1 = 0"), cn);
    for (QLineEdit* caja : cajas) {
        if (!caja) continue;
        const int i = rs.fields().indiceDe(caja->property("DataField").toString());
        if (i < 0) continue;
        const ado::Field f = rs.fields().Item(i);
        caja->setProperty("TipoCampo", f.Type());
        if (ado::esTipoTexto(f.Type()) && f.DefinedSize() > 0 && f.DefinedSize() < 32767)
            caja->setMaxLength(f.DefinedSize());
    }
    rs.Close();
    cn.Close();
}

void Teclado::LlenaCampos(const QVector<QLineEdit*>& cajas, ado::Recordset& rs) const {
    for (QLineEdit* caja : cajas) {
        if (!caja) continue;
        const int i = rs.fields().indiceDe(caja->property("DataField").toString());
        if (i < 0) continue;
        caja->setText(textoDeValor(rs.fields().Item(i).Value()));
    }
}

} // namespace orvexa
