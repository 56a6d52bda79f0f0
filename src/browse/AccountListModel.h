#pragma once

#include "AccountRows.h"
#include "Categories.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <vector>

// What ColumnIndexByKey answers for a key that no column has.
inline constexpr int NoColumn = 9999;

// One column of the account list, in creation order.
struct ListColumn {
    QString key;
    QString text;          // header text
    double widthTwips = 0; // as the layout stores it; the header holds the live width in pixels
    int alignment = 0;     // 0 left, 1 right, 2 centre
    int sortOrder = 0;     // 0 unsorted, 1 ascending, 2 descending
};

// One row: the key that ties it to its account and the three texts it shows.
struct ListRow {
    QString key;         // RowKey
    QString text;        // the row's own text (column 0)
    QString description; // empty when the list has no "Description" column
    QString accountName; // empty when the list has no "AccountName" column
};

// "ID:<id>:<category>" in plain decimal.
QString RowKey(qint32 id, qint32 category);

// Rows are replaced as a whole and sorted in place, so filling or sorting 100,000 rows costs one
// reset or one layout change instead of a repaint per row. The rows keep the engine's listing as
// it came, texts side by side in one buffer; a cell becomes a QString only when it is shown.
class AccountListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setColumns(std::vector<ListColumn> columns); // removes every row
    const std::vector<ListColumn>& columns() const { return columns_; }
    ListColumn& column(int index) { return columns_.at(size_t(index)); }
    void setHeaderText(int index, const QString& text);
    void setColumnAlignment(int index, int alignment);

    // Where the "Description" and "AccountName" texts go; NoColumn when the list lacks one.
    int descriptionColumn() const { return descriptionColumn_; }
    int accountNameColumn() const { return accountNameColumn_; }

    void setRows(AccountRows rows);
    void clearRows() { setRows({}); }
    // The row's own text (column 0) is its category's name, in the language now selected; codes
    // that are no category show nothing.
    void setCategoryNames(const std::array<QString, CategoryCountTotal>& names);
    ListRow row(int index) const;
    QString cellText(int row, int column) const;

    // Stable sort by the column's text, ignoring case; selection and current row follow their rows.
    void sortByColumn(int column, Qt::SortOrder order);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QStringView cell(int row, int column) const;
    Qt::Alignment alignmentOf(int column) const;

    std::vector<ListColumn> columns_;
    AccountRows rows_;
    std::array<QString, CategoryCountTotal> categoryNames_;
    int descriptionColumn_ = NoColumn;
    int accountNameColumn_ = NoColumn;
};
