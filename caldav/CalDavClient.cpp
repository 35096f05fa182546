#include "caldav/CalDavClient.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "caldav/DavMultistatus.h"
#include "caldav/DavRules.h"

namespace {

// What came back for one request, after the redirects it was allowed.
struct HttpReply {
    int status = 0;
    bool networkFailed = false;
    bool refused = false;
    QByteArray body;
    QString etag;
    QString date;  // the Date header
    QUrl url;      // the last one asked
    QString error;
};

using Headers = std::vector<std::pair<QByteArray, QByteArray>>;

constexpr int kMaxRedirects = 5;
constexpr int CancelPollMs = 50;  // how soon a cancelled call ends
constexpr int kMultigetChunk = 500;
constexpr int kMaxSyncRounds = 100;

QString Shown(const QUrl& url) {
    return url.toDisplayString(QUrl::RemoveUserInfo);
}

HttpReply RefusedReply(const QUrl& url) {
    HttpReply refused;
    refused.refused = true;
    refused.url = url;
    refused.error = QStringLiteral("plain http to a non-loopback address is not allowed");
    return refused;
}

Headers PutHeaders(const QString& ifMatch) {
    Headers headers = {{"Content-Type", "text/calendar; charset=utf-8"}};
    if (ifMatch.isEmpty()) {
        headers.push_back({"If-None-Match", "*"});
    } else {
        headers.push_back({"If-Match", ifMatch.toLatin1()});
    }
    return headers;
}

// A failure after which no other write of a batch can go better.
bool StopsTheRest(CalDavResult::Kind kind) {
    return kind == CalDavResult::Unreachable || kind == CalDavResult::Unauthorized ||
           kind == CalDavResult::Refused;
}

}  // namespace

struct CalDavClient::Impl {
    CalDavAccount account;
    int timeoutMs = 15000;
    std::unique_ptr<QNetworkAccessManager> network;  // made in the thread of the first call
    // The server items' paths are on: the account's, or where discovery or
    // a calendar's address led.
    QUrl origin;
    const std::atomic<bool>* cancel = nullptr;  // set: every call ends at once

    bool Cancelled() const { return cancel && cancel->load(); }
    // Calls `abort` within a tick once the calls are cancelled.
    void WatchCancel(QTimer& poll, const std::function<void()>& abort) const;
    HttpReply Send(const QByteArray& method, QUrl url, const QByteArray& body,
                   const Headers& headers);
    QNetworkRequest Request(const QUrl& url, const Headers& headers);
    HttpReply Collect(QNetworkReply& reply, const QUrl& url, bool timedOut) const;
    HttpReply SendOnce(const QByteArray& method, const QUrl& url, const QByteArray& body,
                       const Headers& headers);
    CalDavResult Result(const QByteArray& method, const HttpReply& reply) const;
    CalDavResult Multistatus(const QByteArray& method, const QUrl& url, const char* depth,
                             const QByteArray& body, DavMultistatus& result,
                             HttpReply* raw = nullptr);
    CalDavResult FindPrincipal(QUrl& at, DavProps& found);
    CalDavResult ListCalendars(const QUrl& home, std::vector<CalDavCalendar>& calendars);
    CalDavResult ListWhole(const QUrl& calendar, CalDavChanges& changes);
};

QNetworkRequest CalDavClient::Impl::Request(const QUrl& url, const Headers& headers) {
    if (!network) network = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("User-Agent", "Quillet");
    if (!account.user.isEmpty())
        request.setRawHeader(
            "Authorization",
            "Basic " + (account.user + ':' + account.password).toUtf8().toBase64());
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    return request;
}

HttpReply CalDavClient::Impl::Collect(QNetworkReply& reply, const QUrl& url, bool timedOut) const {
    HttpReply result;
    result.url = url;
    result.status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.networkFailed = result.status == 0;
    if (reply.isOpen()) result.body = reply.readAll();
    result.etag = QString::fromLatin1(reply.rawHeader("ETag")).trimmed();
    result.date = QString::fromLatin1(reply.rawHeader("Date")).trimmed();
    if (timedOut || reply.error() == QNetworkReply::OperationCanceledError) {
        result.error = QStringLiteral("no answer within %1 ms").arg(timeoutMs);
    } else if (result.networkFailed) {
        result.error = reply.errorString();
    }
    if (result.status >= 300 && result.status < 400) {
        const QByteArray location = reply.rawHeader("Location");
        if (!location.isEmpty()) result.url = url.resolved(QUrl::fromEncoded(location));
    }
    return result;
}

