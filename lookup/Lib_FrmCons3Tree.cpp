#include "lookup/Lib_FrmCons3Tree.h"

#include "data/DB_Dll.h"
#include "platform/Rutina.h"
#include "platform/ui/Dialogos.h"
#include "shell/ModGlobal.h"
#include "shell/Servicios.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lookup {

using plataforma::ErrorEjecucion;

namespace {
constexpr Qt::CaseSensitivity ci = Qt::CaseInsensitive;
} // namespace

Lib_FrmCons3Tree::Lib_FrmCons3Tree(QWidget* padre)
    : QDialog(padre, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Lib_FrmCons3Tree"));
    setWindowTitle(QStringLiteral("Consulta..."));
    setModal(true);
    auto* lay = new QVBoxLayout(this);
    CmbSearch0 = new QComboBox(this);
    CmbSearch0->setEditable(true);
    CmbSearch0->setToolTip(QStringLiteral("F5 realiza nueva busqueda"));
    CmbSearch0->lineEdit()->installEventFilter(this);
    lay->addWidget(CmbSearch0);
    TreeV = new QTreeWidget(this);
    TreeV->setHeaderHidden(true);
    lay->addWidget(TreeV, 1);
    auto* pie = new QHBoxLayout;
    CmdAceptar = new QPushButton(QStringLiteral("&Aceptar"), this);
    CmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    CmdNueva = new QPushButton(QStringLiteral("&Nueva Busqueda"), this);
    CmdAceptar->setDefault(true);
    pie->addWidget(CmdAceptar);
    pie->addStretch(1);
    pie->addWidget(CmdCancelar);
    pie->addStretch(1);
    pie->addWidget(CmdNueva);
    lay->addLayout(pie);
    resize(480, 420);
    connect(CmdAceptar, &QPushButton::clicked, this, &Lib_FrmCons3Tree::Aceptar);
    connect(CmdCancelar, &QPushButton::clicked, this, &Lib_FrmCons3Tree::Cancelar);
    connect(CmdNueva, &QPushButton::clicked, this, [this] {
        plataforma::Rutina r = plataforma::Rutina::silenciosa();
        r.paso([&] { ArmarTreeVAutomatico(); });
    });
    connect(TreeV, &QTreeWidget::itemDoubleClicked, this, [this] { Aceptar(); });
    connect(CmbSearch0, &QComboBox::editTextChanged, this, [this](const QString& t) { Buscar(t); });
    connect(TreeV, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* n, int) {
        if (mPropagando || !CheckBoxes) return;
        mPropagando = true;
        propagar(n, 6);
        mPropagando = false;
    });
}

void Lib_FrmCons3Tree::showEvent(QShowEvent* ev) {
    if (!mCargado) Cargar();
    QDialog::showEvent(ev);
}

QString Lib_FrmCons3Tree::codigoDe(const QTreeWidgetItem* n) {
    return n ? n->data(0, Qt::UserRole).toString().mid(1) : QString();
}

QTreeWidgetItem* Lib_FrmCons3Tree::nodo(const QString& clave) const {
    QList<QTreeWidgetItem*> pendientes;
    for (int i = 0; i < TreeV->topLevelItemCount(); ++i)
        pendientes << TreeV->topLevelItem(i);
    while (!pendientes.isEmpty()) {
        auto* n = pendientes.takeFirst();
        if (n->data(0, Qt::UserRole).toString().compare(clave, ci) == 0) return n;
        for (int i = 0; i < n->childCount(); ++i)
            pendientes << n->child(i);
    }
    return nullptr;
}

QTreeWidgetItem* Lib_FrmCons3Tree::raiz() {
    auto* r = new QTreeWidgetItem(TreeV, {QStringLiteral("Consulta...")});
    r->setData(0, Qt::UserRole, QStringLiteral("A"));
    if (CheckBoxes) r->setCheckState(0, Qt::Unchecked);
    r->setExpanded(true);
    return r;
}

void Lib_FrmCons3Tree::Cargar() {
    mCargado = true;
    plataforma::Rutina r(QStringLiteral("FORM_LOAD"), shell::informarConMensajeError());
    r.paso([&] {
        Valores.clear();
        TreeV->clear();
    });
    r.paso([&] {
        if (sql.contains(QLatin1String("v_ta_familias"), ci))
            ArmarTreeVFamilias();
        else
            ArmarTreeVAutomatico();
    });
}

