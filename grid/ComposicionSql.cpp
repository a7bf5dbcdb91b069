#include "grid/ComposicionSql.h"

#include <QDate>
#include <QRegularExpression>

namespace grid {

namespace {

constexpr Qt::CaseSensitivity ci = Qt::CaseInsensitive;

bool tiene(const QString& s, const QString& x) {
    return s.contains(x, ci);
}
QString reemplazar(QString s, const QString& de, const QString& a) {
    return s.replace(de, a, ci);
}
QString quitar(QString s, const QString& x) {
    return s.remove(x, ci);
}
QString envolver(const QString& t) {
    if (t.contains(QLatin1Char('['))) return t;
    return QLatin1Char('[') + t.trimmed() + QLatin1Char(']');
}
QString comillas(QString t) {
    return t.replace(QLatin1Char('\''), QLatin1String("''"));
}

} // namespace

QVector<CampoAlias> ArmarEquivalencias(const QString& sql) {
    QVector<CampoAlias> r;
    QString s = sql;
    const QString as = QStringLiteral(" as ");
    while (tiene(s, as)) {
        const int p = static_cast<int>(s.indexOf(as, 0, ci));
        // Alias.
        const QString t = s.mid(p + as.size()).trimmed();
        QString aliasCrudo;
        if (t.startsWith(QLatin1Char('['))) {
            const int c = static_cast<int>(t.indexOf(QLatin1Char(']')));
            aliasCrudo = c < 0 ? t : t.left(c + 1);
        } else {
            const int blanco = static_cast<int>(t.indexOf(QLatin1Char(' ')));
            const int coma = static_cast<int>(t.indexOf(QLatin1Char(',')));
            if (coma >= 0 && (blanco < 0 || coma < blanco))
                aliasCrudo = t.left(coma);
            else
                aliasCrudo = blanco < 0 ? t : t.left(blanco);
        }
        QString alias = aliasCrudo;
        alias.remove(QLatin1Char(','));
        // Expression.
        const QString u = s.left(p).trimmed();
        QString exprCruda;
        if (u.endsWith(QLatin1Char(']'))) {
            exprCruda = u.mid(u.lastIndexOf(QLatin1Char('[')));
        } else {
            const int coma = static_cast<int>(u.lastIndexOf(QLatin1Char(',')));
            const int blanco = static_cast<int>(u.lastIndexOf(QLatin1Char(' ')));
            if (coma >= 0 && coma > blanco)
                exprCruda = u.mid(coma + 1);
            else
                exprCruda = u.mid(blanco + 1);
        }
        QString expr = exprCruda;
        expr.remove(QLatin1Char(',')).remove(QLatin1Char('(')).remove(QLatin1Char(')'));
        r.push_back({envolver(expr), envolver(alias)});
        const QString crudo = exprCruda + as + aliasCrudo;
        if (tiene(s, crudo)) {
            s = reemplazar(s, crudo, QStringLiteral(" "));
        } else {
            // Blanks around "as" that the raw texts do not hold: drop this "as"
            // itself, or the loop would never end.
            s.replace(p, as.size(), QStringLiteral(" "));
        }
    }
    r.push_back(CampoAlias{});
    return r;
}

QString EquiCampo(const QVector<CampoAlias>& eq, const QString& Campo, bool Equivalencia) {
    auto sinBlancos = [](QString x) { return x.remove(QLatin1Char(' ')).trimmed(); };
    for (const auto& c : eq) {
        if (Equivalencia) {
            if (c.Expresion.compare(Campo, ci) == 0) return c.Alias;
        } else if (sinBlancos(c.Alias).compare(sinBlancos(Campo), ci) == 0 && !c.Alias.isEmpty()) {
            return c.Expresion;
        }
    }
    return Campo;
}

QString ArmarListaCampos(const QVector<CampoAlias>& eq, const QString& lista) {
    QString r = lista;
    const QStringList items =
        QString(lista).replace(QStringLiteral(", "), QStringLiteral("|")).split(QLatin1Char('|'));
    for (const QString& item : items) {
        if (item.isEmpty()) continue;
        const QString e = EquiCampo(eq, item, false);
        if (e.compare(item, ci) != 0) r = reemplazar(r, item, e + QStringLiteral(" as ") + item);
    }
    return r;
}

QString tablaDeSql(const QString& sqlDado) {
    const QString sql = sqlDado + QLatin1Char(' ');
    const int f = static_cast<int>(sql.indexOf(QLatin1String(" FROM "), 0, ci));
    if (f < 0) return {};
    const QString resto = sql.mid(f + 6);
    const int w = static_cast<int>(resto.indexOf(QLatin1String(" where "), 0, ci));
    if (w >= 0) return resto.left(w).trimmed();
    const int b = static_cast<int>(resto.indexOf(QLatin1Char(' ')));
    return (b < 0 ? resto : resto.left(b)).trimmed();
}

QString ArmarWhere(const QString& sql, const QString& mFiltro) {
    if (!tiene(sql, QStringLiteral("WHERE")))
        return mFiltro.isEmpty() ? QString() : QStringLiteral(" where ") + mFiltro;
    const int w = static_cast<int>(sql.indexOf(QLatin1String("WHERE"), 0, ci));
    QString r = sql.mid(w);
    const int o = static_cast<int>(r.indexOf(QLatin1String("order by"), 0, ci));
    if (tiene(sql, QStringLiteral("ORDER BY")) && o >= 0) r = r.left(o);
    if (!mFiltro.isEmpty()) r += QStringLiteral(" AND ") + mFiltro;
    return r;
}

QString ArmarOrden(const EstadoConsulta& e, const QString& encabezado) {
    switch (e.OrdenSent) {
    case 3:
        return e.OrderBy;
    case 0: {
        const int p = static_cast<int>(e.sql.indexOf(QLatin1String(" Order by"), 0, ci));
        return tiene(e.sql, QStringLiteral("Order by")) && p >= 0 ? e.sql.mid(p) : QString();
    }
    case 1:
    case 2: {
        const QString c =
            EquiCampo(e.mEquivalencias, QLatin1Char('[') + encabezado + QLatin1Char(']'), false);
        const QString d = e.OrdenSent == 1 ? QStringLiteral(" Asc ") : QStringLiteral(" Desc ");
        if (e.Order == 1 || e.OrderBy.trimmed().isEmpty()) return QStringLiteral(" Order by ") + c + d;
        QString o = e.OrderBy;
        for (const char* dir : {" Asc", " Desc"}) {
            const QString x = QLatin1String(dir);
            for (const QString& patron :
                 {c + x + QStringLiteral(" ,"), QStringLiteral(", ") + c + x + QStringLiteral(" "),
                  QStringLiteral(", ") + c + x, QStringLiteral(" ") + c + x + QStringLiteral(" "),
                  QStringLiteral(" ") + c + x})
                o = quitar(o, patron);
        }
        o += o.trimmed().compare(QLatin1String("Order by"), ci) == 0 ? QStringLiteral(" ")
                                                                     : QStringLiteral(", ");
        return o + c + d;
    }
    default:
        return e.OrderBy;
    }
}

QVector<ItemOrden> itemsDeOrden(const QString& orderBy) {
    QVector<ItemOrden> r;
    if (orderBy.trimmed().isEmpty()) return r;
    const int p = static_cast<int>(orderBy.indexOf(QLatin1String("Order by"), 0, ci));
    const QString lista = p < 0 ? orderBy : orderBy.mid(p + 8);
    // The sort items at depth 0.
    int prof = 0, desde = 0;
    static const QRegularExpression direccion(QStringLiteral("\\s+(asc|desc)$"),
                                              QRegularExpression::CaseInsensitiveOption);
    for (int i = 0; i <= lista.size(); ++i) {
        const QChar c = i < lista.size() ? lista[i] : QLatin1Char(',');
        if (c == QLatin1Char('('))
            ++prof;
        else if (c == QLatin1Char(')'))
            --prof;
        else if (c == QLatin1Char(',') && prof == 0) {
            QString item = lista.mid(desde, i - desde).trimmed();
            desde = i + 1;
            if (item.isEmpty()) continue;
            const auto m = direccion.match(item);
            ItemOrden o;
            if (m.hasMatch()) {
                o.descendente = m.captured(1).compare(QLatin1String("desc"), ci) == 0;
                item.chop(m.capturedLength());
            }
            o.expresion = item.remove(QLatin1Char('[')).remove(QLatin1Char(']')).trimmed();
            r << o;
        }
    }
    return r;
}

QString ordenTotal(const EstadoConsulta& e) {
    const QString K = e.PrimaryKey.isEmpty() ? QStringLiteral("ID") : e.PrimaryKey;
    if (e.OrderBy.trimmed().isEmpty()) return QStringLiteral(" Order by ") + K + QStringLiteral(" Asc ");
    // The key among the items already makes the order total (SQL Server
    // refuses a column named twice in ORDER BY).
    const QString clave = QString(K).remove(QLatin1Char('[')).remove(QLatin1Char(']')).trimmed();
    QString ultimaDireccion = QStringLiteral(" Asc ");
    for (const ItemOrden& item : itemsDeOrden(e.OrderBy)) {
        if (item.expresion.compare(clave, ci) == 0) return e.OrderBy;
        ultimaDireccion = item.descendente ? QStringLiteral(" Desc ") : QStringLiteral(" Asc ");
    }
    QString r = e.OrderBy;
    while (r.endsWith(QLatin1Char(' ')))
        r.chop(1);
    return r + QStringLiteral(", ") + K + ultimaDireccion;
}

QString sentenciaExportacion(const EstadoConsulta& e, const QString& sentenciaConteo) {
    QString s = sentenciaConteo;
    // The statement's own order gives way to the one in force (the list's statement keeps its
    // order when nothing is searched).
    const int o = static_cast<int>(s.lastIndexOf(QLatin1String(" Order by"), -1, ci));
    if (o >= 0 && s.indexOf(QLatin1Char(')'), o) < 0) s = s.left(o);
    return s + QStringLiteral(" ") + ordenTotal(e);
}

QString ArmarFromPaginado(const EstadoConsulta& e, int pagina) {
    if (tiene(e.sql, QStringLiteral(" join ")) || tiene(e.sql, QStringLiteral(" group by "))) return {};
    const QString orden = ordenTotal(e);
    const int f = static_cast<int>(e.sql.indexOf(QLatin1String("FROM "), 0, ci));
    QString T = e.sql.mid(f + 5);
    const int b = static_cast<int>(T.indexOf(QLatin1Char(' ')));
    T = (b < 0 ? T : T.left(b)).trimmed();
    const QString K = e.PrimaryKey.isEmpty() ? QStringLiteral("ID") : e.PrimaryKey;
    const qint64 S = static_cast<qint64>(e.PageSize) * pagina - e.PageSize;
    const QString n = QString::number(e.PageSize);
    QString r;
    if (!e.conRownum) {
        r = QStringLiteral(" FROM (SELECT TOP ") + n + QStringLiteral(" *  FROM ") + T +
            QStringLiteral(" WHERE ") + K;
        r += QStringLiteral(" NOT IN (SELECT TOP ") + QString::number(S) + QStringLiteral(" ") + K +
             QStringLiteral(" FROM ") + T + QStringLiteral(" ") + e.mWhere + QStringLiteral(" ") + orden +
             QStringLiteral(") ");
    } else {
        r = QStringLiteral(" FROM (SELECT *  FROM ") + T + QStringLiteral(" WHERE ROWNUM<=") + n +
            QStringLiteral(" AND ") + K;
        r += QStringLiteral(" NOT IN (SELECT ") + K + QStringLiteral(" FROM ") + T + QStringLiteral(" ") +
             e.mWhere + (e.mWhere.trimmed().isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
             QStringLiteral(" ROWNUM<=") + QString::number(S) + QStringLiteral(" ") + orden +
             QStringLiteral(") ");
    }
    if (e.Find != 1 && !e.mFiltro.isEmpty()) r += QStringLiteral(" and ") + e.mFiltro;
    QString w = quitar(e.mWhere, QStringLiteral("where "));
    if (!e.mFiltro.trimmed().isEmpty()) w = quitar(quitar(w, QStringLiteral(" and ") + e.mFiltro), e.mFiltro);
    if (!w.trimmed().isEmpty()) r += QStringLiteral(" and ") + w;
    r += QStringLiteral(" ") + orden +
         (e.conRownum ? QStringLiteral(")  Paginacion ") : QStringLiteral(") AS Paginacion "));
    return r;
}

QString sentenciaProbe(const QString& sql, bool conExcepcionTop) {
    if (!tiene(sql, QStringLiteral("Order by"))) return sql;
    if (conExcepcionTop && tiene(sql, QStringLiteral("SELECT TOP"))) return sql;
    const int o = static_cast<int>(sql.indexOf(QLatin1String("Order By"), 0, ci));
    return reemplazar(sql.left(o), QStringLiteral("SELECT"), QStringLiteral("SELECT TOP 1"));
}

ListasCampos listasSinSeleccion(const QVector<CampoProbe>& campos, const QString& probe,
                                const QString& PrimaryKey, int16_t FormatDate) {
    ListasCampos r;
    r.columnasBusqueda << QStringLiteral("Todos");
    for (int i = 0; i < campos.size(); ++i) {
        const QString& n = campos[i].nombre;
        const int t = campos[i].tipo;
        if (t == 203 || t == 205) continue;
        r.columnasBusqueda << n;
        const bool primeroT = r.mCamposTodos.isEmpty();
        const bool primeroC = r.Campos.isEmpty();
        if (t == 135) {
            r.mColFechas += QStringLiteral("|%1|").arg(i);
            r.mCamposTodos +=
                (primeroT ? QStringLiteral("[") : QStringLiteral(",[")) + n + QStringLiteral("]");
            r.Campos +=
                (primeroC ? QStringLiteral(" CONVERT(NVARCHAR,[") : QStringLiteral(", CONVERT(NVARCHAR,[")) +
                n + QStringLiteral("],") + QString::number(FormatDate) + QStringLiteral(") AS [") + n +
                QStringLiteral("]");
        } else if (t == 131 || t == 6) {
            r.mCamposTodos +=
                (primeroT ? QStringLiteral("[") : QStringLiteral(",[")) + n + QStringLiteral("]");
            if (tiene(probe, n + QStringLiteral(" AS ")) ||
                tiene(probe, QStringLiteral(" AS [") + n + QStringLiteral("]")))
                r.Campos +=
                    (primeroC ? QStringLiteral("[") : QStringLiteral(", [")) + n + QStringLiteral("]");
            else
                r.Campos += (primeroC ? QStringLiteral(" CONVERT(decimal(10\u00e22),[")
                                      : QStringLiteral(", CONVERT(Decimal(10\u00e22),[")) +
                            n + QStringLiteral("]) AS [") + n + QStringLiteral("]");
        } else {
            r.mCamposTodos +=
                (primeroT ? QStringLiteral("[") : QStringLiteral(", [")) + n + QStringLiteral("]");
            r.Campos += (primeroC ? QStringLiteral("[") : QStringLiteral(", [")) + n + QStringLiteral("]");
        }
    }
    if (!r.mCamposTodos.contains(QLatin1String("[ID],"), ci) &&
        !r.mCamposTodos.contains(QLatin1String(", [ID]"), ci)) {
        const QString k = PrimaryKey.isEmpty() ? QStringLiteral("ID") : PrimaryKey;
        r.mCamposTodos += (r.mCamposTodos.isEmpty() ? QString() : QStringLiteral(", ")) + k;
        r.Campos += (r.Campos.isEmpty() ? QString() : QStringLiteral(", ")) + k;
    }
    return r;
}

ListasCampos listasConSeleccion(const QVector<CampoProbe>& campos, const QString& PrimaryKey,
                                int16_t FormatDate, const QString& mCamposVista) {
    ListasCampos r;
    for (const auto& c : campos) {
        const QString& n = c.nombre;
        if (c.tipo == 203 || c.tipo == 205) continue;
        if (c.tipo == 135) {
            r.mCamposTodos += (r.mCamposTodos.isEmpty() ? QStringLiteral("[") : QStringLiteral(",[")) + n +
                              QStringLiteral("]");
            r.Campos += (r.Campos.isEmpty() ? QStringLiteral("convert(nvarchar,[")
                                            : QStringLiteral(",convert(nvarchar,[")) +
                        n + QStringLiteral("],") + QString::number(FormatDate) + QStringLiteral(") as [") +
                        n + QStringLiteral("]");
        } else {
            r.mCamposTodos += (r.mCamposTodos.isEmpty() ? QStringLiteral("[") : QStringLiteral(", [")) + n +
                              QStringLiteral("]");
            r.Campos +=
                (r.Campos.isEmpty() ? QStringLiteral("[") : QStringLiteral(", [")) + n + QStringLiteral("]");
        }
    }
    if (!r.mCamposTodos.contains(QLatin1String("[ID],"), ci)) {
        const QString k = PrimaryKey.isEmpty() ? QStringLiteral("ID") : PrimaryKey;
        r.Campos += (r.Campos.isEmpty() ? QString() : QStringLiteral(", ")) + k;
        r.mCamposTodos += (r.mCamposTodos.isEmpty() ? QString() : QStringLiteral(", ")) + k;
    }
    r.columnasBusqueda << QStringLiteral("Todos");
    for (QString pieza :
         QString(mCamposVista).replace(QStringLiteral(", "), QStringLiteral("|")).split(QLatin1Char('|'))) {
        pieza.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        if (!pieza.trimmed().isEmpty()) r.columnasBusqueda << pieza;
    }
    if (r.columnasBusqueda.size() > 1) r.columnasBusqueda.removeLast(); // the key column
    return r;
}

QString listaParaPagina(EstadoConsulta& e) {
    if (!e.CamposSel.isEmpty()) {
        e.CamposSel.replace(QLatin1Char(','), QLatin1Char('|'));
        return e.CamposSel;
    }
    e.Campos = reemplazar(e.Campos, QStringLiteral("Decimal(10,2)"), QStringLiteral("Decimal(10\u00e22)"));
    e.Campos.replace(QLatin1Char(','), QLatin1Char('|'));
    e.Campos.replace(QChar(0x00e2), QLatin1Char(','));
    return e.Campos;
}

QString sentenciaPagina(EstadoConsulta& e, int pagina) {
    const QString lista = listaParaPagina(e);
    QString s = QStringLiteral("SELECT ") + QStringLiteral(" ") + ArmarListaCampos(e.mEquivalencias, lista) +
                QStringLiteral(" ") + ArmarFromPaginado(e, pagina) + e.mWhere + QStringLiteral(" ") +
                ordenTotal(e);
    if (tiene(e.sql, QStringLiteral("exec ")) || tiene(e.sql, QStringLiteral(" join ")) ||
        tiene(e.sql, QStringLiteral(" group by ")))
        s = e.sql;
    return s.replace(QLatin1Char('|'), QLatin1Char(','));
}

QString sentenciaDeConteo(const EstadoConsulta& e) {
    if (e.mFiltro.isEmpty()) return e.sql;
    QString s;
    const int o = static_cast<int>(e.sql.indexOf(QLatin1String("Order by"), 0, ci));
    if (o >= 0) {
        s = e.sql.left(o);
    } else {
        const int f = static_cast<int>(e.sql.indexOf(QLatin1String(" FROM"), 0, ci));
        s = QStringLiteral("SELECT ") +
            ArmarListaCampos(e.mEquivalencias, e.CamposSel.isEmpty() ? e.Campos : e.CamposSel) + e.sql.mid(f);
    }
    s += tiene(e.sql, QStringLiteral("Where")) ? QStringLiteral(" and ") + e.mFiltro
                                               : QStringLiteral(" where ") + e.mFiltro;
    return s.replace(QLatin1Char('|'), QLatin1Char(','));
}

bool leerFechaBusqueda(const QString& texto, QString& comoSql) {
    static const QRegularExpression dmy(
        QStringLiteral(R"(^\s*(\d{1,2})[/.-](\d{1,2})[/.-](\d{2}|\d{4})\s*$)"));
    static const QRegularExpression iso(QStringLiteral(R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})\s*$)"));
    QDate f;
    if (auto m = dmy.match(texto); m.hasMatch()) {
        int a = m.captured(3).toInt();
        if (a < 100) a += a < 30 ? 2000 : 1900;
        f = QDate(a, m.captured(2).toInt(), m.captured(1).toInt());
    } else if (auto n = iso.match(texto); n.hasMatch()) {
        f = QDate(n.captured(1).toInt(), n.captured(2).toInt(), n.captured(3).toInt());
    }
    if (!f.isValid()) return false;
    // yyyymmdd with style 112 is read the same whatever the server's date format.
    comoSql = QStringLiteral("CONVERT(datetime, '") + f.toString(QStringLiteral("yyyyMMdd")) +
              QStringLiteral("', 112)");
    return true;
}

QString condicionBusqueda(const EstadoConsulta& e, const QString& texto, const QString& columna,
                          int indiceColumna, const QStringList& encabezados, bool& fechaInvalida) {
    fechaInvalida = false;
    auto esFecha = [&](int pos) { return e.mColFechas.contains(QStringLiteral("|%1|").arg(pos)); };
    auto parecido = [&](const QString& expr) {
        return QStringLiteral(" CONVERT(NVARCHAR,") + expr + QStringLiteral(") LIKE '%") + comillas(texto) +
               QStringLiteral("%'");
    };
    QString fechaSql;
    const bool esTextoFecha = leerFechaBusqueda(texto, fechaSql);
    if (columna.compare(QLatin1String("Todos"), ci) != 0) {
        const QString expr =
            EquiCampo(e.mEquivalencias, QLatin1Char('[') + columna + QLatin1Char(']'), false);
        if (esFecha(indiceColumna - 1)) {
            if (!esTextoFecha) {
                fechaInvalida = true;
                return {};
            }
            return QStringLiteral(" ") + expr + QStringLiteral(" = ") + fechaSql;
        }
        return parecido(expr);
    }
    QString r = QStringLiteral(" (");
    bool primero = true;
    for (int i = 1; i < encabezados.size(); ++i) {
        const QString expr =
            EquiCampo(e.mEquivalencias, QLatin1Char('[') + encabezados[i] + QLatin1Char(']'), false);
        QString parte;
        if (esFecha(i - 1)) {
            if (!esTextoFecha) continue;
            parte = QStringLiteral(" ") + expr + QStringLiteral(" = ") + fechaSql;
        } else {
            parte = parecido(expr);
        }
        r += (primero ? QString() : QStringLiteral(" or ")) + parte;
        primero = false;
    }
    // Every column a date and the text none: nothing can match.
    if (primero) r += QStringLiteral("1 = 0");
    return r + QStringLiteral(") ");
}

} // namespace grid
