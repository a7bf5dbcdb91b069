#pragma once
// Copies the rows of a statement into a new workbook: title block, coloured
// header row, shaded rows, a display format per value and optional sums.

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

class QLabel;

namespace exportacion {

// `Progreso` null: progress and cancel in the notice window.
// With `VistaPrevia` the workbook opens in the desktop's spreadsheet program;
// otherwise it is saved to `Archivo` (or, with no file, opened like a preview).
void ExportarExcel(const QString& SentenciaSQL, bool VistaPrevia, const QString& Titulo,
                   const QString& Subtitulo, const QString& Archivo, QLabel* Progreso, int16_t Reservado,
                   const QString& CamposTotales);
// 0 sheets means 2 (also in the caller's variable).
void AbrirLibroExcel(int16_t& NumHojas);
// Entry 0 of both lists is a placeholder; NumColumnas is one more than the entries.
void EncabezadoExcel(int16_t NumColumnas, const QStringList& Encabezados, const QVector<int32_t>& Anchos);
QString LetraColumna(int16_t Indice);

// Module state as the routines leave it.
double filaEncabezado();
// The file the last export wrote (the temporary one when it was shown).
QString ultimoLibro();
// Milliseconds between progress reports (40); 0 reports every cell.
void setIntervaloAviso(int ms);

} // namespace exportacion
