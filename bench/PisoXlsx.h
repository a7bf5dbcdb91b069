#pragma once
// The export's floor: libxlsxwriter alone writing, straight from the engine's
// own library (sqlite3, libpq), the cells and formats the program's export
// writes: the header's, a grey fill on every other row, money for the numeric
// columns, text for texts that read as numbers.

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <xlsxwriter.h>

namespace bench {

class LibroPiso {
public:
    explicit LibroPiso(const QString& destino) {
        lxw_workbook_options o{};
        o.constant_memory = LXW_TRUE;
        mLibro = workbook_new_opt(QFile::encodeName(destino).constData(), &o);
        mHoja = workbook_add_worksheet(mLibro, nullptr);
        mEncabezado = workbook_add_format(mLibro);
        format_set_border(mEncabezado, LXW_BORDER_THIN);
        format_set_bg_color(mEncabezado, 0x0000FF);
        format_set_font_color(mEncabezado, 0xFFFFFF);
        format_set_bold(mEncabezado);
        for (int s = 0; s < 2; ++s)
            for (int k = 0; k < 3; ++k) {
                // The default style is no format at all (the writer would look it up for every cell).
                if (!s && k == 0) {
                    mFormatos[s][k] = nullptr;
                    continue;
                }
                mFormatos[s][k] = workbook_add_format(mLibro);
                if (s) format_set_bg_color(mFormatos[s][k], 0xC0C0C0);
                if (k == 1) format_set_num_format(mFormatos[s][k], "#,##0.00");
                if (k == 2) format_set_num_format(mFormatos[s][k], "@");
            }
    }
    ~LibroPiso() { workbook_close(mLibro); }
    LibroPiso(const LibroPiso&) = delete;
    LibroPiso& operator=(const LibroPiso&) = delete;

    void encabezado(int c, const char* nombre) {
        worksheet_write_string(mHoja, 0, static_cast<lxw_col_t>(c), nombre, mEncabezado);
    }
    void siguienteFila() { ++mFila; }
    void numero(int c, double v, bool entero) {
        worksheet_write_number(mHoja, mFila, static_cast<lxw_col_t>(c), v,
                               mFormatos[sombra()][entero ? 0 : 1]);
    }
    void vacia(int c) {
        worksheet_write_blank(mHoja, mFila, static_cast<lxw_col_t>(c), mFormatos[sombra()][0]);
    }
    void texto(int c, const char* t) {
        char* fin = nullptr;
        const double v = std::strtod(t, &fin);
        const bool comoNumero = *t && fin && *fin == 0 && v != 0;
        worksheet_write_string(mHoja, mFila, static_cast<lxw_col_t>(c), t,
                               mFormatos[sombra()][comoNumero ? 2 : 0]);
    }

private:
    int sombra() const { return static_cast<int>((mFila + 1) % 2); }
    lxw_workbook* mLibro = nullptr;
    lxw_worksheet* mHoja = nullptr;
    lxw_format* mEncabezado = nullptr;
    lxw_format* mFormatos[2][3]{}; // by shade: plain, money, text
    lxw_row_t mFila = 0;
};

// From the sqlite3 library.
inline double soloXlsx(const QString& rutaBase, const QString& destino, const QString& consulta) {
    QElapsedTimer t;
    t.start();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(rutaBase).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    {
        LibroPiso libro(destino);
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = consulta.toUtf8();
        sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
        const int cols = sqlite3_column_count(st);
        for (int c = 0; c < cols; ++c)
            libro.encabezado(c, sqlite3_column_name(st, c));
        while (sqlite3_step(st) == SQLITE_ROW) {
            libro.siguienteFila();
            for (int c = 0; c < cols; ++c) {
                const int tipo = sqlite3_column_type(st, c);
                if (tipo == SQLITE_INTEGER || tipo == SQLITE_FLOAT)
                    libro.numero(c, sqlite3_column_double(st, c),
                                 QByteArray(sqlite3_column_decltype(st, c)).startsWith("int"));
                else if (tipo == SQLITE_NULL)
                    libro.vacia(c);
                else
                    libro.texto(c, reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// From libpq, the rows read in one result (the fastest way libpq gives them).
inline double soloXlsxPg(const QByteArray& conexion, const QString& destino, const QString& consulta) {
    QElapsedTimer t;
    t.start();
    PGconn* cn = PQconnectdb(conexion.constData());
    PGresult* r = PQexec(cn, consulta.toUtf8().constData());
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
        std::fprintf(stderr, "libpq: %s\n", PQerrorMessage(cn));
        std::exit(1);
    }
    {
        LibroPiso libro(destino);
        const int cols = PQnfields(r), filas = PQntuples(r);
        for (int c = 0; c < cols; ++c)
            libro.encabezado(c, PQfname(r, c));
        // int2, int4, int8; numeric.
        auto entero = [&](int c) {
            return PQftype(r, c) == 21 || PQftype(r, c) == 23 || PQftype(r, c) == 20;
        };
        auto numerica = [&](int c) { return entero(c) || PQftype(r, c) == 1700; };
        for (int f = 0; f < filas; ++f) {
            libro.siguienteFila();
            for (int c = 0; c < cols; ++c) {
                if (PQgetisnull(r, f, c))
                    libro.vacia(c);
                else if (numerica(c))
                    libro.numero(c, std::strtod(PQgetvalue(r, f, c), nullptr), entero(c));
                else
                    libro.texto(c, PQgetvalue(r, f, c));
            }
        }
    }
    PQclear(r);
    PQfinish(cn);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace bench
