#pragma once

// The accounts every benchmark works on: every common field filled, notes of about 100 characters,
// the category's own fields, spread over all thirteen categories, from a fixed seed.

#include "AccountRecord.h"
#include "Categories.h"

#include "BenchRandom.h"

#include <QString>
#include <QStringList>

#include <cstring>
#include <vector>

namespace BenchAccounts {

const QString kMasterPassword = QStringLiteral("bench master password");
// The rare word planted in the notes of every hundredth account; the search uses other case.
const QString kRareWord = QStringLiteral("quetzalcoatl");
const QString kRareQuery = QStringLiteral("QuetZal");

inline const char* const kWords[] = {
    "amber",   "anchor",  "apple",   "arrow",   "autumn",   "badger", "banner",   "basket",  "beacon",
    "birch",   "blossom", "bramble", "breeze",  "bridge",   "bronze", "cabin",    "candle",  "canyon",
    "castle",  "cedar",   "chapel",  "cherry",  "cinder",   "clover", "cobalt",   "comet",   "copper",
    "coral",   "cottage", "crystal", "dahlia",  "delta",    "desert", "dragon",   "ember",   "falcon",
    "fennel",  "fern",    "fjord",   "forest",  "fountain", "garden", "garnet",   "glacier", "granite",
    "harbor",  "hazel",   "heron",   "hollow",  "island",   "ivory",  "jasmine",  "juniper", "kettle",
    "lantern", "lemon",   "linen",   "maple",   "marble",   "meadow", "mirror",   "nectar",  "nutmeg",
    "oasis",   "orchard", "otter",   "pebble",  "pepper",   "pine",   "prairie",  "quartz",  "quill",
    "raven",   "ribbon",  "river",   "saffron", "silver",   "spruce", "summit",   "thistle", "timber",
    "tulip",   "valley",  "velvet",  "walnut",  "willow",   "winter", "zephyr",   "café",    "naïve",
    "Zürich",  "Ærø",     "Łódź",    "smörgås", "crème",    "façade", "jalapeño", "über",    "señor",
};
inline const char* const kFirstNames[] = {"Anna",   "Bruno", "Chiara",  "David",  "Elena", "Fabio",
                                          "Giulia", "Hans",  "Ingrid",  "José",   "Karin", "Luca",
                                          "Marta",  "Nils",  "Olga",    "Paolo",  "Renée", "Sven",
                                          "Teresa", "Ugo",   "Valérie", "Walter", "Yusuf", "Zoë"};
inline const char* const kLastNames[] = {"Rossi",   "Müller",  "Schmidt",  "Bianchi",  "Dupont", "García",
                                         "Novak",   "Larsen",  "Kowalski", "Ferrari",  "Moreau", "Jensen",
                                         "Silva",   "Horvath", "Nowak",    "Esposito", "Weber",  "Lindqvist",
                                         "Bernard", "Costa",   "Øster"};
inline const char* const kDomains[] = {"example.com",      "mail.example.org", "posteo.example",
                                       "corp.example.net", "web.example.de",   "libero.example.it",
                                       "home.example"};
inline const char* const kTlds[] = {"com", "org", "net", "de", "it", "fr", "io", "eu"};

inline QString capitalised(const QString& s) {
    return s.left(1).toUpper() + s.mid(1);
}

inline QString words(Rng& rng, int count) {
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts << rng.pick(kWords);
    return parts.join(u' ');
}

inline QString digits(Rng& rng, int count) {
    QString s(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        s[i] = QChar(u'0' + rng.below(10));
    return s;
}

inline QString fromAlphabet(Rng& rng, const char* alphabet, int count) {
    const int n = int(std::strlen(alphabet));
    QString s(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        s[i] = QChar::fromLatin1(alphabet[rng.below(n)]);
    return s;
}

inline QString password(Rng& rng) {
    return fromAlphabet(rng, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!#$%&*+-?@_",
                        12 + rng.below(9));
}

inline QString hostName(Rng& rng, const char* prefix) {
    return QString::fromLatin1(prefix) + u'.' + rng.pick(kWords) + rng.pick(kWords) + u'.' + rng.pick(kTlds);
}

inline QString email(Rng& rng, const QString& first, const QString& last) {
    return (first + u'.' + last).toLower() + QString::number(rng.below(100)) + u'@' + rng.pick(kDomains);
}

inline QString ipAddress(Rng& rng) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(10 + rng.below(200))
        .arg(rng.below(256))
        .arg(rng.below(256))
        .arg(1 + rng.below(254));
}

// A plausible value for a category's own field, chosen by what the field's name says it holds.
inline QString categoryValue(Rng& rng, const QString& field, const QString& first, const QString& last) {
    auto has = [&](const char* part) { return field.contains(QLatin1StringView(part)); };
    if (has("Url") || has("WebSite"))
        return QStringLiteral("https://www.") + rng.pick(kWords) + u'-' + rng.pick(kWords) + u'.' +
               rng.pick(kTlds) + u'/' + rng.pick(kWords);
    if (has("Email"))
        return email(rng, first, last);
    if (has("Ip") || has("Dns"))
        return ipAddress(rng);
    if (has("Pop3"))
        return hostName(rng, "pop");
    if (has("Smtp"))
        return hostName(rng, "smtp");
    if (has("Server") || has("News") || has("Proxy"))
        return hostName(rng, "srv");
    if (has("Port"))
        return QString::number(1024 + rng.below(60000));
    if (has("Password"))
        return password(rng);
    if (field == u"CardPin")
        return digits(rng, 4 + rng.below(3));
    if (has("Number") || has("IdCode"))
        return digits(rng, 8 + rng.below(12));
    if (has("Expiration"))
        return QStringLiteral("%1/%2").arg(1 + rng.below(12), 2, 10, QChar(u'0')).arg(25 + rng.below(10));
    if (has("Path") || has("FullName"))
        return QStringLiteral("/home/") + first.toLower() + u'/' + rng.pick(kWords) + u'/' +
               rng.pick(kWords) + QStringLiteral(".kdbx");
    if (has("Version"))
        return QStringLiteral("%1.%2.%3").arg(rng.below(20)).arg(rng.below(30)).arg(rng.below(200));
    if (has("Owner") || has("Username") || has("Alias"))
        return first + u' ' + last;
    return capitalised(words(rng, 1 + rng.below(3)));
}

// Each category's own fields; an account fills these besides the common ones.
inline const QStringList& categoryFields(int category) {
    static const std::vector<QStringList> table = {
        {"WebsiteName", "WebsiteUrl"},
        {"ProviderName", "PhoneNumber", "ConnectionType", "DnsPrimary", "DnsSecondary", "Parameters",
         "DialupPop3", "DialupSmtp", "News", "Proxy", "Port", "IpConfiguration"},
        {"FileShortName", "FileFullName"},
        {"ComputerName", "ComputerIp", "ComputerPath", "Domain"},
        {"MailboxName", "WebEmail", "MailboxPop3", "MailboxSmtp", "OutgoingUsername", "OutgoingPassword"},
        {"PinWhat"},
        {"SoftwareName", "SoftwareVersion"},
        {"MessengerType", "MessengerServer", "AccountAlias"},
        {"ServiceWhat"},
        {"MiscWhat"},
        {"BankName", "BankWebSite", "BankLocation", "BankIdCode", "BankAccountNumber"},
        {"CardBankName", "CardBankWebSite", "CardBankLocation", "CardBankIdCode", "CardAccountNumber",
         "CardCompanyOwner", "CardNumber", "CardExpiration", "CardOwner", "CardPin"},
        {"ForumName", "ForumUrl"},
    };
    return table[size_t(category)];
}

inline void setField(AccountRecord& r, const QString& name, const QString& value) {
    const int index = accountFieldIndex(name);
    if (index < 0 || accountFields()[size_t(index)].kind != FieldKind::String)
        qFatal("the benchmark names a field the record does not have");
    r.*accountFields()[size_t(index)].text = value;
}

// Account number i of a vault: every common field filled, plus its category's fields.
inline AccountRecord makeAccount(Rng& rng, int i) {
    AccountRecord r;
    r.Type = i % CategoryCountTotal;
    const QString first = rng.pick(kFirstNames), last = rng.pick(kLastNames);
    r.Description = capitalised(rng.pick(kWords)) + u' ' + capitalised(rng.pick(kWords));
    if (rng.below(3) == 0)
        r.Description += u' ' + QString::number(rng.below(1000));
    r.AccountName = (first + u'.' + last).toLower() + QString::number(rng.below(1000));
    r.Password = password(rng);
    r.ExpirationPwd = rng.below(4) == 0 ? 45000.0 + rng.below(3000) : NoDate;
    r.RemindPhrase = QStringLiteral("Name of my first ") + rng.pick(kWords) + QStringLiteral(" in ") +
                     capitalised(rng.pick(kWords)) + u'?';
    r.RemindAnswer = capitalised(rng.pick(kWords));
    r.Email = email(rng, first, last);
    r.PublicKey = QStringLiteral("ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAI") +
                  fromAlphabet(rng, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", 43);
    r.PrivateKey = fromAlphabet(rng, "0123456789abcdef", 64);
    r.KeyNotes = QStringLiteral("Key for ") + words(rng, 2 + rng.below(3));
    r.FirstName = first;
    r.LastName = last;
    r.OwnerEmail = email(rng, first, last);
    QString notes = capitalised(rng.pick(kWords));
    const bool plant = i % 100 == 42;
    while (notes.size() < 95) {
        notes += u' ' + rng.pick(kWords);
        if (plant && notes.size() > 40 && !notes.contains(kRareWord))
            notes += u' ' + kRareWord;
    }
    r.Notes = notes + u'.';
    for (const QString& field : categoryFields(r.Type))
        setField(r, field, categoryValue(rng, field, first, last));
    r.MyAccount = rng.below(5) == 0;
    return r;
}

inline int plantedCount(int accounts) {
    return (accounts + 57) / 100;
} // i % 100 == 42 for i < accounts

} // namespace BenchAccounts
