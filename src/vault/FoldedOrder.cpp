#include "FoldedOrder.h"

#include "TextMatcher.h"

#include <sodium.h>

#include <algorithm>
#include <utility>

FoldedOrder::~FoldedOrder() {
    sodium_memzero(folded_.data(), folded_.size() * sizeof(char16_t));
}

void FoldedOrder::reserve(size_t texts, size_t units) {
    keys_.reserve(texts);
    if (units <= folded_.capacity())
        return;
    // Grown by hand, so that the buffer left behind is wiped.
    std::u16string grown;
    grown.reserve(units);
    grown = folded_;
    sodium_memzero(folded_.data(), folded_.size() * sizeof(char16_t));
    folded_.swap(grown);
}

char16_t* FoldedOrder::room(size_t units) {
    if (folded_.capacity() - folded_.size() < units)
        reserve(keys_.capacity(), std::max(2 * folded_.capacity(), folded_.size() + units));
    const size_t from = folded_.size();
    folded_.resize(from + units);
    return folded_.data() + from;
}

void FoldedOrder::finishKey(size_t from) {
    keys_.emplace_back(quint32(from), quint32(folded_.size() - from));
}

void FoldedOrder::add(QStringView text) {
    const size_t from = folded_.size();
    char16_t* at = room(size_t(text.size()));
    folded_.resize(from + size_t(writeFolded(at, text) - at));
    finishKey(from);
}

void FoldedOrder::addUtf8(const quint8* utf8, size_t bytes) {
    const size_t from = folded_.size();
    char16_t* at = room(bytes); // UTF-16 never takes more units than UTF-8 takes bytes
    folded_.resize(from + size_t(writeFoldedUtf8(at, utf8, bytes) - at));
    finishKey(from);
}

std::vector<quint32> FoldedOrder::order(bool descending) const {
    // Eight folded units at a time, the first in the highest bits and 0 past the end, make two
    // integers that order most keys on their own: a stable sort on the first eight (a radix sort,
    // sixteen bits a pass, for many keys), then each run of keys equal that far sorted on the next
    // eight, and so on.
    struct Entry {
        quint64 high;
        quint64 low;
        quint32 position;
    };
    const size_t n = keys_.size();
    const quint64 flip = descending ? ~quint64(0) : 0; // descending: the same sort on inverted keys
    auto setPrefix = [&](Entry& e, size_t from) {
        const auto [offset, length] = keys_[e.position];
        quint64 prefix[2] = {0, 0};
        for (size_t k = 0; k < 8; ++k)
            prefix[k / 4] = (prefix[k / 4] << 16) | (from + k < length ? folded_[offset + from + k] : 0);
        e.high = prefix[0] ^ flip;
        e.low = prefix[1] ^ flip;
    };
    // A radix pass costs a table of 65,536 counts: below a few thousand keys comparing is cheaper.
    const int passes = n < 4096 ? 0 : 8;
    std::vector<Entry> entries(n), spare(passes ? n : 0);
    for (size_t i = 0; i < n; ++i) {
        entries[i].position = quint32(i);
        setPrefix(entries[i], 0);
    }
    auto byPrefix = [](const Entry& a, const Entry& b) {
        return a.high != b.high ? a.high < b.high : a.low < b.low;
    };
    if (passes == 0)
        std::stable_sort(entries.begin(), entries.end(), byPrefix);
    std::vector<quint32> counts(passes ? 1 << 16 : 0);
    for (int pass = 0; pass < passes; ++pass) {
        auto digit = [pass](const Entry& e) {
            return size_t(((pass < 4 ? e.low : e.high) >> (16 * (pass % 4))) & 0xFFFF);
        };
        std::fill(counts.begin(), counts.end(), 0);
        for (const Entry& e : entries)
            ++counts[digit(e)];
        if (n == 0 || counts[digit(entries[0])] == n)
            continue; // every key has the same digit here
        quint32 sum = 0;
        for (quint32& c : counts)
            sum += std::exchange(c, sum);
        for (const Entry& e : entries)
            spare[counts[digit(e)]++] = e;
        entries.swap(spare);
    }
    auto samePrefix = [](const Entry& a, const Entry& b) { return a.high == b.high && a.low == b.low; };
    struct Run {
        size_t from, to, depth; // entries[from, to) agree on their first `depth` units
    };
    std::vector<Run> runs;
    auto addRuns = [&](size_t from, size_t to, size_t depth) {
        for (size_t i = from; i < to;) {
            size_t j = i + 1;
            while (j < to && samePrefix(entries[j], entries[i]))
                ++j;
            if (j - i > 1)
                runs.push_back({i, j, depth});
            i = j;
        }
    };
    addRuns(0, n, 8);
    while (!runs.empty()) {
        const Run run = runs.back();
        runs.pop_back();
        const auto first = entries.begin() + qsizetype(run.from), last = entries.begin() + qsizetype(run.to);
        bool longer = false;
        for (auto e = first; e != last && !longer; ++e)
            longer = keys_[e->position].second > run.depth;
        if (!longer) {
            // Equal but for units 0 past the end: the shorter comes first, as in a comparison.
            std::stable_sort(first, last, [&](const Entry& a, const Entry& b) {
                return descending ? keys_[a.position].second > keys_[b.position].second
                                  : keys_[a.position].second < keys_[b.position].second;
            });
            continue;
        }
        for (auto e = first; e != last; ++e)
            setPrefix(*e, run.depth);
        std::stable_sort(first, last, byPrefix);
        addRuns(run.from, run.to, run.depth + 8);
    }
    std::vector<quint32> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = entries[i].position;
    return order;
}
