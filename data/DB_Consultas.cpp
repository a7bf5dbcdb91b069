// Queries and recordsets with the connection-loss recovery, and the one-row
// lookups.

#include "data/DB_Dll.h"

#include "platform/Rutina.h"
#include "platform/ado/Traza.h"
#include "platform/ui/Dialogos.h"
#include "shell/helperlib/OrVexa2.h"

#include <QRegularExpression>

namespace datos {

using plataforma::ErrorEjecucion;
namespace errores = plataforma::errores;

namespace {

bool contiene(const QString& texto, const char* buscado) {
    return texto.contains(QLatin1String(buscado), Qt::CaseInsensitive);
}

QString sinAdmin(const QString& s) {
    QString r = s;
    return r.remove(QStringLiteral("@Admin_"), Qt::CaseInsensitive);
}

// A text value between quotes keeps its apostrophes as one literal.
QString comillas(const QString& v) {
    QString r = v;
    return r.replace(QLatin1Char('\''), QLatin1String("''"));
}

int primerNativo(ado::Connection& cn) {
    return cn.Errors().Count() > 0 ? cn.Errors().Item(0).NativeError : 0;
}

} // namespace

QString DB_Dll::marcasYSinonimos(const QString& sentencia) {
    // Synonyms only for statements that both create and drop (scripts that
    // rebuild objects); everywhere else the marker is just removed.
    const bool crea = contiene(sentencia, "CREATE");
    const bool borra = contiene(sentencia, "DROP");
    if (!(crea && borra)) return sinAdmin(sentencia);
    if (!contiene(sentencia, "DELETE"))
        return contiene(sentencia, "@ADMIN_") ? sinAdmin(sentencia) : SS_TSinonimos(sentencia);
    return sinAdmin(sentencia);
}

bool DB_Dll::recuperarConexion(Perfil perfil, int& contador) {
    const QString CRLF = QStringLiteral("\r\n");
    ReintentaConectar();
    if (gOpenFlag) {
        ++contador;
        return contador < 3;
    }
    for (;;) {
        ReintentaConectar();
        if (gOpenFlag) {
            if (perfil == Perfil::Busqueda) {
                ++contador;
                return contador < 3;
            }
            return true;
        }
        if (perfil != Perfil::Busqueda) {
            ++contador;
            if (contador < 3) continue;
        }
        const QString texto = CRLF + CRLF + CRLF +
                              QStringLiteral("Se perdio la conexion con la base de datos ") + gDB().gDBName +
                              CRLF + QStringLiteral(" Servidor ") + gDB().gServidor + CRLF + CRLF +
                              QStringLiteral("Elija SI para reintentar conectarse") + CRLF +
                              QStringLiteral("Elija NO para cerrar la aplicacion") + CRLF + CRLF + CRLF;
        if (ui::MsgBox(texto, ui::vbYesNo + ui::vbCritical, QStringLiteral("AVISO AL OPERADOR")) != ui::vbYes)
            ui::Actual().terminarPrograma(0);
    }
}

bool DB_Dll::enlaceCaido(const ErrorEjecucion& e) {
    auto& cn = gDB().gCnn();
    return (cn.Errors().Count() >= 1 && primerNativo(cn) == 11) ||
           (mEnlacePerdido && e.Number() == errores::ConexionInvalida);
}

void DB_Dll::recuperarEnlace() {
    int contador = 0;
    recuperarConexion(Perfil::Ejecuta, contador);
}

void DB_Dll::CierraRecordset(ado::Recordset& rs) {
    for (;;) {
        try {
            if (rs.State() != ado::adStateClosed) rs.Close();
            return;
        } catch (const ErrorEjecucion& e) {
            if (e.Number() == errores::NoPermitidoContexto) {
                // A pending edit blocks closing: drop it and close; a failure now reaches the caller.
                rs.CancelUpdate();
                if (rs.State() != ado::adStateClosed) rs.Close();
                return;
            }
            if (plataforma::FallosAlLlamador::activo()) throw;
            const int r = gDB().TratamientoErrores(e, 18, QStringLiteral("CierraRecordset"));
            if (r == ui::vbRetry) continue;
            return;
        }
    }
}

void DB_Dll::AbrirRecordset(QString& SentenciaSQL, ado::Recordset& Lrcs, ado::Connection* Conexionactiva,
                            int CursorType, int LockType, int Options, bool ConvOracle) {
    int contador = 2;
    ado::Connection* conexion = nullptr;
    // A lost connection is re-opened and the step repeated; other failures go to the error treatment.
    plataforma::Rutina r(
        QStringLiteral("AbrirRecordset"), [&](const ErrorEjecucion& e, const QString& rutina) {
            if ((e.Number() == errores::FalloGeneral || e.Number() == errores::ConexionInvalida) &&
                (gCnn().Errors().Count() >= 1 || enlaceCaido(e)) &&
                recuperarConexion(Perfil::AbrirRecordset, contador))
                return int(ui::vbRetry);
            return int(gDB().TratamientoErrores(e, 18, rutina));
        });
    r.paso([&] { CierraRecordset(Lrcs); });
    r.paso([&] { SentenciaSQL = SS_TSinonimos(SentenciaSQL); });
    r.paso([&] { conexion = Conexionactiva ? Conexionactiva : &gCnn(); });
    r.paso([&] {
        if (gCnn().ConnectionString().indexOf(QLatin1String("ORACLE"), 0, Qt::CaseInsensitive) > 0 &&
            ConvOracle)
            Lrcs.Open(ORACLE_Dicc(SentenciaSQL), conexion, CursorType, LockType, Options);
        else
            Lrcs.Open(SentenciaSQL, conexion, CursorType, LockType, Options);
    });
}

bool DB_Dll::ejecutarPasos(QString& SentenciaSQL, qint64* RecordsAffected,
                           std::shared_ptr<ado::Recordset>* Lrcs, const std::function<bool()>& alFallar) {
    int paso = 1;
    qint64 afectadas = 0;
    while (paso <= 4) {
        try {
            switch (paso) {
            case 1:
                SentenciaSQL = marcasYSinonimos(SentenciaSQL);
                break;
            case 2:
                if (contiene(gCnn().ConnectionString(), "ORACLE")) {
                    QString script = SentenciaSQL;
                    EjecutaScriptOracle(script, afectadas);
                    if (RecordsAffected) *RecordsAffected = afectadas;
                    paso = 4;
                    continue;
                }
                break;
            case 3: {
                auto rs = gCnn().Execute(SentenciaSQL, RecordsAffected, -1);
                if (Lrcs) *Lrcs = rs;
                break;
            }
            case 4: {
                auto& errs = gDB().gCnn().Errors();
                if ((errs.Count() == 1 || errs.Count() == 2) && !contiene(SentenciaSQL, "TRANS") &&
                    errs.Item(0).NativeError == 8152)
                    errs.Clear();
                break;
            }
            }
            ++paso;
        } catch (...) {
            if (alFallar()) continue; // the failed step again
            return false;
        }
    }
    return true;
}

void DB_Dll::EjecutaConsultaSQL(QString& SentenciaSQL, qint64* RecordsAffected,
                                std::shared_ptr<ado::Recordset>* Lrcs) {
    int contador = 0;
    ejecutarPasos(SentenciaSQL, RecordsAffected, Lrcs, [&] {
        const ErrorEjecucion e = plataforma::comoErrorEjecucion(std::current_exception());
        auto& cn = gDB().gCnn();
        // Inside a unit of work the failure stays in Errors for the unit: reconnecting
        // would drop its transaction and run the statement alone.
        if (plataforma::FallosAlLlamador::activo()) return false;
        if (!contiene(SentenciaSQL, "TRANS") && enlaceCaido(e) &&
            recuperarConexion(Perfil::Ejecuta, contador))
            return true;
        // Never shown: the caller reads the connection's Errors.
        if (cn.Errors().Count() >= 1 && !contiene(SentenciaSQL, "TRANS") && primerNativo(cn) == 8152)
            cn.Errors().Clear();
        return false;
    });
}

void DB_Dll::EjecutaConsultaRSQL(QString& SentenciaSQL, qint64* RecordsAffected,
                                 std::shared_ptr<ado::Recordset>* Lrcs) {
    ejecutarPasos(SentenciaSQL, RecordsAffected, Lrcs, [&] {
        const ErrorEjecucion e = plataforma::comoErrorEjecucion(std::current_exception());
        auto& cn = gDB().gCnn();
        if (cn.Errors().Count() >= 1 && !contiene(SentenciaSQL, "TRANS") && primerNativo(cn) == 8152) {
            cn.Errors().Clear();
            return false;
        }
        const int32_t n = e.Number();
        if (n != errores::FalloGeneral && n != errores::ViolacionIntegridad && n != errores::TablaNoExiste &&
            n != errores::ErrorEnComando && !contiene(SentenciaSQL, "TRANS"))
            ui::MsgBox(ado::traza::enmascarar(e.Description()), ui::vbCritical,
                       QStringLiteral("Aviso al operador!!!"));
        return false;
    });
}

// ------------------------------------------------------------------ 2.7 lookups

QString DB_Dll::numeroComoTexto(const QString& valor) const {
    // The number the text begins with (VB's Val): "." is the decimal point.
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*([-+]?\s*(?:\d[\d ]*)?(?:\.\d*)?(?:[eE][-+]?\d+)?))"));
    QString t = re.match(valor).captured(1);
    t.remove(QLatin1Char(' '));
    bool ok = false;
    const double v = t.toDouble(&ok);
    // Written with "." whatever the regional settings: a comma would split the SQL.
    return orvexa::textoDeValor(ok ? v : 0.0).trimmed();
}

