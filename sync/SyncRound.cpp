#include "sync/SyncRound.h"

#include <QSet>

#include "sync/ChangeStamp.h"
#include "sync/LinkTable.h"
#include "sync/Reconcile.h"
#include "sync/SyncItems.h"
#include "sync/WholeUpload.h"

namespace {

// Links are stored in batches: a round cut short between two leaves the
// pushes of the last one under way, which the next round settles.
constexpr size_t kSaveBatch = 250;
constexpr qsizetype kFetchBatch = 200;

bool sendFailed(const CalDavResult& r) {
    return !r.ok() && r.kind != CalDavResult::PreconditionFailed &&
           r.kind != CalDavResult::NotFound;
}

}  // namespace

struct SyncRound::Work {
    const SyncSnapshot* snap = nullptr;
    SyncTarget target;
    QHash<quint64, const TaskItem*> tasks;
    QHash<quint64, const EventItem*> events;
    QHash<quint64, quint64> hashes;
    RemoteView remote;
    RoundPlan plan;
    RoundOutcome out;
    QHash<QString, size_t> pulling;  // href -> its decision
    QHash<QString, size_t> listed;   // calendar -> how many items its listing gave

    quint64 HashOf(const SyncLink& l) const { return hashes.value(RowKey(l.kind, l.id)); }
    QByteArray Ics(const SyncLink& l) const {
        const quint64 key = RowKey(l.kind, l.id);
        if (l.kind == ItemKind::Task) return TaskIcs(*tasks.value(key), l.uid, snap->settings);
        return EventIcs(*events.value(key), l.uid, snap->settings);
    }
};

void SyncRound::Save(const std::vector<SyncLink>& links) {
    links_.Store(links);
    for (const SyncLink& l : links)
        cache_->insert(l.href, l);
}

void SyncRound::Drop(const QStringList& hrefs) {
    links_.Remove(hrefs);
    for (const QString& h : hrefs)
        cache_->remove(h);
}

QUrl SyncRound::CalendarOf(const SyncTarget& target, ItemKind kind) const {
    return kind == ItemKind::Task ? target.tasks : target.events;
}

bool SyncRound::ListChanges(const SyncTarget& target, Work& w) {
    QList<QUrl> calendars{target.events};
    if (target.tasks != target.events) calendars.append(target.tasks);
    for (const QUrl& calendar : calendars) {
        const QString path = calendar.path();
        const QString token = links_.Token(path);
        if (StampWorthAsking(token)) {
            QString modified, serverTime;
            const CalDavResult r = client_.LastChange(calendar, modified, serverTime);
            if (!r.ok()) {
                w.out.status = r;
                return false;
            }
            if (!ListingNeeded(token, links_.Stamp(path), modified)) continue;
            w.out.stamps.insert(path, StampToKeep(modified, serverTime));
        }
        CalDavChanges changes;
        const CalDavResult r = client_.Changes(calendar, token, changes);
        if (!r.ok()) {
            w.out.status = r;
            return false;
        }
        if (changes.whole) w.remote.wholeCalendars.append(path);
        w.listed.insert(path, changes.items.size());
        for (const CalDavItem& item : changes.items)
            w.remote.etags.insert(item.href, item.etag);
        for (const QString& href : changes.removed)
            w.remote.removed.insert(href);
        w.out.tokens.insert(path, changes.syncToken);
    }
    return true;
}

RoundOutcome SyncRound::Run(const SyncSnapshot& snapshot, const SyncTarget& target) {
    Work w;
    w.snap = &snapshot;
    w.target = target;
    if (!cache_) {
        cache_.emplace();
        for (SyncLink& l : links_.Load())
            cache_->insert(l.href, std::move(l));
    }
    std::vector<LocalEntry> local;
    local.reserve(snapshot.tasks.size() + snapshot.events.size());
    for (const TaskItem& t : snapshot.tasks) {
        const quint64 key = RowKey(ItemKind::Task, t.id);
        w.tasks.insert(key, &t);
        w.hashes.insert(key, TaskHash(t));
        local.push_back({ItemKind::Task, t.id, w.hashes.value(key)});
    }
    for (const EventItem& e : snapshot.events) {
        const quint64 key = RowKey(ItemKind::Event, e.id);
        w.events.insert(key, &e);
        w.hashes.insert(key, EventHash(e));
        local.push_back({ItemKind::Event, e.id, w.hashes.value(key)});
    }
    if (!ListChanges(target, w)) return w.out;
    w.plan = Reconcile(local, std::vector<SyncLink>(cache_->cbegin(), cache_->cend()), w.remote);
    std::vector<SyncLink> settled;
    for (size_t i : w.plan.settled)
        settled.push_back(w.plan.links[i]);
    Save(settled);
    Push(w);
    if (!w.out.status.ok()) return w.out;
    RemoveThere(w);
    if (!w.out.status.ok()) return w.out;
    Pull(w);
    return w.out;
}

