// The year as drawn, pixel by pixel: the dotted month boxes, plain, weekend
// and event cells with every kind marker, today's rings, the selection in
// both styles and erased, small redraws leaving the pixels of a full paint,
// the pixel ratio 2, and the stand-in font fitting its places.
#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "calendar/CalendarRouts.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "tests/calendar/CalendarDates.h"

namespace {

struct Event {
    TDateTime date;
    int vid;
};

class CalendarDraw : public ::testing::Test {
  protected:
    void SetUp() override {
        Clock::Freeze(EncodeDateTime(2026, 12, 8, 10, 0, 0, 0));  // a Tuesday
        ShownYear = 2026;
    }
    void TearDown() override { Clock::Reset(); }

    // The full paint in its order: year, today, selection, events.
    static QImage paint(const std::vector<Event>& events, TDateTime selected, bool focused,
                        qreal dpr = 1) {
        QImage img(QSize(CalendarWidth, CalendarHeight) * dpr, QImage::Format_RGB32);
        img.setDevicePixelRatio(dpr);
        QPainter p(&img);
        TDayRects rects;
        DrawYear(p, 2026, rects);
        DrawToday(p);
        ShowSelectedDay(p, focused, selected);
        for (const Event& e : events)
            MarkEventDay(p, DecodeDate(e.date).day, DecodeDate(e.date).month, e.vid, 2026);
        return img;
    }
    static QRgb px(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }
    // The colour `n` pixels outside a cell on all four sides; 1 when they differ.
    static QRgb ring(const QImage& img, const TRect& r, int n) {
        const int mx = (r.Left + r.Right) / 2, my = (r.Top + r.Bottom) / 2;
        const QRgb c = px(img, mx, r.Top - n);
        const bool same = c == px(img, mx, r.Bottom - 1 + n) && c == px(img, r.Left - n, my) &&
                          c == px(img, r.Right - 1 + n, my);
        return same ? c : 1;
    }
    // Pixels of exactly `rgb` in the place of a cell's number.
    static int inNumber(const QImage& img, const TRect& r, QRgb rgb) {
        int n = 0;
        for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
            for (int x = r.Left + 1; x < r.Left + 18; ++x)
                n += px(img, x, y) == rgb;
        return n;
    }
};

constexpr QRgb Fill = 0xFFFBF0, Green = 0x008000, Lime = 0x00FF00, Blue = 0x0000FF, Grey = 0x808080,
               Red = 0xFF0000, Yellow = 0xFFF09B, Plain = 0xC0DCC0, White = 0xFFFFFF;

}  // namespace

TEST_F(CalendarDraw, BoxesAndCellsWithEveryKindMarker) {
    const QImage img = paint({{D(2026, 1, 10), 1},
                              {D(2026, 1, 14), 2},
                              {D(2026, 1, 15), 3},
                              {D(2026, 1, 16), 0},
                              {D(2026, 1, 19), 7},
                              {D(2026, 1, 20), 1},
                              {D(2026, 1, 20), 2},
                              {D(1975, 3, 8), 1},
                              {D(2000, 2, 29), 3}},
                             D(2026, 6, 1), false);
    // Dotted boxes on white: three pixels on, three off, on round the corner.
    const int dots[][3] = {{31, 8, White}, {32, 8, Plain},  {34, 8, Plain},   {35, 8, Fill},
                           {38, 8, Plain}, {213, 9, Plain}, {213, 10, Fill},  {32, 34, Plain},
                           {35, 34, Fill}, {33, 9, Fill},   {100, 192, White}};
    for (const auto& d : dots)
        EXPECT_EQ(px(img, d[0], d[1]), QRgb(d[2])) << d[0] << "," << d[1];
    struct Case {
        TDateTime day;
        QRgb outline, fill, marker, number;
        const char* what;
    } cases[] = {
        {D(2026, 1, 1), Plain, White, White, Grey, "a Thursday"},
        {D(2026, 1, 3), Plain, White, White, 0xFF3737, "a Saturday"},
        {D(2026, 1, 10), Red, Yellow, 0x78BE69, Red, "a birthday on a Saturday: red number"},
        {D(2026, 1, 14), Red, Yellow, 0xF06950, Red, "a joyful event"},
        {D(2026, 1, 15), Red, Yellow, 0xA5A5B9, Red, "a sad event"},
        {D(2026, 1, 16), Red, Yellow, Yellow, Red, "kind 0: no square"},
        {D(2026, 1, 19), Red, Yellow, Yellow, Red, "kind 7: no square"},
        {D(2026, 1, 20), Red, Yellow, 0xF06950, Red, "two events: the later row's kind"},
        {D(2026, 3, 8), Red, Yellow, 0x78BE69, Red, "8 March 1975 on 8 March"},
        {D(2026, 2, 28), Red, Yellow, 0xA5A5B9, Red, "29 February on 28 February"},
    };
    for (const Case& c : cases) {
        const TRect r = GetDayRect(c.day);
        EXPECT_EQ(px(img, r.Left, r.Top), c.outline) << c.what;
        EXPECT_EQ(px(img, r.Right - 1, r.Bottom - 1), c.outline) << c.what;
        EXPECT_EQ(px(img, r.Right, r.Top), Fill) << c.what << ": right is exclusive";
        EXPECT_EQ(px(img, r.Left + 1, r.Bottom - 2), c.fill) << c.what;
        EXPECT_EQ(px(img, r.Left + 18, r.Top + 2), c.marker) << c.what;
        EXPECT_EQ(px(img, r.Left + 22, r.Top + 6), c.marker) << c.what << ": 5 x 5";
        EXPECT_EQ(px(img, r.Left + 23, r.Top + 7), c.fill) << c.what;
        EXPECT_GE(inNumber(img, r, c.number), 4) << c.what;
        for (QRgb other : {Grey, QRgb(0xFF3737), Red})
            EXPECT_TRUE(other == c.number || inNumber(img, r, other) == 0) << c.what;
    }
}

