#include "Browser.h"

#include "AccountListView.h"
#include "AppServices.h"
#include "BrowserHost.h"
#include "Categories.h"
#include "CategoryBar.h"
#include "ExplorerBar.h"
#include "ListViewHandling.h"
#include "Menus.h"
#include "Settings.h"
#include "SharedForm.h"
#include "TextCatalog.h"
#include "WaitCursor.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>

#include <algorithm>

namespace {

const QString kNoFileNotice = QStringLiteral("Please create or open a new passwords file");
const QString kPanel2Tip = QStringLiteral("Double click on this panel for viewing also passwords in clear");
QString number(qint64 n) {
    return QString::number(n);
}

// A status panel that asks for its text's width but may be squeezed to a sliver, so a long text
// is cut at the edge rather than holding the window wide.
class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {40, QLabel::minimumSizeHint().height()}; }
};

QLabel* makePanel(const QString& name, QWidget* parent, QSizePolicy::Policy widthPolicy) {
    auto* panel = new StatusPanel(parent);
    panel->setObjectName(name);
    panel->setTextFormat(Qt::PlainText);
    panel->setSizePolicy(widthPolicy, QSizePolicy::Preferred);
    panel->setContentsMargins(4, 0, 4, 0);
    return panel;
}

} // namespace

Browser::Browser(AppServices& services, BrowserHost& host, QWidget* parentForWidgets)
    : QObject(parentForWidgets), services_(services), host_(host) {
    bar_ = new CategoryBar(parentForWidgets);
    connect(bar_, &CategoryBar::itemClick, this, &Browser::vbalExplorerBarCtl_Main_ItemClick);

    list_ = new AccountListView(parentForWidgets);
    list_->setObjectName(QStringLiteral("ListView_Accounts"));
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { ListView_Accounts_ColumnClick(column); });
    connect(list_, &AccountListView::rowClicked, this, [this](int) { ListView_Accounts_ItemClick(); });
    connect(list_, &AccountListView::keyboardRowChanged, this,
            [this](int) { ListView_Accounts_ItemClick(); });
    connect(list_, &AccountListView::rowDoubleClicked, this,
            [this](int row) { ListView_Accounts_DblClick(row); });
    connect(list_, &AccountListView::mouseUp, this,
            [this](Qt::MouseButton button, const QPoint& at) { ListView_Accounts_MouseUp(button, at); });

    status_ = new QStatusBar(parentForWidgets);
    status_->setObjectName(QStringLiteral("StatusBar_QX"));
    // The counts take the room their text needs; the selected account has the rest.
    panel1_ = makePanel(QStringLiteral("StatusBar_QX_Panel1"), status_, QSizePolicy::Preferred);
    panel2_ = makePanel(QStringLiteral("StatusBar_QX_Panel2"), status_, QSizePolicy::Ignored);
    panel2_->setToolTip(kPanel2Tip);
    panel2_->installEventFilter(this);
    status_->addWidget(panel1_, 0);
    status_->addWidget(panel2_, 1);
}

Browser::~Browser() = default;

QWidget* Browser::categoryBar() {
    return &bar_->bar();
}

ExplorerBar& Browser::explorerBar() {
    return bar_->bar();
}

QWidget* Browser::accountList() {
    return list_;
}

QStatusBar* Browser::statusBar() {
    return status_;
}

AccountListModel& Browser::listModel() {
    return list_->listModel();
}

VaultEngine& Browser::engine() {
    return services_.engine();
}

bool Browser::fileIsOpen() {
    try {
        return engine().IsOpen();
    } catch (const VaultError&) {
        return false;
    }
}

void Browser::notice(const QString& text) {
    services_.notices.ShowPopUpMessage(text, 10, 0);
}

// ---- category bar -------------------------------------------------------------------------------

void Browser::BuildBar() {
    bar_->BuildBar();
}

void Browser::UpdateBar() {
    // Without a file there is nothing to count.
    bar_->UpdateBar(fileIsOpen() ? &engine() : nullptr);
}

