#include "CatalogChecks.h"
#include "EditRun.h"
#include "FieldSets.h"

#include "DatePicker.h"
#include "GeneratorButton.h"
#include "StrengthBar.h"

#include <QTest>
#include <QtWidgets>

namespace {

using FieldMap = QList<std::pair<int, QString>>;

// Record fields of Texts(0), Texts(1), ... on every form, and of Texts(14), Texts(15), ... per
// category, as the forms are meant to be; Texts(99) is the Description.
const char* const kCommon =
    "AccountName Password RemindPhrase RemindAnswer Email PrivateKey PublicKey KeyNotes FirstName LastName "
    "OwnerEmail Notes";
const char* const kSpecific[CategoryCountTotal] = {
    "WebsiteName WebsiteUrl",
    "ProviderName PhoneNumber DnsPrimary ConnectionType Parameters DnsSecondary DialupSmtp DialupPop3 Proxy "
    "News IpConfiguration Port",
    "FileShortName FileFullName",
    "ComputerName ComputerIp Domain ComputerPath",
    "MailboxName WebEmail MailboxSmtp MailboxPop3 OutgoingUsername OutgoingPassword",
    "PinWhat",
    "SoftwareName SoftwareVersion",
    "MessengerType MessengerServer AccountAlias",
    "ServiceWhat",
    "MiscWhat",
    "BankName BankWebSite BankIdCode BankLocation BankAccountNumber",
    "CardBankName CardBankWebSite CardBankIdCode CardBankLocation CardAccountNumber CardPin CardExpiration "
    "CardCompanyOwner CardNumber CardOwner",
    "ForumName ForumUrl",
};

FieldMap fieldsOf(int category) {
    FieldMap fields = {{99, "Description"}};
    auto add = [&](const char* names, int box) {
        for (const QString& name : QString(names).split(u' '))
            fields.append({box++, name});
    };
    add(kCommon, 0);
    add(kSpecific[category], 14);
    return fields;
}

QString AccountRecord::*member(const QString& name) {
    return accountFields()[size_t(accountFieldIndex(name))].text;
}

QString caption(int category) {
    return categoryInfo(category)->caption;
}

bool masked(const EditForm* form) {
    return qobject_cast<QLineEdit*>(form->Texts(1))->echoMode() == QLineEdit::Password;
}

const QString kUnsaved = T(TextId::FormUnsavedTitle) + ": " + T(TextId::FormUnsavedPrompt);

} // namespace

class TestEditForm : public QObject {
    Q_OBJECT
    std::unique_ptr<EditRun> fx;

private slots:
    void initTestCase() { useTestTexts(); }
    void init() { fx = std::make_unique<EditRun>(); }
    void cleanup() { fx.reset(); }

    void everyCategoryStoresAndReadsBackEveryField() {
        for (int c = 0; c < CategoryCountTotal; ++c) {
            EditForm* form = fx->newForm(c);
            QList<int> boxes = {12, 13};
            AccountRecord expected;
            expected.Type = c;
            expected.ExpirationPwd = 45000.25;
            expected.MyAccount = true;
            for (const auto& [box, name] : fieldsOf(c)) {
                QString value = QStringLiteral("  %1 %2\u00a0ü😀 ").arg(name).arg(c);
                if (qobject_cast<QPlainTextEdit*>(form->Texts(box)))
                    value += "\nsecond line\n";
                form->setBoxText(box, value);
                expected.*member(name) = (box == 99 || box == 0) ? value.trimmed() : value;
                boxes << box;
            }
            std::sort(boxes.begin(), boxes.end());
            QCOMPARE(form->textIndexes(), boxes);
            form->Check_MyAccount()->setChecked(true);
            form->DTPicker_ExpirationPwd()->setValue(45000.25);
            form->Command_ok()->click();

            AccountRecords out;
            QCOMPARE(fx->engine().GetRecords(out, c), 1);
            expected.ID = out.front().ID;
            expected.RecordDate = out.front().RecordDate;
            QCOMPARE(out.front(), expected); // and every other category's field empty

            EditForm* again = fx->edit(expected);
            for (const auto& [box, name] : fieldsOf(c))
                QCOMPARE(again->boxText(box), expected.*member(name));
            QCOMPARE(again->boxText(13), QString::number(expected.ID));
            QVERIFY(!again->boxText(12).isEmpty() && again->Check_MyAccount()->isChecked());
            QCOMPARE(again->DTPicker_ExpirationPwd()->value(), 45000.25);
            QVERIFY(again->close());
        }
    }

