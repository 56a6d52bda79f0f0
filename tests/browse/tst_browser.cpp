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
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listingsAndPanelOne();
    void emptyResults();
    void rowKeysBeyondSixteenBits();
    void selectionCountsAndKeys();
    void headerClicksCycleEachColumn();
    void listWithoutDescriptionColumn();
    void categoryBarCounts();
    void clicksWithAndWithoutFile();
    void passwordInStatusBar();
    void languageChange();

private:
    Env& e() { return *env_; }
    void openVault() { QVERIFY(e().createVault(dir_->filePath(QStringLiteral("test.qx")))); }
    QPoint rowCentre(int row) {
        return e().list().visualRect(e().browser->listModel().index(row, 1)).center();
    }
    void click(int row, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(e().list().viewport(), button, mods, rowCentre(row));
    }
    void clickBar(const char* group, const char* key) {
        e().browser->explorerBar().itemButton(QLatin1String(group), QLatin1String(key))->click();
    }
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Env> env_;
};

void TestBrowser::initTestCase() {
    static QTemporaryDir languageDir;
    loadLanguages(languageDir.path());
}

void TestBrowser::init() {
    languageCatalog().SelectLanguage(QStringLiteral("English"));
    dir_ = std::make_unique<QTemporaryDir>();
    env_ = std::make_unique<Env>(dir_->filePath(QStringLiteral("QX.ini")));
    env_->window.show();
    SharedForm::instance().hideAll();
    SharedForm::instance().clearHistory();
}

void TestBrowser::cleanup() {
    env_.reset();
    dir_.reset();
}

void TestBrowser::listingsAndPanelOne() {
    openVault();
    const int bank = e().add(Banks, QStringLiteral("My bank"), QStringLiteral("joe"));
    e().add(CreditCards, QStringLiteral("Visa"), QStringLiteral("joe.v"));
    const int amex = e().add(CreditCards, QStringLiteral("Amex"), QStringLiteral("joe.a"));

    // An empty category: the zero form, the list hidden, the menus left alone.
    e().browser->ListAccounts(Pins);
    QCOMPARE(e().browser->panelText(1), QStringLiteral("No accounts of 3"));
    QVERIFY(e().list().isHidden());
    QCOMPARE(e().host.menuUpdates, 0);
    QCOMPARE(e().prefs().LastType(), int(Pins));

    e().browser->ListAccounts(Banks);
    QCOMPARE(e().browser->panelText(1), QStringLiteral("One account of 3 in the file"));
    QVERIFY(!e().list().isHidden());
    QCOMPARE(e().browser->listModel().row(0).key, QStringLiteral("ID:%1:10").arg(bank));

    // Rows in the engine's order, the first one selected and the menus told.
    e().browser->ListAccounts(CreditCards);
    QCOMPARE(e().browser->panelText(1), QStringLiteral("Showing 2 of 3 accounts"));
    QCOMPARE(e().column(0), QStringList({QStringLiteral("Credit card"), QStringLiteral("Credit card")}));
    QCOMPARE(e().column(1), QStringList({QStringLiteral("Amex"), QStringLiteral("Visa")}));
    QCOMPARE(e().column(2), QStringList({QStringLiteral("joe.a"), QStringLiteral("joe.v")}));
    QCOMPARE(e().browser->CountSelectedAccounts(), 1);
    QCOMPARE(e().browser->SelectedAccountID(), amex);
    QCOMPARE(e().browser->SelectedAccountType(), int(CreditCards));
    QCOMPARE(e().host.menuUpdates, 2);
    QCOMPARE(e().browser->CurrentCategory(), int(CreditCards));

    // "Show all" and searches leave the category and LastType alone.
    e().browser->ShowAll();
    QCOMPARE(e().browser->panelText(1), QStringLiteral("Showing 3 of 3 accounts"));
    e().browser->Find_Account(QStringLiteral("visa"));
    QCOMPARE(e().column(1), QStringList({QStringLiteral("Visa")}));
    e().browser->Find_Account(QString()); // all accounts
    QCOMPARE(e().column(1),
             QStringList({QStringLiteral("Amex"), QStringLiteral("My bank"), QStringLiteral("Visa")}));
    QCOMPARE(e().browser->CurrentCategory(), int(CreditCards));
    QCOMPARE(e().prefs().LastType(), int(CreditCards));
    QVERIFY(SharedForm::instance().history().isEmpty());
}

