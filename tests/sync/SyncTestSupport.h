// A copy of the program for the sync tests: a database of its own, its
// data module with the tables loaded, the links and a round with a client
// of a Radicale server, run on the test's thread (the runner's thread only
// carries the same calls).
#pragma once

#include <gtest/gtest.h>
#include <QUrl>

#include <memory>
#include <set>

#include "caldav/CalDavClient.h"
#include "data/DataModule.h"
#include "data/FbClient.h"
#include "data/OwnTables.h"
#include "ical/TableItems.h"
#include "sync/LinkTable.h"
#include "sync/SyncApply.h"
#include "sync/SyncItems.h"
#include "sync/SyncRound.h"
#include "tests/support/TestDb.h"

class SyncDevice {
  public:
    SyncDevice(const CalDavAccount& account, const SyncTarget& target, int timeoutMs = 5000)
        : target_(target), timeoutMs_(timeoutMs) {
        db_.useAsExeDir();
        dm.Connect();
        dm.OpenTables();
        links_db_.Attach({db_.address(), "sysdba", "plumcrest", "WIN1251", 3});
        identity_ = TOwnTables(dm.xConnection).Identity();
        Restart(account, target);
    }
    ~SyncDevice() { dm.Close(); }

    // As after a new start: a new client, the links read again.
    void Restart(const CalDavAccount& account, const SyncTarget& target) {
        round_.reset();
        target_ = target;
        client_ = std::make_unique<CalDavClient>(account, timeoutMs_);
        links_ = std::make_unique<TSyncLinks>(links_db_);
        round_ = std::make_unique<SyncRound>(*client_, *links_);
    }
    TSyncLinks& Links() { return *links_; }
    QString Address() const { return db_.address(); }

    // One round; `cut` 1 ends it after the server's part (the program
    // killed before the windows' thread had the result), 2 after the
    // tables took it (killed before the links were settled).
    CalDavResult Sync(int cut = 0) {
        ExportSettings s;
        s.identity = identity_;
        s.stampSecs = 1800000000;
        const RoundOutcome out = round_->Run(TakeSnapshot(dm, s), target_);
        if (cut == 1) return out.status;
        const QHash<quint64, quint64> applied = ApplyRound(dm, out.changes);
        if (cut == 2) return out.status;
        round_->Settle(out, applied);
        return out.status;
    }

    int AddTask(TaskItem t) {
        const int id = dm.NewTaskId();
        TaskRowWriter(dm.cdsTask).Append({t}, {id});
        dm.ApplyTable(dm.cdsTask);
        return id;
    }
    int AddEvent(EventItem e) {
        const int id = dm.NewBirthId();
        EventRowWriter(dm.cdsBirth).Append({e}, {id});
        dm.ApplyTable(dm.cdsBirth);
        return id;
    }
    void Set(TMemTable& t, int id, const char* column, const Value& v) {
        ASSERT_TRUE(t.Locate(id));
        t.Edit();
        t.FieldByName(QLatin1String(column)).SetValue(v);
        t.Post();
        dm.ApplyTable(t);
    }
    void Delete(TMemTable& t, int id) {
        t.DeleteByKeys({id});
        dm.ApplyTable(t);
    }
    std::vector<TaskItem> Tasks() const { return TaskItemsOf(dm.cdsTask); }
    std::vector<EventItem> Events() const { return EventItemsOf(dm.cdsBirth); }
    // What both tables hold, apart from the rows' numbers.
    std::multiset<quint64> Content() const {
        std::multiset<quint64> all;
        for (const TaskItem& t : Tasks())
            all.insert(TaskHash(t));
        for (const EventItem& e : Events())
            all.insert(EventHash(e));
        return all;
    }

  private:
    TestDb db_;

  public:
    TDM dm;

  private:
    FbConnection links_db_;
    QString identity_;
    SyncTarget target_;
    int timeoutMs_;
    std::unique_ptr<CalDavClient> client_;
    std::unique_ptr<TSyncLinks> links_;
    std::unique_ptr<SyncRound> round_;
};
