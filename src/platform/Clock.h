#pragma once

#include <QDateTime>

// The one source of "now" for every rule that depends on time (backup reminder, inactivity
// lock, clipboard wipe), so tests can move time instead of waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
