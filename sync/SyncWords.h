// The words for a failed call to the calendar server, for the status bar
// and the options page (never the password).
#pragma once

#include <QString>

#include "caldav/CalDavClient.h"

QString SyncFailureWords(const CalDavResult& r);
