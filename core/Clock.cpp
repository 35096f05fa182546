#include "core/Clock.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <cmath>

namespace {

enum class ClockMode { System, Frozen, Running };

struct ClockState {
    ClockMode mode = ClockMode::System;
    TDateTime moment = 0;    // frozen value, or the start of a running clock
    qint64 startedAtMs = 0;  // monotonic time when a running clock started
    double advancedMs = 0;   // shifts added to a running clock
};

ClockState& clockState() {
    static ClockState state;
    return state;
}

QElapsedTimer& monotonic() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}

TDateTime systemNow() {
    const QDateTime now = QDateTime::currentDateTime();
    return FromQDateTime(now.date(), now.time());
}

}  // namespace

TDateTime Now() {
    const ClockState& c = clockState();
    switch (c.mode) {
        case ClockMode::Frozen:
            return c.moment;
        case ClockMode::Running: {
            const double ms = double(Clock::MonotonicMs() - c.startedAtMs) + c.advancedMs;
            qint64 days, msOfDay;
            SplitDateTime(c.moment, days, msOfDay);
            const qint64 total = days * qint64(MSecsPerDay) + msOfDay + qint64(std::llround(ms));
            return JoinDateTime(total / qint64(MSecsPerDay), total % qint64(MSecsPerDay));
        }
        case ClockMode::System:
            break;
    }
    return systemNow();
}

TDateTime Today() {
    return DateOf(Now());
}

namespace Clock {
void Freeze(TDateTime moment) {
    clockState() = ClockState{ClockMode::Frozen, moment, 0, 0};
}
void StartAt(TDateTime moment) {
    clockState() = ClockState{ClockMode::Running, moment, MonotonicMs(), 0};
}
void Advance(double ms) {
    ClockState& c = clockState();
    if (c.mode == ClockMode::System) {
        StartAt(systemNow());
    }
    if (c.mode == ClockMode::Frozen) {
        qint64 days, msOfDay;
        SplitDateTime(c.moment, days, msOfDay);
        const qint64 total = days * qint64(MSecsPerDay) + msOfDay + qint64(std::llround(ms));
        c.moment = JoinDateTime(total / qint64(MSecsPerDay), total % qint64(MSecsPerDay));
    } else {
        c.advancedMs += ms;
    }
}
void Reset() {
    clockState() = ClockState{};
}
qint64 MonotonicMs() {
    return monotonic().elapsed();
}
}  // namespace Clock
