#pragma once

#include <QString>

// The program's one way onto the clipboard. Every copy first empties it, then puts plain text on
// it; text holding a secret also carries the hint that clipboard managers honour by keeping it
// out of their history.
class Clipboard {
public:
    enum class Kind { Plain, Secret };

    void put(const QString& text, Kind kind);
    void clear();
    QString text() const;
    // Whether the clipboard holds the program's secret hint (what put() leaves for a secret).
    bool holdsSecretHint() const;
};
