// Sending many new rows at once (an import) and fetching their numbers,
// against the real server.
#include <benchmark/benchmark.h>

#include "bench/BenchData.h"
#include "core/DateTime.h"
#include "tests/support/TestDb.h"

namespace {

// A database of its own, loaded, with `count` new tasks in memory that
// carry numbers from the database.
struct Prepared {
    TestDb db;
    TDM dm;
    explicit Prepared(int count) {
        db.useAsExeDir();
        dm.DataModuleCreate({});
        const std::vector<int> ids = dm.NewTaskIds(count);
        auto rows = BenchTaskRows(count, EncodeDateTime(2026, 12, 8, 14, 0, 0, 0));
        for (int i = 0; i < count; ++i)
            rows[size_t(i)][0] = Value::FromInt(ids[size_t(i)]);
        AppendBenchRows(dm.cdsTask, rows);
    }
};

// One send of `count` new tasks, as an import makes it.
void BM_SendNewTasks(benchmark::State& state) {
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Prepared p(count);
        state.ResumeTiming();
        p.dm.ApplyTable(p.dm.cdsTask);
        state.PauseTiming();
        if (p.dm.HasUnsentChanges()) state.SkipWithError("not everything went");
        p.dm.Close();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SendNewTasks)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);

// Numbers for `count` new rows in one request.
void BM_NewTaskIds(benchmark::State& state) {
    const int count = int(state.range(0));
    TestDb db;
    db.useAsExeDir();
    TDM dm;
    dm.DataModuleCreate({});
    for (auto _ : state) {
        const std::vector<int> ids = dm.NewTaskIds(count);
        if (ids.size() != size_t(count) || ids.front() <= 0) state.SkipWithError("no numbers");
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_NewTaskIds)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_NewTaskIds)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