QString DB_Dll::cuerpoBusqueda(const QString& T, const QString& V, const QString& C, const QVariant& Tipodato,
                               bool conTop) const {
    const int tipo = Tipodato.toString().trimmed().toInt();
    const QString inicio =
        conTop ? QStringLiteral("SELECT TOP 1 * FROM ") + T + QStringLiteral(" with(nolock)  WHERE ")
               : QStringLiteral("SELECT * FROM ") + T + QStringLiteral(" with(nolock)   WHERE ");
    switch (tipo) {
    case 7:
        return inicio + C + QStringLiteral(" = ") + V.trimmed() + QStringLiteral(" ");
    case 3:
    case 4:
    case 5:
        return inicio + C + QStringLiteral(" = ") + numeroComoTexto(V);
    default:
        return inicio + C + QStringLiteral(" = ") + V;
    }
}

plataforma::Informador DB_Dll::informarBusqueda(Perfil perfil, int& contador) {
    // A lost connection is re-opened and the step repeated; otherwise the user chooses.
    return [this, perfil, &contador](const ErrorEjecucion& e, const QString&) {
        if (enlaceCaido(e) && recuperarConexion(perfil, contador)) return int(ui::vbRetry);
        return ui::MsgBox(ado::traza::enmascarar(e.Description()), ui::vbAbortRetryIgnore + ui::vbCritical,
                          QStringLiteral("Aviso al Operador"));
    };
}

