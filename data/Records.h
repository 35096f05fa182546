// The stored records: the columns of TASK, BIRTH and NOTE as the program
// reads and writes them, and the value sets shared by the calendar, the
// event list and the reminders.
#pragma once

#include <QString>

// Every row belongs to user 1; there is no choice of user anywhere.
constexpr int CurrentUserId = 1;

// Flags are stored as "T" and "F"; on reading, a first character of
// T, t, Y or y is true and anything else (NULL and "" included) false.
inline bool FlagIsTrue(QChar first) {
    return first == u'T' || first == u't' || first == u'Y' || first == u'y';
}
inline QString FlagText(bool value) {
    return value ? QStringLiteral("T") : QStringLiteral("F");
}

// Kinds of event by VID; the names include the angle brackets.
constexpr int EventKindCount = 4;
QString EventKindName(int vid);  // "<--->" for a VID outside 0..3
extern const char* const EventKindNames[EventKindCount];

// States of an event by its NOTIFIED flag.
inline QString EventStateName(bool notified) {
    return notified ? QStringLiteral("Прошло") : QStringLiteral("Будет!");
}
