// The system's date and time formats, as the lists, the reminders and the
// settings file write and read dates and times.
#pragma once

#include <QLocale>
#include <QString>

#include "core/DateTime.h"

// The locale whose formats the program uses: the system's, or Russian when
// the system gives none (C/POSIX). Tests may set another.
QLocale FormatLocale();
void SetFormatLocale(const QLocale& locale);
QString ShortDateFormat();  // e.g. dd.MM.yyyy
QString LongTimeFormat();   // e.g. HH:mm:ss (no time zone)
QString TimeSeparator();    // e.g. ":"

QString FormatShortDate(TDateTime dt);
QString FormatLongTime(TDateTime dt);
// Hours 00..23 and minutes, two digits each, joined by the time separator.
QString FormatHourMinute(TDateTime dt);
// The short date, then, unless hours, minutes and seconds are all zero,
// one space and the long time.
QString DateTimeToStr(TDateTime dt);
// Reads a time of day written in the long time format (a short form without
// seconds is taken too). False when the text is no valid time.
bool TryStrToTime(const QString& text, TDateTime& result);
