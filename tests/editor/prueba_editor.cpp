// The cheque-book editor, driven headless against the demo database.

#include "editor/ast.h"
#include "editor/frmV_TA_QUENZAR.h"
#include "grid/KvDbGrid.h"
#include "lookup/ServicioConsulta.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"
#include "tests/soporte/Sesion.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using datos::gDB;
using editor::frmV_TA_QUENZAR;

namespace {

enum Caja { Banco = 0, Serie, Talonario, Desde, Hasta, CuentaDif, Cuenta };

class Editor : public prueba::Sesion {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(iniciarPrograma());
        f = std::make_unique<frmV_TA_QUENZAR>();
        f->show();
        QApplication::setActiveWindow(f.get());
    }
    void TearDown() override { f.reset(); }
    // Types a value and confirms it with Enter, as a user does.
    void escribir(int caja, const QString& texto) {
        QLineEdit* e = f->txtFields[caja];
        e->setFocus();
        e->setText(texto);
        QTest::keyClick(e, Qt::Key_Return);
    }
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
    EXPECT_TRUE(f->UtilGem1->Disponible(QStringLiteral("NUEVO")));
    EXPECT_TRUE(f->UtilGem1->Disponible(QStringLiteral("CERRAR")));
    EXPECT_FALSE(f->UtilGem1->Disponible(QStringLiteral("GRABAR")));
    EXPECT_EQ(f->lblLabels[7]->text(), QStringLiteral("Nro Control:"));
}

TEST_F(Editor, NuevaChequeraConDosCuentasNuevas) {
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    EXPECT_TRUE(f->Nuevo);
    EXPECT_EQ(f->lblDesc0->text(), QStringLiteral("BANCO SUPERVIELLE"));
    EXPECT_EQ(texto(Cuenta), QStringLiteral("11102010"));
    EXPECT_EQ(texto(CuentaDif), QStringLiteral("21103010"));
    EXPECT_TRUE(f->txtFields[Cuenta]->isEnabled());
    EXPECT_TRUE(f->UtilGem1->Disponible(QStringLiteral("GRABAR")));
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
    EXPECT_TRUE(f->UtilGem1->Disponible(QStringLiteral("NUEVO")));

    // Saving the same cheque book again updates it and duplicates no account.
    gDB().gCnn().Execute(
        QStringLiteral("UPDATE MA_CUENTAS SET MedioDePago = 'XX' WHERE CODIGO = '11102010'"));
    clave(0, QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("500"));
    EXPECT_TRUE(f->Modifica);
    EXPECT_EQ(texto(Hasta), QStringLiteral("150"));
    EXPECT_FALSE(f->txtFields[Cuenta]->isEnabled());
    escribir(Hasta, QStringLiteral("160"));
    f->Comando(QStringLiteral("grabar"));
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
    f->Comando(QStringLiteral("BORRAR"));
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
    EXPECT_TRUE(f->UtilGem1->Disponible(QStringLiteral("BORRAR")));
    escribir(Desde, QStringLiteral("1001")); // never collides with itself
    EXPECT_FALSE(f->HayError);
    // CANCELAR and BORRAR answered No change nothing.
    guion->responder(ui::vbNo, QStringLiteral("¿Realmente desea abandonar la carga de datos?"));
    f->Comando(QStringLiteral("Cancelar"));
    EXPECT_EQ(texto(Desde), QStringLiteral("1001"));
    guion->responder(ui::vbNo);
    f->Comando(QStringLiteral("BORRAR"));
    EXPECT_EQ(contar(QStringLiteral("SELECT COUNT(*) FROM TA_QUENZAR WHERE ID = 5")), 1);
    f->Comando(QStringLiteral("OTRA COSA"));
    EXPECT_TRUE(f->Modifica);
}

// What the user sees: after a cancel the detail boxes look disabled, not
// white as they were when they lost the focus; every label shows whole.
TEST_F(Editor, CajasDeshabilitadasYEtiquetasEnteras) {
    clave(0, QStringLiteral("5"), QStringLiteral("A"), QStringLiteral("5"));
    escribir(Desde, QStringLiteral("1001"));
    f->txtFields[Hasta]->setFocus(); // Desde loses the focus: drawn white
    guion->responder(ui::vbYes, QStringLiteral("¿Realmente desea abandonar la carga de datos?"));
    f->Comando(QStringLiteral("Cancelar"));
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
    guion->responder(ui::vbOK, QStringLiteral("hasta 12 dígitos"));
    escribir(Hasta, QStringLiteral("99999999999999"));
    escribir(Hasta, QStringLiteral("950"));
    EXPECT_FALSE(f->HayError);
    // The same numbers in another series are accepted.
    f->Comando(QStringLiteral("NUEVO"));
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
    f->Comando(QStringLiteral("grabar"));
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
    auto anterior = lookup::InstalarServicio(std::unique_ptr<lookup::ServicioConsulta>(servicio));
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
    EXPECT_FALSE(f->UtilGem1->Disponible(QStringLiteral("CONSULTAR")));
    f->txtFields[Banco]->setFocus();
    EXPECT_TRUE(f->UtilGem1->Disponible(QStringLiteral("CONSULTAR")));
    lookup::InstalarServicio(std::move(anterior));
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
    // Another user stores the same cheque book between the checks and the write.
    prueba::Registro r;
    bool hecho = false;
    r.alEjecutar = [&](const QString& sql) {
        if (hecho || !sql.startsWith(QLatin1String("INSERT INTO [V_TA_QUENZAR]"))) return;
        hecho = true;
        ado::Connection otro;
        otro.Open(base.cadena());
        otro.Execute(QStringLiteral(
            "INSERT INTO TA_QUENZAR (TALONARIO, IDBANCO, SERIE, NUMERO_DESDE, NUMERO_HASTA) VALUES "
            "(77, '11', 'A', 1, 5)"));
    };
    f->Comando(QStringLiteral("GRABAR"));
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
    f->Comando(QStringLiteral("GRABAR"));
    EXPECT_FALSE(f->HayError);
    EXPECT_EQ(
        contar(QStringLiteral("SELECT COUNT(*) FROM MA_CUENTAS WHERE DESCRIPCION = 'BANCO O''HIGGINS'")), 2);
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
        e->Comando(QStringLiteral("CERRAR"));
        return 1;
    });
    lista.Editar();
    shell::FrmChequerasGrid::registrarEditor({});
}

} // namespace
