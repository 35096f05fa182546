// The program's icon in the notification area: its picture, its tip, its
// menu and the presses on it.
//
// The tray stays live while a modal window (a dialog, a message box, a
// reminder) is open: presses on the icon still reach the program and its
// menu still opens. Trays that speak the StatusNotifierItem protocol send
// them over D-Bus, past the modal windows; on an XEmbed tray the icon is a
// window of the program's own, which a modal window blocks, so its presses
// are taken from the X server's events before Qt drops them.
//
// A tray may come up after the program (the panel starts later at log-on,
// or restarts): the icon goes to it as soon as it is there, and Present()
// and presentChanged() tell the program when there is a tray at all.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QObject>
#include <QSystemTrayIcon>

#include "platform/TrayRoute.h"

class QMenu;
class QTimer;
class StatusNotifier;

class TrayIcon : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
  public:
    // `menu` opens on a right press; it must have no parent window, so that
    // no modal window blocks it.
    // `bus` is where StatusNotifierItem trays are looked for.
    TrayIcon(const QIcon& icon, const QString& tip, QMenu* menu, QObject* parent = nullptr,
             QDBusConnection bus = QDBusConnection::sessionBus());
    ~TrayIcon() override;

    void Show();
    void Hide();
    bool IsVisible() const;
    QString ToolTip() const;
    QMenu* Menu() const { return menu_; }

    // Whether a tray shows the icon now.
    bool Present() const { return route_ != TrayRoute::None; }
    TrayRoute Route() const { return route_; }

    // A press on the icon at the screen point `at`: the right button opens
    // the menu there, then the press is reported (Context for the right
    // button, Trigger for the left, MiddleClick for the middle one).
    void Press(Qt::MouseButton button, const QPoint& at);

  public slots:
    // Looks at the trays now rather than at the next look (every 1.5 s).
    void LookForTrays();

  signals:
    void activated(QSystemTrayIcon::ActivationReason reason);
    void presentChanged(bool present);

  protected:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    bool IsIconWindow(quintptr window) const;
    void Choose();  // the route by what was seen last

    QSystemTrayIcon* icon_;
    QMenu* menu_;
    QDBusConnection bus_;
    StatusNotifier* own_;
    QTimer* look_;
    bool qtOnBus_ = false;  // Qt's icon went to a bus tray at start
    bool xembedTray_ = false;
    bool busTray_ = false;
    TrayRoute route_ = TrayRoute::None;
};
