// Lets queued events and timers run for `ms` milliseconds.
#pragma once

void Pump(int ms = 0);
