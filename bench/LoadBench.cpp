// Loading the three tables from the server at start.
#include <benchmark/benchmark.h>

#include "bench/BenchData.h"
#include "core/DateTime.h"
#include "tests/support/TestDb.h"

namespace {

struct StoredData {
    TestDb db;
    StoredData() {
        db.useAsExeDir();
        TDM dm;
        dm.Connect();
        dm.OpenTables();
        const TDateTime now = EncodeDateTime(2026, 12, 8, 14, 0, 0, 0);
        AppendBenchRows(dm.cdsTask, BenchTaskRows(10000, now));
        AppendBenchRows(dm.cdsBirth, BenchBirthRows(1000, now));
        dm.cdsNote.Edit();
        QByteArray rtf = "{\\rtf1\\ansi ";
        while (rtf.size() < (1 << 20))
            rtf += "Заметка для проверки скорости. \\par ";
        rtf += "}";
        dm.cdsNote.FieldByName("TEXT").SetBytes(rtf.left(1 << 20));
        dm.cdsNote.Post();
        dm.SendPending();
        dm.Close();
    }
};

StoredData& stored() {
    static StoredData data;
    data.db.useAsExeDir();
    return data;
}

// Reading the user's three tables whole over an open connection.
void BM_LoadTables(benchmark::State& state) {
    stored();
    TDM dm;
    dm.Connect();
    for (auto _ : state) {
        dm.OpenTables();
        benchmark::DoNotOptimize(dm.cdsTask.RecordCount());
        state.PauseTiming();
        if (dm.cdsTask.RecordCount() != 10000 || dm.cdsBirth.RecordCount() != 1000 ||
            dm.cdsNote.RecordCount() != 1)
            state.SkipWithError("the tables did not load whole");
        state.ResumeTiming();
    }
    dm.Close();
    state.SetLabel("10000 tasks, 1000 events, 1 MB notes");
}
BENCHMARK(BM_LoadTables)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The whole start of the data: attaching to the server, then the tables.
void BM_ConnectAndLoad(benchmark::State& state) {
    stored();
    for (auto _ : state) {
        TDM dm;
        dm.Connect();
        dm.OpenTables();
        benchmark::DoNotOptimize(dm.cdsTask.RecordCount());
        state.PauseTiming();
        dm.Close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ConnectAndLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
