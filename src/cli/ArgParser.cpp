#include "ArgParser.h"

#include "CliError.h"

namespace {

[[noreturn]] void usage(const QString& command, const QString& what) {
    fail(ExitUsage, QStringLiteral("%1: %2 (see 'vantrel-cli %1 --help')").arg(command, what));
}

const OptionDef* findOption(std::span<const OptionDef> defs, QStringView name) {
    for (const OptionDef& s : defs) {
        if (name == QLatin1StringView(s.name))
            return &s;
    }
    return nullptr;
}

} // namespace

bool wantsHelp(const QStringList& args) {
    for (const QString& a : args) {
        if (a == u"--")
            return false;
        if (a == u"-h" || a == u"--help")
            return true;
    }
    return false;
}

ParsedArgs parseArgs(const QStringList& args, std::span<const OptionDef> defs, const QString& command) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnded || a == u"-" || !a.startsWith(u'-')) {
            parsed.positional.append(a);
            continue;
        }
        if (a == u"--") {
            optionsEnded = true;
            continue;
        }
        if (!a.startsWith(u"--"))
            usage(command, QStringLiteral("unknown option '%1'").arg(a.left(2)));
        const qsizetype eq = a.indexOf(u'=');
        const QStringView name = QStringView(a).mid(2, eq < 0 ? -1 : eq - 2);
        const OptionDef* def = findOption(defs, name);
        if (!def)
            usage(command, QStringLiteral("unknown option '--%1'").arg(name));
        const QString key = name.toString();
        QString value;
        if (def->takesValue) {
            if (eq >= 0) {
                value = a.mid(eq + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                usage(command, QStringLiteral("option '--%1' needs a value").arg(key));
            }
        } else if (eq >= 0) {
            usage(command, QStringLiteral("option '--%1' takes no value").arg(key));
        }
        if (parsed.values.contains(key) && !def->repeatable)
            usage(command, QStringLiteral("option '--%1' given more than once").arg(key));
        parsed.values[key].append(value);
    }
    return parsed;
}
