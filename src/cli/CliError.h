#pragma once

#include <QString>

// Exit codes, part of the tool's contract with scripts.
enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 1,
    ExitUnreadable = 2, // wrong master password, or not a vault we can read
    ExitNotFound = 3,
    ExitWriteFailed = 4,
};

// Ends the command: main prints the message on one line of standard error and exits with code.
// Messages never carry a password or any other secret.
struct CliError {
    ExitCode code;
    QString message;
};

[[noreturn]] inline void fail(ExitCode code, const QString& message) {
    throw CliError{code, message};
}

// A usage error of one command, pointing at its help (exit code 1).
[[noreturn]] inline void usage(const QString& command, const QString& what) {
    fail(ExitUsage, QStringLiteral("%1: %2 (see 'vantrel-cli %1 --help')").arg(command, what));
}
