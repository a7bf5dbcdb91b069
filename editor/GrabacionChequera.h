#pragma once
// Saving one cheque book as one unit of work, outside any window: the range
// check under a write lock, the cheque book's row, and the upkeep of its two
// ledger accounts in the chart of accounts, stored together or not at all.
// The editor reads its boxes into DatosChequera, runs the save, and asks the
// user what a failure calls for.

#include "platform/ErrorEjecucion.h"
#include "platform/ado/Ado.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QVector>

namespace datos {
class DB_Dll;
}

namespace editor {

// What the editor's boxes hold.
struct DatosChequera {
    QString banco;     // the bank box as typed
    QString serie;     // trimmed
    QString talonario; // trimmed
    QString desde, hasta;
    QString cuenta, cuentaDiferido; // trimmed
    // The bank's name for the accounts a save creates (quotes already doubled).
    QString descripcionBanco;
    // Every box in index order, as the row stores them.
    struct Caja {
        QString campo, texto, tag;
    };
    QVector<Caja> cajas;
    // Who saves, for the history.
    QString usuario, maquina;
    // The save as it was before the history (what the benchmarks compare it with).
    bool sinHistorial = false;
};

// What the save does with the row: insert, update, delete, or (no flag set)
// leave the row and keep the accounts only.
enum class Operacion { Alta, Modificacion, Baja, SoloCuentas };

// The steps of a save, which a failure names and Ignore leaves out; the box
// being stored is its own step (kPasoCaja + its index).
enum PasoGrabacion {
    kPasoBloqueo = -2,
    kPasoSolape = -1,
    kPasoDespacho = 1,
    kPasoTextos = 2,
    kPasoCuentas = 4,
    kPasoFila = 5,
    kPasoCuentaBanco = 6,
    kPasoCuentaDiferido = 7,
    kPasoPrincipal = 8,
    kPasoHistorial = 10,
    kPasoConfirmar = 9,
    kPasoCaja = 100,
};

struct ResultadoGrabacion {
    enum class Estado { Hecha, Solape, Fallida };
    Estado estado = Estado::Hecha;
    QString solape;                   // Solape: the message naming the cheque book in the way
    int paso = 0;                     // Fallida: the step that failed
    int caja = -1;                    // the box being stored then, or -1
    plataforma::ErrorEjecucion error; // Fallida: the failure
    int nativo = 0;                   // the provider's native number of the failure
};

// Runs the save in one transaction on `db`'s connection, through the
// editor's updatable recordset; the steps in `omitidos` are left out (never
// the history's: what is stored has its history). A failure is rolled back
// before this returns.
ResultadoGrabacion grabarChequera(datos::DB_Dll& db, ado::Recordset& rsDatos, const DatosChequera& d,
                                  Operacion operacion, const QSet<int>& omitidos);

// The message of a range of the same bank and series that holds one of the
// numbers, or lies inside the entry's; empty when none. `bloquear` (inside a
// save) keeps the range locked until the commit.
QString buscarSolape(datos::DB_Dll& db, const DatosChequera& d, const QList<double>& numeros, bool bloquear);

// The chart-of-accounts statements of a save.
QString sentenciaAltaCuenta(const QString& codigo, const QString& descripcionBanco, const QString& medio,
                            const QString& prefijo, const QString& banco, const QString& pideVencimiento);
QString sentenciaMarcaCuenta(const QString& codigo, const QString& medio);
QString sentenciaCuentaPrincipal(const QString& cuenta, const QString& cuentaDiferido);

// The history of every save: one row per field a save changed, of the cheque
// book or of an account it keeps.
inline constexpr const char* kTablaHistorial = "TA_QUENZAR_HISTORIAL";
inline constexpr const char* kVistaHistorial = "VT_HISTORIAL";
struct CambioHistorial {
    QString operacion; // "Alta", "Modificación", "Baja"
    QString tabla;     // TA_QUENZAR or MA_CUENTAS
    QString clave;     // the cheque book's bank/series/number, or the account's code
    QString campo;
    QString antes, despues; // null: no value
};
// Whether saves on `db` keep history: the table is there, or the database is
// one the program may complete and it was added now. Asked once per database.
bool historialDisponible(datos::DB_Dll& db);
// A value as the history writes it (null stays null).
QString textoDeHistorial(const QVariant& valor);
// The statement that adds the rows, with the server's date and time: "?"
// markers and their values.
struct SentenciaConValores {
    QString sql;
    QVector<QVariant> valores;
};
SentenciaConValores sentenciaHistorial(const QVector<CambioHistorial>& cambios, qint64 idChequera,
                                       const QString& usuario, const QString& maquina);

// "Numeric value of a text": blanks ignored, the number it begins with
// (period as decimal point), 0 when it begins with none.
double valorNumerico(const QString& texto);

} // namespace editor
