#include "app/WindowPlace.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

void CentreOnScreen(QWidget* w) {
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    // Before the first showing the frame is not known yet; the frame of
    // another window of the program is the best guess of it.
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
    const QRect area = screen->geometry();
    const QSize size = w->size() + frame;
    w->move(area.x() + (area.width() - size.width()) / 2,
            area.y() + (area.height() - size.height()) / 2);
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
