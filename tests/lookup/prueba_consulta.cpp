// The lookup service and its list and tree dialogs, driven headless.

#include "editor/frmV_TA_QUENZAR.h"
#include "lookup/Lib_ClsCons3.h"
#include "lookup/Lib_FrmCons3.h"
#include "lookup/Lib_FrmCons3Tree.h"
#include "shell/FrmChequerasGrid.h"
#include "shell/Inicio.h"
#include "shell/Servicios.h"
#include "tests/soporte/Sesion.h"
#include "tests/soporte/Teclado.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using lookup::Lib_ClsCons3;
using lookup::Lib_FrmCons3;
using lookup::Lib_FrmCons3Tree;

namespace {

class Consulta : public prueba::Sesion {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(iniciarPrograma()); }
    void TearDown() override { lookup::instalarServicio(nullptr); }
};

// Start-up points the lookup service at the database before it loads the
// settings: the service's own reads come first, the list's first page last.
TEST(ConsultaAlIniciar, ElServicioSeCreaAntesDeCargarLaConfiguracion) {
    shell::reiniciarModGlobal();
    lookup::instalarServicio(nullptr);
    prueba::BaseTemporal base;
    QTemporaryDir app;
    const QByteArray anterior = qgetenv("QUENZAR_CARPETA_APLICACION");
    qputenv("QUENZAR_CARPETA_APLICACION", app.path().toUtf8());
    prueba::Guion guion;
    shell::registrarServicioConsulta([] { lookup::servicioDelPrograma(); });
    prueba::Registro r;
    {
        shell::FrmChequerasGrid lista;
        QString cadena;
        shell::IniciarAplicacion(
            QStringLiteral("@Server=SQLITE;@DbName=QUENZAR;@Usuario=ADMIN;@Password=admin;"), cadena, 3);
        lista.Cargar();
    }
    auto primera = [&](const char* texto) {
        for (int i = 0; i < r.sentencias.size(); ++i)
            if (r.sentencias[i].contains(QLatin1String(texto), Qt::CaseInsensitive)) return i;
        return -1;
    };
    const int servicio = primera("Stk_Nivel1"), configuracion = primera("TituloClientes"),
              pagina = primera("VT_Chequeras");
    ASSERT_GE(servicio, 0);
    EXPECT_LT(servicio, configuracion);
    EXPECT_LT(configuracion, pagina);
    for (const char* clave :
         {"Stk_Nivel2", "Stk_Nivel3", "Stk_Nivel4", "MostrarStockenConsultas", "UsaConsultaLike"})
        EXPECT_LT(primera(clave), configuracion) << clave;
    auto* s = dynamic_cast<Lib_ClsCons3*>(lookup::servicioActual());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->gRutaMascaraConsultas, app.path() + QStringLiteral("/consultas.kvt"));
    shell::registrarServicioConsulta({});
    lookup::instalarServicio(nullptr);
    shell::reiniciarModGlobal();
    qputenv("QUENZAR_CARPETA_APLICACION", anterior);
}

TEST_F(Consulta, SentenciasDelServicio) {
    Lib_ClsCons3 s;
    s.gUsarMascarasConsultas = true;
    s.gRutaMascaraConsultas = carpetaApp() + QStringLiteral("consultas.kvt");
    bool detenida = false;
    QString where, campo;
    EXPECT_EQ(s.armarSentencia(QStringLiteral("SELECT DESCRIPCION,IDBANCO FROM V_TA_BANCOS"), where, campo,
                               {}, detenida),
              QStringLiteral("SELECT DESCRIPCION,IDBANCO FROM V_TA_BANCOS"));
    EXPECT_TRUE(campo.isEmpty());
    where = QStringLiteral("A = 1");
    EXPECT_EQ(s.armarSentencia(QStringLiteral("SELECT * FROM V_MA_ARTICULOS"), where, campo, {}, detenida),
              QStringLiteral("SELECT * FROM VT_MA_ARTICULOS WHERE  (A = 1) "));
    where = QStringLiteral("A = 1");
    EXPECT_EQ(s.armarSentencia(QStringLiteral("SELECT * FROM T WHERE B = 2 AND"), where, campo, {}, detenida),
              QStringLiteral("SELECT * FROM T WHERE B = 2 AND (A = 1) "));
    // The default mask of VT_CLIENTES, letter for letter, with TOP 1000.
    where.clear();
    campo.clear();
    EXPECT_EQ(s.armarSentencia(QStringLiteral("VT_CLIENTES"), where, campo, {}, detenida),
              QStringLiteral("SELECT TOP 1000 RAZON_SOCIAL,CODIGO,CONTACTO FROM VT_CLIENTES  with(nolock)  "
                             "WHERE Dada_De_Baja = "
                             "0 ORDER BY RAZON_SOCIAL"));
    EXPECT_EQ(campo, QStringLiteral("RAZON_SOCIAL"));
    datos::gDB().gCnn().Execute(
        QStringLiteral("UPDATE ta_configuracion SET VALOR = '50' WHERE CLAVE = 'TopConsArt'"));
    campo.clear();
    // A table without a mask record: its own columns, last first; the description is the search column.
    EXPECT_EQ(s.armarSentencia(QStringLiteral("TA_CCOSTO"), where, campo, {}, detenida),
              QStringLiteral("SELECT TOP 50 DESCRIPCION,CODIGO FROM TA_CCOSTO  ORDER BY DESCRIPCION"));
}