bool DB_Dll::ejecutarBusqueda(const QString& sqlArmado, bool reescribir, ado::Recordset* Lrcs,
                              bool SoloLectura, ado::Connection& cn) {
    int contador = 0;
    bool resultado = false;
    QString sql = sqlArmado;
    ado::Recordset privado;
    plataforma::Rutina r(QStringLiteral("Busqueda"), informarBusqueda(Perfil::Busqueda, contador));
    r.paso([&] {
        if (reescribir) sql = SS_TSinonimos(sql);
    });
    r.paso([&] {
        if (!Lrcs) {
            privado.Open(reescribir ? ORACLE_Dicc(sql) : sql, cn, ado::adOpenForwardOnly,
                         ado::adLockReadOnly);
            resultado = !privado.BOF();
            privado.Close();
        } else {
            const int cursor = SoloLectura ? ado::adOpenForwardOnly : Lrcs->CursorType();
            const int bloqueo = SoloLectura ? ado::adLockReadOnly : Lrcs->LockType();
            if (Lrcs->State() != ado::adStateClosed) Lrcs->Close();
            Lrcs->Open(sql, cn, cursor, bloqueo);
            resultado = !Lrcs->BOF();
        }
    });
    return resultado;
}

bool DB_Dll::ExisteEnTabla(const QString& Tabla, const QString& ValorBuscado, const QString& Campo,
                           ado::Recordset* Lrcs, const QVariant& Tipodato, const QString& Condicion,
                           bool SoloLectura) {
    QString sql;
    if (!Condicion.isEmpty())
        sql = QStringLiteral("SELECT TOP 1 * FROM ") + Tabla + QStringLiteral(" with(nolock) ") +
              (contiene(Condicion, " WHERE ") ? QStringLiteral(" ") : QStringLiteral(" WHERE ")) + Condicion;
    else if (Tipodato.toString().trimmed() == QLatin1String("8"))
        sql = QStringLiteral("SELECT TOP 1  * FROM ") + Tabla +
              QStringLiteral(" with(nolock)  WHERE LTRIM(RTRIM(") + Campo + QStringLiteral(")) ='") +
              comillas(ValorBuscado.trimmed()) + QStringLiteral("'");
    else
        sql = cuerpoBusqueda(Tabla, ValorBuscado, Campo, Tipodato, true);
    return ejecutarBusqueda(sql, true, Lrcs, SoloLectura, gCnn());
}

