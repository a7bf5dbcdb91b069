#include "platform/ado/FallosSqlServer.h"

#include "platform/ErrorEjecucion.h"

namespace ado {

namespace errores = plataforma::errores;

const std::vector<FalloSqlServer>& fallosSqlServer() {
    // clang-format off
    static const std::vector<FalloSqlServer> tabla = {
        {2627,  "23000", errores::ViolacionIntegridad, "Infracción de la restricción PRIMARY KEY o UNIQUE KEY. No se puede insertar una clave duplicada en el objeto 'dbo.%1'. (%2)"},
        {547,   "23000", errores::ViolacionIntegridad, "La instrucción entró en conflicto con una restricción (%1)."},
        {515,   "23000", errores::ViolacionIntegridad, "No se puede insertar el valor NULL en la columna '%1', tabla '%2'; la columna no admite valores NULL."},
        {8152,  "22001", errores::DesbordeDatos,       "Los datos de cadena o binarios se truncarían."},
        {245,   "22018", errores::ConversionFallida,   "Error de conversión de tipos de datos (%1)."},
        {241,   "22007", errores::ConversionFallida,   "Error al convertir una fecha u hora a partir de una cadena de caracteres."},
        {242,   "22008", errores::ConversionFallida,   "La conversión del tipo de datos produjo un valor fuera del intervalo."},
        {8115,  "22003", errores::ConversionFallida,   "Error de desbordamiento aritmético."},
        {8134,  "22012", errores::ConversionFallida,   "Se encontró un error de división entre cero."},
        {207,   "42S22", errores::ErrorEnComando,      "El nombre de columna '%1' no es válido."},
        {208,   "42S02", errores::TablaNoExiste,       "El nombre de objeto '%1' no es válido."},
        {2714,  "42S01", errores::ErrorEnComando,      "Ya hay un objeto con el nombre '%1' en la base de datos."},
        {2705,  "42S21", errores::ErrorEnComando,      "Los nombres de columna de cada tabla deben ser únicos (%1)."},
        {102,   "42000", errores::ErrorEnComando,      "Sintaxis incorrecta cerca de '%1'."},
        {195,   "42000", errores::ErrorEnComando,      "'%1' no es un nombre de función integrada reconocido."},
        {4405,  "42000", errores::ErrorEnComando,      "La vista no es actualizable (%1)."},
        {229,   "42000", errores::ErrorEnComando,      "Se denegó el permiso en el objeto '%1'."},
        {3906,  "42000", errores::FalloGeneral,        "No se puede actualizar la base de datos porque es de solo lectura."},
        {1105,  "42000", errores::FalloGeneral,        "No se pudo asignar espacio: el disco está lleno."},
        {1222,  "HYT00", kTiempoAgotado,               "Se superó el tiempo de espera de bloqueo solicitado."},
        {0,     "HYT00", kTiempoAgotado,               "Tiempo de espera agotado."},
        {1205,  "40001", errores::FalloGeneral,        "La transacción quedó en interbloqueo y fue elegida como víctima."},
        {3998,  "25000", errores::FalloGeneral,        "Se detectó una transacción no confirmable al final del lote."},
        {11,    "08S01", errores::FalloGeneral,        "Error general de red. Consulte la documentación de la red."},
        {18456, "28000", errores::FalloGeneral,        "Error de inicio de sesión del usuario '%1'."},
        {4060,  "42000", errores::FalloGeneral,        "No se puede abrir la base de datos \"%1\" solicitada por el inicio de sesión. Error de inicio de sesión."},
        {911,   "42000", errores::FalloGeneral,        "La base de datos '%1' no existe."},
        {3621,  "01000", errores::ErrorEnComando,      "Se terminó la instrucción."},
    };
    // clang-format on
    return tabla;
}

const FalloSqlServer* falloSqlServer(int32_t nativo, const QString& estado) {
    for (const FalloSqlServer& f : fallosSqlServer())
        if (f.nativo == nativo && (nativo != 0 || estado == QLatin1String(f.estado))) return &f;
    return nullptr;
}

namespace {

int32_t numeroPorEstado(const QString& estado) {
    if (estado.startsWith(QLatin1String("23"))) return errores::ViolacionIntegridad;
    if (estado == QLatin1String("42S02")) return errores::TablaNoExiste;
    if (estado == QLatin1String("22001")) return errores::DesbordeDatos;
    if (estado.startsWith(QLatin1String("22"))) return errores::ConversionFallida;
    if (estado.startsWith(QLatin1String("42")) || estado.startsWith(QLatin1String("37")))
        return errores::ErrorEnComando;
    if (estado == QLatin1String("HYT00")) return kTiempoAgotado;
    return errores::FalloGeneral;
}

} // namespace

int32_t numeroAdoDe(const ErrorProveedor& e) {
    if (const FalloSqlServer* f = falloSqlServer(e.NativeError, e.SQLState)) return f->numeroAdo;
    return numeroPorEstado(e.SQLState);
}

ErrorProveedor errorSqlServer(int32_t nativo, const QString& origen, const QStringList& nombres,
                              const QString& textoPropio) {
    // Native 0 is the time-out's, the one listed without a number.
    const FalloSqlServer* f = falloSqlServer(nativo, QStringLiteral("HYT00"));
    ErrorProveedor e;
    e.NativeError = nativo;
    e.Source = origen;
    e.SQLState = f ? QLatin1String(f->estado) : QStringLiteral("42000");
    e.Number = f ? f->numeroAdo : errores::ErrorEnComando;
    const QString texto = textoPropio.isEmpty() && f ? QString::fromUtf8(f->texto) : textoPropio;
    // One pass, so that a name holding "%2" stays as it is.
    e.Description = nombres.size() >= 2   ? texto.arg(nombres[0], nombres[1])
                    : nombres.size() == 1 ? texto.arg(nombres[0])
                                          : texto;
    return e;
}

const std::vector<FalloAdo>& fallosAdo() {
    // clang-format off
    static const std::vector<FalloAdo> tabla = {
        {errores::ObjetoCerrado,        "No se permite realizar la operación si el objeto está cerrado."},
        {errores::ObjetoAbierto,        "No se permite realizar la operación si el objeto está abierto."},
        {errores::ConexionInvalida,     "No se puede usar la conexión para realizar esta operación. Está cerrada o no es válida en este contexto."},
        {errores::NoPermitidoContexto,  "No se permite la operación en este contexto."},
        {errores::SinRegistroActual,    "BOF o EOF es True, o el registro actual se eliminó. La operación solicitada requiere un registro actual."},
        {errores::ElementoNoEncontrado, "No se encontró el elemento en la colección que corresponde con el nombre o el ordinal solicitado."},
        {errores::NoActualizable,       "El conjunto de registros actual no admite actualizaciones. Puede ser una limitación del proveedor o del tipo de bloqueo seleccionado."},
        {errores::TipoIncorrecto,       "La aplicación usa un valor de tipo incorrecto para la operación actual."},
        {errores::FilaNoEncontrada,     "No se encuentra la fila para actualizarla. Algunos valores pueden haber cambiado desde la última lectura."},
        {3001,                          "Los argumentos son de tipo incorrecto, están fuera del intervalo permitido o están en conflicto."},
        {3706,                          "No se encuentra el proveedor. Es posible que no esté instalado correctamente."},
    };
    // clang-format on
    return tabla;
}

QString textoFalloAdo(int32_t numero) {
    for (const FalloAdo& f : fallosAdo())
        if (f.numero == numero) return QString::fromUtf8(f.texto);
    return QStringLiteral("Error de ADO %1.").arg(numero);
}

} // namespace ado
