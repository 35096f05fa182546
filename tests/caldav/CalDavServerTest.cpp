// The client against a real Radicale server: discovery, the round trip of
// an item, the preconditions that keep it from overwriting, the sync token
// and what the client does when the server no longer knows it.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <functional>

#include "caldav/CalDavClient.h"
#include "ical/IcalReader.h"
#include "ical/IcalWriter.h"
#include "tests/support/RadicaleServer.h"

namespace {

QByteArray EventIcs(const QString& uid, const QString& summary) {
    return QStringLiteral(
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Quillet//test//EN\r\n"
               "BEGIN:VEVENT\r\nUID:%1\r\nDTSTAMP:20240101T000000Z\r\n"
               "DTSTART;VALUE=DATE:20240105\r\nSUMMARY:%2\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
        .arg(uid, summary)
        .toUtf8();
}

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

QStringList HrefsOf(const std::vector<CalDavItem>& items) {
    QStringList hrefs;
    for (const CalDavItem& i : items)
        hrefs << i.href;
    return Sorted(hrefs);
}

// A port nobody listens on.
int FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 1;
}

class CalDavServerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        server_ = new RadicaleServer;
        QString error;
        if (!server_->Start(error)) FAIL() << error.toStdString();
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    // A new calendar of its own for each test.
    QUrl NewCalendar(const QStringList& components = {}) {
        static int count = 0;
        const QString name = QStringLiteral("cal%1").arg(++count);
        const QUrl url = server_->MakeCalendar(name, name, components);
        EXPECT_TRUE(url.isValid() && !url.isEmpty());
        return url;
    }

    // Puts a new item named `name` in `calendar`; its href and tag.
    CalDavItem PutNew(const QUrl& calendar, const QString& name, const QByteArray& ics = {}) {
        CalDavItem item{calendar.path() + name + QStringLiteral(".ics"), {}, {}};
        const CalDavResult r =
            client_.Put(item.href, ics.isEmpty() ? EventIcs(name, name) : ics, {}, item.etag);
        EXPECT_TRUE(r.ok()) << r.message.toStdString();
        return item;
    }

    static RadicaleServer* server_;
    CalDavClient client_{server_->Account(), 10000};
};

RadicaleServer* CalDavServerTest::server_ = nullptr;

TEST_F(CalDavServerTest, DiscoveryFindsTheCalendarsAndWhatTheyHold) {
    struct Case {
        QStringList components;
        bool events, todos;
    } cases[] = {
        {{QStringLiteral("VEVENT")}, true, false},
        {{QStringLiteral("VTODO")}, false, true},
        {{}, true, true},
    };
    std::vector<QUrl> urls;
    for (const Case& c : cases)
        urls.push_back(NewCalendar(c.components));
    // From the server's root (the well-known address) and from the user's own.
    for (const QString& path : {QStringLiteral("/"), '/' + RadicaleServer::User() + '/'}) {
        CalDavAccount account = server_->Account();
        account.server.setPath(path);
        CalDavClient client(account);
        std::vector<CalDavCalendar> found;
        const CalDavResult r = client.Discover(found);
        ASSERT_TRUE(r.ok()) << r.message.toStdString();
        for (size_t i = 0; i < urls.size(); ++i) {
            auto it = std::find_if(found.begin(), found.end(),
                                   [&](const CalDavCalendar& f) { return f.url == urls[i]; });
            ASSERT_NE(it, found.end()) << urls[i].toString().toStdString();
            EXPECT_EQ(it->events, cases[i].events) << i;
            EXPECT_EQ(it->todos, cases[i].todos) << i;
            EXPECT_EQ(it->displayName, urls[i].path().section('/', -2, -2));
        }
    }
}

