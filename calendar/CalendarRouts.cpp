#include "calendar/CalendarRouts.h"

quint16 CalendarYear = 0;
TDateTime SelectedDate = 0;
bool CalendarFocused = false;
