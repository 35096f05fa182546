// Deleting many chosen tasks at once through the task command, against the
// real server: the table, the list's rebuild and the send (or, while the
// server is away, the journal); and the next start that finds such deletes
// in the journal.
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QFile>
#include <QItemSelectionModel>
#include <QTableView>
#include <map>
#include <memory>

#include "app/Main.h"
#include "bench/BenchData.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Error.h"
#include "data/Journal.h"
#include "plan/TaskListModel.h"
#include "plan/TaskPlan.h"
#include "platform/Modal.h"
#include "tests/support/TestDb.h"

namespace {

const TDateTime BenchNow = EncodeDateTime(2026, 12, 8, 14, 0, 0, 0);

// A database of its own holding `count` tasks, made once per size.
TestDb& storedTasks(int count) {
    static std::map<int, std::unique_ptr<TestDb>> dbs;
    auto& db = dbs[count];
    if (!db) {
        db = std::make_unique<TestDb>();
        db->useAsExeDir();
        TDM dm;
        dm.Connect();
        dm.OpenTables();
        StoreBenchTasks(dm, count, BenchNow);
        dm.Close();
    }
    db->useAsExeDir();
    return *db;
}

// Every message box is answered Yes.
void answerYes() {
    SetModalHook([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->button(QMessageBox::Yes)) return false;
        box->button(QMessageBox::Yes)->click();
        return true;
    });
}

// The main window of a program whose data module changes from run to run.
struct DeleteProgram {
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TfrmMain> window;
    DeleteProgram() {
        Clock::Freeze(BenchNow);
        answerYes();
        NewDataModule();
        window = std::make_unique<TfrmMain>();
        frmMain = window.get();
    }
    ~DeleteProgram() {
        frmMain = nullptr;
        DM = nullptr;  // the window's end closes no data module of ours
        window.reset();
        dm.reset();
        SetModalHook({});
        Clock::Reset();
    }
    void NewDataModule() {
        dm = std::make_unique<TDM>();
        DM = dm.get();
    }
};

// Chooses every (total / count)-th row of the list: `count` rows apart,
// the way a user picks them one by one; returns their whole table rows.
std::vector<std::vector<Value>> chooseRows(TfrmMain& window, TMemTable& t, int count) {
    const int total = t.RecordCount(), step = total / count;
    QItemSelection chosen;
    std::vector<std::vector<Value>> rows;
    for (int r = 0; r < total && int(rows.size()) < count; r += step) {
        chosen.select(window.TaskList->index(r, 0), window.TaskList->index(r, 0));
        std::vector<Value> row;
        for (int c = 0; c < int(t.Fields().size()); ++c)
            row.push_back(t.Cell(r, c));
        rows.push_back(std::move(row));
    }
    window.ListView->selectionModel()->select(
        chosen, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return rows;
}

// The database file out of reach, as while the server is away, and back.
void hideDatabase(const TestDb& db, bool hide) {
    const QString away = db.dbPath() + QStringLiteral(".away");
    if (hide ? !QFile::rename(db.dbPath(), away) : !QFile::rename(away, db.dbPath()))
        throw EQuillet(QStringLiteral("the database file could not be moved"));
}

// args: tasks in the database, tasks chosen; `outage`: the server away.
void deleteTasks(benchmark::State& state, bool outage) {
    const int total = int(state.range(0)), count = int(state.range(1));
    try {
        TestDb& db = storedTasks(total);
        DeleteProgram program;
        for (auto _ : state) {
            state.PauseTiming();
            program.NewDataModule();
            TDM& dm = *program.dm;
            dm.Connect();
            dm.OpenTables();
            program.window->Plan->LoadTaskList(false, 0);
            const auto rows = chooseRows(*program.window, dm.cdsTask, count);
            if (outage) {
                dm.xConnection.Detach();
                hideDatabase(db, true);
            }
            state.ResumeTiming();

            program.window->Plan->DeleteTasks();

            state.PauseTiming();
            const bool deleted = dm.cdsTask.RecordCount() == total - count &&
                                 program.window->TaskList->rowCount() == total - count;
            const bool journalled = dm.HasUnsentChanges() && dm.Journal().Exists();
            if (outage) hideDatabase(db, false);
            if (!dm.SendPending()) throw EQuillet(QStringLiteral("the deletes did not go"));
            RestoreTaskRows(dm, rows);
            dm.Close();
            if (!deleted || journalled != outage) {
                state.SkipWithError(outage ? "not deleted, or not journalled" : "not deleted");
                break;
            }
            state.ResumeTiming();
        }
    } catch (const EQuillet& e) {
        state.SkipWithError(e.what());
    }
}

void BM_DeleteTasks(benchmark::State& state) {
    deleteTasks(state, false);
}
BENCHMARK(BM_DeleteTasks)
    ->Args({100000, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

void BM_DeleteTasksWhileServerAway(benchmark::State& state) {
    deleteTasks(state, true);
}
BENCHMARK(BM_DeleteTasksWhileServerAway)
    ->Args({100000, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

// A start whose journal holds `range(1)` deletes of tasks: the data module's
// start sequence (connect, load, replay, send) and the list's first fill.
void BM_StartWithJournalledDeletes(benchmark::State& state) {
    const int total = int(state.range(0)), count = int(state.range(1));
    try {
        TestDb& db = storedTasks(total);
        DeleteProgram program;
        for (auto _ : state) {
            state.PauseTiming();
            std::vector<std::vector<Value>> rows;
            if (count > 0) {
                TDM reader;
                reader.Connect();
                reader.OpenTables();
                std::vector<JournalRow> journal;
                const TMemTable& t = reader.cdsTask;
                for (int r = 0; r < t.RecordCount() && int(rows.size()) < count;
                     r += t.RecordCount() / count) {
                    std::vector<Value> row;
                    for (int c = 0; c < int(t.Fields().size()); ++c)
                        row.push_back(t.Cell(r, c));
                    journal.push_back({QStringLiteral("TASK"), JournalRow::Delete, row[0], {}, {}});
                    rows.push_back(std::move(row));
                }
                reader.Close();
                TJournal(JournalPathFor(db.dbPath())).Write(journal, nullptr);
            }
            program.NewDataModule();
            TDM& dm = *program.dm;
            state.ResumeTiming();

            dm.DataModuleCreate({});
            program.window->Plan->LoadTaskList(false, 0);

            state.PauseTiming();
            const bool done = dm.cdsTask.RecordCount() == total - count && !dm.HasUnsentChanges();
            if (count > 0) RestoreTaskRows(dm, rows);
            dm.Close();
            if (!done) {
                state.SkipWithError("the journal was not replayed and sent");
                break;
            }
            state.ResumeTiming();
        }
    } catch (const EQuillet& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(BM_StartWithJournalledDeletes)
    ->Args({100000, 0})
    ->Args({100000, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

}  // namespace
