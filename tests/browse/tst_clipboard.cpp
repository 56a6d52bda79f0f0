// Copying an account's name or password and exporting the selected accounts, on a real vault and
// the offscreen platform's clipboard.

#include "BrowserWindow.h"
#include "Clipboard.h"
#include "ClipboardCommands.h"

class TestClipboard : public QObject {
    Q_OBJECT
    std::unique_ptr<TestServices> s_;
    std::unique_ptr<BrowserWindow> w_;
    std::unique_ptr<ClipboardCommands> c_;

    Browser& b() { return *w_->browser; }
    QString clip() { return Clipboard().text(); }

private slots:
    void initTestCase() { useTestTexts(); }
    void init() {
        s_ = std::make_unique<TestServices>();
        w_ = std::make_unique<BrowserWindow>(*s_);
        c_ = std::make_unique<ClipboardCommands>(s_->services, *w_->browser);
        w_->window.show();
        QVERIFY(w_->createVault());
        Clipboard().put("the user's own text", Clipboard::Kind::Plain);
    }
    void cleanup() {
        c_.reset();
        w_.reset();
        s_.reset();
    }

    void copyNeedsASelectedRow_data() {
        QTest::addColumn<bool>("password");
        QTest::newRow("account name") << false;
        QTest::newRow("password") << true;
    }
    void copyNeedsASelectedRow() {
        QFETCH(bool, password);
        const auto copy = [&] { password ? c_->CopyPassword() : c_->CopyAccountName(); };
        copy(); // an empty list
        QCOMPARE(s_->shown(), QStringList{T(TextId::SelectAccountFirst)});
        const int first = w_->add(Pins, "Door", "al", "1234");
        w_->add(Pins, "Safe", "bo", "9876");
        b().ListAccounts(Pins);
        w_->list().clearSelection();
        copy(); // the first row is selected for the user to repeat the command; nothing else happens
        QCOMPARE(b().SelectedAccountID(), first);
        QCOMPARE(b().CountSelectedAccounts(), 1);
        QCOMPARE(s_->shown().size(), 1);
        QCOMPARE(clip(), "the user's own text");
        copy();
        QCOMPARE(clip(), password ? "1234" : "al");
    }

    void copiesAndTheirMarks() {
        w_->add(WebSites, "Shop", "ann", " s3cret ");
        b().ListAccounts(WebSites);
        c_->CopyAccountName();
        QCOMPARE(clip(), "ann");
        QVERIFY(!Clipboard().holdsSecretHint());
        QCOMPARE(s_->shown(),
                 QStringList{T(TextId::AccountNameCopiedBefore) + "ann" + T(TextId::AccountNameCopiedAfter)});
        QCOMPARE(b().CopiedPasswordTime(), -1);
        QVERIFY(!c_->holdsCopiedPassword());

        s_->clock.advanceSecs(5);
        c_->CopyPassword();
        QCOMPARE(clip(), " s3cret ");
        QVERIFY(Clipboard().holdsSecretHint());
        QCOMPARE(s_->shown().last(),
                 T(TextId::PasswordCopiedBefore) + "ann" + T(TextId::PasswordCopiedAfter));
        const QString digest = s_->engine().DigestText(" s3cret ");
        QCOMPARE(b().CopiedPasswordDigest(), digest);
        QCOMPARE(b().copiedPasswordToWipe(), digest);
        QCOMPARE(b().CopiedPasswordTime(), s_->clock.monotonicMs());
        QVERIFY(c_->holdsCopiedPassword());

        // What the user copies afterwards is theirs: clearing leaves it alone.
        Clipboard().put(" s3cret x", Clipboard::Kind::Plain);
        c_->clearCopiedPassword();
        QCOMPARE(clip(), " s3cret x");

        // A row whose account is gone: the clipboard emptied, nothing recorded, the failure told.
        const qint64 copiedAt = b().CopiedPasswordTime();
        s_->clock.advanceSecs(5);
        s_->noticesShown.clear();
        w_->listGoneAccount();
        c_->CopyAccountName();
        QCOMPARE(clip(), QString());
        Clipboard().put(" s3cret ", Clipboard::Kind::Secret);
        c_->CopyPassword();
        QCOMPARE(clip(), QString());
        QCOMPARE(s_->shown(), QStringList({T(TextId::AccountNameNotCopied), T(TextId::PasswordNotCopied)}));
        QCOMPARE(b().copiedPasswordToWipe(), digest);
        QCOMPARE(b().CopiedPasswordTime(), copiedAt);
    }

    void exportFollowsTheListedOrder() {
        w_->add(Forums, "The \"best\" forum", "zed", "p\"w");
        w_->add(Forums, "Plain", "amy", "x,y");
        w_->add(Forums, "Third", "max", "");
        b().ListAccounts(Forums);
        w_->list().clearSelection();
        c_->ExportAccounts(); // nothing selected: nothing is selected on the user's behalf
        QCOMPARE(s_->shown(), QStringList{T(TextId::SelectAccountFirst)});
        QCOMPARE(b().CountSelectedAccounts(), 0);
        QCOMPARE(clip(), "the user's own text");

        const QString zed = "\"The \"best\" forum\",\"zed\",\"p\"w\"\r\n";
        const QString amy = "\"Plain\",\"amy\",\"x,y\"\r\n";
        w_->list().selectRow(0); // Plain
        c_->ExportAccounts();
        QCOMPARE(clip(), amy);
        QCOMPARE(s_->shown().last(), T(TextId::AccountsExported));
        QVERIFY(Clipboard().holdsSecretHint());

        w_->list().selectAll();
        b().ListView_Accounts_ColumnClick(2);
        b().ListView_Accounts_ColumnClick(2);                            // account name, descending
        w_->list().selectionModel()->select(b().listModel().index(1, 0), // max
                                            QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        c_->ExportAccounts();
        QCOMPARE(clip(), zed + amy);
        QVERIFY(b().copiedPasswordToWipe().isEmpty()); // an export is not a copied password

        // A selected row whose account is gone: the export ends without a word, the clipboard kept.
        s_->noticesShown.clear();
        w_->listGoneAccount();
        w_->list().selectAll();
        c_->ExportAccounts();
        QVERIFY(s_->shown().isEmpty());
        QCOMPARE(clip(), zed + amy);
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestClipboard)
#include "tst_clipboard.moc"
