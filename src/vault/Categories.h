#pragma once

#include "AccountRecord.h"

#include <QString>

#include <array>
#include <span>

// Category codes held in AccountRecord::Type.
enum AccountCategory : int {
    WebSites = 0,
    Dialup = 1,
    Files = 2,
    ComputersLogon = 3,
    MailBoxes = 4,
    Pins = 5,
    Serials = 6,
    Messengers = 7,
    Services = 8,
    Misc = 9,
    Banks = 10,
    CreditCards = 11,
    Forums = 12,
};

// Passed instead of a category code wherever a listing covers every category.
inline constexpr int AllCategories = 99;
inline constexpr int CategoryCountTotal = 13;

// Everything the program says about one category; the single table every window reads.
struct CategoryInfo {
    int code;
    const char* key;      // category bar item key, also the category's name
    const char* formName; // object name of its edit form
    const char* caption;  // edit form caption (English)
    const char* newEntry; // New account submenu caption, also the category's display name
    int msgNameMissing;   // text ids of the form's Save outcomes
    int msgStored;
    int msgNotStored;
    int barOrder; // position in the category bar, 0 first
    // The field holding the account's web or web-mail address; nullptr when the category has none.
    QString AccountRecord::*webAddress;
};

std::span<const CategoryInfo> categories(); // indexed by code

// The table entry of a code, or nullptr when the code is not 0 to 12.
const CategoryInfo* categoryInfo(int code);

// Code of a category key ("Banks" -> 10), matching case-insensitively; -1 when unknown.
int categoryByKey(const QString& key);

// The thirteen codes in category-bar order.
std::array<int, CategoryCountTotal> categoryBarOrder();

bool isCategoryCode(int code);
