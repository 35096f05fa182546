#include "ical/IcalReader.h"

#include <libical/ical.h>

#include <QDateTime>
#include <QStringDecoder>
#include <memory>
#include <optional>

#include "core/Error.h"
#include "core/Formats.h"
#include "core/Win1251.h"

namespace {

struct ContentLine {
    QByteArray text;
    int number = 0;  // its first physical line, from 1
};

// The content lines: physical lines (ended by CR LF, LF or CR) with the
// folded ones (beginning with a blank or a tab) joined to their line.
std::vector<ContentLine> contentLines(const QByteArray& bytes) {
    std::vector<ContentLine> lines;
    qsizetype from = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    int number = 1;
    const qsizetype n = bytes.size();
    for (qsizetype i = from; i <= n; ++i) {
        if (i < n && bytes[i] != '\n' && bytes[i] != '\r') continue;
        const QByteArray line = bytes.mid(from, i - from);
        if (!lines.empty() && !line.isEmpty() && (line[0] == ' ' || line[0] == '\t'))
            lines.back().text += line.mid(1);
        else
            lines.push_back({line, number});
        ++number;
        if (i + 1 < n && bytes[i] == '\r' && bytes[i + 1] == '\n') ++i;
        from = i + 1;
    }
    return lines;
}

QString excerpt(const QByteArray& text) {
    QString s = QString::fromUtf8(text.left(240)).simplified();
    if (s.size() > 60) s = s.left(57) + QStringLiteral("...");
    return s;
}

[[noreturn]] void fail(int line, const QString& what) {
    throw EQuillet(QStringLiteral("Строка %1: %2").arg(line).arg(what));
}

// The property's name, upper case ("DTSTART" of "DTSTART;TZID=...:...").
QByteArray nameOf(const QByteArray& line) {
    qsizetype end = 0;
    while (end < line.size() && line[end] != ';' && line[end] != ':')
        ++end;
    return line.left(end).trimmed().toUpper();
}

QByteArray valueOf(const QByteArray& line) {
    return line.mid(line.indexOf(':') + 1).trimmed().toUpper();
}

// Properties whose values the program takes: a value libical cannot
// parse there fails the file.
bool isRead(const QByteArray& name) {
    static const char* const names[] = {
        "DTSTART",    "DTEND",  "DUE",       "DURATION", "RRULE", "SUMMARY",      "DESCRIPTION",
        "CATEGORIES", "STATUS", "COMPLETED", "TRIGGER",  "UID",   "RECURRENCE-ID"};
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

struct ParserFree {
    void operator()(icalparser* p) const { icalparser_free(p); }
};
struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// While it lives, libical reports bad data in the components instead of
// ending the program (as its own parse of a whole text does).
class MalformedDataNotFatal {
  public:
    MalformedDataNotFatal() : saved_(icalerror_get_error_state(ICAL_MALFORMEDDATA_ERROR)) {
        icalerror_set_error_state(ICAL_MALFORMEDDATA_ERROR, ICAL_ERROR_NONFATAL);
    }
    ~MalformedDataNotFatal() { icalerror_set_error_state(ICAL_MALFORMEDDATA_ERROR, saved_); }

  private:
    icalerrorstate saved_;
};

struct Open {
    QByteArray name;
    int line;
};

// Checks the frame of a line (a name and a colon, BEGIN and END in pairs,
// nothing outside a component).
void checkFrame(const ContentLine& line, const QByteArray& name, std::vector<Open>& open) {
    if (!line.text.contains(':') || name.isEmpty())
        fail(line.number, QStringLiteral("это не строка iCalendar: «%1».").arg(excerpt(line.text)));
    if (name == "BEGIN") {
        open.push_back({valueOf(line.text), line.number});
        return;
    }
    if (open.empty())
        fail(line.number, QStringLiteral("«%1» стоит вне календаря (BEGIN:VCALENDAR ... "
                                         "END:VCALENDAR).")
                              .arg(excerpt(line.text)));
    if (name != "END") return;
    const QByteArray what = valueOf(line.text);
    if (what != open.back().name)
        fail(line.number, QStringLiteral("END:%1 закрывает BEGIN:%2 из строки %3.")
                              .arg(QString::fromUtf8(what), QString::fromUtf8(open.back().name))
                              .arg(open.back().line));
    open.pop_back();
}

// The components of the file, each whole, parsed by libical line by line.
std::vector<Component> parse(const QByteArray& bytes) {
    const MalformedDataNotFatal notFatal;
    std::unique_ptr<icalparser, ParserFree> parser(icalparser_new());
    std::vector<Component> roots;
    std::vector<Open> open;
    for (const ContentLine& line : contentLines(bytes)) {
        if (line.text.trimmed().isEmpty()) continue;
        const QByteArray name = nameOf(line.text);
        checkFrame(line, name, open);
        QByteArray text = line.text;  // libical takes a writable line
        icalcomponent* c = icalparser_add_line(parser.get(), text.data());
        if (c) roots.emplace_back(c);
        // An empty value is a value (libical refuses it and drops the line).
        if (icalparser_get_state(parser.get()) == ICALPARSER_ERROR && isRead(name) &&
            !line.text.trimmed().endsWith(':'))
            fail(line.number,
                 QStringLiteral("значение не читается: «%1».").arg(excerpt(line.text)));
    }
    if (!open.empty())
        fail(open.back().line, QStringLiteral("BEGIN:%1 не закрыт (нет END:%1).")
                                   .arg(QString::fromUtf8(open.back().name)));
    return roots;
}

// ---- Values

QString textOf(const char* s) {
    if (!s) return {};
    const QByteArray bytes(s);
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? FromWin1251(bytes) : text;  // an older Russian program's file
}

// The text of a TEXT property, unescaped; empty when it has none.
QString valueText(icalproperty* p) {
    icalvalue* v = p ? icalproperty_get_value(p) : nullptr;
    if (!v || icalvalue_isa(v) != ICAL_TEXT_VALUE) return {};
    return textOf(icalvalue_get_text(v));
}

QString propertyText(icalcomponent* c, icalproperty_kind kind) {
    return valueText(icalcomponent_get_first_property(c, kind));
}

QStringList categories(icalcomponent* c) {
    QStringList out;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_CATEGORIES_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_CATEGORIES_PROPERTY)) {
        const QString s = valueText(p).trimmed();
        if (!s.isEmpty()) out << s;
    }
    return out;
}

