// The cheque-book editor, driven headless against the demo database.

#include "editor/ast.h"
#include "editor/frmV_TA_QUENZAR.h"
#include "grid/KvDbGrid.h"
#include "lookup/ServicioConsulta.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/FrmHistorial.h"
#include "shell/Inicio.h"
#include "tests/soporte/Fallos.h"
#include "tests/soporte/Sesion.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <csignal>
#include <iostream>
#include <sqlite3.h>
#include <string>

using datos::gDB;
using editor::frmV_TA_QUENZAR;

namespace {

enum Caja { Banco = 0, Serie, Talonario, Desde, Hasta, CuentaDif, Cuenta };

// Types a value and confirms it with Enter, as a user does.
void escribirEn(frmV_TA_QUENZAR& f, int caja, const QString& texto) {
    QLineEdit* e = f.txtFields[caja];
    e->setFocus();
    e->setText(texto);
    QTest::keyClick(e, Qt::Key_Return);
}

class Editor : public prueba::Sesion {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(iniciarPrograma());
        f = std::make_unique<frmV_TA_QUENZAR>();
        f->show();
        QApplication::setActiveWindow(f.get());
    }
    void TearDown() override { f.reset(); }
    void escribir(int caja, const QString& texto) { escribirEn(*f, caja, texto); }
    void clave(int caja, const QString& banco, const QString& serie, const QString& talonario) {
        Q_UNUSED(caja);
        escribir(Banco, banco);
        escribir(Serie, serie);
        escribir(Talonario, talonario);
    }
    QString texto(int caja) const { return f->txtFields[caja]->text(); }
    std::unique_ptr<frmV_TA_QUENZAR> f;
};

TEST_F(Editor, VentanaYEstadoInicial) {
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Quenzar"));
    EXPECT_EQ(f->txtFields[Banco]->maxLength(), 3);
    EXPECT_EQ(f->txtFields[Cuenta]->maxLength(), 20);
    EXPECT_TRUE(f->txtFields[Banco]->isEnabled());
    EXPECT_FALSE(f->txtFields[Desde]->isEnabled());
    EXPECT_TRUE(f->UtilGem1->estaDisponible(QStringLiteral("NUEVO")));
    EXPECT_TRUE(f->UtilGem1->estaDisponible(QStringLiteral("CERRAR")));
    EXPECT_FALSE(f->UtilGem1->estaDisponible(QStringLiteral("GRABAR")));
    EXPECT_EQ(f->lblLabels[7]->text(), QStringLiteral("Nro Control:"));
}

TEST_F(Editor, NuevaChequeraConDosCuentasNuevas) {
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    EXPECT_TRUE(f->Nuevo);
    EXPECT_EQ(f->lblDesc0->text(), QStringLiteral("BANCO SUPERVIELLE"));
    EXPECT_EQ(texto(Cuenta), QStringLiteral("11102010"));
    EXPECT_EQ(texto(CuentaDif), QStringLiteral("21103010"));
    EXPECT_TRUE(f->txtFields[Cuenta]->isEnabled());
    EXPECT_TRUE(f->UtilGem1->estaDisponible(QStringLiteral("GRABAR")));
    escribir(Desde, QStringLiteral("100"));
    escribir(Hasta, QStringLiteral("150"));
    QTest::keyClick(f->txtFields[Hasta], Qt::Key_F5); // GRABAR
    EXPECT_FALSE(f->HayError);
    EXPECT_EQ(contar(QStringLiteral(
                  "SELECT COUNT(*) FROM V_TA_QUENZAR WHERE IDBANCO = '10' AND TALONARIO = 500 AND "
                  "NUMERO_DESDE = 100 AND NUMERO_HASTA = 150")),
              1);
    EXPECT_EQ(contar(QStringLiteral(
                  "SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '11102010' AND MedioDePago = 'DB' AND "
                  "CodigoOpcional = '110' AND PideVencimiento = 0 AND TipoVista = 'BC'")),
              1);
    EXPECT_EQ(contar(QStringLiteral(
                  "SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '21103010' AND MedioDePago = 'CH' AND "
                  "CodigoOpcional = '210' AND PideVencimiento = 1 AND CUENTAPRINCIPAL = '11102010' AND "
                  "DESCRIPCION = 'BANCO SUPERVIELLE'")),
              1);
    // Back to browsing.
    EXPECT_TRUE(texto(Banco).isEmpty());
    EXPECT_TRUE(f->UtilGem1->estaDisponible(QStringLiteral("NUEVO")));

    // Saving the same cheque book again updates it and duplicates no account.
    gDB().gCnn().Execute(
        QStringLiteral("UPDATE MA_CUENTAS SET MedioDePago = 'XX' WHERE CODIGO = '11102010'"));
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    EXPECT_TRUE(f->Modifica);
    EXPECT_EQ(texto(Hasta), QStringLiteral("150"));
    EXPECT_FALSE(f->txtFields[Cuenta]->isEnabled());
    escribir(Hasta, QStringLiteral("160"));
    f->ejecutarComando(QStringLiteral("grabar"));
    EXPECT_EQ(contar(QStringLiteral(
                  "SELECT NUMERO_HASTA FROM V_TA_QUENZAR WHERE IDBANCO = '10' AND TALONARIO = 500")),
              160);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM V_TA_QUENZAR WHERE IDBANCO = '10'")), 1);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO IN ('11102010', '21103010')")),
        2);
    EXPECT_EQ(contar(QStringLiteral(
                  "SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '11102010' AND MedioDePago = 'DB'")),
              1);

    // Deleting removes only the cheque book.
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    guion->responder(ui::vbYes, QStringLiteral("Confirma la baja de este registro?"));
    f->ejecutarComando(QStringLiteral("BORRAR"));
    EXPECT_EQ(guion->mensajes.back().estilo, ui::vbYesNo + ui::vbExclamation + ui::vbDefaultButton2);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM V_TA_QUENZAR WHERE IDBANCO = '10'")), 0);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO IN ('11102010', '21103010')")),
        2);
}

TEST_F(Editor, ChequeraExistenteSeCargaYSeCambia) {
    clave(0, QStringLiteral("5"), QStringLiteral("A"), QStringLiteral("5"));
    EXPECT_FALSE(f->Nuevo);
    EXPECT_TRUE(f->Modifica);
    EXPECT_EQ(texto(Desde), QStringLiteral("1001"));
    EXPECT_EQ(texto(Cuenta), QStringLiteral("11102005"));
    EXPECT_EQ(f->LblDescCta->text(), QStringLiteral("BANCO MACRO"));
    EXPECT_TRUE(f->UtilGem1->estaDisponible(QStringLiteral("BORRAR")));
    escribir(Desde, QStringLiteral("1001")); // never collides with itself
    EXPECT_FALSE(f->HayError);
    // CANCELAR and BORRAR answered No change nothing.
    guion->responder(ui::vbNo, QStringLiteral("¿Realmente desea abandonar la carga de datos?"));
    f->ejecutarComando(QStringLiteral("Cancelar"));
    EXPECT_EQ(texto(Desde), QStringLiteral("1001"));
    guion->responder(ui::vbNo);
    f->ejecutarComando(QStringLiteral("BORRAR"));
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE ID = 5")), 1);
    f->ejecutarComando(QStringLiteral("OTRA COSA"));
    EXPECT_TRUE(f->Modifica);
}

