// The client against a server of canned answers on the loopback: which
// redirects it follows, the fallback when a server has no sync report, the
// credentials it sends. The server runs in the test's thread, served by
// the client's own wait for its answer.
#include <gtest/gtest.h>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

#include "caldav/CalDavClient.h"

namespace {

// Answers each request with the next of `answers` ("%1" is its own port)
// and keeps the request lines and the credentials it saw.
class CannedServer {
  public:
    explicit CannedServer(QStringList answers) : answers_(std::move(answers)) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = server_.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { Read(socket); });
        });
    }
    QUrl Url(const QString& path = QStringLiteral("/")) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }
    QStringList requests;
    QByteArrayList credentials;

  private:
    void Read(QTcpSocket* socket) {
        QByteArray& got = pending_[socket];
        got += socket->readAll();
        const qsizetype end = got.indexOf("\r\n\r\n");
        if (end < 0) return;
        const QByteArrayList lines = got.left(end).split('\n');
        qsizetype length = 0;
        QByteArray authorization;
        for (const QByteArray& line : lines) {
            const QByteArray lower = line.toLower();
            if (lower.startsWith("content-length:")) length = line.mid(15).trimmed().toLongLong();
            if (lower.startsWith("authorization:")) authorization = line.mid(14).trimmed();
        }
        if (got.size() < end + 4 + length) return;
        requests << QString::fromLatin1(lines.first().trimmed()).section(' ', 0, 1);
        credentials << authorization;
        QString answer = answers_.isEmpty() ? QStringLiteral("HTTP/1.1 500 No more\r\n\r\n")
                                            : answers_.takeFirst();
        if (answer.contains(QStringLiteral("%1"))) answer = answer.arg(server_.serverPort());
        socket->write(answer.toUtf8());
        socket->disconnectFromHost();
        pending_.remove(socket);
    }

    QTcpServer server_;
    QStringList answers_;
    QHash<QTcpSocket*, QByteArray> pending_;
};

QString Answer(const QString& status, const QString& headers = {}, const QByteArray& body = {}) {
    return QStringLiteral("HTTP/1.1 %1\r\nConnection: close\r\nContent-Length: %2\r\n%3\r\n")
               .arg(status)
               .arg(body.size())
               .arg(headers) +
           QString::fromUtf8(body);
}

const QByteArray kListing =
    R"(<multistatus xmlns="DAV:"><response><href>/cal/</href><propstat><prop><sync-token>t1)"
    R"(</sync-token></prop><status>HTTP/1.1 200 OK</status></propstat></response><response>)"
    R"(<href>/cal/a.ics</href><propstat><prop><getetag>"1"</getetag></prop><status>HTTP/1.1 )"
    R"(200 OK</status></propstat></response></multistatus>)";

// A first page of a sync that the server cut short (507 on the collection).
const QByteArray kFirstPage =
    R"(<multistatus xmlns="DAV:"><response><href>/cal/b.ics</href><propstat><prop><getetag>"2")"
    R"(</getetag></prop><status>HTTP/1.1 200 OK</status></propstat></response><response><href>)"
    R"(/cal/c.ics</href><propstat><prop><getetag>"3"</getetag></prop><status>HTTP/1.1 200 OK)"
    R"(</status></propstat></response><response><href>/cal/</href><status>HTTP/1.1 507 )"
    R"(Insufficient Storage</status></response><sync-token>p1</sync-token></multistatus>)";
const QByteArray kLastPage =
    R"(<multistatus xmlns="DAV:"><response><href>/cal/a.ics</href><propstat><prop><getetag>"1")"
    R"(</getetag></prop><status>HTTP/1.1 200 OK</status></propstat></response><response><href>)"
    R"(/cal/c.ics</href><status>HTTP/1.1 404 Not Found</status></response><sync-token>p2)"
    R"(</sync-token></multistatus>)";

TEST(CalDavCannedTest, RedirectsFallbacksAndCredentials) {
    const QString moved = QStringLiteral("301 Moved Permanently");
    struct Case {
        const char* what;
        QStringList answers;
        CalDavResult::Kind kind;
        QStringList requests;
        QString token;  // the sync token Changes ends with
        QStringList items = {QStringLiteral("/cal/a.ics")};
    } cases[] = {
        {"a redirect on the same host is followed",
         {Answer(moved, "Location: http://127.0.0.1:%1/moved/\r\n"),
          Answer("207 Multi-Status", {}, kListing)},
         CalDavResult::Ok,
         {"REPORT /cal/", "REPORT /moved/"},
         {}},
        {"a redirect to another host is not",
         {Answer(moved, "Location: http://127.0.0.2:%1/cal/\r\n")},
         CalDavResult::BadReply,
         {"REPORT /cal/"},
         {}},
        {"nor one to another scheme",
         {Answer(moved, "Location: https://127.0.0.1:%1/cal/\r\n")},
         CalDavResult::BadReply,
         {"REPORT /cal/"},
         {}},
        {"a loop of redirects ends",
         QStringList(8, Answer(moved, "Location: x/\r\n")),
         CalDavResult::BadReply,
         {"REPORT /cal/", "REPORT /cal/x/", "REPORT /cal/x/x/", "REPORT /cal/x/x/x/",
          "REPORT /cal/x/x/x/x/", "REPORT /cal/x/x/x/x/x/"},
         {}},
        {"a server without the sync report is listed whole",
         {Answer("501 Not Implemented"), Answer("207 Multi-Status", {}, kListing)},
         CalDavResult::Ok,
         {"REPORT /cal/", "PROPFIND /cal/"},
         "t1"},
        {"a sync cut short is asked again from its token",
         {Answer("207 Multi-Status", {}, kFirstPage), Answer("207 Multi-Status", {}, kLastPage)},
         CalDavResult::Ok,
         {"REPORT /cal/", "REPORT /cal/"},
         "p2",
         {"/cal/a.ics", "/cal/b.ics"}},
        {"an answer that is no multistatus",
         {Answer("207 Multi-Status", {}, "<html>Вход</html>")},
         CalDavResult::BadReply,
         {"REPORT /cal/"},
         {}},
    };
    for (const Case& c : cases) {
        CannedServer server(c.answers);
        CalDavClient client({server.Url(), QStringLiteral("анна"), QStringLiteral("p:w"), false},
                            3000);
        CalDavChanges changes;
        const CalDavResult r = client.Changes(server.Url(QStringLiteral("/cal/")), {}, changes);
        EXPECT_EQ(r.kind, c.kind) << c.what << ": " << r.message.toStdString();
        EXPECT_EQ(server.requests, c.requests) << c.what;
        if (r.ok()) {
            EXPECT_EQ(changes.syncToken, c.token) << c.what;
            QStringList hrefs;
            for (const CalDavItem& item : changes.items)
                hrefs << item.href;
            EXPECT_EQ(hrefs, c.items) << c.what;
            EXPECT_TRUE(changes.removed.isEmpty()) << c.what;
        }
        for (const QByteArray& sent : server.credentials)
            EXPECT_EQ(sent, "Basic " + QStringLiteral("анна:p:w").toUtf8().toBase64()) << c.what;
    }
}

}  // namespace
