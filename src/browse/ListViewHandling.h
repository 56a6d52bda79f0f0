#pragma once

#include "AccountListModel.h"
#include "Funzioni.h" // leadingNumber, toInt32

#include <QString>

#include <vector>

class AccountListView;
class KW_ini;

// The list's widths are kept in twips, as the settings file stores them: 15 to the pixel.
inline constexpr double TwipsPerPixel = 15.0;

// Zero-based position of the first column whose key equals key, ignoring case; NoColumn if none.
int ColumnIndexByKey(const std::vector<ListColumn>& columns, const QString& key);
int ColumnIndexByKey(const AccountListView& list, const QString& key);

// 0 (unsorted) -> 1 (ascending), 1 -> 2 (descending), 2 -> 1, anything else -> 0.
int NextSortOrder(int order);

// Identifier and category read back from a RowKey. The identifier is 0 when the key gives none;
// the category is 0 for a key that holds nothing but "ID:" and 99 when it has no category part.
qint32 rowKeyId(const QString& key);
qint32 rowKeyCategory(const QString& key);

// The list's section in the settings file: window name, ".", list name.
QString columnLayoutSection(const AccountListView& list);
// Widths, alignments and display order of the list's columns, stored in the ini's default file
// and put back only for the same window, list and number of columns.
void SaveColumnLayout(AccountListView& list, KW_ini& ini);
void LoadColumnLayout(AccountListView& list, KW_ini& ini);