// What the user sees: after a cancel the detail boxes look disabled, not
// white as they were when they lost the focus; every label shows whole.
TEST_F(Editor, CajasDeshabilitadasYEtiquetasEnteras) {
    clave(0, QStringLiteral("5"), QStringLiteral("A"), QStringLiteral("5"));
    escribir(Desde, QStringLiteral("1001"));
    f->txtFields[Hasta]->setFocus(); // Desde loses the focus: drawn white
    guion->responder(ui::vbYes, QStringLiteral("¿Realmente desea abandonar la carga de datos?"));
    f->ejecutarComando(QStringLiteral("Cancelar"));
    ASSERT_FALSE(f->txtFields[Desde]->isEnabled());
    for (int c : {Desde, Hasta, Cuenta}) {
        const QImage img = f->txtFields[c]->grab().toImage();
        EXPECT_NE(img.pixelColor(img.width() / 2, img.height() / 2), QColor(Qt::white)) << c;
    }
    const QImage activa = f->txtFields[Banco]->grab().toImage();
    EXPECT_NE(activa.pixelColor(activa.width() - 3, activa.height() / 2), QColor(240, 240, 240));
    for (QLabel* l : f->lblLabels) {
        if (l->wordWrap()) continue;
        SCOPED_TRACE(l->text().toStdString());
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width());
        // No ink on the label's last column: a clipped text runs into it.
        const QImage img = l->grab().toImage();
        const QColor fondo = img.pixelColor(0, 0);
        for (int y = 0; y < img.height(); ++y)
            EXPECT_EQ(img.pixelColor(img.width() - 1, y), fondo) << y;
    }
}

struct Rechazo {
    const char* nombre;
    int caja;
    const char* valor;
    const char* mensaje;
};

TEST_F(Editor, RechazosConSuMensajeYElFocoEnLaCaja) {
    const Rechazo casos[] = {
        {"banco_vacio", Banco, "   ", "Debe informar el Codigo!"},
        {"banco_inexistente", Banco, "99", "El banco informado no existe!!!"},
        {"banco_con_comilla", Banco, "1'", "El banco informado no existe!!!"},
    };
    for (const auto& c : casos) {
        guion->responder(ui::vbOK, QString::fromUtf8(c.mensaje));
        escribir(c.caja, QString::fromUtf8(c.valor));
        EXPECT_TRUE(f->HayError) << c.nombre;
        EXPECT_EQ(guion->mensajes.back().titulo, QStringLiteral("Aviso al operador...")) << c.nombre;
        EXPECT_EQ(QApplication::focusWidget(), f->txtFields[c.caja]) << c.nombre;
    }
    escribir(Banco, QStringLiteral("5"));
    guion->responder(ui::vbOK, QStringLiteral("Debe informar la Serie!!!"));
    escribir(Serie, QStringLiteral(" "));
    escribir(Serie, QStringLiteral("A"));
    guion->responder(ui::vbOK, QStringLiteral("Debe informar el Nro de Control!!!"));
    escribir(Talonario, QString());
    const char* malos[] = {"12.5", "1 OR 1=1", "99999999999", "0", "-1"};
    for (const char* malo : malos) {
        guion->responder(ui::vbOK, QStringLiteral("El Nro de Control debe ser un número entero entre 1 y"));
        escribir(Talonario, QString::fromUtf8(malo));
        EXPECT_TRUE(f->HayError) << malo;
    }
    EXPECT_EQ(guion->mensajes.size(), std::size(casos) + 2 + std::size(malos));
}

// Cheque and control numbers are positive; a control number changed after it
// was accepted is refused for what it is, not as missing.
TEST_F(Editor, NumerosMenoresQueUno) {
    clave(0, QStringLiteral("8"), QStringLiteral("Q"), QStringLiteral("901"));
    ASSERT_TRUE(f->Nuevo);
    for (const char* malo : {"-5", "-1", "0.5"}) {
        guion->responder(ui::vbOK, QStringLiteral("El número de cheque debe ser 1 o mayor."));
        escribir(Desde, QString::fromUtf8(malo));
        EXPECT_TRUE(f->HayError) << malo;
        EXPECT_EQ(QApplication::focusWidget(), f->txtFields[Desde]);
    }
    guion->responder(ui::vbOK, QStringLiteral("Debe informar el Número Desde"));
    escribir(Desde, QStringLiteral("0"));
    escribir(Desde, QStringLiteral("10"));
    guion->responder(ui::vbOK, QStringLiteral("El número de cheque debe ser 1 o mayor."));
    escribir(Hasta, QStringLiteral("-1"));
    // The control number pasted over after acceptance.
    f->txtFields[Talonario]->setText(QStringLiteral("-1"));
    guion->responder(ui::vbOK, QStringLiteral("El Nro de Control debe ser un número entero entre 1 y"));
    escribir(Hasta, QStringLiteral("20"));
    EXPECT_EQ(QApplication::focusWidget(), f->txtFields[Talonario]);
    EXPECT_EQ(guion->mensajes.size(), 6u);
}

TEST_F(Editor, RangosQueSeSuperponen) {
    // Bank 5, series A holds 1001-1050 (control 5) and 1051-1100 (control 32).
    clave(0, QStringLiteral("5"), QStringLiteral("A"), QStringLiteral("700"));
    ASSERT_TRUE(f->Nuevo);
    guion->responder(ui::vbOK, QStringLiteral("Debe informar el Número Desde"));
    escribir(Desde, QStringLiteral("abc"));
    guion->responder(ui::vbOK,
                     QStringLiteral("El rango de numeración se superpone con el Nro de Control: 5"));
    escribir(Desde, QStringLiteral("1050")); // the end is included
    escribir(Desde, QStringLiteral("900"));
    EXPECT_FALSE(f->HayError);
    guion->responder(ui::vbOK, QStringLiteral("El Número desde es Mayor a Hasta"));
    escribir(Hasta, QStringLiteral("800"));
    // 1001-1050 lies inside 900-2000.
    guion->responder(ui::vbOK, QStringLiteral("El rango de numeración se superpone con el Nro de Control: "));
    escribir(Hasta, QStringLiteral("2000"));
    guion->responder(ui::vbOK, QStringLiteral("hasta 8 dígitos"));
    escribir(Hasta, QStringLiteral("100000000"));
    escribir(Hasta, QStringLiteral("950"));
    EXPECT_FALSE(f->HayError);
    // The same numbers in another series are accepted.
    f->ejecutarComando(QStringLiteral("NUEVO"));
    clave(0, QStringLiteral("5"), QStringLiteral("Z"), QStringLiteral("700"));
    escribir(Desde, QStringLiteral("1001"));
    escribir(Hasta, QStringLiteral("2000"));
    EXPECT_FALSE(f->HayError);
}

TEST_F(Editor, CuentasPorCodigoOpcionalYCuentaInexistente) {
    clave(0, QStringLiteral("6"), QStringLiteral("Z"), QStringLiteral("800"));
    ASSERT_TRUE(f->Nuevo);
    escribir(CuentaDif, QStringLiteral("26")); // the optional code of bank 6's deferred account
    EXPECT_FALSE(f->HayError);
    EXPECT_EQ(texto(CuentaDif), QStringLiteral("21103006"));
    guion->responder(ui::vbOK, QStringLiteral("Debe informar la Cuenta Contable para PAgos Diferido"));
    escribir(CuentaDif, QString());
    guion->responder(ui::vbOK, QStringLiteral("La cuenta ingresada es inexistente."));
    escribir(Cuenta, QStringLiteral("99999"));
}

