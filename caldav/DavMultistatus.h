// The multistatus answer of a WebDAV server (RFC 4918, with the CalDAV
// properties of RFC 4791 and the sync token of RFC 6578) read into plain
// values. No network, no widgets.
//
// Every address ("href") is kept in one form: the absolute path on the
// server, percent-decoded ("/dav/calendars/анна/home/1.ics"), whether the
// server wrote a full URL, an absolute path or a path relative to the
// request.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <utility>
#include <vector>

// A property ("{namespace}name") and its text.
using DavPropText = std::pair<QString, QString>;

// The properties of a calendar that its owner sets and a client may keep
// (description, colour, order, time zone), as "{namespace}name".
const QStringList& SettableCalendarProps();

// The properties of one resource that a 2xx propstat gave.
struct DavProps {
    QString etag;  // as the server wrote it, quotes and "W/" kept
    QByteArray calendarData;
    bool hasCalendarData = false;
    bool collection = false;
    bool calendar = false;  // resourcetype holds CALDAV:calendar
    QString displayName;
    bool componentSet = false;  // supported-calendar-component-set given
    bool events = false, todos = false;
    QStringList components;             // the names in supported-calendar-component-set
    std::vector<DavPropText> settable;  // those of SettableCalendarProps() given
    QString principal;                  // current-user-principal's href
    QStringList homes;                  // calendar-home-set's hrefs
    QString syncToken;                  // the DAV:sync-token property
    QString lastModified;               // getlastmodified, as the server wrote it
};

struct DavResponse {
    QString href;
    int status = 0;  // the response's own status line; 0 when it has propstats
    DavProps props;
    // The status of a propstat that held something other than 2xx
    // (e.g. 404 for a property the resource lacks); 0 when none.
    int failedPropStatus = 0;
    bool gone() const { return status == 404 || status == 410; }
};

struct DavMultistatus {
    std::vector<DavResponse> responses;
    QString syncToken;  // the top-level DAV:sync-token of a sync-collection answer
};

// Reads `xml`; `requestPath` (decoded) resolves relative hrefs. False with
// `error` set when it is not well-formed XML or not a DAV:multistatus.
bool ReadMultistatus(const QByteArray& xml, const QString& requestPath, DavMultistatus& result,
                     QString& error);

// An href as the server wrote it, in the one form above; empty when it is
// no address at all.
QString HrefPath(const QString& raw, const QString& requestPath);

// The status code of an HTTP status line ("HTTP/1.1 404 Not Found" -> 404);
// 0 when it has none.
int StatusOfLine(const QString& line);

// The URL of a decoded absolute path on the server of `base`.
QUrl UrlOfPath(const QUrl& base, const QString& path);
// Whether two decoded paths name the same collection, a trailing '/' aside.
bool SamePath(const QString& a, const QString& b);
