#include "settings/Options.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <functional>

#include "core/DateTime.h"
#include "core/ExePath.h"
#include "platform/Autostart.h"
#include "platform/Modal.h"
#include "platform/ProfileFile.h"
#include "tests/settings/SettingsFixture.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswers.h"

namespace {

// Clicks away every message box that comes up while it lives and keeps
// their texts.
class MessageBoxWatcher {
  public:
    MessageBoxWatcher() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box->buttons().isEmpty()) return;
            seen << box->text();
            QTest::mouseClick(box->buttons().first(), Qt::LeftButton);
        });
        timer_.start();
    }
    QStringList seen;

  private:
    QTimer timer_;
};

class OptionsDialog : public SettingsTestBase {
  protected:
    void SetUp() override {
        SettingsTestBase::SetUp();
        frmOptions = new TfrmOptions;
    }
    void TearDown() override {
        delete frmOptions;
        frmOptions = nullptr;
        SettingsTestBase::TearDown();
    }

    // Shows the dialog as the menu does; `user` works in it and closes it.
    // A message box the dialog opens is answered "OK"; its text lands in
    // `boxText`.
    int show(const std::function<void(TfrmOptions*)>& user, QWidget* page = nullptr,
             QString* boxText = nullptr) {
        ModalAnswers answers;
        answers.Then([user](QWidget* w) {
            ASSERT_EQ(w, frmOptions);
            user(frmOptions);
            EXPECT_FALSE(frmOptions->isVisible()) << "the dialog is still open";
        });
        if (boxText) answers.Press(QMessageBox::Ok);
        int result;
        if (page) {
            frmOptions->ShowOn(page);
            result = frmOptions->result();
        } else {
            result = ShowModal(frmOptions);
        }
        if (boxText && answers.Windows().size() > 1) *boxText = answers.Windows()[1].text;
        return result;
    }

    void store(const char* section, const char* key, const char* value) {
        ProfileFile::WriteString(ini(), section, key, value);
    }
    QString stored(const char* section, const char* key) {
        return ProfileFile::ReadString(ini(), section, key, "<none>");
    }
};

