#include "Main.h"

#include "AccountCommands.h"
#include "AppServices.h"
#include "Browser.h"
#include "ClipboardCommands.h"
#include "FileLifecycle.h"
#include "Form_about.h"
#include "Funzioni.h"
#include "GenerateCommands.h"
#include "ImportCsv.h"
#include "InactivityLock.h"
#include "InputPassword.h"
#include "KW_Inactivity.h"
#include "Menus.h"
#include "Product.h"
#include "Prompts.h"
#include "QtLanguage.h"
#include "RecentFiles.h"
#include "Settings.h"
#include "SharedForm.h"
#include "TextCatalog.h"

#include "Clock.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QMenu>
#include <QWindow>

namespace {
const QString kApplication = QStringLiteral("Vantrel");
} // namespace

Main::Main(AppServices& services, MainPaths paths, QWidget* parent)
    : QMainWindow(parent), services_(services), paths_(std::move(paths)) {
    setObjectName(QStringLiteral("Main"));
    keepOuterSize();
    quit_ = [this] {
        hide();
        QCoreApplication::exit(0);
    };

    services_.notices.setAnchor(this);
    menus_ = new Menus(*this);
    browser_ = new Browser(services_, *this, this);
    commands_ = new AccountCommands(*this, this);
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(browser_->categoryBar());
    row->addWidget(browser_->accountList(), 1);
    setCentralWidget(central);
    setStatusBar(browser_->statusBar());

    recent_ = new RecentFiles(
        services_.store, menus_->menu(MenuId::File), menus_->action(MenuCommand::RecentSeparator),
        menus_->action(MenuCommand::RecentFirst), menus_->action(MenuCommand::RecentEnd));
    files_ = new FileLifecycle(*this, *this, *browser_, *commands_, *recent_);
    inactivity_ = new InactivityLock(services_, *files_, *commands_, *browser_, this);
    clipboard_ = new ClipboardCommands(services_, *browser_, this);
    connect(recent_, &RecentFiles::openRequested, this, [this](const QString& path) {
        // A recent file: close the open one (after its save prompt), then unlock the chosen one.
        if (files_->CloseFile())
            files_->OpenGivenFile(path);
    });
    connect(menus_, &Menus::triggered, this, &Main::run);
    connect(menus_, &Menus::languageChosen, this, &Main::menu_kw_languages_Click);
}

Main::~Main() = default;

void Main::keepClipboardSecret(const QString& digest) {
    if (!digest.isEmpty())
        browser_->recordClipboardSecret(digest, services_.clock.monotonicMs());
}

void Main::run(MenuCommand command, bool checked) {
    using C = MenuCommand;
    if (const int category = Menus::newAccountCategory(command); category >= 0) {
        commands_->newAccountOf(category);
        return;
    }
    switch (command) {
    case C::New:
        return files_->menu_new_Click();
    case C::Open:
        return files_->menu_open_Click();
    case C::Close:
        return files_->menu_close_Click();
    case C::Save:
        return files_->menu_save_Click();
    case C::ImportCsv:
        return importCsv(*this);
    case C::Exit:
    case C::ExitHidden:
        ExitRoutine(false);
        return;
    case C::NewAccount:
    case C::NewAccountHidden:
        return commands_->NewAccount();
    case C::EditAccount:
    case C::EditAccountHidden:
        return commands_->EditAccount();
    case C::DeleteAccount:
    case C::DeleteAccountHidden:
        return commands_->DeleteAccounts();
    case C::DuplicateAccount:
    case C::DuplicateAccountHidden:
        return commands_->DuplicateAccount();
    case C::FindAccount:
    case C::FindAccountHidden:
        return ShowFindDialog();
    case C::CopyAccount:
    case C::CopyAccountMain:
        return clipboard_->CopyAccountName();
    case C::CopyPassword:
    case C::CopyPasswordMain:
        return clipboard_->CopyPassword();
    case C::Export:
    case C::ExportMain:
        return clipboard_->ExportAccounts();
    case C::VisitWebSite:
    case C::VisitWebSiteMain:
        return clipboard_->VisitWebSite(menus_->action(C::VisitWebSite)->data().toString());
    case C::ShowAll:
        return browser_->ShowAll();
    case C::StayOnTop:
        menus_->action(C::StayOnTop)->setChecked(checked);
        return StayOnTop(this, checked);
    case C::HomePage:
        OpenLink(services_.links, QStringLiteral("http://") + Product::productPage());
        return;
    case C::SupportWeb:
        OpenLink(services_.links, QStringLiteral("http://") + Product::forumAddress());
        return;
    case C::GeneratePassword:
        return keepClipboardSecret(menu_generate_password(services_));
    case C::GenerateTrain:
        return keepClipboardSecret(menu_generate_train(services_, this));
    case C::About:                           // one box at a time: a second click brings it forward
        if (!about_ || !about_->isVisible()) // a closed box is on its way out
            about_ = new Form_about(this, services_.prefs.LanguageUsed(), services_.links);
        about_->show();
        about_->raise();
        about_->activateWindow();
        return;
    default:
        return; // separators; the recent files report their own clicks
    }
}

