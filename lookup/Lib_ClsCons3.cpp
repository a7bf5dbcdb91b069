#include "lookup/Lib_ClsCons3.h"

#include "data/DB_Dll.h"
#include "lookup/Lib_FrmCons3.h"
#include "lookup/Lib_FrmCons3Tree.h"
#include "platform/Rutina.h"
#include "platform/Texto1252.h"
#include "platform/ui/Dialogos.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <QFile>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lookup {

namespace {
constexpr Qt::CaseSensitivity ci = Qt::CaseInsensitive;

QString campoMascara(const QByteArray& registro, int desde, int largo) {
    QString t = plataforma::desde1252(registro.mid(desde, largo));
    t.remove(QChar(0)).remove(QChar(255));
    return t.trimmed();
}
} // namespace

QList<MascaraConsulta> leerMascaras(const QString& ruta) {
    QList<MascaraConsulta> r;
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return r;
    const QByteArray todo = f.readAll();
    for (qsizetype p = 0; p + 1200 <= todo.size(); p += 1202) {
        const QByteArray reg = todo.mid(p, 1202);
        r.append({campoMascara(reg, 0, 100), campoMascara(reg, 100, 100), campoMascara(reg, 200, 500),
                  campoMascara(reg, 700, 500)});
    }
    return r;
}

Lib_ClsCons3::Lib_ClsCons3() {
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    auto nivel = [](const char* clave) {
        const QString v = shell::Cfg(QLatin1String(clave)).trimmed();
        return v.isEmpty() ? QVariant(0) : QVariant(v);
    };
    r.paso([&] {
        StkNivel1 = nivel("Stk_Nivel1");
        StkNivel2 = nivel("Stk_Nivel2");
        StkNivel3 = nivel("Stk_Nivel3");
        StkNivel4 = nivel("Stk_Nivel4");
    });
    r.paso([&] { MuestraStock = shell::Cfg(QStringLiteral("MostrarStockenConsultas")); });
    r.paso([&] {
        CfgUsaConsultaLIKE =
            shell::Cfg(QStringLiteral("UsaConsultaLike")).trimmed().compare(QLatin1String("SI"), ci) == 0;
    });
}