QString xValue(icalcomponent* c, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY))
        if (qstricmp(icalproperty_get_x_name(p), name) == 0) return textOf(icalproperty_get_x(p));
    return {};
}

// The local moment of a libical time: a date at midnight, a floating time
// as it is, a time in UTC or in a zone moved into the local zone.
std::optional<TDateTime> localMoment(const icaltimetype& t) {
    if (icaltime_is_null_time(t) || t.year < 1 || t.year > 9999) return std::nullopt;
    TDateTime day;
    if (!TryEncodeDate(t.year, t.month, t.day, day)) return std::nullopt;
    if (t.is_date) return day;
    if (!t.zone) return day + EncodeTime(t.hour % 24, t.minute % 60, t.second % 60, 0);
    const time_t secs = icaltime_as_timet_with_zone(t, t.zone);
    const QDateTime local = QDateTime::fromSecsSinceEpoch(qint64(secs)).toLocalTime();
    return FromQDateTime(local.date(), local.time());
}

std::optional<TDateTime> momentOf(icalcomponent* c, icalproperty_kind kind) {
    if (!icalcomponent_get_first_property(c, kind)) return std::nullopt;
    switch (kind) {
        case ICAL_DTSTART_PROPERTY:
            return localMoment(icalcomponent_get_dtstart(c));
        case ICAL_DUE_PROPERTY:
            return localMoment(icalcomponent_get_due(c));
        default:
            return localMoment(icalcomponent_get_dtend(c));
    }
}

bool isYearly(icalcomponent* c) {
    icalproperty* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
    if (!p) return false;
    const icalrecurrencetype r = icalproperty_get_rrule(p);
    return r.freq == ICAL_YEARLY_RECURRENCE && r.interval <= 1;
}

// The moment of the first alarm: absolute, or from the start (from the
// end, DUE of a task, with RELATED=END) of its component.
std::optional<TDateTime> alarmMoment(icalcomponent* c, bool todo) {
    icalcomponent* a = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT);
    icalproperty* p = a ? icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY) : nullptr;
    if (!p) return std::nullopt;
    const icaltriggertype trigger = icalproperty_get_trigger(p);
    if (!icaltime_is_null_time(trigger.time)) return localMoment(trigger.time);
    icalparameter* related = icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER);
    const bool fromEnd = related && icalparameter_get_related(related) == ICAL_RELATED_END;
    std::optional<TDateTime> base;
    if (fromEnd)
        base = momentOf(c, todo ? ICAL_DUE_PROPERTY : ICAL_DTEND_PROPERTY);
    else
        base = momentOf(c, ICAL_DTSTART_PROPERTY);
    if (!base && todo) base = momentOf(c, ICAL_DUE_PROPERTY);  // a task with a due day alone
    if (!base) return std::nullopt;
    return AddMs(*base, qint64(icaldurationtype_as_int(trigger.duration)) * 1000);
}

