#include "AccountRecord.h"

#include <cmath>

namespace {

const AccountField kFields[] = {
    {"Type", FieldKind::Long},
    {"WebsiteName", FieldKind::String, &AccountRecord::WebsiteName, false},
    {"WebsiteUrl", FieldKind::String, &AccountRecord::WebsiteUrl, false},
    {"ProviderName", FieldKind::String, &AccountRecord::ProviderName, false},
    {"PhoneNumber", FieldKind::String, &AccountRecord::PhoneNumber, false},
    {"ConnectionType", FieldKind::String, &AccountRecord::ConnectionType, false},
    {"DnsPrimary", FieldKind::String, &AccountRecord::DnsPrimary, false},
    {"DnsSecondary", FieldKind::String, &AccountRecord::DnsSecondary, false},
    {"Parameters", FieldKind::String, &AccountRecord::Parameters, false},
    {"DialupPop3", FieldKind::String, &AccountRecord::DialupPop3, false},
    {"DialupSmtp", FieldKind::String, &AccountRecord::DialupSmtp, false},
    {"News", FieldKind::String, &AccountRecord::News, false},
    {"Proxy", FieldKind::String, &AccountRecord::Proxy, false},
    {"Port", FieldKind::String, &AccountRecord::Port, false},
    {"IpConfiguration", FieldKind::String, &AccountRecord::IpConfiguration, false},
    {"FileShortName", FieldKind::String, &AccountRecord::FileShortName, false},
    {"FileFullName", FieldKind::String, &AccountRecord::FileFullName, false},
    {"ComputerName", FieldKind::String, &AccountRecord::ComputerName, false},
    {"ComputerIp", FieldKind::String, &AccountRecord::ComputerIp, false},
    {"ComputerPath", FieldKind::String, &AccountRecord::ComputerPath, false},
    {"Domain", FieldKind::String, &AccountRecord::Domain, false},
    {"MailboxName", FieldKind::String, &AccountRecord::MailboxName, false},
    {"WebEmail", FieldKind::String, &AccountRecord::WebEmail, false},
    {"MailboxPop3", FieldKind::String, &AccountRecord::MailboxPop3, false},
    {"MailboxSmtp", FieldKind::String, &AccountRecord::MailboxSmtp, false},
    {"OutgoingUsername", FieldKind::String, &AccountRecord::OutgoingUsername, false},
    {"OutgoingPassword", FieldKind::String, &AccountRecord::OutgoingPassword, true},
    {"PinWhat", FieldKind::String, &AccountRecord::PinWhat, false},
    {"SoftwareName", FieldKind::String, &AccountRecord::SoftwareName, false},
    {"SoftwareVersion", FieldKind::String, &AccountRecord::SoftwareVersion, false},
    {"MessengerType", FieldKind::String, &AccountRecord::MessengerType, false},
    {"MessengerServer", FieldKind::String, &AccountRecord::MessengerServer, false},
    {"AccountAlias", FieldKind::String, &AccountRecord::AccountAlias, false},
    {"ServiceWhat", FieldKind::String, &AccountRecord::ServiceWhat, false},
    {"MiscWhat", FieldKind::String, &AccountRecord::MiscWhat, false},
    {"BankName", FieldKind::String, &AccountRecord::BankName, false},
    {"BankWebSite", FieldKind::String, &AccountRecord::BankWebSite, false},
    {"BankLocation", FieldKind::String, &AccountRecord::BankLocation, false},
    {"BankIdCode", FieldKind::String, &AccountRecord::BankIdCode, false},
    {"BankAccountNumber", FieldKind::String, &AccountRecord::BankAccountNumber, false},
    {"CardBankName", FieldKind::String, &AccountRecord::CardBankName, false},
    {"CardBankWebSite", FieldKind::String, &AccountRecord::CardBankWebSite, false},
    {"CardBankLocation", FieldKind::String, &AccountRecord::CardBankLocation, false},
    {"CardBankIdCode", FieldKind::String, &AccountRecord::CardBankIdCode, false},
    {"CardAccountNumber", FieldKind::String, &AccountRecord::CardAccountNumber, false},
    {"CardCompanyOwner", FieldKind::String, &AccountRecord::CardCompanyOwner, false},
    {"CardNumber", FieldKind::String, &AccountRecord::CardNumber, false},
    {"CardExpiration", FieldKind::String, &AccountRecord::CardExpiration, false},
    {"CardOwner", FieldKind::String, &AccountRecord::CardOwner, false},
    {"CardPin", FieldKind::String, &AccountRecord::CardPin, true},
    {"ForumName", FieldKind::String, &AccountRecord::ForumName, false},
    {"ForumUrl", FieldKind::String, &AccountRecord::ForumUrl, false},
    {"ID", FieldKind::Long},
    {"Description", FieldKind::String, &AccountRecord::Description, false},
    {"AccountName", FieldKind::String, &AccountRecord::AccountName, false},
    {"Password", FieldKind::String, &AccountRecord::Password, true},
    {"ExpirationPwd", FieldKind::Date},
    {"RemindPhrase", FieldKind::String, &AccountRecord::RemindPhrase, false},
    {"RemindAnswer", FieldKind::String, &AccountRecord::RemindAnswer, true},
    {"Email", FieldKind::String, &AccountRecord::Email, false},
    {"PublicKey", FieldKind::String, &AccountRecord::PublicKey, false},
    {"PrivateKey", FieldKind::String, &AccountRecord::PrivateKey, true},
    {"KeyNotes", FieldKind::String, &AccountRecord::KeyNotes, false},
    {"FirstName", FieldKind::String, &AccountRecord::FirstName, false},
    {"LastName", FieldKind::String, &AccountRecord::LastName, false},
    {"OwnerEmail", FieldKind::String, &AccountRecord::OwnerEmail, false},
    {"Notes", FieldKind::String, &AccountRecord::Notes, false},
    {"RecordDate", FieldKind::Date},
    {"Reserved", FieldKind::Reserved},
    {"MyAccount", FieldKind::Boolean},
};

QString AccountRecord::*const kStringFields[] = {
    &AccountRecord::WebsiteName,
    &AccountRecord::WebsiteUrl,
    &AccountRecord::ProviderName,
    &AccountRecord::PhoneNumber,
    &AccountRecord::ConnectionType,
    &AccountRecord::DnsPrimary,
    &AccountRecord::DnsSecondary,
    &AccountRecord::Parameters,
    &AccountRecord::DialupPop3,
    &AccountRecord::DialupSmtp,
    &AccountRecord::News,
    &AccountRecord::Proxy,
    &AccountRecord::Port,
    &AccountRecord::IpConfiguration,
    &AccountRecord::FileShortName,
    &AccountRecord::FileFullName,
    &AccountRecord::ComputerName,
    &AccountRecord::ComputerIp,
    &AccountRecord::ComputerPath,
    &AccountRecord::Domain,
    &AccountRecord::MailboxName,
    &AccountRecord::WebEmail,
    &AccountRecord::MailboxPop3,
    &AccountRecord::MailboxSmtp,
    &AccountRecord::OutgoingUsername,
    &AccountRecord::OutgoingPassword,
    &AccountRecord::PinWhat,
    &AccountRecord::SoftwareName,
    &AccountRecord::SoftwareVersion,
    &AccountRecord::MessengerType,
    &AccountRecord::MessengerServer,
    &AccountRecord::AccountAlias,
    &AccountRecord::ServiceWhat,
    &AccountRecord::MiscWhat,
    &AccountRecord::BankName,
    &AccountRecord::BankWebSite,
    &AccountRecord::BankLocation,
    &AccountRecord::BankIdCode,
    &AccountRecord::BankAccountNumber,
    &AccountRecord::CardBankName,
    &AccountRecord::CardBankWebSite,
    &AccountRecord::CardBankLocation,
    &AccountRecord::CardBankIdCode,
    &AccountRecord::CardAccountNumber,
    &AccountRecord::CardCompanyOwner,
    &AccountRecord::CardNumber,
    &AccountRecord::CardExpiration,
    &AccountRecord::CardOwner,
    &AccountRecord::CardPin,
    &AccountRecord::ForumName,
    &AccountRecord::ForumUrl,
    &AccountRecord::Description,
    &AccountRecord::AccountName,
    &AccountRecord::Password,
    &AccountRecord::RemindPhrase,
    &AccountRecord::RemindAnswer,
    &AccountRecord::Email,
    &AccountRecord::PublicKey,
    &AccountRecord::PrivateKey,
    &AccountRecord::KeyNotes,
    &AccountRecord::FirstName,
    &AccountRecord::LastName,
    &AccountRecord::OwnerEmail,
    &AccountRecord::Notes,
};

// Automation dates run from 1 January 100 to the end of 31 December 9999.
constexpr double kFirstDate = -657434.0;
constexpr double kPastLastDate = 2958466.0;

} // namespace

