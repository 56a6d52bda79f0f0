#include "StrengthBar.h"

#include "PasswordStrength.h"

#include <QLinearGradient>
#include <QPainter>

StrengthBar::StrengthBar(QWidget* parent) : QProgressBar(parent) {
    setObjectName(QStringLiteral("ARProgressBar_password"));
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
    setFont(QFont(QStringLiteral("Verdana")));
    setToolTip(QStringLiteral("Red = poor password, Green = good password"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(5);
}

void StrengthBar::rate(const QString& password) {
    setValue(PasswordStrength(password));
}

QSize StrengthBar::sizeHint() const {
    return {100, height()};
}

QSize StrengthBar::minimumSizeHint() const {
    return {10, height()};
}

void StrengthBar::paintEvent(QPaintEvent*) {
    // Drawn by hand: the styles' bars have borders, captions and a single colour.
    QPainter painter(this);
    const QRect whole = rect();
    painter.fillRect(whole, palette().color(QPalette::Base).darker(108));
    const int span = maximum() - minimum();
    if (span <= 0 || value() <= minimum())
        return;
    const int filled = int(qint64(whole.width()) * (value() - minimum()) / span);
    QLinearGradient gradient(whole.left(), 0, whole.right() + 1, 0);
    gradient.setColorAt(0.0, QColor(255, 0, 0));
    gradient.setColorAt(0.5, QColor(255, 255, 0));
    gradient.setColorAt(1.0, QColor(0, 255, 0));
    painter.fillRect(QRect(whole.left(), whole.top(), filled, whole.height()), gradient);
}
