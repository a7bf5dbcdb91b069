#pragma once
// The embedded engine: an SQLite database file that speaks the program's
// SQL Server dialect through its own translation and reports failures with
// SQL Server's native numbers.

#include "platform/ado/Motor.h"
#include "platform/ado/TraductorTSql.h"

#include <QDateTime>
#include <QHash>

struct sqlite3;
struct sqlite3_stmt;

namespace ado {

namespace tsql {
struct Sentencia;
}

class MotorSqlite final : public Motor, public std::enable_shared_from_this<MotorSqlite> {
public:
    explicit MotorSqlite(bool comoJet = false);
    ~MotorSqlite() override;

    void abrir(const ParametrosConexion& p) override;
    void cerrar() override;
    bool abierto() const override { return mDb != nullptr; }
    Resultado ejecutar(const QString& sql, int tiempoEspera) override;
    qint64 ejecutarConParametros(const QString& sql, const QVector<QVariant>& valores,
                                 int tiempoEspera) override;
    void iniciarTransaccion() override;
    void confirmarTransaccion() override;
    void deshacerTransaccion() override;
    bool enTransaccion() const override { return mNivelTransaccion > 0; }
    std::unique_ptr<CursorMotor> esquemaTablas() override;
    std::unique_ptr<CursorMotor> esquemaColumnas(const QString& catalogo, const QString& tabla) override;
    QStringList clavePrimaria(const QString& tabla) override;
    QString baseActual() const override { return mNombre; }
    void cambiarBase(const QString& nombre) override;
    QString proveedor() const override;
    QString ultimoTextoEnviado() const override { return mUltimo; }

    // Runs a schema script natively (triggers included), reinforcing each
    // table definition as the translation does. For building databases.
    static void crearBase(const QString& ruta, const QString& script);
    QString dialectoDeEsquema() const override { return QStringLiteral("sqlite"); }
    void ejecutarGuion(const QString& guion) override;

    // The stored form of a login password ("salt$hash").
    static QString resumenClave(const QString& clave, const QString& sal = {});
    static bool claveCorrecta(const QString& clave, const QString& resumen);

    // Failure from an SQLite result code, with SQL Server's numbers.
    [[noreturn]] void fallar(int rc, const QString& mensaje);
    void comprobarAlcance();
    sqlite3* db() const { return mDb; }

    // The rows of an SQLite SELECT, counted by the engine without building
    // each row; negative when the statement cannot be counted that way.
    qint64 contarFilas(const QString& sqlite);
    // The grid's paged statements read by offset (on by default); off runs
    // the plain translation, which the tests compare against.
    void setPaginasPorDesplazamiento(bool v) { mPaginasPorDesplazamiento = v; }
    // The schema's faster readings of searches and sorts (KV_ACCESOS; on by
    // default); off runs the plain translation, which the tests compare against.
    void setLecturasRapidas(bool v) { mLecturasRapidas = v; }

private:
    void abrirArchivo(const QString& ruta, int tiempoEsperaSeg);
    void ejecutarSimple(const char* sql);
    // One statement of a batch; `ultima`: the last that may give the batch's rows.
    void ejecutarSentencia(const tsql::Sentencia& s, bool ultima, Resultado& res);
    void verificarUsuario(const QString& usuario, const QString& clave);
    void verificarClaveBase(const QString& clave);
    QString claveDeOrden(const QString& fuente);
    QString tipoDeColumna(const QString& fuente, const QString& columna);
    QString intercalacionDeColumna(const QString& fuente, const QString& columna);
    bool soloAscii(const QString& fuente, const QString& columna);
    // Forgets what was read of the data when another connection or this one wrote.
    void vigilarVersion();
    // A table a virtual table keeps (an index's own storage), whose rows are no rows of the program's.
    bool esTablaSombra(const char* tabla);
    // The fast readings the schema declares (KV_ACCESOS; LecturasSqlite.cpp).
    const tsql::Accesos& accesos(); // KV_ACCESOS, read once per schema
    std::optional<tsql::LecturaDeBusqueda>
    candidatosDeBusqueda(const QString& fuente, const QStringList& columnas, const QString& texto);
    QString clavesDePagina(const QString& fuente, const QString& condicion, const QStringList& orden,
                           qint64 cuantas, qint64 desde);
    // The rows of `fuente` in the groups of a column that comes from another table, in its order.
    struct Grupo {
        QStringList claves; // the linking column's values, as SQL literals; empty: the NULL group
        qint64 filas = 0;
    };
    const std::vector<Grupo>& gruposDe(const QString& fuente, const QString& columna,
                                       const tsql::AccesoDeColumna& a);
    void prepararClaves();
    void quitarClaves();

    sqlite3* mDb = nullptr;
    bool mJet = false;
    bool mPerdida = false;
    int mNivelTransaccion = 0;
    int mEsperaActual = -1;
    QString mRuta;
    QString mNombre;
    QString mUltimo;
    QHash<QString, QString> mClavesDeOrden;
    QHash<QString, QHash<QString, QString>> mTiposDeColumna; // by source, then column
    // Columns known to hold ASCII text only (or not), while the file stays as it was read.
    QHash<QString, bool> mSoloAscii;
    tsql::Accesos mAccesos;
    bool mAccesosLeidos = false;
    QHash<QString, std::vector<Grupo>> mGrupos;
    quint64 mVersionLeida = 0;
    qint64 mCambiosLeidos = -1;
    bool mPaginasPorDesplazamiento = true;
    bool mLecturasRapidas = true;
    qint64 mFilasTocadas = 0;
    QList<QByteArray> mSombras; // name prefixes of the virtual tables' own tables
    bool mSombrasLeidas = false;
};

// SQL Server's functions the program uses, for an open SQLite handle.
void registrarFunciones(sqlite3* db);

// Dates are stored as "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss[.zzz]" text.
bool leerFechaTexto(const QString& texto, int estilo, QDateTime& resultado);
QString textoFechaAlmacenada(const QDateTime& fecha);

} // namespace ado