void clickTab(TfrmOptions* d, int index) {
    QTabBar* bar = d->PageControl->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

void clickCheckBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

void typeDays(TfrmOptions* d, const QString& text) {
    QTest::keyClick(d->edNotifyDays, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(d->edNotifyDays, text);
}

TDateTime timeOfDay(int h, int m, int s) {
    return EncodeTime(h, m, s, 0);
}

}  // namespace

// ---- Loading

TEST_F(OptionsDialog, FirstStartWithoutAFileLoadsTheDefaults) {
    frmOptions->FormShow();  // the start-up's load step, nothing shown
    EXPECT_FALSE(frmOptions->isVisible());
    EXPECT_EQ(CheckPeriodMs, 1000);
    EXPECT_TRUE(StartupEnabled);
    EXPECT_EQ(NotifyDays, 1);
    EXPECT_DOUBLE_EQ(NotifyTime, timeOfDay(10, 0, 0));
    EXPECT_FALSE(DebugMode);

    const int result = show([](TfrmOptions* d) {
        EXPECT_EQ(d->windowTitle(), "Настройки");
        EXPECT_EQ(d->size(), QSize(339, 239));
        EXPECT_EQ(d->minimumSize(), d->maximumSize());
        EXPECT_EQ(d->PageControl->currentWidget(), d->tshCommon);
        EXPECT_EQ(d->PageControl->tabText(0), "Общее");
        EXPECT_EQ(d->PageControl->tabText(1), "Календарь");
        EXPECT_EQ(d->Label1->text(), "Период проверки");
        ASSERT_EQ(d->cbCheckPeriod->count(), 3);
        EXPECT_EQ(d->cbCheckPeriod->itemText(0), "0.1 секунды");
        EXPECT_EQ(d->cbCheckPeriod->itemText(2), "10 секунд");
        EXPECT_FALSE(d->cbCheckPeriod->isEditable());
        EXPECT_EQ(d->cbCheckPeriod->width(), 153);
        EXPECT_EQ(d->chbStartup->text(), "Запускать при входе в систему");
        EXPECT_EQ(d->btnOk->text(), "Ok");
        EXPECT_TRUE(d->btnOk->isDefault());
        EXPECT_EQ(d->btnCancel->text(), "Отмена");

        EXPECT_EQ(d->cbCheckPeriod->currentText(), "1 секунда");
        EXPECT_TRUE(d->chbStartup->isChecked());

        clickTab(d, 1);
        EXPECT_EQ(d->PageControl->currentWidget(), d->tshCalendar);
        EXPECT_EQ(d->Label2->text(), "Напомнить о событии за");
        EXPECT_EQ(d->Label4->text(), "кол-во дней");
        EXPECT_EQ(d->Label3->text(), "во время");
        EXPECT_EQ(d->edNotifyDays, d->udNotifyDays);
        EXPECT_EQ(d->udNotifyDays->minimum(), 0);
        EXPECT_EQ(d->udNotifyDays->maximum(), 100);
        EXPECT_EQ(d->udNotifyDays->value(), 1);
        EXPECT_EQ(d->dtpNotifyTime->text(), "10:00:00");
        d->move(5, 5);  // dragged aside
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    // Every showing is centred on the screen.
    show([](TfrmOptions* d) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_LE((d->frameGeometry().center() - screen.center()).manhattanLength(), 1);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(QFile::exists(ini()));
    EXPECT_FALSE(Autostart::EntryExists());
}

TEST_F(OptionsDialog, StoredValuesAreShownAndApplied) {
    store("Common", "CheckPeriodIndex", "0x2");
    store("Common", "Startup", "0");
    store("Common", "Debug", "1");
    store("Calendar", "NotifyDays", "7");
    store("Calendar", "NotifyTime", "25:99");  // no time of day
    frmOptions->FormShow();
    EXPECT_EQ(frmOptions->cbCheckPeriod->currentText(), "10 секунд");
    EXPECT_EQ(CheckPeriodMs, 10000);
    EXPECT_FALSE(frmOptions->chbStartup->isChecked());
    EXPECT_FALSE(StartupEnabled);
    EXPECT_EQ(NotifyDays, 7);
    EXPECT_EQ(frmOptions->dtpNotifyTime->text(), "10:00:00");
    EXPECT_DOUBLE_EQ(NotifyTime, timeOfDay(10, 0, 0));
    EXPECT_TRUE(DebugMode);

    store("Calendar", "NotifyTime", "07:05:09");
    store("Common", "Debug", "0");
    frmOptions->FormShow();
    EXPECT_EQ(frmOptions->dtpNotifyTime->text(), "07:05:09");
    EXPECT_DOUBLE_EQ(NotifyTime, timeOfDay(7, 5, 9));
    EXPECT_FALSE(DebugMode);
}

TEST_F(OptionsDialog, AStoredIndexWithNoEntryStillGivesRemindersAPeriod) {
    store("Common", "CheckPeriodIndex", "7");
    frmOptions->FormShow();
    EXPECT_EQ(frmOptions->cbCheckPeriod->currentIndex(), -1);
    EXPECT_EQ(CheckPeriodMs, 1000);

    // Once a period is loaded, an index with no entry leaves it as it is.
    store("Common", "CheckPeriodIndex", "2");
    frmOptions->FormShow();
    EXPECT_EQ(CheckPeriodMs, 10000);
    store("Common", "CheckPeriodIndex", "-1");
    frmOptions->FormShow();
    EXPECT_EQ(CheckPeriodMs, 10000);

    // OK with nothing chosen stores "no entry".
    const int result = show([](TfrmOptions* d) {
        EXPECT_EQ(d->cbCheckPeriod->currentText(), "");
        ClickButton(d, "Ok");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(stored("Common", "CheckPeriodIndex"), "-1");
    EXPECT_EQ(CheckPeriodMs, 10000);
}

// ---- OK

TEST_F(OptionsDialog, OkStoresAppliesAndSetsTheStartAtLogon) {
    QTimer timer;
    timer.start(1000);
    frmOptions->ReminderTimer = &timer;
    frmOptions->FormShow();

    int result = show([](TfrmOptions* d) {
        QTest::keyClick(d->cbCheckPeriod, Qt::Key_Up);
        EXPECT_EQ(d->cbCheckPeriod->currentText(), "0.1 секунды");
        clickTab(d, 1);
        typeDays(d, "42");
        QTest::keyClick(d->dtpNotifyTime, Qt::Key_Up);  // the hours
        EXPECT_EQ(d->dtpNotifyTime->text(), "11:00:00");
        ClickButton(d, "Ok");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(stored("Common", "CheckPeriodIndex"), "0");
    EXPECT_EQ(stored("Common", "Startup"), "1");
    EXPECT_EQ(stored("Calendar", "NotifyDays"), "42");
    EXPECT_EQ(stored("Calendar", "NotifyTime"), "11:00:00");
    EXPECT_EQ(stored("Common", "Debug"), "<none>");
    EXPECT_EQ(CheckPeriodMs, 100);
    EXPECT_TRUE(StartupEnabled);
    EXPECT_EQ(NotifyDays, 42);
    EXPECT_DOUBLE_EQ(NotifyTime, timeOfDay(11, 0, 0));
    // The new period is in force at once.
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 100);
    EXPECT_LE(timer.remainingTime(), 110);  // a coarse timer may run 5% late
    ASSERT_TRUE(Autostart::EntryExists());
    EXPECT_TRUE(Autostart::EntryPath().startsWith(configHome() + "/"));
    EXPECT_TRUE(QString::fromUtf8(ReadFile(Autostart::EntryPath())).contains(ExePath()));

    // Unticked, and OK with the Enter key.
    result = show([](TfrmOptions* d) {
        EXPECT_EQ(d->PageControl->currentWidget(), d->tshCalendar);  // as left
        EXPECT_EQ(d->udNotifyDays->value(), 42);
        clickTab(d, 0);
        clickCheckBox(d->chbStartup);
        EXPECT_FALSE(d->chbStartup->isChecked());
        QTest::keyClick(d->chbStartup, Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(stored("Common", "Startup"), "0");
    EXPECT_FALSE(StartupEnabled);
    EXPECT_FALSE(Autostart::EntryExists());

    // No entry to remove is no error.
    MessageBoxWatcher boxes;
    result = show([](TfrmOptions* d) { ClickButton(d, "Ok"); });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(boxes.seen.isEmpty()) << boxes.seen.join("; ").toStdString();
    EXPECT_FALSE(Autostart::EntryExists());
}

TEST_F(OptionsDialog, AnUnchangedPeriodLeavesTheRunningTimerAlone) {
    QTimer timer;
    timer.start(1000);
    frmOptions->ReminderTimer = &timer;
    frmOptions->FormShow();
    Pump(300);
    const int result = show([](TfrmOptions* d) { ClickButton(d, "Ok"); });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 1000);
    EXPECT_GT(timer.remainingTime(), 0);
    EXPECT_LE(timer.remainingTime(), 800);
}

TEST_F(OptionsDialog, InDebugModeTheStartAtLogonIsLeftAlone) {
    store("Common", "Debug", "1");
    Autostart::WriteEntry("/elsewhere/quillet");
    const QByteArray entry = ReadFile(Autostart::EntryPath());

    int result = show([](TfrmOptions* d) {
        clickCheckBox(d->chbStartup);
        ClickButton(d, "Ok");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(stored("Common", "Startup"), "0");
    EXPECT_FALSE(StartupEnabled);
    EXPECT_EQ(ReadFile(Autostart::EntryPath()), entry);

    Autostart::DeleteEntry();
    result = show([](TfrmOptions* d) {
        clickCheckBox(d->chbStartup);
        EXPECT_TRUE(d->chbStartup->isChecked());
        ClickButton(d, "Ok");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(stored("Common", "Startup"), "1");
    EXPECT_TRUE(StartupEnabled);
    EXPECT_FALSE(Autostart::EntryExists());
}

TEST_F(OptionsDialog, ARefusedSettingsWriteIsReportedAndNothingElseChanges) {
    WriteFile(dir_.file("blocker"), "");  // a file where the folder should be
    SetExePath(dir_.file("blocker/quillet"));
    Autostart::WriteEntry(ExePath());
    QTimer timer;
    timer.start(1000);
    frmOptions->ReminderTimer = &timer;
    frmOptions->FormShow();

    QString text;
    const int result = show(
        [](TfrmOptions* d) {
            QTest::keyClick(d->cbCheckPeriod, Qt::Key_Up);
            clickCheckBox(d->chbStartup);
            ClickButton(d, "Ok");
        },
        nullptr, &text);
    EXPECT_EQ(text, "Unable to write to " + dir_.file("blocker/quillet.ini"));
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(frmOptions->isVisible());
    EXPECT_EQ(CheckPeriodMs, 1000);
    EXPECT_TRUE(StartupEnabled);
    EXPECT_EQ(timer.interval(), 1000);
    EXPECT_TRUE(timer.isActive());
    EXPECT_TRUE(Autostart::EntryExists());
}

TEST_F(OptionsDialog, AFailedStartAtLogonIsReportedAndThePeriodWaitsForTheNextStart) {
    QDir().mkpath(configHome());
    WriteFile(configHome() + "/autostart", "");  // the entry's folder cannot be made
    QTimer timer;
    timer.start(1000);
    frmOptions->ReminderTimer = &timer;
    frmOptions->FormShow();

    QString text;
    const int result = show(
        [](TfrmOptions* d) {
            QTest::keyClick(d->cbCheckPeriod, Qt::Key_Up);
            ClickButton(d, "Ok");
        },
        nullptr, &text);
    EXPECT_EQ(text, "Failed to set data for 'Quillet'");
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(stored("Common", "CheckPeriodIndex"), "0");
    EXPECT_EQ(stored("Common", "Startup"), "1");
    EXPECT_EQ(CheckPeriodMs, 100);
    EXPECT_EQ(timer.interval(), 1000);
}

// ---- Cancel

TEST_F(OptionsDialog, CancelStoresNothingAndTheNextShowingShowsTheStoredValues) {
    store("Common", "CheckPeriodIndex", "2");
    store("Common", "Startup", "0");
    store("Calendar", "NotifyDays", "3");
    store("Calendar", "NotifyTime", "09:30:00");
    const QByteArray before = ReadFile(ini());
    QTimer timer;
    timer.start(1000);
    frmOptions->ReminderTimer = &timer;

    int result = show([](TfrmOptions* d) {
        QTest::keyClick(d->cbCheckPeriod, Qt::Key_Up);
        clickCheckBox(d->chbStartup);
        clickTab(d, 1);
        typeDays(d, "42");
        QTest::keyClick(d->dtpNotifyTime, Qt::Key_Up);
        EXPECT_EQ(d->cbCheckPeriod->currentText(), "1 секунда");
        EXPECT_TRUE(d->chbStartup->isChecked());
        EXPECT_EQ(d->udNotifyDays->value(), 42);
        EXPECT_EQ(d->dtpNotifyTime->text(), "10:30:00");
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(ReadFile(ini()), before);
    EXPECT_EQ(CheckPeriodMs, 10000);
    EXPECT_FALSE(StartupEnabled);
    EXPECT_EQ(NotifyDays, 3);
    EXPECT_DOUBLE_EQ(NotifyTime, timeOfDay(9, 30, 0));
    EXPECT_EQ(timer.interval(), 1000);  // loading leaves the timer alone
    EXPECT_FALSE(Autostart::EntryExists());

    result = show([](TfrmOptions* d) {
        EXPECT_EQ(d->cbCheckPeriod->currentText(), "10 секунд");
        EXPECT_FALSE(d->chbStartup->isChecked());
        EXPECT_EQ(d->udNotifyDays->value(), 3);
        EXPECT_EQ(d->dtpNotifyTime->text(), "09:30:00");
        typeDays(d, "5");
        ClickButton(d, "Отмена");
    });
    EXPECT_EQ(result, QDialog::Rejected);

    result = show([](TfrmOptions* d) {
        EXPECT_EQ(d->udNotifyDays->value(), 3);
        typeDays(d, "6");
        d->close();  // the title bar's close box
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(ReadFile(ini()), before);
    EXPECT_EQ(NotifyDays, 3);
}

// ---- Pages

TEST_F(OptionsDialog, APageChosenOnShowingStaysForTheNextPlainShowing) {
    EXPECT_EQ(frmOptions->PageControl->currentWidget(), frmOptions->tshCommon);
    show(
        [](TfrmOptions* d) {
            EXPECT_EQ(d->PageControl->currentWidget(), d->tshCalendar);
            QTest::keyClick(d, Qt::Key_Escape);
        },
        frmOptions->tshCalendar);
    show([](TfrmOptions* d) {
        EXPECT_EQ(d->PageControl->currentWidget(), d->tshCalendar);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    show(
        [](TfrmOptions* d) {
            EXPECT_EQ(d->PageControl->currentWidget(), d->tshCommon);
            QTest::keyClick(d, Qt::Key_Escape);
        },
        frmOptions->tshCommon);
}
