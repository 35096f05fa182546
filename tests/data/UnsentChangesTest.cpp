// Changes that the database does not take at once, against the real
// server (which stays up here): numbers of the program's own for new rows,
// refused rows that hold back nothing else, the journal sent at the next
// start (twice without harm), rows written or deleted by other tools, and
// a call cut off when the server stops answering.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <atomic>
#include <thread>

#include "data/DataModule.h"
#include "tests/support/Pump.h"
#include "tests/support/TestDb.h"

namespace {

class UnsentTest : public ::testing::Test {
  protected:
    std::unique_ptr<TestDb> db = std::make_unique<TestDb>();
    std::unique_ptr<TDM> dm;
    QStringList told;

    void SetUp() override { db->useAsExeDir(); }

    void start() {
        dm = std::make_unique<TDM>();
        dm->onSendFailed = [this](const QString& m) { told << m; };
        dm->DataModuleCreate({});
        ASSERT_TRUE(dm->IsConnected());
    }
    QString journalPath() const { return db->dir() + "/qlbase.journal"; }

    void exec(const QString& sql) {
        FbConnection c;
        c.Attach({db->address(), "sysdba", "plumcrest", "WIN1251", 3});
        auto tr = c.Begin();
        c.Execute(*tr, sql);
        tr->Commit();
    }
    qint64 number(const QString& sql) {
        FbConnection c;
        c.Attach({db->address(), "sysdba", "plumcrest", "WIN1251", 3});
        auto tr = c.Begin();
        const QueryResult r = c.Query(*tr, sql);
        return r.rows.empty() || r.rows[0][0].isNull() ? -1 : r.rows[0][0].toInt();
    }
    QString text(const QString& sql) {
        FbConnection c;
        c.Attach({db->address(), "sysdba", "plumcrest", "WIN1251", 3});
        auto tr = c.Begin();
        const QueryResult r = c.Query(*tr, sql);
        return r.rows.empty() ? "<no row>" : r.rows[0][0].toText();
    }
    int newTask(const QString& caption, bool remakeable = false) {
        const int id = dm->NewTaskId();
        TMemTable& t = dm->cdsTask;
        t.Append();
        t.FieldByName("ID").SetInteger(id);
        t.FieldByName("USER_ID").SetInteger(CurrentUserId);
        t.FieldByName("CAPTION").SetString(caption);
        t.FieldByName("NEEDALERT").SetBoolean(false);
        t.FieldByName("DATETIME").SetDateTime(0);
        t.Post();
        if (remakeable)
            dm->ApplyRemakeable(t);
        else
            dm->ApplyTable(t);
        return id;
    }
    void retitle(qint64 id, const QString& caption) {
        TMemTable& t = dm->cdsTask;
        ASSERT_TRUE(t.Locate(id));
        t.Edit();
        t.FieldByName("CAPTION").SetString(caption);
        t.Post();
        dm->ApplyTable(t);
    }
    void remove(qint64 id) {
        TMemTable& t = dm->cdsTask;
        ASSERT_TRUE(t.Locate(id));
        t.Delete();
        dm->ApplyTable(t);
    }
    qint64 count(const QString& where) {
        return number("SELECT COUNT(*) FROM TASK WHERE " + where);
    }
    // Every write to TASK refused while the gate is 1.
    void addGate() {
        exec("CREATE SEQUENCE GATE");
        exec("CREATE EXCEPTION REFUSED 'closed for writing'");
        exec(
            "CREATE TRIGGER TASK_GATE FOR TASK BEFORE INSERT OR UPDATE OR DELETE AS BEGIN "
            "IF (GEN_ID(GATE, 0) = 1) THEN EXCEPTION REFUSED; END");
    }
    void gate(bool closed) { exec(QString("ALTER SEQUENCE GATE RESTART WITH %1").arg(closed)); }
    // Every form of the task numbers fails, or works again.
    void failNumbers(bool fail) {
        exec(fail ? "CREATE OR ALTER PROCEDURE GET_TASK_ID RETURNS (ID INTEGER) AS "
                    "BEGIN EXCEPTION REFUSED 'no numbers'; SUSPEND; END"
                  : "CREATE OR ALTER PROCEDURE GET_TASK_ID RETURNS (ID INTEGER) AS "
                    "BEGIN ID = NEXT VALUE FOR SEQ_TASK_ID; "
                    "WHILE (EXISTS (SELECT 1 FROM TASK WHERE TASK.ID = :ID)) DO "
                    "ID = NEXT VALUE FOR SEQ_TASK_ID; SUSPEND; END");
        exec(fail ? "CREATE OR ALTER PROCEDURE GET_TASK_IDS (N INTEGER) RETURNS (ID INTEGER) AS "
                    "BEGIN EXCEPTION REFUSED 'no numbers'; SUSPEND; END"
                  : "CREATE OR ALTER PROCEDURE GET_TASK_IDS (N INTEGER) RETURNS (ID INTEGER) AS "
                    "BEGIN WHILE (N > 0) DO BEGIN ID = NEXT VALUE FOR SEQ_TASK_ID; "
                    "IF (NOT EXISTS (SELECT 1 FROM TASK WHERE TASK.ID = :ID)) THEN "
                    "BEGIN N = N - 1; SUSPEND; END END END");
        exec(fail ? "CREATE OR ALTER PROCEDURE GET_TASK_ID_RANGES (N INTEGER) "
                    "RETURNS (FIRST_ID INTEGER, ID_COUNT INTEGER) AS "
                    "BEGIN EXCEPTION REFUSED 'no numbers'; SUSPEND; END"
                  : "CREATE OR ALTER PROCEDURE GET_TASK_ID_RANGES (N INTEGER) "
                    "RETURNS (FIRST_ID INTEGER, ID_COUNT INTEGER) AS "
                    "BEGIN EXECUTE PROCEDURE GET_TASK_ID RETURNING_VALUES :FIRST_ID; "
                    "ID_COUNT = 1; SUSPEND; END");
    }
};

}  // namespace