void TestBrowser::emptyResults() {
    openVault();
    // "Show all" on an empty file: notice 27, the list emptied but panel 1 kept.
    e().browser->setPanels(QStringLiteral("before"), QString());
    e().browser->ShowAll();
    QCOMPARE(SharedForm::instance().history(), QStringList{QStringLiteral("The file holds no accounts")});
    QCOMPARE(e().browser->panelText(1), QStringLiteral("before"));

    // A search without a match empties the list, keeps panel 1 and leaves the list visible.
    e().add(Misc, QStringLiteral("Garage door"), QStringLiteral("me"));
    e().add(Misc, QStringLiteral("Locker"), QStringLiteral("me"));
    e().browser->ListAccounts(Misc);
    e().browser->Find_Account(QStringLiteral("nothing like this"));
    QCOMPARE(e().browser->rowCount(), 0);
    QVERIFY(!e().list().isHidden());
    QCOMPARE(e().browser->panelText(1), QStringLiteral("Showing 2 of 2 accounts"));
    QCOMPARE(SharedForm::instance().history().last(), QStringLiteral("No account matches"));
    QCOMPARE(e().browser->SelectedAccountID(), 0);
    QCOMPARE(e().browser->SelectedAccountType(), 99);
}

void TestBrowser::rowKeysBeyondSixteenBits() {
    openVault();
    AccountRecords records(3);
    const int ids[] = {32767, 40000, 2147483647}, types[] = {Pins, ComputersLogon, Forums};
    for (size_t i = 0; i < 3; ++i) {
        records[i].ID = ids[i];
        records[i].Type = types[i];
    }
    e().browser->Populate_ListView(records);
    QCOMPARE(e().browser->listModel().row(1).key, QStringLiteral("ID:40000:3"));
    for (int row = 0; row < 3; ++row) {
        e().list().selectRow(row);
        QCOMPARE(e().browser->SelectedAccountID(), ids[row]);
        QCOMPARE(e().browser->SelectedAccountType(), types[row]);
    }
    // A double click opens the form of the row under the pointer with its full identifier.
    QTest::mouseDClick(e().list().viewport(), Qt::LeftButton, {}, rowCentre(1));
    QCOMPARE(e().host.forms, (QList<std::tuple<int, int, bool>>{{40000, 3, false}}));

    // Keys given directly; a blank key means the selected row.
    QCOMPARE(e().browser->SelectedAccountID(QStringLiteral("ID:70000:5")), 70000);
    QCOMPARE(e().browser->SelectedAccountType(QStringLiteral("ID:70000:5")), 5);
    QCOMPARE(e().browser->SelectedAccountID(QStringLiteral("ID:2147483648:5")), 0); // beyond 32 bits
    QCOMPARE(e().browser->SelectedAccountType(QStringLiteral("ID:12")), 99);        // no category part
    QCOMPARE(e().browser->SelectedAccountType(QStringLiteral("ID:")), 0);
    QCOMPARE(e().browser->SelectedAccountID(QStringLiteral("ID:x1:4")), 0);
    QCOMPARE(e().browser->SelectedAccountID(QStringLiteral("  ")), ids[1]); // the double-clicked row
}

