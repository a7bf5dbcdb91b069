#pragma once
// Typing as the keyboard does, one key press per character, letters beyond
// ASCII (ñ, á, ü) included, which QTest::keyClicks refuses.

#include <QString>
#include <QTest>
#include <QWidget>

namespace prueba {

inline void teclear(QWidget* w, const QString& texto) {
    for (const QChar ch : texto) {
        // Qt's key codes of Latin-1 letters are their capitals' codes.
        const char16_t u = ch.toUpper().unicode();
        const auto tecla = static_cast<Qt::Key>(u < 0x100 ? u : static_cast<char16_t>(Qt::Key_unknown));
        QTest::sendKeyEvent(QTest::Click, w, tecla, QString(ch), Qt::NoModifier);
    }
}

} // namespace prueba
