// The main window with the whole program behind it: menus, pages, the
// clock, hiding and showing, the tray, the placement and the ending.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app/Main.h"
#include "app/Previnst.h"
#include "calendar/CalendarRouts.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Error.h"
#include "data/DataModule.h"
#include "platform/Modal.h"
#include "platform/ProfileFile.h"
#include "platform/RunMessage.h"
#include "platform/TrayIcon.h"
#include "settings/Options.h"
#include "settings/Settings.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/ProgramTest.h"

namespace {

QStringList captions(const QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QString ini(const QString& section, const QString& key) {
    return ProfileFile::ReadString(SettingsFilePath(), section, key, QStringLiteral("<none>"));
}

quint32 RunMsgForTests() {
    RunMsg = quint16(RegisterRunMessage(QStringLiteral("Quillet-RunMsg")));
    return RunMsg;
}

class MainWindowTest : public ProgramTest {};

}  // namespace

TEST_F(MainWindowTest, WindowHasItsCaptionPagesMenusAndTrayMenu) {
    TfrmMain& m = *frmMain;
    EXPECT_EQ(m.windowTitle(), "Quillet");
    EXPECT_EQ(m.PageControl->tabPosition(), QTabWidget::East);
    ASSERT_EQ(m.PageControl->count(), 3);
    EXPECT_EQ(m.PageControl->tabText(0), QString::fromUtf8("План"));
    EXPECT_EQ(m.PageControl->tabText(1), QString::fromUtf8("Заметки"));
    EXPECT_EQ(m.PageControl->tabText(2), QString::fromUtf8("Календарь"));
    EXPECT_EQ(m.PageControl->tabBar()->focusPolicy(), Qt::NoFocus);

    QStringList top;
    for (QAction* a : m.menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top, QStringList({"План", "Настройки", "Справка"}));
    EXPECT_EQ(captions(m.mnuPlan),
              QStringList({"Новое задание...", "Редактировать задание...", "Удалить задания", "-",
                           "Экспорт в iCalendar...", "Импорт из iCalendar...", "-", "Закрыть окно",
                           "Выход из программы"}));
    EXPECT_EQ(captions(m.mnuOptions), QStringList({"Настройки..."}));
    EXPECT_EQ(captions(m.mnuHelp), QStringList({"О программе..."}));
    EXPECT_EQ(captions(m.popmTray), QStringList({"Открыть Quillet...", "-", "Новое задание...", "-",
                                                 "Выход из программы"}));
    EXPECT_EQ(m.popmTray->defaultAction(), m.acRestorePlanWindow) << "shown bold";
    EXPECT_EQ(captions(m.popmPlan),
              QStringList({"Новое задание...", "Редактировать задание...", "Удалить задания"}));
    EXPECT_EQ(
        captions(m.popmBirth),
        QStringList({"Список событий за день", "Список всех событий", "-", "Добавить событие...",
                     "-", "Экспорт в iCalendar...", "Импорт из iCalendar...", "-", "Легенда", "-",
                     "Настройки календаря..."}));
    EXPECT_FALSE(m.windowIcon().isNull());
    EXPECT_TRUE(m.TrayIcon && m.TrayIcon->IsVisible());
    EXPECT_EQ(m.TrayIcon->ToolTip(), "Quillet");
    EXPECT_EQ(m.TrayIcon->Menu(), m.popmTray);
    EXPECT_EQ(m.PB->size(), QSize(822, 588));
}

TEST_F(MainWindowTest, ClockShowsTheLongTimeWithALeadingBlank) {
    EXPECT_EQ(frmMain->StatusClock->text(), " 14:37:52") << "set at creation";
    EXPECT_EQ(frmMain->TimerSystem->interval(), 250);
    EXPECT_TRUE(frmMain->TimerSystem->isActive());
    Clock::Advance(1000);
    Pump(300);
    EXPECT_EQ(frmMain->StatusClock->text(), " 14:37:53") << "within a quarter of a second";
}

TEST_F(MainWindowTest, DefaultPlacementIsSeventyPercentOfTheScreen) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->size(), QSize(1024, 768));
    TfrmMain& m = *frmMain;
    EXPECT_EQ(m.pos(), QPoint(154, 115));
    EXPECT_EQ(m.size(), QSize(717, 538));
    EXPECT_FALSE(m.isVisible()) << "nothing is shown before the message loop";
}