void Browser::vbalExplorerBarCtl_Main_ItemClick(const QString& key) {
    if (key == QLatin1String("Exit")) {
        host_.runBarTask(key);
        return;
    }
    if (!fileIsOpen()) {
        notice(kNoFileNotice);
        return;
    }
    if (CategoryBar::isTask(key)) {
        host_.runBarTask(key);
        return;
    }
    const int code = categoryByKey(key);
    if (code >= 0)
        ListAccounts(code);
}

// ---- account list -------------------------------------------------------------------------------

void Browser::SetupAccountColumns() {
    std::vector<ListColumn> columns = {
        {QStringLiteral("Type"), Text(TextId::ColumnCategory), 1700, 0, 0},
        {QStringLiteral("Description"), Text(TextId::ColumnDescription), 3000, 0, 0},
        {QStringLiteral("AccountName"), Text(TextId::ColumnAccountName), 3000, 0, 0},
    };
    AccountListModel& model = listModel();
    model.setColumns(std::move(columns));
    QHeaderView* header = list_->horizontalHeader();
    for (int i = 0; i < model.columnCount(); ++i) {
        const int from = header->visualIndex(i);
        if (from != i)
            header->moveSection(from, i);
        header->resizeSection(i, qRound(model.columns()[size_t(i)].widthTwips / TwipsPerPixel));
    }
    header->setSortIndicator(-1, Qt::AscendingOrder);
}

void Browser::LoadColumnLayout() {
    ::LoadColumnLayout(*list_, services_.prefs.ini());
}

void Browser::SaveColumnLayout() {
    ::SaveColumnLayout(*list_, services_.prefs.ini());
}

void Browser::Populate_ListView(AccountRows rows) {
    WaitCursor wait;
    // Nothing changes before the engine has answered, so a failing call leaves the list, its
    // visibility and panel 1 as they were. No events are processed meanwhile: a click must not
    // reach a half-filled list.
    try {
        const int n = rows.size();
        const int total = engine().AccountCount();

        // Kept as a recipe, so that a change of language can write it again.
        auto panel = [n, total] {
            if (n == 0)
                return Text(TextId::ShowingNone) + Text(TextId::AccountsOutOf) + number(total);
            if (n == 1)
                return Text(TextId::ShowingOneOf) + number(total) + Text(TextId::ShowingOneInFile);
            return Text(TextId::Showing) + number(n) + Text(TextId::AccountsOutOf) + number(total) +
                   Text(TextId::ShowingInFile);
        };

        // One reset: the view lays out and paints once, however many rows there are.
        AccountListModel& model = listModel();
        model.setCategoryNames(categoryNames());
        model.setRows(std::move(rows));
        list_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder); // rows are in the engine's order
        setPanel1(panel);
        list_->setHidden(n == 0); // an empty result leaves the area blank, not an empty grid
        SelectFirstAccount();
        refreshPanel2();
    } catch (const VaultError&) {
    }
}

void Browser::Populate_ListView(const AccountRecords& records) {
    AccountRows rows;
    try {
        const int n = std::clamp(engine().RecordCount(records), 0, int(records.size()));
        for (int i = 0; i < n; ++i) {
            const AccountRecord& r = records[size_t(i)];
            rows.append(r.ID, r.Type, r.Description, r.AccountName);
        }
    } catch (const VaultError&) {
        return;
    }
    Populate_ListView(std::move(rows));
}

void Browser::ListAccounts(int category) {
    currentCategory_ = category;
    services_.prefs.setLastType(category);
    AccountRows rows;
    try {
        engine().ListRows(rows, category);
    } catch (const VaultError&) {
        return;
    }
    Populate_ListView(std::move(rows));
}

void Browser::RefreshInfo() {
    AccountRows rows;
    try {
        engine().ListRows(rows, AllCategories);
    } catch (const VaultError&) {
        return;
    }
    Populate_ListView(std::move(rows));
}

