#include "AccountRecord.h"

#include "Categories.h"

#include <cmath>
#include <vector>

namespace {

const AccountField kFields[] = {
    {"Type", FieldKind::Long},
    {"WebsiteName", FieldKind::String, &AccountRecord::WebsiteName, false, WebSites},
    {"WebsiteUrl", FieldKind::String, &AccountRecord::WebsiteUrl, false, WebSites},
    {"ProviderName", FieldKind::String, &AccountRecord::ProviderName, false, Dialup},
    {"PhoneNumber", FieldKind::String, &AccountRecord::PhoneNumber, false, Dialup},
    {"ConnectionType", FieldKind::String, &AccountRecord::ConnectionType, false, Dialup},
    {"DnsPrimary", FieldKind::String, &AccountRecord::DnsPrimary, false, Dialup},
    {"DnsSecondary", FieldKind::String, &AccountRecord::DnsSecondary, false, Dialup},
    {"Parameters", FieldKind::String, &AccountRecord::Parameters, false, Dialup},
    {"DialupPop3", FieldKind::String, &AccountRecord::DialupPop3, false, Dialup},
    {"DialupSmtp", FieldKind::String, &AccountRecord::DialupSmtp, false, Dialup},
    {"News", FieldKind::String, &AccountRecord::News, false, Dialup},
    {"Proxy", FieldKind::String, &AccountRecord::Proxy, false, Dialup},
    {"Port", FieldKind::String, &AccountRecord::Port, false, Dialup},
    {"IpConfiguration", FieldKind::String, &AccountRecord::IpConfiguration, false, Dialup},
    {"FileShortName", FieldKind::String, &AccountRecord::FileShortName, false, Files},
    {"FileFullName", FieldKind::String, &AccountRecord::FileFullName, false, Files},
    {"ComputerName", FieldKind::String, &AccountRecord::ComputerName, false, ComputersLogon},
    {"ComputerIp", FieldKind::String, &AccountRecord::ComputerIp, false, ComputersLogon},
    {"ComputerPath", FieldKind::String, &AccountRecord::ComputerPath, false, ComputersLogon},
    {"Domain", FieldKind::String, &AccountRecord::Domain, false, ComputersLogon},
    {"MailboxName", FieldKind::String, &AccountRecord::MailboxName, false, MailBoxes},
    {"WebEmail", FieldKind::String, &AccountRecord::WebEmail, false, MailBoxes},
    {"MailboxPop3", FieldKind::String, &AccountRecord::MailboxPop3, false, MailBoxes},
    {"MailboxSmtp", FieldKind::String, &AccountRecord::MailboxSmtp, false, MailBoxes},
    {"OutgoingUsername", FieldKind::String, &AccountRecord::OutgoingUsername, false, MailBoxes},
    {"OutgoingPassword", FieldKind::String, &AccountRecord::OutgoingPassword, true, MailBoxes},
    {"PinWhat", FieldKind::String, &AccountRecord::PinWhat, false, Pins},
    {"SoftwareName", FieldKind::String, &AccountRecord::SoftwareName, false, Serials},
    {"SoftwareVersion", FieldKind::String, &AccountRecord::SoftwareVersion, false, Serials},
    {"MessengerType", FieldKind::String, &AccountRecord::MessengerType, false, Messengers},
    {"MessengerServer", FieldKind::String, &AccountRecord::MessengerServer, false, Messengers},
    {"AccountAlias", FieldKind::String, &AccountRecord::AccountAlias, false, Messengers},
    {"ServiceWhat", FieldKind::String, &AccountRecord::ServiceWhat, false, Services},
    {"MiscWhat", FieldKind::String, &AccountRecord::MiscWhat, false, Misc},
    {"BankName", FieldKind::String, &AccountRecord::BankName, false, Banks},
    {"BankWebSite", FieldKind::String, &AccountRecord::BankWebSite, false, Banks},
    {"BankLocation", FieldKind::String, &AccountRecord::BankLocation, false, Banks},
    {"BankIdCode", FieldKind::String, &AccountRecord::BankIdCode, false, Banks},
    {"BankAccountNumber", FieldKind::String, &AccountRecord::BankAccountNumber, false, Banks},
    {"CardBankName", FieldKind::String, &AccountRecord::CardBankName, false, CreditCards},
    {"CardBankWebSite", FieldKind::String, &AccountRecord::CardBankWebSite, false, CreditCards},
    {"CardBankLocation", FieldKind::String, &AccountRecord::CardBankLocation, false, CreditCards},
    {"CardBankIdCode", FieldKind::String, &AccountRecord::CardBankIdCode, false, CreditCards},
    {"CardAccountNumber", FieldKind::String, &AccountRecord::CardAccountNumber, false, CreditCards},
    {"CardCompanyOwner", FieldKind::String, &AccountRecord::CardCompanyOwner, false, CreditCards},
    {"CardNumber", FieldKind::String, &AccountRecord::CardNumber, false, CreditCards},
    {"CardExpiration", FieldKind::String, &AccountRecord::CardExpiration, false, CreditCards},
    {"CardOwner", FieldKind::String, &AccountRecord::CardOwner, false, CreditCards},
    {"CardPin", FieldKind::String, &AccountRecord::CardPin, true, CreditCards},
    {"ForumName", FieldKind::String, &AccountRecord::ForumName, false, Forums},
    {"ForumUrl", FieldKind::String, &AccountRecord::ForumUrl, false, Forums},
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

// Automation dates run from 1 January 100 to the end of 31 December 9999.
constexpr double kFirstDate = -657434.0;
constexpr double kPastLastDate = 2958466.0;

} // namespace

std::span<const AccountField> accountFields() {
    return kFields;
}

std::span<QString AccountRecord::*const> accountStringFields() {
    static const std::vector<QString AccountRecord::*> strings = [] {
        std::vector<QString AccountRecord::*> members;
        for (const AccountField& f : kFields) {
            if (f.kind == FieldKind::String)
                members.push_back(f.text);
        }
        return members;
    }();
    return strings;
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
