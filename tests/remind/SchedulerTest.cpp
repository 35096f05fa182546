// The reminder check with the whole program behind it: what the windows
// show and where, what each answer writes back, reminders stacked by the
// real timer while windows are open, the chime and the timer. Which tasks
// and events are due is tested on its own (DueRulesTest).
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QTimeEdit>
#include <deque>

#include "app/Main.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/EventDates.h"
#include "data/DataModule.h"
#include "plan/TaskListModel.h"
#include "plan/TaskPlan.h"
#include "platform/DesktopNotify.h"
#include "platform/ProfileFile.h"
#include "remind/BirthNotify.h"
#include "remind/Scheduler.h"
#include "settings/Settings.h"
#include "tests/platform/AlsaTestHome.h"
#include "tests/remind/ReminderTestSupport.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/ProgramTest.h"

// Readable texts in the failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

// The lines of a reminder window's text box.
QStringList MemoLines(QWidget* w) {
    if (auto* task = qobject_cast<TfrmNotify*>(w)) return task->Memo->toPlainText().split(u'\n');
    if (auto* event = qobject_cast<TfrmBirthNotify*>(w))
        return event->Memo->toPlainText().split(u'\n');
    ADD_FAILURE() << "no reminder window: \"" << w->windowTitle().toStdString() << "\"";
    return {};
}

TfrmNotify* AsTask(QWidget* w) {
    auto* task = qobject_cast<TfrmNotify*>(w);
    if (!task) ADD_FAILURE() << "\"" << w->windowTitle().toStdString() << "\" instead of a task";
    return task;
}

// Where a reminder window stands at `depth`: the centre of the whole
// screen for its outer size, then 20 pixels right and down per level.
QPoint StackedAt(QWidget* w, int depth) {
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QSize outer = w->frameGeometry().size();
    return QPoint((screen.width() - outer.width()) / 2 + 20 * depth,
                  (screen.height() - outer.height()) / 2 + 20 * depth);
}

// The user's answers to a task reminder window.
void PressOk(QWidget* w) {
    ClickButton(w, QStringLiteral("Ok"));
}
void TickDoneAndOk(QWidget* w) {
    if (TfrmNotify* n = AsTask(w)) QTest::mouseClick(n->chbExecuted, Qt::LeftButton);
    ClickButton(w, QStringLiteral("Ok"));
}
void CloseBox(QWidget* w) {
    w->close();
}
ModalAnswers::Action Postpone(QAction* TfrmNotify::*item) {
    return [item](QWidget* w) {
        if (TfrmNotify* n = AsTask(w)) ChooseLater(n, n->*item);
    };
}

class SchedulerTest : public ProgramTest {
  protected:
    // The rows are stored first; each test starts the program itself.
    void SetUp() override { ResetSchedulerForTests(); }
    void TearDown() override {
        ProgramTest::TearDown();
        ResetSchedulerForTests();
    }

    // Starts the program with the reminder timer stopped: the test ticks.
    void Start() {
        StartProgram();
        ASSERT_TRUE(DM && DM->IsConnected());
        frmMain->TimerNotify->stop();
    }

    // One tick, with nothing left to do for the event loop afterwards.
    void Tick() {
        RunReminderCheck(frmMain->Plan);
        Pump();
        EXPECT_TRUE(NotifyWindows.empty());
        EXPECT_TRUE(BirthNotifyWindows.empty());
    }
    // A tick that must not raise any window.
    void QuietTick(const char* why) {
        SCOPED_TRACE(why);
        ModalAnswers nobody;
        Tick();
    }
    // A tick whose windows get `answers` in turn.
    void TickAnswering(std::initializer_list<ModalAnswers::Action> answers) {
        ModalAnswers user;
        for (const auto& a : answers)
            user.Then(a);
        Tick();
    }

    int AddEvent(const QString& caption, const QString& date, int vid, const QString& comment = {},
                 const char* notified = "F") {
        static int next = 5000;
        const int id = ++next;
        Sql(QStringLiteral("INSERT INTO BIRTH (ID, USER_ID, CAPTION, \"DATE\", VID, CATEGORY, "
                           "COMMENT, NOTIFIED) VALUES (%1, 1, '%2', '%3', %4, 1, '%5', '%6')")
                .arg(id)
                .arg(caption, date)
                .arg(vid)
                .arg(comment, QLatin1String(notified)));
        return id;
    }

