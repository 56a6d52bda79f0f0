#pragma once

#include <QObject>
#include <QTimer>

class Clock;

// Watches the user: any key, mouse button, mouse move, wheel or touch in any window of the program
// counts as activity. Timeout comes after maxtime seconds without activity and again for each
// further idle period; Tick comes every few seconds; Activity when the user acts again after a
// Timeout. Time is read from the clock's monotonic reading, so tests move the clock and call
// tick() instead of waiting.
class KW_Inactivity final : public QObject {
    Q_OBJECT
public:
    explicit KW_Inactivity(const Clock& clock, QObject* parent = nullptr);

    int maxtime = 60;                         // seconds
    static constexpr int TickInterval = 5000; // milliseconds

    // Starts watching the whole application and ticking.
    void Start();
    bool isStarted() const { return timer_.isActive(); }

    void tick();
    void activity();

signals:
    void Timeout();
    void Tick(int unused);
    void Activity();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const Clock& clock_;
    QTimer timer_;
    qint64 lastActivity_ = 0;
    int periods_ = 0; // Timeouts raised since the last activity
};
