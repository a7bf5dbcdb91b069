#include "editor/ast.h"

#include "data/DB_Dll.h"
#include "platform/ErrorEjecucion.h"
#include "platform/ui/Dialogos.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <cmath>
#include <limits>

namespace editor::ast {

namespace {

int16_t digito(const char* clave) {
    const double v = std::nearbyint(shell::G().utilidades.ANumero(shell::Cfg(QLatin1String(clave))));
    if (v > std::numeric_limits<int16_t>::max() || v < std::numeric_limits<int16_t>::min())
        throw plataforma::ErrorEjecucion(plataforma::errores::Desbordamiento,
                                         QStringLiteral("Desbordamiento"), QStringLiteral("Quenzar"));
    return static_cast<int16_t>(v);
}

// 16-bit sums, as the module keeps them: a larger total is an overflow.
int16_t sumar(int a, int b) {
    const int s = a + b;
    if (s > std::numeric_limits<int16_t>::max() || s < std::numeric_limits<int16_t>::min())
        throw plataforma::ErrorEjecucion(plataforma::errores::Desbordamiento,
                                         QStringLiteral("Desbordamiento"), QStringLiteral("Quenzar"));
    return static_cast<int16_t>(s);
}

QString comillas(QString v) {
    return v.replace(QLatin1Char('\''), QLatin1String("''"));
}

} // namespace

Digitos& Valores() {
    static Digitos d;
    return d;
}

void LeeDigitos() {
    auto& d = Valores();
    d.DigCapitulo = digito("Digitos_Capitulo");
    d.DigSubCapitulo = digito("Digitos_SubCapitulo");
    d.DigRubro = digito("Digitos_Rubro");
    d.DigSubRubro = digito("Digitos_SubRubro");
    d.DigCuenta = digito("Digitos_Cuenta");
    d.DigSubCuenta = digito("Digitos_SubCuenta");
    d.DigTotal = sumar(
        sumar(sumar(sumar(sumar(d.DigCapitulo, d.DigSubCapitulo), d.DigRubro), d.DigSubRubro), d.DigCuenta),
        d.DigSubCuenta);
}

void LeeLargos() {
    auto& d = Valores();
    d.LargoCapitulo = digito("DIGITOS_CAPITULO");
    d.LargoSubCapitulo = sumar(d.LargoCapitulo, digito("DIGITOS_SUBCAPITULO"));
    d.LargoRubro = sumar(d.LargoSubCapitulo, digito("DIGITOS_RUBRO"));
    d.LargoSubRubro = sumar(d.LargoRubro, digito("DIGITOS_SUBRUBRO"));
    d.LargoCuenta = sumar(d.LargoSubRubro, digito("DIGITOS_CUENTA"));
    d.LargoSubCuenta = sumar(d.LargoCuenta, digito("DIGITOS_SUBCUENTA"));
    d.LargoTotal = d.LargoSubCuenta;
}

QString ArmaCuentaBanco(const QString& banco, bool diferido, bool comoCuenta, bool avisar, bool* coherente) {
    if (coherente) *coherente = false;
    auto& db = datos::gDB();
    auto& u = shell::G().utilidades;
    QString prefijo = shell::Cfg(QStringLiteral("TituloBancos"));
    if (banco.trimmed().size() > prefijo.trimmed().size() || comoCuenta) {
        QString sql = QStringLiteral("Select * from V_TA_QUENZAR  with(nolock)  Where CuentaBanco  = '") +
                      comillas(banco) + QStringLiteral("' or CuentaBancoDiferido  = '") + comillas(banco) +
                      QStringLiteral("' ");
        ado::Recordset rs;
        db.AbrirRecordset(sql, rs);
        const bool hay = rs.State() == ado::adStateOpen && !rs.Eof();
        db.CierraRecordset(rs);
        return hay ? banco : QString();
    }
    if (diferido) prefijo = shell::Cfg(QStringLiteral("TITULOBANCOSDIFERIDO"));
    LeeDigitos();
    LeeLargos();
    const auto& d = Valores();
    const int largo = static_cast<int>(prefijo.size());
    int w;
    if (largo == d.LargoCapitulo)
        w = d.DigSubCapitulo;
    else if (largo == d.LargoSubCapitulo)
        w = d.DigRubro;
    else if (largo == d.LargoRubro)
        w = d.DigSubRubro;
    else if (largo == d.LargoSubRubro)
        w = d.DigCuenta;
    else if (largo == d.LargoCuenta)
        w = d.DigSubCuenta;
    else {
        if (avisar)
            ui::MsgBox(
                QStringLiteral(
                    "Incoherencia en la configuracion del Total de Digitos del Plan de Cuentas!, detectado "
                    "al intentar asignar la cuenta Banco"),
                ui::vbCritical, QStringLiteral("Atención"));
        w = 0;
    }
    w = qMax(0, w);
    // A full code: a configured length for the prefix, digits for the bank, and a bank code that is a number.
    if (coherente) *coherente = w > 0 && u.EsNumero(banco);
    QString codigo;
    if (u.EsNumero(banco)) {
        codigo = (QString(w, QLatin1Char('0')) + banco.trimmed()).right(w);
    } else {
        codigo = banco; // a text that is not a number comes back unchanged
    }
    QString sql = QStringLiteral("Select * from V_TA_QUENZAR  with(nolock)  Where IdBanco  = '") +
                  comillas(u.Recortar(banco, 4)) + QStringLiteral("'");
    ado::Recordset rs;
    db.AbrirRecordset(sql, rs);
    QString r;
    if (rs.State() != ado::adStateOpen || rs.Eof())
        r = prefijo + codigo;
    else
        r = u.NoNulo(
            rs(diferido ? QStringLiteral("CuentaBancoDiferido") : QStringLiteral("CuentaBanco")).Value());
    db.CierraRecordset(rs);
    return r;
}

} // namespace editor::ast
