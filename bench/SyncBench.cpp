// The sync with a local Radicale server: the first round of rows into an
// empty calendar, the first round of 10,000 events and 10,000 tasks from
// the server into an empty database, then with those a round with
// nothing changed and one with one row changed.
//
// The first push goes to each empty calendar as one whole calendar; the
// calendars of 10,000 for the other rounds are filled as Radicale's files,
// the way a copy of its folder would be.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QDirIterator>
#include <QUuid>
#include <chrono>
#include <memory>
#include <thread>

#include "core/DateTime.h"
#include "core/Error.h"
#include "tests/support/RadicaleServer.h"
#include "tests/support/TempDir.h"
#include "tests/sync/SyncTestSupport.h"

namespace {

std::vector<TaskItem> benchTasks(int count) {
    std::vector<TaskItem> t(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TaskItem& x = t[size_t(i)];
        x.id = i + 1;
        x.caption = QStringLiteral("Задание №%1").arg(i);
        x.details = QStringLiteral("подробности %1").arg(i);
        x.needAlert = i % 2 == 0;
        x.when = x.needAlert ? EncodeDateTime(2027, 1, 1, 9, 0, 0, 0) + i : 0;
    }
    return t;
}

std::vector<EventItem> benchEvents(int count) {
    std::vector<EventItem> e(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        EventItem& x = e[size_t(i)];
        x.id = i + 1;
        x.caption = QStringLiteral("Событие №%1").arg(i);
        x.date = EncodeDate(1950 + i % 70, 1 + i % 12, 1 + i % 28);
        x.vid = i % 4;
    }
    return e;
}

// A server, its two calendars and one copy of the program.
struct SyncWorld {
    RadicaleServer server;
    QString names[2];  // events, tasks
    std::unique_ptr<SyncDevice> device;
    bool firstDone = false;
    QString error;