bool DB_Dll::ExisteEnTablaST(const QString& Tabla, const QString& ValorBuscado, const QString& Campo,
                             ado::Recordset* Lrcs, const QVariant& Tipodato, const QString& Condicion,
                             bool SoloLectura) {
    QString sql;
    if (!Condicion.isEmpty())
        sql = QStringLiteral("SELECT * FROM ") + Tabla + QStringLiteral(" with(nolock)  ") +
              (contiene(Condicion, " WHERE ") ? QStringLiteral(" ") : QStringLiteral(" WHERE ")) + Condicion;
    else if (Tipodato.toString().trimmed() == QLatin1String("8"))
        sql = QStringLiteral("SELECT * FROM ") + Tabla + QStringLiteral(" with(nolock)   WHERE ") + Campo +
              QStringLiteral(" ='") + comillas(ValorBuscado) + QStringLiteral("'");
    else
        sql = cuerpoBusqueda(Tabla, ValorBuscado, Campo, Tipodato, false);
    // The older form: no rewriting, and always the main session's connection.
    return ejecutarBusqueda(sql, false, Lrcs, SoloLectura, gDB().gCnn());
}

QVariant DB_Dll::DatosTabla(const QString& Tabla, const QString& ValorBuscado, const QString& CampoDevuelto,
                            const QString& Campo, const QVariant& Tipodato, const QString& Condicion,
                            bool UsaTrim, bool IgnoraError) {
    int contador = 0;
    QVariant resultado;
    QString sql;
    ado::Recordset privado;
    const plataforma::Informador busqueda = informarBusqueda(Perfil::Ejecuta, contador);
    plataforma::Rutina r(QStringLiteral("DatosTabla"), [&](const ErrorEjecucion& e, const QString& rutina) {
        if (!IgnoraError) return busqueda(e, rutina);
        resultado = QString();
        return int(ui::vbAbort);
    });
    r.paso([&] {
        const QString A = Condicion.trimmed().isEmpty() ? QString() : QStringLiteral(" AND ");
        const QString inicio =
            QStringLiteral("SELECT TOP 1 * FROM ") + Tabla + QStringLiteral(" with(nolock)  WHERE ");
        const int tipo = Tipodato.toString().trimmed().toInt();
        if (tipo == 8 && UsaTrim)
            sql = inicio + QStringLiteral("LTRIM(RTRIM(") + Campo + QStringLiteral(")) ='") +
                  comillas(ValorBuscado.trimmed()) + QStringLiteral("' ") + A + Condicion;
        else if (tipo == 8)
            sql = inicio + Campo + QStringLiteral(" ='") + comillas(ValorBuscado) + QStringLiteral("' ") + A +
                  Condicion;
        else if (tipo == 7)
            sql = inicio + Campo + QStringLiteral(" = #") + ValorBuscado.trimmed() + QStringLiteral("# ") +
                  A + Condicion;
        else if (tipo == 3 || tipo == 4 || tipo == 5)
            sql = inicio + Campo + QStringLiteral(" = ") + numeroComoTexto(ValorBuscado) + A + Condicion;
        else
            sql = inicio + Campo + QStringLiteral(" = ") + ValorBuscado + A + Condicion;
    });
    r.paso([&] {
        AbrirRecordset(sql, privado, &gCnn(), ado::adOpenForwardOnly, ado::adLockReadOnly, -1, true);
    });
    r.paso([&] {
        if (!gOpenFlag) r.abandonar();
    });
    r.paso([&] {
        if (privado.Eof())
            resultado = QString();
        else
            resultado = orvexa::textoDeValor(privado(CampoDevuelto).Value());
    });
    r.paso([&] { CierraRecordset(privado); });
    return resultado;
}

