#include "editor/GrabacionChequera.h"

#include "data/DB_Dll.h"
#include "platform/Rutina.h"
#include "shell/helperlib/OrVexa2.h"

#include <QDate>
#include <QRegularExpression>

namespace editor {

using plataforma::ErrorEjecucion;
namespace errores = plataforma::errores;

namespace {

QString comillas(QString v) {
    return v.replace(QLatin1Char('\''), QLatin1String("''"));
}

// A chart-of-accounts statement reports through the connection's errors;
// inside the unit its failure is the step's.
void planDeCuentas(datos::DB_Dll& db, QString sql, bool alta) {
    qint64 filas = -1;
    db.EjecutaConsultaSQL(sql, &filas);
    auto& errs = db.gCnn().Errors();
    if (errs.Count() > 0) {
        const ado::Error e = errs.Item(0);
        throw ErrorEjecucion(e.Number, e.Description, e.Source);
    }
    if (alta && filas == 0)
        throw ErrorEjecucion(errores::FalloGeneral,
                             QStringLiteral("La cuenta no se pudo crear en el plan de cuentas."),
                             QStringLiteral("Quenzar"));
}

// Each account is created when missing, or marked as a bank account of its payment medium.
void asentarCuenta(datos::DB_Dll& db, const DatosChequera& d, const QString& codigo, const QString& medio,
                   const QString& prefijo, const QString& pideVencimiento) {
    if (!db.ExisteEnTabla(QStringLiteral("MA_CUENTAS"), codigo, QStringLiteral("Codigo"), nullptr, 8,
                          QString(), true))
        planDeCuentas(db,
                      sentenciaAltaCuenta(codigo, d.descripcionBanco, medio, prefijo, d.banco.trimmed(),
                                          pideVencimiento),
                      true);
    else
        planDeCuentas(db, sentenciaMarcaCuenta(codigo, medio), false);
}

// One box into its column, by the column's type.
void guardarCaja(datos::DB_Dll& db, ado::Recordset& rs, const DatosChequera::Caja& c) {
    const orvexa::Utilidades u;
    ado::Field f = rs(c.campo);
    const int tipo = f.Type();
    const QString& texto = c.texto;
    if (db.ADOText(tipo)) {
        if (texto.trimmed().isEmpty())
            f.setValue(QVariant());
        else if (c.campo.compare(QLatin1String("CuentaProveedor"), Qt::CaseInsensitive) == 0)
            f.setValue(texto.trimmed());
        else
            f.setValue(u.Recortar(texto, f.DefinedSize()));
    } else if (db.adodate(tipo)) {
        const QDate fecha = QDate::fromString(texto.trimmed(), QStringLiteral("dd/MM/yyyy"));
        f.setValue(fecha.isValid() ? QVariant(fecha.startOfDay()) : QVariant());
    } else if (db.ADONumeric(tipo)) {
        f.setValue(valorNumerico(texto.trimmed()));
    } else if (db.ADOCurrency(tipo)) {
        f.setValue(u.ANumero(texto.trimmed()));
    } else {
        f.setValue(u.NoNulo(texto));
    }
}

} // namespace

double valorNumerico(const QString& texto) {
    QString t = texto;
    t.remove(QLatin1Char(' '));
    static const QRegularExpression re(QStringLiteral(R"(^[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)"));
    const auto m = re.match(t);
    return m.hasMatch() ? m.captured(0).toDouble() : 0.0;
}

QString sentenciaAltaCuenta(const QString& codigo, const QString& descripcionBanco, const QString& medio,
                            const QString& prefijo, const QString& banco, const QString& pideVencimiento) {
    return QStringLiteral("INSERT INTO MA_CUENTAS (CODIGO, DV, TITULO, DESCRIPCION, "
                          "TipoVista,CajayBanco,MedioDePago,CodigoOpcional,PideVencimiento) VALUES ('") +
           comillas(codigo) + QStringLiteral("',0,0,'") + descripcionBanco + QStringLiteral("','BC',1,'") +
           medio + QStringLiteral("','") + prefijo + comillas(banco) + QStringLiteral("',") +
           pideVencimiento + QStringLiteral(")");
}

QString sentenciaMarcaCuenta(const QString& codigo, const QString& medio) {
    return QStringLiteral("UPDATE MA_CUENTAS SET TipoVista = 'BC', MedioDePago = '") + medio +
           QStringLiteral("' WHERE CODIGO = '") + comillas(codigo) + QStringLiteral("'");
}

QString sentenciaCuentaPrincipal(const QString& cuenta, const QString& cuentaDiferido) {
    return QStringLiteral("UPDATE MA_CUENTAS SET CUENTAPRINCIPAL ='") + comillas(cuenta) +
           QStringLiteral("' WHERE CODIGO='") + comillas(cuentaDiferido) + QStringLiteral("'");
}

QString buscarSolape(datos::DB_Dll& db, const DatosChequera& d, const QList<double>& numeros, bool bloquear) {
    const orvexa::Utilidades u;
    // Inside a save the read keeps the range locked until the commit, so that
    // a second writer checks after this one has stored.
    const QString pistas = bloquear ? db.gCnn().pistaLecturaBloqueante() : QString();
    QString sql = QStringLiteral("SELECT * FROM V_TA_QUENZAR") + pistas +
                  QStringLiteral(" WHERE TALONARIO <> ") + d.talonario + QStringLiteral(" AND  IDBANCO = '") +
                  comillas(u.Recortar(d.banco, 4)) + QStringLiteral("' AND SERIE='") + comillas(d.serie) +
                  QStringLiteral("'");
    ado::Recordset rs;
    db.AbrirRecordset(sql, rs, nullptr, ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (rs.State() != ado::adStateOpen) return {};
    const double D = valorNumerico(d.desde);
    const double H = valorNumerico(d.hasta);
    // One read for all the numbers: the message names the first cheque book the
    // first number falls in, else the first one the next number falls in.
    qsizetype mejor = numeros.size();
    QString talonario;
    while (!rs.Eof() && mejor > 0) {
        const double desde = valorNumerico(u.NoNulo(rs(QStringLiteral("Numero_Desde")).Value()));
        const double hasta = valorNumerico(u.NoNulo(rs(QStringLiteral("Numero_Hasta")).Value()));
        for (qsizetype k = 0; k < mejor; ++k) {
            const double x = numeros[k];
            if ((desde <= x && hasta >= x) || (desde >= D && hasta <= H)) {
                mejor = k;
                talonario = u.NoNulo(rs(QStringLiteral("talonario")).Value());
                break;
            }
        }
        rs.MoveNext();
    }
    db.CierraRecordset(rs);
    if (mejor == numeros.size()) return {};
    return QStringLiteral("El rango de numeración se superpone con el Nro de Control: ") + talonario;
}

ResultadoGrabacion grabarChequera(datos::DB_Dll& db, ado::Recordset& rsDatos, const DatosChequera& d,
                                  Operacion operacion, const QSet<int>& omitidos) {
    ResultadoGrabacion r;
    bool enTransaccion = false;
    // Runs step n unless the user chose to go on without it.
    auto hacer = [&](int n, const auto& cuerpo) {
        r.paso = n;
        if (!omitidos.contains(n)) cuerpo();
    };
    auto deshacer = [&] {
        if (!enTransaccion) return;
        enTransaccion = false;
        try {
            db.gCnn().RollbackTrans();
        } catch (const ErrorEjecucion&) {
            // The link is gone with the transaction: the server drops it by itself.
        }
    };
    const bool baja = operacion == Operacion::Baja;
    try {
        const plataforma::FallosAlLlamador sinPreguntas;
        r.paso = kPasoBloqueo;
        db.gCnn().Errors().Clear();
        db.gCnn().BeginTrans();
        enTransaccion = true;
        const QString bloqueo = db.gCnn().bloqueoParaComprobar(QStringLiteral("TA_QUENZAR"));
        if (!bloqueo.isEmpty()) db.gCnn().Execute(bloqueo);
        if (!baja) {
            hacer(kPasoSolape, [&] {
                r.solape = buscarSolape(db, d, {valorNumerico(d.desde), valorNumerico(d.hasta)}, true);
            });
            if (!r.solape.isEmpty()) {
                // Someone stored an overlapping range since the check: nothing is written.
                deshacer();
                r.estado = ResultadoGrabacion::Estado::Solape;
                return r;
            }
        }
        hacer(kPasoDespacho, [&] {
            if (operacion == Operacion::Alta)
                rsDatos.AddNew();
            else if (baja)
                rsDatos.Delete();
        });
        if (!baja) {
            QString cuenta, cuentaDif;
            hacer(kPasoTextos, [&] {
                cuenta = d.cuenta;
                cuentaDif = d.cuentaDiferido;
            });
            for (int i = 0; i < d.cajas.size(); ++i) {
                r.caja = i;
                hacer(kPasoCaja + i, [&] { guardarCaja(db, rsDatos, d.cajas[i]); });
            }
            r.caja = -1;
            hacer(kPasoCuentas, [&] {
                rsDatos(QStringLiteral("CuentaBanco")).setValue(cuenta);
                rsDatos(QStringLiteral("CuentaBancoDiferido")).setValue(cuentaDif);
            });
            hacer(kPasoFila, [&] {
                if (operacion == Operacion::Alta || operacion == Operacion::Modificacion) rsDatos.Update();
            });
            hacer(kPasoCuentaBanco, [&] {
                asentarCuenta(db, d, cuenta, QStringLiteral("DB"), QStringLiteral("1"), QStringLiteral("0"));
            });
            hacer(kPasoCuentaDiferido, [&] {
                asentarCuenta(db, d, cuentaDif, QStringLiteral("CH"), QStringLiteral("2"),
                              QStringLiteral("1"));
            });
            hacer(kPasoPrincipal,
                  [&] { planDeCuentas(db, sentenciaCuentaPrincipal(cuenta, cuentaDif), false); });
        }
        r.paso = kPasoConfirmar;
        db.gCnn().CommitTrans();
        enTransaccion = false;
        r.estado = ResultadoGrabacion::Estado::Hecha;
        return r;
    } catch (const plataforma::FinDelPrograma&) {
        deshacer();
        throw;
    } catch (...) {
        r.error = plataforma::comoErrorEjecucion(std::current_exception());
        // The errors of the failure are read before the rollback can add its own.
        const ado::Errors& errs = db.gCnn().Errors();
        r.nativo = errs.Count() > 0 ? errs.Item(0).NativeError : 0;
        deshacer();
        r.estado = ResultadoGrabacion::Estado::Fallida;
        return r;
    }
}

} // namespace editor