TEST_F(UnsentTest, NewNumbersNeverMeetRowsWrittenElsewhere) {
    // Rows another tool wrote with numbers the sequence has not reached, of
    // this user and of another, before the start or while it runs; and a
    // database whose procedure does not skip taken numbers.
    struct Case {
        const char* what;
        int peerUser;
        bool beforeStart;
        bool skippingProcedure;
    };
    const Case cases[] = {
        {"another user's row 1, sequence at 0", 2, true, true},
        {"this user's row 1, a procedure that does not skip", 1, true, false},
        {"a row written after the start with the next number", 2, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db = std::make_unique<TestDb>();
        db->useAsExeDir();
        if (!c.skippingProcedure)
            exec(
                "CREATE OR ALTER PROCEDURE GET_TASK_ID RETURNS (ID INTEGER) AS "
                "BEGIN ID = NEXT VALUE FOR SEQ_TASK_ID; SUSPEND; END");
        const QString peer =
            QString("INSERT INTO TASK (ID, USER_ID, CAPTION) VALUES (%1, %2, 'peer')");
        if (c.beforeStart) exec(peer.arg(1).arg(c.peerUser));
        start();
        if (!c.beforeStart)
            exec(peer.arg(number("SELECT GEN_ID(SEQ_TASK_ID, 0) + 1 FROM "
                                 "RDB$DATABASE"))
                     .arg(c.peerUser));
        const qint64 peerId = number("SELECT ID FROM TASK WHERE CAPTION = 'peer'");
        const int id = newTask("mine");
        const qint64 stored = number("SELECT ID FROM TASK WHERE CAPTION = 'mine'");
        EXPECT_NE(stored, peerId);
        EXPECT_TRUE(told.isEmpty()) << told.join("\n").toStdString();
        EXPECT_EQ(dm->cdsTask.ResolveKey(id), stored);
        remove(id);
        EXPECT_EQ(count("CAPTION = 'mine'"), 0);
        EXPECT_EQ(count("CAPTION = 'peer'"), 1) << "the other row stays";
        EXPECT_FALSE(dm->HasUnsentChanges());
        dm.reset();
    }
}

TEST_F(UnsentTest, RowsMadeWhileNoNumberCanBeHadGetOneLater) {
    addGate();
    failNumbers(true);
    start();
    const int a = dm->NewTaskId(), b = dm->NewBirthId();
    EXPECT_LT(a, 0) << "a number of the program's own";
    EXPECT_GT(b, 0) << "the other procedure still works";
    const int first = newTask("made without a number");
    const int second = newTask("another one");
    EXPECT_LT(first, 0);
    EXPECT_NE(first, second);
    ASSERT_EQ(told.size(), 1) << "told once";
    EXPECT_TRUE(told[0].contains("no numbers")) << told[0].toStdString();
    EXPECT_TRUE(QFile::exists(journalPath()));
    retitle(first, "made without a number, edited");
    remove(second);
    EXPECT_EQ(told.size(), 1);

    failNumbers(false);
    EXPECT_TRUE(dm->SendPending());
    const qint64 stored =
        number("SELECT ID FROM TASK WHERE CAPTION = 'made without a number, edited'");
    EXPECT_GT(stored, 0);
    EXPECT_EQ(count("1 = 1"), 1);
    ASSERT_TRUE(dm->cdsTask.Locate(first)) << "the old number still finds the row";
    EXPECT_EQ(dm->cdsTask.FieldByName("ID").AsInteger(), stored);
    EXPECT_FALSE(QFile::exists(journalPath()));
}

TEST_F(UnsentTest, EditOfARowDeletedElsewhereIsWrittenAgain) {
    exec("INSERT INTO TASK (ID, USER_ID, CAPTION, CATEGORY) VALUES (5, 1, 'old', 'work')");
    start();
    exec("DELETE FROM TASK WHERE ID = 5");
    retitle(5, "the user's version");
    EXPECT_TRUE(told.isEmpty());
    EXPECT_EQ(text("SELECT CAPTION || '/' || CATEGORY FROM TASK WHERE ID = 5"),
              "the user's version/work");
}

TEST_F(UnsentTest, JournalGoesAtTheNextStartAndTwiceChangesNothingMore) {
    addGate();
    exec("INSERT INTO TASK (ID, USER_ID, CAPTION) VALUES (1, 1, 'to edit')");
    exec("INSERT INTO TASK (ID, USER_ID, CAPTION) VALUES (2, 1, 'to delete')");
    start();
    failNumbers(true);
    const int own = newTask("numbered by the program");
    failNumbers(false);
    gate(true);
    newTask("numbered by the database");
    retitle(1, "edited");
    remove(2);
    EXPECT_TRUE(dm->SendPending() == false);
    ASSERT_GT(dm->cdsTask.ResolveKey(own), 0) << "its number was fetched before the refused insert";
    // The journal as a crash would leave it behind, once the rows had
    // their numbers but before any reached the database.
    const QByteArray journal = ReadFile(journalPath());
    ASSERT_EQ(DecodeJournal(journal).rows.size(), 4u);
    dm.reset();
    EXPECT_TRUE(QFile::exists(journalPath())) << "the end keeps what is unsent";

    gate(false);
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        if (run == 2) WriteFile(journalPath(), journal);  // the same journal again
        start();
        EXPECT_FALSE(dm->HasUnsentChanges());
        EXPECT_FALSE(QFile::exists(journalPath()));
        EXPECT_EQ(count("CAPTION = 'numbered by the program'"), 1);
        EXPECT_EQ(count("CAPTION = 'numbered by the database'"), 1);
        EXPECT_EQ(text("SELECT CAPTION FROM TASK WHERE ID = 1"), "edited");
        EXPECT_EQ(count("ID = 2"), 0);
        EXPECT_EQ(count("1 = 1"), 3);
        EXPECT_EQ(dm->cdsTask.RecordCount(), 3);
        dm.reset();
    }
    EXPECT_TRUE(told.filter(QString::fromUtf8("повреждён")).isEmpty());
}

