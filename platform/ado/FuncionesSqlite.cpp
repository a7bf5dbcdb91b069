// SQL Server functions the program's statements use, registered on every
// embedded connection. Dates are stored as "yyyy-MM-dd[ HH:mm:ss]" text.

#include "platform/Intercalacion.h"
#include "platform/ado/EstilosFecha.h"
#include "platform/ado/MotorSqlite.h"
#include "platform/ado/TraductorTSql.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QString>
#include <cstdio>
#include <memory>
#include <sqlite3.h>
#include <string_view>

namespace ado {

namespace intercalacion = plataforma::intercalacion;

// Reads a stored date or a text in ISO or dd/mm/yyyy form.
bool leerFechaTexto(const QString& s, int estilo, QDateTime& r) {
    static const QRegularExpression iso(QStringLiteral(
        R"(^\s*(\d{4})[-/.](\d{1,2})[-/.](\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d{1,3}))?)?)?\s*$)"));
    static const QRegularExpression dmy(QStringLiteral(
        R"(^\s*(\d{1,2})[/.-](\d{1,2})[/.-](\d{2,4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    static const QRegularExpression compacta(QStringLiteral(R"(^\s*(\d{4})(\d{2})(\d{2})\s*$)"));
    int a, m, d, hh = 0, mi = 0, ss = 0, ms = 0;
    if (auto x = iso.match(s); x.hasMatch()) {
        a = x.captured(1).toInt();
        m = x.captured(2).toInt();
        d = x.captured(3).toInt();
        hh = x.captured(4).toInt();
        mi = x.captured(5).toInt();
        ss = x.captured(6).toInt();
        ms = x.captured(7).leftJustified(3, QLatin1Char('0')).toInt();
    } else if (auto y = dmy.match(s); y.hasMatch()) {
        // The suite works with day first; a month-first style says so.
        d = y.captured(1).toInt();
        m = y.captured(2).toInt();
        if (estilo != 0 && estiloFecha(estilo).mesPrimero) std::swap(d, m);
        a = y.captured(3).toInt();
        if (a < 100) a += a < 50 ? 2000 : 1900;
        hh = y.captured(4).toInt();
        mi = y.captured(5).toInt();
        ss = y.captured(6).toInt();
    } else if (auto z = compacta.match(s); z.hasMatch()) {
        a = z.captured(1).toInt();
        m = z.captured(2).toInt();
        d = z.captured(3).toInt();
    } else {
        return false;
    }
    const QDate f(a, m, d);
    const QTime h(hh, mi, ss, ms);
    if (!f.isValid() || !h.isValid()) return false;
    r = QDateTime(f, h);
    return true;
}

QString textoFechaAlmacenada(const QDateTime& f) {
    if (f.time() == QTime(0, 0)) return f.date().toString(QStringLiteral("yyyy-MM-dd"));
    if (f.time().msec()) return f.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return f.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

namespace {

QString texto(sqlite3_value* v) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

void devolverTexto(sqlite3_context* c, const QString& s) {
    const QByteArray b = s.toUtf8();
    sqlite3_result_text(c, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

QString numeroComoTexto(double v) {
    QString s = QString::number(v, 'f', 6);
    while (s.contains(QLatin1Char('.')) && (s.endsWith(QLatin1Char('0')) || s.endsWith(QLatin1Char('.'))))
        s.chop(1);
    return s;
}

void fnGetDate(sqlite3_context* c, int, sqlite3_value**) {
    // The rows of one statement ask within the same millisecond: the local time is worked out once
    // for them (it costs more than writing the row).
    thread_local qint64 ultimo = -1;
    thread_local QByteArray texto;
    const qint64 ahora = QDateTime::currentMSecsSinceEpoch();
    if (ahora != ultimo) {
        texto = QDateTime::fromMSecsSinceEpoch(ahora)
                    .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                    .toUtf8();
        ultimo = ahora;
    }
    sqlite3_result_text(c, texto.constData(), static_cast<int>(texto.size()), SQLITE_TRANSIENT);
}

void fnLen(sqlite3_context* c, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(c);
    QString s = texto(v[0]);
    int n = static_cast<int>(s.size());
    while (n > 0 && s[n - 1] == QLatin1Char(' '))
        --n; // LEN ignores trailing blanks
    sqlite3_result_int(c, n);
}

void fnCharIndex(sqlite3_context* c, int argc, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL || sqlite3_value_type(v[1]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    const QString buscado = texto(v[0]);
    const QString en = texto(v[1]);
    int desde = argc > 2 ? sqlite3_value_int(v[2]) - 1 : 0;
    if (desde < 0) desde = 0;
    if (buscado.isEmpty()) return sqlite3_result_int(c, 0);
    sqlite3_result_int(c, static_cast<int>(en.indexOf(buscado, desde, Qt::CaseInsensitive)) + 1);
}

void fnLeft(sqlite3_context* c, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(c);
    devolverTexto(c, texto(v[0]).left(qMax(0, sqlite3_value_int(v[1]))));
}

void fnRight(sqlite3_context* c, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(c);
    devolverTexto(c, texto(v[0]).right(qMax(0, sqlite3_value_int(v[1]))));
}

void fnSpace(sqlite3_context* c, int, sqlite3_value** v) {
    devolverTexto(c, QString(qBound(0, sqlite3_value_int(v[0]), 8000), QLatin1Char(' ')));
}

void fnReplicate(sqlite3_context* c, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(c);
    const QString s = texto(v[0]);
    const int n = qBound(0, sqlite3_value_int(v[1]), 8000);
    devolverTexto(c, s.repeated(n).left(8000));
}

void fnIsNumeric(sqlite3_context* c, int, sqlite3_value** v) {
    const int t = sqlite3_value_type(v[0]);
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) return sqlite3_result_int(c, 1);
    bool ok = false;
    texto(v[0]).trimmed().toDouble(&ok);
    sqlite3_result_int(c, ok ? 1 : 0);
}

// kv_texto(x, style, length): CONVERT(NVARCHAR(length), x, style).
void fnTexto(sqlite3_context* c, int, sqlite3_value** v) {
    const int t = sqlite3_value_type(v[0]);
    if (t == SQLITE_NULL) return sqlite3_result_null(c);
    const int estilo = sqlite3_value_int(v[1]);
    const int largo = sqlite3_value_int(v[2]);
    // Searches convert every cell of a million rows: integers and texts that
    // cannot be dates are answered without going through QString.
    if (t == SQLITE_INTEGER) {
        char buf[24];
        int n = std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(sqlite3_value_int64(v[0])));
        if (largo > 0 && n > largo) n = largo;
        return sqlite3_result_text(c, buf, n, SQLITE_TRANSIENT);
    }
    if (t == SQLITE_TEXT) {
        const auto* p = sqlite3_value_text(v[0]);
        const int bytes = sqlite3_value_bytes(v[0]);
        if (!(estilo != 0 && bytes >= 8 && p[4] == '-')) {
            if (largo <= 0) return sqlite3_result_value(c, v[0]);
            // Cut at `largo` UTF-16 units, as QString counts them.
            int unidades = 0;
            for (int i = 0; i < bytes; ++i) {
                if ((p[i] & 0xC0) == 0x80) continue;
                unidades += p[i] >= 0xF0 ? 2 : 1;
                if (unidades > largo)
                    return sqlite3_result_text(c, reinterpret_cast<const char*>(p), i, SQLITE_TRANSIENT);
            }
            return sqlite3_result_value(c, v[0]);
        }
    }
    QString r;
    if (t == SQLITE_INTEGER)
        r = QString::number(sqlite3_value_int64(v[0]));
    else if (t == SQLITE_FLOAT)
        r = numeroComoTexto(sqlite3_value_double(v[0]));
    else {
        r = texto(v[0]);
        QDateTime f;
        if (estilo != 0 && r.size() >= 8 && r[4] == QLatin1Char('-') && leerFechaTexto(r, 0, f)) {
            r = f.toString(QLatin1String(estiloFecha(estilo).qt));
        }
    }
    if (largo > 0 && r.size() > largo) r.truncate(largo);
    devolverTexto(c, r);
}

// kv_fecha(x, style): CONVERT(datetime, x, style).
void fnFecha(sqlite3_context* c, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(c);
    QDateTime f;
    if (!leerFechaTexto(texto(v[0]), sqlite3_value_int(v[1]), f)) {
        sqlite3_result_error(c, "kv_fecha: conversion", -1);
        sqlite3_result_error_code(c, SQLITE_MISMATCH);
        return;
    }
    devolverTexto(c, textoFechaAlmacenada(f));
}

void fnParteFecha(sqlite3_context* c, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(c);
    QDateTime f;
    if (!leerFechaTexto(texto(v[0]), 0, f)) return sqlite3_result_null(c);
    const auto parte = reinterpret_cast<intptr_t>(sqlite3_user_data(c));
    sqlite3_result_int(c, parte == 0 ? f.date().year() : parte == 1 ? f.date().month() : f.date().day());
}

std::string_view vista(sqlite3_value* v) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? std::string_view(p, static_cast<size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

int fnCompararEspanol(void*, int na, const void* a, int nb, const void* b) {
    return intercalacion::comparar(std::string_view(static_cast<const char*>(a), static_cast<size_t>(na)),
                                   std::string_view(static_cast<const char*>(b), static_cast<size_t>(nb)));
}

// like(pattern, value[, escape]): SQL Server's LIKE under the Spanish rule.
// The compiled pattern stays with the statement while the pattern is a constant.
void fnLike(sqlite3_context* c, int argc, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL || sqlite3_value_type(v[1]) == SQLITE_NULL) return;
    char32_t escape = intercalacion::kSinEscape;
    if (argc > 2) {
        if (sqlite3_value_type(v[2]) == SQLITE_NULL) return;
        const QString e = texto(v[2]);
        if (e.toUcs4().size() != 1) {
            sqlite3_result_error(c, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = intercalacion::plegar(e.toUcs4().front());
    }
    using intercalacion::PatronLike;
    auto* guardado = static_cast<PatronLike*>(sqlite3_get_auxdata(c, 0));
    std::unique_ptr<PatronLike> nuevo;
    if (!guardado || guardado->escape() != escape) {
        nuevo = std::make_unique<PatronLike>(vista(v[0]), escape);
        guardado = nuevo.get();
    }
    sqlite3_result_int(c, guardado->coincide(vista(v[1])) ? 1 : 0);
    if (nuevo)
        sqlite3_set_auxdata(c, 0, nuevo.release(), [](void* p) { delete static_cast<PatronLike*>(p); });
}

} // namespace

void registrarFunciones(sqlite3* db) {
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    // Text compares, sorts and matches as on the suite's server (Modern_Spanish_CI_AS).
    sqlite3_create_collation_v2(db, tsql::kIntercalacionEspanol, SQLITE_UTF8, nullptr, fnCompararEspanol,
                                nullptr);
    sqlite3_create_function_v2(db, "like", 2, det, nullptr, fnLike, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "like", 3, det, nullptr, fnLike, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "getdate", 0, SQLITE_UTF8, nullptr, fnGetDate, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "len", 1, det, nullptr, fnLen, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "charindex", 2, det, nullptr, fnCharIndex, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "charindex", 3, det, nullptr, fnCharIndex, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "left", 2, det, nullptr, fnLeft, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "right", 2, det, nullptr, fnRight, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "space", 1, det, nullptr, fnSpace, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "replicate", 2, det, nullptr, fnReplicate, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "isnumeric", 1, det, nullptr, fnIsNumeric, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "kv_texto", 3, det, nullptr, fnTexto, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "kv_fecha", 2, det, nullptr, fnFecha, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "year", 1, det, reinterpret_cast<void*>(0), fnParteFecha, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "month", 1, det, reinterpret_cast<void*>(1), fnParteFecha, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "day", 1, det, reinterpret_cast<void*>(2), fnParteFecha, nullptr, nullptr,
                               nullptr);
}

} // namespace ado
