// The events of the calendar as the event list, the editor and the
// calendar's hint show them: which events fall on a day, the list's rows,
// and the six values the editor reads and writes.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "core/DateTime.h"
#include "data/Value.h"

class TMemTable;

// Whether an event dated `eventDate` falls on `day` (a date of the shown
// year): the same day and month, the year not compared; an event of
// 29 February falls on 28 February in a year without that day.
bool EventFallsOn(TDateTime eventDate, TDateTime day);

// The kind of event each day of `year` shows (index 0 = 1 January): that
// of the day's last row in table order, none for a day without events.
std::vector<std::optional<int>> EventKindsOfYear(const TMemTable& cdsBirth, int year);

// One row of the event list: the event's ID and its texts.
struct EventRow {
    int id = 0;
    QString caption, date, kind, category, state, comment;
};

// The rows of the list in table order: every event, or in day mode only
// those that fall on `day`.
std::vector<EventRow> BuildEventRows(const TMemTable& cdsBirth, bool dayMode, TDateTime day);

// The names of the events that fall on `day`, in table order.
QStringList EventNamesOn(const TMemTable& cdsBirth, TDateTime day);

// The values of an event the editor shows, as stored (NULL included).
struct EventValues {
    Value caption, date, vid, category, comment, notified;
    // Of an edited event, the values the user left alone, one bit each in
    // the order above: they are not written, so the row keeps what it holds
    // when "Ok" comes, byte for byte, also a notice given meanwhile.
    unsigned leftAlone = 0;
};
// Of the table's current row.
EventValues ReadEventValues(TMemTable& cdsBirth);
// Into the row being edited or appended, in the order CAPTION, DATE, VID,
// CATEGORY, COMMENT, NOTIFIED, each but those left alone.
void WriteEventValues(TMemTable& cdsBirth, const EventValues& values);
