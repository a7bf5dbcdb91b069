#pragma once
// Reading a result as the list and the export show it: its columns (name,
// type, whether numbers line up on the right) and each row's values and
// texts. Reading stays apart from drawing: the grid draws what this reads,
// the export writes it to a workbook.

#include "platform/ado/Ado.h"

#include <QStringList>
#include <QVector>

namespace datos {

class DB_Dll;

struct ColumnaLeida {
    QString nombre;
    int tipo = ado::adVarChar;
    int32_t tamano = 0;
    bool alDerecha = false; // numbers, not yes/no
};

QVector<ColumnaLeida> columnasDe(ado::Recordset& rs);
// The current row's values, column by column.
QVector<QVariant> valoresDeFila(ado::Recordset& rs);
// A value as the list shows it.
QString textoDeCelda(const QVariant& v);

struct PaginaLeida {
    bool abierta = false; // false when the statement gave no result
    QVector<ColumnaLeida> columnas;
    QVector<QStringList> filas;
};

// The rows from the current one to the end, as texts.
PaginaLeida leerFilas(ado::Recordset& rs);
// One page of the list. A statement that names a column the source lacks
// (the column list the user chose is out of date) falls back on `base`.
PaginaLeida leerPagina(DB_Dll& db, const QString& sentencia, const QString& base);

} // namespace datos
