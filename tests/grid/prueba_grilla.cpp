// The paged grid on a database of 25 cheque books, driven headless.

#include "grid/KvDbGrid.h"
#include "platform/ado/MotorSqlite.h"
#include "shell/FrmChequerasGrid.h"
#include "tests/soporte/Sesion.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QToolButton>

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
        o.chequeras = chequeras();
        mBase25 = std::make_unique<prueba::BaseTemporal>(o);
        abrir();
        g = std::make_unique<KvDbGrid>();
        g->resize(900, 400);
        g->leerPropiedades({{QStringLiteral("pagesize"), 5}, {QStringLiteral("anchocolfijo"), true}});
        g->setSql(kLista);
        g->setPageSize(10);
        g->show();
        g->LoadKvDBGrid();
    }
    void TearDown() override { g.reset(); }
    virtual int chequeras() const { return 25; }
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
    QTest::mouseClick(g->cmdUltimo, Qt::LeftButton);
    EXPECT_EQ(g->PaginaActual(), 3);
    EXPECT_EQ(columna(0), (QStringList{QStringLiteral("21"), QStringLiteral("22"), QStringLiteral("23"),
                                       QStringLiteral("24"), QStringLiteral("25")}));
    EXPECT_EQ(columna(1).first(), QStringLiteral("21"));
    EXPECT_TRUE(g->lblPaginas->text().endsWith(QStringLiteral("3 de 3")));
    // Nothing beyond the last page.
    QTest::mouseClick(g->cmdSiguiente, Qt::LeftButton);
    EXPECT_EQ(g->PaginaActual(), 3);
    g->CargarPagina(7);
    EXPECT_EQ(g->PaginaActual(), 3);
    QTest::mouseClick(g->cmdAnterior, Qt::LeftButton);
    EXPECT_EQ(columna(0).first(), QStringLiteral("11"));
    QTest::mouseClick(g->cmdPrimero, Qt::LeftButton);
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

// Typed into the page-size box as a user types: the keys go to the combo.
TEST_F(Grilla, LimitesDelTamanoDePagina) {
    auto* c = g->CboRegistros;
    const int entradas = c->count();
    auto teclear = [&](const char* texto) {
        c->setFocus();
        c->lineEdit()->selectAll();
        QTest::keyClicks(c, QLatin1String(texto));
        QTest::keyClick(c, Qt::Key_Return);
    };
    guion->responder(ui::vbOK, QStringLiteral("no puede ser menor a 1 por página."));
    teclear("0");
    EXPECT_EQ(g->PageSize(), 1);
    EXPECT_EQ(g->UltimaPagina(), 25);
    EXPECT_TRUE(g->lblPaginas->text().endsWith(QStringLiteral("1 de 25")));
    guion->responder(ui::vbOK, QStringLiteral("no puede superar los 2000 por página."));
    teclear("2500");
    EXPECT_EQ(g->PageSize(), 2000);
    EXPECT_EQ(g->UltimaPagina(), 1);
    EXPECT_EQ(guion->mensajes.back().titulo, QStringLiteral("Aviso al Usuario"));
    EXPECT_EQ(c->count(), entradas) << "a typed size is not added to the list";
    // Only digits reach the box; Backspace and letters are discarded.
    teclear("7");
    EXPECT_EQ(g->PageSize(), 7);
    c->lineEdit()->end(false);
    QTest::keyClick(c, Qt::Key_Backspace);
    QTest::keyClicks(c, QStringLiteral("a-"));
    EXPECT_EQ(c->currentText(), QStringLiteral("7"));
    EXPECT_EQ(guion->mensajes.size(), 2u);
}

// Enough rows for the engine to read the keys of a sort through another
// index than the page itself: equal values then come in another order.
class GrillaConEmpates : public Grilla {
protected:
    int chequeras() const override { return 300; }
};

