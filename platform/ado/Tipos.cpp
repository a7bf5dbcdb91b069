#include "platform/ado/Tipos.h"
#include "platform/ado/Motor.h"

#include <QRegularExpression>

namespace ado {

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

    auto texto = [&](int tipo, int defecto) {
        d.tipo = tipo;
        d.tamano = maximo ? 2147483647 : (n1 > 0 ? n1 : defecto);
        if (maximo) d.tipo = (tipo == adVarWChar || tipo == adWChar) ? adLongVarWChar : adLongVarChar;
    };
    if (base == QLatin1String("varchar") || base == QLatin1String("character varying"))
        texto(adVarChar, 1);
    else if (base == QLatin1String("nvarchar"))
        texto(adVarWChar, 1);
    else if (base == QLatin1String("char") || base == QLatin1String("character"))
        texto(adChar, 1);
    else if (base == QLatin1String("nchar"))
        texto(adWChar, 1);
    else if (base == QLatin1String("text") || base == QLatin1String("clob") || base.isEmpty()) {
        d.tipo = adLongVarChar;
        d.tamano = 2147483647;
    } else if (base == QLatin1String("ntext")) {
        d.tipo = adLongVarWChar;
        d.tamano = 1073741823;
    } else if (base == QLatin1String("int") || base == QLatin1String("integer")) {
        d.tipo = adInteger;
        d.tamano = 4;
        d.precision = 10;
    } else if (base == QLatin1String("smallint")) {
        d.tipo = adSmallInt;
        d.tamano = 2;
        d.precision = 5;
    } else if (base == QLatin1String("tinyint")) {
        d.tipo = adUnsignedTinyInt;
        d.tamano = 1;
        d.precision = 3;
    } else if (base == QLatin1String("bigint")) {
        d.tipo = adBigInt;
        d.tamano = 8;
        d.precision = 19;
    } else if (base == QLatin1String("bit") || base == QLatin1String("boolean")) {
        d.tipo = adBoolean;
        d.tamano = 2;
    } else if (base == QLatin1String("numeric") || base == QLatin1String("decimal")) {
        d.tipo = adNumeric;
        d.tamano = 19;
        d.precision = static_cast<uint8_t>(n1 > 0 ? n1 : 18);
        d.escala = static_cast<uint8_t>(n2);
    } else if (base == QLatin1String("money")) {
        d.tipo = adCurrency;
        d.tamano = 8;
        d.precision = 19;
        d.escala = 4;
    } else if (base == QLatin1String("smallmoney")) {
        d.tipo = adCurrency;
        d.tamano = 4;
        d.precision = 10;
        d.escala = 4;
    } else if (base == QLatin1String("float") || base == QLatin1String("double") ||
               base == QLatin1String("double precision")) {
        d.tipo = adDouble;
        d.tamano = 8;
        d.precision = 15;
    } else if (base == QLatin1String("real")) {
        d.tipo = adSingle;
        d.tamano = 4;
        d.precision = 7;
    } else if (base == QLatin1String("datetime") || base == QLatin1String("smalldatetime") ||
               base == QLatin1String("datetime2") || base == QLatin1String("timestamp")) {
        d.tipo = adDBTimeStamp;
        d.tamano = 16;
    } else if (base == QLatin1String("date")) {
        d.tipo = adDBDate;
        d.tamano = 6;
    } else if (base == QLatin1String("time")) {
        d.tipo = adDBTime;
        d.tamano = 6;
    } else if (base == QLatin1String("uniqueidentifier")) {
        d.tipo = adGUID;
        d.tamano = 16;
    } else if (base == QLatin1String("varbinary") || base == QLatin1String("binary")) {
        d.tipo = maximo ? adLongVarBinary : adVarBinary;
        d.tamano = maximo ? 2147483647 : (n1 > 0 ? n1 : 1);
    } else if (base == QLatin1String("image") || base == QLatin1String("blob")) {
        d.tipo = adLongVarBinary;
        d.tamano = 2147483647;
    } else {
        d.tipo = adVarChar;
        d.tamano = 255;
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