void Lib_FrmCons3Tree::ArmarTreeVFamilias() {
    plataforma::Rutina r(QStringLiteral("ArmarTreeVAutomatico"), shell::informarConMensajeError());
    r.paso([&] {
        TreeV->clear();
        auto* a = raiz();
        sql = QStringLiteral("SELECT     TOP 100 PERCENT IdFamilia, Descripcion, ") +
              QStringLiteral("(SELECT     TOP 1 idfamilia FROM @Admin_v_ta_familias a  ") +
              QStringLiteral(" Where a.IdFamilia < b.IdFamilia And (Len(LTrim(RTrim(a.IdFamilia))) < "
                             "Len(LTrim(RTrim(b.IdFamilia)))) ") +
              QStringLiteral(" ORDER BY idfamilia DESC) AS [relative] FROM dbo.V_TA_FAMILIAS b Where "
                             "IdFamilia<>'' ORDER BY IdFamilia");
        ado::Recordset rs;
        QString s = sql;
        datos::gDB().AbrirRecordset(s, rs, &datos::gDB().gCnn(), 0, 1, -1, true);
        if (rs.State() != ado::adStateOpen) return;
        auto& u = shell::G().utilidades;
        while (!rs.Eof()) {
            const QString codigo = u.NoNulo(rs(0).Value());
            const QVariant relativo = rs(QStringLiteral("relative")).Value();
            QTreeWidgetItem* padre = relativo.isNull() ? a : nodo(QLatin1Char('A') + relativo.toString());
            if (!padre) padre = a;
            auto* n = new QTreeWidgetItem(padre, {codigo + QStringLiteral(" - ") + u.NoNulo(rs(1).Value())});
            n->setData(0, Qt::UserRole, QLatin1Char('A') + codigo);
            if (CheckBoxes) n->setCheckState(0, Qt::Unchecked);
            rs.MoveNext();
        }
        datos::gDB().CierraRecordset(rs);
    });
}

void Lib_FrmCons3Tree::ArmarTreeVAutomatico() {
    plataforma::Rutina r(QStringLiteral("ArmarTreeVAutomatico"), shell::informarConMensajeError());
    r.paso([&] {
        TreeV->clear();
        auto* a = raiz();
        ado::Recordset rs;
        QString s = sql;
        datos::gDB().AbrirRecordset(s, rs, &datos::gDB().gCnn(), 0, 1, -1, true);
        if (rs.State() != ado::adStateOpen) return;
        auto& u = shell::G().utilidades;
        QList<QPair<QString, QTreeWidgetItem*>> claves{{QStringLiteral("A"), a}};
        while (!rs.Eof()) {
            const QString codigo = u.NoNulo(rs(0).Value()).trimmed();
            const QString clave = QLatin1Char('A') + codigo;
            // The parent is the node whose key is the longest prefix of the new key.
            QTreeWidgetItem* padre = a;
            int mejor = 0;
            for (const auto& [k, n] : claves)
                if (k.size() > mejor && k.size() < clave.size() && clave.startsWith(k, ci)) {
                    mejor = static_cast<int>(k.size());
                    padre = n;
                }
            auto* n =
                new QTreeWidgetItem(padre, {codigo + QStringLiteral(" - ") +
                                            u.NoNulo(rs.fields().Count() > 1 ? rs(1).Value() : QVariant())});
            n->setData(0, Qt::UserRole, clave);
            if (CheckBoxes) n->setCheckState(0, Qt::Unchecked);
            claves.append({clave, n});
            rs.MoveNext();
        }
        datos::gDB().CierraRecordset(rs);
    });
}

void Lib_FrmCons3Tree::propagar(QTreeWidgetItem* n, int niveles) {
    if (niveles <= 0) return;
    for (int i = 0; i < n->childCount(); ++i) {
        n->child(i)->setCheckState(0, n->checkState(0));
        propagar(n->child(i), niveles - 1);
    }
}

void Lib_FrmCons3Tree::Buscar(const QString& texto) {
    const QString t = texto.trimmed();
    QList<QTreeWidgetItem*> pendientes;
    for (int i = 0; i < TreeV->topLevelItemCount(); ++i)
        pendientes << TreeV->topLevelItem(i);
    while (!pendientes.isEmpty()) {
        auto* n = pendientes.takeFirst();
        const QString s = n->text(0);
        const int guion = static_cast<int>(s.indexOf(QLatin1Char('-')));
        const QString codigo = (guion < 0 ? s : s.left(guion)).trimmed();
        const QString desc = guion < 0 ? QString() : s.mid(guion + 1).trimmed();
        if (n != TreeV->topLevelItem(0) && (codigo.startsWith(t, ci) || desc.startsWith(t, ci))) {
            TreeV->setCurrentItem(n);
            TreeV->scrollToItem(n);
            return;
        }
        for (int i = 0; i < n->childCount(); ++i)
            pendientes.insert(i, n->child(i));
    }
}

