#pragma once

#include <QString>
#include <QtGlobal>

#include <span>

// One account as exchanged with the vault engine. Every category's fields stand side by side;
// an account fills the common fields and those of its own category only.
struct AccountRecord {
    qint32 Type = 0;
    QString WebsiteName;
    QString WebsiteUrl;
    QString ProviderName;
    QString PhoneNumber;
    QString ConnectionType;
    QString DnsPrimary;
    QString DnsSecondary;
    QString Parameters;
    QString DialupPop3;
    QString DialupSmtp;
    QString News;
    QString Proxy;
    QString Port;
    QString IpConfiguration;
    QString FileShortName;
    QString FileFullName;
    QString ComputerName;
    QString ComputerIp;
    QString ComputerPath;
    QString Domain;
    QString MailboxName;
    QString WebEmail;
    QString MailboxPop3;
    QString MailboxSmtp;
    QString OutgoingUsername;
    QString OutgoingPassword;
    QString PinWhat;
    QString SoftwareName;
    QString SoftwareVersion;
    QString MessengerType;
    QString MessengerServer;
    QString AccountAlias;
    QString ServiceWhat;
    QString MiscWhat;
    QString BankName;
    QString BankWebSite;
    QString BankLocation;
    QString BankIdCode;
    QString BankAccountNumber;
    QString CardBankName;
    QString CardBankWebSite;
    QString CardBankLocation;
    QString CardBankIdCode;
    QString CardAccountNumber;
    QString CardCompanyOwner;
    QString CardNumber;
    QString CardExpiration;
    QString CardOwner;
    QString CardPin;
    QString ForumName;
    QString ForumUrl;
    qint32 ID = 0;
    QString Description;
    QString AccountName;
    QString Password;
    double ExpirationPwd = 0.0;
    QString RemindPhrase;
    QString RemindAnswer;
    QString Email;
    QString PublicKey;
    QString PrivateKey;
    QString KeyNotes;
    QString FirstName;
    QString LastName;
    QString OwnerEmail;
    QString Notes;
    double RecordDate = 0.0;
    qint64 Reserved = 0; // never read or written by the program
    bool MyAccount = false;

    // Back to the freshly constructed state: empty strings, zero numbers and dates.
    void Clear() { *this = AccountRecord{}; }

    bool operator==(const AccountRecord&) const = default;
};

enum class FieldKind { Long, String, Date, Boolean, Reserved };

// Describes one field of AccountRecord, in record order. The table is the one place that
// lists the fields: storage, the command-line tool and tests all walk it.
struct AccountField {
    const char* name;
    FieldKind kind;
    QString AccountRecord::*text = nullptr; // set for String fields
    bool secret = false;                    // never searched, never listed
    int owner = -1; // category code whose own field this is; -1 for the fields every account has
};

std::span<const AccountField> accountFields();

// Index into accountFields() by field name (case-sensitive); -1 when there is none.
int accountFieldIndex(const QString& name);

// The string fields alone, in record order (their position is their number in stored files).
std::span<QString AccountRecord::*const> accountStringFields();

// Value of a field as text (numbers in decimal, dates as automation dates, booleans 0/1) and the
// reverse; setFieldText returns false when the text does not fit the field's kind.
QString fieldText(const AccountRecord& record, const AccountField& field);
bool setFieldText(AccountRecord& record, const AccountField& field, const QString& text);

// A date is set when it is a valid automation date other than 0.0 and 1 January 1900 (2.0).
bool IsDateSet(double date);

// 1 January 1900: what an account stores when it has no password expiry date.
inline constexpr double NoDate = 2.0;
