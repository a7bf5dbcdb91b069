#include "platform/ado/Tipos.h"
#include "platform/ado/Motor.h"

#include <QRegularExpression>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace ado {

const std::vector<TipoSql>& tiposSql() {
    // clang-format off
    static const std::vector<TipoSql> tabla = {
        // names                                     ODBC codes                       ADO type           size             prec esc (max)            PostgreSQL           its (max)  reads there as
        {"varchar;character varying",                {SQL_VARCHAR, 0},                adVarChar,         kLargoDeclarado, 0,  0,  adLongVarChar,  "varchar(",          "text",   adVarWChar},
        {"nvarchar",                                 {SQL_WVARCHAR, 0},               adVarWChar,        kLargoDeclarado, 0,  0,  adLongVarWChar, "varchar(",          "text",   adVarWChar},
        {"char;character",                           {SQL_CHAR, 0},                   adChar,            kLargoDeclarado, 0,  0,  adLongVarChar,  "char(",             "text",   adWChar},
        {"nchar",                                    {SQL_WCHAR, 0},                  adWChar,           kLargoDeclarado, 0,  0,  adLongVarWChar, "char(",             "text",   adWChar},
        {"text;clob",                                {SQL_LONGVARCHAR, 0},            adLongVarChar,     2147483647,      0,  0,  0,              "text",              "text",   adLongVarWChar},
        {"ntext",                                    {SQL_WLONGVARCHAR, 0},           adLongVarWChar,    1073741823,      0,  0,  0,              "text",              "text",   adLongVarWChar},
        {"int;integer",                              {SQL_INTEGER, 0},                adInteger,         4,               10, 0,  0,              "int",               "",       adInteger},
        {"smallint",                                 {SQL_SMALLINT, 0},               adSmallInt,        2,               5,  0,  0,              "smallint",          "",       adSmallInt},
        {"tinyint",                                  {SQL_TINYINT, 0},                adUnsignedTinyInt, 1,               3,  0,  0,              "smallint",          "",       adSmallInt},
        {"bigint",                                   {SQL_BIGINT, 0},                 adBigInt,          8,               19, 0,  0,              "bigint",            "",       adBigInt},
        {"bit;boolean",                              {SQL_BIT, 0},                    adBoolean,         2,               0,  0,  0,              "smallint",          "",       adSmallInt},
        {"numeric|decimal",                          {SQL_NUMERIC, SQL_DECIMAL},      adNumeric,         19,              18, 0,  0,              "numeric(",          "",       adNumeric},
        {"money",                                    {0, 0},                          adCurrency,        8,               19, 4,  0,              "numeric(19,4)",     "",       adNumeric},
        {"smallmoney",                               {0, 0},                          adCurrency,        4,               10, 4,  0,              "numeric(19,4)",     "",       adNumeric},
        {"float;double|double precision",            {SQL_FLOAT, SQL_DOUBLE},         adDouble,          8,               15, 0,  0,              "double precision",  "",       adDouble},
        {"real",                                     {SQL_REAL, 0},                   adSingle,          4,               7,  0,  0,              "real",              "",       adSingle},
        {"datetime|smalldatetime|datetime2;timestamp", {SQL_TYPE_TIMESTAMP, SQL_DATETIME}, adDBTimeStamp, 16,            0,  0,  0,              "timestamp",         "",       adDBTimeStamp},
        {"date",                                     {SQL_TYPE_DATE, 0},              adDBDate,          6,               0,  0,  0,              "date",              "",       adDBDate},
        {"time",                                     {SQL_TYPE_TIME, 0},              adDBTime,          6,               0,  0,  0,              "time",              "",       adDBTime},
        {"uniqueidentifier",                         {SQL_GUID, 0},                   adGUID,            16,              0,  0,  0,              "uuid",              "",       adGUID},
        {"varbinary",                                {SQL_VARBINARY, 0},              adVarBinary,       kLargoDeclarado, 0,  0,  adLongVarBinary, "bytea",            "bytea",  adLongVarBinary},
        {"binary",                                   {SQL_BINARY, 0},                 adBinary,          kLargoDeclarado, 0,  0,  0,              "bytea",             "",       adLongVarBinary},
        {"image;blob",                               {SQL_LONGVARBINARY, 0},          adLongVarBinary,   2147483647,      0,  0,  0,              "bytea",             "",       adLongVarBinary},
    };
    // clang-format on
    return tabla;
}