void TestBrowser::selectionCountsAndKeys() {
    openVault();
    const QString a = RowKey(e().add(Serials, QStringLiteral("a"), QStringLiteral("zed")), Serials);
    const QString b = RowKey(e().add(Serials, QStringLiteral("b"), QStringLiteral("amy")), Serials);
    const QString c = RowKey(e().add(Serials, QStringLiteral("c"), QStringLiteral("max")), Serials);
    e().browser->ListAccounts(Serials);

    // Ctrl+click adds a row; the clicked row is "the" selected one.
    click(2, Qt::LeftButton, Qt::ControlModifier);
    QCOMPARE(e().browser->CountSelectedAccounts(), 2);
    QCOMPARE(e().browser->selectedRowKeys(), QStringList({a, c}));
    QCOMPARE(e().browser->SelectedAccountID(), rowKeyId(c));

    // Sorting moves the rows and the selection with them.
    e().browser->ListView_Accounts_ColumnClick(2); // amy, max, zed
    QCOMPARE(e().browser->selectedRowKeys(), QStringList({c, a}));
    QCOMPARE(e().browser->SelectedAccountID(), rowKeyId(c));

    // With the current row deselected, the first selected row answers.
    click(1, Qt::LeftButton, Qt::ControlModifier);
    QCOMPARE(e().browser->SelectedAccountID(), rowKeyId(a));
    e().list().selectAll();
    QCOMPARE(e().browser->selectedRowKeys(), QStringList({b, c, a}));
}

void TestBrowser::headerClicksCycleEachColumn() {
    openVault();
    e().add(Misc, QStringLiteral("beta"), QStringLiteral("x"));
    e().add(Forums, QStringLiteral("Alpha"), QStringLiteral("y"));
    e().add(Banks, QStringLiteral("Gamma"), QStringLiteral("z"));
    e().browser->RefreshInfo();
    auto clickHeader = [&](int column) {
        QHeaderView* h = e().header();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + 5, h->height() / 2));
    };
    const QStringList up = {QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("Gamma")};
    const QStringList down = {QStringLiteral("Gamma"), QStringLiteral("beta"), QStringLiteral("Alpha")};

    clickHeader(1);
    QCOMPARE(e().column(1), up); // case does not split "beta" from the others
    clickHeader(1);
    QCOMPARE(e().column(1), down);
    QCOMPARE(e().header()->sortIndicatorOrder(), Qt::DescendingOrder);
    clickHeader(1);
    QCOMPARE(e().column(1), up);
    clickHeader(0); // another column starts its own cycle
    QCOMPARE(e().column(0),
             QStringList({QStringLiteral("Bank"), QStringLiteral("Forum"), QStringLiteral("Misc")}));
    QCOMPARE(e().header()->sortIndicatorSection(), 0);

    // A new listing comes in the engine's order; equal texts keep their order when sorted.
    e().add(Banks, QStringLiteral("delta"), QStringLiteral("w"));
    e().browser->ListAccounts(Banks);
    QCOMPARE(e().header()->sortIndicatorSection(), -1);
    clickHeader(0); // Type goes on descending
    QCOMPARE(e().column(1), QStringList({QStringLiteral("delta"), QStringLiteral("Gamma")}));
    QCOMPARE(e().header()->sortIndicatorOrder(), Qt::DescendingOrder);

    // An order that is none of the three starts over unsorted.
    e().browser->listModel().column(2).sortOrder = 7;
    clickHeader(2);
    QCOMPARE(e().header()->sortIndicatorSection(), -1);
    QCOMPARE(e().column(1), QStringList({QStringLiteral("delta"), QStringLiteral("Gamma")}));
}

void TestBrowser::listWithoutDescriptionColumn() {
    openVault();
    e().add(Pins, QStringLiteral("Door"), QStringLiteral("bob"));
    e().add(Pins, QStringLiteral("Card"), QStringLiteral("al"));
    e().browser->listModel().setColumns(
        {{QStringLiteral("Type"), QStringLiteral("T"), 0, 1700, 0, 0},
         {QStringLiteral("accountname"), QStringLiteral("N"), 0, 3000, 0, 0}});
    e().browser->ListAccounts(Pins);
    QCOMPARE(e().column(1), QStringList({QStringLiteral("al"), QStringLiteral("bob")}));
    QCOMPARE(e().browser->listModel().row(0).description, QString()); // nothing kept for a missing column
    e().browser->ListView_Accounts_ColumnClick(1);
    e().browser->ListView_Accounts_ColumnClick(1);
    QCOMPARE(e().column(1), QStringList({QStringLiteral("bob"), QStringLiteral("al")}));
}

