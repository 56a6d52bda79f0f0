#include "CsvImport.h"

#include "AutomationDate.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <span>

namespace {

// What a column of a login export holds. Labelled columns go into Notes under their label.
enum class Role {
    Title,
    User,
    Email,
    Password,
    Url,
    Notes,
    Type,
    CardOwner,
    CardBrand,
    CardNumber,
    CardMonth,
    CardYear,
    Labelled,
    Dropped
};

struct Column {
    const char* name; // lower case
    Role role;
    const char* label = nullptr; // for Labelled: the label in Notes; the header's own text when none
};

struct Format {
    ImportFormat format;
    const char* key;
    const char* name;
    std::span<const Column> columns;
    std::span<const char* const> required; // the columns that tell the format apart
};

const Column kKeePassXC[] = {
    {"title", Role::Title},           {"username", Role::User},
    {"password", Role::Password},     {"url", Role::Url},
    {"notes", Role::Notes},           {"group", Role::Labelled, "Group"},
    {"totp", Role::Labelled, "TOTP"}, {"icon", Role::Dropped},
    {"last modified", Role::Dropped}, {"created", Role::Dropped},
};
const char* const kKeePassXCRequired[] = {"group", "title", "username", "password", "url", "notes"};

const Column kBitwarden[] = {
    {"name", Role::Title},
    {"login_username", Role::User},
    {"login_password", Role::Password},
    {"login_uri", Role::Url},
    {"notes", Role::Notes},
    {"type", Role::Type},
    {"folder", Role::Labelled, "Folder"},
    {"login_totp", Role::Labelled, "TOTP"},
    {"fields", Role::Labelled, "Custom fields"},
    {"favorite", Role::Dropped},
    {"reprompt", Role::Dropped},
    // Card columns as a card's JSON names them, for files that carry cards.
    {"card_cardholdername", Role::CardOwner},
    {"card_brand", Role::CardBrand},
    {"card_number", Role::CardNumber},
    {"card_expmonth", Role::CardMonth},
    {"card_expyear", Role::CardYear},
    {"card_code", Role::Labelled, "Security code"},
};
const char* const kBitwardenRequired[] = {"type", "name", "login_uri", "login_username", "login_password"};

const Column kChromium[] = {
    {"name", Role::Title},        {"url", Role::Url},    {"username", Role::User},
    {"password", Role::Password}, {"note", Role::Notes},
};
const char* const kChromiumRequired[] = {"name", "url", "username", "password"};

const Column kFirefox[] = {
    {"url", Role::Url},
    {"username", Role::User},
    {"password", Role::Password},
    {"httprealm", Role::Labelled, "HTTP realm"},
    {"formactionorigin", Role::Dropped},
    {"guid", Role::Dropped},
    {"timecreated", Role::Dropped},
    {"timelastused", Role::Dropped},
    {"timepasswordchanged", Role::Dropped},
};
const char* const kFirefoxRequired[] = {"url", "username", "password", "httprealm", "formactionorigin"};

// Recognised in this order, each by the columns it always has.
const Format kFormats[] = {
    {ImportFormat::KeePassXC, "keepassxc", "KeePassXC", kKeePassXC, kKeePassXCRequired},
    {ImportFormat::Bitwarden, "bitwarden", "Bitwarden", kBitwarden, kBitwardenRequired},
    {ImportFormat::Firefox, "firefox", "Firefox", kFirefox, kFirefoxRequired},
    {ImportFormat::Chromium, "chromium", "Chromium", kChromium, kChromiumRequired},
};

// Column names of other files, compared without case, blanks, "_" and "-"; the first of a list
// found in the header wins.
const char* const kTitleNames[] = {"title",    "name", "description", "entry",   "entryname",
                                   "itemname", "site", "sitename",    "service", "label"};
const char* const kUserNames[] = {"username", "user",        "login",   "loginname", "loginusername",
                                  "userid",   "accountname", "account", "usr"};
const char* const kEmailNames[] = {"email", "emailaddress", "mail"};
const char* const kPasswordNames[] = {"password",      "pass",   "passwd",    "pwd",
                                      "loginpassword", "secret", "passphrase"};
const char* const kUrlNames[] = {"url",     "uri",  "loginuri", "website", "web",
                                 "address", "link", "hostname", "host",    "domain"};
const char* const kNotesNames[] = {"notes", "note", "comments", "comment", "remarks", "memo", "extra"};

QString folded(const QString& name) {
    QString out;
    for (QChar c : name.trimmed()) {
        if (c != u' ' && c != u'_' && c != u'-')
            out += c.toLower();
    }
    return out;
}

// How each column of the file is read.
struct Layout {
    ImportFormat format = ImportFormat::Auto;
    std::vector<Role> roles;
    QStringList labels;
    std::vector<int> fields; // Vantrel: index into accountFields(), -1 for Category, -2 ignored
};

void layoutFrom(const Format& f, const QStringList& header, const QStringList& lower, Layout& layout) {
    for (qsizetype i = 0; i < header.size(); ++i) {
        layout.roles.push_back(Role::Labelled);
        layout.labels << header[i].trimmed();
        if (lower.indexOf(lower[i]) != i)
            continue; // a repeated name: its values go into Notes
        for (const Column& c : f.columns) {
            if (lower[i] == QLatin1StringView(c.name)) {
                layout.roles.back() = c.role;
                if (c.label)
                    layout.labels.back() = QString::fromLatin1(c.label);
            }
        }
    }
}

bool genericLayout(const QStringList& header, Layout& layout) {
    QStringList names;
    for (const QString& h : header)
        names << folded(h);
    layout.roles.assign(size_t(header.size()), Role::Labelled);
    for (const QString& h : header)
        layout.labels << h.trimmed();
    auto take = [&](std::span<const char* const> synonyms, Role role) {
        for (const char* s : synonyms) {
            for (qsizetype i = 0; i < names.size(); ++i) {
                if (names[i] == QLatin1StringView(s) && layout.roles[size_t(i)] == Role::Labelled) {
                    layout.roles[size_t(i)] = role;
                    return true;
                }
            }
        }
        return false;
    };
    const bool password = take(kPasswordNames, Role::Password);
    const bool title = take(kTitleNames, Role::Title);
    // A file without a user name column logs in with the e-mail address.
    if (!take(kUserNames, Role::User))
        take(kEmailNames, Role::User);
    take(kEmailNames, Role::Email);
    take(kUrlNames, Role::Url);
    take(kNotesNames, Role::Notes);
    return title && password;
}

// Our own export: every column a field name (or Category), Description and Type among them.
bool vantrelLayout(const QStringList& header, Layout& layout, bool forced, ImportProblem& problem) {
    bool type = false;
    bool description = false;
    for (const QString& h : header) {
        const QString name = h.trimmed();
        int index = -2;
        if (name.compare(u"Category", Qt::CaseInsensitive) == 0) {
            index = -1;
        } else {
            const auto fields = accountFields();
            for (size_t i = 0; i < fields.size(); ++i) {
                if (name.compare(QLatin1StringView(fields[i].name), Qt::CaseInsensitive) == 0)
                    index = int(i);
            }
            if (index < 0) {
                if (forced)
                    problem = {ImportProblem::UnknownHeader, 1, name,
                               QStringLiteral("'%1' is not a field of a Vantrel export").arg(name.left(40))};
                return false;
            }
            type = type || qstrcmp(fields[size_t(index)].name, "Type") == 0;
            description = description || qstrcmp(fields[size_t(index)].name, "Description") == 0;
        }
        // The file's identifiers and dates of change belong to the file it came from.
        const bool repeated =
            std::find(layout.fields.begin(), layout.fields.end(), index) != layout.fields.end();
        const char* field = index >= 0 ? accountFields()[size_t(index)].name : "";
        if (repeated || !qstrcmp(field, "ID") || !qstrcmp(field, "RecordDate") || !qstrcmp(field, "Reserved"))
            index = -2;
        layout.fields.push_back(index);
    }
    if (!type || !description) {
        if (forced)
            problem = {ImportProblem::UnknownHeader, 1, QString(),
                       QStringLiteral("a Vantrel export has the columns Type and Description")};
        return false;
    }
    layout.format = ImportFormat::Vantrel;
    return true;
}

ImportProblem readHeader(const QStringList& header, ImportFormat wanted, Layout& layout) {
    QStringList lower;
    for (const QString& h : header)
        lower << h.trimmed().toLower();
    ImportProblem problem;
    if (wanted == ImportFormat::Auto || wanted == ImportFormat::Vantrel) {
        if (vantrelLayout(header, layout, wanted == ImportFormat::Vantrel, problem))
            return {};
        if (problem)
            return problem;
        layout.fields.clear();
    }
    for (const Format& f : kFormats) {
        if (wanted != ImportFormat::Auto && wanted != f.format)
            continue;
        const auto missing = std::find_if(f.required.begin(), f.required.end(), [&](const char* n) {
            return !lower.contains(QLatin1StringView(n));
        });
        if (missing == f.required.end()) {
            layout.format = f.format;
            layoutFrom(f, header, lower, layout);
            return {};
        }
        if (wanted == f.format)
            return {ImportProblem::UnknownHeader, 1, QString::fromLatin1(*missing),
                    QStringLiteral("the header has no column '%1', which a %2 export has")
                        .arg(QLatin1StringView(*missing), QLatin1StringView(f.name))};
    }
    if ((wanted == ImportFormat::Auto || wanted == ImportFormat::Generic) && genericLayout(header, layout)) {
        layout.format = ImportFormat::Generic;
        return {};
    }
    return {
        ImportProblem::UnknownHeader, 1, QString(),
        QStringLiteral("the header is not one of a known export, and names no title and password columns")};
}

double readDate(const QString& text, bool& ok) {
    const QString t = text.trimmed();
    ok = true;
    if (t.isEmpty())
        return NoDate;
    QDateTime moment = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!moment.isValid() && t.size() == 10)
        moment = QDateTime(QDate::fromString(t, Qt::ISODate), QTime(0, 0));
    if (moment.isValid())
        return toAutomationDate(moment);
    // The export writes a date it cannot show as a calendar day as its number.
    const double number = t.toDouble(&ok);
    ok = ok && std::isfinite(number);
    return number;
}

