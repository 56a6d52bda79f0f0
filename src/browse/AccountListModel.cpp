#include "AccountListModel.h"

#include "FoldedOrder.h"
#include "ListViewHandling.h"

#include <algorithm>
#include <stdexcept>

QString RowKey(qint32 id, qint32 category) {
    return QStringLiteral("ID:") + QString::number(id) + QLatin1Char(':') + QString::number(category);
}

void AccountListModel::setColumns(std::vector<ListColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    rows_.clear();
    // A sub-item needs a column of its own: position 0 is the row's text.
    const int description = ColumnIndexByKey(columns_, QStringLiteral("Description"));
    const int accountName = ColumnIndexByKey(columns_, QStringLiteral("AccountName"));
    descriptionColumn_ = description >= 1 ? description : NoColumn;
    accountNameColumn_ = accountName >= 1 ? accountName : NoColumn;
    endResetModel();
}

void AccountListModel::setHeaderText(int index, const QString& text) {
    if (index < 0 || index >= int(columns_.size()))
        return;
    columns_[size_t(index)].text = text;
    emit headerDataChanged(Qt::Horizontal, index, index);
}

void AccountListModel::setColumnAlignment(int index, int alignment) {
    if (index < 0 || index >= int(columns_.size()))
        return;
    columns_[size_t(index)].alignment = alignment;
    emit headerDataChanged(Qt::Horizontal, index, index);
    if (!rows_.isEmpty())
        emit dataChanged(this->index(0, index), this->index(rows_.size() - 1, index),
                         {Qt::TextAlignmentRole});
}

void AccountListModel::setRows(AccountRows rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void AccountListModel::setCategoryNames(const std::array<QString, CategoryCountTotal>& names) {
    categoryNames_ = names;
    if (!rows_.isEmpty())
        emit dataChanged(index(0, 0), index(rows_.size() - 1, 0), {Qt::DisplayRole});
}

QStringView AccountListModel::cell(int row, int column) const {
    if (column == 0) {
        const qint32 category = rows_.category(row);
        return isCategoryCode(category) ? QStringView(categoryNames_[size_t(category)]) : QStringView();
    }
    if (column == descriptionColumn_)
        return rows_.description(row);
    if (column == accountNameColumn_)
        return rows_.accountName(row);
    return {};
}

ListRow AccountListModel::row(int index) const {
    if (index < 0 || index >= rows_.size())
        throw std::out_of_range("no such row in the account list");
    ListRow row{RowKey(rows_.id(index), rows_.category(index)), cell(index, 0).toString(), {}, {}};
    if (descriptionColumn_ != NoColumn)
        row.description = rows_.description(index).toString();
    if (accountNameColumn_ != NoColumn)
        row.accountName = rows_.accountName(index).toString();
    return row;
}

QString AccountListModel::cellText(int row, int column) const {
    if (row < 0 || row >= rows_.size())
        return {};
    return cell(row, column).toString();
}

void AccountListModel::sortByColumn(int column, Qt::SortOrder order) {
    if (column < 0 || column >= int(columns_.size()) || rows_.size() < 2)
        return;
    const int n = rows_.size();
    FoldedOrder texts;
    texts.reserve(size_t(n), 16 * size_t(n));
    for (int i = 0; i < n; ++i)
        texts.add(cell(i, column));
    const std::vector<quint32> permutation = texts.order(order == Qt::DescendingOrder); // new -> old

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(static_cast<size_t>(n));
    for (size_t p = 0; p < size_t(n); ++p)
        newPosition[permutation[p]] = int(p);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(index.isValid() ? createIndex(newPosition[size_t(index.row())], index.column())
                                  : QModelIndex());
    changePersistentIndexList(from, to);
    std::vector<AccountRows::Row>& rows = rows_.rows();
    std::vector<AccountRows::Row> sorted;
    sorted.reserve(size_t(n));
    for (quint32 old : permutation)
        sorted.push_back(rows[old]);
    rows = std::move(sorted);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int AccountListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.size();
}

int AccountListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

Qt::Alignment AccountListModel::alignmentOf(int column) const {
    switch (columns_.at(size_t(column)).alignment) {
    case 1:
        return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

QVariant AccountListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size() || index.column() >= int(columns_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return cell(index.row(), index.column()).toString();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignmentOf(index.column()));
    return {};
}

QVariant AccountListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(columns_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return columns_[size_t(section)].text;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignmentOf(section));
    return {};
}

Qt::ItemFlags AccountListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}
