#include "platform/ado/TraductorPostgres.h"
#include "platform/ado/EstilosFecha.h"
#include "platform/ado/LexicoTSql.h"
#include "platform/ado/Tipos.h"

#include <optional>

namespace ado::pg {

using namespace ado::tsql;

namespace {

QString entreComillas(const QString& n) {
    QString x = n;
    x.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + x + QLatin1Char('"');
}

// A name of the schema as declared; another name in lower case.
Tok nombre(const Tok& k, const Nombres& nombres) {
    QString n = k.s;
    if (k.t == TT::Ident) {
        n = n.mid(1, n.size() - 2);
        n.replace(k.s.startsWith(QLatin1Char('[')) ? QLatin1String("]]") : QLatin1String("\"\""),
                  k.s.startsWith(QLatin1Char('[')) ? QLatin1String("]") : QLatin1String("\""));
    }
    const auto it = nombres.constFind(n.toLower());
    if (it != nombres.constEnd()) return {TT::Ident, entreComillas(*it)};
    // Another name folds as a bare one does, however it is written.
    if (k.t == TT::Ident) return {TT::Ident, entreComillas(n.toLower())};
    return k;
}

// A style of CONVERT between dates and texts as a to_char/to_timestamp
// pattern; empty when the style is no number (the conversion is a cast).
QString patronDeEstilo(const QString& estilo) {
    bool numero = false;
    const int n = estilo.trimmed().toInt(&numero);
    if (!numero || n == 0) return {};
    return QLatin1String(estiloFecha(n).postgres);
}

// A declared type whose PostgreSQL name or collation differs from SQL Server's.
bool cambiaEnPostgres(const QString& base) {
    const TipoSql* fila = tipoSqlPorNombre(base);
    if (!fila || !nombraTipo(*fila, base, true)) return false;
    return ado::esTipoTexto(fila->ado) || QLatin1String(fila->postgres) != base;
}

bool esTipoTexto(const QString& tipoPg) {
    return tipoPg.startsWith(QLatin1String("varchar")) || tipoPg.startsWith(QLatin1String("char")) ||
           tipoPg == QLatin1String("text");
}

Toks conversionPg(const QString& tipo, const Toks& expr, const QString& estilo) {
    // A text type without a length holds 30 characters in a conversion, as on SQL Server.
    QString destino = tipoPostgres(tipo);
    if ((destino == QLatin1String("varchar") || destino == QLatin1String("char")) &&
        !tipo.contains(QLatin1Char('(')))
        destino += QStringLiteral("(30)");
    const QString patron = patronDeEstilo(estilo);
    const QString e = unir(expr).trimmed();
    QString r;
    if (!patron.isEmpty() && esTipoTexto(destino))
        r = QStringLiteral("CAST(to_char(CAST((%1) AS timestamp), '%2') AS %3)").arg(e, patron, destino);
    else if (!patron.isEmpty() && destino == QLatin1String("timestamp"))
        r = QStringLiteral("to_timestamp(CAST((%1) AS text), '%2')::timestamp").arg(e, patron);
    else
        r = QStringLiteral("CAST((%1) AS %2)").arg(e, destino);
    return {{TT::Simbolo, r}};
}

struct Tope {
    Toks limite;
    bool porcentaje = false;
    size_t inicioMiembro = 0; // where this SELECT begins in the output
};

// Appends the LIMIT of the SELECT that begins at tope->inicioMiembro.
void cerrarTope(Toks& out, std::optional<Tope>& tope) {
    if (!tope) return;
    Toks lim;
    if (!tope->porcentaje) {
        lim.push_back({TT::Simbolo, QStringLiteral(" LIMIT ")});
        agregar(lim, tope->limite);
    } else if (unir(tope->limite).trimmed() != QLatin1String("100")) {
        const Toks miembro(out.begin() + static_cast<long>(tope->inicioMiembro), out.end());
        lim.push_back({TT::Simbolo, QStringLiteral(" LIMIT (SELECT CAST(CEIL(COUNT(*) * (")});
        agregar(lim, tope->limite);
        lim.push_back({TT::Simbolo, QStringLiteral(") / 100.0) AS bigint) FROM (")});
        agregar(lim, miembro);
        lim.push_back({TT::Simbolo, QStringLiteral(") AS kv_porcentaje)")});
    }
    tope.reset();
    if (lim.empty()) return;
    agregar(out, lim);
    out.push_back(blanco());
}

class Traductor {
public:
    explicit Traductor(const Nombres& n)
        : mNombres(n) {}