ImportProblem badValue(int line, const QString& column, const QString& why) {
    return {ImportProblem::BadValue, line, column, QStringLiteral("%1 %2").arg(column, why)};
}

ImportProblem vantrelRow(const Layout& layout, const QStringList& header, const QStringList& values, int line,
                         AccountRecord& r) {
    r.ExpirationPwd = NoDate;
    int type = -1;
    int category = -1;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const int index = layout.fields[size_t(i)];
        const QString& value = values[i];
        const QString column = header[i].trimmed();
        if (index == -1) {
            if (!value.trimmed().isEmpty() && (category = categoryByKey(value.trimmed())) < 0)
                return badValue(line, column, QStringLiteral("'%1' is not a category").arg(value.left(40)));
            continue;
        }
        if (index < 0)
            continue;
        const AccountField& f = accountFields()[size_t(index)];
        switch (f.kind) {
        case FieldKind::String:
            r.*f.text = value;
            break;
        case FieldKind::Long: // Type: ID is never read
            if (!value.trimmed().isEmpty()) {
                bool ok = false;
                type = value.trimmed().toInt(&ok);
                if (!ok || !isCategoryCode(type))
                    return badValue(line, column,
                                    QStringLiteral("'%1' is not a category code").arg(value.left(40)));
            }
            break;
        case FieldKind::Date: {
            bool ok = false;
            r.ExpirationPwd = readDate(value, ok);
            if (!ok)
                return badValue(line, column, QStringLiteral("'%1' is not a date").arg(value.left(40)));
            break;
        }
        case FieldKind::Boolean:
            if (!setFieldText(r, f, value))
                return badValue(line, column, QStringLiteral("'%1' is not 1 or 0").arg(value.left(40)));
            break;
        case FieldKind::Reserved:
            break;
        }
    }
    if (type >= 0 && category >= 0 && type != category)
        return badValue(line, QStringLiteral("Category"), QStringLiteral("does not match Type"));
    if (type < 0 && category < 0)
        return badValue(line, QStringLiteral("Type"), QStringLiteral("is empty"));
    r.Type = type >= 0 ? type : category;
    return {};
}

