#include "app/Global.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>
#include <memory>
#include <vector>

// ---------------------------------------------------------------- clock

namespace {

enum class ClockMode { System, Frozen, Running };

struct ClockState {
    ClockMode mode = ClockMode::System;
    TDateTime moment = 0;    // frozen value, or the start of a running clock
    qint64 startedAtMs = 0;  // monotonic time when a running clock started
    double advancedMs = 0;   // shifts added to a running clock
};

ClockState& clockState() {
    static ClockState state;
    return state;
}

QElapsedTimer& monotonic() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}

TDateTime systemNow() {
    const QDateTime now = QDateTime::currentDateTime();
    return FromQDateTime(now.date(), now.time());
}

}  // namespace

TDateTime Now() {
    const ClockState& c = clockState();
    switch (c.mode) {
        case ClockMode::Frozen:
            return c.moment;
        case ClockMode::Running: {
            const double ms = double(Clock::MonotonicMs() - c.startedAtMs) + c.advancedMs;
            qint64 days, msOfDay;
            SplitDateTime(c.moment, days, msOfDay);
            const qint64 total = days * qint64(MSecsPerDay) + msOfDay + qint64(std::llround(ms));
            return JoinDateTime(total / qint64(MSecsPerDay), total % qint64(MSecsPerDay));
        }
        case ClockMode::System:
            break;
    }
    return systemNow();
}

TDateTime Today() {
    return DateOf(Now());
}

namespace Clock {
void Freeze(TDateTime moment) {
    clockState() = ClockState{ClockMode::Frozen, moment, 0, 0};
}
void StartAt(TDateTime moment) {
    clockState() = ClockState{ClockMode::Running, moment, MonotonicMs(), 0};
}
void Advance(double ms) {
    ClockState& c = clockState();
    if (c.mode == ClockMode::System) {
        StartAt(systemNow());
    }
    if (c.mode == ClockMode::Frozen) {
        qint64 days, msOfDay;
        SplitDateTime(c.moment, days, msOfDay);
        const qint64 total = days * qint64(MSecsPerDay) + msOfDay + qint64(std::llround(ms));
        c.moment = JoinDateTime(total / qint64(MSecsPerDay), total % qint64(MSecsPerDay));
    } else {
        c.advancedMs += ms;
    }
}
void Reset() {
    clockState() = ClockState{};
}
qint64 MonotonicMs() {
    return monotonic().elapsed();
}
}  // namespace Clock

// ------------------------------------------------------------- calendar

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

// -------------------------------------------------------------- formats

namespace {

// A Qt-style date/time format compiled once into pieces, so that the lists
// can format thousands of values without parsing the pattern each time.
class CompiledFormat {
  public:
    enum Kind {
        Literal,
        Day1,
        Day2,
        DayName3,
        DayName,
        Month1,
        Month2,
        MonthName3,
        MonthName,
        Year2,
        Year4,
        Hour1,
        Hour2,
        Hour12_1,
        Hour12_2,
        Minute1,
        Minute2,
        Second1,
        Second2,
        Msec1,
        Msec3,
        AmPmUpper,
        AmPmLower
    };
    struct Piece {
        Kind kind;
        QString text;
    };

    explicit CompiledFormat(const QString& pattern) { compile(pattern); }

    QString format(const QLocale& locale, const DateParts& d, const TimeParts& t) const {
        QString out;
        out.reserve(24);
        for (const Piece& p : pieces_)
            append(out, locale, p, d, t);
        return out;
    }

    bool has12Hour() const {
        for (const Piece& p : pieces_)
            if (p.kind == Hour12_1 || p.kind == Hour12_2) return true;
        return false;
    }

  private:
    std::vector<Piece> pieces_;
    bool anyAmPm_ = false;

    void literal(QChar c) {
        if (pieces_.empty() || pieces_.back().kind != Literal) pieces_.push_back({Literal, {}});
        pieces_.back().text += c;
    }

