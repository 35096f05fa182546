// Rebuilding the task list: the whole table walked, every row's texts made.
#include <benchmark/benchmark.h>

#include "app/Main.h"
#include "bench/BenchData.h"
#include "core/DateTime.h"
#include "plan/TaskListModel.h"
#include "plan/TaskPlan.h"

namespace {

void BM_LoadTaskList(benchmark::State& state) {
    BenchProgram program(int(state.range(0)), 0, EncodeDateTime(2026, 12, 8, 14, 0, 0, 0));
    TfrmMain& window = *program.window;
    for (auto _ : state) {
        window.Plan->LoadTaskList(true, 100000 + int(state.range(0)) / 2);
        benchmark::DoNotOptimize(window.TaskList->rowCount());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadTaskList)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
