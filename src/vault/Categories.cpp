#include "Categories.h"

#include <algorithm>

namespace {

const CategoryInfo kCategories[CategoryCountTotal] = {
    {0, "WebSites", "Form_WebSites", "Web site details", "Web site", 77, 78, 851, 8,
     &AccountRecord::WebsiteUrl},
    {1, "Dialup", "Form_DialUp", "Dial up details", "Dial up", 52, 53, 836, 9, nullptr},
    {2, "Files", "Form_Files", "File details", "File", 59, 60, 842, 10, nullptr},
    {3, "ComputersLogon", "Form_ComputersLogOn", "Computer log on details", "Computer logon", 67, 68, 846, 11,
     nullptr},
    {4, "MailBoxes", "Form_MailBoxes", "Mailbox details", "Mail box", 73, 74, 849, 12,
     &AccountRecord::WebEmail},
    {5, "Pins", "Form_Pins", "Pin details", "Pin", 69, 70, 847, 3, nullptr},
    {6, "Serials", "Form_Serials", "Serial details", "Serial", 63, 64, 844, 4, nullptr},
    {7, "Messengers", "Form_Messengers", "Messenger details", "Messenger", 61, 62, 843, 5, nullptr},
    {8, "Services", "Form_Services", "Service details", "Service", 71, 72, 848, 6, nullptr},
    {9, "Misc", "Form_Misc", "Misc details", "Misc", 57, 58, 841, 7, nullptr},
    {10, "Banks", "Form_Banks", "Banks details", "Bank", 75, 76, 850, 0, &AccountRecord::BankWebSite},
    {11, "CreditCards", "Form_CreditCards", "Credit card details", "Credit card", 55, 56, 840, 1,
     &AccountRecord::CardBankWebSite},
    {12, "Forums", "Form_Forums", "Forum details", "Forum", 65, 66, 845, 2, &AccountRecord::ForumUrl},
};

} // namespace

std::span<const CategoryInfo> categories() {
    return kCategories;
}

bool isCategoryCode(int code) {
    return code >= 0 && code < CategoryCountTotal;
}

const CategoryInfo* categoryInfo(int code) {
    return isCategoryCode(code) ? &kCategories[code] : nullptr;
}

int categoryByKey(const QString& key) {
    for (const CategoryInfo& c : kCategories) {
        if (key.compare(QLatin1StringView(c.key), Qt::CaseInsensitive) == 0)
            return c.code;
    }
    return -1;
}

std::array<int, CategoryCountTotal> categoryBarOrder() {
    std::array<int, CategoryCountTotal> order{};
    for (const CategoryInfo& c : kCategories)
        order[size_t(c.barOrder)] = c.code;
    return order;
}