TEST_F(UnsentTest, DamagedJournalGivesWhatItCanAndStaysOnTheDisk) {
    JournalRow a, b;
    a.table = b.table = "TASK";
    a.key = Value::FromInt(41);
    b.key = Value::FromInt(42);
    a.values = {{"ID", a.key}, {"USER_ID", Value::FromInt(1)}, {"CAPTION", Value::FromText("a")}};
    b.values = {{"ID", b.key}, {"USER_ID", Value::FromInt(1)}, {"CAPTION", Value::FromText("b")}};
    const QByteArray whole = EncodeJournal({a, b});
    WriteFile(journalPath(), whole.left(whole.size() - 30));
    start();
    EXPECT_EQ(count("ID = 41"), 1) << "the whole first row went";
    EXPECT_EQ(count("ID = 42"), 0);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(QString::fromUtf8("Журнал несохранённых изменений повреждён")));
    EXPECT_TRUE(QFile::exists(journalPath() + ".damaged")) << told[0].toStdString();
    EXPECT_TRUE(told[0].contains(journalPath() + ".damaged"));
    EXPECT_FALSE(QFile::exists(journalPath()));
}

namespace {

// A line to the server that can be made to stop carrying anything, as a
// server that accepts connections and then never answers.
class Relay {
  public:
    Relay() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener_, 4);
        socklen_t len = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~Relay() {
        stop_ = true;
        thread_.join();
        for (int fd : fds_)
            ::close(fd);
        ::close(listener_);
    }
    int port() const { return port_; }
    void freeze() { frozen_ = true; }

