#pragma once

#include "Utf8.h"

#include <QChar>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <string>

// Searches and listings fold every character they look at, so the folding stays inline here.

// One UTF-16 unit case-folded, ASCII without a table lookup.
inline char16_t foldUnit(char16_t c) {
    if (c < 128)
        return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
    return QChar::toCaseFolded(c);
}

// Writes text case-folded as QStringView::compare(Qt::CaseInsensitive) folds it, unit by unit,
// so that comparing folded texts orders them as that comparison does; out has room for
// text.size() units. Returns the end.
inline char16_t* writeFolded(char16_t* out, QStringView text) {
    const char16_t* p = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = p[i];
        if (c < 128)
            *out++ = (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
        else if (QChar::isLowSurrogate(c) && i > 0 && QChar::isHighSurrogate(p[i - 1]))
            *out++ = QChar::lowSurrogate(QChar::toCaseFolded(QChar::surrogateToUcs4(p[i - 1], c)));
        else
            *out++ = QChar::toCaseFolded(c);
    }
    return out;
}

// The same for checked UTF-8: the units writeFolded gives for the text's UTF-16; out has room for
// n units.
inline char16_t* writeFoldedUtf8(char16_t* out, const quint8* p, size_t n) {
    const quint8* end = p + n;
    while (p < end) {
        if (*p < 0x80) {
            const char16_t c = *p++;
            *out++ = (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
            continue;
        }
        const char32_t c = Utf8::next(p);
        if (c < 0x10000) {
            *out++ = QChar::toCaseFolded(char16_t(c));
        } else {
            *out++ = QChar::highSurrogate(c);
            *out++ = QChar::lowSurrogate(QChar::toCaseFolded(c));
        }
    }
    return out;
}

// Case-insensitive substring search (Horspool over case-folded UTF-16 units).
class TextMatcher {
public:
    explicit TextMatcher(const QString& needle);

    bool matches(QStringView hay) const {
        const size_t m = needle_.size(), n = size_t(hay.size());
        if (m == 0)
            return true;
        if (n < m)
            return false;
        const char16_t* h = hay.utf16();
        const char16_t last = needle_[m - 1];
        size_t pos = 0;
        while (pos + m <= n) {
            const char16_t c = foldUnit(h[pos + m - 1]);
            if (c == last) {
                size_t i = 0;
                while (i + 1 < m && foldUnit(h[pos + i]) == needle_[i])
                    ++i;
                if (i + 1 >= m)
                    return true;
            }
            pos += skip_[c & 0xFF];
        }
        return false;
    }

private:
    std::u16string needle_;
    std::array<size_t, 256> skip_{};
};
