#include "core/CompiledFormat.h"

#include <algorithm>

QString CompiledFormat::format(const QLocale& locale, const DateParts& d,
                               const TimeParts& t) const {
    QString out;
    out.reserve(24);
    for (const Piece& p : pieces_)
        append(out, locale, p, d, t);
    return out;
}

void CompiledFormat::literal(QChar c) {
    if (pieces_.empty() || pieces_.back().kind != Literal) pieces_.push_back({Literal, {}});
    pieces_.back().text += c;
}

void CompiledFormat::compile(const QString& f) {
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

void CompiledFormat::number(QString& out, int v, int width) {
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

void CompiledFormat::append(QString& out, const QLocale& loc, const Piece& p, const DateParts& d,
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
