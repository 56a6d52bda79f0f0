#pragma once

#include <QStringView>
#include <QtGlobal>

#include <memory>
#include <vector>

// What the account list shows of each account of a listing: identifier, category, description
// and account name. The texts lie side by side in one buffer, so 100,000 rows cost two
// allocations rather than 200,000; the buffer is wiped when it grows and when the rows go.
class AccountRows {
public:
    struct Row {
        qint32 id = 0;
        qint32 category = 0;
        quint32 description = 0; // offset and size of each text in the buffer
        quint32 descriptionSize = 0;
        quint32 accountName = 0;
        quint32 accountNameSize = 0;
    };

    AccountRows() = default;
    ~AccountRows();
    AccountRows(AccountRows&& other) noexcept;
    AccountRows& operator=(AccountRows&& other) noexcept;
    AccountRows(const AccountRows&) = delete;
    AccountRows& operator=(const AccountRows&) = delete;

    int size() const { return int(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }
    qint32 id(int row) const { return rows_[size_t(row)].id; }
    qint32 category(int row) const { return rows_[size_t(row)].category; }
    QStringView description(int row) const {
        const Row& r = rows_[size_t(row)];
        return text(r.description, r.descriptionSize);
    }
    QStringView accountName(int row) const {
        const Row& r = rows_[size_t(row)];
        return text(r.accountName, r.accountNameSize);
    }

    void clear();
    void append(qint32 id, qint32 category, QStringView description, QStringView accountName);

    // For those that fill or reorder the rows: texts go in first, then the rows that show them.
    std::vector<Row>& rows() { return rows_; }
    const std::vector<Row>& rows() const { return rows_; }
    void reserveText(size_t units);
    // Room for at most `units` more; the texts written there are kept by keepText.
    char16_t* textSpace(size_t units);
    quint32 keepText(char16_t* end); // the offset of the text written since textSpace

private:
    QStringView text(quint32 offset, quint32 size) const {
        return QStringView(text_.get() + offset, qsizetype(size));
    }

    std::vector<Row> rows_;
    std::unique_ptr<char16_t[]> text_;
    size_t used_ = 0;
    size_t capacity_ = 0;
    size_t pending_ = 0; // where the text being written starts
};
