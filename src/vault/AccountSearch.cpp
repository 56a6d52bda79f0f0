#include "AccountSearch.h"

#include <sodium.h>

#include <array>

namespace {

// The case folding TextMatcher applies to each UTF-16 unit, by code point: characters outside the
// Basic Multilingual Plane are two surrogates to it, which it leaves as they are.
char32_t fold(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return c < 0x10000 ? QChar::toCaseFolded(char16_t(c)) : c;
}

// ASCII characters that only ASCII bytes fold to: 'k' and 's' also have the Kelvin sign and the
// long s, and the table finds any other such character a future Unicode might add.
const std::array<bool, 128>& asciiOnly() {
    static const std::array<bool, 128> table = [] {
        std::array<bool, 128> only;
        only.fill(true);
        for (char32_t c = 0x80; c < 0x10000; ++c) {
            const char32_t f = fold(c);
            if (f < 0x80)
                only[f] = false;
        }
        return only;
    }();
    return table;
}

bool isAsciiLetter(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// How common a folded ASCII character is in stored texts, roughly: the scan anchors on the
// rarest pair, so fewer places need a closer look.
int commonness(char32_t c) {
    static const char kByFrequency[] = " eaoinrtlscdumhpgbfywkvxzjq";
    for (int i = 0; kByFrequency[i]; ++i) {
        if (char32_t(kByFrequency[i]) == c)
            return 30 - i;
    }
    return (c >= '0' && c <= '9') ? 8 : 4;
}

} // namespace

AccountSearch::AccountSearch(const QString& needle) : utf16_(needle) {
    // A surrogate without its other half can match half of a stored character in UTF-16; such a
    // needle is compared as UTF-16 only.
    bool paired = true;
    for (qsizetype i = 0; i < needle.size(); ++i) {
        const QChar c = needle[i];
        if (c.isHighSurrogate() && i + 1 < needle.size() && needle[i + 1].isLowSurrogate()) {
            folded_.push_back(fold(QChar::surrogateToUcs4(c, needle[i + 1])));
            ++i;
        } else if (c.isSurrogate()) {
            paired = false;
        } else {
            folded_.push_back(fold(c.unicode()));
        }
    }
    if (!paired)
        return;
    const auto& only = asciiOnly();
    int best = -1;
    for (size_t i = 0; i + 1 < folded_.size(); ++i) {
        const char32_t a = folded_[i], b = folded_[i + 1];
        if (a >= 0x80 || b >= 0x80 || !only[a] || !only[b])
            continue;
        const int score = 64 - commonness(a) - commonness(b);
        if (score > best) {
            best = score;
            anchor_ = i;
        }
    }
    if (best < 0)
        return;
    scan_ = true;
    for (int k = 0; k < 2; ++k) {
        const char32_t c = folded_[anchor_ + size_t(k)];
        pairCase_[k] = isAsciiLetter(c) ? 0x20 : 0;
        pairBytes_[k] = quint8(c);
    }
}

AccountSearch::~AccountSearch() {
    sodium_memzero(converted_.data(), converted_.capacity() * sizeof(char16_t));
}

bool AccountSearch::matchesConverted(StoredText text) const {
    converted_.resize(text.size);
    char16_t* end = Utf8::decode(text.data, text.size, converted_.data());
    const bool hit = utf16_.matches(QStringView(converted_.data(), end - converted_.data()));
    sodium_memzero(converted_.data(), converted_.size() * sizeof(char16_t));
    return hit;
}

// Whether the needle lies in [textStart, textEnd) with its anchor pair at `at`.
bool AccountSearch::matchesAt(const quint8* at, const quint8* textStart, const quint8* textEnd) const {
    const quint8* p = at;
    for (size_t i = anchor_; i < folded_.size(); ++i) {
        if (p >= textEnd || fold(Utf8::next(p)) != folded_[i])
            return false;
    }
    p = at;
    for (size_t i = anchor_; i-- > 0;) {
        if (p <= textStart || fold(Utf8::previous(p)) != folded_[i])
            return false;
    }
    return true;
}

bool AccountSearch::matches(const StoredAccount& a) const {
    if (!scan_) {
        bool hit = false;
        forEachField(a, [&](int number, StoredText text) {
            hit = !secretStringFields[size_t(number)] && matchesConverted(text);
            return !hit;
        });
        return hit;
    }
    // The pair is looked for in all of the account's bytes at once; a place found is then taken
    // to the field it lies in, which is checked further only when searchable.
    const quint8* fields = StoredItem::fields(a);
    const quint8* end = a.item + a.size;
    const quint8* next = fields; // the next field's head
    const quint8* textStart = nullptr;
    const quint8* textEnd = fields;
    bool searchable = false;
    auto check = [&](const quint8* p) {
        while (p >= textEnd && next < end) {
            const int number = int(StoredItem::head(next));
            const quint32 length = quint32(StoredItem::head(next));
            textStart = next;
            textEnd = next + length;
            next = textEnd;
            searchable = !secretStringFields[size_t(number)];
        }
        return searchable && p >= textStart && p + 1 < textEnd && matchesAt(p, textStart, textEnd);
    };
    const quint8* p = fields;
#if defined(__SSE2__)
    const __m128i want0 = _mm_set1_epi8(char(pairBytes_[0])), want1 = _mm_set1_epi8(char(pairBytes_[1]));
    const __m128i case0 = _mm_set1_epi8(char(pairCase_[0])), case1 = _mm_set1_epi8(char(pairCase_[1]));
    for (; end - p >= 17; p += 16) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        unsigned found =
            unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(first, case0), want0),
                                                     _mm_cmpeq_epi8(_mm_or_si128(second, case1), want1))));
        while (found) {
            if (check(p + __builtin_ctz(found)))
                return true;
            found &= found - 1;
        }
    }
#endif
    for (; p + 1 < end; ++p) {
        if ((p[0] | pairCase_[0]) == pairBytes_[0] && (p[1] | pairCase_[1]) == pairBytes_[1] && check(p))
            return true;
    }
    return false;
}
