#include "editor/GrabacionChequera.h"

#include "data/DB_Dll.h"
#include "db/BaseDemo.h"
#include "platform/Rutina.h"
#include "shell/helperlib/OrVexa2.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QVariantMap>
#include <cmath>

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

// What a save rewrites of an existing account, as the history names the fields.
const char* const kCamposCuenta[] = {"TipoVista", "MedioDePago", "CUENTAPRINCIPAL"};

// The accounts as this save has seen and left them: the fields above by
// account code (none for those it created), and which ones it created.
struct CuentasVistas {
    QHash<QString, QVariantMap> filas;
    QSet<QString> creadas;
};

// The account's row as stored now, in `vistas`; false when there is none.
bool leerCuenta(datos::DB_Dll& db, const QString& codigo, CuentasVistas& vistas) {
    ado::Recordset rs;
    const bool hay = db.ExisteEnTabla(QStringLiteral("MA_CUENTAS"), codigo, QStringLiteral("Codigo"), &rs, 8,
                                      QString(), true);
    if (hay && rs.State() == ado::adStateOpen && !rs.Eof()) {
        QVariantMap fila;
        for (const char* c : kCamposCuenta) {
            const int i = rs.fields().indiceDe(QLatin1String(c));
            fila.insert(QLatin1String(c), i >= 0 ? rs(i).Value() : QVariant());
        }
        vistas.filas.insert(codigo, fila);
    }
    db.CierraRecordset(rs);
    return hay;
}

// One field of an account as the save leaves it, for the history.
void cambiarCuenta(CuentasVistas& vistas, QVector<CambioHistorial>* historia, const QString& codigo,
                   const QString& campo, const QVariant& valor) {
    QVariantMap& fila = vistas.filas[codigo];
    // An account this save created has its one row of creation: its fields are the rule's.
    if (historia && !vistas.creadas.contains(codigo))
        historia->push_back({QStringLiteral("Modificación"), QStringLiteral("MA_CUENTAS"), codigo, campo,
                             textoDeHistorial(fila.value(campo)), textoDeHistorial(valor)});
    fila.insert(campo, valor);
}

// Each account is created when missing, or marked as a bank account of its payment medium.
void asentarCuenta(datos::DB_Dll& db, const DatosChequera& d, const QString& codigo, const QString& medio,
                   const QString& prefijo, const QString& pideVencimiento, CuentasVistas& vistas,
                   QVector<CambioHistorial>* historia) {
    // The same read as an existence check, which also gives the values the history starts from.
    if (!leerCuenta(db, codigo, vistas)) {
        planDeCuentas(db,
                      sentenciaAltaCuenta(codigo, d.descripcionBanco, medio, prefijo, d.banco.trimmed(),
                                          pideVencimiento),
                      true);
        vistas.creadas.insert(codigo);
        vistas.filas.insert(codigo, {});
        if (historia)
            historia->push_back({QStringLiteral("Alta"), QStringLiteral("MA_CUENTAS"), codigo,
                                 QStringLiteral("CODIGO"), QString(), codigo});
    } else {
        planDeCuentas(db, sentenciaMarcaCuenta(codigo, medio), false);
        cambiarCuenta(vistas, historia, codigo, QStringLiteral("TipoVista"), QStringLiteral("BC"));
        cambiarCuenta(vistas, historia, codigo, QStringLiteral("MedioDePago"), medio);
    }
}

// The fields of the cheque book's row that the history follows (the key is the row's own), in
// the view's order.
using FilaChequera = QVector<QPair<QString, QVariant>>;
FilaChequera filaDeChequera(ado::Recordset& rs) {
    FilaChequera fila;
    for (int i = 0; i < rs.fields().Count(); ++i) {
        const QString nombre = rs(i).Name();
        if (nombre.compare(QLatin1String("ID"), Qt::CaseInsensitive) != 0)
            fila.push_back({nombre, rs(i).Value()});
    }
    return fila;
}
// The key of the recordset's current row; null when it has none.
QVariant idDeLaFila(ado::Recordset& rs) {
    const int i = rs.fields().indiceDe(QStringLiteral("ID"));
    return i >= 0 ? rs(i).Value() : QVariant();
}
QVariant valorEn(const FilaChequera& fila, const QString& campo) {
    for (const auto& [nombre, valor] : fila)
        if (nombre.compare(campo, Qt::CaseInsensitive) == 0) return valor;
    return {};
}