TEST_F(Editor, PropuestaDeCuentasEIncoherencia) {
    EXPECT_EQ(editor::ast::ArmaCuentaBanco(QStringLiteral("5"), false, false), QStringLiteral("11102005"));
    gDB().gCnn().Execute(QStringLiteral("DELETE TA_QUENZAR WHERE IDBANCO = '5'"));
    EXPECT_EQ(editor::ast::ArmaCuentaBanco(QStringLiteral("5"), false, false), QStringLiteral("11102005"));
    EXPECT_EQ(editor::ast::ArmaCuentaBanco(QStringLiteral("5"), true, false), QStringLiteral("21103005"));
    gDB().gCnn().Execute(
        QStringLiteral("UPDATE ta_configuracion SET VALOR = '1110' WHERE CLAVE = 'TituloBancos'"));
    guion->responder(
        ui::vbOK,
        QStringLiteral("Incoherencia en la configuracion del Total de Digitos del Plan de Cuentas!"));
    EXPECT_EQ(editor::ast::ArmaCuentaBanco(QStringLiteral("5"), false, false), QStringLiteral("1110"));
    EXPECT_EQ(guion->mensajes.back().titulo, QStringLiteral("Atención"));
    // A bank code longer than the prefix is taken as an account code.
    EXPECT_EQ(editor::ast::ArmaCuentaBanco(QStringLiteral("11102001"), false, false),
              QStringLiteral("11102001"));
    EXPECT_EQ(editor::ast::ArmaCuentaBanco(QStringLiteral("99999"), false, false), QString());
}

// With an inconsistent digit configuration the bare prefix is proposed, the
// message shows once when the bank is confirmed, and the prefix is not
// accepted as an account to create: not in the box's rule, not when saving.
TEST_F(Editor, PropuestaIncoherenteNoSeAcepta) {
    gDB().gCnn().Execute(
        QStringLiteral("UPDATE ta_configuracion SET VALOR = '1110' WHERE CLAVE = 'TituloBancos'"));
    guion->responder(ui::vbOK, QStringLiteral("Incoherencia en la configuracion del Total de Digitos"));
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("501"));
    ASSERT_TRUE(f->Nuevo);
    EXPECT_EQ(texto(Cuenta), QStringLiteral("1110"));
    EXPECT_EQ(guion->mensajes.size(), 1u) << "one message for the bank's two proposals";
    escribir(Desde, QStringLiteral("100"));
    escribir(Hasta, QStringLiteral("150"));
    guion->responder(ui::vbOK, QStringLiteral("La cuenta ingresada es inexistente."));
    escribir(Cuenta, QStringLiteral("1110"));
    EXPECT_TRUE(f->HayError);
    guion->responder(ui::vbOK, QStringLiteral("La cuenta ingresada es inexistente."));
    f->ejecutarComando(QStringLiteral("grabar"));
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '1110'")), 0);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM V_TA_QUENZAR WHERE IDBANCO = '10'")), 0);
    EXPECT_EQ(guion->mensajes.size(), 3u) << "no inconsistency message while validating or saving";
}

class ConsultaGuionada : public lookup::ServicioConsulta {
public:
    QString respuesta;
    QString sentencia;
    void ConsultaSearch(const QString& s, QStringList*, const QString&, QString*, QString*, const QString&,
                        bool, const QString&) override {
        sentencia = s;
        ValorDevuelto = respuesta;
    }
};

TEST_F(Editor, ConsultaDeBancosConClicDerecho) {
    auto* servicio = new ConsultaGuionada;
    servicio->respuesta = QStringLiteral(" 7 ");
    auto anterior = lookup::instalarServicio(std::unique_ptr<lookup::ServicioConsulta>(servicio));
    QTest::mouseClick(f->txtFields[Banco], Qt::RightButton);
    EXPECT_EQ(servicio->sentencia, QStringLiteral("SELECT DESCRIPCION,IDBANCO FROM V_TA_BANCOS"));
    EXPECT_EQ(servicio->CampoDevuelto, QStringLiteral("IDBANCO"));
    EXPECT_EQ(texto(Banco), QStringLiteral("7"));
    EXPECT_EQ(f->lblDesc0->text(), QStringLiteral("BANCO CREDICOOP"));
    EXPECT_EQ(QApplication::focusWidget(), f->txtFields[Serie]) << "validated and moved on";
    // A right click on a box without tag does nothing.
    servicio->sentencia.clear();
    QTest::mouseClick(f->txtFields[Serie], Qt::RightButton);
    EXPECT_TRUE(servicio->sentencia.isEmpty());
    f->txtFields[Talonario]->setFocus();
    EXPECT_FALSE(f->UtilGem1->estaDisponible(QStringLiteral("CONSULTAR")));
    f->txtFields[Banco]->setFocus();
    EXPECT_TRUE(f->UtilGem1->estaDisponible(QStringLiteral("CONSULTAR")));
    lookup::instalarServicio(std::move(anterior));
}

// Enter in the last open box wraps the focus to the bank box: CONSULTAR is
// there with it, and F7 opens the lookup.
TEST_F(Editor, ConsultarSigueALaCajaConElFoco) {
    auto* servicio = new ConsultaGuionada;
    servicio->respuesta = QStringLiteral("7");
    auto anterior = lookup::instalarServicio(std::unique_ptr<lookup::ServicioConsulta>(servicio));
    clave(0, QStringLiteral("5"), QStringLiteral("A"), QStringLiteral("5"));
    ASSERT_TRUE(f->Modifica);
    ASSERT_EQ(QApplication::focusWidget(), f->txtFields[Desde]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), f->txtFields[Banco]) << "the account boxes are closed";
    EXPECT_TRUE(f->UtilGem1->findChild<QToolButton*>(QStringLiteral("CONSULTAR"))->isEnabled());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F7);
    EXPECT_EQ(servicio->sentencia, QStringLiteral("SELECT DESCRIPCION,IDBANCO FROM V_TA_BANCOS"));
    EXPECT_EQ(texto(Banco), QStringLiteral("7"));
    lookup::instalarServicio(std::move(anterior));
}

TEST_F(Editor, UnBancoRechazadoSeLlevaSuNombreYSusCuentas) {
    escribir(Banco, QStringLiteral("10"));
    ASSERT_EQ(f->lblDesc0->text(), QStringLiteral("BANCO SUPERVIELLE"));
    ASSERT_FALSE(texto(Cuenta).isEmpty());
    guion->responder(ui::vbOK, QStringLiteral("El banco informado no existe!!!"));
    escribir(Banco, QStringLiteral("99"));
    EXPECT_EQ(f->lblDesc0->text(), QStringLiteral("..."));
    EXPECT_TRUE(texto(Cuenta).isEmpty());
    EXPECT_TRUE(texto(CuentaDif).isEmpty());
    guion->responder(ui::vbOK, QStringLiteral("Debe informar el Codigo!"));
    escribir(Banco, QString());
    EXPECT_EQ(f->lblDesc0->text(), QStringLiteral("..."));
}

