#pragma once

#include <QString>
#include <QStringList>

// One CSV record as RFC 4180 has it: fields separated by commas and the record ended by CRLF.
// A field with a comma, a double quote, a line break or blanks at either end is put in double
// quotes, its quotes doubled; every other character is written as it is.
QString csvRecord(const QStringList& fields);

// For spreadsheets: a cell beginning with =, +, -, @, a tab or a carriage return gets a leading
// apostrophe, so that it is read as text and never run as a formula.
QStringList formulaSafe(QStringList fields);
