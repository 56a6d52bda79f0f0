#pragma once

#include <QDateTime>
#include <QElapsedTimer>

// The one source of "now" for every rule that depends on time (backup reminder, inactivity
// lock, clipboard wipe), so tests can move time instead of waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds on a clock that only moves forward: for ages and waits, which neither a new
    // year nor the user setting the time may change.
    virtual qint64 monotonicMs() const = 0;
};

class SystemClock final : public Clock {
public:
    SystemClock() { started_.start(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 monotonicMs() const override { return started_.elapsed(); }

private:
    QElapsedTimer started_;
};
