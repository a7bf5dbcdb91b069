#pragma once
// The text engine of the paged grid: aliases, column lists, WHERE, ORDER BY,
// the paged FROM part, the page and counting statements. Plain functions, so
// that they are tested without a window. Every comparison, search and
// replacement ignores letter case, as the grid module does.

#include <QString>
#include <QStringList>
#include <QVector>

namespace grid {

struct CampoAlias {
    QString Expresion;
    QString Alias;
};

// A column of the probe statement.
struct CampoProbe {
    QString nombre;
    int tipo = 200; // ADO type
};

// Everything the statements are composed from.
struct EstadoConsulta {
    QString sql;
    QString PrimaryKey = QStringLiteral("ID");
    int PageSize = 10;
    int16_t Find = 2;
    int16_t Order = 1;
    int16_t OrdenSent = 0;
    int16_t FormatDate = 103;
    QString Campos;
    QString CamposSel;
    QString OrderBy;
    bool conRownum = false; // Oracle's pages
    QVector<CampoAlias> mEquivalencias{CampoAlias{}};
    QString mCamposTodos;
    QString mCamposVista;
    QString mColFechas;
    QString mTabla;
    QString mFiltro;
    QString mWhere;
};

QVector<CampoAlias> ArmarEquivalencias(const QString& sql);
QString EquiCampo(const QVector<CampoAlias>& equivalencias, const QString& Campo, bool Equivalencia);
QString ArmarListaCampos(const QVector<CampoAlias>& equivalencias, const QString& lista);
// mTabla: the word after the first " FROM ".
QString tablaDeSql(const QString& sql);
QString ArmarWhere(const QString& sql, const QString& mFiltro);
// `encabezado`: header text of the current column (for OrdenSent 1 and 2).
QString ArmarOrden(const EstadoConsulta& e, const QString& encabezado);
// OrderBy made total for the page statements: the key is appended (in the
// direction of the last sort item) unless it is already one of the items;
// without any order, the key alone.
QString ordenTotal(const EstadoConsulta& e);
QString ArmarFromPaginado(const EstadoConsulta& e, int paginaSeleccionada);
// The items of an ORDER BY text, each with its direction.
struct ItemOrden {
    QString expresion; // trimmed, without brackets
    bool descendente = false;
};
QVector<ItemOrden> itemsDeOrden(const QString& orderBy);
// What the export reads: the rows of the counting statement (every page,
// with the search in force) in the order the list shows them.
QString sentenciaExportacion(const EstadoConsulta& e, const QString& sentenciaConteo);
// The probe statement of CargarCampos.
QString sentenciaProbe(const QString& sql, bool conExcepcionTop);

// Column lists from the probe's columns (no user column set).
struct ListasCampos {
    QString Campos;
    QString mCamposTodos;
    QString mColFechas;
    QStringList columnasBusqueda; // "Todos" first
};
ListasCampos listasSinSeleccion(const QVector<CampoProbe>& campos, const QString& probe,
                                const QString& PrimaryKey, int16_t FormatDate);
ListasCampos listasConSeleccion(const QVector<CampoProbe>& campos, const QString& PrimaryKey,
                                int16_t FormatDate, const QString& mCamposVista);

// The column list of the page statement (converted as CargarGrid keeps it).
QString listaParaPagina(EstadoConsulta& e);
QString sentenciaPagina(EstadoConsulta& e, int paginaSeleccionada);
QString sentenciaDeConteo(const EstadoConsulta& e);

// Condition of a search in all pages; empty when nothing is to be added
// (`fechaInvalida` tells the date message is due). `columna` is the search
// column's name, or "Todos" with `encabezados` the grid's column headers.
QString condicionBusqueda(const EstadoConsulta& e, const QString& texto, const QString& columna,
                          int indiceColumna, const QStringList& encabezados, bool& fechaInvalida);
// Reads a search text as a date; the form the engine reads unambiguously.
bool leerFechaBusqueda(const QString& texto, QString& comoSql);

} // namespace grid
