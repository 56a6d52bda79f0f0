#pragma once

#include "AccountRecord.h"

#include <QString>
#include <QStringList>

// An account as the tool prints it.

// For show: ID and Type, then every non-empty field as "Name: value", further lines of a value
// indented by four blanks; secret fields read "(hidden)" unless revealed.
QString accountText(const AccountRecord& record, bool reveal);

// For export: every field in record order but Reserved, which holds nothing, with the category's
// key after its code so that the file reads without this program's tables; and one account's
// values under those names.
QStringList exportHeader();
QStringList exportRow(const AccountRecord& record);
