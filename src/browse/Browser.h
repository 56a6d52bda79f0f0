#pragma once

#include "AccountListModel.h"
#include "VaultEngine.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

class AccountListView;
class AppServices;
class BrowserHost;
class CategoryBar;
class ExplorerBar;
class QLabel;
class QStatusBar;
class QWidget;

// The browsing side of the main window: the category bar, the account list with its status bar,
// and the list's column layout. The main window composes it and answers its BrowserHost calls.
class Browser final : public QObject {
    Q_OBJECT
public:
    Browser(AppServices& services, BrowserHost& host, QWidget* parentForWidgets);
    ~Browser() override;

    QWidget* categoryBar();  // "vbalExplorerBarCtl_Main"
    QWidget* accountList();  // "ListView_Accounts"
    QStatusBar* statusBar(); // "StatusBar_QX"
    ExplorerBar& explorerBar();
    AccountListView& listView() { return *list_; }
    AccountListModel& listModel();

    // Category bar.
    void BuildBar();
    void UpdateBar();

    // Account list.
    void SetupAccountColumns();
    void LoadColumnLayout(); // in the settings file
    void SaveColumnLayout();
    void ListAccounts(int category);
    void RefreshInfo();
    void ShowAll(); // menu_showAll
    void Find_Account(const QString& text);
    void Populate_ListView(AccountRows rows);
    void Populate_ListView(const AccountRecords& records); // the same, from full records
    void SelectFirstAccount();
    void clearList(); // every row goes; visibility and panels stay
    int rowCount() const;

    // The selected row (key empty: the current row if selected, else the first selected one) or
    // the row with that key. Identifier 0 and category 99 mean nothing selected.
    int SelectedAccountID(const QString& key = {});
    int SelectedAccountType(const QString& key = {});
    int CountSelectedAccounts();
    QStringList selectedRowKeys(); // in row order

    int CurrentCategory() const { return currentCategory_; }
    void setCurrentCategory(int category) { currentCategory_ = category; }

    // Headers, the category bar, the list's category names and the status bar in the language
    // now selected.
    void retranslate();

    // Status bar.
    void setPanels(const QString& panel1, const QString& panel2);
    void showFileClosed();              // panel 1 says so, panel 2 is empty
    QString panelText(int panel) const; // 1 or 2
    bool ShowPasswordInStatusBar() const { return showPassword_; }
    // The password last copied or shown in the status bar, by digest.
    QString CopiedPasswordDigest() const { return copiedDigest_; }
    void setCopiedPasswordDigest(const QString& digest) { copiedDigest_ = digest; }
    // A password put on the clipboard: its digest and when, on the clock's monotonic reading. The
    // timed wipe goes by these, so showing another password in the status bar meanwhile does not
    // keep the copied one on the clipboard.
    void recordCopiedPassword(const QString& digest, qint64 monotonicMs) {
        copiedDigest_ = digest;
        recordClipboardSecret(digest, monotonicMs);
    }
    // Other secrets put on the clipboard (exported accounts, generated passwords) are wiped on the
    // same terms, without becoming the copied password the status bar knows of.
    void recordClipboardSecret(const QString& digest, qint64 monotonicMs) {
        wipeDigest_ = digest;
        copiedAt_ = monotonicMs;
    }
    QString copiedPasswordToWipe() const { return wipeDigest_; }
    void forgetCopiedPassword() {
        wipeDigest_.clear();
        copiedAt_ = -1;
    }
    qint64 CopiedPasswordTime() const { return copiedAt_; } // -1: nothing copied yet

    // Event handlers, wired to the widgets; public so the main window and tests can drive them.
    void vbalExplorerBarCtl_Main_ItemClick(const QString& key);
    void ListView_Accounts_ColumnClick(int column);
    void ListView_Accounts_ItemClick();
    void ListView_Accounts_DblClick(int row);
    void ListView_Accounts_MouseUp(Qt::MouseButton button, const QPoint& globalPos);
    void StatusBar_QX_PanelDblClick(int panel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    VaultEngine& engine();
    bool fileIsOpen();
    std::optional<QString> selectedKey() const;
    void notice(const QString& text);
    QString categoryName(int code); // in the selected language
    std::array<QString, CategoryCountTotal> categoryNames();
    void setPanel1(std::function<QString()> text);
    void refreshPanel2();

    AppServices& services_;
    BrowserHost& host_;
    CategoryBar* bar_;
    AccountListView* list_;
    QStatusBar* status_;
    QLabel* panel1_;
    QLabel* panel2_;
    QString panel2Key_; // the row panel 2 describes
    int currentCategory_ = 0;
    bool showPassword_ = false;
    std::function<QString()> panel1Text_;
    QString copiedDigest_;
    QString wipeDigest_;
    qint64 copiedAt_ = -1;
};
