#include "platform/ado/LexicoTSql.h"

#include <QRegularExpression>

namespace ado::tsql {

namespace {

bool inicioPalabra(QChar c) {
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#') ||
           c == QLatin1Char('$');
}
bool cuerpoPalabra(QChar c) {
    return inicioPalabra(c) || c.isDigit();
}

// Does the statement's kind let `palabra` at depth 0 begin a new one?
bool iniciaSentencia(const Toks& actual, const Tok& k, const Toks& t, size_t i, size_t n) {
    const Tok* prev = ultimoSignificativo(actual);
    if (!prev) return false;
    const Tok* primero = nullptr;
    for (const auto& x : actual)
        if (x.significativo()) {
            primero = &x;
            break;
        }
    auto prevEs = [&](std::initializer_list<const char*> ps) {
        for (const char* p : ps)
            if (prev->es(p)) return true;
        return prev->sim(',');
    };
    if (k.es("INSERT") || k.es("DELETE")) return !prevEs({"INSTEAD", "OF", "AFTER", "FOR", "ON", "BEFORE"});
    if (k.es("UPDATE")) return !prevEs({"INSTEAD", "OF", "AFTER", "FOR", "ON", "BEFORE"});
    if (k.es("SELECT")) {
        if (prevEs({"UNION", "ALL", "EXCEPT", "INTERSECT", "AS", "DISTINCT"}) || prev->sim('(')) return false;
        if (primero && primero->es("INSERT")) {
            for (const auto& x : actual)
                if (x.es("SELECT") || x.es("VALUES")) return true;
            return false;
        }
        return true;
    }
    if (k.es("SET")) {
        if (prevEs({"DELETE", "UPDATE"})) return false;
        return !(primero && (primero->es("UPDATE") || primero->es("ALTER")));
    }
    if (k.es("BEGIN")) {
        size_t j = sig(t, i + 1, n);
        return j < n && (t[j].es("TRAN") || t[j].es("TRANSACTION") || t[j].es("DISTRIBUTED"));
    }
    if (k.es("COMMIT") || k.es("ROLLBACK")) return true;
    if (k.es("DROP")) return !(primero && primero->es("ALTER"));
    if (k.es("CREATE") || k.es("ALTER") || k.es("TRUNCATE") || k.es("DECLARE") || k.es("PRINT") ||
        k.es("EXEC") || k.es("EXECUTE") || k.es("USE") || k.es("GO"))
        return true;
    return false;
}

} // namespace

Toks tokenizar(const QString& s) {
    Toks r;
    const int n = s.size();
    int i = 0;
    auto espacio = [&](int desde, int hasta) {
        Q_UNUSED(desde);
        Q_UNUSED(hasta);
        // Comments become one blank: text appended later must never end up inside them.
        if (!r.empty() && r.back().t == TT::Espacio) return;
        r.push_back({TT::Espacio, QStringLiteral(" ")});
    };
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            int j = i;
            while (j < n && s[j].isSpace())
                ++j;
            if (!r.empty() && r.back().t == TT::Espacio)
                r.back().s += s.mid(i, j - i);
            else
                r.push_back({TT::Espacio, s.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) {
            int j = s.indexOf(QLatin1Char('\n'), i);
            if (j < 0) j = n;
            espacio(i, j);
            i = j;
        } else if (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
            int j = s.indexOf(QLatin1String("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            espacio(i, j);
            i = j;
        } else if (c == QLatin1Char('\'') ||
                   ((c == QLatin1Char('N') || c == QLatin1Char('n')) && i + 1 < n &&
                    s[i + 1] == QLatin1Char('\'') && (r.empty() || r.back().t != TT::Palabra))) {
            // N'...' is a plain literal here: the engine stores text as Unicode anyway.
            int j = (c == QLatin1Char('\'')) ? i + 1 : i + 2;
            while (j < n) {
                if (s[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && s[j + 1] == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const int desde = (c == QLatin1Char('\'')) ? i : i + 1;
            r.push_back({TT::Cadena, s.mid(desde, qMin(j + 1, n) - desde)});
            i = qMin(j + 1, n);
        } else if (c == QLatin1Char('[')) {
            int j = i + 1;
            while (j < n) {
                if (s[j] == QLatin1Char(']')) {
                    if (j + 1 < n && s[j + 1] == QLatin1Char(']')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            r.push_back({TT::Ident, s.mid(i, qMin(j + 1, n) - i)});
            i = qMin(j + 1, n);
        } else if (c == QLatin1Char('"')) {
            int j = s.indexOf(QLatin1Char('"'), i + 1);
            j = j < 0 ? n : j + 1;
            r.push_back({TT::Ident, s.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char('#') && i + 1 < n && s[i + 1].isDigit()) {
            // Jet date literal #12/31/2026# or #2026-12-31 10:00#.
            int j = i + 1;
            while (j < n && (s[j].isDigit() || QStringLiteral("/-:. APMapm").contains(s[j])))
                ++j;
            if (j < n && s[j] == QLatin1Char('#')) {
                r.push_back({TT::FechaJet, s.mid(i, j + 1 - i)});
                i = j + 1;
            } else {
                int k = i + 1;
                while (k < n && cuerpoPalabra(s[k]))
                    ++k;
                r.push_back({TT::Palabra, s.mid(i, k - i)});
                i = k;
            }
        } else if (inicioPalabra(c)) {
            int j = i + 1;
            while (j < n && cuerpoPalabra(s[j]))
                ++j;
            r.push_back({TT::Palabra, s.mid(i, j - i)});
            i = j;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s[i + 1].isDigit())) {
            int j = i;
            while (j < n && (s[j].isDigit() || s[j] == QLatin1Char('.')))
                ++j;
            if (j < n && (s[j] == QLatin1Char('e') || s[j] == QLatin1Char('E')) && j + 1 < n &&
                (s[j + 1].isDigit() || ((s[j + 1] == QLatin1Char('+') || s[j + 1] == QLatin1Char('-')) &&
                                        j + 2 < n && s[j + 2].isDigit()))) {
                j += 2;
                while (j < n && s[j].isDigit())
                    ++j;
            }
            r.push_back({TT::Numero, s.mid(i, j - i)});
            i = j;
        } else {
            static const char* dobles[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||"};
            QString sim(c);
            if (i + 1 < n) {
                const QString dos = s.mid(i, 2);
                for (const char* d : dobles)
                    if (dos == QLatin1String(d)) sim = dos;
            }
            r.push_back({TT::Simbolo, sim});
            i += sim.size();
        }
    }
    return r;
}

QString unir(const Toks& t, size_t a, size_t b) {
    QString s;
    for (size_t i = a; i < b && i < t.size(); ++i)
        s += t[i].s;
    return s;
}
QString unir(const Toks& t) {
    return unir(t, 0, t.size());
}

size_t sig(const Toks& t, size_t i, size_t b) {
    while (i < b && !t[i].significativo())
        ++i;
    return i;
}

size_t cierre(const Toks& t, size_t i, size_t b) {
    int prof = 0;
    for (size_t j = i; j < b; ++j) {
        if (t[j].sim('('))
            ++prof;
        else if (t[j].sim(')')) {
            if (--prof == 0) return j;
        }
    }
    return b;
}

const Tok* ultimoSignificativo(const Toks& out) {
    for (auto it = out.rbegin(); it != out.rend(); ++it)
        if (it->significativo()) return &*it;
    return nullptr;
}

bool esPista(const Tok& t) {
    static const char* pistas[] = {"NOLOCK",        "READUNCOMMITTED", "ROWLOCK",      "UPDLOCK",
                                   "HOLDLOCK",      "READPAST",        "TABLOCK",      "TABLOCKX",
                                   "PAGLOCK",       "NOWAIT",          "XLOCK",        "SERIALIZABLE",
                                   "READCOMMITTED", "REPEATABLEREAD",  "FASTFIRSTROW", "NOEXPAND"};
    for (const char* p : pistas)
        if (t.es(p)) return true;
    return false;
}

bool soloPistas(const Toks& t, size_t i, size_t fin) {
    bool alguna = false;
    for (size_t j = i + 1; j < fin; ++j) {
        if (!t[j].significativo() || t[j].sim(',')) continue;
        if (esPista(t[j])) {
            alguna = true;
            continue;
        }
        if (t[j].es("INDEX")) {
            size_t k = sig(t, j + 1, fin);
            if (k < fin && t[k].sim('('))
                j = cierre(t, k, fin);
            else if (k < fin && t[k].sim('='))
                j = sig(t, k + 1, fin);
            alguna = true;
            continue;
        }
        return false;
    }
    return alguna;
}

QString fechaJetComoTexto(const QString& lit) {
    const QString cuerpo = lit.mid(1, lit.size() - 2).trimmed();
    static const QRegularExpression iso(QStringLiteral(R"(^(\d{4})-(\d{1,2})-(\d{1,2})(?:\s+(.*))?$)"));
    static const QRegularExpression us(QStringLiteral(R"(^(\d{1,2})/(\d{1,2})/(\d{2,4})(?:\s+(.*))?$)"));
    int a = 0, m = 0, d = 0;
    QString hora;
    if (auto x = iso.match(cuerpo); x.hasMatch()) {
        a = x.captured(1).toInt();
        m = x.captured(2).toInt();
        d = x.captured(3).toInt();
        hora = x.captured(4);
    } else if (auto y = us.match(cuerpo); y.hasMatch()) {
        // Jet reads #m/d/y#, whatever the regional settings.
        m = y.captured(1).toInt();
        d = y.captured(2).toInt();
        a = y.captured(3).toInt();
        if (a < 100) a += a < 30 ? 2000 : 1900;
        hora = y.captured(4);
    } else {
        return QLatin1Char('\'') + cuerpo + QLatin1Char('\'');
    }
    QString r = QStringLiteral("%1-%2-%3")
                    .arg(a, 4, 10, QLatin1Char('0'))
                    .arg(m, 2, 10, QLatin1Char('0'))
                    .arg(d, 2, 10, QLatin1Char('0'));
    if (!hora.isEmpty()) {
        static const QRegularExpression hm(
            QStringLiteral(R"(^(\d{1,2}):(\d{2})(?::(\d{2}))?\s*([AaPp][Mm])?$)"));
        if (auto h = hm.match(hora.trimmed()); h.hasMatch()) {
            int hh = h.captured(1).toInt();
            const QString ampm = h.captured(4).toUpper();
            if (ampm == QLatin1String("PM") && hh < 12) hh += 12;
            if (ampm == QLatin1String("AM") && hh == 12) hh = 0;
            const int mm = h.captured(2).toInt(), ss = h.captured(3).toInt();
            if (hh || mm || ss)
                r += QStringLiteral(" %1:%2:%3")
                         .arg(hh, 2, 10, QLatin1Char('0'))
                         .arg(mm, 2, 10, QLatin1Char('0'))
                         .arg(ss, 2, 10, QLatin1Char('0'));
        }
    }
    return QLatin1Char('\'') + r + QLatin1Char('\'');
}

Tok palabra(const char* s) {
    return {TT::Palabra, QLatin1String(s)};
}
Tok simbolo(const char* s) {
    return {TT::Simbolo, QLatin1String(s)};
}
Tok blanco() {
    return {TT::Espacio, QStringLiteral(" ")};
}

void agregar(Toks& out, const Toks& mas) {
    out.insert(out.end(), mas.begin(), mas.end());
}

std::vector<std::pair<size_t, size_t>> argumentos(const Toks& t, size_t i, size_t fin) {
    std::vector<std::pair<size_t, size_t>> r;
    int prof = 0;
    size_t desde = i + 1;
    for (size_t j = i + 1; j < fin; ++j) {
        if (t[j].sim('('))
            ++prof;
        else if (t[j].sim(')'))
            --prof;
        else if (prof == 0 && t[j].sim(',')) {
            r.push_back({desde, j});
            desde = j + 1;
        }
    }
    r.push_back({desde, fin});
    return r;
}

size_t asDelCast(const Toks& t, size_t i, size_t fin) {
    size_t as = fin;
    int prof = 0;
    for (size_t x = i + 1; x < fin; ++x) {
        if (t[x].sim('('))
            ++prof;
        else if (t[x].sim(')'))
            --prof;
        else if (prof == 0 && t[x].es("AS"))
            as = x;
    }
    return as;
}

QString entreCorchetes(const QString& nombre) {
    return QLatin1Char('[') + QString(nombre).replace(QLatin1Char(']'), QLatin1String("]]")) +
           QLatin1Char(']');
}

QString literalDeTexto(const QString& texto) {
    return QLatin1Char('\'') + QString(texto).replace(QLatin1Char('\''), QLatin1String("''")) +
           QLatin1Char('\'');
}

QString nombreSinCorchetes(const Tok& k) {
    QString n = k.s;
    if (n.startsWith(QLatin1Char('[')) && n.endsWith(QLatin1Char(']'))) n = n.mid(1, n.size() - 2);
    return n.toLower();
}

ClausulaTop leerTop(const Toks& t, size_t i, size_t b) {
    ClausulaTop c;
    size_t x = sig(t, i + 1, b);
    if (x < b && t[x].sim('(')) {
        const size_t fin = cierre(t, x, b);
        c.parentesis = true;
        c.desde = x + 1;
        c.hasta = fin;
        x = fin;
    } else {
        c.desde = x;
        c.hasta = qMin(x + 1, b);
    }
    size_t y = sig(t, x + 1, b);
    if (y < b && t[y].es("PERCENT")) {
        c.porcentaje = true;
        x = y;
        y = sig(t, x + 1, b);
    }
    if (y < b && t[y].es("WITH")) {
        const size_t z = sig(t, y + 1, b);
        if (z < b && t[z].es("TIES")) x = z;
    }
    c.fin = x;
    return c;
}

Toks limiteDeTop(const Toks& t, const ClausulaTop& c, size_t b,
                 const std::function<Toks(size_t a, size_t b)>& transformar) {
    Toks r;
    if (c.parentesis) {
        r.push_back(simbolo("("));
        agregar(r, transformar(c.desde, c.hasta));
        r.push_back(simbolo(")"));
    } else if (c.desde < b) {
        r.push_back(t[c.desde]);
    }
    return r;
}

size_t prefijoDbo(const Toks& t, size_t i, size_t b) {
    if (!t[i].es("dbo") && t[i].s.compare(QLatin1String("[dbo]"), Qt::CaseInsensitive) != 0) return b;
    return i + 1 < b && t[i + 1].sim('.') ? i + 1 : b;
}

bool pistaSuelta(const Toks& out, const Toks& t, size_t i, size_t fin, size_t b) {
    const Tok* prev = ultimoSignificativo(out);
    return prev && (prev->t == TT::Palabra || prev->t == TT::Ident) && fin < b && soloPistas(t, i, fin) &&
           !prev->es("WITH");
}

size_t pistasConWith(const Toks& t, size_t i, size_t b) {
    if (!t[i].es("WITH")) return b;
    const size_t j = sig(t, i + 1, b);
    if (j >= b || !t[j].sim('(')) return b;
    const size_t fin = cierre(t, j, b);
    return fin < b && soloPistas(t, j, fin) ? fin : b;
}

bool deleteSinFrom(const Toks& t, size_t i, size_t b) {
    const size_t j = sig(t, i + 1, b);
    return t[i].es("DELETE") && j < b && !t[j].es("FROM") && (t[j].t == TT::Palabra || t[j].t == TT::Ident) &&
           !t[j].es("TOP");
}

bool esIgualdad(const Tok* previo) {
    return previo && previo->t == TT::Simbolo &&
           (previo->s == QLatin1String("=") || previo->s == QLatin1String("<>") ||
            previo->s == QLatin1String("!="));
}

QString sinBlancosFinales(const QString& literal) {
    QString cuerpo = literal.mid(1, literal.size() - 2);
    while (cuerpo.endsWith(QLatin1Char(' ')))
        cuerpo.chop(1);
    return QLatin1Char('\'') + cuerpo + QLatin1Char('\'');
}

Sentencia::Clase claseDe(const Toks& s) {
    const size_t i = sig(s, 0, s.size());
    if (i >= s.size()) return Sentencia::Clase::Nada;
    const Tok& k = s[i];
    if (k.es("BEGIN")) return Sentencia::Clase::Iniciar;
    if (k.es("COMMIT")) return Sentencia::Clase::Confirmar;
    if (k.es("ROLLBACK")) return Sentencia::Clase::Deshacer;
    if (k.es("SET") || k.es("GO") || k.es("USE") || k.es("PRINT")) return Sentencia::Clase::Nada;
    return Sentencia::Clase::Normal;
}

std::vector<Toks> dividir(const Toks& t) {
    std::vector<Toks> r;
    Toks actual;
    int prof = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        const Tok& k = t[i];
        if (k.sim('('))
            ++prof;
        else if (k.sim(')'))
            prof = qMax(0, prof - 1);
        if (prof == 0 && k.sim(';')) {
            r.push_back(std::move(actual));
            actual.clear();
            continue;
        }
        if (prof == 0 && k.t == TT::Palabra && iniciaSentencia(actual, k, t, i, t.size())) {
            r.push_back(std::move(actual));
            actual.clear();
        }
        actual.push_back(k);
    }
    r.push_back(std::move(actual));
    return r;
}

} // namespace ado::tsql