  private:
    void run() {
        while (!stop_) {
            std::vector<pollfd> p{{listener_, POLLIN, 0}};
            if (!frozen_)
                for (int fd : fds_)
                    p.push_back({fd, POLLIN, 0});
            if (::poll(p.data(), p.size(), 50) <= 0) continue;
            if (p[0].revents & POLLIN) {
                const int client = ::accept(listener_, nullptr, nullptr);
                const int server = ::socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in a{};
                a.sin_family = AF_INET;
                a.sin_port = htons(3053);
                a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                ::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a);
                fds_.push_back(client);
                fds_.push_back(server);
            }
            for (size_t i = 1; i < p.size(); ++i) {
                if (!(p[i].revents & POLLIN)) continue;
                char buf[65536];
                const ssize_t n = ::read(p[i].fd, buf, sizeof buf);
                const size_t at =
                    size_t(std::find(fds_.begin(), fds_.end(), p[i].fd) - fds_.begin());
                if (n > 0) (void)!::write(fds_[at ^ 1], buf, size_t(n));
            }
        }
    }
    int listener_ = -1, port_ = 0;
    std::vector<int> fds_;
    std::atomic<bool> stop_{false}, frozen_{false};
    std::thread thread_;
};

}  // namespace

TEST_F(UnsentTest, CallToAServerThatStopsAnsweringIsCutOff) {
    Relay relay;
    const QString address = QString("127.0.0.1/%1:%2").arg(relay.port()).arg(db->dbPath());
    FbConnection c;
    c.Attach({address, "sysdba", "plumcrest", "WIN1251", 3, 2});
    c.SetOperationTimeout(1000);
    auto tr = c.Begin();
    relay.freeze();
    QElapsedTimer timer;
    timer.start();
    try {
        c.Query(*tr, "SELECT COUNT(*) FROM RDB$RELATIONS");
        ADD_FAILURE() << "the call came back";
    } catch (const FbError& e) {
        EXPECT_EQ(ClassifySendError(e.codes(), c.Ping()), SendTrouble::Unreachable)
            << e.message().toStdString();
    }
    EXPECT_LT(timer.elapsed(), 3000) << "cut off after about a second";
    std::printf("[ waits ] a call to a silent server gave up after %lld ms\n",
                static_cast<long long>(timer.elapsed()));

    // An attach to a server that accepts and never answers gives up too.
    timer.restart();
    FbConnection second;
    EXPECT_THROW(second.Attach({address, "sysdba", "plumcrest", "WIN1251", 3, 2}), FbError);
    EXPECT_LT(timer.elapsed(), 4500);
    std::printf("[ waits ] an attach to a silent server gave up after %lld ms\n",
                static_cast<long long>(timer.elapsed()));
}

