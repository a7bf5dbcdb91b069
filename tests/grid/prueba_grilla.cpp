// The paged grid on a database of 25 cheque books, driven headless.

#include "grid/KvDbGrid.h"
#include "tests/soporte/Sesion.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using grid::KvDbGrid;

namespace {

const QString kLista = QStringLiteral(
    "SELECT Talonario,IDBANCO,DESCRIPCION,SERIE,NUMERO_DESDE,NUMERO_HASTA,CuentaBanco,CuentaBancoDiferido "
    "FROM "
    "VT_Chequeras");

class Grilla : public prueba::Sesion {
protected:
    Grilla()
        : prueba::Sesion() {}
    void SetUp() override {
        basedatos::OpcionesDemo o;
        o.chequeras = 25;
        mBase25 = std::make_unique<prueba::BaseTemporal>(o);
        abrir();
        g = std::make_unique<KvDbGrid>();
        g->resize(900, 400);
        g->LeerPropiedades({{QStringLiteral("pagesize"), 5}, {QStringLiteral("anchocolfijo"), true}});
        g->setSql(kLista);
        g->setPageSize(10);
        g->show();
        g->LoadKvDBGrid();
    }
    void TearDown() override { g.reset(); }
    QStringList columna(int c) {
        QStringList r;
        for (int f = 1; f < g->MsFlexGrid->Rows(); ++f)
            r << g->MsFlexGrid->TextMatrix(f, c);
        return r;
    }
    std::unique_ptr<prueba::BaseTemporal> mBase25;
    std::unique_ptr<KvDbGrid> g;
};

TEST_F(Grilla, CuentaPaginaYNumeraLasFilas) {
    EXPECT_EQ(g->UltimaPagina(), 3);
    EXPECT_EQ(g->cboPagSelect->count(), 3);
    EXPECT_EQ(g->MsFlexGrid->TextMatrix(0, 1), QStringLiteral("Talonario"));
    EXPECT_EQ(columna(0).first(), QStringLiteral("1"));
    EXPECT_EQ(columna(1).size(), 10);
    g->cmdUltimo_Click();
    EXPECT_EQ(g->PaginaActual(), 3);
    EXPECT_EQ(columna(0), (QStringList{QStringLiteral("21"), QStringLiteral("22"), QStringLiteral("23"),
                                       QStringLiteral("24"), QStringLiteral("25")}));
    EXPECT_EQ(columna(1).first(), QStringLiteral("21"));
    EXPECT_TRUE(g->lblPaginas->text().endsWith(QStringLiteral("3 de 3")));
    // Nothing beyond the last page.
    g->cmdSiguiente_Click();
    EXPECT_EQ(g->PaginaActual(), 3);
    g->CargarPagina(7);
    EXPECT_EQ(g->PaginaActual(), 3);
    g->cmdAnterior_Click();
    EXPECT_EQ(columna(0).first(), QStringLiteral("11"));
    g->cmdPrimero_Click();
    EXPECT_EQ(g->PaginaActual(), 1);
}

TEST_F(Grilla, TeclasDeLaGrilla) {
    g->MsFlexGrid->setFocus();
    g->MsFlexGrid->setRow(10);
    QTest::keyClick(g->MsFlexGrid, Qt::Key_Down);
    EXPECT_EQ(g->PaginaActual(), 1) << "one Down on the last row does not turn the page";
    g->MsFlexGrid->setRow(10);
    QTest::keyClick(g->MsFlexGrid, Qt::Key_Down);
    EXPECT_EQ(g->PaginaActual(), 2);
    QTest::keyClick(g->MsFlexGrid, Qt::Key_PageDown);
    EXPECT_EQ(g->PaginaActual(), 3);
    QTest::keyClick(g->MsFlexGrid, Qt::Key_PageDown);
    EXPECT_EQ(g->PaginaActual(), 3);
    QTest::keyClick(g->MsFlexGrid, Qt::Key_PageUp);
    EXPECT_EQ(g->PaginaActual(), 2);
}

TEST_F(Grilla, LimitesDelTamanoDePagina) {
    g->CboRegistros->setEditText(QStringLiteral("0"));
    guion->responder(ui::vbOK, QStringLiteral("no puede ser menor a 1 por página."));
    g->CboRegistros_Enter();
    EXPECT_EQ(g->PageSize(), 1);
    EXPECT_EQ(g->UltimaPagina(), 25);
    g->CboRegistros->setEditText(QStringLiteral("2500"));
    guion->responder(ui::vbOK, QStringLiteral("no puede superar los 2000 por página."));
    g->CboRegistros_Enter();
    EXPECT_EQ(g->PageSize(), 2000);
    EXPECT_EQ(g->UltimaPagina(), 1);
    EXPECT_EQ(guion->mensajes.back().titulo, QStringLiteral("Aviso al Usuario"));
}

TEST_F(Grilla, BusquedasEnTodasLasPaginas) {
    g->CboFiltroCampo->setCurrentText(QStringLiteral("SERIE"));
    g->txtBuscar->setText(QStringLiteral("B"));
    g->BuscarTexto();
    EXPECT_TRUE(g->txtBuscar->text().isEmpty());
    EXPECT_EQ(g->UltimaPagina(), 1);
    for (const QString& s : columna(4))
        EXPECT_EQ(s, QStringLiteral("B"));
    // A second search narrows the first.
    g->CboFiltroCampo->setCurrentText(QStringLiteral("IDBANCO"));
    g->txtBuscar->setText(QStringLiteral("3"));
    g->BuscarTexto();
    EXPECT_EQ(columna(1).size(), 1);
    EXPECT_TRUE(g->estado().mFiltro.contains(QStringLiteral(" and ")));
    // A search that matches nothing drops the condition and shows page 1 of everything.
    g->txtBuscar->setText(QStringLiteral("no hay tal cosa"));
    g->BuscarTexto();
    EXPECT_TRUE(g->estado().mFiltro.isEmpty());
    EXPECT_EQ(g->PaginaActual(), 1);
    // ACTUALIZAR recounts everything.
    g->txtBuscar->setText(QStringLiteral("B"));
    g->CboFiltroCampo->setCurrentText(QStringLiteral("SERIE"));
    g->BuscarTexto();
    g->Actualizar();
    EXPECT_EQ(g->UltimaPagina(), 3);
    // A quote in the search text stays inside the literal.
    g->txtBuscar->setText(QStringLiteral("O'B"));
    g->BuscarTexto();
    EXPECT_TRUE(guion->mensajes.empty());
}

TEST_F(Grilla, BusquedaEnLaPaginaPintaLasCeldas) {
    g->MenuBuscar(1);
    EXPECT_EQ(g->Find(), 1);
    EXPECT_TRUE(g->menuBuscar->actions()[0]->text().startsWith(QStringLiteral("» ")));
    g->CboFiltroCampo->setCurrentText(QStringLiteral("Todos"));
    g->txtBuscar->setText(QStringLiteral("banco macro"));
    g->BuscarTexto();
    EXPECT_EQ(g->MsFlexGrid->colorCelda(5, 3), QColor(192, 232, 232));
    EXPECT_EQ(g->MsFlexGrid->Row(), 5);
    EXPECT_EQ(g->UltimaPagina(), 3) << "no query";
}

TEST_F(Grilla, OrdenarColoreaElEncabezado) {
    g->MsFlexGrid->setRow(1);
    g->MsFlexGrid->setCol(1);
    g->ImgOrdenDesc_Click();
    EXPECT_EQ(g->OrderBy(), QStringLiteral(" Order by [Talonario] Desc "));
    EXPECT_EQ(g->MsFlexGrid->horizontalHeaderItem(1)->background().color(), QColor(238, 214, 238));
    EXPECT_EQ(columna(1).first(), QStringLiteral("25"));
    EXPECT_TRUE(g->StatusBar1->text().startsWith(QStringLiteral(" Orden:  Order by [Talonario] Desc")));
    g->MsFlexGrid->setCol(1);
    g->ImgOrdenAsc_Click();
    EXPECT_EQ(g->MsFlexGrid->horizontalHeaderItem(1)->background().color(), QColor(217, 246, 210));
    EXPECT_EQ(columna(1).first(), QStringLiteral("1"));
}

TEST_F(Grilla, UnaCancelacionPendienteDetieneLaCarga) {
    g->setCancelarCarga(true);
    g->CargarPaginas();
    EXPECT_FALSE(g->CmdCancel->isHidden()) << "the cancel button is left shown";
}

TEST(GrillaPropiedades, GuardarYLeer) {
    KvDbGrid g;
    EXPECT_EQ(g.PageSize(), 4000);
    EXPECT_EQ(g.PaginaActual(), 1);
    EXPECT_EQ(g.UltimaPagina(), 0);
    g.setSql(QStringLiteral("SELECT * FROM T"));
    EXPECT_EQ(g.sql(), QStringLiteral("SELECT * FROM T "));
    g.setOcultarOrdenar(true);
    g.setFind(1);
    const auto guardado = g.GuardarPropiedades();
    EXPECT_EQ(guardado.first().first, QStringLiteral("sql"));
    KvDbGrid otro;
    otro.LeerPropiedades(guardado);
    EXPECT_TRUE(otro.OcultarOrdenar());
    EXPECT_EQ(otro.Find(), 1);
    KvDbGrid sinTamano;
    sinTamano.LeerPropiedades({{QStringLiteral("SQL"), QStringLiteral("x")}});
    EXPECT_EQ(sinTamano.PageSize(), 5);
    EXPECT_TRUE(sinTamano.AnchoColFijo());
}

} // namespace
