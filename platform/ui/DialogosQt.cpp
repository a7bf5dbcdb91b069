#include "platform/ui/Dialogos.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

namespace {

QMessageBox::StandardButton botonQt(int respuesta) {
    switch (respuesta) {
    case vbOK:
        return QMessageBox::Ok;
    case vbCancel:
        return QMessageBox::Cancel;
    case vbAbort:
        return QMessageBox::Abort;
    case vbRetry:
        return QMessageBox::Retry;
    case vbIgnore:
        return QMessageBox::Ignore;
    case vbYes:
        return QMessageBox::Yes;
    case vbNo:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QString textoBoton(int respuesta) {
    switch (respuesta) {
    case vbOK:
        return QStringLiteral("Aceptar");
    case vbCancel:
        return QStringLiteral("Cancelar");
    case vbAbort:
        return QStringLiteral("&Anular");
    case vbRetry:
        return QStringLiteral("&Reintentar");
    case vbIgnore:
        return QStringLiteral("&Omitir");
    case vbYes:
        return QStringLiteral("&Sí");
    case vbNo:
        return QStringLiteral("&No");
    }
    return {};
}

// The window a dialog stands over: the active one, unless that is a tool
// window such as the progress notice, which may close while the dialog shows.
QWidget* padreDeDialogo() {
    QWidget* w = QApplication::activeWindow();
    while (w && w->windowType() == Qt::Tool)
        w = w->parentWidget() ? w->parentWidget()->window() : nullptr;
    return w;
}

class InterfazQt final : public InterfazSinVentanas {
public:
    int MsgBox(const QString& texto, int estilo, const QString& titulo) override {
        QMessageBox caja(padreDeDialogo());
        caja.setWindowTitle(titulo.isEmpty() ? tituloPrograma() : titulo);
        // The texts use CR alone as a line break; Qt wants LF.
        QString t = texto;
        t.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        caja.setText(t);
        switch (estilo & 0x70) {
        case vbCritical:
            caja.setIcon(QMessageBox::Critical);
            break;
        case vbQuestion:
            caja.setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            caja.setIcon(QMessageBox::Warning);
            break;
        case vbInformation:
            caja.setIcon(QMessageBox::Information);
            break;
        default:
            caja.setIcon(QMessageBox::NoIcon);
            break;
        }
        const auto botones = botonesDeEstilo(estilo);
        QMap<QAbstractButton*, int> respuestas;
        for (int r : botones) {
            QPushButton* b = caja.addButton(botonQt(r));
            b->setText(textoBoton(r));
            respuestas[b] = r;
            if (r == respuestaPorDefecto(estilo)) caja.setDefaultButton(b);
            if (r == vbCancel || (botones.size() == 1)) caja.setEscapeButton(b);
        }
        caja.exec();
        auto* pulsado = caja.clickedButton();
        if (pulsado && respuestas.contains(pulsado)) return respuestas[pulsado];
        // Closed through the title bar: the box's cancel answer, as Windows does.
        if (botones.contains(vbCancel)) return vbCancel;
        return botones.size() == 1 ? botones.first() : respuestaPorDefecto(estilo);
    }

    std::optional<QString> InputBox(const QString& mensaje, const QString& titulo,
                                    const QString& defecto) override {
        bool ok = false;
        QString r = QInputDialog::getText(padreDeDialogo(), titulo.isEmpty() ? tituloPrograma() : titulo,
                                          mensaje, QLineEdit::Normal, defecto, &ok);
        if (!ok) return std::nullopt;
        return r;
    }

    std::optional<QString> abrirArchivo(const QString& titulo, const QString& filtro,
                                        const QString& carpeta) override {
        // The VB filter "Description |*.EXT" becomes Qt's "Description (*.EXT)".
        QStringList partes = filtro.split(QLatin1Char('|'));
        QStringList filtros;
        for (int i = 0; i + 1 < partes.size(); i += 2)
            filtros << partes[i].trimmed() + QStringLiteral(" (") + partes[i + 1].trimmed() +
                           QLatin1Char(')');
        QString r = QFileDialog::getOpenFileName(padreDeDialogo(), titulo, carpeta,
                                                 filtros.join(QStringLiteral(";;")));
        if (r.isEmpty()) return std::nullopt;
        return r;
    }

    std::optional<QDate> ElegirFecha(const QString& titulo) override {
        QDialog d(padreDeDialogo());
        d.setWindowTitle(titulo.isEmpty() ? QStringLiteral("Fecha") : titulo);
        auto* lay = new QVBoxLayout(&d);
        auto* cal = new QCalendarWidget(&d);
        cal->setSelectedDate(QDate::currentDate());
        lay->addWidget(cal);
        auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
        bb->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Aceptar"));
        bb->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
        lay->addWidget(bb);
        QObject::connect(bb, &QDialogButtonBox::accepted, &d, &QDialog::accept);
        QObject::connect(bb, &QDialogButtonBox::rejected, &d, &QDialog::reject);
        QObject::connect(cal, &QCalendarWidget::activated, &d, &QDialog::accept);
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        return cal->selectedDate();
    }

    int mostrarModal(QWidget* ventana) override {
        if (auto* dlg = qobject_cast<QDialog*>(ventana)) return dlg->exec();
        ventana->setWindowModality(Qt::ApplicationModal);
        ventana->show();
        ventana->setAttribute(Qt::WA_DeleteOnClose, false);
        while (ventana->isVisible())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return 0;
    }
};

} // namespace

std::unique_ptr<Interfaz> crearInterfazQt() {
    return std::make_unique<InterfazQt>();
}

} // namespace ui
