#include "ArgParser.h"

#include "CliError.h"

#include <QCommandLineParser>
#include <QStringDecoder>

#include <algorithm>
#include <ranges>

namespace {

// Qt's parser over one command's options. Qt reads on past a problem and tells neither where it
// was nor, for values, which one; failFirstProblem() finds the first, as scripts have seen it.
class CommandParser {
public:
    CommandParser(std::span<const OptionDef> defs, const QString& command) : defs_(defs), command_(command) {
        for (const OptionDef& d : defs) {
            QCommandLineOption option(QString::fromLatin1(d.name));
            if (d.takesValue)
                option.setValueName(QStringLiteral("VALUE"));
            parser_.addOption(option);
        }
    }

    // True when the arguments hold no problem; repeats of single options count as one.
    bool parse(const QStringList& args, bool closed = false) {
        return parseOptions(args, closed) && !repeats();
    }

    // Throws the usage error for the first problem of arguments that parse() refused.
    [[noreturn]] void failFirstProblem(const QStringList& args) {
        // A problem stays in every longer beginning of the arguments, so the shortest beginning
        // with one ends at the argument at fault.
        const auto ends = std::views::iota(qsizetype(1), args.size() + 1);
        const qsizetype end =
            *std::ranges::partition_point(ends, [&](qsizetype n) { return parse(args.first(n), true); });
        // The closing "--" also stands in for a value missing after the last option; that is
        // named before the same option being repeated.
        if (end >= args.size() && !parseOptions(args, false) && parseOptions(args, true))
            failOption(u"needs a value");
        parse(args.first(end), true);
        if (!parser_.unknownOptionNames().isEmpty()) {
            // A single-dash word is read letter by letter: its first letter is the unknown one.
            const QStringView dashes = args[end - 1].startsWith(u"--") ? u"--" : u"-";
            usage(command_,
                  QStringLiteral("unknown option '%1%2'").arg(dashes, parser_.unknownOptionNames().first()));
        }
        failOption(parsed_ ? u"given more than once" : u"takes no value");
    }

    ParsedArgs result() const {
        ParsedArgs a;
        a.positional = parser_.positionalArguments();
        for (const OptionDef& d : defs_) {
            const QString name = QString::fromLatin1(d.name);
            if (parser_.isSet(name))
                a.values.insert(name, d.takesValue ? parser_.values(name) : QStringList{QString()});
        }
        return a;
    }

private:
    // Qt's verdict: unknown options and values missing or unwanted. "closed" ends the arguments
    // with a "--", which an option cut off from its value takes instead.
    bool parseOptions(const QStringList& args, bool closed) {
        QStringList line = QStringList{command_} + args;
        if (closed)
            line << QStringLiteral("--");
        parsed_ = parser_.parse(line);
        return parsed_;
    }

    bool repeats() const {
        const QStringList seen = parser_.optionNames();
        return std::ranges::any_of(defs_, [&](const OptionDef& d) {
            return !d.repeatable && seen.count(QString::fromLatin1(d.name)) > 1;
        });
    }

    [[noreturn]] void failOption(QStringView what) const {
        usage(command_, QStringLiteral("option '--%1' %2").arg(parser_.optionNames().last(), what));
    }

    std::span<const OptionDef> defs_;
    QString command_;
    QCommandLineParser parser_;
    bool parsed_ = false;
};

} // namespace

QStringList decodeArguments(int argc, char* argv[]) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
        args << utf8(QByteArrayView(argv[i]));
        if (utf8.hasError())
            fail(ExitUsage,
                 QStringLiteral("argument %1 is not valid UTF-8 text (see 'vantrel-cli --help')").arg(i));
    }
    return args;
}

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
    CommandParser parser(defs, command);
    if (!parser.parse(args))
        parser.failFirstProblem(args);
    return parser.result();
}
