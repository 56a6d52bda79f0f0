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

// A clock that stands still until told to move.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(9, 0)))
        : now_(std::move(start)) {}
    QDateTime now() const override { return now_; }
    void set(const QDateTime& moment) { now_ = moment; }
    void advanceSecs(qint64 secs) { now_ = now_.addSecs(secs); }

private:
    QDateTime now_;
};
