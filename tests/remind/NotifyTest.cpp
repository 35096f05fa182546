// The task reminder window: what it shows, the keys, the outcomes and every
// way of postponing.
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <memory>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "remind/Postpone.h"
#include "tests/remind/ReminderTestSupport.h"

namespace {

class NotifyTest : public ReminderTest {
  protected:
    void SetUp() override {
        ReminderTest::SetUp();
        form_ = std::make_unique<TfrmNotify>();
        form_->Memo->setPlainText(QStringLiteral("Позвонить в банк"));
        // Placed by the caller; here where the whole menu fits below it.
        form_->move(100, 100);
    }
    void TearDown() override {
        form_.reset();
        ReminderTest::TearDown();
    }

    // Shows the window, lets `user` act on it, returns the outcome.
    int Run(std::function<void()> user) { return RunModal(form_.get(), std::move(user)); }

    std::unique_ptr<TfrmNotify> form_;
};

// ---- The window as it opens

// The window's own sizes are the least: "Напомнить познее" is wider than
// its 115 pixels in the test's font, so the window grows as a whole.
TEST_F(NotifyTest, LayoutAndTexts) {
    TfrmNotify& f = *form_;
    EXPECT_EQ(f.windowTitle(), "Напоминание (план)");
    EXPECT_GE(f.width(), 341);
    EXPECT_GE(f.height(), 277);
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_FALSE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(f.testAttribute(Qt::WA_DeleteOnClose));

    ASSERT_FALSE(f.Image1->pixmap().isNull());
    EXPECT_EQ(f.Image1->pixmap().size(), QSize(48, 48));
    EXPECT_GE(f.Image1->width(), 48);

    EXPECT_GE(f.Memo->width(), 321);
    EXPECT_GE(f.Memo->height(), 161);
    EXPECT_TRUE(f.Memo->isReadOnly());
    EXPECT_EQ(f.Memo->palette().color(QPalette::Base), f.palette().color(QPalette::Button));

    EXPECT_EQ(f.chbExecuted->text(), "Выполнено");
    EXPECT_EQ(f.btnLater->text(), "Напомнить познее");
    EXPECT_GE(f.btnLater->width(), 115);
    EXPECT_EQ(f.btnLater->font(), f.font()) << "the caption keeps the window's font";
    // The captions are not cut off.
    EXPECT_LE(f.btnLater->fontMetrics().horizontalAdvance(f.btnLater->text()),
              f.btnLater->width() - 8);
    EXPECT_LE(f.chbExecuted->sizeHint().width(), f.chbExecuted->width());
    EXPECT_EQ(f.btnOk->text(), "Ok");
    // Bottom row: the check box on the left, then "later", then "Ok".
    EXPECT_LT(f.chbExecuted->geometry().right(), f.btnLater->x());
    EXPECT_LT(f.btnLater->geometry().right(), f.btnOk->x());
    EXPECT_EQ(f.btnLater->y(), f.btnOk->y());
    EXPECT_GT(f.btnOk->y(), f.Memo->geometry().bottom());
    EXPECT_LE(f.btnOk->geometry().right(), f.width());
    EXPECT_LE(f.btnOk->geometry().bottom(), f.height());
    EXPECT_LE(f.chbExecuted->geometry().bottom(), f.height());
}

TEST_F(NotifyTest, OpensWithFocusOnLaterAndNothingTicked) {
    form_->Postponed = true;  // left from an earlier showing
    bool ticked = true, postponed = true, okDefault = true;
    QWidget* focus = nullptr;
    const int result = Run([&] {
        focus = QApplication::focusWidget();
        ticked = form_->chbExecuted->isChecked();
        postponed = form_->Postponed;
        okDefault = form_->btnOk->isDefault();
        ClickButton(form_.get(), "Ok");
    });
    EXPECT_EQ(focus, form_->btnLater);
    EXPECT_FALSE(ticked);
    EXPECT_FALSE(postponed);
    EXPECT_FALSE(okDefault);
    EXPECT_EQ(result, TfrmNotify::mrOk);
}

// ---- The outcome

TEST_F(NotifyTest, OkMeansNotDoneAndTickedOkMeansDone) {
    EXPECT_EQ(Run([&] { QTest::mouseClick(form_->btnOk, Qt::LeftButton); }), TfrmNotify::mrOk);
    EXPECT_FALSE(form_->Postponed);

    const int done = Run([&] {
        QTest::mouseClick(form_->chbExecuted, Qt::LeftButton);
        QTest::mouseClick(form_->btnOk, Qt::LeftButton);
    });
    EXPECT_EQ(done, TfrmNotify::mrYes);
    EXPECT_EQ(done, 6);
    EXPECT_FALSE(form_->Postponed);
}

TEST_F(NotifyTest, CloseBoxCancels) {
    EXPECT_EQ(Run([&] { form_->close(); }), TfrmNotify::mrCancel);
    // Also with the box ticked: closing is neither done nor not done.
    const int ticked = Run([&] {
        QTest::mouseClick(form_->chbExecuted, Qt::LeftButton);
        QCloseEvent event;
        QApplication::sendEvent(form_.get(), &event);
    });
    EXPECT_EQ(ticked, TfrmNotify::mrCancel);
    EXPECT_EQ(TfrmNotify::mrCancel, QDialog::Rejected);
}

// ---- Keys

TEST_F(NotifyTest, EscDoesNothing) {
    bool stillOpen = false, menuOpen = true;
    const int result = Run([&] {
        Type(Qt::Key_Escape);
        QTest::keyClick(form_.get(), Qt::Key_Escape);
        Pump(50);
        stillOpen = form_->isVisible();
        menuOpen = form_->popmLater->isVisible();
        form_->close();
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(result, TfrmNotify::mrCancel);
}

TEST_F(NotifyTest, EnterAtOnceOpensTheMenuBelowTheButton) {
    bool menuOpen = false, stillOpen = false;
    QPoint menuAt, expected;
    const int result = Run([&] {
        Type(Qt::Key_Return);
        Pump();
        menuOpen = form_->popmLater->isVisible();
        menuAt = form_->popmLater->pos();
        expected = form_->btnLater->mapToGlobal(QPoint(0, form_->btnLater->height()));
        // Esc closes the menu only.
        QTest::keyClick(form_->popmLater, Qt::Key_Escape);
        Pump();
        stillOpen = form_->isVisible() && !form_->popmLater->isVisible();
        QTest::mouseClick(form_->btnOk, Qt::LeftButton);
    });
    EXPECT_TRUE(menuOpen);
    EXPECT_EQ(menuAt, expected);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, TfrmNotify::mrOk);
    EXPECT_FALSE(form_->Postponed);
}

TEST_F(NotifyTest, EnterPressesOnlyTheFocusedButton) {
    bool openAfterCheckBoxEnter = false, menuOpen = true;
    const int result = Run([&] {
        // Back-tab to the check box: no button is the default, Enter does nothing.
        Type(Qt::Key_Backtab, Qt::ShiftModifier);
        if (QApplication::focusWidget() != form_->chbExecuted)
            ADD_FAILURE() << "the focus is not on the check box";
        Type(Qt::Key_Return);
        Pump(50);
        openAfterCheckBoxEnter = form_->isVisible();
        menuOpen = form_->popmLater->isVisible();
        // Tab, tab: on "Ok"; Enter presses it.
        Type(Qt::Key_Tab);
        Type(Qt::Key_Tab);
        if (QApplication::focusWidget() != form_->btnOk) ADD_FAILURE() << "the focus is not on Ok";
        Type(Qt::Key_Return);
    });
    EXPECT_TRUE(openAfterCheckBoxEnter);
    EXPECT_FALSE(menuOpen);
    EXPECT_EQ(result, TfrmNotify::mrOk);
}

// ---- The "remind later" menu

TEST_F(NotifyTest, MenuHasTheTwelveChoicesInOrder) {
    QStringList texts;
    for (QAction* a : form_->popmLater->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(texts, QStringList({"Через 5 минут", "Через 15 минут", "Через 30 минут",
                                  "Через 1 час", "Через 2 часа", "-", "Через день", "Через 2 дня",
                                  "Через 5 дней", "Напомнить через ...", "-", "Завтра в 8.00",
                                  "Завтра в 12.00", "Напомнить в ..."}));
    const QList<QAction*> named = {form_->N5m,        form_->N15m, form_->N30m, form_->N1h,
                                   form_->N2h,        form_->N1d,  form_->N2d,  form_->N5d,
                                   form_->NtimeAfter, form_->Nt8,  form_->Nt12, form_->NtimeIn};
    QList<QAction*> items;
    for (QAction* a : form_->popmLater->actions())
        if (!a->isSeparator()) items << a;
    EXPECT_EQ(items, named);
}

TEST_F(NotifyTest, FixedChoicesPostponeByTheirRule) {
    const std::pair<QAction * TfrmNotify::*, PostponeChoice> items[] = {
        {&TfrmNotify::N5m, PostponeChoice::In5Minutes},
        {&TfrmNotify::N15m, PostponeChoice::In15Minutes},
        {&TfrmNotify::N30m, PostponeChoice::In30Minutes},
        {&TfrmNotify::N1h, PostponeChoice::In1Hour},
        {&TfrmNotify::N2h, PostponeChoice::In2Hours},
        {&TfrmNotify::N1d, PostponeChoice::In1Day},
        {&TfrmNotify::N2d, PostponeChoice::In2Days},
        {&TfrmNotify::N5d, PostponeChoice::In5Days},
        {&TfrmNotify::Nt8, PostponeChoice::Tomorrow8},
        {&TfrmNotify::Nt12, PostponeChoice::Tomorrow12},
    };
    Clock::Freeze(EncodeDateTime(2024, 3, 15, 23, 59, 0, 125));
    for (const auto& [item, choice] : items) {
        TfrmNotify form;
        form.move(100, 100);
        SCOPED_TRACE((form.*item)->text().toStdString());
        const int result = RunModal(&form, [&] { ChooseLater(&form, form.*item); });
        EXPECT_EQ(result, TfrmNotify::mrOk);
        EXPECT_TRUE(form.Postponed);
        EXPECT_TRUE(SameMoment(form.PostponeTo, PostponeMoment(choice, Now())));
        EXPECT_FALSE(form.isVisible());
    }
}

TEST_F(NotifyTest, PostponesFromTheMomentOfTheChoice) {
    Clock::Freeze(EncodeDateTime(2024, 3, 15, 14, 3, 20, 0));
    const int result = Run([&] {
        // The window has been waiting for two minutes and a half.
        Clock::Advance(150000);
        ChooseLater(form_.get(), form_->N5m);
    });
    EXPECT_EQ(result, TfrmNotify::mrOk);
    EXPECT_TRUE(SameMoment(form_->PostponeTo, EncodeDateTime(2024, 3, 15, 14, 10, 50, 0)));
}

TEST_F(NotifyTest, ChoiceByKeyboard) {
    const int result = Run([&] {
        Type(Qt::Key_Return);  // opens the menu
        Pump();
        // Down to "Через день", past the separator.
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(form_->popmLater, Qt::Key_Down);
        QTest::keyClick(form_->popmLater, Qt::Key_Return);
    });
    EXPECT_EQ(result, TfrmNotify::mrOk);
    EXPECT_TRUE(form_->Postponed);
    EXPECT_TRUE(SameMoment(form_->PostponeTo, EncodeDateTime(2024, 3, 16, 14, 3, 20, 0)));
}

TEST_F(NotifyTest, DoneAndPostponedTogether) {
    const int result = Run([&] {
        QTest::mouseClick(form_->chbExecuted, Qt::LeftButton);
        ChooseLater(form_.get(), form_->N1h);
    });
    EXPECT_EQ(result, TfrmNotify::mrYes);
    EXPECT_TRUE(form_->Postponed);
    EXPECT_TRUE(SameMoment(form_->PostponeTo, EncodeDateTime(2024, 3, 15, 15, 3, 20, 0)));
}

TEST_F(NotifyTest, ShowingAgainForgetsTheLastPostponing) {
    EXPECT_EQ(Run([&] { ChooseLater(form_.get(), form_->N2h); }), TfrmNotify::mrOk);
    EXPECT_TRUE(form_->Postponed);
    EXPECT_EQ(Run([&] { form_->close(); }), TfrmNotify::mrCancel);
    EXPECT_FALSE(form_->Postponed);
}

// ---- "Напомнить через ..."

// Chooses "Напомнить через ..." and lets `user` answer the dialog.
int RemindAfterWith(TfrmNotify* form, std::function<void(TfrmRemindAfter*)> user) {
    return RunModal(form, [=] { ChooseLater(form, form->NtimeAfter); }, {[=](QWidget* w) {
                        EXPECT_EQ(w, frmRemindAfter);
                        user(frmRemindAfter);
                    }});
}

TEST_F(NotifyTest, RemindAfterZeroIsNow) {
    const int result = RemindAfterWith(form_.get(), [](TfrmRemindAfter* d) {
        EXPECT_EQ(d->Edit1->value(), 0);
        EXPECT_EQ(d->Edit2->value(), 0);
        EXPECT_EQ(d->Edit3->value(), 0);
        ClickButton(d, "Ok");
    });
    EXPECT_EQ(result, TfrmNotify::mrOk);
    EXPECT_TRUE(form_->Postponed);
    EXPECT_TRUE(SameMoment(form_->PostponeTo, Now()));
}

TEST_F(NotifyTest, RemindAfterTypedValuesAndTheirReuse) {
    // The user types 1 day, 2 hours, 30 minutes and presses Enter (Ok is the default).
    const int first = RemindAfterWith(form_.get(), [](TfrmRemindAfter*) {
        Type("1");
        Type(Qt::Key_Tab);
        Type("2");
        Type(Qt::Key_Tab);
        Type("30");
        Type(Qt::Key_Return);
    });
    EXPECT_EQ(first, TfrmNotify::mrOk);
    EXPECT_TRUE(form_->Postponed);
    EXPECT_TRUE(SameMoment(form_->PostponeTo, EncodeDateTime(2024, 3, 16, 16, 33, 20, 0)));

    // The next reminder's dialog starts with those values; one more minute by
    // the arrow key, and the box ticked.
    Clock::Freeze(EncodeDateTime(2024, 3, 20, 9, 0, 0, 0));
    TfrmNotify next;
    next.move(100, 100);
    int seen[3] = {-1, -1, -1};
    const int second = RemindAfterWith(&next, [&](TfrmRemindAfter* d) {
        seen[0] = d->Edit1->value();
        seen[1] = d->Edit2->value();
        seen[2] = d->Edit3->value();
        QTest::mouseClick(d->Edit3, Qt::LeftButton);
        Type(Qt::Key_Up);
        ClickButton(d, "Ok");
    });
    EXPECT_EQ(seen[0], 1);
    EXPECT_EQ(seen[1], 2);
    EXPECT_EQ(seen[2], 30);
    EXPECT_EQ(second, TfrmNotify::mrOk);
    EXPECT_TRUE(SameMoment(next.PostponeTo, EncodeDateTime(2024, 3, 21, 11, 31, 0, 0)));
}

TEST_F(NotifyTest, CancelledRemindAfterKeepsTheWindowOpen) {
    // "Отмена", then Esc, then the close box: each time the window stays.
    const std::function<void(TfrmRemindAfter*)> cancels[] = {
        [](TfrmRemindAfter* d) { ClickButton(d, "Отмена"); },
        [](TfrmRemindAfter*) { Type(Qt::Key_Escape); },
        [](TfrmRemindAfter* d) { d->close(); },
    };
    for (const auto& cancel : cancels) {
        TfrmNotify form;
        form.move(100, 100);
        bool stillOpen = false, postponed = true;
        const int result = RunModal(&form,
                                    [&] {
                                        QTest::mouseClick(form.chbExecuted, Qt::LeftButton);
                                        ChooseLater(&form, form.NtimeAfter);
                                        Pump();
                                        stillOpen = form.isVisible();
                                        postponed = form.Postponed;
                                        // The user goes on with the window: ticked "Ok" is done.
                                        QTest::mouseClick(form.btnOk, Qt::LeftButton);
                                    },
                                    {[&](QWidget*) {
                                        Type("5");  // typed, then thrown away
                                        cancel(frmRemindAfter);
                                    }});
        EXPECT_TRUE(stillOpen);
        EXPECT_FALSE(postponed);
        EXPECT_FALSE(form.Postponed);
        EXPECT_EQ(result, TfrmNotify::mrYes);
    }
}

// ---- "Напомнить в ..."

int RemindInWith(TfrmNotify* form, std::function<void(TfrmRemindIn*)> user) {
    return RunModal(form, [=] { ChooseLater(form, form->NtimeIn); }, {[=](QWidget* w) {
                        EXPECT_EQ(w, frmRemindIn);
                        user(frmRemindIn);
                    }});
}

TEST_F(NotifyTest, RemindInOpensAtNowAndTakesWhatIsTyped) {
    Clock::Freeze(EncodeDateTime(2024, 3, 15, 14, 3, 20, 456));
    QDate shownDate;
    QTime shownTime;
    QString dateText, timeText;
    const int result = RemindInWith(form_.get(), [&](TfrmRemindIn* d) {
        shownDate = d->dtpDate->date();
        shownTime = d->dtpTime->time();
        dateText = d->dtpDate->text();
        timeText = d->dtpTime->text();
        // The date has the focus: the day, the month and the year typed in turn.
        Type("20");
        Type("04");
        Type("2024");
        Type(Qt::Key_Tab);
        Type("07");
        Type("05");
        Type("09");
        ClickButton(d, "Ok");
    });
    EXPECT_EQ(shownDate, QDate(2024, 3, 15));
    EXPECT_EQ(shownTime.hour(), 14);
    EXPECT_EQ(shownTime.minute(), 3);
    EXPECT_EQ(shownTime.second(), 20);
    EXPECT_EQ(dateText, "15.03.2024");
    EXPECT_EQ(timeText, "14:03:20");
    EXPECT_EQ(result, TfrmNotify::mrOk);
    EXPECT_TRUE(form_->Postponed);
    EXPECT_TRUE(SameMoment(form_->PostponeTo, EncodeDateTime(2024, 4, 20, 7, 5, 9, 0)));
}

TEST_F(NotifyTest, RemindInUntouchedIsTheShownMoment) {
    Clock::Freeze(EncodeDateTime(2024, 3, 15, 14, 3, 20, 0));
    EXPECT_EQ(RemindInWith(form_.get(), [](TfrmRemindIn*) { Type(Qt::Key_Return); }),
              TfrmNotify::mrOk);
    EXPECT_TRUE(SameMoment(form_->PostponeTo, EncodeDateTime(2024, 3, 15, 14, 3, 20, 0)));
}

TEST_F(NotifyTest, CancelledRemindInKeepsTheWindowOpen) {
    const std::function<void(TfrmRemindIn*)> cancels[] = {
        [](TfrmRemindIn* d) { ClickButton(d, "Отмена"); },
        [](TfrmRemindIn*) { Type(Qt::Key_Escape); },
        [](TfrmRemindIn* d) { d->close(); },
    };
    for (const auto& cancel : cancels) {
        bool stillOpen = false, postponed = true;
        const int result = RunModal(form_.get(),
                                    [&] {
                                        ChooseLater(form_.get(), form_->NtimeIn);
                                        Pump();
                                        stillOpen = form_->isVisible();
                                        postponed = form_->Postponed;
                                        form_->close();
                                    },
                                    {[&](QWidget*) { cancel(frmRemindIn); }});
        EXPECT_TRUE(stillOpen);
        EXPECT_FALSE(postponed);
        EXPECT_EQ(result, TfrmNotify::mrCancel);
    }
}

}  // namespace
