// Importing the previous version's files into the database: 100,000 task
// records and 10,000 event records, each table sent in one transaction.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <memory>

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
std::unique_ptr<ImportRun> startRun(benchmark::State& state) {
    try {
        return std::make_unique<ImportRun>(int(state.range(0)), int(state.range(1)));
    } catch (const EQuillet& e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
}

// The whole import, as after the user's yes: 100,000 tasks and 10,000
// events, and a fiftieth of that. While every new row's number is a round
// trip of its own the full size would run for many minutes: it is then
// skipped with the time a number costs and the time numbering alone would
// take (BM_ImportSteps shows where the rest goes).
void BM_ImportOldData(benchmark::State& state) {
    const int tasks = int(state.range(0)), events = int(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        auto run = startRun(state);
        if (!run) break;
        if (tasks > 10000) {
            QElapsedTimer probe;
            probe.start();
            try {
                for (int i = 0; i < 200; ++i)
                    run->dm.NewTaskId();
            } catch (const EQuillet& e) {
                state.SkipWithError(e.what());
                break;
            }
            const double perNumber = probe.nsecsElapsed() / 1e9 / 200;
            if (perNumber * (tasks + events) > 60) {
                const std::string why =
                    QStringLiteral("numbering alone would take %1 s (%2 ms a number)")
                        .arg(perNumber * (tasks + events), 0, 'f', 0)
                        .arg(perNumber * 1e3, 0, 'f', 2)
                        .toStdString();
                state.SkipWithError(why.c_str());
                break;
            }
        }
        state.ResumeTiming();
        try {
            ImportOldData();
        } catch (const EQuillet& e) {
            state.SkipWithError(e.what());  // the server went away
            break;
        }
        state.PauseTiming();
        if (run->dm.cdsTask.RecordCount() != tasks || run->dm.cdsBirth.RecordCount() != events ||
            run->dm.HasUnsentChanges())
            state.SkipWithError("not everything was imported");
        run.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportOldData)
    ->Args({2000, 200})
    ->Args({100000, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

// Where the time of the import goes, the same work done step by step
// through the data module: numbers for the new rows (one call each), the
// rows in the in-memory tables, the two sends. Counters in seconds.
void BM_ImportSteps(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto run = startRun(state);
        if (!run) break;
        TDM& dm = run->dm;
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const std::vector<TOldTaskRec> tasks = ReadOldTasks(tasksFile(int(state.range(0))));
        const std::vector<TOldBirthRec> births = ReadOldBirths(birthFile(int(state.range(1))));
        const double read = clock.nsecsElapsed() / 1e9;
        std::vector<int> ids;
        try {
            for (size_t i = 0; i < tasks.size(); ++i)
                ids.push_back(dm.NewTaskId());
            for (size_t i = 0; i < births.size(); ++i)
                ids.push_back(dm.NewBirthId());
        } catch (const EQuillet& e) {
            state.SkipWithError(e.what());
            break;
        }
        const double numbers = clock.nsecsElapsed() / 1e9 - read;
        TMemTable& t = dm.cdsTask;
        for (size_t i = 0; i < tasks.size(); ++i) {
            t.Append();
            t.FieldByName("ID").SetInteger(ids[i]);
            t.FieldByName("USER_ID").SetInteger(1);
            t.FieldByName("NEEDALERT").SetBoolean(tasks[i].needAlert);
            t.FieldByName("DATETIME").SetDateTime(0);  // at the end: order does not matter here
            t.FieldByName("CAPTION").SetString(tasks[i].caption);
            t.FieldByName("CATEGORY").SetString(tasks[i].category);
            t.FieldByName("DETAILS").SetString(tasks[i].details);
            t.FieldByName("EXECUTED").SetBoolean(tasks[i].executed);
            t.FieldByName("NOTIFIED").SetBoolean(tasks[i].notified);
            t.Post();
        }
        TMemTable& b = dm.cdsBirth;
        for (size_t i = 0; i < births.size(); ++i) {
            b.Append();
            b.FieldByName("ID").SetInteger(ids[tasks.size() + i]);
            b.FieldByName("USER_ID").SetInteger(1);
            b.FieldByName("CAPTION").SetString(births[i].caption);
            b.FieldByName("DATE").SetDateTime(births[i].date);
            b.FieldByName("VID").SetInteger(births[i].vid);
            b.FieldByName("CATEGORY").SetInteger(births[i].category);
            b.FieldByName("COMMENT").SetString(births[i].comment);
            b.FieldByName("NOTIFIED").SetBoolean(births[i].notified);
            b.Post();
        }
        const double rows = clock.nsecsElapsed() / 1e9 - read - numbers;
        dm.ApplyTable(t);
        dm.ApplyTable(b);
        const double send = clock.nsecsElapsed() / 1e9 - read - numbers - rows;
        state.PauseTiming();
        if (dm.HasUnsentChanges()) state.SkipWithError("the sends failed");
        state.counters["per_number_us"] = numbers * 1e6 / double(ids.size());
        state.counters["per_row_sent_us"] = send * 1e6 / double(ids.size());
        state.counters["read_s"] = read;
        state.counters["numbers_s"] = numbers;
        state.counters["rows_s"] = rows;
        state.counters["send_s"] = send;
        run.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportSteps)
    ->Args({2000, 200})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
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

namespace {

// What one new row's number costs, and what it would cost taken otherwise:
// now (a transaction, a statement and a commit each), an empty write
// transaction alone, and numbers taken through one prepared statement in
// one transaction. Counters in milliseconds a number.
void BM_NumberCost(benchmark::State& state) {
    constexpr int N = 200;
    for (auto _ : state) {
        try {
            TestDb db;
            db.useAsExeDir();
            TDM dm;
            dm.Connect();
            FbConnection& c = dm.xConnection;
            QElapsedTimer clock;
            clock.start();
            for (int i = 0; i < N; ++i)
                dm.NewTaskId();
            state.counters["now_ms"] = clock.nsecsElapsed() / 1e6 / N;
            clock.restart();
            for (int i = 0; i < N; ++i)
                c.Begin()->Commit();
            state.counters["commit_ms"] = clock.nsecsElapsed() / 1e6 / N;
            clock.restart();
            auto tr = c.Begin();
            auto st = c.Prepare(*tr, QStringLiteral("EXECUTE PROCEDURE GET_TASK_ID"));
            std::vector<Value> out;
            for (int i = 0; i < N; ++i)
                st->Execute({}, &out);
            st.reset();
            tr->Commit();
            state.counters["one_transaction_ms"] = clock.nsecsElapsed() / 1e6 / N;
            dm.Close();
        } catch (const EQuillet& e) {
            state.SkipWithError(e.what());
            break;
        }
    }
}
BENCHMARK(BM_NumberCost)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
