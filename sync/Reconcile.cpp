#include "sync/Reconcile.h"

#include <algorithm>

namespace {

quint64 localKey(ItemKind kind, int id) {
    return (quint64(kind) << 32) | quint32(id);
}

bool underWhole(const QString& href, const RemoteView& remote) {
    for (const QString& calendar : remote.wholeCalendars)
        if (href.startsWith(calendar)) return true;
    return false;
}

bool gone(const QString& href, const RemoteView& remote) {
    return remote.removed.contains(href) ||
           (!remote.etags.contains(href) && underWhole(href, remote));
}

void dropPending(SyncLink& link) {
    link.pending = SyncLink::Pending::None;
    link.pendEtag.clear();
    link.pendHash = 0;
}

LinkDecision decision(LinkAction action, QString ifMatch = {}) {
    LinkDecision d;
    d.action = action;
    d.ifMatch = std::move(ifMatch);
    return d;
}

}  // namespace

bool SettleLink(SyncLink& link, const LocalEntry* local, const RemoteView& remote) {
    const SyncLink before = link;
    if (link.pending == SyncLink::Pending::Pull) {
        if (local && (local->hash == link.pendHash || link.etag.isEmpty())) {
            // The pulled item reached the row: the round that fetched it
            // ended before it could say so.
            link.etag = link.pendEtag;
            link.hash = link.pendHash;
            dropPending(link);
        } else if (local || !link.etag.isEmpty()) {
            dropPending(link);  // it never did: the row keeps its own
        }
        // A new row that never came stays pending: it is fetched again.
    } else if (link.pending == SyncLink::Pending::Push) {
        const auto seen = remote.etags.constFind(link.href);
        if (seen != remote.etags.cend() && *seen != link.etag && local &&
            local->hash == link.pendHash) {
            // The server took the row; its tag is the one listed now.
            link.etag = *seen;
            link.hash = link.pendHash;
        }
        dropPending(link);
    }
    return !(link == before);
}

LinkDecision DecideLink(const SyncLink& link, const LocalEntry* local, const RemoteView& remote) {
    const bool isGone = gone(link.href, remote);
    const auto seen = remote.etags.constFind(link.href);
    const bool listed = seen != remote.etags.cend();
    if (link.pending == SyncLink::Pending::Pull)
        return decision(isGone ? LinkAction::Forget : LinkAction::PullAsNew);
    if (link.etag.isEmpty()) {
        // Sent once without an answer that it was stored: it may be there.
        if (local)
            return listed ? decision(LinkAction::Push, *seen) : decision(LinkAction::PushNew);
        return listed ? decision(LinkAction::DeleteThere, *seen) : decision(LinkAction::Forget);
    }
    const bool changedThere = listed && *seen != link.etag;
    const bool changedHere = local && local->hash != link.hash;
    if (!local) {
        if (isGone) return decision(LinkAction::Forget);
        if (changedThere) return decision(LinkAction::PullAsNew);
        return decision(LinkAction::DeleteThere, link.etag);
    }
    if (isGone) return decision(changedHere ? LinkAction::PushNew : LinkAction::DeleteHere);
    if (changedThere) return decision(changedHere ? LinkAction::Conflict : LinkAction::Pull);
    if (changedHere) return decision(LinkAction::Push, link.etag);
    return decision(LinkAction::None);
}

RoundPlan Reconcile(const std::vector<LocalEntry>& local, std::vector<SyncLink> links,
                    const RemoteView& remote) {
    RoundPlan plan;
    QHash<quint64, size_t> rows;
    rows.reserve(qsizetype(local.size()));
    for (size_t i = 0; i < local.size(); ++i)
        rows.insert(localKey(local[i].kind, local[i].id), i);
    QSet<quint64> linkedRows;
    QSet<QString> linkedHrefs;
    linkedRows.reserve(qsizetype(links.size()));
    linkedHrefs.reserve(qsizetype(links.size()));
    for (size_t i = 0; i < links.size(); ++i) {
        SyncLink& link = links[i];
        const quint64 key = localKey(link.kind, link.id);
        const auto row = rows.constFind(key);
        const LocalEntry* here = row == rows.cend() ? nullptr : &local[*row];
        if (SettleLink(link, here, remote)) plan.settled.push_back(i);
        LinkDecision d = DecideLink(link, here, remote);
        linkedRows.insert(key);
        linkedHrefs.insert(link.href);
        if (d.action == LinkAction::None) continue;
        d.link = i;
        plan.decisions.push_back(std::move(d));
    }
    for (const LocalEntry& e : local)
        if (!linkedRows.contains(localKey(e.kind, e.id))) plan.pushNew.push_back(e);
    for (auto it = remote.etags.cbegin(); it != remote.etags.cend(); ++it)
        if (!linkedHrefs.contains(it.key())) plan.pullNew.append(it.key());
    std::sort(plan.pullNew.begin(), plan.pullNew.end());
    plan.links = std::move(links);
    return plan;
}
