// Where a yearly event falls: the day and month of its date place it in
// every year; its stored year (a year of birth) plays no part there, but
// tells how many years pass.
#pragma once

#include <QString>

#include "core/DateTime.h"

// The event's day in `year`, time of day 0. 29 February falls on
// 28 February in a year without it.
TDateTime EventDayInYear(TDateTime eventDate, int year);

// The year stored with a date whose year is not known (a birthday from an
// address book that has none): 1604, a leap year, as address books write
// it, so that 29 February keeps its day.
constexpr int YearUnknown = 1604;

// How many years pass in `year` since the event's stored year (the age a
// person turns on a birthday); 0 when the year is not known or not before
// `year`.
int EventYearsIn(TDateTime eventDate, int year);

// "исполняется 51 год" for a birthday, "25 лет со дня события" for another
// event; empty when no years pass (EventYearsIn gives 0).
QString EventAgeText(TDateTime eventDate, bool birthday, int year);
