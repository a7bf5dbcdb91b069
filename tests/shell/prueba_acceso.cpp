// The connection dialog, driven headless.

#include "shell/frmAcceso.h"
#include "shell/helperlib/OrVexa2.h"
#include "tests/soporte/Sesion.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using datos::gDB;
using shell::frmAcceso;

namespace {

class Acceso : public prueba::Sesion {
protected:
    Acceso() {
        mIniAnterior = qgetenv("QUENZAR_CARPETA_INI");
        qputenv("QUENZAR_CARPETA_INI", mIni.path().toUtf8());
    }
    ~Acceso() override {
        qputenv("QUENZAR_CARPETA_INI", mIniAnterior);
        datos::registrarDialogoConexion({});
    }
    QString bases() const { return carpetaApp() + QStringLiteral("BASES.TXT"); }
    void escribirBases(const QByteArray& contenido) {
        QFile f(bases());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contenido);
    }
    QTemporaryDir mIni;
    QByteArray mIniAnterior;
};

TEST_F(Acceso, SinArchivoLaListaQuedaVaciaYLasCajasMuestranLasPistas) {
    frmAcceso f;
    EXPECT_EQ(f.lstBases->count(), 0);
    // The hints are the boxes' placeholders, not their texts.
    EXPECT_EQ(f.TxtDbName->placeholderText(), QStringLiteral("ingrese el nombre de la base de datos"));
    EXPECT_EQ(f.TxtServidor->placeholderText(), QStringLiteral("ingrese el nombre del servidor e instancia"));
    EXPECT_EQ(f.TxtUserId->placeholderText(), QStringLiteral("Ingrese el usuario"));
    EXPECT_TRUE(f.TxtDbName->text().isEmpty());
    EXPECT_EQ(f.TxtUserPassword->text(), QString());
    EXPECT_EQ(f.CboPlataformaDB->itemText(1), QStringLiteral("ORACLE"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Control de Acceso"));
    EXPECT_EQ(f.width(), 452);
    EXPECT_EQ(f.TxtPuerto->text(), QStringLiteral("1433"));
    EXPECT_EQ(f.TxtUserId->toolTip(), QStringLiteral("Ingrese el nombre de usuario"));
}

TEST_F(Acceso, RegistrarEscribeUnaLineaQueSeLeeDeVuelta) {
    frmAcceso f;
    f.TxtDbName->setText(QStringLiteral(" quenzar "));
    f.TxtServidor->setText(QStringLiteral("sqlite"));
    f.TxtUserId->setText(QStringLiteral("ADMIN"));
    f.TxtUserPassword->setText(QStringLiteral("admin"));
    f.TxtPuerto->setText(QString());
    QTest::mouseClick(f.CmdRegistrar, Qt::LeftButton);
    QFile a(bases());
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    const QString linea = QString::fromLatin1(a.readAll());
    EXPECT_TRUE(linea.startsWith(QStringLiteral("QUENZAR / SQLITE,quenzar,quenzar,KV1:")))
        << linea.toStdString();
    EXPECT_TRUE(linea.endsWith(QStringLiteral(",sqlite\r\n")));
    ASSERT_EQ(f.lstBases->count(), 1);
    EXPECT_EQ(f.lstBases->item(0)->text(), QStringLiteral("QUENZAR / SQLITE"));
    const auto leidas = shell::leerBasesRegistradas(bases());
    ASSERT_EQ(leidas.size(), 1);
    EXPECT_EQ(leidas[0].clave, QStringLiteral("quenzar"));

    // The same database and server again: "ya existe".
    f.TxtDbName->setText(QStringLiteral("QUENZAR"));
    f.TxtServidor->setText(QStringLiteral("SQLITE:1433"));
    guion->responder(ui::vbOK, QStringLiteral("La conexion que intenta registrar ya existe "));
    f.CmdRegistrar_Click();
    EXPECT_EQ(guion->mensajes.back().titulo, QStringLiteral("Atencion"));
}

TEST_F(Acceso, RegistrarSinConexionAvisa) {
    frmAcceso f;
    f.TxtDbName->setText(QStringLiteral("NO_EXISTE"));
    f.TxtServidor->setText(QStringLiteral("SQLITE"));
    f.TxtUserId->setText(QStringLiteral("ADMIN"));
    f.TxtUserPassword->setText(QStringLiteral("admin"));
    guion->responder(ui::vbNo, QStringLiteral("Desea Intentarlo"));
    guion->responder(ui::vbOK, QStringLiteral("NO SE PUDO CONECTAR AL SERVIDOR SQLITE VERIFIQUE"));
    f.CmdRegistrar_Click();
    EXPECT_FALSE(QFile::exists(bases()));
}

TEST_F(Acceso, ElegirUnaConexionLlenaLasCajasYVaciaUsuarioYClave) {
    orvexa::Utilidades u;
    escribirBases(QByteArray("QUENZAR / SRV,QUENZAR,QUENZAR,") +
                  u.Encriptar(QStringLiteral("QUENZAR")).toLatin1() + ",SRV:1500\r\n" +
                  "linea da\xf1"
                  "ada sin campos\r\n" +
                  "\"OTRA / SRV2\",OTRA,OTRA,no-cifrada,SRV2\r\n");
    frmAcceso f;
    ASSERT_EQ(f.lstBases->count(), 2);
    // Loading selects the first entry.
    EXPECT_EQ(f.TxtServidor->text(), QStringLiteral("SRV"));
    EXPECT_EQ(f.TxtPuerto->text(), QStringLiteral("1500"));
    EXPECT_EQ(f.TxtDbName->text(), QStringLiteral("QUENZAR"));
    f.TxtUserId->setText(QStringLiteral("X"));
    f.lstBases->setCurrentRow(1);
    f.AsignarDatosBase();
    EXPECT_EQ(f.TxtServidor->text(), QStringLiteral("SRV2"));
    EXPECT_EQ(f.TxtPuerto->text(), QStringLiteral("1500")) << "a server without a port keeps the port";
    EXPECT_TRUE(f.TxtUserId->text().isEmpty());
    EXPECT_EQ(f.TxtDbName->text(), QStringLiteral("OTRA"));
    QString s, b, us, c;
    EXPECT_TRUE(f.DatosBase(QStringLiteral("OTRA / SRV2"), s, b, us, c));
    EXPECT_TRUE(c.isEmpty()) << "a password that cannot be read is empty, not fatal";
    EXPECT_FALSE(f.DatosBase(QStringLiteral("otra / srv2"), s, b, us, c)) << "letter case counts";
}

// A click into the empty user box and ADMIN typed give the login ADMIN;
// accepted with boxes left empty, the session gets empty values, never a
// hint; each hint is drawn whole, clear of the box's right edge.
TEST_F(Acceso, LasPistasNoSonParteDeLoEscrito) {
    frmAcceso f;
    f.show();
    QApplication::setActiveWindow(&f);
    QTest::mouseClick(f.TxtUserId, Qt::LeftButton, {}, QPoint(f.TxtUserId->width() / 2, 8));
    QTest::keyClicks(f.TxtUserId, QStringLiteral("ADMIN"));
    EXPECT_EQ(f.TxtUserId->text(), QStringLiteral("ADMIN"));
    for (QLineEdit* caja : {f.TxtDbName, f.TxtServidor}) {
        SCOPED_TRACE(caja->objectName().toStdString());
        // The hint's ink: every pixel inside the frame that is not the box's background.
        const QImage img = caja->grab().toImage();
        const QColor fondo = img.pixelColor(img.width() / 2, 3);
        int izquierda = img.width(), derecha = -1;
        for (int x = 3; x < img.width() - 3; ++x)
            for (int y = 4; y < img.height() - 4; ++y)
                if (img.pixelColor(x, y) != fondo) {
                    izquierda = qMin(izquierda, x);
                    derecha = qMax(derecha, x);
                }
        ASSERT_GE(derecha, 0) << "the hint shows";
        EXPECT_LT(izquierda, 10);
        // A hint cut to the box (Qt's own, with "...") runs to its last few pixels.
        EXPECT_LT(derecha, img.width() - 14) << "the hint ends well inside the box: it is whole";
    }
    // What the session reads after "Aceptar" are the boxes' texts.
    QTest::mouseClick(f.bcAceptar, Qt::LeftButton);
    EXPECT_TRUE(f.Aceptar());
    EXPECT_TRUE(f.TxtDbName->text().isEmpty());
    EXPECT_TRUE(f.TxtServidor->text().isEmpty());
}

// A registered PostgreSQL server is taken whole, port and all.
TEST_F(Acceso, UnaConexionPostgresRegistradaSeUsaEntera) {
    orvexa::Utilidades u;
    escribirBases(QByteArray("QUENZAR / PG:127.0.0.1:5432,QUENZAR,QUENZAR,") +
                  u.Encriptar(QStringLiteral("QUENZAR")).toLatin1() + ",PG:127.0.0.1:5432\r\n");
    frmAcceso f;
    ASSERT_EQ(f.lstBases->count(), 1);
    EXPECT_EQ(f.TxtServidor->text(), QStringLiteral("PG:127.0.0.1:5432"));
    EXPECT_EQ(f.TxtPuerto->text(), QStringLiteral("1433")) << "the SQL Server port box is left alone";
    EXPECT_EQ(f.TxtDbName->text(), QStringLiteral("QUENZAR"));
}

// Enter in a box does not accept the dialog: only "Aceptar" does.
TEST_F(Acceso, EnterEnUnaCajaNoAcepta) {
    frmAcceso f;
    f.show();
    QApplication::setActiveWindow(&f);
    for (QLineEdit* caja : {f.TxtUserId, f.TxtServidor, f.TxtDbName}) {
        caja->setFocus();
        QTest::keyClick(caja, Qt::Key_Return);
        EXPECT_TRUE(f.isVisible()) << caja->objectName().toStdString();
        EXPECT_FALSE(f.Aceptar());
    }
}

TEST_F(Acceso, LaSesionAbrePorElDialogo) {
    shell::registrarDialogoAcceso();
    guion->alMostrarModal([](QWidget* w) {
        auto* f = qobject_cast<frmAcceso*>(w);
        EXPECT_NE(f, nullptr);
        f->TxtDbName->setText(QStringLiteral("QUENZAR"));
        f->TxtServidor->setText(QStringLiteral("SQLITE"));
        f->TxtUserId->setText(QStringLiteral("CAJERO"));
        f->TxtUserPassword->setText(QStringLiteral("cajero"));
        QTest::mouseClick(f->bcAceptar, Qt::LeftButton);
        return 1;
    });
    auto& db = gDB();
    db.OpenServerADODB(true, 3, QString(), true, true);
    EXPECT_TRUE(db.gOpenFlag);
    EXPECT_EQ(db.gUsuario, QStringLiteral("CAJERO"));
    EXPECT_FALSE(db.gEsAdmin);

    // Cancelling leaves the session closed.
    datos::DB_Dll otra;
    guion->alMostrarModal([](QWidget* w) {
        QTest::mouseClick(qobject_cast<frmAcceso*>(w)->bcCancelar, Qt::LeftButton);
        return 0;
    });
    otra.OpenServerADODB(true, 3, QString(), true, true);
    EXPECT_FALSE(otra.gOpenFlag);
}

TEST_F(Acceso, OraclePorLaListaDePlataformas) {
    shell::registrarDialogoAcceso();
    guion->alMostrarModal([](QWidget* w) {
        auto* f = qobject_cast<frmAcceso*>(w);
        f->TxtDbName->setText(QStringLiteral("ORCL"));
        f->TxtServidor->setText(QStringLiteral("srv"));
        f->TxtUserId->setText(QStringLiteral("ANA"));
        f->CboPlataformaDB->setCurrentIndex(1);
        f->bcAceptar_Click();
        return 1;
    });
    datos::DB_Dll db;
    // The ODBC driver for Oracle is not on this machine: the open fails quietly.
    db.OpenServerADODB(true, 3, QString(), true, false);
    EXPECT_EQ(db.gServidor, QStringLiteral("srv#"));
    EXPECT_EQ(db.gProveedor, QStringLiteral("OraOLEDB.Oracle.1"));
    EXPECT_EQ(db.gConnString,
              QStringLiteral("Provider=OraOLEDB.Oracle.1;Data Source=ORCL;User Id=ANA;Password=;"));
}

TEST_F(Acceso, AccesoDirectoEnElEscritorio) {
    frmAcceso f;
    QTest::mouseClick(f.CmdLineaComando, Qt::LeftButton);
    ASSERT_EQ(guion->accesosDirectos.size(), 1u);
    EXPECT_EQ(guion->accesosDirectos[0], QStringLiteral("Zolvane"));
}

} // namespace
