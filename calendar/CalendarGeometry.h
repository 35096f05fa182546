// Where the parts of the year calendar lie on its surface, which day lies
// under a point, and how the arrow keys move the selected day. Plain
// functions of the year and the date; the drawing is in CalendarRouts.
#pragma once

#include <QString>
#include <vector>

#include "core/DateTime.h"

// The calendar surface is one fixed size.
constexpr int CalendarWidth = 822;
constexpr int CalendarHeight = 588;

// A rectangle of the surface in pixels; Right and Bottom are exclusive.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    TRect Grown(int n) const { return {Left - n, Top - n, Right + n, Bottom + n}; }
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

// One rectangle per day of the shown year, index 0 = 1 January.
using TDayRects = std::vector<TRect>;

int DaysInYear(int year);  // 366 in a leap year, else 365
// "Январь" .. "Декабрь" for 1..12, an empty string for any other number.
QString GetMonthName(int month);

// The box of month 1..12: three rows of four boxes, 182 x 184 each.
TRect MonthBoxRect(int month);
constexpr int MonthHeaderLine = 26;  // the header's line, below the box top
constexpr int MonthBoxWidth = 182;
// The cell of a date in its month's box: seven weekday rows (Monday on top)
// and up to six week columns.
TRect GetDayRect(TDateTime date);
// The cell rectangle of every day of `year`, 1 January first.
void FillDayRects(int year, TDayRects& rects);

// The weekday labels "Пн" .. "Вс" beside each row of boxes, on both sides.
QString WeekdayLabel(int weekday);  // 1..7
constexpr int WeekdayLabelLeft = 8;
constexpr int WeekdayLabelRight = 796;
int WeekdayLabelTop(int boxRow, int weekday);  // boxRow 0..2

// The day of `year` whose cell, grown by 2 pixels on every side and edges
// included, holds the point; where two grown cells share a pixel the later
// day wins. False when the point lies on no day.
bool GetDayAtPoint(const TDayRects& rects, int year, int x, int y, TDateTime& date);

// The arrow keys of the calendar: a week to the left or right, a day up or
// down; the result stays within the year of `selected` (no wrapping).
enum class CalendarKey { Left, Right, Up, Down, Other };
TDateTime MoveSelection(TDateTime selected, CalendarKey key);
