#include "FieldSets.h"

#include "Categories.h"

#include <algorithm>
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

// Where a category's own field stands on its tab: row, place, box, caption, kind, height. Which
// category a field belongs to is the record's field table's to say.
struct Specific {
    QString R::*field;
    int row;
    RowPlace place;
    int textIndex;
    const char* caption;
    BoxKind kind = BoxKind::OneLine;
    int height = 0;
};

constexpr auto F = RowPlace::Full;
constexpr auto L = RowPlace::Left;
constexpr auto Rt = RowPlace::Right;
constexpr auto One = BoxKind::OneLine;
constexpr auto Multi = BoxKind::MultiLine;

// clang-format off
const Specific kSpecific[] = {
    {&R::WebsiteName, 1, F, 14, "Website name"},
    {&R::WebsiteUrl, 2, F, 15, "Website url"},

    {&R::ProviderName, 1, F, 14, "Provider name"},
    {&R::ConnectionType, 2, L, 17, "Connection type"},
    {&R::DnsPrimary, 2, Rt, 16, "DNS primary"},
    {&R::Parameters, 3, F, 18, "Parameters", Multi, 41},
    {&R::DnsSecondary, 4, L, 19, "DNS secondary"},
    {&R::PhoneNumber, 4, Rt, 15, "Phone number"},
    {&R::DialupPop3, 5, L, 21, "Pop3"},
    {&R::DialupSmtp, 5, Rt, 20, "Smtp"},
    {&R::News, 6, L, 23, "News"},
    {&R::Proxy, 6, Rt, 22, "Proxy"},
    {&R::Port, 7, L, 25, "Port"},
    {&R::IpConfiguration, 7, Rt, 24, "IP configuration"},

    // The full name stands above the file name, although the file name is box 14.
    {&R::FileFullName, 1, F, 15, "Full file name", Multi, 89},
    {&R::FileShortName, 2, F, 14, "File name", Multi, 89},

    {&R::ComputerName, 1, F, 14, "Computer name", Multi, 43},
    {&R::ComputerIp, 2, F, 15, "IP", Multi, 43},
    {&R::ComputerPath, 3, F, 17, "Computer path", Multi, 43},
    {&R::Domain, 4, F, 16, "Domain", Multi, 43},

    {&R::MailboxName, 1, L, 14, "Name"},
    {&R::WebEmail, 1, Rt, 15, "Web email"},
    {&R::MailboxPop3, 2, L, 17, "Pop3"},
    {&R::MailboxSmtp, 2, Rt, 16, "Smtp"},
    {&R::OutgoingUsername, 3, L, 18, "Outgoing Username"},
    {&R::OutgoingPassword, 3, Rt, 19, "Outgoing password"},

    {&R::PinWhat, 1, F, 14, "What", Multi, 0},

    {&R::SoftwareName, 1, F, 14, "Software name", Multi, 51},
    {&R::SoftwareVersion, 2, F, 15, "Version"},

    {&R::MessengerType, 1, F, 14, "Messenger type"},
    {&R::MessengerServer, 2, F, 15, "Messenger server"},
    {&R::AccountAlias, 3, F, 16, "Account alias"},

    {&R::ServiceWhat, 1, F, 14, "What", Multi, 0},

    {&R::MiscWhat, 1, F, 14, "What", Multi, 0},

    {&R::BankName, 1, F, 14, "Bank name", Multi, 65},
    {&R::BankWebSite, 2, F, 15, "Bank web site"},
    {&R::BankAccountNumber, 3, L, 18, "Account number"},
    {&R::BankIdCode, 3, Rt, 16, "Bank id code"},
    {&R::BankLocation, 4, F, 17, "Bank location", Multi, 71},

    {&R::CardBankName, 1, L, 14, "Bank name"},
    {&R::CardBankWebSite, 1, Rt, 15, "Bank web site"},
    {&R::CardBankLocation, 2, L, 17, "Bank location"},
    {&R::CardBankIdCode, 2, Rt, 16, "Bank id code"},
    {&R::CardAccountNumber, 3, L, 18, "Account number"},
    {&R::CardPin, 3, Rt, 19, "PIN"},
    {&R::CardCompanyOwner, 4, F, 21, "CC Company Owner"},
    {&R::CardNumber, 5, L, 22, "CC Number"},
    {&R::CardExpiration, 5, Rt, 20, "CC Expiration"},
    {&R::CardOwner, 6, F, 23, "CC Owner", Multi, 65},

    {&R::ForumName, 1, F, 14, "Website name", Multi, 89},
    {&R::ForumUrl, 2, F, 15, "Website url", Multi, 89},
};
// clang-format on

// The category's own fields, as the record's field table assigns them, in their places on the
// tab: top to bottom, left before right (the order the boxes are made in, and so tabbed through).
std::vector<Specific> specificBoxes(int category) {
    std::vector<Specific> boxes;
    for (const AccountField& field : accountFields()) {
        if (field.owner != category)
            continue;
        const auto it = std::find_if(std::begin(kSpecific), std::end(kSpecific),
                                     [&field](const Specific& s) { return s.field == field.text; });
        if (it != std::end(kSpecific))
            boxes.push_back(*it);
    }
    std::stable_sort(boxes.begin(), boxes.end(), [](const Specific& a, const Specific& b) {
        return a.row != b.row ? a.row < b.row : a.place != RowPlace::Right && b.place == RowPlace::Right;
    });
    return boxes;
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
