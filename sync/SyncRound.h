// One sync round on the worker's side: what the server reports, the
// decision, the items written and removed there, the items fetched and
// read; and, once the windows' thread has put the result into the
// tables, the links settled. Blocks on the network and the database: for
// a thread of its own.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "caldav/CalDavClient.h"
#include "ical/CalendarItems.h"
#include "ical/IcalWriter.h"
#include "sync/SyncTypes.h"

class TSyncLinks;

// The rows of the tables as the round found them (numbered rows only: a
// row still waiting for its number from the database waits for the next
// round).
struct SyncSnapshot {
    std::vector<TaskItem> tasks;
    std::vector<EventItem> events;
    ExportSettings settings;  // identity (for new UIDs) and the notice of events
};

// The calendars a round syncs with: paths on the server, ending in '/'
// (the same one for both kinds, or one each).
struct SyncTarget {
    QUrl events;
    QUrl tasks;
};

// A row to change, add or delete on the windows' thread.
struct RowChange {
    enum Kind : uint8_t { Update, Add, Delete } change = Update;
    ItemKind kind = ItemKind::Task;
    int id = 0;
    quint64 expectHash = 0;     // Update, Delete: only while the row still has this hash
    QString href;               // the item's link (none for a conflict's copy)
    bool conflictCopy = false;  // Add: a row's own version, kept beside the server's
    TaskItem task;
    EventItem event;
};

struct RoundOutcome {
    CalDavResult status;  // the first failure, or Ok
    std::vector<RowChange> changes;
    QHash<QString, QString> tokens;  // calendar -> token, stored once the changes are in
    QHash<QString, QString> stamps;  // calendar -> its date before the listing, stored with it
    int pushed = 0, removedThere = 0;
};

class SyncRound {
  public:
    SyncRound(CalDavClient& client, TSyncLinks& links) : client_(client), links_(links) {}

    RoundOutcome Run(const SyncSnapshot& snapshot, const SyncTarget& target);
    // After the windows' thread put `outcome` into the tables: `applied`
    // gives the hash of each changed or added row as stored (by kind and
    // number); a row left out was not changed (the user changed it in the
    // meantime) or is gone.
    void Settle(const RoundOutcome& outcome, const QHash<quint64, quint64>& applied);

    static quint64 RowKey(ItemKind kind, int id) { return (quint64(kind) << 32) | quint32(id); }

  private:
    struct Work;
    bool ListChanges(const SyncTarget& target, Work& w);
    void Push(Work& w);
    void RemoveThere(Work& w);
    bool Pull(Work& w);
    // Writes a batch of rows, several requests in flight; false after a
    // failure that ends the round. The links are stored with the answers.
    // Sends the new rows of each calendar the round found empty as one
    // whole calendar, where there are enough and the server takes it;
    // the rows sent leave `puts`. False after a failure that ends the
    // round.
    bool UploadWhole(Work& w, std::vector<std::pair<SyncLink, QString>>& puts);
    bool UploadWholeTo(Work& w, const QUrl& calendar,
                       std::vector<std::pair<SyncLink, QString>>& puts);
    bool PutBatch(Work& w, std::vector<std::pair<SyncLink, QString>>& batch);
    bool PutAnswered(Work& w, SyncLink& link, CalDavResult r, QString etag, const QByteArray& ics,
                     bool wasNew);
    bool PullItems(Work& w, const std::vector<CalDavItem>& items);
    QUrl CalendarOf(const SyncTarget& target, ItemKind kind) const;

    CalDavClient& client_;
    TSyncLinks& links_;
    void Save(const std::vector<SyncLink>& links);
    void Drop(const QStringList& hrefs);

    std::optional<QHash<QString, SyncLink>> cache_;  // the stored links by address
};
