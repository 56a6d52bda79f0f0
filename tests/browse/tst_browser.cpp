// The category bar, the account list and the status bar on a real vault.

#include "BrowserWindow.h"

namespace {
const QString kNoFile = "Please create or open a new passwords file";
const QString kTypes = "Types";

QString showing(int n, int total) {
    const QString of = QString::number(total);
    if (n < 2)
        return n ? T(TextId::ShowingOneOf) + of + T(TextId::ShowingOneInFile)
                 : T(TextId::ShowingNone) + T(TextId::AccountsOutOf) + of;
    return T(TextId::Showing) + QString::number(n) + T(TextId::AccountsOutOf) + of + T(TextId::ShowingInFile);
}
QString status(const QString& description, const QString& name) {
    return '"' + description + '"' + T(TextId::StatusAccountName) + name;
}
} // namespace

class TestBrowser : public QObject {
    Q_OBJECT
    std::unique_ptr<TestServices> s_;
    std::unique_ptr<BrowserWindow> w_;

    BrowserWindow& w() { return *w_; }
    Browser& b() { return *w_->browser; }
    QPoint rowCentre(int row) { return w().list().visualRect(b().listModel().index(row, 1)).center(); }
    void click(int row, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(w().list().viewport(), button, mods, rowCentre(row));
    }
    void clickBar(const char* group, const char* key) { b().explorerBar().itemButton(group, key)->click(); }
    void clickHeader(int column) {
        QHeaderView* h = w().header();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + 5, h->height() / 2));
    }

