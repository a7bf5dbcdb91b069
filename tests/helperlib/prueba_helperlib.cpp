// The suite's helper library.

#include "platform/ado/Ado.h"
#include "shell/helperlib/OrVexa2Ventanas.h"
#include "shell/helperlib/VentanaPlanilla.h"
#include "tests/soporte/Base.h"
#include "tests/soporte/Guion.h"

#include "tests/soporte/Impresion.h"
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace orvexa;

namespace {

// Each test gets an INI folder of its own (where the cipher key lives too).
class Libreria : public ::testing::Test {
protected:
    void SetUp() override {
        mAnterior = qgetenv("QUENZAR_CARPETA_INI");
        qputenv("QUENZAR_CARPETA_INI", mDir.path().toUtf8());
    }
    void TearDown() override { qputenv("QUENZAR_CARPETA_INI", mAnterior); }
    void escribir(const QString& nombre, const QByteArray& contenido) {
        QFile f(mDir.filePath(nombre));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contenido);
    }
    QTemporaryDir mDir;
    QByteArray mAnterior;
    Utilidades u;
};

TEST_F(Libreria, LeerIniSinMayusculasYConDefecto) {
    escribir(
        QStringLiteral("CN000pr.INI"),
        "; comentario\r\n[EQUIPO|ANA]\r\nFlatToolbars = 0\r\nNombre=Jos\xe9\r\n[OTRA]\r\nFlatToolbars=7\r\n");
    ArchivoIni ini;
    EXPECT_EQ(ini.LeerIni(QStringLiteral("cn000pr.ini"), QStringLiteral("equipo|ana"),
                          QStringLiteral("FLATTOOLBARS"), QStringLiteral("1")),
              QStringLiteral("0"));
    EXPECT_EQ(ini.LeerIni(QStringLiteral("CN000pr.INI"), QStringLiteral("EQUIPO|ANA"),
                          QStringLiteral("Nombre"), {}),
              QStringLiteral("José"));
    EXPECT_EQ(ini.LeerIni(QStringLiteral("CN000pr.INI"), QStringLiteral("EQUIPO|ANA"),
                          QStringLiteral("Styles"), QStringLiteral("4")),
              QStringLiteral("4"));
    EXPECT_EQ(ini.LeerIni(QStringLiteral("falta.ini"), QStringLiteral("X"), QStringLiteral("Y"),
                          QStringLiteral("d")),
              QStringLiteral("d"));
    ini.escribirIni(QStringLiteral("CN000pr.INI"), QStringLiteral("EQUIPO|ANA"), QStringLiteral("Styles"),
                    QStringLiteral("2"));
    EXPECT_EQ(ini.LeerIni(QStringLiteral("CN000pr.INI"), QStringLiteral("EQUIPO|ANA"),
                          QStringLiteral("Styles"), {}),
              QStringLiteral("2"));
    EXPECT_EQ(ini.LeerIni(QStringLiteral("CN000pr.INI"), QStringLiteral("OTRA"),
                          QStringLiteral("FlatToolbars"), {}),
              QStringLiteral("7"));
}

TEST_F(Libreria, CifradoIdaYVueltaYRechazoDeAlterados) {
    const QString claro = QStringLiteral("clave, con coma y ñ");
    const QString c1 = u.Encriptar(claro);
    const QString c2 = u.Encriptar(claro);
    EXPECT_NE(c1, c2) << "each encryption uses a new nonce";
    EXPECT_FALSE(c1.contains(QLatin1Char(','))) << "fits a comma-separated record";
    EXPECT_EQ(u.Desencriptar(c1), claro);
    EXPECT_EQ(u.Desencriptar(u.Encriptar(QString())), QString());

    QString alterado = c1;
    const int i = alterado.size() - 3;
    alterado[i] = alterado[i] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
    for (const QString& malo :
         {alterado, QStringLiteral("texto plano"), QStringLiteral("KV1:%%%"), QStringLiteral("KV1:")}) {
        try {
            u.Desencriptar(malo);
            ADD_FAILURE() << "aceptó " << malo.toStdString();
        } catch (const plataforma::ErrorEjecucion& e) {
            EXPECT_EQ(e.Number(), 5);
            EXPECT_EQ(e.Source(), QStringLiteral("OrVexa2"));
        }
    }
    // Another machine's key cannot read it.
    QFile::remove(mDir.filePath(QStringLiteral("quenzar.clave")));
    EXPECT_THROW(u.Desencriptar(c1), plataforma::ErrorEjecucion);
}

