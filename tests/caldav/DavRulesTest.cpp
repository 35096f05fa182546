// Which addresses the client talks to, where it follows a redirect, what
// a status means, when a refused sync falls back to a whole listing, and
// the bodies it sends.
#include <gtest/gtest.h>

#include "caldav/DavMultistatus.h"
#include "caldav/DavRules.h"

namespace {

TEST(DavRulesTest, PlainHttpOnlyToTheLoopbackUnlessAllowed) {
    struct Case {
        const char* url;
        bool allowPlain, allowed;
    } cases[] = {
        {"https://cloud.example.org/remote.php/dav", false, true},
        {"http://cloud.example.org/", false, false},
        {"http://cloud.example.org/", true, true},
        {"http://127.0.0.1:5232/", false, true},
        {"http://127.8.9.10/", false, true},
        {"http://[::1]:8080/", false, true},
        {"http://localhost/", false, true},
        {"http://LocalHost./", false, false},
        {"http://localhost.example.org/", false, false},
        {"http://127.0.0.1.example.org/", false, false},
        {"http://128.0.0.1/", false, false},
        {"http://[::2]/", false, false},
        {"ftp://127.0.0.1/", true, false},
        {"file:///etc/passwd", true, false},
        {"https:///no-host", true, false},
        {"", true, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddressAllowed(QUrl(QString::fromLatin1(c.url)), c.allowPlain), c.allowed)
            << c.url << ' ' << c.allowPlain;
}

TEST(DavRulesTest, RedirectsStayOnTheSameSchemeAndHost) {
    struct Case {
        const char *from, *to;
        bool allowed;
    } cases[] = {
        {"https://h/.well-known/caldav", "https://h/remote.php/dav/", true},
        {"https://h/", "https://H:8443/dav/", true},
        {"https://h/", "http://h/", false},
        {"http://127.0.0.1/", "https://127.0.0.1/", false},
        {"https://h/", "https://evil.example/", false},
        {"https://h/", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            RedirectAllowed(QUrl(QString::fromLatin1(c.from)), QUrl(QString::fromLatin1(c.to))),
            c.allowed)
            << c.from << " -> " << c.to;
}

TEST(DavRulesTest, StatusesAndTheirKinds) {
    struct Case {
        int status;
        bool networkFailed;
        CalDavResult::Kind kind;
    } cases[] = {
        {200, false, CalDavResult::Ok},
        {201, false, CalDavResult::Ok},
        {204, false, CalDavResult::Ok},
        {207, false, CalDavResult::Ok},
        {0, true, CalDavResult::Unreachable},
        {0, false, CalDavResult::BadReply},
        {401, false, CalDavResult::Unauthorized},
        {403, false, CalDavResult::Unauthorized},
        {412, false, CalDavResult::PreconditionFailed},
        {404, false, CalDavResult::NotFound},
        {410, false, CalDavResult::NotFound},
        {500, false, CalDavResult::ServerError},
        {503, false, CalDavResult::ServerError},
        {507, false, CalDavResult::ServerError},
        {301, false, CalDavResult::BadReply},
        {400, false, CalDavResult::BadReply},
        {409, false, CalDavResult::BadReply},
        {415, false, CalDavResult::BadReply},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KindOfStatus(c.status, c.networkFailed), c.kind) << c.status;
}

TEST(DavRulesTest, ARefusedSyncFallsBackToAWholeListing) {
    const QByteArray tokenError = "<error xmlns=\"DAV:\"><valid-sync-token/></error>";
    struct Case {
        int status;
        QByteArray body;
        bool fallsBack;
    } cases[] = {
        {403, tokenError, true},  {409, tokenError, true}, {410, tokenError, true},
        {403, {}, true},          {400, {}, true},         {405, {}, true},
        {501, {}, true},          {409, {}, false},        {410, {}, false},
        {404, tokenError, false}, {401, {}, false},        {500, {}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SyncFallsBack(c.status, c.body), c.fallsBack) << c.status << ' ' << c.body.size();
}

TEST(DavRulesTest, BodiesAreMultistatusRequestsTheServerReads) {
    const QByteArray sync = SyncCollectionBody(QStringLiteral("http://t/1&2"));
    EXPECT_TRUE(sync.contains("<d:sync-token>http://t/1&amp;2</d:sync-token>")) << sync.constData();
    EXPECT_TRUE(sync.contains("<d:sync-level>1</d:sync-level>"));
    const QByteArray multiget =
        MultigetBody({QStringLiteral("/u/c/Ё a.ics"), QStringLiteral("/u/%.ics")});
    EXPECT_TRUE(multiget.contains("<c:calendar-multiget")) << multiget.constData();
    EXPECT_TRUE(multiget.contains("<d:href>/u/c/%D0%81%20a.ics</d:href>"));
    EXPECT_TRUE(multiget.contains("<d:href>/u/%25.ics</d:href>"));
    const QByteArray propfind =
        PropfindBody({QStringLiteral("getetag")}, {QStringLiteral("calendar-home-set")});
    EXPECT_TRUE(propfind.contains("<d:prop><d:getetag/><c:calendar-home-set/></d:prop>"))
        << propfind.constData();
}

}  // namespace
