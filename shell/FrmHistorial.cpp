#include "shell/FrmHistorial.h"

#include "grid/KvDbGrid.h"
#include "platform/ui/Dialogos.h"
#include "shell/Inicio.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace shell {

QString FrmHistorial::consulta(qint64 idChequera) {
    QString sql = QStringLiteral(
        "SELECT DIA,HORA,USUARIO,Maquina,OPERACION,REGISTRO,CAMPO,ANTES,DESPUES FROM VT_HISTORIAL");
    if (idChequera >= 0) sql += QStringLiteral(" WHERE IDCHEQUERA = %1").arg(idChequera);
    // Newest first: the key grows with each save.
    return sql + QStringLiteral(" Order by ID Desc");
}

FrmHistorial::FrmHistorial(qint64 idChequera, const QString& chequera, QWidget* padre)
    : QDialog(padre)
    , mId(idChequera) {
    setObjectName(QStringLiteral("FrmHistorial"));
    setWindowTitle(idChequera >= 0 ? QStringLiteral("Historial de la chequera %1").arg(chequera)
                                   : QStringLiteral("Historial de las chequeras"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    KvDbGrid1 = new grid::KvDbGrid(this);
    KvDbGrid1->setObjectName(QStringLiteral("KvDbGrid1"));
    KvDbGrid1->leerPropiedades({{QStringLiteral("sql"), QString()},
                                {QStringLiteral("primarykey"), QStringLiteral("ID")},
                                {QStringLiteral("pagesize"), 15},
                                {QStringLiteral("anchocolfijo"), true},
                                {QStringLiteral("columnas"), false},
                                {QStringLiteral("ocultarordenar"), false},
                                {QStringLiteral("ordensent"), 0},
                                {QStringLiteral("formatdate"), 103}});
    lay->addWidget(KvDbGrid1);
    resize(1120, 480);
    AplicarEstilo(this);
    Cargar();
}

void FrmHistorial::Cargar() {
    KvDbGrid1->setSql(consulta(mId));
    KvDbGrid1->LoadKvDBGrid();
}

void FrmHistorial::keyPressEvent(QKeyEvent* ev) {
    // F1 reads it again, as in the list; Escape closes it.
    if (ev->key() == Qt::Key_F1) {
        Cargar();
        return;
    }
    QDialog::keyPressEvent(ev);
}

void mostrarHistorial(qint64 idChequera, const QString& chequera) {
    FrmHistorial f(idChequera, chequera, QApplication::activeWindow());
    ui::Actual().mostrarModal(&f);
}

} // namespace shell
