#include "grid/KvDbGrid.h"

#include "grid/FrmCampos.h"

#include "data/DB_Dll.h"
#include "data/Lectura.h"
#include "platform/Intercalacion.h"
#include "platform/Rutina.h"
#include "platform/ui/Dialogos.h"
#include "shell/helperlib/OrVexa2.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <limits>

namespace grid {

using plataforma::ErrorEjecucion;
using plataforma::Rutina;

namespace {

constexpr Qt::CaseSensitivity ci = Qt::CaseInsensitive;

// The page numbers 1..n, each made when shown: 100,000 pages are not 100,000 strings.
class ModeloPaginas final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    void fijar(qint64 n) {
        beginResetModel();
        mPaginas = static_cast<int>(std::clamp<qint64>(n, 0, std::numeric_limits<int>::max()));
        endResetModel();
    }
    int rowCount(const QModelIndex& padre = {}) const override { return padre.isValid() ? 0 : mPaginas; }
    QVariant data(const QModelIndex& i, int rol) const override {
        if (!i.isValid() || i.row() >= mPaginas || (rol != Qt::DisplayRole && rol != Qt::EditRole)) return {};
        return QString::number(i.row() + 1);
    }

private:
    int mPaginas = 0;
};

ModeloPaginas* paginasDe(QComboBox* c) {
    return static_cast<ModeloPaginas*>(c->model());
}

KvDbGrid::Exportador& exportador() {
    static KvDbGrid::Exportador f;
    return f;
}

// The grid's routines report through the helper library's error box.
Rutina rutinaConCaja(const QString& nombre) {
    return Rutina(nombre, [](const ErrorEjecucion& err, const QString&) {
        return orvexa::Utilidades().MostrarError(err);
    });
}

int px(int twips) {
    return twips / 15;
}

} // namespace

void KvDbGrid::registrarExportador(Exportador f) {
    exportador() = std::move(f);
}

KvDbGrid::KvDbGrid(QWidget* padre)
    : QWidget(padre) {
    setObjectName(QStringLiteral("KvDbGrid"));
    construir();
    // Creation: page 1, no user column set, the page-size text empty, disabled.
    mPaginaActual = 1;
    mEstado.CamposSel.clear();
    CboRegistros->setEditText(QString());
    setEnabled(false);
    mEstado.PageSize = 4000;
}

