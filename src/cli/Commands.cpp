#include "Commands.h"

#include "AccountText.h"
#include "ArgParser.h"
#include "Categories.h"
#include "CliError.h"
#include "CliHelp.h"
#include "Csv.h"
#include "FileVaultEngine.h"
#include "ImportCommand.h"
#include "Output.h"
#include "PasswordGenerator.h"
#include "RecordEditing.h"
#include "SecretInput.h"
#include "VaultSession.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <limits>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---- shared pieces ------------------------------------------------------------------------------

constexpr int kDefaultLength = 10; // the generator button's default
constexpr int kMaxLength = 4096;
constexpr int kMaxCount = 1000000;

int parseNumber(const QString& text, int min, int max, const QString& what, const QString& command) {
    bool ok = !text.isEmpty() &&
              std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const int value = ok ? text.toInt(&ok) : 0;
    if (!ok || value < min || value > max)
        usage(command, QStringLiteral("%1 must be a whole number from %2 to %3").arg(what).arg(min).arg(max));
    return value;
}

int parseId(const QString& text, const QString& command) {
    return parseNumber(text, 1, std::numeric_limits<qint32>::max(), QStringLiteral("ID"), command);
}

// Where an account password comes from.
struct PasswordChoice {
    enum Kind { None, Literal, Prompt, Generate } kind = None;
    QString literal;
    int length = 0;
};

PasswordChoice parsePasswordChoice(const ParsedArgs& a, const QString& command) {
    PasswordChoice choice;
    if (a.has(QStringLiteral("password")) && a.has(QStringLiteral("generate")))
        usage(command, QStringLiteral("give --password or --generate, not both"));
    if (a.has(QStringLiteral("password"))) {
        choice.literal = a.value(QStringLiteral("password"));
        choice.kind = choice.literal == u"-" ? PasswordChoice::Prompt : PasswordChoice::Literal;
    } else if (a.has(QStringLiteral("generate"))) {
        choice.kind = PasswordChoice::Generate;
        choice.length = parseNumber(a.value(QStringLiteral("generate")), 1, kMaxLength,
                                    QStringLiteral("--generate"), command);
    }
    return choice;
}

QList<FieldAssignment> parseFields(const ParsedArgs& a, const QString& command) {
    QList<FieldAssignment> fields;
    for (const QString& f : a.all(QStringLiteral("field")))
        fields.append(parseFieldAssignment(f, command));
    return fields;
}

bool names(const FieldAssignment& f, QString AccountRecord::*member) {
    return accountFields()[size_t(f.index)].text == member;
}

void setPassword(Vault& v, AccountRecord& r, const PasswordChoice& choice, const QString& command) {
    switch (choice.kind) {
    case PasswordChoice::None:
        return;
    case PasswordChoice::Literal:
        r.Password = choice.literal;
        break;
    case PasswordChoice::Prompt:
        r.Password = readAccountPassword(v, command);
        break;
    case PasswordChoice::Generate:
        r.Password = v.engine.GeneratePassword(choice.length);
        break;
    }
    QString owner;
    if (v.engine.PasswordInUse(r.Password, owner, r.ID))
        std::fprintf(stderr, "vantrel-cli: note: account \"%s\" has the same password\n",
                     oneLine(owner).toUtf8().constData());
}

void listLines(const AccountRows& rows, const VaultEngine& engine) {
    std::array<QString, CategoryCountTotal> names;
    for (int code = 0; code < CategoryCountTotal; ++code)
        names[size_t(code)] = engine.CategoryName(code);
    // Written a piece at a time: a hundred thousand rows take a few conversions and writes, not
    // one of each per row.
    constexpr qsizetype kPiece = 1 << 16;
    QString out;
    out.reserve(kPiece + 1024);
    for (int i = 0; i < rows.size(); ++i) {
        const qint32 category = rows.category(i);
        out += QString::number(rows.id(i));
        out += u'\t';
        out += isCategoryCode(category) ? names[size_t(category)] : engine.CategoryName(category);
        out += u'\t';
        appendOneLine(out, rows.description(i));
        out += u'\t';
        appendOneLine(out, rows.accountName(i));
        out += u'\n';
        if (out.size() >= kPiece) {
            writeOut(out);
            out.truncate(0);
        }
    }
    writeOut(out);
}

// ---- commands -----------------------------------------------------------------------------------

