#include "core/WindowRules.h"

#include <algorithm>
#include <cmath>

FitScale ScaleToFit(const std::vector<FitNeed>& needs) {
    FitScale s;
    for (const FitNeed& n : needs) {
        if (n.need.width() > 0 && n.room.width() > 0)
            s.x = std::max(s.x, double(n.need.width()) / n.room.width());
        if (n.need.height() > 0 && n.room.height() > 0)
            s.y = std::max(s.y, double(n.need.height()) / n.room.height());
    }
    return s;
}

namespace {
int scaled(int v, double by) {
    return int(std::lround(v * by));
}
}  // namespace

QRect ScaledPlace(const QRect& place, FitScale scale) {
    const int left = scaled(place.x(), scale.x);
    const int top = scaled(place.y(), scale.y);
    return QRect(left, top, scaled(place.x() + place.width(), scale.x) - left,
                 scaled(place.y() + place.height(), scale.y) - top);
}

QRect ScaledPicturePlace(const QRect& place, FitScale scale) {
    const QRect room = ScaledPlace(place, scale);
    return QRect(room.x() + (room.width() - place.width()) / 2,
                 room.y() + (room.height() - place.height()) / 2, place.width(), place.height());
}

QPoint CentredPlace(const QRect& screen, const QSize& client, const QMargins& frame, double ratio,
                    int offset) {
    if (ratio <= 0) ratio = 1;
    const double left = frame.left() / ratio, top = frame.top() / ratio;
    const double width = client.width() + left + frame.right() / ratio;
    const double height = client.height() + top + frame.bottom() / ratio;
    const double frameX = std::floor(screen.x() + (screen.width() - width) / 2) + offset;
    const double frameY = std::floor(screen.y() + (screen.height() - height) / 2) + offset;
    return QPoint(int(std::lround(frameX + left)), int(std::lround(frameY + top)));
}

SectionKeyAction SectionKey(int key, Qt::KeyboardModifiers modifiers, int current, int count) {
    const int last = std::max(0, count - 1);
    current = std::clamp(current, 0, last);
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {current, false};
    switch (key) {
        case Qt::Key_Tab:
            // From the last section the box's own Tab leaves it.
            return {(modifiers & Qt::ShiftModifier) ? 0 : last, false};
        case Qt::Key_Backtab:
            return {0, false};
        case Qt::Key_Left:
            return {std::max(0, current - 1), true};
        case Qt::Key_Right:
            return {std::min(last, current + 1), true};
        default:
            return {current, false};
    }
}
