#include "platform/Intercalacion.h"

#include <QChar>
#include <cstring>
#include <string>
#include <vector>

namespace plataforma::intercalacion {

namespace {

using Cps = std::u32string;

constexpr unsigned char minuscula(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c | 0x20) : c;
}

// Where a letter of Windows-1252 beyond ASCII sorts: the Latin letters it
// counts as at the first level. `propia` puts it right after its letter (ñ
// after n, before o) instead of with it.
struct Letra {
    char32_t c;
    const char* base;
    bool propia;
};

// Case-folded forms only: a capital letter is looked up once folded.
constexpr Letra kLetras[] = {
    {0xAA, "a", false},  {0xBA, "o", false},  {0xDF, "ss", false}, {0xE0, "a", false}, {0xE1, "a", false},
    {0xE2, "a", false},  {0xE3, "a", false},  {0xE4, "a", false},  {0xE5, "a", false}, {0xE6, "ae", false},
    {0xE7, "c", false},  {0xE8, "e", false},  {0xE9, "e", false},  {0xEA, "e", false}, {0xEB, "e", false},
    {0xEC, "i", false},  {0xED, "i", false},  {0xEE, "i", false},  {0xEF, "i", false}, {0xF0, "d", false},
    {0xF1, "n", true},   {0xF2, "o", false},  {0xF3, "o", false},  {0xF4, "o", false}, {0xF5, "o", false},
    {0xF6, "o", false},  {0xF8, "o", false},  {0xF9, "u", false},  {0xFA, "u", false}, {0xFB, "u", false},
    {0xFC, "u", false},  {0xFD, "y", false},  {0xFE, "th", false}, {0xFF, "y", false}, {0x153, "oe", false},
    {0x161, "s", false}, {0x17E, "z", false},
};

// Weights of the first level: ASCII by its code (so that ASCII text orders
// as NOCASE), the letters above at their Latin letter, anything else after
// every letter in code order.
constexpr uint32_t kPesoAscii = 8;
constexpr uint32_t kPesoOtros = 0x80u << kPesoAscii;

const Letra* buscarLetra(char32_t c) {
    if (c < 0xAA || c > 0x17E) return nullptr;
    for (const Letra& l : kLetras)
        if (l.c == c) return &l;
    return nullptr;
}

// The first-level weights of a folded character (at most two).
int pesos(char32_t c, uint32_t w[2]) {
    if (c < 0x80) {
        w[0] = static_cast<uint32_t>(c) << kPesoAscii;
        return 1;
    }
    if (const Letra* l = buscarLetra(c)) {
        int n = 0;
        for (const char* p = l->base; *p && n < 2; ++p)
            w[n++] = static_cast<uint32_t>(static_cast<unsigned char>(*p)) << kPesoAscii;
        if (l->propia) w[0] |= 0x80;
        return n;
    }
    w[0] = kPesoOtros + static_cast<uint32_t>(c);
    return 1;
}

char32_t leerUtf8(const unsigned char*& p, const unsigned char* fin) {
    const unsigned char b = *p++;
    if (b < 0x80) return b;
    int resto = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (resto < 0 || fin - p < resto) return 0xFFFD;
    char32_t c = b & (0x3F >> resto);
    for (int i = 0; i < resto; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (p[i] & 0x3F);
    }
    p += resto;
    return c;
}

void escribirUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void plegados(std::string_view s, Cps& out) {
    out.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* fin = p + s.size();
    while (p < fin)
        out += plegar(leerUtf8(p, fin));
}

void plegados(QStringView s, Cps& out) {
    out.clear();
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            ++i;
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), s[i].unicode());
        }
        out += plegar(c);
    }
}

// The folded text as UTF-8, for byte searches.
void plegarUtf8(std::string_view s, std::string& out) {
    out.clear();
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* fin = p + s.size();
    while (p < fin) {
        if (*p < 0x80) {
            out += static_cast<char>(minuscula(*p++));
            continue;
        }
        escribirUtf8(out, plegar(leerUtf8(p, fin)));
    }
}