void runCreate(const ParsedArgs& a, const QString& command) {
    const QString path = a.positional[0];
    const QFileInfo info(path);
    if (info.isDir())
        usage(command, QStringLiteral("%1 is a folder").arg(shown(path)));
    if (info.exists() && !a.has(QStringLiteral("force")))
        usage(command, QStringLiteral("%1 already exists; add --force to replace it").arg(shown(path)));
    if (info.exists() && !info.isFile())
        usage(command, QStringLiteral("%1 is not a regular file").arg(shown(path)));
    if (!info.absoluteDir().exists())
        fail(ExitWriteFailed,
             QStringLiteral("%1: the folder of %2 does not exist").arg(command, shown(path)));

    Vault v{FileVaultEngine(newFileLimits(a)), {}, path, {}};
    QString password = readNewMaster(v.input, QStringLiteral("New master password: "), command);
    WipeOnExit wipePassword(password);
    // Only its owner has any business reading a vault, even an encrypted one.
    ::umask(0077);
    const bool created = v.engine.CreateFile(path, password);
    if (!created)
        fail(ExitWriteFailed,
             QStringLiteral("%1: could not write %2 (%3)").arg(command, shown(path), v.engine.saveFailure()));
}

void runLs(const ParsedArgs& a, const QString& command) {
    const int category = a.has(QStringLiteral("category"))
                             ? parseCategory(a.value(QStringLiteral("category")), command)
                             : AllCategories;
    Vault v;
    openVault(v, a.positional[0], command);
    AccountRows rows;
    v.engine.ListRows(rows, category);
    listLines(rows, v.engine);
}

void runFind(const ParsedArgs& a, const QString& command) {
    const QString text = a.positional[1];
    if (text.isEmpty())
        usage(command, QStringLiteral("the text to find is empty"));
    Vault v;
    openVault(v, a.positional[0], command);
    AccountRows rows;
    v.engine.FindRows(text, rows);
    listLines(rows, v.engine);
}

void runShow(const ParsedArgs& a, const QString& command) {
    const int id = parseId(a.positional[1], command);
    const bool reveal = a.has(QStringLiteral("show-password"));
    Vault v;
    openVault(v, a.positional[0], command);
    const AccountRecord r = loadAccount(v, id, command);
    writeOut(accountText(r, reveal));
}

void runAdd(const ParsedArgs& a, const QString& command) {
    if (!a.has(QStringLiteral("category")))
        usage(command, QStringLiteral("--category is required"));
    if (!a.has(QStringLiteral("description")))
        usage(command, QStringLiteral("--description is required"));
    const int category = parseCategory(a.value(QStringLiteral("category")), command);
    const PasswordChoice password = parsePasswordChoice(a, command);
    const QList<FieldAssignment> fields = parseFields(a, command);
    checkAssignments(fields, category, command);
    for (const FieldAssignment& f : fields) {
        if (names(f, &AccountRecord::Description))
            usage(command, QStringLiteral("Description given by both --description and --field"));
        if (names(f, &AccountRecord::AccountName) && a.has(QStringLiteral("account-name")))
            usage(command, QStringLiteral("AccountName given by both --account-name and --field"));
        if (names(f, &AccountRecord::Password) && password.kind != PasswordChoice::None)
            usage(command, QStringLiteral("Password given by both --field and --password or --generate"));
    }

    // Built as the edit form builds a new account: cleared, then every field set.
    AccountRecord r;
    r.Type = category;
    r.ExpirationPwd = NoDate;
    r.Description = a.value(QStringLiteral("description"));
    r.AccountName = a.value(QStringLiteral("account-name"));
    for (const FieldAssignment& f : fields)
        applyAssignment(r, f, command);
    finishRecord(r, command); // before any password is asked for

    Vault v;
    openVault(v, a.positional[0], command, Access::Change);
    setPassword(v, r, password, command);
    store(v, r, command);
    writeOut(QString::number(r.ID) + u'\n');
}

void runEdit(const ParsedArgs& a, const QString& command) {
    const int id = parseId(a.positional[1], command);
    const PasswordChoice password = parsePasswordChoice(a, command);
    const QList<FieldAssignment> fields = parseFields(a, command);
    if (fields.isEmpty() && password.kind == PasswordChoice::None)
        usage(command, QStringLiteral("nothing to change; give --field, --password or --generate"));
    for (const FieldAssignment& f : fields) {
        if (names(f, &AccountRecord::Password) && password.kind != PasswordChoice::None)
            usage(command, QStringLiteral("Password given by both --field and --password or --generate"));
    }

    Vault v;
    openVault(v, a.positional[0], command, Access::Change);
    const AccountRecord stored = loadAccount(v, id, command);
    checkAssignments(fields, stored.Type, command);
    AccountRecord r = editableCopy(stored);
    for (const FieldAssignment& f : fields)
        applyAssignment(r, f, command);
    finishRecord(r, command);
    setPassword(v, r, password, command);
    store(v, r, command);
}

