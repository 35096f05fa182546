#include "calendar/CalendarGeometry.h"

#include <algorithm>

int DaysInYear(int year) {
    return IsLeapYear(year) ? 366 : 365;
}

QString GetMonthName(int month) {
    static const char16_t* const names[12] = {u"Январь",   u"Февраль", u"Март",   u"Апрель",
                                              u"Май",      u"Июнь",    u"Июль",   u"Август",
                                              u"Сентябрь", u"Октябрь", u"Ноябрь", u"Декабрь"};
    if (month < 1 || month > 12) return {};
    return QString::fromUtf16(names[month - 1]);
}

TRect MonthBoxRect(int month) {
    const int k = (month - 1) % 4;
    const int r = (month - 1) / 4;
    const int left = 32 + 192 * k;
    const int top = 8 + 194 * r;
    return {left, top, left + MonthBoxWidth, top + 184};
}

namespace {

TRect cellOf(const TRect& box, int day, int weekday, int firstWeekday) {
    const int week = (day + firstWeekday - 2) / 7;
    const int left = box.Left + 6 + 29 * week;
    const int top = box.Top + 34 + 21 * (weekday - 1);
    return {left, top, left + 25, top + 17};
}

}  // namespace

TRect GetDayRect(TDateTime date) {
    const DateParts d = DecodeDate(date);
    const int first = DayOfTheWeek(EncodeDate(d.year, d.month, 1));
    return cellOf(MonthBoxRect(d.month), d.day, DayOfTheWeek(date), first);
}

void FillDayRects(int year, TDayRects& rects) {
    rects.resize(size_t(DaysInYear(year)));
    size_t i = 0;
    for (int m = 1; m <= 12; ++m) {
        const TRect box = MonthBoxRect(m);
        const int first = DayOfTheWeek(EncodeDate(year, m, 1));
        const int days = DaysInAMonth(year, m);
        for (int d = 1; d <= days; ++d)
            rects[i++] = cellOf(box, d, (first + d - 2) % 7 + 1, first);
    }
}

QString WeekdayLabel(int weekday) {
    static const char16_t* const labels[7] = {u"Пн", u"Вт", u"Ср", u"Чт", u"Пт", u"Сб", u"Вс"};
    if (weekday < 1 || weekday > 7) return {};
    return QString::fromUtf16(labels[weekday - 1]);
}

int WeekdayLabelTop(int boxRow, int weekday) {
    return 8 + 194 * boxRow + 36 + 21 * (weekday - 1);
}

bool GetDayAtPoint(const TDayRects& rects, int year, int x, int y, TDateTime& date) {
    // From the end: the last match is the one that counts.
    for (size_t i = rects.size(); i-- > 0;) {
        const TRect& r = rects[i];
        if (x >= r.Left - 2 && x <= r.Right + 2 && y >= r.Top - 2 && y <= r.Bottom + 2) {
            date = EncodeDate(year, 1, 1) + double(i);
            return true;
        }
    }
    return false;
}

TDateTime MoveSelection(TDateTime selected, CalendarKey key) {
    const TDateTime day = DateOf(selected);
    const int year = YearOf(day);
    int step = 0;
    switch (key) {
        case CalendarKey::Left:
            step = -7;
            break;
        case CalendarKey::Right:
            step = 7;
            break;
        case CalendarKey::Up:
            step = -1;
            break;
        case CalendarKey::Down:
            step = 1;
            break;
        case CalendarKey::Other:
            break;
    }
    return std::clamp(day + step, EncodeDate(year, 1, 1), EncodeDate(year, 12, 31));
}
