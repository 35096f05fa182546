// Desktop notifications: the freedesktop service
// org.freedesktop.Notifications on the session bus, reached through
// QtDBus. Nothing waits for the server: calls go out without blocking,
// and where no notification server runs (or there is no session bus)
// nothing happens at all.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <map>

class QDBusPendingCallWatcher;

class DesktopNotifier : public QObject {
    Q_OBJECT
  public:
    explicit DesktopNotifier(QObject* parent = nullptr);  // on the session bus
    DesktopNotifier(const QDBusConnection& bus, QObject* parent = nullptr);

    // Posts a notification that stays until it is withdrawn, with one
    // action, "Показать"; when the user takes it (or clicks the
    // notification) `onAction` runs. Returns the number Withdraw takes, 0
    // when there is no bus.
    int Post(const QString& summary, const QString& body, std::function<void()> onAction);
    // Takes the notification off the screen.
    void Withdraw(int number);

    static constexpr const char* Service = "org.freedesktop.Notifications";
    static constexpr const char* Path = "/org/freedesktop/Notifications";

  private slots:
    void ActionInvoked(uint id, const QString& key);
    void NotificationClosed(uint id, uint reason);

  private:
    void Posted(int number, QDBusPendingCallWatcher* call);
    void Close(uint serverId);

    struct Notice {
        uint serverId = 0;  // 0 until the server has answered
        bool withdrawn = false;
        std::function<void()> onAction;
    };
    QDBusConnection bus_;
    std::map<int, Notice> notices_;
    int next_ = 1;
};