    // The language file and the forms are written apart: English must leave the design-time
    // texts as they are, each control the file names must exist, every caption label must be
    // named, and every caption and box fits, on every tab of every form, in every language.
    void formsMatchAndFitTheLanguageFile() {
        fx->prefs.setHiddenChar("#");
        TextCatalog file;
        file.LoadLanguageFile(VANTREL_LAN_FILE);
        QVERIFY(file.LanguageCount() > 0);
        for (int c = 0; c < CategoryCountTotal; ++c) {
            EditForm* form = fx->newForm(c);
            for (int box : form->textIndexes()) // "Outgoing password" and "PIN" show in clear
                if (auto* line = qobject_cast<QLineEdit*>(form->Texts(box)))
                    QCOMPARE(line->echoMode() == QLineEdit::Password, box == 1);
            QCOMPARE(textsChangedBy(file, "English", form), QStringList());
            QVERIFY(form->close());
        }
        InitLanguage(VANTREL_LAN_FILE);
        for (qint16 l = 1; l <= file.LanguageCount(); ++l) {
            const QString language = file.LanguageName(l);
            fx->prefs.setLanguageUsed(language);
            for (int c = 0; c < CategoryCountTotal; ++c) {
                EditForm* form = fx->newForm(c);
                QVERIFY(QTest::qWaitForWindowExposed(form));
                QCOMPARE(missingControls(file, language, form), QStringList());
                const QStringList names = file.controlNames(language, form->objectName());
                QVERIFY(names.contains(form->objectName()));
                for (const QLabel* label : form->findChildren<QLabel*>(QRegularExpression("^Labels_")))
                    QVERIFY2(names.contains(label->objectName()), qPrintable(label->objectName()));
                for (int tab : {1, 2, 0}) {
                    form->SmartTab_Pwd()->setCurrentIndex(tab);
                    QCOMPARE(clippedControls(form).join(", "), QString());
                    QCOMPARE(form->Command_ok()->isVisible(), tab == 0);
                    QCOMPARE(form->Command_cancel()->isVisible(), tab == 0);
                }
                QVERIFY(form->close());
            }
        }
        useTestTexts();
    }