TEST_F(UnsentTest, ManyRowsGoTogetherAndOneBadRowSpoilsNoneOfTheOthers) {
    exec("ALTER TABLE TASK ADD CONSTRAINT NOT_THIS CHECK (CAPTION <> 'refused')");
    start();
    constexpr int Count = 250;  // more than one statement's worth
    const std::vector<int> ids = dm->NewTaskIds(Count);
    ASSERT_EQ(ids.size(), size_t(Count));
    // Another tool takes one of the numbers before the rows go.
    exec(QString("INSERT INTO TASK (ID, USER_ID, CAPTION) VALUES (%1, 2, 'peer')").arg(ids[77]));
    TMemTable& t = dm->cdsTask;
    for (int i = 0; i < Count; ++i) {
        t.Append();
        t.FieldByName("ID").SetInteger(ids[size_t(i)]);
        t.FieldByName("USER_ID").SetInteger(1);
        t.FieldByName("CAPTION").SetString(i == 150 ? QString("refused")
                                                    : QString("row %1").arg(i));
        t.Post();
    }
    dm->ApplyTable(t);
    EXPECT_EQ(count("CAPTION STARTING 'row '"), Count - 1);
    EXPECT_EQ(number("SELECT COUNT(DISTINCT CAPTION) FROM TASK WHERE CAPTION STARTING 'row '"),
              Count - 1);
    EXPECT_EQ(text(QString("SELECT CAPTION FROM TASK WHERE ID = %1").arg(ids[77])), "peer");
    EXPECT_NE(dm->cdsTask.ResolveKey(ids[77]), ids[77]) << "ours took another number";
    EXPECT_EQ(count("CAPTION = 'refused'"), 0);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QString::fromUtf8("ожидание тут не поможет")))
        << told[0].toStdString();
    EXPECT_TRUE(told[0].contains("NOT_THIS")) << "the server's own text";
    EXPECT_TRUE(told[0].contains(journalPath()));
    EXPECT_EQ(DecodeJournal(ReadFile(journalPath())).rows.size(), 1u);
    retitle(ids[10], "row 10 again");
    EXPECT_EQ(told.size(), 1) << "told once while sends keep failing";

    // Once the database takes it, it goes; then deleting them all goes in
    // few statements too, and leaves the peer. A delete the database
    // refuses holds back only itself, until it is taken.
    exec("ALTER TABLE TASK DROP CONSTRAINT NOT_THIS");
    EXPECT_TRUE(dm->SendPending());
    EXPECT_EQ(count("CAPTION = 'refused'"), 1);
    EXPECT_FALSE(QFile::exists(journalPath()));
    exec("CREATE EXCEPTION KEPT 'kept'");
    exec(
        "CREATE TRIGGER TASK_KEEP FOR TASK BEFORE DELETE AS BEGIN "
        "IF (OLD.CAPTION = 'row 120') THEN EXCEPTION KEPT; END");
    for (int id : ids) {
        ASSERT_TRUE(t.Locate(id));
        t.Delete();
    }
    dm->ApplyTable(t);
    EXPECT_TRUE(dm->HasUnsentChanges());
    EXPECT_EQ(count("1 = 1"), 2);
    EXPECT_EQ(count("CAPTION IN ('peer', 'row 120')"), 2);
    exec("DROP TRIGGER TASK_KEEP");
    EXPECT_TRUE(dm->SendPending());
    EXPECT_EQ(count("1 = 1"), 1);
    EXPECT_EQ(count("CAPTION = 'peer'"), 1);
}

TEST_F(UnsentTest, JournalledRowsNeverWriteOverRowsOfOtherTools) {
    JournalRow ours, edit;
    ours.table = edit.table = "TASK";
    ours.key = Value::FromInt(50);
    ours.values = {
        {"ID", ours.key}, {"USER_ID", Value::FromInt(1)}, {"CAPTION", Value::FromText("ours")}};
    edit.kind = JournalRow::Update;
    edit.key = Value::FromInt(60);
    edit.changed = QStringList{"CAPTION"};
    edit.values = {{"ID", edit.key},
                   {"USER_ID", Value::FromInt(1)},
                   {"CAPTION", Value::FromText("edited")},
                   {"CATEGORY", Value::FromText("mine")}};
    // Meanwhile another tool wrote both numbers.
    exec("INSERT INTO TASK (ID, USER_ID, CAPTION) VALUES (50, 1, 'theirs')");
    exec("INSERT INTO TASK (ID, USER_ID, CAPTION, CATEGORY) VALUES (60, 1, 'other', 'theirs')");
    WriteFile(journalPath(), EncodeJournal({ours, edit}, db->dbPath()));
    start();
    EXPECT_EQ(text("SELECT CAPTION FROM TASK WHERE ID = 50"), "theirs");
    EXPECT_EQ(text("SELECT CAPTION || '/' || CATEGORY FROM TASK WHERE ID = 60"), "other/theirs");
    EXPECT_EQ(count("CAPTION = 'ours' AND ID > 0"), 1);
    EXPECT_EQ(count("CAPTION = 'edited' AND CATEGORY = 'mine' AND ID > 0"), 1);
    EXPECT_FALSE(QFile::exists(journalPath()));
}

TEST_F(UnsentTest, JournalBeyondItsBoundIsSetAsideAndTheStartGoesOn) {
    WriteFile(journalPath(), EncodeJournal({}, db->dbPath()));
    {
        QFile f(journalPath());
        ASSERT_TRUE(f.resize(qint64(2) << 30));  // sparse: takes no room
    }
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        bool reminders = false;
        dm = std::make_unique<TDM>();
        dm->onSendFailed = [this](const QString& m) { told << m; };
        TDM::StartSteps steps;
        steps.startReminderTimer = [&] { reminders = true; };
        dm->DataModuleCreate(steps);
        EXPECT_TRUE(dm->IsConnected());
        EXPECT_TRUE(reminders);
        dm.reset();
    }
    ASSERT_EQ(told.size(), 1) << "told at the first start only";
    EXPECT_TRUE(told[0].contains(QString::fromUtf8("64 МБ"))) << told[0].toStdString();
    EXPECT_TRUE(QFile::exists(journalPath() + ".damaged"));
}

