// A client of a CalDAV server (RFC 4791, with WebDAV sync, RFC 6578): it
// finds the user's calendars, lists what a calendar holds or what changed
// in it since a sync token, fetches items, and writes and removes items
// with preconditions, so that nothing on the server is overwritten
// blindly. No widgets.
//
// Every call blocks its caller until the answer (or a bounded timeout: a
// request that sees no byte come or go for `timeoutMs` ends as
// Unreachable) and is meant for a thread of its own, never for the
// windows' thread; one client belongs to the thread that first calls it.
// The password never appears in a result's text.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <memory>
#include <vector>

struct CalDavAccount {
    QUrl server;  // any address on the server: the discovery starts there
    QString user;
    QString password;
    // Plain http to an address other than the loopback only when the user
    // has accepted that the password travels readable.
    bool allowPlainHttp = false;
};

struct CalDavCalendar {
    QUrl url;  // the collection, ending in '/'
    QString displayName;
    bool events = false;  // takes VEVENT
    bool todos = false;   // takes VTODO
};

// One item of a calendar: its address (absolute path on the server), its
// entity tag and, where fetched, its iCalendar text.
struct CalDavItem {
    QString href;
    QString etag;
    QByteArray ics;  // empty in listings
};

struct CalDavChanges {
    QString syncToken;              // to pass to the next call
    bool whole = false;             // `items` is the whole calendar (no token, or it expired,
                                    // or the server lacks sync-collection)
    std::vector<CalDavItem> items;  // changed or new (whole: every item), without text
    QStringList removed;            // hrefs gone since the token (empty when whole)
};

struct CalDavResult {
    enum Kind {
        Ok,
        Unreachable,         // no connection, timeout, TLS failure
        Unauthorized,        // 401 / 403
        PreconditionFailed,  // 412: the item changed (If-Match) or exists (If-None-Match)
        NotFound,            // 404 / 410
        ServerError,         // 5xx
        Refused,             // an address the account may not use (plain http)
        BadReply,            // an answer that could not be read
    };
    Kind kind = Ok;
    int httpStatus = 0;
    QString message;  // for the log; never holds the password
    bool ok() const { return kind == Ok; }
};

// A calendar as a whole: its tag, the items it holds, and what it keeps
// beside them (name, component set, the properties of
// SettableCalendarProps(): "{namespace}name" and text).
struct CalDavCollection {
    QString etag;
    QString syncToken;
    int items = 0;
    QString displayName;
    QStringList components;
    std::vector<std::pair<QString, QString>> settable;
};

// One write of PutMany: what Put takes, and what it gives.
struct CalDavPut {
    QString href;
    QByteArray ics;
    QString ifMatch;
    QString etag;  // the new tag
    CalDavResult result;
};

class CalDavClient {
  public:
    explicit CalDavClient(CalDavAccount account, int timeoutMs = 15000);
    ~CalDavClient();
    CalDavClient(const CalDavClient&) = delete;
    CalDavClient& operator=(const CalDavClient&) = delete;

    // The silence a call waits out before it ends as Unreachable (for the
    // calls that follow).
    int Timeout() const;
    // While `*cancel` is true every call ends at once, as with no
    // connection (a program closing during a round).
    void SetCancel(const std::atomic<bool>* cancel);
    void SetTimeout(int ms);

    // The calendars of the user: the principal, its calendar home, the
    // collections there that hold events or tasks.
    CalDavResult Discover(std::vector<CalDavCalendar>& calendars);
    // What changed since `syncToken` (empty: the whole calendar).
    CalDavResult Changes(const QUrl& calendar, const QString& syncToken, CalDavChanges& changes);
    // The text and tags of these items (calendar-multiget); an href the
    // server no longer has is left out.
    CalDavResult Fetch(const QUrl& calendar, const QStringList& hrefs,
                       std::vector<CalDavItem>& items);
    // Writes an item at `href`. `ifMatch` empty: only when nothing is
    // there (If-None-Match: *); else only when the server's tag is still
    // that one. `etag` gets the new tag (empty when the server gives none:
    // the next Changes brings it).
    CalDavResult Put(const QString& href, const QByteArray& ics, const QString& ifMatch,
                     QString& etag);
    // Put for each of `puts`, up to `inFlight` requests at a time, each
    // with its own result. Ok when all went well, else the first failure;
    // after a failure that no other write would escape (no connection,
    // credentials refused) the writes not yet sent get it too.
    CalDavResult PutMany(std::vector<CalDavPut>& puts, int inFlight = 6);
    // When the calendar last changed (getlastmodified, as the server wrote
    // it; empty when it tells none) and the server's clock at the answer
    // (its Date header).
    CalDavResult LastChange(const QUrl& calendar, QString& modified, QString& serverTime);
    // The calendar's tag and properties, and how many items it holds
    // (one listing: the count and the tag go together).
    CalDavResult Inspect(const QUrl& calendar, CalDavCollection& info);
    // Replaces everything the calendar holds with the items of `ics` (one
    // VCALENDAR), only while the calendar's tag is still `info.etag`, then
    // sets its properties back to those of `info` (a server that takes a
    // whole calendar may drop them). Many servers refuse a write to a
    // collection: the caller then writes the items one by one.
    CalDavResult PutWhole(const QUrl& calendar, const QByteArray& ics,
                          const CalDavCollection& info);
    // Removes an item, only while its tag is `ifMatch` (empty: whatever it is).
    CalDavResult Remove(const QString& href, const QString& ifMatch);

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};