bool SyncRound::PutAnswered(Work& w, SyncLink& link, CalDavResult r, QString etag,
                            const QByteArray& ics, bool wasNew) {
    if (r.kind == CalDavResult::PreconditionFailed && wasNew) {
        // Already there: sent by a round cut short before it heard the
        // answer, or made before the links were. This row is the newer.
        std::vector<CalDavItem> there;
        r = client_.Fetch(CalendarOf(w.target, link.kind), {link.href}, there);
        if (r.ok() && !there.empty()) r = client_.Put(link.href, ics, there[0].etag, etag);
    }
    if (sendFailed(r)) {
        w.out.status = r;
        return false;
    }
    if (r.ok()) {
        ++w.out.pushed;
        if (!etag.isEmpty()) {
            link.etag = etag;
            link.hash = link.pendHash;
            link.pending = SyncLink::Pending::None;
            link.pendHash = 0;
        }
    } else {
        // Changed there meanwhile: the next round meets it as a change.
        link.pending = SyncLink::Pending::None;
        link.pendHash = 0;
    }
    return true;
}

bool SyncRound::PutBatch(Work& w, std::vector<std::pair<SyncLink, QString>>& batch) {
    std::vector<CalDavPut> puts(batch.size());
    for (size_t i = 0; i < batch.size(); ++i) {
        puts[i].href = batch[i].first.href;
        puts[i].ics = w.Ics(batch[i].first);
        puts[i].ifMatch = batch[i].second;
    }
    client_.PutMany(puts);
    bool ok = true;
    std::vector<SyncLink> answered;
    for (size_t i = 0; i < batch.size() && ok; ++i) {
        ok = PutAnswered(w, batch[i].first, puts[i].result, puts[i].etag, puts[i].ics,
                         batch[i].second.isEmpty());
        if (ok) answered.push_back(batch[i].first);
    }
    Save(answered);
    return ok;
}

void SyncRound::Push(Work& w) {
    std::vector<std::pair<SyncLink, QString>> puts;  // link under way, If-Match
    for (const LinkDecision& d : w.plan.decisions) {
        if (d.action != LinkAction::Push && d.action != LinkAction::PushNew) continue;
        SyncLink link = w.plan.links[d.link];
        if (d.action == LinkAction::PushNew) link.etag.clear();
        link.pending = SyncLink::Pending::Push;
        link.pendHash = w.HashOf(link);
        puts.emplace_back(std::move(link), d.ifMatch);
    }
    QSet<QString> pushedHrefs;
    for (const LocalEntry& e : w.plan.pushNew) {
        SyncLink link;
        link.kind = e.kind;
        link.id = e.id;
        const QString& identity = w.snap->settings.identity;
        link.uid = e.kind == ItemKind::Task ? TaskUid(e.id, identity) : EventUid(e.id, identity);
        link.href = ItemHref(CalendarOf(w.target, e.kind).path(), link.uid);
        link.pending = SyncLink::Pending::Push;
        link.pendHash = e.hash;
        pushedHrefs.insert(link.href);
        // Already there (the links were lost): replaced while it is as listed.
        QString ifMatch = w.remote.etags.value(link.href);
        puts.emplace_back(std::move(link), std::move(ifMatch));
    }
    // An item of ours there without a link (the links were lost) is this
    // row's: it goes out, it does not come in as another row.
    if (!pushedHrefs.isEmpty())
        w.plan.pullNew.removeIf([&](const QString& h) { return pushedHrefs.contains(h); });
    if (puts.empty()) return;
    std::vector<SyncLink> underWay;
    underWay.reserve(puts.size());
    for (const auto& p : puts)
        underWay.push_back(p.first);
    Save(underWay);  // before anything goes: a repeat finds its own item
    if (!UploadWhole(w, puts)) return;
    for (size_t at = 0; at < puts.size(); at += kSaveBatch) {
        std::vector<std::pair<SyncLink, QString>> batch(
            puts.begin() + qsizetype(at),
            puts.begin() + qsizetype(qMin(puts.size(), at + kSaveBatch)));
        if (!PutBatch(w, batch)) break;
    }
}

bool SyncRound::UploadWhole(Work& w, std::vector<std::pair<SyncLink, QString>>& puts) {
    QList<QUrl> calendars{w.target.events};
    if (w.target.tasks != w.target.events) calendars.append(w.target.tasks);
    for (const QUrl& calendar : calendars)
        if (!UploadWholeTo(w, calendar, puts)) return false;
    return true;
}

