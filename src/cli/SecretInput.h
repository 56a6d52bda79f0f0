#pragma once

#include "SecureWipe.h"

#include <QByteArray>
#include <QString>

#include <vector>

// Where passwords come from: the terminal, without echo, when standard input is one; otherwise
// successive lines of standard input (the master password first, then an account password).
class SecretInput {
public:
    enum class Status { Ok, Missing, TooLong, NotUtf8 };
    struct Secret {
        Status status = Status::Missing;
        QString text;
    };

    SecretInput();
    ~SecretInput();
    SecretInput(const SecretInput&) = delete;
    SecretInput& operator=(const SecretInput&) = delete;

    bool fromTerminal() const { return terminal_; }
    // One line without its line ending. The prompt goes to standard error, and only when reading
    // from the terminal. Missing: the input ended (or was never there) before a line.
    Secret next(const QString& prompt);
    // Everything left on standard input, up to limit bytes; tooLarge when there is more.
    QByteArray rest(qint64 limit, bool& tooLarge);

private:
    bool readMore(); // false at end of input
    Secret takeLine(size_t length, size_t skip);

    bool terminal_ = false;
    bool ended_ = false;
    std::vector<char> buffer_;
};
