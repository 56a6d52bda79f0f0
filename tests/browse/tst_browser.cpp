// The category bar, the account list with its clipboard commands and column layout, and the
// status bar on a real vault.

#include "AccountListView.h"
#include "Browser.h"
#include "BrowserHost.h"
#include "Clipboard.h"
#include "ClipboardCommands.h"
#include "ExplorerBar.h"
#include "ListViewHandling.h"
#include "TestServices.h"

#include <QTest>
#include <QtWidgets>

#include <tuple>

namespace {
// Records what the browser asks of the main window.
class RecordingHost final : public BrowserHost {
public:
    void UpdateContextMenus() override { ++menuUpdates; }
    void popupContextMenu(const QPoint& globalPos) override { popups.append(globalPos); }
    void OpenAccountForm(int id, int category, bool ignoreId) override {
        forms.append({id, category, ignoreId});
    }
    void runBarTask(const QString& key) override { tasks.append(key); }

    int menuUpdates = 0;
    QList<QPoint> popups;
    QList<std::tuple<int, int, bool>> forms;
    QStringList tasks;
};

// A main window stand-in named "Main" holding the category bar, the account list and the status bar.
struct BrowserWindow {
    explicit BrowserWindow(TestServices& s) : services(s) {
        window.setObjectName("Main");
        browser = new Browser(s.services, host, &window);
        auto* row = new QHBoxLayout;
        row->addWidget(browser->categoryBar());
        row->addWidget(browser->accountList(), 1);
        auto* outer = new QVBoxLayout(&window);
        outer->addLayout(row, 1);
        outer->addWidget(browser->statusBar());
        window.resize(681, 520);
        browser->BuildBar();
        browser->SetupAccountColumns();
    }

    AccountListView& list() { return browser->listView(); }
    QHeaderView* header() { return list().horizontalHeader(); }
    bool createVault() { return services.engine().CreateFile(services.path("test.qx"), "master password"); }
    int add(int type, const QString& description, const QString& name, const QString& password = {}) {
        return services.put(type, description, name, password).ID;
    }
    QStringList column(int index) { // texts of one column, top to bottom
        QStringList texts;
        for (int r = 0; r < browser->rowCount(); ++r)
            texts.append(browser->listModel().cellText(r, index));
        return texts;
    }
    // Lists one row whose account is not in the file.
    void listGoneAccount() {
        AccountRecords gone(1);
        gone[0].ID = 999;
        gone[0].Type = Banks;
        browser->Populate_ListView(gone);
    }

