#include "tests/support/PrivateBus.h"

#include "tests/support/TempDir.h"

PrivateBus::PrivateBus() {
    // A bus of the session kind that starts no services: a notification
    // server is there only when a test puts one there.
    const QString config = dir_.file(QStringLiteral("bus.conf"));
    WriteFile(config,
              "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
              "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
              "<busconfig><type>session</type><listen>unix:dir=" +
                  dir_.path().toLocal8Bit() +
                  "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                  "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                  "<allow own=\"*\"/></policy></busconfig>\n");
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                   QStringLiteral("--config-file=") + config});
    if (!daemon_.waitForStarted(10000)) return;
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
    }
    address = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    daemon_.kill();
    daemon_.waitForFinished(5000);
}

QDBusConnection PrivateBus::Connect(const QString& name) const {
    QDBusConnection::disconnectFromBus(name);
    return QDBusConnection::connectToBus(address, name);
}

TestNotificationServer::TestNotificationServer(QDBusConnection bus) : bus_(bus) {
    bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
    bus_.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

TestNotificationServer::~TestNotificationServer() {
    bus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
}

uint TestNotificationServer::Notify(const QString& app, uint, const QString& icon,
                                    const QString& summary, const QString& body,
                                    const QStringList& actions, const QVariantMap& hints,
                                    int timeout) {
    const uint id = uint(posted.size()) + 41;
    posted.push_back({id, app, icon, summary, body, actions, hints, timeout});
    return id;
}

void TestNotificationServer::CloseNotification(uint id) {
    closed.push_back(id);
    emit NotificationClosed(id, 3);
}

QStringList TestNotificationServer::GetCapabilities() {
    return {QStringLiteral("actions"), QStringLiteral("body")};
}
