#pragma once

#include <QStringList>

// Runs one command line (without the program name). Returns the exit code of a success or a
// help text; every failure is thrown as a CliError.
int runCli(const QStringList& args);
