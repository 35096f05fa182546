#include "ical/IcalWriter.h"
#include "core/DateTime.h"

#include <libical/ical.h>

#include <memory>

#include "ical/IcalComponent.h"

namespace {

using Component = IcalComponentPtr;

icaltimetype dateValue(TDateTime d) {
    const DateParts p = DecodeDate(d);
    icaltimetype t = icaltime_null_date();
    t.year = p.year;
    t.month = p.month;
    t.day = p.day;
    return t;
}

// Local time without a zone ("floating"): what the program keeps.
icaltimetype floatingValue(TDateTime dt) {
    const DateParts p = DecodeDate(dt);
    const TimeParts t = DecodeTime(dt);
    icaltimetype v = icaltime_null_time();
    v.year = p.year;
    v.month = p.month;
    v.day = p.day;
    v.hour = t.hour;
    v.minute = t.minute;
    v.second = t.second;
    return v;
}

void addText(icalcomponent* c, icalproperty* (*make)(const char*), const QString& text) {
    if (!text.isEmpty()) icalcomponent_add_property(c, make(text.toUtf8().constData()));
}

void addX(icalcomponent* c, const char* name, const QString& value) {
    icalproperty* p = icalproperty_new_x(value.toUtf8().constData());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(c, p);
}

// A display alarm `seconds` after the start of its component (after its
// end, DUE of a task, when `fromEnd`).
icalcomponent* alarm(const QString& caption, qint64 seconds, bool fromEnd) {
    icalcomponent* a = icalcomponent_new_valarm();
    icalcomponent_add_property(a, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    const QString text = caption.isEmpty() ? QStringLiteral("Напоминание") : caption;
    icalcomponent_add_property(a, icalproperty_new_description(text.toUtf8().constData()));
    icaltriggertype trigger;
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_from_int(int(seconds));
    icalproperty* p = icalproperty_new_trigger(trigger);
    if (fromEnd) icalproperty_add_parameter(p, icalparameter_new_related(ICAL_RELATED_END));
    icalcomponent_add_property(a, p);
    return a;
}

void addCommon(icalcomponent* c, const QString& uid, const icaltimetype& stamp) {
    icalcomponent_add_property(c, icalproperty_new_uid(uid.toUtf8().constData()));
    icalcomponent_add_property(c, icalproperty_new_dtstamp(stamp));
}

// The two repeat rules, parsed once per file.
struct Rules {
    icalrecurrencetype yearly = icalrecurrencetype_from_string("FREQ=YEARLY");
    // 29 February: the last day of February, the 28th in other years.
    icalrecurrencetype lastOfFebruary =
        icalrecurrencetype_from_string("FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1");
};

icalcomponent* eventComponent(const EventItem& e, const QString& uid, const icaltimetype& stamp,
                              qint64 noticeOffset, const Rules& rules) {
    icalcomponent* c = icalcomponent_new_vevent();
    addCommon(c, uid, stamp);
    const icaltimetype start = dateValue(e.date);
    icaltimetype end = start;
    icaltime_adjust(&end, 1, 0, 0, 0);
    icalcomponent_add_property(c, icalproperty_new_dtstart(start));
    icalcomponent_add_property(c, icalproperty_new_dtend(end));
    const bool leapDay = start.month == 2 && start.day == 29;
    icalcomponent_add_property(
        c, icalproperty_new_rrule(leapDay ? rules.lastOfFebruary : rules.yearly));
    addText(c, icalproperty_new_summary, e.caption);
    addText(c, icalproperty_new_description, e.comment);
    addText(c, icalproperty_new_categories, KindCategory(e.vid));
    icalcomponent_add_property(c, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    addX(c, "X-QUILLET-CATEGORY", QString::number(e.category));
    icalcomponent_add_component(c, alarm(e.caption, noticeOffset, false));
    return c;
}

icalcomponent* taskComponent(const TaskItem& t, const QString& uid, const icaltimetype& stamp) {
    icalcomponent* c = icalcomponent_new_vtodo();
    addCommon(c, uid, stamp);
    const bool dated = t.when != 0;
    if (dated) icalcomponent_add_property(c, icalproperty_new_due(floatingValue(t.when)));
    addText(c, icalproperty_new_summary, t.caption);
    addText(c, icalproperty_new_description, t.details);
    addText(c, icalproperty_new_categories, t.category);
    icalcomponent_add_property(
        c, icalproperty_new_status(t.executed ? ICAL_STATUS_COMPLETED : ICAL_STATUS_NEEDSACTION));
    if (t.needAlert && dated) icalcomponent_add_component(c, alarm(t.caption, 0, true));
    return c;
}

// The text libical writes for a component.
QByteArray textOf(const Component& c) {
    char* text = icalcomponent_as_ical_string_r(c.get());
    QByteArray out(text);
    icalmemory_free_buffer(text);
    return out;
}

// The calendar's own lines, without its end.
QByteArray calendarHead() {
    Component cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//Quillet//Quillet//RU"));
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
    QByteArray out = textOf(cal);
    const QByteArray end = "END:VCALENDAR\r\n";
    if (out.endsWith(end)) out.chop(end.size());
    return out;
}

icaltimetype stampOf(const ExportSettings& s) {
    return icaltime_from_timet_with_zone(time_t(s.stampSecs), 0, icaltimezone_get_utc_timezone());
}

// One component as a calendar of its own, with the state of its reminder.
QByteArray alone(icalcomponent* c, bool notified) {
    addX(c, "X-QUILLET-NOTIFIED", QLatin1String(notified ? "1" : "0"));
    return calendarHead() + textOf(Component(c)) + "END:VCALENDAR\r\n";
}

}  // namespace

QByteArray WriteTaskCalendar(const TaskItem& task, const QString& uid,
                             const ExportSettings& settings) {
    return alone(taskComponent(task, uid, stampOf(settings)), task.notified);
}

QByteArray WriteEventCalendar(const EventItem& event, const QString& uid,
                              const ExportSettings& settings) {
    return alone(
        eventComponent(event, uid, stampOf(settings),
                       EventNoticeOffset(settings.notifyDays, settings.notifyTime), Rules()),
        event.notified);
}

qint64 EventNoticeOffset(int notifyDays, TDateTime notifyTime) {
    return -qint64(notifyDays - 1) * 86400 + MsOfDay(notifyTime) / 1000;
}

QByteArray WriteICalendar(const std::vector<TaskItem>& tasks, const std::vector<EventItem>& events,
                          const ExportSettings& settings) {
    // Each item is written and freed before the next is made: a calendar of
    // thousands kept whole would cost libical a great deal of memory (every
    // repeat rule is a large record). Between the calendar's lines of its
    // own and its end go the items' texts.
    QByteArray out = calendarHead();
    const QByteArray end = "END:VCALENDAR\r\n";
    out.reserve(out.size() + qsizetype(tasks.size() + events.size()) * 450);
    const icaltimetype stamp = stampOf(settings);
    const qint64 notice = EventNoticeOffset(settings.notifyDays, settings.notifyTime);
    const Rules rules;
    for (const EventItem& e : events)
        out += textOf(
            Component(eventComponent(e, EventUid(e.id, settings.identity), stamp, notice, rules)));
    for (const TaskItem& t : tasks)
        out += textOf(Component(taskComponent(t, TaskUid(t.id, settings.identity), stamp)));
    return out + end;
}