std::span<const AccountField> accountFields() {
    return kFields;
}

std::span<QString AccountRecord::*const> accountStringFields() {
    return kStringFields;
}

int accountFieldIndex(const QString& name) {
    for (size_t i = 0; i < std::size(kFields); ++i) {
        if (name == QLatin1StringView(kFields[i].name))
            return int(i);
    }
    return -1;
}

QString fieldText(const AccountRecord& r, const AccountField& f) {
    switch (f.kind) {
    case FieldKind::String:
        return r.*f.text;
    case FieldKind::Long:
        return QString::number(qstrcmp(f.name, "ID") == 0 ? r.ID : r.Type);
    case FieldKind::Date:
        return QString::number(qstrcmp(f.name, "RecordDate") == 0 ? r.RecordDate : r.ExpirationPwd, 'g', 17);
    case FieldKind::Boolean:
        return r.MyAccount ? QStringLiteral("1") : QStringLiteral("0");
    case FieldKind::Reserved:
        return QString::number(r.Reserved);
    }
    return {};
}

bool setFieldText(AccountRecord& r, const AccountField& f, const QString& text) {
    bool ok = false;
    switch (f.kind) {
    case FieldKind::String:
        r.*f.text = text;
        return true;
    case FieldKind::Long: {
        const int v = text.trimmed().toInt(&ok);
        if (ok)
            (qstrcmp(f.name, "ID") == 0 ? r.ID : r.Type) = v;
        return ok;
    }
    case FieldKind::Date: {
        const double v = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return false;
        (qstrcmp(f.name, "RecordDate") == 0 ? r.RecordDate : r.ExpirationPwd) = v;
        return true;
    }
    case FieldKind::Boolean: {
        const QString t = text.trimmed().toLower();
        if (t == u"1" || t == u"true" || t == u"yes" || t == u"-1")
            r.MyAccount = true;
        else if (t == u"0" || t == u"false" || t == u"no" || t.isEmpty())
            r.MyAccount = false;
        else
            return false;
        return true;
    }
    case FieldKind::Reserved: {
        const qint64 v = text.trimmed().toLongLong(&ok);
        if (ok)
            r.Reserved = v;
        return ok;
    }
    }
    return false;
}

bool IsDateSet(double date) {
    if (!std::isfinite(date) || date < kFirstDate || date >= kPastLastDate)
        return false;
    return date != 0.0 && date != NoDate;
}
