// The program's icon on a StatusNotifierItem tray (org.kde.StatusNotifierItem
// over D-Bus, with its menu as com.canonical.dbusmenu), for a tray that
// comes up after the program started: Qt chooses between such a tray and
// an XEmbed one once, at start, and would never reach it.
#pragma once

#include <QDBusConnection>
#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

class QMenu;

// The D-Bus name of the trays' watcher of StatusNotifierItems.
inline const QString StatusNotifierWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

class StatusNotifier : public QObject {
    Q_OBJECT
  public:
    // `menu` is the icon's menu, shown by the tray itself.
    StatusNotifier(const QIcon& icon, const QString& tip, QMenu* menu, QDBusConnection bus,
                   QObject* parent = nullptr);
    ~StatusNotifier() override;

    // Puts the icon on the bus and tells the tray's watcher of it; again
    // after the watcher has restarted. False when the bus refuses.
    bool Register();
    // Takes the icon off the bus: the tray drops it.
    void Unregister();
    bool IsRegistered() const { return registered_; }
    QString ServiceName() const { return service_; }

  signals:
    void activated(QSystemTrayIcon::ActivationReason reason);

  private:
    QDBusConnection bus_;
    QString service_;
    QObject* item_;  // /StatusNotifierItem
    QObject* menu_;  // /MenuBar
    bool registered_ = false;
};
