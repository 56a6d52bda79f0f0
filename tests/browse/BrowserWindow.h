#pragma once

// A main window stand-in named "Main" holding the category bar, the account list and the status
// bar, with a host that records what the browser asks of the main window. It brings what the
// list's tests reach into.

#include "AccountListView.h"
#include "Browser.h"
#include "BrowserHost.h"
#include "CatalogChecks.h"
#include "Categories.h"
#include "ExplorerBar.h"
#include "ListViewHandling.h"
#include "TestServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <tuple>

class RecordingHost final : public BrowserHost {
public:
    void UpdateContextMenus() override { ++menuUpdates; }
    void popupContextMenu(const QPoint& globalPos) override { popups.append(globalPos); }
    void OpenAccountForm(int id, int category, bool ignoreId) override {
        forms.append({id, category, ignoreId});
    }
    void runBarTask(const QString& key) override { tasks.append(key); }

    int menuUpdates = 0;
    QList<QPoint> popups;
    QList<std::tuple<int, int, bool>> forms;
    QStringList tasks;
};

struct BrowserWindow {
    explicit BrowserWindow(TestServices& s) : services(s) {
        window.setObjectName("Main");
        browser = new Browser(s.services, host, &window);
        auto* row = new QHBoxLayout;
        row->addWidget(browser->categoryBar());
        row->addWidget(browser->accountList(), 1);
        auto* outer = new QVBoxLayout(&window);
        outer->addLayout(row, 1);
        outer->addWidget(browser->statusBar());
        window.resize(681, 520);
        browser->BuildBar();
        browser->SetupAccountColumns();
    }

    AccountListView& list() { return browser->listView(); }
    QHeaderView* header() { return list().horizontalHeader(); }
    bool createVault() { return services.engine().CreateFile(services.path("test.qx"), "master password"); }
    int add(int type, const QString& description, const QString& name, const QString& password = {}) {
        return services.put(type, description, name, password).ID;
    }
    QStringList column(int index) { // texts of one column, top to bottom
        QStringList texts;
        for (int r = 0; r < browser->rowCount(); ++r)
            texts.append(browser->listModel().cellText(r, index));
        return texts;
    }
    // Lists one row whose account is not in the file.
    void listGoneAccount() {
        AccountRecords gone(1);
        gone[0].ID = 999;
        gone[0].Type = Banks;
        browser->Populate_ListView(gone);
    }

    TestServices& services;
    RecordingHost host;
    QWidget window;
    Browser* browser = nullptr; // owned by window
};
