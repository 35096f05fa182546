// The date-time type: days since 30 December 1899 with the time of day as
// the fraction, local time, 0 standing for "no date" where a column says so.
// Arithmetic on it is exact to the millisecond.
#pragma once

#include <QDate>
#include <QTime>
#include <QtGlobal>

using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;

struct DateParts {
    int year, month, day;
};
struct TimeParts {
    int hour, minute, second, msec;
};

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);
bool IsValidDate(int year, int month, int day);
// Throws EQuillet for a date that does not exist.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);
DateParts DecodeDate(TDateTime dt);
TimeParts DecodeTime(TDateTime dt);
int YearOf(TDateTime dt);
int DayOfTheWeek(TDateTime dt);  // Monday = 1 .. Sunday = 7
TDateTime DateOf(TDateTime dt);  // the time of day dropped
TDateTime TimeOf(TDateTime dt);  // the date dropped
// Whole days since 30 December 1899 and milliseconds of the day, the form
// the database and the comparisons use; ms is 0..86399999.
void SplitDateTime(TDateTime dt, qint64& days, qint64& ms);
TDateTime JoinDateTime(qint64 days, qint64 ms);
// Milliseconds of the time of day.
qint64 MsOfDay(TDateTime dt);
// `moment` moved by `ms` milliseconds, exact to the millisecond.
TDateTime AddMs(TDateTime moment, qint64 ms);

constexpr qint64 MsPerMinute = 60 * 1000;
constexpr qint64 MsPerHour = 60 * MsPerMinute;
constexpr qint64 MsPerDay = 24 * MsPerHour;

QDate ToQDate(TDateTime dt);
QTime ToQTime(TDateTime dt);
TDateTime FromQDate(const QDate& d);
TDateTime FromQTime(const QTime& t);
TDateTime FromQDateTime(const QDate& d, const QTime& t);