    QString Task(int id, const char* column) {
        return SqlValue(
            QStringLiteral("SELECT %1 FROM TASK WHERE ID=%2").arg(QLatin1String(column)).arg(id));
    }
    // The task's moment as the database keeps it, e.g. "2026-12-08 14:08:20.0000".
    QString Moment(int id) { return Task(id, "CAST(DATETIME AS VARCHAR(24))"); }
    // EXECUTED, NOTIFIED and the moment, e.g. "F T 2026-12-08 14:08:20.0000".
    QString State(int id) {
        return Task(id, "EXECUTED") + u' ' + Task(id, "NOTIFIED") + u' ' + Moment(id);
    }
    QString EventNotified(int id) {
        return SqlValue(QStringLiteral("SELECT NOTIFIED FROM BIRTH WHERE ID=%1").arg(id));
    }
};

// ---- The task pass

TEST_F(SchedulerTest, ReminderIsStoredThenHeardThenShownWithTheTask) {
    const int midnight =
        AddStoredTask(QStringLiteral("В полночь"), EncodeDateTime(2026, 12, 8, 0, 0, 0, 0));
    const int call =
        AddStoredTask(QStringLiteral("Позвонить в банк"), EncodeDateTime(2026, 12, 8, 14, 30, 0, 0),
                      true, false, false, QStringLiteral("Работа"));
    Sql(QStringLiteral("UPDATE TASK SET DETAILS='Спросить про вклад\r\nи про карту\r\n"
                       "телефон 8-800' WHERE ID=%1")
            .arg(call));
    Start();
    sound->Use(AlsaTestHome::Device::Capture);
    QFile::remove(sound->CapturePath());

    // The midnight task comes first; only its date is shown.
    QString notifiedAtShow, executedAtShow, title;
    QStringList lines;
    qint64 heard = -1;
    size_t stacked = 0;
    QPoint at, expected;
    TickAnswering({[&](QWidget* w) {
        notifiedAtShow = Task(midnight, "NOTIFIED");
        executedAtShow = Task(midnight, "EXECUTED");
        heard = QFileInfo(sound->CapturePath()).size();
        title = w->windowTitle();
        lines = MemoLines(w);
        stacked = NotifyWindows.size();
        at = w->frameGeometry().topLeft();
        expected = StackedAt(w, 1);
        PressOk(w);
    }});
    EXPECT_EQ(notifiedAtShow, "T") << "stored before the window is shown";
    EXPECT_EQ(executedAtShow, "F");
    EXPECT_GT(heard, 10000) << "the chime is played to its end before the window is shown";
    EXPECT_EQ(title, "Напоминание (план)");
    EXPECT_EQ(lines, QStringList({"08.12.2026", "В полночь", "", ""}));
    EXPECT_EQ(stacked, 1u);
    EXPECT_EQ(at, expected);
    EXPECT_EQ(Task(call, "NOTIFIED"), "F") << "one reminder per tick";

    TickAnswering({[&](QWidget* w) {
        lines = MemoLines(w);
        PressOk(w);
    }});
    EXPECT_EQ(lines, QStringList({"08.12.2026 14:30:00", "Позвонить в банк", "Работа",
                                  "Спросить про вклад", "и про карту", "телефон 8-800"}));
    EXPECT_EQ(Task(call, "NOTIFIED"), "T");
}

