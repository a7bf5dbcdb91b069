#pragma once
// The connection dialog: type, or pick from the registered connections
// ("BASES.TXT" in the application folder), the server, database, user and
// password of the company database; register new connections; put a
// launcher of the program on the desktop.

#include "shell/Arranque.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace shell {

QString rutaBasesRegistradas();

class frmAcceso : public QDialog {
    Q_OBJECT
public:
    explicit frmAcceso(QWidget* padre = nullptr);

    bool Aceptar() const { return mAceptar; }
    QLineEdit* TxtDbName = nullptr;
    QLineEdit* TxtServidor = nullptr;
    QLineEdit* TxtUserId = nullptr;
    QLineEdit* TxtUserPassword = nullptr;
    QLineEdit* TxtPuerto = nullptr;
    QComboBox* CboPlataformaDB = nullptr;
    QListWidget* lstBases = nullptr;
    QPushButton* bcAceptar = nullptr;
    QPushButton* bcCancelar = nullptr;
    QPushButton* CmdRegistrar = nullptr;
    QPushButton* CmdLineaComando = nullptr;

    // Finds a registered connection by its list name (letter case counts).
    bool DatosBase(const QString& nombre, QString& servidor, QString& base, QString& usuario, QString& clave);
    void AsignarDatosBase();
    void MensajeInicial(QLineEdit* caja);
    void llenarlist();
    bool ExisteBaseDeDatos(const QString& servidor, const QString& base, const QString& usuario,
                           const QString& clave, const QString& proveedor);
    // Puts the texts into the boxes the way the session does before showing the dialog.
    void cargar(const QString& base, const QString& servidor, const QString& usuario, const QString& clave);

    void bcAceptar_Click();
    void bcCancelar_Click();
    void CmdRegistrar_Click();
    void CmdLineaComando_Click();

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void Form_Load();
    QString pistaDe(QLineEdit* caja) const;
    bool mAceptar = false;
};

// Installs frmAcceso as the session's connection dialog.
void registrarDialogoAcceso();

} // namespace shell