TEST_F(CalDavServerTest, PutChangesFetchRemoveRoundTrip) {
    const QUrl calendar = NewCalendar();
    CalDavItem item = PutNew(calendar, QStringLiteral("one"));
    EXPECT_FALSE(item.etag.isEmpty());

    CalDavChanges all;
    ASSERT_TRUE(client_.Changes(calendar, {}, all).ok());
    EXPECT_TRUE(all.whole);
    EXPECT_FALSE(all.syncToken.isEmpty());
    ASSERT_EQ(all.items.size(), 1u);
    EXPECT_EQ(all.items[0].href, item.href);
    EXPECT_EQ(all.items[0].etag, item.etag);

    std::vector<CalDavItem> fetched;
    ASSERT_TRUE(client_.Fetch(calendar, {item.href, calendar.path() + "gone.ics"}, fetched).ok());
    ASSERT_EQ(fetched.size(), 1u);  // the missing one left out
    EXPECT_EQ(fetched[0].etag, item.etag);
    EXPECT_TRUE(fetched[0].ics.contains("SUMMARY:one")) << fetched[0].ics.toStdString();

    QString newTag;
    ASSERT_TRUE(client_.Put(item.href, EventIcs("one", "changed"), item.etag, newTag).ok());
    EXPECT_FALSE(newTag.isEmpty());
    EXPECT_NE(newTag, item.etag);
    ASSERT_TRUE(client_.Remove(item.href, newTag).ok());
    CalDavChanges after;
    ASSERT_TRUE(client_.Changes(calendar, all.syncToken, after).ok());
    EXPECT_FALSE(after.whole);
    EXPECT_TRUE(after.items.empty());
    EXPECT_EQ(after.removed, QStringList{item.href});
}

TEST_F(CalDavServerTest, PreconditionsKeepOtherWritesAndMissingItemsAreNamed) {
    const QUrl calendar = NewCalendar();
    const CalDavItem item = PutNew(calendar, QStringLiteral("kept"));
    QString stale = item.etag;
    stale.insert(1, QStringLiteral("00"));
    const QString missing = calendar.path() + QStringLiteral("missing.ics");
    struct Case {
        const char* what;
        std::function<CalDavResult(CalDavClient&)> call;
        CalDavResult::Kind kind;
    } cases[] = {
        {"put over a stale tag",
         [&](CalDavClient& c) {
             QString tag;
             return c.Put(item.href, EventIcs("kept", "x"), stale, tag);
         },
         CalDavResult::PreconditionFailed},
        {"put new over an existing item",
         [&](CalDavClient& c) {
             QString tag;
             return c.Put(item.href, EventIcs("kept", "x"), {}, tag);
         },
         CalDavResult::PreconditionFailed},
        {"remove with a stale tag", [&](CalDavClient& c) { return c.Remove(item.href, stale); },
         CalDavResult::PreconditionFailed},
        {"remove a missing item", [&](CalDavClient& c) { return c.Remove(missing, {}); },
         CalDavResult::NotFound},
        {"changes of a missing calendar",
         [&](CalDavClient& c) {
             CalDavChanges changes;
             return c.Changes(server_->Url().resolved(QUrl("/anna/none/")), {}, changes);
         },
         CalDavResult::NotFound},
    };
    for (const Case& c : cases) {
        const CalDavResult r = c.call(client_);
        EXPECT_EQ(r.kind, c.kind) << c.what << ": " << r.message.toStdString();
    }
    std::vector<CalDavItem> fetched;
    ASSERT_TRUE(client_.Fetch(calendar, {item.href}, fetched).ok());
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_EQ(fetched[0].etag, item.etag);  // untouched
}

TEST_F(CalDavServerTest, PutManyGivesEachWriteItsOwnResult) {
    const QUrl calendar = NewCalendar();
    const CalDavItem old = PutNew(calendar, QStringLiteral("old"));
    struct Case {
        QString name, ifMatch;
        CalDavResult::Kind kind;
    } cases[] = {
        {"n1", {}, CalDavResult::Ok},        {"old", {}, CalDavResult::PreconditionFailed},
        {"n2", {}, CalDavResult::Ok},        {"old", "\"stale\"", CalDavResult::PreconditionFailed},
        {"old", old.etag, CalDavResult::Ok}, {"n3", {}, CalDavResult::Ok},
        {"n4", {}, CalDavResult::Ok},
    };
    std::vector<CalDavPut> puts;
    for (const Case& c : cases) {
        CalDavPut put;
        put.href = calendar.path() + c.name + ".ics";
        put.ics = EventIcs(c.name, "many");
        put.ifMatch = c.ifMatch;
        puts.push_back(put);
    }
    const CalDavResult r = client_.PutMany(puts, 3);
    EXPECT_EQ(r.kind, CalDavResult::PreconditionFailed);
    CalDavChanges all;
    ASSERT_TRUE(client_.Changes(calendar, {}, all).ok());
    for (size_t i = 0; i < puts.size(); ++i) {
        EXPECT_EQ(puts[i].result.kind, cases[i].kind) << i;
        EXPECT_EQ(puts[i].etag.isEmpty(), !puts[i].result.ok()) << i;
        if (!puts[i].result.ok()) continue;
        const auto listed =
            std::find_if(all.items.begin(), all.items.end(),
                         [&](const CalDavItem& item) { return item.href == puts[i].href; });
        ASSERT_NE(listed, all.items.end()) << i;
        EXPECT_EQ(listed->etag, puts[i].etag) << i;
    }

    // No server: the first failure stops the rest, which get it too.
    CalDavAccount gone = server_->Account();
    gone.server.setPort(FreePort());
    CalDavClient nowhere(gone, 3000);
    EXPECT_EQ(nowhere.PutMany(puts, 2).kind, CalDavResult::Unreachable);
    for (const CalDavPut& p : puts)
        EXPECT_EQ(p.result.kind, CalDavResult::Unreachable);
}

