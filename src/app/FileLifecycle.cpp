#include "FileLifecycle.h"

#include "AccountCommands.h"
#include "AppServices.h"
#include "Browser.h"
#include "FileDialog.h"
#include "InputPassword.h"
#include "MainApi.h"
#include "Product.h"
#include "Prompts.h"
#include "RecentFiles.h"
#include "Settings.h"
#include "SharedForm.h"
#include "TextCatalog.h"

#include <QFileInfo>
#include <QWidget>

namespace {
const QString kVaultFilter = QStringLiteral("Vantrel files (*.qx)");
const QString kAnyVault = QStringLiteral("*.qx");

bool isExistingFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}
} // namespace

FileLifecycle::FileLifecycle(MainApi& main, QWidget& window, Browser& browser, AccountCommands& commands,
                             RecentFiles& recent)
    : QObject(&window), main_(main), window_(window), browser_(browser), commands_(commands),
      recent_(recent) {}

AppServices& FileLifecycle::services() {
    return main_.services();
}

void FileLifecycle::update_caption() {
    QString title =
        Product::name() + u' ' + Product::version() + QStringLiteral(" - ") + Product::webAddress();
    const QString name = services().hasEngine() ? services().engine().CurrentFileName() : QString();
    if (!name.isEmpty())
        title += QStringLiteral(" - ") + name.toLower();
    if (Modified_)
        title += QStringLiteral(" [modified]");
    window_.setWindowTitle(title);
}

void FileLifecycle::set_Modified(bool value) {
    Modified_ = value;
    update_caption();
}

InputPassword* FileLifecycle::inputPassword() const {
    return inputPassword_ && inputPassword_->isVisible() ? inputPassword_.data() : nullptr;
}

void FileLifecycle::prepareInputPassword(const QString& path, bool newFile) {
    // A dialog that closed is already on its way out (deleted later): never show it again.
    if (inputPassword_ && !inputPassword_->isVisible())
        inputPassword_.clear();
    if (!inputPassword_)
        inputPassword_ = new InputPassword(main_, &window_);
    inputPassword_->set_QXFile(path, newFile);
    inputPassword_->StartUI();
    inputPassword_->show();
    inputPassword_->raise();
    inputPassword_->activateWindow();
}

void FileLifecycle::OpenGivenFile(const QString& path) {
    if (path == services().engine().CurrentFilePath())
        return;
    prepareInputPassword(path, false);
}

QString FileLifecycle::askForVaultPath(bool save) {
    cmnDlg dialog(services().fileDialogs);
    dialog.CancelError = false;
    dialog.Owner = &window_;
    dialog.DialogTitle = save ? QStringLiteral("New Vantrel file") : QStringLiteral("Open Vantrel file");
    dialog.FileName = kAnyVault;
    dialog.InitDir = cmnDlg::initialFolder(services().prefs.LastFolder());
    dialog.Filter = kVaultFilter;
    if (save)
        dialog.DefaultExt = QStringLiteral("qx");
    save ? dialog.ShowSave() : dialog.ShowOpen();
    return dialog.FileName; // still "*.qx" when the user cancelled
}

void FileLifecycle::menu_open_Click() {
    const QString path = askForVaultPath(false);
    if (path == kAnyVault || !isExistingFile(path))
        return;
    services().prefs.setLastFolder(path);
    if (!CloseFile())
        return;
    OpenGivenFile(path);
}

void FileLifecycle::menu_new_Click() {
    const QString path = askForVaultPath(true);
    if (path == kAnyVault)
        return;
    if (QFileInfo::exists(path)) {
        services().prefs.setLastFolder(path);
        if (!services().prompts.askYesNo(&window_, Text(TextId::ReplaceFilePrompt),
                                         Text(TextId::ReplaceFileTitle))) {
            services().notices.ShowPopUpMessage(QStringLiteral("New Vantrel file aborted by user"), 10, 0);
            return;
        }
        services().engine().DeleteFile(path);
    }
    // A form left open would later store its account into whichever file is open by then.
    if (!commands_.closeAllForms())
        return;
    prepareInputPassword(path, true);
    main_.UpdateMenus();
}

bool FileLifecycle::Save(bool mayAsk) {
    VaultEngine& engine = services().engine();
    SharedForm& notices = services().notices;
    engine.SetKeepBackup(services().prefs.KeepBackup());
    SaveResult result = engine.SaveFileChecked(false);
    if (result == SaveResult::ChangedOnDisk) {
        // Another program wrote the file since we read it: its work is not overwritten without
        // the user's word, and never while nobody is there to give it.
        if (!mayAsk || !services().prompts.askYesNo(&window_, Text(TextId::ChangedOnDiskPrompt),
                                                    Text(TextId::ChangedOnDiskTitle))) {
            notices.ShowPopUpMessage(Text(TextId::ChangedOnDiskKept), 10, 2);
            return false;
        }
        result = engine.SaveFileChecked(true);
    }
    // Never shown as success: the changes stay marked and the user is told.
    if (result == SaveResult::TooLarge) {
        notices.ShowPopUpMessage(Text(TextId::TooLargeToSave), 10, 2);
        return false;
    }
    if (result != SaveResult::Saved) {
        notices.ShowPopUpMessage(Text(TextId::SaveFailed), 10, 2);
        return false;
    }
    set_Modified(false);
    return true;
}

void FileLifecycle::menu_save_Click() {
    if (services().engine().IsOpen())
        Save();
}

FileLifecycle::Outcome FileLifecycle::offerToSave(bool SaveWithoutAsking) {
    recent_.store();
    if (!Modified_ || !services().engine().IsOpen())
        return Outcome::GoOn; // nothing to write (a mark left from a file closed unsaved included)
    if (!SaveWithoutAsking) {
        switch (services().prompts.askSaveChanges(&window_, Text(TextId::SaveChangesPrompt),
                                                  Text(TextId::SaveChangesTitle))) {
        case Prompts::Answer::No:
            return Outcome::GoOn;
        case Prompts::Answer::Cancel:
            return Outcome::Cancelled;
        case Prompts::Answer::Yes:
            break;
        }
    }
    return Save(!SaveWithoutAsking) ? Outcome::GoOn : Outcome::SaveFailed;
}

bool FileLifecycle::SavePrompt(bool SaveWithoutAsking) {
    return offerToSave(SaveWithoutAsking) == Outcome::GoOn;
}

bool FileLifecycle::CloseFile() {
    // Forms first: what they store is part of what the save prompt then offers to write.
    if (!commands_.closeAllForms())
        return false;
    if (services().engine().IsOpen() && !SavePrompt(false))
        return false; // cancelled, or the changes could not be saved: the file stays open
    services().engine().CloseFile();
    // Whatever was not saved went with the file (the user said No): no mark, no live commands and
    // no web address of the closed file are left behind.
    Modified_ = false;
    browser_.UpdateBar();
    browser_.clearList();
    if (services().engine().IsOpen())
        services().notices.ShowPopUpMessage(Text(TextId::FileClosed), 10, 0);
    update_caption();
    browser_.showFileClosed();
    main_.UpdateMenus();
    main_.UpdateContextMenus();
    return true;
}