QVariant DB_Dll::BuscaMaximo(const QString& QueTabla, const QString& QueCampo, const QVariant& Tipo,
                             const QVariant& Condicion) {
    QString condicion = Condicion.isValid() ? Condicion.toString() : QString();
    bool hayCondicion = Condicion.isValid();
    for (int vuelta = 0; vuelta < 2; ++vuelta) {
        QString sql =
            QStringLiteral("SELECT MAX(") + QueCampo + QStringLiteral(") AS MAYOR FROM ") + QueTabla;
        if (hayCondicion) sql += QStringLiteral(" WHERE ") + condicion.trimmed();
        ado::Recordset rs;
        rs.Open(sql, gCnn(), ado::adOpenForwardOnly, ado::adLockReadOnly);
        if (rs.Eof()) return QVariant();
        const QString mayor = orvexa::textoDeValor(rs(QStringLiteral("MAYOR")).Value());
        rs.Close();
        if (vuelta == 0 && QueTabla.compare(QLatin1String("V_MA_ARTICULOS"), Qt::CaseInsensitive) == 0 &&
            mayor.trimmed().startsWith(QLatin1Char('0'))) {
            // Codes beginning with 0 do not count: look again without them.
            condicion = hayCondicion
                            ? condicion + QStringLiteral(" and substring(ltrim(idarticulo),1,1)<>'0'")
                            : QStringLiteral(" substring(ltrim(idarticulo),1,1)<>'0'");
            hayCondicion = true;
            continue;
        }
        if (Tipo.toString().trimmed() == QLatin1String("7")) return mayor;
        return util().ANumero(mayor);
    }
    return QVariant();
}

QVariant DB_Dll::BuscaMinimo(const QString& QueTabla, const QString& QueCampo, const QVariant&,
                             const QVariant& Condicion) {
    QString sql = QStringLiteral("SELECT MIN(") + QueCampo + QStringLiteral(") AS MENOR FROM ") + QueTabla +
                  QStringLiteral("  with(nolock) ");
    if (Condicion.isValid()) sql += QStringLiteral(" WHERE ") + Condicion.toString().trimmed();
    ado::Recordset rs;
    rs.Open(sql, gCnn(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (rs.Eof()) return QVariant();
    return util().ANumero(orvexa::textoDeValor(rs(QStringLiteral("MENOR")).Value()));
}

QVariant DB_Dll::BuscaUltimoCodigo(const QString& QueTabla, const QString& QueCampo, const QVariant&,
                                   const QString& Condicion) {
    QString sql = QStringLiteral("SELECT MAX(") + QueCampo + QStringLiteral(") AS MAYOR FROM ") + QueTabla;
    if (!Condicion.trimmed().isEmpty()) sql += QStringLiteral(" WHERE ") + Condicion;
    ado::Recordset rs;
    rs.Open(sql, gCnn(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (rs.Eof()) return QVariant();
    return util().ANumero(orvexa::textoDeValor(rs(QStringLiteral("MAYOR")).Value()));
}

} // namespace datos
