// The calendar page: the full paint of the year with its events into the
// page's off-screen image, one arrow-key move with the repaint it asks
// for, the hit test of a point; and the filling of the event list.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>

#include "app/Main.h"
#include "bench/BenchData.h"
#include "calendar/BirthAll.h"
#include "calendar/CalendarPage.h"
#include "calendar/CalendarRouts.h"
#include "calendar/EventListModel.h"
#include "core/DateTime.h"

namespace {

const TDateTime BenchNow = EncodeDateTime(2026, 12, 8, 14, 0, 0, 0);

void showCalendar(TfrmMain& window) {
    window.show();
    window.PageControl->setCurrentWidget(window.tshBirth);
    window.edControlCalendarPB->setFocus();
    QApplication::processEvents();
}

void BM_CalendarFullPaint(benchmark::State& state) {
    BenchProgram program(0, int(state.range(0)), BenchNow);
    TfrmMain& window = *program.window;
    window.FormShow();
    for (auto _ : state) {
        window.Calendar->PBPaint();
        benchmark::DoNotOptimize(window.Calendar->Canvas().constBits());
    }
}
BENCHMARK(BM_CalendarFullPaint)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_CalendarArrowKey(benchmark::State& state) {
    BenchProgram program(0, 1000, BenchNow);
    TfrmMain& window = *program.window;
    showCalendar(window);
    SelectedDate = EncodeDate(2026, 6, 10);
    const int fullPaints = window.Calendar->FullPaints();
    int i = 0;
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, (i++ & 1) ? Qt::Key_Left : Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(window.edControlCalendarPB, &key);
        QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    if (window.Calendar->FullPaints() != fullPaints) state.SkipWithError("a move painted it all");
}
BENCHMARK(BM_CalendarArrowKey)->Unit(benchmark::kMicrosecond);

void BM_CalendarHitTest(benchmark::State& state) {
    TDayRects rects;
    FillDayRects(2026, rects);
    int i = 0;
    for (auto _ : state) {
        TDateTime date = 0;
        // Points spread over the surface: days early and late in the year
        // and the margins where nothing is found.
        const int x = (i * 37) % CalendarWidth, y = (i * 53) % CalendarHeight;
        ++i;
        benchmark::DoNotOptimize(GetDayAtPoint(rects, 2026, x, y, date));
    }
}
BENCHMARK(BM_CalendarHitTest)->Unit(benchmark::kNanosecond);

// The event list in "all" mode: the rows made from the whole events table
// and shown, with the window's repaint.
void BM_EventListFill(benchmark::State& state) {
    BenchProgram program(0, int(state.range(0)), BenchNow);
    TfrmBirthAll list;
    DayListMode = false;
    list.show();
    QApplication::processEvents();
    for (auto _ : state) {
        list.FormShow();
        QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        benchmark::DoNotOptimize(list.Events->rowCount());
    }
}
BENCHMARK(BM_EventListFill)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