TEST_F(SchedulerTest, AnswersAreWrittenBackToTheirTasks) {
    // Now is 08.12.2026 14:37:52; the tasks were due from 09:00:00 on.
    const struct {
        const char* name;
        ModalAnswers::Action answer;
        const char* flags;   // EXECUTED and NOTIFIED afterwards
        const char* moment;  // DATETIME afterwards; empty: unchanged
    } cases[] = {
        {"Ok", PressOk, "F T", ""},
        {"done and Ok", TickDoneAndOk, "T T", ""},
        {"ticked, then the close box: not done all the same",
         [](QWidget* w) {
             QTest::mouseClick(AsTask(w)->chbExecuted, Qt::LeftButton);
             CloseBox(w);
         },
         "F T", ""},
        {"5 minutes", Postpone(&TfrmNotify::N5m), "F F", "2026-12-08 14:42:52.0000"},
        {"done and an hour",
         [](QWidget* w) {
             QTest::mouseClick(AsTask(w)->chbExecuted, Qt::LeftButton);
             Postpone (&TfrmNotify::N1h)(w);
         },
         "T F", "2026-12-08 15:37:52.0000"},
    };
    std::vector<int> ids;
    for (const auto& c : cases)
        ids.push_back(AddStoredTask(QString::fromUtf8(c.name),
                                    EncodeDateTime(2026, 12, 8, 9, int(ids.size()), 0, 0)));
    Start();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const QString before = Moment(ids[i]);
        QString caption;
        TickAnswering({[&](QWidget* w) {
            caption = MemoLines(w).value(1);
            c.answer(w);
        }});
        EXPECT_EQ(caption, QString::fromUtf8(c.name));
        EXPECT_EQ(State(ids[i]),
                  QLatin1String(c.flags) + u' ' + (*c.moment ? QLatin1String(c.moment) : before))
            << c.name;
    }
    QuietTick("the postponed ones lie ahead, the others are raised");
    Clock::Advance(3600000);
    TickAnswering({[](QWidget* w) {
        EXPECT_EQ(MemoLines(w).value(1), "5 minutes") << "postponed, it comes again";
        PressOk(w);
    }});
    QuietTick("the one done and postponed is not reminded");
}

TEST_F(SchedulerTest, PostponingDialogsAnswerFromTheReminder) {
    const TDateTime due = EncodeDateTime(2026, 12, 8, 9, 0, 0, 0);
    const int at = AddStoredTask(QStringLiteral("В"), due);
    const int after = AddStoredTask(QStringLiteral("Через"), AddMs(due, 1));
    Start();
    // "Напомнить в ..." typed in; "Напомнить через ..." with nothing: now.
    TickAnswering({Postpone(&TfrmNotify::NtimeIn), [](QWidget* w) {
                       EXPECT_EQ(w, frmRemindIn);
                       Type("20");
                       Type("12");
                       Type("2026");
                       Type(Qt::Key_Tab);
                       Type("07");
                       Type("05");
                       Type("09");
                       ClickButton(w, QStringLiteral("Ok"));
                   }});
    EXPECT_EQ(State(at), "F F 2026-12-20 07:05:09.0000");
    TickAnswering({Postpone(&TfrmNotify::NtimeAfter),
                   [](QWidget* w) { ClickButton(w, QStringLiteral("Ok")); }});
    EXPECT_EQ(State(after), "F F 2026-12-08 14:37:52.0000");

    // Postponed to the present moment, it comes again at the next tick;
    // the dialog cancelled, then "Ok": not postponed.
    QString caption;
    TickAnswering({[&](QWidget* w) {
                       caption = MemoLines(w).value(1);
                       Postpone (&TfrmNotify::NtimeAfter)(w);
                       PressOk(w);
                   },
                   [](QWidget* w) { ClickButton(w, QStringLiteral("Отмена")); }});
    EXPECT_EQ(caption, "Через");
    EXPECT_EQ(State(after), "F T 2026-12-08 14:37:52.0000");
    QuietTick("nothing else is due");
}

TEST_F(SchedulerTest, ListKeepsItsSelectionAcrossAReminder) {
    const int soon =
        AddStoredTask(QStringLiteral("Скоро"), EncodeDateTime(2026, 12, 8, 14, 0, 0, 0));
    const int later =
        AddStoredTask(QStringLiteral("Потом"), EncodeDateTime(2026, 12, 8, 14, 10, 0, 0));
    const int ahead =
        AddStoredTask(QStringLiteral("Впереди"), EncodeDateTime(2026, 12, 10, 9, 0, 0, 0));
    const int undated = AddStoredTask(QStringLiteral("Без срока"), 0, false);
    Start();
    frmMain->ShowAtStart(false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frmMain));
    QTableView* list = frmMain->ListView;
    ASSERT_EQ(frmMain->Plan->SelectedTaskId(), 0) << "nothing is selected at the start";

    // No row selected: after the reminder the first row is.
    TickAnswering({Postpone(&TfrmNotify::N5d)});
    EXPECT_EQ(frmMain->Plan->SelectedTaskId(), undated);
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);

    // The user selects "Впереди"; the postponed task moves past it, and the
    // selection stays on it.
    int row = -1;
    for (int r = 0; r < frmMain->TaskList->rowCount(); ++r)
        if (frmMain->TaskList->IdAt(r) == ahead) row = r;
    ASSERT_GE(row, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualRect(frmMain->TaskList->index(row, 1)).center());
    ASSERT_EQ(frmMain->Plan->SelectedTaskId(), ahead);
    TickAnswering({Postpone(&TfrmNotify::N5d)});
    EXPECT_EQ(frmMain->Plan->SelectedTaskId(), ahead);
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(Moment(soon), "2026-12-13 14:37:52.0000");
    EXPECT_EQ(Moment(later), "2026-12-13 14:37:52.0000");
    // The list shows the new moments: "Впереди" is now before both.
    QList<int> order;
    for (int r = 0; r < frmMain->TaskList->rowCount(); ++r)
        order << frmMain->TaskList->IdAt(r);
    EXPECT_EQ(order, QList<int>({undated, ahead, soon, later}));
}

