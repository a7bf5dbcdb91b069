#include "platform/ado/Ado.h"

#include "platform/ado/CadenaConexion.h"
#include "platform/ado/FallosSqlServer.h"
#include "platform/ado/MotorOracle.h"
#include "platform/ado/MotorPostgres.h"
#include "platform/ado/MotorSqlServer.h"
#include "platform/ado/MotorSqlite.h"
#include "platform/ado/Traza.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <algorithm>

namespace ado {

using plataforma::ErrorEjecucion;
namespace errores = plataforma::errores;

// ------------------------------------------------------------------ errors

Ganchos& ganchos() {
    static Ganchos g;
    return g;
}

void fallarAdo(int32_t numero, const char* origen) {
    throw ErrorEjecucion(numero, textoFalloAdo(numero), QLatin1String(origen));
}

const Error& Errors::Item(int i) const {
    if (i < 0 || i >= Count()) fallarAdo(errores::ElementoNoEncontrado, "ADODB.Errors");
    return mLista[static_cast<size_t>(i)];
}

// ------------------------------------------------------------------ connection

Connection::Connection() = default;

Connection::~Connection() {
    if (mMotor) mMotor->cerrar();
}

int Connection::State() const {
    return mMotor && mMotor->abierto() ? adStateOpen : adStateClosed;
}

void Connection::fallarProveedor(const FalloMotor& f) {
    mErrores.asignar(f.errores);
    const QString texto = f.errores.empty() ? QString::fromUtf8(f.what()) : f.errores.front().Description;
    const QString origen = f.errores.empty() ? QStringLiteral("ADODB.Connection") : f.errores.front().Source;
    throw ErrorEjecucion(f.numero, texto, origen);
}

void Connection::setConnectionString(const QString& s) {
    if (State() == adStateOpen) fallarAdo(errores::ObjetoAbierto, "ADODB.Connection");
    mCadena = s;
}

void Connection::setCursorLocation(int v) {
    // The session relies on this failing on an open connection.
    if (State() == adStateOpen) fallarAdo(errores::ObjetoAbierto, "ADODB.Connection");
    if (v != adUseClient && v != adUseServer) fallarAdo(3001, "ADODB.Connection");
    mUbicacionCursor = v;
}

void Connection::Open(const QString& cadena, const QString& usuario, const QString& clave, int) {
    if (State() == adStateOpen) fallarAdo(errores::ObjetoAbierto, "ADODB.Connection");
    const QString usada = cadena.isEmpty() ? mCadena : cadena;
    if (usada.trimmed().isEmpty()) fallarAdo(3706, "ADODB.Connection");
    ParametrosConexion p;
    p.cadena = usada;
    p.usuario = usuario;
    p.clave = clave;
    p.tiempoEspera = mTiempoConexion;
    if (ganchos().antesDeAbrir) ganchos().antesDeAbrir(usada);
    // As in ADO, the string stays with the connection even when opening fails.
    mCadena = usada;
    auto motor = crearMotor(usada);
    QElapsedTimer reloj;
    reloj.start();
    try {
        motor->abrir(p);
    } catch (const FalloMotor& f) {
        traza::registrar(
            QStringLiteral("OPEN ") + usada, motor->ultimoTextoEnviado(), reloj.nsecsElapsed() / 1000, -1,
            QStringLiteral("ERROR %1").arg(f.errores.empty() ? QString() : f.errores.front().Description));
        fallarProveedor(f);
    }
    traza::registrar(QStringLiteral("OPEN ") + usada, motor->ultimoTextoEnviado(),
                     reloj.nsecsElapsed() / 1000, -1, QStringLiteral("OK"));
    mMotor = std::move(motor);
    mCadena = usada;
}

void Connection::Close() {
    if (State() != adStateOpen) fallarAdo(errores::ObjetoCerrado, "ADODB.Connection");
    mMotor->cerrar();
    mMotor.reset();
}

QString Connection::DefaultDatabase() const {
    return mMotor ? mMotor->baseActual() : QString();
}

void Connection::setDefaultDatabase(const QString& nombre) {
    if (State() != adStateOpen) fallarAdo(errores::ConexionInvalida, "ADODB.Connection");
    try {
        mMotor->cambiarBase(nombre);
    } catch (const FalloMotor& f) {
        fallarProveedor(f);
    }
}

QString Connection::Provider() const {
    if (mMotor) return mMotor->proveedor();
    const CadenaConexion cc(mCadena);
    const QString p = cc.valor("Provider");
    return p.isEmpty() ? QStringLiteral("MSDASQL") : p;
}

const Motor& Connection::motorDeCadena() const {
    if (mMotor) return *mMotor;
    // Closed: the engine its string names answers.
    if (!mMotorSinAbrir || mCadenaSinAbrir != mCadena) {
        mMotorSinAbrir = crearMotor(mCadena);
        mCadenaSinAbrir = mCadena;
    }
    return *mMotorSinAbrir;
}

QString Connection::bloqueoParaComprobar(const QString& tabla) const {
    return motorDeCadena().bloqueoParaComprobar(tabla);
}

QString Connection::pistaLecturaBloqueante() const {
    return motorDeCadena().pistaLecturaBloqueante();
}

QString Connection::dialectoDeEsquema() const {
    return motorDeCadena().dialectoDeEsquema();
}

void Connection::ejecutarGuion(const QString& guion) {
    if (State() != adStateOpen) fallarAdo(errores::ConexionInvalida, "ADODB.Connection");
    try {
        mMotor->ejecutarGuion(guion);
    } catch (const FalloMotor& f) {
        fallarProveedor(f);
    }
}

Resultado Connection::ejecutarMotor(const QString& sql) {
    if (State() != adStateOpen) fallarAdo(errores::ConexionInvalida, "ADODB.Connection");
    if (ganchos().antesDeEjecutar) ganchos().antesDeEjecutar(sql);
    QElapsedTimer reloj;
    reloj.start();
    const bool trazar = traza::activa();
    try {
        Resultado r = mMotor->ejecutar(sql, mTiempoComando);
        if (trazar)
            traza::registrar(sql, mMotor->ultimoTextoEnviado(), reloj.nsecsElapsed() / 1000, r.filasAfectadas,
                             r.cursor ? QStringLiteral("OK filas devueltas") : QStringLiteral("OK"));
        return r;
    } catch (const FalloMotor& f) {
        if (trazar)
            traza::registrar(sql, mMotor->ultimoTextoEnviado(), reloj.nsecsElapsed() / 1000, -1,
                             QStringLiteral("ERROR %1 %2")
                                 .arg(f.errores.empty() ? 0 : f.errores.front().NativeError)
                                 .arg(f.errores.empty() ? QString() : f.errores.front().Description));
        fallarProveedor(f);
    }
}

qint64 Connection::ejecutarParametros(const QString& sql, const QVector<QVariant>& valores) {
    if (State() != adStateOpen) fallarAdo(errores::ConexionInvalida, "ADODB.Connection");
    if (ganchos().antesDeEjecutar) ganchos().antesDeEjecutar(sql);
    QElapsedTimer reloj;
    reloj.start();
    const bool trazar = traza::activa();
    QString conValores;
    if (trazar) {
        QStringList v;
        for (const auto& x : valores)
            v << (x.isNull() ? QStringLiteral("NULL") : QLatin1Char('\'') + x.toString() + QLatin1Char('\''));
        conValores = sql + QStringLiteral("  <- (") + v.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    try {
        const qint64 n = mMotor->ejecutarConParametros(sql, valores, mTiempoComando);
        if (trazar)
            traza::registrar(conValores, conValores, reloj.nsecsElapsed() / 1000, n, QStringLiteral("OK"));
        return n;
    } catch (const FalloMotor& f) {
        if (trazar)
            traza::registrar(conValores, conValores, reloj.nsecsElapsed() / 1000, -1,
                             QStringLiteral("ERROR %1 %2")
                                 .arg(f.errores.empty() ? 0 : f.errores.front().NativeError)
                                 .arg(f.errores.empty() ? QString() : f.errores.front().Description));
        fallarProveedor(f);
    }
}

std::shared_ptr<Recordset> Connection::Execute(const QString& sql, qint64* afectadas, int) {
    if (State() != adStateOpen) fallarAdo(errores::ConexionInvalida, "ADODB.Connection");
    Resultado r = ejecutarMotor(sql);
    if (afectadas) *afectadas = r.filasAfectadas;
    auto rs = std::make_shared<Recordset>();
    if (r.cursor) rs->abrirSobre(std::move(r.cursor), this, sql);
    return rs;
}

std::shared_ptr<Recordset> Connection::OpenSchema(int esquema, const QVariantList& restricciones) {
    if (State() != adStateOpen) fallarAdo(errores::ConexionInvalida, "ADODB.Connection");
    auto restriccion = [&](int i) {
        return i < restricciones.size() && !restricciones[i].isNull() ? restricciones[i].toString()
                                                                      : QString();
    };
    std::unique_ptr<CursorMotor> c;
    try {
        if (esquema == adSchemaTables)
            c = mMotor->esquemaTablas();
        else if (esquema == adSchemaColumns)
            c = mMotor->esquemaColumnas(restriccion(0), restriccion(2));
        else
            fallarAdo(3251, "ADODB.Connection");
    } catch (const FalloMotor& f) {
        fallarProveedor(f);
    }
    // Restrictions the engine did not apply: compare here, letter case ignored.
    const QVector<DescCampo> campos = c->campos();
    std::vector<Fila> filas;
    Fila f;
    const int columnas[] = {0, 1, 2, 3};
    while (c->siguiente(f)) {
        bool ok = true;
        for (int i : columnas) {
            const QString r = restriccion(i);
            if (r.isEmpty()) continue;
            if (esquema == adSchemaColumns && i == 0) continue; // the engine applied the catalog
            if (f.value(i).toString().compare(r, Qt::CaseInsensitive) != 0) ok = false;
        }
        if (ok) filas.push_back(f);
    }
    auto rs = std::make_shared<Recordset>();
    rs->abrirSobre(std::make_unique<CursorMemoria>(campos, std::move(filas)), this,
                   QStringLiteral("OpenSchema(%1)").arg(esquema));
    return rs;
}

int Connection::BeginTrans() {
    if (State() != adStateOpen) fallarAdo(errores::ConexionInvalida, "ADODB.Connection");
    if (ganchos().antesDeEjecutar) ganchos().antesDeEjecutar(QStringLiteral("BEGIN TRANSACTION"));
    try {
        mMotor->iniciarTransaccion();
    } catch (const FalloMotor& f) {
        fallarProveedor(f);
    }
    return 1;
}

void Connection::CommitTrans() {
    if (State() != adStateOpen) fallarAdo(errores::ConexionInvalida, "ADODB.Connection");
    if (ganchos().antesDeEjecutar) ganchos().antesDeEjecutar(QStringLiteral("COMMIT TRANSACTION"));
    try {
        mMotor->confirmarTransaccion();
    } catch (const FalloMotor& f) {
        fallarProveedor(f);
    }
}

void Connection::RollbackTrans() {
    if (State() != adStateOpen) fallarAdo(errores::ConexionInvalida, "ADODB.Connection");
    if (ganchos().antesDeEjecutar) ganchos().antesDeEjecutar(QStringLiteral("ROLLBACK TRANSACTION"));
    try {
        mMotor->deshacerTransaccion();
    } catch (const FalloMotor& f) {
        fallarProveedor(f);
    }
}

std::shared_ptr<Motor> crearMotor(const QString& cadenaConexion) {
    switch (CadenaConexion(cadenaConexion).tipo()) {
    case CadenaConexion::Tipo::Embebida:
        return std::make_shared<MotorSqlite>(false);
    case CadenaConexion::Tipo::Jet:
        return std::make_shared<MotorSqlite>(true);
    case CadenaConexion::Tipo::OracleOdbc:
        return std::make_shared<MotorOracle>();
    case CadenaConexion::Tipo::PostgresOdbc:
        return std::make_shared<MotorPostgres>();
    case CadenaConexion::Tipo::SqlServerOdbc:
        break;
    }
    return std::make_shared<MotorSqlServer>();
}

// ------------------------------------------------------------------ fields

int Fields::Count() const {
    return mRs->mAbierto ? static_cast<int>(mRs->mCampos.size()) : 0;
}

int Fields::indiceDe(const QString& nombre) const {
    const QString n = nombre.trimmed();
    for (int i = 0; i < mRs->mCampos.size(); ++i)
        if (mRs->mCampos[i].nombre.compare(n, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

Field Fields::Item(int i) const {
    mRs->exigirAbierto();
    if (i < 0 || i >= mRs->mCampos.size()) fallarAdo(errores::ElementoNoEncontrado, "ADODB.Fields");
    return Field(mRs, i);
}

Field Fields::Item(const QString& nombre) const {
    mRs->exigirAbierto();
    const int i = indiceDe(nombre);
    if (i < 0) fallarAdo(errores::ElementoNoEncontrado, "ADODB.Fields");
    return Field(mRs, i);
}

QString Field::Name() const {
    return mRs->mCampos[mIndice].nombre;
}
int Field::Type() const {
    return mRs->mCampos[mIndice].tipo;
}
int32_t Field::DefinedSize() const {
    return mRs->mCampos[mIndice].tamano;
}
int Field::Precision() const {
    return mRs->mCampos[mIndice].precision;
}
int Field::NumericScale() const {
    return mRs->mCampos[mIndice].escala;
}

QVariant Field::Value() const {
    mRs->exigirAbierto();
    if (mRs->mEdicion != adEditNone) return mRs->mBufferEdicion.value(mIndice);
    return mRs->filaActual().value(mIndice);
}

QVariant Field::OriginalValue() const {
    mRs->exigirAbierto();
    if (mRs->mEdicion == adEditAdd) return {};
    return mRs->filaActual().value(mIndice);
}

namespace {

// The value as the column's type holds it; false when it cannot be.
bool convertir(const QVariant& v, int tipo, QVariant& r) {
    if (!v.isValid() || v.isNull()) {
        r = QVariant();
        return true;
    }
    if (esTipoTexto(tipo)) {
        if (v.typeId() == QMetaType::QDateTime)
            r = textoFechaAlmacenada(v.toDateTime());
        else
            r = v.toString();
        return true;
    }
    if (esTipoFecha(tipo)) {
        if (v.typeId() == QMetaType::QDateTime)
            r = v;
        else if (v.typeId() == QMetaType::QDate)
            r = v.toDate().startOfDay();
        else {
            QDateTime f;
            if (!leerFechaTexto(v.toString(), 0, f)) return false;
            r = f;
        }
        return true;
    }
    if (esTipoNumerico(tipo)) {
        bool ok = true;
        double d;
        if (v.typeId() == QMetaType::QString) {
            QString s = v.toString().trimmed();
            d = s.toDouble(&ok);
            if (!ok) d = QString(s).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        } else if (v.typeId() == QMetaType::Bool) {
            d = v.toBool() ? 1 : 0;
        } else {
            d = v.toDouble(&ok);
        }
        if (!ok) return false;
        switch (tipo) {
        case adBoolean:
            r = d != 0;
            break;
        case adInteger:
            if (d > 2147483647.0 || d < -2147483648.0) return false;
            r = static_cast<int>(d);
            break;
        case adSmallInt:
            if (d > 32767 || d < -32768) return false;
            r = static_cast<int>(d);
            break;
        case adUnsignedTinyInt:
            if (d > 255 || d < 0) return false;
            r = static_cast<int>(d);
            break;
        case adBigInt:
            r = static_cast<qlonglong>(d);
            break;
        default:
            r = d;
            break;
        }
        return true;
    }
    r = v;
    return true;
}

} // namespace

void Field::setValue(const QVariant& v) {
    Recordset* rs = mRs;
    rs->exigirAbierto();
    rs->exigirActualizable();
    if (rs->mEdicion == adEditNone) {
        if (!rs->filaActualValida()) fallarAdo(errores::SinRegistroActual, "ADODB.Field");
        rs->mBufferEdicion = rs->filaActual();
        rs->mCambiados = QVector<bool>(rs->mCampos.size(), false);
        rs->mEdicion = adEditInProgress;
    }
    QVariant r;
    if (!convertir(v, Type(), r)) fallarAdo(errores::TipoIncorrecto, "ADODB.Field");
    rs->mBufferEdicion[mIndice] = r;
    rs->mCambiados[mIndice] = true;
}

// ------------------------------------------------------------------ recordset

Recordset::Recordset()
    : mFields(this) {}

Recordset::~Recordset() = default;

void Recordset::exigirAbierto() const {
    if (!mAbierto) fallarAdo(errores::ObjetoCerrado, "ADODB.Recordset");
}

void Recordset::exigirActualizable() const {
    if (mTipoBloqueo == adLockReadOnly || mTipoBloqueo == adLockUnspecified || !mConexion)
        fallarAdo(errores::NoActualizable, "ADODB.Recordset");
}

void Recordset::Open(const QString& source, Connection* conexion, int cursorType, int lockType, int) {
    if (mAbierto) fallarAdo(errores::ObjetoAbierto, "ADODB.Recordset");
    if (!conexion || conexion->State() != adStateOpen)
        fallarAdo(errores::ConexionInvalida, "ADODB.Recordset");
    if (source.trimmed().isEmpty()) fallarAdo(3001, "ADODB.Recordset");
    Resultado r = conexion->ejecutarMotor(source);
    mUbicacionCliente = (mUbicacionPedida ? mUbicacionPedida : conexion->CursorLocation()) == adUseClient;
    // A client-side cursor is always static, whatever was asked.
    mTipoCursor = mUbicacionCliente ? adOpenStatic : (cursorType < 0 ? adOpenForwardOnly : cursorType);
    mTipoBloqueo = lockType < 0 ? adLockReadOnly : lockType;
    if (!r.cursor) {
        // A command without rows leaves the recordset closed, as in ADO.
        mConexion = nullptr;
        return;
    }
    abrirSobre(std::move(r.cursor), conexion, source);
    mTipoBloqueo = lockType < 0 ? adLockReadOnly : lockType;
    // Rows to be written back are all read now: the statement is no longer pending then.
    if (mTipoBloqueo != adLockReadOnly) leerTodo();
}

void Recordset::abrirSobre(std::unique_ptr<CursorMotor> cursor, Connection* conexion, const QString& fuente) {
    if (mAbierto) fallarAdo(errores::ObjetoAbierto, "ADODB.Recordset");
    mConexion = conexion;
    mMotor = conexion ? conexion->motor() : nullptr;
    mCursor = std::move(cursor);
    mCampos = mCursor->campos();
    mFilas.clear();
    mBorradas.clear();
    mBase = 0;
    mAgotado = false;
    mTotalCursor = -1;
    mCursorAlFinal = false;
    mLeidasDelCursor = 0;
    mBorradasCant = 0;
    mAgregadas = 0;
    mEdicion = adEditNone;
    mFuente = fuente;
    mAbierto = true;
    if (mTipoBloqueo == adLockUnspecified) mTipoBloqueo = adLockReadOnly;
    // Read a first slice: small results are then complete, and the type of
    // each column is known. From a cursor that reads in slices, the one it holds.
    try {
        const qint64 enMano = mCursor->enMano();
        asegurar(enMano < 0 ? 999 : std::clamp<qint64>(enMano - 1, 0, 999));
    } catch (...) {
        mAbierto = false;
        throw;
    }
    mPos = 0;
    mBOF = !asegurar(0);
}

bool Recordset::asegurar(qint64 indice) const {
    try {
        return asegurarFilas(indice);
    } catch (const FalloMotor& f) {
        // A server engine reads long results as they are wanted: its failures then are the provider's.
        if (mConexion) mConexion->fallarProveedor(f);
        throw;
    }
}

bool Recordset::asegurarFilas(qint64 indice) const {
    while (finBuffer() <= indice && !mAgotado) {
        if (mCursorAlFinal) {
            // The rows were counted, not kept: read the result again up to where we are.
            mCursor->reiniciar();
            Fila descarte;
            for (qint64 i = 0; i < mLeidasDelCursor; ++i)
                mCursor->siguiente(descarte);
            mCursorAlFinal = false;
        }
        Fila f;
        if (mCursor->siguiente(f)) {
            mFilas.push_back(std::move(f));
            mBorradas.push_back(false);
            ++mLeidasDelCursor;
        } else {
            mAgotado = true;
            mTotalCursor = mLeidasDelCursor;
        }
    }
    return indice >= mBase && finBuffer() > indice;
}

void Recordset::leerTodo() const {
    while (!mAgotado)
        asegurar(finBuffer() + 4096);
}

bool Recordset::filaActualValida() const {
    if (mPos < 0 || (mBOF && finBuffer() == 0)) return false;
    if (!asegurar(mPos)) return false;
    return !mBorradas[static_cast<size_t>(mPos - mBase)];
}

const Fila& Recordset::filaActual() const {
    if (!filaActualValida()) fallarAdo(errores::SinRegistroActual, "ADODB.Field");
    return mFilas[static_cast<size_t>(mPos - mBase)];
}

bool Recordset::BOF() const {
    exigirAbierto();
    return mBOF || mPos < 0;
}

bool Recordset::Eof() const {
    exigirAbierto();
    return mPos < 0 ? (finBuffer() == 0 && !asegurar(0)) : !asegurar(mPos);
}

void Recordset::grabarPendiente() {
    if (mEdicion != adEditNone) Update();
}

void Recordset::saltarBorradas(int direccion) {
    while (mPos >= 0 && asegurar(mPos) && mBorradas[static_cast<size_t>(mPos - mBase)])
        mPos += direccion;
}

void Recordset::MoveFirst() {
    exigirAbierto();
    grabarPendiente();
    if (mBase > 0) {
        // The first rows were dropped: read the result again from its start.
        mCursor->reiniciar();
        mFilas.clear();
        mBorradas.clear();
        mBase = 0;
        mLeidasDelCursor = 0;
        mAgotado = false;
        mCursorAlFinal = false;
    }
    if (!asegurar(0)) fallarAdo(errores::SinRegistroActual, "ADODB.Recordset");
    mPos = 0;
    saltarBorradas(1);
    mBOF = false;
    if (!asegurar(mPos)) mBOF = true; // every row was deleted
}

void Recordset::MoveNext() {
    exigirAbierto();
    grabarPendiente();
    if (Eof()) fallarAdo(errores::SinRegistroActual, "ADODB.Recordset");
    ++mPos;
    mBOF = false;
    saltarBorradas(1);
    // Nothing can go back on a read-only forward-only cursor: a long read keeps one row, not all.
    if (mTipoCursor == adOpenForwardOnly && mTipoBloqueo == adLockReadOnly) {
        while (mBase < mPos && !mFilas.empty()) {
            mFilas.pop_front();
            mBorradas.pop_front();
            ++mBase;
        }
    }
}

void Recordset::MovePrevious() {
    exigirAbierto();
    if (mTipoCursor == adOpenForwardOnly) fallarAdo(errores::NoPermitidoContexto, "ADODB.Recordset");
    grabarPendiente();
    if (BOF()) fallarAdo(errores::SinRegistroActual, "ADODB.Recordset");
    --mPos;
    saltarBorradas(-1);
    if (mPos < 0) {
        mPos = -1;
        mBOF = true;
    }
}

void Recordset::MoveLast() {
    exigirAbierto();
    grabarPendiente();
    leerTodo();
    if (finBuffer() == 0) fallarAdo(errores::SinRegistroActual, "ADODB.Recordset");
    mPos = finBuffer() - 1;
    saltarBorradas(-1);
    mBOF = mPos < 0;
    if (mPos < 0) mPos = -1;
}

qint64 Recordset::RecordCount() {
    exigirAbierto();
    // A server-side forward-only cursor does not know its count.
    if (!mUbicacionCliente && mTipoCursor == adOpenForwardOnly && mConexion) return -1;
    if (mTotalCursor < 0) {
        // Count by stepping through the rest without keeping it: a count over
        // a million rows must not hold them in memory.
        try {
            mTotalCursor = mLeidasDelCursor + mCursor->contarResto();
        } catch (const FalloMotor& f) {
            if (mConexion) mConexion->fallarProveedor(f);
            throw;
        }
        mCursorAlFinal = true;
        if (mTotalCursor == finBuffer()) {
            mAgotado = true;
            mCursorAlFinal = false;
        }
    }
    return mTotalCursor + mAgregadas - mBorradasCant;
}

int Recordset::AbsolutePosition() {
    exigirAbierto();
    if (BOF()) return adPosBOF;
    if (Eof()) return adPosEOF;
    qint64 borradasAntes = 0;
    for (qint64 i = mBase; i < mPos; ++i)
        if (mBorradas[static_cast<size_t>(i - mBase)]) ++borradasAntes;
    return static_cast<int>(mPos + 1 - borradasAntes);
}

void Recordset::Close() {
    if (!mAbierto) fallarAdo(errores::ObjetoCerrado, "ADODB.Recordset");
    // A pending edit blocks closing; the session cancels it and closes again.
    if (mEdicion != adEditNone) fallarAdo(errores::NoPermitidoContexto, "ADODB.Recordset");
    mAbierto = false;
    mCursor.reset();
    mFilas.clear();
    mBorradas.clear();
    mFilas.shrink_to_fit();
    mBase = 0;
    mMotor.reset();
    mConexion = nullptr;
}

void Recordset::AddNew() {
    exigirAbierto();
    exigirActualizable();
    grabarPendiente();
    leerTodo();
    mPosAntesAlta = mPos;
    mBufferEdicion = Fila(mCampos.size());
    mCambiados = QVector<bool>(mCampos.size(), false);
    mEdicion = adEditAdd;
}

void Recordset::CancelUpdate() {
    exigirAbierto();
    if (mEdicion == adEditAdd) mPos = mPosAntesAlta;
    mEdicion = adEditNone;
    mBufferEdicion.clear();
    mCambiados.clear();
}

QString Recordset::nombreSql(const QString& nombre) const {
    if (mMotor && mMotor->proveedor().contains(QLatin1String("Oracle"), Qt::CaseInsensitive))
        return QLatin1Char('"') + nombre + QLatin1Char('"');
    QString n = nombre;
    n.replace(QLatin1Char(']'), QLatin1String("]]"));
    return QLatin1Char('[') + n + QLatin1Char(']');
}

QString Recordset::tablaDestino() const {
    // One table or view after FROM, nothing joined: what ADO can write back to.
    static const QRegularExpression unaTabla(
        QStringLiteral(
            R"(^\s*SELECT\s+.*?\s+FROM\s+(\[[^\]]+\]|[\w@#$.]+)(?:\s+with\s*\(\s*nolock\s*\))?\s*(?:(?:WHERE|ORDER\s+BY)\b.*)?$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression compuesta(QStringLiteral(R"(\b(JOIN|UNION|GROUP\s+BY|DISTINCT)\b)"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QString f = mFuente.trimmed();
    if (!f.contains(QLatin1Char(' '))) return f; // a table name
    if (compuesta.match(f).hasMatch()) return {};
    const auto m = unaTabla.match(f);
    if (!m.hasMatch()) return {};
    QString t = m.captured(1);
    if (t.startsWith(QLatin1Char('['))) t = t.mid(1, t.size() - 2);
    if (t.startsWith(QLatin1String("dbo."), Qt::CaseInsensitive)) t = t.mid(4);
    return t;
}

QString Recordset::condicionFila(const Fila& original, QVector<QVariant>& valores) {
    const QString tabla = tablaDestino();
    QStringList claves;
    try {
        claves = mMotor->clavePrimaria(tabla);
    } catch (const FalloMotor&) {
        claves.clear();
    }
    QList<int> indices;
    for (const QString& c : claves) {
        const int i = mFields.indiceDe(c);
        if (i < 0) {
            indices.clear();
            break;
        }
        indices << i;
    }
    if (indices.isEmpty()) {
        const int id = mFields.indiceDe(QStringLiteral("ID"));
        if (id >= 0 && !original.value(id).isNull()) indices << id;
    }
    if (indices.isEmpty()) {
        // No key: the row is the one with all its original values.
        for (int i = 0; i < mCampos.size(); ++i)
            if (mCampos[i].tipo != adLongVarChar && mCampos[i].tipo != adLongVarWChar &&
                mCampos[i].tipo != adLongVarBinary)
                indices << i;
    }
    QStringList partes;
    for (int i : indices) {
        if (original.value(i).isNull()) {
            partes << nombreSql(mCampos[i].nombre) + QStringLiteral(" IS NULL");
        } else {
            partes << nombreSql(mCampos[i].nombre) + QStringLiteral(" = ?");
            valores << original.value(i);
        }
    }
    return partes.join(QStringLiteral(" AND "));
}

void Recordset::Update() {
    exigirAbierto();
    if (mEdicion == adEditNone) return;
    exigirActualizable();
    const QString tabla = tablaDestino();
    if (tabla.isEmpty()) fallarAdo(errores::NoActualizable, "ADODB.Recordset");
    if (mEdicion == adEditAdd) {
        QStringList columnas, marcas;
        QVector<QVariant> valores;
        for (int i = 0; i < mCampos.size(); ++i)
            if (mCambiados[i]) {
                columnas << nombreSql(mCampos[i].nombre);
                marcas << QStringLiteral("?");
                valores << mBufferEdicion[i];
            }
        const QString sql = columnas.isEmpty()
                                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(nombreSql(tabla))
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(nombreSql(tabla), columnas.join(QStringLiteral(", ")),
                                           marcas.join(QStringLiteral(", ")));
        mConexion->ejecutarParametros(sql, valores);
        // The key the database gave the new row, so that it can be changed or deleted next.
        const int id = mFields.indiceDe(QStringLiteral("ID"));
        if (id >= 0 && !mCambiados[id]) {
            QStringList cond;
            QVector<QVariant> vals;
            for (int i = 0; i < mCampos.size(); ++i)
                if (mCambiados[i] && !mBufferEdicion[i].isNull()) {
                    cond << nombreSql(mCampos[i].nombre) + QStringLiteral(" = ?");
                    vals << mBufferEdicion[i];
                }
            try {
                Resultado r;
                const QString consulta =
                    QStringLiteral("SELECT MAX(%1) FROM %2%3")
                        .arg(nombreSql(mCampos[id].nombre), nombreSql(tabla),
                             cond.isEmpty() ? QString()
                                            : QStringLiteral(" WHERE ") + cond.join(QStringLiteral(" AND ")));
                // Values are bound by hand: the engine's plain execute takes no parameters.
                QString texto = consulta;
                for (const QVariant& v : vals) {
                    QString lit;
                    if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QDateTime) {
                        lit = v.typeId() == QMetaType::QDateTime ? textoFechaAlmacenada(v.toDateTime())
                                                                 : v.toString();
                        lit.replace(QLatin1Char('\''), QLatin1String("''"));
                        lit = QLatin1Char('\'') + lit + QLatin1Char('\'');
                    } else if (v.typeId() == QMetaType::Bool) {
                        lit = v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
                    } else {
                        lit = QString::number(v.toDouble(), 'g', 17);
                    }
                    const int p = texto.indexOf(QLatin1Char('?'));
                    texto.replace(p, 1, lit);
                }
                r = mMotor->ejecutar(texto, mConexion->CommandTimeout());
                Fila f;
                if (r.cursor && r.cursor->siguiente(f))
                    mBufferEdicion[id] = f.value(0).isNull() ? QVariant() : QVariant(f.value(0).toInt());
            } catch (const FalloMotor&) {
                // The row was stored; only its new key stays unknown.
            }
        }
        mFilas.push_back(mBufferEdicion);
        mBorradas.push_back(false);
        ++mAgregadas;
        mPos = finBuffer() - 1;
        mBOF = false;
    } else {
        QStringList asignaciones;
        QVector<QVariant> valores;
        for (int i = 0; i < mCampos.size(); ++i)
            if (mCambiados[i]) {
                asignaciones << nombreSql(mCampos[i].nombre) + QStringLiteral(" = ?");
                valores << mBufferEdicion[i];
            }
        if (!asignaciones.isEmpty()) {
            const Fila& original = mFilas[static_cast<size_t>(mPos - mBase)];
            const QString cond = condicionFila(original, valores);
            const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                    .arg(nombreSql(tabla), asignaciones.join(QStringLiteral(", ")), cond);
            const qint64 n = mConexion->ejecutarParametros(sql, valores);
            if (n == 0) fallarAdo(errores::FilaNoEncontrada, "ADODB.Recordset");
            mFilas[static_cast<size_t>(mPos - mBase)] = mBufferEdicion;
        }
    }
    mEdicion = adEditNone;
    mBufferEdicion.clear();
    mCambiados.clear();
}

void Recordset::Delete() {
    exigirAbierto();
    exigirActualizable();
    if (mEdicion == adEditAdd) {
        CancelUpdate();
        return;
    }
    if (!filaActualValida()) fallarAdo(errores::SinRegistroActual, "ADODB.Recordset");
    mEdicion = adEditNone;
    const QString tabla = tablaDestino();
    if (tabla.isEmpty()) fallarAdo(errores::NoActualizable, "ADODB.Recordset");
    QVector<QVariant> valores;
    const QString cond = condicionFila(mFilas[static_cast<size_t>(mPos - mBase)], valores);
    const qint64 n = mConexion->ejecutarParametros(
        QStringLiteral("DELETE FROM %1 WHERE %2").arg(nombreSql(tabla), cond), valores);
    if (n == 0) fallarAdo(errores::FilaNoEncontrada, "ADODB.Recordset");
    mBorradas[static_cast<size_t>(mPos - mBase)] = true;
    ++mBorradasCant;
}

} // namespace ado
