// The program's clock: the only reader of the system time, so that tests
// can set the present moment.
#pragma once

#include "core/DateTime.h"

TDateTime Now();    // local date and time, to the millisecond
TDateTime Today();  // local date, time of day 0

namespace Clock {
// From now on Now() returns `moment`, unchanged until set again.
void Freeze(TDateTime moment);
// From now on Now() starts at `moment` and runs on with real time.
void StartAt(TDateTime moment);
// Moves a frozen or shifted clock by `ms` milliseconds.
void Advance(double ms);
// Back to the system clock.
void Reset();
// Milliseconds of real time since an arbitrary start; for waits and timing.
qint64 MonotonicMs();
}  // namespace Clock
