// The year as drawn, pixel by pixel: the month boxes, plain, weekend and
// event cells with every kind marker, today's rings, the selection frame
// in both styles and erased, small redraws that leave the same pixels as a
// full paint, the pixel ratio 2, and the desktop font fitting its places.
#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "calendar/CalendarRouts.h"

namespace {

TDateTime D(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

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
        for (const Event& e : events) {
            const DateParts d = DecodeDate(e.date);
            MarkEventDay(p, d.day, d.month, e.vid, 2026);
        }
        return img;
    }
    static QRgb px(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }
    // The colour of the frame `n` pixels outside a cell, read at the middle
    // of each side; "mixed" when the sides differ.
    static QRgb ring(const QImage& img, const TRect& r, int n) {
        const int mx = (r.Left + r.Right) / 2, my = (r.Top + r.Bottom) / 2;
        const QRgb top = px(img, mx, r.Top - n), bottom = px(img, mx, r.Bottom - 1 + n),
                   left = px(img, r.Left - n, my), right = px(img, r.Right - 1 + n, my);
        return top == bottom && top == left && top == right ? top : 0xDEAD;
    }
    // Pixels of exactly `rgb` in the number's place of a cell.
    static int inNumber(const QImage& img, const TRect& r, QRgb rgb) {
        int n = 0;
        for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
            for (int x = r.Left + 1; x < r.Left + 18; ++x)
                n += px(img, x, y) == rgb;
        return n;
    }
};

}  // namespace