    // The expiry picker's calendar shows all six weeks of a month, the last one whole.
    void calendarShowsItsLastRow() {
        // The skin as the main window wears it.
        QFile skin(QFileInfo(VANTREL_LAN_FILE).absolutePath() + "/winaqua.skn");
        QVERIFY(skin.open(QIODevice::ReadOnly));
        fx->main.window.setStyleSheet(skin.readAll());
        EditForm* form = fx->newForm(Banks);
        QVERIFY(QTest::qWaitForWindowExposed(form));
        form->DTPicker_ExpirationPwd()->setValue(46100.0); // March 2026: six week rows
        QDateTimeEdit* edit = form->DTPicker_ExpirationPwd()->dateEdit();
        // Its arrow opens the calendar.
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() - 6, edit->height() / 2));
        QCalendarWidget* calendar = edit->calendarWidget();
        QTRY_VERIFY(calendar->isVisible());
        auto* days = calendar->findChild<QTableView*>();
        const int last = days->model()->rowCount() - 1;
        const int bottom = days->rowViewportPosition(last) + days->rowHeight(last);
        QVERIFY(bottom <= days->viewport()->height());
        QWidget* popup = calendar->window();
        QVERIFY(days->viewport()->mapTo(popup, QPoint(0, bottom)).y() <= popup->height());
        popup->close();
    }

    // The keyboard alone fills and saves a form: it opens in its first box, Tab reads the common
    // tab in order, Esc asks the closing question (cancelled: all stays as it was), and Ctrl+S
    // stores, then refreshes the main window in order.
    void keyboardAloneFillsAndSaves() {
        fx->prefs.setLastType(Pins);
        EditForm* form = fx->newForm(Banks);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(QApplication::focusWidget(), form->Texts(Box::Description));
        QList<QWidget*> order;
        for (int i = 0; i < 7; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget();
        }
        QCOMPARE(order, QList<QWidget*>({form->Texts(Box::AccountName), form->Texts(Box::Password),
                                         form->Command_GeneneratePassword(),
                                         form->DTPicker_ExpirationPwd()->checkBox(), form->Texts(Box::Notes),
                                         form->Command_ok(), form->Command_cancel()}));

        QTest::keyClicks(form->Texts(Box::AccountName), "joe");
        fx->prompts.answerCancel();
        QTest::keyClick(form->Texts(Box::AccountName), Qt::Key_Escape);
        QCOMPARE(fx->prompts.last(), kUnsaved);
        QCOMPARE(fx->commands.openForm(Banks), form);
        QCOMPARE(form->boxText(0), "joe");
        QVERIFY(form->FormChanged());

        QTest::keyClick(form->Texts(Box::AccountName), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!fx->commands.openForm(Banks));
        QCOMPARE(fx->main.calls,
                 QStringList({"set_Modified(1)", "set_UndoNew", "ListAccounts(5)", "UpdateBar"}));
        QCOMPARE(fx->shown(), QStringList{T(TextId::StoredBanks)});
        QCOMPARE(fx->engine().CategoryCount(Banks), 1);
    }

    // The account name is trimmed; on Files and Serials the file or software name (box 14),
    // trimmed, stands in for a missing one. Without a name nothing is stored and the form stays.
    // No expiry date was picked: none is stored.
    void nameRules() {
        const struct {
            int category;
            const char *name, *box14, *stored; // "": refused
        } rows[] = {
            {WebSites, "  joe  ", "site", "joe"}, {WebSites, "   ", "site", ""},  {Banks, "", "bank", ""},
            {Files, "  ", "  f.txt ", "f.txt"},   {Files, "joe", "f.txt", "joe"}, {Files, " ", "   ", ""},
            {Serials, "", " Office ", "Office"},  {Serials, "", "", ""}};
        for (const auto& [category, name, box14, stored] : rows) {
            fx = std::make_unique<EditRun>();
            EditForm* form = fx->newForm(category);
            form->setBoxText(99, "My bank");
            form->setBoxText(0, name);
            form->setBoxText(14, box14);
            QVERIFY(!form->DTPicker_ExpirationPwd()->hasDate());
            form->Command_ok()->click();
            const CategoryInfo* info = categoryInfo(category);
            QCOMPARE(fx->shown(), QStringList{T(TextId(*stored ? info->msgStored : info->msgNameMissing))});
            QCOMPARE(fx->commands.openForm(category), *stored ? nullptr : form);
            AccountRecords out;
            QCOMPARE(fx->engine().GetRecords(out, AllCategories), *stored ? 1 : 0);
            if (*stored) {
                QCOMPARE(out.front().AccountName, stored);
                QCOMPARE(out.front().ExpirationPwd, NoDate);
                QCOMPARE(out.front().*member(fieldsOf(category).value(13).second), box14); // as typed
            }
        }
    }

    // Only typing marks the form changed, wherever it is typed; Cancel then asks, and Yes stores.
    void typingAddsOneStarAndCancelAsks() {
        const AccountRecord record = fx->put(Dialup, "isp", "joe");
        EditForm* form = fx->edit(record);
        form->setBoxText(18, "set by code");
        form->Check_MyAccount()->setChecked(true);
        form->DTPicker_ExpirationPwd()->setValue(45000);
        QVERIFY(form->Populate(record.ID, false));
        for (int key : {Qt::Key_Tab, Qt::Key_Left, Qt::Key_End})
            QTest::keyClick(form->Texts(0), Qt::Key(key));
        QVERIFY(!form->FormChanged());
        QCOMPARE(form->windowTitle(), caption(Dialup));

        QTest::keyClicks(form->Texts(18), "abc"); // Specific tab, several lines
        QTest::keyClicks(form->Texts(2), "de");   // Advanced tab
        QTest::keyClick(form->Texts(99), Qt::Key_Delete);
        QVERIFY(form->FormChanged());
        QCOMPARE(form->windowTitle(), caption(Dialup) + '*');

        fx->prompts.answerYes();
        form->Command_cancel()->click();
        QCOMPARE(fx->prompts.last(), kUnsaved);
        QCOMPARE(fx->shown(), QStringList{T(TextId::StoredDialup)});
        QCOMPARE(fx->main.calls.first(), "set_UndoNew");
        QVERIFY(!fx->commands.openForm(Dialup));
        QCOMPARE(fx->engine().AccountCount(), 1);
        QCOMPARE(fx->stored(record.ID).Parameters, "abc");
        QCOMPARE(fx->stored(record.ID).RemindPhrase, "de");
    }

    void failedSaveKeepsTheForm() {
        const AccountRecord record = fx->put(Banks, "bank", "joe");
        EditForm* form = fx->edit(record);
        QTest::keyClicks(form->Texts(99), " typed");
        fx->engine().DeleteRecord(record.ID, Banks, true); // meanwhile, from the list
        form->Command_ok()->click();
        QCOMPARE(fx->shown(), QStringList{T(TextId::NotStoredBanks)});
        QCOMPARE(form->windowTitle(), caption(Banks) + '*');

        fx->prompts.answerYes();
        QVERIFY(!form->close()); // Yes to storing, and storing failed: nothing typed is lost
        QCOMPARE(fx->prompts.last(), kUnsaved);
        QCOMPARE(fx->shown().last(), T(TextId::NotStoredBanks) + ' ' + T(TextId::FormStaysOpen));
        QCOMPARE(fx->commands.openForm(Banks), form);
        QCOMPARE(form->boxText(99), "bank typed");

        fx->engine().CloseFile(); // the engine now throws: still no success
        form->Command_ok()->click();
        QCOMPARE(fx->shown().last(), T(TextId::NotStoredBanks));
        QVERIFY(fx->main.calls.isEmpty());
        fx->prompts.answerNo();
        QVERIFY(form->close());
        QVERIFY(!fx->commands.openForm(Banks));
    }

    // Unedited boxes give back what they got: dates, line ends, separators and no length limit.
    void datesAndTextsComeBackExactly() {
        AccountRecord record = fx->put(Services, QString(40000, 'd'), "joe");
        record.Notes = "a\r\nb\u00a0\u2028c\r\n";
        record.ServiceWhat = "one\rtwo";
        for (double date : {0.0, 2.0, 2.5}) {
            record.ExpirationPwd = date;
            fx->engine().PutRecord(record);
            EditForm* form = fx->edit(record);
            QCOMPARE(form->DTPicker_ExpirationPwd()->hasDate(), IsDateSet(date));
            QTest::keyClicks(form->Texts(2), "x");
            form->Command_ok()->click();
            const AccountRecord stored = fx->stored(record.ID);
            QCOMPARE(stored.ExpirationPwd, IsDateSet(date) ? date : NoDate);
            QCOMPARE(stored.Description.size(), 40000);
            QCOMPARE(stored.Notes, record.Notes);
            QCOMPARE(stored.ServiceWhat, record.ServiceWhat);
        }
        EditForm* form = fx->edit(record);
        QTest::keyClicks(form->Texts(11), "x");
        form->Command_ok()->click();
        QCOMPARE(fx->stored(record.ID).Notes, "xa\r\nb\u00a0\r\nc\r\n"); // edited: line ends kept
    }

    // The bar follows the password however it changes; generating fills the box but is not
    // typing, so the caption keeps no "*" and what is stored is what was generated.
    void passwordBoxRatesAndGenerates() {
        EditForm* form = fx->newForm(Forums);
        QVERIFY(form->Texts(1)->toolTip() != T(TextId::PasswordBoxTip));
        QTest::keyClicks(form->Texts(1), "abc");
        QCOMPARE(form->ARProgressBar_password()->value(), 18);
        QCOMPARE(form->Texts(1)->toolTip(), T(TextId::PasswordBoxTip));
        form->close();

        const AccountRecord record = fx->put(Forums, "forum", "joe", "12345678");
        form = fx->edit(record);
        QCOMPARE(form->ARProgressBar_password()->value(), 50);
        form->Command_GeneneratePassword()->click();
        QCOMPARE(form->ARProgressBar_password()->value(), 62); // ten characters
        form->Command_GeneneratePassword()->menu()->actions().last()->trigger();
        const QString generated = form->boxText(1);
        QCOMPARE(generated.size(), 100);
        QCOMPARE(form->ARProgressBar_password()->value(), 100);
        QVERIFY(!form->FormChanged());
        QCOMPARE(form->windowTitle(), caption(Forums));
        form->Command_ok()->click();
        QCOMPARE(fx->stored(record.ID).Password, generated);
    }

    void hiddenCharCarriesToLaterFormsAndRestarts() {
        fx->main.window.setStyleSheet("QLabel { color: navy; }"); // a skinned main window
        EditForm* first = fx->newForm(Banks);
        QVERIFY(!masked(first)); // nothing stored: in clear
        QTest::mouseDClick(first->Texts(1), Qt::LeftButton);
        QVERIFY(masked(first));
        QCOMPARE(fx->prefs.HiddenChar(), "#");

        EditForm* second = fx->newForm(Pins);
        QVERIFY(masked(second));
        second->setBoxText(1, "pw");
        QCOMPARE(qobject_cast<QLineEdit*>(second->Texts(1))->displayText(), "##");
        QTest::mouseDClick(second->Texts(1), Qt::LeftButton);
        QVERIFY(!masked(second));
        QVERIFY(masked(first)); // an open form keeps its own
        QCOMPARE(fx->prefs.HiddenChar(), QString());
        QTest::mouseDClick(second->Texts(1), Qt::LeftButton);

        KW_ini ini(fx->iniPath); // the next run reads the same settings file
        QCOMPARE(Preferences(ini, fx->clock, fx->dir.path()).HiddenChar(), "#");
    }

    // Leaving the password box warns when another account has that password; the account's own
    // does not count, and the warning stops nothing.
    void passwordInUseByAnotherAccount() {
        const AccountRecord shared = fx->put(Banks, "bank", "joe", "same");
        fx->put(Pins, "pin", "joe", "same");
        auto leavePassword = [](EditForm* form) {
            QVERIFY(QTest::qWaitForWindowActive(form));
            form->Texts(1)->setFocus();
            QTest::keyClick(form->Texts(1), Qt::Key_Tab);
            QVERIFY(!form->Texts(1)->hasFocus());
        };
        EditForm* form = fx->edit(fx->put(Banks, "bank 2", "ann", "mine"));
        leavePassword(form);
        QCOMPARE(fx->shown(), QStringList());
        form->close();

        form = fx->edit(shared);
        leavePassword(form);
        QCOMPARE(fx->shown(), QStringList{T(TextId::PasswordInUse)});
        form->Command_ok()->click();
        QCOMPARE(fx->shown().last(), T(TextId::StoredBanks));

        form = fx->newForm(Misc); // not stored yet: every account counts
        QTest::keyClicks(form->Texts(1), "mine");
        leavePassword(form);
        QCOMPARE(fx->shown().last(), T(TextId::PasswordInUse));
    }

    void focusSelectsTheWholeText() {
        AccountRecord record = fx->put(Misc, "misc", "joe", "pw");
        record.Notes = "line one\nline two";
        fx->engine().PutRecord(record);
        EditForm* form = fx->edit(record);
        QVERIFY(QTest::qWaitForWindowActive(form));
        for (int box : {99, 0, 1}) {
            auto* line = qobject_cast<QLineEdit*>(form->Texts(box));
            line->setFocus(Qt::OtherFocusReason);
            QCOMPARE(line->selectedText(), line->text());
        }
        auto* notes = qobject_cast<QPlainTextEdit*>(form->Texts(11));
        notes->setFocus(Qt::OtherFocusReason);
        QCOMPARE(notes->textCursor().selectionStart(), 0);
        QCOMPARE(notes->textCursor().selectionEnd(), notes->toPlainText().size());
    }
};

QTEST_MAIN(TestEditForm)
#include "tst_editform.moc"
