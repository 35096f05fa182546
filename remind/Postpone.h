// The moments of the ways to postpone a task reminder. "Now" is the moment
// the choice is made, to the millisecond, not the task's due moment.
#pragma once

#include <QDate>
#include <QTime>

#include "core/DateTime.h"

enum class PostponeChoice {
    In5Minutes,
    In15Minutes,
    In30Minutes,
    In1Hour,
    In2Hours,
    In1Day,  // same clock time tomorrow
    In2Days,
    In5Days,
    Tomorrow8,   // tomorrow's date at 08:00:00.000
    Tomorrow12,  // tomorrow's date at 12:00:00.000
};

TDateTime PostponeMoment(PostponeChoice choice, TDateTime now);
// Now, plus `days` days, plus `hours` hours, plus `minutes` minutes.
TDateTime PostponeAfter(TDateTime now, int days, int hours, int minutes);
// The date with the time's hours, minutes and seconds.
TDateTime PostponeAt(const QDate& date, const QTime& time);