void TestBrowser::categoryBarCounts() {
    ExplorerBar& bar = e().browser->explorerBar();
    const QString types = QStringLiteral("Types");
    QCOMPARE(bar.objectName(), QStringLiteral("vbalExplorerBarCtl_Main"));
    QCOMPARE(bar.itemKeys(QStringLiteral("Main")), QStringList({"New", "Edit", "Delete", "Find", "Exit"}));
    QCOMPARE(bar.itemKeys(types),
             QStringList({"Banks", "CreditCards", "Forums", "Pins", "Serials", "Messengers", "Services",
                          "Misc", "WebSites", "Dialup", "Files", "ComputersLogon", "MailBoxes"}));
    for (const QString& group : bar.groupKeys()) {
        for (const QString& key : bar.itemKeys(group))
            QVERIFY2(!bar.itemButton(group, key)->icon().isNull(), qPrintable(key));
    }
    QVERIFY(bar.hasGroupPicture(QStringLiteral("Main")));
    e().browser->UpdateBar(); // no file: nothing to count
    QCOMPARE(bar.itemCaption(types, QStringLiteral("Banks")), QStringLiteral("Banks"));

    openVault();
    e().add(CreditCards, QStringLiteral("Visa"), QStringLiteral("joe"));
    e().add(MailBoxes, QStringLiteral("Home"), QStringLiteral("joe"));
    e().add(MailBoxes, QStringLiteral("Work"), QStringLiteral("joe"));
    e().browser->UpdateBar();
    QCOMPARE(bar.itemCaption(types, QStringLiteral("CreditCards")), QStringLiteral("Credit cards (1)"));
    QCOMPARE(bar.itemCaption(types, QStringLiteral("Banks")), QStringLiteral("Banks (0)"));
    QCOMPARE(bar.itemCaption(types, QStringLiteral("MailBoxes")), QStringLiteral("Mail boxes (2)"));

    clickBar("Types", "MailBoxes");
    QCOMPARE(e().browser->CurrentCategory(), int(MailBoxes));
    QCOMPARE(e().column(1), QStringList({QStringLiteral("Home"), QStringLiteral("Work")}));

    e().engine().CloseFile(); // the closed file's counts go
    e().browser->UpdateBar();
    QCOMPARE(bar.itemCaption(types, QStringLiteral("MailBoxes")), QStringLiteral("Mail boxes"));
}

void TestBrowser::clicksWithAndWithoutFile() {
    // No file: items and mouse buttons answer with the notice; only "Exit" goes on.
    e().browser->setCurrentCategory(Files);
    clickBar("Types", "Banks");
    clickBar("Main", "New");
    clickBar("Main", "Exit");
    QTest::mouseClick(e().list().viewport(), Qt::RightButton, {}, QPoint(20, 20));
    QCOMPARE(SharedForm::instance().history(), QStringList({kNoFile, kNoFile, kNoFile}));
    QCOMPARE(e().host.tasks, QStringList{QStringLiteral("Exit")});
    QCOMPARE(e().browser->CurrentCategory(), int(Files));
    QVERIFY(e().host.popups.isEmpty());
    QCOMPARE(e().host.menuUpdates, 0);

    openVault();
    SharedForm::instance().clearHistory();
    clickBar("Main", "Find");
    clickBar("Main", "Delete");
    QCOMPARE(e().host.tasks, QStringList({"Exit", "Find", "Delete"}));
    e().add(WebSites, QStringLiteral("Shop"), QStringLiteral("ann"));
    e().add(WebSites, QStringLiteral("News"), QStringLiteral("ann"));
    e().browser->ListAccounts(WebSites); // News, Shop

    // Right button: that row, the menus refreshed, the popup at the pointer.
    int updates = e().host.menuUpdates;
    click(1, Qt::RightButton);
    QCOMPARE(e().host.popups, QList<QPoint>{e().list().viewport()->mapToGlobal(rowCentre(1))});
    QVERIFY(e().host.menuUpdates > updates);
    QCOMPARE(e().browser->panelText(2), QStringLiteral("\"Shop\" - ann"));
    updates = e().host.menuUpdates;
    click(0); // left button: no popup
    QCOMPARE(e().host.popups.size(), 1);
    QVERIFY(e().host.menuUpdates > updates);
    QCOMPARE(e().browser->panelText(2), QStringLiteral("\"News\" - ann"));
    QTest::keyClick(&e().list(), Qt::Key_Down); // the keyboard works like a click
    QCOMPARE(e().browser->panelText(2), QStringLiteral("\"Shop\" - ann"));
    QVERIFY(SharedForm::instance().history().isEmpty());
}