TEST_F(CalDavServerTest, FailuresAreToldApartWithoutThePassword) {
    const int port = FreePort();
    struct Case {
        QUrl server;
        QString user, password;
        CalDavResult::Kind kind;
    } cases[] = {
        {server_->Url(), RadicaleServer::User(), QStringLiteral("wrong-пароль"),
         CalDavResult::Unauthorized},
        {server_->Url(), QStringLiteral("nobody"), RadicaleServer::Password(),
         CalDavResult::Unauthorized},
        {QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)), RadicaleServer::User(),
         RadicaleServer::Password(), CalDavResult::Unreachable},
        {QUrl(QStringLiteral("http://192.0.2.7/")), RadicaleServer::User(),
         RadicaleServer::Password(), CalDavResult::Refused},
        {QUrl(QStringLiteral("ftp://127.0.0.1/")), RadicaleServer::User(),
         RadicaleServer::Password(), CalDavResult::Refused},
    };
    for (const Case& c : cases) {
        CalDavClient client({c.server, c.user, c.password, false}, 3000);
        std::vector<CalDavCalendar> found;
        const CalDavResult r = client.Discover(found);
        EXPECT_EQ(r.kind, c.kind) << c.server.toString().toStdString() << ' '
                                  << r.message.toStdString();
        EXPECT_FALSE(r.message.contains(c.password));
        EXPECT_TRUE(found.empty());
    }
}

TEST_F(CalDavServerTest, ACertificateNobodySignedIsRefused) {
    RadicaleServer tls;
    tls.tls = true;
    QString error;
    ASSERT_TRUE(tls.Start(error)) << error.toStdString();
    CalDavClient client(tls.Account(), 5000);
    std::vector<CalDavCalendar> found;
    const CalDavResult r = client.Discover(found);
    EXPECT_EQ(r.kind, CalDavResult::Unreachable) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains(QStringLiteral("SSL"))) << r.message.toStdString();
}

TEST_F(CalDavServerTest, ASilentServerIsUnreachableWithinTheTimeout) {
    QTcpServer silent;  // accepts connections and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    CalDavClient client({QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort())),
                         QStringLiteral("u"), QStringLiteral("p"), false},
                        500);
    QElapsedTimer clock;
    clock.start();
    QString tag;
    const CalDavResult r = client.Put(QStringLiteral("/u/c/x.ics"), "x", {}, tag);
    EXPECT_EQ(r.kind, CalDavResult::Unreachable) << r.message.toStdString();
    EXPECT_LT(clock.elapsed(), 5000);
}

// A program closing during a round: the calls under way, one by one or
// several writes at once, end soon after the flag is set, not at the
// (here one minute) timeout.
TEST_F(CalDavServerTest, CancelledCallsEndAtOnce) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    CalDavClient client({QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort())),
                         QStringLiteral("u"), QStringLiteral("p"), false},
                        60000);
    std::atomic<bool> stopping{false};
    client.SetCancel(&stopping);
    const std::function<CalDavResult()> calls[] = {
        [&] {
            QString tag;
            return client.Put(QStringLiteral("/u/c/x.ics"), "x", {}, tag);
        },
        [&] {
            std::vector<CalDavPut> puts(5);
            for (size_t i = 0; i < puts.size(); ++i)
                puts[i].href = QStringLiteral("/u/c/%1.ics").arg(i);
            const CalDavResult r = client.PutMany(puts, 2);
            for (const CalDavPut& p : puts)
                EXPECT_FALSE(p.result.ok()) << p.href.toStdString();
            return r;
        },
    };
    for (const auto& call : calls) {
        stopping = false;
        QTimer::singleShot(300, [&] { stopping = true; });
        QElapsedTimer clock;
        clock.start();
        const CalDavResult r = call();
        EXPECT_EQ(r.kind, CalDavResult::Unreachable) << r.message.toStdString();
        EXPECT_LT(clock.elapsed(), 5000);
    }
    // Once set, a new call does not even wait for the server.
    QString tag;
    EXPECT_EQ(client.Put(QStringLiteral("/u/c/y.ics"), "y", {}, tag).kind,
              CalDavResult::Unreachable);
}