TEST_F(Libreria, TextosYNumeros) {
    EXPECT_EQ(u.AgregarBarra(QStringLiteral("/opt/q")), QStringLiteral("/opt/q/"));
    EXPECT_EQ(u.AgregarBarra(QStringLiteral("/opt/q/")), QStringLiteral("/opt/q/"));
    EXPECT_EQ(u.QuitarCaracter(QStringLiteral("= ANA="), QStringLiteral("=")), QStringLiteral(" ANA"));
    EXPECT_EQ(u.Reemplazar(QStringLiteral("a,b,c"), QStringLiteral(","), QStringLiteral("|")),
              QStringLiteral("a|b|c"));
    EXPECT_EQ(u.CambiarCaracter(QStringLiteral("a b"), QStringLiteral(" "), QStringLiteral("_")),
              QStringLiteral("a_b"));
    EXPECT_EQ(u.Recortar(QStringLiteral("abcdef"), 4), QStringLiteral("abcd"));
    EXPECT_EQ(u.Recortar(QStringLiteral("ab"), 4), QStringLiteral("ab"));
    EXPECT_EQ(u.Recortar(QStringLiteral("ab"), 0), QString());
    EXPECT_EQ(u.ContarPalabras(QStringLiteral("  una  ")), 1);
    EXPECT_EQ(u.ContarPalabras(QStringLiteral("dos palabras")), 2);
    EXPECT_EQ(u.ContarPalabras(QString()), 0);

    struct {
        const char* texto;
        bool numero;
        double valor;
    } casos[] = {{"12", true, 12},
                 {" -3.5 ", true, -3.5},
                 {"1,25", true, 1.25},
                 {"1.234,56", true, 1234.56},
                 {"1,234.56", true, 1234.56},
                 {"0.123456", true, 0.1235},
                 {"abc", false, 0},
                 {"", false, 0},
                 {"12abc", false, 0},
                 {"1e3", true, 1000},
                 {"--1", false, 0},
                 {"1,2,3", false, 0}};
    for (const auto& c : casos) {
        EXPECT_EQ(u.EsNumero(QString::fromUtf8(c.texto)), c.numero) << c.texto;
        EXPECT_DOUBLE_EQ(u.ANumero(QString::fromUtf8(c.texto)), c.valor) << c.texto;
    }
    EXPECT_EQ(u.NoNulo(QVariant()), QString());
    EXPECT_EQ(u.NoNulo(1001.0), QStringLiteral("1001"));
    EXPECT_EQ(u.NoNulo(2.5), QStringLiteral("2.5"));
    EXPECT_EQ(u.NoNulo(QDateTime(QDate(2026, 12, 9), QTime(0, 0))), QStringLiteral("09/12/2026"));
}

TEST_F(Libreria, MostrarErrorPreguntaYDevuelveLaRespuesta) {
    prueba::Guion guion;
    guion->responder(ui::vbRetry, QStringLiteral("Error 3704"));
    EXPECT_EQ(u.MostrarError(plataforma::ErrorEjecucion(3704, QStringLiteral("cerrado"),
                                                        QStringLiteral("ADODB.Recordset")),
                             18, QStringLiteral("Actualizar Datos")),
              ui::vbRetry);
    ASSERT_EQ(guion->mensajes.size(), 1u);
    EXPECT_TRUE(guion->mensajes[0].texto.contains(QStringLiteral("Actualizar Datos")));
    EXPECT_EQ(guion->mensajes[0].estilo, 18);
}

TEST_F(Libreria, DialogoDeArchivoYFecha) {
    prueba::Guion guion;
    guion->responderArchivo(QStringLiteral("/datos/empresa.mdb")).responderArchivo(std::nullopt);
    guion->responderFecha(QDate(2026, 12, 9));
    DialogoArchivo d;
    d.Titulo = QStringLiteral("Buscar Base de Datos");
    d.Filtro = QStringLiteral("Base de Datos de Microsoft Access |*.MDB");
    d.mostrarAbrir();
    EXPECT_FALSE(d.Cancelado());
    EXPECT_EQ(d.nombreArchivo(), QStringLiteral("/datos/empresa.mdb"));
    d.mostrarAbrir();
    EXPECT_TRUE(d.Cancelado());
    EXPECT_EQ(u.ElegirFecha(), QDate(2026, 12, 9));
}

class Formulario : public Libreria {
protected:
    void SetUp() override {
        Libreria::SetUp();
        for (const char* campo : {"IDBANCO", "SERIE", "Talonario", "NUMERO_DESDE", "CuentaBanco"}) {
            auto* e = new QLineEdit(&ventana);
            e->setProperty("DataField", QString::fromLatin1(campo));
            cajas << e;
        }
    }
    prueba::BaseTemporal base;
    QWidget ventana;
    QVector<QLineEdit*> cajas;
    Teclado t;
};