// ---- Windows on top of windows, raised by the real timer

// Presses "Ok" on `w` once the windows above it have closed.
void OkOnceOnTop(QWidget* w) {
    QPointer<QWidget> window = w;
    QTimer::singleShot(0, w, [window] {
        if (window && QApplication::activeModalWidget() == window) PressOk(window);
    });
}

TEST_F(SchedulerTest, TimerStacksFurtherRemindersOnTopOfAnOpenOne) {
    // Two tasks due at the same moment and an event of today; every 0.1 s
    // a tick.
    const TDateTime due = EncodeDateTime(2026, 12, 8, 14, 30, 0, 0);
    const int first = AddStoredTask(QStringLiteral("Первое"), due);
    const int second = AddStoredTask(QStringLiteral("Второе"), due);
    const int event = AddEvent(QStringLiteral("Событие"), "1970-12-08", 2);
    ProfileFile::WriteInteger(SettingsFilePath(), QStringLiteral("Common"),
                              QStringLiteral("CheckPeriodIndex"), 0);

    struct Opened {
        QString title, caption;
        QPoint at, expected;
        bool onTop = false, belowStillOpen = false;
    };
    std::vector<Opened> opened;
    std::vector<QPointer<QWidget>> windows;
    auto seen = [&](QWidget* w, int line, int depth) {
        Opened o;
        o.title = w->windowTitle();
        o.caption = MemoLines(w).value(line);
        o.at = w->frameGeometry().topLeft();
        o.expected = StackedAt(w, depth);
        o.onTop = QApplication::activeModalWidget() == w;
        o.belowStillOpen = windows.empty() || (windows.back() && windows.back()->isVisible());
        opened.push_back(o);
        windows.push_back(w);
    };
    {
        // Nobody answers the first window: the next tick brings the second
        // task on top of it, the one after that the event on top of both.
        // Then they are closed from the top down.
        ModalAnswers user;
        user.Live([&](QWidget* w) { seen(w, 1, 1); })
            .Live([&](QWidget* w) { seen(w, 1, 2); })
            .Live([&](QWidget* w) {
                seen(w, 2, 1);
                ClickButton(w, QStringLiteral("Ok"));
                QTimer::singleShot(0, qApp, [&] {
                    OkOnceOnTop(windows[1]);
                    QTimer::singleShot(50, qApp, [&] { OkOnceOnTop(windows[0]); });
                });
            });
        StartProgram();
        ASSERT_EQ(frmMain->TimerNotify->interval(), 100);
        for (int waited = 0; waited < 5000 && (user.Remaining() > 0 || !NotifyWindows.empty());
             waited += 20)
            Pump(20);
    }
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0].caption, "Первое");
    EXPECT_EQ(opened[1].caption, "Второе");
    EXPECT_EQ(opened[2].caption, "Событие");
    EXPECT_EQ(opened[2].title, "Напоминание (событие)");
    for (const Opened& o : opened) {
        EXPECT_EQ(o.at, o.expected) << o.caption.toStdString();
        EXPECT_TRUE(o.onTop) << o.caption.toStdString();
        EXPECT_TRUE(o.belowStillOpen) << o.caption.toStdString();
    }
    EXPECT_EQ(opened[1].at - opened[0].at, QPoint(20, 20));
    EXPECT_TRUE(NotifyWindows.empty());
    EXPECT_TRUE(BirthNotifyWindows.empty());
    EXPECT_EQ(Task(first, "NOTIFIED") + Task(second, "NOTIFIED") + EventNotified(event), "TTT");
}

