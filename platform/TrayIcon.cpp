#include "platform/TrayIcon.h"

#include <xcb/xcb.h>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QWidget>

TrayIcon::TrayIcon(const QIcon& icon, const QString& tip, QMenu* menu, QObject* parent)
    : QObject(parent), icon_(new QSystemTrayIcon(icon, this)), menu_(menu) {
    icon_->setToolTip(tip);
    // The standard way: the tray shows the menu itself on a right press,
    // over D-Bus on StatusNotifierItem trays.
    icon_->setContextMenu(menu);
    connect(icon_, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

TrayIcon::~TrayIcon() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

void TrayIcon::Show() {
    icon_->show();
}
void TrayIcon::Hide() {
    icon_->hide();
}
bool TrayIcon::IsVisible() const {
    return icon_->isVisible();
}
QString TrayIcon::ToolTip() const {
    return icon_->toolTip();
}

bool TrayIcon::Available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::Press(Qt::MouseButton button, const QPoint& at) {
    switch (button) {
        case Qt::RightButton:
            if (menu_) menu_->popup(at);
            emit activated(QSystemTrayIcon::Context);
            break;
        case Qt::LeftButton:
            emit activated(QSystemTrayIcon::Trigger);
            break;
        case Qt::MiddleButton:
            emit activated(QSystemTrayIcon::MiddleClick);
            break;
        default:
            break;
    }
}

bool TrayIcon::IsIconWindow(quintptr window) const {
    // The XEmbed icon is a window of its own made by Qt for the tray.
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->internalWinId() == window && w->objectName() == QLatin1String("QSystemTrayIconSys"))
            return true;
    return false;
}

bool TrayIcon::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    // Only while a modal window is open; otherwise Qt delivers the press.
    if (eventType != "xcb_generic_event_t" || !QApplication::activeModalWidget()) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_BUTTON_PRESS) return false;
    const auto* press = static_cast<const xcb_button_press_event_t*>(message);
    if (!IsIconWindow(press->event)) return false;
    const Qt::MouseButton button = press->detail == 1   ? Qt::LeftButton
                                   : press->detail == 2 ? Qt::MiddleButton
                                   : press->detail == 3 ? Qt::RightButton
                                                        : Qt::NoButton;
    if (button == Qt::NoButton) return false;
    Press(button, QCursor::pos());
    return true;
}