private slots:
    void initTestCase() { useTestTexts(); }
    void init() {
        s_ = std::make_unique<TestServices>();
        w_ = std::make_unique<BrowserWindow>(*s_);
        w_->window.show();
    }
    void cleanup() {
        w_.reset();
        s_.reset();
    }

    // Listings, "show all" and find, with what panel 1 says of each; the category stays the one
    // chosen last.
    void listingsShowAllAndFind() {
        QVERIFY(w().createVault());
        const int ids[] = {w().add(Banks, "My bank", "joe"), w().add(CreditCards, "Visa", "joe.v"),
                           w().add(CreditCards, "Amex", "joe.a")};

        // An empty category: the zero form, the list hidden, the menus left alone.
        b().ListAccounts(Pins);
        QCOMPARE(b().panelText(1), showing(0, 3));
        QVERIFY(w().list().isHidden());
        QCOMPARE(w().host.menuUpdates, 0);
        b().ListAccounts(Banks);
        QCOMPARE(b().panelText(1), showing(1, 3));
        QVERIFY(!w().list().isHidden());

        // Rows in the engine's order, the first one selected and the menus told.
        b().ListAccounts(CreditCards);
        QCOMPARE(b().panelText(1), showing(2, 3));
        QCOMPARE(w().column(0), QStringList({"Credit card", "Credit card"}));
        QCOMPARE(w().column(1), QStringList({"Amex", "Visa"}));
        QCOMPARE(w().column(2), QStringList({"joe.a", "joe.v"}));
        QCOMPARE(b().CountSelectedAccounts(), 1);
        QCOMPARE(b().SelectedAccountID(), ids[2]);
        QCOMPARE(b().SelectedAccountType(), int(CreditCards));
        QCOMPARE(w().host.menuUpdates, 2);

        b().ShowAll();
        QCOMPARE(b().panelText(1), showing(3, 3));
        b().Find_Account("visa");
        QCOMPARE(w().column(1), QStringList{"Visa"});
        b().Find_Account(QString()); // all accounts
        QCOMPARE(w().column(1), QStringList({"Amex", "My bank", "Visa"}));
        QCOMPARE(b().CurrentCategory(), int(CreditCards));
        QCOMPARE(s_->prefs.LastType(), int(CreditCards));

        // No match: the list emptied but visible, panel 1 kept, notice 1.
        b().Find_Account("nothing like this");
        QCOMPARE(b().rowCount(), 0);
        QVERIFY(!w().list().isHidden());
        QCOMPARE(b().panelText(1), showing(3, 3));
        QCOMPARE(s_->shown(), QStringList{T(TextId::NoAccountMatches)});
        QCOMPARE(b().SelectedAccountID(), 0);
        QCOMPARE(b().SelectedAccountType(), 99);

        // "Show all" on a file emptied meanwhile: notice 27, the list emptied but panel 1 kept.
        b().ListAccounts(CreditCards);
        for (int id : ids)
            s_->engine().DeleteRecord(id, 0, true);
        b().ShowAll();
        QCOMPARE(s_->shown().last(), T(TextId::NoAccountsYet));
        QCOMPARE(b().rowCount(), 0);
        QCOMPARE(b().panelText(1), showing(2, 3));
    }

    void rowKeysBeyondSixteenBits() {
        QVERIFY(w().createVault());
        AccountRecords records(3);
        const int ids[] = {32767, 40000, 2147483647}, types[] = {Pins, ComputersLogon, Forums};
        for (size_t i = 0; i < 3; ++i) {
            records[i].ID = ids[i];
            records[i].Type = types[i];
        }
        b().Populate_ListView(records);
        QCOMPARE(b().listModel().row(1).key, "ID:40000:3");
        for (int row = 0; row < 3; ++row) {
            w().list().selectRow(row);
            QCOMPARE(b().SelectedAccountID(), ids[row]);
            QCOMPARE(b().SelectedAccountType(), types[row]);
        }
        // A double click opens the form of the row under the pointer with its full identifier.
        QTest::mouseDClick(w().list().viewport(), Qt::LeftButton, {}, rowCentre(1));
        QCOMPARE(w().host.forms, (QList<std::tuple<int, int, bool>>{{40000, 3, false}}));

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
        QVERIFY(w().createVault());
        const QString zed = RowKey(w().add(Serials, "a", "zed"), Serials);
        const QString amy = RowKey(w().add(Serials, "b", "amy"), Serials);
        const QString max = RowKey(w().add(Serials, "c", "max"), Serials);
        b().ListAccounts(Serials);
        click(2, Qt::LeftButton, Qt::ControlModifier); // Ctrl+click adds a row and makes it current
        QCOMPARE(b().CountSelectedAccounts(), 2);
        QCOMPARE(b().selectedRowKeys(), QStringList({zed, max}));
        QCOMPARE(b().SelectedAccountID(), rowKeyId(max));
        b().ListView_Accounts_ColumnClick(2); // sorting moves the rows and the selection with them
        QCOMPARE(b().selectedRowKeys(), QStringList({max, zed}));
        QCOMPARE(b().SelectedAccountID(), rowKeyId(max));
        click(1, Qt::LeftButton, Qt::ControlModifier); // current row deselected: the first selected
        QCOMPARE(b().SelectedAccountID(), rowKeyId(zed));
        w().list().selectAll();
        QCOMPARE(b().selectedRowKeys(), QStringList({amy, max, zed}));
    }

    void headerClicksCycleEachColumn() {
        QVERIFY(w().createVault());
        w().add(Misc, "beta", "x");
        w().add(Forums, "Alpha", "y");
        w().add(Banks, "Gamma", "z");
        b().RefreshInfo();
        const QStringList up = {"Alpha", "beta", "Gamma"}, down = {"Gamma", "beta", "Alpha"};
        for (const QStringList& expected : {up, down, up}) { // case does not split "beta" off
            clickHeader(1);
            QCOMPARE(w().column(1), expected);
        }
        clickHeader(0); // another column starts its own cycle
        QCOMPARE(w().column(0), QStringList({"Bank", "Forum", "Misc"}));
        QCOMPARE(w().header()->sortIndicatorSection(), 0);

        // A new listing comes in the engine's order; equal texts keep their order when sorted.
        w().add(Banks, "delta", "w");
        b().ListAccounts(Banks);
        QCOMPARE(w().header()->sortIndicatorSection(), -1);
        clickHeader(0); // Type goes on descending
        QCOMPARE(w().column(1), QStringList({"delta", "Gamma"}));
        QCOMPARE(w().header()->sortIndicatorOrder(), Qt::DescendingOrder);

        // An order that is none of the three starts over unsorted.
        b().listModel().column(2).sortOrder = 7;
        clickHeader(2);
        QCOMPARE(w().header()->sortIndicatorSection(), -1);
        QCOMPARE(w().column(1), QStringList({"delta", "Gamma"}));

        // Without a description column: nothing kept for it, and the name column sorts.
        b().listModel().setColumns({{"Type", "T", 1700, 0, 0}, {"accountname", "N", 3000, 0, 0}});
        b().ListAccounts(Banks);
        QCOMPARE(b().listModel().row(0).description, QString());
        b().ListView_Accounts_ColumnClick(1);
        b().ListView_Accounts_ColumnClick(1);
        QCOMPARE(w().column(1), QStringList({"z", "w"}));
    }

    void categoryBarCounts() {
        ExplorerBar& bar = b().explorerBar();
        QCOMPARE(bar.itemKeys("Main"), QStringList({"New", "Edit", "Delete", "Find", "Exit"}));
        QCOMPARE(bar.itemKeys(kTypes),
                 QStringList({"Banks", "CreditCards", "Forums", "Pins", "Serials", "Messengers", "Services",
                              "Misc", "WebSites", "Dialup", "Files", "ComputersLogon", "MailBoxes"}));
        for (const QString& group : bar.groupKeys())
            for (const QString& key : bar.itemKeys(group))
                QVERIFY2(!bar.itemButton(group, key)->icon().isNull(), qPrintable(key));
        b().UpdateBar(); // no file: nothing to count
        QCOMPARE(bar.itemCaption(kTypes, "Banks"), T(TextId::BarBanks));

        QVERIFY(w().createVault());
        w().add(CreditCards, "Visa", "joe");
        w().add(MailBoxes, "Home", "joe");
        w().add(MailBoxes, "Work", "joe");
        b().UpdateBar();
        QCOMPARE(bar.itemCaption(kTypes, "CreditCards"), T(TextId::BarCreditCardsCount) + "1)");
        QCOMPARE(bar.itemCaption(kTypes, "Banks"), T(TextId::BarBanksCount) + "0)");
        QCOMPARE(bar.itemCaption(kTypes, "MailBoxes"), T(TextId::BarMailBoxesCount) + "2)");
        QCOMPARE(bar.itemToolTip(kTypes, "MailBoxes"), T(TextId::TipMailBoxes));
        clickBar("Types", "MailBoxes");
        QCOMPARE(b().CurrentCategory(), int(MailBoxes));
        QCOMPARE(w().column(1), QStringList({"Home", "Work"}));
        s_->engine().CloseFile(); // the closed file's counts go
        b().UpdateBar();
        QCOMPARE(bar.itemCaption(kTypes, "MailBoxes"), T(TextId::BarMailBoxes));
    }

    void clicksWithoutAFile() {
        // Items and mouse buttons answer with the notice; only "Exit" goes on.
        b().setCurrentCategory(Files);
        clickBar("Types", "Banks");
        clickBar("Main", "New");
        clickBar("Main", "Exit");
        QTest::mouseClick(w().list().viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QCOMPARE(s_->shown(), QStringList({kNoFile, kNoFile, kNoFile}));
        QCOMPARE(w().host.tasks, QStringList{"Exit"});
        QCOMPARE(b().CurrentCategory(), int(Files));
        QVERIFY(w().host.popups.isEmpty());
        QCOMPARE(w().host.menuUpdates, 0);

        QVERIFY(w().createVault());
        clickBar("Main", "Find");
        clickBar("Main", "Delete");
        QCOMPARE(w().host.tasks, QStringList({"Exit", "Find", "Delete"}));
    }

    void clicksAndThePasswordInTheStatusBar() {
        QVERIFY(w().createVault());
        w().add(WebSites, "Shop", "ann", " s3cret ");
        w().add(WebSites, "News", "ann");
        b().ListAccounts(WebSites); // News, Shop

        // Right button: that row, the menus refreshed, the popup at the pointer.
        int updates = w().host.menuUpdates;
        click(1, Qt::RightButton);
        QCOMPARE(w().host.popups, QList<QPoint>{w().list().viewport()->mapToGlobal(rowCentre(1))});
        QVERIFY(w().host.menuUpdates > updates);
        QCOMPARE(b().panelText(2), status("Shop", "ann"));
        updates = w().host.menuUpdates;
        click(0); // left button: no popup
        QCOMPARE(w().host.popups.size(), 1);
        QVERIFY(w().host.menuUpdates > updates);
        QCOMPARE(b().panelText(2), status("News", "ann"));
        QTest::keyClick(&w().list(), Qt::Key_Down); // the keyboard works like a click
        QCOMPARE(b().panelText(2), status("Shop", "ann"));

        auto* panel1 = b().statusBar()->findChild<QLabel*>("StatusBar_QX_Panel1");
        auto* panel2 = b().statusBar()->findChild<QLabel*>("StatusBar_QX_Panel2");
        QTest::mouseDClick(panel1, Qt::LeftButton); // only panel 2 reacts
        QVERIFY(!b().ShowPasswordInStatusBar());
        QTest::mouseDClick(panel2, Qt::LeftButton);
        QCOMPARE(s_->shown(), QStringList{T(TextId::StatusShowsPasswords)});
        click(1);
        QCOMPARE(b().panelText(2), status("Shop", "ann") + " Pwd: s3cret ");
        const QString digest = s_->engine().DigestText(" s3cret ");
        QCOMPARE(b().CopiedPasswordDigest(), digest);
        QTest::mouseDClick(panel2, Qt::LeftButton);
        click(1);
        QCOMPARE(b().panelText(2), status("Shop", "ann"));
        QCOMPARE(s_->shown().size(), 1); // turning it off says nothing

        // A row whose account is gone shows empty texts and is not taken for a shown password.
        QTest::mouseDClick(panel2, Qt::LeftButton);
        w().listGoneAccount();
        click(0);
        QCOMPARE(b().panelText(2), status("", "") + " Pwd:");
        QCOMPARE(b().CopiedPasswordDigest(), digest);
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
