// Where the month boxes and day cells lie, which day a point hits, and how
// the arrow keys move the selected day within the year.
#include <gtest/gtest.h>

#include "calendar/CalendarGeometry.h"

namespace {

TDateTime D(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

}  // namespace

TEST(CalendarGeometry, YearLengthAndMonthNames) {
    EXPECT_EQ(DaysInYear(2026), 365);
    EXPECT_EQ(DaysInYear(2028), 366);
    EXPECT_EQ(DaysInYear(1900), 365);
    EXPECT_EQ(DaysInYear(2000), 366);
    EXPECT_EQ(GetMonthName(1), "Январь");
    EXPECT_EQ(GetMonthName(9), "Сентябрь");
    EXPECT_EQ(GetMonthName(12), "Декабрь");
    EXPECT_EQ(GetMonthName(0), "");
    EXPECT_EQ(GetMonthName(13), "");
}

TEST(CalendarGeometry, MonthBoxesAndDayCells) {
    struct Case {
        int month;
        TRect box;
    } boxes[] = {{1, {32, 8, 214, 192}},
                 {4, {608, 8, 790, 192}},
                 {5, {32, 202, 214, 386}},
                 {12, {608, 396, 790, 580}}};
    for (const Case& c : boxes)
        EXPECT_EQ(MonthBoxRect(c.month), c.box) << c.month;

    struct Cell {
        TDateTime date;
        TRect rect;
        const char* what;
    } cells[] = {
        // Thursday: first week column, fourth row.
        {D(2026, 1, 1), {38, 105, 63, 122}, "1 January 2026"},
        {D(2026, 1, 4), {38, 168, 63, 185}, "the first Sunday"},
        {D(2026, 1, 5), {67, 42, 92, 59}, "the next Monday starts the second column"},
        // March 2026 begins on a Sunday: 31 days in six columns.
        {D(2026, 3, 1), {422, 168, 447, 185}, "a month beginning on Sunday"},
        {D(2026, 3, 31), {567, 63, 592, 80}, "its 31st in column 5 at boxLeft + 151"},
        {D(2028, 2, 29), {346, 63, 371, 80}, "29 February of a leap year"},
        {D(2026, 12, 31), {730, 493, 755, 510}, "31 December"},
    };
    for (const Cell& c : cells)
        EXPECT_EQ(GetDayRect(c.date), c.rect) << c.what;

    for (int year : {2026, 2028}) {
        TDayRects rects;
        FillDayRects(year, rects);
        ASSERT_EQ(int(rects.size()), DaysInYear(year));
        for (size_t i = 0; i < rects.size(); ++i)
            ASSERT_EQ(rects[i], GetDayRect(D(year, 1, 1) + double(i))) << year << " day " << i;
    }
    TDayRects leap;
    FillDayRects(2028, leap);
    EXPECT_EQ(leap[59], GetDayRect(D(2028, 2, 29))) << "29 February is index 59";
    TDayRects plain;
    FillDayRects(2026, plain);
    EXPECT_EQ(plain[59], GetDayRect(D(2026, 3, 1)));
}

TEST(CalendarGeometry, HitTestGrowsCellsByTwoAndTheLaterDayWins) {
    TDayRects rects;
    FillDayRects(2026, rects);
    // 5 January 2026 (Monday): cell 67..91 x 42..58; 12 January to its
    // right at 96, 6 January below at 63.
    struct Case {
        int x, y;
        TDateTime expected;  // 0: no day
        const char* what;
    } cases[] = {
        {79, 50, D(2026, 1, 5), "inside"},
        {65, 50, D(2026, 1, 5), "2 px left of the outline"},
        {66, 40, D(2026, 1, 5), "1 px left, 2 px above"},
        {93, 60, D(2026, 1, 5), "right + 2 and bottom + 2, edges included"},
        {94, 50, D(2026, 1, 12), "the shared column belongs to the later week"},
        {80, 61, D(2026, 1, 6), "the shared row belongs to the later weekday"},
        {94, 61, D(2026, 1, 13), "the shared corner: the latest of four"},
        {64, 50, 0, "3 px left of the first column"},
        {79, 39, 0, "3 px above the top row"},
        {120, 20, 0, "a month header"},
        {12, 50, 0, "a weekday label"},
        {5, 5, 0, "the margin"},
        {821, 587, 0, "the last pixel of the surface"},
        {579, 71, D(2026, 3, 31), "the sixth column"},
    };
    for (const Case& c : cases) {
        TDateTime date = -1;
        const bool found = GetDayAtPoint(rects, 2026, c.x, c.y, date);
        EXPECT_EQ(found, c.expected != 0) << c.what;
        if (found) {
            EXPECT_EQ(date, c.expected) << c.what;
        }
    }
    TDateTime date = -1;
    EXPECT_FALSE(GetDayAtPoint(TDayRects{}, 2026, 79, 50, date)) << "before the first paint";
}

TEST(CalendarGeometry, ArrowKeysMoveWithinTheYear) {
    struct Case {
        TDateTime from;
        CalendarKey key;
        TDateTime to;
        const char* what;
    } cases[] = {
        {D(2026, 3, 20), CalendarKey::Left, D(2026, 3, 13), "a week back"},
        {D(2026, 3, 20), CalendarKey::Right, D(2026, 3, 27), "a week on"},
        {D(2026, 3, 20), CalendarKey::Up, D(2026, 3, 19), "a day back"},
        {D(2026, 3, 20), CalendarKey::Down, D(2026, 3, 21), "a day on"},
        {D(2026, 3, 20), CalendarKey::Other, D(2026, 3, 20), "another key"},
        {D(2028, 3, 1), CalendarKey::Up, D(2028, 2, 29), "into 29 February"},
        {D(2026, 1, 5), CalendarKey::Left, D(2026, 1, 1), "29 December clamps to 1 January"},
        {D(2026, 1, 1), CalendarKey::Up, D(2026, 1, 1), "Up on 1 January"},
        {D(2026, 12, 31), CalendarKey::Down, D(2026, 12, 31), "Down on 31 December"},
        {D(2026, 12, 28), CalendarKey::Right, D(2026, 12, 31), "4 January clamps to 31 December"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MoveSelection(c.from, c.key), c.to) << c.what;
}
