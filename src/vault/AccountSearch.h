#pragma once

#include "StoredAccount.h"
#include "TextMatcher.h"

#include <QString>

#include <vector>

// Whether an account's searchable texts contain a text, ignoring case: the matches of TextMatcher
// on each text's UTF-16, found in the stored UTF-8 directly.
//
// When the text has two adjacent characters that only ever match ASCII bytes (letters other than
// k and s, which also match the Kelvin sign and the long s, digits, punctuation), a vectorised
// scan looks for that pair in the account's bytes, and only where it occurs are the texts around
// it compared, character by character with Unicode's case folding. Any other text is compared as
// UTF-16, converted one field at a time.
class AccountSearch {
public:
    explicit AccountSearch(const QString& needle);
    ~AccountSearch(); // the conversion buffer is wiped

    bool matches(const StoredAccount& a) const;

private:
    bool matchesAt(const quint8* at, const quint8* textStart, const quint8* textEnd) const;
    bool matchesConverted(StoredText text) const;

    TextMatcher utf16_;
    std::vector<char32_t> folded_; // the needle's characters, case-folded
    bool scan_ = false;            // the pair scan applies
    size_t anchor_ = 0;            // the pair's first character in folded_
    quint8 pairBytes_[2] = {};     // its characters as ASCII bytes, letters in lower case
    quint8 pairCase_[2] = {};      // 0x20 for a letter (either case matches), otherwise 0
    mutable std::u16string converted_;
};
