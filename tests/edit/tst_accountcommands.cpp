#include "EditRun.h"
#include "FieldSets.h"

#include <QTest>
#include <QtWidgets>

class TestAccountCommands : public QObject {
    Q_OBJECT
    std::unique_ptr<EditRun> fx;

private slots:
    void initTestCase() { useTestTexts(); }
    void init() { fx = std::make_unique<EditRun>(); }
    void cleanup() { fx.reset(); }

    void secondNewAccountAsks() {
        EditForm* form = fx->newForm(Pins);
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->parentWidget(), &fx->main.window);
        QTest::keyClicks(form->Texts(0), "joe");

        fx->prompts.answerNo();
        fx->commands.NewAccount();
        QCOMPARE(fx->shown(), QStringList{T(TextId::AlreadyEnteringNew)});
        QCOMPARE(fx->prompts.last(), T(TextId::NewAccountTitle) + ": " + T(TextId::OpenNewFormAnyway));
        fx->prompts.answerYes();
        fx->commands.NewAccount();
        QCOMPARE(fx->commands.openForm(Pins), form); // brought forward unchanged
        QCOMPARE(form->boxText(0), "joe");

        // However the form closes, no new account is pending any more: New asks nothing.
        fx->prompts.answerNo(); // the closing question: discard
        QVERIFY(form->close());
        QVERIFY(!fx->commands.UndoNew());
        fx->commands.NewAccount();
        QCOMPARE(fx->prompts.asked.size(), 3); // the two New questions and the closing one
        form = fx->commands.openForm(Pins);
        QVERIFY(form && form->boxText(0).isEmpty());
        form->Command_cancel()->click();
        QVERIFY(!fx->commands.UndoNew());
    }

    // Without a selected account, or with a category code outside the table, the commands open
    // nothing, ask nothing and change nothing.
    void nothingSelectedOrNoSuchCategory() {
        const AccountRecord record = fx->put(Banks, "bank", "joe");
        fx->commands.EditAccount();
        fx->commands.DuplicateAccount();
        fx->commands.DeleteAccounts();
        QCOMPARE(fx->shown(), QStringList(3, T(TextId::SelectAccountFirst)));
        for (int code : {-1, 13, 99}) {
            fx->commands.set_UndoNew(); // a New stopped by its category leaves the guard set
            fx->main.current = code;
            fx->commands.NewAccount();
            fx->commands.OpenAccountForm(record.ID, code, false);
            fx->commands.newAccountOf(code);
        }
        for (int c = 0; c < CategoryCountTotal; ++c)
            QVERIFY(!fx->commands.openForm(c));
        QCOMPARE(fx->shown().size(), 3);
        QVERIFY(fx->prompts.asked.isEmpty());
        QCOMPARE(fx->engine().AccountCount(), 1);
    }

    void editRefillsTheFormOfItsCategory() {
        const AccountRecord first = fx->put(Misc, "first", "joe");
        const AccountRecord second = fx->put(Misc, "second", "ann");
        EditForm* form = fx->edit(first);
        QCOMPARE(fx->edit(second), form);
        QCOMPARE(form->boxText(13), QString::number(second.ID));

        // Unsaved changes are not simply overwritten: the closing question comes first.
        QTest::keyClicks(form->Texts(99), " typed");
        fx->prompts.answerNo();
        form = fx->edit(first);
        QCOMPARE(fx->prompts.last(), T(TextId::FormUnsavedTitle) + ": " + T(TextId::FormUnsavedPrompt));
        QCOMPARE(form->boxText(99), "first");
        QVERIFY(!form->FormChanged());

        // Typing the user wants kept but that cannot be stored keeps the form as it is, whatever
        // asks it to close.
        QTest::keyClicks(form->Texts(99), " typed");
        fx->engine().DeleteRecord(first.ID, Misc, true);
        fx->prompts.answerYes();
        QCOMPARE(fx->edit(second), form);
        QCOMPARE(form->boxText(99), "first typed");
        QCOMPARE(form->boxText(13), QString::number(first.ID));
        fx->prompts.answerYes();
        QVERIFY(!fx->commands.closeAllForms());
        QCOMPARE(fx->commands.openForm(Misc), form);

        // A row key whose category is not the account's opens nothing.
        fx->main.selected = {QStringLiteral("ID:%1:%2").arg(second.ID).arg(int(Banks))};
        fx->commands.EditAccount();
        QVERIFY(!fx->commands.openForm(Banks));
        QCOMPARE(fx->shown().last(), T(TextId::SelectAccountFirst));
    }

    void duplicateIsStoredAsANewAccount() {
        AccountRecord original = fx->put(CreditCards, "card", "joe");
        original.CardExpiration = "12/27";
        original.Notes = "line\nline";
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
        copy.ID = original.ID;
        copy.RecordDate = original.RecordDate;
        QCOMPARE(copy, original);
    }

    // Delete asks first, naming one account or counting several; No changes nothing. Rows gone
    // meanwhile are never reported as deleted.
    void deleteAsksThenDeletes() {
        fx->prefs.setLastType(Banks);
        QList<AccountRecord> all;
        for (int i = 0; i < 5; ++i)
            all << fx->put(i % 2 ? Banks : Serials, QStringLiteral("acct %1").arg(i), "joe");
        auto remove = [&](const QList<AccountRecord>& rows, bool yes) {
            fx->main.select(rows);
            yes ? fx->prompts.answerYes() : fx->prompts.answerNo();
            fx->commands.DeleteAccounts();
        };
        const QString title = T(TextId::ConfirmDeleteTitle) + ": ";
        const QStringList refreshed{"UpdateBar", "ListAccounts(10)", "set_Modified(1)"};
        remove({all[0]}, false);
        QCOMPARE(fx->prompts.last(), title + T(TextId::ConfirmDeleteOne) + "acct 0/joe?");
        remove({all[1], all[3], all[4]}, false);
        QCOMPARE(fx->prompts.last(),
                 title + T(TextId::ConfirmDeleteMany) + "3" + T(TextId::ConfirmDeleteManyAfter));
        QCOMPARE(fx->engine().AccountCount(), 5);

        remove({all[0]}, true);
        QCOMPARE(fx->shown(), QStringList{T(TextId::AccountDeletedBefore) + "acct 0/joe" +
                                          T(TextId::AccountDeletedAfter)});
        QCOMPARE(fx->main.calls, refreshed);
        remove({all[0]}, true); // the row is stale now: no success notice, no refresh
        QCOMPARE(fx->shown().last(), T(TextId::DeleteFailed));
        QCOMPARE(fx->main.calls, refreshed);

        fx->edit(all[1]);
        fx->edit(all[2]);
        QTest::keyClicks(fx->commands.openForm(Banks)->Texts(Box::Notes), "typed");
        const qsizetype asked = fx->prompts.asked.size();
        remove({all[1], all[3], all[4]}, true);
        // A form open on a deleted account goes with it, without a question; the others stay.
        QVERIFY(!fx->commands.openForm(Banks) && fx->commands.openForm(Serials));
        QCOMPARE(fx->prompts.asked.size(), asked + 1);
        QCOMPARE(fx->shown().last(), T(TextId::AccountsDeleted));
        QCOMPARE(fx->main.calls, refreshed + refreshed);
        AccountRecords left;
        QCOMPARE(fx->engine().GetRecords(left, AllCategories), 1);
        QCOMPARE(left.front(), all[2]);

        remove({all[0], all[2]}, true); // the first went already
        QCOMPARE(fx->engine().AccountCount(), 0);
        QCOMPARE(fx->shown().last(), T(TextId::DeleteFailed));
    }

    void newAccountOfACategoryAndCloseAllForms() {
        fx->edit(fx->put(Banks, "bank", "joe"));
        fx->commands.newAccountOf(Pins);
        QCOMPARE(fx->main.current, int(Pins));
        QVERIFY(fx->commands.openForm(Pins));
        QVERIFY(fx->main.calls.isEmpty()); // the list keeps what it shows
        QVERIFY(fx->commands.closeAllForms());
        QVERIFY(!fx->commands.openForm(Banks) && !fx->commands.openForm(Pins));
    }
};

QTEST_MAIN(TestAccountCommands)
#include "tst_accountcommands.moc"
