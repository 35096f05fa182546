// Routines shared by the whole program: the program's clock, the date-time
// type and its helpers, the system date and time formats, the executable's
// folder and the Windows-1251 text conversion. Needs QtCore only.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>
#include <exception>
#include <string>

// Days since 30 December 1899; the time of day is the fraction.
using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;

// An error the program reports to the user with its text.
class EQuillet : public std::exception {
  public:
    explicit EQuillet(QString message) : message_(std::move(message)) {
        utf8_ = message_.toStdString();
    }
    const char* what() const noexcept override { return utf8_.c_str(); }
    const QString& message() const { return message_; }

  private:
    QString message_;
    std::string utf8_;
};

// ---- The program's clock: the only reader of the system time. ----
TDateTime Now();    // local date and time, to the millisecond
TDateTime Today();  // local date, time of day 0

namespace Clock {
// From now on Now() returns `moment`, unchanged until set again.
void Freeze(TDateTime moment);
// From now on Now() starts at `moment` and runs on with real time.
void StartAt(TDateTime moment);
// Moves a frozen or shifted clock by `ms` milliseconds.
void Advance(double ms);
// Back to the system clock.
void Reset();
// Milliseconds of real time since an arbitrary start; for waits and timing.
qint64 MonotonicMs();
}  // namespace Clock

// ---- Date-time arithmetic ----
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

QDate ToQDate(TDateTime dt);
QTime ToQTime(TDateTime dt);
TDateTime FromQDate(const QDate& d);
TDateTime FromQTime(const QTime& t);
TDateTime FromQDateTime(const QDate& d, const QTime& t);

// ---- System formats ----
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

// ---- The executable ----
QString ExePath();  // full path of the running program
QString ExeDir();   // its folder, ending in '/'
// Tests point the program at a folder of their own.
void SetExePath(const QString& path);

// ---- Windows-1251 ----
QByteArray ToWin1251(const QString& text);  // characters outside it become '?'
QString FromWin1251(const char* data, qsizetype size);
inline QString FromWin1251(const QByteArray& data) {
    return FromWin1251(data.constData(), data.size());
}
bool IsWin1251Char(QChar c);
// The text as Windows-1251 can hold it.
QString ThroughWin1251(const QString& text);
