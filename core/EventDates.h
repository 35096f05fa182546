// Where a yearly event falls: the day and month of its date place it in
// every year; its stored year (a year of birth) plays no part.
#pragma once

#include "core/DateTime.h"

// The event's day in `year`, time of day 0. 29 February falls on
// 28 February in a year without it.
TDateTime EventDayInYear(TDateTime eventDate, int year);