// Walking every page of a sort over columns with many equal values yields
// every row once, in the order the whole sorted list has; with the engine's
// reading by offset and with the plain NOT IN statement alike.
TEST_F(GrillaConEmpates, LasPaginasOrdenadasNoRepitenNiSaltanFilas) {
    struct Caso {
        const char* nombre;
        int16_t modo;                                 // Order: 1 one column, 2 several
        std::vector<std::pair<int, int16_t>> ordenes; // column, OrdenSent
    };
    const Caso casos[] = {
        {"serie ascendente", 1, {{4, 1}}},
        {"banco descendente", 1, {{3, 2}}},
        {"serie y banco", 2, {{4, 1}, {2, 2}}},
        {"desde descendente y serie", 2, {{5, 2}, {4, 1}}},
    };
    auto* motor = dynamic_cast<ado::MotorSqlite*>(datos::gDB().gCnn().motor().get());
    ASSERT_NE(motor, nullptr);
    const int claveCol = g->MsFlexGrid->Cols() - 1;
    ASSERT_EQ(g->MsFlexGrid->TextMatrix(0, claveCol), QStringLiteral("ID"));
    for (bool porDesplazamiento : {true, false}) {
        motor->setPaginasPorDesplazamiento(porDesplazamiento);
        for (const Caso& caso : casos) {
            SCOPED_TRACE(std::string(caso.nombre) + (porDesplazamiento ? " / desplazamiento" : " / NOT IN"));
            auto recorrer = [&](int tamano) {
                g->setPageSize(tamano);
                g->setOrder(caso.modo);
                g->LoadKvDBGrid();
                for (const auto& [col, sentido] : caso.ordenes) {
                    g->MsFlexGrid->setCol(col);
                    sentido == 1 ? g->ImgOrdenAsc_Click() : g->ImgOrdenDesc_Click();
                }
                QStringList ids = columna(claveCol);
                while (g->PaginaActual() < g->UltimaPagina()) {
                    g->cmdSiguiente_Click();
                    ids << columna(claveCol);
                }
                return ids;
            };
            const QStringList entera = recorrer(2000);
            const QStringList paginada = recorrer(7);
            EXPECT_EQ(entera.size(), 300);
            EXPECT_EQ(QSet<QString>(entera.begin(), entera.end()).size(), 300);
            EXPECT_EQ(paginada, entera);
        }
    }
    motor->setPaginasPorDesplazamiento(true);
}

// Column 0 holds the row number, not a field: clicking there, loading or
// searching leaves the last data column as the sort column.
TEST_F(Grilla, LaColumnaDelNumeroDeFilaNoSeOrdena) {
    auto clic = [&](int fila, int col) {
        const QRect r = g->MsFlexGrid->visualRect(g->MsFlexGrid->model()->index(fila - 1, col));
        QTest::mouseClick(g->MsFlexGrid->viewport(), Qt::LeftButton, {}, r.center());
    };
    g->cmdPrimero_Click();
    clic(2, 4);
    QTest::mouseClick(g->ImgOrdenAsc, Qt::LeftButton);
    EXPECT_EQ(g->OrderBy(), QStringLiteral(" Order by [SERIE] Asc "));
    clic(1, 0);
    EXPECT_EQ(g->MsFlexGrid->Col(), 0);
    QTest::mouseClick(g->ImgOrdenDesc, Qt::LeftButton);
    EXPECT_EQ(g->OrderBy(), QStringLiteral(" Order by [SERIE] Desc "));
    EXPECT_EQ(columna(4).first(), QStringLiteral("C"));
    // A load and a search in all pages, then sorting and reloading again.
    g->LoadKvDBGrid();
    g->CboFiltroCampo->setCurrentText(QStringLiteral("SERIE"));
    g->txtBuscar->setText(QStringLiteral("B"));
    QTest::keyClick(g->txtBuscar, Qt::Key_Return);
    clic(1, 0);
    QTest::mouseClick(g->ImgOrdenAsc, Qt::LeftButton);
    EXPECT_TRUE(g->OrderBy().contains(QStringLiteral("[SERIE] Asc"))) << g->OrderBy().toStdString();
    g->LoadKvDBGrid();
    EXPECT_EQ(columna(1).size(), 10);
    EXPECT_TRUE(guion->mensajes.empty()) << "no error box on ordinary clicks";
}

TEST_F(Grilla, BusquedasEnTodasLasPaginas) {
    g->CboFiltroCampo->setCurrentText(QStringLiteral("SERIE"));
    g->txtBuscar->setText(QStringLiteral("B"));
    QTest::keyClick(g->txtBuscar, Qt::Key_Return);
    EXPECT_TRUE(g->txtBuscar->text().isEmpty());
    EXPECT_EQ(g->UltimaPagina(), 1);
    for (const QString& s : columna(4))
        EXPECT_EQ(s, QStringLiteral("B"));
    // A second search narrows the first.
    g->CboFiltroCampo->setCurrentText(QStringLiteral("IDBANCO"));
    g->txtBuscar->setText(QStringLiteral("3"));
    QTest::keyClick(g->txtBuscar, Qt::Key_Return);
    EXPECT_EQ(columna(1).size(), 1);
    EXPECT_TRUE(g->estado().mFiltro.contains(QStringLiteral(" and ")));
    // A search that matches nothing drops the condition and shows page 1 of everything.
    g->txtBuscar->setText(QStringLiteral("no hay tal cosa"));
    QTest::keyClick(g->txtBuscar, Qt::Key_Return);
    EXPECT_TRUE(g->estado().mFiltro.isEmpty());
    EXPECT_EQ(g->PaginaActual(), 1);
    // ACTUALIZAR recounts everything.
    g->txtBuscar->setText(QStringLiteral("B"));
    g->CboFiltroCampo->setCurrentText(QStringLiteral("SERIE"));
    QTest::keyClick(g->txtBuscar, Qt::Key_Return);
    g->Actualizar();
    EXPECT_EQ(g->UltimaPagina(), 3);
    // A quote in the search text stays inside the literal.
    g->txtBuscar->setText(QStringLiteral("O'B"));
    QTest::keyClick(g->txtBuscar, Qt::Key_Return);
    EXPECT_TRUE(guion->mensajes.empty());
}