void CalDavClient::Impl::WatchCancel(QTimer& poll, const std::function<void()>& abort) const {
    if (!cancel) return;
    if (Cancelled()) {
        abort();
        return;
    }
    poll.setInterval(CancelPollMs);
    QObject::connect(&poll, &QTimer::timeout, &poll, [this, &poll, abort] {
        if (!Cancelled()) return;
        poll.stop();
        abort();
    });
    poll.start();
}

HttpReply CalDavClient::Impl::SendOnce(const QByteArray& method, const QUrl& url,
                                       const QByteArray& body, const Headers& headers) {
    const QNetworkRequest request = Request(url, headers);
    std::unique_ptr<QNetworkReply> reply(network->sendCustomRequest(request, method, body));
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    // The timeout bounds a silence, not a long answer that keeps coming.
    auto progress = [&] { timer.start(timeoutMs); };
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop, progress);
    QObject::connect(reply.get(), &QNetworkReply::uploadProgress, &loop, progress);
    QTimer poll;
    WatchCancel(poll, [&] {
        timedOut = true;
        reply->abort();
    });
    timer.start(timeoutMs);
    if (!reply->isFinished()) loop.exec();
    timer.stop();
    return Collect(*reply, url, timedOut);
}

HttpReply CalDavClient::Impl::Send(const QByteArray& method, QUrl url, const QByteArray& body,
                                   const Headers& headers) {
    for (int hop = 0;; ++hop) {
        if (!AddressAllowed(url, account.allowPlainHttp)) return RefusedReply(url);
        HttpReply reply = SendOnce(method, url, body, headers);
        const bool redirect = reply.status >= 300 && reply.status < 400 && reply.url != url;
        if (!redirect || hop >= kMaxRedirects || !RedirectAllowed(url, reply.url)) {
            if (redirect) reply.url = url;
            return reply;
        }
        url = reply.url;
    }
}

CalDavResult CalDavClient::Impl::Result(const QByteArray& method, const HttpReply& reply) const {
    CalDavResult result;
    result.httpStatus = reply.status;
    result.kind =
        reply.refused ? CalDavResult::Refused : KindOfStatus(reply.status, reply.networkFailed);
    if (result.kind != CalDavResult::Ok) {
        result.message = QString::fromLatin1(method) + ' ' + Shown(reply.url) + ": " +
                         (reply.status ? QStringLiteral("HTTP %1").arg(reply.status) : reply.error);
        if (!account.password.isEmpty())
            result.message.replace(account.password, QStringLiteral("***"));
    }
    return result;
}

CalDavResult CalDavClient::Impl::Multistatus(const QByteArray& method, const QUrl& url,
                                             const char* depth, const QByteArray& body,
                                             DavMultistatus& result, HttpReply* raw) {
    const Headers headers = {{"Depth", depth}, {"Content-Type", "application/xml; charset=utf-8"}};
    HttpReply reply = Send(method, url, body, headers);
    CalDavResult outcome = Result(method, reply);
    if (outcome.ok()) {
        QString error;
        if (!ReadMultistatus(reply.body, reply.url.path(QUrl::FullyDecoded), result, error)) {
            outcome.kind = CalDavResult::BadReply;
            outcome.message = QString::fromLatin1(method) + ' ' + Shown(reply.url) + ": " + error;
        }
    }
    if (raw) *raw = std::move(reply);
    return outcome;
}

CalDavClient::CalDavClient(CalDavAccount account, int timeoutMs) : d_(std::make_unique<Impl>()) {
    // Credentials travel in the header alone, never in the address.
    if (account.user.isEmpty()) account.user = account.server.userName();
    if (account.password.isEmpty()) account.password = account.server.password();
    account.server = account.server.adjusted(QUrl::RemoveUserInfo);
    d_->account = std::move(account);
    d_->timeoutMs = timeoutMs;
    d_->origin = d_->account.server;
}

CalDavClient::~CalDavClient() = default;

void CalDavClient::SetCancel(const std::atomic<bool>* cancel) {
    d_->cancel = cancel;
}