bool isDone(icalcomponent* c) {
    icalproperty* status = icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY);
    if (status && icalproperty_get_status(status) == ICAL_STATUS_COMPLETED) return true;
    if (icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY)) return true;
    icalproperty* percent = icalcomponent_get_first_property(c, ICAL_PERCENTCOMPLETE_PROPERTY);
    return percent && icalproperty_get_percentcomplete(percent) >= 100;
}

// ---- Records

// A text of several lines as the program keeps it (lines ended by CR LF),
// and one of a single line.
QString lines(const QString& text) {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
}
QString oneLine(const QString& text) {
    return lines(text).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

void readEvent(icalcomponent* c, FileItems& out) {
    const std::optional<TDateTime> start = momentOf(c, ICAL_DTSTART_PROPERTY);
    if (!start) {
        ++out.withoutDate;
        return;
    }
    EventItem e;
    e.uid = propertyText(c, ICAL_UID_PROPERTY);
    e.caption = oneLine(propertyText(c, ICAL_SUMMARY_PROPERTY));
    e.comment = oneLine(propertyText(c, ICAL_DESCRIPTION_PROPERTY));
    e.date = DateOf(*start);
    for (const QString& category : categories(c))
        if (const int vid = KindOfCategory(category)) {
            e.vid = vid;
            break;
        }
    bool ok = false;
    const int category = xValue(c, "X-QUILLET-CATEGORY").toInt(&ok);
    if (ok) e.category = qBound(0, category, 100);
    out.events.push_back(std::move(e));
}

void readTask(icalcomponent* c, bool todo, FileItems& out) {
    TaskItem t;
    t.uid = propertyText(c, ICAL_UID_PROPERTY);
    t.caption = oneLine(propertyText(c, ICAL_SUMMARY_PROPERTY));
    t.details = lines(propertyText(c, ICAL_DESCRIPTION_PROPERTY));
    t.category = oneLine(categories(c).join(QStringLiteral(", ")));
    t.executed = todo && isDone(c);
    std::optional<TDateTime> moment;
    QString label = QStringLiteral("Срок: ");
    if (todo) moment = momentOf(c, ICAL_DUE_PROPERTY);
    if (!moment) {
        moment = momentOf(c, ICAL_DTSTART_PROPERTY);
        label = QStringLiteral("Начало: ");
    }
    if (const std::optional<TDateTime> alarm = alarmMoment(c, todo)) {
        t.needAlert = true;
        t.when = *alarm;
    } else if (moment) {
        // No reminder, so no date in the plan: the moment stays in the text.
        const QString line = label + DateTimeToStr(*moment);
        t.details = t.details.isEmpty() ? line : t.details + QStringLiteral("\r\n") + line;
    }
    out.tasks.push_back(std::move(t));
}

void readCalendar(icalcomponent* cal, FileItems& out) {
    for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(cal, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(c);
        if (kind == ICAL_VTIMEZONE_COMPONENT) continue;
        const bool repeatChanged =
            icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
        if (kind == ICAL_VEVENT_COMPONENT && !repeatChanged && isYearly(c))
            readEvent(c, out);
        else if ((kind == ICAL_VEVENT_COMPONENT || kind == ICAL_VTODO_COMPONENT) && !repeatChanged)
            readTask(c, kind == ICAL_VTODO_COMPONENT, out);
        else
            ++out.otherRecords;
    }
}

}  // namespace

FileItems ReadICalendar(const QByteArray& bytes) {
    const std::vector<Component> roots = parse(bytes);
    FileItems out;
    bool calendar = false;
    for (const Component& root : roots) {
        if (icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) {
            ++out.otherRecords;
            continue;
        }
        calendar = true;
        readCalendar(root.get(), out);
    }
    if (!calendar) throw EQuillet(QStringLiteral("В файле нет календаря (BEGIN:VCALENDAR)."));
    return out;
}