TEST_F(Grilla, BusquedaEnLaPaginaPintaLasCeldas) {
    g->menuBuscar->actions()[0]->trigger(); // the menu entry the user picks
    EXPECT_EQ(g->Find(), 1);
    EXPECT_TRUE(g->menuBuscar->actions()[0]->text().startsWith(QStringLiteral("» ")));
    g->CboFiltroCampo->setCurrentText(QStringLiteral("Todos"));
    g->txtBuscar->setText(QStringLiteral("banco macro"));
    QTest::keyClick(g->txtBuscar, Qt::Key_Return);
    EXPECT_EQ(g->MsFlexGrid->colorCelda(5, 3), QColor(192, 232, 232));
    EXPECT_EQ(g->MsFlexGrid->Row(), 5);
    EXPECT_EQ(g->UltimaPagina(), 3) << "no query";
}

// The colour is looked for on the drawn header, under the skins' style sheet.
TEST_F(Grilla, ElEncabezadoOrdenadoSeVeColoreado) {
    g->MsFlexGrid->horizontalHeader()->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background: #e4e4ec; border: 1px solid #c0c0cc; padding: 2px; }"));
    auto colorVisto = [&](int col) {
        auto* h = g->MsFlexGrid->horizontalHeader();
        const QImage img = h->grab().toImage();
        const int x = h->sectionViewportPosition(col) + h->sectionSize(col) - 4;
        return img.pixelColor(x, img.height() / 2);
    };
    g->MsFlexGrid->setRow(1);
    g->MsFlexGrid->setCol(3);
    QTest::mouseClick(g->ImgOrdenAsc, Qt::LeftButton);
    EXPECT_EQ(colorVisto(3), QColor(217, 246, 210));
    EXPECT_NE(colorVisto(2), QColor(217, 246, 210));
    EXPECT_EQ(g->MsFlexGrid->currentColumn(), 3) << "the sorted column's cell is current";
    g->MsFlexGrid->setCol(5);
    QTest::mouseClick(g->ImgOrdenDesc, Qt::LeftButton);
    EXPECT_EQ(colorVisto(5), QColor(238, 214, 238));
    EXPECT_EQ(g->MsFlexGrid->currentColumn(), 5);
}

// Only the columns of the order in force carry its colour, on the drawn header.
TEST_F(Grilla, SoloLasColumnasDelOrdenVigenteSeVenColoreadas) {
    g->MsFlexGrid->horizontalHeader()->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background: #e4e4ec; border: 1px solid #c0c0cc; padding: 2px; }"));
    const QColor llano(0xe4, 0xe4, 0xec), asc(217, 246, 210), desc(238, 214, 238);
    auto colorVisto = [&](int col) {
        auto* h = g->MsFlexGrid->horizontalHeader();
        const QImage img = h->grab().toImage();
        return img.pixelColor(h->sectionViewportPosition(col) + h->sectionSize(col) - 4, img.height() / 2);
    };
    auto ordenar = [&](int col, QToolButton* boton) {
        g->MsFlexGrid->setRow(1);
        g->MsFlexGrid->setCol(col);
        QTest::mouseClick(boton, Qt::LeftButton);
    };
    ordenar(3, g->ImgOrdenAsc);
    EXPECT_EQ(colorVisto(3), asc);
    ordenar(5, g->ImgOrdenAsc);
    EXPECT_EQ(colorVisto(5), asc);
    EXPECT_EQ(colorVisto(3), llano) << "sorted before, not now";
    QTest::mouseClick(g->ImgOrdenN, Qt::LeftButton);
    EXPECT_EQ(colorVisto(5), llano) << "Orden Natural";
    EXPECT_EQ(colorVisto(3), llano);
    // Several columns: each in its own direction.
    g->menuOrden->actions()[1]->trigger();
    ordenar(3, g->ImgOrdenAsc);
    ordenar(5, g->ImgOrdenDesc);
    EXPECT_EQ(colorVisto(3), asc);
    EXPECT_EQ(colorVisto(5), desc);
    EXPECT_EQ(colorVisto(4), llano);
}