QString hostOf(const QString& url) {
    return QUrl::fromUserInput(url.trimmed()).host();
}

void loginRow(const Layout& layout, const QStringList& values, const ImportOptions& options,
              AccountRecord& r) {
    QString value[int(Role::Dropped) + 1];
    QStringList labelled;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const Role role = layout.roles[size_t(i)];
        if (role == Role::Labelled) {
            if (!values[i].trimmed().isEmpty())
                labelled << layout.labels[i] + QStringLiteral(": ") + values[i];
        } else {
            value[int(role)] = values[i];
        }
    }
    auto v = [&](Role role) -> const QString& { return value[int(role)]; };
    const QString url = v(Role::Url).trimmed();
    const bool card = v(Role::Type).trimmed().compare(u"card", Qt::CaseInsensitive) == 0;
    r.Type = card                    ? int(CreditCards)
             : options.category >= 0 ? options.category
             : url.isEmpty()         ? int(Misc)
                                     : int(WebSites);
    r.ExpirationPwd = NoDate;
    r.AccountName = v(Role::User).trimmed();
    r.Password = v(Role::Password);
    r.Email = v(Role::Email).trimmed();
    r.Description = v(Role::Title).trimmed();
    if (r.Description.isEmpty())
        r.Description = url.isEmpty() ? QString() : hostOf(url);
    if (r.Description.isEmpty())
        r.Description = r.AccountName;
    if (!url.isEmpty()) {
        if (QString AccountRecord::*address = categoryInfo(r.Type)->webAddress)
            r.*address = url;
        else
            labelled.prepend(QStringLiteral("URL: ") + url);
    }
    if (card) {
        r.CardOwner = v(Role::CardOwner).trimmed();
        r.CardCompanyOwner = v(Role::CardBrand).trimmed();
        r.CardNumber = v(Role::CardNumber).trimmed();
        QString month = v(Role::CardMonth).trimmed();
        const QString year = v(Role::CardYear).trimmed();
        if (month.size() == 1 && month[0].isDigit())
            month.prepend(u'0');
        r.CardExpiration = month.isEmpty() || year.isEmpty() ? month + year : month + u'/' + year;
    }
    r.Notes = v(Role::Notes);
    if (!labelled.isEmpty())
        r.Notes += (r.Notes.isEmpty() ? QString() : QStringLiteral("\n\n")) + labelled.join(u'\n');
}

} // namespace

