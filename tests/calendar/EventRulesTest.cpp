// The events as the list and the calendar take them (by day and month,
// the last row's kind of a day, texts of odd values) and the new-year
// rules, on in-memory tables.
#include <gtest/gtest.h>

#include "calendar/EventHints.h"
#include "calendar/EventRows.h"
#include "calendar/NewYear.h"
#include "core/DateTime.h"
#include "core/Formats.h"
#include "data/MemTable.h"
#include "tests/calendar/CalendarDates.h"

namespace {

class EventRules : public ::testing::Test {
  protected:
    void SetUp() override {
        SetFormatLocale(QLocale(QLocale::Russian, QLocale::Russia));
        const struct {
            const char* caption;
            TDateTime date;
            Value vid, category;
        } events[] = {{"Лена", D(1975, 3, 8), Value::FromInt(1), Value::FromInt(3)},
                      {"Праздник", D(2001, 3, 8) + 0.5, Value::FromInt(2), Value::FromInt(1)},
                      {"Апрель", D(2001, 4, 8), Value::FromInt(3), Value::FromInt(1)},
                      {"Саша", D(2000, 2, 29), Value::FromInt(7), Value()},
                      {"Февраль", D(1990, 2, 28), Value(), Value::FromInt(-2)}};
        std::vector<std::vector<Value>> rows;
        for (const auto& e : events)
            rows.push_back({Value::FromInt(int(rows.size()) + 1), Value::FromInt(1),
                            Value::FromText(QString::fromUtf8(e.caption)), Value::FromFloat(e.date),
                            e.vid, e.category, Value::FromText("к"),
                            Value::FromText(rows.size() == 1 ? "T" : "F")});
        using F = FieldType;
        t.Load({{"ID", F::Integer},
                {"USER_ID", F::Integer},
                {"CAPTION", F::Text, 100},
                {"DATE", F::DateTime},
                {"VID", F::Integer},
                {"CATEGORY", F::Integer},
                {"COMMENT", F::Text, 200},
                {"NOTIFIED", F::Text, 1, true}},
               std::move(rows));
    }
    TMemTable t{QStringLiteral("BIRTH"), QStringLiteral("ID")};
};

}  // namespace

TEST_F(EventRules, DaysCompareDayAndMonthOnly) {
    struct Case {
        TDateTime day;
        QStringList names;
        std::optional<int> kind;  // what the calendar draws
    } cases[] = {
        {D(2026, 3, 8), {"Лена", "Праздник"}, 2},  // 1975 and 2001; the later row's kind
        {D(2026, 4, 8), {"Апрель"}, 3},
        {D(2026, 2, 28), {"Саша", "Февраль"}, 0},  // 29 February on 28 February
        {D(2028, 2, 28), {"Февраль"}, 0},
        {D(2028, 2, 29), {"Саша"}, 7},
        {D(2026, 3, 9), {}, std::nullopt},
    };
    for (const Case& c : cases) {
        QStringList listed;
        for (const EventRow& r : BuildEventRows(t, true, c.day))
            listed << r.caption;
        EXPECT_EQ(listed, c.names) << c.day;
        EXPECT_EQ(EventNamesOn(t, c.day), c.names) << c.day;
        const int year = YearOf(c.day);
        EXPECT_EQ(EventKindsOfYear(t, year)[size_t(c.day - D(year, 1, 1))], c.kind) << c.day;
    }
    const std::vector<EventRow> all = BuildEventRows(t, false, D(2026, 3, 9));
    ASSERT_EQ(all.size(), 5u) << "all events, table order";
    const EventRow& r = all[3];  // VID 7, CATEGORY NULL
    EXPECT_EQ(QStringList({r.caption, r.date, r.kind, r.category, r.state}),
              QStringList({"Саша", "29.02.2000", "<--->", "", "Будет!"}));
}

TEST_F(EventRules, NewYearAsksWhenTheYearsDifferAndResetsEveryEvent) {
    EXPECT_TRUE(!NewYearDue(2026, 2026) && NewYearDue(2025, 2026) && NewYearDue(2027, 2026));
    EXPECT_EQ(NewYearQuestion(2026),
              "Установить новый 2026 год в календаре и изменить "
              "состояние событий на \"Будет!\"?");
    ResetEventStates(t);
    EXPECT_EQ(t.PendingChanges().size(), 5u) << "one batch, sent once";
    for (int r = 0; r < t.RecordCount(); ++r)
        EXPECT_EQ(t.Cell(r, t.FieldIndex(QStringLiteral("NOTIFIED"))).toText(), "F") << r;
}

TEST_F(EventRules, HintsTellTheYearsThatPassInTheDaysYear) {
    const struct {
        TDateTime day;
        QStringList lines;
    } cases[] = {
        {D(2026, 3, 8), {"Лена — исполняется 51 год", "Праздник — 25 лет со дня события"}},
        {D(2026, 2, 28), {"Саша — 26 лет со дня события", "Февраль — 36 лет со дня события"}},
        {D(2001, 3, 8), {"Лена — исполняется 26 лет", "Праздник"}},  // not a year yet
        {D(2026, 4, 9), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EventHintsOn(t, c.day), c.lines) << c.day;
}
