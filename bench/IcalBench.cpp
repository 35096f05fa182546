// Calendar files of 10,000 events and 10,000 tasks: the export of the
// tables to a file, and the import of such a file into a database of its
// own, as after the user's yes (read, plan, numbers, the keys remembered,
// the rows added and sent).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/BenchData.h"
#include "data/DataModule.h"
#include "ical/Exchange.h"
#include "ical/OwnTables.h"
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
    state.SetLabel(QStringLiteral("%1 events + %1 tasks, %2 KB").arg(count).arg(bytes / 1024)
                       .toStdString());
    dm.Close();
}
BENCHMARK(BM_IcalExport)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_IcalImport(benchmark::State& state) {
    const int count = int(state.range(0));
    const QByteArray file = exportedFile(count);
    for (auto _ : state) {
        state.PauseTiming();
        TestDb db;
        db.useAsExeDir();
        TDM dm;
        DM = &dm;
        try {
            dm.Connect();
            dm.OpenTables();
            TOwnTables(dm.xConnection).Identity();  // the tables made, as after any export
        } catch (const EQuillet& e) {
            state.SkipWithError(e.what());
            DM = nullptr;
            break;
        }
        state.ResumeTiming();
        TOwnTables own(dm.xConnection);
        const ImportPlan plan = PlanImport(ReadRecordsFile(file), KnownRecordsOf(dm, own), benchNow);
        ApplyImport(dm, own, plan);
        state.PauseTiming();
        if (dm.cdsTask.RecordCount() != count || dm.cdsBirth.RecordCount() != count ||
            dm.HasUnsentChanges())
            state.SkipWithError("not everything was imported");
        dm.Close();
        DM = nullptr;
        state.ResumeTiming();
    }
    state.SetLabel(QStringLiteral("%1 events + %1 tasks").arg(count).toStdString());
}
BENCHMARK(BM_IcalImport)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

}  // namespace