bool SyncRound::UploadWholeTo(Work& w, const QUrl& calendar,
                              std::vector<std::pair<SyncLink, QString>>& puts) {
    const QString path = calendar.path();
    std::vector<size_t> mine;
    QStringList uids;
    for (size_t i = 0; i < puts.size(); ++i) {
        if (!puts[i].second.isEmpty() || !puts[i].first.href.startsWith(path)) continue;
        mine.push_back(i);
        uids.append(puts[i].first.uid);
    }
    if (!WholeUploadFits(w.remote.wholeCalendars.contains(path), w.listed.value(path), uids))
        return true;
    // Still empty, and its tag with it: the write goes only while it stays so.
    CalDavCollection info;
    CalDavResult r = client_.Inspect(calendar, info);
    if (!r.ok() || info.items != 0 || info.etag.isEmpty()) return true;
    std::vector<QByteArray> texts;
    texts.reserve(mine.size());
    for (size_t i : mine)
        texts.push_back(w.Ics(puts[i].first));
    const int timeout = client_.Timeout();
    client_.SetTimeout(WholeUploadTimeoutMs(mine.size(), timeout));
    r = client_.PutWhole(calendar, JoinCalendar(texts, info.displayName), info);
    texts.clear();
    const WholeStep step = WholeStepOf(r);
    CalDavChanges now;
    if (step == WholeStep::Done) r = client_.Changes(calendar, QString(), now);
    client_.SetTimeout(timeout);
    if (step == WholeStep::OneByOne) return true;
    if (step == WholeStep::Stop || !r.ok()) {
        // The links stay under way: the next round's listing settles them.
        w.out.status = r;
        return false;
    }
    std::vector<SyncLink> links;
    links.reserve(mine.size());
    for (size_t i : mine)
        links.push_back(std::move(puts[i].first));
    const QStringList others = SettleUploaded(links, now.items);
    Save(links);
    w.out.pushed += int(mine.size());
    // The calendar's history began again with this write.
    w.out.tokens.insert(path, now.syncToken);
    for (const CalDavItem& item : now.items)
        w.remote.etags.insert(item.href, item.etag);
    for (const QString& href : others)
        if (!w.plan.pullNew.contains(href)) w.plan.pullNew.append(href);
    std::vector<std::pair<SyncLink, QString>> rest;
    for (size_t i = 0, m = 0; i < puts.size(); ++i) {
        if (m < mine.size() && mine[m] == i) {
            ++m;
        } else {
            rest.push_back(std::move(puts[i]));
        }
    }
    puts = std::move(rest);
    return true;
}

void SyncRound::RemoveThere(Work& w) {
    QStringList gone;
    for (const LinkDecision& d : w.plan.decisions) {
        const SyncLink& link = w.plan.links[d.link];
        if (d.action == LinkAction::Forget) {
            gone.append(link.href);
        } else if (d.action == LinkAction::DeleteThere) {
            const CalDavResult r = client_.Remove(link.href, d.ifMatch);
            if (sendFailed(r)) {
                w.out.status = r;
                break;
            }
            if (r.kind != CalDavResult::PreconditionFailed) {
                gone.append(link.href);
                ++w.out.removedThere;
            }
        } else if (d.action == LinkAction::DeleteHere) {
            RowChange c;
            c.change = RowChange::Delete;
            c.kind = link.kind;
            c.id = link.id;
            c.expectHash = w.HashOf(link);
            c.href = link.href;
            w.out.changes.push_back(std::move(c));
        }
    }
    Drop(gone);
}

bool SyncRound::Pull(Work& w) {
    QStringList wanted = w.plan.pullNew;
    for (size_t i = 0; i < w.plan.decisions.size(); ++i) {
        const LinkAction a = w.plan.decisions[i].action;
        if (a != LinkAction::Pull && a != LinkAction::Conflict && a != LinkAction::PullAsNew)
            continue;
        const QString& href = w.plan.links[w.plan.decisions[i].link].href;
        w.pulling.insert(href, i);
        wanted.append(href);
    }
    if (wanted.isEmpty()) return true;
    QList<QUrl> calendars{w.target.events};
    if (w.target.tasks != w.target.events) calendars.prepend(w.target.tasks);
    std::vector<CalDavItem> fetched;
    for (const QUrl& calendar : calendars) {
        const QString path = calendar.path();
        QStringList mine, rest;
        for (const QString& href : wanted)
            (href.startsWith(path) || calendar == calendars.back() ? mine : rest).append(href);
        wanted = rest;
        for (qsizetype at = 0; at < mine.size(); at += kFetchBatch) {
            std::vector<CalDavItem> part;
            const CalDavResult r = client_.Fetch(calendar, mine.mid(at, kFetchBatch), part);
            if (!r.ok()) {
                w.out.status = r;
                return false;
            }
            std::move(part.begin(), part.end(), std::back_inserter(fetched));
        }
    }
    return PullItems(w, fetched);
}

