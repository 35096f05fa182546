#include "ical/IcalReader.h"

#include <libical/ical.h>

#include <QDateTime>
#include <QStringDecoder>
#include <memory>
#include <optional>

#include "core/DateTime.h"
#include "core/Error.h"
#include "core/Formats.h"
#include "core/Win1251.h"
#include "ical/IcalComponent.h"

namespace {

struct ContentLine {
    QByteArray text;
    int number = 0;  // its first physical line, from 1
};

// Hands each content line to `take`: physical lines (ended by CR LF, LF
// or CR) with the folded ones (beginning with a blank or a tab) joined to
// their line.
template <typename Take>
void forEachContentLine(const QByteArray& bytes, Take take) {
    ContentLine line;
    qsizetype from = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    int number = 1;
    const qsizetype n = bytes.size();
    for (qsizetype i = from; i <= n; ++i) {
        if (i < n && bytes[i] != '\n' && bytes[i] != '\r') continue;
        if (i > from && (bytes[from] == ' ' || bytes[from] == '\t') && line.number > 0) {
            line.text.append(bytes.constData() + from + 1, i - from - 1);
        } else {
            if (line.number > 0) take(std::move(line));
            line = {bytes.mid(from, i - from), number};
        }
        ++number;
        if (i + 1 < n && bytes[i] == '\r' && bytes[i + 1] == '\n') ++i;
        from = i + 1;
    }
    if (line.number > 0) take(std::move(line));
}

QString excerpt(const QByteArray& text) {
    QString s = QString::fromUtf8(text.left(240)).simplified();
    if (s.size() > 60) s = s.left(57) + QStringLiteral("...");
    return s;
}

bool isBlank(const QByteArray& line) {
    for (char c : line)
        if (c != ' ' && c != '\t') return false;
    return true;
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

// Properties whose values the program takes (of an alarm, TRIGGER alone):
// the others of an item are not even parsed, and a value libical cannot
// parse in these fails the file.
bool isRead(const QByteArray& name, bool inAlarm) {
    if (inAlarm) return name == "TRIGGER";
    static const char* const names[] = {
        "DTSTART",           "DTEND",       "DUE",        "DURATION",      "RRULE",
        "SUMMARY",           "DESCRIPTION", "CATEGORIES", "STATUS",        "COMPLETED",
        "PERCENT-COMPLETE",  "TRIGGER",     "UID",        "RECURRENCE-ID", "X-QUILLET-CATEGORY",
        "X-QUILLET-NOTIFIED"};
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

struct ParserFree {
    void operator()(icalparser* p) const { icalparser_free(p); }
};
using Component = IcalComponentPtr;

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
    e.notified = xValue(c, "X-QUILLET-NOTIFIED") == QLatin1String("1");
    out.events.push_back(std::move(e));
}

void readTask(icalcomponent* c, bool todo, FileItems& out) {
    TaskItem t;
    t.uid = propertyText(c, ICAL_UID_PROPERTY);
    t.caption = oneLine(propertyText(c, ICAL_SUMMARY_PROPERTY));
    t.details = lines(propertyText(c, ICAL_DESCRIPTION_PROPERTY));
    t.category = oneLine(categories(c).join(QStringLiteral(", ")));
    t.executed = todo && isDone(c);
    t.notified = xValue(c, "X-QUILLET-NOTIFIED") == QLatin1String("1");
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

// One item of a calendar, whole.
void readItem(icalcomponent* c, FileItems& out) {
    const icalcomponent_kind kind = icalcomponent_isa(c);
    const bool repeatChanged =
        icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
    if (kind == ICAL_VEVENT_COMPONENT && !repeatChanged && isYearly(c))
        readEvent(c, out);
    else if ((kind == ICAL_VEVENT_COMPONENT || kind == ICAL_VTODO_COMPONENT) && !repeatChanged)
        readTask(c, kind == ICAL_VTODO_COMPONENT, out);
    else
        ++out.otherRecords;
}

// Goes through the file line by line: libical parses each item of a
// calendar by itself, the item is read and freed; the zones stay in a
// calendar of their own, where the items' times find them. (A calendar of
// thousands of items kept whole would cost libical a great deal of memory.)
class ItemReader {
  public:
    FileItems Read(const QByteArray& bytes) {
        const MalformedDataNotFatal notFatal;
        forEachContentLine(bytes, [this](ContentLine&& line) {
            if (!isBlank(line.text)) Take(std::move(line));
        });
        if (!open_.empty())
            fail(open_.back().line, QStringLiteral("BEGIN:%1 не закрыт (нет END:%1).")
                                        .arg(QString::fromUtf8(open_.back().name)));
        if (!calendar_) throw EQuillet(QStringLiteral("В файле нет календаря (BEGIN:VCALENDAR)."));
        return std::move(out_);
    }

  private:
    void Take(ContentLine&& line) {
        const QByteArray name = nameOf(line.text);
        const bool wasInCalendar = open_.size() == 1 && open_[0].name == "VCALENDAR";
        checkFrame(line, name, open_);
        const bool inCalendar = open_.size() == 1 && open_[0].name == "VCALENDAR";
        // The calendar's own lines: its frame and its properties.
        if ((name == "BEGIN" && inCalendar) || (name == "END" && wasInCalendar && open_.empty()) ||
            (name != "BEGIN" && name != "END" && inCalendar)) {
            calendar_ = calendar_ || inCalendar;
            return;
        }
        if (name == "BEGIN" && open_.size() <= 2) {
            inCalendarItem_ = open_.size() == 2;
            inZone_ = open_.back().name == "VTIMEZONE";
        }
        const bool inAlarm = !open_.empty() && open_.back().name == "VALARM";
        const bool read = isRead(name, inAlarm);
        if (!read && !inZone_ && name != "BEGIN" && name != "END") return;
        icalcomponent* c = icalparser_add_line(parser_.get(), line.text.data());
        // An empty value is a value (libical refuses it and drops the line).
        if (icalparser_get_state(parser_.get()) == ICALPARSER_ERROR && read &&
            !line.text.trimmed().endsWith(':'))
            fail(line.number,
                 QStringLiteral("значение не читается: «%1».").arg(excerpt(line.text)));
        if (c) Finish(Component(c));
    }

    void Finish(Component c) {
        if (!inCalendarItem_) {  // outside any calendar
            ++out_.otherRecords;
            return;
        }
        icalcomponent* item = c.release();
        icalcomponent_add_component(zones_.get(), item);
        if (icalcomponent_isa(item) == ICAL_VTIMEZONE_COMPONENT) return;
        readItem(item, out_);
        icalcomponent_remove_component(zones_.get(), item);
        icalcomponent_free(item);
    }

    std::unique_ptr<icalparser, ParserFree> parser_{icalparser_new()};
    Component zones_{icalcomponent_new_vcalendar()};
    std::vector<Open> open_;
    bool calendar_ = false, inCalendarItem_ = false, inZone_ = false;
    FileItems out_;
};

}  // namespace

FileItems ReadICalendar(const QByteArray& bytes) {
    return ItemReader().Read(bytes);
}
