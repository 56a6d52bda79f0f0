// The category bar, the account list and the status bar on a real vault.

#include "BrowseTestKit.h"
#include "ExplorerBar.h"
#include "ListViewHandling.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>

using namespace browsekit;

class TestBrowser : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Env> env_;

    Env& e() { return *env_; }
    Browser& b() { return *env_->browser; }
    void openVault() { QVERIFY(e().createVault(dir_->filePath(QStringLiteral("test.qx")))); }
    QPoint rowCentre(int row) { return e().list().visualRect(b().listModel().index(row, 1)).center(); }
    void click(int row, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(e().list().viewport(), button, mods, rowCentre(row));
    }
    void clickBar(const char* group, const char* key) {
        b().explorerBar().itemButton(QLatin1String(group), QLatin1String(key))->click();
    }
    void clickHeader(int column) {
        QHeaderView* h = e().header();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + 5, h->height() / 2));
    }
    QStringList history() { return SharedForm::instance().history(); }

private slots:
    void initTestCase() {
        static QTemporaryDir languageDir;
        loadLanguages(languageDir.path());
    }
    void init() {
        languageCatalog().SelectLanguage(QStringLiteral("English"));
        dir_ = std::make_unique<QTemporaryDir>();
        env_ = std::make_unique<Env>(dir_->filePath(QStringLiteral("QX.ini")));
        env_->window.show();
        SharedForm::instance().hideAll();
        SharedForm::instance().clearHistory();
    }
    void cleanup() {
        env_.reset();
        dir_.reset();
    }

    void listingsPanelOneAndEmptyResults() {
        openVault();
        const int ids[] = {e().add(Banks, QStringLiteral("My bank"), QStringLiteral("joe")),
                           e().add(CreditCards, QStringLiteral("Visa"), QStringLiteral("joe.v")),
                           e().add(CreditCards, QStringLiteral("Amex"), QStringLiteral("joe.a"))};

        // An empty category: the zero form, the list hidden, the menus left alone.
        b().ListAccounts(Pins);
        QCOMPARE(b().panelText(1), QStringLiteral("No accounts of 3"));
        QVERIFY(e().list().isHidden());
        QCOMPARE(e().host.menuUpdates, 0);

        b().ListAccounts(Banks);
        QCOMPARE(b().panelText(1), QStringLiteral("One account of 3 in the file"));
        QVERIFY(!e().list().isHidden());

        // Rows in the engine's order, the first one selected and the menus told.
        b().ListAccounts(CreditCards);
        QCOMPARE(b().panelText(1), QStringLiteral("Showing 2 of 3 accounts"));
        QCOMPARE(e().column(0), QStringList({"Credit card", "Credit card"}));
        QCOMPARE(e().column(1), QStringList({"Amex", "Visa"}));
        QCOMPARE(e().column(2), QStringList({"joe.a", "joe.v"}));
        QCOMPARE(b().CountSelectedAccounts(), 1);
        QCOMPARE(b().SelectedAccountID(), ids[2]);
        QCOMPARE(b().SelectedAccountType(), int(CreditCards));
        QCOMPARE(e().host.menuUpdates, 2);

        // "Show all" and searches leave the category and LastType alone.
        b().ShowAll();
        QCOMPARE(b().panelText(1), QStringLiteral("Showing 3 of 3 accounts"));
        b().Find_Account(QStringLiteral("visa"));
        QCOMPARE(e().column(1), QStringList({QStringLiteral("Visa")}));
        b().Find_Account(QString()); // all accounts
        QCOMPARE(e().column(1), QStringList({"Amex", "My bank", "Visa"}));
        QCOMPARE(b().CurrentCategory(), int(CreditCards));
        QCOMPARE(e().prefs().LastType(), int(CreditCards));

        // A search without a match empties the list, keeps panel 1 and leaves the list visible.
        b().Find_Account(QStringLiteral("nothing like this"));
        QCOMPARE(b().rowCount(), 0);
        QVERIFY(!e().list().isHidden());
        QCOMPARE(b().panelText(1), QStringLiteral("Showing 3 of 3 accounts"));
        QCOMPARE(history(), QStringList{QStringLiteral("No account matches")});
        QCOMPARE(b().SelectedAccountID(), 0);
        QCOMPARE(b().SelectedAccountType(), 99);

        // "Show all" on a file emptied meanwhile: notice 27, the list emptied but panel 1 kept.
        b().ListAccounts(CreditCards);
        for (int id : ids)
            e().engine().DeleteRecord(id, 0, true);
        b().ShowAll();
        QCOMPARE(history().last(), QStringLiteral("The file holds no accounts"));
        QCOMPARE(b().rowCount(), 0);
        QVERIFY(!e().list().isHidden());
        QCOMPARE(b().panelText(1), QStringLiteral("Showing 2 of 3 accounts"));
    }

    void rowKeysBeyondSixteenBits() {
        openVault();
        AccountRecords records(3);
        const int ids[] = {32767, 40000, 2147483647}, types[] = {Pins, ComputersLogon, Forums};
        for (size_t i = 0; i < 3; ++i) {
            records[i].ID = ids[i];
            records[i].Type = types[i];
        }
        b().Populate_ListView(records);
        QCOMPARE(b().listModel().row(1).key, QStringLiteral("ID:40000:3"));
        for (int row = 0; row < 3; ++row) {
            e().list().selectRow(row);
            QCOMPARE(b().SelectedAccountID(), ids[row]);
            QCOMPARE(b().SelectedAccountType(), types[row]);
        }
        // A double click opens the form of the row under the pointer with its full identifier.
        QTest::mouseDClick(e().list().viewport(), Qt::LeftButton, {}, rowCentre(1));
        QCOMPARE(e().host.forms, (QList<std::tuple<int, int, bool>>{{40000, 3, false}}));

        // Keys given directly; a blank key means the selected (double-clicked) row.
        const std::tuple<const char*, int, int> keys[] = {{"ID:70000:5", 70000, 5}, {"ID:2147483648:5", 0, 5},
                                                          {"ID:12", 12, 99},        {"ID:", 0, 0},
                                                          {"ID:x1:4", 0, 4},        {"  ", 40000, 3}};
        for (const auto& [key, id, type] : keys) {
            QCOMPARE(b().SelectedAccountID(key), id);
            QCOMPARE(b().SelectedAccountType(key), type);
        }
    }

    void selectionCountsAndKeys() {
        openVault();
        const QString zed = RowKey(e().add(Serials, QStringLiteral("a"), QStringLiteral("zed")), Serials);
        const QString amy = RowKey(e().add(Serials, QStringLiteral("b"), QStringLiteral("amy")), Serials);
        const QString max = RowKey(e().add(Serials, QStringLiteral("c"), QStringLiteral("max")), Serials);
        b().ListAccounts(Serials);

        // Ctrl+click adds a row; the clicked row is "the" selected one.
        click(2, Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(b().CountSelectedAccounts(), 2);
        QCOMPARE(b().selectedRowKeys(), QStringList({zed, max}));
        QCOMPARE(b().SelectedAccountID(), rowKeyId(max));

        // Sorting moves the rows and the selection with them.
        b().ListView_Accounts_ColumnClick(2);
        QCOMPARE(b().selectedRowKeys(), QStringList({max, zed}));
        QCOMPARE(b().SelectedAccountID(), rowKeyId(max));

        // With the current row deselected, the first selected row answers.
        click(1, Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(b().SelectedAccountID(), rowKeyId(zed));
        e().list().selectAll();
        QCOMPARE(b().selectedRowKeys(), QStringList({amy, max, zed}));
    }

    void headerClicksCycleEachColumn() {
        openVault();
        e().add(Misc, QStringLiteral("beta"), QStringLiteral("x"));
        e().add(Forums, QStringLiteral("Alpha"), QStringLiteral("y"));
        e().add(Banks, QStringLiteral("Gamma"), QStringLiteral("z"));
        b().RefreshInfo();
        const QStringList up = {"Alpha", "beta", "Gamma"}, down = {"Gamma", "beta", "Alpha"};
        clickHeader(1);
        QCOMPARE(e().column(1), up); // case does not split "beta" from the others
        clickHeader(1);
        QCOMPARE(e().column(1), down);
        QCOMPARE(e().header()->sortIndicatorOrder(), Qt::DescendingOrder);
        clickHeader(1);
        QCOMPARE(e().column(1), up);
        clickHeader(0); // another column starts its own cycle
        QCOMPARE(e().column(0), QStringList({"Bank", "Forum", "Misc"}));
        QCOMPARE(e().header()->sortIndicatorSection(), 0);

        // A new listing comes in the engine's order; equal texts keep their order when sorted.
        e().add(Banks, QStringLiteral("delta"), QStringLiteral("w"));
        b().ListAccounts(Banks);
        QCOMPARE(e().header()->sortIndicatorSection(), -1);
        clickHeader(0); // Type goes on descending
        QCOMPARE(e().column(1), QStringList({"delta", "Gamma"}));
        QCOMPARE(e().header()->sortIndicatorOrder(), Qt::DescendingOrder);

        // An order that is none of the three starts over unsorted.
        b().listModel().column(2).sortOrder = 7;
        clickHeader(2);
        QCOMPARE(e().header()->sortIndicatorSection(), -1);
        QCOMPARE(e().column(1), QStringList({"delta", "Gamma"}));
    }

    void listWithoutDescriptionColumn() {
        openVault();
        e().add(Pins, QStringLiteral("Door"), QStringLiteral("bob"));
        e().add(Pins, QStringLiteral("Card"), QStringLiteral("al"));
        b().listModel().setColumns({{QStringLiteral("Type"), QStringLiteral("T"), 0, 1700, 0, 0},
                                    {QStringLiteral("accountname"), QStringLiteral("N"), 0, 3000, 0, 0}});
        b().ListAccounts(Pins);
        QCOMPARE(e().column(1), QStringList({"al", "bob"}));
        QCOMPARE(b().listModel().row(0).description, QString()); // nothing kept for a missing column
        b().ListView_Accounts_ColumnClick(1);
        b().ListView_Accounts_ColumnClick(1);
        QCOMPARE(e().column(1), QStringList({"bob", "al"}));
    }

    void categoryBarCountsAndLanguage() {
        ExplorerBar& bar = b().explorerBar();
        const QString types = QStringLiteral("Types");
        QCOMPARE(bar.itemKeys(QStringLiteral("Main")),
                 QStringList({"New", "Edit", "Delete", "Find", "Exit"}));
        QCOMPARE(bar.itemKeys(types),
                 QStringList({"Banks", "CreditCards", "Forums", "Pins", "Serials", "Messengers", "Services",
                              "Misc", "WebSites", "Dialup", "Files", "ComputersLogon", "MailBoxes"}));
        for (const QString& group : bar.groupKeys()) {
            for (const QString& key : bar.itemKeys(group))
                QVERIFY2(!bar.itemButton(group, key)->icon().isNull(), qPrintable(key));
        }
        b().UpdateBar(); // no file: nothing to count
        QCOMPARE(bar.itemCaption(types, QStringLiteral("Banks")), QStringLiteral("Banks"));

        openVault();
        e().add(CreditCards, QStringLiteral("Visa"), QStringLiteral("joe"));
        e().add(MailBoxes, QStringLiteral("Home"), QStringLiteral("joe"));
        e().add(MailBoxes, QStringLiteral("Work"), QStringLiteral("joe"));
        b().UpdateBar();
        QCOMPARE(bar.itemCaption(types, QStringLiteral("CreditCards")), QStringLiteral("Credit cards (1)"));
        QCOMPARE(bar.itemCaption(types, QStringLiteral("Banks")), QStringLiteral("Banks (0)"));
        QCOMPARE(bar.itemCaption(types, QStringLiteral("MailBoxes")), QStringLiteral("Mail boxes (2)"));

        clickBar("Types", "MailBoxes");
        QCOMPARE(b().CurrentCategory(), int(MailBoxes));
        QCOMPARE(e().column(1), QStringList({"Home", "Work"}));

        // Another language: bar and headers follow, the counts stay.
        languageCatalog().SelectLanguage(QStringLiteral("Italiano"));
        b().retranslate();
        QCOMPARE(b().listModel().headerData(2, Qt::Horizontal).toString(), QStringLiteral("IT Account name"));
        QCOMPARE(bar.groupTitle(QStringLiteral("Main")), QStringLiteral("IT Tasks"));
        QCOMPARE(bar.itemCaption(QStringLiteral("Main"), QStringLiteral("Find")),
                 QStringLiteral("IT Find account"));
        QCOMPARE(bar.itemCaption(types, QStringLiteral("MailBoxes")), QStringLiteral("IT Mail boxes (2)"));

        e().engine().CloseFile(); // the closed file's counts go
        b().UpdateBar();
        QCOMPARE(bar.itemCaption(types, QStringLiteral("MailBoxes")), QStringLiteral("IT Mail boxes"));
    }

    void clicksWithAndWithoutFileAndPasswordDisplay() {
        // No file: items and mouse buttons answer with the notice; only "Exit" goes on.
        b().setCurrentCategory(Files);
        clickBar("Types", "Banks");
        clickBar("Main", "New");
        clickBar("Main", "Exit");
        QTest::mouseClick(e().list().viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QCOMPARE(history(), QStringList({kNoFile, kNoFile, kNoFile}));
        QCOMPARE(e().host.tasks, QStringList{QStringLiteral("Exit")});
        QCOMPARE(b().CurrentCategory(), int(Files));
        QVERIFY(e().host.popups.isEmpty());
        QCOMPARE(e().host.menuUpdates, 0);

        openVault();
        SharedForm::instance().clearHistory();
        clickBar("Main", "Find");
        clickBar("Main", "Delete");
        QCOMPARE(e().host.tasks, QStringList({"Exit", "Find", "Delete"}));
        e().add(WebSites, QStringLiteral("Shop"), QStringLiteral("ann"), QStringLiteral(" s3cret "));
        e().add(WebSites, QStringLiteral("News"), QStringLiteral("ann"));
        b().ListAccounts(WebSites); // News, Shop

        // Right button: that row, the menus refreshed, the popup at the pointer.
        int updates = e().host.menuUpdates;
        click(1, Qt::RightButton);
        QCOMPARE(e().host.popups, QList<QPoint>{e().list().viewport()->mapToGlobal(rowCentre(1))});
        QVERIFY(e().host.menuUpdates > updates);
        QCOMPARE(b().panelText(2), QStringLiteral("\"Shop\" - ann"));
        updates = e().host.menuUpdates;
        click(0); // left button: no popup
        QCOMPARE(e().host.popups.size(), 1);
        QVERIFY(e().host.menuUpdates > updates);
        QCOMPARE(b().panelText(2), QStringLiteral("\"News\" - ann"));
        QTest::keyClick(&e().list(), Qt::Key_Down); // the keyboard works like a click
        QCOMPARE(b().panelText(2), QStringLiteral("\"Shop\" - ann"));

        auto* panel1 = b().statusBar()->findChild<QLabel*>(QStringLiteral("StatusBar_QX_Panel1"));
        auto* panel2 = b().statusBar()->findChild<QLabel*>(QStringLiteral("StatusBar_QX_Panel2"));
        QVERIFY(panel1 && panel2);
        // Only panel 2 reacts to a double click; turning the display on shows notice 812.
        QTest::mouseDClick(panel1, Qt::LeftButton);
        QVERIFY(!b().ShowPasswordInStatusBar());
        QTest::mouseDClick(panel2, Qt::LeftButton);
        QCOMPARE(history(), QStringList{QStringLiteral("Passwords now show in the status bar")});
        click(1);
        QCOMPARE(b().panelText(2), QStringLiteral("\"Shop\" - ann Pwd: s3cret "));
        const QString digest = e().engine().DigestText(QStringLiteral(" s3cret "));
        QCOMPARE(b().CopiedPasswordDigest(), digest);

        QTest::mouseDClick(panel2, Qt::LeftButton);
        click(1);
        QCOMPARE(b().panelText(2), QStringLiteral("\"Shop\" - ann"));
        QCOMPARE(history().size(), 1);

        // A row whose account is gone shows empty texts and is not taken for a shown password.
        QTest::mouseDClick(panel2, Qt::LeftButton);
        AccountRecords gone(1);
        gone[0].ID = 999;
        gone[0].Type = Banks;
        b().Populate_ListView(gone);
        click(0);
        QCOMPARE(b().panelText(2), QStringLiteral("\"\" -  Pwd:"));
        QCOMPARE(b().CopiedPasswordDigest(), digest);
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
