#pragma once

#include <QByteArray>
#include <QString>

// Overwrites the bytes (a copy of its own if they were shared) and empties the array.
void wipe(QByteArray& bytes);
// Overwrites a string's characters, when no other string shares them, and empties it.
void wipe(QString& text);

// Wipes a buffer of secrets when the scope ends, however it ends: an allocation that fails on the
// way must not send plaintext back to the heap unwiped.
template <typename T> class WipeOnExit {
public:
    explicit WipeOnExit(T& secret) : secret_(secret) {}
    ~WipeOnExit() { wipe(secret_); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    T& secret_;
};
