// The data module: the one connection to the database and the three
// in-memory tables through which the program reads and changes its records.
// Everything is read at start; every change is sent at once.
//
// Nothing the user typed is lost on the way: a change the database does not
// take (no answer, a row held by another connection, a refusal) stays in
// its table, is written to the journal of unsent changes and is sent again
// later, at the latest at the next start. No call to the server blocks the
// windows for long: attaches, lock waits and every single call are bounded,
// and while the server is gone a thread of its own waits for it to answer.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <future>
#include <memory>
#include <set>

#include "core/Error.h"
#include "data/FbClient.h"
#include "data/Journal.h"
#include "data/MemTable.h"
#include "data/SendTrouble.h"
#include "platform/FileLock.h"

class ServerProbe;

// Another copy of the program keeps the journal of this database.
class EDatabaseInUse : public EQuillet {
  public:
    using EQuillet::EQuillet;
};

class TDM : public QObject {
    Q_OBJECT
  public:
    // What the start sequence asks of the rest of the program, in order.
    struct StartSteps {
        std::function<void(const QString& message)> connectFailed;
        // Another copy works with this database: this one is to end.
        std::function<void(const QString& message)> databaseInUse;
        std::function<void()> tablesReady;         // loaded, the journal replayed
        std::function<void()> loadSettings;        // the options dialog's load step
        std::function<void()> startReminderTimer;  // period from the settings, then on
        std::function<void()> newYearCheck;
        std::function<void()> importCheck;
    };

    TDM();
    ~TDM() override;

    // The start sequence: connect, load the three tables, send what the
    // journal kept from an earlier run, then the later steps. A failed
    // connection is reported and ends the sequence; the tables then stay
    // closed. Errors after that propagate to the caller.
    void DataModuleCreate(const StartSteps& steps);
    // Begins the first steps of the start sequence (connect, load the
    // tables) on a thread of its own; DataModuleCreate waits for them.
    // Nothing may use the module in between.
    void BeginStart();
    // Whether the thread BeginStart began has ended (true when none was).
    bool StartLoaded() const;

    static QString DatabaseAddress();  // 127.0.0.1/3053:<program folder>qlbase.fdb
    // True once the tables are loaded (also while the server is away).
    bool IsConnected() const { return connected_; }

    // A number for a new row, usable at once. It comes from GET_TASK_ID /
    // GET_BIRTH_ID; when that cannot be had (no server, a failing
    // procedure) it is a number of the program's own, below zero, which
    // the row keeps until it is sent and gets its number from the
    // database; Locate finds the row by either number.
    int NewTaskId();
    int NewBirthId();
    // Many numbers with few calls to the server (imports).
    std::vector<int> NewTaskIds(int count);
    std::vector<int> NewBirthIds(int count);

    // Sends every change made to `table` since its last send, in one
    // transaction. What the database does not take stays in the table and
    // in the journal, to go again later; the user is told once while sends
    // keep failing, in words that say what becomes of the changes.
    void ApplyTable(TMemTable& table);
    // The same for new rows that their source can make again, and that it
    // tells apart once stored (an import that records what it brought in):
    // a crash during their first try loses nothing, so they are not
    // journalled before it; what that try leaves unsent is journalled as
    // any change is.
    void ApplyRemakeable(TMemTable& table);
    bool HasUnsentChanges() const;
    // Tries now to send what is pending (reattaching when needed); true
    // when nothing is left.
    bool SendPending();
    // Why the last send failed, with the server's text (for the question
    // at the end).
    QString LastFailureText() const { return lastFailure_; }
    // The server has stopped answering and is being waited for.
    bool ServerAway() const { return away_; }

    // Closes the tables and the connection. What is still unsent stays in
    // the journal for the next start.
    void Close();

    // Called when a change of the tasks or the events is about to be sent
    // (the sync with a calendar server follows the changes).
    std::function<void(TMemTable& table)> onTableChanged;

    // Called with a message for the user when sends start failing, or when
    // the journal could not be read or written.
    std::function<void(const QString& message)> onSendFailed;
    // Called now and then during a long send with how many of its changes
    // have gone, and once more at its end with done == total. Nothing may
    // change the tables from here.
    std::function<void(int done, int total)> onSendProgress;
    // How long a send runs before it tells, and how often it tells then
    // (tests shorten them).
    void SetProgressPace(int firstAfterMs, int everyMs) {
        progressFirstAfterMs_ = firstAfterMs;
        progressEveryMs_ = everyMs;
    }

    const TJournal& Journal() const { return journal_; }
    // Why the journal cannot be written (empty when it can): nothing
    // unsent may then be promised to the next start.
    const QString& JournalProblem() const { return journalError_; }
    static QString DatabaseInUseMessage(const QString& database);

    FbConnection xConnection;
    TMemTable cdsTask{QStringLiteral("TASK"), QStringLiteral("ID"), QStringLiteral("DATETIME")};
    TMemTable cdsBirth{QStringLiteral("BIRTH"), QStringLiteral("ID")};
    TMemTable cdsNote{QStringLiteral("NOTE"), QStringLiteral("ID")};

    // Connects and loads the three tables (the first steps of the start).
    // The journal is chosen and locked first: EDatabaseInUse when another
    // copy of the program holds it.
    void Connect();
    void OpenTables();
    void Connect(const QString& exeDir);

    // Bounds of the waits, in milliseconds or seconds.
    static constexpr int ConnectTimeoutSec = 4;  // an attach
    static constexpr int ProbeTimeoutSec = 2;    // an attach that only looks for the server
    static constexpr int CallTimeoutMs = 8000;   // any one call to the server
    static constexpr int LockWaitSec = 4;        // a row another connection holds
    static constexpr int FirstRetryMs = 5000;    // a refused or blocked send, doubling
    static constexpr int LongestRetryMs = 8000;  // a released row is seen within 10 s

  private:
    void EnsureAttached();
    // Sends one table through a ChangeSender; returns what kept a part of
    // it back (None: all went). Throws when the connection failed, and then
    // nothing was taken.
    SendTrouble SendChanges(TMemTable& table, QString& failure);
    void SendAll(bool evenWhileAway);
    SendTrouble Classify(const EQuillet& e);
    void LoseServer();
    void ServerAnswers();
    void AfterSend(SendTrouble trouble, const QString& failure);
    std::vector<int> NewIds(TMemTable& table, const char* procedure, int count);
    std::vector<int> ServerIds(const TMemTable& table, const QString& procedure, int count);
    int ProvisionalId();
    void MoveSequencesPastTakenNumbers();
    // Beside the database when its folder takes the lock file, else in the
    // user's state folder; no journal when neither does.
    void OpenJournal(const QString& exeDir);
    void ReplayJournal();
    void TellJournalSetAside(const TJournal& journal, const JournalContents& c);
    bool WriteJournal();

    std::future<std::exception_ptr> loading_;  // the steps BeginStart began: what the load threw
    bool connected_ = false;
    bool away_ = false;
    int progressFirstAfterMs_ = 300;
    int progressEveryMs_ = 200;
    int lockWaitSec_ = LockWaitSec;
    int retryMs_ = FirstRetryMs;
    int nextProvisional_ = -1;
    QString lastFailure_;
    QString journalError_;
    std::set<int> told_;  // what the user heard of since sends began failing
    TJournal journal_;
    std::vector<TJournal> places_;  // where journals may be found
    bool journalCurrent_ = false;   // the journal holds every pending change
    FileLock journalLock_;
    QTimer retryTimer_;
    std::unique_ptr<ServerProbe> probe_;
};

// The data module of the running program.
extern TDM* DM;
