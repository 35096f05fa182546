#include <gtest/gtest.h>

#include "sync/Reconcile.h"

namespace {

const QString kCal = QStringLiteral("/cal/");
const QString kHref = QStringLiteral("/cal/a.ics");

// What the server shows of the one item: listed with a tag, reported
// removed, or not mentioned (in a whole listing, or since a token).
enum class There { Listed, Removed, Unlisted, UnlistedWhole };

RemoteView remoteOf(There there, const QString& etag) {
    RemoteView r;
    if (there == There::Listed) r.etags.insert(kHref, etag);
    if (there == There::Removed) r.removed.insert(kHref);
    if (there == There::UnlistedWhole || there == There::Listed) r.wholeCalendars.append(kCal);
    return r;
}

struct DecideCase {
    const char* name;
    const char* etag;   // the link's
    quint64 localHash;  // 0: the row is gone here
    There there;
    const char* seen;  // tag listed
    LinkAction action;
    const char* ifMatch;
};

// The link was in step at tag "e1" with hash 10.
const DecideCase decideCases[] = {
    {"unchanged", "e1", 10, There::Listed, "e1", LinkAction::None, ""},
    {"unchanged_since_token", "e1", 10, There::Unlisted, "", LinkAction::None, ""},
    {"changed_here", "e1", 11, There::Unlisted, "", LinkAction::Push, "e1"},
    {"changed_there", "e1", 10, There::Listed, "e2", LinkAction::Pull, ""},
    {"changed_both", "e1", 11, There::Listed, "e2", LinkAction::Conflict, ""},
    {"deleted_here", "e1", 0, There::Unlisted, "", LinkAction::DeleteThere, "e1"},
    {"deleted_here_changed_there", "e1", 0, There::Listed, "e2", LinkAction::PullAsNew, ""},
    {"deleted_both", "e1", 0, There::Removed, "", LinkAction::Forget, ""},
    {"deleted_there", "e1", 10, There::Removed, "", LinkAction::DeleteHere, ""},
    {"missing_from_whole_listing", "e1", 10, There::UnlistedWhole, "", LinkAction::DeleteHere, ""},
    {"deleted_there_changed_here", "e1", 11, There::Removed, "", LinkAction::PushNew, ""},
    {"never_stored_not_there", "", 10, There::Unlisted, "", LinkAction::PushNew, ""},
    {"never_stored_but_there", "", 10, There::Listed, "e5", LinkAction::Push, "e5"},
    {"never_stored_deleted_here", "", 0, There::Listed, "e5", LinkAction::DeleteThere, "e5"},
    {"never_stored_gone_both", "", 0, There::Unlisted, "", LinkAction::Forget, ""},
};

class DecideTest : public testing::TestWithParam<DecideCase> {};

TEST_P(DecideTest, Action) {
    const DecideCase& c = GetParam();
    SyncLink link;
    link.href = kHref;
    link.etag = QLatin1String(c.etag);
    link.hash = 10;
    const LocalEntry local{ItemKind::Task, 1, c.localHash};
    const LinkDecision d =
        DecideLink(link, c.localHash ? &local : nullptr, remoteOf(c.there, QLatin1String(c.seen)));
    EXPECT_EQ(int(d.action), int(c.action));
    EXPECT_EQ(d.ifMatch, QLatin1String(c.ifMatch));
}

INSTANTIATE_TEST_SUITE_P(Links, DecideTest, testing::ValuesIn(decideCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct SettleCase {
    const char* name;
    SyncLink::Pending pending;
    const char* etag;
    quint64 localHash;  // 0: no row
    There there;
    const char* seen;
    // After settling:
    const char* etagAfter;
    quint64 hashAfter;
    bool stillPending;
    LinkAction then;
};

// The link was at "e1" with hash 10; the change under way brings hash 20
// (a pull of "e2", or a push).
const SettleCase settleCases[] = {
    {"pull_reached_row", SyncLink::Pending::Pull, "e1", 20, There::Listed, "e2", "e2", 20, false,
     LinkAction::None},
    {"pull_never_reached_row", SyncLink::Pending::Pull, "e1", 10, There::Listed, "e2", "e1", 10,
     false, LinkAction::Pull},
    {"new_pull_row_there", SyncLink::Pending::Pull, "", 20, There::Unlisted, "", "e2", 20, false,
     LinkAction::None},
    {"new_pull_row_missing", SyncLink::Pending::Pull, "", 0, There::Unlisted, "", "", 10, true,
     LinkAction::PullAsNew},
    {"new_pull_gone_there", SyncLink::Pending::Pull, "", 0, There::Removed, "", "", 10, true,
     LinkAction::Forget},
    {"push_landed", SyncLink::Pending::Push, "e1", 20, There::Listed, "e3", "e3", 20, false,
     LinkAction::None},
    {"push_never_went", SyncLink::Pending::Push, "e1", 20, There::Unlisted, "", "e1", 10, false,
     LinkAction::Push},
    {"push_then_changed_here", SyncLink::Pending::Push, "e1", 21, There::Listed, "e3", "e1", 10,
     false, LinkAction::Conflict},
    {"new_push_landed", SyncLink::Pending::Push, "", 20, There::Listed, "e3", "e3", 20, false,
     LinkAction::None},
};

class SettleTest : public testing::TestWithParam<SettleCase> {};

TEST_P(SettleTest, FinishesOrDrops) {
    const SettleCase& c = GetParam();
    SyncLink link;
    link.href = kHref;
    link.etag = QLatin1String(c.etag);
    link.hash = 10;
    link.pending = c.pending;
    link.pendEtag = QStringLiteral("e2");
    link.pendHash = 20;
    const LocalEntry local{ItemKind::Task, 1, c.localHash};
    const LocalEntry* here = c.localHash ? &local : nullptr;
    const RemoteView remote = remoteOf(c.there, QLatin1String(c.seen));
    SettleLink(link, here, remote);
    EXPECT_EQ(link.etag, QLatin1String(c.etagAfter));
    EXPECT_EQ(link.hash, c.hashAfter);
    EXPECT_EQ(link.pending != SyncLink::Pending::None, c.stillPending);
    EXPECT_EQ(int(DecideLink(link, here, remote).action), int(c.then));
}

INSTANTIATE_TEST_SUITE_P(Links, SettleTest, testing::ValuesIn(settleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Reconcile, NewRowsAndItemsWithoutLinks) {
    SyncLink linked;
    linked.href = kHref;
    linked.id = 1;
    linked.etag = QStringLiteral("e1");
    linked.hash = 10;
    const std::vector<LocalEntry> local{
        {ItemKind::Task, 1, 10}, {ItemKind::Task, 2, 30}, {ItemKind::Event, 1, 40}};
    RemoteView remote;
    remote.etags.insert(kHref, QStringLiteral("e1"));
    remote.etags.insert(QStringLiteral("/cal/z.ics"), QStringLiteral("z"));
    remote.etags.insert(QStringLiteral("/cal/b.ics"), QStringLiteral("b"));
    const RoundPlan plan = Reconcile(local, {linked}, remote);
    EXPECT_TRUE(plan.decisions.empty());
    ASSERT_EQ(plan.pushNew.size(), 2u);  // task 2, and event 1 (same number, other kind)
    EXPECT_EQ(plan.pushNew[0].id, 2);
    EXPECT_EQ(plan.pushNew[1].kind, ItemKind::Event);
    EXPECT_EQ(plan.pullNew,
              (QStringList{QStringLiteral("/cal/b.ics"), QStringLiteral("/cal/z.ics")}));
}

}  // namespace
