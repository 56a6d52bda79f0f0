#pragma once

#include <QDateTime>

// Dates as the program exchanges them: days since 30 December 1899, the fraction being the
// time of day (local time, no time zone).
double toAutomationDate(const QDateTime& moment);
QDateTime fromAutomationDate(double date); // invalid QDateTime when the value is not a date
