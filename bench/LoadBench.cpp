// Loading the three tables from the server at start.
#include <benchmark/benchmark.h>

#include "bench/BenchData.h"
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

void BM_LoadTables(benchmark::State& state) {
    static StoredData data;
    data.db.useAsExeDir();
    for (auto _ : state) {
        TDM dm;
        dm.Connect();
        dm.OpenTables();
        benchmark::DoNotOptimize(dm.cdsTask.RecordCount());
        state.PauseTiming();
        if (dm.cdsTask.RecordCount() != 10000 || dm.cdsBirth.RecordCount() != 1000)
            state.SkipWithError("the tables did not load whole");
        dm.Close();
        state.ResumeTiming();
    }
    state.SetLabel("connect + 10000 tasks, 1000 events, 1 MB notes");
}
BENCHMARK(BM_LoadTables)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
