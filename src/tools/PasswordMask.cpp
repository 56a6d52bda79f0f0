#include "PasswordMask.h"

#include <QLineEdit>

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
