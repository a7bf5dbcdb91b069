#pragma once
// Our data-access layer in place of ADO: Connection, Recordset, Field and
// Errors with ADO's behaviour and numbers. Failures are thrown as
// plataforma::ErrorEjecucion; provider messages stay in Connection::Errors().

#include "platform/ErrorEjecucion.h"
#include "platform/ado/Motor.h"
#include "platform/ado/Tipos.h"

#include <QVariantList>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace ado {

class Connection;
class Recordset;

using Error = ErrorProveedor;

class Errors {
public:
    int Count() const { return static_cast<int>(mLista.size()); }
    const Error& Item(int i) const;
    void Clear() { mLista.clear(); }
    // The provider's messages of a failed call replace the previous ones, as in ADO.
    void asignar(std::vector<Error> lista) { mLista = std::move(lista); }

private:
    std::vector<Error> mLista;
};

class Field {
public:
    Field(Recordset* rs, int indice)
        : mRs(rs)
        , mIndice(indice) {}
    QString Name() const;
    QVariant Value() const;
    void setValue(const QVariant& v);
    QVariant OriginalValue() const;
    int Type() const;
    int32_t DefinedSize() const;
    int Precision() const;
    int NumericScale() const;
    int indice() const { return mIndice; }

private:
    Recordset* mRs;
    int mIndice;
};

class Fields {
public:
    explicit Fields(Recordset* rs)
        : mRs(rs) {}
    int Count() const;
    Field Item(int i) const;
    Field Item(const QString& nombre) const;
    Field operator[](int i) const { return Item(i); }
    Field operator[](const QString& n) const { return Item(n); }
    // -1 when no field has that name (letter case ignored).
    int indiceDe(const QString& nombre) const;

private:
    Recordset* mRs;
};

class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    void Open(const QString& source, Connection* conexion, int cursorType = adOpenForwardOnly,
              int lockType = adLockReadOnly, int options = -1);
    void Open(const QString& source, Connection& conexion, int cursorType = adOpenForwardOnly,
              int lockType = adLockReadOnly, int options = -1) {
        Open(source, &conexion, cursorType, lockType, options);
    }
    void Close();
    int State() const { return mAbierto ? adStateOpen : adStateClosed; }

    bool BOF() const;
    bool Eof() const; // EOF is a C macro
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    qint64 RecordCount();
    int AbsolutePosition();

    Fields& fields() { return mFields; }
    Field operator()(const QString& nombre) { return mFields.Item(nombre); }
    Field operator()(int i) { return mFields.Item(i); }

    void AddNew();
    void Update();
    void Delete();
    void CancelUpdate();
    int EditMode() const { return mEdicion; }

    QString Source() const { return mFuente; }
    int CursorType() const { return mTipoCursor; }
    int LockType() const { return mTipoBloqueo; }
    // As in ADO: set before Open, it overrides the connection's cursor location.
    int CursorLocation() const { return mUbicacionPedida; }
    void setCursorLocation(int v) { mUbicacionPedida = v; }
    Connection* ActiveConnection() const { return mConexion; }

    // Opens on rows the caller already has (schema rowsets, Execute results).
    void abrirSobre(std::unique_ptr<CursorMotor> cursor, Connection* conexion, const QString& fuente);

