#pragma once
// The program's SQL Server dialect as tokens: one reading shared by every
// engine that translates it. Text inside literals and bracketed names is one
// token and is never looked into.

#include "platform/ado/TraductorTSql.h"

#include <QString>
#include <functional>
#include <utility>
#include <vector>

namespace ado::tsql {

enum class TT { Espacio, Palabra, Cadena, Ident, Numero, FechaJet, Simbolo };

struct Tok {
    TT t;
    QString s;
    bool es(const char* palabra) const {
        return t == TT::Palabra && s.compare(QLatin1String(palabra), Qt::CaseInsensitive) == 0;
    }
    bool sim(char c) const { return t == TT::Simbolo && s.size() == 1 && s[0] == QLatin1Char(c); }
    bool significativo() const { return t != TT::Espacio; }
};

using Toks = std::vector<Tok>;

Toks tokenizar(const QString& s);
QString unir(const Toks& t, size_t a, size_t b);
QString unir(const Toks& t);
// Next significant token at or after i, below b; b when none.
size_t sig(const Toks& t, size_t i, size_t b);
// Matching ")" of the "(" at i; b when unbalanced.
size_t cierre(const Toks& t, size_t i, size_t b);
const Tok* ultimoSignificativo(const Toks& out);
// A table hint (NOLOCK, UPDLOCK, ...).
bool esPista(const Tok& t);
// "(" at i holds table hints only (NOLOCK, ROWLOCK, INDEX(x), ...).
bool soloPistas(const Toks& t, size_t i, size_t fin);
// A Jet date literal (#m/d/y#, #y-m-d#) as a quoted 'yyyy-mm-dd[ hh:mm:ss]'.
QString fechaJetComoTexto(const QString& lit);
Tok palabra(const char* s);
Tok simbolo(const char* s);
Tok blanco();
void agregar(Toks& out, const Toks& mas);
// Splits the arguments of the call whose "(" is at i and ")" at fin.
std::vector<std::pair<size_t, size_t>> argumentos(const Toks& t, size_t i, size_t fin);
// The "AS" at depth 0 between the "(" at i and the ")" at fin of a CAST; fin when none.
size_t asDelCast(const Toks& t, size_t i, size_t fin);
// A name without its brackets, in lower case.
QString nombreSinCorchetes(const Tok& k);
// A name between brackets, and a text as a literal, in the program's dialect.
QString entreCorchetes(const QString& nombre);
QString literalDeTexto(const QString& texto);
// The TOP clause whose "TOP" is at i: its limit is [desde, hasta) (inside the
// parentheses when `parentesis`), whether it is PERCENT, and `fin`, the last
// token of the clause (WITH TIES included).
struct ClausulaTop {
    size_t desde = 0, hasta = 0;
    bool parentesis = false;
    bool porcentaje = false;
    size_t fin = 0;
};
ClausulaTop leerTop(const Toks& t, size_t i, size_t b);

// The TOP clause's limit as the engine writes it; `transformar` translates
// the tokens [a, b) of an expression between parentheses.
Toks limiteDeTop(const Toks& t, const ClausulaTop& c, size_t b,
                 const std::function<Toks(size_t a, size_t b)>& transformar);

// "dbo." or "[dbo]." at i: the index of its "."; b when there is none.
size_t prefijoDbo(const Toks& t, size_t i, size_t b);
// The "(" at i, its ")" at fin, holds only table hints and follows a name: FROM T (NOLOCK).
bool pistaSuelta(const Toks& out, const Toks& t, size_t i, size_t fin, size_t b);
// WITH (hints) at i: the index of its ")"; b when it is no list of hints.
size_t pistasConWith(const Toks& t, size_t i, size_t b);
// DELETE at i names its table without FROM ("DELETE T WHERE ...").
bool deleteSinFrom(const Toks& t, size_t i, size_t b);
// The last significant token is "=", "<>" or "!=": trailing blanks of a literal do not count.
bool esIgualdad(const Tok* previo);
// A quoted literal without its trailing blanks.
QString sinBlancosFinales(const QString& literal);
// What a statement of a batch is: transaction control, nothing to run, or a statement.
Sentencia::Clase claseDe(const Toks& s);

// Splits a batch into its statements (";" or a keyword that starts one).
std::vector<Toks> dividir(const Toks& t);

} // namespace ado::tsql