// An account typed for a new cheque book must be one the save may take as its
// own: never a heading, another bank's account, or one of the other purpose.
TEST_F(Editor, SoloCuentasQueLaChequeraPuedeHacerPropias) {
    struct Caso {
        const char* banco;
        int caja;
        const char* cuenta;
        const char* motivo; // empty: accepted
    } casos[] = {
        {"10", Cuenta, "11", "es un título del plan de cuentas"},
        {"10", CuentaDif, "21103", "es un título del plan de cuentas"},
        {"10", Cuenta, "11102003", "es del banco 3"},
        {"10", CuentaDif, "21103003", "es del banco 3"},
        {"3", CuentaDif, "11102003", "es la cuenta de un banco"},
        {"3", Cuenta, "21103003", "es de cheques de pago diferido"},
        {"3", Cuenta, "23", "es de cheques de pago diferido"}, // by its optional code
        {"3", Cuenta, "11102003", ""},
        {"3", CuentaDif, "21103003", ""},
        {"10", Cuenta, "11101001", ""}, // an account no bank uses yet
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(std::string(c.banco) + " " + c.cuenta);
        f->ejecutarComando(QStringLiteral("NUEVO"));
        clave(0, QString::fromUtf8(c.banco), QStringLiteral("Z"), QStringLiteral("777"));
        ASSERT_TRUE(f->Nuevo);
        if (*c.motivo) guion->responder(ui::vbOK, QString::fromUtf8(c.motivo));
        escribir(c.caja, QString::fromUtf8(c.cuenta));
        EXPECT_EQ(f->HayError, *c.motivo != 0);
        if (*c.motivo) {
            EXPECT_EQ(QApplication::focusWidget(), f->txtFields[c.caja]) << "the focus stays on the account";
        }
    }
    // The same account for both purposes.
    f->ejecutarComando(QStringLiteral("NUEVO"));
    clave(0, QStringLiteral("10"), QStringLiteral("Z"), QStringLiteral("777"));
    escribir(CuentaDif, QStringLiteral("11101001"));
    guion->responder(ui::vbOK, QStringLiteral("deben ser distintas"));
    escribir(Cuenta, QStringLiteral("11101001"));
    EXPECT_TRUE(f->HayError);
    // Refused when saving too: nothing is written, another bank's account keeps its mark.
    f->ejecutarComando(QStringLiteral("NUEVO"));
    clave(0, QStringLiteral("10"), QStringLiteral("Z"), QStringLiteral("778"));
    escribir(Desde, QStringLiteral("1"));
    escribir(Hasta, QStringLiteral("50"));
    f->txtFields[CuentaDif]->setText(QStringLiteral("11102003"));
    guion->responder(ui::vbOK, QStringLiteral("es la cuenta de un banco"));
    f->ejecutarComando(QStringLiteral("GRABAR"));
    EXPECT_TRUE(f->HayError);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE TALONARIO = 778")), 0);
    EXPECT_EQ(contar(QStringLiteral(
                  "SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '11102003' AND MedioDePago = 'DB'")),
              1);
}

TEST_F(Editor, EntradasMalas) {
    clave(0, QStringLiteral("8"), QStringLiteral("Q"), QStringLiteral("900"));
    ASSERT_TRUE(f->Nuevo);
    // Letters do not reach a number box.
    f->txtFields[Desde]->clear();
    f->txtFields[Desde]->setFocus();
    QTest::keyClicks(f->txtFields[Desde], QStringLiteral("1a2b"));
    EXPECT_EQ(texto(Desde), QStringLiteral("12"));
    // Text boxes keep to their column's size.
    f->txtFields[Serie]->setText(QString(300, QLatin1Char('x')));
    EXPECT_LE(texto(Serie).size(), 3);
}

TEST_F(Editor, ChequeraGuardadaPorOtroMientrasTantoNoSeDuplica) {
    clave(0, QStringLiteral("11"), QStringLiteral("A"), QStringLiteral("77"));
    ASSERT_TRUE(f->Nuevo);
    escribir(Desde, QStringLiteral("10"));
    escribir(Hasta, QStringLiteral("20"));
    // Another user stores the same cheque book between the checks and the save.
    prueba::Registro r;
    bool hecho = false;
    r.alEjecutar = [&](const QString& sql) {
        if (hecho || sql != QLatin1String("BEGIN TRANSACTION")) return;
        hecho = true;
        ado::Connection otro;
        otro.Open(base.cadena());
        otro.Execute(QStringLiteral(
            "INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA) VALUES "
            "(77, '11', 'A', 1, 5)"));
    };
    f->ejecutarComando(QStringLiteral("GRABAR"));
    EXPECT_TRUE(hecho);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE IDBANCO = '11' AND TALONARIO = 77")), 1);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT NUMERO_HASTA FROM TA_QUENZAR WHERE IDBANCO = '11' AND TALONARIO = 77")),
        20)
        << "the save became an update of the row that appeared";
}

TEST_F(Editor, DescripcionConApostrofeNoRompeLasCuentas) {
    gDB().gCnn().Execute(
        QStringLiteral("UPDATE TA_BANCOS SET DESCRIPCION = 'BANCO O''HIGGINS' WHERE IDBANCO = '12'"));
    clave(0, QStringLiteral("12"), QStringLiteral("A"), QStringLiteral("1"));
    escribir(Desde, QStringLiteral("1"));
    escribir(Hasta, QStringLiteral("50"));
    f->ejecutarComando(QStringLiteral("GRABAR"));
    EXPECT_FALSE(f->HayError);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE DESCRIPCION = 'BANCO O''HIGGINS'")), 2);
}

