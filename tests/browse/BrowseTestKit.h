#pragma once

// What the browse tests share: a two-language text file, a host that records what the browser
// asks of the main window, and a browser on a real vault engine with real settings in a
// temporary folder.

#include "AccountListView.h"
#include "Browser.h"
#include "BrowserHost.h"
#include "Categories.h"
#include "Clock.h"
#include "FileVaultEngine.h"
#include "MainApi.h"
#include "Prompts.h"
#include "Settings.h"
#include "SharedForm.h"
#include "TextCatalog.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>
#include <tuple>

namespace browsekit {

inline const QString kNoFile = QStringLiteral("Please create or open a new passwords file");

// The texts the browser uses, in two languages; the second puts "IT " before every text.
inline QString languageFileText() {
    // clang-format off
    const std::pair<int, const char*> texts[] = {
        {1, "No account matches"}, {14, "Type"}, {16, "Description"}, {18, "Account name"}, {21, " - "},
        {27, "The file holds no accounts"}, {32, "Tasks"}, {34, "New account"}, {36, "Edit account"},
        {38, "Delete account"}, {40, "Find account"}, {42, "Exit"}, {44, "Account types"}, {623, "Choose a type"},
        {717, "One account of "}, {718, " in the file"}, {719, "Showing "}, {720, " of "}, {721, " accounts"},
        {802, "No accounts"}, {812, "Passwords now show in the status bar"}};
    // Bar captions 625, 627, ... 649 in bar order; the caption before a count is 32 lower.
    const char* categories[] = {"Banks", "Credit cards", "Forums", "Pins", "Serials", "Messengers", "Services",
                                "Misc", "Web sites", "Dial up", "Files", "Computers", "Mail boxes"};
    // clang-format on
    QString out = QStringLiteral("[default] English\n");
    for (const char* prefix : {"", "IT "}) {
        const QString tag = QLatin1String(prefix);
        out +=
            tag.isEmpty() ? QStringLiteral("[language English]\n") : QStringLiteral("[language Italiano]\n");
        auto add = [&](int id, const QString& value) {
            out += QStringLiteral("text %1 = \"%2%3\"\n").arg(id).arg(tag, value);
        };
        for (const auto& [id, text] : texts)
            add(id, QString::fromUtf8(text));
        for (int i = 0; i < 13; ++i) {
            add(625 + 2 * i, QString::fromUtf8(categories[i]));
            add(593 + 2 * i, QString::fromUtf8(categories[i]) + QStringLiteral(" ("));
        }
    }
    return out;
}

inline void loadLanguages(const QString& folder) {
    const QString path = folder + QStringLiteral("/browse.lan");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(languageFileText().toUtf8());
    file.close();
    InitLanguage(path);
    languageCatalog().SelectLanguage(QStringLiteral("English"));
}

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

// A main window stand-in named "Main" holding the bar, the list and the status bar.
class Env {
public:
    explicit Env(const QString& settingsFile)
        : ini_(settingsFile), prefs_(ini_, clock_, QFileInfo(settingsFile).absolutePath()),
          store_(settingsFile + QStringLiteral(".user")),
          services([] { return std::make_unique<FileVaultEngine>(KdfLimits::cheapest()); }, prefs_, store_,
                   prompts_, clock_) {
        SharedForm::instance().KW_ini_1().setDefaultFile(settingsFile);
        window.setObjectName(QStringLiteral("Main"));
        browser = new Browser(services, host, &window);
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

    VaultEngine& engine() { return services.engine(); }
    Preferences& prefs() { return prefs_; }
    AccountListView& list() { return browser->listView(); }
    QHeaderView* header() { return list().horizontalHeader(); }

    bool createVault(const QString& path) {
        return engine().CreateFile(path, QStringLiteral("master password"));
    }
    int add(int type, const QString& description, const QString& accountName, const QString& password = {}) {
        AccountRecord r;
        r.Type = type;
        r.Description = description;
        r.AccountName = accountName;
        r.Password = password;
        r.ExpirationPwd = NoDate;
        return engine().PutRecord(r) ? r.ID : 0;
    }
    // Texts of one column, top to bottom.
    QStringList column(int index) {
        QStringList texts;
        for (int r = 0; r < browser->rowCount(); ++r)
            texts.append(browser->listModel().cellText(r, index));
        return texts;
    }

private:
    KW_ini ini_;
    ManualClock clock_;
    Preferences prefs_;
    UserStore store_;
    ScriptedPrompts prompts_;

public:
    AppServices services;
    RecordingHost host;
    QWidget window;
    Browser* browser = nullptr; // owned by window
};

} // namespace browsekit
