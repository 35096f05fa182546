#include "caldav/DavRules.h"

#include <QHostAddress>
#include <QXmlStreamWriter>

#include "caldav/DavMultistatus.h"

namespace {

const QString kDavNs = QStringLiteral("DAV:");
const QString kCalDavNs = QStringLiteral("urn:ietf:params:xml:ns:caldav");

// A request body: the root element in its namespace, filled by `fill`.
template <typename Fill>
QByteArray Body(const QString& rootNs, const QString& root, Fill fill) {
    QByteArray bytes;
    QXmlStreamWriter w(&bytes);
    w.writeStartDocument();
    w.writeNamespace(kDavNs, QStringLiteral("d"));
    w.writeNamespace(kCalDavNs, QStringLiteral("c"));
    w.writeStartElement(rootNs, root);
    fill(w);
    w.writeEndElement();
    w.writeEndDocument();
    return bytes;
}

void WriteProps(QXmlStreamWriter& w, const QStringList& davProps, const QStringList& calDavProps) {
    w.writeStartElement(kDavNs, QStringLiteral("prop"));
    for (const QString& p : davProps)
        w.writeEmptyElement(kDavNs, p);
    for (const QString& p : calDavProps)
        w.writeEmptyElement(kCalDavNs, p);
    w.writeEndElement();
}

}  // namespace

bool IsLoopbackHost(const QString& host) {
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) return true;
    QHostAddress address;
    if (!address.setAddress(host)) return false;
    return address.isLoopback();
}

bool AddressAllowed(const QUrl& url, bool allowPlainHttp) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == u"https") return true;
    if (scheme != u"http") return false;
    return allowPlainHttp || IsLoopbackHost(url.host());
}

bool RedirectAllowed(const QUrl& from, const QUrl& to) {
    return to.isValid() && from.scheme().compare(to.scheme(), Qt::CaseInsensitive) == 0 &&
           from.host().compare(to.host(), Qt::CaseInsensitive) == 0;
}

CalDavResult::Kind KindOfStatus(int httpStatus, bool networkFailed) {
    if (httpStatus == 0) return networkFailed ? CalDavResult::Unreachable : CalDavResult::BadReply;
    if (httpStatus >= 200 && httpStatus < 300) return CalDavResult::Ok;
    switch (httpStatus) {
        case 401:
        case 403:
            return CalDavResult::Unauthorized;
        case 412:
            return CalDavResult::PreconditionFailed;
        case 404:
        case 410:
            return CalDavResult::NotFound;
        default:
            break;
    }
    return httpStatus >= 500 ? CalDavResult::ServerError : CalDavResult::BadReply;
}

bool SyncFallsBack(int httpStatus, const QByteArray& body) {
    switch (httpStatus) {
        case 400:
        case 403:
        case 405:
        case 501:
            return true;
        case 409:
        case 410:
            return body.contains("valid-sync-token");
        default:
            return false;
    }
}

QByteArray PropfindBody(const QStringList& davProps, const QStringList& calDavProps) {
    return Body(kDavNs, QStringLiteral("propfind"),
                [&](QXmlStreamWriter& w) { WriteProps(w, davProps, calDavProps); });
}

QByteArray SyncCollectionBody(const QString& syncToken) {
    return Body(kDavNs, QStringLiteral("sync-collection"), [&](QXmlStreamWriter& w) {
        w.writeTextElement(kDavNs, QStringLiteral("sync-token"), syncToken);
        w.writeTextElement(kDavNs, QStringLiteral("sync-level"), QStringLiteral("1"));
        WriteProps(w, {QStringLiteral("getetag")}, {});
    });
}

QByteArray MultigetBody(const QStringList& hrefs) {
    return Body(kCalDavNs, QStringLiteral("calendar-multiget"), [&](QXmlStreamWriter& w) {
        WriteProps(w, {QStringLiteral("getetag")}, {QStringLiteral("calendar-data")});
        const QUrl base(QStringLiteral("http://host"));
        for (const QString& href : hrefs)
            w.writeTextElement(kDavNs, QStringLiteral("href"),
                               UrlOfPath(base, href).path(QUrl::FullyEncoded));
    });
}

namespace {

// "{namespace}name" split in two.
std::pair<QString, QString> SplitKey(const QString& key) {
    const qsizetype close = key.indexOf('}');
    return {key.mid(1, close - 1), key.mid(close + 1)};
}

}  // namespace

QByteArray CalendarPropfindBody() {
    return Body(kDavNs, QStringLiteral("propfind"), [&](QXmlStreamWriter& w) {
        w.writeStartElement(kDavNs, QStringLiteral("prop"));
        for (const char* p : {"getetag", "resourcetype", "displayname", "sync-token"})
            w.writeEmptyElement(kDavNs, QLatin1String(p));
        w.writeEmptyElement(kCalDavNs, QStringLiteral("supported-calendar-component-set"));
        for (const QString& key : SettableCalendarProps()) {
            const auto [ns, name] = SplitKey(key);
            w.writeEmptyElement(ns, name);
        }
        w.writeEndElement();
    });
}

QByteArray ProppatchBody(const QString& displayName, const QStringList& components,
                         const std::vector<DavPropText>& settable) {
    return Body(kDavNs, QStringLiteral("propertyupdate"), [&](QXmlStreamWriter& w) {
        w.writeStartElement(kDavNs, QStringLiteral("set"));
        w.writeStartElement(kDavNs, QStringLiteral("prop"));
        if (!displayName.isEmpty())
            w.writeTextElement(kDavNs, QStringLiteral("displayname"), displayName);
        if (!components.isEmpty()) {
            w.writeStartElement(kCalDavNs, QStringLiteral("supported-calendar-component-set"));
            for (const QString& c : components) {
                w.writeEmptyElement(kCalDavNs, QStringLiteral("comp"));
                w.writeAttribute(QStringLiteral("name"), c);
            }
            w.writeEndElement();
        }
        for (const auto& [key, text] : settable) {
            const auto [ns, name] = SplitKey(key);
            w.writeTextElement(ns, name, text);
        }
        w.writeEndElement();
        w.writeEndElement();
    });
}
