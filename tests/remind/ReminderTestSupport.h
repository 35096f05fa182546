// Shared pieces of the reminder window tests: the two postponing dialogs
// made for each test, a frozen clock, a program folder of the test's own,
// and the user's ways with the windows.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/ExePath.h"
#include "core/Formats.h"
#include "platform/Modal.h"
#include "remind/Notify.h"
#include "remind/RemindAfter.h"
#include "remind/RemindIn.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/TempDir.h"

class ReminderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgramEnding();
        Clock::Freeze(EncodeDateTime(2024, 3, 15, 14, 3, 20, 0));
        SetExePath(dir_.file("quillet"));
        frmRemindIn = new TfrmRemindIn;
        frmRemindAfter = new TfrmRemindAfter;
    }
    void TearDown() override {
        delete frmRemindIn;
        frmRemindIn = nullptr;
        delete frmRemindAfter;
        frmRemindAfter = nullptr;
        SetExePath(QString());
        Clock::Reset();
    }

    // Puts the shipped chime beside the program.
    void InstallChime() {
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLET_SOURCE_DIR "/assets/notify.wav"),
                                dir_.file("notify.wav")));
    }

    TempDir dir_;
};

// Shows `window` modally as the scheduler does and lets `user` answer it;
// `more` answer the windows it opens, in turn.
inline int RunModal(QDialog* window, std::function<void()> user,
                    std::initializer_list<ModalAnswers::Action> more = {}) {
    ModalAnswers answers;
    answers.Then([&](QWidget*) { user(); });
    for (const ModalAnswers::Action& a : more)
        answers.Then(a);
    return ShowModal(window);
}

// Opens the "remind later" menu with a mouse click on its button.
inline void OpenLaterMenu(TfrmNotify* form) {
    QTest::mouseClick(form->btnLater, Qt::LeftButton);
    Pump();
    ASSERT_TRUE(form->popmLater->isVisible());
}

// Clicks `item` in the open menu.
inline void ClickMenuItem(QMenu* menu, QAction* item) {
    const QPoint at = menu->actionGeometry(item).center();
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
}

// Opens the menu and chooses `item`.
inline void ChooseLater(TfrmNotify* form, QAction* item) {
    OpenLaterMenu(form);
    if (!form->popmLater->isVisible()) return;
    ClickMenuItem(form->popmLater, item);
}

// A key pressed where the keyboard focus is, as the user types it.
inline void Type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key, modifiers);
}
inline void Type(const QString& text) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClicks(target, text);
}

// The date and the time of day of `dt` to the millisecond, for messages.
inline std::string Show(TDateTime dt) {
    const TimeParts t = DecodeTime(dt);
    return (FormatShortDate(dt) +
            QString::asprintf(" %02d:%02d:%02d.%03d", t.hour, t.minute, t.second, t.msec))
        .toStdString();
}

// The same moment to the millisecond, the precision the program keeps.
inline ::testing::AssertionResult SameMoment(TDateTime actual, TDateTime expected) {
    qint64 actualDays, actualMs, expectedDays, expectedMs;
    SplitDateTime(actual, actualDays, actualMs);
    SplitDateTime(expected, expectedDays, expectedMs);
    if (actualDays == expectedDays && actualMs == expectedMs) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Show(actual) << " instead of " << Show(expected);
}
