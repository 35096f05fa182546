#include "platform/WindowPlace.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {

// The frame's share of the outer size. Before the first showing the frame
// is not known yet; the frame of another window of the program is the
// best guess of it.
QSize frameExtra(QWidget* w) {
    QSize frame = w->frameGeometry().size() - w->size();
    if (frame.isNull()) {
        for (const QWidget* other : QApplication::topLevelWidgets()) {
            if (other == w || !other->isVisible() || !other->isWindow()) continue;
            const QSize extra = other->frameGeometry().size() - other->size();
            if (!extra.isNull()) {
                frame = extra;
                break;
            }
        }
    }
    return frame;
}

void centre(QWidget* w, QScreen* screen, int offset) {
    if (!screen) return;
    const QRect area = screen->geometry();
    const QSize size = w->size() + frameExtra(w);
    w->move(area.x() + (area.width() - size.width()) / 2 + offset,
            area.y() + (area.height() - size.height()) / 2 + offset);
}

// Before its first showing a window's frame is only guessed, and while the
// program sits in the tray there is no other window to guess from; once
// the window is up it is placed again with its own frame.
void place(QWidget* w, bool ownScreen, int offset) {
    auto screen = [w, ownScreen] {
        return ownScreen && w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    };
    centre(w, screen(), offset);
    QTimer::singleShot(0, w, [w, screen, offset] { centre(w, screen(), offset); });
}

}  // namespace

void CentreOnScreen(QWidget* w) {
    place(w, true, 0);
}

void PlaceAtCentre(QWidget* w, int offset) {
    place(w, false, offset);
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
