#pragma once

#include "ArgParser.h"
#include "VaultEngine.h"

#include <QByteArray>

#include <functional>

// What the import command takes from the tool's other commands: the vault opened after the
// master password, standard input after that line, and one save at the end.
struct VaultSteps {
    std::function<VaultEngine&()> open;
    std::function<QByteArray(qint64 limit, bool& tooLarge)> restOfInput;
    std::function<void()> save;
};

void runImportCommand(const ParsedArgs& args, const QString& command, const VaultSteps& vault);
