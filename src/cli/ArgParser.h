#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <span>

struct OptionDef {
    const char* name; // without the leading "--"
    bool takesValue;
    bool repeatable;
};

struct ParsedArgs {
    QStringList positional;
    QHash<QString, QStringList> values; // option name -> values in command-line order ("" for flags)

    bool has(const QString& name) const { return values.contains(name); }
    QString value(const QString& name) const { return values.value(name).value(0); }
    QStringList all(const QString& name) const { return values.value(name); }
};

// The program's arguments after its name as text; a usage error when one is not valid UTF-8, which
// would otherwise reach a vault silently changed.
QStringList decodeArguments(int argc, char* argv[]);

// True when the arguments ask for help (-h or --help before any "--"), even as the value of
// another option.
bool wantsHelp(const QStringList& args);

// Reads "--name value", "--name=value", flags and positional arguments ("--" ends the options;
// a lone "-" is positional). Throws a usage error naming the command on the first of: an unknown
// option, a missing or unwanted value, a repeated single option. Values never appear in error
// messages: they may be passwords.
ParsedArgs parseArgs(const QStringList& args, std::span<const OptionDef> defs, const QString& command);
