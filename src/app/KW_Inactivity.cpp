#include "KW_Inactivity.h"

#include "Clock.h"

#include <QCoreApplication>
#include <QEvent>

KW_Inactivity::KW_Inactivity(const Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {
    timer_.setInterval(TickInterval);
    connect(&timer_, &QTimer::timeout, this, &KW_Inactivity::tick);
}

void KW_Inactivity::Start() {
    lastActivity_ = clock_.monotonicMs();
    periods_ = 0;
    QCoreApplication::instance()->installEventFilter(this);
    timer_.start();
}

void KW_Inactivity::tick() {
    emit Tick(0);
    // One Timeout a tick at the most: after a long sleep the periods are caught up a tick apart.
    const qint64 idle = clock_.monotonicMs() - lastActivity_;
    if (idle >= qint64(periods_ + 1) * maxtime * 1000) {
        ++periods_;
        emit Timeout();
    }
}

void KW_Inactivity::activity() {
    lastActivity_ = clock_.monotonicMs();
    if (periods_ > 0) {
        periods_ = 0;
        emit Activity();
    }
}

bool KW_Inactivity::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TabletPress:
        activity();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