void KvDbGrid::construir() {
    MsFlexGrid = new MSHFlexGrid(this);
    MsFlexGrid->setObjectName(QStringLiteral("MSFlexGrid1"));
    MsFlexGrid->installEventFilter(this);
    TxtEdit = new QLineEdit(this);
    TxtEdit->setObjectName(QStringLiteral("txtEdit1"));
    TxtEdit->hide();
    TxtEdit->installEventFilter(this);
    TxtEdit->setMouseTracking(true);
    connect(TxtEdit, &QLineEdit::textChanged, this, [this] { emit txtEditChange(); });

    FrmFiltros = new QFrame(this);
    FrmFiltros->setObjectName(QStringLiteral("FrmFiltros"));
    auto* lf = new QHBoxLayout(FrmFiltros);
    lf->setContentsMargins(2, 2, 2, 2);
    txtBuscar = new QLineEdit(FrmFiltros);
    txtBuscar->setObjectName(QStringLiteral("txtBuscar"));
    txtBuscar->installEventFilter(this);
    auto* l1 = new QLabel(QStringLiteral("Registros:"), FrmFiltros);
    CboRegistros = new QComboBox(FrmFiltros);
    CboRegistros->setObjectName(QStringLiteral("CboRegistros"));
    CboRegistros->setEditable(true);
    for (int n : {5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 100, 500, 1000, 2000})
        CboRegistros->addItem(QString::number(n));
    CboRegistros->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), CboRegistros));
    // An editable combo keeps the focus and hands keys to its line edit
    // directly, past any filter there: the keys are checked on the combo.
    CboRegistros->installEventFilter(this);
    CboRegistros->lineEdit()->installEventFilter(this);
    CboRegistros->setInsertPolicy(QComboBox::NoInsert);
    auto* l2 = new QLabel(QStringLiteral("Buscar por:"), FrmFiltros);
    CboFiltroCampo = new QComboBox(FrmFiltros);
    CboFiltroCampo->setObjectName(QStringLiteral("CboFiltroCampo"));
    CboFiltroCampo->setMinimumWidth(120);
    auto boton = [&](QWidget* padre, const char* nombre, const QString& tip, QStyle::StandardPixmap icono) {
        auto* b = new QToolButton(padre);
        b->setObjectName(QLatin1String(nombre));
        b->setToolTip(tip);
        b->setIcon(style()->standardIcon(icono));
        b->setAutoRaise(true);
        return b;
    };
    btnBuscar = boton(FrmFiltros, "BUSCAR", QStringLiteral("Buscar"), QStyle::SP_FileDialogContentsView);
    menuBuscar = new QMenu(btnBuscar);
    menuBuscar->addAction(QStringLiteral("  Buscar en Página Actual"))->setData(QStringLiteral("ActualPage"));
    menuBuscar->addAction(QStringLiteral("  Buscar en todas las Páginas"))
        ->setData(QStringLiteral("AllPage"));
    btnBuscar->setMenu(menuBuscar);
    btnBuscar->setPopupMode(QToolButton::MenuButtonPopup);
    btnActualizar = boton(FrmFiltros, "ACTUALIZAR", QStringLiteral("Actualizar"), QStyle::SP_BrowserReload);
    btnAjustar = boton(FrmFiltros, "AJUSTACOL", QStringLiteral("Ajustar Columnas"),
                       QStyle::SP_ToolBarHorizontalExtensionButton);
    btnExcel = boton(FrmFiltros, "Excel", QStringLiteral("Exportar a Excel"), QStyle::SP_DialogSaveButton);
    lf->addWidget(txtBuscar, 2);
    lf->addWidget(btnBuscar);
    lf->addWidget(btnActualizar);
    lf->addWidget(btnAjustar);
    lf->addWidget(btnExcel);
    lf->addWidget(l1);
    lf->addWidget(CboRegistros);
    lf->addWidget(l2);
    lf->addWidget(CboFiltroCampo, 1);

    FrmComandos = new QFrame(this);
    FrmComandos->setObjectName(QStringLiteral("FrmComandos"));
    auto* lc = new QHBoxLayout(FrmComandos);
    lc->setContentsMargins(2, 2, 2, 2);
    auto* lblPag = new QLabel(QStringLiteral("Página:"), FrmComandos);
    lblPag->setObjectName(QStringLiteral("lblPagSelect"));
    cboPagSelect = new QComboBox(FrmComandos);
    cboPagSelect->setObjectName(QStringLiteral("cboPagSelect"));
    cboPagSelect->setModel(new ModeloPaginas(cboPagSelect));
    cboPagSelect->setMinimumWidth(90);
    // A list of 100,000 pages must not be measured item by item to size the box.
    cboPagSelect->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboPagSelect->setMinimumContentsLength(7);
    cmdColumnas = new QPushButton(QStringLiteral("Columnas"), FrmComandos);
    cmdColumnas->setObjectName(QStringLiteral("cmdColumnas"));
    auto navegar = [&](const char* nombre, const QString& tip, QStyle::StandardPixmap icono) {
        auto* b = new QPushButton(FrmComandos);
        b->setObjectName(QLatin1String(nombre));
        b->setToolTip(tip);
        b->setIcon(style()->standardIcon(icono));
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    cmdPrimero = navegar("cmdPrimero", QStringLiteral("Primer Página"), QStyle::SP_MediaSkipBackward);
    cmdAnterior = navegar("cmdAnterior", QStringLiteral("Página Anterior"), QStyle::SP_MediaSeekBackward);
    cmdSiguiente = navegar("cmdSiguiente", QStringLiteral("Página Siguiente"), QStyle::SP_MediaSeekForward);
    cmdUltimo = navegar("cmdUltimo", QStringLiteral("Última Página"), QStyle::SP_MediaSkipForward);
    Toolbar2 = boton(FrmComandos, "Toolbar2", QStringLiteral("Opciones de Ordenamiento"),
                     QStyle::SP_FileDialogListView);
    menuOrden = new QMenu(Toolbar2);
    menuOrden->addAction(QStringLiteral("  Ordemaniento Individual"))->setData(QStringLiteral("ActualPage"));
    menuOrden->addAction(QStringLiteral("  Ordenamiento Múltiple"))->setData(QStringLiteral("AllPage"));
    Toolbar2->setMenu(menuOrden);
    Toolbar2->setPopupMode(QToolButton::InstantPopup);
    ImgOrdenN =
        boton(FrmComandos, "ImgOrdenN", QStringLiteral("Orden Natural"), QStyle::SP_DialogResetButton);
    ImgOrdenAsc = boton(FrmComandos, "ImgOrdenAsc", QStringLiteral("Orden Ascendente"), QStyle::SP_ArrowUp);
    ImgOrdenDesc =
        boton(FrmComandos, "ImgOrdenDesc", QStringLiteral("Orden Descendente"), QStyle::SP_ArrowDown);
    lblPaginas = new QLabel(FrmComandos);
    lblPaginas->setObjectName(QStringLiteral("lblPaginas"));
    lc->addWidget(lblPag);
    lc->addWidget(cboPagSelect);
    lc->addWidget(cmdColumnas);
    lc->addWidget(cmdPrimero);
    lc->addWidget(cmdAnterior);
    lc->addWidget(cmdSiguiente);
    lc->addWidget(cmdUltimo);
    lc->addWidget(Toolbar2);
    lc->addWidget(ImgOrdenN);
    lc->addWidget(ImgOrdenAsc);
    lc->addWidget(ImgOrdenDesc);
    lc->addWidget(lblPaginas, 1);

    StatusBar1 = new QLabel(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFrameShape(QFrame::StyledPanel);
    Pbar = new QProgressBar(this);
    Pbar->setObjectName(QStringLiteral("Pbar"));
    Pbar->setRange(0, 100);
    Pbar->setValue(0);
    Pbar->setTextVisible(false);
    CmdCancel = new QPushButton(QStringLiteral("Cancelar carga..."), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    CmdCancel->hide();

    connect(cmdPrimero, &QPushButton::clicked, this, &KvDbGrid::cmdPrimero_Click);
    connect(cmdAnterior, &QPushButton::clicked, this, &KvDbGrid::cmdAnterior_Click);
    connect(cmdSiguiente, &QPushButton::clicked, this, &KvDbGrid::cmdSiguiente_Click);
    connect(cmdUltimo, &QPushButton::clicked, this, &KvDbGrid::cmdUltimo_Click);
    connect(CmdCancel, &QPushButton::clicked, this, &KvDbGrid::CmdCancel_Click);
    connect(cmdColumnas, &QPushButton::clicked, this, &KvDbGrid::cmdColumnas_Click);
    connect(btnBuscar, &QToolButton::clicked, this, &KvDbGrid::BuscarTexto);
    connect(btnActualizar, &QToolButton::clicked, this, &KvDbGrid::Actualizar);
    connect(btnAjustar, &QToolButton::clicked, this, [this] {
        AjustarColumnas();
        emit ColumnasAjustadas();
    });
    connect(btnExcel, &QToolButton::clicked, this, [this] {
        if (exportador())
            exportador()(sentenciaExportacion(mEstado, mSqlConteo));
        else
            ui::MsgBox(QStringLiteral("La exportación a planilla no está instalada en este equipo."),
                       ui::vbInformation, QStringLiteral("Aviso al Usuario"));
    });
    connect(menuBuscar, &QMenu::triggered, this,
            [this](QAction* a) { buscarPor(static_cast<int>(menuBuscar->actions().indexOf(a)) + 1); });
    connect(menuOrden, &QMenu::triggered, this,
            [this](QAction* a) { ordenarPor(static_cast<int>(menuOrden->actions().indexOf(a)) + 1); });
    connect(ImgOrdenN, &QToolButton::clicked, this, &KvDbGrid::ImgOrdenN_Click);
    connect(ImgOrdenAsc, &QToolButton::clicked, this, &KvDbGrid::ImgOrdenAsc_Click);
    connect(ImgOrdenDesc, &QToolButton::clicked, this, &KvDbGrid::ImgOrdenDesc_Click);
    connect(cboPagSelect, qOverload<int>(&QComboBox::currentIndexChanged), this, &KvDbGrid::paginaElegida);
    connect(CboRegistros, qOverload<int>(&QComboBox::activated), this, [this](int i) {
        setPageSize(CboRegistros->itemText(i).toInt());
        mCancelarCarga = false;
        CargarPaginas();
    });
    connect(MsFlexGrid, &QTableWidget::cellClicked, this, [this] {
        if (pPintaFilaSel) {
            MsFlexGrid->setCellBackColor(QColor(0, 255, 255));
            MsFlexGrid->setCellFontBold(true);
        }
        emit MsFlexGridClick();
    });
    connect(MsFlexGrid, &QTableWidget::cellDoubleClicked, this, [this] { emit MsFlexGridDblClick(); });
    connect(MsFlexGrid, &QTableWidget::currentCellChanged, this, [this] { emit MSFlexGridRowColChange(); });
    connect(MsFlexGrid, &MSHFlexGrid::celdaSalida, this, [this] {
        if (pPintaFilaSel) {
            MsFlexGrid->setCellBackColor(Qt::white);
            MsFlexGrid->setCellFontBold(false);
        }
        emit MSFlexGridLeaveCell();
    });
    connect(MsFlexGrid, &MSHFlexGrid::celdaEntrada, this, [this] {
        if (pPintaFilaSel) {
            MsFlexGrid->setCellBackColor(QColor(0, 255, 255));
            MsFlexGrid->setCellFontBold(true);
        }
        emit MsFlexGridEnterCell();
    });
    setFind(2);
    setOrder(1);
}

// ------------------------------------------------------------------ properties

void KvDbGrid::setConString(const QString& cadena) {
    auto& db = datos::gDB();
    if (!db.gOpenFlag || db.gCnn().State() != 1)
        db.OpenServerADODB(false, 3, cadena, true, true);
    else
        (void)db.gCnn().DefaultDatabase();
}

void KvDbGrid::marcar(QMenu* menu, int indice) {
    const auto acciones = menu->actions();
    for (int i = 0; i < acciones.size(); ++i) {
        QString t = acciones[i]->text().trimmed();
        t.remove(QStringLiteral("» "));
        acciones[i]->setText(i + 1 == indice ? QStringLiteral("» ") + t : t);
    }
}

void KvDbGrid::setFind(int16_t v) {
    mEstado.Find = v;
    marcar(menuBuscar, v);
}

void KvDbGrid::setOrder(int16_t v) {
    mEstado.Order = v;
    marcar(menuOrden, v);
}

void KvDbGrid::setAlignCommandBar(int v) {
    mAlignCommandBar = v;
    disponer();
}

void KvDbGrid::setAlignFilterBar(int v) {
    mAlignFilterBar = v;
    disponer();
}

void KvDbGrid::buscarPor(int indice) {
    // Choosing the marked entry does nothing.
    if (menuBuscar->actions().value(indice - 1) &&
        menuBuscar->actions()[indice - 1]->text().contains(QStringLiteral("»")))
        return;
    setFind(static_cast<int16_t>(indice));
}

void KvDbGrid::ordenarPor(int indice) {
    if (menuOrden->actions().value(indice - 1) &&
        menuOrden->actions()[indice - 1]->text().contains(QStringLiteral("»")))
        return;
    setOrder(static_cast<int16_t>(indice));
}

void KvDbGrid::valoresNuevos() {
    mEstado.sql.clear();
    mEstado.PrimaryKey = QStringLiteral("ID");
    setFind(2);
    setOrder(1);
    mAlignCommandBar = 2;
    mAlignFilterBar = 1;
    mEstado.PageSize = 4000;
    mAnchoColFijo = false;
    mEstado.CamposSel.clear();
    mEstado.Campos.clear();
    mOrdinalSel.clear();
    mColumnas = false;
    mOcultarOrdenar = false;
    mEstado.OrderBy.clear();
    mEstado.OrdenSent = 0;
    mEstado.FormatDate = 103;
}

QList<QPair<QString, QVariant>> KvDbGrid::guardarPropiedades() const {
    QList<QPair<QString, QVariant>> r;
    r.append({QStringLiteral("sql"), mEstado.sql});
    r.append({QStringLiteral("primarykey"), mEstado.PrimaryKey});
    if (mEstado.Find != 2) r.append({QStringLiteral("find"), mEstado.Find});
    if (mEstado.Order != 1) r.append({QStringLiteral("order"), mEstado.Order});
    if (mAlignCommandBar != 2) r.append({QStringLiteral("aligncommandbar"), mAlignCommandBar});
    if (mAlignFilterBar != 1) r.append({QStringLiteral("alignfilterbar"), mAlignFilterBar});
    r.append({QStringLiteral("pagesize"), mEstado.PageSize});
    r.append({QStringLiteral("anchocolfijo"), mAnchoColFijo});
    r.append({QStringLiteral("camposSel").toLower(), mEstado.CamposSel});
    r.append({QStringLiteral("campos"), mEstado.Campos});
    r.append({QStringLiteral("ordinalsel"), mOrdinalSel});
    r.append({QStringLiteral("columnas"), mColumnas});
    r.append({QStringLiteral("ocultarordenar"), mOcultarOrdenar});
    r.append({QStringLiteral("orderby"), mEstado.OrderBy});
    r.append({QStringLiteral("ordensent"), mEstado.OrdenSent});
    r.append({QStringLiteral("formatdate"), mEstado.FormatDate});
    return r;
}

void KvDbGrid::leerPropiedades(const QList<QPair<QString, QVariant>>& conjunto) {
    auto valor = [&](const char* clave, const QVariant& defecto) {
        for (const auto& p : conjunto)
            if (p.first.compare(QLatin1String(clave), ci) == 0) return p.second;
        return defecto;
    };
    auto entero = [&](const char* clave, int defecto, auto asignar) {
        bool ok = false;
        const int v = valor(clave, defecto).toInt(&ok);
        if (ok) asignar(v);
    };
    mEstado.sql = valor("SQL", QString()).toString();
    mEstado.PrimaryKey = valor("PrimaryKey", QStringLiteral("ID")).toString();
    entero("Find", 2, [this](int v) { setFind(static_cast<int16_t>(v)); });
    entero("Order", 1, [this](int v) { setOrder(static_cast<int16_t>(v)); });
    entero("AlignCommandBar", 2, [this](int v) { mAlignCommandBar = v; });
    entero("AlignFilterBar", 1, [this](int v) { mAlignFilterBar = v; });
    entero("PageSize", 5, [this](int v) { mEstado.PageSize = v; });
    mAnchoColFijo = valor("AnchoColFijo", true).toBool();
    mEstado.CamposSel = valor("CamposSel", QString()).toString();
    mEstado.Campos = valor("Campos", QString()).toString();
    mOrdinalSel = valor("OrdinalSel", QString()).toString();
    mColumnas = valor("Columnas", false).toBool();
    mOcultarOrdenar = valor("OcultarOrdenar", false).toBool();
    mEstado.OrderBy = valor("OrderBy", QString()).toString();
    entero("OrdenSent", 0, [this](int v) { mEstado.OrdenSent = static_cast<int16_t>(v); });
    entero("FormatDate", 103, [this](int v) { mEstado.FormatDate = static_cast<int16_t>(v); });
    disponer();
}

// ------------------------------------------------------------------ layout

void KvDbGrid::resizeEvent(QResizeEvent* ev) {
    QWidget::resizeEvent(ev);
    disponer();
}

QSize KvDbGrid::minimumSizeHint() const {
    const int ancho = qMax(FrmFiltros->minimumSizeHint().width(), FrmComandos->minimumSizeHint().width());
    // disponer leaves 1,000 twips for the bars and 300 for the status line besides the grid.
    const int filas =
        MsFlexGrid->horizontalHeader()->height() + 3 * MsFlexGrid->verticalHeader()->defaultSectionSize();
    return {ancho + px(100) + 2, px(1300) + filas + 4};
}

void KvDbGrid::disponer() {
    const int W = width() * 15, H = height() * 15;
    const int alturaEstado = 300;
    const int alturaBarra = 420;
    int altoGrilla = H - 1000 - alturaEstado;
    int anchoGrilla = W - 100;
    int topGrilla = alturaBarra;
    if (mAlignCommandBar == 1) {
        FrmComandos->setGeometry(0, 0, px(anchoGrilla), px(alturaBarra));
        topGrilla = alturaBarra;
        FrmFiltros->setGeometry(0, px(alturaBarra), px(anchoGrilla), px(alturaBarra));
        topGrilla = 2 * alturaBarra;
        altoGrilla = H - 2 * alturaBarra - alturaEstado - 100;
    } else if (mAlignCommandBar >= 0 && mAlignCommandBar <= 4) {
        FrmComandos->setGeometry(0, px(topGrilla + altoGrilla + 40), px(anchoGrilla), px(alturaBarra));
    }
    if (mAlignFilterBar == 2) {
        FrmFiltros->setGeometry(0, px(topGrilla + altoGrilla + 600), px(anchoGrilla), px(alturaBarra));
    } else if (mAlignFilterBar >= 0 && mAlignFilterBar <= 4 && mAlignCommandBar != 1) {
        FrmFiltros->setGeometry(0, 0, px(anchoGrilla), px(alturaBarra));
    }
    MsFlexGrid->setGeometry(0, px(topGrilla), px(anchoGrilla), px(qMax(0, altoGrilla)));
    const int topEstado = H - alturaEstado;
    StatusBar1->setGeometry(0, px(topEstado), px(W) - Pbar->width() - CmdCancel->width() - 20,
                            px(alturaEstado));
    Pbar->resize(120, px(alturaEstado) - 4);
    Pbar->move(px(W - Pbar->width() * 15 - 100), px(topEstado + 60) - 2);
    CmdCancel->resize(110, px(alturaEstado));
    CmdCancel->move(Pbar->x() - CmdCancel->width() - 6, px(topEstado));
}

// ------------------------------------------------------------------ loading

QString KvDbGrid::EquiCampo(const QString& Campo, bool Equivalencia) const {
    return grid::EquiCampo(mEstado.mEquivalencias, Campo, Equivalencia);
}

void KvDbGrid::progreso(int valor) {
    Pbar->setValue(valor);
}

void KvDbGrid::LoadKvDBGrid() {
    if (mEstado.sql.contains(QLatin1String(" join "), ci) ||
        mEstado.sql.contains(QLatin1String(" group by "), ci)) {
        mColumnas = false;
        mOcultarOrdenar = true;
    }
    {
        Rutina r = rutinaConCaja(QStringLiteral("ArmarEquivalencias"));
        r.paso([&] { mEstado.mEquivalencias = ArmarEquivalencias(mEstado.sql); });
    }
    setEnabled(true);
    cmdColumnas->setVisible(mColumnas);
    for (QWidget* w : {static_cast<QWidget*>(ImgOrdenN), static_cast<QWidget*>(ImgOrdenDesc),
                       static_cast<QWidget*>(ImgOrdenAsc), static_cast<QWidget*>(Toolbar2)})
        w->setVisible(!mOcultarOrdenar);
    mEstado.sql += QLatin1Char(' ');
    mEstado.mTabla = tablaDeSql(mEstado.sql);
    mEstado.conRownum = datos::gDB().paginasConRownum();
    mTotalRegistros = 0;
    mPaginaActual = 1;
    mUltimaPagina = 0;
    mEstado.mFiltro.clear();
    // mColOrden is kept: the sort column stays the last data column chosen.
    mEstado.mWhere.clear();
    mEstado.mColFechas.clear();
    CargarCampos();
    mCancelarCarga = false;
    if (mColumnas) LeerCampos();
    CargarPaginas();
}

void KvDbGrid::CargarCampos() {
    Rutina r = rutinaConCaja(QStringLiteral("CargarCampos"));
    auto& db = datos::gDB();
    QVector<CampoProbe> campos;
    QString probe;
    r.paso([&] {
        mEstado.mCamposTodos.clear();
        CboFiltroCampo->clear();
        CboFiltroCampo->addItem(QStringLiteral("Todos"));
    });
    const bool sinSeleccion = mEstado.CamposSel.trimmed().isEmpty();
    r.paso([&] {
        probe = sentenciaProbe(mEstado.sql, sinSeleccion);
        ado::Recordset rs;
        db.AbrirRecordset(probe, rs, nullptr, 0, 1, -1, true);
        if (rs.State() != ado::adStateOpen) return;
        for (int i = 0; i < rs.fields().Count(); ++i)
            campos.push_back({rs(i).Name(), rs(i).Type()});
        db.CierraRecordset(rs);
    });
    if (r.abandonada()) return;
    r.paso([&] {
        const ListasCampos l =
            sinSeleccion
                ? listasSinSeleccion(campos, probe, mEstado.PrimaryKey, mEstado.FormatDate)
                : listasConSeleccion(campos, mEstado.PrimaryKey, mEstado.FormatDate, mEstado.mCamposVista);
        mEstado.Campos = l.Campos;
        mEstado.mCamposTodos = l.mCamposTodos;
        if (sinSeleccion) mEstado.mColFechas = l.mColFechas;
        CboFiltroCampo->clear();
        CboFiltroCampo->addItems(l.columnasBusqueda);
    });
}

namespace {

// The stored column set belongs to the program with its command line, and to the user.
QString claveFormulario() {
    return orvexa::Utilidades()
        .Recortar(ui::tituloPrograma() + QCoreApplication::arguments().mid(1).join(QLatin1Char(' ')), 100)
        .replace(QLatin1Char('\''), QLatin1String("''"));
}

QString claveUsuario() {
    return orvexa::Utilidades()
        .Recortar(datos::gDB().gUsuario, 50)
        .replace(QLatin1Char('\''), QLatin1String("''"));
}

QString condicionCampos() {
    return QStringLiteral(" WHERE FORMULARIO = '") + claveFormulario() + QStringLiteral("' AND USUARIO= '") +
           claveUsuario() + QStringLiteral("' and Nombre = '@KVDBGRID'");
}

} // namespace

void KvDbGrid::LeerCampos() {
    try {
        auto& db = datos::gDB();
        orvexa::Utilidades u;
        QString sql = QStringLiteral("SELECT * FROM TA_CONFIG_FORM") + condicionCampos();
        ado::Recordset rs;
        db.AbrirRecordset(sql, rs);
        if (rs.State() == ado::adStateOpen && !rs.Eof())
            mEstado.CamposSel =
                u.NoNulo(rs(QStringLiteral("Valor")).Value()).replace(QLatin1Char('|'), QLatin1Char(','));
        db.CierraRecordset(rs);
    } catch (const plataforma::FinDelPrograma&) {
        throw;
    } catch (...) {
        // Without a stored choice the list shows every column.
    }
}

void KvDbGrid::GrabaCampos() {
    Rutina r = Rutina::silenciosa();
    auto& db = datos::gDB();
    orvexa::Utilidades u;
    auto texto = [&](const QString& t) {
        return QLatin1Char('\'') + u.Recortar(t, 50).replace(QLatin1Char('\''), QLatin1String("''")) +
               QLatin1Char('\'');
    };
    r.paso([&] {
        QString sql = QStringLiteral("DELETE TA_CONFIG_FORM") + condicionCampos();
        db.EjecutaConsultaSQL(sql);
    });
    r.paso([&] { db.gCnn().Errors().Clear(); });
    r.paso([&] {
        QString valor = mEstado.CamposSel;
        valor.replace(QLatin1Char(','), QLatin1Char('|')).remove(QLatin1Char(' '));
        QString sql =
            QStringLiteral(
                "INSERT INTO TA_CONFIG_FORM (FORMULARIO,USUARIO,TIPOOBJETO,NOMBRE,PROPIEDAD,DATAFIELD,"
                "VALOR) VALUES ('") +
            claveFormulario() + QStringLiteral("','") + claveUsuario() + QStringLiteral("',") +
            texto(QStringLiteral("@KvDbGrid")) + QLatin1Char(',') + texto(QStringLiteral("@KVDBGRID")) +
            QLatin1Char(',') + texto(QStringLiteral("CamposSel")) + QLatin1Char(',') +
            texto(QStringLiteral("@KvDbGrid")) + QStringLiteral(",'") +
            valor.replace(QLatin1Char('\''), QLatin1String("''")) + QStringLiteral("')");
        db.EjecutaConsultaSQL(sql);
    });
    r.paso([&] { db.gCnn().Errors().Clear(); });
}

void KvDbGrid::cmdColumnas_Click() {
    Rutina r = Rutina::silenciosa();
    auto& db = datos::gDB();
    FrmCampos f(this);
    r.paso([&] {
        QString todos = mEstado.mCamposTodos;
        f.gCampos = todos.replace(QStringLiteral(", "), QStringLiteral("|"))
                        .replace(QLatin1Char(','), QLatin1Char('|')) +
                    QLatin1Char('|');
        f.gOrdinalSel = mOrdinalSel;
        f.gCamposSel = mEstado.mCamposVista;
        ui::Actual().mostrarModal(&f);
    });
    if (f.Cancelar) return;
    r.paso([&] {
        mEstado.CamposSel.clear();
        mEstado.mCamposVista.clear();
    });
    r.paso([&] {
        const QString sel = f.gCamposSel.isEmpty() ? QStringLiteral("*") : f.gCamposSel;
        QString sql = QStringLiteral("SELECT TOP 1 ") + ArmarListaCampos(mEstado.mEquivalencias, sel) +
                      QStringLiteral(" FROM ") + mEstado.mTabla;
        ado::Recordset rs;
        db.AbrirRecordset(sql, rs);
        if (rs.State() != ado::adStateOpen) return;
        // The last field is the key column: it is added below, whatever the choice.
        for (int i = 0; i + 1 < rs.fields().Count(); ++i) {
            const QString n = rs(i).Name();
            const bool primero = mEstado.CamposSel.isEmpty();
            if (rs(i).Type() == ado::adDBTimeStamp) {
                mEstado.mCamposVista +=
                    (primero ? QStringLiteral("[") : QStringLiteral(",[")) + n + QLatin1Char(']');
                mEstado.CamposSel += (primero ? QStringLiteral(" CONVERT(NVARCHAR,[")
                                              : QStringLiteral(", CONVERT(NVARCHAR,[")) +
                                     n + QStringLiteral("],") + QString::number(mEstado.FormatDate) +
                                     QStringLiteral(") AS [") + n + QLatin1Char(']');
            } else {
                const QString entrada =
                    (primero ? QStringLiteral("[") : QStringLiteral(", [")) + n + QLatin1Char(']');
                mEstado.mCamposVista += entrada;
                mEstado.CamposSel += entrada;
            }
        }
        db.CierraRecordset(rs);
    });
    r.paso([&] {
        const QString clave = mEstado.PrimaryKey.isEmpty() ? QStringLiteral("ID") : mEstado.PrimaryKey;
        mEstado.CamposSel += (mEstado.CamposSel.isEmpty() ? QString() : QStringLiteral(", ")) + clave;
        mEstado.mCamposVista += (mEstado.mCamposVista.isEmpty() ? QString() : QStringLiteral(", ")) + clave;
    });
    r.paso([&] {
        mOrdinalSel = f.gOrdinalSel;
        mEstado.Campos = f.gCamposOrden;
    });
    r.paso([&] { CargarCampos(); });
    r.paso([&] {
        if (!cmdColumnas->isHidden()) GrabaCampos();
    });
    r.paso([&] { mEstado.OrdenSent = 0; });
    r.paso([&] { CargarGrid(); });
}

void KvDbGrid::CargarPaginas() {
    Rutina r = rutinaConCaja(QStringLiteral("CargarPaginas"));
    auto& db = datos::gDB();
    r.paso([&] {
        Pbar->setRange(0, 100);
        progreso(30);
        CmdCancel->show();
    });
    if (mCancelarCarga) return;
    r.paso([&] {
        if (mTotalRegistros != 0) return;
        mSqlConteo = sentenciaDeConteo(mEstado);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ado::Recordset rs;
        QString s = mSqlConteo;
        db.AbrirRecordset(s, rs, nullptr, 0, 1, -1, true);
        QApplication::restoreOverrideCursor();
        if (rs.State() != ado::adStateOpen) return;
        // While counting, the window stays alive and "Cancelar carga..." can stop it.
        auto& ganchos = ado::ganchos();
        const auto anterior = ganchos.duranteConsulta;
        ganchos.duranteConsulta = [this] {
            ui::DoEvents();
            return mCancelarCarga;
        };
        try {
            mTotalRegistros = rs.RecordCount();
        } catch (...) {
            ganchos.duranteConsulta = anterior;
            db.CierraRecordset(rs);
            if (mCancelarCarga) {
                mTotalRegistros = 0;
                return;
            }
            throw;
        }
        ganchos.duranteConsulta = anterior;
        if (mTotalRegistros <= 0) {
            mEstado.mFiltro.clear();
            mTotalRegistros = 0;
            MsFlexGrid->setCols(2);
            const int n = rs.fields().Count();
            for (int i = 0; i < n; ++i) {
                MsFlexGrid->setCols(i + 3 > 2 ? i + 2 : 2);
                MsFlexGrid->setTextMatrix(0, i + 1, rs(i).Name());
            }
            MsFlexGrid->setRows(2);
            for (int c = 0; c < MsFlexGrid->Cols(); ++c)
                MsFlexGrid->setTextMatrix(1, c, QString());
        }
        db.CierraRecordset(rs);
    });
    if (r.abandonada() || mCancelarCarga) return;
    r.paso([&] {
        progreso(70);
        // The number of pages is known from the count: the list is built at
        // once, not by walking every record.
        const qint64 paginas = mTotalRegistros == 0 ? 0
                                                    : (mTotalRegistros + qMax(1, mEstado.PageSize) - 1) /
                                                          qMax(1, mEstado.PageSize);
        const QSignalBlocker bloqueo(cboPagSelect);
        paginasDe(cboPagSelect)->fijar(paginas);
        cboPagSelect->setCurrentIndex(-1);
        progreso(90);
        mUltimaPagina = static_cast<int>(paginas);
        if (mPaginaActual > mUltimaPagina) mPaginaActual = mUltimaPagina;
        if (cboPagSelect->count() == 0) paginasDe(cboPagSelect)->fijar(1);
    });
    if (r.abandonada() || mCancelarCarga) return;
    progreso(100);
    MostrarPagina();
    CmdCancel->hide();
}

void KvDbGrid::MostrarPagina() {
    try {
        if (mPaginaActual == 0) mPaginaActual = 1;
        if (mUltimaPagina == 0) mUltimaPagina = 1;
        lblPaginas->setText(
            QStringLiteral("        Página        %1 de %2").arg(mPaginaActual).arg(mUltimaPagina));
        const int indice = mPaginaActual - 1;
        if (cboPagSelect->currentIndex() != indice)
            cboPagSelect->setCurrentIndex(indice); // loads the page
        else if (!mOcupado)
            CargarGrid();
    } catch (const plataforma::FinDelPrograma&) {
        throw;
    } catch (...) {
        // The page's own routine has told the user; the grid keeps what it showed.
    }
}

void KvDbGrid::paginaElegida(int indice) {
    if (indice < 0) return;
    mPaginaActual = cboPagSelect->itemText(indice).toInt();
    lblPaginas->setText(
        QStringLiteral("        Página        %1 de %2").arg(mPaginaActual).arg(qMax(1, mUltimaPagina)));
    if (!mOcupado) CargarGrid();
}

void KvDbGrid::CargarPagina(int Cual) {
    if (Cual > mUltimaPagina) return;
    mPaginaActual = Cual;
    MostrarPagina();
}

void KvDbGrid::CargarGrid() {
    auto& db = datos::gDB();
    // One page loads in a single pass with no events in between: the bar's
    // intermediate values would only cost repaints nobody sees.
    Pbar->setUpdatesEnabled(false);
    struct Restaurar {
        QProgressBar* b;
        ~Restaurar() { b->setUpdatesEnabled(true); }
    } restaurar{Pbar};
    Rutina r = rutinaConCaja(QStringLiteral("CargarGrid"));
    QString sentencia;
    r.paso([&] {
        Pbar->setRange(0, 100);
        progreso(10);
        // The sort column is always a data column: column 0 (the row number)
        // has no name to sort by, so the last valid column stays in force.
        const int actual = MsFlexGrid->Col();
        if (actual >= 1 && actual < MsFlexGrid->Cols())
            mColOrden = actual;
        else if (mColOrden < 1 || mColOrden >= MsFlexGrid->Cols())
            mColOrden = 1;
        const QString encabezado = MsFlexGrid->TextMatrix(0, mColOrden);
        if (encabezado.trimmed().isEmpty() && (mEstado.OrdenSent == 1 || mEstado.OrdenSent == 2)) {
            // No page shown yet: nothing names the column, so the statement's own order serves.
            const QScopedValueRollback<int16_t> propio(mEstado.OrdenSent, int16_t{0});
            mEstado.OrderBy = ArmarOrden(mEstado, encabezado);
        } else {
            mEstado.OrderBy = ArmarOrden(mEstado, encabezado);
        }
        StatusBar1->setText(QStringLiteral(" Orden: ") + mEstado.OrderBy);
        progreso(20);
        mEstado.mWhere = ArmarWhere(mEstado.sql, mEstado.mFiltro);
        progreso(40);
        const int pagina =
            cboPagSelect->currentIndex() >= 0 ? cboPagSelect->currentText().toInt() : mPaginaActual;
        sentencia = sentenciaPagina(mEstado, qMax(1, pagina));
    });
    if (r.abandonada()) return;
    // From here on a failing step is skipped.
    Rutina s = Rutina::silenciosa();
    datos::PaginaLeida pagina;
    s.paso([&] {
        progreso(50);
        mUltimaSentencia = sentencia;
        pagina = datos::leerPagina(db, sentencia, mEstado.sql);
        progreso(60);
    });
    s.paso([&] { dibujarPagina(pagina); });
    progreso(70);
    if (!mAnchoColFijo) AjustarColumnas();
    progreso(80);
    SincronizarControles();
    progreso(90);
    AsignarOrdinal();
    progreso(100);
    mCancelarCarga = false;
    emit PaginaCargada(static_cast<int16_t>(mPaginaActual));
    progreso(0);
}

void KvDbGrid::dibujarPagina(const datos::PaginaLeida& pagina) {
    MsFlexGrid->setUpdatesEnabled(false);
    MsFlexGrid->Clear();
    const int n = static_cast<int>(pagina.columnas.size());
    const int antes = MsFlexGrid->Cols();
    MsFlexGrid->setCols(n + 1);
    // Columns new to the grid start without a width; SincronizarControles gives them one.
    for (int c = qMax(1, antes); c <= n; ++c)
        MsFlexGrid->setColWidth(c, 0);
    MsFlexGrid->setTextMatrix(0, 0, QString());
    for (int i = 0; i < n; ++i)
        MsFlexGrid->setTextMatrix(0, i + 1, pagina.columnas[i].nombre);
    if (pagina.filas.isEmpty()) {
        mEstado.mFiltro.clear();
        mTotalRegistros = 0;
        MsFlexGrid->setRows(2);
        for (int c = 0; c < MsFlexGrid->Cols(); ++c)
            MsFlexGrid->setTextMatrix(1, c, QString());
    } else {
        MsFlexGrid->setRows(static_cast<int>(pagina.filas.size()) + 1);
        for (int i = 0; i < pagina.filas.size(); ++i)
            for (int c = 0; c < n; ++c) {
                MsFlexGrid->setTextMatrix(i + 1, c + 1, pagina.filas[i][c]);
                auto* it = MsFlexGrid->item(i, c + 1);
                if (it && pagina.columnas[c].alDerecha)
                    it->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
    }
    MsFlexGrid->setUpdatesEnabled(true);
}

void KvDbGrid::AsignarOrdinal() {
    Rutina s = Rutina::silenciosa();
    const qint64 base = static_cast<qint64>(mPaginaActual - 1) * mEstado.PageSize;
    s.paso([&] {
        for (int i = 1; i < MsFlexGrid->Rows(); ++i) {
            MsFlexGrid->setTextMatrix(i, 0, QString::number(base + i));
            if (pColorIntercalado && i % 2 == 0)
                for (int c = 1; c < MsFlexGrid->Cols(); ++c)
                    if (auto* it = MsFlexGrid->item(i - 1, c)) it->setBackground(palette().button());
        }
    });
    s.paso([&] {
        const int digitos = static_cast<int>(QString::number(base + MsFlexGrid->Rows()).size());
        MsFlexGrid->setColWidth(0, MsFlexGrid->TextWidth(QString(digitos + 1, QLatin1Char('X'))));
    });
    s.paso([&] {
        if (MsFlexGrid->Row() == 0) MsFlexGrid->setRow(1);
        MsFlexGrid->setFocus();
    });
}

void KvDbGrid::AjustarColumnas() {
    for (int c = 1; c < MsFlexGrid->Cols(); ++c) {
        int m = static_cast<int>(MsFlexGrid->TextMatrix(0, c).size());
        for (int r = 0; r < MsFlexGrid->Rows(); ++r)
            m = qMax(m, static_cast<int>(MsFlexGrid->TextMatrix(r, c).size()));
        const int ancho = MsFlexGrid->TextWidth(QString(m, QLatin1Char('X')));
        MsFlexGrid->setColWidth(c, m > 19 ? ancho - 600 : ancho + 500);
    }
}

void KvDbGrid::SincronizarControles() {
    Rutina s = Rutina::silenciosa();
    s.paso([&] {
        if (CboRegistros->currentText().isEmpty() && mEstado.PageSize == 0) {
            mOcupado = true;
            CboRegistros->setCurrentIndex(0);
            setPageSize(5);
            CargarPaginas();
            mOcupado = false;
        } else {
            CboRegistros->setEditText(QString::number(mEstado.PageSize));
        }
    });
    s.paso([&] {
        if (cboPagSelect->currentText().isEmpty()) {
            const QSignalBlocker b(cboPagSelect);
            cboPagSelect->setCurrentIndex(mUltimaPagina < mPaginaActual ? mUltimaPagina - 1
                                                                        : mPaginaActual - 1);
        }
    });
    s.paso([&] {
        if (CboFiltroCampo->currentText().isEmpty()) CboFiltroCampo->setCurrentIndex(0);
    });
    s.paso([&] {
        // Only the columns of the order in force carry its colour: one sorted
        // before, or before "Orden Natural", is plain again.
        const QVector<ItemOrden> orden = itemsDeOrden(mEstado.OrderBy);
        for (int c = 1; c < MsFlexGrid->Cols(); ++c) {
            const QString columna =
                EquiCampo(QLatin1Char('[') + MsFlexGrid->TextMatrix(0, c) + QLatin1Char(']'), false)
                    .remove(QLatin1Char('['))
                    .remove(QLatin1Char(']'))
                    .trimmed();
            QColor color;
            for (const ItemOrden& item : orden)
                if (item.expresion.compare(columna, ci) == 0)
                    color = item.descendente ? QColor(238, 214, 238) : QColor(217, 246, 210);
            MsFlexGrid->setColorEncabezado(c, color);
        }
        if (mColOrden >= 0 && mColOrden < MsFlexGrid->Cols()) {
            MsFlexGrid->setRow(0);
            MsFlexGrid->setCol(mColOrden);
        }
    });
    s.paso([&] {
        for (int c = 0; c < MsFlexGrid->Cols(); ++c)
            if (MsFlexGrid->ColWidth(c) == 0)
                MsFlexGrid->setColWidth(c, MsFlexGrid->TextWidth(QString(
                                               2 * MsFlexGrid->TextMatrix(0, c).size(), QLatin1Char('X'))));
    });
}

void KvDbGrid::Inicializa() {
    MsFlexGrid->Clear();
    MsFlexGrid->setRows(2);
    setEnabled(false);
    TxtEdit->hide();
    TxtEdit->clear();
    mEstado.OrdenSent = 3;
}

// ------------------------------------------------------------------ commands

void KvDbGrid::cmdPrimero_Click() {
    if (mPaginaActual >= 2) {
        mPaginaActual = 1;
        MostrarPagina();
    }
}

void KvDbGrid::cmdAnterior_Click() {
    if (mPaginaActual >= 2) {
        --mPaginaActual;
        MostrarPagina();
    }
}

void KvDbGrid::cmdSiguiente_Click() {
    if (mPaginaActual < mUltimaPagina) {
        ++mPaginaActual;
        MostrarPagina();
    }
}

void KvDbGrid::cmdUltimo_Click() {
    if (mPaginaActual < mUltimaPagina) {
        mPaginaActual = mUltimaPagina;
        MostrarPagina();
    }
}

void KvDbGrid::Actualizar() {
    mEstado.mFiltro.clear();
    mTotalRegistros = 0;
    mCancelarCarga = false;
    CargarPaginas();
}

void KvDbGrid::ImgOrdenN_Click() {
    mEstado.OrdenSent = 0;
    CargarGrid();
}

void KvDbGrid::ImgOrdenAsc_Click() {
    mEstado.OrdenSent = 1;
    CargarGrid();
}

void KvDbGrid::ImgOrdenDesc_Click() {
    mEstado.OrdenSent = 2;
    CargarGrid();
}

void KvDbGrid::CboRegistros_Enter() {
    Rutina s = Rutina::silenciosa();
    s.paso([&] {
        const double v = orvexa::Utilidades().ANumero(CboRegistros->currentText());
        if (v < 1) {
            ui::MsgBox(
                QStringLiteral("El tamaño de la página en registos no puede ser menor a 1 por página."),
                ui::vbInformation, QStringLiteral("Aviso al Usuario"));
            setPageSize(1);
        } else if (v > 2000) {
            ui::MsgBox(
                QStringLiteral("El tamaño de la página en registros no puede superar los 2000 por página."),
                ui::vbInformation, QStringLiteral("Aviso al Usuario"));
            setPageSize(2000);
        } else {
            setPageSize(static_cast<int>(v));
        }
    });
    mCancelarCarga = false;
    CargarPaginas();
    MsFlexGrid->setFocus();
}

void KvDbGrid::BuscarTexto() {
    QString texto = txtBuscar->text().trimmed();
    if (texto.isEmpty()) {
        texto = ui::Actual()
                    .InputBox(
                        QStringLiteral("Campo seleccionado: ") + CboFiltroCampo->currentText() +
                            QStringLiteral("\r\n") +
                            QStringLiteral("Ingrese el texto que desea buscar para el campo seleccionado: "),
                        QString(), QString())
                    .value_or(QString());
    }
    const QString columna = CboFiltroCampo->currentText();
    if (mEstado.Find == 1) {
        int desde = 1, hasta = MsFlexGrid->Cols() - 1;
        if (columna.compare(QLatin1String("Todos"), ci) != 0) {
            desde = hasta = -1;
            for (int c = 1; c < MsFlexGrid->Cols(); ++c)
                if (MsFlexGrid->TextMatrix(0, c).compare(columna, ci) == 0) {
                    desde = hasta = c;
                    break;
                }
        }
        if (desde >= 1 && !texto.isEmpty())
            for (int r = 1; r < MsFlexGrid->Rows(); ++r)
                for (int c = desde; c <= hasta; ++c)
                    if (plataforma::intercalacion::contiene(MsFlexGrid->TextMatrix(r, c), texto)) {
                        MsFlexGrid->setRow(r);
                        MsFlexGrid->setCol(c);
                        MsFlexGrid->setCellBackColor(QColor(192, 232, 232));
                    }
    } else {
        if (!texto.trimmed().isEmpty()) {
            QStringList encabezados;
            for (int c = 0; c < MsFlexGrid->Cols(); ++c)
                encabezados << MsFlexGrid->TextMatrix(0, c);
            bool fechaInvalida = false;
            const QString condicion = condicionBusqueda(
                mEstado, texto, columna, CboFiltroCampo->currentIndex(), encabezados, fechaInvalida);
            if (fechaInvalida) {
                ui::MsgBox(QStringLiteral("Debe Ingresar un Formato de Fecha Válido."), ui::vbInformation,
                           QStringLiteral("Aviso al Usuario"));
                return;
            }
            mEstado.mFiltro +=
                (mEstado.mFiltro.trimmed().isEmpty() ? QString() : QStringLiteral(" and ")) + condicion;
        }
        mTotalRegistros = 0;
        mCancelarCarga = false;
        CargarPaginas();
    }
    txtBuscar->clear();
}

// ------------------------------------------------------------------ keys

bool KvDbGrid::eventFilter(QObject* objeto, QEvent* evento) {
    auto mayus = [](Qt::KeyboardModifiers m) { return static_cast<int16_t>(m.toInt() >> 25); };
    if (objeto == MsFlexGrid) {
        switch (evento->type()) {
        case QEvent::FocusIn:
            emit MsFlexGridGotFocus();
            break;
        case QEvent::FocusOut:
            emit MsFlexGridLostFocus();
            break;
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(evento);
            emit MSFlexGridKeyUp(static_cast<int16_t>(k->key()), mayus(k->modifiers()));
            break;
        }
        case QEvent::MouseButtonPress: {
            auto* m = static_cast<QMouseEvent*>(evento);
            emit MSFlexGridMouseDown(static_cast<int16_t>(m->button()), mayus(m->modifiers()),
                                     static_cast<float>(m->position().x() * 15),
                                     static_cast<float>(m->position().y() * 15));
            break;
        }
        default:
            break;
        }
    } else if (objeto == TxtEdit) {
        switch (evento->type()) {
        case QEvent::FocusIn:
            // The grid's current cell gives up its highlight to the edit box.
            MsFlexGrid->setCellFontBold(false);
            MsFlexGrid->setCellBackColor(Qt::white);
            TxtEdit->setStyleSheet(QStringLiteral("background: #00ffff; font-weight: bold;"));
            emit txtEditGotFocus();
            break;
        case QEvent::FocusOut:
            TxtEdit->setStyleSheet(QStringLiteral("background: white; font-weight: normal;"));
            emit txtEditLostFocus();
            break;
        case QEvent::MouseButtonRelease:
            emit txtEditClick();
            break;
        case QEvent::MouseButtonDblClick:
            emit txtEditDblClick();
            break;
        case QEvent::MouseMove: {
            auto* m = static_cast<QMouseEvent*>(evento);
            emit txtEditMouseDown(static_cast<int16_t>(m->buttons().toInt()), mayus(m->modifiers()),
                                  static_cast<float>(m->position().x() * 15),
                                  static_cast<float>(m->position().y() * 15));
            break;
        }
        case QEvent::KeyPress: {
            auto* k = static_cast<QKeyEvent*>(evento);
            emit txtEditKeyDown(static_cast<int16_t>(k->key()), mayus(k->modifiers()));
            if (!k->text().isEmpty()) emit txtEditKeyPress(static_cast<int16_t>(k->text().at(0).unicode()));
            break;
        }
        default:
            break;
        }
    }
    if (evento->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(evento);
        if (objeto == MsFlexGrid) {
            emit MSFlexGridKeyDown(static_cast<int16_t>(k->key()), mayus(k->modifiers()));
            teclaGrilla(k->key());
            if (!k->text().isEmpty())
                emit MSFlexGridKeyPress(static_cast<int16_t>(k->text().at(0).unicode()));
            if (k->key() == Qt::Key_PageDown || k->key() == Qt::Key_PageUp) return true;
        } else if (objeto == txtBuscar && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
            BuscarTexto();
            return true;
        } else if (objeto == CboRegistros || objeto == CboRegistros->lineEdit()) {
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                CboRegistros_Enter();
                return true;
            }
            // Only digits; any other key, Backspace included, is discarded.
            if (!k->text().isEmpty() && !QStringLiteral("0123456789").contains(k->text())) return true;
            if (k->key() == Qt::Key_Backspace) return true;
        }
    }
    return QWidget::eventFilter(objeto, evento);
}

void KvDbGrid::teclaGrilla(int tecla) {
    Rutina s = Rutina::silenciosa();
    s.paso([&] {
        switch (tecla) {
        case Qt::Key_PageDown:
            cmdSiguiente_Click();
            break;
        case Qt::Key_PageUp:
            cmdAnterior_Click();
            break;
        case Qt::Key_Down:
            mVecesArriba = 0;
            if (MsFlexGrid->Row() == MsFlexGrid->Rows() - 1) {
                if (mVecesAbajo == 1) {
                    cmdSiguiente_Click();
                    mVecesAbajo = 0;
                } else {
                    ++mVecesAbajo;
                }
            }
            break;
        case Qt::Key_Up:
            mVecesAbajo = 0;
            if (MsFlexGrid->Row() == 1) {
                if (mVecesArriba == 1) {
                    cmdAnterior_Click();
                    mVecesArriba = 0;
                } else {
                    ++mVecesArriba;
                }
            }
            break;
        case Qt::Key_Right:
        case Qt::Key_Left: {
            const int paso = tecla == Qt::Key_Right ? 1 : -1;
            int c = MsFlexGrid->Col();
            for (int x = c; x >= 0 && x < MsFlexGrid->Cols(); x += paso)
                if (MsFlexGrid->ColWidth(x) > 20) {
                    c = x;
                    break;
                }
            MsFlexGrid->setCol(c);
            emit MsFlexGridEnterCell();
            break;
        }
        default:
            break;
        }
    });
}

} // namespace grid