TEST_F(Consulta, MascaraDeUnaSolaColumnaDetieneLaBusqueda) {
    // A record whose column list holds one column and no search column.
    QFile f(carpetaApp() + QStringLiteral("consultas.kvt"));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(QByteArray("UNA").leftJustified(100, ' ') + QByteArray("TA_UNA").leftJustified(100, ' ') +
            QByteArray("|CODIGO|").leftJustified(500, ' ') + QByteArray(500, ' ') + "\r\n");
    f.close();
    Lib_ClsCons3 s;
    s.gUsarMascarasConsultas = true;
    s.gRutaMascaraConsultas = carpetaApp() + QStringLiteral("consultas.kvt");
    s.ValorDevuelto = QStringLiteral("previo");
    guion->responder(ui::vbOK, QStringLiteral("Debe configurar la consulta para esta tabla"));
    s.ConsultaSearch(QStringLiteral("TA_UNA"));
    EXPECT_EQ(s.ValorDevuelto, QStringLiteral("previo"));
    EXPECT_EQ(guion->mensajes.back().titulo, QStringLiteral("Aviso al operador"));
    // With no mask file the table's own columns are used.
    s.gRutaMascaraConsultas = carpetaApp() + QStringLiteral("no-existe.kvt");
    bool detenida = false;
    QString where, campo;
    EXPECT_TRUE(s.armarSentencia(QStringLiteral("TA_CCOSTO"), where, campo, {}, detenida)
                    .startsWith(QStringLiteral("SELECT TOP 1000 ")));
}

TEST_F(Consulta, ListaDeBancosBusquedaIncrementalYAceptar) {
    Lib_FrmCons3 d;
    d.sql = QStringLiteral("SELECT DESCRIPCION,IDBANCO FROM V_TA_BANCOS");
    d.CampoDevuelto = QStringLiteral("IDBANCO");
    d.OrdenarPorLwv = true;
    d.show();
    EXPECT_EQ(d.tablaConsulta(), QStringLiteral("V_TA_BANCOS"));
    ASSERT_EQ(d.ListView1->columnCount(), 2);
    EXPECT_EQ(d.ListView1->headerItem()->text(0), QStringLiteral("DESCRIPCION"));
    EXPECT_EQ(d.ListView1->topLevelItemCount(), 12);
    EXPECT_EQ(d.CmbSearch[0]->currentText(), QStringLiteral("IdArticulo"));
    d.CmbSearch[0]->setEditText(QStringLiteral("ban"));
    EXPECT_EQ(d.ListView1->currentItem()->text(0), QStringLiteral("BANCO BBVA"));
    d.CmbSearch[0]->setEditText(QStringLiteral("banco m"));
    EXPECT_EQ(d.ListView1->currentItem()->text(0), QStringLiteral("BANCO MACRO"));
    d.CmbSearch[0]->setEditText(QStringLiteral("zzz")); // no row begins so: the selection stays
    EXPECT_EQ(d.ListView1->currentItem()->text(0), QStringLiteral("BANCO MACRO"));
    QTest::keyClick(d.ListView1, Qt::Key_Return);
    EXPECT_EQ(d.ValorDevuelto.toString(), QStringLiteral("5"));
    EXPECT_EQ(d.Busqueda(0, QString()), 1) << "an empty text matches the first row";
    EXPECT_EQ(d.IndiceColumna(QStringLiteral(" idbanco ")), 2);
}

