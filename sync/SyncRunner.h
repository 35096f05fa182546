// Runs sync rounds: the network, the links and the reading of items on a
// thread of its own; on the windows' thread only the snapshot of the rows
// before and the changes to the tables after. A round comes at start,
// every few minutes, and a few seconds after a change here; a failure is
// told in one quiet line and the round is tried again later, waiting
// longer each time.
#pragma once

#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

#include "caldav/CalDavClient.h"
#include "sync/SyncRound.h"

class TDM;
class SyncWorker;

struct SyncConfig {
    bool enabled = false;
    CalDavAccount account;
    SyncTarget target;
    int periodMin = 5;
    // What the links were made for: another server, user or calendar
    // starts the links afresh.
    QString AccountKey() const;
};

class TSyncRunner : public QObject {
    Q_OBJECT
  public:
    // `settings` gives the identity and the notice of events for the items.
    TSyncRunner(TDM& dm, QString databaseAddress, std::function<ExportSettings()> settings,
                QObject* parent = nullptr);
    ~TSyncRunner() override;

    void Configure(const SyncConfig& config);
    const SyncConfig& Config() const { return config_; }
    void SyncNow();       // a round now, or right after the one running
    void LocalChanged();  // a round in a few seconds
    bool Busy() const { return busy_; }
    int Rounds() const { return rounds_; }  // rounds ended, for the tests

    static constexpr int AfterChangeMs = 3000;
    // Rows put into the tables at one turn of the windows' event loop: a
    // round that brings thousands never holds the windows for long.
    size_t applyPart = 100;
    static constexpr int FirstRetryMs = 30000;
    static constexpr int LongestRetryMs = 30 * 60000;

    // The line for the status bar after a failed round (never the password).
    static QString FailureText(const CalDavResult& r, int retryMs);

  signals:
    void TablesChanged();                     // rows came in: lists and calendar to redraw
    void StatusChanged(const QString& text);  // empty: in step
    void RoundEnded(bool ok);

  private:
    void Start();
    void Applied(const RoundOutcome& outcome);
    void ApplyNextPart();
    void Ended(const CalDavResult& status);

    TDM& dm_;
    std::function<ExportSettings()> settings_;
    SyncConfig config_;
    std::atomic<bool> stopping_{false};  // the program closes: calls under way end
    QThread thread_;
    SyncWorker* worker_ = nullptr;
    QTimer period_, soon_;
    bool busy_ = false, again_ = false;
    bool applying_ = false;  // its own changes going into the tables
    struct Applying {
        RoundOutcome outcome;
        size_t next = 0;
        bool failed = false;
        QHash<quint64, quint64> applied;
    };
    std::shared_ptr<Applying> part_;
    int retryMs_ = FirstRetryMs;
    int rounds_ = 0;
};
