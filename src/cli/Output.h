#pragma once

#include <QString>

// Everything the commands print on standard output goes through here, so that a failed write
// (a full disk behind a redirection) is noticed and reported instead of ending in success.
void writeOut(const QString& text);
// Flushes standard output; false when any write failed.
bool finishOut();

// Vault texts made safe for one line of a terminal: line breaks and tabs become blanks, other
// control characters (which could drive the terminal) and bidirectional controls (U+202A-202E,
// U+2066-2069, which could make a text look like another) the replacement character.
QString oneLine(const QString& text);
// The same appended to out.
void appendOneLine(QString& out, QStringView text);
// The same for a block that keeps its line breaks, each further line starting with indent.
QString block(const QString& text, const QString& indent);
