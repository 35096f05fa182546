// Lets queued events and timers run for `ms` milliseconds.
#pragma once

#include <functional>

void Pump(int ms = 0);
// Lets events run until `done` holds, at most `ms` milliseconds; whether
// it holds.
bool PumpUntil(const std::function<bool()>& done, int ms = 5000);
