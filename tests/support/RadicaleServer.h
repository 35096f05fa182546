// A Radicale CalDAV server (Debian's package, run as `python3 -m
// radicale`) of a test's own: on 127.0.0.1 at a free port, its
// collections in a private folder, one user with a password (htpasswd,
// so that a wrong password gets 401). Stopped, with its process group,
// when it goes.
#pragma once

#include <QProcess>
#include <QStringList>
#include <QUrl>

#include "caldav/CalDavClient.h"
#include "tests/support/TempDir.h"

class RadicaleServer {
  public:
    RadicaleServer() = default;
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    // Starts the server and waits until it answers; false with `error`
    // when it does not.
    bool Start(QString& error, int timeoutMs = 30000);
    // Whether the server syncs each write to the disk, as it does unless
    // told; off by default here, where nothing needs to outlive the test.
    bool durable = false;
    // Whether it speaks https, with a certificate of its own that nobody
    // signed (made with openssl at the start).
    bool tls = false;
    void Stop();

    QUrl Url() const;  // "http://127.0.0.1:PORT/" (https with tls)
    static QString User() { return QStringLiteral("anna"); }
    static QString Password() { return QStringLiteral("plum-Крест 7"); }
    CalDavAccount Account() const { return {Url(), User(), Password(), false}; }

    // Makes the calendar `name` of the user (MKCALENDAR) holding the given
    // components ("VEVENT", "VTODO"; none given: both); its URL, or an
    // empty one when the server refused.
    QUrl MakeCalendar(const QString& name, const QString& displayName,
                      const QStringList& components = {});

  private:
    TempDir dir_;
    QProcess process_;
    int port_ = 0;
};