void TestBrowser::passwordInStatusBar() {
    openVault();
    e().add(Banks, QStringLiteral("Bank"), QStringLiteral("joe"), QStringLiteral(" s3cret "));
    e().browser->ListAccounts(Banks);
    auto* panel1 = e().browser->statusBar()->findChild<QLabel*>(QStringLiteral("StatusBar_QX_Panel1"));
    auto* panel2 = e().browser->statusBar()->findChild<QLabel*>(QStringLiteral("StatusBar_QX_Panel2"));
    QVERIFY(panel1 && panel2);
    click(0);
    QCOMPARE(e().browser->panelText(2), QStringLiteral("\"Bank\" - joe"));

    // Only panel 2 reacts to a double click; turning the display on shows notice 812.
    QTest::mouseDClick(panel1, Qt::LeftButton);
    QVERIFY(!e().browser->ShowPasswordInStatusBar());
    QTest::mouseDClick(panel2, Qt::LeftButton);
    QVERIFY(e().browser->ShowPasswordInStatusBar());
    QCOMPARE(SharedForm::instance().history(),
             QStringList{QStringLiteral("Passwords now show in the status bar")});
    click(0);
    QCOMPARE(e().browser->panelText(2), QStringLiteral("\"Bank\" - joe Pwd: s3cret "));
    const QString digest = e().engine().DigestText(QStringLiteral(" s3cret "));
    QCOMPARE(e().browser->CopiedPasswordDigest(), digest);

    QTest::mouseDClick(panel2, Qt::LeftButton);
    click(0);
    QCOMPARE(e().browser->panelText(2), QStringLiteral("\"Bank\" - joe"));
    QCOMPARE(SharedForm::instance().history().size(), 1);

    // A row whose account is gone shows empty texts and is not taken for a shown password.
    QTest::mouseDClick(panel2, Qt::LeftButton);
    AccountRecords gone(1);
    gone[0].ID = 999;
    gone[0].Type = Banks;
    e().browser->Populate_ListView(gone);
    click(0);
    QCOMPARE(e().browser->panelText(2), QStringLiteral("\"\" -  Pwd:"));
    QCOMPARE(e().browser->CopiedPasswordDigest(), digest);
}

void TestBrowser::languageChange() {
    openVault();
    e().add(Forums, QStringLiteral("Board"), QStringLiteral("kim"));
    e().browser->UpdateBar();
    languageCatalog().SelectLanguage(QStringLiteral("Italiano"));
    e().browser->retranslate();
    const AccountListModel& model = e().browser->listModel();
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("IT Account name"));
    QCOMPARE(model.columns()[2].key, QStringLiteral("AccountName"));
    ExplorerBar& bar = e().browser->explorerBar();
    QCOMPARE(bar.groupTitle(QStringLiteral("Main")), QStringLiteral("IT Tasks"));
    QCOMPARE(bar.itemCaption(QStringLiteral("Main"), QStringLiteral("Find")),
             QStringLiteral("IT Find account"));
    QCOMPARE(bar.itemCaption(QStringLiteral("Types"), QStringLiteral("Forums")),
             QStringLiteral("IT Forums (1)"));
}

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
