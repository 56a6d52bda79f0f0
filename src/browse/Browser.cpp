#include "Browser.h"

#include "AccountListView.h"
#include "AppServices.h"
#include "BrowserHost.h"
#include "Categories.h"
#include "CategoryBar.h"
#include "ExplorerBar.h"
#include "ListViewHandling.h"
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

QLabel* makePanel(const QString& name, QWidget* parent) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(name);
    panel->setTextFormat(Qt::PlainText);
    // Long texts are cut at the panel's edge rather than widening the window.
    panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panel->setMinimumWidth(40);
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
    panel1_ = makePanel(QStringLiteral("StatusBar_QX_Panel1"), status_);
    panel2_ = makePanel(QStringLiteral("StatusBar_QX_Panel2"), status_);
    panel2_->setToolTip(kPanel2Tip);
    panel2_->installEventFilter(this);
    status_->addWidget(panel1_, 2);
    status_->addWidget(panel2_, 3);
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

void Browser::Populate_ListView(const AccountRecords& records) {
    WaitCursor wait;
    // Every row is built before the list changes, so a failing engine call leaves the list,
    // its visibility and panel 1 as they were. No events are processed meanwhile: a click must
    // not reach a half-filled list.
    try {
        VaultEngine& e = engine();
        const int n = std::clamp(e.RecordCount(records), 0, int(records.size()));
        const int total = e.AccountCount();

        AccountListModel& model = listModel();
        const bool withDescription = model.descriptionColumn() != NoColumn;
        const bool withAccountName = model.accountNameColumn() != NoColumn;
        std::array<std::optional<QString>, CategoryCountTotal> names; // asked once per category
        std::vector<ListRow> rows(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const AccountRecord& r = records[size_t(i)];
            ListRow& row = rows[size_t(i)];
            row.key = RowKey(r.ID, r.Type);
            if (isCategoryCode(r.Type)) {
                std::optional<QString>& name = names[size_t(r.Type)];
                if (!name)
                    name = e.CategoryName(r.Type);
                row.text = *name;
            } else {
                row.text = e.CategoryName(r.Type);
            }
            if (withDescription)
                row.description = r.Description;
            if (withAccountName)
                row.accountName = r.AccountName;
        }

        QString panel;
        if (n == 0)
            panel = Text(TextId::ShowingNone) + Text(TextId::AccountsOutOf) + number(total);
        else if (n == 1)
            panel = Text(TextId::ShowingOneOf) + number(total) + Text(TextId::ShowingOneInFile);
        else
            panel = Text(TextId::Showing) + number(n) + Text(TextId::AccountsOutOf) + number(total) +
                    Text(TextId::ShowingInFile);

        // One reset: the view lays out and paints once, however many rows there are.
        model.setRows(std::move(rows));
        list_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder); // rows are in the engine's order
        panel1_->setText(panel);
        list_->setHidden(n == 0); // an empty result leaves the area blank, not an empty grid
        SelectFirstAccount();
    } catch (const VaultError&) {
    }
}

void Browser::ListAccounts(int category) {
    currentCategory_ = category;
    services_.prefs.setLastType(category);
    AccountRecords records;
    try {
        engine().GetRecords(records, category);
    } catch (const VaultError&) {
        return;
    }
    Populate_ListView(records);
}

void Browser::RefreshInfo() {
    AccountRecords records;
    try {
        engine().GetRecords(records, AllCategories);
    } catch (const VaultError&) {
        return;
    }
    Populate_ListView(records);
}

void Browser::ShowAll() {
    WaitCursor wait;
    AccountRecords records;
    int count = 0;
    try {
        count = engine().GetRecords(records, AllCategories);
    } catch (const VaultError&) {
        return;
    }
    if (count < 1) {
        clearList();
        notice(Text(TextId::NoAccountsYet));
    } else {
        Populate_ListView(records);
    }
}

void Browser::Find_Account(const QString& text) {
    WaitCursor wait;
    if (text.isEmpty()) {
        RefreshInfo();
        return;
    }
    AccountRecords records;
    int n = 0;
    try {
        n = engine().FindRecords(text, records);
    } catch (const VaultError&) {
        return;
    }
    if (n < 1) {
        clearList(); // the list stays visible and panel 1 keeps the last listing's counts
        notice(Text(TextId::NoAccountMatches));
    } else {
        Populate_ListView(records);
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
    host_.UpdateContextMenus();
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

void Browser::setPanels(const QString& panel1, const QString& panel2) {
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
}

bool Browser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel2_ && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        StatusBar_QX_PanelDblClick(2);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
