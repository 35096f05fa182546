// Tasks and yearly events written as an iCalendar file (RFC 5545) with
// libical.
//
// Every event is a yearly all-day VEVENT: DTSTART with its stored date and
// year, RRULE:FREQ=YEARLY, SUMMARY, DESCRIPTION, CATEGORIES from its kind
// and a VALARM at the notice of the calendar's settings. An event of
// 29 February repeats on the last day of February
// (FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1): on the 28th in other years, where
// the calendar shows and announces it too.
//
// Every task is a VTODO: DUE at its moment (floating local time) unless it
// has no date, SUMMARY, DESCRIPTION, CATEGORIES, STATUS, and a VALARM at
// its moment when it asks for a reminder.
#pragma once

#include <QByteArray>
#include <vector>

#include "core/DateTime.h"
#include "ical/CalendarItems.h"

struct ExportSettings {
    QString identity;  // the database's, for the UIDs
    int notifyDays = 1;
    TDateTime notifyTime = 10.0 / 24.0;  // time of day
    qint64 stampSecs = 0;                // DTSTAMP, seconds since 1970 UTC
};

QByteArray WriteICalendar(const std::vector<TaskItem>& tasks, const std::vector<EventItem>& events,
                          const ExportSettings& settings);

// When an event's notice comes, in seconds from the start of its day: the
// first moment the reminder check announces it (NotifyDays - 1 days
// before, at NotifyTime).
qint64 EventNoticeOffset(int notifyDays, TDateTime notifyTime);

// One task or one event as a calendar of its own under `uid`, for a
// calendar server; it carries whether its reminder or notice was given
// (X-QUILLET-NOTIFIED), so that another copy of the program does not give
// it again.
QByteArray WriteTaskCalendar(const TaskItem& task, const QString& uid,
                             const ExportSettings& settings);
QByteArray WriteEventCalendar(const EventItem& event, const QString& uid,
                              const ExportSettings& settings);