// Both levels over two folded texts.
int compararPlegados(const char32_t* a, size_t na, const char32_t* b, size_t nb) {
    uint32_t wa[2], wb[2];
    int ka = 0, kb = 0, pa = 0, pb = 0;
    size_t ia = 0, ib = 0;
    for (;;) {
        if (pa == ka && ia < na) {
            ka = pesos(a[ia++], wa);
            pa = 0;
        }
        if (pb == kb && ib < nb) {
            kb = pesos(b[ib++], wb);
            pb = 0;
        }
        const bool finA = pa == ka, finB = pb == kb;
        if (finA || finB) {
            if (!finA) return 1;
            if (!finB) return -1;
            break;
        }
        if (wa[pa] != wb[pb]) return wa[pa] < wb[pb] ? -1 : 1;
        ++pa;
        ++pb;
    }
    for (size_t i = 0; i < na && i < nb; ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return na == nb ? 0 : na < nb ? -1 : 1;
}

int compararCaracter(char32_t a, char32_t b) {
    return compararPlegados(&a, 1, &b, 1);
}

} // namespace

char32_t plegar(char32_t c) {
    if (c < 0x80) return minuscula(static_cast<unsigned char>(c));
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    // µ keeps its own place rather than becoming Greek mu.
    if (c < 0x100) return c;
    return QChar::toCaseFolded(c);
}

QString plegar(QStringView s) {
    Cps c;
    plegados(s, c);
    return QString::fromUcs4(c.data(), static_cast<qsizetype>(c.size()));
}

int comparar(std::string_view a, std::string_view b) {
    // Alike ASCII beginnings decide nothing at either level; the first ASCII
    // letters that differ decide at the first level.
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    size_t i = 0;
    for (; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 0x80 || y >= 0x80) break;
        const unsigned char mx = minuscula(x), my = minuscula(y);
        if (mx != my) return mx < my ? -1 : 1;
    }
    if (i == n) return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
    thread_local Cps ca, cb;
    plegados(a.substr(i), ca);
    plegados(b.substr(i), cb);
    return compararPlegados(ca.data(), ca.size(), cb.data(), cb.size());
}

int comparar(QStringView a, QStringView b) {
    Cps ca, cb;
    plegados(a, ca);
    plegados(b, cb);
    return compararPlegados(ca.data(), ca.size(), cb.data(), cb.size());
}

bool contiene(QStringView texto, QStringView buscado) {
    return plegar(texto).contains(plegar(buscado));
}

bool empiezaCon(QStringView texto, QStringView inicio) {
    return plegar(texto).startsWith(plegar(inicio));
}

bool bastaNocase(QStringView s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (c < 0x80) continue;
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            ++i;
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), s[i].unicode());
        }
        if (plegar(c) != c || QChar::toUpper(c) != c) return false;
    }
    return true;
}

// ---- LIKE

struct PatronLike::Datos {
    enum class Tipo : uint8_t { Letra, Uno, Varios, Conjunto };
    struct Token {
        Tipo tipo;
        char32_t c = 0;
        int conjunto = -1;
    };
    struct Conjunto {
        bool negado = false;
        std::vector<std::pair<char32_t, char32_t>> rangos; // a single letter is a range of one
    };
    enum class Forma : uint8_t { General, Igual, Prefijo, Sufijo, Contiene, Todo };

    std::vector<Token> tokens;
    std::vector<Conjunto> conjuntos;
    char32_t escape = kSinEscape;
    Forma forma = Forma::General;
    std::string literal; // folded UTF-8 of the plain forms

    void compilar(const Cps& p) {
        for (size_t i = 0; i < p.size(); ++i) {
            const char32_t c = p[i];
            if (c == escape && i + 1 < p.size()) {
                tokens.push_back({Tipo::Letra, p[++i]});
            } else if (c == U'%') {
                if (tokens.empty() || tokens.back().tipo != Tipo::Varios) tokens.push_back({Tipo::Varios});
            } else if (c == U'_') {
                tokens.push_back({Tipo::Uno});
            } else if (c == U'[' && leerConjunto(p, i)) {
                tokens.push_back({Tipo::Conjunto, 0, static_cast<int>(conjuntos.size() - 1)});
            } else {
                tokens.push_back({Tipo::Letra, c});
            }
        }
        clasificar();
    }

    // "[...]" from i: a set, i left on its "]". Unclosed, the "[" is a letter.
    bool leerConjunto(const Cps& p, size_t& i) {
        size_t j = i + 1;
        Conjunto s;
        if (j < p.size() && p[j] == U'^') {
            s.negado = true;
            ++j;
        }
        const size_t inicio = j;
        for (; j < p.size(); ++j) {
            if (p[j] == U']' && j > inicio) break;
            if (j + 2 < p.size() && p[j + 1] == U'-' && p[j + 2] != U']') {
                s.rangos.push_back({p[j], p[j + 2]});
                j += 2;
            } else {
                s.rangos.push_back({p[j], p[j]});
            }
        }
        if (j >= p.size()) return false;
        conjuntos.push_back(std::move(s));
        i = j;
        return true;
    }

