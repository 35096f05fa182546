// The export as another reader sees it: the file parsed by Python's
// "icalendar" package (not libical), every field of every item checked;
// and the same file read back by the program's own reader.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "core/DateTime.h"
#include "core/EventDates.h"
#include "ical/IcalReader.h"
#include "ical/IcalWriter.h"
#include "tests/ical/IcalTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

const QString identity = QStringLiteral("6f1c2d3e-4a5b-4c6d-8e7f-901a2b3c4d5e");

std::vector<EventItem> events() {
    auto e = [](int id, const char* caption, TDateTime date, int vid, int category,
                const char* comment) {
        EventItem i;
        i.id = id;
        i.caption = QString::fromUtf8(caption);
        i.date = date;
        i.vid = vid;
        i.category = category;
        i.comment = QString::fromUtf8(comment);
        return i;
    };
    return {e(3, "Анна Петрова", EncodeDate(1975, 3, 8), 1, 3, "Цветы, розы; 5 шт."),
            e(4, "Високосный", EncodeDate(1980, 2, 29), 2, 1, ""),
            e(5, "Без года", EncodeDate(YearUnknown, 11, 23), 3, 10, "Косая \\ черта"),
            e(6, "", EncodeDate(2000, 1, 1) + 0.75, 0, 0, "")};
}

std::vector<TaskItem> tasks() {
    auto t = [](int id, const char* caption, const char* category, const char* details, bool alert,
                TDateTime when, bool done) {
        TaskItem i;
        i.id = id;
        i.caption = QString::fromUtf8(caption);
        i.category = QString::fromUtf8(category);
        i.details = QString::fromUtf8(details);
        i.needAlert = alert;
        i.when = when;
        i.executed = done;
        return i;
    };
    return {
        t(7, "Позвонить в банк, срочно; спросить про вклад и про карту, и ещё раз про вклад",
          "Работа", "Строка 1\r\nСтрока 2", true, EncodeDateTime(2026, 12, 8, 14, 30, 0, 0), false),
        t(8, "Без даты", "", "", false, 0, true),
        t(9, "Напомнить, но без даты", "Дом", "", true, 0, false),
        t(10, "Сделано", "", "", true, EncodeDateTime(2026, 12, 9, 8, 0, 5, 0), true)};
}

ExportSettings settings(int notifyDays) {
    ExportSettings s;
    s.identity = identity;
    s.notifyDays = notifyDays;
    s.notifyTime = 10.0 / 24.0;
    s.stampSecs = 1765000000;  // 6 December 2025, 05:46:40 UTC
    return s;
}

// The file as Python's reader gives it back.
QJsonObject readByPython(const QByteArray& file) {
    TempDir dir;
    const QString path = dir.file(QStringLiteral("export.ics"));
    WriteFile(path, file);
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(QUILLET_SOURCE_DIR "/tests/ical/dump_ics.py"), path});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << "python3-icalendar (scripts/setup) must be installed: "
                               << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QString field(const QJsonObject& o, const char* name) {
    const QJsonValue v = o.value(QLatin1String(name));
    if (v.isNull() || v.isUndefined()) return QStringLiteral("-");
    if (v.isArray()) {
        QStringList parts;
        for (const QJsonValue& p : v.toArray())
            parts << p.toString();
        return parts.join(u'|');
    }
    return v.isDouble() ? QString::number(v.toInt()) : v.toString();
}

// type uid dtstart dtend due rrule summary description categories status
// transp category; then each alarm: action description trigger related.
QString describe(const QJsonObject& item) {
    QStringList parts;
    for (const char* name : {"type", "uid", "dtstart", "dtend", "due", "rrule", "summary",
                             "description", "categories", "status", "transp", "category"})
        parts << field(item, name);
    for (const QJsonValue& a : item.value(QStringLiteral("alarms")).toArray())
        for (const char* name : {"action", "description", "trigger", "related"})
            parts << field(a.toObject(), name);
    return parts.join(QStringLiteral(" / "));
}

}  // namespace

