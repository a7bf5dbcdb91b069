#pragma once
// Text compared as the suite's server compares it (SQL Server's
// Modern_Spanish_CI_AS): letter case never counts, accents do; ñ is a letter
// of its own between n and o; an accented vowel sorts with its vowel (Á
// right after A, before B); digits before letters. The embedded engine's
// collation and LIKE, and the searches the windows make in what they show,
// all read this one rule.
//
// Two levels, as the server compares: first the letters without their
// accents (ñ apart) over the whole text; only where those are the same, the
// letters with their accents. Letter case is Unicode's simple case folding.
// The letters of Windows-1252 (the code page of the suite's varchar columns)
// have their place among the Latin letters; any other character follows the
// letters in code order. ASCII keeps its code order, so that on ASCII text
// this order is exactly SQLite's NOCASE.

#include <QString>
#include <QStringView>
#include <memory>
#include <string_view>

namespace plataforma::intercalacion {

char32_t plegar(char32_t c);
QString plegar(QStringView s);

// < 0, 0 or > 0. The UTF-8 form is the embedded engine's collation.
int comparar(QStringView a, QStringView b);
int comparar(std::string_view a, std::string_view b);

bool contiene(QStringView texto, QStringView buscado);
bool empiezaCon(QStringView texto, QStringView inicio);

// SQLite's NOCASE, which folds ASCII letters only, finds for this text
// exactly what the rule finds (same equality against any other text): it
// holds no letter beyond ASCII that has a case.
bool bastaNocase(QStringView s);

// The byte ESCAPE names may be a character of its own; none by default.
inline constexpr char32_t kSinEscape = 0xFFFFFFFF;

// SQL Server's LIKE under the rule: % any run of characters, _ one
// character, [abc], [a-c] and [^abc] one character of a set (a range by the
// collation's order), the escape character makes the next one plain.
class PatronLike {
public:
    explicit PatronLike(std::string_view patronUtf8, char32_t escape = kSinEscape);
    explicit PatronLike(QStringView patron, char32_t escape = kSinEscape);
    ~PatronLike();
    PatronLike(const PatronLike&) = delete;
    PatronLike& operator=(const PatronLike&) = delete;

    bool coincide(std::string_view valorUtf8) const;
    bool coincide(QStringView valor) const;
    char32_t escape() const;

private:
    struct Datos;
    std::unique_ptr<Datos> d;
};

bool coincideLike(QStringView valor, QStringView patron, char32_t escape = kSinEscape);

} // namespace plataforma::intercalacion
