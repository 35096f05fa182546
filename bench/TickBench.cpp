// One tick of the reminder check with nothing due: the task pass over the
// task table and the event pass over every event, as ten times a second.
#include <benchmark/benchmark.h>

#include "app/Main.h"
#include "bench/BenchData.h"
#include "core/DateTime.h"
#include "plan/TaskPlan.h"
#include "remind/Scheduler.h"
#include "settings/Settings.h"

namespace {

void BM_ReminderTick(benchmark::State& state) {
    // In June half of the events are still to come this year: the event
    // pass works out their lead.
    BenchProgram program(int(state.range(0)), int(state.range(1)),
                         EncodeDateTime(2026, 6, 8, 14, 0, 0, 0));
    TDM& dm = program.dm;
    program.window->Plan->LoadTaskList(false, 0);
    // Past the notice time: the event pass looks at every event.
    NotifyDays = 1;
    NotifyTime = EncodeTime(10, 0, 0, 0);
    for (auto _ : state)
        RunReminderCheck(program.window->Plan);
    if (dm.cdsTask.HasChanges() || dm.cdsBirth.HasChanges())
        state.SkipWithError("a reminder was due");
}
BENCHMARK(BM_ReminderTick)->Args({10000, 1000})->Unit(benchmark::kMicrosecond);

}  // namespace
