#include "EditRun.h"

#include <QPushButton>
#include <QTest>

class TestAccountCommands : public QObject {
    Q_OBJECT
    std::unique_ptr<EditRun> fx;

private slots:
    void initTestCase() { useTestTexts(); }
    void init() { fx = std::make_unique<EditRun>(); }
    void cleanup() { fx.reset(); }

    void secondNewAccountAsks() {
        fx->main.current = Pins;
        fx->commands.NewAccount();
        EditForm* form = fx->commands.openForm(Pins);
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->parentWidget(), &fx->main.window);
        QVERIFY(fx->prompts.asked.isEmpty());
        QTest::keyClicks(form->Texts(0), QStringLiteral("joe"));

        fx->prompts.answerNo();
        fx->commands.NewAccount();
        QCOMPARE(fx->shown(), QStringList{T(TextId::AlreadyEnteringNew)});
        QCOMPARE(fx->prompts.last(), T(TextId::NewAccountTitle) + ": " + T(TextId::OpenNewFormAnyway));
        fx->prompts.answerYes();
        fx->commands.NewAccount();
        QCOMPARE(fx->commands.openForm(Pins), form); // brought forward unchanged
        QCOMPARE(form->boxText(0), QStringLiteral("joe"));

        fx->prompts.answerNo(); // the closing question: discard
        QVERIFY(form->close());
        QVERIFY(!fx->commands.UndoNew()); // closed with its close box: nothing pending any more
        const auto askedBefore = fx->prompts.asked.size();
        fx->commands.NewAccount();
        QCOMPARE(fx->prompts.asked.size(), askedBefore);
        form = fx->commands.openForm(Pins);
        QVERIFY(form && form->boxText(0).isEmpty());