TEST_F(UnsentTest, SecondDataModuleOnTheSameDatabaseIsRefused) {
    start();
    QString refused;
    TDM::StartSteps steps;
    steps.databaseInUse = [&](const QString& m) { refused = m; };
    {
        TDM second;
        second.DataModuleCreate(steps);
        EXPECT_FALSE(second.IsConnected());
        EXPECT_TRUE(refused.contains(QString::fromUtf8("другая копия"))) << refused.toStdString();
    }
    dm.reset();
    TDM third;
    third.DataModuleCreate(steps);
    EXPECT_TRUE(third.IsConnected()) << "the first one let go";
}

TEST_F(UnsentTest, JournalGoesToTheStateFolderWhenTheProgramFolderTakesNoFile) {
    TempDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    const auto unset = qScopeGuard([] { qunsetenv("XDG_STATE_HOME"); });
    const QString kept = StateJournalPathFor(db->dbPath());
    ASSERT_TRUE(kept.startsWith(state.path() + "/quillet/"));
    const QString blocker = journalPath() + ".lock";
    ASSERT_TRUE(QDir().mkdir(blocker)) << "no lock file can be made beside the database";
    addGate();
    start();
    gate(true);
    newTask("kept in the state folder");
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_FALSE(QFile::exists(journalPath()));
    EXPECT_TRUE(told.join("").contains(kept));
    dm.reset();

    // Back beside the database, the state folder's journal is sent too.
    gate(false);
    ASSERT_TRUE(QDir().rmdir(blocker));
    start();
    EXPECT_EQ(count("CAPTION = 'kept in the state folder'"), 1);
    EXPECT_FALSE(QFile::exists(kept));
    dm.reset();

    // Neither place takes a file: the user hears it at once.
    QFile::remove(blocker);
    ASSERT_TRUE(QDir().mkdir(blocker));
    WriteFile(state.file("file"), "");
    qputenv("XDG_STATE_HOME", state.file("file").toUtf8());
    told.clear();
    start();
    EXPECT_FALSE(dm->JournalProblem().isEmpty());
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QString::fromUtf8("вести негде"))) << told[0].toStdString();
}

TEST_F(UnsentTest, ReleasedRowIsSentWithinTenSeconds) {
    exec("INSERT INTO TASK (ID, USER_ID, CAPTION) VALUES (1, 1, 'held')");
    start();
    FbConnection other;
    other.Attach({db->address(), "sysdba", "plumcrest", "WIN1251", 3});
    auto holding = other.Begin();
    other.Execute(*holding, "UPDATE TASK SET CATEGORY = 'x' WHERE ID = 1");
    QElapsedTimer timer;
    timer.start();
    retitle(1, "edited");
    ASSERT_TRUE(dm->HasUnsentChanges());
    // Held long enough for the tries to have spread out.
    Pump(int(26000 - timer.elapsed()));
    ASSERT_TRUE(dm->HasUnsentChanges());
    holding->Rollback();
    timer.restart();
    EXPECT_TRUE(PumpUntil([&] { return !dm->HasUnsentChanges(); }, 15000));
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(text("SELECT CAPTION FROM TASK WHERE ID = 1"), "edited");
}

TEST_F(UnsentTest, RowsTheDatabaseRefusesAreJournalledHoweverTheyWereSent) {
    addGate();
    start();
    for (const bool remakeable : {false, true}) {
        SCOPED_TRACE(remakeable ? "remakeable" : "journalled before the send");
        const QString caption = remakeable ? "remade" : "typed";
        gate(true);
        newTask(caption, remakeable);
        EXPECT_TRUE(dm->HasUnsentChanges());
        EXPECT_EQ(TJournal(journalPath()).Read().rows.size(), 1u);
        gate(false);
        EXPECT_TRUE(dm->SendPending());
        EXPECT_EQ(count("CAPTION = '" + caption + "'"), 1);
        EXPECT_FALSE(QFile::exists(journalPath()));
    }
}
