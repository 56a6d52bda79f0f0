#include "CliHelp.h"

#include "Categories.h"
#include "RecordEditing.h"

namespace {

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

} // namespace

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
        "  --count N    how many passwords, 1 to 1000000 (default 1)\n\n"
        "At most 67108864 characters in all (count times length).\n");
}

QString exportHelp() {
    return QStringLiteral(
               "Usage: vantrel-cli export FILE --csv|--safe-csv [--force]\n\n"
               "Writes every account with every field as CSV (RFC 4180) on standard output: a header\n"
               "of the field names in record order, with Category (the category's key) after Type,\n"
               "then one line per account in ID order. Dates are YYYY-MM-DD (with the time when it is\n"
               "not midnight) and empty when not set; MyAccount is 1 or 0. Values holding commas,\n"
               "double quotes, line breaks or blanks at either end are put in double quotes, their\n"
               "quotes doubled; lines end with CR LF. With --csv nothing is altered, so a value that\n"
               "begins with = is a formula to a spreadsheet.\n\n"
               "The output holds every password in plain text: send it somewhere safe. It is not\n"
               "written to a terminal unless --force is given.\n\n"
               "Options:\n"
               "  --csv        write CSV, every value exactly as stored\n"
               "  --safe-csv   write CSV for spreadsheets: a value that begins with =, +, -, @, a tab\n"
               "               or a carriage return gets a ' in front, so that it is never run as a\n"
               "               formula (remove it again before importing the file anywhere else)\n"
               "  --force      write to the terminal, where anyone looking can read the passwords\n\n") +
           kMasterNote;
}

QString importHelp() {
    return QStringLiteral(
               "Usage: vantrel-cli import FILE CSV [--format NAME] [--category KEY|CODE] [--dry-run] "
               "[--shred]\n\n"
               "Adds the accounts of a CSV file (RFC 4180, UTF-8) to the vault FILE. The format is known by\n"
               "the header line: KeePassXC, Bitwarden, Chromium-based browsers (Chrome, Edge, Brave, ...),\n"
               "Firefox, this tool's own export, or any CSV whose header names a title (or name or\n"
               "description) column and a password column. CSV - reads the file from standard input, after\n"
               "the line of the master password.\n\n"
               "The whole file is checked first: a malformed one (an unclosed quote, a row with another\n"
               "number of values than the header, an unknown header) is refused with its line number and\n"
               "nothing is imported. Accounts with the description, account name and password of one\n"
               "already in the vault are skipped. The rest are added and the vault is saved once.\n\n"
               "Rows with a web address become web-site accounts, the others Misc accounts. A group or\n"
               "folder, a one-time password seed and every other column with a value are kept in Notes\n"
               "under their name. Rows of this tool's export keep every field and their category (not the\n"
               "ID or the date of the last change); Bitwarden cards become credit cards.\n\n"
               "A CSV export holds every password in plain text: remove it once imported (--shred) and\n"
               "keep it out of backups and synchronised folders.\n\n"
               "Options:\n"
               "  --format NAME         read the file as this format: keepassxc, bitwarden, chromium,\n"
               "                        firefox, vantrel or generic\n"
               "  --category KEY|CODE   put the accounts in this category instead of web sites and Misc\n"
               "                        (not with this tool's own export, whose rows carry theirs)\n"
               "  --dry-run             only say what would be imported; the vault is not written\n"
               "  --shred               after a successful import, overwrite the CSV file with zeros and\n"
               "                        remove it (flash disks and copy-on-write file systems may still\n"
               "                        keep old copies of its blocks)\n\n"
               "A CSV file that cannot be read or is malformed ends with exit status 2.\n") +
           categoryList() + u'\n' + kMasterNote;
}

QString passwdHelp() {
    return QStringLiteral(
        "Usage: vantrel-cli passwd FILE [--kdf-cheap]\n\n"
        "Changes the master password of a vault: asks for the current one, then for the new\n"
        "one (twice on a terminal; from standard input, the current one is the first line and\n"
        "the new one the second). The vault is sealed again with a fresh salt and the default\n"
        "key derivation settings, and replaced in one step; the old password no longer opens\n"
        "it, nor its backup. The new password needs at least 5 characters; blanks at either\n"
        "end do not count.\n\n"
        "Options:\n"
        "  --kdf-cheap    for testing only: derive the new key with the cheapest settings.\n"
        "                 Never for real data.\n");
}

QString mainHelp(const QList<CommandSummary>& commands) {
    QString out = QStringLiteral("Usage: vantrel-cli COMMAND [ARGUMENTS] [OPTIONS]\n\n"
                                 "Works with a Vantrel password vault from the command line.\n\n"
                                 "Commands:\n");
    for (const CommandSummary& c : commands)
        out += QStringLiteral("  %1%2\n").arg(c.synopsis.leftJustified(20), c.summary);
    out += QStringLiteral("\nRun 'vantrel-cli COMMAND --help' for the options of a command.\n\n");
    out += kMasterNote;
    out += QStringLiteral(
        "\nCommands that change a vault (add, edit, rm, passwd) hold the lock file FILE.lock beside\n"
        "it from reading the vault to saving it, so that two of them never lose each other's\n"
        "changes; one waits up to 5 seconds for another (VANTREL_LOCK_WAIT=SECONDS changes that).\n"
        "Before a vault is replaced, its previous version is kept as FILE.bak.\n");
    out += QStringLiteral(
        "\nExit status: 0 success, 1 usage error, 2 wrong master password or unreadable vault,\n"
        "3 account not found, 4 the vault or the output could not be written (also when another\n"
        "program kept the vault busy or changed it meanwhile).\n");
    return out;
}