private:
    friend class Field;
    friend class Fields;

    void exigirAbierto() const;
    void exigirActualizable() const;
    bool asegurar(qint64 indice) const; // true when row `indice` exists in the buffer
    bool asegurarFilas(qint64 indice) const;
    void leerTodo() const;
    bool filaActualValida() const;
    const Fila& filaActual() const;
    void saltarBorradas(int direccion);
    QString tablaDestino() const;
    QString nombreSql(const QString& nombre) const;
    // Condition that finds the current row again, with its values.
    QString condicionFila(const Fila& original, QVector<QVariant>& valores);
    void grabarPendiente();

    Connection* mConexion = nullptr;
    std::shared_ptr<Motor> mMotor;
    Fields mFields;
    bool mAbierto = false;
    QString mFuente;
    int mTipoCursor = adOpenForwardOnly;
    int mTipoBloqueo = adLockReadOnly;
    bool mUbicacionCliente = true;
    int mUbicacionPedida = 0; // 0: the connection's

    mutable std::unique_ptr<CursorMotor> mCursor;
    QVector<DescCampo> mCampos;
    // A read-only forward-only cursor drops the rows it has passed: mBase rows are gone from the front.
    mutable std::deque<Fila> mFilas;
    mutable std::deque<bool> mBorradas;
    mutable qint64 mBase = 0;
    qint64 finBuffer() const { return mBase + static_cast<qint64>(mFilas.size()); }
    mutable bool mAgotado = false;       // every row of the result is in the buffer
    mutable qint64 mTotalCursor = -1;    // rows of the result, once counted
    mutable bool mCursorAlFinal = false; // counted past the buffer: rereading needs a restart
    mutable qint64 mLeidasDelCursor = 0;
    qint64 mPos = 0;
    bool mBOF = false;
    qint64 mBorradasCant = 0;
    qint64 mAgregadas = 0;

    int mEdicion = adEditNone;
    Fila mBufferEdicion;
    QVector<bool> mCambiados;
    qint64 mPosAntesAlta = 0;
};

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void Open(const QString& connectionString = {}, const QString& userId = {}, const QString& password = {},
              int options = -1);
    void Close();
    int State() const;

    // Runs a command; a statement that returns rows gives an open recordset.
    std::shared_ptr<Recordset> Execute(const QString& commandText, qint64* recordsAffected = nullptr,
                                       int options = -1);
    std::shared_ptr<Recordset> OpenSchema(int schema, const QVariantList& restricciones = {});

    int BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    int CursorLocation() const { return mUbicacionCursor; }
    void setCursorLocation(int v);
    int CommandTimeout() const { return mTiempoComando; }
    void setCommandTimeout(int segundos) { mTiempoComando = segundos; }
    int ConnectionTimeout() const { return mTiempoConexion; }
    void setConnectionTimeout(int segundos) { mTiempoConexion = segundos; }
    QString DefaultDatabase() const;
    void setDefaultDatabase(const QString& nombre);
    int IsolationLevel() const { return mAislamiento; }
    void setIsolationLevel(int v) { mAislamiento = v; }
    QString ConnectionString() const { return mCadena; }
    void setConnectionString(const QString& s);
    QString Provider() const;
    ado::Errors& Errors() { return mErrores; }

    // What the engine asks of its callers' SQL (see Motor).
    QString bloqueoParaComprobar(const QString& tabla) const;
    QString pistaLecturaBloqueante() const;
    QString dialectoDeEsquema() const;
    // A script of the engine's own SQL; its failure is raised as any command's.
    void ejecutarGuion(const QString& guion);
    // A statement with "?" markers bound to `valores`, in SQL that every engine
    // takes (it is not translated on the embedded one); the rows it wrote.
    qint64 ejecutarParametros(const QString& sql, const QVector<QVariant>& valores);

    // For the classes of this layer.
    Resultado ejecutarMotor(const QString& sql);
    std::shared_ptr<Motor> motor() const { return mMotor; }
    [[noreturn]] void fallarProveedor(const FalloMotor& f);

private:
    const Motor& motorDeCadena() const;

    std::shared_ptr<Motor> mMotor;
    mutable std::shared_ptr<Motor> mMotorSinAbrir;
    mutable QString mCadenaSinAbrir;
    QString mCadena;
    int mUbicacionCursor = adUseServer;
    int mTiempoComando = 30;
    int mTiempoConexion = 15;
    int mAislamiento = adXactCursorStability;
    ado::Errors mErrores;
};

// Called before every connection opens and before every command runs:
// for tests that make a database unreachable at a chosen moment.
struct Ganchos {
    std::function<void(const QString& cadena)> antesDeAbrir;
    std::function<void(const QString& sql)> antesDeEjecutar;
    // Called now and then while the embedded engine works on a long
    // statement; true interrupts it (a cancel button's request).
    std::function<bool()> duranteConsulta;
    // Each statement as a server engine sends it, in the server's own dialect:
    // benchmarks run the same texts with the server's own client.
    std::function<void(const QString& sql)> alEnviar;
};
Ganchos& ganchos();

// ADO's own failures (not the provider's).
[[noreturn]] void fallarAdo(int32_t numero, const char* origen);

} // namespace ado
