// A session bus of a test's own (a dbus-daemon of its own, no services to
// start), and a desktop notification server on it that records what it is
// sent and can answer as a user would.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>
#include <vector>

#include "tests/support/TempDir.h"

class PrivateBus {
  public:
    PrivateBus();   // starts the daemon; `address` is empty when it did not start
    ~PrivateBus();  // ends it
    // A new connection to the bus, named `name` within the process.
    QDBusConnection Connect(const QString& name) const;
    QString address;

  private:
    TempDir dir_;
    QProcess daemon_;
};

class TestNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    // Takes the service name on `bus`.
    explicit TestNotificationServer(QDBusConnection bus);
    ~TestNotificationServer() override;

    struct Notice {
        uint id;
        QString app, icon, summary, body;
        QStringList actions;
        QVariantMap hints;
        int timeout;
    };
    std::vector<Notice> posted;
    std::vector<uint> closed;

    // The user takes an action of a notification.
    void Choose(uint id, const QString& key) { emit ActionInvoked(id, key); }

  public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout);
    void CloseNotification(uint id);
    QStringList GetCapabilities();

  signals:
    void ActionInvoked(uint id, const QString& key);
    void NotificationClosed(uint id, uint reason);

  private:
    QDBusConnection bus_;
};
