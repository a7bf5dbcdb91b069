#pragma once
// ADO's enumerations with ADO's numbers, and what the engines hand to the
// data-access classes.

#include <QString>
#include <QVariant>
#include <QVector>
#include <cstdint>
#include <vector>

namespace ado {

enum CursorTypeEnum : int {
    adOpenUnspecified = -1,
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3
};
enum LockTypeEnum : int {
    adLockUnspecified = -1,
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4
};
enum ObjectStateEnum : int { adStateClosed = 0, adStateOpen = 1 };
enum CursorLocationEnum : int { adUseServer = 2, adUseClient = 3 };
enum SchemaEnum : int { adSchemaColumns = 4, adSchemaTables = 20 };
enum EditModeEnum : int { adEditNone = 0, adEditInProgress = 1, adEditAdd = 2 };
enum PositionEnum : int { adPosUnknown = -1, adPosBOF = -2, adPosEOF = -3 };
enum IsolationLevelEnum : int { adXactReadUncommitted = 256, adXactCursorStability = 4096 };

enum DataTypeEnum : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBoolean = 11,
    adVariant = 12,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adBigInt = 20,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// A column of a result as the engine describes it.
struct DescCampo {
    QString nombre;
    int tipo = adVarChar; // DataTypeEnum
    int32_t tamano = 0;   // DefinedSize
    uint8_t precision = 0;
    uint8_t escala = 0;
    bool admiteNulos = true;
};

// One message of the provider, as ADO's Error object carries it.
struct ErrorProveedor {
    QString SQLState;
    int32_t Number = 0;
    QString Description;
    int32_t NativeError = 0;
    QString Source;
};

using Fila = QVector<QVariant>;

// One type of the program's SQL (SQL Server's): how the engines declare,
// describe and read it. Every engine reads this one table.
struct TipoSql {
    const char* nombres; // the names it is declared with, "|" between them; SQL Server's
                         // come before a ";", other engines' after
    int16_t odbc[2];     // the SQL_* codes ODBC drivers describe it with (0: none)
    int ado;             // DataTypeEnum
    int32_t tamano;      // DefinedSize; kLargoDeclarado: the declared length (1 when none)
    uint8_t precision;   // numeric: when none is declared
    uint8_t escala;
    int adoMaximo;        // declared "(max)": that long type; 0 when it takes no (max)
    const char* postgres; // PostgreSQL's type; ending in "(" it keeps the declared arguments
    const char* postgresMaximo;
    int adoEnPostgres; // what a column of it reads as there, through PostgreSQL's driver
};
inline constexpr int32_t kLargoDeclarado = -1;

const std::vector<TipoSql>& tiposSql();
// The row of a declared name ("nvarchar", "double precision"); null when unknown.
const TipoSql* tipoSqlPorNombre(const QString& nombre);
// The name is one of the type's (SQL Server's only, when asked).
bool nombraTipo(const TipoSql& t, const QString& nombre, bool soloSqlServer);
// The row of an ODBC driver's SQL_* code; null when unknown.
const TipoSql* tipoSqlPorOdbc(int codigo);

// The ADO type and size for a declared column type such as "varchar(20)",
// "numeric(18,2)", "money" or "datetime". Unknown types read as varchar(255),
// no type at all as long text.
DescCampo tipoDeclarado(const QString& declarado);

// True for the text types (char, varchar, text and their wide forms).
bool esTipoTexto(int tipo);
bool esTipoFecha(int tipo);
bool esTipoNumerico(int tipo);

} // namespace ado