// The cheque book's row as stored now, read under the save's lock.
FilaChequera leerChequera(datos::DB_Dll& db, const QVariant& id) {
    ado::Recordset rs;
    QString sql = QStringLiteral("SELECT * FROM V_TA_QUENZAR") + db.gCnn().pistaLecturaBloqueante() +
                  QStringLiteral(" WHERE ID = ") + QString::number(id.toLongLong());
    db.AbrirRecordset(sql, rs, nullptr, ado::adOpenForwardOnly, ado::adLockReadOnly);
    FilaChequera fila;
    if (rs.State() == ado::adStateOpen && !rs.Eof()) fila = filaDeChequera(rs);
    db.CierraRecordset(rs);
    return fila;
}

// One change per field of the same row: the value before the save and the last one it wrote;
// none where they are the same.
QVector<CambioHistorial> resumir(const QVector<CambioHistorial>& cambios) {
    QVector<CambioHistorial> r;
    QHash<QString, qsizetype> donde;
    for (const CambioHistorial& c : cambios) {
        const QString k = c.tabla + QChar(31) + c.clave + QChar(31) + c.campo.toUpper();
        const auto it = donde.constFind(k);
        if (it == donde.constEnd()) {
            donde.insert(k, r.size());
            r.push_back(c);
        } else {
            r[*it].despues = c.despues;
        }
    }
    // A new or removed row keeps every field; a changed one, those that differ.
    QVector<CambioHistorial> quedan;
    for (const CambioHistorial& c : r)
        if (c.operacion != QStringLiteral("Modificación") || c.antes.isNull() != c.despues.isNull() ||
            c.antes != c.despues)
            quedan.push_back(c);
    return quedan;
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

QString textoDeHistorial(const QVariant& valor) {
    if (valor.isNull() || !valor.isValid()) return {};
    QString t;
    switch (valor.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double v = valor.toDouble();
        t = v == std::floor(v) && std::fabs(v) < 1e15 ? QString::number(static_cast<qint64>(v))
                                                      : QString::number(v, 'g', 15);
        break;
    }
    case QMetaType::QDateTime:
        t = valor.toDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        break;
    case QMetaType::QDate:
        t = valor.toDate().toString(QStringLiteral("dd/MM/yyyy"));
        break;
    case QMetaType::Bool:
        t = valor.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        break;
    default:
        t = valor.toString();
    }
    // An empty text is still a value, not a null.
    if (t.isNull()) t = QLatin1String("");
    return t.left(255);
}