TEST_F(SchedulerTest, ExitFromTheTrayWhileAReminderIsOpenEndsTheProgram) {
    const int task = AddStoredTask(QStringLiteral("Открыто при выходе"),
                                   EncodeDateTime(2026, 12, 8, 9, 0, 0, 0));
    Start();
    {
        ModalAnswers user;
        user.Live([](QWidget*) { ChooseInTray(frmMain->acShutDown); });
        Tick();
    }
    EXPECT_TRUE(ProgramEnding());
    EXPECT_EQ(State(task), "F T 2026-12-08 09:00:00.0000") << "closed as by its close box";
}

TEST_F(SchedulerTest, TickInAStoreFailureBoxLeavesTheReminderItsOwnText) {
    // The database refuses every change of the tasks while the gate is set:
    // marking the reminder fails, which the status bar says without a box;
    // the timer's next tick runs inside the reminder and raises the other
    // task.
    const int refused =
        AddStoredTask(QStringLiteral("Не сохраняется"), EncodeDateTime(2026, 12, 8, 12, 0, 0, 0));
    const int other =
        AddStoredTask(QStringLiteral("Другое"), EncodeDateTime(2026, 12, 8, 13, 0, 0, 0));
    AddStoredTask(QStringLiteral("Последнее"), EncodeDateTime(2026, 12, 31, 9, 0, 0, 0));
    Sql(QStringLiteral("CREATE SEQUENCE REFUSE_GATE"));
    Sql(QStringLiteral("CREATE EXCEPTION REFUSED 'отказано'"));
    Sql(
        QStringLiteral("CREATE TRIGGER TASK_REFUSE FOR TASK BEFORE UPDATE AS BEGIN "
                       "IF (GEN_ID(REFUSE_GATE, 0) = 1) THEN EXCEPTION REFUSED; END"));
    Sql(QStringLiteral("ALTER SEQUENCE REFUSE_GATE RESTART WITH 1"));
    ProfileFile::WriteInteger(SettingsFilePath(), QStringLiteral("Common"),
                              QStringLiteral("CheckPeriodIndex"), 0);

    QString failure, nestedCaption;
    QStringList lines;
    {
        ModalAnswers user;
        QPointer<QWidget> box;
        user.Live([&](QWidget* w) {
                box = w;
                failure = frmMain->StatusUnsent->toolTip();
            })
            .Live([&](QWidget* w) {
                nestedCaption = MemoLines(w).value(1);
                Postpone (&TfrmNotify::N5d)(w);
                QTimer::singleShot(0, qApp, [&] {
                    if (!box) return;
                    lines = MemoLines(box);  // after the nested tick
                    PressOk(box);
                });
            });
        StartProgram();
        for (int waited = 0; waited < 5000 && user.Remaining() > 0; waited += 20)
            Pump(20);
        frmMain->TimerNotify->stop();
        Pump(50);
    }
    EXPECT_TRUE(failure.startsWith("Не удалось сохранить изменения в базе данных."))
        << failure.toStdString();
    EXPECT_EQ(nestedCaption, "Другое");
    EXPECT_EQ(lines, QStringList({"08.12.2026 12:00:00", "Не сохраняется", "", ""}));

    // Let the changes through: everything lands where it belongs.
    Sql(QStringLiteral("ALTER SEQUENCE REFUSE_GATE RESTART WITH 0"));
    EXPECT_TRUE(DM->SendPending());
    EXPECT_EQ(State(refused), "F T 2026-12-08 12:00:00.0000");
    EXPECT_EQ(State(other), "F F 2026-12-13 14:37:52.0000");
}

// ---- The event pass

