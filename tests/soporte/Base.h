#pragma once
// A fresh embedded database for one test, in a temporary folder that also
// becomes the data folder of the process.

#include "db/BaseDemo.h"
#include "platform/ErrorEjecucion.h"

#include "tests/soporte/Impresion.h"
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace prueba {

class BaseTemporal {
public:
    explicit BaseTemporal(basedatos::OpcionesDemo o = {});
    ~BaseTemporal();
    const QString& carpeta() const { return mCarpeta; }
    const QString& ruta() const { return mRuta; }
    QString cadena(const QString& usuario = QStringLiteral("ADMIN"),
                   const QString& clave = QStringLiteral("admin")) const;

private:
    QTemporaryDir mDir;
    QString mCarpeta;
    QString mRuta;
    QByteArray mDatosAnterior;
};

// The PostgreSQL server of the test run, or empty when there is none: the
// one the test command started (its line in the file QUENZAR_PG_ARCHIVO), or
// "PG:host:port" in QUENZAR_PG.
QString servidorPostgres();

// A fresh copy of the demo database on the test run's PostgreSQL server,
// dropped afterwards. Without a server it is not valido().
class BasePostgres {
public:
    explicit BasePostgres(QString servidor = servidorPostgres());
    ~BasePostgres();
    BasePostgres(const BasePostgres&) = delete;
    BasePostgres& operator=(const BasePostgres&) = delete;
    bool valido() const { return !mServidor.isEmpty(); }
    const QString& servidor() const { return mServidor; }
    const QString& nombre() const { return mNombre; }
    QString cadena(const QString& usuario = QStringLiteral("ADMIN"),
                   const QString& clave = QStringLiteral("admin")) const;

private:
    QString mServidor;
    QString mNombre;
};

// Text of a run-time error, for assertion messages.
std::string describir(const plataforma::ErrorEjecucion& e);

} // namespace prueba

// A database call that must succeed; on failure the engine's own message is shown.
#define SIN_ERROR(expr)                                                                                      \
    do {                                                                                                     \
        try {                                                                                                \
            expr;                                                                                            \
        } catch (const plataforma::ErrorEjecucion& e_) {                                                     \
            FAIL() << #expr << " -> " << ::prueba::describir(e_);                                            \
        }                                                                                                    \
    } while (0)

// A call that must fail with the given run-time error number.
#define FALLA_CON(expr, numero)                                                                              \
    do {                                                                                                     \
        try {                                                                                                \
            expr;                                                                                            \
            ADD_FAILURE() << #expr << " no falló (se esperaba " << (numero) << ")";                          \
        } catch (const plataforma::ErrorEjecucion& e_) {                                                     \
            EXPECT_EQ(e_.Number(), (numero)) << #expr << " -> " << ::prueba::describir(e_);                  \
        }                                                                                                    \
    } while (0)
