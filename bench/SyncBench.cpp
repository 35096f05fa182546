// The sync with a local Radicale server of 10,000 events and 10,000 tasks:
// the first round into an empty calendar, a round with nothing changed,
// and a round with one row changed.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/DateTime.h"
#include "core/Error.h"
#include "tests/support/RadicaleServer.h"
#include "tests/sync/SyncTestSupport.h"

namespace {

// One server and one copy of the program for all three, made once.
struct SyncWorld {
    RadicaleServer server;
    std::unique_ptr<SyncDevice> device;
    bool firstDone = false;
    QString error;

    explicit SyncWorld(int count) {
        if (!server.Start(error)) return;
        const QUrl events = server.MakeCalendar(QStringLiteral("events"), QStringLiteral("E"),
                                                {QStringLiteral("VEVENT")});
        const QUrl tasks = server.MakeCalendar(QStringLiteral("tasks"), QStringLiteral("T"),
                                               {QStringLiteral("VTODO")});
        device = std::make_unique<SyncDevice>(server.Account(), SyncTarget{events, tasks});
        std::vector<TaskItem> t(static_cast<size_t>(count));
        std::vector<EventItem> e(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            t[size_t(i)].caption = QStringLiteral("Задание №%1").arg(i);
            t[size_t(i)].details = QStringLiteral("подробности %1").arg(i);
            t[size_t(i)].needAlert = i % 2 == 0;
            t[size_t(i)].when =
                t[size_t(i)].needAlert ? EncodeDateTime(2027, 1, 1, 9, 0, 0, 0) + i : 0;
            e[size_t(i)].caption = QStringLiteral("Событие №%1").arg(i);
            e[size_t(i)].date = EncodeDate(1950 + i % 70, 1 + i % 12, 1 + i % 28);
            e[size_t(i)].vid = i % 4;
        }
        TDM& dm = device->dm;
        TaskRowWriter(dm.cdsTask).Append(t, dm.NewTaskIds(count));
        EventRowWriter(dm.cdsBirth).Append(e, dm.NewBirthIds(count));
        dm.ApplyTable(dm.cdsTask);
        dm.ApplyTable(dm.cdsBirth);
    }
};

// QUILLET_SYNC_BENCH_COUNT gives another size (a quick look).
SyncWorld& world(int count) {
    static std::unique_ptr<SyncWorld> w;
    if (const int n = qEnvironmentVariableIntValue("QUILLET_SYNC_BENCH_COUNT"); n > 0) count = n;
    if (!w) w = std::make_unique<SyncWorld>(count);
    return *w;
}

bool syncOnce(benchmark::State& state, SyncWorld& w) {
    CalDavResult r;
    try {
        r = w.device->Sync();
    } catch (const EQuillet& e) {
        r.kind = CalDavResult::BadReply;
        r.message = e.message();
    }
    if (!r.ok()) state.SkipWithError(r.message.toStdString().c_str());
    return r.ok();
}

void BM_SyncFirst(benchmark::State& state) {
    SyncWorld& w = world(int(state.range(0)));
    if (!w.device) return state.SkipWithError(w.error.toStdString().c_str());
    for (auto _ : state) {
        if (w.firstDone || !syncOnce(state, w)) break;
        w.firstDone = true;
    }
    state.SetLabel(QStringLiteral("%1 events + %1 tasks").arg(state.range(0)).toStdString());
}
BENCHMARK(BM_SyncFirst)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SyncNothingChanged(benchmark::State& state) {
    SyncWorld& w = world(int(state.range(0)));
    if (!w.device) return state.SkipWithError(w.error.toStdString().c_str());
    if (!w.firstDone && syncOnce(state, w)) w.firstDone = true;
    for (auto _ : state)
        if (!syncOnce(state, w)) break;
}
BENCHMARK(BM_SyncNothingChanged)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SyncOneChanged(benchmark::State& state) {
    SyncWorld& w = world(int(state.range(0)));
    if (!w.device) return state.SkipWithError(w.error.toStdString().c_str());
    if (!w.firstDone && syncOnce(state, w)) w.firstDone = true;
    TDM& dm = w.device->dm;
    const int id = int(dm.cdsTask.Cell(0, dm.cdsTask.FieldIndex(QStringLiteral("ID"))).toInt());
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.device->Set(dm.cdsTask, id, "CAPTION",
                      Value::FromText(QStringLiteral("Правка %1").arg(++n)));
        state.ResumeTiming();
        if (!syncOnce(state, w)) break;
    }
}
BENCHMARK(BM_SyncOneChanged)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
