#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "sync/SyncItems.h"

namespace {

ExportSettings settings() {
    ExportSettings s;
    s.identity = QStringLiteral("db-1");
    s.stampSecs = 1700000000;
    return s;
}

struct TaskCase {
    const char* name;
    TaskItem task;
};

TaskItem task(const char* caption, bool alert, TDateTime when, bool executed, bool notified) {
    TaskItem t;
    t.id = 7;
    t.caption = QString::fromUtf8(caption);
    t.category = QStringLiteral("Дом");
    t.details = QStringLiteral("строка 1\r\nстрока 2");
    t.needAlert = alert;
    t.when = alert ? when : 0;
    t.executed = executed;
    t.notified = notified;
    return t;
}

const TaskCase taskCases[] = {
    {"no_reminder", task("Купить хлеб", false, 0, false, false)},
    {"reminder_pending",
     task("Позвонить", true, EncodeDateTime(2028, 2, 29, 9, 30, 0, 0), false, false)},
    {"reminder_given",
     task("Позвонить", true, EncodeDateTime(2027, 3, 1, 23, 59, 59, 0), false, true)},
    {"done", task("Готово", true, EncodeDateTime(2026, 12, 31, 0, 0, 0, 0), true, true)},
};

class TaskRoundTrip : public testing::TestWithParam<TaskCase> {};

// What goes to the server comes back the same, and hashes the same: a row
// pulled back is not taken for a change.
TEST_P(TaskRoundTrip, SameRowSameHash) {
    const TaskItem& t = GetParam().task;
    const ServerItem back = ReadServerItem(TaskIcs(t, QStringLiteral("u-1"), settings()));
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.kind, ItemKind::Task);
    EXPECT_EQ(back.uid(), QStringLiteral("u-1"));
    EXPECT_EQ(back.task.caption, t.caption);
    EXPECT_EQ(back.task.details, t.details);
    EXPECT_EQ(back.task.needAlert, t.needAlert);
    EXPECT_EQ(back.task.executed, t.executed);
    EXPECT_EQ(back.task.notified, t.notified);
    EXPECT_EQ(back.hash(), TaskHash(t));
}

INSTANTIATE_TEST_SUITE_P(Tasks, TaskRoundTrip, testing::ValuesIn(taskCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct EventCase {
    const char* name;
    int year, month, day, vid;
    bool notified;
};

const EventCase eventCases[] = {
    {"birthday", 1980, 5, 17, 1, false},
    {"leap_day", 2000, 2, 29, 2, true},
    {"no_kind", 2024, 12, 31, 0, false},
};

class EventRoundTrip : public testing::TestWithParam<EventCase> {};

TEST_P(EventRoundTrip, SameRowSameHash) {
    const EventCase& c = GetParam();
    EventItem e;
    e.id = 3;
    e.caption = QStringLiteral("Юбилей Анны");
    e.comment = QStringLiteral("цветы");
    e.date = EncodeDate(c.year, c.month, c.day);
    e.vid = c.vid;
    e.category = 4;
    e.notified = c.notified;
    const ServerItem back = ReadServerItem(EventIcs(e, QStringLiteral("ev"), settings()));
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.kind, ItemKind::Event);
    EXPECT_EQ(back.event.date, e.date);
    EXPECT_EQ(back.event.vid, e.vid);
    EXPECT_EQ(back.event.notified, e.notified);
    EXPECT_EQ(back.hash(), EventHash(e));
}

INSTANTIATE_TEST_SUITE_P(Events, EventRoundTrip, testing::ValuesIn(eventCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SyncItems, HashSeesEveryKeptColumnAndNotTheMilliseconds) {
    const TaskItem base = task("a", true, EncodeDateTime(2027, 1, 1, 10, 0, 0, 0), false, false);
    TaskItem ms = base;
    ms.when = EncodeDateTime(2027, 1, 1, 10, 0, 0, 200);
    EXPECT_EQ(TaskHash(ms), TaskHash(base));
    const std::function<void(TaskItem&)> edits[] = {
        [](TaskItem& t) { t.caption += u'!'; },  [](TaskItem& t) { t.category.clear(); },
        [](TaskItem& t) { t.details.clear(); },  [](TaskItem& t) { t.needAlert = false; },
        [](TaskItem& t) { t.when += 1.0 / 24; }, [](TaskItem& t) { t.executed = true; },
        [](TaskItem& t) { t.notified = true; },
    };
    for (const auto& edit : edits) {
        TaskItem t = base;
        edit(t);
        EXPECT_NE(TaskHash(t), TaskHash(base));
    }
}

TEST(SyncItems, TextsWithoutAnItemAreRefused) {
    for (const char* text : {"", "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n", "garbage"})
        EXPECT_FALSE(ReadServerItem(text).ok) << text;
}

TEST(SyncItems, ConflictMarkStaysWholeInALimitedCaption) {
    EXPECT_EQ(ConflictCaption(QStringLiteral("Встреча")), QStringLiteral("Встреча (конфликт)"));
    const QString cut = ConflictCaption(QString(48, u'x'), 50);
    EXPECT_EQ(cut.size(), 50);
    EXPECT_TRUE(cut.endsWith(QStringLiteral(" (конфликт)")));
}

TEST(SyncItems, ItemAddressEncodesTheUid) {
    EXPECT_EQ(ItemHref(QStringLiteral("/u/cal"), QStringLiteral("task-1-x@quillet")),
              QStringLiteral("/u/cal/task-1-x@quillet.ics"));
    EXPECT_EQ(ItemHref(QStringLiteral("/u/cal/"), QStringLiteral("a b/c")),
              QStringLiteral("/u/cal/a%20b%2Fc.ics"));
}

}  // namespace
