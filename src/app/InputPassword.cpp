#include "InputPassword.h"

#include "AppServices.h"
#include "Artwork.h"
#include "Funzioni.h"
#include "GeneratorButton.h"
#include "MainApi.h"
#include "PasswordMask.h"
#include "PasswordStrength.h"
#include "Prompts.h"
#include "SecureWipe.h"
#include "Settings.h"
#include "SharedForm.h"
#include "StrengthBar.h"
#include "TextCatalog.h"
#include "ToolIcons.h"
#include "VaultProbe.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QString newFileAdvice() {
    return Text(TextId::NewFileIntro) + QStringLiteral("\r\n") + Text(TextId::NewFileChooseMaster) +
           QStringLiteral("\r\n");
}
} // namespace

InputPassword::InputPassword(MainApi& main, QWidget* owner) : QDialog(owner), main_(main) {
    setObjectName(QStringLiteral("InputPassword"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Image_Logo"));
    logo->setPixmap(Artwork::logo(64));
    auto* title = new QLabel(QStringLiteral("Master code"), this);
    title->setObjectName(QStringLiteral("Labels_0"));
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    title->setFont(bold);
    auto* explanation = new QLabel(
        QStringLiteral(
            "This software requires a code for encrypting information and passwords. This code should be "
            "always the same per user, because all info will be encrypted based on this code."),
        this);
    explanation->setObjectName(QStringLiteral("Labels_1"));
    explanation->setWordWrap(true);
    auto* year = new QLabel(QStringLiteral("v. 2006"), this);
    year->setObjectName(QStringLiteral("Label_year"));

    Text_LogIn = new SecretLineEdit(this);
    Text_LogIn->setObjectName(QStringLiteral("Text_LogIn"));
    applyPasswordMask(Text_LogIn, QStringLiteral("#"));
    Text_LogIn->setToolTip(QStringLiteral("Type here your secret code"));
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(10);
    Text_LogIn->setFont(verdana);
    Text_LogIn->installEventFilter(this);
    connect(Text_LogIn, &QLineEdit::textChanged, this, &InputPassword::Text_LogIn_Change);

    Command_Mask = new QToolButton(this);
    Command_Mask->setObjectName(QStringLiteral("Command_Mask"));
    Command_Mask->setIcon(ToolIcons::mask());
    Command_Mask->setToolTip(QStringLiteral("Mask/unmask the code during typing"));
    connect(Command_Mask, &QToolButton::clicked, this, &InputPassword::Command_Mask_Click);
    Command_GeneneratePassword = new GeneratorButton(main_.services(), Text_LogIn, this);
    ARProgressBar_password = new StrengthBar(this);
    ARProgressBar_password->setFixedHeight(4);

    Command_OK = new QPushButton(QStringLiteral("Confirm your code"), this);
    Command_OK->setObjectName(QStringLiteral("Command_OK"));
    Command_OK->setDefault(true);
    Command_Cancel = new QPushButton(QStringLiteral("Close Vantrel"), this);
    Command_Cancel->setObjectName(QStringLiteral("Command_Cancel"));
    connect(Command_OK, &QPushButton::clicked, this, &InputPassword::Command_OK_Click);
    connect(Command_Cancel, &QPushButton::clicked, this, &InputPassword::Command_Cancel_Click);

    auto* pictures = new QHBoxLayout;
    for (size_t i = 0; i < Image_confusion.size(); ++i) {
        auto* slot = new QLabel(this);
        slot->setObjectName(QStringLiteral("Image_confusion_%1").arg(i));
        slot->setFixedSize(48, 48);
        slot->setVisible(false);
        // An empty slot keeps its room so the dialog does not jump while typing.
        QSizePolicy keep = slot->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        slot->setSizePolicy(keep);
        Image_confusion[i] = slot;
        pictures->addWidget(slot);
    }

    auto* head = new QHBoxLayout;
    head->addWidget(logo, 0, Qt::AlignTop);
    auto* headText = new QVBoxLayout;
    headText->addWidget(title);
    headText->addWidget(explanation);
    head->addLayout(headText, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(year);
    buttons->addStretch();
    buttons->addWidget(Command_OK);
    buttons->addWidget(Command_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    // The strength bar runs along the password box's lower edge, the buttons beside the box.
    auto* entry = new QGridLayout;
    entry->setVerticalSpacing(0);
    entry->addWidget(Text_LogIn, 0, 0);
    entry->addWidget(ARProgressBar_password, 1, 0);
    entry->addWidget(Command_Mask, 0, 1);
    entry->addWidget(Command_GeneneratePassword, 0, 2);
    layout->addLayout(entry);
    layout->addLayout(pictures);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    // Load: the stored language for single lookups again, then this window's texts.
    const QString language = main_.services().prefs.LanguageUsed();
    languageCatalog().SelectLanguage(language);
    languageCatalog().ApplyTexts(QStringLiteral("Vantrel"), this, language);
    Command_GeneneratePassword->fillLengths();
    Text_LogIn->setFocus();
}

InputPassword::~InputPassword() {
    wipe(firstEntry_);
}

void InputPassword::set_QXFile(const QString& QX_File, bool New_QXFile) {
    qxFile_ = QX_File;
    newFile_ = New_QXFile;
    setWindowTitle(QStringLiteral("Master password:: ") +
                   QX_File.mid(QX_File.lastIndexOf(u'/') + 1).trimmed());
}

void InputPassword::StartUI() {
    if (!newFile_)
        return;
    main_.services().notices.ShowPopUpMessage(newFileAdvice(), 50, 0);
    try {
        main_.services().engine().Pause(500);
    } catch (const VaultError&) {
    }
    main_.services().notices.ShowPopUpMessage(Text(TextId::RememberMaster), 50, 2);
}

void InputPassword::Command_OK_Click() {
    if (working_)
        return; // the first OK is still being worked on
    QString p = Text_LogIn->text().trimmed();
    WipeOnExit wipeP(p);
    if (newFile_) {
        if (p.isEmpty())
            return fail(Text(TextId::MasterEmpty));
        if (p.size() < 5)
            return fail(Text(TextId::MasterTooShort));
        if (firstEntry_.isEmpty()) {
            main_.services().notices.ShowPopUpMessage(Text(TextId::MasterTypeAgain), 50, 0);
            firstEntry_ = p;
            Text_LogIn->clear();
            Text_LogIn->setFocus();
            return;
        }
        if (p != firstEntry_) {
            wipe(firstEntry_);
            return fail(Text(TextId::MasterMismatch));
        }
        // Whatever is open is about to be replaced: its unsaved changes get their question.
        if (!main_.SavePrompt(false))
            return; // cancelled, or the changes could not be saved: keep the open file
        const QString path = qxFile_;
        runInBackground(
            [path, p](VaultEngine& engine) mutable {
                WipeOnExit wipeCopy(p);
                return engine.CreateFile(path, p);
            },
            [this](bool created) {
                if (!created) {
                    wipe(firstEntry_);
                    return fail(Text(TextId::CreateFailed));
                }
                succeed();
            });
        return;
    }
    // Say what is wrong with the file itself before blaming the password, and never hand the
    // engine something that is not a file (a pipe would keep it waiting).
    const VaultFileKind kind = probeVaultFile(qxFile_);
    if (kind == VaultFileKind::Missing)
        return fail(Text(TextId::FileMissing));
    if (kind == VaultFileKind::NotAFile || kind == VaultFileKind::NotAVault)
        return fail(Text(TextId::NotAVaultFile));
    const QString path = qxFile_;
    runInBackground(
        [path, p](VaultEngine& engine) mutable {
            WipeOnExit wipeCopy(p);
            try {
                return engine.OpenFile(path, p);
            } catch (const VaultError&) {
                return false;
            }
        },
        [this](bool opened) {
            if (!opened)
                return fail(Text(TextId::OpenFailed));
            succeed();
        });
}

// The key derivation takes a good part of a second by design (more for a vault made with
// dearer settings): it runs on a thread of its own so the screen stays alive. Meanwhile the
// main window takes no commands, so nothing else uses the engine, and this dialog ignores
// another OK and cannot be closed.
void InputPassword::runInBackground(std::function<bool(VaultEngine&)> work, std::function<void(bool)> done) {
    working_ = true;
    QWidget* window = main_.mainWindow();
    window->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto result = std::make_shared<bool>(false);
    VaultEngine& engine = main_.services().engine();
    QThread* thread =
        QThread::create([work = std::move(work), &engine, result]() mutable { *result = work(engine); });
    connect(thread, &QThread::finished, this, [this, thread, result, done = std::move(done), window] {
        thread->deleteLater();
        QApplication::restoreOverrideCursor();
        window->setEnabled(true);
        working_ = false;
        done(*result);
    });
    thread->start();
}

void InputPassword::fail(const QString& message) {
    main_.services().prompts.alert(this, message, Text(TextId::MasterPasswordTitle));
    Text_LogIn->clear();
    Text_LogIn->setFocus();
}

void InputPassword::succeed() {
    wipe(firstEntry_);
    main_.UpdateMenus();
    main_.UpdateBar();
    main_.update_caption();
    main_.ListAccounts(main_.services().prefs.LastType());
    main_.add_LastUsed(qxFile_);
    main_.services().prefs.setLastOpen(qxFile_);
    Text_LogIn->clear();
    close();
    main_.mainWindow()->activateWindow(); // the keys go to the opened file's window at once
}

void InputPassword::closeEvent(QCloseEvent* event) {
    if (working_) {
        event->ignore(); // the engine is still at work for this dialog
        return;
    }
    QDialog::closeEvent(event);
}

void InputPassword::hideEvent(QHideEvent* event) {
    // The dialog's own notices ("type it again" and the new-file advice) no longer apply.
    SharedForm& notices = main_.services().notices;
    notices.hideMessage(Text(TextId::MasterTypeAgain));
    notices.hideMessage(Text(TextId::RememberMaster));
    notices.hideMessage(newFileAdvice());
    QDialog::hideEvent(event);
}

void InputPassword::Command_Cancel_Click() {
    close();
}

void InputPassword::Command_Mask_Click() {
    // Only for as long as the dialog shows: it opens masked every time.
    const bool masked = Text_LogIn->echoMode() == QLineEdit::Password;
    applyPasswordMask(Text_LogIn, masked ? QString() : QStringLiteral("#"));
    Text_LogIn->setFocus();
}

void InputPassword::Text_LogIn_Change() {
    const QString text = Text_LogIn->text();
    ARProgressBar_password->rate(text);
    Text_LogIn->setToolTip(Text(TextId::StrengthLabel) + QString::number(PasswordBits(text)) +
                           Text(TextId::StrengthBitsOf) + QStringLiteral("128") + Text(TextId::StrengthBits));
}

int InputPassword::visibleSlot() const {
    for (size_t i = 0; i < Image_confusion.size(); ++i) {
        if (!Image_confusion[i]->isHidden())
            return int(i);
    }
    return -1;
}

void InputPassword::shufflePictures() {
    // One slot shows one picture, both drawn uniformly; the point is only to show that a key
    // was taken without echoing anything about it.
    const int k = int(QRandomGenerator::global()->bounded(Artwork::confusionPictureCount()));
    const int s = int(QRandomGenerator::global()->bounded(int(Image_confusion.size())));
    for (size_t i = 0; i < Image_confusion.size(); ++i) {
        if (int(i) == s)
            Image_confusion[i]->setPixmap(Artwork::confusionPicture(k));
        Image_confusion[i]->setVisible(int(i) == s);
    }
    shownPicture_ = k;
}

bool InputPassword::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text_LogIn && event->type() == QEvent::FocusIn)
        SelectActiveText();
    if (watched == Text_LogIn && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Command_OK_Click();
            return true;
        }
        shufflePictures();
    }
    return QDialog::eventFilter(watched, event);
}