    SyncWorld() {
        if (!server.Start(error)) return;
        const QString tag = QUuid::createUuid().toString(QUuid::Id128);
        SyncTarget target;
        names[0] = QStringLiteral("events-") + tag;
        names[1] = QStringLiteral("tasks-") + tag;
        target.events = server.MakeCalendar(names[0], names[0], {QStringLiteral("VEVENT")});
        target.tasks = server.MakeCalendar(names[1], names[1], {QStringLiteral("VTODO")});
        // A calendar of thousands read for the first time takes Radicale long.
        device = std::make_unique<SyncDevice>(server.Account(), target, 300000);
    }
    // Rows of the database, to go to the server at the first round.
    void FillDatabase(int count) {
        TDM& dm = device->dm;
        TaskRowWriter(dm.cdsTask).Append(benchTasks(count), dm.NewTaskIds(count));
        EventRowWriter(dm.cdsBirth).Append(benchEvents(count), dm.NewBirthIds(count));
        dm.ApplyTable(dm.cdsTask);
        dm.ApplyTable(dm.cdsBirth);
    }
    // Items of the calendars, written as Radicale's files (its folder is
    // found by the calendars' unique names under the tests' root).
    bool FillServer(int count) {
        QString folders[2];
        QDirIterator it(QStringLiteral(QUILLET_TEST_ROOT), QDir::Dirs | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            for (int k = 0; k < 2; ++k)
                if (path.endsWith(u'/' + names[k])) folders[k] = path;
            if (!folders[0].isEmpty() && !folders[1].isEmpty()) break;
        }
        if (folders[0].isEmpty() || folders[1].isEmpty()) return false;
        ExportSettings s;
        s.identity = QStringLiteral("elsewhere");
        for (const EventItem& e : benchEvents(count)) {
            const QString uid = EventUid(e.id, s.identity);
            WriteFile(folders[0] + u'/' + uid + QStringLiteral(".ics"), EventIcs(e, uid, s));
        }
        for (const TaskItem& t : benchTasks(count)) {
            const QString uid = TaskUid(t.id, s.identity);
            WriteFile(folders[1] + u'/' + uid + QStringLiteral(".ics"), TaskIcs(t, uid, s));
        }
        return true;
    }
};

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

// The world of 10,000 of each on the server, made once for the three.
SyncWorld& filledServer(int count) {
    static std::unique_ptr<SyncWorld> w;
    if (!w) {
        w = std::make_unique<SyncWorld>();
        if (w->device && !w->FillServer(count)) w->error = QStringLiteral("no calendar folder");
    }
    return *w;
}

void BM_SyncFirstPush(benchmark::State& state) {
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        SyncWorld w;
        if (!w.device) {
            state.SkipWithError(w.error.toStdString().c_str());
            break;
        }
        w.FillDatabase(count);
        state.ResumeTiming();
        if (!syncOnce(state, w)) break;
        state.PauseTiming();
        w.device.reset();
        state.ResumeTiming();
    }
    state.SetLabel(QStringLiteral("%1 events + %1 tasks").arg(count).toStdString());
}
BENCHMARK(BM_SyncFirstPush)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_SyncFirstPull(benchmark::State& state) {
    SyncWorld& w = filledServer(int(state.range(0)));
    if (!w.error.isEmpty()) return state.SkipWithError(w.error.toStdString().c_str());
    for (auto _ : state) {
        if (w.firstDone || !syncOnce(state, w)) break;
        w.firstDone = true;
    }
    const int rows = w.device->dm.cdsTask.RecordCount() + w.device->dm.cdsBirth.RecordCount();
    if (rows != 2 * state.range(0)) state.SkipWithError("not every item came in");
    state.SetLabel(QStringLiteral("%1 events + %1 tasks").arg(state.range(0)).toStdString());
}
BENCHMARK(BM_SyncFirstPull)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_SyncNothingChanged(benchmark::State& state) {
    SyncWorld& w = filledServer(int(state.range(0)));
    if (!w.error.isEmpty()) return state.SkipWithError(w.error.toStdString().c_str());
    if (!w.firstDone && syncOnce(state, w)) w.firstDone = true;
    // The round after the first keeps the calendars' dates, from then on
    // an unchanged calendar is not listed.
    if (!syncOnce(state, w)) return;
    for (auto _ : state)
        if (!syncOnce(state, w)) break;
}
BENCHMARK(BM_SyncNothingChanged)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SyncOneChanged(benchmark::State& state) {
    SyncWorld& w = filledServer(int(state.range(0)));
    if (!w.error.isEmpty()) return state.SkipWithError(w.error.toStdString().c_str());
    if (!w.firstDone && syncOnce(state, w)) w.firstDone = true;
    TDM& dm = w.device->dm;
    const int id = int(dm.cdsTask.Cell(0, dm.cdsTask.FieldIndex(QStringLiteral("ID"))).toInt());
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // The round after a write of ours lists the calendar again (the
        // write moved its date, kept once the server's clock is two seconds
        // past it): that one is left out, the timed round is the one that
        // carries the change.
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
        if (!syncOnce(state, w)) break;
        w.device->Set(dm.cdsTask, id, "CAPTION",
                      Value::FromText(QStringLiteral("Правка %1").arg(++n)));
        state.ResumeTiming();
        if (!syncOnce(state, w)) break;
    }
}
BENCHMARK(BM_SyncOneChanged)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

namespace {

// The windows' share of a round with 10,000 of each in the tables: the
// snapshot taken before, and with it one part of rows changed after.
void BM_SyncWindowsShare(benchmark::State& state) {
    SyncWorld w;
    if (!w.device) return state.SkipWithError(w.error.toStdString().c_str());
    w.FillDatabase(int(state.range(0)));
    TDM& dm = w.device->dm;
    ExportSettings s;
    s.identity = QStringLiteral("bench");
    int n = 0;
    for (auto _ : state) {
        const SyncSnapshot snapshot = TakeSnapshot(dm, s);
        std::vector<RowChange> part;
        for (size_t i = 0; i < size_t(state.range(1)) && i < snapshot.tasks.size(); ++i) {
            RowChange c;
            c.kind = ItemKind::Task;
            c.id = snapshot.tasks[i].id;
            c.expectHash = TaskHash(snapshot.tasks[i]);
            c.task = snapshot.tasks[i];
            c.task.details = QStringLiteral("с сервера %1").arg(++n);
            part.push_back(std::move(c));
        }
        if (!part.empty()) benchmark::DoNotOptimize(ApplyRound(dm, part));
    }
    state.SetLabel(QStringLiteral("snapshot of all rows + %1 rows changed and sent")
                       .arg(state.range(1))
                       .toStdString());
}
BENCHMARK(BM_SyncWindowsShare)
    ->Args({10000, 0})
    ->Args({10000, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