    TestServices& services;
    RecordingHost host;
    QWidget window;
    Browser* browser = nullptr; // owned by window
};

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
const QString kList = "Main.ListView_Accounts";
QString col(int i) {
    return kList + '.' + QString::number(i);
}
// The columns' logical indexes from left to right, then their widths.
QString layout(BrowserWindow& w) {
    QStringList order, widths;
    for (int i = 0; i < w.header()->count(); ++i) {
        order << QString::number(w.header()->logicalIndex(i));
        widths << QString::number(w.header()->sectionSize(i));
    }
    return order.join(' ') + " | " + widths.join(' ');
}
const QString kSetup = "0 1 2 | 113 200 200"; // 1700 and 3000 twips
const QString kDragged = "2 0 1 | 113 250 200";
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
    // How many rows are selected, then the current one's account and category.
    std::tuple<int, int, int> selection() {
        return {b().CountSelectedAccounts(), b().SelectedAccountID(), b().SelectedAccountType()};
    }
    void clickHeader(int column) {
        QHeaderView* h = w().header();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + 5, h->height() / 2));
    }
    // One program run: a fresh main window that sets up its columns and loads the layout.
    std::unique_ptr<BrowserWindow> start() {
        auto run = std::make_unique<BrowserWindow>(*s_);
        run->browser->LoadColumnLayout();
        return run;
    }
    // A run in which the user dragged AccountName to the front and widened Description.
    void saveDraggedLayout() {
        auto run = start();
        run->header()->moveSection(2, 0);
        run->header()->resizeSection(1, 250);
        run->browser->SaveColumnLayout();
    }
    QByteArray iniFile() {
        QFile file(s_->iniPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase() { useTestTexts(); }
    void init() {
        languageCatalog().SelectLanguage("English");
        s_ = std::make_unique<TestServices>();
        w_ = std::make_unique<BrowserWindow>(*s_);
        w_->window.show();
        Clipboard().put("the user's own text", Clipboard::Kind::Plain);
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
        QCOMPARE(selection(), std::tuple(1, ids[2], int(CreditCards)));
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
        QCOMPARE(selection(), std::tuple(0, 0, 99));

        // "Show all" on a file emptied meanwhile: notice 27, the list emptied but panel 1 kept.
        b().ListAccounts(CreditCards);
        for (int id : ids)
            s_->engine().DeleteRecord(id, 0, true);
        b().ShowAll();
        QCOMPARE(s_->shown().last(), T(TextId::NoAccountsYet));
        QCOMPARE(b().rowCount(), 0);
        QCOMPARE(b().panelText(1), showing(2, 3));
    }

    // Selections and the row keys that name their accounts, identifiers beyond 16 bits included.
    void selectionAndRowKeys() {
        QVERIFY(w().createVault());
        AccountRecords records(3);
        const int ids[] = {32767, 40000, 2147483647}, types[] = {Pins, ComputersLogon, Forums};
        for (size_t i = 0; i < 3; ++i)
            std::tie(records[i].ID, records[i].Type) = std::pair(ids[i], types[i]);
        b().Populate_ListView(records);
        QCOMPARE(b().listModel().row(1).key, "ID:40000:3");
        for (int row = 0; row < 3; ++row) {
            w().list().selectRow(row);
            QCOMPARE(selection(), std::tuple(1, ids[row], types[row]));
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

    // The bar's items, each with its icon. Without a file they answer with the notice (only "Exit"
    // goes on), as does the list's right button, and count nothing; with one they count the
    // accounts of each category and list them.
    void categoryBar() {
        ExplorerBar& bar = b().explorerBar();
        QCOMPARE(bar.itemKeys("Main"), QStringList({"New", "Edit", "Delete", "Find", "Exit"}));
        QCOMPARE(bar.itemKeys(kTypes),
                 QStringList({"Banks", "CreditCards", "Forums", "Pins", "Serials", "Messengers", "Services",
                              "Misc", "WebSites", "Dialup", "Files", "ComputersLogon", "MailBoxes"}));
        for (const QString& group : bar.groupKeys())
            for (const QString& key : bar.itemKeys(group))
                QVERIFY2(!bar.itemButton(group, key)->icon().isNull(), qPrintable(key));
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
        b().UpdateBar();
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
        clickBar("Main", "Find");
        clickBar("Main", "Delete");
        QCOMPARE(w().host.tasks, QStringList({"Exit", "Find", "Delete"}));
        s_->engine().CloseFile(); // the closed file's counts go
        b().UpdateBar();
        QCOMPARE(bar.itemCaption(kTypes, "MailBoxes"), T(TextId::BarMailBoxes));
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
        // A new listing keeps panel 2 only for the row it described, read afresh.
        b().ListAccounts(WebSites); // News selected again
        QCOMPARE(b().panelText(2), QString());
        click(0);
        AccountRecord news;
        s_->engine().GetRecord(b().SelectedAccountID(), WebSites, news);
        news.AccountName = "bob";
        QVERIFY(s_->engine().PutRecord(news));
        b().ListAccounts(WebSites);
        QCOMPARE(b().panelText(2), status("News", "bob"));

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
        QCOMPARE(b().panelText(2), status("Shop", "ann")); // hidden at once
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

    void copyNeedsASelectedRow_data() {
        QTest::addColumn<bool>("password");
        QTest::newRow("account name") << false;
        QTest::newRow("password") << true;
    }
    void copyNeedsASelectedRow() {
        QFETCH(bool, password);
        QVERIFY(w().createVault());
        ClipboardCommands c(s_->services, b());
        const auto copy = [&] { password ? c.CopyPassword() : c.CopyAccountName(); };
        copy(); // an empty list
        QCOMPARE(s_->shown(), QStringList{T(TextId::SelectAccountFirst)});
        const int first = w().add(Pins, "Door", "al", "1234");
        w().add(Pins, "Safe", "bo", "9876");
        b().ListAccounts(Pins);
        w().list().clearSelection();
        copy(); // the first row is selected for the user to repeat the command; nothing else happens
        QCOMPARE(selection(), std::tuple(1, first, int(Pins)));
        QCOMPARE(s_->shown().size(), 1);
        QCOMPARE(Clipboard().text(), "the user's own text");
        copy();
        QCOMPARE(Clipboard().text(), password ? "1234" : "al");
    }

    void copiesAndTheirMarks() {
        QVERIFY(w().createVault());
        ClipboardCommands c(s_->services, b());
        w().add(WebSites, "Shop", "ann", " s3cret ");
        b().ListAccounts(WebSites);
        c.CopyAccountName();
        QCOMPARE(Clipboard().text(), "ann");
        QVERIFY(!Clipboard().holdsSecretHint());
        QCOMPARE(s_->shown(),
                 QStringList{T(TextId::AccountNameCopiedBefore) + "ann" + T(TextId::AccountNameCopiedAfter)});
        QCOMPARE(b().CopiedPasswordTime(), -1);
        QVERIFY(!c.holdsCopiedPassword());

        s_->clock.advanceSecs(5);
        c.CopyPassword();
        QCOMPARE(Clipboard().text(), " s3cret ");
        QVERIFY(Clipboard().holdsSecretHint());
        QCOMPARE(s_->shown().last(),
                 T(TextId::PasswordCopiedBefore) + "ann" + T(TextId::PasswordCopiedAfter));
        const QString digest = s_->engine().DigestText(" s3cret ");
        QCOMPARE(b().CopiedPasswordDigest(), digest);
        QCOMPARE(b().copiedPasswordToWipe(), digest);
        QCOMPARE(b().CopiedPasswordTime(), s_->clock.monotonicMs());
        QVERIFY(c.holdsCopiedPassword());

        // What the user copies afterwards is theirs: clearing leaves it alone.
        Clipboard().put(" s3cret x", Clipboard::Kind::Plain);
        c.clearCopiedPassword();
        QCOMPARE(Clipboard().text(), " s3cret x");

        // A row whose account is gone: the clipboard emptied, nothing recorded, the failure told.
        const qint64 copiedAt = b().CopiedPasswordTime();
        s_->clock.advanceSecs(5);
        s_->noticesShown.clear();
        w().listGoneAccount();
        c.CopyAccountName();
        QCOMPARE(Clipboard().text(), QString());
        Clipboard().put(" s3cret ", Clipboard::Kind::Secret);
        c.CopyPassword();
        QCOMPARE(Clipboard().text(), QString());
        QCOMPARE(s_->shown(), QStringList({T(TextId::AccountNameNotCopied), T(TextId::PasswordNotCopied)}));
        QCOMPARE(b().copiedPasswordToWipe(), digest);
        QCOMPARE(b().CopiedPasswordTime(), copiedAt);
    }

    void exportFollowsTheListedOrder() {
        QVERIFY(w().createVault());
        ClipboardCommands c(s_->services, b());
        w().add(Forums, "The \"best\" forum", "zed", "p\"w");
        w().add(Forums, "Plain", "amy", "x,y");
        w().add(Forums, "Third", "max", "");
        b().ListAccounts(Forums);
        w().list().clearSelection();
        c.ExportAccounts(); // nothing selected: nothing is selected on the user's behalf
        QCOMPARE(s_->shown(), QStringList{T(TextId::SelectAccountFirst)});
        QCOMPARE(b().CountSelectedAccounts(), 0);
        QCOMPARE(Clipboard().text(), "the user's own text");

        const QString zed = "\"The \"best\" forum\",\"zed\",\"p\"w\"\r\n";
        const QString amy = "\"Plain\",\"amy\",\"x,y\"\r\n";
        w().list().selectRow(0); // Plain
        c.ExportAccounts();
        QCOMPARE(Clipboard().text(), amy);
        QCOMPARE(s_->shown().last(), T(TextId::AccountsExported));
        QVERIFY(Clipboard().holdsSecretHint());

        w().list().selectAll();
        b().ListView_Accounts_ColumnClick(2);
        b().ListView_Accounts_ColumnClick(2);                            // account name, descending
        w().list().selectionModel()->select(b().listModel().index(1, 0), // max
                                            QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        c.ExportAccounts();
        QCOMPARE(Clipboard().text(), zed + amy);
        // Wiped a minute later like a copied password, without becoming the status bar's one.
        QCOMPARE(b().copiedPasswordToWipe(), s_->engine().DigestText(zed + amy));
        QVERIFY(b().CopiedPasswordTime() >= 0 && b().CopiedPasswordDigest().isEmpty());

        // A selected row whose account is gone: the export ends without a word, the clipboard kept.
        s_->noticesShown.clear();
        w().listGoneAccount();
        w().list().selectAll();
        c.ExportAccounts();
        QVERIFY(s_->shown().isEmpty());
        QCOMPARE(Clipboard().text(), zed + amy);
        QVERIFY(!QApplication::overrideCursor());
    }

    void roundTripAfterDragAndResize() {
        saveDraggedLayout();
        auto section = [this](const QString& name, std::initializer_list<const char*> keys) {
            QStringList values;
            for (const char* key : keys)
                values << s_->ini.read({}, name, QLatin1String(key));
            return values.join(u'|');
        };
        QCOMPARE(section(kList, {"ColumnsCount", "ContainerName", "Name"}), u"3|Main|ListView_Accounts");
        // Key, Text, Alignment, Position and Width (in twips) of each column.
        const QStringList columns = {"Type|T14|0|2|1700", "Description|T16|0|0|3750",
                                     "AccountName|T18|0|1|3000"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(section(col(i), {"Key", "Text", "Alignment", "Position", "Width"}), columns[i]);

        // The next run shows AccountName first with the stored widths, and stores the same again.
        const QByteArray firstSave = iniFile();
        auto run = start();
        QCOMPARE(layout(*run), kDragged);
        run->browser->SaveColumnLayout();
        QCOMPARE(iniFile(), firstSave);

        // The headers follow the language, not the texts stored with the widths.
        languageCatalog().SelectLanguage("Italiano");
        run = start();
        QCOMPARE(layout(*run), kDragged);
        const QAbstractItemModel& model = run->browser->listModel();
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString() +
                     model.headerData(2, Qt::Horizontal).toString(),
                 "IT14IT18");
    }

    // Filling, emptying and sorting the list leaves the user's layout alone.
    void layoutSurvivesListings() {
        saveDraggedLayout();
        s_->ini.write({}, col(2), "Alignment", "1");
        auto run = start();
        QVERIFY(run->createVault());
        run->add(Banks, "one", "a");
        run->add(Banks, "two", "b");
        run->browser->ListAccounts(Banks);
        run->browser->ListAccounts(Pins);
        run->browser->ShowAll();
        run->browser->ListView_Accounts_ColumnClick(1);
        run->browser->clearList();
        run->browser->ShowAll();
        QCOMPARE(layout(*run), kDragged);
        const QModelIndex cell = run->browser->listModel().index(0, 2);
        QCOMPARE(cell.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
    }

    // A stored layout is applied only to a list of the same size, window and name.
    void foreignLayoutIgnored() {
        const std::tuple<const char*, const char*, bool> cases[] = {
            {"ColumnsCount", "3 columns", true}, {"ColumnsCount", "4", false},
            {"ColumnsCount", "", false}, // missing, as on a first start
            {"ContainerName", "Find", false},    {"ContainerName", "main", false},
            {"Name", "ListView_Other", false}};
        for (const auto& [key, value, applied] : cases) {
            saveDraggedLayout();
            s_->ini.write({}, kList, key, value);
            const QString shown = layout(*start());
            QVERIFY2(shown == (applied ? kDragged : kSetup), qPrintable(key + (": " + shown)));
        }
    }

    // Hand-edited values: widths that are no number, far too large or negative, and positions that
    // name one column twice (not a rearrangement: the order is not applied).
    void damagedValues() {
        saveDraggedLayout();
        s_->ini.write({}, col(0), "Width", "wide");
        s_->ini.write({}, col(1), "Width", "1e30");
        s_->ini.write({}, col(2), "Width", "-300");
        s_->ini.write({}, col(1), "Position", "2");
        s_->ini.write({}, col(1), "Alignment", "2 (centre)");
        auto run = start();
        QCOMPARE(layout(*run), "0 1 2 | 0 " + QString::number(run->header()->maximumSectionSize()) + " 0");
        QCOMPARE(run->browser->listModel().columns()[1].alignment, 2);
        s_->ini.write({}, col(1), "Position", "0"); // a valid order again
        QCOMPARE(layout(*start()).left(5), "2 0 1");
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
