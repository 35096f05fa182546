// The calendar page through real mouse and key events: the paint with the
// stored events, selecting by mouse and arrow keys with the focus styles,
// small repaints, the double click, the context menu and the commands, the
// legend window and the pointer's hint.
#include <QAction>
#include <QMenu>
#include <QTableView>
#include <QToolTip>

#include "calendar/BirthAdd.h"
#include "calendar/BirthAll.h"
#include "calendar/BirthLegend.h"
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
        QTest::mousePress(surface(), button, Qt::NoModifier, at);
        QTest::mouseRelease(surface(), button, Qt::NoModifier, at);
        Pump();
    }
    static void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(frmMain->edControlCalendarPB, k, mods);
        Pump();
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
    EXPECT_EQ(CalendarYear, 2026);
    EXPECT_EQ(ShownYear, 2026);
    EXPECT_EQ(DayRects.size(), 365u);
    EXPECT_EQ(SelectedDate, D(2026, 1, 1));
    EXPECT_EQ(frmMain->ScrollBox1->widget()->palette().color(QPalette::Window), Qt::white);
    const TRect jan10 = GetDayRect(D(2026, 1, 10)), jan20 = GetDayRect(D(2026, 1, 20));
    EXPECT_EQ(shown(jan10.Left + 20, jan10.Top + 4), 0x78BE69u);
    EXPECT_EQ(shown(jan20.Left + 20, jan20.Top + 4), 0xF06950u) << "the later row's kind";
    EXPECT_EQ(innerRing(D(2026, 12, 8)), 0x008000u) << "today";

    DM->Close();
    fullPaint();
    EXPECT_EQ(shown(jan10.Left, jan10.Top), 0xC0DCC0u) << "no events without the database";
    EXPECT_EQ(shown(jan10.Left + 20, jan10.Top + 4), 0xFFFFFFu);
    EXPECT_EQ(innerRing(D(2026, 12, 8)), 0x008000u) << "today all the same";
}

TEST_F(CalendarPageTest, PressesSelectAndFocusTheCalendar) {
    // The page came with the keyboard focus in its focus holder.
    EXPECT_TRUE(CalendarFocused);
    EXPECT_EQ(innerRing(D(2026, 1, 1)), Blue);
    frmMain->edControlCalendarPB->clearFocus();
    EXPECT_FALSE(CalendarFocused);
    EXPECT_EQ(innerRing(D(2026, 1, 1)), Grey);
    const TRect mar31 = GetDayRect(D(2026, 3, 31));
    struct Case {
        QPoint at;
        Qt::MouseButton button;
        TDateTime selected;
        const char* what;
    } cases[] = {
        {QPoint(120, 20), Qt::LeftButton, D(2026, 1, 1), "a header: focus only"},
        {centre(D(2026, 5, 14)), Qt::LeftButton, D(2026, 5, 14), "a day"},
        {QPoint(mar31.Right + 1, mar31.Top - 2), Qt::MiddleButton, D(2026, 3, 31),
         "1 and 2 px outside, any button"},
        {QPoint(mar31.Left - 3, 5), Qt::LeftButton, D(2026, 3, 31), "the margin"},
    };
    const int fullPaints = page().FullPaints();
    TDateTime before = SelectedDate;
    for (const Case& c : cases) {
        press(c.at, c.button);
        EXPECT_EQ(SelectedDate, c.selected) << c.what;
        EXPECT_TRUE(CalendarFocused) << c.what;
        EXPECT_EQ(innerRing(c.selected), Blue) << c.what;
        if (before != c.selected) {
            EXPECT_EQ(innerRing(before), Fill) << c.what;
        }
        before = c.selected;
    }
    EXPECT_EQ(page().FullPaints(), fullPaints) << "only the frames were drawn";
    const QImage afterMoves = page().Canvas();
    EXPECT_TRUE(afterMoves == fullPaint()) << "the same pixels as a full paint";

    // Another page takes the focus: the frame turns grey.
    frmMain->PageControl->setCurrentWidget(frmMain->tshPlan);
    Pump();
    EXPECT_FALSE(CalendarFocused);
    EXPECT_EQ(innerRing(D(2026, 3, 31)), Grey);
    frmMain->PageControl->setCurrentWidget(frmMain->tshBirth);
    Pump();
    frmMain->edControlCalendarPB->clearFocus();
    press(QPoint(5, 5));
    EXPECT_EQ(innerRing(D(2026, 3, 31)), Blue) << "a press on nothing focuses";
}

