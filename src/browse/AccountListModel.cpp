#include "AccountListModel.h"

#include "ListViewHandling.h"

#include <algorithm>
#include <numeric>

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
    if (!rows_.empty())
        emit dataChanged(this->index(0, index), this->index(int(rows_.size()) - 1, index),
                         {Qt::TextAlignmentRole});
}

void AccountListModel::setRows(std::vector<ListRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void AccountListModel::setRowTexts(const std::function<QString(const QString& key)>& textOf) {
    for (ListRow& row : rows_)
        row.text = textOf(row.key);
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, 0), {Qt::DisplayRole});
}

const QString& AccountListModel::cell(const ListRow& row, int column) const {
    static const QString empty;
    if (column == 0)
        return row.text;
    if (column == descriptionColumn_)
        return row.description;
    if (column == accountNameColumn_)
        return row.accountName;
    return empty;
}

QString AccountListModel::cellText(int row, int column) const {
    if (row < 0 || row >= int(rows_.size()))
        return {};
    return cell(rows_[size_t(row)], column);
}

void AccountListModel::sortByColumn(int column, Qt::SortOrder order) {
    if (column < 0 || column >= int(columns_.size()) || rows_.size() < 2)
        return;
    const size_t n = rows_.size();
    // Fold once per row rather than once per comparison.
    std::vector<QString> folded(n);
    for (size_t i = 0; i < n; ++i)
        folded[i] = cell(rows_[i], column).toCaseFolded();
    std::vector<int> permutation(n); // new position -> old row
    std::iota(permutation.begin(), permutation.end(), 0);
    if (order == Qt::AscendingOrder)
        std::stable_sort(permutation.begin(), permutation.end(),
                         [&](int a, int b) { return folded[size_t(a)] < folded[size_t(b)]; });
    else
        std::stable_sort(permutation.begin(), permutation.end(),
                         [&](int a, int b) { return folded[size_t(b)] < folded[size_t(a)]; });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(n);
    for (size_t p = 0; p < n; ++p)
        newPosition[size_t(permutation[p])] = int(p);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(index.isValid() ? createIndex(newPosition[size_t(index.row())], index.column())
                                  : QModelIndex());
    changePersistentIndexList(from, to);
    std::vector<ListRow> sorted;
    sorted.reserve(n);
    for (int old : permutation)
        sorted.push_back(std::move(rows_[size_t(old)]));
    rows_ = std::move(sorted);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int AccountListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
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
    if (!index.isValid() || index.row() >= int(rows_.size()) || index.column() >= int(columns_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return cell(rows_[size_t(index.row())], index.column());
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
