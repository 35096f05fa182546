#include "caldav/DavMultistatus.h"

#include <QXmlStreamReader>

namespace {

constexpr QStringView kDav = u"DAV:";
constexpr QStringView kCalDav = u"urn:ietf:params:xml:ns:caldav";

bool Is(const QXmlStreamReader& r, QStringView ns, QStringView name) {
    return r.namespaceUri() == ns && r.name() == name;
}

QString TextOf(QXmlStreamReader& r) {
    return r.readElementText(QXmlStreamReader::IncludeChildElements);
}

// The DAV:href children of the current element, in the one form.
QStringList ReadHrefs(QXmlStreamReader& r, const QString& requestPath) {
    QStringList hrefs;
    while (r.readNextStartElement()) {
        if (Is(r, kDav, u"href")) {
            const QString path = HrefPath(TextOf(r), requestPath);
            if (!path.isEmpty()) hrefs << path;
        } else {
            r.skipCurrentElement();
        }
    }
    return hrefs;
}

void ReadResourceType(QXmlStreamReader& r, DavProps& props) {
    while (r.readNextStartElement()) {
        if (Is(r, kDav, u"collection")) props.collection = true;
        if (Is(r, kCalDav, u"calendar")) props.calendar = true;
        r.skipCurrentElement();
    }
}

void ReadComponentSet(QXmlStreamReader& r, DavProps& props) {
    props.componentSet = true;
    while (r.readNextStartElement()) {
        if (Is(r, kCalDav, u"comp")) {
            const QString name =
                r.attributes().value(QStringLiteral("name")).toString().trimmed().toUpper();
            if (name == u"VEVENT") props.events = true;
            if (name == u"VTODO") props.todos = true;
            if (!name.isEmpty()) props.components << name;
        }
        r.skipCurrentElement();
    }
}

// The text of calendar-data with the line ends of iCalendar: an XML reader
// turns CR LF into LF.
QByteArray CalendarText(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains("\r\n")) bytes.replace("\n", "\r\n");
    return bytes;
}

void ReadProp(QXmlStreamReader& r, const QString& requestPath, DavProps& props) {
    while (r.readNextStartElement()) {
        if (Is(r, kDav, u"getetag")) {
            props.etag = TextOf(r).trimmed();
        } else if (Is(r, kCalDav, u"calendar-data")) {
            props.calendarData = CalendarText(TextOf(r));
            props.hasCalendarData = true;
        } else if (Is(r, kDav, u"resourcetype")) {
            ReadResourceType(r, props);
        } else if (Is(r, kDav, u"displayname")) {
            props.displayName = TextOf(r).trimmed();
        } else if (Is(r, kCalDav, u"supported-calendar-component-set")) {
            ReadComponentSet(r, props);
        } else if (Is(r, kDav, u"current-user-principal")) {
            const QStringList hrefs = ReadHrefs(r, requestPath);
            if (!hrefs.isEmpty()) props.principal = hrefs.first();
        } else if (Is(r, kCalDav, u"calendar-home-set")) {
            props.homes = ReadHrefs(r, requestPath);
        } else if (Is(r, kDav, u"sync-token")) {
            props.syncToken = TextOf(r).trimmed();
        } else if (Is(r, kDav, u"getlastmodified")) {
            props.lastModified = TextOf(r).trimmed();
        } else if (const QString key =
                       u'{' + r.namespaceUri().toString() + u'}' + r.name().toString();
                   SettableCalendarProps().contains(key)) {
            props.settable.emplace_back(key, TextOf(r));
        } else {
            r.skipCurrentElement();
        }
    }
}

// Adds what `from` holds to `to` (each propstat holds other properties).
void Merge(DavProps& to, const DavProps& from) {
    if (!from.etag.isEmpty()) to.etag = from.etag;
    if (from.hasCalendarData) {
        to.calendarData = from.calendarData;
        to.hasCalendarData = true;
    }
    to.collection = to.collection || from.collection;
    to.calendar = to.calendar || from.calendar;
    if (!from.displayName.isEmpty()) to.displayName = from.displayName;
    if (from.componentSet) {
        to.componentSet = true;
        to.events = to.events || from.events;
        to.todos = to.todos || from.todos;
        to.components += from.components;
    }
    if (!from.principal.isEmpty()) to.principal = from.principal;
    to.homes += from.homes;
    if (!from.syncToken.isEmpty()) to.syncToken = from.syncToken;
    if (!from.lastModified.isEmpty()) to.lastModified = from.lastModified;
    to.settable.insert(to.settable.end(), from.settable.begin(), from.settable.end());
}