int CalDavClient::Timeout() const {
    return d_->timeoutMs;
}

void CalDavClient::SetTimeout(int ms) {
    d_->timeoutMs = ms;
}

// The principal from the given address or the well-known one (RFC 6764),
// whichever answers; a server without principals may name its calendar
// home directly.
CalDavResult CalDavClient::Impl::FindPrincipal(QUrl& at, DavProps& found) {
    const QUrl given = account.server;
    const QUrl known = UrlOfPath(given, QStringLiteral("/.well-known/caldav"));
    const bool bare = given.path().isEmpty() || given.path() == u"/";
    const std::vector<QUrl> tries =
        bare ? std::vector<QUrl>{known, given} : std::vector<QUrl>{given, known};
    const QByteArray body =
        PropfindBody({QStringLiteral("current-user-principal"), QStringLiteral("resourcetype")},
                     {QStringLiteral("calendar-home-set")});
    CalDavResult last;
    for (const QUrl& url : tries) {
        DavMultistatus ms;
        HttpReply reply;
        last = Multistatus("PROPFIND", url, "0", body, ms, &reply);
        if (last.kind == CalDavResult::Unauthorized || last.kind == CalDavResult::Refused ||
            last.kind == CalDavResult::Unreachable)
            return last;
        if (!last.ok() || ms.responses.empty()) continue;
        const DavProps& props = ms.responses.front().props;
        if (props.principal.isEmpty() && props.homes.isEmpty()) continue;
        at = reply.url;
        found = props;
        return {};
    }
    if (last.ok()) {
        last.kind = CalDavResult::BadReply;
        last.message = QStringLiteral("the server names no principal for ") + Shown(given);
    }
    return last;
}

CalDavResult CalDavClient::Impl::ListCalendars(const QUrl& home,
                                               std::vector<CalDavCalendar>& calendars) {
    DavMultistatus ms;
    const QByteArray body =
        PropfindBody({QStringLiteral("resourcetype"), QStringLiteral("displayname")},
                     {QStringLiteral("supported-calendar-component-set")});
    const CalDavResult result = Multistatus("PROPFIND", home, "1", body, ms);
    if (!result.ok()) return result;
    for (const DavResponse& r : ms.responses) {
        if (!r.props.calendar) continue;
        CalDavCalendar calendar;
        const QString path = r.href.endsWith('/') ? r.href : r.href + '/';
        calendar.url = UrlOfPath(home, path);
        calendar.displayName = r.props.displayName;
        if (calendar.displayName.isEmpty()) calendar.displayName = path.section('/', -2, -2);
        calendar.events = !r.props.componentSet || r.props.events;
        calendar.todos = !r.props.componentSet || r.props.todos;
        if (calendar.events || calendar.todos) calendars.push_back(calendar);
    }
    return result;
}

CalDavResult CalDavClient::Discover(std::vector<CalDavCalendar>& calendars) {
    calendars.clear();
    QUrl at;
    DavProps found;
    CalDavResult result = d_->FindPrincipal(at, found);
    if (!result.ok()) return result;
    d_->origin = at;
    QStringList homes = found.homes;
    if (homes.isEmpty()) {
        DavMultistatus ms;
        const QUrl principal = UrlOfPath(at, found.principal);
        result = d_->Multistatus("PROPFIND", principal, "0",
                                 PropfindBody({}, {QStringLiteral("calendar-home-set")}), ms);
        if (!result.ok()) return result;
        for (const DavResponse& r : ms.responses)
            homes += r.props.homes;
        if (homes.isEmpty()) {
            result.kind = CalDavResult::BadReply;
            result.message =
                QStringLiteral("the principal names no calendar home: ") + Shown(principal);
            return result;
        }
    }
    homes.removeDuplicates();
    for (const QString& home : homes) {
        result = d_->ListCalendars(UrlOfPath(at, home), calendars);
        if (!result.ok()) return result;
    }
    return result;
}