    // Patterns of letters with % only at their ends are searched as bytes.
    void clasificar() {
        size_t a = 0, b = tokens.size();
        const bool inicio = b > 0 && tokens[0].tipo == Tipo::Varios;
        if (inicio) ++a;
        const bool fin = b > a && tokens[b - 1].tipo == Tipo::Varios;
        if (fin) --b;
        for (size_t i = a; i < b; ++i) {
            if (tokens[i].tipo != Tipo::Letra) return;
            escribirUtf8(literal, tokens[i].c);
        }
        if (a == b && (inicio || fin))
            forma = Forma::Todo;
        else
            forma = inicio && fin ? Forma::Contiene
                    : inicio      ? Forma::Sufijo
                    : fin         ? Forma::Prefijo
                                  : Forma::Igual;
    }

    bool acepta(const Token& t, char32_t c) const {
        switch (t.tipo) {
        case Tipo::Letra:
            return t.c == c;
        case Tipo::Uno:
            return true;
        case Tipo::Conjunto: {
            const Conjunto& s = conjuntos[static_cast<size_t>(t.conjunto)];
            bool dentro = false;
            for (const auto& [lo, hi] : s.rangos) {
                dentro = lo == hi ? c == lo : compararCaracter(lo, c) <= 0 && compararCaracter(c, hi) <= 0;
                if (dentro) break;
            }
            return dentro != s.negado;
        }
        case Tipo::Varios:
            break;
        }
        return false;
    }

    bool casar(const Cps& s) const {
        const size_t np = tokens.size(), ns = s.size();
        size_t i = 0, j = 0, estrella = SIZE_MAX, marca = 0;
        while (i < ns) {
            if (j < np && tokens[j].tipo == Tipo::Varios) {
                estrella = j++;
                marca = i;
            } else if (j < np && acepta(tokens[j], s[i])) {
                ++i;
                ++j;
            } else if (estrella != SIZE_MAX) {
                j = estrella + 1;
                i = ++marca;
            } else {
                return false;
            }
        }
        while (j < np && tokens[j].tipo == Tipo::Varios)
            ++j;
        return j == np;
    }
};

PatronLike::PatronLike(std::string_view patronUtf8, char32_t escape)
    : d(std::make_unique<Datos>()) {
    d->escape = escape == kSinEscape ? kSinEscape : plegar(escape);
    Cps p;
    plegados(patronUtf8, p);
    d->compilar(p);
}

PatronLike::PatronLike(QStringView patron, char32_t escape)
    : d(std::make_unique<Datos>()) {
    d->escape = escape == kSinEscape ? kSinEscape : plegar(escape);
    Cps p;
    plegados(patron, p);
    d->compilar(p);
}

PatronLike::~PatronLike() = default;

char32_t PatronLike::escape() const {
    return d->escape;
}

bool PatronLike::coincide(std::string_view valor) const {
    using Forma = Datos::Forma;
    if (d->forma == Forma::Todo) return true;
    if (d->forma != Forma::General) {
        thread_local std::string v;
        plegarUtf8(valor, v);
        const std::string& l = d->literal;
        switch (d->forma) {
        case Forma::Igual:
            return v == l;
        case Forma::Prefijo:
            return v.size() >= l.size() && std::memcmp(v.data(), l.data(), l.size()) == 0;
        case Forma::Sufijo:
            return v.size() >= l.size() &&
                   std::memcmp(v.data() + v.size() - l.size(), l.data(), l.size()) == 0;
        case Forma::Contiene:
            return l.empty() || memmem(v.data(), v.size(), l.data(), l.size()) != nullptr;
        default:
            break;
        }
    }
    thread_local Cps s;
    plegados(valor, s);
    return d->casar(s);
}

bool PatronLike::coincide(QStringView valor) const {
    const QByteArray b = valor.toUtf8();
    return coincide(std::string_view(b.constData(), static_cast<size_t>(b.size())));
}

bool coincideLike(QStringView valor, QStringView patron, char32_t escape) {
    return PatronLike(patron, escape).coincide(valor);
}

} // namespace plataforma::intercalacion
