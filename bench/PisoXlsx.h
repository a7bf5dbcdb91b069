#pragma once
// The export's floor: libxlsxwriter alone writing, from the sqlite3 library,
// the cells and formats the program's export writes.

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <sqlite3.h>
#include <xlsxwriter.h>

namespace bench {

// libxlsxwriter alone: the same cells and formats read straight from the engine
// (the header's, a grey fill on every other row, money for the numeric
// columns, text for texts that read as numbers).
inline double soloXlsx(const QString& rutaBase, const QString& destino, const QString& consulta) {
    QElapsedTimer t;
    t.start();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(rutaBase).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    lxw_workbook_options o{};
    o.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(QFile::encodeName(destino).constData(), &o);
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    lxw_format* encabezado = workbook_add_format(wb);
    format_set_border(encabezado, LXW_BORDER_THIN);
    format_set_bg_color(encabezado, 0x0000FF);
    format_set_font_color(encabezado, 0xFFFFFF);
    format_set_bold(encabezado);
    // By shade: plain, money, text.
    lxw_format* formatos[2][3];
    for (int s = 0; s < 2; ++s)
        for (int k = 0; k < 3; ++k) {
            // The default style is no format at all (the writer would look it up for every cell).
            if (!s && k == 0) {
                formatos[s][k] = nullptr;
                continue;
            }
            formatos[s][k] = workbook_add_format(wb);
            if (s) format_set_bg_color(formatos[s][k], 0xC0C0C0);
            if (k == 1) format_set_num_format(formatos[s][k], "#,##0.00");
            if (k == 2) format_set_num_format(formatos[s][k], "@");
        }
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = consulta.toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    const int cols = sqlite3_column_count(st);
    lxw_row_t fila = 0;
    for (int c = 0; c < cols; ++c)
        worksheet_write_string(ws, fila, static_cast<lxw_col_t>(c), sqlite3_column_name(st, c), encabezado);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++fila;
        const int sombra = (fila + 1) % 2;
        for (int c = 0; c < cols; ++c) {
            const auto col = static_cast<lxw_col_t>(c);
            const int tipo = sqlite3_column_type(st, c);
            if (tipo == SQLITE_INTEGER || tipo == SQLITE_FLOAT) {
                const bool entero = QByteArray(sqlite3_column_decltype(st, c)).startsWith("int");
                worksheet_write_number(ws, fila, col, sqlite3_column_double(st, c),
                                       formatos[sombra][entero ? 0 : 1]);
            } else if (tipo == SQLITE_NULL) {
                worksheet_write_blank(ws, fila, col, formatos[sombra][0]);
            } else {
                const char* texto = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                char* fin = nullptr;
                const double v = std::strtod(texto, &fin);
                const bool numero = *texto && fin && *fin == 0 && v != 0;
                worksheet_write_string(ws, fila, col, texto, formatos[sombra][numero ? 2 : 0]);
            }
        }
    }
    sqlite3_finalize(st);
    workbook_close(wb);
    sqlite3_close(db);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace bench
