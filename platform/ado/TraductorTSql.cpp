#include "platform/ado/TraductorTSql.h"
#include "platform/Intercalacion.h"
#include "platform/ado/LexicoTSql.h"
#include "platform/ado/Tipos.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>
#include <optional>

namespace ado::tsql {

namespace {

// `fuenteExterna`: the source of the enclosing level, for the column types of
// a parenthesised condition.
Toks transformar(const Toks& t, size_t a, size_t b, bool enCondicion = false,
                 const QString& fuenteExterna = {});

const Opciones* gOpciones = nullptr;

Toks significativos(const Toks& t, size_t a, size_t b);
bool esNombre(const Tok& k);
bool esTipoTextoDeclarado(const QString& w);

// The declared type of `expr` when it is one column of `fuente`; empty otherwise.
QString tipoColumna(const Toks& expr, const QString& fuente) {
    if (!gOpciones || !gOpciones->tipoDeColumna || fuente.isEmpty()) return {};
    const Tok* unico = nullptr;
    for (const Tok& k : expr) {
        if (!k.significativo()) continue;
        if (unico || (k.t != TT::Palabra && k.t != TT::Ident)) return {};
        unico = &k;
    }
    if (!unico) return {};
    return gOpciones->tipoDeColumna(fuente, nombreSinCorchetes(*unico));
}

// Can built-ins give the text CONVERT(NVARCHAR(largo), x) gives, for a column
// of this declared type? Integers and texts do (longer texts cut with substr);
// numbers with decimals and dates go through the conversion function.
enum class Nativo { No, Cast, Cortado };
Nativo textoNativo(const QString& declarado, int largo) {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(\w+)\s*(?:\(\s*(\d+)\s*(?:,\s*(\d+)\s*)?\))?\s*$)"));
    const auto m = re.match(declarado);
    if (!m.hasMatch()) return Nativo::No;
    const QString base = m.captured(1).toLower();
    static const QStringList enteros = {QStringLiteral("int"),     QStringLiteral("integer"),
                                        QStringLiteral("bigint"),  QStringLiteral("smallint"),
                                        QStringLiteral("tinyint"), QStringLiteral("bit")};
    if (enteros.contains(base)) return Nativo::Cast;
    if (base == QLatin1String("numeric") || base == QLatin1String("decimal"))
        return !m.captured(2).isEmpty() && m.captured(3).toInt() == 0 ? Nativo::Cast // stored as integers
                                                                      : Nativo::No;
    static const QStringList textos = {QStringLiteral("varchar"), QStringLiteral("nvarchar"),
                                       QStringLiteral("char"),    QStringLiteral("nchar"),
                                       QStringLiteral("text"),    QStringLiteral("ntext")};
    if (!textos.contains(base)) return Nativo::No;
    return largo == 0 || (!m.captured(2).isEmpty() && m.captured(2).toInt() <= largo) ? Nativo::Cast
                                                                                      : Nativo::Cortado;
}

// CONVERT(NVARCHAR, column) LIKE 'pattern' (the CONVERT's ")" at `fin`) that
// no value of the column can match: the pattern holds a character no
// integer's text has, or needs more characters than the column holds. The
// literal's index, or b. A search in every column then skips converting the
// numbers and the short codes of a million rows to look for a name among them.
size_t likeImposible(const Toks& t, size_t fin, size_t b, const QString& tipo, const QString& tipoExpr) {
    static const QRegularExpression texto(QStringLiteral(R"(^\s*n?varchar\s*(?:\(\s*(\d+|max)\s*\))?\s*$)"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression entero(
        QStringLiteral(
            R"(^\s*(int|integer|bigint|smallint|tinyint|bit|(numeric|decimal)\s*\(\s*([1-9]|1[0-8])\s*,\s*0\s*\))\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression corto(QStringLiteral(R"(^\s*n?(?:var)?char\s*\(\s*(\d+)\s*\)\s*$)"),
                                          QRegularExpression::CaseInsensitiveOption);
    const auto conv = texto.match(tipo);
    if (tipoExpr.isEmpty() || !conv.hasMatch()) return b;
    const size_t l = sig(t, fin + 1, b);
    if (l >= b || !t[l].es("LIKE")) return b;
    const size_t c = sig(t, l + 1, b);
    if (c >= b || t[c].t != TT::Cadena || t[c].s.size() < 2) return b;
    const size_t d = sig(t, c + 1, b);
    if (d < b && t[d].es("ESCAPE")) return b;
    const QString patron =
        t[c].s.mid(1, t[c].s.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    // "[" opens a character class on SQL Server: left to the plain translation.
    if (patron.contains(QLatin1Char('['))) return b;
    if (entero.match(tipoExpr).hasMatch()) {
        for (const QChar ch : patron)
            if (!ch.isDigit() && !QStringLiteral("-%_").contains(ch)) return c;
        return b;
    }
    if (const auto m = corto.match(tipoExpr); m.hasMatch()) {
        int cabe = m.captured(1).toInt();
        const QString largo = conv.captured(1);
        if (largo.isEmpty())
            cabe = qMin(cabe, 30);
        else if (largo.compare(QLatin1String("max"), Qt::CaseInsensitive) != 0)
            cabe = qMin(cabe, largo.toInt());
        if (patron.size() - patron.count(QLatin1Char('%')) > cabe) return c;
    }
    return b;
}

// CONVERT(type, expr [, style]) and CAST(expr AS type) in the engine's terms;
// `tipoExpr` is the declared type of expr when it is a column.
Toks conversion(const QString& tipoTexto, const Toks& expr, const QString& estilo,
                const QString& tipoExpr = {}) {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(\w+)\s*(?:\(\s*(\w+)\s*(?:,\s*(\d+)\s*)?\))?\s*$)"));
    const auto m = re.match(tipoTexto);
    const QString base = m.captured(1).toLower();
    const QString a1 = m.captured(2);
    const QString a2 = m.captured(3);
    Toks r;
    auto llamada = [&](const char* fn, const QStringList& extra) {
        r.push_back(palabra(fn));
        r.push_back(simbolo("("));
        agregar(r, expr);
        for (const auto& e : extra) {
            r.push_back(simbolo(","));
            r.push_back({TT::Numero, e});
        }
        r.push_back(simbolo(")"));
    };
    auto cast = [&](const char* tipo) {
        r.push_back(palabra("CAST"));
        r.push_back(simbolo("("));
        agregar(r, expr);
        r.push_back(blanco());
        r.push_back(palabra("AS"));
        r.push_back(blanco());
        r.push_back(palabra(tipo));
        r.push_back(simbolo(")"));
    };
    if (base == QLatin1String("varchar") || base == QLatin1String("nvarchar") ||
        base == QLatin1String("char") || base == QLatin1String("nchar") || base == QLatin1String("text") ||
        base == QLatin1String("ntext")) {
        QString largo = a1.isEmpty() ? QStringLiteral("30") : a1;
        if (largo.compare(QLatin1String("max"), Qt::CaseInsensitive) == 0) largo = QStringLiteral("0");
        // The built-ins cost a fraction of a function call in a search's full scan.
        const Nativo nativo = (estilo.isEmpty() || estilo == QLatin1String("0")) && !tipoExpr.isEmpty()
                                  ? textoNativo(tipoExpr, largo.toInt())
                                  : Nativo::No;
        if (nativo == Nativo::Cast) {
            cast("TEXT");
        } else if (nativo == Nativo::Cortado) {
            // Only a text longer than the conversion pays for a copy.
            r.push_back({TT::Simbolo, QStringLiteral("(CASE WHEN length(")});
            agregar(r, expr);
            r.push_back({TT::Simbolo, QStringLiteral(") <= ") + largo + QStringLiteral(" THEN ")});
            cast("TEXT");
            r.push_back({TT::Simbolo, QStringLiteral(" ELSE substr(")});
            cast("TEXT");
            r.push_back({TT::Simbolo, QStringLiteral(",1,") + largo + QStringLiteral(") END)")});
        } else {
            llamada("kv_texto", {estilo.isEmpty() ? QStringLiteral("0") : estilo, largo});
        }
    } else if (base == QLatin1String("decimal") || base == QLatin1String("numeric")) {
        r.push_back(palabra("ROUND"));
        r.push_back(simbolo("("));
        cast("REAL");
        r.push_back(simbolo(","));
        r.push_back({TT::Numero, a2.isEmpty() ? QStringLiteral("0") : a2});
        r.push_back(simbolo(")"));
    } else if (base == QLatin1String("money") || base == QLatin1String("smallmoney")) {
        r.push_back(palabra("ROUND"));
        r.push_back(simbolo("("));
        cast("REAL");
        r.push_back(simbolo(","));
        r.push_back({TT::Numero, QStringLiteral("4")});
        r.push_back(simbolo(")"));
    } else if (base == QLatin1String("int") || base == QLatin1String("integer") ||
               base == QLatin1String("bigint") || base == QLatin1String("smallint") ||
               base == QLatin1String("tinyint") || base == QLatin1String("bit")) {
        cast("INTEGER");
    } else if (base == QLatin1String("float") || base == QLatin1String("real")) {
        cast("REAL");
    } else if (base == QLatin1String("datetime") || base == QLatin1String("smalldatetime") ||
               base == QLatin1String("date") || base == QLatin1String("datetime2")) {
        llamada("kv_fecha", {estilo.isEmpty() ? QStringLiteral("0") : estilo});
    } else {
        r.push_back(simbolo("("));
        agregar(r, expr);
        r.push_back(simbolo(")"));
    }
    return r;
}

// The key a source is read in when a TOP has no ORDER BY (see traducirLote).
const ClaveDeOrden* gClaveDeOrden = nullptr;

// What one SELECT level holds, to know whether its TOP needs an order.
struct Nivel {
    bool condicion = false; // inside WHERE, ON or HAVING
    bool orden = false;
    bool agrupado = false;
    bool distinto = false;
    bool multiples = false;
    bool trasFrom = false;
    QString fuente;
    QString fuenteLista; // the source named after the FROM still to come, for the SELECT list
};

const char* const kNocase = "NOCASE";

bool conIntercalaciones() {
    return gOpciones && gOpciones->intercalacionDeColumna;
}

// What a literal compares under: NOCASE, which the indexes of text columns
// are built with, where it finds the same rows as the Spanish rule; the rule
// otherwise. An ordering (<, >) always takes the rule: NOCASE puts accented
// letters after z.
const char* intercalacionDeLiteral(const QString& literal, bool ordena) {
    if (ordena) return kIntercalacionEspanol;
    return plataforma::intercalacion::bastaNocase(QStringView(literal).mid(1, literal.size() - 2))
               ? kNocase
               : kIntercalacionEspanol;
}

bool esComparacion(const Tok* k) {
    static const char* comparaciones[] = {"=", "<>", "!=", "<", ">", "<=", ">="};
    if (!k || k->t != TT::Simbolo) return false;
    for (const char* c : comparaciones)
        if (k->s == QLatin1String(c)) return true;
    return false;
}

// The source a SELECT reads, looked for from `desde` on: the name after its
// FROM, or what the SELECT of a derived table reads.
QString fuenteAdelante(const Toks& t, size_t desde, size_t b) {
    int prof = 0;
    for (size_t i = desde; i < b; ++i) {
        const Tok& k = t[i];
        if (k.sim('(')) {
            ++prof;
        } else if (k.sim(')')) {
            if (--prof < 0) return {};
        } else if (prof == 0 && (k.es("UNION") || k.es("EXCEPT") || k.es("INTERSECT"))) {
            return {};
        } else if (prof == 0 && k.es("FROM")) {
            size_t j = sig(t, i + 1, b);
            if (const size_t punto = j < b ? prefijoDbo(t, j, b) : b; punto < b) j = sig(t, punto + 1, b);
            if (j >= b) return {};
            if (t[j].t == TT::Palabra || t[j].t == TT::Ident) return t[j].s;
            const size_t s = sig(t, j + 1, b);
            if (t[j].sim('(') && s < b && t[s].es("SELECT")) return fuenteAdelante(t, s + 1, cierre(t, j, b));
            return {};
        }
    }
    return {};
}

QString fuenteDe(const Nivel& nivel, const QString& fuenteExterna) {
    if (!nivel.fuente.isEmpty()) return nivel.fuente;
    return nivel.fuenteLista.isEmpty() ? fuenteExterna : nivel.fuenteLista;
}

// The collation sorting or grouping by the expression [a, b) compares under;
// empty when nothing is to be added (no text, a position, a COLLATE of its own).
QString intercalacionDeExpresion(const Toks& t, size_t a, size_t b, const Nivel& nivel,
                                 const QString& fuente) {
    const Toks q = significativos(t, a, b);
    if (q.empty()) return {};
    for (const Tok& k : q)
        if (k.es("COLLATE")) return {};
    if (q.size() == 1 && (q[0].t == TT::Numero || q[0].t == TT::Cadena)) return {};
    const Tok* nombre = nullptr;
    if (q.size() == 1 && esNombre(q[0]))
        nombre = &q[0];
    else if (q.size() == 3 && esNombre(q[0]) && q[1].sim('.') && esNombre(q[2]) && !nivel.multiples)
        nombre = &q[2];
    if (!nombre || fuente.isEmpty()) return QString::fromLatin1(kIntercalacionEspanol);
    QString n = nombre->s;
    if (nombre->t == TT::Ident) n = n.mid(1, n.size() - 2);
    return gOpciones->intercalacionDeColumna(fuente, n);
}

// Where the list after ORDER BY or GROUP BY at `a` ends.
size_t finDeLista(const Toks& t, size_t a, size_t b) {
    static const char* finales[] = {"LIMIT",  "OFFSET",    "HAVING", "ORDER", "UNION",
                                    "EXCEPT", "INTERSECT", "FOR",    "OPTION"};
    int prof = 0;
    for (size_t i = a; i < b; ++i) {
        if (t[i].sim('('))
            ++prof;
        else if (t[i].sim(')'))
            --prof;
        else if (prof == 0 && t[i].t == TT::Palabra)
            for (const char* w : finales)
                if (t[i].es(w)) return i;
    }
    return b;
}

// The items at depth 0 of the list [a, b), split at its commas.
std::vector<std::pair<size_t, size_t>> itemsDeLista(const Toks& t, size_t a, size_t b) {
    std::vector<std::pair<size_t, size_t>> r;
    int prof = 0;
    size_t desde = a;
    for (size_t i = a; i <= b; ++i) {
        if (i < b && t[i].sim('('))
            ++prof;
        else if (i < b && t[i].sim(')'))
            --prof;
        else if (i == b || (prof == 0 && t[i].sim(','))) {
            r.push_back({desde, i});
            desde = i + 1;
        }
    }
    return r;
}

// Where a TOP clause starts, what it limits to.
struct Tope {
    Toks limite;
    bool porcentaje = false;
    size_t inicioMiembro = 0; // index in the output where this SELECT begins
};

void cerrarTope(Toks& out, std::optional<Tope>& tope, bool envolver, const Nivel& nivel) {
    if (!tope) return;
    // SQL Server reads a table in its clustered key's order; SQLite may read
    // it through any index. Pages built with TOP ... NOT IN (SELECT TOP ...)
    // only fit together when both reads share one order, so a TOP without
    // ORDER BY over one table or view reads in the source's key order.
    if (!nivel.orden && !nivel.agrupado && !nivel.distinto && !nivel.multiples && !nivel.fuente.isEmpty() &&
        gClaveDeOrden && *gClaveDeOrden) {
        const QString clave = (*gClaveDeOrden)(nivel.fuente);
        if (!clave.isEmpty()) {
            out.push_back(blanco());
            out.push_back({TT::Palabra, QStringLiteral("ORDER BY ") + clave});
        }
    }
    if (tope->porcentaje) {
        const bool todo = unir(tope->limite).trimmed() == QLatin1String("100");
        if (!todo) {
            // LIMIT (SELECT ceil(count * p / 100) FROM (member))
            Toks miembro(out.begin() + static_cast<long>(tope->inicioMiembro), out.end());
            Toks lim;
            lim.push_back(blanco());
            lim.push_back(palabra("LIMIT"));
            lim.push_back(blanco());
            lim.push_back({TT::Simbolo, QStringLiteral("(SELECT CAST((COUNT(*) * (")});
            agregar(lim, tope->limite);
            lim.push_back({TT::Simbolo, QStringLiteral(") + 99) / 100 AS INTEGER) FROM (")});
            agregar(lim, miembro);
            lim.push_back({TT::Simbolo, QStringLiteral("))")});
            if (envolver) {
                Toks nuevo(out.begin(), out.begin() + static_cast<long>(tope->inicioMiembro));
                nuevo.push_back({TT::Simbolo, QStringLiteral("SELECT * FROM (")});
                agregar(nuevo, miembro);
                agregar(nuevo, lim);
                nuevo.push_back({TT::Simbolo, QStringLiteral(") ")});
                out = std::move(nuevo);
            } else {
                agregar(out, lim);
            }
        }
        tope.reset();
        return;
    }
    Toks lim;
    lim.push_back(blanco());
    lim.push_back(palabra("LIMIT"));
    lim.push_back(blanco());
    agregar(lim, tope->limite);
    if (envolver) {
        // SQLite takes LIMIT only at the end of a compound select: the member is wrapped.
        Toks nuevo(out.begin(), out.begin() + static_cast<long>(tope->inicioMiembro));
        nuevo.push_back({TT::Simbolo, QStringLiteral("SELECT * FROM (")});
        nuevo.insert(nuevo.end(), out.begin() + static_cast<long>(tope->inicioMiembro), out.end());
        agregar(nuevo, lim);
        nuevo.push_back({TT::Simbolo, QStringLiteral(") ")});
        out = std::move(nuevo);
    } else {
        agregar(out, lim);
        out.push_back(blanco());
    }
    tope.reset();
}

// "+" at `i` joins texts, as on SQL Server, when an operand beside it is a
// literal text or a text column of the source; SQLite's "+" only adds.
bool sumaDeTextos(const Toks& t, size_t i, size_t b, const QString& fuente) {
    auto esTexto = [&](size_t j) {
        if (j >= b) return false;
        if (t[j].t == TT::Cadena) return true;
        if (!esNombre(t[j]) || fuente.isEmpty() || !gOpciones || !gOpciones->tipoDeColumna) return false;
        QString n = t[j].s;
        if (t[j].t == TT::Ident) n = n.mid(1, n.size() - 2);
        const QString tipo = gOpciones->tipoDeColumna(fuente, n);
        return !tipo.isEmpty() && esTipoTextoDeclarado(tipo.section(QLatin1Char('('), 0, 0).trimmed());
    };
    size_t antes = b;
    for (size_t j = i; j-- > 0;)
        if (t[j].significativo()) {
            antes = j;
            break;
        }
    return esTexto(antes) || esTexto(sig(t, i + 1, b));
}

// ORDER BY or GROUP BY at `i` (its BY at `by`): each item sorts or groups
// under the collation of the Spanish rule (NOCASE for a column whose values
// order alike under it, nothing for a column without text). The index of the
// list's last token.
size_t ordenarOAgrupar(const Toks& t, size_t i, size_t by, size_t b, const Nivel& nivel,
                       const QString& fuente, Toks& out) {
    out.push_back(t[i]);
    out.push_back(blanco());
    out.push_back(t[by]);
    out.push_back(blanco());
    const size_t fin = finDeLista(t, by + 1, b);
    bool primero = true;
    for (const auto& [x, y] : itemsDeLista(t, by + 1, fin)) {
        if (!primero) out.push_back(simbolo(","));
        size_t z = y; // the item without its direction
        for (size_t u = y; u-- > x;) {
            if (!t[u].significativo()) continue;
            if (t[u].es("ASC") || t[u].es("DESC")) z = u;
            break;
        }
        const QString col = intercalacionDeExpresion(t, x, z, nivel, fuente);
        Toks expr = transformar(t, x, z, false, fuente);
        while (!expr.empty() && !expr.back().significativo())
            expr.pop_back();
        while (!expr.empty() && !expr.front().significativo())
            expr.erase(expr.begin());
        if (!primero) out.push_back(blanco());
        primero = false;
        const Toks q = significativos(t, x, z);
        const bool nombre = q.size() == 1 || (q.size() == 3 && q[1].sim('.'));
        if (!col.isEmpty() && !nombre) out.push_back(simbolo("("));
        agregar(out, expr);
        if (!col.isEmpty()) {
            if (!nombre) out.push_back(simbolo(")"));
            out.push_back({TT::Palabra, QStringLiteral(" COLLATE ") + col});
        }
        if (z < y) {
            out.push_back(blanco());
            out.insert(out.end(), t.begin() + static_cast<long>(z), t.begin() + static_cast<long>(y));
        }
    }
    out.push_back(blanco());
    return fin - 1;
}

// "x IN (list)" with a literal NOCASE would not match as the rule does: the
// whole comparison takes the rule's collation (inserted before IN or NOT IN).
void intercalarLista(const Toks& t, size_t i, size_t b, Toks& out) {
    const size_t p = sig(t, i + 1, b);
    if (p >= b || !t[p].sim('(')) return;
    const size_t c = cierre(t, p, b);
    const size_t primero = sig(t, p + 1, c);
    if (primero >= c || t[primero].es("SELECT")) return;
    bool regla = false;
    for (size_t x = p + 1; x < c; ++x)
        if (t[x].t == TT::Cadena && intercalacionDeLiteral(t[x].s, false) != kNocase) regla = true;
    if (!regla) return;
    size_t donde = out.size();
    for (size_t x = out.size(); x-- > 0;) {
        if (!out[x].significativo()) continue;
        if (out[x].es("NOT")) donde = x;
        break;
    }
    out.insert(
        out.begin() + static_cast<long>(donde),
        {TT::Palabra, QStringLiteral(" COLLATE ") + QLatin1String(kIntercalacionEspanol) + QLatin1Char(' ')});
}

// MIN(column) or MAX(column) at `i` of a text column: the column takes the
// rule's collation. The index of its ")"; b when left as it is.
size_t extremoConIntercalacion(const Toks& t, size_t i, size_t b, const Nivel& nivel, const QString& fuente,
                               Toks& out) {
    const size_t p = sig(t, i + 1, b);
    if (p >= b || !t[p].sim('(')) return b;
    const size_t c = cierre(t, p, b);
    if (c >= b) return b;
    const Toks q = significativos(t, p + 1, c);
    if (q.empty() || !esNombre(q.back()) || !(q.size() == 1 || (q.size() == 3 && q[1].sim('.')))) return b;
    const QString col = intercalacionDeExpresion(t, p + 1, c, nivel, fuente);
    if (col.isEmpty()) return b;
    out.push_back(t[i]);
    out.push_back(t[p]);
    out.insert(out.end(), t.begin() + static_cast<long>(p + 1), t.begin() + static_cast<long>(c));
    out.push_back({TT::Palabra, QStringLiteral(" COLLATE ") + col});
    out.push_back(t[c]);
    return c;
}

// The list of a SELECT DISTINCT from `desde`: a text column whose values
// NOCASE would not tell apart as the rule does is written "c COLLATE rule AS
// c" (DISTINCT compares under an item's collation). The index of the last
// token taken; desde - 1 when the list is left to the main loop.
size_t listaDistinta(const Toks& t, size_t desde, size_t b, const Nivel& nivel, const QString& fuente,
                     Toks& out) {
    size_t from = desde;
    for (int prof = 0; from < b; ++from) {
        if (t[from].sim('('))
            ++prof;
        else if (t[from].sim(')'))
            --prof;
        else if (prof == 0 && (t[from].es("FROM") || t[from].es("UNION") || t[from].es("INTO")))
            break;
    }
    struct Item {
        size_t x, y;
        Tok columna, alias;
    };
    std::vector<Item> items;
    bool alguno = false;
    for (const auto& [x, y] : itemsDeLista(t, desde, from)) {
        Item it{x, y, {}, {}};
        const Toks q = significativos(t, x, y);
        const bool simple = !q.empty() && esNombre(q[0]) &&
                            (q.size() == 1 || (q.size() == 2 && esNombre(q[1])) ||
                             (q.size() == 3 && q[1].es("AS") && esNombre(q[2])));
        if (simple) {
            const size_t n = sig(t, x, y);
            if (intercalacionDeExpresion(t, n, n + 1, nivel, fuente) ==
                QLatin1String(kIntercalacionEspanol)) {
                it.columna = q[0];
                it.alias = q.back();
                alguno = true;
            }
        }
        items.push_back(it);
    }
    if (!alguno) return desde - 1;
    for (size_t k = 0; k < items.size(); ++k) {
        if (k) out.push_back(simbolo(","));
        const Item& it = items[k];
        if (it.columna.s.isEmpty()) {
            agregar(out, transformar(t, it.x, it.y, false, fuente));
            continue;
        }
        out.push_back(blanco());
        out.push_back(it.columna);
        out.push_back({TT::Palabra, QStringLiteral(" COLLATE ") + QLatin1String(kIntercalacionEspanol) +
                                        QStringLiteral(" AS ")});
        out.push_back(it.alias);
        if (k + 1 == items.size()) out.push_back(blanco());
    }
    return from - 1;
}

Toks transformar(const Toks& t, size_t a, size_t b, bool enCondicion, const QString& fuenteExterna) {
    Toks out;
    std::optional<Tope> tope;
    Nivel nivel;
    nivel.condicion = enCondicion;
    for (size_t i = a; i < b; ++i) {
        const Tok& k = t[i];
        if (k.t == TT::Palabra) {
            if (k.es("ORDER"))
                nivel.orden = true;
            else if (k.es("GROUP"))
                nivel.agrupado = true;
            else if (k.es("JOIN"))
                nivel.multiples = true;
            else if (k.es("WHERE") || k.es("HAVING") || k.es("ON")) {
                nivel.trasFrom = false;
                nivel.condicion = true;
            } else if (k.es("FROM")) {
                size_t j = sig(t, i + 1, b);
                if (j < b &&
                    (t[j].es("dbo") || t[j].s.compare(QLatin1String("[dbo]"), Qt::CaseInsensitive) == 0) &&
                    j + 1 < b && t[j + 1].sim('.'))
                    j = sig(t, j + 2, b);
                if (j < b && (t[j].t == TT::Palabra || t[j].t == TT::Ident)) nivel.fuente = t[j].s;
                nivel.trasFrom = true;
            }
        } else if (k.sim(',') && nivel.trasFrom) {
            nivel.multiples = true;
        }
        if (k.t == TT::FechaJet) {
            out.push_back({TT::Cadena, fechaJetComoTexto(k.s)});
            continue;
        }
        if (k.t == TT::Cadena && nivel.condicion && k.s.size() >= 2 && k.s.endsWith(QLatin1Char('\''))) {
            // A text compared in a condition follows the server's rules: letter
            // case is ignored, also against an expression such as LTRIM(RTRIM(c))
            // that carries no collation of its own, and so are trailing blanks
            // in an equality. The literal may stand on either side.
            const Tok* prev = ultimoSignificativo(out);
            const size_t n = sig(t, i + 1, b);
            // On the left it must be the whole operand: in "c + 'x' = ..." the collation goes right.
            const bool operandoEntero = !prev || prev->t == TT::Palabra || prev->sim('(') || prev->sim(',');
            const Tok* op = esComparacion(prev)                               ? prev
                            : operandoEntero && n < b && esComparacion(&t[n]) ? &t[n]
                                                                              : nullptr;
            if (op) {
                const bool igualdad = esIgualdad(op);
                const QString literal = igualdad ? sinBlancosFinales(k.s) : k.s;
                out.push_back({TT::Cadena, literal});
                out.push_back({TT::Palabra, QStringLiteral(" COLLATE ") +
                                                QLatin1String(intercalacionDeLiteral(literal, !igualdad))});
                continue;
            }
        }
        if (k.sim('(')) {
            const size_t fin = cierre(t, i, b);
            if (pistaSuelta(out, t, i, fin, b)) {
                i = fin;
                continue;
            }
            out.push_back(k);
            agregar(out, transformar(t, i + 1, fin, nivel.condicion,
                                     nivel.fuente.isEmpty() ? fuenteExterna : nivel.fuente));
            if (fin < b) out.push_back(t[fin]);
            i = fin;
            continue;
        }
        if (k.sim('+') && sumaDeTextos(t, i, b, fuenteDe(nivel, fuenteExterna))) {
            out.push_back({TT::Simbolo, QStringLiteral("||")});
            continue;
        }
        if (k.t != TT::Palabra && k.t != TT::Ident) {
            out.push_back(k);
            continue;
        }
        // WITH (NOLOCK) in any case and spacing.
        if (const size_t fin = pistasConWith(t, i, b); fin < b) {
            if (out.empty() || out.back().t != TT::Espacio) out.push_back(blanco());
            i = fin;
            continue;
        }
        // dbo.T and [dbo].T
        if (const size_t punto = prefijoDbo(t, i, b); punto < b) {
            i = punto;
            continue;
        }
        if ((k.es("ORDER") || k.es("GROUP")) && conIntercalaciones()) {
            const size_t by = sig(t, i + 1, b);
            if (by < b && t[by].es("BY")) {
                i = ordenarOAgrupar(t, i, by, b, nivel, fuenteDe(nivel, fuenteExterna), out);
                continue;
            }
        }
        if (k.es("IN") && nivel.condicion) {
            intercalarLista(t, i, b, out);
            out.push_back(k);
            continue;
        }
        if ((k.es("MIN") || k.es("MAX")) && conIntercalaciones()) {
            if (const size_t fin =
                    extremoConIntercalacion(t, i, b, nivel, fuenteDe(nivel, fuenteExterna), out);
                fin < b) {
                i = fin;
                continue;
            }
        }
        if (k.es("DELETE")) {
            const Tok* prev = ultimoSignificativo(out);
            const bool enDisparador = prev && (prev->es("ON") || prev->es("FOR") || prev->es("AFTER") ||
                                               prev->es("OF") || prev->es("BEFORE") || prev->sim(','));
            out.push_back(k);
            if (!enDisparador && deleteSinFrom(t, i, b)) {
                out.push_back(blanco());
                out.push_back(palabra("FROM"));
            }
            continue;
        }
        if (k.es("ISNULL")) {
            size_t j = sig(t, i + 1, b);
            if (j < b && t[j].sim('(')) {
                out.push_back({TT::Palabra, QStringLiteral("IFNULL")});
                continue;
            }
        }
        if (k.es("CONVERT") || k.es("CAST")) {
            size_t j = sig(t, i + 1, b);
            if (j < b && t[j].sim('(')) {
                const size_t fin = cierre(t, j, b);
                if (fin < b) {
                    if (k.es("CONVERT")) {
                        auto args = argumentos(t, j, fin);
                        if (args.size() >= 2) {
                            const QString tipo = unir(t, args[0].first, args[0].second);
                            Toks expr = transformar(t, args[1].first, args[1].second);
                            const QString estilo = args.size() > 2
                                                       ? unir(t, args[2].first, args[2].second).trimmed()
                                                       : QString();
                            const QString tipoExpr =
                                tipoColumna(expr, nivel.fuente.isEmpty() ? fuenteExterna : nivel.fuente);
                            if (nivel.condicion && estilo.isEmpty()) {
                                if (const size_t lit = likeImposible(t, fin, b, tipo, tipoExpr); lit < b) {
                                    // NULL stays NULL, anything else is false, as the LIKE would give.
                                    out.push_back(simbolo("("));
                                    agregar(out, expr);
                                    out.push_back({TT::Palabra, QStringLiteral(" IS NULL AND NULL")});
                                    out.push_back(simbolo(")"));
                                    i = lit;
                                    continue;
                                }
                            }
                            agregar(out, conversion(tipo, expr, estilo, tipoExpr));
                            i = fin;
                            continue;
                        }
                    } else {
                        // CAST(expr AS type): only the types SQLite would read otherwise.
                        const size_t as = asDelCast(t, j, fin);
                        if (as < fin) {
                            const QString tipo = unir(t, as + 1, fin).trimmed().toLower();
                            if (tipo.startsWith(QLatin1String("datetime")) || tipo == QLatin1String("date") ||
                                tipo.startsWith(QLatin1String("smalldatetime")) ||
                                tipo.startsWith(QLatin1String("decimal")) ||
                                tipo.startsWith(QLatin1String("numeric")) ||
                                tipo.startsWith(QLatin1String("money")) ||
                                tipo.startsWith(QLatin1String("varchar")) ||
                                tipo.startsWith(QLatin1String("nvarchar")) ||
                                tipo.startsWith(QLatin1String("char")) ||
                                tipo.startsWith(QLatin1String("nchar"))) {
                                Toks expr = transformar(t, j + 1, as);
                                agregar(out, conversion(unir(t, as + 1, fin), expr, QString()));
                                i = fin;
                                continue;
                            }
                        }
                    }
                }
            }
        }
        if (k.es("UNION") || k.es("EXCEPT") || k.es("INTERSECT")) {
            cerrarTope(out, tope, true, nivel);
            nivel = Nivel();
            out.push_back(k);
            continue;
        }
        if (k.es("SELECT")) {
            cerrarTope(out, tope, true, nivel);
            {
                size_t d = sig(t, i + 1, b);
                nivel.distinto = d < b && t[d].es("DISTINCT");
            }
            const size_t inicio = out.size();
            out.push_back(k);
            size_t ultimo = i;
            size_t j = sig(t, i + 1, b);
            if (j < b && (t[j].es("DISTINCT") || t[j].es("ALL"))) {
                out.push_back(blanco());
                out.push_back(t[j]);
                ultimo = j;
                j = sig(t, j + 1, b);
            }
            if (j < b && t[j].es("TOP")) {
                Tope nuevo;
                nuevo.inicioMiembro = inicio;
                const ClausulaTop c = leerTop(t, j, b);
                nuevo.limite = limiteDeTop(t, c, b, [&](size_t x, size_t y) { return transformar(t, x, y); });
                nuevo.porcentaje = c.porcentaje;
                out.push_back(blanco());
                tope = std::move(nuevo);
                i = c.fin;
            } else {
                i = ultimo;
            }
            nivel.fuenteLista = fuenteAdelante(t, i + 1, b);
            if (nivel.distinto && conIntercalaciones())
                i = listaDistinta(t, i + 1, b, nivel, fuenteDe(nivel, fuenteExterna), out);
            continue;
        }
        out.push_back(k);
    }
    cerrarTope(out, tope, false, nivel);
    return out;
}

// ---- the paged grid's page statements read by offset

// Significant tokens only: the rewriting matches on them and writes them
// back separated by blanks.
Toks significativos(const Toks& t, size_t a, size_t b) {
    Toks r;
    for (size_t i = a; i < b && i < t.size(); ++i)
        if (t[i].significativo()) r.push_back(t[i]);
    return r;
}

Toks conBlancos(const Toks& q) {
    Toks r;
    for (const Tok& k : q) {
        if (!r.empty()) r.push_back(blanco());
        r.push_back(k);
    }
    return r;
}

// One text per token sequence, for comparing two pieces of a statement.
QString normal(const Toks& t, size_t a, size_t b) {
    QStringList partes;
    for (size_t i = a; i < b && i < t.size(); ++i)
        partes << (t[i].t == TT::Cadena ? t[i].s : t[i].s.toLower());
    return partes.join(QLatin1Char(' '));
}

bool esNombre(const Tok& k) {
    return k.t == TT::Palabra || k.t == TT::Ident;
}

// Index of the depth-0 "ORDER BY" in [a, b); b when none.
size_t ordenEn(const Toks& q, size_t a, size_t b) {
    int prof = 0;
    for (size_t i = a; i + 1 < b; ++i) {
        if (q[i].sim('('))
            ++prof;
        else if (q[i].sim(')'))
            --prof;
        else if (prof == 0 && q[i].es("ORDER") && q[i + 1].es("BY"))
            return i;
    }
    return b;
}

// The conjuncts of a condition joined by AND at depth 0, normalised and
// sorted; nothing when the condition holds a depth-0 OR or BETWEEN (whose
// AND is no conjunction) or an empty conjunct.
std::optional<QStringList> conjunciones(const Toks& q, size_t a, size_t b) {
    QStringList r;
    int prof = 0;
    size_t desde = a;
    for (size_t i = a; i <= b; ++i) {
        if (i < b && q[i].sim('(')) {
            ++prof;
            continue;
        }
        if (i < b && q[i].sim(')')) {
            --prof;
            continue;
        }
        if (i < b && prof == 0 && (q[i].es("OR") || q[i].es("BETWEEN"))) return std::nullopt;
        if (i == b || (prof == 0 && q[i].es("AND"))) {
            if (i == desde) return std::nullopt;
            r << normal(q, desde, i);
            desde = i + 1;
        }
    }
    r.sort();
    return r;
}

// Does the ORDER BY list [a, b) hold the key K as one of its items?
bool ordenConClave(const Toks& q, size_t a, size_t b, const Tok& K) {
    int prof = 0;
    size_t desde = a;
    for (size_t i = a; i <= b; ++i) {
        if (i < b && q[i].sim('('))
            ++prof;
        else if (i < b && q[i].sim(')'))
            --prof;
        else if (i == b || (prof == 0 && q[i].sim(','))) {
            size_t fin = i;
            if (fin > desde && (q[fin - 1].es("DESC") || q[fin - 1].es("ASC"))) --fin;
            if (fin == desde + 1 && esNombre(q[desde]) &&
                nombreSinCorchetes(q[desde]) == nombreSinCorchetes(K))
                return true;
            desde = i + 1;
        }
    }
    return false;
}

// SELECT list FROM (SELECT TOP n * FROM T WHERE K NOT IN (SELECT TOP s K FROM T
// [WHERE w] ORDER BY o) [AND w...] ORDER BY o) [AS] Paginacion rest
// becomes
// SELECT list FROM (SELECT * FROM T WHERE K IN (SELECT K FROM T [WHERE w]
// ORDER BY o LIMIT n OFFSET s) ORDER BY o) AS Paginacion rest.
// Both give rows s+1 ... s+n of T filtered by w in the order o when o is total
// (it names the key K) and the outer conditions are those of the sub-select.
// The keys come first from the narrowest index that serves the order; only
// the page's rows are then read whole.
std::optional<Toks> paginaPorDesplazamiento(const Toks& s) {
    const Toks q = significativos(s, 0, s.size());
    const size_t n = q.size();
    size_t i = 0;
    if (n < 30 || !q[0].es("SELECT")) return std::nullopt;
    size_t from = n;
    int prof = 0;
    for (size_t j = 1; j < n; ++j) {
        if (q[j].sim('('))
            ++prof;
        else if (q[j].sim(')'))
            --prof;
        else if (prof == 0 && q[j].es("FROM")) {
            from = j;
            break;
        }
    }
    if (from >= n - 1 || !q[from + 1].sim('(')) return std::nullopt;
    const size_t p = from + 1;
    const size_t cp = cierre(q, p, n);
    if (cp >= n) return std::nullopt;
    size_t x = cp + 1;
    if (x < n && q[x].es("AS")) ++x;
    if (x >= n || !q[x].es("Paginacion")) return std::nullopt;
    const size_t cola = x + 1;
    // SELECT TOP n * FROM T WHERE K NOT IN (
    i = p + 1;
    if (i + 10 >= cp) return std::nullopt;
    auto es = [&](size_t k, const char* w) { return k < cp && q[k].es(w); };
    if (!es(i, "SELECT") || !es(i + 1, "TOP") || q[i + 2].t != TT::Numero || !q[i + 3].sim('*') ||
        !es(i + 4, "FROM") || !esNombre(q[i + 5]) || !es(i + 6, "WHERE") || !esNombre(q[i + 7]) ||
        !es(i + 8, "NOT") || !es(i + 9, "IN") || !q[i + 10].sim('('))
        return std::nullopt;
    bool ok = false;
    const qint64 tam = q[i + 2].s.toLongLong(&ok);
    if (!ok || tam < 0) return std::nullopt;
    const Tok& T = q[i + 5];
    const Tok& K = q[i + 7];
    const size_t a = i + 10;
    const size_t ca = cierre(q, a, cp);
    if (ca >= cp) return std::nullopt;
    // SELECT TOP s K FROM T [WHERE w] ORDER BY o )
    const size_t j = a + 1;
    if (j + 5 > ca || !q[j].es("SELECT") || !q[j + 1].es("TOP") || q[j + 2].t != TT::Numero ||
        !esNombre(q[j + 3]) || !q[j + 4].es("FROM") || !esNombre(q[j + 5]))
        return std::nullopt;
    const qint64 salto = q[j + 2].s.toLongLong(&ok);
    if (!ok || salto < 0) return std::nullopt;
    if (nombreSinCorchetes(q[j + 3]) != nombreSinCorchetes(K) ||
        nombreSinCorchetes(q[j + 5]) != nombreSinCorchetes(T))
        return std::nullopt;
    const size_t oSub = ordenEn(q, j + 6, ca);
    const size_t oFuera = ordenEn(q, ca + 1, cp);
    if (oSub >= ca || oFuera >= cp) return std::nullopt;
    // The conditions: those of the sub-select, and the same ones outside.
    std::optional<QStringList> condSub = QStringList();
    if (j + 6 < oSub) {
        if (!q[j + 6].es("WHERE")) return std::nullopt;
        condSub = conjunciones(q, j + 7, oSub);
    }
    std::optional<QStringList> condFuera = QStringList();
    if (ca + 1 < oFuera) {
        if (!q[ca + 1].es("AND")) return std::nullopt;
        condFuera = conjunciones(q, ca + 2, oFuera);
    }
    if (!condSub || !condFuera || *condSub != *condFuera) return std::nullopt;
    // One total order, the same in both.
    if (normal(q, oSub + 2, ca) != normal(q, oFuera + 2, cp)) return std::nullopt;
    if (!ordenConClave(q, oSub + 2, ca, K)) return std::nullopt;
    const Toks orden(q.begin() + static_cast<long>(oSub + 2), q.begin() + static_cast<long>(ca));

    Toks r(q.begin(), q.begin() + static_cast<long>(p));
    r.push_back(simbolo("("));
    for (const char* w : {"SELECT", "*", "FROM"})
        r.push_back(palabra(w));
    r.push_back(T);
    r.push_back(palabra("WHERE"));
    r.push_back(K);
    r.push_back(palabra("IN"));
    r.push_back(simbolo("("));
    r.push_back(palabra("SELECT"));
    r.push_back(K);
    r.push_back(palabra("FROM"));
    r.push_back(T);
    r.insert(r.end(), q.begin() + static_cast<long>(j + 6), q.begin() + static_cast<long>(oSub));
    r.push_back(palabra("ORDER"));
    r.push_back(palabra("BY"));
    agregar(r, orden);
    r.push_back(palabra("LIMIT"));
    r.push_back({TT::Numero, QString::number(tam)});
    r.push_back(palabra("OFFSET"));
    r.push_back({TT::Numero, QString::number(salto)});
    r.push_back(simbolo(")"));
    r.push_back(palabra("ORDER"));
    r.push_back(palabra("BY"));
    agregar(r, orden);
    r.push_back(simbolo(")"));
    r.push_back(palabra("AS"));
    r.push_back(q[x]);
    r.insert(r.end(), q.begin() + static_cast<long>(cola), q.end());
    return conBlancos(r);
}

// The items of an ORDER BY list [a, b), each as one normalised text.
QStringList itemsDeOrden(const Toks& q, size_t a, size_t b) {
    QStringList r;
    for (const auto& [desde, hasta] : argumentos(q, a - 1, b)) {
        QStringList partes;
        for (size_t k = desde; k < hasta; ++k)
            partes << q[k].s;
        r << partes.join(QLatin1Char(' '));
    }
    return r;
}

// In a page read by offset, K IN (SELECT K FROM T [WHERE w] ORDER BY o LIMIT n
// OFFSET s): the keys' SELECT as the engine reads it faster, when it can.
Toks conClavesDePagina(const Toks& s) {
    if (!gOpciones || !gOpciones->clavesDePagina) return s;
    const Toks q = significativos(s, 0, s.size());
    const size_t n = q.size();
    for (size_t i = 0; i + 6 < n; ++i) {
        if (!q[i].es("IN") || !q[i + 1].sim('(') || !q[i + 2].es("SELECT") || !esNombre(q[i + 3]) ||
            !q[i + 4].es("FROM") || !esNombre(q[i + 5]))
            continue;
        const size_t c = cierre(q, i + 1, n);
        if (c >= n || c < i + 10 || !q[c - 4].es("LIMIT") || !q[c - 2].es("OFFSET")) continue;
        const size_t o = ordenEn(q, i + 6, c - 4);
        if (o >= c - 4) continue;
        if (o > i + 6 && !q[i + 6].es("WHERE")) continue;
        bool ok1 = false, ok2 = false;
        const qint64 cuantas = q[c - 3].s.toLongLong(&ok1);
        const qint64 desde = q[c - 1].s.toLongLong(&ok2);
        if (!ok1 || !ok2) continue;
        const QString condicion = o > i + 6 ? unir(q, i + 7, o).trimmed() : QString();
        const QString claves = gOpciones->clavesDePagina(nombreSinCorchetes(q[i + 5]), condicion,
                                                         itemsDeOrden(q, o + 2, c - 4), cuantas, desde);
        if (claves.isEmpty()) continue;
        Toks r(q.begin(), q.begin() + static_cast<long>(i + 2));
        agregar(r, tokenizar(claves));
        r.insert(r.end(), q.begin() + static_cast<long>(c), q.end());
        return conBlancos(r);
    }
    return s;
}

// '%x%' with x free of LIKE's wildcards: x; empty otherwise.
QString textoContenido(const Tok& literal) {
    if (literal.t != TT::Cadena) return {};
    QString v = literal.s;
    if (v.startsWith(QLatin1Char('N')) || v.startsWith(QLatin1Char('n'))) v = v.mid(1);
    if (v.size() < 4 || !v.startsWith(QLatin1String("'%")) || !v.endsWith(QLatin1String("%'"))) return {};
    v = v.mid(2, v.size() - 4).replace(QLatin1String("''"), QLatin1String("'"));
    if (v.contains(QLatin1Char('%')) || v.contains(QLatin1Char('_')) || v.contains(QLatin1Char('[')))
        return {};
    return v;
}

// A list's search, ( CONVERT(NVARCHAR, c) LIKE '%x%' or ... ) with "(" at a
// and ")" at b: its text, and each column with its own comparison's tokens.
struct BusquedaDeLista {
    QString texto;
    QStringList columnas;
    std::vector<std::pair<size_t, size_t>> comparaciones; // [desde, hasta) in q
};

std::optional<BusquedaDeLista> busquedaDeLista(const Toks& q, size_t a, size_t b) {
    BusquedaDeLista r;
    size_t i = a + 1;
    while (i < b) {
        // CONVERT ( NVARCHAR , c ) LIKE 'lit'
        if (i + 7 > b || !q[i].es("CONVERT") || !q[i + 1].sim('(') || !q[i + 2].es("NVARCHAR") ||
            !q[i + 3].sim(',') || !esNombre(q[i + 4]) || !q[i + 5].sim(')') || !q[i + 6].es("LIKE"))
            return std::nullopt;
        const QString x = textoContenido(q[i + 7]);
        if (x.isEmpty() || (!r.texto.isEmpty() && x != r.texto)) return std::nullopt;
        r.texto = x;
        r.columnas << nombreSinCorchetes(q[i + 4]);
        r.comparaciones.emplace_back(i, i + 8);
        i += 8;
        if (i == b) break;
        if (!q[i].es("OR")) return std::nullopt;
        ++i;
    }
    if (r.columnas.isEmpty()) return std::nullopt;
    return r;
}

// The names a SELECT's list at [a, b) gives to computed values (x AS n, x not the column n).
QStringList alias(const Toks& q, size_t a, size_t b) {
    QStringList r;
    for (const auto& [desde, i] : argumentos(q, a - 1, b)) {
        if (i < desde + 3 || !q[i - 2].es("AS") || !esNombre(q[i - 1])) continue;
        const bool laMismaColumna =
            i == desde + 3 && esNombre(q[desde]) &&
            nombreSinCorchetes(q[desde]).compare(nombreSinCorchetes(q[i - 1]), Qt::CaseInsensitive) == 0;
        if (!laMismaColumna) r << nombreSinCorchetes(q[i - 1]);
    }
    return r;
}

// ORDER BY ... LIMIT n [OFFSET s] from `desde`, at its level, of the SELECT
// whose FROM is at `from`: the ORDER BY's tokens and n + s, the rows any part
// of a union needs to give. Only an order by the source's own columns (no
// name the list gives a computed value), which the parts have too.
std::optional<std::pair<Toks, qint64>> ordenYLimite(const Toks& q, size_t from, size_t desde) {
    if (desde + 1 >= q.size() || !q[desde].es("ORDER") || !q[desde + 1].es("BY")) return std::nullopt;
    size_t sel = from;
    for (int p = 0; sel-- > 0;) {
        if (q[sel].sim(')'))
            ++p;
        else if (q[sel].sim('(') && p-- == 0)
            return std::nullopt;
        else if (p == 0 && q[sel].es("SELECT"))
            break;
    }
    if (sel >= from) return std::nullopt;
    const QStringList calculados = alias(q, sel + 1, from);
    int prof = 0;
    for (size_t j = desde + 2; j < q.size(); ++j) {
        if (q[j].sim('('))
            ++prof;
        else if (q[j].sim(')') && prof-- == 0)
            return std::nullopt;
        else if (prof == 0 && q[j].es("LIMIT")) {
            // name [ASC | DESC], or T.name, each.
            for (const QString& item : itemsDeOrden(q, desde + 2, j)) {
                QStringList partes = item.split(QLatin1Char(' '));
                if (partes.size() > 1 &&
                    (partes.last().compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0 ||
                     partes.last().compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0))
                    partes.removeLast();
                if (partes.size() == 3 && partes[1] == QLatin1String(".")) partes = partes.mid(2);
                if (partes.size() != 1) return std::nullopt;
                const Toks t = tokenizar(partes[0]);
                if (t.size() != 1 || !esNombre(t[0]) ||
                    calculados.contains(nombreSinCorchetes(t[0]), Qt::CaseInsensitive))
                    return std::nullopt;
            }
            bool ok = false;
            qint64 n = j + 1 < q.size() ? q[j + 1].s.toLongLong(&ok) : 0;
            if (!ok) return std::nullopt;
            if (j + 3 < q.size() && q[j + 2].es("OFFSET")) {
                n += q[j + 3].s.toLongLong(&ok);
                if (!ok) return std::nullopt;
            }
            return std::make_pair(
                Toks(q.begin() + static_cast<long>(desde), q.begin() + static_cast<long>(j)), n);
        }
    }
    return std::nullopt;
}

Toks sinBlancos(const QString& sql) {
    const Toks t = tokenizar(sql);
    return significativos(t, 0, t.size());
}

// Each link's match as a condition on the source: the joined table's
// matching keys as values when the engine reads them first (nothing when
// none matches), else a subquery; none when a link is no column of the search.
std::optional<std::vector<Toks>> condicionesDeEnlaces(const Toks& q, const BusquedaDeLista& busqueda,
                                                      const LecturaDeBusqueda& lectura) {
    std::vector<Toks> r;
    for (const auto& e : lectura.enlaces) {
        const qsizetype i = busqueda.columnas.indexOf(e.columna, 0);
        if (i < 0) return std::nullopt;
        // The search's own comparison of the column, on the joined table.
        const auto [a, b] = busqueda.comparaciones[static_cast<size_t>(i)];
        Toks coincide = sinBlancos(
            QStringLiteral("SELECT %1 FROM %2 WHERE").arg(entreCorchetes(e.enlace), entreCorchetes(e.tabla)));
        coincide.insert(coincide.end(), q.begin() + static_cast<long>(a), q.begin() + static_cast<long>(b));
        const auto valores =
            gOpciones->valoresDe ? gOpciones->valoresDe(unir(conBlancos(coincide))) : std::nullopt;
        if (valores && valores->isEmpty()) continue;
        Toks t = sinBlancos(entreCorchetes(e.enlace) + QStringLiteral(" IN ("));
        if (valores)
            agregar(t, sinBlancos(valores->join(QStringLiteral(", "))));
        else
            agregar(t, coincide);
        t.push_back(simbolo(")"));
        r.push_back(std::move(t));
    }
    return r;
}

// The search at [k, c] of FROM T WHERE (at w) ... up to fin, read the
// engine's way (see conCandidatosDeBusqueda): what replaces [desde, hasta).
std::optional<Toks> lecturaDeBusqueda(const Toks& q, size_t w, size_t k, size_t c, size_t fin,
                                      const BusquedaDeLista& busqueda, const LecturaDeBusqueda& lectura,
                                      size_t& desde, size_t& hasta) {
    auto tramo = [&](size_t x, size_t y) {
        return Toks(q.begin() + static_cast<long>(x), q.begin() + static_cast<long>(y));
    };
    const auto enlazadas = condicionesDeEnlaces(q, busqueda, lectura);
    if (!enlazadas) return std::nullopt;
    desde = k;
    hasta = c + 1;
    // The candidates' keys, read first when few (an engine then reads just those rows, in any
    // order asked, instead of guessing how many a subquery gives).
    const auto claves = gOpciones->valoresDe && !lectura.candidatos.isEmpty()
                            ? gOpciones->valoresDe(lectura.candidatos)
                            : std::nullopt;
    const Toks claveEn = claves && claves->isEmpty()
                             ? sinBlancos(QStringLiteral("1 = 0"))
                             : sinBlancos(lectura.clave + QStringLiteral(" IN (") +
                                          (claves ? claves->join(QStringLiteral(", ")) : lectura.candidatos) +
                                          QStringLiteral(")"));
    if (enlazadas->empty()) {
        // No link matches: the candidates narrow the search, or nothing does.
        if (lectura.candidatos.isEmpty()) return sinBlancos(QStringLiteral("( 1 = 0 )"));
        Toks r = claveEn;
        r.push_back(palabra("AND"));
        hasta = k;
        return r;
    }
    Toks alguna{simbolo("(")};
    for (size_t i = 0; i < enlazadas->size(); ++i) {
        if (i) alguna.push_back(palabra("OR"));
        agregar(alguna, (*enlazadas)[i]);
    }
    alguna.push_back(simbolo(")"));
    if (lectura.candidatos.isEmpty()) return alguna;
    Toks parteA = sinBlancos(QStringLiteral("SELECT * FROM")), parteB = parteA;
    for (Toks* p : {&parteA, &parteB}) {
        agregar(*p, tramo(w - 1, w + 1));
        agregar(*p, tramo(w + 1, k));
    }
    agregar(parteA, alguna);
    agregar(parteA, tramo(c + 1, fin));
    for (size_t i = 0; i < enlazadas->size(); ++i) {
        // Compared with NULL, IN is unknown, and so NOT IN: a row without the link is no match of it.
        const QString enlace = entreCorchetes(lectura.enlaces[i].enlace);
        agregar(parteB, sinBlancos(QStringLiteral("(%1 IS NULL OR NOT").arg(enlace)));
        agregar(parteB, (*enlazadas)[i]);
        agregar(parteB, sinBlancos(QStringLiteral(") AND")));
    }
    agregar(parteB, claveEn);
    parteB.push_back(palabra("AND"));
    agregar(parteB, tramo(k, fin));
    // Read in an order up to a limit, each part gives only the rows that may
    // come first: an engine need not sort the whole of either.
    if (const auto orden = ordenYLimite(q, w - 2, fin)) {
        int n = 0;
        for (Toks* p : {&parteA, &parteB}) {
            Toks t = sinBlancos(QStringLiteral("SELECT * FROM ("));
            agregar(t, *p);
            agregar(t, orden->first);
            agregar(t, sinBlancos(QStringLiteral("LIMIT %1 ) AS kv_parte%2").arg(orden->second).arg(++n)));
            *p = std::move(t);
        }
    }
    Toks r{simbolo("(")};
    agregar(r, parteA);
    agregar(r, sinBlancos(QStringLiteral("UNION ALL")));
    agregar(r, parteB);
    r.push_back(simbolo(")"));
    r.push_back(palabra("AS"));
    r.push_back(q[w - 1]);
    desde = w - 1;
    hasta = fin;
    return r;
}

// FROM T WHERE pre (search) post, read the engine's faster way. With links
// (see LecturaDeBusqueda), as two disjoint parts: the rows a link matches,
// whatever the rest of the search says; and the others, narrowed to the
// candidates of their own columns, where the search itself decides:
//   FROM (SELECT * FROM T WHERE pre (links) post
//         UNION ALL SELECT * FROM T WHERE pre (no link) AND K IN (candidates) AND (search) post) AS T
// Without links, the candidates are one more condition.
Toks conCandidatosDeBusqueda(const Toks& s) {
    if (!gOpciones || !gOpciones->candidatosDeBusqueda) return s;
    Toks q = significativos(s, 0, s.size());
    bool cambio = false;
    for (size_t w = 2; w < q.size(); ++w) {
        if (!q[w].es("WHERE") || !q[w - 2].es("FROM") || !esNombre(q[w - 1])) continue;
        // The conditions up to the end of this level.
        int prof = 0;
        size_t fin = w + 1;
        for (; fin < q.size(); ++fin) {
            if (q[fin].sim('('))
                ++prof;
            else if (q[fin].sim(')')) {
                if (prof == 0) break;
                --prof;
            } else if (prof == 0 && (q[fin].es("ORDER") || q[fin].es("GROUP") || q[fin].es("LIMIT") ||
                                     q[fin].es("UNION") || q[fin].es("HAVING")))
                break;
        }
        for (size_t k = w + 1; k < fin; ++k) {
            if (!q[k].sim('(')) continue;
            const size_t c = cierre(q, k, fin);
            if (c >= fin) break;
            const bool conjunto = (k == w + 1 || q[k - 1].es("AND")) && (c + 1 == fin || q[c + 1].es("AND"));
            const auto busqueda = conjunto ? busquedaDeLista(q, k, c) : std::nullopt;
            const auto lectura = busqueda
                                     ? gOpciones->candidatosDeBusqueda(nombreSinCorchetes(q[w - 1]),
                                                                       busqueda->columnas, busqueda->texto)
                                     : std::nullopt;
            if (!lectura || (lectura->candidatos.isEmpty() && lectura->enlaces.empty())) {
                k = c;
                continue;
            }
            size_t desde = k, hasta = c + 1;
            const auto reemplazo = lecturaDeBusqueda(q, w, k, c, fin, *busqueda, *lectura, desde, hasta);
            if (!reemplazo) {
                k = c;
                continue;
            }
            q.erase(q.begin() + static_cast<long>(desde), q.begin() + static_cast<long>(hasta));
            q.insert(q.begin() + static_cast<long>(desde), reemplazo->begin(), reemplazo->end());
            cambio = true;
            // What was put in holds the search again: go on after it.
            w = desde + reemplazo->size();
            break;
        }
    }
    return cambio ? conBlancos(q) : s;
}

// The declared types of a SELECT's list items converted to decimal or numeric.
QStringList tiposDeLaLista(const Toks& s) {
    const Toks q = significativos(s, 0, s.size());
    const size_t n = q.size();
    if (n == 0 || !q[0].es("SELECT")) return {};
    size_t i = 1;
    if (i < n && (q[i].es("DISTINCT") || q[i].es("ALL"))) ++i;
    if (i < n && q[i].es("TOP")) {
        i = i + 1 < n && q[i + 1].sim('(') ? cierre(q, i + 1, n) + 1 : i + 2;
        if (i < n && q[i].es("PERCENT")) ++i;
        if (i + 1 < n && q[i].es("WITH") && q[i + 1].es("TIES")) i += 2;
    }
    static const QRegularExpression decimal(
        QStringLiteral(R"(^(?:decimal|numeric)\s*\(\s*(\d+)\s*(?:,\s*(\d+)\s*)?\)$)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression texto(QStringLiteral(R"(^(n?(?:var)?char)\s*(?:\(\s*(\d+|max)\s*\))?$)"),
                                          QRegularExpression::CaseInsensitiveOption);
    auto tipoDe = [&](const QString& t) {
        if (const auto m = decimal.match(t.trimmed()); m.hasMatch())
            return QStringLiteral("numeric(%1,%2)")
                .arg(m.captured(1), m.captured(2).isEmpty() ? QStringLiteral("0") : m.captured(2));
        // A text without a length holds 30 characters in a conversion.
        if (const auto m = texto.match(t.trimmed()); m.hasMatch())
            return QStringLiteral("%1(%2)").arg(m.captured(1), m.captured(2).isEmpty() ? QStringLiteral("30")
                                                                                       : m.captured(2));
        // Any other type of the program's SQL is the item's as it stands (datetime, bit, int...).
        return tipoSqlPorNombre(t.trimmed()) ? t.trimmed().toLower() : QString();
    };
    QStringList r;
    bool alguno = false;
    size_t desde = i;
    int prof = 0;
    for (size_t k = i; k <= n; ++k) {
        const bool fin = k == n || (prof == 0 && (q[k].es("FROM") || q[k].es("INTO")));
        if (k < n && q[k].sim('('))
            ++prof;
        else if (k < n && q[k].sim(')'))
            --prof;
        if (!fin && !(prof == 0 && q[k].sim(','))) continue;
        // One item [desde, k): CONVERT(type, ...) or CAST(... AS type), then an optional alias.
        QString tipo;
        if (k > desde && (q[desde].es("CONVERT") || q[desde].es("CAST")) && desde + 1 < k &&
            q[desde + 1].sim('(')) {
            const size_t c = cierre(q, desde + 1, k);
            size_t resto = c + 1;
            if (resto < k && q[resto].es("AS")) ++resto;
            if (c < k && (resto == k || (resto + 1 == k && esNombre(q[resto])))) {
                if (q[desde].es("CONVERT")) {
                    const auto args = argumentos(q, desde + 1, c);
                    tipo = tipoDe(normal(q, args[0].first, args[0].second).remove(QLatin1Char(' ')));
                } else {
                    const size_t as = asDelCast(q, desde + 1, c);
                    if (as < c) tipo = tipoDe(normal(q, as + 1, c).remove(QLatin1Char(' ')));
                }
            }
        }
        for (size_t x = desde; x < k; ++x)
            if (q[x].sim('*')) return {}; // "*" stands for columns not counted here
        alguno = alguno || !tipo.isEmpty();
        r << tipo;
        desde = k + 1;
        if (fin) break;
    }
    return alguno ? r : QStringList();
}

Sentencia clasificar(const Toks& s) {
    Sentencia r;
    r.clase = claseDe(s);
    if (r.clase != Sentencia::Clase::Normal) {
        r.texto = unir(s).trimmed();
        return r;
    }
    const Tok& k = s[sig(s, 0, s.size())];
    if (k.es("SELECT")) r.tiposColumnas = tiposDeLaLista(s);
    if (gOpciones && gOpciones->paginasPorDesplazamiento && k.es("SELECT")) {
        if (auto pagina = paginaPorDesplazamiento(s)) {
            const Toks leida = conCandidatosDeBusqueda(conClavesDePagina(*pagina));
            r.texto = unir(transformar(leida, 0, leida.size()));
            return r;
        }
    }
    if (k.es("SELECT")) {
        const Toks leida = conCandidatosDeBusqueda(s);
        r.texto = unir(transformar(leida, 0, leida.size()));
        return r;
    }
    r.texto = reforzarDefinicion(unir(transformar(s, 0, s.size())));
    return r;
}

bool esTipoTextoDeclarado(const QString& w) {
    static const char* tipos[] = {"varchar", "nvarchar", "char", "nchar", "text", "ntext", "character"};
    for (const char* x : tipos)
        if (w.compare(QLatin1String(x), Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool esTipoEnteroDeclarado(const QString& w) {
    static const char* tipos[] = {"int", "integer", "smallint", "bigint", "tinyint", "bit"};
    for (const char* x : tipos)
        if (w.compare(QLatin1String(x), Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool esTipoNumericoDeclarado(const QString& w) {
    static const char* tipos[] = {"numeric", "decimal", "money", "smallmoney", "float", "real"};
    for (const char* x : tipos)
        if (w.compare(QLatin1String(x), Qt::CaseInsensitive) == 0) return true;
    return esTipoEnteroDeclarado(w);
}

QString nombreLimpio(const Tok& k) {
    QString s = k.s;
    if (k.t == TT::Ident) s = s.mid(1, s.size() - 2);
    return s;
}

// Adds the checks to one column definition [a, b) (tokens of a CREATE TABLE
// list item or of ALTER TABLE ... ADD).
void reforzarColumna(const Toks& t, size_t a, size_t b, Toks& out) {
    size_t i = sig(t, a, b);
    if (i >= b || !(t[i].t == TT::Palabra || t[i].t == TT::Ident)) {
        out.insert(out.end(), t.begin() + static_cast<long>(a), t.begin() + static_cast<long>(b));
        return;
    }
    static const char* restricciones[] = {"CONSTRAINT", "PRIMARY", "UNIQUE", "FOREIGN",
                                          "CHECK",      "INDEX",   "KEY"};
    for (const char* r : restricciones)
        if (t[i].es(r)) {
            out.insert(out.end(), t.begin() + static_cast<long>(a), t.begin() + static_cast<long>(b));
            return;
        }
    const size_t nombre = i;
    size_t tipo = sig(t, nombre + 1, b);
    if (tipo < b && t[tipo].t == TT::Palabra && esTipoNumericoDeclarado(t[tipo].s)) {
        // SQL Server refuses a text that is no number; SQLite would store it.
        size_t finTipo = tipo + 1;
        size_t p = sig(t, finTipo, b);
        if (p < b && t[p].sim('(')) finTipo = qMin(cierre(t, p, b) + 1, b);
        const QString col = nombreLimpio(t[nombre]);
        const bool entero = esTipoEnteroDeclarado(t[tipo].s);
        out.insert(out.end(), t.begin() + static_cast<long>(a),
                   t.begin() + static_cast<long>(qMin(finTipo, b)));
        out.push_back({TT::Palabra, QStringLiteral(" CONSTRAINT [%1%2] CHECK (typeof([%2]) IN (%3))")
                                        .arg(QLatin1String(kPrefijoControlTipo), col,
                                             entero ? QStringLiteral("'integer','null'")
                                                    : QStringLiteral("'integer','real','null'"))});
        if (finTipo < b)
            out.insert(out.end(), t.begin() + static_cast<long>(finTipo), t.begin() + static_cast<long>(b));
        return;
    }
    if (tipo >= b || t[tipo].t != TT::Palabra || !esTipoTextoDeclarado(t[tipo].s)) {
        out.insert(out.end(), t.begin() + static_cast<long>(a), t.begin() + static_cast<long>(b));
        return;
    }
    size_t finTipo = tipo + 1;
    QString largo;
    size_t p = sig(t, finTipo, b);
    if (p < b && t[p].sim('(')) {
        const size_t c = cierre(t, p, b);
        largo = unir(t, p + 1, c).trimmed();
        // An unclosed size is no size: the definition goes on unchanged.
        if (c >= b) {
            largo.clear();
        } else {
            finTipo = c + 1;
        }
    }
    bool tieneCollate = false;
    for (size_t x = finTipo; x < b; ++x)
        if (t[x].es("COLLATE")) tieneCollate = true;
    out.insert(out.end(), t.begin() + static_cast<long>(a), t.begin() + static_cast<long>(finTipo));
    if (!tieneCollate) out.push_back({TT::Palabra, QStringLiteral(" COLLATE NOCASE")});
    bool ok = false;
    const int n = largo.toInt(&ok);
    if (ok && n > 0) {
        const QString col = nombreLimpio(t[nombre]);
        out.push_back({TT::Palabra, QStringLiteral(" CONSTRAINT [%1%2] CHECK (length([%2]) <= %3)")
                                        .arg(QLatin1String(kPrefijoControlLargo), col)
                                        .arg(n)});
    }
    out.insert(out.end(), t.begin() + static_cast<long>(finTipo), t.begin() + static_cast<long>(b));
}

} // namespace

QString reforzarDefinicion(const QString& sentencia) {
    // Quick refusal: most statements are not definitions.
    const QString inicio = sentencia.left(200).trimmed();
    const bool crear = inicio.startsWith(QLatin1String("CREATE"), Qt::CaseInsensitive);
    const bool alterar = inicio.startsWith(QLatin1String("ALTER"), Qt::CaseInsensitive);
    if (!crear && !alterar) return sentencia;
    const Toks t = tokenizar(sentencia);
    size_t i = sig(t, 0, t.size());
    size_t j = sig(t, i + 1, t.size());
    if (j >= t.size() || !t[j].es("TABLE")) return sentencia;
    Toks out;
    if (crear) {
        const size_t nombre = sig(t, j + 1, t.size());
        size_t p = sig(t, nombre + 1, t.size());
        if (p < t.size() && t[p].sim('.')) p = sig(t, sig(t, p + 1, t.size()) + 1, t.size());
        if (p >= t.size() || !t[p].sim('(')) return sentencia;
        const size_t c = cierre(t, p, t.size());
        out.insert(out.end(), t.begin(), t.begin() + static_cast<long>(p + 1));
        auto args = argumentos(t, p, c);
        for (size_t k = 0; k < args.size(); ++k) {
            if (k) out.push_back(simbolo(","));
            reforzarColumna(t, args[k].first, args[k].second, out);
        }
        out.insert(out.end(), t.begin() + static_cast<long>(c), t.end());
        return unir(out);
    }
    // ALTER TABLE name ADD [COLUMN] definition
    size_t add = j;
    while (add < t.size() && !t[add].es("ADD"))
        ++add;
    if (add >= t.size()) return sentencia;
    size_t d = sig(t, add + 1, t.size());
    if (d < t.size() && t[d].es("COLUMN")) d = d + 1;
    out.insert(out.end(), t.begin(), t.begin() + static_cast<long>(d));
    reforzarColumna(t, d, t.size(), out);
    return unir(out);
}

std::vector<Sentencia> traducirLote(const QString& lote, const ClaveDeOrden& claveDeOrden) {
    Opciones o;
    o.claveDeOrden = claveDeOrden;
    return traducirLote(lote, o);
}

std::vector<Sentencia> traducirLote(const QString& lote, const Opciones& opciones) {
    const ClaveDeOrden* anterior = gClaveDeOrden;
    const Opciones* anteriores = gOpciones;
    gClaveDeOrden = &opciones.claveDeOrden;
    gOpciones = &opciones;
    struct Restaurar {
        const ClaveDeOrden* a;
        const Opciones* o;
        ~Restaurar() {
            gClaveDeOrden = a;
            gOpciones = o;
        }
    } restaurar{anterior, anteriores};
    std::vector<Sentencia> r;
    for (const Toks& s : dividir(tokenizar(lote))) {
        Sentencia x = clasificar(s);
        if (x.clase == Sentencia::Clase::Nada && x.texto.isEmpty()) continue;
        r.push_back(std::move(x));
    }
    return r;
}

const AccesoDeColumna* Accesos::de(const QString& fuente, const QString& columna) const {
    const auto f = mPorFuente.constFind(fuente.toLower());
    if (f == mPorFuente.constEnd()) return nullptr;
    const auto c = f->constFind(columna.toLower());
    return c == f->constEnd() ? nullptr : &*c;
}

QString Accesos::conteosDe(const QString& fuente) const {
    const auto f = mPorFuente.constFind(fuente.toLower());
    if (f == mPorFuente.constEnd()) return {};
    for (const AccesoDeColumna& a : *f)
        if (!a.conteos.isEmpty() && !a.enlace.isEmpty()) return a.conteos;
    return {};
}

std::optional<QStringList> Accesos::indicesDeBusqueda(const QString& fuente, const QStringList& columnas,
                                                      LecturaDeBusqueda& lectura) const {
    QStringList indices;
    for (const QString& c : columnas) {
        const AccesoDeColumna* a = de(fuente, c);
        if (!a) return std::nullopt;
        if (!a->indice.isEmpty()) {
            if (!indices.contains(a->indice, Qt::CaseInsensitive)) indices << a->indice;
        } else if (!a->tabla.isEmpty() && !a->enlace.isEmpty()) {
            lectura.enlaces.push_back({c, a->tabla, a->enlace});
        } else {
            return std::nullopt;
        }
    }
    return indices;
}

QString conLecturasRapidas(const QString& sentencia, const Opciones& opciones) {
    const Opciones* anteriores = gOpciones;
    gOpciones = &opciones;
    struct Restaurar {
        const Opciones* o;
        ~Restaurar() { gOpciones = o; }
    } restaurar{anteriores};
    const Toks s = tokenizar(sentencia);
    const Toks r = conCandidatosDeBusqueda(conClavesDePagina(s));
    return unir(r);
}

QString paginaPorDesplazamiento(const QString& sentencia) {
    const auto partes = dividir(tokenizar(sentencia));
    if (partes.size() != 1) return {};
    const auto pagina = paginaPorDesplazamiento(partes.front());
    return pagina ? unir(*pagina) : QString();
}

QString conteoDeFilas(const QString& consulta) {
    const Toks t = tokenizar(consulta);
    const size_t n = t.size();
    size_t i = sig(t, 0, n);
    if (i >= n || !t[i].es("SELECT")) return {};
    const size_t j = sig(t, i + 1, n);
    if (j < n && t[j].es("DISTINCT")) return {};
    static const char* agregados[] = {"COUNT", "SUM", "MIN", "MAX", "AVG", "TOTAL", "GROUP_CONCAT"};
    size_t desde = n, hasta = n;
    int prof = 0;
    for (size_t k = i + 1; k < n; ++k) {
        const Tok& x = t[k];
        if (x.sim('(')) {
            ++prof;
            continue;
        }
        if (x.sim(')')) {
            --prof;
            continue;
        }
        if (x.t != TT::Palabra) continue;
        if (desde == n) {
            for (const char* a : agregados)
                if (x.es(a)) return {}; // one row whatever the source holds
            if (prof == 0 && x.es("FROM")) desde = k;
            continue;
        }
        if (prof != 0) continue;
        for (const char* w : {"GROUP", "HAVING", "UNION", "EXCEPT", "INTERSECT", "WINDOW", "LIMIT", "OFFSET"})
            if (x.es(w)) return {};
        if (x.es("ORDER") && hasta == n) hasta = k;
    }
    if (desde == n) return {};
    // "LIMIT -1" keeps the source a query of its own: the engine then drops
    // the joins whose columns nobody reads, which it does not do for an aggregate.
    return QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 ") + unir(t, desde, hasta) +
           QStringLiteral(" LIMIT -1)");
}

QString traducir(const QString& sentencia, const ClaveDeOrden& claveDeOrden) {
    QStringList partes;
    for (const auto& s : traducirLote(sentencia, claveDeOrden))
        if (s.clase == Sentencia::Clase::Normal) partes << s.texto;
    return partes.join(QStringLiteral("; "));
}

} // namespace ado::tsql