// F9 shows the loaded cheque book's history, newest first, in the paged grid;
// from the list, the selected row's.
TEST_F(Editor, ElHistorialConF9) {
    clave(0, QStringLiteral("5"), QStringLiteral("A"), QStringLiteral("5"));
    escribir(Desde, QStringLiteral("1001"));
    escribir(Hasta, QStringLiteral("1040"));
    QTest::keyClick(f->txtFields[Hasta], Qt::Key_F5);
    ASSERT_FALSE(f->HayError);
    clave(0, QStringLiteral("5"), QStringLiteral("A"), QStringLiteral("5"));
    escribir(Desde, QStringLiteral("1001"));
    escribir(Hasta, QStringLiteral("1030"));
    QTest::keyClick(f->txtFields[Hasta], Qt::Key_F5);
    ASSERT_FALSE(f->HayError);
    clave(0, QStringLiteral("5"), QStringLiteral("A"), QStringLiteral("5"));
    // What the window shows: its rows as drawn, the newest on top.
    auto comprobar = [](QWidget* w) {
        auto* h = qobject_cast<shell::FrmHistorial*>(w);
        EXPECT_NE(h, nullptr);
        if (!h) return 0;
        EXPECT_EQ(h->windowTitle(), QStringLiteral("Historial de la chequera 5/A/5"));
        h->show();
        auto* g = h->KvDbGrid1->MsFlexGrid;
        QStringList encabezados, primera, segunda;
        for (int c = 1; c < g->Cols(); ++c) {
            encabezados << g->TextMatrix(0, c);
            primera << g->TextMatrix(1, c);
            segunda << g->TextMatrix(2, c);
        }
        EXPECT_EQ(encabezados.mid(0, 9), (QStringList{"DIA", "HORA", "USUARIO", "Maquina", "OPERACION",
                                                      "REGISTRO", "CAMPO", "ANTES", "DESPUES"}));
        EXPECT_EQ(primera.mid(4, 5),
                  (QStringList{"Modificación", "Chequera 5/A/5", "NUMERO_HASTA", "1040", "1030"}));
        EXPECT_EQ(segunda.mid(4, 5),
                  (QStringList{"Modificación", "Chequera 5/A/5", "NUMERO_HASTA", "1050", "1040"}));
        EXPECT_EQ(primera.value(0), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
        EXPECT_EQ(primera.value(2), QStringLiteral("ADMIN"));
        EXPECT_TRUE(g->TextMatrix(3, 1).isEmpty()) << "only this cheque book's two changes";
        // The cells are drawn: the new value's cell holds ink, the empty row below none.
        const QImage img = g->viewport()->grab().toImage();
        auto tinta = [&](int fila, int col) {
            const QRect r = g->visualItemRect(g->item(fila, col)).adjusted(2, 2, -2, -2);
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    if (QColor(img.pixel(x, y)).lightness() < 110) ++n;
            return n;
        };
        EXPECT_GT(tinta(1, 9), 0);
        EXPECT_EQ(tinta(3, 9), 0);
        return 1;
    };
    guion->alMostrarModal(comprobar);
    f->show();
    QTest::keyClick(f->txtFields[Desde], Qt::Key_F9);
    // From the list, the selected row: the same history.
    f->ejecutarComando(QStringLiteral("CERRAR"));
    shell::FrmChequerasGrid lista;
    lista.show();
    lista.Cargar();
    lista.KvDbGrid1->MsFlexGrid->setRow(5);
    ASSERT_EQ(lista.KvDbGrid1->MsFlexGrid->TextMatrix(5, 1), QStringLiteral("5"));
    guion->alMostrarModal(comprobar);
    QApplication::setActiveWindow(&lista);
    lista.KvDbGrid1->MsFlexGrid->setFocus();
    QTest::keyClick(lista.KvDbGrid1->MsFlexGrid, Qt::Key_F9);
}

TEST_F(Editor, DesdeLaListaConF2) {
    editor::registrarEditorEnLista();
    shell::FrmChequerasGrid lista;
    lista.Cargar();
    lista.KvDbGrid1->MsFlexGrid->setRow(3);
    guion->alMostrarModal([](QWidget* w) {
        auto* e = qobject_cast<frmV_TA_QUENZAR*>(w);
        EXPECT_NE(e, nullptr);
        EXPECT_EQ(e->txtFields[Banco]->text(), QStringLiteral("3"));
        EXPECT_EQ(e->txtFields[Talonario]->text(), QStringLiteral("3"));
        EXPECT_TRUE(e->txtFields[Desde]->text().isEmpty()) << "nothing else until the user confirms";
        e->ejecutarComando(QStringLiteral("CERRAR"));
        return 1;
    });
    lista.editar();
    // A double click on a row does what F2 does.
    lista.show();
    guion->alMostrarModal([](QWidget* w) {
        auto* e = qobject_cast<frmV_TA_QUENZAR*>(w);
        EXPECT_NE(e, nullptr);
        if (e) {
            EXPECT_EQ(e->txtFields[Talonario]->text(), QStringLiteral("5"));
        }
        return 1;
    });
    auto* grilla = lista.KvDbGrid1->MsFlexGrid;
    const QPoint p = grilla->visualItemRect(grilla->item(4, 2)).center();
    QTest::mouseClick(grilla->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(grilla->viewport(), Qt::LeftButton, {}, p);
    shell::FrmChequerasGrid::registrarEditor({});
}

// ------------------------------------------------------------------ a save as one unit

// Another user clears the faults while a box waits: it can only write when the save holds no lock.
void quitarFallosDesdeOtraConexion(const prueba::BaseTemporal& base) {
    ado::Connection otro;
    otro.Open(base.cadena());
    otro.setCommandTimeout(1);
    otro.Execute(QStringLiteral("DELETE FROM FALLOS"));
}

struct CasoFallo {
    const char* paso;
    int respuesta;
    // What is stored afterwards: the cheque book, the bank account, the
    // deferred-payment account, and the latter pointing to the former.
    int chequera, cuentaBanco, cuentaDiferido, principal;
};

void PrintTo(const CasoFallo& c, std::ostream* os) {
    *os << c.paso << " respuesta " << c.respuesta;
}

class FalloAlGrabar : public Editor, public ::testing::WithParamInterface<CasoFallo> {};

TEST_P(FalloAlGrabar, LaRespuestaDecideYNadaQuedaAMedias) {
    const CasoFallo c = GetParam();
    ASSERT_NO_FATAL_FAILURE(prueba::plantarFallos(base.ruta()));
    gDB().gCnn().Execute(QStringLiteral("INSERT INTO FALLOS (PASO) VALUES ('%1')").arg(c.paso));
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    escribir(Desde, QStringLiteral("100"));
    escribir(Hasta, QStringLiteral("150"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool punteroNormal = false;
    guion->responderCon([&](const prueba::Mensaje& m) {
        EXPECT_TRUE(m.texto.contains(QLatin1String("fallo inyectado"))) << m.texto.toStdString();
        EXPECT_TRUE(m.texto.contains(QLatin1String("Rutina: Actualizar Datos")));
        EXPECT_EQ(m.estilo, ui::vbAbortRetryIgnore + ui::vbCritical);
        punteroNormal = QApplication::overrideCursor() == nullptr;
        // Ignore must still meet the fault: it is put back after the other user's write.
        quitarFallosDesdeOtraConexion(base);
        if (c.respuesta == ui::vbIgnore)
            gDB().gCnn().Execute(QStringLiteral("INSERT INTO FALLOS (PASO) VALUES ('%1')").arg(c.paso));
        return c.respuesta;
    });
    QTest::keyClick(f->txtFields[Hasta], Qt::Key_F5); // GRABAR
    EXPECT_TRUE(punteroNormal) << "the busy pointer is put back before the box";
    EXPECT_EQ(guion->mensajes.size(), 1u);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE IDBANCO = '10' AND TALONARIO = 500")),
        c.chequera);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '11102010'")),
              c.cuentaBanco);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '21103010'")),
              c.cuentaDiferido);
    EXPECT_EQ(
        contar(QStringLiteral(
            "SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '21103010' AND CUENTAPRINCIPAL = '11102010'")),
        c.principal);
    if (c.respuesta == ui::vbAbort) {
        // The entry stays on screen, ready to be saved again.
        EXPECT_TRUE(f->HayError);
        EXPECT_EQ(texto(Desde), QStringLiteral("100"));
        EXPECT_TRUE(f->UtilGem1->estaDisponible(QStringLiteral("GRABAR")));
        f->ejecutarComando(QStringLiteral("GRABAR"));
        EXPECT_FALSE(f->HayError);
        EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '21103010' AND "
                                        "CUENTAPRINCIPAL = '11102010'")),
                  1);
    } else {
        EXPECT_FALSE(f->HayError);
        EXPECT_TRUE(texto(Desde).isEmpty()) << "back to browsing";
    }
}

