// State of the year calendar shared by the calendar page and its windows.
#pragma once

#include <QtGlobal>

#include "core/Global.h"

extern quint16 CalendarYear;    // the year drawn
extern TDateTime SelectedDate;  // the selected day
extern bool CalendarFocused;

// The calendar surface is one fixed size.
constexpr int CalendarWidth = 822;
constexpr int CalendarHeight = 588;