TEST_F(SchedulerTest, EventsShowTheirRowsAndAreStoredBeforeTheirWindows) {
    const int today =
        AddEvent(QStringLiteral("Анна Петрова"), "1975-12-08", 1, QStringLiteral("Купить цветы"));
    const int passed = AddEvent(QStringLiteral("Прошло весной"), "1975-03-08", 7,
                                QStringLiteral("Ещё не объявлено"));
    const int leap = AddEvent(QStringLiteral("Високосный"), "1980-02-29", 3);
    Start();
    Clock::Freeze(EncodeDateTime(2026, 12, 8, 10, 0, 0, 0));
    // The day's event and the one passed this spring, one after the other
    // at one tick, each stored as announced before it is shown.
    QStringList first, second;
    QString firstStored, secondStored, title;
    size_t stacked = 0;
    QPoint at, expected;
    TickAnswering({[&](QWidget* w) {
                       first = MemoLines(w);
                       firstStored = EventNotified(today) + EventNotified(passed);
                       title = w->windowTitle();
                       stacked = BirthNotifyWindows.size();
                       at = w->frameGeometry().topLeft();
                       expected = StackedAt(w, 1);
                       ClickButton(w, QStringLiteral("Ok"));
                   },
                   [&](QWidget* w) {
                       second = MemoLines(w);
                       secondStored = EventNotified(passed);
                       Type(Qt::Key_Return);  // "Ok" has the focus
                   },
                   [](QWidget* w) { ClickButton(w, QStringLiteral("Ok")); }});
    EXPECT_EQ(title, "Напоминание (событие)");
    EXPECT_EQ(first, QStringList({"<День рождения>", "08.12.1975, исполняется 51 год",
                                  "Анна Петрова", "Купить цветы"}));
    EXPECT_EQ(firstStored, "TF");
    EXPECT_EQ(second, QStringList({"<--->", "08.03.1975, 51 год со дня события", "Прошло весной",
                                   "Ещё не объявлено"}));
    EXPECT_EQ(secondStored, "T");
    EXPECT_EQ(stacked, 1u);
    EXPECT_EQ(at, expected);
    EXPECT_EQ(EventNotified(leap), "T");
    QuietTick("announced once");
}

TEST_F(SchedulerTest, TaskComesBeforeTheEventOfTheSameTick) {
    const int task =
        AddStoredTask(QStringLiteral("Задание"), EncodeDateTime(2026, 12, 8, 12, 0, 0, 0));
    const int event = AddEvent(QStringLiteral("Событие"), "1970-12-08", 2);
    Start();

    // The event waits until the task's window has closed.
    QStringList order;
    TickAnswering({[&](QWidget* w) {
                       order << MemoLines(w).value(1) + QStringLiteral(" / события: ") +
                                    EventNotified(event);
                       PressOk(w);
                   },
                   [&](QWidget* w) {
                       order << MemoLines(w).value(2) +
                                    QStringLiteral(" / задания: %1").arg(NotifyWindows.size());
                       ClickButton(w, QStringLiteral("Ok"));
                   }});
    EXPECT_EQ(order, QStringList({"Задание / события: F", "Событие / задания: 0"}));
    EXPECT_EQ(Task(task, "NOTIFIED"), "T");
}

// ---- The desktop notification

TEST_F(SchedulerTest, RemindersPostANotificationThatBringsTheirWindowForward) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    TestNotificationServer server(bus.Connect(QStringLiteral("server")));
    AddStoredTask(QStringLiteral("Позвонить в банк"), EncodeDateTime(2026, 12, 8, 14, 30, 0, 0));
    AddEvent(QStringLiteral("Анна Петрова"), "1975-12-08", 1);
    Start();
    DesktopNotifier notifier(bus.Connect(QStringLiteral("program")));

    // Each window: its notice is there while it is open, minimised it
    // comes back when the user takes the notice's action.
    QStringList seen;
    auto takeAction = [&](QWidget* w) {
        const size_t count = seen.size() + 1;
        ASSERT_TRUE(PumpUntil([&] { return server.posted.size() == count; }));
        const TestNotificationServer::Notice& n = server.posted.back();
        seen << n.summary + u'|' + n.body;
        w->showMinimized();
        Pump();
        server.Choose(n.id, QStringLiteral("default"));
        EXPECT_TRUE(PumpUntil([&] { return !(w->windowState() & Qt::WindowMinimized); }));
        ClickButton(w, QStringLiteral("Ok"));
    };
    {
        ModalAnswers user;
        user.Live(takeAction).Live(takeAction);
        RunReminderCheck(frmMain->Plan, &notifier);
    }
    EXPECT_EQ(seen, QStringList({"Позвонить в банк|08.12.2026 14:30:00",
                                 "Анна Петрова|День рождения\n08.12.1975, исполняется 51 год"}));
    EXPECT_TRUE(PumpUntil([&] { return server.closed.size() == 2; }))
        << "withdrawn when the window has closed";

    // Switched off in the options: the window alone.
    AddStoredTask(QStringLiteral("Ещё одно"), EncodeDateTime(2026, 12, 8, 14, 35, 0, 0));
    EndProgramRun();
    Start();
    DesktopNotify = false;
    {
        ModalAnswers user;
        user.Then(PressOk);
        RunReminderCheck(frmMain->Plan, &notifier);
    }
    Pump(100);
    EXPECT_EQ(server.posted.size(), 2u);
}