    Toks transformar(const Toks& t, size_t a, size_t b, bool enCondicion = false) {
        Toks out;
        std::optional<Tope> tope;
        bool compuesta = false;       // a UNION, EXCEPT or INTERSECT was seen at this level
        bool condicion = enCondicion; // inside WHERE, ON or HAVING
        auto cerrar = [&](bool envolver) {
            if (!tope) return;
            if (envolver) {
                // A member of a UNION takes its LIMIT inside a derived table.
                const size_t inicio = tope->inicioMiembro;
                Toks miembro(out.begin() + static_cast<long>(inicio), out.end());
                tope->inicioMiembro = 0;
                cerrarTope(miembro, tope);
                out.resize(inicio);
                out.push_back({TT::Simbolo, QStringLiteral("SELECT * FROM (")});
                agregar(out, miembro);
                out.push_back({TT::Simbolo, QStringLiteral(") AS kv_miembro ")});
            } else {
                cerrarTope(out, tope);
            }
        };
        for (size_t i = a; i < b; ++i) {
            const Tok& k = t[i];
            // An ORDER BY after the last member orders the whole compound, after that member's TOP.
            if (compuesta && k.es("ORDER")) cerrar(true);
            if (k.t == TT::Palabra) {
                if (k.es("WHERE") || k.es("HAVING") || k.es("ON"))
                    condicion = true;
                else if (k.es("FROM") || k.es("ORDER") || k.es("GROUP"))
                    condicion = false;
            }
            if (k.t == TT::FechaJet) {
                out.push_back({TT::Cadena, fechaJetComoTexto(k.s)});
                continue;
            }
            // Trailing blanks do not count in an equality, as on SQL Server.
            if (k.t == TT::Cadena && condicion && k.s.size() >= 2 && k.s.endsWith(QLatin1Char('\'')) &&
                esIgualdad(ultimoSignificativo(out))) {
                out.push_back({TT::Cadena, sinBlancosFinales(k.s)});
                continue;
            }
            if (k.sim('(')) {
                const size_t fin = cierre(t, i, b);
                // Bare table hint: FROM T (NOLOCK)
                if (pistaSuelta(out, t, i, fin, b)) {
                    i = fin;
                    continue;
                }
                out.push_back(k);
                agregar(out, transformar(t, i + 1, fin, condicion));
                if (fin < b) out.push_back(t[fin]);
                i = fin;
                continue;
            }
            // dbo.T and [dbo].T
            if (const size_t punto = (k.t == TT::Palabra || k.t == TT::Ident) ? prefijoDbo(t, i, b) : b;
                punto < b) {
                i = punto;
                continue;
            }
            if (k.t == TT::Ident) {
                out.push_back(nombre(k, mNombres));
                continue;
            }
            if (k.t != TT::Palabra) {
                out.push_back(k);
                continue;
            }
            const size_t j = sig(t, i + 1, b);
            const bool llamada = j < b && t[j].sim('(');
            if (const size_t fin = pistasConWith(t, i, b); fin < b) {
                if (out.empty() || out.back().t != TT::Espacio) out.push_back(blanco());
                i = fin;
                continue;
            }
            if (k.es("DELETE")) {
                out.push_back(k);
                if (deleteSinFrom(t, i, b)) {
                    out.push_back(blanco());
                    out.push_back(palabra("FROM"));
                }
                continue;
            }
            if (k.es("LIKE")) {
                // LIKE without letter case; the collation of the columns serves "=" only.
                size_t donde = out.size();
                for (size_t x = out.size(); x-- > 0;) {
                    if (!out[x].significativo()) continue;
                    if (out[x].es("NOT")) donde = x;
                    break;
                }
                out.insert(out.begin() + static_cast<long>(donde),
                           {TT::Simbolo, QStringLiteral(" COLLATE \"default\" ")});
                out.push_back(palabra("ILIKE"));
                continue;
            }
            // What the schema's getdate() returns, without the server inlining that function (it
            // parses its body again for every call a statement makes).
            if (llamada && k.es("GETDATE")) {
                if (const size_t fin = cierre(t, j, b); fin < b && sig(t, j + 1, b) == fin) {
                    out.push_back({TT::Simbolo, QStringLiteral("LOCALTIMESTAMP(3)")});
                    i = fin;
                    continue;
                }
            }
            if (llamada && k.es("ISNULL")) {
                out.push_back(palabra("COALESCE"));
                continue;
            }
            if (llamada && (k.es("CONVERT") || k.es("CAST"))) {
                const size_t fin = cierre(t, j, b);
                if (fin < b) {
                    if (k.es("CONVERT")) {
                        const auto args = argumentos(t, j, fin);
                        if (args.size() >= 2) {
                            const QString tipo = unir(t, args[0].first, args[0].second);
                            const Toks expr = transformar(t, args[1].first, args[1].second, condicion);
                            const QString estilo =
                                args.size() > 2 ? unir(t, args[2].first, args[2].second) : QString();
                            agregar(out, conversionPg(tipo, expr, estilo));
                            i = fin;
                            continue;
                        }
                    } else if (const size_t as = asDelCast(t, j, fin); as < fin) {
                        const Toks expr = transformar(t, j + 1, as, condicion);
                        agregar(out, conversionPg(unir(t, as + 1, fin), expr, QString()));
                        i = fin;
                        continue;
                    }
                }
            }
            if (k.es("UNION") || k.es("EXCEPT") || k.es("INTERSECT")) {
                compuesta = true;
                cerrar(true);
                condicion = false;
                out.push_back(k);
                continue;
            }
            if (k.es("SELECT")) {
                cerrar(true);
                const size_t inicio = out.size();
                out.push_back(k);
                size_t ultimo = i;
                size_t x = j;
                if (x < b && (t[x].es("DISTINCT") || t[x].es("ALL"))) {
                    out.push_back(blanco());
                    out.push_back(t[x]);
                    ultimo = x;
                    x = sig(t, x + 1, b);
                }
                if (x < b && t[x].es("TOP")) {
                    Tope nuevo;
                    const ClausulaTop c = leerTop(t, x, b);
                    nuevo.limite =
                        limiteDeTop(t, c, b, [&](size_t y, size_t z) { return transformar(t, y, z); });
                    nuevo.porcentaje = c.porcentaje;
                    nuevo.inicioMiembro = inicio;
                    out.push_back(blanco());
                    tope = std::move(nuevo);
                    i = c.fin;
                } else {
                    i = ultimo;
                }
                continue;
            }
            // A name of the schema, also before "(" (INSERT INTO T (...)): no function bears one.
            if (!k.s.startsWith(QLatin1Char('@')) && !k.s.startsWith(QLatin1Char('#'))) {
                out.push_back(nombre(k, mNombres));
                continue;
            }
            out.push_back(k);
        }
        // The last member of a UNION keeps its TOP to itself too.
        cerrar(compuesta);
        return out;
    }

private:
    const Nombres& mNombres;
};

// SQL Server's column types in a definition read as PostgreSQL's.
Toks definicion(const Toks& s, const Nombres& nombres) {
    Toks out;
    for (size_t i = 0; i < s.size(); ++i) {
        const Tok& k = s[i];
        if (k.es("IDENTITY")) {
            size_t j = sig(s, i + 1, s.size());
            if (j < s.size() && s[j].sim('(')) i = cierre(s, j, s.size());
            out.push_back({TT::Simbolo, QStringLiteral("GENERATED BY DEFAULT AS IDENTITY")});
            continue;
        }
        if (k.t == TT::Palabra) {
            const QString base = k.s.toLower();
            const Tok* prev = ultimoSignificativo(out);
            if (cambiaEnPostgres(base) && prev && (prev->t == TT::Ident || prev->t == TT::Palabra) &&
                !prev->es("AS")) {
                QString tipo = k.s;
                size_t j = sig(s, i + 1, s.size());
                if (j < s.size() && s[j].sim('(')) {
                    const size_t fin = cierre(s, j, s.size());
                    tipo += unir(s, j, fin + 1);
                    i = fin;
                }
                const QString pgTipo = tipoPostgres(tipo);
                out.push_back({TT::Palabra, pgTipo});
                if (esTipoTexto(pgTipo)) out.push_back({TT::Palabra, QStringLiteral(" COLLATE es_ci_as")});
                continue;
            }
        }
        if (const size_t punto = prefijoDbo(s, i, s.size()); punto < s.size()) {
            i = punto;
            continue;
        }
        if (k.t == TT::Ident || (k.t == TT::Palabra && nombres.contains(k.s.toLower())))
            out.push_back(nombre(k, nombres));
        else
            out.push_back(k);
    }
    return out;
}

tsql::Sentencia clasificar(const Toks& s, const Nombres& nombres, const tsql::Opciones* lecturas) {
    tsql::Sentencia r;
    r.clase = claseDe(s);
    if (r.clase != tsql::Sentencia::Clase::Normal) {
        r.texto = unir(s).trimmed();
        return r;
    }
    const Tok& k = s[sig(s, 0, s.size())];
    if (k.es("CREATE") || k.es("ALTER")) {
        r.texto = unir(definicion(s, nombres)).trimmed();
        return r;
    }
    // The grid's pages by key offset: NOT IN over a million keys has no good plan here either.
    if (k.es("SELECT")) {
        QString pagina = tsql::paginaPorDesplazamiento(unir(s));
        if (lecturas) {
            const QString base = pagina.isEmpty() ? unir(s) : pagina;
            const QString rapida = tsql::conLecturasRapidas(base, *lecturas);
            if (rapida != base) {
                pagina = rapida;
                r.lecturaRapida = true;
            }
        }
        if (!pagina.isEmpty()) {
            const Toks p = tokenizar(pagina);
            r.texto = unir(Traductor(nombres).transformar(p, 0, p.size())).trimmed();
            return r;
        }
    }
    r.texto = unir(Traductor(nombres).transformar(s, 0, s.size())).trimmed();
    return r;
}

} // namespace

QString tipoPostgres(const QString& tipoSqlServer) {
    const QString t = tipoSqlServer.trimmed().toLower();
    const int p = t.indexOf(QLatin1Char('('));
    const QString base = (p < 0 ? t : t.left(p)).trimmed();
    const QString args = p < 0 ? QString() : t.mid(p).remove(QLatin1Char(' '));
    const TipoSql* fila = tipoSqlPorNombre(base);
    if (!fila) return base + args;
    if (args == QLatin1String("(max)") && *fila->postgresMaximo) return QLatin1String(fila->postgresMaximo);
    QString r = QLatin1String(fila->postgres);
    if (r.endsWith(QLatin1Char('('))) r = r.chopped(1) + args;
    return r;
}

Nombres nombresDe(const QStringList& declarados) {
    // One spelling per name: the first one read.
    Nombres r;
    for (const QString& n : declarados)
        if (!r.contains(n.toLower())) r.insert(n.toLower(), n);
    return r;
}

std::vector<tsql::Sentencia> traducirLote(const QString& lote, const Nombres& nombres,
                                          const tsql::Opciones* lecturas) {
    std::vector<tsql::Sentencia> r;
    for (const Toks& s : dividir(tokenizar(lote))) {
        tsql::Sentencia x = clasificar(s, nombres, lecturas);
        if (x.clase == tsql::Sentencia::Clase::Nada && x.texto.isEmpty()) continue;
        r.push_back(std::move(x));
    }
    return r;
}

QString traducir(const QString& sentencia, const Nombres& nombres) {
    QStringList partes;
    for (const auto& s : traducirLote(sentencia, nombres))
        partes << s.texto;
    return partes.join(QStringLiteral("; "));
}

} // namespace ado::pg
