// The data module: the one connection to the database and the three
// in-memory tables through which the program reads and changes its records.
// Everything is read at start; every change is sent at once.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "data/FbClient.h"
#include "data/MemTable.h"

class TDM : public QObject {
    Q_OBJECT
  public:
    // What the start sequence asks of the rest of the program, in order.
    struct StartSteps {
        std::function<void(const QString& message)> connectFailed;
        std::function<void()> loadSettings;        // the options dialog's load step
        std::function<void()> startReminderTimer;  // period from the settings, then on
        std::function<void()> newYearCheck;
        std::function<void()> importCheck;
    };

    TDM();
    ~TDM() override;

    // The start sequence: connect, load the three tables, then the later
    // steps. A failed connection is reported and ends the sequence; the
    // tables then stay closed. Errors after that propagate to the caller.
    void DataModuleCreate(const StartSteps& steps);

    static QString DatabaseAddress();  // 127.0.0.1/3053:<program folder>qlbase.fdb
    bool IsConnected() const { return connected_; }

    int NewTaskId();
    int NewBirthId();

    // Sends every change made to `table` since its last send, in one
    // transaction. A refused send is rolled back in the database and kept
    // in the table, to go again with the next send; the user is told once
    // while sends keep failing.
    void ApplyTable(TMemTable& table);
    bool HasUnsentChanges() const;
    // Sends what is still pending; true when nothing is left.
    bool SendPending();

    // Closes the tables and the connection; a last send is tried first.
    void Close();

    // Called with the message for the user when a send starts failing.
    std::function<void(const QString& message)> onSendFailed;

    FbConnection xConnection;
    TMemTable cdsTask{QStringLiteral("TASK"), QStringLiteral("ID"), QStringLiteral("DATETIME")};
    TMemTable cdsBirth{QStringLiteral("BIRTH"), QStringLiteral("ID")};
    TMemTable cdsNote{QStringLiteral("NOTE"), QStringLiteral("ID")};

    // Connects and loads the three tables (the first steps of the start).
    void Connect();
    void OpenTables();

  private:
    void EnsureAttached();
    void SendChanges(TMemTable& table);
    int CallIdProcedure(const char* procedure);
    void NoteFailure(const EQuillet& e);

    bool connected_ = false;
    bool attachmentLost_ = false;
    bool sendFailing_ = false;
    QTimer retryTimer_;
};

// The data module of the running program.
extern TDM* DM;
