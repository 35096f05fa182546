#include "platform/TrayIcon.h"

#include <xcb/xcb.h>
#include <QApplication>
#include <QCursor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include "platform/StatusNotifier.h"

namespace {

QDBusMessage hostQuestion() {
    QDBusMessage m = QDBusMessage::createMethodCall(
        StatusNotifierWatcherService, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    m << StatusNotifierWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    m.setAutoStartService(false);  // a watcher is looked for, not started
    return m;
}

bool saysYes(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toBool();
}

// Whether a StatusNotifierItem tray is on `bus`, asked the way Qt asks it.
bool busTrayNow(const QDBusConnection& bus) {
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(StatusNotifierWatcherService).value())
        return false;
    return saysYes(bus.call(hostQuestion(), QDBus::Block, 500));
}

}  // namespace

TrayIcon::TrayIcon(const QIcon& icon, const QString& tip, QMenu* menu, QObject* parent,
                   QDBusConnection bus)
    : QObject(parent), menu_(menu), bus_(std::move(bus)) {
    // Qt settles now, once, whether its icon goes to a tray on the session
    // bus or to an XEmbed tray; it is asked the same question first.
    qtOnBus_ = busTrayNow(QDBusConnection::sessionBus());
    busTray_ = busTrayNow(bus_);
    icon_ = new QSystemTrayIcon(icon, this);
    icon_->setToolTip(tip);
    // The standard way: the tray shows the menu itself on a right press,
    // over D-Bus on StatusNotifierItem trays.
    icon_->setContextMenu(menu);
    connect(icon_, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
    own_ = new StatusNotifier(icon, tip, menu, bus_, this);
    connect(own_, &StatusNotifier::activated, this, &TrayIcon::activated);
    QCoreApplication::instance()->installNativeEventFilter(this);

    // Trays come and go: XEmbed ones are looked for every 1.5 seconds,
    // those on the bus are heard of as their watcher comes and goes.
    look_ = new QTimer(this);
    look_->setInterval(1500);
    connect(look_, &QTimer::timeout, this, &TrayIcon::LookForTrays);
    look_->start();
    if (bus_.isConnected()) {
        auto* watcher = new QDBusServiceWatcher(StatusNotifierWatcherService, bus_,
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            // A restarted watcher knows nothing of the icon: it is told again.
            if (route_ == TrayRoute::Own) own_->Register();
            LookForTrays();
        });
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
            busTray_ = false;
            Choose();
        });
        for (const char* signal :
             {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
            bus_.connect(StatusNotifierWatcherService, QStringLiteral("/StatusNotifierWatcher"),
                         StatusNotifierWatcherService, QLatin1String(signal), this,
                         SLOT(LookForTrays()));
    }
    xembedTray_ = !qtOnBus_ && QSystemTrayIcon::isSystemTrayAvailable();
    Choose();
}

void TrayIcon::LookForTrays() {
    // Without a bus tray at start, Qt looks at XEmbed trays only.
    xembedTray_ = !qtOnBus_ && QSystemTrayIcon::isSystemTrayAvailable();
    if (!bus_.isConnected()) {
        Choose();
        return;
    }
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(hostQuestion(), 1000), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call] {
        busTray_ = saysYes(call->reply());
        call->deleteLater();
        Choose();
    });
}

void TrayIcon::Choose() {
    const TrayRoute route = ChooseTrayRoute(qtOnBus_, xembedTray_, busTray_);
    if (route == TrayRoute::Own && !own_->IsRegistered()) own_->Register();
    if (route != TrayRoute::Own && own_->IsRegistered()) own_->Unregister();
    const bool was = Present();
    route_ = route;
    if (Present() != was) emit presentChanged(Present());
}

TrayIcon::~TrayIcon() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

void TrayIcon::Show() {
    icon_->show();
}
void TrayIcon::Hide() {
    icon_->hide();
    look_->stop();
    own_->Unregister();
}
bool TrayIcon::IsVisible() const {
    return icon_->isVisible();
}
QString TrayIcon::ToolTip() const {
    return icon_->toolTip();
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

namespace {

// The start of an X Input 2 device event (ButtonPress, ButtonRelease,
// Motion...), as the X server sends it: Qt takes the mouse through this
// extension where the server has it.
struct XI2DeviceEvent {
    uint8_t response_type;  // XCB_GE_GENERIC
    uint8_t extension;      // the extension's major opcode
    uint16_t sequence;
    uint32_t length;
    uint16_t event_type;  // 4: ButtonPress
    uint16_t deviceid;
    uint32_t time;
    uint32_t detail;  // the button
    xcb_window_t root;
    xcb_window_t event;
};
constexpr uint16_t XI2ButtonPress = 4;

// The major opcode of the X Input extension, 0 when the server has none.
uint8_t inputOpcode() {
    static const uint8_t opcode = [] {
        auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        xcb_connection_t* c = x11 ? x11->connection() : nullptr;
        if (!c) return uint8_t(0);
        static const char name[] = "XInputExtension";
        xcb_query_extension_reply_t* reply =
            xcb_query_extension_reply(c, xcb_query_extension(c, sizeof(name) - 1, name), nullptr);
        const uint8_t op = reply && reply->present ? reply->major_opcode : 0;
        free(reply);
        return op;
    }();
    return opcode;
}

// The window and button of a button press, core or X Input 2.
bool buttonPress(const void* message, xcb_window_t& window, uint32_t& button) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_BUTTON_PRESS) {
        const auto* press = static_cast<const xcb_button_press_event_t*>(message);
        window = press->event;
        button = press->detail;
        return true;
    }
    if (type == XCB_GE_GENERIC) {
        const auto* xi = static_cast<const XI2DeviceEvent*>(message);
        if (xi->event_type != XI2ButtonPress || xi->extension != inputOpcode() ||
            inputOpcode() == 0)
            return false;
        window = xi->event;
        button = xi->detail;
        return true;
    }
    return false;
}

}  // namespace

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
    xcb_window_t window = 0;
    uint32_t detail = 0;
    if (!buttonPress(message, window, detail) || !IsIconWindow(window)) return false;
    const Qt::MouseButton button = detail == 1   ? Qt::LeftButton
                                   : detail == 2 ? Qt::MiddleButton
                                   : detail == 3 ? Qt::RightButton
                                                 : Qt::NoButton;
    if (button == Qt::NoButton) return false;
    Press(button, QCursor::pos());
    return true;
}
