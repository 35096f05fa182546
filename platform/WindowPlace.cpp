#include "platform/WindowPlace.h"

#include <xcb/xcb.h>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/WindowRules.h"

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return a;
}

// The frame the window manager has given `window` (left, right, top,
// bottom in device pixels), if it has said so.
bool frameExtents(xcb_connection_t* c, xcb_window_t window, QMargins& frame) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom(c, "_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4),
        nullptr);
    const bool found = reply && reply->format == 32 && xcb_get_property_value_length(reply) == 16;
    if (found) {
        const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        frame = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    }
    free(reply);
    return found;
}

bool managerAnswersFrameRequests(xcb_connection_t* c, xcb_window_t root) {
    const xcb_atom_t wanted = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0, 1024),
        nullptr);
    bool found = false;
    if (reply && reply->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        found = std::find(atoms, atoms + n, wanted) != atoms + n;
    }
    free(reply);
    return found;
}

// The frame of `w` in device pixels. A window never shown yet has none:
// the window manager is asked which it will give it, so that even the
// first window of a run, with nothing else on the screen, is placed by
// its whole outer size. Without X, what Qt knows of the frame.
QMargins deviceFrame(QWidget* w) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) {
        const QRect inner = w->geometry(), outer = w->frameGeometry();
        const qreal r = w->devicePixelRatioF();
        return QMargins(int(std::lround((inner.left() - outer.left()) * r)),
                        int(std::lround((inner.top() - outer.top()) * r)),
                        int(std::lround((outer.right() - inner.right()) * r)),
                        int(std::lround((outer.bottom() - inner.bottom()) * r)));
    }
    const auto window = xcb_window_t(w->winId());
    QMargins frame;
    if (frameExtents(c, window, frame)) return frame;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    if (!managerAnswersFrameRequests(c, root)) return {};
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = window;
    request.type = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(c);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 250) {
        if (frameExtents(c, window, frame)) return frame;
        QThread::msleep(2);
    }
    return {};
}

void place(QWidget* w, QScreen* screen, int offset) {
    if (!screen) return;
    // The inner part is placed: the frame is known now, and for a window
    // already made the window system takes the place given as the inner one.
    const QMargins frame = deviceFrame(w);
    w->setGeometry(
        QRect(CentredPlace(screen->geometry(), w->size(), frame, w->devicePixelRatioF(), offset),
              w->size()));
}

}  // namespace

void CentreOnScreen(QWidget* w) {
    place(w, w->screen() ? w->screen() : QGuiApplication::primaryScreen(), 0);
}

void PlaceAtCentre(QWidget* w, int offset) {
    place(w, QGuiApplication::primaryScreen(), offset);
}

void InitAssets() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(assets);
        return true;
    }();
    (void)registered;
}

QPixmap AssetPicture(const QString& path) {
    InitAssets();
    return QPixmap(path);
}

void AddOkCancel(QDialog* dialog, const QRect& okPlace, const QRect& cancelPlace, QPushButton*& ok,
                 QPushButton*& cancel) {
    ok = new QPushButton(QStringLiteral("Ok"), dialog);
    ok->setGeometry(okPlace);
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Отмена"), dialog);
    cancel->setGeometry(cancelPlace);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}
