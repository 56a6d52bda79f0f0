#include "Main.h"

#include "AccountCommands.h"
#include "Browser.h"
#include "Categories.h"
#include "FileDialog.h"
#include "Form_about.h"
#include "Funzioni.h"
#include "InputPassword.h"
#include "Product.h"
#include "Prompts.h"
#include "RecentFiles.h"
#include "Settings.h"
#include "SharedForm.h"
#include "TextCatalog.h"

#include "Clock.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {
const QString kApplication = QStringLiteral("Vantrel");
const QString kVaultFilter = QStringLiteral("Vantrel files (*.qx)");
const QString kAnyVault = QStringLiteral("*.qx");

bool isExistingFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}
} // namespace

Main::Main(AppServices& services, MainPaths paths, QWidget* parent)
    : QMainWindow(parent), services_(services), paths_(std::move(paths)) {
    setObjectName(QStringLiteral("Main"));
    // A fixed outer size: the bar and the list are laid out for it.
    setFixedSize(681, 520);
    quit_ = [this] {
        hide();
        QCoreApplication::exit(0);
    };

    buildMenus();

    browser_ = new Browser(services_, *this, this);
    commands_ = new AccountCommands(*this);
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(browser_->categoryBar());
    row->addWidget(browser_->accountList(), 1);
    setCentralWidget(central);
    setStatusBar(browser_->statusBar());

    recent_ = new RecentFiles(services_.store, menus_.value("menu_file"), actions_.value("last_split"),
                              actions_.value("last_menu_0"), actions_.value("split5"));
    connect(recent_, &RecentFiles::openRequested, this, [this](const QString& path) {
        // A recent file: close the open one (after its save prompt), then unlock the chosen one.
        if (CloseFile())
            OpenGivenFile(path);
    });
}

Main::~Main() = default;

// ---- menus -------------------------------------------------------------------------------------

QAction* Main::addAction(QMenu* menu, const char* name, const QString& caption,
                         const QKeySequence& shortcut) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    menu->addAction(a);
    actions_.insert(a->objectName(), a);
    return a;
}

QMenu* Main::addMenu(QMenu* parent, const char* name, const QString& caption) {
    QMenu* m = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("_entry"));
    menus_.insert(m->objectName(), m);
    return m;
}

