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
    QDate day = kEpoch.addDays(qint64(whole));
    qint64 ms = std::llround(fraction * kMsPerDay);
    if (ms >= qint64(kMsPerDay)) { // rounded up to the next midnight
        day = day.addDays(1);
        ms = 0;
    }
    // The time of day as written, not midnight plus elapsed time: on a day the clocks change
    // those differ by an hour.
    return QDateTime(day, QTime::fromMSecsSinceStartOfDay(int(ms)));
}