void Lib_FrmCons3Tree::acotarConF5() {
    plataforma::Rutina r = plataforma::Rutina::silenciosa();
    r.paso([&] {
        QString base = mBaseF5, cola;
        const int o = static_cast<int>(sql.indexOf(QLatin1String("order by"), 0, ci));
        if (sql.contains(QLatin1String("order"), ci) && o >= 0) {
            base = sql.left(o);
            cola = sql.mid(o);
        }
        QString v = CmbSearch0->currentText();
        v.replace(QLatin1Char('\''), QLatin1String("''"));
        sql =
            base +
            (sql.contains(QLatin1String("where"), ci) ? QStringLiteral(" and ") : QStringLiteral(" where ")) +
            QStringLiteral("Descripcion") + QStringLiteral(" like '%") + v + QStringLiteral("%' ") + cola;
        mBaseF5 = sql;
        CmbSearch0->setEditText(QString());
        Cargar();
    });
}

void Lib_FrmCons3Tree::Aceptar() {
    plataforma::Rutina r(QStringLiteral("HScroll1_Change"), shell::informarConMensajeError());
    auto& db = datos::gDB();
    auto& u = shell::G().utilidades;
    const QString campo = CampoDevuelto.trimmed().toUpper();
    r.paso([&] {
        if (CheckBoxes) {
            QList<QTreeWidgetItem*> pendientes;
            for (int i = 0; i < TreeV->topLevelItemCount(); ++i)
                pendientes << TreeV->topLevelItem(i);
            while (!pendientes.isEmpty()) {
                auto* n = pendientes.takeFirst();
                for (int i = 0; i < n->childCount(); ++i)
                    pendientes.insert(i, n->child(i));
                if (n->checkState(0) != Qt::Checked || n == TreeV->topLevelItem(0)) continue;
                const QString k = codigoDe(n);
                if (campo == QLatin1String("IDFAMILIA") || campo == QLatin1String("CODIGO")) {
                    Valores << k.trimmed();
                } else if (campo == QLatin1String("IDPOSICION")) {
                    ado::Recordset rs;
                    db.ExisteEnTabla(QStringLiteral("MA_POSICIONES"), k, QStringLiteral("IDPOSICION"), &rs);
                    Valores << (rs.State() == ado::adStateOpen && !rs.Eof()
                                    ? u.NoNulo(rs(QStringLiteral("IDPOSICION")).Value())
                                    : QString());
                }
            }
            return;
        }
        auto* seleccionado = TreeV->currentItem();
        // Nothing chosen returns nothing, whatever an earlier search left.
        if (!seleccionado || seleccionado == TreeV->topLevelItem(0)) {
            ValorDevuelto = QString();
            return;
        }
        const QString k = codigoDe(seleccionado);
        auto buscar = [&](const QString& tabla) {
            ado::Recordset rs;
            if (db.ExisteEnTabla(tabla, k, CampoDevuelto.trimmed(), &rs)) {
                ValorDevuelto = u.NoNulo(rs(CampoDevuelto.trimmed()).Value());
                return true;
            }
            return false;
        };
        if (campo == QLatin1String("IDFAMILIA")) {
            if (!buscar(QStringLiteral("@admin_V_TA_FAMILIAS"))) ValorDevuelto = QString();
        } else if (campo == QLatin1String("IDPOSICION")) {
            if (!buscar(QStringLiteral("MA_POSICIONES"))) ValorDevuelto = QString();
        } else if (campo == QLatin1String("CODIGO")) {
            if (!buscar(QStringLiteral("TA_CCOSTO")) && !buscar(QStringLiteral("MA_CUENTAS")))
                ValorDevuelto = QString();
        }
    });
    if (r.abandonada()) return;
    hide();
    done(QDialog::Accepted);
}

void Lib_FrmCons3Tree::Cancelar() {
    ValorDevuelto = QString();
    Valores.clear();
    hide();
    done(QDialog::Rejected);
}

void Lib_FrmCons3Tree::reject() {
    Cancelar();
}

bool Lib_FrmCons3Tree::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == CmbSearch0->lineEdit() && evento->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(evento);
        if (k->key() == Qt::Key_F5) {
            acotarConF5();
            return true;
        }
        if (k->key() == Qt::Key_Down || k->key() == Qt::Key_Up || k->key() == Qt::Key_PageDown ||
            k->key() == Qt::Key_PageUp) {
            TreeV->setFocus();
            return true;
        }
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            Aceptar();
            return true;
        }
    }
    return QDialog::eventFilter(objeto, evento);
}

} // namespace lookup
