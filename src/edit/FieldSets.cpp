#include "FieldSets.h"

#include "Categories.h"

#include <array>
#include <vector>

namespace {

using R = AccountRecord;

// Caption labels of the common tabs. Three forms number some of them differently; the captions
// and places are the same everywhere.
struct CommonLabels {
    int description = 19;
    int accountName = 0;
    int expiration = 20;
    int remindPhrase = 2;
    int remindAnswer = 3;
    int identifier = 15;
};

CommonLabels commonLabels(int category) {
    switch (category) {
    case MailBoxes:
        return {2, 0, 20, 15, 3, 21};
    case CreditCards:
        return {3, 2, 0, 24, 15, 25};
    case Dialup:
        return {3, 2, 0, 26, 15, 27};
    default:
        return {};
    }
}

// One entry of a category's own tab: row, place, box, caption, field, kind, height.
struct Specific {
    int row;
    RowPlace place;
    int textIndex;
    const char* caption;
    QString R::*field;
    BoxKind kind = BoxKind::OneLine;
    int height = 0;
};

constexpr auto F = RowPlace::Full;
constexpr auto L = RowPlace::Left;
constexpr auto Rt = RowPlace::Right;
constexpr auto One = BoxKind::OneLine;
constexpr auto Multi = BoxKind::MultiLine;

std::vector<Specific> specificBoxes(int category) {
    switch (category) {
    case WebSites:
        return {{1, F, 14, "Website name", &R::WebsiteName}, {2, F, 15, "Website url", &R::WebsiteUrl}};
    case Dialup:
        return {
            {1, F, 14, "Provider name", &R::ProviderName},
            {2, L, 17, "Connection type", &R::ConnectionType},
            {2, Rt, 16, "DNS primary", &R::DnsPrimary},
            {3, F, 18, "Parameters", &R::Parameters, Multi, 41},
            {4, L, 19, "DNS secondary", &R::DnsSecondary},
            {4, Rt, 15, "Phone number", &R::PhoneNumber},
            {5, L, 21, "Pop3", &R::DialupPop3},
            {5, Rt, 20, "Smtp", &R::DialupSmtp},
            {6, L, 23, "News", &R::News},
            {6, Rt, 22, "Proxy", &R::Proxy},
            {7, L, 25, "Port", &R::Port},
            {7, Rt, 24, "IP configuration", &R::IpConfiguration},
        };
    case Files:
        // The full name stands above the file name, although the file name is box 14.
        return {{1, F, 15, "Full file name", &R::FileFullName, Multi, 89},
                {2, F, 14, "File name", &R::FileShortName, Multi, 89}};
    case ComputersLogon:
        return {{1, F, 14, "Computer name", &R::ComputerName, Multi, 43},
                {2, F, 15, "IP", &R::ComputerIp, Multi, 43},
                {3, F, 17, "Computer path", &R::ComputerPath, Multi, 43},
                {4, F, 16, "Domain", &R::Domain, Multi, 43}};
    case MailBoxes:
        return {
            {1, L, 14, "Name", &R::MailboxName},
            {1, Rt, 15, "Web email", &R::WebEmail},
            {2, L, 17, "Pop3", &R::MailboxPop3},
            {2, Rt, 16, "Smtp", &R::MailboxSmtp},
            {3, L, 18, "Outgoing Username", &R::OutgoingUsername},
            {3, Rt, 19, "Outgoing password", &R::OutgoingPassword},
        };
    case Pins:
        return {{1, F, 14, "What", &R::PinWhat, Multi, 0}};
    case Serials:
        return {{1, F, 14, "Software name", &R::SoftwareName, Multi, 51},
                {2, F, 15, "Version", &R::SoftwareVersion}};
    case Messengers:
        return {{1, F, 14, "Messenger type", &R::MessengerType},
                {2, F, 15, "Messenger server", &R::MessengerServer},
                {3, F, 16, "Account alias", &R::AccountAlias}};
    case Services:
        return {{1, F, 14, "What", &R::ServiceWhat, Multi, 0}};
    case Misc:
        return {{1, F, 14, "What", &R::MiscWhat, Multi, 0}};
    case Banks:
        return {
            {1, F, 14, "Bank name", &R::BankName, Multi, 65},
            {2, F, 15, "Bank web site", &R::BankWebSite},
            {3, L, 18, "Account number", &R::BankAccountNumber},
            {3, Rt, 16, "Bank id code", &R::BankIdCode},
            {4, F, 17, "Bank location", &R::BankLocation, Multi, 71},
        };
    case CreditCards:
        return {
            {1, L, 14, "Bank name", &R::CardBankName},
            {1, Rt, 15, "Bank web site", &R::CardBankWebSite},
            {2, L, 17, "Bank location", &R::CardBankLocation},
            {2, Rt, 16, "Bank id code", &R::CardBankIdCode},
            {3, L, 18, "Account number", &R::CardAccountNumber},
            {3, Rt, 19, "PIN", &R::CardPin},
            {4, F, 21, "CC Company Owner", &R::CardCompanyOwner},
            {5, L, 22, "CC Number", &R::CardNumber},
            {5, Rt, 20, "CC Expiration", &R::CardExpiration},
            {6, F, 23, "CC Owner", &R::CardOwner, Multi, 65},
        };
    case Forums:
        return {{1, F, 14, "Website name", &R::ForumName, Multi, 89},
                {2, F, 15, "Website url", &R::ForumUrl, Multi, 89}};
    default:
        return {};
    }
}

FormFieldSet build(int category) {
    const CommonLabels n = commonLabels(category);
    using T = FormTab;
    FormFieldSet set{category, {}, {n.expiration}, category == Files || category == Serials};
    set.boxes = {
        {T::Common, 1, F, Box::Description, n.description, "Description", &R::Description, One, 0},
        {T::Common, 2, F, Box::AccountName, n.accountName, "Account name", &R::AccountName, One, 0},
        {T::Common, 3, L, Box::Password, 1, "Secret code", &R::Password, BoxKind::Masked, 0},
        {T::Common, 4, F, Box::Notes, 11, "Notes", &R::Notes, Multi, 115},

        {T::Advanced, 1, L, 2, n.remindPhrase, "Remind phrase", &R::RemindPhrase, One, 0},
        {T::Advanced, 1, Rt, 3, n.remindAnswer, "Remind answer", &R::RemindAnswer, One, 0},
        {T::Advanced, 2, L, 4, 4, "Email", &R::Email, One, 0},
        {T::Advanced, 2, Rt, 7, 7, "Key notes", &R::KeyNotes, One, 0},
        {T::Advanced, 3, L, 8, 8, "First name", &R::FirstName, One, 0},
        {T::Advanced, 3, Rt, 9, 9, "Last name", &R::LastName, One, 0},
        {T::Advanced, 4, L, 10, 10, "Owner email", &R::OwnerEmail, One, 0},
        {T::Advanced, 5, F, 5, 5, "Private key", &R::PrivateKey, Multi, 33},
        {T::Advanced, 6, F, 6, 6, "Public key", &R::PublicKey, Multi, 33},
        {T::Advanced, 7, L, Box::RecordDate, 12, "Date", nullptr, BoxKind::ReadOnly, 0},
        {T::Advanced, 7, Rt, Box::Identifier, n.identifier, "ID", nullptr, BoxKind::ReadOnly, 0},
    };
    for (const Specific& s : specificBoxes(category)) {
        set.boxes.push_back({T::Specific, s.row, s.place, s.textIndex, specificLabel(s.textIndex), s.caption,
                             s.field, s.kind, s.height});
    }
    return set;
}

} // namespace

int specificLabel(int textIndex) {
    switch (textIndex) {
    case 14:
        return 13;
    case 15:
        return 14;
    default:
        return textIndex;
    }
}

const FormFieldSet* fieldSet(int category) {
    static const auto sets = [] {
        std::array<FormFieldSet, CategoryCountTotal> all;
        for (int code = 0; code < CategoryCountTotal; ++code)
            all[size_t(code)] = build(code);
        return all;
    }();
    return isCategoryCode(category) ? &sets[size_t(category)] : nullptr;
}
