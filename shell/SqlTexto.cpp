// SQL text helpers: file test, timestamp layouts, the insert builder, the
// Oracle row limit, the server's date and the chart-of-accounts look-up.

#include "data/DB_Dll.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <QFile>

namespace shell {

bool ExisteArchivo(const QString& ruta) {
    QString r = ruta;
    r.remove(QLatin1Char('"'));
    QFile f(r);
    if (!f.open(QIODevice::ReadOnly)) return false;
    f.close();
    return true;
}

QString FormatoFechaHora() {
    return QStringLiteral("dd/mm/yy hh:mm");
}
QString FormatoFecha() {
    return QStringLiteral("dd/mm/yy");
}
QString FormatoHora() {
    return QStringLiteral("hh:mm");
}

QString ahoraComoTexto() {
    return QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yy HH:mm"));
}

ListaCampos& camposPendientes() {
    static ListaCampos lista;
    return lista;
}

void AgregaCampo(const QString& Campo, QString& Valor, const QString& Comilla, bool Primero) {
    Valor.remove(QLatin1Char('\''));
    const QString literal = Valor.toUpper() == QLatin1String("NULL") ? QStringLiteral("Null")
                                                                     : datos::gDB().SQLValue(Valor, Comilla);
    if (Primero) camposPendientes().clear();
    camposPendientes().append({Campo, literal});
}

void ArmaSentencia(ListaCampos& Lista, QStringList& Script, const QString& Tabla, bool Actualiza,
                   const QString& Condicion, bool MantenerLista) {
    QString sql;
    if (!Actualiza) {
        QStringList nombres, valores;
        for (const auto& p : Lista) {
            nombres << p.first;
            valores << p.second;
        }
        sql = QStringLiteral("INSERT INTO ") + Tabla + QStringLiteral(" ") + QStringLiteral("(") +
              nombres.join(QLatin1Char(',')) + QStringLiteral(")") + QStringLiteral(" VALUES (") +
              valores.join(QLatin1Char(',')) + QStringLiteral(")");
    } else {
        // The update form, which this program never asks for.
        QStringList asignaciones;
        for (const auto& p : Lista)
            asignaciones << p.first + QStringLiteral(" = ") + p.second;
        sql = QStringLiteral("UPDATE ") + Tabla + QStringLiteral(" SET ") +
              asignaciones.join(QLatin1Char(',')) +
              (Condicion.trimmed().isEmpty() ? QString() : QStringLiteral(" WHERE ") + Condicion);
    }
    Script << sql << QString();
    if (!MantenerLista) Lista.clear();
}

QString SqlTop(const QString& sentencia) {
    if (!datos::gDB().sentenciasConRownum()) return sentencia;
    if (G().utilidades.ContarPalabras(sentencia) <= 1)
        return sentencia.compare(QLatin1String("LEN"), Qt::CaseInsensitive) == 0 ? QStringLiteral("LENGTH")
                                                                                 : sentencia;
    const int p = static_cast<int>(sentencia.indexOf(QLatin1String("top "), 0, Qt::CaseInsensitive));
    if (p < 0) return sentencia;
    const int estrella = static_cast<int>(sentencia.indexOf(QLatin1Char('*'), p));
    if (estrella < 0) return sentencia;
    const QString A = sentencia.left(p);
    const QString N = sentencia.mid(p + 3, estrella - p - 3);
    const QString B = sentencia.mid(estrella + 1);
    return A + QStringLiteral(" * ") + B + QStringLiteral(" WHERE ROWNUM <= ") + N;
}

QDateTime FechaServidor() {
    ado::Recordset rs;
    QDateTime resultado;
    bool hayFila = false;
    try {
        QString sql = QStringLiteral("select  getDate() as fecha");
        datos::gDB().AbrirRecordset(sql, rs);
        if (rs.State() == ado::adStateOpen && !rs.Eof()) {
            const QDateTime f = rs(QStringLiteral("fecha")).Value().toDateTime();
            if (f.isValid()) {
                // Whole seconds, as the suite reads it back from "dd/mm/yyyy hh:mm:ss".
                resultado = QDateTime(f.date(), QTime(f.time().hour(), f.time().minute(), f.time().second()));
                hayFila = true;
            }
        }
    } catch (const plataforma::FinDelPrograma&) {
        throw;
    } catch (...) {
        // Without the server's clock, the machine's (or the configured operation date) serves.
    }
    if (!hayFila) {
        resultado = QDateTime::currentDateTime();
        if (G().cfg.UTILIZARFECHADIA) {
            const QString v = Cfg(QStringLiteral("FECHAOPERHASTA")).trimmed();
            for (const char* formato : {"dd/MM/yyyy", "d/M/yyyy", "yyyy-MM-dd", "dd/MM/yy"}) {
                const QDateTime f = QDateTime::fromString(v, QLatin1String(formato));
                if (f.isValid()) {
                    resultado = f;
                    break;
                }
            }
        }
    }
    try {
        datos::gDB().CierraRecordset(rs);
    } catch (...) {
        // Nothing was opened, or the link is gone: nothing is left to close.
    }
    resultado.setTime(QTime(resultado.time().hour(), resultado.time().minute(), resultado.time().second()));
    return resultado;
}

bool BuscaCuenta(QString& Codigo, ado::Recordset* Rs, bool SoloLectura, bool& PorCodigoOpcional) {
    auto& db = datos::gDB();
    ado::Recordset propio;
    ado::Recordset& rs = Rs ? *Rs : propio;
    const int cursor = SoloLectura ? ado::adOpenForwardOnly : ado::adOpenDynamic;
    const int bloqueo = SoloLectura ? ado::adLockReadOnly : ado::adLockOptimistic;
    auto buscar = [&](bool opcional) {
        QString sql =
            (opcional ? QStringLiteral("SELECT * FROM MA_CUENTAS  with(nolock)  WHERE CodigoOpcional =  '")
                      : QStringLiteral("SELECT * FROM MA_CUENTAS  with(nolock)  WHERE Codigo =  '")) +
            QString(Codigo).replace(QLatin1Char('\''), QLatin1String("''")) + QStringLiteral("'");
        db.AbrirRecordset(sql, rs, nullptr, cursor, bloqueo);
        return rs.State() == ado::adStateOpen && !rs.Eof();
    };
    bool resultado;
    if (buscar(PorCodigoOpcional)) {
        Codigo = G().utilidades.NoNulo(rs(QStringLiteral("Codigo")).Value());
        resultado = true;
    } else if (PorCodigoOpcional) {
        resultado = buscar(false);
    } else if (buscar(true)) {
        PorCodigoOpcional = true;
        Codigo = G().utilidades.NoNulo(rs(QStringLiteral("Codigo")).Value());
        resultado = true;
    } else {
        resultado = false;
    }
    if (!Rs) db.CierraRecordset(propio);
    return resultado;
}

} // namespace shell
