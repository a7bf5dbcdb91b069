// The column chooser and the column set kept per user.

#include "grid/FrmCampos.h"
#include "grid/KvDbGrid.h"
#include "tests/soporte/Sesion.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

using grid::FrmCampos;
using grid::KvDbGrid;

namespace {

class Columnas : public prueba::Sesion {
protected:
    void SetUp() override {
        abrir();
        auto& c = datos::gDB().gCnn();
        c.Execute(
            QStringLiteral("CREATE TABLE COLS (Codigo int, Nombre varchar(20), [Nro Cuenta] varchar(10), "
                           "Importe money, ID int PRIMARY KEY)"));
        for (int i = 1; i <= 3; ++i)
            c.Execute(QStringLiteral("INSERT INTO COLS VALUES (%1, 'n%1', 'c%1', %1.5, %1)").arg(i));
        g = crearGrilla();
    }
    void TearDown() override { g.reset(); }

    std::unique_ptr<KvDbGrid> crearGrilla() {
        auto r = std::make_unique<KvDbGrid>();
        r->leerPropiedades({{QStringLiteral("columnas"), true}, {QStringLiteral("anchocolfijo"), true}});
        r->setSql(QStringLiteral("SELECT * FROM COLS"));
        r->setPrimaryKey(QStringLiteral("ID"));
        r->show();
        r->LoadKvDBGrid();
        return r;
    }
    QStringList encabezados(KvDbGrid& x) {
        QStringList r;
        for (int c = 1; c < x.MsFlexGrid->Cols(); ++c)
            r << x.MsFlexGrid->TextMatrix(0, c);
        return r;
    }
    static QStringList entradas(FrmCampos* f, bool soloMarcadas = false) {
        QStringList r;
        for (int i = 0; i < f->LstLista->count(); ++i)
            if (!soloMarcadas || f->LstLista->item(i)->checkState() == Qt::Checked)
                r << f->LstLista->item(i)->text();
        return r;
    }
    // Opens the chooser and lets `accion` work the window.
    void elegir(KvDbGrid& x, std::function<void(FrmCampos*)> accion) {
        guion->alMostrarModal([accion](QWidget* w) {
            auto* f = qobject_cast<FrmCampos*>(w);
            EXPECT_NE(f, nullptr);
            f->show();
            accion(f);
            return 0;
        });
        x.cmdColumnas->click();
    }
    QString guardado(const QString& usuario = QStringLiteral("ADMIN")) {
        ado::Recordset rs;
        rs.Open(
            QStringLiteral("SELECT VALOR FROM TA_CONFIG_FORM WHERE USUARIO = '%1' AND NOMBRE = '@KVDBGRID'")
                .arg(usuario),
            datos::gDB().gCnn());
        return rs.Eof() ? QStringLiteral("<ninguno>") : rs(0).Value().toString();
    }

