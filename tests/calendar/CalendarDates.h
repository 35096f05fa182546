// A date for the calendar's tests, written as year, month, day.
#pragma once

#include "core/DateTime.h"

inline TDateTime D(int y, int m, int d) {
    return EncodeDate(y, m, d);
}