namespace {

RowChange rowChange(RowChange::Kind change, const ServerItem& s, int id) {
    RowChange c;
    c.change = change;
    c.kind = s.kind;
    c.id = id;
    c.task = s.task;
    c.event = s.event;
    c.task.id = c.event.id = id;
    return c;
}

}  // namespace

bool SyncRound::PullItems(Work& w, const std::vector<CalDavItem>& items) {
    struct Read {
        const CalDavItem* item;
        ServerItem s;
        const LinkDecision* d;
    };
    std::vector<Read> reads;
    int need[2] = {0, 0};
    for (const CalDavItem& item : items) {
        Read r{&item, ReadServerItem(item.ics), nullptr};
        if (!r.s.ok) continue;
        const auto d = w.pulling.constFind(item.href);
        if (d != w.pulling.cend()) r.d = &w.plan.decisions[*d];
        const SyncLink* link = r.d ? &w.plan.links[r.d->link] : nullptr;
        if (link && r.d->action != LinkAction::PullAsNew && link->kind != r.s.kind) continue;
        if (!r.d || r.d->action != LinkAction::Pull) ++need[int(r.s.kind)];
        reads.push_back(std::move(r));
    }
    std::vector<int> ids[2] = {links_.NewIds(ItemKind::Task, need[0]),
                               links_.NewIds(ItemKind::Event, need[1])};
    size_t next[2] = {0, 0};
    std::vector<SyncLink> links;
    for (Read& r : reads) {
        const int k = int(r.s.kind);
        SyncLink link;
        if (r.d) link = w.plan.links[r.d->link];
        const bool update = r.d && r.d->action != LinkAction::PullAsNew;
        if (!update) {
            if (next[k] >= ids[k].size() || ids[k][next[k]] <= 0) continue;
            link.kind = r.s.kind;
            link.id = ids[k][next[k]++];
            if (!r.d) link.uid = r.s.uid().isEmpty() ? r.item->href : r.s.uid();
            link.href = r.item->href;
            link.etag.clear();
        }
        link.pending = SyncLink::Pending::Pull;
        link.pendEtag = r.item->etag;
        link.pendHash = r.s.hash();
        RowChange c = rowChange(update ? RowChange::Update : RowChange::Add, r.s, link.id);
        c.expectHash = update ? w.HashOf(link) : 0;
        c.href = link.href;
        w.out.changes.push_back(std::move(c));
        if (r.d && r.d->action == LinkAction::Conflict) {
            const quint64 key = RowKey(link.kind, link.id);
            RowChange copy;
            copy.change = RowChange::Add;
            copy.kind = link.kind;
            copy.id = ids[k][next[k]++];
            copy.conflictCopy = true;
            if (link.kind == ItemKind::Task)
                copy.task = *w.tasks.value(key);
            else
                copy.event = *w.events.value(key);
            copy.task.id = copy.event.id = copy.id;
            w.out.changes.push_back(std::move(copy));
        }
        links.push_back(std::move(link));
    }
    Save(links);  // before the rows: a row whose link is there is never added twice
    return true;
}

void SyncRound::Settle(const RoundOutcome& outcome, const QHash<quint64, quint64>& applied) {
    if (!cache_) return;
    std::vector<SyncLink> save;
    QStringList drop;
    bool all = true;
    for (const RowChange& c : outcome.changes) {
        const auto it = cache_->constFind(c.href);
        if (c.href.isEmpty() || it == cache_->cend()) continue;
        const auto a = applied.constFind(RowKey(c.kind, c.id));
        const bool done = a != applied.cend();
        all = all && done;
        if (c.change == RowChange::Delete) {
            if (done) drop.append(c.href);
            continue;
        }
        SyncLink l = *it;
        if (done) {
            l.etag = l.pendEtag;
            l.hash = *a;
        }
        if (done || c.change == RowChange::Update) {
            l.pending = SyncLink::Pending::None;
            l.pendEtag.clear();
            l.pendHash = 0;
        }
        save.push_back(std::move(l));
    }
    Save(save);
    Drop(drop);
    // A change left out comes again only while the token stays where it was.
    if (!all || !outcome.status.ok()) return;
    for (auto it = outcome.tokens.cbegin(); it != outcome.tokens.cend(); ++it) {
        links_.SetToken(it.key(), it.value());
        // The date goes after the token: cut short between the two, the
        // date kept is an older one, and still true of the new token.
        links_.SetStamp(it.key(), outcome.stamps.value(it.key()));
    }
}
