// What an import adds and what it tells: records already there are
// skipped, texts fitted to the code page, nothing past announced; the
// summary in Russian plural forms.
#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/EventDates.h"
#include "ical/ImportPlan.h"
#include "tests/ical/IcalTestSupport.h"

namespace {

const TDateTime now = EncodeDateTime(2026, 12, 8, 14, 37, 52, 0);

TaskItem task(const char* caption, const char* uid, TDateTime when = 0) {
    TaskItem t;
    t.caption = QString::fromUtf8(caption);
    t.uid = QString::fromUtf8(uid);
    t.needAlert = when != 0;
    t.when = when;
    return t;
}

EventItem event(const char* caption, const char* uid, TDateTime date) {
    EventItem e;
    e.caption = QString::fromUtf8(caption);
    e.uid = QString::fromUtf8(uid);
    e.date = date;
    return e;
}

}  // namespace

TEST(ImportPlan, SkipsWhatIsThereAndSetsTheStates) {
    FileItems file;
    file.tasks = {task("Было", "known-task"),
                  task("Новое", "t1", now + 1.0 / 24),
                  task("Прошло", "t2", now - 1.0 / 24),
                  task("Повтор", "t1"),
                  task("Своё", "task-7-ours@quillet"),
                  task("Своё удалённое", "task-8-ours@quillet"),
                  task("Чужое", "task-7-theirs@quillet"),
                  task("Café 🎂", "")};
    file.events = {event("Прошёл", "e1", EncodeDate(1975, 3, 8)),
                   event("Сегодня", "e2", EncodeDate(1975, 12, 8)),
                   event("Будет", "e3", EncodeDate(YearUnknown, 12, 9)),
                   event("Своё", "event-7-ours@quillet", EncodeDate(1990, 1, 1)),
                   event("Без UID", "", EncodeDate(1990, 1, 2)),
                   event("Без UID", "", EncodeDate(1990, 1, 2))};
    file.withoutDate = 2;
    file.otherRecords = 1;
    KnownRecords known;
    known.importedKeys = {ImportKey(task("Было", "known-task"))};
    known.identity = QStringLiteral("ours");
    known.taskIds = {7};
    known.eventIds = {7};
    const ImportPlan plan = PlanImport(file, known, now);
    EXPECT_EQ(DescribeAll(plan.tasks),
              QStringList({"Новое |  |  | 08.12.2026 15:37:52 | open | t1",
                           "Прошло |  |  | 08.12.2026 13:37:52 | open notified | t2",
                           "Своё удалённое |  |  | - | open | task-8-ours@quillet",
                           "Чужое |  |  | - | open | task-7-theirs@quillet",
                           "Cafe ? |  |  | - | open | "}));
    EXPECT_EQ(
        DescribeAll(plan.events),
        QStringList({"Прошёл | 08.03.1975 | 0 | 1 |  notified | e1",
                     "Сегодня | 08.12.1975 | 0 | 1 |  | e2", "Будет | 09.12.1604 | 0 | 1 |  | e3",
                     "Без UID | 02.01.1990 | 0 | 1 |  notified | "}));
    // A known key, a repeat, our own task and event, a repeat without a UID.
    EXPECT_EQ(plan.alreadyThere, 5);
    EXPECT_EQ(plan.textsChanged, 1);
    ASSERT_EQ(plan.keys.size(), plan.tasks.size() + plan.events.size());
    EXPECT_EQ(plan.keys[0], ImportKey(task("Другое имя", "t1"))) << "the UID decides";
    EXPECT_EQ(plan.keys[4], ImportKey(task("Café 🎂", ""))) << "without one, the content as read";
    EXPECT_NE(plan.keys[4], ImportKey(task("Café", "")));
    EXPECT_EQ(ImportSummary(plan, true),
              "Добавлено: 5 заданий, 4 события; пропущено: 5 — уже есть, 2 — без даты, 1 — не "
              "задания и не события.\nВ 1 записи знаки, которых нет в кодировке Windows-1251, "
              "заменены похожими или знаком «?».");

    // Imported once, the same file adds nothing.
    for (quint64 k : plan.keys)
        known.importedKeys.insert(k);
    const ImportPlan again = PlanImport(file, known, now);
    EXPECT_TRUE(again.tasks.empty() && again.events.empty());
    EXPECT_EQ(again.alreadyThere, 14);
}

TEST(ImportPlan, SummariesCountInRussian) {
    const struct {
        size_t tasks, events;
        int there;
        const char* text;
    } cases[] = {
        {12, 40, 3, "Добавлено: 12 заданий, 40 событий; пропущено: 3 — уже есть."},
        {1, 1, 0, "Добавлено: 1 задание, 1 событие."},
        {2, 3, 0, "Добавлено: 2 задания, 3 события."},
        {21, 11, 0, "Добавлено: 21 задание, 11 событий."},
        {0, 0, 52, "Добавлено: 0 заданий, 0 событий; пропущено: 52 — уже есть."},
    };
    for (const auto& c : cases) {
        ImportPlan plan;
        plan.tasks.resize(c.tasks);
        plan.events.resize(c.events);
        plan.alreadyThere = c.there;
        EXPECT_EQ(ImportSummary(plan, true), QString::fromUtf8(c.text));
    }
    ImportPlan plan;
    plan.events.resize(4);
    plan.textsChanged = 3;
    EXPECT_EQ(ImportSummary(plan, false),
              "Будет добавлено: 0 заданий, 4 события.\nВ 3 записях знаки, которых нет в "
              "кодировке Windows-1251, заменены похожими или знаком «?».");
}

TEST(ImportPlan, ContactsGiveBirthdaysAndAnniversaries) {
    std::vector<VCardContact> contacts(3);
    contacts[0].fullName = QStringLiteral("Анна Петрова");
    contacts[0].uid = QStringLiteral("urn:uuid:1");
    contacts[0].birthday = VCardDate{0, 3, 8};
    contacts[0].anniversary = VCardDate{2005, 9, 17};
    contacts[1].fullName = QStringLiteral("Сантехник");
    contacts[2].fullName = QStringLiteral("Олег");
    contacts[2].birthday = VCardDate{1980, 2, 29};
    const FileItems items = ContactEvents(contacts);
    EXPECT_EQ(DescribeAll(items.events),
              QStringList({"Анна Петрова | 08.03.1604 | 1 | 1 |  | urn:uuid:1#bday",
                           "Анна Петрова | 17.09.2005 | 2 | 1 |  | urn:uuid:1#anniversary",
                           "Олег | 29.02.1980 | 1 | 1 |  | "}));
    EXPECT_TRUE(items.tasks.empty());
    EXPECT_EQ(items.withoutDate, 1);
}
