#pragma once
// A test with a fresh demo database, a fresh process state, a scripted seam
// and the main session open on it.

#include "data/DB_Dll.h"
#include "platform/ado/Ado.h"
#include "shell/Inicio.h"
#include "shell/ModGlobal.h"
#include "tests/soporte/Base.h"
#include "tests/soporte/Guion.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace prueba {

// Records every command sent and every connection opened (through the data layer's hooks).
class Registro {
public:
    Registro() {
        ado::ganchos().antesDeEjecutar = [this](const QString& s) {
            sentencias << s;
            if (alEjecutar) alEjecutar(s);
        };
        ado::ganchos().antesDeAbrir = [this](const QString&) {
            ++aperturas;
            if (alAbrir) alAbrir(aperturas);
        };
    }
    ~Registro() { ado::ganchos() = {}; }
    QStringList sentencias;
    int aperturas = 0;
    std::function<void(int)> alAbrir;
    std::function<void(const QString&)> alEjecutar;
};

class Sesion : public ::testing::Test {
protected:
    Sesion() {
        shell::reiniciarModGlobal();
        mAppAnterior = qgetenv("QUENZAR_CARPETA_APLICACION");
        qputenv("QUENZAR_CARPETA_APLICACION", mApp.path().toUtf8());
        // The common log goes to the temporary folder: this test's own.
        mTmpAnterior = qgetenv("TMPDIR");
        qputenv("TMPDIR", mApp.path().toUtf8());
        for (const char* v : {"temp", "TEMP", "tmp", "TMP"})
            qunsetenv(v);
    }
    ~Sesion() override {
        shell::reiniciarModGlobal();
        qputenv("QUENZAR_CARPETA_APLICACION", mAppAnterior);
        qputenv("TMPDIR", mTmpAnterior);
    }
    // Opens gDB the way start-up does, without the dialog.
    void abrir(const QString& usuario = QStringLiteral("ADMIN"),
               const QString& clave = QStringLiteral("admin")) {
        auto& db = datos::gDB();
        db.gServidor = QStringLiteral("SQLITE");
        db.gDBName = QStringLiteral("QUENZAR");
        db.gUsuario = usuario;
        db.gUserPassWord = clave;
        db.OpenServerADODB(false, 3, QString(), true, true);
        ASSERT_TRUE(db.gOpenFlag);
        ASSERT_EQ(db.gCnn().State(), ado::adStateOpen);
    }
    // Starts the program's session on the demo database, as the suite's menu does.
    void iniciarPrograma() {
        QString cadena;
        shell::IniciarAplicacion(
            QStringLiteral("@Server=SQLITE;@DbName=QUENZAR;@Usuario=ADMIN;@Password=admin;"), cadena, 3);
        ASSERT_TRUE(datos::gDB().gOpenFlag);
    }
    QString carpetaApp() const { return mApp.path() + QLatin1Char('/'); }
    // The database file out of reach, or back.
    void desconectar() { ASSERT_TRUE(QFile::rename(base.ruta(), base.ruta() + QStringLiteral(".fuera"))); }
    void reconectar() {
        if (QFile::exists(base.ruta() + QStringLiteral(".fuera"))) {
            ASSERT_TRUE(QFile::rename(base.ruta() + QStringLiteral(".fuera"), base.ruta()));
        }
    }
    // A fresh count from a second connection, unaffected by the session under test.
    qint64 contar(const QString& sql) {
        ado::Connection cn;
        cn.Open(base.cadena());
        auto rs = cn.Execute(sql);
        return (*rs)(0).Value().toLongLong();
    }

    QTemporaryDir mApp;
    QByteArray mAppAnterior, mTmpAnterior;
    BaseTemporal base;
    Guion guion;
};

} // namespace prueba