// ---- The chime

TEST_F(SchedulerTest, MissingChimeIsReportedOnceAndRemindersStillCome) {
    const int first =
        AddStoredTask(QStringLiteral("Первое"), EncodeDateTime(2026, 12, 8, 12, 0, 0, 0));
    const int second =
        AddStoredTask(QStringLiteral("Второе"), EncodeDateTime(2026, 12, 8, 13, 0, 0, 0));
    const int event = AddEvent(QStringLiteral("Событие"), "1970-12-08", 2);
    Start();
    ASSERT_TRUE(QFile::remove(db.dir() + QStringLiteral("/notify.wav")));

    QString notifiedAtReport;
    size_t stackedAtReport = 9;
    QStringList windows;
    auto note = [&](QWidget* w) {
        const QStringList lines = MemoLines(w);
        windows << w->windowTitle() + u' ' + lines.value(qobject_cast<TfrmNotify*>(w) ? 1 : 0);
        ClickButton(w, QStringLiteral("Ok"));
    };
    {
        ModalAnswers user;
        user.Then([&](QWidget* w) {
                notifiedAtReport = Task(first, "NOTIFIED");
                stackedAtReport = NotifyWindows.size();
                QTest::mouseClick(qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok),
                                  Qt::LeftButton);
            })
            .Then(note)
            .Then(note);
        Tick();
        ASSERT_GE(user.Windows().size(), 1u);
        const ModalAnswers::Seen& report = user.Windows()[0];
        EXPECT_TRUE(report.text.startsWith("Не удалось воспроизвести звук напоминания."))
            << report.text.toStdString();
        EXPECT_TRUE(report.text.contains("notify.wav")) << report.text.toStdString();
        EXPECT_EQ(report.title, "Quillet");
    }
    EXPECT_EQ(notifiedAtReport, "T");
    EXPECT_LE(stackedAtReport, 1u);
    EXPECT_EQ(windows, QStringList({"Напоминание (план) Первое",
                                    "Напоминание (событие) <Радостное событие>"}));

    // Not reported again in this run.
    TickAnswering({note});
    EXPECT_EQ(windows.value(2), "Напоминание (план) Второе");
    EXPECT_EQ(Task(second, "NOTIFIED"), "T");
    EXPECT_EQ(EventNotified(event), "T");
}

// ---- The timer

TEST_F(SchedulerTest, TimerRunsAtTheChosenPeriodAndRaisesReminders) {
    const int task =
        AddStoredTask(QStringLiteral("По таймеру"), EncodeDateTime(2026, 12, 8, 14, 0, 0, 0));
    QString caption;
    {
        ModalAnswers user;
        user.Then([&](QWidget* w) {
            caption = MemoLines(w).value(1);
            PressOk(w);
        });
        StartProgram();
        EXPECT_TRUE(frmMain->TimerNotify->isActive());
        EXPECT_EQ(frmMain->TimerNotify->interval(), 1000);
        for (int waited = 0; caption.isEmpty() && waited < 3000; waited += 50)
            Pump(50);
    }
    EXPECT_EQ(caption, "По таймеру");
    EXPECT_EQ(Task(task, "NOTIFIED"), "T");

    // "0.1 секунды" in the settings file.
    EndProgramRun();
    ProfileFile::WriteInteger(SettingsFilePath(), QStringLiteral("Common"),
                              QStringLiteral("CheckPeriodIndex"), 0);
    StartProgram();
    EXPECT_TRUE(frmMain->TimerNotify->isActive());
    EXPECT_EQ(frmMain->TimerNotify->interval(), 100);
}

}  // namespace
