#include "Funzioni.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextEdit>

#include <cmath>
#include <limits>

namespace {

QUrl mailAddress(const QString& target) {
    const QUrl url(target.trimmed(), QUrl::TolerantMode);
    if (!url.isValid() || url.scheme() != QLatin1String("mailto") || url.path().trimmed().isEmpty())
        return {};
    return url;
}

// Stored account addresses are often typed without a scheme ("www.example.org/login"); those
// become http. Any other scheme (file:, javascript:, ftp:, a drive letter...) is refused, so a
// stored text can never run or reveal anything through the desktop.
QUrl webAddress(const QString& target) {
    static const QRegularExpression schemePrefix(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    static const QRegularExpression hostAndPort(QStringLiteral("^[A-Za-z0-9.-]+:\\d+(?:[/?#]|$)"));
    QString text = target.trimmed();
    if (text.isEmpty() || text.contains(QLatin1Char('\\')))
        return {};
    const QRegularExpressionMatch scheme = schemePrefix.match(text);
    if (scheme.hasMatch() && !hostAndPort.match(text).hasMatch()) {
        const QString name = scheme.captured(1).toLower();
        if (name != QLatin1String("http") && name != QLatin1String("https"))
            return {};
    } else {
        if (!text.at(0).isLetterOrNumber()) // "/etc/passwd", "./x", "//host"
            return {};
        text.prepend(QStringLiteral("http://"));
    }
    const QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return {};
    return url;
}

} // namespace

void DesktopLinkOpener::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url); // whether the desktop could open it is not our business
}

bool OpenLink(LinkOpener& opener, const QString& target) {
    if (target.isEmpty())
        return false;
    const QUrl url = target.contains(QLatin1String("mailto"), Qt::CaseSensitive) ? mailAddress(target)
                                                                                 : webAddress(target);
    if (!url.isValid())
        return false;
    opener.openUrl(url);
    return true;
}

void StayOnTop(QWidget* window, bool on) {
    if (!window)
        return;
    window = window->window();
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    // Changing the flag re-creates the native window; put it back where and as it was.
    const QRect geometry = window->geometry();
    const Qt::WindowStates state = window->windowState();
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    window->setGeometry(geometry);
    window->setWindowState(state);
    if (visible)
        window->show();
}

void SelectActiveText() {
    QWidget* focused = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focused))
        line->selectAll(); // the caret ends up after the last character
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused))
        plain->selectAll();
    else if (auto* rich = qobject_cast<QTextEdit*>(focused))
        rich->selectAll();
}

double leadingNumber(const QString& text) {
    const qsizetype n = text.size();
    auto digit = [&](qsizetype i) { return i < n && text[i] >= u'0' && text[i] <= u'9'; };
    qsizetype i = 0;
    while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool anyDigit = false;
    for (; digit(i); ++i)
        anyDigit = true;
    if (i < n && text[i] == u'.') {
        for (++i; digit(i); ++i)
            anyDigit = true;
    }
    if (!anyDigit)
        return 0;
    qsizetype end = i;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (digit(j)) {
            while (digit(j))
                ++j;
            end = j;
        }
    }
    bool ok = false;
    const double value = text.mid(start, end - start).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

namespace {
template <typename Int> std::optional<Int> roundTo(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < double(std::numeric_limits<Int>::min()) ||
        rounded > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return Int(rounded);
}
} // namespace

std::optional<qint32> toInt32(double value) {
    return roundTo<qint32>(value);
}

std::optional<qint16> toInt16(double value) {
    return roundTo<qint16>(value);
}

qint32 LengthFromChoice(const QString& choice) {
    QString rest = choice;
    rest.remove(QStringLiteral("ID:"));
    return toInt32(std::floor(leadingNumber(rest))).value_or(0);
}