INSTANTIATE_TEST_SUITE_P(
    CadaPaso, FalloAlGrabar,
    ::testing::Values(
        CasoFallo{"fila", ui::vbAbort, 0, 0, 0, 0}, CasoFallo{"fila", ui::vbRetry, 1, 1, 1, 1},
        CasoFallo{"fila", ui::vbIgnore, 0, 1, 1, 1}, CasoFallo{"banco", ui::vbAbort, 0, 0, 0, 0},
        CasoFallo{"banco", ui::vbRetry, 1, 1, 1, 1}, CasoFallo{"banco", ui::vbIgnore, 1, 0, 1, 1},
        CasoFallo{"diferido", ui::vbAbort, 0, 0, 0, 0}, CasoFallo{"diferido", ui::vbRetry, 1, 1, 1, 1},
        CasoFallo{"diferido", ui::vbIgnore, 1, 1, 0, 0}, CasoFallo{"principal", ui::vbAbort, 0, 0, 0, 0},
        CasoFallo{"principal", ui::vbRetry, 1, 1, 1, 1}, CasoFallo{"principal", ui::vbIgnore, 1, 1, 1, 0}),
    [](const ::testing::TestParamInfo<CasoFallo>& i) {
        const char* r = i.param.respuesta == ui::vbAbort   ? "Anular"
                        : i.param.respuesta == ui::vbRetry ? "Reintentar"
                                                           : "Omitir";
        return std::string(i.param.paso) + "_" + r;
    });

TEST_F(Editor, BorrarUnaChequeraSinGrabarLoDiceYNoFalla) {
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    ASSERT_TRUE(f->Nuevo);
    escribir(Desde, QStringLiteral("100"));
    guion->responder(ui::vbOK, QStringLiteral("todavía no está grabada"));
    QTest::keyClick(f->txtFields[Desde], Qt::Key_F4); // BORRAR
    EXPECT_EQ(guion->mensajes.size(), 1u);
    EXPECT_FALSE(f->HayError);
    EXPECT_EQ(texto(Desde), QStringLiteral("100")) << "the entry stays";
    EXPECT_TRUE(f->UtilGem1->estaDisponible(QStringLiteral("GRABAR")));
}

TEST_F(Editor, BajaQueFallaNoBorraHastaQueSeReintenta) {
    ASSERT_NO_FATAL_FAILURE(prueba::plantarFallos(base.ruta()));
    gDB().gCnn().Execute(QStringLiteral("INSERT INTO FALLOS (PASO) VALUES ('baja')"));
    const QString existe =
        QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE IDBANCO = '5' AND TALONARIO = 5");
    clave(0, QStringLiteral("5"), QStringLiteral("A"), QStringLiteral("5"));
    guion->responder(ui::vbYes, QStringLiteral("Confirma la baja"))
        .responder(ui::vbAbort, QStringLiteral("fallo"));
    f->ejecutarComando(QStringLiteral("BORRAR"));
    EXPECT_TRUE(f->HayError);
    EXPECT_EQ(contar(existe), 1);
    EXPECT_EQ(texto(Desde), QStringLiteral("1001")) << "the cheque book stays on screen";
    guion->responder(ui::vbYes, QStringLiteral("Confirma la baja")).responderCon([&](const prueba::Mensaje&) {
        quitarFallosDesdeOtraConexion(base);
        return int(ui::vbRetry);
    });
    f->ejecutarComando(QStringLiteral("BORRAR"));
    EXPECT_FALSE(f->HayError);
    EXPECT_EQ(contar(existe), 0);
    EXPECT_TRUE(texto(Banco).isEmpty());
}

TEST_F(Editor, UnaConfirmacionQueFallaNoDejaNadaNiElBloqueo) {
    ASSERT_NO_FATAL_FAILURE(prueba::plantarFallos(base.ruta()));
    gDB().gCnn().Execute(QStringLiteral("INSERT INTO FALLOS (PASO) VALUES ('confirmar')"));
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    escribir(Desde, QStringLiteral("100"));
    escribir(Hasta, QStringLiteral("150"));
    const QString guardadas = QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE IDBANCO = '10'");
    guion->responderCon([&](const prueba::Mensaje& m) {
        EXPECT_EQ(m.estilo, ui::vbRetryCancel + ui::vbCritical) << "no Ignore for the commit";
        EXPECT_EQ(contar(guardadas), 0);
        quitarFallosDesdeOtraConexion(base);
        gDB().gCnn().Execute(QStringLiteral("INSERT INTO FALLOS (PASO) VALUES ('confirmar')"));
        return int(ui::vbCancel);
    });
    f->ejecutarComando(QStringLiteral("GRABAR"));
    EXPECT_TRUE(f->HayError);
    EXPECT_EQ(contar(guardadas), 0);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '11102010'")), 0);
    // The session is usable: the next save, with the fault gone, stores everything.
    gDB().gCnn().Execute(QStringLiteral("DELETE FROM FALLOS"));
    f->ejecutarComando(QStringLiteral("GRABAR"));
    EXPECT_FALSE(f->HayError);
    EXPECT_EQ(contar(guardadas), 1);
}

TEST_F(Editor, UnaComprobacionDeRangoQueFallaNoSePuedeOmitir) {
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    escribir(Desde, QStringLiteral("100"));
    escribir(Hasta, QStringLiteral("150"));
    prueba::Registro r;
    bool fallado = false;
    r.alEjecutar = [&](const QString& sql) {
        if (!fallado && sql.contains(QLatin1String("WITH (UPDLOCK, HOLDLOCK)"))) {
            fallado = true;
            throw plataforma::ErrorEjecucion(plataforma::errores::FalloGeneral,
                                             QStringLiteral("lectura fallida"));
        }
    };
    guion->responderCon([&](const prueba::Mensaje& m) {
        EXPECT_TRUE(m.texto.contains(QLatin1String("lectura fallida"))) << m.texto.toStdString();
        EXPECT_EQ(m.estilo, ui::vbRetryCancel + ui::vbCritical);
        return int(ui::vbRetry);
    });
    f->ejecutarComando(QStringLiteral("GRABAR"));
    EXPECT_FALSE(f->HayError);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE IDBANCO = '10'")), 1);
}

TEST_F(Editor, LaComprobacionYLasEscriturasVanEnUnaTransaccion) {
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    escribir(Desde, QStringLiteral("100"));
    escribir(Hasta, QStringLiteral("150"));
    prueba::Registro r;
    f->ejecutarComando(QStringLiteral("GRABAR"));
    ASSERT_FALSE(f->HayError);
    auto donde = [&](const QString& parte) {
        for (qsizetype i = 0; i < r.sentencias.size(); ++i)
            if (r.sentencias[i].contains(parte)) return i;
        return qsizetype(-1);
    };
    const qsizetype inicio = donde(QStringLiteral("BEGIN TRANSACTION"));
    const qsizetype control = donde(QStringLiteral("FROM V_TA_QUENZAR WITH (UPDLOCK, HOLDLOCK) WHERE"));
    const qsizetype fila = donde(QStringLiteral("INSERT INTO [V_TA_QUENZAR]"));
    const qsizetype principal = donde(QStringLiteral("SET CUENTAPRINCIPAL"));
    const qsizetype fin = donde(QStringLiteral("COMMIT TRANSACTION"));
    EXPECT_GE(inicio, 0);
    EXPECT_LT(inicio, control);
    EXPECT_LT(control, fila);
    EXPECT_LT(fila, principal);
    EXPECT_LT(principal, fin);
}