TEST_F(Consulta, F5AcotaLaConsultaYNuevaBusquedaVuelve) {
    Lib_FrmCons3 d;
    d.sql = QStringLiteral("SELECT DESCRIPCION,IDBANCO FROM V_TA_BANCOS ORDER BY DESCRIPCION");
    d.show();
    d.CmbSearch[0]->setEditText(QStringLiteral("ban"));
    d.acotarConF5(0);
    EXPECT_TRUE(d.sql.contains(QStringLiteral(" where DESCRIPCION like 'ban%' ORDER BY DESCRIPCION")))
        << d.sql.toStdString();
    EXPECT_EQ(d.ListView1->topLevelItemCount(), 12);
    d.CmbSearch[1]->setEditText(QStringLiteral("1"));
    d.acotarConF5(1);
    EXPECT_TRUE(d.sql.contains(QStringLiteral(" and IDBANCO like '1%' ORDER BY"))) << d.sql.toStdString();
    EXPECT_EQ(d.ListView1->topLevelItemCount(), 4); // 1, 10, 11, 12
    d.nuevaBusqueda();
    EXPECT_EQ(d.sql, d.sqlInicial());
    EXPECT_EQ(d.ListView1->topLevelItemCount(), 12);
    // Words anywhere with LIKE mode; a quote stays inside the literal.
    d.CfgUsaConsultaLIKE = true;
    d.CmbSearch[0]->setEditText(QStringLiteral("ban nac"));
    d.acotarConF5(0);
    EXPECT_TRUE(d.sql.contains(QStringLiteral("DESCRIPCION like '%ban%nac%'"))) << d.sql.toStdString();
    EXPECT_EQ(d.ListView1->topLevelItemCount(), 1);
    d.CmbSearch[0]->setEditText(QStringLiteral("O'B"));
    d.acotarConF5(0);
    EXPECT_TRUE(d.sql.contains(QStringLiteral("'%O''B%'"))) << d.sql.toStdString();
    EXPECT_TRUE(guion->mensajes.empty());
}

TEST_F(Consulta, GroupByQuedaDespuesDeLaCondicion) {
    Lib_FrmCons3 d;
    d.sql = QStringLiteral("SELECT SERIE, COUNT(*) AS N FROM TA_QUENZAR Group By SERIE");
    d.show();
    d.CmbSearch[0]->setEditText(QStringLiteral("A"));
    d.acotarConF5(0);
    EXPECT_TRUE(d.sql.contains(QStringLiteral(" where SERIE like 'A%' Group By SERIE")))
        << d.sql.toStdString();
    EXPECT_EQ(d.ListView1->topLevelItemCount(), 1);
}

TEST_F(Consulta, MarcasValoresPorDefectoYOrdenPorColumna) {
    Lib_FrmCons3 d;
    d.sql = QStringLiteral("SELECT IDBANCO, DESCRIPCION FROM V_TA_BANCOS");
    d.CheckBoxes = true;
    d.CampoDevuelto = QStringLiteral("IDBANCO");
    d.ValoresDefault = QStringLiteral("|3|5|");
    d.show();
    int marcadas = 0;
    for (int i = 0; i < d.ListView1->topLevelItemCount(); ++i)
        if (d.ListView1->topLevelItem(i)->checkState(0) == Qt::Checked) ++marcadas;
    EXPECT_EQ(marcadas, 2);
    d.Aceptar();
    EXPECT_EQ(d.Valores, (QStringList{QStringLiteral("3"), QStringLiteral("5")}));
    d.Valores.clear();
    d.Marcar();
    d.Aceptar();
    EXPECT_EQ(d.Valores.size(), 10);
    d.clicEnColumna(1);
    EXPECT_EQ(d.ListView1->topLevelItem(0)->text(1), QStringLiteral("BANCO SUPERVIELLE"));
    d.clicEnColumna(1);
    EXPECT_EQ(d.ListView1->topLevelItem(0)->text(1), QStringLiteral("BANCO BBVA"));
}

