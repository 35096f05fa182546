#include "core/ListKeys.h"

ListKey ListKeyCommand(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers mods =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    switch (key) {
        case Qt::Key_Insert:
            return mods == Qt::NoModifier ? ListKey::Add : ListKey::Ignored;
        case Qt::Key_Delete:
            return mods == Qt::NoModifier ? ListKey::Delete : ListKey::Ignored;
        case Qt::Key_F2:
            return mods == Qt::NoModifier ? ListKey::Edit : ListKey::Ignored;
        case Qt::Key_A:
            if (mods == Qt::ControlModifier) return ListKey::SelectAll;
            return mods & Qt::ControlModifier ? ListKey::Ignored : ListKey::None;
        default:
            return ListKey::None;
    }
}
