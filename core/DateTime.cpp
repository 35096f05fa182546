#include "core/DateTime.h"

#include <cmath>
#include <cstdlib>

#include "core/Error.h"

namespace {

// Days between 30 December 1899 and 1 January 1970.
constexpr qint64 UnixEpochDay = 25569;

// Proleptic Gregorian civil date from days since 1 January 1970
// (H. Hinnant's algorithm), valid for every 32-bit day count.
DateParts civilFromDays(qint64 z) {
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 y = yoe + era * 400;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const qint64 d = doy - (153 * mp + 2) / 5 + 1;
    const qint64 m = mp < 10 ? mp + 3 : mp - 9;
    return DateParts{int(y + (m <= 2)), int(m), int(d)};
}

qint64 daysFromCivil(qint64 y, qint64 m, qint64 d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInAMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInAMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (!IsValidDate(year, month, day)) return false;
    result = double(daysFromCivil(year, month, day) + UnixEpochDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result;
    if (!TryEncodeDate(year, month, day, result)) {
        throw EQuillet(QStringLiteral("Неверная дата: %1.%2.%3").arg(day).arg(month).arg(year));
    }
    return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / MSecsPerDay;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
    const qint64 days = qint64(EncodeDate(year, month, day));
    const qint64 ms = ((hour * 60LL + minute) * 60LL + second) * 1000LL + msec;
    return JoinDateTime(days, ms);
}

void SplitDateTime(TDateTime dt, qint64& days, qint64& ms) {
    // As the date-time type has always been read: the whole days of the
    // rounded millisecond count, and the time of day from its magnitude.
    const qint64 total = std::llround(dt * MSecsPerDay);
    days = total / qint64(MSecsPerDay);
    ms = std::llabs(total) % qint64(MSecsPerDay);
}

TDateTime JoinDateTime(qint64 days, qint64 ms) {
    const double frac = double(ms) / MSecsPerDay;
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

DateParts DecodeDate(TDateTime dt) {
    qint64 days, ms;
    SplitDateTime(dt, days, ms);
    return civilFromDays(days - UnixEpochDay);
}

TimeParts DecodeTime(TDateTime dt) {
    qint64 days, ms;
    SplitDateTime(dt, days, ms);
    const int msec = int(ms % 1000);
    const qint64 secs = ms / 1000;
    return TimeParts{int(secs / 3600), int(secs / 60 % 60), int(secs % 60), msec};
}

int YearOf(TDateTime dt) {
    return DecodeDate(dt).year;
}

int DayOfTheWeek(TDateTime dt) {
    qint64 days, ms;
    SplitDateTime(dt, days, ms);
    // 30 December 1899 was a Saturday (6).
    qint64 w = (days + 5) % 7;
    if (w < 0) w += 7;
    return int(w) + 1;
}

TDateTime DateOf(TDateTime dt) {
    qint64 days, ms;
    SplitDateTime(dt, days, ms);
    return double(days);
}

TDateTime TimeOf(TDateTime dt) {
    qint64 days, ms;
    SplitDateTime(dt, days, ms);
    return double(ms) / MSecsPerDay;
}

QDate ToQDate(TDateTime dt) {
    const DateParts p = DecodeDate(dt);
    return QDate(p.year, p.month, p.day);
}

QTime ToQTime(TDateTime dt) {
    const TimeParts t = DecodeTime(dt);
    return QTime(t.hour, t.minute, t.second, t.msec);
}

TDateTime FromQDate(const QDate& d) {
    if (!d.isValid()) return 0;
    return double(daysFromCivil(d.year(), d.month(), d.day()) + UnixEpochDay);
}

TDateTime FromQTime(const QTime& t) {
    if (!t.isValid()) return 0;
    return double(t.msecsSinceStartOfDay()) / MSecsPerDay;
}

TDateTime FromQDateTime(const QDate& d, const QTime& t) {
    const qint64 days = qint64(FromQDate(d));
    return JoinDateTime(days, t.isValid() ? t.msecsSinceStartOfDay() : 0);
}

qint64 MsOfDay(TDateTime dt) {
    qint64 days, ms;
    SplitDateTime(dt, days, ms);
    return ms;
}

TDateTime AddMs(TDateTime moment, qint64 ms) {
    qint64 days, msOfDay;
    SplitDateTime(moment, days, msOfDay);
    const qint64 total = days * MsPerDay + msOfDay + ms;
    return JoinDateTime(total / MsPerDay, total % MsPerDay);
}
