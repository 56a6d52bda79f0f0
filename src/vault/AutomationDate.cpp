#include "AutomationDate.h"

#include <cmath>

namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
} // namespace

double toAutomationDate(const QDateTime& moment) {
    if (!moment.isValid())
        return 0.0;
    const double days = double(kEpoch.daysTo(moment.date()));
    const double fraction = double(moment.time().msecsSinceStartOfDay()) / kMsPerDay;
    // Before the epoch the fraction still counts forward from midnight: -1.25 is 29 December
    // 1899 at 06:00, so the whole part and the fraction are taken apart by sign.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime fromAutomationDate(double date) {
    if (!std::isfinite(date) || date < -657434.0 || date >= 2958466.0)
        return {};
    const double whole = std::trunc(date);
    const double fraction = std::fabs(date - whole);
    const QDate day = kEpoch.addDays(qint64(whole));
    const int ms = int(std::llround(fraction * kMsPerDay));
    return QDateTime(day, QTime(0, 0)).addMSecs(ms);
}