TEST_F(Formulario, IndiceControlPorNombreDeColumna) {
    EXPECT_EQ(t.IndiceControl(QStringLiteral("TALONARIO"), cajas), 2);
    EXPECT_EQ(t.IndiceControl(QStringLiteral("idbanco"), cajas), 0);
    EXPECT_EQ(t.IndiceControl(QStringLiteral("NO_ESTA"), cajas), -1);
    EXPECT_TRUE(t.EsTeclaAvance(Qt::Key_Return));
    EXPECT_TRUE(t.EsTeclaAvance(Qt::Key_Enter));
    EXPECT_FALSE(t.EsTeclaAvance(Qt::Key_A));
}

TEST_F(Formulario, PreparaCamposDaLargoYFiltraLosNumericos) {
    SIN_ERROR(t.PreparaCampos(cajas, QStringLiteral("V_TA_QUENZAR"), base.cadena()));
    EXPECT_EQ(cajas[0]->maxLength(), 3);
    EXPECT_EQ(cajas[1]->maxLength(), 3);
    EXPECT_EQ(cajas[4]->maxLength(), 20);
    // Talonario is a whole number, NUMERO_DESDE a numeric column.
    EXPECT_EQ(t.FiltraTecla(cajas[2], QLatin1Char('7')), QLatin1Char('7'));
    EXPECT_TRUE(t.FiltraTecla(cajas[2], QLatin1Char('x')).isNull());
    EXPECT_TRUE(t.FiltraTecla(cajas[2], QLatin1Char('.')).isNull());
    EXPECT_EQ(t.FiltraTecla(cajas[3], QLatin1Char(',')), QLatin1Char(','));
    EXPECT_EQ(t.FiltraTecla(cajas[3], QChar(8)), QChar(8)); // backspace passes
    EXPECT_EQ(t.FiltraTecla(cajas[1], QLatin1Char('x')), QLatin1Char('x'));
}

TEST_F(Formulario, LlenaCamposYLimpiaFormulario) {
    ado::Connection cn;
    cn.Open(base.cadena());
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM V_TA_QUENZAR WHERE ID = 5"), cn);
    t.LlenaCampos(cajas, rs);
    EXPECT_EQ(cajas[0]->text(), QStringLiteral("5"));
    EXPECT_EQ(cajas[1]->text(), QStringLiteral("A"));
    EXPECT_EQ(cajas[2]->text(), QStringLiteral("5"));
    EXPECT_EQ(cajas[3]->text(), QStringLiteral("1001"));
    EXPECT_EQ(cajas[4]->text(), QStringLiteral("11102005"));
    t.LimpiaFormulario(&ventana);
    for (auto* c : cajas)
        EXPECT_TRUE(c->text().isEmpty());
}

TEST_F(Formulario, EnviarTeclaTabuladorPasaAlSiguiente) {
    ventana.show();
    QApplication::setActiveWindow(&ventana);
    cajas[0]->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), cajas[0]);
    t.EnviarTecla(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), cajas[1]);
}

TEST_F(Formulario, PlanillaMuestraLasFilasDeLaTabla) {
    prueba::Guion guion;
    int filas = -1, columnas = -1;
    QString titulo, primera;
    guion->alMostrarModal([&](QWidget* w) {
        auto* v = qobject_cast<VentanaPlanilla*>(w);
        EXPECT_NE(v, nullptr);
        titulo = v->windowTitle();
        auto* m = v->modelo();
        while (m->canFetchMore({}))
            m->fetchMore({});
        filas = m->rowCount();
        columnas = m->columnCount();
        primera = m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString();
        return 1;
    });
    SIN_ERROR(
        Planilla().AbrePlanilla(QStringLiteral("VT_Chequeras"), base.cadena(), QStringLiteral("Chequeras")));
    EXPECT_EQ(titulo, QStringLiteral("Chequeras"));
    EXPECT_EQ(filas, 36);
    EXPECT_EQ(columnas, 9);
    EXPECT_EQ(primera, QStringLiteral("ID"));
    // A table name that is not one is refused before it reaches SQL.
    EXPECT_THROW(Planilla().AbrePlanilla(QStringLiteral("T; DROP TABLE TA_BANCOS"), base.cadena(), {}),
                 plataforma::ErrorEjecucion);
}

} // namespace