void runRm(const ParsedArgs& a, const QString& command) {
    const int id = parseId(a.positional[1], command);
    Vault v;
    openVault(v, a.positional[0], command, Access::Change);
    try {
        v.engine.DeleteRecord(id, AllCategories, true);
    } catch (const VaultError&) {
        fail(ExitNotFound,
             QStringLiteral("%1: no account with ID %2 in %3").arg(command).arg(id).arg(shown(v.path)));
    }
    save(v, command);
}

void runGenerate(const ParsedArgs& a, const QString& command) {
    const int length = a.has(QStringLiteral("length"))
                           ? parseNumber(a.value(QStringLiteral("length")), 1, kMaxLength,
                                         QStringLiteral("--length"), command)
                           : kDefaultLength;
    const int count =
        a.has(QStringLiteral("count"))
            ? parseNumber(a.value(QStringLiteral("count")), 1, kMaxCount, QStringLiteral("--count"), command)
            : 1;
    if (qint64(count) * length > MaxGeneratedChars)
        usage(command,
              QStringLiteral("--count times --length may be at most %1 characters").arg(MaxGeneratedChars));
    FileVaultEngine engine;
    QStringList passwords;
    try {
        passwords = engine.GeneratePasswords(count, length);
    } catch (const VaultError& e) {
        usage(command, QString::fromUtf8(e.what()));
    }
    for (const QString& p : passwords)
        writeOut(p + u'\n');
}

void runPasswd(const ParsedArgs& a, const QString& command) {
    Vault v{FileVaultEngine(newFileLimits(a)), {}, {}, {}};
    QString current;
    WipeOnExit wipeCurrent(current);
    openVault(v, a.positional[0], command, Access::Change, &current);
    QString fresh = readNewMaster(v.input, QStringLiteral("New master password: "), command,
                                  "the second line, after the current one");
    WipeOnExit wipeFresh(fresh);
    if (!v.engine.ChangeMasterPassword(current, fresh))
        fail(ExitWriteFailed,
             QStringLiteral("%1: the new key could not be made; nothing was written").arg(command));
    save(v, command);
}

void runExport(const ParsedArgs& a, const QString& command) {
    const bool safe = a.has(QStringLiteral("safe-csv"));
    if (!a.has(QStringLiteral("csv")) && !safe)
        usage(command, QStringLiteral("choose the format with --csv"));
    if (::isatty(STDOUT_FILENO) && !a.has(QStringLiteral("force")))
        usage(command, QStringLiteral("the export holds every password in plain text; redirect it to a file, "
                                      "or add --force to show it on the terminal"));
    Vault v;
    openVault(v, a.positional[0], command);
    AccountRecords records;
    v.engine.GetRecords(records, AllCategories);
    std::sort(records.begin(), records.end(),
              [](const AccountRecord& x, const AccountRecord& y) { return x.ID < y.ID; });
    writeOut(csvRecord(exportHeader()));
    for (const AccountRecord& r : records)
        writeOut(csvRecord(safe ? formulaSafe(exportRow(r)) : exportRow(r)));
}

// Not in the help: whether this process is kept out of core dumps, for the tests and the curious.
void runSelfCheck() {
    struct rlimit core {};
    ::getrlimit(RLIMIT_CORE, &core);
    writeOut(QStringLiteral("dumpable %1\ncore limit %2 %3\n")
                 .arg(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0))
                 .arg(quint64(core.rlim_cur))
                 .arg(quint64(core.rlim_max)));
}

void runImport(const ParsedArgs& a, const QString& command) {
    Vault v;
    runImportCommand(a, command,
                     {[&]() -> VaultEngine& {
                          // An import changes the vault: it holds the lock like every other change.
                          openVault(v, a.positional[0], command,
                                    a.has(QStringLiteral("dry-run")) ? Access::Read : Access::Change);
                          return v.engine;
                      },
                      [&](qint64 limit, bool& tooLarge) { return v.input.rest(limit, tooLarge); },
                      [&] { save(v, command); }});
}

// ---- the command table -------------------------------------------------------------------------

using Runner = void (*)(const ParsedArgs&, const QString&);

struct Command {
    const char* name;
    const char* summary;
    std::array<const char*, 2> positional; // names of the required arguments, nullptr past the last
    std::span<const OptionDef> options;
    Runner run;
    QString (*help)();
};

