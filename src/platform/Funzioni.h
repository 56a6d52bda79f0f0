#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// Opens a web address in the desktop's browser, or a mail address in its mail program. Only
// http/https addresses (a target without a scheme gets "http://") and, for a target containing
// "mailto", mailto: addresses are opened; anything else is refused silently. Returns whether it
// was handed on.
bool OpenLink(const QString& target, int hWnd = 0);
// Replaces the desktop opener (tests); an empty function restores it.
void setLinkOpener(std::function<bool(const QUrl&)> opener);

// Keeps the window above all others, or stops doing so; its place and size stay as they are.
void StayOnTop(QWidget* window, bool on);

// Selects the whole text of the focused line or text box; any other control is left alone.
void SelectActiveText();