QString Lib_ClsCons3::armarSentencia(const QString& sql, QString& Where, QString& CampoBusqueda,
                                     const QString& SentenciaOpcional, bool& detenida) {
    detenida = false;
    auto& u = shell::G().utilidades;
    if (Where.trimmed().size() > 1 && !Where.startsWith(QLatin1Char('(')))
        Where = QStringLiteral(" (") + Where + QStringLiteral(") ");
    int n = static_cast<int>(u.ANumero(shell::Cfg(QStringLiteral("TopConsArt"))));
    if (n == 0) n = 1000;
    const QString top = QStringLiteral("SELECT TOP ") + QString::number(n) + QLatin1Char(' ');
    // a. A statement.
    if (sql.contains(QLatin1String("SELECT"), ci)) {
        QString s = u.Reemplazar(sql, QStringLiteral("V_MA_ARTICULOS"), QStringLiteral("VT_MA_ARTICULOS"));
        if (!Where.trimmed().isEmpty())
            s += (s.contains(QLatin1String("WHERE"), ci) ? QString() : QStringLiteral(" WHERE ")) + Where;
        return s;
    }
    // b. A record of the mask file.
    if (gUsarMascarasConsultas && QFile::exists(gRutaMascaraConsultas)) {
        for (const auto& m : leerMascaras(gRutaMascaraConsultas)) {
            if (m.tabla.compare(sql.trimmed(), ci) != 0) continue;
            QString tabla = m.tabla;
            QString columnas = u.CambiarCaracter(m.columnas, QStringLiteral("|"), QStringLiteral(","));
            if (columnas.startsWith(QLatin1Char(','))) columnas = columnas.mid(1);
            if (columnas.endsWith(QLatin1Char(','))) columnas.chop(1);
            if (columnas.trimmed().isEmpty()) columnas = QStringLiteral("*");
            if (CampoBusqueda.isEmpty()) {
                if (!columnas.contains(QLatin1Char(','))) {
                    ui::MsgBox(QStringLiteral("Debe configurar la consulta para esta tabla"),
                               ui::vbInformation, QStringLiteral("Aviso al operador"));
                    detenida = true;
                    return {};
                }
                CampoBusqueda = columnas.left(columnas.indexOf(QLatin1Char(',')));
            }
            QString condicion = m.condicion;
            if (condicion.trimmed().isEmpty() && !Where.trimmed().isEmpty()) condicion = Where;
            if (tabla.compare(QLatin1String("VT_PROVEEDORES"), ci) == 0 ||
                tabla.compare(QLatin1String("VT_CLIENTES"), ci) == 0) {
                if (condicion.trimmed().isEmpty()) condicion = QStringLiteral("Dada_De_Baja = 0");
            } else if (tabla.compare(QLatin1String("V_MA_ARTICULOS"), ci) == 0) {
                tabla = QStringLiteral("VT_MA_ARTICULOS");
                if (condicion.trimmed().isEmpty()) condicion = QStringLiteral("SUSPENDIDO = 0");
            }
            const QString donde = condicion.trimmed().isEmpty() ? QString() : QStringLiteral(" WHERE ");
            if (!CampoBusqueda.isEmpty())
                return top + columnas + QStringLiteral(" FROM ") + tabla + QStringLiteral("  with(nolock) ") +
                       donde + condicion + QStringLiteral(" ORDER BY ") + CampoBusqueda;
            return top + columnas + QStringLiteral(" FROM ") + tabla + QStringLiteral(" with(nolock) ") +
                   donde + condicion;
        }
    }
    // c. The table's own columns.
    if (!SentenciaOpcional.isEmpty()) return SentenciaOpcional;
    const QString tabla = sql.trimmed();
    QString columnas;
    if (tabla.compare(QLatin1String("V_TA_DEPOSITO"), ci) == 0) {
        columnas = QStringLiteral("Descripcion,IdDeposito,UnidadNegocio,");
        CampoBusqueda = QStringLiteral("IDDEPOSITO");
    } else {
        ado::Recordset rs;
        QString s = QStringLiteral("select top 1 * from ") + tabla;
        datos::gDB().AbrirRecordset(s, rs);
        const bool especiales = tabla.compare(QLatin1String("v_mv_mutuales"), ci) == 0 ||
                                tabla.compare(QLatin1String("V_MV_TROPA_STOCK"), ci) == 0;
        bool primero = true;
        for (int i = 0; rs.State() == ado::adStateOpen && i < rs.fields().Count(); ++i) {
            const QString c = rs(i).Name();
            const bool sello = c.compare(QLatin1String("ID"), ci) == 0 ||
                               c.compare(QLatin1String("FECHAHORA_MODIFICACION"), ci) == 0 ||
                               c.compare(QLatin1String("FECHAHORA_GRABACION"), ci) == 0;
            if (sello && !especiales) continue;
            if (sello || c.compare(QLatin1String("DESCRIPCION"), ci) == 0 ||
                c.compare(QLatin1String("NOMBRE"), ci) == 0 || c.compare(QLatin1String("DETALLE"), ci) == 0 ||
                primero)
                CampoBusqueda = c;
            primero = false;
            columnas = c + QLatin1Char(',') + columnas;
        }
        datos::gDB().CierraRecordset(rs);
    }
    if (columnas.trimmed().isEmpty())
        columnas = QStringLiteral(" * ");
    else if (columnas.endsWith(QLatin1Char(',')))
        columnas.chop(1);
    return top + columnas + QStringLiteral(" FROM ") + tabla +
           ((QLatin1Char(' ') + Where).trimmed().isEmpty() ? QString() : QStringLiteral(" WHERE ")) +
           QLatin1Char(' ') + Where + QStringLiteral(" ORDER BY ") + CampoBusqueda;
}

