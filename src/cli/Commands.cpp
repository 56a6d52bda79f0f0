#include "Commands.h"

#include "ArgParser.h"
#include "Categories.h"
#include "CliError.h"
#include "Csv.h"
#include "FileVaultEngine.h"
#include "Output.h"
#include "RecordEditing.h"
#include "SecretInput.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <limits>
#include <sys/stat.h>

namespace {

// ---- shared pieces ------------------------------------------------------------------------------

constexpr int kDefaultLength = 10; // the generator button's default
constexpr int kMaxLength = 4096;
constexpr int kMaxCount = 1000000;
constexpr int kMinMasterLength = 5;

QString shown(const QString& path) {
    return QStringLiteral("'%1'").arg(path);
}

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

struct Vault {
    FileVaultEngine engine;
    SecretInput input;
    QString path;
};

void requireMaster(const SecretInput& input, SecretInput::Status status, const QString& command) {
    switch (status) {
    case SecretInput::Status::Ok:
        return;
    case SecretInput::Status::Missing:
        fail(ExitUnreadable,
             input.fromTerminal()
                 ? QStringLiteral("%1: no master password given").arg(command)
                 : QStringLiteral("%1: no master password on standard input (it must be the first line)")
                       .arg(command));
    case SecretInput::Status::TooLong:
        fail(ExitUnreadable, QStringLiteral("%1: the master password line is too long").arg(command));
    case SecretInput::Status::NotUtf8:
        fail(ExitUnreadable, QStringLiteral("%1: the master password is not valid UTF-8 text").arg(command));
    }
}

void openVault(Vault& v, const QString& path, const QString& command) {
    const QFileInfo info(path);
    if (!info.exists())
        fail(ExitUnreadable, QStringLiteral("%1: %2 does not exist").arg(command, shown(path)));
    if (info.isDir())
        fail(ExitUnreadable, QStringLiteral("%1: %2 is a folder, not a vault").arg(command, shown(path)));
    if (!info.isReadable())
        fail(ExitUnreadable, QStringLiteral("%1: %2 cannot be read").arg(command, shown(path)));
    SecretInput::Secret master =
        v.input.next(QStringLiteral("Master password for %1: ").arg(oneLine(info.fileName())));
    requireMaster(v.input, master.status, command);
    // Blanks around the master password never count, as in the window program.
    QString password = master.text.trimmed();
    wipe(master.text);
    const bool open = v.engine.OpenFile(path, password);
    wipe(password);
    if (!open)
        fail(ExitUnreadable,
             QStringLiteral("%1: wrong master password, or %2 is not a vault this program can read")
                 .arg(command, shown(path)));
    v.path = path;
}

AccountRecord loadAccount(Vault& v, int id, const QString& command) {
    AccountRecord r;
    try {
        v.engine.GetRecord(id, AllCategories, r);
    } catch (const VaultError&) {
        fail(ExitNotFound,
             QStringLiteral("%1: no account with ID %2 in %3").arg(command).arg(id).arg(shown(v.path)));
    }
    return r;
}

QString readAccountPassword(Vault& v, const QString& command) {
    SecretInput::Secret first = v.input.next(QStringLiteral("Account password: "));
    if (first.status == SecretInput::Status::Missing)
        usage(command,
              v.input.fromTerminal()
                  ? QStringLiteral("no account password given")
                  : QStringLiteral("no account password on standard input (it goes on the line after the "
                                   "master password)"));
    if (first.status == SecretInput::Status::TooLong)
        usage(command, QStringLiteral("the account password line is too long"));
    if (first.status == SecretInput::Status::NotUtf8)
        usage(command, QStringLiteral("the account password is not valid UTF-8 text"));
    if (v.input.fromTerminal()) {
        SecretInput::Secret again = v.input.next(QStringLiteral("Repeat the account password: "));
        const bool same = again.status == SecretInput::Status::Ok && again.text == first.text;
        wipe(again.text);
        if (!same) {
            wipe(first.text);
            usage(command, QStringLiteral("the two account password entries differ"));
        }
    }
    return first.text; // as typed: account passwords keep their blanks
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

void save(Vault& v, const QString& command) {
    if (!v.engine.SaveFile())
        fail(ExitWriteFailed, QStringLiteral("%1: could not write %2; the file on disk is unchanged")
                                  .arg(command, shown(v.path)));
}

void store(Vault& v, AccountRecord& r, const QString& command) {
    bool stored = false;
    try {
        stored = v.engine.PutRecord(r);
    } catch (const VaultError& e) {
        fail(ExitWriteFailed, QStringLiteral("%1: %2").arg(command, QString::fromUtf8(e.what())));
    }
    if (!stored)
        fail(ExitWriteFailed, QStringLiteral("%1: the account could not be stored").arg(command));
    save(v, command);
}

void listLines(const AccountRecords& records, const VaultEngine& engine) {
    for (const AccountRecord& r : records) {
        writeOut(QString::number(r.ID) + u'\t' + engine.CategoryName(r.Type) + u'\t' +
                 oneLine(r.Description) + u'\t' + oneLine(r.AccountName) + u'\n');
    }
}

// ---- commands -----------------------------------------------------------------------------------

void runCreate(const ParsedArgs& a, const QString& command) {
    const QString path = a.positional[0];
    const QFileInfo info(path);
    if (info.isDir())
        usage(command, QStringLiteral("%1 is a folder").arg(shown(path)));
    if (info.exists() && !a.has(QStringLiteral("force")))
        usage(command, QStringLiteral("%1 already exists; add --force to replace it").arg(shown(path)));
    if (!info.absoluteDir().exists())
        fail(ExitWriteFailed,
             QStringLiteral("%1: the folder of %2 does not exist").arg(command, shown(path)));

    const KdfLimits limits =
        a.has(QStringLiteral("kdf-cheap")) ? KdfLimits::cheapest() : KdfLimits::moderate();
    Vault v{FileVaultEngine(limits), {}, path};
    SecretInput::Secret first = v.input.next(QStringLiteral("New master password: "));
    requireMaster(v.input, first.status, command);
    QString password = first.text.trimmed();
    wipe(first.text);
    if (v.input.fromTerminal() && password.size() >= kMinMasterLength) {
        SecretInput::Secret again = v.input.next(QStringLiteral("Repeat the master password: "));
        const bool same = again.status == SecretInput::Status::Ok && again.text.trimmed() == password;
        wipe(again.text);
        if (!same) {
            wipe(password);
            usage(command, QStringLiteral("the two master password entries differ"));
        }
    }
    if (password.isEmpty())
        usage(command, QStringLiteral("the master password is empty"));
    if (password.size() < kMinMasterLength) {
        wipe(password);
        usage(command,
              QStringLiteral("the master password must have at least %1 characters").arg(kMinMasterLength));
    }
    // Only its owner has any business reading a vault, even an encrypted one.
    ::umask(0077);
    const bool created = v.engine.CreateFile(path, password);
    wipe(password);
    if (!created)
        fail(ExitWriteFailed, QStringLiteral("%1: could not write %2").arg(command, shown(path)));
}

void runLs(const ParsedArgs& a, const QString& command) {
    const int category = a.has(QStringLiteral("category"))
                             ? parseCategory(a.value(QStringLiteral("category")), command)
                             : AllCategories;
    Vault v;
    openVault(v, a.positional[0], command);
    AccountRecords records;
    v.engine.GetRecords(records, category);
    listLines(records, v.engine);
}

void runFind(const ParsedArgs& a, const QString& command) {
    const QString text = a.positional[1];
    if (text.isEmpty())
        usage(command, QStringLiteral("the text to find is empty"));
    Vault v;
    openVault(v, a.positional[0], command);
    AccountRecords records;
    v.engine.FindRecords(text, records);
    listLines(records, v.engine);
}

void runShow(const ParsedArgs& a, const QString& command) {
    const int id = parseId(a.positional[1], command);
    const bool reveal = a.has(QStringLiteral("show-password"));
    Vault v;
    openVault(v, a.positional[0], command);
    const AccountRecord r = loadAccount(v, id, command);
    const CategoryInfo* category = categoryInfo(r.Type);
    QString out = QStringLiteral("ID: %1\nType: %2 (%3)\n")
                      .arg(QString::number(r.ID), QString::number(r.Type),
                           category ? QString::fromLatin1(category->key) : QStringLiteral("?"));
    const QString indent(4, u' ');
    for (const AccountField& f : accountFields()) {
        QString value;
        switch (f.kind) {
        case FieldKind::String:
            value = r.*f.text;
            if (f.secret && !reveal && !value.isEmpty())
                value = QStringLiteral("(hidden)");
            break;
        case FieldKind::Date: {
            const bool expiry = qstrcmp(f.name, "ExpirationPwd") == 0;
            const double d = expiry ? r.ExpirationPwd : r.RecordDate;
            if (expiry ? IsDateSet(d) : d != 0.0)
                value = dateText(d);
            break;
        }
        case FieldKind::Boolean:
            if (r.MyAccount)
                value = QStringLiteral("yes");
            break;
        case FieldKind::Long:     // ID and Type lead the output
        case FieldKind::Reserved: // carries nothing
            break;
        }
        if (!value.isEmpty())
            out += QLatin1StringView(f.name) + QStringLiteral(": ") + block(value, indent) + u'\n';
    }
    writeOut(out);
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
    openVault(v, a.positional[0], command);
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
    openVault(v, a.positional[0], command);
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
    openVault(v, a.positional[0], command);
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

void runExport(const ParsedArgs& a, const QString& command) {
    if (!a.has(QStringLiteral("csv")))
        usage(command, QStringLiteral("choose the format with --csv"));
    Vault v;
    openVault(v, a.positional[0], command);
    AccountRecords records;
    v.engine.GetRecords(records, AllCategories);
    std::sort(records.begin(), records.end(),
              [](const AccountRecord& x, const AccountRecord& y) { return x.ID < y.ID; });

    // Every field in record order but Reserved, which holds nothing; the category's key follows
    // its code so that the file reads without this program's tables.
    QStringList header;
    for (const AccountField& f : accountFields()) {
        if (f.kind == FieldKind::Reserved)
            continue;
        header << QString::fromLatin1(f.name);
        if (qstrcmp(f.name, "Type") == 0)
            header << QStringLiteral("Category");
    }
    writeOut(csvRecord(header));
    for (const AccountRecord& r : records) {
        QStringList row;
        for (const AccountField& f : accountFields()) {
            switch (f.kind) {
            case FieldKind::String:
                row << r.*f.text;
                break;
            case FieldKind::Long:
                row << fieldText(r, f);
                if (qstrcmp(f.name, "Type") == 0) {
                    const CategoryInfo* info = categoryInfo(r.Type);
                    row << (info ? QString::fromLatin1(info->key) : QString());
                }
                break;
            case FieldKind::Date:
                if (qstrcmp(f.name, "ExpirationPwd") == 0)
                    row << (IsDateSet(r.ExpirationPwd) ? dateText(r.ExpirationPwd) : QString());
                else
                    row << (r.RecordDate != 0.0 ? dateText(r.RecordDate) : QString());
                break;
            case FieldKind::Boolean:
                row << fieldText(r, f);
                break;
            case FieldKind::Reserved:
                break;
            }
        }
        writeOut(csvRecord(row));
    }
}

// ---- the command table and help -----------------------------------------------------------------

const QString kMasterNote =
    QStringLiteral("The master password is read from the terminal without echo or, when standard input is\n"
                   "not a terminal, from its first line. It is never taken from the command line.\n");

QString categoryList() {
    QStringList entries;
    for (const CategoryInfo& c : categories())
        entries << QStringLiteral("%1 %2").arg(c.code).arg(QLatin1StringView(c.key));
    return QStringLiteral("Categories: ") + entries.join(u", ") + u'\n';
}

// Names wrapped under a heading, for the field lists.
QString wrapped(const QString& heading, const QStringList& words) {
    QString out = QStringLiteral("  ") + heading + u':';
    qsizetype column = out.size();
    for (const QString& w : words) {
        if (column + 1 + w.size() > 88) {
            out += QStringLiteral("\n      ");
            column = 6;
        }
        out += u' ' + w;
        column += 1 + w.size();
    }
    return out + u'\n';
}

QString fieldList() {
    QString out =
        QStringLiteral("Fields for --field (a field of another category than the account's is refused):\n");
    out += wrapped(QStringLiteral("every category"), commonFieldNames());
    for (const CategoryInfo& c : categories())
        out += wrapped(QStringLiteral("%1 (%2)").arg(QLatin1StringView(c.key)).arg(c.code),
                       categoryFieldNames(c.code));
    return out;
}

const QString kPasswordOptions = QStringLiteral(
    "  --password -          read the account password after the master password: from the\n"
    "                        terminal without echo (asked twice), or from the next line of\n"
    "                        standard input\n"
    "  --password P          the password itself; other users of this computer can see it in\n"
    "                        the process list, so prefer --password -\n"
    "  --generate N          a new random password of N characters (1 to 4096)\n"
    "  --field NAME=VALUE    set a field; may be repeated. ExpirationPwd takes a date YYYY-MM-DD\n"
    "                        (empty for none), MyAccount yes or no, text fields any text.\n"
    "                        These values are visible in the process list too.\n");

QString createHelp() {
    return QStringLiteral(
               "Usage: vantrel-cli create FILE [--force] [--kdf-cheap]\n\n"
               "Makes a new empty vault at FILE, readable only by you.\n\n"
               "Options:\n"
               "  --force        replace FILE when it exists; its accounts are lost\n"
               "  --kdf-cheap    for testing only: derive the key with the cheapest settings, which\n"
               "                 makes guessing the master password far easier. Never for real data.\n\n"
               "The master password needs at least 5 characters; blanks at either end do not count.\n"
               "On a terminal it is asked twice.\n") +
           kMasterNote;
}

QString lsHelp() {
    return QStringLiteral(
               "Usage: vantrel-cli ls FILE [--category KEY|CODE]\n\n"
               "Lists the accounts, one line each: ID, category name, description and account name,\n"
               "separated by tabs. Passwords are never listed. Tabs and line breaks in a value are\n"
               "shown as blanks.\n\n"
               "Options:\n"
               "  --category KEY|CODE   only the accounts of this category\n") +
           categoryList() + u'\n' + kMasterNote;
}

QString showHelp() {
    return QStringLiteral(
               "Usage: vantrel-cli show FILE ID [--show-password]\n\n"
               "Shows every non-empty field of one account as \"Name: value\", with the names that\n"
               "--field uses; further lines of a multi-line value are indented by four blanks.\n"
               "The secret fields (Password, OutgoingPassword, CardPin, PrivateKey, RemindAnswer) read\n"
               "\"(hidden)\" unless --show-password is given. Use export for exact values.\n\n"
               "Options:\n"
               "  --show-password   show the secret fields\n\n") +
           kMasterNote;
}

QString findHelp() {
    return QStringLiteral(
               "Usage: vantrel-cli find FILE TEXT\n\n"
               "Lists the accounts that contain TEXT in any field but the secret ones, ignoring case,\n"
               "in the form of ls. Finding nothing is not an error. Put -- before a TEXT that\n"
               "starts with \"-\".\n\n") +
           kMasterNote;
}

QString addHelp() {
    return QStringLiteral(
               "Usage: vantrel-cli add FILE --category KEY|CODE --description D [--account-name A]\n"
               "                       [--password P|- | --generate N] [--field NAME=VALUE ...]\n\n"
               "Adds an account and prints its ID.\n\n"
               "Options:\n"
               "  --category KEY|CODE   the account's category\n"
               "  --description D       the account's title\n"
               "  --account-name A      the user name; required, except for Files and Serials, where\n"
               "                        FileShortName or SoftwareName stands in for it\n") +
           kPasswordOptions +
           QStringLiteral(
               "\nDescription and account name are stored without blanks at either end, everything else\n"
               "exactly as given. Without a password option the account has no password.\n") +
           categoryList() + u'\n' + fieldList() + u'\n' + kMasterNote;
}

QString editHelp() {
    return QStringLiteral(
               "Usage: vantrel-cli edit FILE ID [--field NAME=VALUE ...] [--password P|- | --generate N]\n\n"
               "Changes the named fields of one account; every other field keeps its value. ID, Type,\n"
               "RecordDate and Reserved cannot be set; the field names are listed by\n"
               "'vantrel-cli add --help'. Description and AccountName are trimmed, and the account\n"
               "name cannot be emptied.\n\n"
               "Options:\n") +
           kPasswordOptions + u'\n' + kMasterNote;
}

QString rmHelp() {
    return QStringLiteral("Usage: vantrel-cli rm FILE ID\n\nDeletes one account. There is no undo.\n\n") +
           kMasterNote;
}

QString generateHelp() {
    return QStringLiteral(
        "Usage: vantrel-cli generate [--length N] [--count N]\n\n"
        "Prints new random passwords, one a line, with capital and small letters, digits and\n"
        "symbols. No vault is needed.\n\n"
        "Options:\n"
        "  --length N   characters in each password, 1 to 4096 (default 10)\n"
        "  --count N    how many passwords, 1 to 1000000 (default 1)\n");
}

QString exportHelp() {
    return QStringLiteral(
               "Usage: vantrel-cli export FILE --csv\n\n"
               "Writes every account with every field as CSV (RFC 4180) on standard output: a header\n"
               "of the field names in record order, with Category (the category's key) after Type,\n"
               "then one line per account in ID order. Dates are YYYY-MM-DD (with the time when it is\n"
               "not midnight) and empty when not set; MyAccount is 1 or 0. Values holding commas,\n"
               "double quotes, line breaks or blanks at either end are put in double quotes, their\n"
               "quotes doubled; lines end with CR LF. Nothing is altered, so a value that begins\n"
               "with = stays a formula to a spreadsheet.\n\n"
               "The output holds every password in plain text: send it somewhere safe.\n\n"
               "Options:\n"
               "  --csv   write CSV (the one format there is)\n\n") +
           kMasterNote;
}

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
constexpr OptionDef kExportOptions[] = {{"csv", false, false}};

const Command kCommands[] = {
    {"create", "make a new empty vault", {"FILE"}, kCreateOptions, runCreate, createHelp},
    {"ls", "list the accounts", {"FILE"}, kLsOptions, runLs, lsHelp},
    {"show", "show one account", {"FILE", "ID"}, kShowOptions, runShow, showHelp},
    {"find", "list the accounts that contain a text", {"FILE", "TEXT"}, {}, runFind, findHelp},
    {"add", "add an account and print its ID", {"FILE"}, kAddOptions, runAdd, addHelp},
    {"edit", "change fields of an account", {"FILE", "ID"}, kEditOptions, runEdit, editHelp},
    {"rm", "delete an account", {"FILE", "ID"}, {}, runRm, rmHelp},
    {"generate", "print random passwords; no vault needed", {}, kGenerateOptions, runGenerate, generateHelp},
    {"export",
     "write every account as CSV on standard output",
     {"FILE"},
     kExportOptions,
     runExport,
     exportHelp},
};

QString mainHelp() {
    QString out = QStringLiteral("Usage: vantrel-cli COMMAND [ARGUMENTS] [OPTIONS]\n\n"
                                 "Works with a Vantrel password vault from the command line.\n\n"
                                 "Commands:\n");
    for (const Command& c : kCommands) {
        QString synopsis = QString::fromLatin1(c.name);
        for (const char* p : c.positional) {
            if (p)
                synopsis += u' ' + QLatin1StringView(p);
        }
        out += QStringLiteral("  %1%2\n").arg(synopsis.leftJustified(20), QLatin1StringView(c.summary));
    }
    out += QStringLiteral("\nRun 'vantrel-cli COMMAND --help' for the options of a command.\n\n");
    out += kMasterNote;
    out += QStringLiteral(
        "\nExit status: 0 success, 1 usage error, 2 wrong master password or unreadable vault,\n"
        "3 account not found, 4 the vault or the output could not be written.\n");
    return out;
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
        writeOut(c ? c->help() : mainHelp());
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