void Main::buildMenus() {
    auto separator = [this](QMenu* m, const char* name) {
        QAction* s = m->addSeparator();
        s->setObjectName(QString::fromLatin1(name));
        actions_.insert(s->objectName(), s);
        return s;
    };

    QMenu* file = addMenu(nullptr, "menu_file", QStringLiteral("&File"));
    connect(addAction(file, "menu_new", QStringLiteral("New passwords file")), &QAction::triggered, this,
            &Main::menu_new_Click);
    connect(addAction(file, "menu_open", QStringLiteral("Open passwords file"),
                      QKeySequence(Qt::CTRL | Qt::Key_O)),
            &QAction::triggered, this, &Main::menu_open_Click);
    connect(addAction(file, "menu_close", QStringLiteral("Close passwords file")), &QAction::triggered, this,
            &Main::menu_close_Click);
    connect(addAction(file, "menu_save", QStringLiteral("Save passwords file"),
                      QKeySequence(Qt::CTRL | Qt::Key_S)),
            &QAction::triggered, this, &Main::menu_save_Click);
    separator(file, "split9");
    QMenu* utility = addMenu(file, "menu_utility", QStringLiteral("Utility"));
    addAction(utility, "menu_generate_train", QStringLiteral("Generate train"));
    separator(file, "last_split")->setVisible(false);
    addAction(file, "last_menu_0", QStringLiteral("Last"))->setVisible(false);
    separator(file, "split5");
    connect(addAction(file, "menu_exit", QStringLiteral("&Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q)),
            &QAction::triggered, this, &Main::menu_exit_Click);

    QMenu* manager = addMenu(nullptr, "menu_manager", QStringLiteral("Man&ager"));
    connect(addAction(manager, "menu_new_account", QStringLiteral("N&ew account"),
                      QKeySequence(Qt::CTRL | Qt::Key_N)),
            &QAction::triggered, this, [this] { commands_->NewAccount(); });
    QMenu* newOf = addMenu(manager, "menu_newpassword", QStringLiteral("&New account"));
    const struct {
        const char* name;
        int code;
    } perCategory[] = {{"menu_new_bank", Banks},
                       {"menu_new_computerlogon", ComputersLogon},
                       {"menu_new_creditcard", CreditCards},
                       {"menu_new_dialup", Dialup},
                       {"menu_new_file", Files},
                       {"menu_new_forum", Forums},
                       {"menu_new_mailbox", MailBoxes},
                       {"menu_new_messenger", Messengers},
                       {"menu_new_misc", Misc},
                       {"menu_new_pin", Pins},
                       {"menu_new_serial", Serials},
                       {"menu_new_service", Services},
                       {"menu_new_website", WebSites}};
    for (const auto& entry : perCategory) {
        const int code = entry.code;
        connect(addAction(newOf, entry.name, QString::fromLatin1(categoryInfo(code)->newEntry)),
                &QAction::triggered, this, [this, code] { commands_->newAccountOf(code); });
    }
    connect(addAction(manager, "menu_edit_account", QStringLiteral("&Edit account"),
                      QKeySequence(Qt::CTRL | Qt::Key_E)),
            &QAction::triggered, this, [this] { commands_->EditAccount(); });
    connect(addAction(manager, "menu_delete_account", QStringLiteral("&Delete account"),
                      QKeySequence(Qt::Key_Delete)),
            &QAction::triggered, this, [this] { commands_->DeleteAccounts(); });
    connect(addAction(manager, "menu_duplicate_account", QStringLiteral("D&uplicate")), &QAction::triggered,
            this, [this] { commands_->DuplicateAccount(); });
    addAction(manager, "menu_find_account", QStringLiteral("F&ind"), QKeySequence(Qt::CTRL | Qt::Key_F));
    separator(manager, "split8");
    addAction(manager, "menu_copy_account_main", QStringLiteral("Copy account to the clipboard"),
              QKeySequence(Qt::CTRL | Qt::Key_F1));
    addAction(manager, "menu_copy_password_main", QStringLiteral("Copy password to the clipboard"),
              QKeySequence(Qt::CTRL | Qt::Key_F2));
    addAction(manager, "menu_export_account_main", QStringLiteral("Export account(s) to the clipboard"));
    QAction* visitMain = addAction(manager, "menu_visit_website_main", QStringLiteral("Jump to web site"),
                                   QKeySequence(Qt::CTRL | Qt::Key_J));
    visitMain->setVisible(false);
    separator(manager, "split1");
    connect(addAction(manager, "menu_showAll", QStringLiteral("Show all")), &QAction::triggered, this,
            [this] { browser_->ShowAll(); });
    QAction* onTop = addAction(manager, "menu_stay_on_top", QStringLiteral("Stay on top"));
    onTop->setCheckable(true);
    onTop->setChecked(false);
    connect(onTop, &QAction::triggered, this, [this, onTop](bool on) {
        onTop->setChecked(on);
        StayOnTop(this, on);
    });

    // The list's context menu: never shown in the menu bar, only as a popup.
    QMenu* hidden = addMenu(nullptr, "menu_hidden", QStringLiteral("Hidden"));
    hidden->menuAction()->setVisible(false);
    addAction(hidden, "menu_copy_account", QStringLiteral("Copy account to the clipboard"));
    addAction(hidden, "menu_copy_password", QStringLiteral("Copy password to the clipboard"));
    addAction(hidden, "menu_export_account", QStringLiteral("Export account(s) to the clipboard"));
    addAction(hidden, "menu_visit_website", QStringLiteral("Jump to web site"));
    separator(hidden, "split6");
    addAction(hidden, "menu_generate_password",
              QStringLiteral("Generate random password and copy to the clipboard"));
    separator(hidden, "split2");
    connect(addAction(hidden, "menu_new_hidden_account", QStringLiteral("New account")), &QAction::triggered,
            this, [this] { commands_->NewAccount(); });
    connect(addAction(hidden, "menu_edit_hidden_account", QStringLiteral("Edit account")),
            &QAction::triggered, this, [this] { commands_->EditAccount(); });
    connect(addAction(hidden, "menu_delete_hidden_account", QStringLiteral("Delete account")),
            &QAction::triggered, this, [this] { commands_->DeleteAccounts(); });
    connect(addAction(hidden, "menu_duplicate_hidden_account", QStringLiteral("Duplicate account")),
            &QAction::triggered, this, [this] { commands_->DuplicateAccount(); });
    addAction(hidden, "menu_find_hidden_account", QStringLiteral("Find account"));
    separator(hidden, "split3");
    connect(addAction(hidden, "menu_exit_hidden", QStringLiteral("Exit")), &QAction::triggered, this,
            &Main::menu_exit_Click);

    QMenu* languages = addMenu(nullptr, "menu_languages", QStringLiteral("&Languages"));
    QAction* first = addAction(languages, "menu_kw_languages_0", QStringLiteral("Default"));
    first->setCheckable(true);
    first->setChecked(true);
    languageItems_.append(first);
    connect(first, &QAction::triggered, this, [this] { menu_kw_languages_Click(0); });

    QMenu* help = addMenu(nullptr, "menu_help", QStringLiteral("&Help"));
    connect(addAction(help, "menu_QXHomePage", QStringLiteral("QX home page")), &QAction::triggered, this,
            [] { OpenLink(QStringLiteral("http://") + Product::productPage()); });
    connect(addAction(help, "menu_Support_Web", QStringLiteral("Support on the web")), &QAction::triggered,
            this, [] { OpenLink(QStringLiteral("http://") + Product::forumAddress()); });
    separator(help, "split4");
    connect(addAction(help, "menu_about", QStringLiteral("&About")), &QAction::triggered, this, [this] {
        auto* about = new Form_about(this, services_.prefs.LanguageUsed());
        about->show();
    });
}

// ---- start-up ----------------------------------------------------------------------------------

void Main::Form_Load() {
    // Each step stands alone: a failing one is skipped and the next still runs.
    InitLanguage(paths_.languageFile);
    languageCatalog().SelectLanguage(services_.prefs.LanguageUsed());
    languageCatalog().ApplyTexts(kApplication, this, services_.prefs.LanguageUsed());
    SharedForm::instance().KW_ini_1().setDefaultFile(paths_.settingsFile);
    update_caption();
    applySkin();
    BuildLanguagesMenu();
    MarkLanguage(services_.prefs.LanguageUsed());
    browser_->BuildBar();
    browser_->SetupAccountColumns();
    browser_->LoadColumnLayout();
    services_.store.setExecutablePath(paths_.executablePath);
    if (services_.prefs.backupReminderDue()) {
        SharedForm::instance().ShowPopUpMessage(Text(864), 10, 2);
        services_.prefs.setLastBackupWarning(services_.clock.now());
    }
    UpdateMenus();
    recent_->rebuild();
    OpenGivenFile(services_.prefs.LastOpen());
}

void Main::applySkin() {
    if (paths_.skinFile.isEmpty())
        return;
    QFile skin(paths_.skinFile);
    if (skin.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(skin.readAll()));
}

// ---- title and state ---------------------------------------------------------------------------

void Main::update_caption() {
    QString title =
        Product::name() + u' ' + Product::version() + QStringLiteral(" - ") + Product::webAddress();
    const QString name = services_.hasEngine() ? services_.engine().CurrentFileName() : QString();
    if (!name.isEmpty())
        title += QStringLiteral(" - ") + name.toLower();
    if (Modified_)
        title += QStringLiteral(" [modified]");
    setWindowTitle(title);
}

void Main::set_Modified(bool value) {
    Modified_ = value;
    update_caption();
}

void Main::UpdateMenus() {
    const bool open = services_.engine().IsOpen();
    actions_.value("menu_save")->setEnabled(open);
    menus_.value("menu_manager")->menuAction()->setEnabled(open);
    menus_.value("menu_manager")->setEnabled(open);
    menus_.value("menu_hidden")->setEnabled(open);
}

void Main::add_LastUsed(const QString& path) {
    recent_->add_LastUsed(path);
}

// ---- file lifecycle ----------------------------------------------------------------------------

InputPassword* Main::prepareInputPassword(const QString& path, bool newFile) {
    // A dialog that closed is already on its way out (deleted later): never show it again.
    if (inputPassword_ && !inputPassword_->isVisible())
        inputPassword_.clear();
    if (!inputPassword_)
        inputPassword_ = new InputPassword(*this, this);
    inputPassword_->set_QXFile(path, newFile);
    inputPassword_->StartUI();
    inputPassword_->show();
    inputPassword_->raise();
    inputPassword_->activateWindow();
    return inputPassword_;
}

void Main::OpenGivenFile(const QString& path) {
    if (path == services_.engine().CurrentFilePath())
        return;
    prepareInputPassword(path, false);
}

QString Main::askForVaultPath(bool save) {
    cmnDlg dialog;
    dialog.CancelError = false;
    dialog.DialogTitle = save ? QStringLiteral("New Vantrel file") : QStringLiteral("Open Vantrel file");
    dialog.FileName = kAnyVault;
    dialog.InitDir = cmnDlg::initialFolder(services_.prefs.LastFolder());
    dialog.Filter = kVaultFilter;
    if (save)
        dialog.DefaultExt = QStringLiteral("qx");
    try {
        save ? dialog.ShowSave() : dialog.ShowOpen();
    } catch (const cmnDlgError&) {
        return kAnyVault;
    }
    return dialog.FileName; // still "*.qx" when the user cancelled
}

void Main::menu_open_Click() {
    const QString path = askForVaultPath(false);
    if (path == kAnyVault || !isExistingFile(path))
        return;
    services_.prefs.setLastFolder(path);
    if (!CloseFile())
        return;
    OpenGivenFile(path);
}

void Main::menu_new_Click() {
    const QString path = askForVaultPath(true);
    if (path == kAnyVault)
        return;
    if (QFileInfo::exists(path)) {
        services_.prefs.setLastFolder(path);
        if (!services_.prompts.askYesNo(this, Text(883), Text(884))) {
            SharedForm::instance().ShowPopUpMessage(QStringLiteral("New Vantrel file aborted by user"), 10,
                                                    0);
            return;
        }
        services_.engine().DeleteFile(path);
    }
    prepareInputPassword(path, true);
    UpdateMenus();
}

bool Main::Save() {
    bool saved = false;
    try {
        saved = services_.engine().SaveFile();
    } catch (const VaultError&) {
        saved = false;
    }
    if (!saved) {
        // Never shown as success: the changes stay marked and the user is told.
        SharedForm::instance().ShowPopUpMessage(Text(930), 10, 2);
        return false;
    }
    set_Modified(false);
    return true;
}

void Main::menu_save_Click() {
    if (services_.engine().IsOpen())
        Save();
}

bool Main::SavePrompt(bool SaveWithoutAsking) {
    recent_->store();
    if (!Modified_)
        return true;
    if (!services_.engine().IsOpen())
        return true; // a stale mark from a file closed unsaved: nothing left to write
    if (SaveWithoutAsking)
        return Save();
    if (services_.prompts.askYesNo(this, Text(885), Text(886)))
        return Save();
    return true;
}

bool Main::CloseFile() {
    // Forms first: what they store is part of what the save prompt then offers to write.
    if (!commands_->closeAllForms())
        return false;
    if (services_.engine().IsOpen() && !SavePrompt(false))
        return false; // the user wanted the changes saved and they could not be: keep the file open
    services_.engine().CloseFile();
    browser_->UpdateBar();
    browser_->clearList();
    if (services_.engine().IsOpen())
        SharedForm::instance().ShowPopUpMessage(Text(887), 10, 0);
    update_caption();
    browser_->setPanels(Text(887), QString());
    return true;
}

void Main::menu_close_Click() {
    CloseFile();
}

void Main::menu_exit_Click() {
    ExitRoutine(false);
}

bool Main::ExitRoutine(bool SaveWithoutAsking) {
    if (!commands_->closeAllForms())
        return false; // a form kept changes it could not store
    if (!SavePrompt(SaveWithoutAsking) && !services_.prompts.askYesNo(this, Text(931), Text(932)))
        return false; // stay, with the file still open and its changes in memory
    browser_->SaveColumnLayout();
    services_.releaseEngine();
    exited_ = true;
    quit_();
    return true;
}

void Main::closeEvent(QCloseEvent* event) {
    if (exited_) {
        event->accept();
        return;
    }
    SharedForm::instance().ShowPopUpMessage(Text(583), 10, 0);
    if (services_.prompts.askYesNo(this, Text(820), Text(821)) && ExitRoutine(false)) {
        event->accept();
        return;
    }
    event->ignore();
}

// ---- languages ---------------------------------------------------------------------------------

void Main::BuildLanguagesMenu() {
    TextCatalog& catalog = languageCatalog();
    QAction* first = languageItems_.first();
    first->setText(QStringLiteral("&") + catalog.DefaultLanguage());
    first->setData(catalog.DefaultLanguage());
    const int n = catalog.LanguageCount();
    for (int i = 1; i <= n; ++i) {
        const QString name = catalog.LanguageName(qint16(i));
        if (name == catalog.DefaultLanguage())
            continue;
        auto* item = new QAction(QStringLiteral("&") + name, this);
        const int index = int(languageItems_.size());
        item->setObjectName(QStringLiteral("menu_kw_languages_%1").arg(index));
        item->setCheckable(true);
        item->setChecked(false);
        item->setData(name);
        menus_.value("menu_languages")->addAction(item);
        connect(item, &QAction::triggered, this, [this, index] { menu_kw_languages_Click(index); });
        languageItems_.append(item);
    }
}

void Main::MarkLanguage(const QString& language) {
    for (QAction* item : languageItems_)
        item->setChecked(item->data().toString() == language);
}

void Main::menu_kw_languages_Click(int index) {
    if (index < 0 || index >= languageItems_.size())
        return;
    const QString language = languageItems_[index]->data().toString();
    languageCatalog().ApplyTexts(kApplication, this, language);
    services_.prefs.setLanguageUsed(language);
    MarkLanguage(language);
}

// ---- browsing, forwarded -----------------------------------------------------------------------

void Main::UpdateBar() {
    browser_->UpdateBar();
}
void Main::ListAccounts(int category) {
    browser_->ListAccounts(category);
}
void Main::Find_Account(const QString& text) {
    browser_->Find_Account(text);
}
int Main::CurrentCategory() const {
    return browser_->CurrentCategory();
}
void Main::setCurrentCategory(int category) {
    browser_->setCurrentCategory(category);
}
int Main::SelectedAccountID(const QString& key) {
    return browser_->SelectedAccountID(key);
}
int Main::SelectedAccountType(const QString& key) {
    return browser_->SelectedAccountType(key);
}
int Main::CountSelectedAccounts() {
    return browser_->CountSelectedAccounts();
}
QStringList Main::selectedRowKeys() {
    return browser_->selectedRowKeys();
}
void Main::set_UndoNew() {
    commands_->set_UndoNew();
}

void Main::UpdateContextMenus() {
    QString address;
    try {
        address = services_.engine().GetWebAddress(SelectedAccountID(), SelectedAccountType());
    } catch (const VaultError&) {
    }
    QAction* visit = actions_.value("menu_visit_website");
    QAction* visitMain = actions_.value("menu_visit_website_main");
    if (!address.isEmpty()) {
        visit->setVisible(true);
        visitMain->setVisible(true);
        // "&&": an ampersand in an address is not an access key.
        const QString shown = QString(address).replace(u'&', QStringLiteral("&&"));
        visit->setText(Text(28) + shown);
        visitMain->setText(Text(29) + shown);
        visit->setData(address);
        visitMain->setData(address);
    } else {
        visit->setVisible(false);
        visitMain->setVisible(false);
    }
    const bool rows = browser_->rowCount() > 0;
    for (const char* name :
         {"menu_copy_account", "menu_copy_account_main", "menu_copy_password", "menu_copy_password_main",
          "menu_edit_hidden_account", "menu_edit_account", "menu_delete_hidden_account",
          "menu_delete_account", "menu_duplicate_hidden_account", "menu_duplicate_account"})
        actions_.value(QString::fromLatin1(name))->setEnabled(rows);
}

void Main::popupContextMenu(const QPoint& globalPos) {
    menus_.value("menu_hidden")->popup(globalPos);
}

void Main::OpenAccountForm(int id, int category, bool ignoreId) {
    commands_->OpenAccountForm(id, category, ignoreId);
}

void Main::runBarTask(const QString& key) {
    if (key == u"Exit")
        ExitRoutine(false);
    else if (key == u"New")
        commands_->NewAccount();
    else if (key == u"Edit")
        commands_->EditAccount();
    else if (key == u"Delete")
        commands_->DeleteAccounts();
}