// The row numbers stay at the left edge while the grid scrolls sideways:
// what shows there is the same before and after Ctrl+End.
TEST_F(Grilla, LaColumnaDeNumerosQuedaFija) {
    g->resize(400, 420);
    for (int c = 1; c < g->MsFlexGrid->Cols(); ++c)
        g->MsFlexGrid->setColWidth(c, 3000);
    QApplication::processEvents();
    auto* grilla = g->MsFlexGrid;
    const QRect numeros(0, 0, grilla->columnWidth(0), grilla->horizontalHeader()->height() + 10 * 20);
    const QImage antes = grilla->grab(numeros).toImage();
    grilla->setFocus();
    QTest::keyClick(grilla, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    ASSERT_GT(grilla->horizontalScrollBar()->value(), 0) << "the grid scrolled right";
    EXPECT_EQ(grilla->grab(numeros).toImage(), antes);
    // The last column is in sight, past the fixed one.
    EXPECT_EQ(grilla->currentColumn(), grilla->Cols() - 1);
    QTest::keyClick(grilla, Qt::Key_Home, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(grilla->horizontalScrollBar()->value(), 0);
}

// Made small, the list window keeps every control whole: in its bar, clear
// of its neighbours, a label as wide as its text.
TEST_F(Grilla, LaListaNoSeAchicaHastaCortarSusControles) {
    shell::FrmChequerasGrid v;
    v.Cargar();
    v.show();
    v.resize(40, 40);
    QApplication::processEvents();
    EXPECT_GE(v.width(), v.minimumSizeHint().width());
    EXPECT_GE(v.height(), v.minimumSizeHint().height());
    auto* lista = v.KvDbGrid1;
    for (QWidget* barra :
         {static_cast<QWidget*>(lista->FrmFiltros), static_cast<QWidget*>(lista->FrmComandos)}) {
        ASSERT_LE(barra->geometry().right(), lista->width()) << barra->objectName().toStdString();
        QList<QWidget*> hijos;
        for (QObject* o : barra->children())
            if (auto* w = qobject_cast<QWidget*>(o); w && w->isVisible()) hijos << w;
        for (QWidget* w : hijos) {
            SCOPED_TRACE(w->objectName().toStdString() + " " + w->metaObject()->className());
            EXPECT_TRUE(barra->rect().contains(w->geometry()));
            if (auto* l = qobject_cast<QLabel*>(w)) {
                EXPECT_GE(l->width(), l->sizeHint().width());
            }
            for (QWidget* x : hijos) {
                if (x == w) continue;
                EXPECT_FALSE(w->geometry().intersects(x->geometry())) << x->objectName().toStdString();
            }
        }
    }
}

TEST_F(Grilla, OrdenarColoreaElEncabezado) {
    g->MsFlexGrid->setRow(1);
    g->MsFlexGrid->setCol(1);
    QTest::mouseClick(g->ImgOrdenDesc, Qt::LeftButton);
    EXPECT_EQ(g->OrderBy(), QStringLiteral(" Order by [Talonario] Desc "));
    EXPECT_EQ(g->MsFlexGrid->horizontalHeaderItem(1)->background().color(), QColor(238, 214, 238));
    EXPECT_EQ(columna(1).first(), QStringLiteral("25"));
    EXPECT_TRUE(g->StatusBar1->text().startsWith(QStringLiteral(" Orden:  Order by [Talonario] Desc")));
    g->MsFlexGrid->setCol(1);
    QTest::mouseClick(g->ImgOrdenAsc, Qt::LeftButton);
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
    const auto guardado = g.guardarPropiedades();
    EXPECT_EQ(guardado.first().first, QStringLiteral("sql"));
    KvDbGrid otro;
    otro.leerPropiedades(guardado);
    EXPECT_TRUE(otro.OcultarOrdenar());
    EXPECT_EQ(otro.Find(), 1);
    KvDbGrid sinTamano;
    sinTamano.leerPropiedades({{QStringLiteral("SQL"), QStringLiteral("x")}});
    EXPECT_EQ(sinTamano.PageSize(), 5);
    EXPECT_TRUE(sinTamano.AnchoColFijo());
}

} // namespace