    void compile(const QString& f) {
        for (qsizetype i = 0; i < f.size();) {
            const QChar c = f[i];
            qsizetype n = 1;
            while (i + n < f.size() && f[i + n] == c)
                ++n;
            if (c == u'\'') {
                // Quoted text; '' stands for one quote.
                qsizetype j = i + 1;
                if (j < f.size() && f[j] == u'\'') {
                    literal(u'\'');
                    i += 2;
                    continue;
                }
                while (j < f.size()) {
                    if (f[j] == u'\'') {
                        if (j + 1 < f.size() && f[j + 1] == u'\'') {
                            literal(u'\'');
                            j += 2;
                            continue;
                        }
                        break;
                    }
                    literal(f[j]);
                    ++j;
                }
                i = j + 1;
                continue;
            }
            auto take = [&](qsizetype count, Kind k) {
                pieces_.push_back({k, {}});
                i += count;
            };
            switch (c.unicode()) {
                case 'd':
                    if (n >= 4)
                        take(4, DayName);
                    else if (n == 3)
                        take(3, DayName3);
                    else
                        take(n, n == 2 ? Day2 : Day1);
                    break;
                case 'M':
                    if (n >= 4)
                        take(4, MonthName);
                    else if (n == 3)
                        take(3, MonthName3);
                    else
                        take(n, n == 2 ? Month2 : Month1);
                    break;
                case 'y':
                    if (n >= 4)
                        take(4, Year4);
                    else if (n >= 2)
                        take(2, Year2);
                    else {
                        literal(c);
                        ++i;
                    }
                    break;
                case 'H':
                    take(std::min<qsizetype>(n, 2), n >= 2 ? Hour2 : Hour1);
                    break;
                case 'h':
                    take(std::min<qsizetype>(n, 2), n >= 2 ? Hour12_2 : Hour12_1);
                    break;
                case 'm':
                    take(std::min<qsizetype>(n, 2), n >= 2 ? Minute2 : Minute1);
                    break;
                case 's':
                    take(std::min<qsizetype>(n, 2), n >= 2 ? Second2 : Second1);
                    break;
                case 'z':
                    take(std::min<qsizetype>(n, 3), n >= 3 ? Msec3 : Msec1);
                    break;
                case 'A':
                case 'a':
                    if (i + 1 < f.size() && (f[i + 1] == u'P' || f[i + 1] == u'p')) {
                        take(2, c == u'A' ? AmPmUpper : AmPmLower);
                        anyAmPm_ = true;
                    } else {
                        take(1, c == u'A' ? AmPmUpper : AmPmLower);
                        anyAmPm_ = true;
                    }
                    break;
                case 't':  // time zone: never shown
                    i += n;
                    break;
                default:
                    literal(c);
                    ++i;
                    break;
            }
        }
        // Without an AM/PM marker, 'h' counts the hours 0..23 as Qt does.
        if (!anyAmPm_) {
            for (Piece& p : pieces_) {
                if (p.kind == Hour12_1) p.kind = Hour1;
                if (p.kind == Hour12_2) p.kind = Hour2;
            }
        }
        // Drop blanks left at either end by a removed time zone.
        while (!pieces_.empty() && pieces_.back().kind == Literal &&
               pieces_.back().text.trimmed().isEmpty())
            pieces_.pop_back();
        if (!pieces_.empty() && pieces_.back().kind == Literal)
            while (pieces_.back().text.endsWith(u' '))
                pieces_.back().text.chop(1);
    }

    static void number(QString& out, int v, int width) {
        char buf[12];
        int n = 0;
        unsigned u = unsigned(v < 0 ? -v : v);
        do {
            buf[n++] = char('0' + u % 10);
            u /= 10;
        } while (u);
        if (v < 0) out += u'-';
        for (int k = n; k < width; ++k)
            out += u'0';
        while (n)
            out += QLatin1Char(buf[--n]);
    }

