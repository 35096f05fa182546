// The reminder check: at each tick of the reminder timer, the first due
// task raises its reminder window, and every event within its lead time
// raises its notice.
#pragma once

void RunReminderCheck();