CalDavResult CalDavClient::Impl::ListWhole(const QUrl& calendar, CalDavChanges& changes) {
    DavMultistatus ms;
    const QByteArray body = PropfindBody(
        {QStringLiteral("getetag"), QStringLiteral("resourcetype"), QStringLiteral("sync-token")},
        {});
    const CalDavResult result = Multistatus("PROPFIND", calendar, "1", body, ms);
    if (!result.ok()) return result;
    changes = {};
    changes.whole = true;
    const QString self = calendar.path(QUrl::FullyDecoded);
    for (const DavResponse& r : ms.responses) {
        if (SamePath(r.href, self)) {
            changes.syncToken = r.props.syncToken;
            continue;
        }
        if (r.props.collection || r.gone() || r.href.endsWith('/')) continue;
        changes.items.push_back({r.href, r.props.etag, {}});
    }
    return result;
}

CalDavResult CalDavClient::Changes(const QUrl& calendar, const QString& syncToken,
                                   CalDavChanges& changes) {
    changes = {};
    d_->origin = calendar;
    const QString self = calendar.path(QUrl::FullyDecoded);
    // Each href's last state over the rounds of a truncated answer (507).
    std::map<QString, std::optional<QString>> seen;
    QString token = syncToken;
    CalDavResult result;
    for (int round = 0; round < kMaxSyncRounds; ++round) {
        DavMultistatus ms;
        HttpReply reply;
        result = d_->Multistatus("REPORT", calendar, "0", SyncCollectionBody(token), ms, &reply);
        if (!result.ok()) {
            if (round == 0 && reply.status != 0 && SyncFallsBack(reply.status, reply.body))
                return d_->ListWhole(calendar, changes);
            return result;
        }
        bool truncated = false;
        for (const DavResponse& r : ms.responses) {
            if (SamePath(r.href, self)) {
                truncated = truncated || r.status == 507;
                continue;
            }
            if (r.href.endsWith('/')) continue;
            if (r.gone()) {
                seen[r.href] = std::nullopt;
            } else {
                seen[r.href] = r.props.etag;
            }
        }
        token = ms.syncToken;
        if (!truncated || token.isEmpty()) break;
    }
    changes.syncToken = token;
    changes.whole = syncToken.isEmpty();
    for (const auto& [href, etag] : seen) {
        if (etag) {
            changes.items.push_back({href, *etag, {}});
        } else if (!changes.whole) {
            changes.removed << href;
        }
    }
    return result;
}

CalDavResult CalDavClient::Fetch(const QUrl& calendar, const QStringList& hrefs,
                                 std::vector<CalDavItem>& items) {
    items.clear();
    d_->origin = calendar;
    CalDavResult result;
    for (qsizetype from = 0; from < hrefs.size(); from += kMultigetChunk) {
        DavMultistatus ms;
        result = d_->Multistatus("REPORT", calendar, "1",
                                 MultigetBody(hrefs.mid(from, kMultigetChunk)), ms);
        if (!result.ok()) return result;
        for (DavResponse& r : ms.responses) {
            if (r.gone() || !r.props.hasCalendarData) continue;
            items.push_back({r.href, r.props.etag, std::move(r.props.calendarData)});
        }
    }
    return result;
}

CalDavResult CalDavClient::Put(const QString& href, const QByteArray& ics, const QString& ifMatch,
                               QString& etag) {
    etag.clear();
    const HttpReply reply = d_->Send("PUT", UrlOfPath(d_->origin, href), ics, PutHeaders(ifMatch));
    const CalDavResult result = d_->Result("PUT", reply);
    if (result.ok()) etag = reply.etag;
    return result;
}