bool nombraTipo(const TipoSql& t, const QString& nombre, bool soloSqlServer) {
    const QLatin1String nombres(t.nombres);
    const qsizetype corte = nombres.indexOf(QLatin1Char(';'));
    const QLatin1String partes[] = {corte < 0 ? nombres : nombres.left(corte),
                                    corte < 0 || soloSqlServer ? QLatin1String() : nombres.mid(corte + 1)};
    for (const QLatin1String& parte : partes)
        for (const auto& x : parte.tokenize(QLatin1Char('|')))
            if (!x.isEmpty() && x.compare(nombre.trimmed(), Qt::CaseInsensitive) == 0) return true;
    return false;
}

const TipoSql* tipoSqlPorNombre(const QString& nombre) {
    for (const TipoSql& t : tiposSql())
        if (nombraTipo(t, nombre, false)) return &t;
    return nullptr;
}

const TipoSql* tipoSqlPorOdbc(int codigo) {
    if (codigo == 0) return nullptr;
    for (const TipoSql& t : tiposSql())
        if (t.odbc[0] == codigo || t.odbc[1] == codigo) return &t;
    return nullptr;
}

DescCampo tipoDeclarado(const QString& declarado) {
    DescCampo d;
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*([A-Za-z_ ]+?)\s*(?:\(\s*(\w+)\s*(?:,\s*(\d+)\s*)?\))?\s*$)"));
    const auto m = re.match(declarado);
    const QString base = m.hasMatch() ? m.captured(1).toLower() : declarado.trimmed().toLower();
    const QString a1 = m.captured(2);
    const bool maximo = a1.compare(QLatin1String("max"), Qt::CaseInsensitive) == 0;
    const int n1 = a1.toInt();
    const int n2 = m.captured(3).toInt();
    const TipoSql* t = base.isEmpty() ? tipoSqlPorNombre(QStringLiteral("text")) : tipoSqlPorNombre(base);
    if (!t) {
        d.tipo = adVarChar;
        d.tamano = 255;
        return d;
    }
    d.tipo = maximo && t->adoMaximo ? t->adoMaximo : t->ado;
    d.tamano = t->tamano != kLargoDeclarado ? t->tamano : maximo ? 2147483647 : (n1 > 0 ? n1 : 1);
    d.precision = t->precision;
    d.escala = t->escala;
    if (t->ado == adNumeric) {
        d.precision = static_cast<uint8_t>(n1 > 0 ? n1 : t->precision);
        d.escala = static_cast<uint8_t>(n2);
    }
    return d;
}

namespace {
DescCampo campo(const char* nombre, int tipo) {
    DescCampo d;
    d.nombre = QLatin1String(nombre);
    d.tipo = tipo;
    d.tamano = tipo == adVarWChar ? 128 : 4;
    return d;
}
} // namespace

QVector<DescCampo> camposEsquemaTablas() {
    QVector<DescCampo> r;
    for (const char* n :
         {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE", "TABLE_GUID", "DESCRIPTION"})
        r.push_back(campo(n, adVarWChar));
    return r;
}

QVector<DescCampo> camposEsquemaColumnas() {
    return {campo("TABLE_CATALOG", adVarWChar),    campo("TABLE_SCHEMA", adVarWChar),
            campo("TABLE_NAME", adVarWChar),       campo("COLUMN_NAME", adVarWChar),
            campo("ORDINAL_POSITION", adInteger),  campo("COLUMN_HASDEFAULT", adBoolean),
            campo("COLUMN_DEFAULT", adVarWChar),   campo("IS_NULLABLE", adBoolean),
            campo("DATA_TYPE", adInteger),         campo("CHARACTER_MAXIMUM_LENGTH", adInteger),
            campo("NUMERIC_PRECISION", adInteger), campo("NUMERIC_SCALE", adInteger)};
}

bool esTipoTexto(int t) {
    return t == adChar || t == adWChar || t == adVarChar || t == adVarWChar || t == adLongVarChar ||
           t == adLongVarWChar;
}

bool esTipoFecha(int t) {
    return t == adDate || t == adDBDate || t == adDBTime || t == adDBTimeStamp;
}

bool esTipoNumerico(int t) {
    return t == adSmallInt || t == adInteger || t == adSingle || t == adDouble || t == adCurrency ||
           t == adDecimal || t == adTinyInt || t == adUnsignedTinyInt || t == adBigInt || t == adNumeric ||
           t == adBoolean;
}

} // namespace ado
