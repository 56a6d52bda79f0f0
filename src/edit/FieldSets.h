#pragma once

#include "AccountRecord.h"

#include <vector>

// What the edit form of each category shows: one entry per text box, with its caption, the
// record field it edits and where it stands. The thirteen forms are built from this table.

enum class FormTab { Common, Specific, Advanced };

enum class BoxKind {
    OneLine,
    MultiLine, // several lines, vertical scroll bar
    Masked,    // the password box: shows the hide character
    ReadOnly,  // shown, never typed into
};

// Where an entry stands on its row: the whole width, or the left or right half.
enum class RowPlace { Full, Left, Right };

// Text box numbers with a fixed meaning on every form.
namespace Box {
inline constexpr int Description = 99;
inline constexpr int AccountName = 0;
inline constexpr int Password = 1;
inline constexpr int Notes = 11;
inline constexpr int RecordDate = 12;
inline constexpr int Identifier = 13;
inline constexpr int FirstSpecific = 14;
} // namespace Box

struct FieldBox {
    FormTab tab;
    int row; // from 1, top to bottom on its tab
    RowPlace place;
    int textIndex;  // Texts(i)
    int labelIndex; // Labels(i) naming it
    const char* caption;
    QString AccountRecord::*field; // nullptr for the date and identifier boxes
    BoxKind kind;
    int height; // pixels for a multi-line box; 0 when it takes the room left on its tab
};

// The other controls of the common tabs whose caption label is numbered per form.
struct FormLabels {
    int expiration;
};

struct FormFieldSet {
    int category;
    std::vector<FieldBox> boxes; // Common, Advanced, then Specific entries, each top to bottom
    FormLabels labels;
    // Forms on which the first category box stands in for an empty account name.
    bool nameFromFirstSpecific = false;
};

// The field set of a category code; nullptr when the code is not 0 to 12.
const FormFieldSet* fieldSet(int category);

// The caption label of a category box: Texts(14) -> Labels(13), Texts(15) -> Labels(14),
// Texts(n) -> Labels(n) from 16 up.
int specificLabel(int textIndex);