TEST_F(Consulta, AnchosGuardadosYSentenciaVacia) {
    QFile f(carpetaApp() + QStringLiteral("CONSULTASLEN.KVT"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\"V_TA_BANCOS\",\"3000|900|\"\r\n");
    f.close();
    Lib_FrmCons3 d;
    d.sql = QStringLiteral("SELECT DESCRIPCION,IDBANCO FROM V_TA_BANCOS");
    d.show();
    EXPECT_EQ(d.ListView1->columnWidth(0), 200);
    EXPECT_EQ(d.ListView1->columnWidth(1), 60);
    Lib_FrmCons3 vacio;
    vacio.show();
    EXPECT_EQ(vacio.ListView1->topLevelItemCount(), 0);
}

// Where and CampoBusqueda come back to the caller as the search used them.
TEST_F(Consulta, WhereYCampoDeBusquedaVuelvenAlLlamador) {
    Lib_ClsCons3 s;
    s.gRutaMascaraConsultas = carpetaApp() + QStringLiteral("no-existe.kvt");
    QString campo, where = QStringLiteral("IDBANCO <> '9'");
    guion->alMostrarModal([](QWidget* w) {
        auto* d = qobject_cast<Lib_FrmCons3*>(w);
        EXPECT_NE(d, nullptr);
        if (d) {
            EXPECT_TRUE(d->sql.contains(QStringLiteral("(IDBANCO <> '9')"))) << d->sql.toStdString();
        }
        return 2;
    });
    s.ConsultaSearch(QStringLiteral("V_TA_BANCOS"), nullptr, {}, &campo, &where);
    EXPECT_EQ(campo, QStringLiteral("DESCRIPCION")) << "the table's description column is searched";
    EXPECT_EQ(where, QStringLiteral(" (IDBANCO <> '9') "));
}

// An article list colours each row by its stock and draws it bold.
TEST_F(Consulta, StockColoreaYResaltaLasFilas) {
    auto& c = datos::gDB().gCnn();
    c.Execute(QStringLiteral("CREATE TABLE MA_ARTICULOS (IdArticulo varchar(10), Descripcion varchar(30), "
                             "PUNTOPEDIDO money, Stock money)"));
    // Levels 1 to 4 in turn: no reorder point and stock; above; below; equal.
    c.Execute(QStringLiteral("INSERT INTO MA_ARTICULOS VALUES ('A1','Uno',0,5),('A2','Dos',10,20),"
                             "('A3','Tres',10,2),('A4','Cuatro',10,10)"));
    Lib_FrmCons3 d;
    d.sql = QStringLiteral(
        "SELECT IdArticulo, Descripcion, PUNTOPEDIDO, Stock FROM MA_ARTICULOS ORDER BY IdArticulo");
    d.MuestraStock = QStringLiteral("si");
    // Windows colour values: blue-green-red.
    d.StkNivel1 = 0x0000FF; // red
    d.StkNivel2 = 0x00FF00; // green
    d.StkNivel3 = 0xFF0000; // blue
    d.StkNivel4 = 0x008080; // olive
    d.resize(700, 300);
    d.show();
    ASSERT_EQ(d.ListView1->topLevelItemCount(), 4);
    const QColor esperados[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(128, 128, 0)};
    const QImage img = d.ListView1->viewport()->grab().toImage();
    for (int f = 0; f < 4; ++f) {
        SCOPED_TRACE(f);
        auto* fila = d.ListView1->topLevelItem(f);
        EXPECT_TRUE(fila->font(1).bold());
        // The description is drawn in the row's colour.
        const QRect celda = d.ListView1->visualItemRect(fila).intersected(
            QRect(d.ListView1->header()->sectionViewportPosition(1), 0, d.ListView1->header()->sectionSize(1),
                  img.height()));
        bool visto = false;
        for (int y = celda.top(); y <= celda.bottom() && !visto; ++y)
            for (int x = celda.left(); x <= celda.right() && !visto; ++x)
                visto = img.pixelColor(x, y) == esperados[f];
        EXPECT_TRUE(visto);
    }
}

TEST_F(Consulta, ElEditorBuscaElBancoConElServicioReal) {
    lookup::servicioDelPrograma();
    editor::frmV_TA_QUENZAR f;
    f.show();
    QApplication::setActiveWindow(&f);
    guion->alMostrarModal([](QWidget* w) {
        auto* d = qobject_cast<Lib_FrmCons3*>(w);
        EXPECT_NE(d, nullptr);
        d->show();
        d->CmbSearch[0]->setEditText(QStringLiteral("banco g"));
        d->Aceptar();
        return 1;
    });
    f.CampoActual = 0;
    f.ejecutarComando(QStringLiteral("consultar"));
    EXPECT_EQ(f.txtFields[0]->text(), QStringLiteral("3"));
    EXPECT_EQ(f.lblDesc0->text(), QStringLiteral("BANCO GALICIA"));
}

// F7 in the bank box, a bank picked in the list, then the next letter typed:
// the bank is checked and named, and the letter lands in the series box.
TEST_F(Consulta, TrasElegirElBancoElFocoSigueAdelante) {
    lookup::servicioDelPrograma();
    editor::frmV_TA_QUENZAR f;
    f.show();
    QApplication::setActiveWindow(&f);
    struct Eleccion {
        const char* nombre;
        std::function<void(Lib_FrmCons3*)> elegir;
    };
    const Eleccion elecciones[] = {
        {"Enter en la lista",
         [](Lib_FrmCons3* d) {
             prueba::teclear(QApplication::focusWidget(), QStringLiteral("banco g"));
             d->ListView1->setFocus();
             QTest::keyClick(d->ListView1, Qt::Key_Return);
         }},
        {"doble clic",
         [](Lib_FrmCons3* d) {
             auto* fila = d->ListView1->findItems(QStringLiteral("BANCO GALICIA"), Qt::MatchExactly).value(0);
             ASSERT_NE(fila, nullptr);
             const QPoint p = d->ListView1->visualItemRect(fila).center();
             // A double click is a click and a second press, as the mouse sends them.
             QTest::mouseClick(d->ListView1->viewport(), Qt::LeftButton, {}, p);
             QTest::mouseDClick(d->ListView1->viewport(), Qt::LeftButton, {}, p);
         }},
    };
    for (const Eleccion& e : elecciones) {
        SCOPED_TRACE(e.nombre);
        f.ejecutarComando(QStringLiteral("NUEVO"));
        guion->alMostrarModal([&](QWidget* w) {
            auto* d = qobject_cast<Lib_FrmCons3*>(w);
            EXPECT_NE(d, nullptr);
            if (!d) return 0;
            d->show();
            QApplication::setActiveWindow(d);
            e.elegir(d);
            d->hide();
            return 1;
        });
        QTest::keyClick(f.txtFields[0], Qt::Key_F7);
        // The editor takes the keyboard back when the lookup closes.
        QApplication::setActiveWindow(&f);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), 'A');
        EXPECT_EQ(f.txtFields[0]->text(), QStringLiteral("3"));
        EXPECT_EQ(f.lblDesc0->text(), QStringLiteral("BANCO GALICIA"));
        EXPECT_EQ(f.txtFields[1]->text(), QStringLiteral("A"));
    }
    EXPECT_TRUE(guion->mensajes.empty());
}

