#pragma once
// The one run-time error of the program: a number, a description and the
// source that raised it, as the program reports them (ADO's numbers included).

#include <QString>
#include <cstdint>
#include <exception>
#include <string>

namespace plataforma {

class ErrorEjecucion : public std::exception {
public:
    ErrorEjecucion() = default;
    ErrorEjecucion(int32_t numero, QString descripcion, QString origen = {})
        : mNumero(numero)
        , mDescripcion(std::move(descripcion))
        , mOrigen(std::move(origen))
        , mTexto(mDescripcion.toStdString()) {}

    int32_t Number() const { return mNumero; }
    const QString& Description() const { return mDescripcion; }
    const QString& Source() const { return mOrigen; }
    const char* what() const noexcept override { return mTexto.c_str(); }

private:
    int32_t mNumero = 0;
    QString mDescripcion;
    QString mOrigen;
    std::string mTexto;
};

// Thrown where the program ends at once (the seam's terminarPrograma under
// test); never turned into a run-time error, so that no handler stops it.
struct FinDelPrograma {
    int codigo = 0;
};

// Numbers the program tells apart. ADO's HRESULTs are kept as the signed 32-bit values
// the original saw in Err.Number.
namespace errores {
constexpr int32_t LlamadaInvalida = 5;     // invalid procedure call or argument
constexpr int32_t Desbordamiento = 6;      // overflow
constexpr int32_t TipoNoCoincide = 13;     // type mismatch
constexpr int32_t DuplicadoClave = 3022;   // duplicate key (DAO/Jet number the editor tests)
constexpr int32_t ObjetoCerrado = 3704;    // operation not allowed when the object is closed
constexpr int32_t ObjetoAbierto = 3705;    // operation not allowed when the object is open
constexpr int32_t ConexionInvalida = 3709; // connection cannot be used
constexpr int32_t NoPermitidoContexto = 3219;
constexpr int32_t SinRegistroActual = 3021; // BOF or EOF is true
constexpr int32_t ElementoNoEncontrado = 3265;
constexpr int32_t NoActualizable = 3251; // recordset does not support updating
constexpr int32_t TipoIncorrecto = 3421; // value of the wrong type
constexpr int32_t FalloGeneral = static_cast<int32_t>(0x80004005);
constexpr int32_t ErrorEnComando = static_cast<int32_t>(0x80040E14);
constexpr int32_t ViolacionIntegridad = static_cast<int32_t>(0x80040E2F);
constexpr int32_t TablaNoExiste = static_cast<int32_t>(0x80040E37);
constexpr int32_t FilaNoEncontrada = static_cast<int32_t>(0x80040E38);
constexpr int32_t DesbordeDatos = static_cast<int32_t>(0x80040E57);
constexpr int32_t ConversionFallida = static_cast<int32_t>(0x80040E07);
} // namespace errores

} // namespace plataforma