void ReadPropstat(QXmlStreamReader& r, const QString& requestPath, DavResponse& response) {
    DavProps props;
    int status = 0;
    while (r.readNextStartElement()) {
        if (Is(r, kDav, u"prop")) {
            ReadProp(r, requestPath, props);
        } else if (Is(r, kDav, u"status")) {
            status = StatusOfLine(TextOf(r));
        } else {
            r.skipCurrentElement();
        }
    }
    if (status >= 200 && status < 300) {
        Merge(response.props, props);
    } else {
        response.failedPropStatus = status;
    }
}

// One response; a response with a status may name several hrefs, each
// gets its own entry.
void ReadResponse(QXmlStreamReader& r, const QString& requestPath, DavMultistatus& result) {
    QStringList hrefs;
    DavResponse response;
    while (r.readNextStartElement()) {
        if (Is(r, kDav, u"href")) {
            const QString path = HrefPath(TextOf(r), requestPath);
            if (!path.isEmpty()) hrefs << path;
        } else if (Is(r, kDav, u"propstat")) {
            ReadPropstat(r, requestPath, response);
        } else if (Is(r, kDav, u"status")) {
            response.status = StatusOfLine(TextOf(r));
        } else {
            r.skipCurrentElement();
        }
    }
    for (const QString& href : hrefs) {
        response.href = href;
        result.responses.push_back(response);
    }
}

}  // namespace

const QStringList& SettableCalendarProps() {
    static const QStringList props = {
        QStringLiteral("{urn:ietf:params:xml:ns:caldav}calendar-description"),
        QStringLiteral("{urn:ietf:params:xml:ns:caldav}calendar-timezone"),
        QStringLiteral("{http://apple.com/ns/ical/}calendar-color"),
        QStringLiteral("{http://apple.com/ns/ical/}calendar-order"),
    };
    return props;
}

bool ReadMultistatus(const QByteArray& xml, const QString& requestPath, DavMultistatus& result,
                     QString& error) {
    result = {};
    QXmlStreamReader r(xml);
    if (!r.readNextStartElement() || !Is(r, kDav, u"multistatus")) {
        error = r.hasError() ? r.errorString() : QStringLiteral("not a DAV:multistatus");
        return false;
    }
    while (r.readNextStartElement()) {
        if (Is(r, kDav, u"response")) {
            ReadResponse(r, requestPath, result);
        } else if (Is(r, kDav, u"sync-token")) {
            result.syncToken = TextOf(r).trimmed();
        } else {
            r.skipCurrentElement();
        }
    }
    // Whatever follows the root must still be well-formed.
    while (!r.atEnd() && !r.hasError())
        r.readNext();
    if (r.hasError()) {
        error = QStringLiteral("line %1: %2").arg(r.lineNumber()).arg(r.errorString());
        return false;
    }
    return true;
}

QString HrefPath(const QString& raw, const QString& requestPath) {
    const QString text = raw.trimmed();
    if (text.isEmpty()) return {};
    QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid()) return {};
    if (url.scheme().isEmpty()) {
        QUrl base(QStringLiteral("http://host"));
        base.setPath(requestPath.startsWith('/') ? requestPath : '/' + requestPath,
                     QUrl::DecodedMode);
        url = base.resolved(url);
    } else {
        url = url.adjusted(QUrl::NormalizePathSegments);
    }
    const QString path = url.path(QUrl::FullyDecoded);
    if (path.isEmpty()) return QStringLiteral("/");
    return path.startsWith('/') ? path : '/' + path;
}

int StatusOfLine(const QString& line) {
    const QStringList parts = line.simplified().split(' ');
    if (parts.size() < 2) return 0;
    bool ok = false;
    const int code = parts[1].toInt(&ok);
    return ok && code >= 100 && code <= 599 ? code : 0;
}

QUrl UrlOfPath(const QUrl& base, const QString& path) {
    QUrl url = base.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                             QUrl::RemoveUserInfo);
    url.setPath(path, QUrl::DecodedMode);
    return url;
}

bool SamePath(const QString& a, const QString& b) {
    auto bare = [](const QString& p) { return p.endsWith('/') ? p.chopped(1) : p; };
    return bare(a) == bare(b);
}
