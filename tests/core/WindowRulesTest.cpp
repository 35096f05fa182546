// The rules of window sizes and places and of the keys of date boxes.
#include <gtest/gtest.h>

#include "core/WindowRules.h"

TEST(WindowRules, WindowsGrowByTheirTightestText) {
    const struct {
        std::vector<FitNeed> needs;
        FitScale scale;
    } cases[] = {
        {{}, {1, 1}},
        {{{QSize(75, 25), QSize(56, 20)}, {QSize(200, 22), QSize(96, 20)}}, {1, 1}},
        // A caption 20 % too wide, a line 10 % too high: the window as a whole.
        {{{QSize(115, 25), QSize(138, 20)}, {QSize(117, 20), QSize(96, 22)}}, {1.2, 1.1}},
        // The tightest control decides; a dimension asking nothing counts not.
        {{{QSize(100, 20), QSize(150, 0)}, {QSize(50, 20), QSize(100, 0)}}, {2, 1}},
        // A control with no room (a hidden holder of the focus) counts not.
        {{{QSize(0, 21), QSize(125, 22)}}, {1, 22.0 / 21}},
    };
    for (const auto& c : cases) {
        const FitScale s = ScaleToFit(c.needs);
        EXPECT_DOUBLE_EQ(s.x, c.scale.x);
        EXPECT_DOUBLE_EQ(s.y, c.scale.y);
    }
}

TEST(WindowRules, ScaledPlacesKeepTheirEdgesTogether) {
    const struct {
        QRect place;
        FitScale scale;
        QRect scaled, picture;
    } cases[] = {
        {QRect(8, 245, 117, 20), {1, 1}, QRect(8, 245, 117, 20), QRect(8, 245, 117, 20)},
        {QRect(8, 8, 48, 48), {1.5, 1.25}, QRect(12, 10, 72, 60), QRect(24, 16, 48, 48)},
        // The edges are scaled, not the sizes: 133 + 115 = 248 meets the next
        // control at 248 * 1.1 whichever way the halves round.
        {QRect(133, 245, 115, 25), {1.1, 1}, QRect(146, 245, 127, 25), QRect(152, 245, 115, 25)},
        {QRect(248, 245, 75, 25), {1.1, 1}, QRect(273, 245, 82, 25), QRect(276, 245, 75, 25)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScaledPlace(c.place, c.scale), c.scaled);
        EXPECT_EQ(ScaledPicturePlace(c.place, c.scale), c.picture);
    }
}

// Reminders at the middle of the screen, 20 pixels further for each open
// one: the first as the later ones, at any scale, by the frame the window
// manager gives (here 1 pixel around and a 20 pixel title, in device
// pixels), and on a second screen too.
TEST(WindowRules, RemindersStandByTheirWholeFrameAtAnyScale) {
    const QMargins frame(1, 20, 1, 1);
    const QSize client(341, 277);
    const struct {
        QRect screen;
        QMargins frame;
        double ratio;
        int offset;
        QPoint inner;
    } cases[] = {
        // 1280 x 800 at scale 1: the frame 343 x 298 at (468, 251) + 20.
        {QRect(0, 0, 1280, 800), frame, 1, 20, QPoint(489, 291)},
        {QRect(0, 0, 1280, 800), frame, 1, 40, QPoint(509, 311)},
        // Scale 2 (2560 x 1600 device pixels): the frame 342 x 287.5.
        {QRect(0, 0, 1280, 800), frame, 2, 20, QPoint(490, 286)},
        {QRect(0, 0, 1280, 800), frame, 2, 40, QPoint(510, 306)},
        // Scale 1.5 (1920 x 1200): the frame 342.7 x 291.3.
        {QRect(0, 0, 1280, 800), frame, 1.5, 20, QPoint(489, 287)},
        {QRect(0, 0, 1280, 800), frame, 1.5, 60, QPoint(529, 327)},
        // No frame known: the inner part is the whole window.
        {QRect(0, 0, 1280, 800), QMargins(), 1, 20, QPoint(489, 281)},
        // Centred on its own screen, not the first one.
        {QRect(1280, 0, 1920, 1080), frame, 1, 0, QPoint(2069, 411)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CentredPlace(c.screen, client, c.frame, c.ratio, c.offset), c.inner)
            << c.ratio << " " << c.offset;
}

TEST(WindowRules, TabLeavesDateBoxesAndArrowsStepThroughTheirSections) {
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int current, count;
        SectionKeyAction action;
    } cases[] = {
        // Tab goes on from the last section, where the box lets it leave.
        {Qt::Key_Tab, none, 0, 3, {2, false}},
        {Qt::Key_Tab, none, 2, 3, {2, false}},
        {Qt::Key_Tab, Qt::ShiftModifier, 2, 3, {0, false}},
        {Qt::Key_Backtab, Qt::ShiftModifier, 1, 3, {0, false}},
        {Qt::Key_Tab, none, 0, 1, {0, false}},
        // The arrows step one section and stop at the ends.
        {Qt::Key_Right, none, 0, 3, {1, true}},
        {Qt::Key_Right, none, 2, 3, {2, true}},
        {Qt::Key_Left, none, 1, 3, {0, true}},
        {Qt::Key_Left, none, 0, 3, {0, true}},
        {Qt::Key_Right, Qt::KeypadModifier, 0, 6, {1, true}},
        // With Ctrl or Alt, and for typing and the other keys, the box's own way.
        {Qt::Key_Right, Qt::ControlModifier, 0, 3, {0, false}},
        {Qt::Key_Tab, Qt::AltModifier, 1, 3, {1, false}},
        {Qt::Key_Up, none, 1, 3, {1, false}},
        {Qt::Key_5, none, 1, 3, {1, false}},
        {Qt::Key_Period, none, 0, 3, {0, false}},
    };
    for (const auto& c : cases) {
        const SectionKeyAction a = SectionKey(c.key, c.modifiers, c.current, c.count);
        EXPECT_EQ(a, c.action) << std::hex << c.key << " from " << c.current << ": " << a.section
                               << (a.taken ? " taken" : "");
    }
}