TEST_F(Editor, OtraConexionConElBloqueoSeEsperaYSeReintenta) {
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    escribir(Desde, QStringLiteral("100"));
    escribir(Hasta, QStringLiteral("150"));
    // Another program holds the write lock longer than the command timeout.
    sqlite3* otro = nullptr;
    ASSERT_EQ(sqlite3_open(base.ruta().toUtf8().constData(), &otro), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    gDB().gCnn().setCommandTimeout(1);
    guion->responderCon([&](const prueba::Mensaje& m) {
        EXPECT_TRUE(m.texto.contains(QLatin1String("tiempo de espera de bloqueo"))) << m.texto.toStdString();
        // Going on without the transaction would store half a save: no Ignore here.
        EXPECT_EQ(m.estilo, ui::vbRetryCancel + ui::vbCritical);
        EXPECT_EQ(sqlite3_exec(otro, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        return int(ui::vbRetry);
    });
    f->ejecutarComando(QStringLiteral("GRABAR"));
    sqlite3_close(otro);
    EXPECT_FALSE(f->HayError);
    EXPECT_EQ(
        contar(QStringLiteral(
            "SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '21103010' AND CUENTAPRINCIPAL = '11102010'")),
        1);
}

// ------------------------------------------------------------------ two programs on one database

// Another copy of the program, started by the tests below as a second user.
// It saves cheque books as QUENZAR_OTRO says and reports on standard output
// what it was shown. In a race it stops twice in each save and waits for a
// line: at the transaction's start ("listo") and, once the range is checked,
// before writing ("dentro").
TEST(OtroProceso, DISABLED_Grabar) {
    if (qEnvironmentVariableIsEmpty("QUENZAR_OTRO")) GTEST_SKIP() << "only as a helper process";
    const QStringList orden = qEnvironmentVariable("QUENZAR_OTRO").split(QLatin1Char(':'));
    const QString modo = orden.value(0);
    shell::reiniciarModGlobal();
    prueba::Guion guion;
    guion->porDefecto = [](const prueba::Mensaje& m) {
        std::cout << "mensaje " << QString(m.texto).replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString()
                  << std::endl;
        return int(ui::vbOK);
    };
    QString cadena;
    const QString conexion = qEnvironmentVariable("QUENZAR_OTRO_CONEXION");
    shell::IniciarAplicacion(
        conexion.isEmpty() ? QStringLiteral("@Server=SQLITE;@DbName=QUENZAR;@Usuario=ADMIN;@Password=admin;")
                           : conexion,
        cadena, 3);
    ASSERT_TRUE(gDB().gOpenFlag);
    int tras = -1; // statements sent since the save began, until its commit
    auto esperar = [](const char* donde) {
        std::cout << donde << std::endl;
        std::string linea;
        std::getline(std::cin, linea);
    };
    ado::ganchos().antesDeEjecutar = [&](const QString& sql) {
        if (modo == QLatin1String("carrera")) {
            if (sql == QLatin1String("BEGIN TRANSACTION")) esperar("listo");
            if (sql.startsWith(QLatin1String("INSERT INTO [V_TA_QUENZAR]"))) esperar("dentro");
        }
        if (tras < 0) return;
        if (modo == QLatin1String("matar") && ++tras == orden.value(1).toInt()) ::raise(SIGKILL);
        if (sql == QLatin1String("COMMIT TRANSACTION")) tras = -1;
    };
    frmV_TA_QUENZAR f;
    f.show();
    auto escribir = [&](int caja, const QString& texto) { escribirEn(f, caja, texto); };
    const int rondas = modo == QLatin1String("carrera") ? orden.value(1).toInt() : 1;
    const int talonario = orden.value(2).toInt();
    const int corrimiento = orden.value(3).toInt();
    for (int i = 0; i < rondas; ++i) {
        escribir(Banco, QStringLiteral("10"));
        escribir(Serie, QStringLiteral("A"));
        escribir(Talonario, QString::number(talonario + i));
        const int desde = i * 1000 + 1 + corrimiento;
        escribir(Desde, QString::number(desde));
        escribir(Hasta, QString::number(desde + 499));
        tras = 0;
        f.ejecutarComando(QStringLiteral("GRABAR"));
        tras = -1;
        std::cout << "ronda " << i << " error " << f.HayError << " desde "
                  << f.txtFields[Desde]->text().toStdString() << std::endl;
        if (f.HayError) f.ejecutarComando(QStringLiteral("NUEVO"));
    }
    std::cout << "completo" << std::endl;
    ado::ganchos() = {};
}

// The helper process for `orden`, on the database `conexion` names (this test's embedded one by default).
std::unique_ptr<QProcess> otroPrograma(const QString& orden, const QString& conexion = {}) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("QUENZAR_OTRO"), orden);
    if (!conexion.isEmpty()) entorno.insert(QStringLiteral("QUENZAR_OTRO_CONEXION"), conexion);
    p->setProcessEnvironment(entorno);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_also_run_disabled_tests"),
                                                       QStringLiteral("--gtest_filter=OtroProceso.*")});
    return p;
}

// The next line a helper wrote that starts with one of `marcas` (the others are kept in `visto`).
QString leerHasta(QProcess& p, const QStringList& marcas, QStringList& visto) {
    for (;;) {
        while (p.canReadLine()) {
            const QString l = QString::fromUtf8(p.readLine()).trimmed();
            visto << l;
            for (const QString& m : marcas)
                if (l.startsWith(m)) return l;
        }
        if (!p.waitForReadyRead(60000)) return QString();
    }
}

// A line to a helper, sent now (QProcess writes from the event loop otherwise).
void decir(QProcess& p, const char* linea) {
    p.write(linea);
    p.write("\n");
    ASSERT_TRUE(p.waitForBytesWritten(60000));
}

