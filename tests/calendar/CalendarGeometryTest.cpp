// Where the month boxes and day cells lie, which day a point hits, and how
// the arrow keys move the selected day within the year.
#include <gtest/gtest.h>

#include "calendar/CalendarGeometry.h"
#include "core/DateTime.h"
#include "tests/calendar/CalendarDates.h"

TEST(CalendarGeometry, MonthBoxesAndDayCells) {
    EXPECT_EQ(MonthBoxRect(12), (TRect{608, 396, 790, 580}));
    EXPECT_EQ(GetMonthName(9) + GetMonthName(13), "Сентябрь");
    struct Case {
        TDateTime date;
        TRect rect;
        const char* what;
    } cases[] = {
        {D(2026, 1, 1), {38, 105, 63, 122}, "a Thursday in the first column"},
        {D(2026, 1, 5), {67, 42, 92, 59}, "the next Monday starts the second column"},
        {D(2026, 3, 1), {422, 168, 447, 185}, "March 2026 begins on a Sunday"},
        {D(2026, 3, 31), {567, 63, 592, 80}, "its 31st in column 5 at boxLeft + 151"},
        {D(2028, 2, 29), {346, 63, 371, 80}, "29 February of a leap year"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetDayRect(c.date), c.rect) << c.what;
    for (int year : {2026, 2028}) {
        TDayRects rects;
        FillDayRects(year, rects);
        ASSERT_EQ(int(rects.size()), DaysInYear(year));
        for (size_t i = 0; i < rects.size(); ++i)
            ASSERT_EQ(rects[i], GetDayRect(D(year, 1, 1) + double(i))) << year << " day " << i;
        EXPECT_EQ(rects[59], GetDayRect(year == 2028 ? D(2028, 2, 29) : D(2026, 3, 1)));
    }
}

TEST(CalendarGeometry, HitTestGrowsCellsByTwoAndTheLaterDayWins) {
    TDayRects rects;
    FillDayRects(2026, rects);
    // 5 January: cell 67..91 x 42..58; 12 January to its right, 6 below.
    struct Case {
        int x, y;
        TDateTime day;  // 0: none
        const char* what;
    } cases[] = {
        {79, 50, D(2026, 1, 5), "inside"},
        {65, 50, D(2026, 1, 5), "2 px left of the outline"},
        {66, 40, D(2026, 1, 5), "1 px left, 2 px above"},
        {93, 60, D(2026, 1, 5), "right and bottom + 2, edges included"},
        {94, 50, D(2026, 1, 12), "the shared column: the later week"},
        {80, 61, D(2026, 1, 6), "the shared row: the later weekday"},
        {94, 61, D(2026, 1, 13), "the shared corner: the latest of four"},
        {64, 50, 0, "3 px left"},
        {79, 39, 0, "3 px above"},
        {120, 20, 0, "a month header"},
        {12, 50, 0, "a weekday label"},
    };
    for (const Case& c : cases) {
        TDateTime day = 0;
        EXPECT_EQ(GetDayAtPoint(rects, 2026, c.x, c.y, day), c.day != 0) << c.what;
        EXPECT_EQ(day, c.day) << c.what;
    }
    TDateTime day = 0;
    EXPECT_FALSE(GetDayAtPoint({}, 2026, 79, 50, day)) << "before the first paint";
}

TEST(CalendarGeometry, ArrowKeysMoveWithinTheYear) {
    using K = CalendarKey;
    struct Case {
        TDateTime from;
        K key;
        TDateTime to;
    } cases[] = {
        {D(2026, 3, 20), K::Left, D(2026, 3, 13)},   {D(2026, 3, 20), K::Right, D(2026, 3, 27)},
        {D(2026, 3, 20), K::Up, D(2026, 3, 19)},     {D(2026, 3, 20), K::Down, D(2026, 3, 21)},
        {D(2026, 3, 20), K::Other, D(2026, 3, 20)},  {D(2028, 3, 1), K::Up, D(2028, 2, 29)},
        {D(2026, 1, 5), K::Left, D(2026, 1, 1)},     {D(2026, 1, 1), K::Up, D(2026, 1, 1)},
        {D(2026, 12, 31), K::Down, D(2026, 12, 31)}, {D(2026, 12, 28), K::Right, D(2026, 12, 31)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MoveSelection(c.from, c.key), c.to) << int(c.key) << " from " << c.from;
}
