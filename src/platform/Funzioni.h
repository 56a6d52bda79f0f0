#pragma once

#include <QString>
#include <QUrl>

#include <optional>

class QWidget;

// Where the addresses OpenLink lets through go.
class LinkOpener {
public:
    virtual ~LinkOpener() = default;
    virtual void openUrl(const QUrl& url) = 0;
};

// The desktop's browser or mail program.
class DesktopLinkOpener final : public LinkOpener {
public:
    void openUrl(const QUrl& url) override;
};

// Opens a web address in the desktop's browser, or a mail address in its mail program. Only
// http/https addresses (a target without a scheme gets "http://") and, for a target containing
// "mailto", mailto: addresses are opened; anything else is refused silently. Returns whether it
// was handed on.
bool OpenLink(LinkOpener& opener, const QString& target);

// Keeps the window above all others, or stops doing so; its place and size stay as they are.
void StayOnTop(QWidget* window, bool on);

// Selects the whole text of the focused line or text box; any other control is left alone.
void SelectActiveText();

// The number a text starts with (blanks first are skipped): "12abc" is 12, "abc" and "" are 0.
double leadingNumber(const QString& text);
// Rounded to the nearest whole number (halves to even); nothing when it does not fit.
std::optional<qint32> toInt32(double value);
std::optional<qint16> toInt16(double value);

// The password length of a generator choice ("ID:15" is 15): every "ID:" removed, the leading
// number of the rest rounded down; 0 when there is none or it does not fit.
qint32 LengthFromChoice(const QString& choice);