TEST_F(CalendarDraw, TodayAndSelectionFrames) {
    const TDateTime today = D(2026, 12, 8), other = D(2026, 6, 18);
    struct Case {
        TDateTime selected, at;
        bool focused, erase;
        quint16 shownYear;
        QRgb rings[4];  // 1..4 px outside the cell; 5 is the next cell's outline
        const char* what;
    } cases[] = {
        {other, today, false, false, 2026, {Fill, Green, Green, Lime}, "today"},
        {other, today, false, false, 2027, {Fill, Fill, Fill, Fill}, "another year: none"},
        {other, other, true, false, 2026, {Fill, Blue, Blue, Fill}, "selected, focused"},
        {other, other, false, false, 2026, {Fill, Grey, Fill, Fill}, "not focused"},
        {other, other, true, true, 2026, {Fill, Fill, Fill, Fill}, "erased"},
        {today, today, true, false, 2026, {Fill, Blue, Blue, Lime}, "today selected, focused"},
    };
    for (const Case& c : cases) {
        ShownYear = c.shownYear;
        QImage img = paint({}, c.selected, c.focused);
        if (c.erase) {
            QPainter p(&img);
            EraseSelectFrame(p, GetDayRect(c.selected));
        }
        for (int n = 1; n <= 4; ++n)
            EXPECT_EQ(ring(img, GetDayRect(c.at), n), c.rings[n - 1]) << c.what << ", ring " << n;
    }
}

TEST_F(CalendarDraw, SmallRedrawsLeaveThePixelsOfAFullPaint) {
    const std::vector<Event> events{{D(2026, 12, 14), 2}, {D(2026, 12, 9), 1}};
    // Round today (8 December) and onto an event day; focus lost on today.
    const struct {
        TDateTime from, to;
        bool focusedBefore, focusedAfter;
    } cases[] = {{D(2026, 12, 1), D(2026, 12, 7), true, true},
                 {D(2026, 12, 7), D(2026, 12, 15), true, true},
                 {D(2026, 12, 8), D(2026, 12, 9), true, true},
                 {D(2026, 12, 15), D(2026, 12, 8), true, true},
                 {D(2026, 12, 8), D(2026, 12, 8), true, false}};
    for (const auto& c : cases) {
        QImage img = paint(events, c.from, c.focusedBefore);
        {
            QPainter p(&img);
            if (c.from != c.to) HideSelectedDay(p, c.from);
            ShowSelectedDay(p, c.focusedAfter, c.to);
        }
        EXPECT_TRUE(img == paint(events, c.to, c.focusedAfter)) << c.from << " to " << c.to;
    }
}

TEST_F(CalendarDraw, AtPixelRatioTwoLinesFillWholeLogicalPixels) {
    const QImage img = paint({}, D(2026, 12, 8), true, 2);
    const TRect t = GetDayRect(D(2026, 12, 8));
    const int cases[][3] = {{t.Left - 1, 100, Fill},
                            {t.Left - 2, 100, Blue},
                            {t.Left - 4, 100, Lime},
                            {t.Left, 100, Plain}};
    for (const auto& c : cases)
        for (int d = 0; d < 4; ++d)
            EXPECT_EQ(px(img, 2 * c[0] + d % 2, 2 * (t.Top + 5) + d / 2), QRgb(c[2])) << c[0];
}

TEST_F(CalendarDraw, TheStandInFontFitsEveryPlace) {
    const QFontMetrics month(CalendarFont(12, true)), label(CalendarFont(8, false));
    EXPECT_LE(QFontMetrics(CalendarFont(8, true)).horizontalAdvance(QStringLiteral("28")), 18);
    for (int m = 1; m <= 12; ++m)  // January's shares the header with the year
        EXPECT_LE(month.horizontalAdvance(GetMonthName(m)), m == 1 ? 130 : 178) << m;
    for (int w = 1; w <= 7; ++w)
        EXPECT_LE(label.horizontalAdvance(WeekdayLabel(w)), 23) << "8 to 31, 796 to 821";
    // Every number's ink stays in its cell's 18 pixels, clear of the marker.
    const QImage img = paint({}, D(2026, 6, 1), false);
    for (int d = 1; d <= 31; ++d) {
        const TRect r = GetDayRect(D(2026, 1, d));
        for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
            for (int x = r.Left + 18; x < r.Right - 1; ++x)
                ASSERT_EQ(px(img, x, y), White) << "day " << d << " at " << x << "," << y;
    }
}