TEST_F(MainWindowTest, CloseMinimiseAndCloseCommandHideAndWriteThePlacement) {
    TfrmMain& m = *frmMain;
    m.ShowAtStart(false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
    m.move(100, 90);
    m.resize(600, 400);

    m.close();  // the title bar's close box
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(ini("MainWindow", "Left"), "100");
    EXPECT_EQ(ini("MainWindow", "Top"), "90");
    EXPECT_EQ(ini("MainWindow", "Width"), "600");
    EXPECT_EQ(ini("MainWindow", "Height"), "400");
    EXPECT_EQ(ini("MainWindow", "Maximized"), "0");
    EXPECT_TRUE(m.TrayIcon->IsVisible()) << "the program goes on in the tray";

    m.RestorePlanWindow();
    EXPECT_TRUE(m.isVisible());
    m.move(120, 80);
    m.setWindowState(Qt::WindowMinimized);  // the title bar's minimise button
    Pump(50);
    EXPECT_FALSE(m.isVisible()) << "minimising hides";
    EXPECT_EQ(ini("MainWindow", "Left"), "120");

    m.RestorePlanWindow();
    EXPECT_TRUE(m.isVisible());
    EXPECT_FALSE(m.isMinimized());
    m.move(130, 70);
    m.acClosePlanWindow->trigger();
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(ini("MainWindow", "Left"), "130");
}

TEST_F(MainWindowTest, MaximisedWindowReopensNormalButStartsMaximisedNextRun) {
    TfrmMain& m = *frmMain;
    m.ShowAtStart(false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
    m.showMaximized();
    Pump(50);
    m.close();
    EXPECT_EQ(ini("MainWindow", "Maximized"), "1");
    m.RestorePlanWindow();
    Pump(50);
    EXPECT_FALSE(m.isMaximized()) << "within the run it comes back normal";

    EndProgramRun();
    StartProgram();
    EXPECT_TRUE(frmMain->windowState() & Qt::WindowMaximized);
    frmMain->ShowAtStart(false);
    Pump(50);
    EXPECT_TRUE(frmMain->isMaximized()) << "the next run starts maximised";
}

TEST_F(MainWindowTest, NoTrayMeansMinimisingInsteadOfHiding) {
    TfrmMain::ForceTray = 0;
    TfrmMain& m = *frmMain;
    m.ShowAtStart(false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
    m.close();
    Pump(50);
    EXPECT_TRUE(m.isVisible());
    EXPECT_TRUE(m.isMinimized()) << "the window stays reachable on the taskbar";
    EXPECT_NE(ini("MainWindow", "Left"), "<none>");
    m.RestorePlanWindow();
    m.setWindowState(Qt::WindowMinimized);
    Pump(50);
    EXPECT_TRUE(m.isVisible()) << "a minimised window stays on the taskbar";

    EndProgramRun();
    StartProgram();
    frmMain->ShowAtStart(true);
    Pump(50);
    EXPECT_TRUE(frmMain->isMinimized()) << "started hidden, it starts minimised";
}

// A tray that comes up after a hidden start takes the window that stood
// in for it; a tray that goes brings a hidden window back; a window the
// user has brought up stays where it is.
TEST_F(MainWindowTest, TrayComingAndGoingMovesTheWindowThatStandsInForIt) {
    TfrmMain& m = *frmMain;
    TfrmMain::ForceTray = 0;
    m.ShowAtStart(true);
    Pump(50);
    ASSERT_TRUE(m.isMinimized());
    TfrmMain::ForceTray = 1;
    m.TrayPresenceChanged(true);
    Pump(50);
    EXPECT_FALSE(m.isVisible()) << "to the tray that came up";

    TfrmMain::ForceTray = 0;
    m.TrayPresenceChanged(false);
    Pump(50);
    EXPECT_TRUE(m.isVisible() && m.isMinimized()) << "back on the taskbar when the tray goes";
    TfrmMain::ForceTray = 1;
    m.TrayPresenceChanged(true);
    Pump(50);
    EXPECT_FALSE(m.isVisible()) << "and to the tray again when it restarts";

    m.RestorePlanWindow();
    Pump(50);
    TfrmMain::ForceTray = 0;
    m.TrayPresenceChanged(false);
    TfrmMain::ForceTray = 1;
    m.TrayPresenceChanged(true);
    Pump(50);
    EXPECT_TRUE(m.isVisible() && !m.isMinimized()) << "a window in use stays up";

    TfrmMain::ForceTray = 0;
    m.close();
    Pump(50);
    ASSERT_TRUE(m.isMinimized()) << "closed with no tray";
    TfrmMain::ForceTray = 1;
    m.TrayPresenceChanged(true);
    Pump(50);
    EXPECT_FALSE(m.isVisible()) << "where it would have gone";
}

TEST_F(MainWindowTest, TrayLeftPressOpensRightPressShowsTheMenuOthersDoNothing) {
    TfrmMain& m = *frmMain;
    m.TrayIconNotify(QSystemTrayIcon::DoubleClick);
    m.TrayIconNotify(QSystemTrayIcon::MiddleClick);
    m.TrayIconNotify(QSystemTrayIcon::Unknown);
    EXPECT_FALSE(m.isVisible());
    EXPECT_FALSE(m.popmTray->isVisible());

    m.TrayIcon->Press(Qt::MiddleButton, QPoint(300, 200));
    EXPECT_FALSE(m.isVisible());
    EXPECT_FALSE(m.popmTray->isVisible());

    m.TrayIcon->Press(Qt::RightButton, QPoint(300, 200));
    Pump(20);
    EXPECT_TRUE(m.popmTray->isVisible());
    EXPECT_LE((m.popmTray->pos() - QPoint(300, 200)).manhattanLength(), 40) << "at the cursor";
    m.popmTray->hide();
    EXPECT_FALSE(m.isVisible());

    m.TrayIcon->Press(Qt::LeftButton, QPoint(300, 200));
    EXPECT_TRUE(m.isVisible());
}

TEST_F(MainWindowTest, StartedHiddenTheFirstOpeningRunsTheFirstShowStepsOnce) {
    TfrmMain& m = *frmMain;
    m.ShowAtStart(true);
    EXPECT_FALSE(m.isVisible());
    EXPECT_FALSE(m.FirstShowDone());
    m.PageControl->setCurrentWidget(m.tshBirth);
    Clock::Freeze(EncodeDateTime(2027, 3, 5, 9, 0, 0, 0));

    m.RestorePlanWindow();
    EXPECT_TRUE(m.FirstShowDone());
    EXPECT_EQ(m.PageControl->currentWidget(), m.tshPlan) << "the first opening selects the plan";
    EXPECT_EQ(CalendarYear, 2027);
    EXPECT_DOUBLE_EQ(SelectedDate, EncodeDate(2027, 1, 1));

    m.PageControl->setCurrentWidget(m.tshBirth);
    m.close();
    m.RestorePlanWindow();
    EXPECT_EQ(m.PageControl->currentWidget(), m.tshBirth) << "later openings keep the page";
}

TEST_F(MainWindowTest, ExitEndsTheLoopRemovesTheIconAndWritesNoPlacement) {
    TfrmMain& m = *frmMain;
    m.ShowAtStart(false);
    QTimer::singleShot(50, &m, [&] { m.acShutDown->trigger(); });
    QApplication::exec();  // the program's message loop, ended by the command
    EXPECT_TRUE(ProgramEnding());
    EXPECT_FALSE(QFile::exists(SettingsFilePath())) << "the ending writes no placement";
    EndProgramRun();
    EXPECT_EQ(frmMain, nullptr);
}

TEST_F(MainWindowTest, CloseRequestDuringTheOptionsDialogStoresNothing) {
    TfrmMain& m = *frmMain;
    m.ShowAtStart(false);
    bool dialogOpen = false;
    ModalAnswers user;
    user.Live([&](QWidget* w) {
        dialogOpen = w == frmOptions;
        frmOptions->cbCheckPeriod->setCurrentIndex(0);
        // A later start asks this copy to end.
        m.OnRunMessage(RunMsgForTests(), 0x2B2416B, 0);
    });
    QTimer::singleShot(0, &m, [&] { m.acOptions->trigger(); });
    QApplication::exec();
    EXPECT_TRUE(dialogOpen);
    EXPECT_TRUE(ProgramEnding());
    EXPECT_EQ(ini("Common", "CheckPeriodIndex"), "<none>") << "closed as if cancelled";
}

TEST_F(MainWindowTest, CloseRequestWithAnotherCodeIsIgnored) {
    frmMain->OnRunMessage(RunMsgForTests(), 0x2B2416C, 0);
    frmMain->OnRunMessage(RunMsgForTests() + 1, 0x2B2416B, 0);
    EXPECT_FALSE(ProgramEnding());
}

TEST_F(MainWindowTest, PageChangesWithoutConnectionDoNothing) {
    TfrmMain& m = *frmMain;
    ASSERT_TRUE(DM->IsConnected());
    m.PageControl->setCurrentWidget(m.tshNotes);
    EXPECT_TRUE(m.NotesLoaded);
    m.PageControl->setCurrentWidget(m.tshBirth);
    EXPECT_FALSE(m.NotesLoaded);
    DM->Close();
    m.PageControl->setCurrentWidget(m.tshNotes);
    EXPECT_FALSE(m.NotesLoaded) << "no notes are loaded without the database";
}

TEST_F(MainWindowTest, MessageBoxButtonsReadInRussian) {
    QString yes, no;
    ModalAnswers user;
    user.Then([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        yes = box->button(QMessageBox::Yes)->text().remove(u'&');
        no = box->button(QMessageBox::No)->text().remove(u'&');
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    EXPECT_EQ(MessageBox("?", "Quillet", QMessageBox::Yes | QMessageBox::No), QMessageBox::No);
    EXPECT_EQ(yes, QString::fromUtf8("Да"));
    EXPECT_EQ(no, QString::fromUtf8("Нет"));
}

TEST(LastResortGuard, AnErrorEscapingAHandlerIsReportedAndTheProgramGoesOn) {
    ModalAnswers user;
    user.Press(QMessageBox::Ok);
    bool later = false;
    QTimer::singleShot(0, [] { throw EQuillet(QStringLiteral("Сбой в обработчике")); });
    QTimer::singleShot(20, [&] { later = true; });
    Pump(60);
    ASSERT_EQ(user.Windows().size(), 1u);
    EXPECT_EQ(user.Windows()[0].text, "Сбой в обработчике");
    EXPECT_EQ(user.Windows()[0].title, "Quillet");
    EXPECT_TRUE(later) << "the program goes on";
}

TEST_F(MainWindowTest, ALongSendShowsHowFarItHasGotAndTheClockGoesOn) {
    TfrmMain& m = *frmMain;
    m.StatusUnsent->setText(QStringLiteral("earlier"));
    DM->SetProgressPace(0, 0);  // every statement tells
    struct Seen {
        int done, total;
        QString panel, clock;
    };
    std::vector<Seen> seen;
    const auto shown = DM->onSendProgress;
    DM->onSendProgress = [&](int done, int total) {
        Clock::Freeze(EncodeDateTime(2026, 12, 10, 9, 0, seen.size(), 0));
        shown(done, total);
        seen.push_back({done, total, m.StatusUnsent->text(), m.StatusClock->text()});
    };
    TMemTable& t = DM->cdsTask;
    for (int i = 0; i < 450; ++i) {
        t.Append();
        t.FieldByName("ID").SetInteger(DM->NewTaskId());
        t.FieldByName("USER_ID").SetInteger(1);
        t.FieldByName("CAPTION").SetString(QStringLiteral("Задача %1").arg(i));
        t.Post();
    }
    DM->ApplyTable(t);
    Clock::Reset();
    ASSERT_GE(seen.size(), 3u) << "several statements, each told";
    EXPECT_EQ(seen.front().panel, QString::fromUtf8("Сохранение в базе данных: 100 из 450"));
    EXPECT_EQ(seen.front().clock, " 09:00:00");
    EXPECT_EQ(seen[1].clock, " 09:00:01") << "the clock is painted during the send";
    EXPECT_EQ(seen.back().done, 450);
    EXPECT_EQ(seen.back().panel, "earlier") << "the panel gets its text back at the end";
    EXPECT_FALSE(DM->HasUnsentChanges());
}

TEST_F(MainWindowTest, OptionsDialogGrowsToShowTheSyncPageWhole) {
    TfrmOptions& d = *frmOptions;
    auto* scroll = d.findChild<QScrollArea*>(QStringLiteral("tshSyncScroll"));
    ASSERT_NE(scroll, nullptr);
    d.show();
    d.PageControl->setCurrentWidget(scroll);
    QApplication::processEvents();
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "still of a fixed size";
    d.hide();
}
