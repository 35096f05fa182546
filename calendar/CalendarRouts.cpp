#include "calendar/CalendarRouts.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStaticText>
#include <memory>

#include "core/Clock.h"
#include "core/EventDates.h"
#include "data/Records.h"

quint16 CalendarYear = 0;
TDateTime SelectedDate = 0;
bool CalendarFocused = false;
TDayRects DayRects;
bool DayListMode = false;
quint16 ShownYear = 0;

namespace {

constexpr QRgb BoxPen = 0xC0DCC0;
constexpr QRgb BoxFill = 0xFFFBF0;
constexpr QRgb HeaderText = 0x800000;
constexpr QRgb DayPen = 0xC0DCC0;
constexpr QRgb DayFill = 0xFFFFFF;
constexpr QRgb WorkdayText = 0x808080;
constexpr QRgb WeekendText = 0xFF3737;
constexpr QRgb EventPen = 0xFF0000;
constexpr QRgb EventFill = 0xFFF09B;
constexpr QRgb EventText = 0xFF0000;
constexpr QRgb TodayInner = 0x008000;
constexpr QRgb TodayOuter = 0x00FF00;
constexpr QRgb SelectFocused = 0x0000FF;
constexpr QRgb SelectUnfocused = 0x808080;

QColor colour(QRgb rgb) {
    return QColor::fromRgb(rgb | 0xFF000000u);
}

// The fonts of the calendar and the day numbers laid out once; they go
// with the application (fonts cannot outlive it).
struct Fonts {
    QFont day = CalendarFont(8, true);
    QFont label = CalendarFont(8, false);
    QFont year = CalendarFont(9, true);
    QFont month = CalendarFont(12, true);
    QFontMetrics dayMetrics{day}, labelMetrics{label}, yearMetrics{year}, monthMetrics{month};
    QStaticText numbers[32];
    int numberWidths[32] = {};

    Fonts() {
        for (int n = 1; n <= 31; ++n) {
            numbers[n].setText(QString::number(n));
            numbers[n].setTextFormat(Qt::PlainText);
            numbers[n].setPerformanceHint(QStaticText::AggressiveCaching);
            numbers[n].prepare(QTransform(), day);
            numberWidths[n] = dayMetrics.horizontalAdvance(QString::number(n));
        }
    }
};

std::unique_ptr<Fonts>& fontsSlot() {
    static std::unique_ptr<Fonts> f;
    return f;
}

const Fonts& fonts() {
    auto& f = fontsSlot();
    if (!f) {
        f = std::make_unique<Fonts>();
        qAddPostRoutine([] { fontsSlot().reset(); });
    }
    return *f;
}

void setFont(QPainter& p, const QFont& font) {
    // Setting the same font again costs as much as a new one.
    if (&p.font() != &font && !(p.font() == font)) p.setFont(font);
}

// Text with its top-left corner at (x, y).
void text(QPainter& p, int x, int y, const QString& s, const QFont& font,
          const QFontMetrics& metrics, QRgb rgb) {
    setFont(p, font);
    p.setPen(colour(rgb));
    p.drawText(x, y + metrics.ascent(), s);
}

// A one-pixel frame along the outermost pixels of `r`.
void frame(QPainter& p, const TRect& r, QRgb rgb) {
    const QColor c = colour(rgb);
    p.fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    p.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    p.fillRect(QRect(r.Left, r.Top + 1, 1, r.Height() - 2), c);
    p.fillRect(QRect(r.Right - 1, r.Top + 1, 1, r.Height() - 2), c);
}

// A rectangle: one-pixel outline in `pen`, the interior in `fill`.
void rectangle(QPainter& p, const TRect& r, QRgb pen, QRgb fill) {
    p.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), colour(pen));
    p.fillRect(QRect(r.Left + 1, r.Top + 1, r.Width() - 2, r.Height() - 2), colour(fill));
}

