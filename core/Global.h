// The shared routines every layer uses: the error type, the date-time type
// and its arithmetic, the program's clock, the system formats, the
// executable's folder and Windows-1251.
#pragma once

#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Error.h"
#include "core/EventDates.h"
#include "core/ExePath.h"
#include "core/Formats.h"
#include "core/Win1251.h"