TEST_F(CalDavServerTest, ATokenBringsOnlyTheChangesAndABadOneTheWholeCalendar) {
    const QUrl calendar = NewCalendar();
    const CalDavItem a = PutNew(calendar, QStringLiteral("a"));
    const CalDavItem b = PutNew(calendar, QStringLiteral("b"));
    const CalDavItem c = PutNew(calendar, QStringLiteral("c"));
    CalDavChanges first;
    ASSERT_TRUE(client_.Changes(calendar, {}, first).ok());
    QString tag;
    ASSERT_TRUE(client_.Put(b.href, EventIcs("b", "b2"), b.etag, tag).ok());
    ASSERT_TRUE(client_.Remove(c.href, c.etag).ok());
    const CalDavItem d = PutNew(calendar, QStringLiteral("d"));

    CalDavChanges since;
    ASSERT_TRUE(client_.Changes(calendar, first.syncToken, since).ok());
    EXPECT_FALSE(since.whole);
    EXPECT_EQ(HrefsOf(since.items), Sorted({b.href, d.href}));
    EXPECT_EQ(since.removed, QStringList{c.href});
    CalDavChanges none;
    ASSERT_TRUE(client_.Changes(calendar, since.syncToken, none).ok());
    EXPECT_TRUE(none.items.empty() && none.removed.empty() && !none.whole);

    const QString bad[] = {QStringLiteral("http://radicale.org/ns/sync/") + QString(64, '0'),
                           QStringLiteral("not a token")};
    for (const QString& token : bad) {
        CalDavChanges whole;
        const CalDavResult r = client_.Changes(calendar, token, whole);
        ASSERT_TRUE(r.ok()) << r.message.toStdString();
        EXPECT_TRUE(whole.whole);
        EXPECT_EQ(HrefsOf(whole.items), Sorted({a.href, b.href, d.href}));
        EXPECT_TRUE(whole.removed.isEmpty());
    }
}

TEST_F(CalDavServerTest, CyrillicAndTheTwentyNinthOfFebruarySurvive) {
    const QUrl calendar = NewCalendar();
    EventItem event;
    event.id = 7;
    event.caption = QStringLiteral("День рождения Ёлкиной «Зои»");
    event.comment = QStringLiteral("Подарок: щётка; ёж, 100%");
    event.date = EncodeDate(1996, 2, 29);
    TaskItem task;
    task.id = 8;
    task.caption = QStringLiteral("Купить ёлку");
    task.needAlert = true;
    task.when = EncodeDateTime(2028, 2, 29, 9, 30, 0, 0);
    ExportSettings settings;
    settings.identity = QStringLiteral("ид");
    // Names outside ASCII and with a space in the href too.
    const CalDavItem e =
        PutNew(calendar, QStringLiteral("Ёлка 1"), WriteICalendar({}, {event}, settings));
    const CalDavItem t =
        PutNew(calendar, QStringLiteral("задача%"), WriteICalendar({task}, {}, settings));
    CalDavChanges all;
    ASSERT_TRUE(client_.Changes(calendar, {}, all).ok());
    EXPECT_EQ(HrefsOf(all.items), Sorted({t.href, e.href}));
    std::vector<CalDavItem> fetched;
    ASSERT_TRUE(client_.Fetch(calendar, {e.href, t.href}, fetched).ok());
    ASSERT_EQ(fetched.size(), 2u);
    for (const CalDavItem& item : fetched) {
        const FileItems read = ReadICalendar(item.ics);
        if (item.href == e.href) {
            ASSERT_EQ(read.events.size(), 1u);
            EXPECT_EQ(read.events[0].caption, event.caption);
            EXPECT_EQ(read.events[0].comment, event.comment);
            EXPECT_EQ(read.events[0].date, event.date);
        } else {
            ASSERT_EQ(read.tasks.size(), 1u);
            EXPECT_EQ(read.tasks[0].caption, task.caption);
            EXPECT_EQ(read.tasks[0].when, task.when);
        }
    }
}

}  // namespace
