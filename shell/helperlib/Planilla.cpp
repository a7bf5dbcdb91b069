// The library's data sheet: a table's rows in a read-only window. Rows are
// read from the engine as the user scrolls, so a large table opens at once.

#include "shell/helperlib/OrVexa2Ventanas.h"
#include "shell/helperlib/VentanaPlanilla.h"

#include "platform/ado/Ado.h"
#include "platform/ui/Dialogos.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QVBoxLayout>

namespace orvexa {

ModeloPlanilla::ModeloPlanilla(std::unique_ptr<ado::CursorMotor> cursor, QObject* padre)
    : QAbstractTableModel(padre)
    , mCursor(std::move(cursor)) {
    if (mCursor) mCampos = mCursor->campos();
    leerMas(200);
}

ModeloPlanilla::~ModeloPlanilla() = default;

int ModeloPlanilla::rowCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : static_cast<int>(mFilas.size());
}

int ModeloPlanilla::columnCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : static_cast<int>(mCampos.size());
}

QVariant ModeloPlanilla::data(const QModelIndex& i, int rol) const {
    if (!i.isValid() || i.row() >= static_cast<int>(mFilas.size())) return {};
    const QVariant& v = mFilas[static_cast<size_t>(i.row())].value(i.column());
    if (rol == Qt::DisplayRole) return textoDeValor(v);
    if (rol == Qt::TextAlignmentRole) {
        const int t = mCampos[i.column()].tipo;
        if (ado::esTipoNumerico(t) && t != ado::adBoolean) return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

QVariant ModeloPlanilla::headerData(int seccion, Qt::Orientation o, int rol) const {
    if (rol != Qt::DisplayRole) return {};
    if (o == Qt::Horizontal) return seccion < mCampos.size() ? mCampos[seccion].nombre : QVariant();
    return seccion + 1;
}

bool ModeloPlanilla::canFetchMore(const QModelIndex& padre) const {
    return !padre.isValid() && !mAgotado;
}

void ModeloPlanilla::fetchMore(const QModelIndex& padre) {
    if (padre.isValid()) return;
    leerMas(500);
}

void ModeloPlanilla::leerMas(int cuantas) {
    if (mAgotado || !mCursor) {
        mAgotado = true;
        return;
    }
    std::vector<ado::Fila> nuevas;
    ado::Fila f;
    try {
        for (int i = 0; i < cuantas; ++i) {
            if (!mCursor->siguiente(f)) {
                mAgotado = true;
                break;
            }
            nuevas.push_back(f);
        }
    } catch (...) {
        // Called from the view's scrolling: the rows read so far stay, nothing more is read.
        mAgotado = true;
    }
    if (nuevas.empty()) return;
    const int desde = static_cast<int>(mFilas.size());
    beginInsertRows(QModelIndex(), desde, desde + static_cast<int>(nuevas.size()) - 1);
    for (auto& x : nuevas)
        mFilas.push_back(std::move(x));
    endInsertRows();
    emit filasLeidas(static_cast<int>(mFilas.size()), mAgotado);
}

VentanaPlanilla::VentanaPlanilla(const QString& tabla, const QString& cadenaConexion, const QString& titulo,
                                 QWidget* padre)
    : QDialog(padre)
    , mConexion(std::make_unique<ado::Connection>()) {
    static const QRegularExpression nombreValido(QStringLiteral(R"(^\s*[\[\]\w.@#$ ]+\s*$)"));
    if (!nombreValido.match(tabla).hasMatch() || tabla.trimmed().isEmpty())
        throw plataforma::ErrorEjecucion(plataforma::errores::LlamadaInvalida,
                                         QStringLiteral("Nombre de tabla no válido: %1").arg(tabla),
                                         QLatin1String(kOrigen));
    setObjectName(QStringLiteral("Planilla"));
    setWindowTitle(titulo.isEmpty() ? tabla.trimmed() : titulo);
    mConexion->Open(cadenaConexion);
    ado::Resultado r = mConexion->ejecutarMotor(QStringLiteral("SELECT * FROM ") + tabla.trimmed());
    mModelo = new ModeloPlanilla(std::move(r.cursor), this);

    auto* lay = new QVBoxLayout(this);
    mVista = new QTableView(this);
    mVista->setObjectName(QStringLiteral("Grilla"));
    mVista->setModel(mModelo);
    mVista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mVista->setSelectionBehavior(QAbstractItemView::SelectRows);
    mVista->setAlternatingRowColors(true);
    mVista->verticalHeader()->setDefaultSectionSize(22);
    mVista->horizontalHeader()->setStretchLastSection(true);
    mVista->resizeColumnsToContents();
    lay->addWidget(mVista);

    auto* pie = new QHBoxLayout;
    mEstado = new QLabel(this);
    mEstado->setObjectName(QStringLiteral("Estado"));
    pie->addWidget(mEstado, 1);
    auto* cerrar = new QPushButton(QStringLiteral("&Cerrar"), this);
    cerrar->setObjectName(QStringLiteral("Cerrar"));
    connect(cerrar, &QPushButton::clicked, this, &QDialog::accept);
    pie->addWidget(cerrar);
    lay->addLayout(pie);

    auto mostrar = [this](int filas, bool todas) {
        mEstado->setText(todas ? QStringLiteral("%1 registros").arg(filas)
                               : QStringLiteral("%1 registros leídos (desplácese para ver más)").arg(filas));
    };
    connect(mModelo, &ModeloPlanilla::filasLeidas, this, mostrar);
    mostrar(mModelo->rowCount(), mModelo->agotado());
    resize(900, 520);
}

VentanaPlanilla::~VentanaPlanilla() {
    delete mModelo; // its cursor belongs to the connection below
    mModelo = nullptr;
}

void Planilla::AbrePlanilla(const QString& tabla, const QString& cadenaConexion,
                            const QString& titulo) const {
    VentanaPlanilla v(tabla, cadenaConexion, titulo);
    ui::Actual().mostrarModal(&v);
}

} // namespace orvexa
