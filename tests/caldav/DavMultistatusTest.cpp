// Multistatus answers of the shapes Radicale and Nextcloud (SabreDAV)
// write, read into what the client uses; and the addresses in the one
// decoded form.
#include <gtest/gtest.h>

#include "caldav/DavMultistatus.h"

namespace {

// One line a response: href, status, then what its properties hold.
QStringList Describe(const DavMultistatus& ms) {
    QStringList lines;
    for (const DavResponse& r : ms.responses) {
        const DavProps& p = r.props;
        QStringList parts{r.href, QString::number(r.status)};
        if (!p.etag.isEmpty()) parts << "etag=" + p.etag;
        if (p.collection) parts << QStringLiteral("collection");
        if (p.calendar) parts << QStringLiteral("calendar");
        if (p.componentSet)
            parts << QStringLiteral("comps=%1%2").arg(p.events ? "E" : "").arg(p.todos ? "T" : "");
        if (!p.displayName.isEmpty()) parts << "name=" + p.displayName;
        if (!p.principal.isEmpty()) parts << "principal=" + p.principal;
        if (!p.homes.isEmpty()) parts << "homes=" + p.homes.join(',');
        if (p.hasCalendarData)
            parts << "data=" +
                         QString::fromUtf8(p.calendarData).replace(QStringLiteral("\r\n"), "|");
        if (r.failedPropStatus) parts << QStringLiteral("failed=%1").arg(r.failedPropStatus);
        lines << parts.join(' ');
    }
    if (!ms.syncToken.isEmpty()) lines << "token " + ms.syncToken;
    return lines;
}

const char kSabre[] =
    R"(<?xml version="1.0"?><d:multistatus xmlns:d="DAV:" xmlns:s="http://sabredav.org/ns" )"
    R"(xmlns:cal="urn:ietf:params:xml:ns:caldav" xmlns:cs="http://calendarserver.org/ns/" )"
    R"(xmlns:oc="http://owncloud.org/ns" xmlns:nc="http://nextcloud.org/ns">)";

struct ReadCase {
    const char* what;
    QByteArray xml;
    QString requestPath;
    QStringList expected;
};

class ReadMultistatusTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadMultistatusTest, GivesTheResponsesAndTheirProperties) {
    const ReadCase& c = GetParam();
    DavMultistatus ms;
    QString error;
    ASSERT_TRUE(ReadMultistatus(c.xml, c.requestPath, ms, error)) << error.toStdString();
    EXPECT_EQ(Describe(ms), c.expected) << Describe(ms).join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ReadMultistatusTest,
    ::testing::Values(
        ReadCase{
            "Radicale's sync-collection: the token first, hrefs encoded",
            R"(<?xml version='1.0' encoding='utf-8'?><multistatus xmlns="DAV:"><sync-token>)"
            R"(http://radicale.org/ns/sync/f684</sync-token><response><href>/u/c/%D0%81%20a.ics)"
            R"(</href><propstat><prop><getetag>"ab79"</getetag></prop><status>HTTP/1.1 200 OK)"
            R"(</status></propstat></response><response><href>/u/c/b.ics</href><status>)"
            R"(HTTP/1.1 404 Not Found</status></response></multistatus>)",
            "/u/c/",
            {"/u/c/Ё a.ics 0 etag=\"ab79\"", "/u/c/b.ics 404",
             "token http://radicale.org/ns/sync/f684"}},
        ReadCase{"Radicale's calendar home: properties it lacks in a 404 propstat",
                 R"(<multistatus xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav"><response>)"
                 R"(<href>/u/</href><propstat><prop><C:calendar-home-set><href>/u/</href>)"
                 R"(</C:calendar-home-set><resourcetype><principal /><collection /></resourcetype>)"
                 R"(</prop><status>HTTP/1.1 200 OK</status></propstat><propstat><prop>)"
                 R"(<displayname /><C:supported-calendar-component-set /></prop><status>HTTP/1.1 )"
                 R"(404 Not Found</status></propstat></response><response><href>/u/c/</href>)"
                 R"(<propstat><prop><resourcetype><C:calendar /><collection /></resourcetype>)"
                 R"(<displayname>u/c</displayname><C:supported-calendar-component-set><C:comp )"
                 R"(name="VTODO" /><C:comp name="VJOURNAL" /></C:supported-calendar-component-set>)"
                 R"(</prop><status>HTTP/1.1 200 OK</status></propstat></response></multistatus>)",
                 "/u/",
                 {"/u/ 0 collection homes=/u/ failed=404",
                  "/u/c/ 0 collection calendar comps=T name=u/c"}},
        ReadCase{"Radicale's multiget: raw line ends, a missing href",
                 "<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\"><response>"
                 "<href>/u/c/none.ics</href><status>HTTP/1.1 404 Not Found</status></response>"
                 "<response><href>/u/c/a.ics</href><propstat><prop><getetag>\"e1\"</getetag>"
                 "<C:calendar-data>BEGIN:VCALENDAR\r\nSUMMARY:Ёж\r\nEND:VCALENDAR\r\n"
                 "</C:calendar-data></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
                 "</multistatus>",
                 "/u/c/",
                 {"/u/c/none.ics 404",
                  "/u/c/a.ics 0 etag=\"e1\" data=BEGIN:VCALENDAR|SUMMARY:Ёж|END:VCALENDAR|"}},
        ReadCase{"Nextcloud's principal with the home as a full URL",
                 QByteArray(kSabre) +
                     R"(<d:response><d:href>/remote.php/dav/</d:href><d:propstat><d:prop>)"
                     R"(<d:current-user-principal><d:href>/remote.php/dav/principals/users/anna/)"
                     R"(</d:href></d:current-user-principal><cal:calendar-home-set><d:href>)"
                     R"(https://cloud.example.org/remote.php/dav/calendars/anna/</d:href>)"
                     R"(</cal:calendar-home-set></d:prop><d:status>HTTP/1.1 200 OK</d:status>)"
                     R"(</d:propstat></d:response></d:multistatus>)",
                 "/remote.php/dav/",
                 {"/remote.php/dav/ 0 principal=/remote.php/dav/principals/users/anna/ "
                  "homes=/remote.php/dav/calendars/anna/"}},
        ReadCase{"Nextcloud's calendars: one for events, one without a set, the inbox",
                 QByteArray(kSabre) +
                     R"(<d:response><d:href>/remote.php/dav/calendars/anna/personal/</d:href>)"
                     R"(<d:propstat><d:prop><d:resourcetype><d:collection/><cal:calendar/>)"
                     R"(</d:resourcetype><d:displayname>Личный</d:displayname>)"
                     R"(<cal:supported-calendar-component-set><cal:comp name="VEVENT"/>)"
                     R"(</cal:supported-calendar-component-set></d:prop><d:status>HTTP/1.1 200 OK)"
                     R"(</d:status></d:propstat></d:response><d:response><d:href>)"
                     R"(/remote.php/dav/calendars/anna/work%20list/</d:href><d:propstat><d:prop>)"
                     R"(<d:resourcetype><d:collection/><cal:calendar/><cs:shared-owner/>)"
                     R"(</d:resourcetype></d:prop><d:status>HTTP/1.1 200 OK</d:status>)"
                     R"(</d:propstat></d:response><d:response><d:href>)"
                     R"(/remote.php/dav/calendars/anna/inbox/</d:href><d:propstat><d:prop>)"
                     R"(<d:resourcetype><d:collection/><cal:schedule-inbox/></d:resourcetype>)"
                     R"(</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>)"
                     R"(</d:multistatus>)",
                 "/remote.php/dav/calendars/anna/",
                 {"/remote.php/dav/calendars/anna/personal/ 0 collection calendar comps=E "
                  "name=Личный",
                  "/remote.php/dav/calendars/anna/work list/ 0 collection calendar",
                  "/remote.php/dav/calendars/anna/inbox/ 0 collection"}},
        ReadCase{"Nextcloud's multiget: CR as a character reference, quotes as entities",
                 QByteArray(kSabre) +
                     "<d:response><d:href>/remote.php/dav/calendars/anna/personal/x.ics</d:href>"
                     "<d:propstat><d:prop><d:getetag>&quot;6f1c&quot;</d:getetag>"
                     "<cal:calendar-data>BEGIN:VCALENDAR&#13;\nUID:x&#13;\nEND:VCALENDAR&#13;\n"
                     "</cal:calendar-data></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                     "</d:propstat></d:response><d:sync-token>http://sabre.io/ns/sync/42"
                     "</d:sync-token></d:multistatus>",
                 "/remote.php/dav/calendars/anna/personal/",
                 {"/remote.php/dav/calendars/anna/personal/x.ics 0 etag=\"6f1c\" "
                  "data=BEGIN:VCALENDAR|UID:x|END:VCALENDAR|",
                  "token http://sabre.io/ns/sync/42"}},
        ReadCase{
            "several hrefs sharing a status, relative ones, weak tags, CDATA, unknown "
            "elements",
            R"(<D:multistatus xmlns:D="DAV:" xmlns:X="urn:x"><X:note><D:response>)"
            R"(<D:href>ignored</D:href></D:response></X:note><D:response><D:href>a.ics</D:href>)"
            R"(<D:href>../other/b.ics</D:href><D:status>HTTP/1.1 410 Gone</D:status>)"
            R"(</D:response><D:response><D:href>http://h:8080/cal/./c.ics</D:href>)"
            R"(<D:propstat><D:prop><X:getetag>"no"</X:getetag><D:getetag>W/"7"</D:getetag>)"
            R"(<C:calendar-data xmlns:C="urn:ietf:params:xml:ns:caldav"><![CDATA[A<B)"
            "\nC]]></C:calendar-data></D:prop><D:status>HTTP/1.1 200 OK</D:status>"
            R"(</D:propstat></D:response><D:response><D:href> </D:href></D:response>)"
            R"(</D:multistatus>)",
            "/cal/",
            {"/cal/a.ics 410", "/other/b.ics 410", "/cal/c.ics 0 etag=W/\"7\" data=A<B|C"}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(MultistatusRefusalTest, RefusesWhatIsNoMultistatus) {
    const QByteArray bad[] = {
        "",
        "<multistatus xmlns=\"DAV:\"><response><href>/a</href>",  // cut short
        "<error xmlns=\"DAV:\"><valid-sync-token/></error>",
        "<multistatus><response/></multistatus>",  // no DAV: namespace
        "<multistatus xmlns=\"DAV:\"></multistatus><more/>",
        "<html><body>Login</body></html>",
    };
    for (const QByteArray& xml : bad) {
        DavMultistatus ms;
        QString error;
        EXPECT_FALSE(ReadMultistatus(xml, QStringLiteral("/"), ms, error)) << xml.constData();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(HrefPathTest, GivesTheDecodedAbsolutePathAndBack) {
    struct Case {
        QString raw, requestPath, path, encoded;
    } cases[] = {
        {"/u/c/%D0%81%20a.ics", "/", "/u/c/Ё a.ics", "/u/c/%D0%81%20a.ics"},
        {"/u/c/Ё a.ics", "/", "/u/c/Ё a.ics", "/u/c/%D0%81%20a.ics"},
        {"https://h:8443/dav/x%25y.ics", "/", "/dav/x%y.ics", "/dav/x%25y.ics"},
        {"a.ics", "/u/c/", "/u/c/a.ics", "/u/c/a.ics"},
        {"../d/", "/u/c/", "/u/d/", "/u/d/"},
        {"/u/./c/../e.ics", "/", "/u/e.ics", "/u/e.ics"},
        {"/u/a+b%3Fc.ics", "/", "/u/a+b?c.ics", "/u/a+b%3Fc.ics"},
        {"https://h", "/", "/", "/"},
        {"  ", "/", "", ""},
    };
    for (const Case& c : cases) {
        const QString path = HrefPath(c.raw, c.requestPath);
        EXPECT_EQ(path, c.path) << c.raw.toStdString();
        if (path.isEmpty()) continue;
        const QUrl url = UrlOfPath(QUrl(QStringLiteral("https://u:pw@h/x?q#f")), path);
        EXPECT_EQ(url.path(QUrl::FullyEncoded), c.encoded) << c.raw.toStdString();
        EXPECT_EQ(url.toString(QUrl::RemovePath), QStringLiteral("https://h"));
    }
}

TEST(StatusOfLineTest, ReadsTheCode) {
    const std::pair<QString, int> cases[] = {
        {"HTTP/1.1 200 OK", 200},
        {" HTTP/1.1  404 Not Found ", 404},
        {"HTTP/2 507", 507},
        {"HTTP/1.1 OK", 0},
        {"", 0},
        {"HTTP/1.1 999 ?", 0},
    };
    for (const auto& [line, code] : cases)
        EXPECT_EQ(StatusOfLine(line), code) << line.toStdString();
}

}  // namespace
