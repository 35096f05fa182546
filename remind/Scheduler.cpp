#include "remind/Scheduler.h"

void RunReminderCheck() {}
