// The calendar page through real mouse and key events: the paint with the
// stored events, selecting with the focus styles and small repaints only,
// the pointer's hint, the double click, the context menu and the commands.
#include <QAction>
#include <QMenu>

#include "calendar/BirthAdd.h"
#include "calendar/BirthAll.h"
#include "calendar/BirthLegend.h"
#include "core/DateTime.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace {

class CalendarPageTest : public CalendarTest {
  protected:
    void AddEvents() override {
        AddStoredEvent(QStringLiteral("Аня"), D(1990, 1, 10), 1);
        AddStoredEvent(QStringLiteral("Лена"), D(1985, 1, 20), 1);
        AddStoredEvent(QStringLiteral("Праздник"), D(2001, 1, 20), 2);
    }
    static void press(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(surface(), button, {}, at);
        Pump();
    }
    static void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(frmMain->edControlCalendarPB, k, mods);
    }
    // What a full paint of the present state shows.
    static QImage fullPaint() {
        page().Repaint();
        surface()->repaint();
        return page().Canvas();
    }
};

constexpr QRgb Blue = 0x0000FF, Grey = 0x808080, Fill = 0xFFFBF0;

}  // namespace

TEST_F(CalendarPageTest, PaintsTheYearWithTheStoredEventsWhileConnected) {
    EXPECT_EQ(DayRects.size(), 365u);
    EXPECT_EQ(SelectedDate, D(2026, 1, 1));
    const TRect jan10 = GetDayRect(D(2026, 1, 10)), jan20 = GetDayRect(D(2026, 1, 20));
    EXPECT_EQ(shown(jan10.Left + 20, jan10.Top + 4), 0x78BE69u);
    EXPECT_EQ(shown(jan20.Left + 20, jan20.Top + 4), 0xF06950u) << "the later row's kind";
    EXPECT_EQ(innerRing(D(2026, 12, 8)), 0x008000u) << "today";
    DM->Close();
    fullPaint();
    EXPECT_EQ(shown(jan10.Left + 20, jan10.Top + 4), 0xFFFFFFu) << "no events without the base";
}

TEST_F(CalendarPageTest, PressesAndKeysSelectWithSmallRepaintsOnly) {
    EXPECT_EQ(innerRing(D(2026, 1, 1)), Blue) << "the page came with the focus";
    frmMain->edControlCalendarPB->clearFocus();
    EXPECT_EQ(innerRing(D(2026, 1, 1)), Grey);
    const TRect mar31 = GetDayRect(D(2026, 3, 31));
    const int fullPaints = page().FullPaints();
    struct Case {
        std::function<void()> act;
        TDateTime selected;
        const char* what;
    } cases[] = {
        {[] { press(QPoint(120, 20)); }, D(2026, 1, 1), "a header: focus only"},
        {[] { press(centre(D(2026, 1, 5))); }, D(2026, 1, 5), "a day"},
        {[] { key(Qt::Key_Left); }, D(2026, 1, 1), "29 December clamps to 1 January"},
        {[] { key(Qt::Key_Up); }, D(2026, 1, 1), "Up on 1 January"},
        {[] { key(Qt::Key_Right, Qt::ShiftModifier); }, D(2026, 1, 8), "shift ignored"},
        {[] { key(Qt::Key_Down); }, D(2026, 1, 9), "a day on"},
        {[] { key(Qt::Key_A); }, D(2026, 1, 9), "another key"},
        {[&] {
             press({mar31.Right + 1, mar31.Top - 2}, Qt::MiddleButton);
         },
         D(2026, 3, 31), "1 and 2 px outside, any button"},
    };
    TDateTime before = SelectedDate;
    for (const Case& c : cases) {
        c.act();
        EXPECT_EQ(SelectedDate, c.selected) << c.what;
        EXPECT_EQ(innerRing(c.selected), Blue) << c.what;
        EXPECT_TRUE(before == c.selected || innerRing(before) == Fill) << c.what;
        before = c.selected;
    }
    Pump();
    EXPECT_EQ(page().FullPaints(), fullPaints) << "only the frames were drawn";
    EXPECT_TRUE(page().Canvas() == fullPaint()) << "the same pixels as a full paint";

    // The pointer's hint: the date and the day's events, kept over nothing.
    for (QPoint at : {centre(D(2026, 1, 20)), QPoint(120, 20)}) {
        QTest::mouseMove(surface(), at);
        EXPECT_EQ(surface()->toolTip(), "20.01.2026\nЛена\nПраздник");
    }
    SelectedDate = D(2026, 12, 31);
    key(Qt::Key_Down);
    EXPECT_EQ(SelectedDate, D(2026, 12, 31));
    frmMain->PageControl->setCurrentWidget(frmMain->tshPlan);
    Pump();
    EXPECT_EQ(innerRing(D(2026, 12, 31)), Grey) << "another page took the focus";
    key(Qt::Key_Up);
    EXPECT_EQ(SelectedDate, D(2026, 12, 31)) << "no keys on another page";
}

TEST_F(CalendarPageTest, DoubleClickMenuAndCommandsOpenTheirWindows) {
    const QPoint at = centre(D(2026, 7, 7));
    QTest::mousePress(surface(), Qt::RightButton, {}, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, surface()->mapToGlobal(at));
    QApplication::sendEvent(surface(), &menu);
    EXPECT_EQ(SelectedDate, D(2026, 7, 7)) << "the day under the pointer first";
    EXPECT_TRUE(frmMain->popmBirth->isVisible());
    EXPECT_TRUE(CalendarFocused) << "the menu leaves the focus alone";
    frmMain->popmBirth->hide();

    struct Case {
        std::function<void()> act;
        QWidget* window;
        bool dayMode;
        TDateTime selected;
    } cases[] = {
        {[] { QTest::mouseDClick(surface(), Qt::LeftButton, {}, centre(D(2026, 2, 3))); },
         frmBirthAll, true, D(2026, 2, 3)},
        {[] { QTest::mouseDClick(surface(), Qt::LeftButton, {}, QPoint(3, 3)); }, frmBirthAll, true,
         D(2026, 2, 3)},  // on nothing: the selected day's list
        {[] { frmMain->acCalendarOpenAll->trigger(); }, frmBirthAll, false, D(2026, 2, 3)},
        {[] { frmMain->acCalendarOpen->trigger(); }, frmBirthAll, true, D(2026, 2, 3)},
        {[] { frmMain->acCalendarAdd->trigger(); }, frmBirthAdd, true, D(2026, 2, 3)},
    };
    for (const Case& c : cases) {
        ModalAnswers answers;
        answers.Then([&](QWidget* w) {
            EXPECT_EQ(w, c.window);
            EXPECT_EQ(DayListMode, c.dayMode);
            EXPECT_EQ(SelectedDate, c.selected);
        });
        c.act();
    }

    frmMain->acCalendarLegend->trigger();
    EXPECT_TRUE(frmBirthLegend->isVisible() && !QApplication::activeModalWidget());
    EXPECT_EQ(frmBirthLegend->windowFlags() & (Qt::WindowType_Mask | Qt::WindowStaysOnTopHint),
              Qt::Tool | Qt::WindowStaysOnTopHint);
}
