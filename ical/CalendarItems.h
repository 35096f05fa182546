// Tasks and yearly events as they go out to an iCalendar file and come in
// from one (or from a vCard file), apart from the tables that keep them.
#pragma once

#include <QString>
#include <QStringList>

#include "core/DateTime.h"

struct TaskItem {
    int id = 0;   // the row's ID (exported tasks)
    QString uid;  // the file's UID (imported tasks; may be empty)
    QString caption, category, details;
    bool needAlert = false;  // a reminder at `when`
    TDateTime when = 0;      // 0: no date
    bool executed = false;
    bool notified = false;
};

struct EventItem {
    int id = 0;
    QString uid;
    QString caption, comment;
    TDateTime date = 0;  // its year YearUnknown when the file gives none
    int vid = 0;         // the kind of event
    int category = 1;
    bool notified = false;
};

// What a file holds for the program, in file order.
struct FileItems {
    std::vector<TaskItem> tasks;
    std::vector<EventItem> events;
    int withoutDate = 0;   // contacts without a birthday, yearly records without a day
    int otherRecords = 0;  // journal entries, free-busy times, changed repeats of a record
};

// UIDs of exported rows: stable for a row across exports, and unlike those
// of any other database ("task-42-<identity>@quillet").
QString TaskUid(int id, const QString& identity);
QString EventUid(int id, const QString& identity);

// The row a UID of `identity` stands for.
struct OwnUid {
    bool task = false;
    int id = 0;
};
// Whether `uid` was made by TaskUid or EventUid with `identity`.
bool ParseOwnUid(const QString& uid, const QString& identity, OwnUid& result);

// The CATEGORIES name of an event kind (none for kind 0), and the kind a
// category names ("День рождения", "Birthday", ...; 0 for any other).
QString KindCategory(int vid);
int KindOfCategory(const QString& category);