QString formatName(ImportFormat format) {
    for (const Format& f : kFormats) {
        if (f.format == format)
            return QString::fromLatin1(f.name);
    }
    if (format == ImportFormat::Vantrel)
        return QStringLiteral("Vantrel");
    return format == ImportFormat::Generic ? QStringLiteral("Generic CSV") : QString();
}

QStringList formatKeys() {
    QStringList keys;
    for (const Format& f : kFormats)
        keys << QString::fromLatin1(f.key);
    return keys << QStringLiteral("vantrel") << QStringLiteral("generic");
}

ImportFormat formatByKey(const QString& key) {
    const QString k = key.trimmed().toLower();
    for (const Format& f : kFormats) {
        if (k == QLatin1StringView(f.key))
            return f.format;
    }
    if (k == u"chrome" || k == u"edge" || k == u"brave" || k == u"opera" || k == u"vivaldi")
        return ImportFormat::Chromium;
    if (k == u"vantrel")
        return ImportFormat::Vantrel;
    return k == u"generic" ? ImportFormat::Generic : ImportFormat::Auto;
}

AccountRecord ImportBatch::account(size_t index) const {
    AccountRecord r;
    unpack(accounts.at(index), r);
    return r;
}

std::array<int, CategoryCountTotal> ImportBatch::perCategory() const {
    std::array<int, CategoryCountTotal> counts{};
    for (const StoredAccount& a : accounts)
        ++counts[size_t(a.type)];
    return counts;
}

