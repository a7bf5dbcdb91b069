#include "platform/Texto1252.h"

namespace plataforma {

namespace {
// 0x80..0x9F; 0 where the code page has no character.
constexpr char16_t kAltos[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
} // namespace

QString desde1252(const QByteArray& bytes) {
    QString r;
    r.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0)
            r += QChar(kAltos[b - 0x80] ? kAltos[b - 0x80] : char16_t(b));
        else
            r += QChar(char16_t(b));
    }
    return r;
}

QByteArray a1252(const QString& texto) {
    QByteArray r;
    r.reserve(texto.size());
    for (QChar ch : texto) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            r += static_cast<char>(u);
            continue;
        }
        char b = '?';
        for (int i = 0; i < 32; ++i)
            if (kAltos[i] == u && u != 0) b = static_cast<char>(0x80 + i);
        r += b;
    }
    return r;
}

} // namespace plataforma