CalDavResult CalDavClient::PutMany(std::vector<CalDavPut>& puts, int inFlight) {
    Impl& d = *d_;
    CalDavResult first;
    std::optional<CalDavResult> stop;
    size_t next = 0;
    int running = 0;
    QEventLoop loop;
    // A reply is deleted in the next one's slot, never in its own.
    std::vector<std::unique_ptr<QNetworkReply>> finished;
    auto record = [&](size_t i, const CalDavResult& r) {
        puts[i].result = r;
        if (!r.ok() && first.ok()) first = r;
        if (StopsTheRest(r.kind)) stop = r;
    };
    std::set<QNetworkReply*> live;
    std::function<void()> startMore = [&] {
        while (running < inFlight && next < puts.size() && !stop) {
            const size_t i = next++;
            puts[i].etag.clear();
            const QUrl url = UrlOfPath(d.origin, puts[i].href);
            if (!AddressAllowed(url, d.account.allowPlainHttp)) {
                record(i, d.Result("PUT", RefusedReply(url)));
                continue;
            }
            QNetworkRequest request = d.Request(url, PutHeaders(puts[i].ifMatch));
            request.setTransferTimeout(d.timeoutMs);
            QNetworkReply* reply = d.network->sendCustomRequest(request, "PUT", puts[i].ics);
            ++running;
            live.insert(reply);
            QObject::connect(reply, &QNetworkReply::finished, &loop, [&, i, reply, url] {
                finished.clear();
                finished.emplace_back(reply);
                live.erase(reply);
                --running;
                const HttpReply got = d.Collect(*reply, url, false);
                const CalDavResult r = d.Result("PUT", got);
                if (r.ok()) puts[i].etag = got.etag;
                record(i, r);
                startMore();
                if (running == 0) loop.quit();
            });
        }
    };
    startMore();
    QTimer poll;
    d.WatchCancel(poll, [&] {
        // No more writes start; those under way end as if the line broke.
        if (!stop) {
            CalDavResult cut;
            cut.kind = CalDavResult::Unreachable;
            cut.message = QStringLiteral("Синхронизация прервана");
            stop = cut;
        }
        for (QNetworkReply* reply : std::set<QNetworkReply*>(live))
            reply->abort();
    });
    if (running > 0) loop.exec();
    finished.clear();
    if (stop) {
        for (size_t i = next; i < puts.size(); ++i) {
            puts[i].result = *stop;
            puts[i].result.message = QStringLiteral("not sent after ") + stop->message;
        }
    }
    return first;
}

CalDavResult CalDavClient::Remove(const QString& href, const QString& ifMatch) {
    Headers headers;
    if (!ifMatch.isEmpty()) headers.push_back({"If-Match", ifMatch.toLatin1()});
    const HttpReply reply = d_->Send("DELETE", UrlOfPath(d_->origin, href), {}, headers);
    return d_->Result("DELETE", reply);
}

CalDavResult CalDavClient::Inspect(const QUrl& calendar, CalDavCollection& info) {
    info = {};
    d_->origin = calendar;
    DavMultistatus ms;
    const CalDavResult result =
        d_->Multistatus("PROPFIND", calendar, "1", CalendarPropfindBody(), ms);
    if (!result.ok()) return result;
    const QString self = calendar.path(QUrl::FullyDecoded);
    for (DavResponse& r : ms.responses) {
        if (!SamePath(r.href, self)) {
            if (!r.props.collection && !r.gone() && !r.href.endsWith('/')) ++info.items;
            continue;
        }
        info.etag = r.props.etag;
        info.syncToken = r.props.syncToken;
        info.displayName = r.props.displayName;
        info.components = r.props.components;
        info.settable = std::move(r.props.settable);
    }
    return result;
}

CalDavResult CalDavClient::PutWhole(const QUrl& calendar, const QByteArray& ics,
                                    const CalDavCollection& info) {
    d_->origin = calendar;
    const Headers headers = {{"Content-Type", "text/calendar; charset=utf-8"},
                             {"If-Match", info.etag.toLatin1()}};
    CalDavResult result = d_->Result("PUT", d_->Send("PUT", calendar, ics, headers));
    if (!result.ok()) return result;
    const HttpReply patched = d_->Send(
        "PROPPATCH", calendar, ProppatchBody(info.displayName, info.components, info.settable),
        {{"Content-Type", "application/xml; charset=utf-8"}});
    const CalDavResult restored = d_->Result("PROPPATCH", patched);
    // The items are in either way; a name or colour not set back is only
    // told.
    if (!restored.ok()) result.message = restored.message;
    return result;
}

CalDavResult CalDavClient::LastChange(const QUrl& calendar, QString& modified,
                                      QString& serverTime) {
    modified.clear();
    serverTime.clear();
    d_->origin = calendar;
    DavMultistatus ms;
    HttpReply reply;
    const CalDavResult result =
        d_->Multistatus("PROPFIND", calendar, "0",
                        PropfindBody({QStringLiteral("getlastmodified")}, {}), ms, &reply);
    if (!result.ok()) return result;
    const QString self = calendar.path(QUrl::FullyDecoded);
    for (const DavResponse& r : ms.responses)
        if (SamePath(r.href, self)) modified = r.props.lastModified;
    serverTime = reply.date;
    return result;
}
