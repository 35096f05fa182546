// The decision of a sync round: from the rows here, the links of the last
// round and what the server reports, what goes where. Plain functions.
//
// A row changed on both sides since the last round takes the server's
// version, and its own is kept as a new row (a conflict copy). A row
// deleted here but changed there comes back; a row changed here but
// deleted there goes to the server again: no edit is ever lost.
#pragma once

#include <QHash>
#include <QSet>
#include <QStringList>
#include <vector>

#include "sync/SyncTypes.h"

// What the server reports, all calendars together.
struct RemoteView {
    QHash<QString, QString> etags;  // href -> tag of the items listed (changed or all)
    QSet<QString> removed;          // hrefs reported gone
    // Calendars listed whole: a link under one of them whose href was not
    // listed is gone too.
    QStringList wholeCalendars;
};

enum class LinkAction : uint8_t {
    None,
    Push,         // the row to the server, while the server's tag is `ifMatch`
    PushNew,      // the row to the server where nothing is yet
    Pull,         // the server's item into the row
    Conflict,     // Pull, and the row's own version kept as a new row
    PullAsNew,    // the server's item as a new row (the link's row is gone)
    DeleteHere,   // the row goes; so does the link
    DeleteThere,  // the item goes, while its tag is `ifMatch`; so does the link
    Forget,       // only the link goes
};

struct LinkDecision {
    size_t link = 0;  // index into the links
    LinkAction action = LinkAction::None;
    QString ifMatch;  // Push, DeleteThere
};

struct RoundPlan {
    std::vector<SyncLink> links;          // after settling what earlier rounds left under way
    std::vector<size_t> settled;          // links whose stored form changed by that
    std::vector<LinkDecision> decisions;  // one per link with something to do
    std::vector<LocalEntry> pushNew;      // rows without a link
    QStringList pullNew;                  // hrefs without a link
};

// Finishes or drops what an earlier round left under way, by what the row
// and the server show now. Returns whether the link changed.
bool SettleLink(SyncLink& link, const LocalEntry* local, const RemoteView& remote);

// What to do with one settled link.
LinkDecision DecideLink(const SyncLink& link, const LocalEntry* local, const RemoteView& remote);

RoundPlan Reconcile(const std::vector<LocalEntry>& local, std::vector<SyncLink> links,
                    const RemoteView& remote);
