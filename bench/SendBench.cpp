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

// A task's Ok as the data module sees it: a number, the row added and
// sent at once, the journal kept on the disk before the send and removed
// after it; `range(0)` tasks in the table already.
void BM_TaskOk(benchmark::State& state) {
    Prepared p(0);
    StoreBenchTasks(p.dm, int(state.range(0)), EncodeDateTime(2026, 12, 8, 14, 0, 0, 0));
    TMemTable& t = p.dm.cdsTask;
    for (auto _ : state) {
        const int id = p.dm.NewTaskId();
        t.Append();
        t.FieldByName(QStringLiteral("ID")).SetInteger(id);
        t.FieldByName(QStringLiteral("USER_ID")).SetInteger(CurrentUserId);
        t.FieldByName(QStringLiteral("CAPTION")).SetString(QStringLiteral("Позвонить"));
        t.FieldByName(QStringLiteral("NEEDALERT")).SetBoolean(true);
        t.FieldByName(QStringLiteral("DATETIME")).SetDateTime(46000.5);
        t.Post();
        p.dm.ApplyTable(t);
        if (p.dm.HasUnsentChanges()) state.SkipWithError("not sent");
    }
}
BENCHMARK(BM_TaskOk)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The part of a task's Ok that keeps it on the disk first: the journal of
// one new task written (flushed to the disk) and removed.
void BM_TaskOkJournal(benchmark::State& state) {
    TestDb db;
    TJournal journal(JournalPathFor(db.dbPath()), db.dbPath());
    JournalRow row;
    row.table = QStringLiteral("TASK");
    row.key = Value::FromInt(1001);
    row.values = {{QStringLiteral("ID"), row.key},
                  {QStringLiteral("USER_ID"), Value::FromInt(1)},
                  {QStringLiteral("CAPTION"), Value::FromText(QStringLiteral("Позвонить"))},
                  {QStringLiteral("NEEDALERT"), Value::FromText(QStringLiteral("T"))},
                  {QStringLiteral("DATETIME"), Value::FromFloat(46000.5)}};
    for (auto _ : state)
        if (!journal.Write({row}, nullptr) || !journal.Write({}, nullptr))
            state.SkipWithError("journal not written");
}
BENCHMARK(BM_TaskOkJournal)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