        form->Command_cancel()->click();
        QVERIFY(!fx->commands.UndoNew());
        const auto asked = fx->prompts.asked.size();
        fx->commands.NewAccount();
        QCOMPARE(fx->prompts.asked.size(), asked);
    }

    void categoryCodesOutsideTheTableAreIgnored() {
        const AccountRecord record = fx->put(Banks, QStringLiteral("bank"), QStringLiteral("joe"));
        for (int code : {-1, 13, 99}) {
            fx->commands.set_UndoNew(); // a New stopped by its category leaves the guard set
            fx->main.current = code;
            fx->commands.NewAccount();
            fx->commands.OpenAccountForm(record.ID, code, false);
            fx->commands.newAccountOf(code);
        }
        for (int c = 0; c < CategoryCountTotal; ++c)
            QVERIFY(!fx->commands.openForm(c));
        QVERIFY(fx->shown().isEmpty());
    }

    void nothingSelected() {
        fx->put(Banks, QStringLiteral("bank"), QStringLiteral("joe"));
        fx->commands.EditAccount();
        fx->commands.DuplicateAccount();
        fx->commands.DeleteAccounts();
        QCOMPARE(fx->shown(), QStringList({T(TextId::SelectAccountFirst), T(TextId::SelectAccountFirst),
                                           T(TextId::SelectAccountFirst)}));
        QVERIFY(fx->prompts.asked.isEmpty());
        QVERIFY(!fx->commands.openForm(Banks));
        QCOMPARE(fx->engine().AccountCount(), 1);
    }

    void editRefillsTheFormOfItsCategory() {
        const AccountRecord first = fx->put(Misc, QStringLiteral("first"), QStringLiteral("joe"));
        const AccountRecord second = fx->put(Misc, QStringLiteral("second"), QStringLiteral("ann"));
        EditForm* form = fx->edit(first);
        QCOMPARE(fx->edit(second), form);
        QCOMPARE(form->boxText(13), QString::number(second.ID));

        // Unsaved changes are not simply overwritten: the closing question comes first.
        QTest::keyClicks(form->Texts(99), QStringLiteral(" typed"));
        fx->prompts.answerNo();
        form = fx->edit(first);
        QCOMPARE(fx->prompts.last(), T(TextId::FormUnsavedTitle) + ": " + T(TextId::FormUnsavedPrompt));
        QCOMPARE(form->boxText(99), QStringLiteral("first"));
        QVERIFY(!form->FormChanged());

        QTest::keyClicks(form->Texts(99), QStringLiteral(" typed"));
        fx->engine().DeleteRecord(first.ID, Misc, true);
        fx->prompts.answerYes();
        QCOMPARE(fx->edit(second), form); // could not be stored: the typing stays
        QCOMPARE(form->boxText(99), QStringLiteral("first typed"));
        QCOMPARE(fx->shown().last(), T(TextId::NotStoredMisc) + QLatin1Char(' ') + T(TextId::FormStaysOpen));

        // A row key whose category is not the account's opens nothing.
        fx->main.selected = {QStringLiteral("ID:%1:%2").arg(second.ID).arg(int(Banks))};
        fx->commands.EditAccount();
        QVERIFY(!fx->commands.openForm(Banks));
        QCOMPARE(fx->shown().last(), T(TextId::SelectAccountFirst));
    }

    void duplicateIsStoredAsANewAccount() {
        AccountRecord original = fx->put(CreditCards, QStringLiteral("card"), QStringLiteral("joe"));
        original.CardExpiration = QStringLiteral("12/27");
        original.Notes = QStringLiteral("line\nline");
        original.ExpirationPwd = 45000;
        original.MyAccount = true;
        fx->engine().PutRecord(original);

        fx->main.select({original});
        fx->commands.DuplicateAccount();
        EditForm* form = fx->commands.openForm(CreditCards);
        QVERIFY(form && form->boxText(13).isEmpty());
        form->Command_ok()->click();

        QCOMPARE(fx->engine().AccountCount(), 2);
        QCOMPARE(fx->stored(original.ID), original);
        AccountRecords out;
        fx->engine().GetRecords(out, CreditCards);
        AccountRecord copy = out[0].ID == original.ID ? out[1] : out[0];
        QVERIFY(copy.ID != original.ID);
        copy.ID = original.ID;
        copy.RecordDate = original.RecordDate;
        QCOMPARE(copy, original);
    }

    void deleteOne() {
        fx->prefs.setLastType(Banks);
        const AccountRecord keep = fx->put(Pins, QStringLiteral("Other"), QStringLiteral("ann"));
        const AccountRecord home = fx->put(Pins, QStringLiteral("Home"), QStringLiteral("joe"));
        fx->main.select({home});
        fx->prompts.answerNo();
        fx->commands.DeleteAccounts();
        QCOMPARE(fx->prompts.last(), T(TextId::ConfirmDeleteTitle) + ": " + T(TextId::ConfirmDeleteOne) +
                                         QStringLiteral("Home/joe?"));
        QCOMPARE(fx->engine().AccountCount(), 2);

        fx->prompts.answerYes();
        fx->commands.DeleteAccounts();
        QCOMPARE(fx->shown(), QStringList{T(TextId::AccountDeletedBefore) + QStringLiteral("Home/joe") +
                                          T(TextId::AccountDeletedAfter)});
        QCOMPARE(fx->main.calls, QStringList({"UpdateBar", "ListAccounts(10)", "set_Modified(1)"}));
        QCOMPARE(fx->engine().AccountCount(), 1);
        QCOMPARE(fx->stored(keep.ID), keep);

        fx->prompts.answerYes(); // the row is stale now: no success notice, no refresh
        fx->commands.DeleteAccounts();
        QCOMPARE(fx->shown().last(), T(TextId::DeleteFailed));
        QCOMPARE(fx->main.calls.size(), 3);
    }

    void deleteSeveral() {
        QList<AccountRecord> all;
        for (int i = 0; i < 5; ++i)
            all << fx->put(i % 2 ? Banks : Serials, QStringLiteral("acct %1").arg(i), QStringLiteral("joe"));
        fx->main.select({all[0], all[3], all[4]});
        fx->prompts.answerNo();
        fx->commands.DeleteAccounts();
        QCOMPARE(fx->prompts.last(), T(TextId::ConfirmDeleteTitle) + ": " + T(TextId::ConfirmDeleteMany) +
                                         QStringLiteral("3") + T(TextId::ConfirmDeleteManyAfter));
        QCOMPARE(fx->engine().AccountCount(), 5);

        fx->prompts.answerYes();
        fx->commands.DeleteAccounts();
        QCOMPARE(fx->shown(), QStringList{T(TextId::AccountsDeleted)});
        QCOMPARE(fx->main.calls, QStringList({"UpdateBar", "ListAccounts(0)", "set_Modified(1)"}));
        AccountRecords left;
        QCOMPARE(fx->engine().GetRecords(left, AllCategories), 2);
        QCOMPARE(QSet<int>({left[0].ID, left[1].ID}), QSet<int>({all[1].ID, all[2].ID}));

        fx->main.select({all[0], all[1]}); // the first went already
        fx->prompts.answerYes();
        fx->commands.DeleteAccounts();
        QCOMPARE(fx->engine().AccountCount(), 1);
        QCOMPARE(fx->shown().last(), T(TextId::DeleteFailed));
    }

    void newAccountOfACategoryAndCloseAllForms() {
        const AccountRecord bank = fx->put(Banks, QStringLiteral("bank"), QStringLiteral("joe"));
        fx->edit(bank);
        fx->commands.newAccountOf(Pins);
        QCOMPARE(fx->main.current, int(Pins));
        QVERIFY(fx->commands.openForm(Pins));
        QVERIFY(fx->main.calls.isEmpty()); // the list keeps what it shows
        QVERIFY(fx->commands.closeAllForms());
        QVERIFY(!fx->commands.openForm(Banks) && !fx->commands.openForm(Pins));

        EditForm* form = fx->edit(bank);
        QTest::keyClicks(form->Texts(0), QStringLiteral("x"));
        fx->engine().DeleteRecord(bank.ID, Banks, true);
        fx->prompts.answerYes();
        QVERIFY(!fx->commands.closeAllForms());
        QCOMPARE(fx->commands.openForm(Banks), form);
    }
};

QTEST_MAIN(TestAccountCommands)
#include "tst_accountcommands.moc"