TEST_F(CalendarDraw, MonthBoxesAreDottedOnWhite) {
    const QImage img = paint({}, D(2026, 1, 1), false);
    struct Case {
        int x, y;
        QRgb rgb;
        const char* what;
    } cases[] = {
        {0, 0, 0xFFFFFF, "the margin"},
        {31, 8, 0xFFFFFF, "left of January's box"},
        {218, 100, 0xFFFFFF, "the gap between boxes"},
        {100, 192, 0xFFFFFF, "below the box (bottom exclusive)"},
        {32, 8, 0xC0DCC0, "the box's first dot"},
        {34, 8, 0xC0DCC0, "three pixels on"},
        {35, 8, 0xFFFBF0, "three off, in the fill"},
        {38, 8, 0xC0DCC0, "the next dot"},
        {213, 9, 0xC0DCC0, "the pattern goes on round the corner"},
        {213, 10, 0xFFFBF0, ""},
        {33, 9, 0xFFFBF0, "the box's fill"},
        {32, 34, 0xC0DCC0, "the header line"},
        {35, 34, 0xFFFBF0, ""},
        {38, 34, 0xC0DCC0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(px(img, c.x, c.y), c.rgb) << c.x << "," << c.y << " " << c.what;
}

TEST_F(CalendarDraw, PlainWeekendAndEventCells) {
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
    constexpr QRgb plain = 0xC0DCC0, white = 0xFFFFFF, red = 0xFF0000, yellow = 0xFFF09B;
    struct Case {
        TDateTime day;
        QRgb outline, fill, marker, number;
        const char* what;
    } cases[] = {
        {D(2026, 1, 1), plain, white, white, 0x808080, "a Thursday"},
        {D(2026, 1, 3), plain, white, white, 0xFF3737, "a Saturday"},
        {D(2026, 1, 4), plain, white, white, 0xFF3737, "a Sunday"},
        {D(2026, 1, 10), red, yellow, 0x78BE69, red, "a birthday on a Saturday: red number"},
        {D(2026, 1, 14), red, yellow, 0xF06950, red, "a joyful event"},
        {D(2026, 1, 15), red, yellow, 0xA5A5B9, red, "a sad event"},
        {D(2026, 1, 16), red, yellow, yellow, red, "kind 0: no square"},
        {D(2026, 1, 19), red, yellow, yellow, red, "kind 7: no square"},
        {D(2026, 1, 20), red, yellow, 0xF06950, red, "two events: the later row's kind"},
        {D(2026, 3, 8), red, yellow, 0x78BE69, red, "8 March 1975 on 8 March of the year"},
        {D(2026, 2, 28), red, yellow, 0xA5A5B9, red, "29 February on 28 February"},
    };
    for (const Case& c : cases) {
        const TRect r = GetDayRect(c.day);
        EXPECT_EQ(px(img, r.Left, r.Top), c.outline) << c.what;
        EXPECT_EQ(px(img, r.Right - 1, r.Bottom - 1), c.outline) << c.what;
        EXPECT_EQ(px(img, r.Left, r.Bottom - 1), c.outline) << c.what;
        EXPECT_EQ(px(img, r.Left + 1, r.Top + 1), c.fill) << c.what;
        EXPECT_EQ(px(img, r.Right - 2, r.Bottom - 2), c.fill) << c.what;
        EXPECT_EQ(px(img, r.Right, r.Top), 0xFFFBF0u) << c.what << ": right is exclusive";
        for (int y = r.Top + 2; y < r.Top + 7; ++y) {
            for (int x = r.Left + 18; x < r.Left + 23; ++x)
                ASSERT_EQ(px(img, x, y), c.marker) << c.what << " marker at " << x << "," << y;
        }
        EXPECT_EQ(px(img, r.Left + 23, r.Top + 4), c.fill) << c.what << ": a 5 x 5 square";
        EXPECT_GE(inNumber(img, r, c.number), 4) << c.what;
        for (QRgb other : {0x808080u, 0xFF3737u, 0xFF0000u}) {
            if (other == c.number) continue;
            EXPECT_EQ(inNumber(img, r, other), 0) << c.what;
        }
    }
}

TEST_F(CalendarDraw, TodayAndSelectionFrames) {
    const TDateTime today = D(2026, 12, 8), other = D(2026, 6, 18);
    constexpr QRgb fill = 0xFFFBF0, green = 0x008000, lime = 0x00FF00, blue = 0x0000FF,
                   grey = 0x808080;
    struct Case {
        TDateTime selected;
        bool focused;
        bool erase;
        quint16 shownYear;
        TDateTime at;
        QRgb rings[4];  // 1 to 4 pixels outside the cell (5 is the next cell's outline)
        const char* what;
    } cases[] = {
        {other, false, false, 2026, today, {fill, green, green, lime}, "today"},
        {other, false, false, 2027, today, {fill, fill, fill, fill}, "another year: none"},
        {other, true, false, 2026, other, {fill, blue, blue, fill}, "selected, focused"},
        {other, false, false, 2026, other, {fill, grey, fill, fill}, "not focused"},
        {other, true, true, 2026, other, {fill, fill, fill, fill}, "erased"},
        {today, true, false, 2026, today, {fill, blue, blue, lime}, "today selected"},
        {today, false, false, 2026, today, {fill, grey, fill, lime}, "today selected, not focused"},
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
    struct Case {
        TDateTime from, to;
        bool focusedBefore, focusedAfter;
        const char* what;
    } cases[] = {
        {D(2026, 12, 1), D(2026, 12, 7), true, true, "onto the day above today"},
        {D(2026, 12, 7), D(2026, 12, 15), true, true, "from beside today to beside it"},
        {D(2026, 12, 8), D(2026, 12, 9), true, true, "off today onto an event day"},
        {D(2026, 12, 15), D(2026, 12, 8), true, true, "onto today"},
        {D(2026, 12, 8), D(2026, 12, 8), true, false, "focus lost on today"},
        {D(2026, 3, 3), D(2026, 3, 3), false, true, "focus gained"},
    };
    for (const Case& c : cases) {
        QImage img = paint(events, c.from, c.focusedBefore);
        {
            QPainter p(&img);
            if (c.from != c.to) HideSelectedDay(p, c.from);
            ShowSelectedDay(p, c.focusedAfter, c.to);
        }
        EXPECT_TRUE(img == paint(events, c.to, c.focusedAfter)) << c.what;
    }
}

TEST_F(CalendarDraw, AtPixelRatioTwoLinesFillWholeLogicalPixels) {
    const QImage img = paint({{D(2026, 1, 14), 2}}, D(2026, 12, 8), true, 2);
    ASSERT_EQ(img.size(), QSize(1644, 1176));
    const TRect today = GetDayRect(D(2026, 12, 8)), event = GetDayRect(D(2026, 1, 14));
    struct Case {
        int x, y;
        QRgb rgb;
        const char* what;
    } cases[] = {
        {today.Left - 1, today.Top + 5, 0xFFFBF0, "no ring at 1"},
        {today.Left - 2, today.Top + 5, 0x0000FF, "the selection's inner ring"},
        {today.Left - 3, today.Top + 5, 0x0000FF, "its outer ring"},
        {today.Left - 4, today.Top + 5, 0x00FF00, "today's outer ring"},
        {event.Left, event.Top + 10, 0xFF0000, "the event's outline"},
        {event.Left + 1, event.Top + 10, 0xFFF09B, "its fill"},
        {event.Left + 18, event.Top + 2, 0xF06950, "its marker"},
        {32, 8, 0xC0DCC0, "a dot of the box"},
        {35, 8, 0xFFFBF0, "a gap"},
    };
    for (const Case& c : cases)
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                EXPECT_EQ(px(img, 2 * c.x + dx, 2 * c.y + dy), c.rgb) << c.what;
}

TEST_F(CalendarDraw, TheStandInFontFitsEveryPlace) {
    const QFontMetrics day(CalendarFont(8, true)), label(CalendarFont(8, false)),
        year(CalendarFont(9, true)), month(CalendarFont(12, true));
    EXPECT_LE(day.horizontalAdvance(QStringLiteral("28")), 18) << "8 pt bold 28 in 18 px";
    EXPECT_LE(day.height(), 14) << "a number stays inside its cell";
    EXPECT_LE(month.height(), 23) << "a month name stays above the header line";
    // January's name is centred right of the year and clear of it.
    EXPECT_LE(
        month.horizontalAdvance(GetMonthName(1)) + year.horizontalAdvance(QStringLiteral("2026")),
        170);
    for (int m = 2; m <= 12; ++m)
        EXPECT_LE(month.horizontalAdvance(GetMonthName(m)), 178) << GetMonthName(m).toStdString();
    for (int w = 1; w <= 7; ++w) {
        EXPECT_LE(WeekdayLabelLeft + label.horizontalAdvance(WeekdayLabel(w)), 31);
        EXPECT_LE(WeekdayLabelRight + label.horizontalAdvance(WeekdayLabel(w)), CalendarWidth);
    }

    // Every number's ink stays in its 18 pixels, clear of the marker.
    const QImage img = paint({}, D(2026, 6, 1), false);
    for (int d = 1; d <= 31; ++d) {
        const TRect r = GetDayRect(D(2026, 1, d));
        for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
            for (int x = r.Left + 18; x < r.Right - 1; ++x)
                ASSERT_EQ(px(img, x, y), 0xFFFFFFu) << "day " << d << " at " << x << "," << y;
    }
    // The labels keep to the margins, the month names to their boxes.
    for (int y = 0; y < CalendarHeight; ++y) {
        for (int x = 0; x < WeekdayLabelLeft; ++x)
            ASSERT_EQ(px(img, x, y), 0xFFFFFFu) << x << "," << y;
        for (int x = 790; x < WeekdayLabelRight; ++x)
            ASSERT_EQ(px(img, x, y), 0xFFFFFFu) << x << "," << y;
    }
}

TEST_F(CalendarDraw, LegendShowsEightSamples) {
    QSize size;
    SetLegendSize(size);
    EXPECT_EQ(size.width(),
              QFontMetrics(CalendarFont(8, false)).horizontalAdvance(QString(32, u'*')) + 55);
    EXPECT_EQ(size.height(), 240);
    QImage img(size, QImage::Format_RGB32);
    {
        QPainter p(&img);
        DrawLegend(p);
    }
    auto sample = [](int i) { return TRect{10, 10 + 29 * i, 35, 27 + 29 * i}; };
    EXPECT_EQ(px(img, size.width() - 1, size.height() - 1), 0xFFFBF0u);
    EXPECT_EQ(px(img, 10, 10), 0xC0DCC0u) << "a plain day";
    EXPECT_GT(inNumber(img, sample(1), 0xFF3737), 0) << "a day off";
    const QRgb markers[4] = {0x78BE69, 0xF06950, 0xA5A5B9, 0xFFF09B};
    for (int i = 2; i <= 5; ++i) {
        EXPECT_EQ(px(img, 10, sample(i).Top), 0xFF0000u) << i;
        EXPECT_EQ(px(img, 30, sample(i).Top + 4), markers[i - 2]) << i;
    }
    EXPECT_EQ(ring(img, sample(6), 4), 0x00FF00u) << "today";
    EXPECT_EQ(ring(img, sample(6), 1), 0xFFFBF0u) << "around an empty sample";
    EXPECT_EQ(ring(img, sample(7), 3), 0x0000FFu) << "the selected day";
    int ink = 0;
    for (int y = sample(0).Top; y < sample(0).Bottom; ++y)
        for (int x = 45; x < size.width(); ++x)
            ink += qGray(px(img, x, y)) < 64;
    EXPECT_GT(ink, 5) << "the labels in black";
}
