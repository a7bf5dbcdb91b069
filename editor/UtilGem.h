#pragma once
// The editor's command bar: one button per command word, a keyboard shortcut
// for each, availability switches, the StyleBar look, and the key entry
// point the window feeds every key to.

#include <QMap>
#include <QWidget>

class QToolButton;

namespace editor {

class UtilGem : public QWidget {
    Q_OBJECT
public:
    explicit UtilGem(QWidget* padre = nullptr);

    // The commands, in the bar's order, with their keys.
    static const QStringList& comandos();
    static int teclaDe(const QString& comando);

    void setDisponible(const QString& comando, bool disponible);
    bool estaDisponible(const QString& comando) const;
    QToolButton* boton(const QString& comando) const { return mBotones.value(comando.toUpper()); }

    // 0 flat buttons, anything else raised ones.
    int StyleBar() const { return mStyleBar; }
    void setStyleBar(int estilo);
    Q_PROPERTY(int StyleBar READ StyleBar WRITE setStyleBar)

    // A key of the window: raises the command it stands for, when available.
    bool teclaPresionada(int tecla);

signals:
    void UtilGem1_Click(const QString& comando);

private:
    QMap<QString, QToolButton*> mBotones;
    QMap<QString, bool> mDisponible;
    int mStyleBar = 1;
};

} // namespace editor