void Browser::ShowAll() {
    WaitCursor wait;
    AccountRows rows;
    int count = 0;
    try {
        count = engine().ListRows(rows, AllCategories);
    } catch (const VaultError&) {
        return;
    }
    if (count < 1) {
        clearList();
        notice(Text(TextId::NoAccountsYet));
    } else {
        Populate_ListView(std::move(rows));
    }
}

void Browser::Find_Account(const QString& text) {
    WaitCursor wait;
    if (text.isEmpty()) {
        RefreshInfo();
        return;
    }
    AccountRows rows;
    int n = 0;
    try {
        n = engine().FindRows(text, rows);
    } catch (const VaultError&) {
        return;
    }
    if (n < 1) {
        clearList(); // the list stays visible and panel 1 keeps the last listing's counts
        notice(Text(TextId::NoAccountMatches));
    } else {
        Populate_ListView(std::move(rows));
    }
}

void Browser::SelectFirstAccount() {
    if (listModel().rowCount() < 1)
        return;
    list_->selectionModel()->setCurrentIndex(listModel().index(0, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollToTop();
    host_.UpdateContextMenus();
}

void Browser::clearList() {
    listModel().clearRows();
}

int Browser::rowCount() const {
    return list_->listModel().rowCount();
}

std::optional<QString> Browser::selectedKey() const {
    const QItemSelectionModel* selection = list_->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), {}))
        return list_->listModel().row(current.row()).key;
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    const auto first =
        std::min_element(rows.begin(), rows.end(),
                         [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    return list_->listModel().row(first->row()).key;
}

int Browser::SelectedAccountID(const QString& key) {
    if (!key.trimmed().isEmpty())
        return rowKeyId(key);
    const std::optional<QString> selected = selectedKey();
    return selected ? rowKeyId(*selected) : 0;
}

int Browser::SelectedAccountType(const QString& key) {
    if (!key.trimmed().isEmpty())
        return rowKeyCategory(key);
    const std::optional<QString> selected = selectedKey();
    return selected ? rowKeyCategory(*selected) : AllCategories;
}

int Browser::CountSelectedAccounts() {
    return int(list_->selectionModel()->selectedRows().size());
}

QStringList Browser::selectedRowKeys() {
    QModelIndexList rows = list_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList keys;
    keys.reserve(rows.size());
    for (const QModelIndex& index : rows)
        keys.append(listModel().row(index.row()).key);
    return keys;
}

void Browser::ListView_Accounts_ColumnClick(int column) {
    AccountListModel& model = listModel();
    if (column < 0 || column >= model.columnCount())
        return;
    ListColumn& c = model.column(column);
    c.sortOrder = NextSortOrder(c.sortOrder); // each column keeps its own cycle
    if (c.sortOrder != 1 && c.sortOrder != 2) {
        list_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder); // nothing sorted
        return;
    }
    const Qt::SortOrder order = c.sortOrder == 1 ? Qt::AscendingOrder : Qt::DescendingOrder;
    model.sortByColumn(column, order);
    list_->horizontalHeader()->setSortIndicator(column, order);
    const QModelIndex current = list_->currentIndex();
    if (current.isValid())
        list_->scrollTo(current);
}

void Browser::ListView_Accounts_ItemClick() {
    const int id = SelectedAccountID();
    const int category = SelectedAccountType();
    AccountRecord record;
    bool fetched = false;
    try {
        engine().GetRecord(id, category, record);
        fetched = true;
    } catch (const VaultError&) {
        record.Clear();
    }
    QString text = QLatin1Char('"') + record.Description + QLatin1Char('"') +
                   Text(TextId::StatusAccountName) + record.AccountName;
    if (showPassword_) {
        text += QStringLiteral(" Pwd:") + record.Password;
        // Only a password really shown counts as one the clipboard watch should know.
        if (fetched) {
            try {
                copiedDigest_ = engine().DigestText(record.Password);
            } catch (const VaultError&) {
            }
        }
    }
    panel2_->setText(text);
    panel2Key_ = selectedKey().value_or(QString());
    host_.UpdateContextMenus();
}