    std::unique_ptr<KvDbGrid> g;
};

TEST_F(Columnas, PrimeraVezSinClaveYCerrarNoCambiaNada) {
    EXPECT_FALSE(g->cmdColumnas->isHidden());
    const QStringList antes = encabezados(*g);
    EXPECT_EQ(antes, (QStringList{"Codigo", "Nombre", "Nro Cuenta", "Importe", "ID"}));
    QStringList ofrecidas;
    elegir(*g, [&](FrmCampos* f) {
        ofrecidas = entradas(f);
        EXPECT_TRUE(entradas(f, true).isEmpty());
        EXPECT_TRUE(f->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_EQ(f->ImgCancelar->toolTip(), QStringLiteral("Cerrar"));
        f->LstLista->item(0)->setCheckState(Qt::Checked);
        f->ImgCancelar->click();
    });
    EXPECT_EQ(ofrecidas, (QStringList{"Codigo", "Nombre", "Nro Cuenta", "Importe"}))
        << "the key column is never offered";
    EXPECT_EQ(encabezados(*g), antes);
    EXPECT_EQ(guardado(), QStringLiteral("<ninguno>"));
}

TEST_F(Columnas, ElegidasSeGuardanPorUsuarioSinBlancos) {
    elegir(*g, [](FrmCampos* f) {
        f->LstLista->item(3)->setCheckState(Qt::Checked); // Importe
        f->LstLista->item(2)->setCheckState(Qt::Checked); // Nro Cuenta
        f->CmdAplica->click();
        EXPECT_EQ(f->gCamposSel, QStringLiteral("[Nro Cuenta], [Importe], [ID]"));
        EXPECT_EQ(f->gOrdinalSel, QStringLiteral("3|4|"));
        EXPECT_EQ(f->gCamposOrden, QStringLiteral("[Codigo], [Nombre], [Nro Cuenta], [Importe], [ID]"));
    });
    EXPECT_EQ(encabezados(*g), (QStringList{"Nro Cuenta", "Importe", "ID"}));
    EXPECT_EQ(guardado(), QStringLiteral("[NroCuenta]|[Importe]|ID"));
    // Choosing again replaces the row; the chooser opens with the shown columns first, ticked.
    elegir(*g, [](FrmCampos* f) {
        EXPECT_EQ(entradas(f), (QStringList{"Nro Cuenta", "Importe", "Codigo", "Nombre"}));
        EXPECT_EQ(entradas(f, true), (QStringList{"Nro Cuenta", "Importe"}));
        f->LstLista->item(0)->setCheckState(Qt::Unchecked);
        f->CmdAplica->click();
    });
    EXPECT_EQ(encabezados(*g), (QStringList{"Importe", "ID"}));
    EXPECT_EQ(guardado(), QStringLiteral("[Importe]|ID"));
    EXPECT_EQ(datos::gDB()
                  .gCnn()
                  .Execute(QStringLiteral("SELECT COUNT(*) FROM TA_CONFIG_FORM"))
                  ->fields()[0]
                  .Value(),
              1);

    // The same user gets the set back; another user, with a quote in the name, does not.
    auto otra = crearGrilla();
    EXPECT_EQ(encabezados(*otra), (QStringList{"Importe", "ID"}));
    datos::gDB().gUsuario = QStringLiteral("O'Brien");
    auto ajena = crearGrilla();
    EXPECT_EQ(encabezados(*ajena).size(), 5);
    elegir(*ajena, [](FrmCampos* f) {
        f->LstLista->item(1)->setCheckState(Qt::Checked);
        f->CmdAplica->click();
    });
    EXPECT_EQ(guardado(QStringLiteral("O''Brien")), QStringLiteral("[Nombre]|ID"));
    EXPECT_EQ(guardado(), QStringLiteral("[Importe]|ID"));
    // The row belongs to the program with its command line.
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT FORMULARIO, TIPOOBJETO, PROPIEDAD, DATAFIELD FROM TA_CONFIG_FORM"),
            datos::gDB().gCnn());
    EXPECT_EQ(rs(0).Value().toString(),
              ui::tituloPrograma() + QCoreApplication::arguments().mid(1).join(QLatin1Char(' ')));
    EXPECT_EQ(rs(1).Value().toString(), QStringLiteral("@KvDbGrid"));
    EXPECT_EQ(rs(2).Value().toString(), QStringLiteral("CamposSel"));
}

TEST_F(Columnas, NadaMarcadoMuestraLaTablaYTodosMarcaTodo) {
    elegir(*g, [](FrmCampos* f) { f->CmdAplica->click(); });
    EXPECT_EQ(encabezados(*g), (QStringList{"Codigo", "Nombre", "Nro Cuenta", "Importe", "ID"}));
    elegir(*g, [](FrmCampos* f) {
        f->CmdAll->click();
        EXPECT_EQ(entradas(f, true).size(), f->LstLista->count()) << "the last entry too";
        EXPECT_EQ(f->gOrdinalSel, QStringLiteral("1|2|3|4|"));
    });
    EXPECT_EQ(encabezados(*g), (QStringList{"Codigo", "Nombre", "Nro Cuenta", "Importe", "ID"}));
}

TEST_F(Columnas, MoverDesmarcaLaEntrada) {
    FrmCampos f;
    f.gCampos = QStringLiteral("A|B|C|ID|");
    f.show();
    ASSERT_EQ(entradas(&f), (QStringList{"A", "B", "C"}));
    f.LstLista->item(1)->setCheckState(Qt::Checked);
    f.LstLista->setCurrentRow(1);
    f.ImgSube->click();
    EXPECT_EQ(entradas(&f), (QStringList{"B", "A", "C"}));
    EXPECT_EQ(f.LstLista->currentRow(), 0);
    EXPECT_TRUE(entradas(&f, true).isEmpty());
    f.ImgSube->click(); // already first
    EXPECT_EQ(entradas(&f), (QStringList{"B", "A", "C"}));
    f.LstLista->setCurrentRow(2);
    f.ImgBaja->click(); // already last
    f.LstLista->setCurrentRow(0);
    f.ImgBaja->click();
    EXPECT_EQ(entradas(&f), (QStringList{"A", "B", "C"}));
    f.CmdAplica->click();
    EXPECT_TRUE(f.gCamposSel.isEmpty());
    EXPECT_EQ(f.gCamposOrden, QStringLiteral("[A], [B], [C], [ID]"));
    EXPECT_FALSE(f.Cancelar);
    // A column whose name is part of a shown one is still offered.
    FrmCampos h;
    h.gCampos = QStringLiteral("Cuenta|CuentaBanco|ID|");
    h.gCamposSel = QStringLiteral("[CuentaBanco], ID");
    h.gOrdinalSel = QStringLiteral("1|");
    h.show();
    EXPECT_EQ(entradas(&h), (QStringList{"CuentaBanco", "Cuenta"}));
    EXPECT_EQ(entradas(&h, true), (QStringList{"CuentaBanco"}));
}

} // namespace