void Lib_ClsCons3::ConsultaSearch(const QString& Sentencia, QStringList* CmpsDevueltosArg,
                                  const QString& Clave, QString* CampoBusquedaArg, QString* WhereArg,
                                  const QString& SentenciaOpcional, bool TreeView,
                                  const QString& ValoresDefault) {
    // The search works on the caller's Where and CampoBusqueda, which come back as it left them.
    QString sinWhere, sinCampo;
    QString& Where = WhereArg ? *WhereArg : sinWhere;
    QString& CampoBusqueda = CampoBusquedaArg ? *CampoBusquedaArg : sinCampo;
    QString sentencia;
    bool detenida = false;
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    r.paso([&] { sentencia = armarSentencia(Sentencia, Where, CampoBusqueda, SentenciaOpcional, detenida); });
    if (detenida) return;
    if (TreeView) {
        Lib_FrmCons3Tree arbol;
        r.paso([&] {
            arbol.sql = sentencia;
            arbol.CampoDevuelto = CampoDevuelto;
            arbol.CheckBoxes = Checks;
            Valores.clear();
            ui::Actual().mostrarModal(&arbol);
            ValorDevuelto = arbol.ValorDevuelto.toString();
            Valores = arbol.Valores;
            Checks = false;
        });
    } else {
        Lib_FrmCons3 lista;
        r.paso([&] {
            lista.StkNivel1 = StkNivel1;
            lista.StkNivel2 = StkNivel2;
            lista.StkNivel3 = StkNivel3;
            lista.StkNivel4 = StkNivel4;
            lista.MuestraStock = MuestraStock;
            lista.CfgUsaConsultaLIKE = CfgUsaConsultaLIKE;
            lista.OrdenarPorLwv = !sentencia.contains(QLatin1String("ORDER BY"), ci);
            lista.FiltroInicial = Clave;
            lista.CampoBusqueda = CampoBusqueda;
            if (gConnString.isEmpty()) gConnString = datos::gDB().gConnString;
            lista.sql = sentencia;
            lista.gConnString = gConnString;
            lista.CampoDevuelto = CampoDevuelto;
            lista.CheckBoxes = Checks;
            lista.UsaCantidades = UsaCantidades;
            lista.ValoresDefault = ValoresDefault;
            Valores.clear();
            Cantidades.clear();
            lista.CmpsDevueltos = CmpsDevueltosArg ? *CmpsDevueltosArg : QStringList();
            ui::Actual().mostrarModal(&lista);
            Checks = false;
            Valores = lista.Valores;
            Cantidades = lista.Cantidades;
            ValorDevuelto = lista.ValorDevuelto.toString();
            lista.CampoDevuelto.clear();
        });
    }
    CampoDevuelto.clear();
    if (CmpsDevueltosArg) CmpsDevueltosArg->clear();
}

namespace {
// The one-column chooser the three simple choosers share.
QString elegir(const QString& Titulo, const QStringList& opciones, bool marcas, QStringList* marcadas) {
    Lib_FrmCons3 d;
    d.CargaManual = true;
    d.setWindowTitle(Titulo);
    d.CmdNueva->setEnabled(false);
    d.CheckBoxes = marcas;
    d.ListView1->setColumnCount(1);
    d.ListView1->setHeaderLabels({Titulo});
    for (const QString& o : opciones) {
        auto* f = new QTreeWidgetItem(d.ListView1, {o});
        if (marcas) f->setCheckState(0, Qt::Unchecked);
    }
    int largo = static_cast<int>(Titulo.size());
    for (const QString& o : opciones)
        largo = qMax(largo, static_cast<int>(o.size()));
    d.resize(qMin(largo * 120 / 15 + 40, 1024), d.height());
    d.ListView1->setColumnWidth(0, d.width() - 30);
    ui::Actual().mostrarModal(&d);
    if (marcadas) *marcadas = d.Valores;
    return d.ValorDevuelto.toString();
}
} // namespace

QString Lib_ClsCons3::MenuOpciones(const QString& Titulo, const QStringList& Opc) {
    return elegir(Titulo, Opc, false, nullptr);
}

void Lib_ClsCons3::CheckOpciones(const QString& Titulo, QStringList& /*CmpsDevueltos*/,
                                 const QStringList& Opc) {
    elegir(Titulo, Opc, true, &Valores);
}

QString Lib_ClsCons3::ConsultaDesdeArchivo(const QString& Titulo, const QString& QueArchivo, const QString&) {
    QFile f(QueArchivo);
    if (!f.open(QIODevice::ReadOnly)) {
        ui::MsgBox(QStringLiteral("No existe el archivo ") + QueArchivo +
                       QStringLiteral(" que desea consultar consulta "),
                   ui::vbOKOnly, QString());
        return {};
    }
    QStringList lineas;
    for (QString l : plataforma::desde1252(f.readAll()).split(QLatin1Char('\n'))) {
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
        if (!l.isEmpty()) lineas << l;
    }
    return elegir(Titulo, lineas, false, nullptr);
}

Lib_ClsCons3& servicioDelPrograma() {
    auto* s = dynamic_cast<Lib_ClsCons3*>(servicioActual());
    if (!s) {
        auto nuevo = std::make_unique<Lib_ClsCons3>();
        s = nuevo.get();
        instalarServicio(std::move(nuevo));
    }
    // What start-up gave it.
    s->gConnString = shell::G().gConnStringConsultas;
    s->gUsarMascarasConsultas = shell::G().gUsarMascarasConsultas;
    s->gRutaMascaraConsultas = shell::G().gRutaMascaraConsultas;
    return *s;
}

} // namespace lookup