// Two helpers race, round after round, to store overlapping ranges of one bank
// and series: one of them, in turn, stops inside its transaction with its
// range checked while the other starts its save.
// `esperaElBloqueo`, when given, returns once the second save waits for the first one's lock.
// With `seSuperponen` false their ranges are apart, and both must be stored.
void carrera(const QString& conexion, const std::function<qint64(const QString&)>& contar,
             const std::function<void()>& esperaElBloqueo = {}, bool seSuperponen = true) {
    constexpr int kRondas = 6;
    const int corrimiento = seSuperponen ? 250 : 500;
    auto a = otroPrograma(QStringLiteral("carrera:%1:1000:0").arg(kRondas), conexion);
    auto b = otroPrograma(QStringLiteral("carrera:%1:2000:%2").arg(kRondas).arg(corrimiento), conexion);
    QStringList vistoA, vistoB;
    for (int i = 0; i < kRondas; ++i) {
        // Both have checked their range against what is stored and wait at the start of the save.
        ASSERT_EQ(leerHasta(*a, {QStringLiteral("listo")}, vistoA), QStringLiteral("listo"))
            << vistoA.join('\n').toStdString();
        ASSERT_EQ(leerHasta(*b, {QStringLiteral("listo")}, vistoB), QStringLiteral("listo"))
            << vistoB.join('\n').toStdString();
        // One of them, in turn, goes first and stops inside its transaction, its range checked.
        QProcess& primero = i % 2 ? *b : *a;
        QProcess& segundo = i % 2 ? *a : *b;
        QStringList& vistoPrimero = i % 2 ? vistoB : vistoA;
        QStringList& vistoSegundo = i % 2 ? vistoA : vistoB;
        ASSERT_NO_FATAL_FAILURE(decir(primero, "sigue"));
        ASSERT_EQ(leerHasta(primero, {QStringLiteral("dentro")}, vistoPrimero), QStringLiteral("dentro"));
        // The other starts its save meanwhile; then the first stores.
        ASSERT_NO_FATAL_FAILURE(decir(segundo, "sigue"));
        if (esperaElBloqueo) {
            ASSERT_NO_FATAL_FAILURE(esperaElBloqueo());
        }
        ASSERT_NO_FATAL_FAILURE(decir(primero, "sigue"));
        const QString rPrimero = leerHasta(primero, {QStringLiteral("ronda")}, vistoPrimero);
        const QString rSegundo =
            leerHasta(segundo, {QStringLiteral("ronda"), QStringLiteral("dentro")}, vistoSegundo);
        EXPECT_TRUE(rPrimero.contains(QLatin1String(" error 0 "))) << rPrimero.toStdString();
        if (!seSuperponen) {
            // Another range: the second stores too, after the first.
            ASSERT_EQ(rSegundo, QStringLiteral("dentro"));
            ASSERT_NO_FATAL_FAILURE(decir(segundo, "sigue"));
            const QString r = leerHasta(segundo, {QStringLiteral("ronda")}, vistoSegundo);
            EXPECT_TRUE(r.contains(QLatin1String(" error 0 "))) << r.toStdString();
            continue;
        }
        if (rSegundo == QLatin1String("dentro")) {
            ADD_FAILURE() << "round " << i << ": the second save passed the range check";
            ASSERT_NO_FATAL_FAILURE(decir(segundo, "sigue"));
            leerHasta(segundo, {QStringLiteral("ronda")}, vistoSegundo);
            continue;
        }
        // The second was told why, with the first one's control number, and keeps its entry.
        EXPECT_TRUE(rSegundo.contains(QLatin1String(" error 1 "))) << rSegundo.toStdString();
        const int ganador = (i % 2 ? 2000 : 1000) + i;
        EXPECT_EQ(vistoSegundo.at(vistoSegundo.size() - 2),
                  QStringLiteral("mensaje El rango de numeración se superpone con el Nro de Control: %1")
                      .arg(ganador));
        EXPECT_TRUE(rSegundo.endsWith(QStringLiteral(" desde %1").arg(i * 1000 + 1 + (i % 2 ? 0 : 250))))
            << rSegundo.toStdString();
    }
    ASSERT_TRUE(a->waitForFinished(60000));
    ASSERT_TRUE(b->waitForFinished(60000));
    EXPECT_EQ(a->exitCode(), 0) << vistoA.join('\n').toStdString();
    EXPECT_EQ(b->exitCode(), 0) << vistoB.join('\n').toStdString();
    for (const QStringList* v : {&vistoA, &vistoB})
        for (const QString& l : *v)
            if (l.startsWith(QLatin1String("mensaje"))) {
                EXPECT_TRUE(l.contains(QLatin1String("se superpone"))) << l.toStdString();
            }
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE IDBANCO = '10'")),
              seSuperponen ? kRondas : 2 * kRondas);
    // Each stored cheque book has its history, and no refused save left any.
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR_HISTORIAL H JOIN TA_QUENZAR Q ON Q.ID = "
                                    "H.IDCHEQUERA WHERE H.OPERACION = 'Alta' AND H.CAMPO = 'Talonario' AND "
                                    "H.DESPUES = CONVERT(VARCHAR(12), Q.TALONARIO)")),
              seSuperponen ? kRondas : 2 * kRondas);
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(DISTINCT IDCHEQUERA) FROM TA_QUENZAR_HISTORIAL")),
              seSuperponen ? kRondas : 2 * kRondas);
    EXPECT_EQ(
        contar(QStringLiteral(
            "SELECT COUNT(*) FROM TA_QUENZAR X JOIN TA_QUENZAR Y ON X.ID < Y.ID AND X.IDBANCO = Y.IDBANCO "
            "AND X.SERIE = Y.SERIE AND X.NUMERO_DESDE <= Y.NUMERO_HASTA AND Y.NUMERO_DESDE <= "
            "X.NUMERO_HASTA")),
        0);
}

TEST_F(Editor, DosUsuariosGrabanRangosQueSeSuperponenAlMismoTiempo) {
    carrera({}, [&](const QString& sql) { return contar(sql); });
}

// The same race on the test run's PostgreSQL server.
class EditorPostgres : public Editor {
protected:
    void carreraEnPostgres(bool seSuperponen) {
        prueba::BasePostgres pg;
        if (!pg.valido()) GTEST_SKIP() << "sin servidor PostgreSQL (QUENZAR_PG)";
        carrera(
            QStringLiteral("@Server=%1;@DbName=%2;@Usuario=ADMIN;@Password=admin;")
                .arg(pg.servidor(), pg.nombre()),
            [&](const QString& sql) {
                ado::Connection c;
                c.Open(pg.cadena());
                auto rs = c.Execute(sql);
                return (*rs)(0).Value().toLongLong();
            },
            [&] {
                // The server shows the second save waiting: the order of the round is then certain.
                ado::Connection c;
                c.Open(pg.cadena());
                for (int i = 0; i < 400; ++i) {
                    auto rs = c.Execute(QStringLiteral(
                        "SELECT COUNT(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'"));
                    if ((*rs)(0).Value().toInt() > 0) return;
                    QThread::msleep(50);
                }
                FAIL() << "the second save never waited for the first one's lock";
            },
            seSuperponen);
    }
};

TEST_F(EditorPostgres, DosUsuariosGrabanRangosQueSeSuperponenEnPostgres) {
    carreraEnPostgres(true);
}

TEST_F(EditorPostgres, DosUsuariosGrabanChequerasDistintasSinPerderNada) {
    carreraEnPostgres(false);
}

TEST_F(Editor, ProgramaInterrumpidoEnCadaEscrituraDeUnaGrabacion) {
    const QString chequera = QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE IDBANCO = '10'");
    const QString cuentas =
        QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO IN ('11102010', '21103010')");
    const QString principal = QStringLiteral(
        "SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO = '21103010' AND CUENTAPRINCIPAL = '11102010'");
    const QString historia = QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR_HISTORIAL");
    int interrumpidas = 0;
    for (int k = 1;; ++k) {
        ASSERT_LT(k, 200);
        auto p = otroPrograma(QStringLiteral("matar:%1:3000:0").arg(k));
        ASSERT_TRUE(p->waitForFinished(60000));
        const QString salida = QString::fromUtf8(p->readAllStandardOutput());
        const bool completo = salida.contains(QLatin1String("completo"));
        const qint64 hechas[] = {contar(chequera), contar(cuentas), contar(principal), contar(historia)};
        if (completo) {
            EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(hechas[0], 1);
            EXPECT_EQ(hechas[1], 2);
            EXPECT_EQ(hechas[2], 1);
            // The cheque book's 7 fields and the two accounts created.
            EXPECT_EQ(hechas[3], 9);
            break;
        }
        ASSERT_EQ(p->exitStatus(), QProcess::CrashExit) << salida.toStdString();
        ++interrumpidas;
        // Killed before its commit, the save left nothing.
        EXPECT_EQ(hechas[0] + hechas[1] + hechas[2] + hechas[3], 0)
            << "killed before statement " << k << " of the save: " << hechas[0] << " cheque books, "
            << hechas[1] << " accounts, " << hechas[2] << " linked, " << hechas[3] << " history rows";
    }
    // Every statement of the checks and of the unit was a point to stop at.
    EXPECT_GE(interrumpidas, 10);
}

} // namespace
