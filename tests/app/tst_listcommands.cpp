// Find, the clipboard and web commands and the menus that follow the list, driven through the
// main window's real menus, keys and language file.

#include "AccountListView.h"
#include "Find.h"
#include "MainRun.h"

namespace {

using C = MenuCommand;

struct ListRun : MainRun {
    QAction* action(C command) { return main->menus().action(command); }
    void key(Qt::Key key) { QTest::keyClick(main.get(), key, Qt::ControlModifier); } // Ctrl+key
    QLineEdit* searchBox() { return main->findDialog()->findChild<QLineEdit*>("Text_ToSearch"); }
    void type(const QString& text) {
        searchBox()->clear();
        QTest::keyClicks(searchBox(), text);
    }
    // A click on the first row of the list of one category.
    void clickFirstOf(int category) {
        main->ListAccounts(category);
        AccountListView& list = main->browser().listView();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualRect(list.model()->index(0, 1)).center());
    }
};

} // namespace

class TestListCommands : public QObject {
    Q_OBJECT
private slots:
    void findDialog() {
        ListRun f;
        Main& m = f.start();
        QVERIFY(f.showActive());
        f.key(Qt::Key_F); // no file, no dialog
        QVERIFY(!m.findDialog());

        f.makeVault("a.qx", "secret1", {"abc-one", "other", "my abc", "abc-two"});
        m.files().OpenGivenFile(f.path("a.qx"));
        f.enterPassword("secret1");
        m.ListAccounts(Banks);
        f.key(Qt::Key_F);
        QPointer<Find> dialog = m.findDialog();
        QVERIFY(dialog && !dialog->isModal() && dialog->parentWidget() == &m);
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTest::keyClicks(f.searchBox(), "abc");
        QTest::keyClick(f.searchBox(), Qt::Key_Left);
        QFocusEvent focusIn(QEvent::FocusIn, Qt::OtherFocusReason); // coming back to the box
        QApplication::sendEvent(f.searchBox(), &focusIn);
        QCOMPARE(f.searchBox()->selectedText(), "abc");
        f.trigger(C::FindAccountHidden);
        QCOMPARE(m.findDialog(), dialog.data()); // the same dialog, brought forward
        for (const char* language : {"English", "Italian", "German"})
            QCOMPARE(missingControls(languageCatalog(), language, dialog), QStringList());
        QCOMPARE(textsChangedBy(languageCatalog(), "English", dialog), QStringList());

        f.type("   "); // blanks only: nothing searched, the dialog stays
        QTest::keyClick(f.searchBox(), Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(m.browser().rowCount(), 4);
        f.type("  abc  ");
        QTest::keyClick(f.searchBox(), Qt::Key_Return);
        QTRY_VERIFY(!dialog);
        QCOMPARE(m.browser().rowCount(), 3);
        QCOMPARE(m.browser().panelText(1), Text(TextId::Showing) + "3" + Text(TextId::AccountsOutOf) + "4" +
                                               Text(TextId::ShowingInFile));

        // Cancel searches nothing; the next dialog starts empty, and its OK searches.
        m.browser().explorerBar().itemButton("Main", "Find")->click();
        f.type("other");
        m.findDialog()->findChild<QPushButton*>("Command_Cancel")->click();
        QVERIFY(!m.findDialog() || m.findDialog()->isHidden());
        QCOMPARE(m.browser().rowCount(), 3);
        f.trigger(C::FindAccount);
        QCOMPARE(f.searchBox()->text(), QString());
        f.type("zzz");
        m.findDialog()->findChild<QPushButton*>("Command_OK")->click();
        QCOMPARE(m.browser().rowCount(), 0);
    }

    void contextMenusFollowTheList() {
        ListRun f;
        Main& m = f.startWithOpenVault();
        QVERIFY(f.showActive());
        AccountRecord site = f.put(WebSites, "Shop", "ann");
        site.WebsiteUrl = " shop.example.com/a&b ";
        QVERIFY(f.engine().PutRecord(site));
        f.put(Banks, "Bank", "joe");
        f.clickFirstOf(WebSites);
        QVERIFY(f.action(C::VisitWebSite)->isVisible() && f.action(C::VisitWebSiteMain)->isVisible());
        QCOMPARE(f.action(C::VisitWebSite)->text(), Text(TextId::JumpTo) + "shop.example.com/a&&b");
        QCOMPARE(f.action(C::VisitWebSiteMain)->text(),
                 Text(TextId::JumpToWebSite) + "shop.example.com/a&&b");
        f.key(Qt::Key_J);
        f.trigger(C::VisitWebSite);
        QCOMPARE(f.links.opened, QList<QUrl>(2, QUrl("http://shop.example.com/a&b")));
        f.clickFirstOf(Banks); // no web address: both hidden, and Ctrl+J does nothing
        QVERIFY(!f.action(C::VisitWebSite)->isVisible() && !f.action(C::VisitWebSiteMain)->isVisible());
        f.key(Qt::Key_J);
        QCOMPARE(f.links.opened.size(), 2);

        // A search without result, then a click on the emptied list: the ten account entries go
        // off, export stays on.
        const C accountEntries[] = {C::CopyAccount,         C::CopyAccountMain,   C::CopyPassword,
                                    C::CopyPasswordMain,    C::EditAccountHidden, C::EditAccount,
                                    C::DeleteAccountHidden, C::DeleteAccount,     C::DuplicateAccountHidden,
                                    C::DuplicateAccount};
        for (C command : accountEntries)
            QVERIFY(f.action(command)->isEnabled());
        m.Find_Account("zzz");
        QTest::mouseClick(m.browser().listView().viewport(), Qt::LeftButton, {}, QPoint(30, 30));
        for (C command : accountEntries)
            QVERIFY(!f.action(command)->isEnabled());
        QVERIFY(f.action(C::Export)->isEnabled() && f.action(C::ExportMain)->isEnabled());
    }

    // Every entry and key reaches its command (the generated passwords too); at exit the clipboard
    // is emptied only while it still holds the password copied last.
    void menusReachTheClipboardAndExitClearsIt() {
        for (bool replaced : {false, true}) {
            ListRun f;
            f.startWithOpenVault();
            QVERIFY(f.showActive());
            f.put(Banks, "Bank", "joe", "pw1");
            f.clickFirstOf(Banks);
            const QString line = "\"Bank\",\"joe\",\"pw1\"\r\n";
            const std::pair<C, QString> entries[] = {
                {C::CopyAccount, "joe"}, {C::ExportMain, line},       {C::CopyPassword, "pw1"},
                {C::Export, line},       {C::CopyAccountMain, "joe"}, {C::CopyPasswordMain, "pw1"}};
            for (const auto& [command, text] : entries) {
                f.trigger(command);
                QCOMPARE(Clipboard().text(), text);
            }
            f.trigger(C::GeneratePassword);
            QCOMPARE(Clipboard().text().size(), 10);
            f.prompts.answerInput("3");
            f.prompts.answerInput("4");
            f.trigger(C::GenerateTrain);
            QCOMPARE(Clipboard().text().size(), 3 * 6); // three of four characters, each line ending CR LF
            f.key(Qt::Key_F1);
            QCOMPARE(Clipboard().text(), "joe");
            f.key(Qt::Key_F2);
            QCOMPARE(Clipboard().text(), "pw1");
            if (replaced)
                Clipboard().put("shopping list", Clipboard::Kind::Plain);
            f.trigger(C::Exit);
            QCOMPARE(f.quits, 1);
            QCOMPARE(Clipboard().text(), replaced ? "shopping list" : "");
        }
    }
};

QTEST_MAIN(TestListCommands)
#include "tst_listcommands.moc"
