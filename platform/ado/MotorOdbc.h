#pragma once
// What the server engines share: a connection through unixODBC, statements
// read whole (a connection carries one pending result at a time), the
// driver's diagnostics as ADO errors and the ODBC catalogue as ADO's schema
// rowsets. Each server's engine (MotorSqlServer, MotorOracle, MotorPostgres)
// supplies its connection string, its messages' source and numbers, and its
// dialect.

#include "platform/ado/Motor.h"

namespace ado {

class CadenaConexion;

class MotorOdbc : public Motor {
public:
    ~MotorOdbc() override;

    void abrir(const ParametrosConexion& p) override;
    void cerrar() override;
    bool abierto() const override;
    Resultado ejecutar(const QString& sql, int tiempoEspera) override;
    qint64 ejecutarConParametros(const QString& sql, const QVector<QVariant>& valores,
                                 int tiempoEspera) override;
    void iniciarTransaccion() override;
    void confirmarTransaccion() override;
    void deshacerTransaccion() override;
    bool enTransaccion() const override;
    std::unique_ptr<CursorMotor> esquemaTablas() override;
    std::unique_ptr<CursorMotor> esquemaColumnas(const QString& catalogo, const QString& tabla) override;
    QStringList clavePrimaria(const QString& tabla) override;
    QString baseActual() const override { return mBase; }
    void cambiarBase(const QString& nombre) override;
    QString ultimoTextoEnviado() const override { return mUltimo; }

    // One statement already in the server's dialect, every result of it read whole.
    Resultado ejecutarUna(const QString& sql, int tiempoEspera);

    // The ODBC connection string for a provider connection string (the password is in it).
    virtual QString cadenaOdbc(const QString& cadenaProveedor, const QString& usuario,
                               const QString& clave) const = 0;

protected:
    MotorOdbc();

    // The Source of the server's messages, as its OLE DB provider names it.
    virtual QString origen() const = 0;
    // Gives the driver's diagnostics the native numbers and states the program acts on.
    virtual void ajustarDiagnostico(ErrorProveedor& e) const;
    // Run once the link is up, before the first statement.
    virtual void alConectar(int tiempoEspera);
    // The database a connection string opens.
    virtual QString baseDeCadena(const CadenaConexion& cc) const;
    // The program's statement in the server's dialect.
    virtual QString traducida(const QString& sql) const { return sql; }
    // The catalogue and table names the ODBC catalogue functions are asked with.
    virtual QString catalogoDeEsquema(const QString& catalogo) const { return catalogo.trimmed(); }
    virtual QString tablaDeEsquema(const QString& tabla) const { return tabla.trimmed(); }

    void anotarEnviado(const QString& texto) { mUltimo = texto; }
    // A failure of this engine with one message of its own.
    [[noreturn]] void fallarCon(const QString& estado, int32_t nativo, const QString& texto) const;

    // Helpers for the connection strings of the engines.
    static QString valorOdbc(const QString& v);
    static QString entorno(const char* variable, const char* defecto);

private:
    struct Impl;
    struct Sentencia;
    std::vector<ErrorProveedor> diagnosticos(short tipo, void* h) const;
    [[noreturn]] void fallar(short tipo, void* h, const char* contexto) const;
    std::unique_ptr<CursorMotor> leerTodo(void* st) const;
    // The rows of `st` read a block at a time into `filas`; false, with nothing read, when a
    // column cannot be bound (binary, or text of no known length).
    bool leerEnBloques(void* st, const QVector<DescCampo>& campos, std::vector<Fila>& filas) const;
    QVariant leerValor(void* st, unsigned short i, int tipo) const;

    std::unique_ptr<Impl> d;
    QString mBase;
    QString mUltimo;
};

} // namespace ado
