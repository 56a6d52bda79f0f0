#pragma once

#include <QPoint>
#include <QString>

// What the main window does for the browsing code.
class BrowserHost {
public:
    virtual ~BrowserHost() = default;
    virtual void UpdateContextMenus() = 0;                      // menus follow the list
    virtual void popupContextMenu(const QPoint& globalPos) = 0; // the list's context menu
    virtual void OpenAccountForm(int id, int category, bool ignoreId) = 0;
    // The category bar's task items: "New", "Edit", "Delete", "Find" (only while a file is open)
    // and "Exit" (always).
    virtual void runBarTask(const QString& key) = 0;
};
