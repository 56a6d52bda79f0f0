#include "EditForm.h"

#include "AppServices.h"
#include "AutomationDate.h"
#include "Categories.h"
#include "Clock.h"
#include "DatePicker.h"
#include "FieldSets.h"
#include "FormParts.h"
#include "Funzioni.h"
#include "GeneratorButton.h"
#include "MainApi.h"
#include "PasswordMask.h"
#include "Prompts.h"
#include "Settings.h"
#include "SharedForm.h"
#include "StrengthBar.h"
#include "TextCatalog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QString latin(const char* text) {
    return QString::fromLatin1(text);
}

} // namespace

EditForm::EditForm(int category, MainApi& main, QWidget* parent)
    : QWidget(parent, Qt::Dialog), category_(category), info_(*categoryInfo(category)),
      fields_(*fieldSet(category)), main_(main) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(latin(info_.formName));
    setWindowTitle(latin(info_.caption));
    buildUi();
    Form_Load();
}

EditForm::~EditForm() = default;

void EditForm::buildUi() {
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("SmartTab_Pwd"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addWidget(tabs_);

    const struct {
        FormTab tab;
        const char* name;
        const char* caption;
    } pages[] = {{FormTab::Common, "Tab_Common", "Common"},
                 {FormTab::Specific, "Tab_Specific", "Specific"},
                 {FormTab::Advanced, "Tab_Advanced", "Advanced"}};
    QHash<FormTab, QGridLayout*> grids;
    for (const auto& page : pages) {
        auto* widget = new QWidget;
        widget->setObjectName(latin(page.name));
        auto* grid = new QGridLayout(widget);
        grid->setColumnStretch(1, 1);
        grid->setColumnStretch(4, 1);
        grids.insert(page.tab, grid);
        tabs_->addTab(widget, latin(page.caption));
    }

    // Columns of every tab: 0 caption, 1 box (2 the generator button), 3 caption, 4 box.
    // The common tab has the strength bar on a row of its own above the password.
    auto gridRow = [](const FieldBox& box) {
        return box.tab == FormTab::Common && box.row >= 3 ? box.row : box.row - 1;
    };
    for (const FieldBox& box : fields_.boxes) {
        QWidget* widget = nullptr;
        if (box.kind == BoxKind::MultiLine) {
            auto* multi = new MultiLineBox;
            multi->setTabChangesFocus(true);
            multi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            if (box.height > 0)
                multi->setFixedHeight(box.height);
            widget = multi;
        } else {
            auto* line = box.textIndex == Box::Password ? new SecretLineEdit : new QLineEdit;
            line->setMaxLength(std::numeric_limits<int>::max()); // no limit of our own
            line->setMinimumWidth(boxWidthFor(line, box));
            if (box.kind == BoxKind::ReadOnly) {
                line->setReadOnly(true);
                line->setEnabled(false);
            }
            widget = line;
        }
        widget->setObjectName(QStringLiteral("Texts_%1").arg(box.textIndex));
        widget->installEventFilter(this);
        texts_.insert(box.textIndex, widget);

        auto* label = new QLabel(latin(box.caption));
        label->setObjectName(QStringLiteral("Labels_%1").arg(box.labelIndex));
        label->setBuddy(widget);
        if (box.kind == BoxKind::MultiLine)
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        labels_.insert(box.labelIndex, label);

        QGridLayout* grid = grids.value(box.tab);
        const int row = gridRow(box);
        const bool right = box.place == RowPlace::Right;
        const int span = box.place == RowPlace::Full ? 4 : (right ? 1 : 2);
        grid->addWidget(label, row, right ? 3 : 0);
        if (box.textIndex == Box::Password)
            grid->addWidget(widget, row, 1);
        else if (box.textIndex == Box::Notes)
            grid->addWidget(widget, row, 1, 4, 4, Qt::AlignTop);
        else
            grid->addWidget(widget, row, right ? 4 : 1, 1, span);
        if (box.kind == BoxKind::MultiLine && box.height == 0)
            grid->setRowStretch(row, 1);
    }

    texts_.value(Box::Description)
        ->setToolTip(QStringLiteral("Type here a brief description for localizing this account"));
    texts_.value(Box::Password)->setToolTip(QStringLiteral("Double click to show/hide the password"));
    if (QWidget* id = texts_.value(Box::Identifier))
        id->setMaximumWidth(qMax(80, id->minimumWidth()));

    // Common tab: strength bar above the password, generator right of it, expiration beside.
    QGridLayout* common = grids.value(FormTab::Common);
    strengthBar_ = new StrengthBar;
    common->addWidget(strengthBar_, 2, 1);
    auto* password = qobject_cast<QLineEdit*>(texts_.value(Box::Password));
    connect(password, &QLineEdit::textChanged, this, &EditForm::Texts_Change);
    generator_ = new GeneratorButton(main_.services(), password);
    common->addWidget(generator_, 3, 2);

    auto* expiration = new QLabel(QStringLiteral("Expiration"));
    expiration->setObjectName(QStringLiteral("Labels_%1").arg(fields_.labels.expiration));
    labels_.insert(fields_.labels.expiration, expiration);
    picker_ = new DatePicker;
    picker_->setObjectName(QStringLiteral("DTPicker_ExpirationPwd"));
    expiration->setBuddy(picker_);
    common->addWidget(expiration, 3, 3);
    common->addWidget(picker_, 3, 4);

    // Save and Cancel live on the common tab only, in the caption column below "Notes".
    ok_ = new QPushButton(QStringLiteral("Save"));
    ok_->setObjectName(QStringLiteral("Command_ok"));
    ok_->setToolTip(QStringLiteral("Click here to confirm your information"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"));
    cancel_->setObjectName(QStringLiteral("Command_cancel"));
    cancel_->setToolTip(QStringLiteral("Click here to discard your information"));
    common->addWidget(ok_, 5, 0);
    common->addWidget(cancel_, 6, 0);
    common->setRowStretch(7, 1);
    connect(ok_, &QPushButton::clicked, this, &EditForm::Command_ok_Click);
    connect(cancel_, &QPushButton::clicked, this, &EditForm::Command_cancel_Click);

    myAccount_ = new QCheckBox(QStringLiteral("This is my account"));
    myAccount_->setObjectName(QStringLiteral("Check_MyAccount"));
    grids.value(FormTab::Advanced)->addWidget(myAccount_, 3, 3, 1, 2);

    for (FormTab tab : {FormTab::Specific, FormTab::Advanced}) {
        QGridLayout* grid = grids.value(tab);
        bool stretches = false;
        for (int row = 0; row < grid->rowCount(); ++row)
            stretches = stretches || grid->rowStretch(row) > 0;
        if (!stretches)
            grid->setRowStretch(grid->rowCount(), 1);
    }

    // Tab goes through each tab page as it reads, top to bottom and left to right, then to the
    // next page; the form opens in its first box; Esc closes it (with its question) and Ctrl+S
    // or Ctrl+Enter saves from any box.
    QWidget* previous = nullptr;
    for (FormTab tab : {FormTab::Common, FormTab::Specific, FormTab::Advanced}) {
        for (QWidget* next : inReadingOrder(grids.value(tab))) {
            if (previous)
                setTabOrder(previous, next);
            previous = next;
        }
    }
    texts_.value(Box::Description)->setFocus();
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    for (const QKeySequence& keys :
         {QKeySequence(QKeySequence::Save), QKeySequence(Qt::CTRL | Qt::Key_Return)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &EditForm::Command_ok_Click);
}

void EditForm::Form_Load() {
    AppServices& services = main_.services();
    languageCatalog().ApplyTexts(QStringLiteral("Vantrel"), this, services.prefs.LanguageUsed());
    loadedCaption_ = windowTitle();
    picker_->setNoDate();
    picker_->setProposedDate(services.clock.now().date());
    generator_->fillLengths();
    setPasswordMask(services.prefs.HiddenChar());
    formChanged_ = false;
    // Sized from its contents, once the language's captions are on it.
    adjustSize();
}

QList<int> EditForm::textIndexes() const {
    QList<int> indexes = texts_.keys();
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

QString EditForm::boxText(int index) const {
    QWidget* box = texts_.value(index);
    if (auto* line = qobject_cast<QLineEdit*>(box))
        return line->text();
    if (auto* multi = dynamic_cast<MultiLineBox*>(box))
        return multi->text();
    return {};
}

void EditForm::setBoxText(int index, const QString& text) {
    QWidget* box = texts_.value(index);
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->setText(text);
    else if (auto* multi = dynamic_cast<MultiLineBox*>(box))
        multi->setText(text);
}

void EditForm::setPasswordMask(const QString& mask) {
    mask_ = mask;
    applyPasswordMask(qobject_cast<QLineEdit*>(texts_.value(Box::Password)), mask);
}

bool EditForm::Populate(int AccountID, bool IgnoreID) {
    AccountRecord record;
    try {
        main_.services().engine().GetRecord(AccountID, 0, record);
    } catch (const VaultError&) {
        return false;
    }
    // The identifier alone finds the account; one of another category would be stored back as
    // this form's category and lose its own fields.
    if (record.Type != category_)
        return false;

    for (const FieldBox& box : fields_.boxes) {
        if (box.field)
            setBoxText(box.textIndex, record.*box.field);
    }
    myAccount_->setChecked(record.MyAccount);
    picker_->setValue(record.ExpirationPwd);
    showRecordDate(record.RecordDate);
    setBoxText(Box::Identifier, IgnoreID ? QString() : QString::number(record.ID));
    return true;
}

void EditForm::notice(const QString& text, int kind) {
    main_.services().notices.ShowPopUpMessage(text, 10, kind);
}

void EditForm::showRecordDate(double date) {
    setBoxText(Box::RecordDate, generalDate(date));
}

bool EditForm::eventFilter(QObject* watched, QEvent* event) {
    const int index = texts_.key(qobject_cast<QWidget*>(watched), -1);
    if (index < 0 || !loaded_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (isTypingKey(static_cast<QKeyEvent*>(event)))
            Texts_KeyPress(index);
        break;
    case QEvent::FocusIn:
        SelectActiveText();
        break;
    case QEvent::FocusOut: {
        // Only a move to another control counts: not a menu opening, nor another window.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (index == Box::Password && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            Texts_LostFocus();
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (index == Box::Password)
            Texts_DblClick();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void EditForm::Texts_Change() {
    strengthBar_->rate(boxText(Box::Password));
    texts_.value(Box::Password)->setToolTip(Text(TextId::PasswordBoxTip));
}

void EditForm::Texts_DblClick() {
    const QString mask = mask_.isEmpty() ? QStringLiteral("#") : QString();
    setPasswordMask(mask);
    main_.services().prefs.setHiddenChar(mask);
}

void EditForm::Texts_LostFocus() {
    // A new account has no identifier yet (0): every stored account counts then.
    const int id = toInt32(leadingNumber(boxText(Box::Identifier))).value_or(0);
    QString owner; // the engine names it; the notice does not
    bool inUse = false;
    try {
        inUse = main_.services().engine().PasswordInUse(boxText(Box::Password), owner, id);
    } catch (const VaultError&) {
        return; // no file open: nothing to compare with
    }
    if (inUse)
        notice(Text(TextId::PasswordInUse), 2);
}

void EditForm::Texts_KeyPress(int) {
    if (formChanged_)
        return;
    formChanged_ = true;
    setWindowTitle(loadedCaption_ + QLatin1Char('*'));
}

bool EditForm::Save(bool closing) {
    AccountRecord record;
    // When the question on closing led here, the form stays open on failure: say why.
    auto refuse = [&](int textId) {
        QString message = Text(TextId(textId));
        const QString staysOpen = closing ? Text(TextId::FormStaysOpen) : QString();
        if (!staysOpen.isEmpty())
            message += QLatin1Char(' ') + staysOpen;
        notice(message, 2);
        return false;
    };

    const QString name = boxText(Box::AccountName).trimmed();
    const QString standIn = fields_.nameFromFirstSpecific ? boxText(Box::FirstSpecific).trimmed() : QString();
    if (name.isEmpty() && standIn.isEmpty())
        return refuse(info_.msgNameMissing);

    record.Type = category_;
    for (const FieldBox& box : fields_.boxes) {
        if (box.field)
            record.*box.field = boxText(box.textIndex);
    }
    record.Description = record.Description.trimmed();
    record.AccountName = name.isEmpty() ? standIn : name;
    record.ID = boxText(Box::Identifier).toInt(); // an empty box: a new account
    record.MyAccount = myAccount_->isChecked();
    record.ExpirationPwd = picker_->value();

    bool stored = false;
    try {
        stored = main_.services().engine().PutRecord(record);
    } catch (const VaultError&) {
        stored = false; // told below like a refusal, never as success
    }
    if (!stored)
        return refuse(info_.msgNotStored);

    formChanged_ = false;
    setWindowTitle(loadedCaption_);
    notice(Text(TextId(info_.msgStored)), 0);
    main_.set_Modified(true);
    main_.set_UndoNew();
    main_.ListAccounts(main_.services().prefs.LastType());
    main_.UpdateBar();
    return true;
}

bool EditForm::saveAndClose() {
    if (!Save(false))
        return false;
    close();
    return true;
}

void EditForm::discardAndClose() {
    formChanged_ = false;
    close();
}

void EditForm::Command_ok_Click() {
    saveAndClose();
}

void EditForm::Command_cancel_Click() {
    main_.set_UndoNew();
    close();
}

void EditForm::closeEvent(QCloseEvent* event) {
    if (formChanged_) {
        const Prompts::Answer answer = main_.services().prompts.askSaveChanges(
            this, Text(TextId::FormUnsavedPrompt), Text(TextId::FormUnsavedTitle));
        // Cancelled, or the changes the user wanted kept could not be stored: closing would lose them.
        if (answer == Prompts::Answer::Cancel || (answer == Prompts::Answer::Yes && !Save(true))) {
            event->ignore();
            return;
        }
    }
    event->accept();
    if (loaded_) {
        loaded_ = false;
        emit unloaded(category_);
    }
}