TEST_F(CalendarPageTest, ArrowKeysMoveTheSelectionOnlyOnTheCalendarPage) {
    press(centre(D(2026, 1, 5)));
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        TDateTime selected;
    } cases[] = {
        {Qt::Key_Left, Qt::NoModifier, D(2026, 1, 1)},  // 29 December clamps
        {Qt::Key_Up, Qt::NoModifier, D(2026, 1, 1)},
        {Qt::Key_Right, Qt::ShiftModifier, D(2026, 1, 8)},
        {Qt::Key_Down, Qt::ControlModifier, D(2026, 1, 9)},
        {Qt::Key_A, Qt::NoModifier, D(2026, 1, 9)},
        {Qt::Key_Up, Qt::NoModifier, D(2026, 1, 8)},
    };
    const int fullPaints = page().FullPaints();
    for (const Case& c : cases) {
        key(c.key, c.mods);
        EXPECT_EQ(SelectedDate, c.selected) << QTest::toString(c.key);
        EXPECT_EQ(innerRing(c.selected), Blue);
    }
    EXPECT_EQ(page().FullPaints(), fullPaints);
    EXPECT_TRUE(page().Canvas() == fullPaint());

    SelectedDate = D(2026, 12, 31);
    fullPaint();
    key(Qt::Key_Down);
    key(Qt::Key_Right);
    EXPECT_EQ(SelectedDate, D(2026, 12, 31));

    frmMain->PageControl->setCurrentWidget(frmMain->tshPlan);
    Pump();
    key(Qt::Key_Left);
    EXPECT_EQ(SelectedDate, D(2026, 12, 31)) << "another page is active";
}

TEST_F(CalendarPageTest, DoubleClickAndCommandsOpenTheirWindows) {
    press(centre(D(2026, 1, 20)));
    struct Case {
        std::function<void()> act;
        bool dayMode;
        TDateTime selected;
        const char* what;
    } cases[] = {
        {[] { QTest::mouseDClick(surface(), Qt::LeftButton, {}, centre(D(2026, 2, 3))); }, true,
         D(2026, 2, 3), "double click on a day"},
        {[] { QTest::mouseDClick(surface(), Qt::LeftButton, {}, QPoint(3, 3)); }, true,
         D(2026, 2, 3), "double click on nothing: the selected day"},
        {[] { frmMain->acCalendarOpenAll->trigger(); }, false, D(2026, 2, 3), "all events"},
        {[] { frmMain->acCalendarOpen->trigger(); }, true, D(2026, 2, 3), "the day's events"},
    };
    for (const Case& c : cases) {
        ModalAnswers answers;
        answers.Then([&](QWidget* w) {
            EXPECT_EQ(w, frmBirthAll) << c.what;
            EXPECT_EQ(DayListMode, c.dayMode) << c.what;
            EXPECT_EQ(SelectedDate, c.selected) << c.what;
        });
        c.act();
    }
    ModalAnswers answers;
    answers.Then([](QWidget* w) { EXPECT_EQ(w, frmBirthAdd); });
    frmMain->acCalendarAdd->trigger();
}

TEST_F(CalendarPageTest, RightPressSelectsThenTheMenuOpens) {
    const QPoint at = centre(D(2026, 7, 7));
    QTest::mousePress(surface(), Qt::RightButton, {}, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, surface()->mapToGlobal(at));
    QApplication::sendEvent(surface(), &menu);
    Pump();
    EXPECT_EQ(SelectedDate, D(2026, 7, 7));
    ASSERT_TRUE(frmMain->popmBirth->isVisible());
    EXPECT_EQ(frmMain->popmBirth->defaultAction(), frmMain->acCalendarOpen);
    EXPECT_TRUE(CalendarFocused) << "the menu leaves the calendar's focus alone";
    frmMain->popmBirth->hide();
    QTest::mouseRelease(surface(), Qt::RightButton, {}, at);
    Pump();
    EXPECT_EQ(innerRing(D(2026, 7, 7)), Blue);
}

TEST_F(CalendarPageTest, LegendIsAToolWindowShownWithoutALoop) {
    frmMain->acCalendarLegend->trigger();
    TfrmBirthLegend& legend = *frmBirthLegend;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&legend));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(legend.windowTitle(), "Легенда");
    EXPECT_TRUE(legend.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(legend.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QSize size;
    SetLegendSize(size);
    EXPECT_EQ(legend.size(), size);
    EXPECT_EQ(legend.PB->geometry(), QRect(QPoint(0, 0), size));
    legend.close();
    EXPECT_FALSE(legend.isVisible());
    EXPECT_EQ(frmBirthLegend, &legend) << "hidden, not destroyed";
    frmMain->acCalendarLegend->trigger();
    EXPECT_TRUE(legend.isVisible());
}

TEST_F(CalendarPageTest, PointerHintShowsTheDateAndTheDaysEvents) {
    struct Case {
        QPoint at;
        QString hint;
    } cases[] = {
        {centre(D(2026, 1, 20)), QStringLiteral("20.01.2026\nЛена\nПраздник")},
        {QPoint(120, 20), QStringLiteral("20.01.2026\nЛена\nПраздник")},  // nothing: unchanged
        {centre(D(2026, 1, 21)), QStringLiteral("21.01.2026")},
    };
    for (const Case& c : cases) {
        QTest::mouseMove(surface(), c.at);
        Pump();
        EXPECT_EQ(surface()->toolTip(), c.hint);
    }
}