    static void append(QString& out, const QLocale& loc, const Piece& p, const DateParts& d,
                       const TimeParts& t) {
        switch (p.kind) {
            case Literal:
                out += p.text;
                break;
            case Day1:
                number(out, d.day, 1);
                break;
            case Day2:
                number(out, d.day, 2);
                break;
            case DayName3:
                out += loc.dayName(QDate(d.year, d.month, d.day).dayOfWeek(), QLocale::ShortFormat);
                break;
            case DayName:
                out += loc.dayName(QDate(d.year, d.month, d.day).dayOfWeek(), QLocale::LongFormat);
                break;
            case Month1:
                number(out, d.month, 1);
                break;
            case Month2:
                number(out, d.month, 2);
                break;
            case MonthName3:
                out += loc.monthName(d.month, QLocale::ShortFormat);
                break;
            case MonthName:
                out += loc.monthName(d.month, QLocale::LongFormat);
                break;
            case Year2:
                number(out, ((d.year % 100) + 100) % 100, 2);
                break;
            case Year4:
                number(out, d.year, 4);
                break;
            case Hour1:
                number(out, t.hour, 1);
                break;
            case Hour2:
                number(out, t.hour, 2);
                break;
            case Hour12_1:
                number(out, t.hour % 12 == 0 ? 12 : t.hour % 12, 1);
                break;
            case Hour12_2:
                number(out, t.hour % 12 == 0 ? 12 : t.hour % 12, 2);
                break;
            case Minute1:
                number(out, t.minute, 1);
                break;
            case Minute2:
                number(out, t.minute, 2);
                break;
            case Second1:
                number(out, t.second, 1);
                break;
            case Second2:
                number(out, t.second, 2);
                break;
            case Msec1:
                number(out, t.msec, 1);
                break;
            case Msec3:
                number(out, t.msec, 3);
                break;
            case AmPmUpper:
                out += (t.hour < 12 ? loc.amText() : loc.pmText()).toUpper();
                break;
            case AmPmLower:
                out += (t.hour < 12 ? loc.amText() : loc.pmText()).toLower();
                break;
        }
    }
};

QString stripTimeZone(const QString& pattern) {
    // Remove 't' outside quotes, and the blanks that lead up to it.
    QString out;
    bool quoted = false;
    for (QChar c : pattern) {
        if (c == u'\'') quoted = !quoted;
        if (!quoted && c == u't') {
            while (out.endsWith(u' '))
                out.chop(1);
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

struct Formats {
    QLocale locale;
    QString shortDate;
    QString longTime;
    QString separator;
    CompiledFormat dateFormat;
    CompiledFormat timeFormat;

    explicit Formats(const QLocale& loc)
        : locale(loc),
          shortDate(loc.dateFormat(QLocale::ShortFormat)),
          longTime(stripTimeZone(loc.timeFormat(QLocale::LongFormat))),
          separator(findSeparator(loc.timeFormat(QLocale::ShortFormat))),
          dateFormat(shortDate),
          timeFormat(longTime) {}

    static QString findSeparator(const QString& shortTime) {
        qsizetype i = shortTime.indexOf(QRegularExpression(QStringLiteral("[hH]")));
        if (i < 0) return QStringLiteral(":");
        while (i < shortTime.size() && (shortTime[i] == u'h' || shortTime[i] == u'H'))
            ++i;
        QString sep;
        while (i < shortTime.size() && shortTime[i] != u'm')
            sep += shortTime[i++];
        sep.remove(u'\'');
        return sep.isEmpty() ? QStringLiteral(":") : sep;
    }
};

QLocale defaultFormatLocale() {
    const QLocale sys = QLocale::system();
    if (sys.language() == QLocale::C) return QLocale(QLocale::Russian, QLocale::Russia);
    return sys;
}

std::unique_ptr<Formats>& formats() {
    static std::unique_ptr<Formats> f = std::make_unique<Formats>(defaultFormatLocale());
    return f;
}

}  // namespace

QLocale FormatLocale() {
    return formats()->locale;
}
void SetFormatLocale(const QLocale& locale) {
    formats() = std::make_unique<Formats>(locale);
}
QString ShortDateFormat() {
    return formats()->shortDate;
}
QString LongTimeFormat() {
    return formats()->longTime;
}
QString TimeSeparator() {
    return formats()->separator;
}

QString FormatShortDate(TDateTime dt) {
    const Formats& f = *formats();
    return f.dateFormat.format(f.locale, DecodeDate(dt), TimeParts{0, 0, 0, 0});
}

QString FormatLongTime(TDateTime dt) {
    const Formats& f = *formats();
    return f.timeFormat.format(f.locale, DateParts{1899, 12, 30}, DecodeTime(dt));
}

QString FormatHourMinute(TDateTime dt) {
    const TimeParts t = DecodeTime(dt);
    QString out;
    out.reserve(5);
    out += QLatin1Char(char('0' + t.hour / 10));
    out += QLatin1Char(char('0' + t.hour % 10));
    out += formats()->separator;
    out += QLatin1Char(char('0' + t.minute / 10));
    out += QLatin1Char(char('0' + t.minute % 10));
    return out;
}

QString DateTimeToStr(TDateTime dt) {
    const TimeParts t = DecodeTime(dt);
    QString s = FormatShortDate(dt);
    if (t.hour != 0 || t.minute != 0 || t.second != 0) {
        s += u' ';
        s += FormatLongTime(dt);
    }
    return s;
}

bool TryStrToTime(const QString& text, TDateTime& result) {
    const Formats& f = *formats();
    QString s = text.trimmed();
    bool pm = false, am = false;
    const QString amText = f.locale.amText(), pmText = f.locale.pmText();
    auto cutSuffix = [&](const QString& marker, bool& flag) {
        if (!marker.isEmpty() && s.endsWith(marker, Qt::CaseInsensitive)) {
            s.chop(marker.size());
            s = s.trimmed();
            flag = true;
        }
    };
    cutSuffix(pmText, pm);
    if (!pm) cutSuffix(amText, am);
    if (!pm && !am) {
        cutSuffix(QStringLiteral("PM"), pm);
        if (!pm) cutSuffix(QStringLiteral("AM"), am);
    }
    const QStringList parts = s.split(f.separator);
    if (parts.isEmpty() || parts.size() > 3) return false;
    int v[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString p = parts[i].trimmed();
        if (p.isEmpty() || p.size() > 2) return false;
        bool ok = false;
        v[i] = p.toInt(&ok);
        if (!ok || v[i] < 0) return false;
    }
    int hour = v[0];
    if (am || pm) {
        if (hour < 1 || hour > 12) return false;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    if (hour > 23 || v[1] > 59 || v[2] > 59) return false;
    result = EncodeTime(hour, v[1], v[2], 0);
    return true;
}

// ------------------------------------------------------------ executable

namespace {
QString& exePathOverride() {
    static QString path;
    return path;
}
}  // namespace

QString ExePath() {
    if (!exePathOverride().isEmpty()) return exePathOverride();
    if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString ExeDir() {
    QString dir = QFileInfo(ExePath()).absolutePath();
    if (!dir.endsWith(u'/')) dir += u'/';
    return dir;
}

void SetExePath(const QString& path) {
    exePathOverride() = path;
}

// ----------------------------------------------------------- Windows-1251

namespace {
// Unicode of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
const char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

int win1251Byte(char16_t u) {
    if (u < 0x80) return u;
    if (u >= 0x0410 && u <= 0x044F) return 0xC0 + (u - 0x0410);
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == u) return 0x80 + i;
    return -1;
}
}  // namespace

QByteArray ToWin1251(const QString& text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* p = out.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;  // one character outside the code page, written once
            p[n++] = '?';
            continue;
        }
        const int b = win1251Byte(u);
        p[n++] = b < 0 ? '?' : char(b);
    }
    out.truncate(n);
    return out;
}

QString FromWin1251(const char* data, qsizetype size) {
    QString out(size, Qt::Uninitialized);
    QChar* q = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        if (b < 0x80)
            q[i] = QChar(b);
        else if (b >= 0xC0)
            q[i] = QChar(char16_t(0x0410 + (b - 0xC0)));
        else
            q[i] = QChar(kHigh[b - 0x80]);
    }
    return out;
}

bool IsWin1251Char(QChar c) {
    return win1251Byte(c.unicode()) >= 0;
}

QString ThroughWin1251(const QString& text) {
    for (QChar c : text)
        if (!IsWin1251Char(c)) return FromWin1251(ToWin1251(text));
    return text;
}
