// Which task and which events are due, on in-memory tables.
#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "data/MemTable.h"
#include "remind/DueRules.h"

namespace {

const TDateTime kNow = EncodeDateTime(2026, 12, 8, 14, 37, 52, 0);

// A flag as another tool may have stored it; nullptr is NULL.
Value flag(const char* text) {
    return text ? Value::FromText(QString::fromLatin1(text)) : Value();
}

struct TaskRow {
    const char* alert;
    const char* notified;
    const char* done;
    TDateTime when;
};

TMemTable tasks(std::initializer_list<TaskRow> rows) {
    TMemTable t{"TASK", "ID", "DATETIME"};
    std::vector<std::vector<Value>> values;
    int id = 0;
    for (const TaskRow& r : rows)
        values.push_back({Value::FromInt(++id), flag(r.alert), flag(r.notified), flag(r.done),
                          Value::FromFloat(r.when)});
    t.Load({{"ID", FieldType::Integer},
            {"NEEDALERT", FieldType::Text, 1},
            {"NOTIFIED", FieldType::Text, 1},
            {"EXECUTED", FieldType::Text, 1},
            {"DATETIME", FieldType::DateTime}},
           std::move(values));
    return t;
}

TEST(FindDueTask, OneTaskByItsFlagsAndMoment) {
    const TDateTime before = AddMs(kNow, -1), after = AddMs(kNow, 1);
    const struct {
        TaskRow row;
        bool due;
    } cases[] = {
        {{"T", "F", "F", before}, true},
        {{"T", "F", "F", kNow}, true},
        {{"T", "F", "F", after}, false},
        {{"F", "F", "F", before}, false},
        {{"T", "T", "F", before}, false},
        {{"T", "F", "T", before}, false},
        {{"T", "T", "T", before}, false},
        {{"F", "T", "F", before}, false},
        {{"F", "F", "T", before}, false},
        {{"F", "T", "T", before}, false},
        // No date with a reminder: due at once.
        {{"T", "F", "F", 0}, true},
        // Flags written by other tools: Y asks, y is raised, t is done,
        // NULL and other letters are false.
        {{"Y", "F", "F", before}, true},
        {{"y", "N", nullptr, before}, true},
        {{"T", "y", "F", before}, false},
        {{"T", "F", "t", before}, false},
        {{nullptr, "F", "F", before}, false},
        {{"N", "F", "F", before}, false},
        {{"", "F", "F", before}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.row.alert << c.row.notified << c.row.done << " at " << c.row.when);
        EXPECT_EQ(FindDueTask(tasks({c.row}), kNow), c.due ? 0 : -1);
    }
}

TEST(FindDueTask, EarliestFirstAndNoSearchPastAReminderAhead) {
    // In the table's order: undated, done, due, due, ahead, ahead.
    const TMemTable t = tasks({{"F", "F", "F", 0},
                               {"T", "F", "T", AddMs(kNow, -9000)},
                               {"T", "F", "F", AddMs(kNow, -5000)},
                               {"T", "F", "F", AddMs(kNow, -10)},
                               {"T", "F", "F", AddMs(kNow, 60000)},
                               {"T", "F", "F", AddMs(kNow, 120000)}});
    EXPECT_EQ(FindDueTask(t, kNow), 2);
    const TMemTable raised =
        tasks({{"T", "T", "F", AddMs(kNow, -5000)}, {"T", "F", "F", AddMs(kNow, 60000)}});
    EXPECT_EQ(FindDueTask(raised, kNow), -1);
    EXPECT_EQ(FindDueTask(TMemTable{"TASK", "ID"}, kNow), -1) << "a closed table";
}

struct EventRow {
    TDateTime date;
    bool notified;
};

TMemTable events(std::initializer_list<EventRow> rows) {
    TMemTable b{"BIRTH", "ID"};
    std::vector<std::vector<Value>> values;
    int id = 0;
    for (const EventRow& r : rows)
        values.push_back({Value::FromInt(++id), Value::FromFloat(r.date),
                          Value::FromText(FlagText(r.notified))});
    b.Load({{"ID", FieldType::Integer},
            {"DATE", FieldType::DateTime},
            {"NOTIFIED", FieldType::Text, 1}},
           std::move(values));
    return b;
}

TEST(FindDueEvent, OneEventByLeadNoticeTimeAndState) {
    const TDateTime ten = EncodeTime(10, 0, 0, 0);
    const TDateTime today = EncodeDateTime(2026, 12, 8, 10, 0, 0, 0);  // a Tuesday
    const struct {
        const char* name;
        TDateTime date;
        bool notified;
        TDateTime now;
        int days;
        TDateTime notice;
        bool due;
    } cases[] = {
        {"today at the notice time", EncodeDate(1975, 12, 8), false, today, 1, ten, true},
        {"a millisecond before it", EncodeDate(1975, 12, 8), false, AddMs(today, -1), 1, ten,
         false},
        {"already announced", EncodeDate(1975, 12, 8), true, today, 1, ten, false},
        {"tomorrow, lead 1", EncodeDate(1990, 12, 9), false, today, 1, ten, false},
        {"tomorrow, lead 3", EncodeDate(1990, 12, 9), false, today, 3, ten, true},
        {"two days ahead, lead 3", EncodeDate(2001, 12, 10), false, today, 3, ten, true},
        {"three days ahead, lead 3", EncodeDate(2001, 12, 11), false, today, 3, ten, false},
        {"passed in spring", EncodeDate(1975, 3, 8), false, today, 1, ten, true},
        {"lead 0: never ahead", EncodeDate(1975, 12, 8), false, today, 0, ten, false},
        {"lead 0, passed", EncodeDate(1975, 12, 7), false, today, 0, ten, true},
        {"later notice time, before it", EncodeDate(2001, 12, 11), false,
         EncodeDateTime(2026, 12, 9, 20, 29, 59, 999), 4, EncodeTime(20, 30, 0, 0), false},
        {"later notice time, reached", EncodeDate(2001, 12, 11), false,
         EncodeDateTime(2026, 12, 9, 20, 30, 0, 0), 4, EncodeTime(20, 30, 0, 0), true},
        {"stored time of day plays no part", EncodeDateTime(1975, 12, 8, 23, 0, 0, 0), false, today,
         1, ten, true},
        {"29 February on the 28th of a common year", EncodeDate(1980, 2, 29), false,
         EncodeDateTime(2026, 2, 28, 12, 0, 0, 0), 1, ten, true},
        {"29 February, the 27th", EncodeDate(1980, 2, 29), false,
         EncodeDateTime(2026, 2, 27, 12, 0, 0, 0), 1, ten, false},
        {"29 February in a leap year, the 28th", EncodeDate(1980, 2, 29), false,
         EncodeDateTime(2028, 2, 28, 12, 0, 0, 0), 1, ten, false},
        {"29 February in a leap year, the 29th", EncodeDate(1980, 2, 29), false,
         EncodeDateTime(2028, 2, 29, 12, 0, 0, 0), 1, ten, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindDueEvent(events({{c.date, c.notified}}), 0, c.now, c.days, c.notice),
                  c.due ? 0 : -1)
            << c.name;
}

TEST(FindDueEvent, FromARowOnAndNothingBeforeTheNoticeTime) {
    const TMemTable b = events({{EncodeDate(1990, 12, 9), false},
                                {EncodeDate(1975, 12, 8), false},
                                {EncodeDate(1980, 12, 8), true},
                                {EncodeDate(1975, 3, 8), false}});
    const TDateTime ten = EncodeTime(10, 0, 0, 0);
    const TDateTime at = EncodeDateTime(2026, 12, 8, 10, 0, 0, 0);
    EXPECT_EQ(FindDueEvent(b, 0, at, 1, ten), 1);
    EXPECT_EQ(FindDueEvent(b, 2, at, 1, ten), 3);
    EXPECT_EQ(FindDueEvent(b, 4, at, 1, ten), -1);
    EXPECT_EQ(FindDueEvent(b, 0, AddMs(at, -1), 1, ten), -1);
}

}  // namespace
