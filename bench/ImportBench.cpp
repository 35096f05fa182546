// Importing the previous version's files into the database: 100,000 task
// records and 10,000 event records, each table sent in one transaction.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <memory>

#include "bench/BenchData.h"
#include "core/DateTime.h"
#include "core/Error.h"
#include "core/ExePath.h"
#include "data/DataModule.h"
#include "data/OldRecords.h"
#include "data/RoutsDat.h"
#include "tests/import/OldFileBytes.h"
#include "tests/support/TestDb.h"

namespace {

// Tasks of every kind: a third undated, the rest spread over twenty years
// in no order; texts of every length up to their room.
QByteArray oldTasksFile(int count) {
    QByteArray file;
    file.reserve(qsizetype(count) * OldTaskRecSize);
    for (int i = 0; i < count; ++i) {
        const QString caption = QStringLiteral("Задание %1 ").arg(i).repeated(1 + i % 4).left(50);
        file += OldTask(36000 + (i * 7919 % 7300) + (i % 96) / 96.0, i % 3, caption,
                        i % 2 ? QStringLiteral("Работа") : QStringLiteral("Дом"),
                        QStringLiteral("Подробности %1. ").arg(i).repeated(i % 12).left(200),
                        i % 5 == 0, i % 7 == 0);
    }
    return file;
}

QByteArray oldBirthFile(int count) {
    QByteArray file;
    for (int i = 0; i < count; ++i)
        file += OldBirth(EncodeDate(1940 + i % 70, 1 + i % 12, 1 + i % 28),
                         QStringLiteral("День рождения %1").arg(i), i % 4, i % 10,
                         QStringLiteral("Комментарий"), i % 2);
    return file;
}

// The files of 100,000 tasks and 10,000 events, or their first records.
QByteArray tasksFile(int count) {
    static const QByteArray f = oldTasksFile(100000);
    return f.left(qsizetype(count) * OldTaskRecSize);
}
QByteArray birthFile(int count) {
    static const QByteArray f = oldBirthFile(10000);
    return f.left(qsizetype(count) * OldBirthRecSize);
}

// A database of its own with the two files beside it, and a connected data
// module that is the program's own.
struct ImportRun {
    TestDb db;
    TDM dm;
    ImportRun(int tasks, int events) {
        db.useAsExeDir();
        WriteFile(db.dir() + "/Tasks.dat", tasksFile(tasks));
        WriteFile(db.dir() + "/Birth.dat", birthFile(events));
        DM = &dm;
        dm.Connect();
        dm.OpenTables();
        InitOldFilePaths(ExePath());
    }
    ~ImportRun() {
        dm.Close();
        DM = nullptr;
    }
};

// A run, or none (and the benchmark skipped) while the server is away.
// `filled`: tasks the database holds before the import.
std::unique_ptr<ImportRun> startRun(benchmark::State& state, int tasks, int events, int filled) {
    try {
        auto run = std::make_unique<ImportRun>(tasks, events);
        if (filled > 0) {
            StoreBenchTasks(run->dm, filled, EncodeDateTime(2026, 12, 8, 14, 0, 0, 0));
            // As the program finds them at its start: loaded from the database.
            run->dm.Close();
            run->dm.Connect();
            run->dm.OpenTables();
        }
        return run;
    } catch (const EQuillet& e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
}

// The whole import, as after the user's yes, into a database holding
// `filled` tasks. Timing stays paused once a run is skipped: resuming it
// after an error is not allowed.
void importInto(benchmark::State& state, int tasks, int events, int filled) {
    for (auto _ : state) {
        state.PauseTiming();
        auto run = startRun(state, tasks, events, filled);
        if (!run) break;
        state.ResumeTiming();
        try {
            ImportOldData(run->dm);
        } catch (const EQuillet& e) {
            state.PauseTiming();
            state.SkipWithError(e.what());  // the server went away
            break;
        }
        state.PauseTiming();
        if (run->dm.cdsTask.RecordCount() != filled + tasks ||
            run->dm.cdsBirth.RecordCount() != events || run->dm.HasUnsentChanges()) {
            state.SkipWithError("not everything was imported");
            break;
        }
        run.reset();
        state.ResumeTiming();
    }
}

// 100,000 tasks and 10,000 events into an empty database, and a fiftieth
// of that.
void BM_ImportOldData(benchmark::State& state) {
    importInto(state, int(state.range(0)), int(state.range(1)), 0);
}
BENCHMARK(BM_ImportOldData)
    ->Args({2000, 200})
    ->Args({100000, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

// The same 100,000 tasks and 10,000 events into a database that already
// holds `range(0)` tasks.
void BM_ImportIntoFilled(benchmark::State& state) {
    importInto(state, 100000, 10000, int(state.range(0)));
}
BENCHMARK(BM_ImportIntoFilled)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

// Reading the records from the bytes alone.
void BM_ReadOldRecords(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadOldTasks(tasksFile(100000)).size());
        benchmark::DoNotOptimize(ReadOldBirths(birthFile(10000)).size());
    }
    state.SetLabel("100000 tasks + 10000 events");
}
BENCHMARK(BM_ReadOldRecords)->Unit(benchmark::kMillisecond);

}  // namespace
