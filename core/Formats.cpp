#include "core/Formats.h"

#include <QRegularExpression>
#include <memory>

#include "core/CompiledFormat.h"

namespace {

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