// After a new listing or a change of language: panel 2 is read afresh for the account it
// described when that row is still the selected one, and otherwise emptied rather than left
// describing an account as it was before an edit, or one no longer listed. It never starts
// describing (or showing the password of) an account nobody picked.
void Browser::refreshPanel2() {
    if (panel2_->text().isEmpty())
        return;
    if (!panel2Key_.isEmpty() && selectedKey() == panel2Key_) {
        ListView_Accounts_ItemClick();
    } else {
        panel2_->clear();
        panel2Key_.clear();
    }
}

void Browser::ListView_Accounts_DblClick(int row) {
    if (row < 0 || row >= rowCount())
        return;
    const QString key = listModel().row(row).key;
    host_.OpenAccountForm(SelectedAccountID(key), SelectedAccountType(key), false);
}

void Browser::ListView_Accounts_MouseUp(Qt::MouseButton button, const QPoint& globalPos) {
    if (!fileIsOpen()) {
        notice(kNoFileNotice);
        return;
    }
    host_.UpdateContextMenus();
    if (button == Qt::RightButton)
        host_.popupContextMenu(globalPos);
}

// ---- status bar ---------------------------------------------------------------------------------

void Browser::setPanel1(std::function<QString()> text) {
    panel1Text_ = std::move(text);
    panel1_->setText(panel1Text_());
}

void Browser::showFileClosed() {
    setPanel1([] { return Text(TextId::FileClosed); });
    panel2_->clear();
    panel2Key_.clear();
}

QString Browser::categoryName(int code) {
    const TextCatalog& catalog = languageCatalog();
    const std::optional<QString> caption = catalog.captionIn(
        catalog.selectedLanguage(), QStringLiteral("Main"), Menus::newAccountEntryName(code));
    if (!caption)
        return engine().CategoryName(code);
    QString name = *caption; // a menu caption: "&" marks an access key, "&&" stands for "&"
    name.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
        .remove(QLatin1Char('&'))
        .replace(u'\x01', u'&');
    return name;
}

std::array<QString, CategoryCountTotal> Browser::categoryNames() {
    std::array<QString, CategoryCountTotal> names;
    for (int code = 0; code < CategoryCountTotal; ++code)
        names[size_t(code)] = categoryName(code);
    return names;
}

void Browser::retranslate() {
    AccountListModel& model = listModel();
    const std::pair<const char*, TextId> headers[] = {{"Type", TextId::ColumnCategory},
                                                      {"Description", TextId::ColumnDescription},
                                                      {"AccountName", TextId::ColumnAccountName}};
    for (const auto& [key, id] : headers) {
        const int column = ColumnIndexByKey(model.columns(), QLatin1String(key));
        if (column != NoColumn)
            model.setHeaderText(column, Text(id));
    }
    model.setCategoryNames(categoryNames());
    bar_->retranslate();
    if (panel1Text_)
        panel1_->setText(panel1Text_());
    refreshPanel2(); // in the new language
}

void Browser::setPanels(const QString& panel1, const QString& panel2) {
    panel1Text_ = [panel1] { return panel1; };
    panel1_->setText(panel1);
    panel2_->setText(panel2);
}

QString Browser::panelText(int panel) const {
    if (panel == 1)
        return panel1_->text();
    if (panel == 2)
        return panel2_->text();
    return {};
}

void Browser::StatusBar_QX_PanelDblClick(int panel) {
    if (panel != 2)
        return;
    showPassword_ = !showPassword_;
    if (showPassword_)
        notice(Text(TextId::StatusShowsPasswords));
    else
        refreshPanel2(); // a password on show goes at once, not at the next click
}

bool Browser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel2_ && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        StatusBar_QX_PanelDblClick(2);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
