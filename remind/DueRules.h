// Which reminders are due: the rules the reminder check applies at every
// tick, on the in-memory tables as they stand.
#pragma once

#include "core/DateTime.h"

class TMemTable;

// The first task whose reminder is due at `now`, as a row of `cdsTask`, or
// -1: a reminder is wanted (NEEDALERT), not raised yet (NOTIFIED), the task
// is not done (EXECUTED) and its moment (DATETIME) has come. The table is
// in ascending order of the moment, so the search ends at the first wanted
// reminder that still lies ahead.
int FindDueTask(const TMemTable& cdsTask, TDateTime now);

// The first event at or after row `from` of `cdsBirth` whose notice is due
// at `now`, or -1: its day moved into the present year lies fewer than
// `notifyDays` days ahead (or has passed), it has not been announced this
// year (NOTIFIED), and the time of day has reached `notifyTime`.
int FindDueEvent(const TMemTable& cdsBirth, int from, TDateTime now, int notifyDays,
                 TDateTime notifyTime);
