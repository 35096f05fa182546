// The decisions of the CalDAV client that need no network: which addresses
// it may talk to, where it may follow a redirect, what an HTTP status
// means for the caller, and the XML bodies of its requests.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "caldav/CalDavClient.h"
#include "caldav/DavMultistatus.h"

// https anywhere; plain http only to the loopback (127.0.0.0/8, ::1,
// localhost) unless the user allowed it; no other scheme.
bool AddressAllowed(const QUrl& url, bool allowPlainHttp);
bool IsLoopbackHost(const QString& host);
// A redirect is followed only to the same scheme and host.
bool RedirectAllowed(const QUrl& from, const QUrl& to);

// The kind of an HTTP status; Ok for 2xx. `networkFailed`: no status came
// (no connection, timeout, TLS).
CalDavResult::Kind KindOfStatus(int httpStatus, bool networkFailed);
// Whether a failed sync-collection REPORT means "list the whole calendar
// instead": the token is no longer valid, or the server has no such report.
bool SyncFallsBack(int httpStatus, const QByteArray& body);

// Request bodies.
QByteArray PropfindBody(const QStringList& davProps, const QStringList& calDavProps);
QByteArray SyncCollectionBody(const QString& syncToken);
// `hrefs` are decoded paths; they go out percent-encoded as the URL of
// each would be.
QByteArray MultigetBody(const QStringList& hrefs);
// A calendar's tag, sync token, name, component set and the properties of
// SettableCalendarProps().
QByteArray CalendarPropfindBody();
// Sets these properties of a calendar (PROPPATCH); `components` empty:
// the component set is left alone.
QByteArray ProppatchBody(const QString& displayName, const QStringList& components,
                         const std::vector<DavPropText>& settable);