TEST(IcalExport, AnotherReaderFindsEveryField) {
    const QJsonObject file = readByPython(WriteICalendar(tasks(), events(), settings(3)));
    EXPECT_EQ(field(file, "version"), "2.0");
    EXPECT_EQ(field(file, "prodid"), "-//Quillet//Quillet//RU");
    const QString uid = u'-' + identity + QStringLiteral("@quillet");
    // Three days ahead at 10:00: two days before the day, 14 hours before
    // its start; on the last day of February in years without the 29th.
    const QString notice = QStringLiteral("DISPLAY / %1 / -136800 / START");
    const QStringList expected{
        "VEVENT / event-3" + uid +
            " / 1975-03-08 / 1975-03-09 / - / FREQ=YEARLY / Анна Петрова / Цветы, розы; 5 шт. / "
            "День рождения / - / TRANSPARENT / 3 / " +
            notice.arg("Анна Петрова"),
        "VEVENT / event-4" + uid +
            " / 1980-02-29 / 1980-03-01 / - / BYMONTH=2;BYMONTHDAY=-1;FREQ=YEARLY / Високосный / "
            "- / Радостное событие / - / TRANSPARENT / 1 / " +
            notice.arg("Високосный"),
        "VEVENT / event-5" + uid +
            " / 1604-11-23 / 1604-11-24 / - / FREQ=YEARLY / Без года / Косая \\ черта / "
            "Грустное событие / - / TRANSPARENT / 10 / " +
            notice.arg("Без года"),
        "VEVENT / event-6" + uid +
            " / 2000-01-01 / 2000-01-02 / - / FREQ=YEARLY / - / - /  / - / TRANSPARENT / 0 / " +
            notice.arg("Напоминание"),
        "VTODO / task-7" + uid +
            " / - / - / 2026-12-08T14:30:00 / - / Позвонить в банк, срочно; спросить про вклад и "
            "про карту, и ещё раз про вклад / Строка 1\nСтрока 2 / Работа / NEEDS-ACTION / - / - "
            "/ DISPLAY / Позвонить в банк, срочно; спросить про вклад и про карту, и ещё раз про "
            "вклад / 0 / END",
        "VTODO / task-8" + uid + " / - / - / - / - / Без даты / - /  / COMPLETED / - / -",
        "VTODO / task-9" + uid +
            " / - / - / - / - / Напомнить, но без даты / - / Дом / NEEDS-ACTION / - / -",
        "VTODO / task-10" + uid +
            " / - / - / 2026-12-09T08:00:05 / - / Сделано / - /  / COMPLETED / - / - / DISPLAY / "
            "Сделано / 0 / END",
    };
    const QJsonArray items = file.value(QStringLiteral("items")).toArray();
    ASSERT_EQ(items.size(), expected.size());
    for (int i = 0; i < items.size(); ++i) {
        EXPECT_EQ(describe(items[i].toObject()), expected[i]);
        EXPECT_EQ(field(items[i].toObject(), "dtstamp"), "2025-12-06T05:46:40+00:00");
    }
}

TEST(IcalExport, NoticesComeAtTheCheckOfTheirFirstDay) {
    const struct {
        int days;
        TDateTime time;
        qint64 seconds;
    } cases[] = {{1, 10.0 / 24, 36000},
                 {3, 10.0 / 24, -136800},
                 {1, 0, 0},
                 {2, 23.5 / 24, -1800},
                 {0, 9.5 / 24, 120600}};  // "fewer than 0 days": the day after
    for (const auto& c : cases)
        EXPECT_EQ(EventNoticeOffset(c.days, c.time), c.seconds) << c.days;
}

TEST(IcalExport, TheProgramReadsItsExportBack) {
    const FileItems back = ReadICalendar(WriteICalendar(tasks(), events(), settings(1)));
    std::vector<TaskItem> sentTasks = tasks();
    std::vector<EventItem> sentEvents = events();
    for (TaskItem& t : sentTasks) {
        t.uid = TaskUid(t.id, identity);
        if (t.when == 0) t.needAlert = false;  // a reminder without a date has no moment
    }
    for (EventItem& e : sentEvents) {
        e.uid = EventUid(e.id, identity);
        e.date = DateOf(e.date);  // a time of day the picker left plays no part
    }
    EXPECT_EQ(DescribeAll(back.tasks), DescribeAll(sentTasks));
    EXPECT_EQ(DescribeAll(back.events), DescribeAll(sentEvents));
    EXPECT_EQ(back.withoutDate + back.otherRecords, 0);
}
