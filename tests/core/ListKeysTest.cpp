// The keys of the task and event lists.
#include <gtest/gtest.h>

#include "core/ListKeys.h"

TEST(ListKeyCommand, EachKeyOnlyWithExactlyItsModifiers) {
    using M = Qt::KeyboardModifier;
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        ListKey command;
    } cases[] = {
        {Qt::Key_Insert, {}, ListKey::Add},
        {Qt::Key_Insert, M::KeypadModifier | M::MetaModifier, ListKey::Add},
        {Qt::Key_Insert, M::ShiftModifier, ListKey::Ignored},
        {Qt::Key_Insert, M::ControlModifier, ListKey::Ignored},
        {Qt::Key_Insert, M::AltModifier, ListKey::Ignored},
        {Qt::Key_Delete, {}, ListKey::Delete},
        {Qt::Key_Delete, M::KeypadModifier, ListKey::Delete},
        {Qt::Key_Delete, M::ShiftModifier, ListKey::Ignored},
        {Qt::Key_Delete, M::ControlModifier, ListKey::Ignored},
        {Qt::Key_Delete, M::AltModifier, ListKey::Ignored},
        {Qt::Key_F2, {}, ListKey::Edit},
        {Qt::Key_F2, M::ShiftModifier, ListKey::Ignored},
        {Qt::Key_F2, M::ControlModifier | M::AltModifier, ListKey::Ignored},
        {Qt::Key_A, M::ControlModifier, ListKey::SelectAll},
        {Qt::Key_A, M::ControlModifier | M::MetaModifier, ListKey::SelectAll},
        {Qt::Key_A, M::ControlModifier | M::ShiftModifier, ListKey::Ignored},
        {Qt::Key_A, M::ControlModifier | M::AltModifier, ListKey::Ignored},
        // A without Ctrl is a letter, which the list may use to find a row.
        {Qt::Key_A, {}, ListKey::None},
        {Qt::Key_A, M::ShiftModifier, ListKey::None},
        {Qt::Key_A, M::AltModifier, ListKey::None},
        {Qt::Key_Return, {}, ListKey::None},
        {Qt::Key_Enter, M::KeypadModifier, ListKey::None},
        {Qt::Key_Down, M::ShiftModifier, ListKey::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListKeyCommand(c.key, c.mods), c.command)
            << "key " << c.key << " modifiers " << c.mods.toInt();
}