// ---- start-up and exit -------------------------------------------------------------------------

void Main::Form_Load() {
    // Each step stands alone: a failing one is skipped and the next still runs.
    InitLanguage(paths_.languageFile);
    languageCatalog().SelectLanguage(services_.prefs.LanguageUsed());
    applyQtLanguage(services_.prefs.LanguageUsed());
    languageCatalog().ApplyTexts(kApplication, this, services_.prefs.LanguageUsed());
    services_.prefs.ini().setDefaultFile(paths_.settingsFile);
    update_caption();
    applySkin();
    menus_->BuildLanguagesMenu(languageCatalog());
    menus_->MarkLanguage(services_.prefs.LanguageUsed());
    browser_->BuildBar();
    browser_->SetupAccountColumns();
    browser_->LoadColumnLayout();
    inactivity_->component().Start();
    services_.store.setExecutablePath(paths_.executablePath);
    if (services_.prefs.backupReminderDue()) {
        services_.notices.ShowPopUpMessage(Text(TextId::BackupReminder), 10, 2);
        services_.prefs.setLastBackupWarning(services_.clock.now());
    }
    UpdateMenus();
    recent_->rebuild();
    files_->OpenGivenFile(paths_.fileToOpen.isEmpty() ? services_.prefs.LastOpen() : paths_.fileToOpen);
}

// A fixed outer size, frame included: the bar and the list are laid out for it. The frame is known
// only once the window manager has framed the window, so this runs again when it moves or shows.
void Main::keepOuterSize() {
    QSize inner = OuterSize;
    if (const QWindow* handle = windowHandle()) {
        const QMargins frame = handle->frameMargins();
        inner -= QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    }
    if (minimumSize() != inner || maximumSize() != inner)
        setFixedSize(inner);
}

bool Main::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::Show || event->type() == QEvent::Move || event->type() == QEvent::Resize)
        keepOuterSize();
    return handled;
}

void Main::applySkin() {
    if (paths_.skinFile.isEmpty())
        return;
    QFile skin(paths_.skinFile);
    if (skin.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(skin.readAll()));
}

bool Main::ExitRoutine(bool SaveWithoutAsking) {
    if (InputPassword* dialog = inputPassword(); dialog && dialog->isWorking())
        return false; // the engine is opening a file on another thread: it cannot go now
    if (!commands_->closeAllForms())
        return false; // a form kept changes it could not store
    const FileLifecycle::Outcome saved = files_->offerToSave(SaveWithoutAsking);
    if (saved == FileLifecycle::Outcome::Cancelled)
        return false;
    // Exiting now would lose the changes: the safe answer (stay) is the default.
    if (saved == FileLifecycle::Outcome::SaveFailed &&
        !services_.prompts.askYesNo(this, Text(TextId::ExitAnywayPrompt), Text(TextId::SaveFailedTitle)))
        return false; // stay, with the file still open and its changes in memory
    browser_->SaveColumnLayout();
    clipboard_->clearCopiedPassword(); // while the engine is there to compare digests
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
    services_.notices.ShowPopUpMessage(Text(TextId::ConfirmClose), 10, 0);
    if (services_.prompts.askYesNo(this, Text(TextId::ConfirmExit), Text(TextId::ConfirmExitTitle)) &&
        ExitRoutine(false)) {
        event->accept();
        return;
    }
    event->ignore();
}

void Main::menu_kw_languages_Click(int index) {
    const QString language = menus_->languageAt(index);
    if (language.isEmpty())
        return;
    // Everything the window shows follows at once: its captions, the texts the program writes
    // (bar, headers, status bar, list), and Qt's own. Windows already open keep theirs.
    languageCatalog().SelectLanguage(language);
    applyQtLanguage(language);
    languageCatalog().ApplyTexts(kApplication, this, language);
    browser_->retranslate();
    services_.prefs.setLanguageUsed(language);
    menus_->MarkLanguage(language);
}

void Main::ShowFindDialog() {
    // One dialog: asking again while it shows brings that one forward. A closed one is on its way
    // out and gives way to a new one.
    if (!find_ || find_->isHidden())
        find_ = new Find(*this, this);
    find_->show();
    find_->raise();
    find_->activateWindow();
}

InputPassword* Main::inputPassword() const {
    return files_->inputPassword();
}

// ---- what dialogs, forms and the browser ask of the main window --------------------------------

void Main::update_caption() {
    files_->update_caption();
}
void Main::set_Modified(bool value) {
    files_->set_Modified(value);
}
bool Main::isModified() const {
    return files_->isModified();
}
void Main::UpdateMenus() {
    menus_->UpdateMenus(services_.engine().IsOpen());
}
void Main::add_LastUsed(const QString& path) {
    recent_->add_LastUsed(path);
}
bool Main::SavePrompt(bool SaveWithoutAsking) {
    return files_->SavePrompt(SaveWithoutAsking);
}
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
    menus_->UpdateContextMenus(address, browser_->rowCount() > 0);
}

void Main::popupContextMenu(const QPoint& globalPos) {
    menus_->popupContextMenu(globalPos);
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
    else if (key == u"Find")
        ShowFindDialog();
}
