#include "TextMatcher.h"

TextMatcher::TextMatcher(const QString& needle) {
    needle_.reserve(size_t(needle.size()));
    for (QChar c : needle)
        needle_.push_back(foldUnit(c.unicode()));
    const size_t m = needle_.size();
    skip_.fill(m);
    for (size_t i = 0; i + 1 < m; ++i)
        skip_[needle_[i] & 0xFF] = std::min(skip_[needle_[i] & 0xFF], m - 1 - i);
}
