#pragma once

#include "AccountRecord.h"

#include <QString>
#include <QStringList>

// The rules the edit forms keep for every record they store, applied to records built from the
// command line, so that either program reads what the other wrote.

// Category code from a key ("Banks", any case) or a code ("10"); a usage error otherwise.
int parseCategory(const QString& text, const QString& command);

// Fields a user may set: not ID, Type, RecordDate or Reserved.
bool isSettableField(const AccountField& field);

// One "--field NAME=VALUE" argument, checked for a known, settable field.
struct FieldAssignment {
    int index = -1; // into accountFields()
    QString value;
};
FieldAssignment parseFieldAssignment(const QString& argument, const QString& command);

// Usage error when a field belongs to another category, or is named twice.
void checkAssignments(const QList<FieldAssignment>& assignments, int category, const QString& command);

void applyAssignment(AccountRecord& record, const FieldAssignment& assignment, const QString& command);

// What an edit form would store unchanged for this account: a cleared record with the common
// fields and the account's own category fields, and no expiry date unless one is set.
AccountRecord editableCopy(const AccountRecord& stored);

// Trims Description and AccountName; on Files and Serials an empty account name takes the
// trimmed file or software name. Usage error when the account name stays empty.
void finishRecord(AccountRecord& record, const QString& command);

// A date field for people: "yyyy-MM-dd", with " HH:mm:ss" when not midnight.
QString dateText(double date);

// Field names by category, for help texts.
QStringList commonFieldNames();
QStringList categoryFieldNames(int category);
