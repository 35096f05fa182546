#include "platform/DesktopNotify.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "core/Error.h"
#include "core/Log.h"

DesktopNotifier::DesktopNotifier(QObject* parent)
    : DesktopNotifier(QDBusConnection::sessionBus(), parent) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {
    if (!bus_.isConnected()) return;
    // From whichever server owns the name now.
    const QString interface = QLatin1String(Service);
    bus_.connect(QString(), QLatin1String(Path), interface, QStringLiteral("ActionInvoked"), this,
                 SLOT(ActionInvoked(uint, QString)));
    bus_.connect(QString(), QLatin1String(Path), interface, QStringLiteral("NotificationClosed"),
                 this, SLOT(NotificationClosed(uint, uint)));
}

int DesktopNotifier::Post(const QString& summary, const QString& body,
                          std::function<void()> onAction) {
    if (!bus_.isConnected()) return 0;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                       QLatin1String(Service), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));  // normal
    call << QStringLiteral("Quillet") << uint(0) << QStringLiteral("appointment-soon") << summary
         << body << QStringList{QStringLiteral("default"), QStringLiteral("Показать")} << hints
         << int(0);  // stays until withdrawn
    const int number = next_++;
    notices_[number].onAction = std::move(onAction);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, number](QDBusPendingCallWatcher* w) { Posted(number, w); });
    return number;
}

void DesktopNotifier::Posted(int number, QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    const auto it = notices_.find(number);
    if (it == notices_.end()) return;
    if (reply.isError()) {  // no server: the notice is simply not there
        notices_.erase(it);
        return;
    }
    it->second.serverId = reply.value();
    if (it->second.withdrawn) {
        Close(it->second.serverId);
        notices_.erase(it);
    }
}

void DesktopNotifier::Withdraw(int number) {
    const auto it = notices_.find(number);
    if (it == notices_.end()) return;
    if (it->second.serverId == 0) {  // closed once the server has answered
        it->second.withdrawn = true;
        it->second.onAction = nullptr;
        return;
    }
    Close(it->second.serverId);
    notices_.erase(it);
}

void DesktopNotifier::Close(uint serverId) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                       QLatin1String(Service), QStringLiteral("CloseNotification"));
    call << serverId;
    bus_.call(call, QDBus::NoBlock);
}

void DesktopNotifier::ActionInvoked(uint id, const QString&) {
    for (auto& [number, notice] : notices_) {
        if (notice.serverId != id || !notice.onAction) continue;
        // The action may withdraw the notice: it runs from a copy. A slot
        // of the event loop: nothing may escape from it.
        const std::function<void()> action = notice.onAction;
        try {
            action();
        } catch (...) {
            WriteLog(QStringLiteral("A notification's action failed: ") + CurrentErrorText());
        }
        return;
    }
}

void DesktopNotifier::NotificationClosed(uint id, uint) {
    for (auto it = notices_.begin(); it != notices_.end(); ++it)
        if (it->second.serverId == id) {
            notices_.erase(it);
            return;
        }
}