// The list opens with the keyboard in the first search box: letters search,
// a blank is a blank, and Enter accepts the row found.
TEST_F(Consulta, LaConsultaAbreConElTecladoEnLaBusqueda) {
    Lib_FrmCons3 d;
    d.sql = QStringLiteral("SELECT DESCRIPCION,IDBANCO FROM V_TA_BANCOS ORDER BY DESCRIPCION");
    d.CampoDevuelto = QStringLiteral("IDBANCO");
    d.show();
    QApplication::setActiveWindow(&d);
    QWidget* foco = QApplication::focusWidget();
    ASSERT_NE(foco, nullptr);
    EXPECT_TRUE(foco == d.CmbSearch[0] || foco == d.CmbSearch[0]->lineEdit());
    prueba::teclear(foco, QStringLiteral("banco "));
    EXPECT_TRUE(d.isVisible()) << "a blank accepts nothing";
    prueba::teclear(QApplication::focusWidget(), QStringLiteral("ma"));
    EXPECT_EQ(d.CmbSearch[0]->currentText(), QStringLiteral("banco ma"));
    EXPECT_EQ(d.ListView1->currentItem()->text(0), QStringLiteral("BANCO MACRO"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(d.ValorDevuelto.toString(), QStringLiteral("5"));
}

TEST_F(Consulta, ArbolDeCodigos) {
    datos::gDB().gCnn().Execute(
        QStringLiteral("CREATE TABLE CODIGOS (CODIGO varchar(10), DESCRIPCION varchar(30))"));
    datos::gDB().gCnn().Execute(
        QStringLiteral("INSERT INTO CODIGOS VALUES ('1','Uno'),('11','Once'),('12','Doce'),('2','Dos'),"
                       "('345','Suelto')"));
    Lib_FrmCons3Tree t;
    t.sql = QStringLiteral("SELECT CODIGO, DESCRIPCION FROM CODIGOS");
    t.CampoDevuelto = QStringLiteral("CODIGO");
    t.show();
    auto* raiz = t.TreeV->topLevelItem(0);
    ASSERT_NE(raiz, nullptr);
    EXPECT_EQ(raiz->text(0), QStringLiteral("Consulta..."));
    ASSERT_EQ(raiz->childCount(), 3); // 1, 2 and 345
    EXPECT_EQ(raiz->child(0)->childCount(), 2);
    EXPECT_EQ(raiz->child(0)->child(0)->text(0), QStringLiteral("11 - Once"));
    EXPECT_EQ(Lib_FrmCons3Tree::codigoDe(raiz->child(2)), QStringLiteral("345"));
    // Nothing selected returns nothing.
    t.ValorDevuelto = QStringLiteral("de antes");
    t.Aceptar();
    EXPECT_FALSE(t.ValorDevuelto.isValid() && !t.ValorDevuelto.toString().isEmpty());
    // A code in TA_CCOSTO is found there; one only in MA_CUENTAS there.
    t.TreeV->setCurrentItem(raiz->child(0)->child(0));
    t.Aceptar();
    EXPECT_EQ(t.ValorDevuelto.toString(), QStringLiteral("11"));
    t.sql =
        QStringLiteral("SELECT CODIGO, DESCRIPCION FROM MA_CUENTAS WHERE CODIGO LIKE '111%' ORDER BY CODIGO");
    t.Cargar();
    t.Buscar(QStringLiteral("11102001"));
    ASSERT_NE(t.TreeV->currentItem(), nullptr);
    t.Aceptar();
    EXPECT_EQ(t.ValorDevuelto.toString(), QStringLiteral("11102001"));
}

// Esc and the window's close box do what "&Cancelar" does.
TEST_F(Consulta, ArbolEscYCierreCancelan) {
    Lib_FrmCons3Tree t;
    t.sql = QStringLiteral("SELECT CODIGO, DESCRIPCION FROM MA_CUENTAS WHERE CODIGO LIKE '111%'");
    t.CampoDevuelto = QStringLiteral("CODIGO");
    auto cancela = [&](const std::function<void()>& accion) {
        t.show();
        t.ValorDevuelto = QStringLiteral("de antes");
        t.Valores = {QStringLiteral("1")};
        accion();
        EXPECT_TRUE(t.ValorDevuelto.toString().isEmpty());
        EXPECT_TRUE(t.Valores.isEmpty());
        EXPECT_FALSE(t.isVisible());
        EXPECT_EQ(t.result(), QDialog::Rejected);
    };
    cancela([&] { QTest::keyClick(t.TreeV, Qt::Key_Escape); });
    cancela([&] { t.close(); });
}

TEST_F(Consulta, MarcasBajanSeisNiveles) {
    datos::gDB().gCnn().Execute(
        QStringLiteral("CREATE TABLE NIVELES (CODIGO varchar(10), DESCRIPCION varchar(30))"));
    datos::gDB().gCnn().Execute(
        QStringLiteral("INSERT INTO NIVELES VALUES ('1','a'),('12','b'),('123','c'),('1234','d'),"
                       "('12345','e'),('123456','f'),('1234567','g'),('12345678','h')"));
    Lib_FrmCons3Tree t;
    t.sql = QStringLiteral("SELECT CODIGO, DESCRIPCION FROM NIVELES");
    t.CheckBoxes = true;
    t.CampoDevuelto = QStringLiteral("CODIGO");
    t.show();
    auto* uno = t.TreeV->topLevelItem(0)->child(0);
    uno->setCheckState(0, Qt::Checked);
    EXPECT_EQ(t.nodo(QStringLiteral("A1234567"))->checkState(0), Qt::Checked); // six levels below
    EXPECT_EQ(t.nodo(QStringLiteral("A12345678"))->checkState(0),
              Qt::Unchecked); // the seventh keeps its state
    t.Aceptar();
    EXPECT_EQ(t.Valores.size(), 7);
}

} // namespace
