#include "editor/UtilGem.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QStyle>
#include <QToolButton>

namespace editor {

namespace {
struct Definicion {
    const char* comando;
    const char* texto;
    int tecla;
    QStyle::StandardPixmap icono;
};

const Definicion kDefiniciones[] = {
    {"NUEVO", "Nuevo", Qt::Key_F3, QStyle::SP_FileIcon},
    {"BORRAR", "Borrar", Qt::Key_F4, QStyle::SP_TrashIcon},
    {"GRABAR", "Grabar", Qt::Key_F5, QStyle::SP_DialogSaveButton},
    {"PLANILLA", "Planilla", Qt::Key_F6, QStyle::SP_FileDialogDetailedView},
    {"CONSULTAR", "Consultar", Qt::Key_F7, QStyle::SP_FileDialogContentsView},
    {"CANCELAR", "Cancelar", Qt::Key_F8, QStyle::SP_DialogCancelButton},
    {"HISTORIAL", "Historial", Qt::Key_F9, QStyle::SP_FileDialogInfoView},
    {"CERRAR", "Cerrar", Qt::Key_F12, QStyle::SP_DialogCloseButton},
};
} // namespace

const QStringList& UtilGem::comandos() {
    static const QStringList c = [] {
        QStringList r;
        for (const auto& d : kDefiniciones)
            r << QLatin1String(d.comando);
        return r;
    }();
    return c;
}

int UtilGem::teclaDe(const QString& comando) {
    for (const auto& d : kDefiniciones)
        if (comando.compare(QLatin1String(d.comando), Qt::CaseInsensitive) == 0) return d.tecla;
    return 0;
}

UtilGem::UtilGem(QWidget* padre)
    : QWidget(padre) {
    setObjectName(QStringLiteral("UtilGem1"));
    auto* l = new QHBoxLayout(this);
    l->setContentsMargins(2, 2, 2, 2);
    l->setSpacing(2);
    for (const auto& d : kDefiniciones) {
        auto* b = new QToolButton(this);
        const QString comando = QLatin1String(d.comando);
        b->setObjectName(comando);
        b->setText(QStringLiteral("%1\n[%2]").arg(QLatin1String(d.texto), QKeySequence(d.tecla).toString()));
        b->setToolTip(
            QStringLiteral("%1 (%2)").arg(QLatin1String(d.texto), QKeySequence(d.tecla).toString()));
        b->setIcon(style()->standardIcon(d.icono));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumWidth(72);
        connect(b, &QToolButton::clicked, this, [this, comando] { emit UtilGem1_Click(comando); });
        l->addWidget(b);
        mBotones.insert(comando, b);
        mDisponible.insert(comando, true);
    }
    // The further switch the editor clears in both states: printing, which this window does not offer.
    mDisponible.insert(QStringLiteral("IMPRIMIR"), false);
    l->addStretch(1);
    setStyleBar(1);
}

void UtilGem::setDisponible(const QString& comando, bool disponible) {
    const QString c = comando.toUpper();
    mDisponible.insert(c, disponible);
    if (auto* b = mBotones.value(c)) b->setEnabled(disponible);
}

bool UtilGem::estaDisponible(const QString& comando) const {
    return mDisponible.value(comando.toUpper(), false);
}

void UtilGem::setStyleBar(int estilo) {
    mStyleBar = estilo;
    for (auto* b : mBotones)
        b->setAutoRaise(estilo != 0);
}

bool UtilGem::teclaPresionada(int tecla) {
    // Escape leaves what is being typed, or closes the window when nothing is.
    if (tecla == Qt::Key_Escape) {
        if (estaDisponible(QStringLiteral("CANCELAR"))) {
            emit UtilGem1_Click(QStringLiteral("CANCELAR"));
            return true;
        }
        if (estaDisponible(QStringLiteral("CERRAR"))) {
            emit UtilGem1_Click(QStringLiteral("CERRAR"));
            return true;
        }
        return false;
    }
    for (const auto& d : kDefiniciones)
        if (d.tecla == tecla) {
            const QString c = QLatin1String(d.comando);
            if (estaDisponible(c)) emit UtilGem1_Click(c);
            return true;
        }
    return false;
}

} // namespace editor