SentenciaConValores sentenciaHistorial(const QVector<CambioHistorial>& cambios, qint64 idChequera,
                                       const QString& usuario, const QString& maquina) {
    auto valor = [](const QString& v, int largo) {
        return v.isNull() ? QVariant() : QVariant(v.left(largo));
    };
    SentenciaConValores s;
    s.sql = QStringLiteral("INSERT INTO %1 (MOMENTO, USUARIO, Maquina, OPERACION, IDCHEQUERA, TABLA, CLAVE, "
                           "CAMPO, ANTES, DESPUES) VALUES ")
                .arg(QLatin1String(kTablaHistorial));
    s.valores.reserve(cambios.size() * 9);
    const QVariant quien = valor(usuario.trimmed(), 50), donde = valor(maquina.trimmed(), 50);
    for (qsizetype i = 0; i < cambios.size(); ++i) {
        const CambioHistorial& c = cambios[i];
        if (i > 0) s.sql += QLatin1String(", ");
        s.sql += QLatin1String("(GETDATE(), ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        s.valores << quien << donde << valor(c.operacion, 20) << QVariant(idChequera) << valor(c.tabla, 30)
                  << valor(c.clave, 60) << valor(c.campo, 60) << valor(c.antes, 255) << valor(c.despues, 255);
    }
    return s;
}

bool historialDisponible(datos::DB_Dll& db) {
    // Once per connection: the answer holds while it stays open.
    static std::weak_ptr<ado::Motor> preguntado;
    static bool sabido = false;
    const std::shared_ptr<ado::Motor> motor = db.gCnn().motor();
    if (motor && preguntado.lock() == motor) return sabido;
    bool hay = db.ExisteTablaDB(QLatin1String(kTablaHistorial));
    if (!hay) {
        // A database the program made before it kept history gets it now; the suite's servers get it
        // from their owner (db/sqlserver/historial.sql).
        const QString guion = basedatos::guionHistorial(db.gCnn().dialectoDeEsquema());
        if (!guion.isEmpty()) {
            db.gCnn().ejecutarGuion(guion);
            hay = true;
        }
    }
    preguntado = motor;
    sabido = hay;
    return hay;
}

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
    // What the save changes, written with it before the commit.
    QVector<CambioHistorial> cambios;
    QVector<CambioHistorial>* historia = nullptr;
    CuentasVistas cuentas;
    QVariant idChequera;
    FilaChequera antes; // the cheque book's row before the save (change, delete)
    const QString chequera = d.banco.trimmed() + QLatin1Char('/') + d.serie + QLatin1Char('/') + d.talonario;
    try {
        const plataforma::FallosAlLlamador sinPreguntas;
        r.paso = kPasoBloqueo;
        db.gCnn().Errors().Clear();
        // Added (once) before the transaction: a definition is a unit of its own.
        if (!d.sinHistorial && historialDisponible(db)) historia = &cambios;
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
        if (operacion != Operacion::Alta && rsDatos.State() == ado::adStateOpen && !rsDatos.Eof() &&
            !rsDatos.BOF())
            idChequera = idDeLaFila(rsDatos);
        // The row as stored, not as loaded: someone may have changed it since.
        if (historia && !idChequera.isNull() &&
            (operacion == Operacion::Modificacion || operacion == Operacion::Baja))
            antes = leerChequera(db, idChequera);
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
                if (operacion == Operacion::Alta || operacion == Operacion::Modificacion) {
                    rsDatos.Update();
                    if (!historia) return;
                    idChequera = idDeLaFila(rsDatos);
                    const bool alta = operacion == Operacion::Alta;
                    for (const auto& [campo, valor] : filaDeChequera(rsDatos))
                        cambios.push_back({alta ? QStringLiteral("Alta") : QStringLiteral("Modificación"),
                                           QStringLiteral("TA_QUENZAR"), chequera, campo,
                                           alta ? QString() : textoDeHistorial(valorEn(antes, campo)),
                                           textoDeHistorial(valor)});
                }
            });
            hacer(kPasoCuentaBanco, [&] {
                asentarCuenta(db, d, cuenta, QStringLiteral("DB"), QStringLiteral("1"), QStringLiteral("0"),
                              cuentas, historia);
            });
            hacer(kPasoCuentaDiferido, [&] {
                asentarCuenta(db, d, cuentaDif, QStringLiteral("CH"), QStringLiteral("2"),
                              QStringLiteral("1"), cuentas, historia);
            });
            hacer(kPasoPrincipal, [&] {
                // Its value before, when no step of this save read the account.
                if (historia && !cuentas.filas.contains(cuentaDif)) leerCuenta(db, cuentaDif, cuentas);
                planDeCuentas(db, sentenciaCuentaPrincipal(cuenta, cuentaDif), false);
                if (cuentas.filas.contains(cuentaDif))
                    cambiarCuenta(cuentas, historia, cuentaDif, QStringLiteral("CUENTAPRINCIPAL"), cuenta);
            });
        } else if (historia) {
            for (const auto& [campo, valor] : antes)
                cambios.push_back({QStringLiteral("Baja"), QStringLiteral("TA_QUENZAR"), chequera, campo,
                                   textoDeHistorial(valor), QString()});
        }
        if (historia) {
            // Never left out: what the commit stores has its history.
            r.paso = kPasoHistorial;
            const QVector<CambioHistorial> filas = resumir(cambios);
            if (!filas.isEmpty()) {
                // With markers: the values need no quoting, and the statement no translation.
                const SentenciaConValores h = sentenciaHistorial(
                    filas, idChequera.isNull() ? 0 : idChequera.toLongLong(), d.usuario, d.maquina);
                db.gCnn().ejecutarParametros(h.sql, h.valores);
            }
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
