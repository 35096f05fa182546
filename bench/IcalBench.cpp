// Calendar files of 10,000 events and 10,000 tasks: the export of the
// tables to a file, and the import of such a file into a database of its
// own.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/BenchData.h"
#include "core/DateTime.h"
#include "core/Error.h"
#include "data/DataModule.h"
#include "data/OwnTables.h"
#include "ical/Exchange.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDb.h"

namespace {

const TDateTime benchNow = EncodeDateTime(2026, 12, 8, 14, 37, 52, 0);

// The export of `count` events and `count` tasks (of another database, so
// that an import takes them all).
QByteArray exportedFile(int count) {
    TDM dm;
    LoadBenchTablesInMemory(dm, count, count, benchNow);
    const QByteArray file = ExportTables(dm, QStringLiteral("bench-identity"), 3, 10.0 / 24, 0);
    dm.Close();
    return file;
}

void BM_IcalExport(benchmark::State& state) {
    const int count = int(state.range(0));
    TDM dm;
    try {
        LoadBenchTablesInMemory(dm, count, count, benchNow);
    } catch (const EQuillet& e) {
        state.SkipWithError(e.what());
        return;
    }
    TempDir dir;
    const QString path = dir.file(QStringLiteral("quillet.ics"));
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray file = ExportTables(dm, QStringLiteral("bench-identity"), 3, 10.0 / 24, 0);
        SaveFileAtomically(path, file);
        bytes = file.size();
    }
    state.SetLabel(
        QStringLiteral("%1 events + %1 tasks, %2 KB").arg(count).arg(bytes / 1024).toStdString());
    dm.Close();
}
BENCHMARK(BM_IcalExport)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A database of its own with a connected data module that is the
// program's own, its tables of identity and imports made (as after any
// export).
struct ImportRun {
    TestDb db;
    TDM dm;
    ImportRun() {
        db.useAsExeDir();
        DM = &dm;
        dm.Connect();
        dm.OpenTables();
        TOwnTables(dm.xConnection).Identity();
    }
    ~ImportRun() {
        dm.Close();
        DM = nullptr;
    }
};

// The import as after the user's yes: the file read, the plan made, the
// numbers taken, the keys remembered and the rows added to the tables;
// with `send`, the tables sent to the database too (the data module's
// send, measured for all rows by the send benchmarks).
void importFile(benchmark::State& state, bool send) {
    const int count = int(state.range(0));
    const QByteArray file = exportedFile(count);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<ImportRun> run;
        try {
            run = std::make_unique<ImportRun>();
        } catch (const EQuillet& e) {
            state.SkipWithError(e.what());
            break;
        }
        state.ResumeTiming();
        try {
            TOwnTables own(run->dm.xConnection);
            const ImportPlan plan =
                PlanImport(ReadRecordsFile(file), KnownRecordsOf(run->dm, own), benchNow);
            if (send)
                ApplyImport(run->dm, own, plan);
            else
                AddImport(run->dm, own, plan);
        } catch (const EQuillet& e) {
            state.SkipWithError(e.what());
            break;
        }
        state.PauseTiming();
        if (run->dm.cdsTask.RecordCount() != count || run->dm.cdsBirth.RecordCount() != count ||
            run->dm.HasUnsentChanges() == send)
            state.SkipWithError("not everything was imported");
        run.reset();
        state.ResumeTiming();
    }
    state.SetLabel(QStringLiteral("%1 events + %1 tasks").arg(count).toStdString());
}

// Everything up to the send: the import's own work.
void BM_IcalImportBeforeSend(benchmark::State& state) {
    importFile(state, false);
}
BENCHMARK(BM_IcalImportBeforeSend)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

// The whole import, the rows in the database at its end.
void BM_IcalImport(benchmark::State& state) {
    importFile(state, true);
}
BENCHMARK(BM_IcalImport)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

}  // namespace