constexpr OptionDef kCreateOptions[] = {{"force", false, false}, {"kdf-cheap", false, false}};
constexpr OptionDef kLsOptions[] = {{"category", true, false}};
constexpr OptionDef kShowOptions[] = {{"show-password", false, false}};
constexpr OptionDef kAddOptions[] = {{"category", true, false},     {"description", true, false},
                                     {"account-name", true, false}, {"password", true, false},
                                     {"generate", true, false},     {"field", true, true}};
constexpr OptionDef kEditOptions[] = {
    {"password", true, false}, {"generate", true, false}, {"field", true, true}};
constexpr OptionDef kGenerateOptions[] = {{"length", true, false}, {"count", true, false}};
constexpr OptionDef kExportOptions[] = {
    {"csv", false, false}, {"safe-csv", false, false}, {"force", false, false}};
constexpr OptionDef kImportOptions[] = {
    {"format", true, false}, {"category", true, false}, {"dry-run", false, false}, {"shred", false, false}};
constexpr OptionDef kPasswdOptions[] = {{"kdf-cheap", false, false}};

const Command kCommands[] = {
    {"create", "make a new empty vault", {"FILE"}, kCreateOptions, runCreate, createHelp},
    {"ls", "list the accounts", {"FILE"}, kLsOptions, runLs, lsHelp},
    {"show", "show one account", {"FILE", "ID"}, kShowOptions, runShow, showHelp},
    {"find", "list the accounts that contain a text", {"FILE", "TEXT"}, {}, runFind, findHelp},
    {"add", "add an account and print its ID", {"FILE"}, kAddOptions, runAdd, addHelp},
    {"edit", "change fields of an account", {"FILE", "ID"}, kEditOptions, runEdit, editHelp},
    {"rm", "delete an account", {"FILE", "ID"}, {}, runRm, rmHelp},
    {"passwd", "change the master password", {"FILE"}, kPasswdOptions, runPasswd, passwdHelp},
    {"generate", "print random passwords; no vault needed", {}, kGenerateOptions, runGenerate, generateHelp},
    {"export",
     "write every account as CSV on standard output",
     {"FILE"},
     kExportOptions,
     runExport,
     exportHelp},
    {"import", "add the accounts of a CSV export", {"FILE", "CSV"}, kImportOptions, runImport, importHelp},
};

// The overview lists the commands in table order.
QString overview() {
    QList<CommandSummary> summaries;
    for (const Command& c : kCommands) {
        QString synopsis = QString::fromLatin1(c.name);
        for (const char* p : c.positional) {
            if (p)
                synopsis += u' ' + QLatin1StringView(p);
        }
        summaries.append({synopsis, QString::fromLatin1(c.summary)});
    }
    return mainHelp(summaries);
}

const Command* findCommand(const QString& name) {
    for (const Command& c : kCommands) {
        if (name == QLatin1StringView(c.name))
            return &c;
    }
    return nullptr;
}

} // namespace

int runCli(const QStringList& args) {
    if (args.isEmpty())
        fail(ExitUsage, QStringLiteral("no command given (see 'vantrel-cli --help')"));
    const QString name = args.first();
    if (name == u"--help" || name == u"-h" || name == u"help") {
        const Command* c = args.size() > 1 ? findCommand(args[1]) : nullptr;
        if (args.size() > 1 && !c)
            fail(ExitUsage,
                 QStringLiteral("unknown command '%1' (see 'vantrel-cli --help')").arg(args[1].left(40)));
        writeOut(c ? c->help() : overview());
        return ExitOk;
    }
    if (name == u"self-check" && args.size() == 1) {
        runSelfCheck();
        return ExitOk;
    }
    const Command* command = findCommand(name);
    if (!command)
        fail(ExitUsage, QStringLiteral("unknown command '%1' (see 'vantrel-cli --help')").arg(name.left(40)));
    const QStringList rest = args.mid(1);
    if (wantsHelp(rest)) {
        writeOut(command->help());
        return ExitOk;
    }
    const ParsedArgs parsed = parseArgs(rest, command->options, name);
    const auto& wanted = command->positional;
    const qsizetype count =
        std::count_if(wanted.begin(), wanted.end(), [](const char* p) { return p != nullptr; });
    if (parsed.positional.size() < count)
        usage(name,
              QStringLiteral("missing %1").arg(QLatin1StringView(wanted[size_t(parsed.positional.size())])));
    if (parsed.positional.size() > count)
        usage(name, QStringLiteral("too many arguments"));
    if (count > 0 && qstrcmp(wanted[0], "FILE") == 0 && parsed.positional[0].isEmpty())
        usage(name, QStringLiteral("the FILE name is empty"));
    command->run(parsed, name);
    return ExitOk;
}
