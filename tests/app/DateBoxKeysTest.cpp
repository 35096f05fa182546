// One Tab leaves a date or time box of every window that has one; the
// arrows step through its sections.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <functional>
#include <memory>

#include "calendar/BirthAdd.h"
#include "plan/NewTask.h"
#include "remind/RemindIn.h"
#include "settings/Options.h"

namespace {

// A window with the box, the box and the window's control after it.
struct Boxed {
    std::unique_ptr<QWidget> window;
    QDateTimeEdit* box;
    QWidget* next;
    QWidget* previous;
};

Boxed taskDate() {
    auto* e = new TfrmNewTask;
    return {std::unique_ptr<QWidget>(e), e->dtpDate, e->dtpTime, e->chbNeedAlert};
}
Boxed taskTime() {
    auto* e = new TfrmNewTask;
    return {std::unique_ptr<QWidget>(e), e->dtpTime, e->mmDetails, e->dtpDate};
}
Boxed eventDate() {
    auto* e = new TfrmBirthAdd;
    return {std::unique_ptr<QWidget>(e), e->dtpBDate, e->cbVid, e->edCaption};
}
Boxed remindDate() {
    auto* e = new TfrmRemindIn;
    return {std::unique_ptr<QWidget>(e), e->dtpDate, e->dtpTime, nullptr};
}
Boxed noticeTime() {
    auto* e = new TfrmOptions;
    e->PageControl->setCurrentWidget(e->tshCalendar);
    return {std::unique_ptr<QWidget>(e), e->dtpNotifyTime, nullptr, e->udNotifyDays};
}

void focusBox(const Boxed& b, int section) {
    b.window->show();
    b.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(b.window.get()));
    b.box->setFocus(Qt::OtherFocusReason);
    b.box->setCurrentSectionIndex(section);
    ASSERT_TRUE(b.box->hasFocus());
}

}  // namespace

TEST(DateBoxKeys, OneTabLeavesTheBoxFromAnySection) {
    const struct {
        const char* name;
        std::function<Boxed()> make;
    } boxes[] = {{"task date", taskDate},
                 {"task time", taskTime},
                 {"event date", eventDate},
                 {"remind-at date", remindDate},
                 {"notice time", noticeTime}};
    for (const auto& b : boxes) {
        for (int section : {0, 1}) {
            Boxed w = b.make();
            focusBox(w, section);
            QTest::keyClick(w.box, Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            EXPECT_TRUE(now != w.box && !w.box->isAncestorOf(now)) << b.name << " " << section;
            if (w.next) {
                EXPECT_EQ(now, w.next) << b.name;
            }

            focusBox(w, section);
            QTest::keyClick(w.box, Qt::Key_Backtab, Qt::ShiftModifier);
            now = QApplication::focusWidget();
            EXPECT_TRUE(now != w.box && !w.box->isAncestorOf(now)) << b.name << " " << section;
            if (w.previous) {
                EXPECT_EQ(now, w.previous) << b.name;
            }
        }
    }
}

TEST(DateBoxKeys, ArrowsAndTypingMoveBetweenSections) {
    Boxed w = taskDate();
    w.box->setDate(QDate(2026, 12, 8));
    focusBox(w, 0);
    QTest::keyClick(w.box, Qt::Key_Right);
    EXPECT_EQ(w.box->currentSection(), QDateTimeEdit::MonthSection);
    QTest::keyClick(w.box, Qt::Key_Right);
    QTest::keyClick(w.box, Qt::Key_Right);  // stays on the last one
    EXPECT_EQ(w.box->currentSection(), QDateTimeEdit::YearSection);
    QTest::keyClick(w.box, Qt::Key_Left);
    EXPECT_EQ(w.box->currentSection(), QDateTimeEdit::MonthSection);
    // The month typed in full goes on to the year, which is then typed.
    QTest::keyClicks(w.box, "03");
    EXPECT_EQ(w.box->currentSection(), QDateTimeEdit::YearSection);
    QTest::keyClicks(w.box, "2027");
    EXPECT_EQ(w.box->date(), QDate(2027, 3, 8));
    EXPECT_TRUE(w.box->hasFocus());
}
