#include "CsvLayout.h"

#include <algorithm>
#include <span>

namespace {

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

} // namespace

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
