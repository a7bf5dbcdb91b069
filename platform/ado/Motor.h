#pragma once
// What an engine behind Connection offers. Engines speak their own SQL; the
// embedded one translates the program's dialect itself.

#include "platform/ErrorEjecucion.h"
#include "platform/ado/Tipos.h"
#include <QStringList>
#include <memory>
#include <stdexcept>
#include <vector>

namespace ado {

// A failure the provider reports: every message it left, and the ADO number
// that the call raises.
class FalloMotor : public std::runtime_error {
public:
    FalloMotor(int32_t numeroAdo, std::vector<ErrorProveedor> mensajes)
        : std::runtime_error(mensajes.empty() ? std::string("error")
                                              : mensajes.front().Description.toStdString())
        , numero(numeroAdo)
        , errores(std::move(mensajes)) {}
    int32_t numero;
    std::vector<ErrorProveedor> errores;
};

// A forward cursor over the rows of one result.
class CursorMotor {
public:
    virtual ~CursorMotor() = default;
    virtual const QVector<DescCampo>& campos() const = 0;
    // Reads the next row; false at the end.
    virtual bool siguiente(Fila& fila) = 0;
    // Steps to the end without reading values; the rows passed over.
    virtual qint64 contarResto() = 0;
    // Back to before the first row (the statement runs again); false when not possible.
    virtual bool reiniciar() = 0;
    // The rows it holds already (reading them sends nothing more); -1 when it does not say.
    virtual qint64 enMano() const { return -1; }
};

// A cursor over rows already in memory.
class CursorMemoria final : public CursorMotor {
public:
    CursorMemoria(QVector<DescCampo> campos, std::vector<Fila> filas)
        : mCampos(std::move(campos))
        , mFilas(std::move(filas)) {}
    const QVector<DescCampo>& campos() const override { return mCampos; }
    bool siguiente(Fila& fila) override {
        if (mPos >= mFilas.size()) return false;
        fila = mFilas[mPos++];
        return true;
    }
    qint64 contarResto() override {
        qint64 n = static_cast<qint64>(mFilas.size() - mPos);
        mPos = mFilas.size();
        return n;
    }
    bool reiniciar() override {
        mPos = 0;
        return true;
    }

private:
    QVector<DescCampo> mCampos;
    std::vector<Fila> mFilas;
    size_t mPos = 0;
};

struct Resultado {
    std::unique_ptr<CursorMotor> cursor; // null when the command returned no rows
    qint64 filasAfectadas = -1;          // -1 when unknown or not applicable
};

struct ParametrosConexion {
    QString cadena;  // the connection string as given
    QString usuario; // explicit user (Open's argument, else from the string)
    QString clave;   // explicit password
    int tiempoEspera = 15;
};

class Motor {
public:
    virtual ~Motor() = default;
    virtual void abrir(const ParametrosConexion& p) = 0;
    virtual void cerrar() = 0;
    virtual bool abierto() const = 0;

    // Runs a command (a statement or a batch) and gives the first result
    // that has rows, or the rows affected.
    virtual Resultado ejecutar(const QString& sql, int tiempoEspera) = 0;
    // Runs one statement with "?" placeholders bound to the values.
    virtual qint64 ejecutarConParametros(const QString& sql, const QVector<QVariant>& valores,
                                         int tiempoEspera) = 0;

    virtual void iniciarTransaccion() = 0;
    virtual void confirmarTransaccion() = 0;
    virtual void deshacerTransaccion() = 0;
    virtual bool enTransaccion() const = 0;

    // Schema rowsets, with the OLE DB column names.
    virtual std::unique_ptr<CursorMotor> esquemaTablas() = 0;
    virtual std::unique_ptr<CursorMotor> esquemaColumnas(const QString& catalogo, const QString& tabla) = 0;
    // Key columns of a table or view, for writing a row back; empty when unknown.
    virtual QStringList clavePrimaria(const QString& tabla) = 0;

    virtual QString baseActual() const = 0;
    virtual void cambiarBase(const QString& nombre) = 0;
    // The provider name ADO would report.
    virtual QString proveedor() const = 0;
    // Text of the last command as the engine received it (for the trace).
    virtual QString ultimoTextoEnviado() const = 0;

    // What callers ask instead of reading the connection string.
    // The statement, run first in a transaction, that makes writers who check
    // a range of `tabla` before storing take turns; empty when the locking
    // read below does it.
    virtual QString bloqueoParaComprobar(const QString& tabla) const {
        Q_UNUSED(tabla);
        return {};
    }
    // The table hint, in the program's dialect, of a read that keeps what it
    // read locked until the transaction ends; empty when the engine has none.
    virtual QString pistaLecturaBloqueante() const { return QStringLiteral(" WITH (UPDLOCK, HOLDLOCK)"); }
    // Which of the schema scripts the program ships this database takes ("sqlite", "postgres"),
    // when the program may add what is missing to it; empty for a schema someone else owns.
    virtual QString dialectoDeEsquema() const { return {}; }
    // Runs a script of the engine's own SQL (definitions), as the shipped schema files are written.
    virtual void ejecutarGuion(const QString& guion) {
        Q_UNUSED(guion);
        throw FalloMotor(plataforma::errores::FalloGeneral, {});
    }
};

// The columns of the tables and columns schema rowsets, as ADO names them.
QVector<DescCampo> camposEsquemaTablas();
QVector<DescCampo> camposEsquemaColumnas();

// Chooses and creates the engine for a connection string.
std::shared_ptr<Motor> crearMotor(const QString& cadenaConexion);

} // namespace ado