// The dotted pen: runs of three pixels on, three off, from the first pixel
// of the line on. Walks `length` pixels from (x, y) by (dx, dy), going on
// with the pattern at `phase`; returns the phase after the last pixel.
int dots(QPainter& p, int x, int y, int dx, int dy, int length, int phase, const QColor& c) {
    int runStart = -1;
    auto flush = [&](int end) {
        if (runStart < 0) return;
        const int x0 = x + dx * runStart, y0 = y + dy * runStart;
        const int x1 = x + dx * (end - 1), y1 = y + dy * (end - 1);
        p.fillRect(QRect(QPoint(std::min(x0, x1), std::min(y0, y1)),
                         QPoint(std::max(x0, x1), std::max(y0, y1))),
                   c);
        runStart = -1;
    };
    for (int i = 0; i < length; ++i, ++phase) {
        const bool on = phase % 6 < 3;
        if (on && runStart < 0) runStart = i;
        if (!on) flush(i);
    }
    flush(length);
    return phase;
}

// A rectangle with a dotted outline, drawn clockwise from its top-left
// corner; the gaps show the fill.
void dottedRectangle(QPainter& p, const TRect& r, QRgb pen, QRgb fill) {
    p.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), colour(fill));
    const QColor c = colour(pen);
    const int w = r.Width(), h = r.Height();
    int phase = dots(p, r.Left, r.Top, 1, 0, w, 0, c);
    phase = dots(p, r.Right - 1, r.Top + 1, 0, 1, h - 1, phase, c);
    phase = dots(p, r.Right - 2, r.Bottom - 1, -1, 0, w - 1, phase, c);
    dots(p, r.Left, r.Bottom - 2, 0, -1, h - 2, phase, c);
}

void prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBackgroundMode(Qt::TransparentMode);
}

void dayNumber(QPainter& p, const TRect& r, int number, QRgb rgb) {
    const Fonts& f = fonts();
    setFont(p, f.day);
    p.setPen(colour(rgb));
    if (number >= 1 && number <= 31) {
        p.drawStaticText(r.Left + (18 - f.numberWidths[number]) / 2, r.Top + 2, f.numbers[number]);
    } else {
        const QString s = QString::number(number);
        p.drawText(r.Left + (18 - f.dayMetrics.horizontalAdvance(s)) / 2,
                   r.Top + 2 + f.dayMetrics.ascent(), s);
    }
}

}  // namespace

QFont CalendarFont(int points, bool bold) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    // As Windows sizes a font at 96 pixels per inch: 8 pt = 11 px.
    font.setPixelSize((points * 96 + 36) / 72);
    font.setBold(bold);
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    return font;
}

QRgb KindColour(int kind) {
    switch (kind) {
        case 1:
            return 0x78BE69;
        case 2:
            return 0xF06950;
        case 3:
            return 0xA5A5B9;
        default:
            return EventFill;  // the cell's own fill: no square is seen
    }
}

void DrawYear(QPainter& p, int year, TDayRects& rects) {
    prepare(p);
    const Fonts& f = fonts();
    p.fillRect(QRect(0, 0, CalendarWidth, CalendarHeight), Qt::white);
    rects.resize(size_t(DaysInYear(year)));
    size_t i = 0;
    const QString yearText = QString::number(year);
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 4; ++k) {
            const int m = 4 * r + k + 1;
            const TRect box = MonthBoxRect(m);
            dottedRectangle(p, box, BoxPen, BoxFill);
            dots(p, box.Left, box.Top + MonthHeaderLine, 1, 0, MonthBoxWidth, 0, colour(BoxPen));
            int yearWidth = 0;
            if (m == 1) {
                text(p, box.Left + 4, box.Top + 4, yearText, f.year, f.yearMetrics, HeaderText);
                yearWidth = f.yearMetrics.horizontalAdvance(yearText);
            }
            const QString name = GetMonthName(m);
            const int nameWidth = f.monthMetrics.horizontalAdvance(name);
            text(p, box.Left + (MonthBoxWidth - nameWidth + yearWidth) / 2, box.Top + 3, name,
                 f.month, f.monthMetrics, HeaderText);
            const int first = DayOfTheWeek(EncodeDate(year, m, 1));
            const int days = DaysInAMonth(year, m);
            for (int d = 1; d <= days; ++d) {
                const int weekday = (first + d - 2) % 7 + 1;
                const TRect cell = GetDayRect(EncodeDate(year, m, d));
                DrawDay(p, cell, d, weekday);
                rects[i++] = cell;
            }
        }
        for (int w = 1; w <= 7; ++w) {
            const QString label = WeekdayLabel(w);
            const int y = WeekdayLabelTop(r, w);
            text(p, WeekdayLabelLeft, y, label, f.label, f.labelMetrics, HeaderText);
            text(p, WeekdayLabelRight, y, label, f.label, f.labelMetrics, HeaderText);
        }
    }
}

