// The program's icon in the notification area: its picture, its tip, its
// menu and the presses on it.
//
// The tray stays live while a modal window (a dialog, a message box, a
// reminder) is open: presses on the icon still reach the program and its
// menu still opens. Trays that speak the StatusNotifierItem protocol send
// them over D-Bus, past the modal windows; on an XEmbed tray the icon is a
// window of the program's own, which a modal window blocks, so its presses
// are taken from the X server's events before Qt drops them.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QSystemTrayIcon>

class QMenu;

class TrayIcon : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
  public:
    // `menu` opens on a right press; it must have no parent window, so that
    // no modal window blocks it.
    TrayIcon(const QIcon& icon, const QString& tip, QMenu* menu, QObject* parent = nullptr);
    ~TrayIcon() override;

    void Show();
    void Hide();
    bool IsVisible() const;
    QString ToolTip() const;
    QMenu* Menu() const { return menu_; }

    // Whether the desktop has a notification area.
    static bool Available();

    // A press on the icon at the screen point `at`: the right button opens
    // the menu there, then the press is reported (Context for the right
    // button, Trigger for the left, MiddleClick for the middle one).
    void Press(Qt::MouseButton button, const QPoint& at);

  signals:
    void activated(QSystemTrayIcon::ActivationReason reason);

  protected:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    bool IsIconWindow(quintptr window) const;

    QSystemTrayIcon* icon_;
    QMenu* menu_;
};
