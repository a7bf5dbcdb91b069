// The suite's configuration table, read and written by key.

#include "data/DB_Dll.h"
#include "platform/Rutina.h"
#include "platform/ui/Dialogos.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <cmath>
#include <cstdlib>

namespace shell {

using plataforma::ErrorEjecucion;

namespace {

QString tablaConfiguracion() {
    if (G().gTablaConfiguracion.trimmed().isEmpty())
        G().gTablaConfiguracion = QStringLiteral("TA_CONFIGURACION");
    return G().gTablaConfiguracion;
}

QString comillas(const QString& v) {
    QString r = v;
    return r.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString leer(datos::DB_Dll& db, const QString& Clave, QString* ValorAux, const QString& rutina) {
    ado::Recordset rs;
    QString valor;
    QString aux;
    int paso = 1;
    QString sql;
    while (paso <= 5) {
        try {
            switch (paso) {
            case 1: {
                sql = QStringLiteral("SELECT VALOR, valoraux FROM ") + tablaConfiguracion() +
                      QStringLiteral(" with(nolock)  WHERE CLAVE = '") + comillas(Clave.trimmed()) +
                      QStringLiteral("'");
                const QString k = Clave.trimmed();
                if (k.compare(QLatin1String("[FECHA HASTA]"), Qt::CaseInsensitive) == 0 ||
                    k.compare(QLatin1String("[FECHA DESDE]"), Qt::CaseInsensitive) == 0)
                    sql = sql.toUpper();
                break;
            }
            case 2:
                db.AbrirRecordset(sql, rs, nullptr, ado::adOpenForwardOnly, ado::adLockReadOnly);
                break;
            case 3:
                if (rs.Eof()) {
                    valor = QStringLiteral(" ");
                    aux.clear();
                } else {
                    valor = G().utilidades.NoNulo(rs(QStringLiteral("Valor")).Value());
                    aux = G().utilidades.NoNulo(rs(QStringLiteral("ValorAux")).Value());
                }
                break;
            case 4:
                db.CierraRecordset(rs);
                break;
            case 5:
                if (Clave.trimmed().compare(QLatin1String("THEME"), Qt::CaseInsensitive) == 0 &&
                    valor.trimmed().isEmpty())
                    valor = QStringLiteral("1");
                break;
            }
            ++paso;
        } catch (...) {
            const ErrorEjecucion e = plataforma::comoErrorEjecucion(std::current_exception());
            if (MensajeError(e, 18, rutina) == ui::vbIgnore) {
                ++paso;
                continue;
            }
            try {
                db.CierraRecordset(rs);
            } catch (...) {
                // The failure is reported above; the recordset is released with its object.
            }
            if (ValorAux) ValorAux->clear();
            return QString();
        }
    }
    if (ValorAux) *ValorAux = aux;
    return valor;
}

} // namespace

QString Cfg(const QString& Clave, QString* ValorAux) {
    auto& db = datos::gDB();
    if (!db.gOpenFlag || db.gCnn().State() != ado::adStateOpen) return QString();
    return leer(db, Clave, ValorAux, QStringLiteral("Cfg"));
}

QString CfgKV(const QString& Clave, QString* ValorAux) {
    // Like Cfg: a statistics session that did not open is not read (reading it
    // would run the connection-loss recovery on a database that is not there).
    auto& e = gDBEstadisticas();
    if (!e.gOpenFlag || e.gCnn().State() != ado::adStateOpen) return QString();
    return leer(e, Clave, ValorAux, QStringLiteral("CfgKV"));
}

void GrabaCfgKV(const QString& Clave, const QVariant& Valor, const QString& ValorAux, bool PoliticaNegocio,
                const QString& Grupo, bool Recortar) {
    auto& db = gDBEstadisticas();
    if (!db.gOpenFlag || db.gCnn().State() != ado::adStateOpen) return;
    auto& u = G().utilidades;
    ado::Recordset rs;
    QString sql = QStringLiteral("SELECT * FROM ") + tablaConfiguracion() +
                  QStringLiteral(" with(nolock)  WHERE CLAVE = '") + comillas(Clave) + QStringLiteral("'");
    // Each step runs even when an earlier one failed; nothing is reported.
    plataforma::Rutina rutina = plataforma::Rutina::silenciosa();
    auto paso = [&rutina](const std::function<void()>& f) { return rutina.paso(f); };
    paso([&] { db.AbrirRecordset(sql, rs, &db.gCnn(), ado::adOpenDynamic, ado::adLockOptimistic); });
    paso([&] {
        if (rs.Eof()) rs.AddNew();
    });
    paso([&] { rs(QStringLiteral("Grupo")).setValue(u.NoNulo(Grupo)); });
    paso([&] { rs(QStringLiteral("Clave")).setValue(u.NoNulo(Clave.trimmed().toUpper())); });
    paso([&] {
        const QString v = u.NoNulo(Valor);
        rs(QStringLiteral("Valor")).setValue(Recortar ? v.trimmed() : v);
    });
    paso([&] { rs(QStringLiteral("PoliticaNegocio")).setValue(PoliticaNegocio); });
    paso([&] {
        if (!ValorAux.isEmpty()) rs(QStringLiteral("ValorAux")).setValue(ValorAux.trimmed());
    });
    paso([&] { rs.Update(); });
    paso([&] {
        if (rs.EditMode() != ado::adEditNone) rs.CancelUpdate();
        db.CierraRecordset(rs);
    });
}

void CargaConfiguracion(const QString& carpetaAplicacion) {
    auto& c = G().cfg;
    auto& u = G().utilidades;
    G().gTablaConfiguracion = QStringLiteral("ta_configuracion");
    auto si = [](const QString& v) { return v.compare(QLatin1String("SI"), Qt::CaseInsensitive) == 0; };
    auto siRecortado = [&](const QString& v) { return si(v.trimmed()); };
    auto noTest = [](const QString& v) {
        const QString t = v.trimmed();
        return !(t.isEmpty() || t.compare(QLatin1String("NO"), Qt::CaseInsensitive) == 0);
    };
    // Each step runs even when an earlier one failed; nothing is reported.
    plataforma::Rutina rutina = plataforma::Rutina::silenciosa();
    auto paso = [&rutina](const std::function<void()>& f) { return rutina.paso(f); };
    auto entero16 = [](double v) { return static_cast<int16_t>(qBound(-32768.0, std::round(v), 32767.0)); };

    paso([&] { c.MostrarStockenConsultas = si(Cfg(QStringLiteral("MostrarStockenConsultas"))); });
    paso([&] { c.TituloClientes = Cfg(QStringLiteral("TituloClientes")).trimmed(); });
    paso([&] { c.TituloProveedores = Cfg(QStringLiteral("TituloProveedores")).trimmed(); });
    paso([&] {
        c.EXIGECLAVECONSULTALIKEARTICULOS = si(Cfg(QStringLiteral("EXIGECLAVECONSULTALIKEARTICULOS")));
    });
    paso([&] { c.UsaConsultaLike = si(Cfg(QStringLiteral("UsaConsultaLike"))); });
    paso([&] { c.CantidadDecimales = Cfg(QStringLiteral("CantidadDecimales")); });
    paso([&] { datos::gConfidencialidad() = si(Cfg(QStringLiteral("SS_CONFIDENCIALIDAD"))); });
    paso([&] { c.UsaMultilesMonedas = si(Cfg(QStringLiteral("UsaMultilesMonedas"))); });
    paso([&] { c.UsaFacturaProforma = si(Cfg(QStringLiteral("UsaFacturaProforma"))); });
    paso([&] { c.USACCOSTO = si(Cfg(QStringLiteral("USACCOSTO"))); });
    paso([&] { c.USA_STK_STOCK_UDKG = si(Cfg(QStringLiteral("USA_STK_STOCK_UDKG"))); });
    paso([&] {
        // The user's business unit, from the users table.
        ado::Recordset rs;
        QString sql = QStringLiteral("SELECT * FROM ta_usuarios with(nolock)  WHERE Nombre = '") +
                      QString(G().gUsuarioLogeado).replace(QLatin1Char('\''), QLatin1String("''")) +
                      QStringLiteral("'");
        datos::gDB().AbrirRecordset(sql, rs);
        if (rs.State() == ado::adStateOpen && !rs.Eof()) {
            const QString un = u.NoNulo(rs(QStringLiteral("UNegocio")).Value());
            c.UNegocio =
                un.trimmed().isEmpty() || un.trimmed() == QLatin1String("0") ? QStringLiteral("   1") : un;
            if (c.UsaFacturaProforma)
                c.UsaFacturaProforma = rs(QStringLiteral("verproforma")).Value().toBool();
        } else {
            c.UNegocio = QStringLiteral("   1");
        }
        datos::gDB().CierraRecordset(rs);
    });
    paso([&] { c.UNIDADDEMEDIDA_M3 = Cfg(QStringLiteral("UNIDADDEMEDIDA_M3")).trimmed(); });
    paso([&] { c.UNIDADDEMEDIDA_BL = Cfg(QStringLiteral("UNIDADDEMEDIDA_BL")).trimmed(); });
    paso([&] { c.UNIDADDEMEDIDA_KG = Cfg(QStringLiteral("UNIDADDEMEDIDA_KG")).trimmed(); });
    paso([&] { c.PERIODO = entero16(u.ANumero(Cfg(QStringLiteral("PERIODO")))); });
    paso([&] { c.RazonSocialPorUneg = siRecortado(Cfg(QStringLiteral("RazonSocialPorUneg"))); });
    paso([&] { c.VALIDACODIGOBARRA = siRecortado(Cfg(QStringLiteral("VALIDACODIGOBARRA"))); });
    paso([&] {
        const QString v = Cfg(QStringLiteral("CFondo"));
        const double n = u.ANumero(v);
        G().gCFondo = n == 0 ? 0xFFFF00u : static_cast<uint32_t>(n);
    });
    paso([&] { G().gCLetra = static_cast<uint32_t>(u.ANumero(Cfg(QStringLiteral("CLetra")))); });
    paso([&] {
        c.ModuloOrdenDeTrabajo = Cfg(QStringLiteral("ModuloOrdenDeTrabajo"))
                                     .trimmed()
                                     .compare(QLatin1String("NO"), Qt::CaseInsensitive) != 0;
    });
    paso([&] { c.V_ModificaCPrecio = noTest(Cfg(QStringLiteral("V_ModificaCPrecio"))); });
    paso([&] { c.C_ModificaCPrecio = noTest(Cfg(QStringLiteral("C_ModificaCPrecio"))); });
    paso([&] { c.MADERERA = noTest(Cfg(QStringLiteral("MADERERA"))); });
    paso([&] { c.MAD_TIRAS = Cfg(QStringLiteral("MAD_TIRAS")).trimmed(); });
    paso([&] { c.MAD_P2 = Cfg(QStringLiteral("MAD_P2")).trimmed(); });
    paso([&] { c.MAD_ML = Cfg(QStringLiteral("MAD_ML")).trimmed(); });
    paso([&] { c.MAD_M2 = Cfg(QStringLiteral("MAD_M2")).trimmed(); });
    paso([&] { c.MAD_HOJAS = Cfg(QStringLiteral("MAD_HOJAS")).trimmed(); });
    paso([&] { c.MAD_ML_P2 = Cfg(QStringLiteral("MAD_ML_P2")).trimmed(); });
    paso([&] { c.MAD_M2_P2 = Cfg(QStringLiteral("MAD_M2_P2")).trimmed(); });
    paso([&] { c.MAD_ML_M2 = Cfg(QStringLiteral("MAD_ML_M2")).trimmed(); });
    paso([&] { c.CuentaCtroDist = Cfg(QStringLiteral("CuentaCtroDist")).trimmed(); });
    paso([&] { c.MaxDto = u.ANumero(Cfg(QStringLiteral("MaxDto")).trimmed()); });
    paso([&] { c.MaxDtoProforma = u.ANumero(Cfg(QStringLiteral("MaxDtoProforma")).trimmed()); });
    paso([&] { c.PideClave_StockNeg = noTest(Cfg(QStringLiteral("PideClave_StockNeg"))); });
    paso([&] { c.PideClave_MarkUpBase = noTest(Cfg(QStringLiteral("PideClave_MarkUpBase"))); });
    paso([&] { c.PideClave_LimiteCredito = noTest(Cfg(QStringLiteral("PideClave_LimiteCredito"))); });
    paso([&] { c.SS_BloqueoActivo = si(Cfg(QStringLiteral("SS_BloqueoActivo"))); });
    paso([&] { c.UTILIZARFECHADIA = si(Cfg(QStringLiteral("UTILIZARFECHADIA"))); });
    paso([&] { c.AsignacionAutomaticaDeLoteING = si(Cfg(QStringLiteral("AsignacionAutomaticaDeLoteING"))); });
    paso([&] {
        c.AsignacionAutomaticaDeLoteINGOP = si(Cfg(QStringLiteral("AsignacionAutomaticaDeLoteINGOP")));
    });
    paso([&] {
        int16_t v = entero16(u.ANumero(Cfg(QStringLiteral("CONDIVAEMPRESA"))));
        if (v == 0) v = entero16(u.ANumero(Cfg(QStringLiteral("CONDIVA"))));
        c.CONDIVAEMPRESA = v == 0 ? 1 : v;
    });
    paso([&] {
        const QString t = Cfg(QStringLiteral("Top_Default"));
        c.Top_Default = t.trimmed().isEmpty() ? QStringLiteral("1000") : t;
    });
    paso([&] {
        std::srand(static_cast<unsigned>(QDateTime::currentMSecsSinceEpoch()));
        c.ArchivoTareas = carpetaAplicacion + QStringLiteral("KVDOCTareas.kvt");
    });
}

} // namespace shell
