#pragma once

#include <QStringView>
#include <QtGlobal>

#include <string>
#include <utility>
#include <vector>

// Sorting texts as QStringView::compare(Qt::CaseInsensitive) orders them, for 100,000 rows at a
// time: each text is folded once into one compact buffer, and the sort looks mostly at the first
// eight folded units, packed into two integers.
class FoldedOrder {
public:
    FoldedOrder() = default;
    ~FoldedOrder(); // the folded texts are wiped
    FoldedOrder(const FoldedOrder&) = delete;
    FoldedOrder& operator=(const FoldedOrder&) = delete;

    void reserve(size_t texts, size_t units);
    // The next position's text.
    void add(QStringView text);
    void addUtf8(const quint8* utf8, size_t bytes); // checked UTF-8

    // Positions 0 to n - 1 by their texts, ascending or descending; equal texts keep the order
    // of their positions.
    std::vector<quint32> order(bool descending = false) const;

private:
    void finishKey(size_t from);
    char16_t* room(size_t units); // at the end of folded_, which grows by that much

    std::u16string folded_;
    std::vector<std::pair<quint32, quint32>> keys_; // offset and length in folded_
};