ImportProblem readImportFile(const QString& path, QByteArray& bytes) {
    const QFileInfo info(path);
    if (!info.exists())
        return {ImportProblem::Unreadable, 0, {}, QStringLiteral("the file does not exist")};
    if (!info.isFile())
        return {ImportProblem::Unreadable, 0, {}, QStringLiteral("it is not a regular file")};
    if (info.size() > kMaxImportBytes)
        return {ImportProblem::Unreadable,
                0,
                {},
                QStringLiteral("the file is larger than %1 MB").arg(kMaxImportBytes >> 20)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {ImportProblem::Unreadable, 0, {}, QStringLiteral("the file cannot be read")};
    bytes = file.read(kMaxImportBytes + 1);
    if (bytes.size() > kMaxImportBytes || file.error() != QFileDevice::NoError) {
        bytes.clear();
        return {ImportProblem::Unreadable, 0, {}, QStringLiteral("the file cannot be read")};
    }
    return {};
}

ImportProblem readCsvImport(const QByteArray& bytes, const ImportOptions& options, ImportBatch& batch) {
    batch = ImportBatch{};
    CsvReader reader(bytes);
    QStringList header;
    QStringList values;
    int line = 0;
    if (!reader.next(header, line)) {
        if (reader.problem())
            return reader.problem();
        return {ImportProblem::UnknownHeader, 1, {}, QStringLiteral("the file is empty")};
    }
    Layout layout;
    if (ImportProblem p = readHeader(header, options.format, layout))
        return p;
    batch.format = layout.format;
    while (reader.next(values, line)) {
        if (values.size() != header.size()) {
            batch = ImportBatch{};
            return {
                ImportProblem::FieldCount,
                line,
                {},
                QStringLiteral("%1 values where the header has %2").arg(values.size()).arg(header.size())};
        }
        if (std::all_of(values.begin(), values.end(),
                        [](const QString& v) { return v.trimmed().isEmpty(); })) {
            ++batch.emptyRows;
            continue;
        }
        AccountRecord r;
        if (layout.format == ImportFormat::Vantrel) {
            if (ImportProblem p = vantrelRow(layout, header, values, line, r)) {
                batch = ImportBatch{};
                return p;
            }
        } else {
            loginRow(layout, values, options, r);
        }
        batch.accounts.push_back(pack(r));
    }
    if (reader.problem()) {
        batch = ImportBatch{};
        return reader.problem();
    }
    return {};
}

void dropDuplicates(ImportBatch& batch, VaultEngine& engine) {
    // Compared by keyed digests: no second plain copy of every password stays in memory.
    auto key = [&engine](const QString& description, const QString& name, const QString& password) {
        return engine.DigestText(description + QChar(0) + name + QChar(0) + password);
    };
    QSet<QString> known;
    AccountRecords records;
    for (const CategoryInfo& c : categories()) { // one category at a time bounds the memory used
        engine.GetRecords(records, c.code);
        for (const AccountRecord& r : records)
            known.insert(key(r.Description, r.AccountName, r.Password));
    }
    records.clear();
    const int description = stringFieldNumber(&AccountRecord::Description);
    const int name = stringFieldNumber(&AccountRecord::AccountName);
    const int password = stringFieldNumber(&AccountRecord::Password);
    const auto before = batch.accounts.size();
    std::erase_if(batch.accounts, [&](const StoredAccount& a) {
        return known.contains(key(fieldOf(a, description).toString(), fieldOf(a, name).toString(),
                                  fieldOf(a, password).toString()));
    });
    batch.duplicates += int(before - batch.accounts.size());
}

bool addAll(const ImportBatch& batch, VaultEngine& engine) {
    std::vector<int> added;
    added.reserve(batch.accounts.size());
    try {
        for (size_t i = 0; i < batch.accounts.size(); ++i) {
            AccountRecord r = batch.account(i);
            if (!engine.PutRecord(r))
                throw VaultError("The account could not be stored");
            added.push_back(r.ID);
        }
        return true;
    } catch (const VaultError&) {
        for (auto it = added.rbegin(); it != added.rend(); ++it)
            engine.DeleteRecord(*it, AllCategories, true);
        return false;
    }
}

bool shredFile(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray zeros(64 * 1024, '\0');
    bool ok = true;
    for (qint64 left = file.size(); ok && left > 0;) {
        const qint64 written = file.write(zeros.constData(), std::min<qint64>(left, zeros.size()));
        ok = written > 0;
        left -= written;
    }
    ok = ok && file.flush() && ::fsync(file.handle()) == 0;
    file.close();
    return ok && QFile::remove(path);
}