void DrawDay(QPainter& p, const TRect& r, int number, int weekday) {
    prepare(p);
    rectangle(p, r, DayPen, DayFill);
    dayNumber(p, r, number, weekday < 6 ? WorkdayText : WeekendText);
}

void DrawEventDay(QPainter& p, const TRect& r, int number, int kind) {
    prepare(p);
    rectangle(p, r, EventPen, EventFill);
    dayNumber(p, r, number, EventText);
    const QRgb marker = KindColour(kind);
    rectangle(p, {r.Left + 18, r.Top + 2, r.Left + 23, r.Top + 7}, marker, marker);
}

void MarkEventDay(QPainter& p, int day, int month, int kind, int year) {
    TDateTime date;
    if (!TryEncodeDate(year, month, day, date))
        date = EncodeDate(year, month, DaysInAMonth(year, month));
    DrawEventDay(p, GetDayRect(date), DecodeDate(date).day, kind);
}

void DrawTodayFrame(QPainter& p, const TRect& r) {
    prepare(p);
    frame(p, r.Grown(2), TodayInner);
    frame(p, r.Grown(3), TodayInner);
    frame(p, r.Grown(4), TodayOuter);
}

void DrawToday(QPainter& p) {
    const TDateTime today = Today();
    if (YearOf(today) == ShownYear) DrawTodayFrame(p, GetDayRect(today));
}

void DrawSelectFrame(QPainter& p, const TRect& r, bool focused) {
    prepare(p);
    frame(p, r.Grown(2), focused ? SelectFocused : SelectUnfocused);
    frame(p, r.Grown(3), focused ? SelectFocused : BoxFill);
}

void EraseSelectFrame(QPainter& p, const TRect& r) {
    prepare(p);
    frame(p, r.Grown(2), BoxFill);
    frame(p, r.Grown(3), BoxFill);
}

void ShowSelectedDay(QPainter& p, bool focused, TDateTime date) {
    DrawSelectFrame(p, GetDayRect(date), focused);
}

void HideSelectedDay(QPainter& p, TDateTime date) {
    EraseSelectFrame(p, GetDayRect(date));
    DrawToday(p);
}

TRect SelectFrameArea(const TRect& cell) {
    return cell.Grown(3);
}

void SetLegendSize(QSize& surface) {
    const Fonts& f = fonts();
    surface = QSize(f.labelMetrics.horizontalAdvance(QString(32, u'*')) + 55, 240);
}

void DrawLegend(QPainter& p) {
    prepare(p);
    const Fonts& f = fonts();
    QSize size;
    SetLegendSize(size);
    p.fillRect(QRect(QPoint(0, 0), size), colour(BoxFill));
    const QString labels[8] = {QStringLiteral("Обычный день"),
                               QStringLiteral("Выходной день"),
                               EventKindName(1),
                               EventKindName(2),
                               EventKindName(3),
                               QStringLiteral("Остальные события"),
                               QStringLiteral("Сегодня"),
                               QStringLiteral("Выбранный день")};
    for (int i = 0; i < 8; ++i) {
        const TRect sample{10, 10 + 29 * i, 35, 10 + 29 * i + 17};
        switch (i) {
            case 0:
                DrawDay(p, sample, 1, 1);
                break;
            case 1:
                DrawDay(p, sample, 2, 7);
                break;
            case 2:
            case 3:
            case 4:
            case 5:
                DrawEventDay(p, sample, i + 1, i - 1);
                break;
            case 6:
                DrawTodayFrame(p, sample);
                break;
            case 7:
                DrawSelectFrame(p, sample, true);
                break;
        }
        text(p, 45, sample.Top + 2, labels[i], f.label, f.labelMetrics, 0x000000);
    }
}
