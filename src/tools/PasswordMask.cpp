#include "PasswordMask.h"

#include <QClipboard>
#include <QGuiApplication>

void applyPasswordMask(QLineEdit* box, const QString& mask) {
    if (mask.isEmpty()) {
        box->setEchoMode(QLineEdit::Normal);
        return;
    }
    // Under a window with a style sheet of its own (the skin), a box's sheet set before the box
    // is polished never reaches its mask character, which then stays the style's dot.
    box->ensurePolished();
    box->setStyleSheet(
        QStringLiteral("QLineEdit { lineedit-password-character: %1; }").arg(mask.toUcs4().value(0)));
    box->setEchoMode(QLineEdit::Password);
}

// Qt publishes the selection while it handles these events; it is withdrawn before the event
// loop runs again, so no other program's request for it is answered in between.
void SecretLineEdit::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    withdrawSelection();
}

void SecretLineEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    withdrawSelection();
}

void SecretLineEdit::keyPressEvent(QKeyEvent* event) {
    QLineEdit::keyPressEvent(event);
    withdrawSelection();
}

void SecretLineEdit::withdrawSelection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && clipboard->ownsSelection() && hasSelectedText() &&
        clipboard->text(QClipboard::Selection) == selectedText())
        clipboard->clear(QClipboard::Selection);
}
