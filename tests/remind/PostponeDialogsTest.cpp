// The two postponing dialogs on their own: "Напомнить через" and
// "Напомнить в".
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimeEdit>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Formats.h"
#include "tests/remind/ReminderTestSupport.h"

namespace {

using PostponeDialogsTest = ReminderTest;

// The frame's middle is the middle of the screen's free area.
void ExpectCentred(QWidget* window) {
    const QPoint middle = window->screen()->availableGeometry().center();
    const QPoint centre = window->frameGeometry().center();
    EXPECT_LE((centre - middle).manhattanLength(), 2)
        << centre.x() << "," << centre.y() << " instead of " << middle.x() << "," << middle.y();
}

// `label` stands over `field`, starting at its left edge.
void ExpectOver(QLabel* label, QWidget* field, const char* text) {
    EXPECT_EQ(label->text(), text);
    EXPECT_LE(label->geometry().bottom(), field->y());
    EXPECT_EQ(label->x(), field->x());
}

// ---- "Напомнить через"

TEST_F(PostponeDialogsTest, RemindAfterLayout) {
    TfrmRemindAfter& d = *frmRemindAfter;
    EXPECT_EQ(d.windowTitle(), "Напомнить через");
    EXPECT_EQ(d.size(), QSize(305, 134));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    ExpectOver(d.Label1, d.Edit1, "Дней");
    ExpectOver(d.Label2, d.Edit2, "Часов");
    ExpectOver(d.Label3, d.Edit3, "Минут");
    EXPECT_LT(d.Edit1->geometry().right(), d.Edit2->x());
    EXPECT_LT(d.Edit2->geometry().right(), d.Edit3->x());
    EXPECT_EQ(d.UpDown1, d.Edit1);
    EXPECT_EQ(d.UpDown2, d.Edit2);
    EXPECT_EQ(d.UpDown3, d.Edit3);
    for (QSpinBox* e : {d.Edit1, d.Edit2, d.Edit3}) {
        EXPECT_EQ(e->minimum(), 0);
        EXPECT_EQ(e->maximum(), 100);
        EXPECT_EQ(e->singleStep(), 1);
        EXPECT_FALSE(e->wrapping());
        EXPECT_EQ(e->value(), 0);
    }
    EXPECT_TRUE(d.btnOk->isDefault());
    EXPECT_FALSE(d.btnCancel->isDefault());
    EXPECT_EQ(d.btnCancel->text(), "Отмена");
}

TEST_F(PostponeDialogsTest, RemindAfterArrowKeysStopAtTheEnds) {
    int afterDown = -1, afterUps = -1, atTop = -1, typedTop = -1;
    bool centred = false;
    const int result = RunModal(frmRemindAfter, [&] {
        TfrmRemindAfter* d = frmRemindAfter;
        ExpectCentred(d);
        centred = true;
        EXPECT_EQ(QApplication::focusWidget(), d->Edit1);
        Type(Qt::Key_Down);  // no wrap to 100
        afterDown = d->Edit1->value();
        for (int i = 0; i < 3; ++i)
            Type(Qt::Key_Up);
        afterUps = d->Edit1->value();
        Type(Qt::Key_Tab);
        Type("100");
        typedTop = d->Edit2->value();
        Type(Qt::Key_Up);  // no wrap to 0
        atTop = d->Edit2->value();
        ClickButton(d, "Ok");
    });
    EXPECT_TRUE(centred);
    EXPECT_EQ(afterDown, 0);
    EXPECT_EQ(afterUps, 3);
    EXPECT_EQ(typedTop, 100);
    EXPECT_EQ(atTop, 100);
    EXPECT_EQ(result, QDialog::Accepted);
}

TEST_F(PostponeDialogsTest, RemindAfterKeepsItsValuesAndCancels) {
    EXPECT_EQ(RunModal(frmRemindAfter,
                       [] {
                           Type("7");
                           Type(Qt::Key_Tab);
                           Type(Qt::Key_Tab);
                           Type("45");
                           Type(Qt::Key_Escape);
                       }),
              QDialog::Rejected);
    // What was typed stays for the next use, even after a cancel.
    int seen[3] = {-1, -1, -1};
    EXPECT_EQ(RunModal(frmRemindAfter,
                       [&] {
                           seen[0] = frmRemindAfter->Edit1->value();
                           seen[1] = frmRemindAfter->Edit2->value();
                           seen[2] = frmRemindAfter->Edit3->value();
                           ClickButton(frmRemindAfter, "Отмена");
                       }),
              QDialog::Rejected);
    EXPECT_EQ(seen[0], 7);
    EXPECT_EQ(seen[1], 0);
    EXPECT_EQ(seen[2], 45);
    EXPECT_EQ(RunModal(frmRemindAfter, [] { Type(Qt::Key_Return); }), QDialog::Accepted);
    EXPECT_EQ(frmRemindAfter->Edit1->value(), 7);
    EXPECT_EQ(frmRemindAfter->Edit3->value(), 45);
}

// ---- "Напомнить в"

TEST_F(PostponeDialogsTest, RemindInLayout) {
    TfrmRemindIn& d = *frmRemindIn;
    EXPECT_EQ(d.windowTitle(), "Напомнить в");
    EXPECT_EQ(d.size(), QSize(305, 134));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    ExpectOver(d.Label1, d.dtpDate, "Дата");
    ExpectOver(d.Label2, d.dtpTime, "Время");
    EXPECT_LT(d.dtpDate->geometry().right(), d.dtpTime->x());
    EXPECT_EQ(d.dtpDate->displayFormat(), ShortDateFormat());
    EXPECT_EQ(d.dtpTime->displayFormat(), LongTimeFormat());
    EXPECT_TRUE(d.dtpDate->calendarPopup());
    EXPECT_TRUE(d.btnOk->isDefault());
    EXPECT_EQ(d.btnOk->text(), "Ok");
    EXPECT_EQ(d.btnCancel->text(), "Отмена");
}

TEST_F(PostponeDialogsTest, RemindInShowsThePresentEveryTime) {
    const TDateTime moments[] = {EncodeDateTime(2024, 3, 15, 14, 3, 20, 0),
                                 EncodeDateTime(2025, 1, 1, 0, 0, 5, 0)};
    for (TDateTime moment : moments) {
        Clock::Freeze(moment);
        QString date, time;
        const int result = RunModal(frmRemindIn, [&] {
            ExpectCentred(frmRemindIn);
            EXPECT_EQ(QApplication::focusWidget(), frmRemindIn->dtpDate);
            date = frmRemindIn->dtpDate->text();
            time = frmRemindIn->dtpTime->text();
            // Changed, then cancelled: the next showing is at the present again.
            Type(Qt::Key_Up);
            Type(Qt::Key_Escape);
        });
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(date, FormatShortDate(moment));
        EXPECT_EQ(time, FormatLongTime(moment));
    }
}

}  // namespace
