// The reminder check with the whole program behind it: which tasks and
// events are due, what their windows show and where, what each answer
// writes back, nested ticks, the chime and the timer.
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QTimeEdit>
#include <deque>

#include "app/Main.h"
#include "core/EventDates.h"
#include "data/DataModule.h"
#include "plan/TaskListModel.h"
#include "plan/TaskPlan.h"
#include "platform/ProfileFile.h"
#include "remind/BirthNotify.h"
#include "remind/Scheduler.h"
#include "settings/Settings.h"
#include "tests/platform/AlsaTestHome.h"
#include "tests/remind/ReminderTestSupport.h"
#include "tests/support/ProgramTest.h"

// Readable texts in the failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

// Answers the modal windows as they come up, one answer per window in the
// order of their showing. Each answer runs from a timer of its own once
// its window is the active modal one, so an answer may itself run a nested
// tick, as the reminder timer does while a window is open. A window with no
// answer left fails the test and is closed; so is a window still open a
// while after its answer.
class User : public QObject {
  public:
    using Answer = std::function<void(QDialog*)>;

    User() { qApp->installEventFilter(this); }
    ~User() override {
        qApp->removeEventFilter(this);
        EXPECT_TRUE(answers_.empty()) << answers_.size() << " window(s) did not come";
    }

    User& Then(Answer answer) {
        answers_.push_back(std::move(answer));
        return *this;
    }
    int WindowsSeen() const { return seen_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog && dialog->isWindow()) Arrived(dialog);
        }
        return false;
    }

  private:
    void Arrived(QDialog* dialog) {
        ++seen_;
        Answer answer = [](QDialog* w) {
            ADD_FAILURE() << "unexpected window \"" << w->windowTitle().toStdString() << "\"";
            w->reject();
        };
        if (!answers_.empty()) {
            answer = std::move(answers_.front());
            answers_.pop_front();
        }
        QPointer<QDialog> window = dialog;
        auto* wait = new QTimer(this);
        auto polls = std::make_shared<int>(0);
        wait->setInterval(10);
        connect(wait, &QTimer::timeout, this, [=, this] {
            if (window && QApplication::activeModalWidget() != window && ++*polls < 300) return;
            wait->stop();
            wait->deleteLater();
            if (!window) return;
            answer(window);
            QTimer::singleShot(5000, this, [window] {
                if (!window || !window->isVisible()) return;
                ADD_FAILURE() << "\"" << window->windowTitle().toStdString() << "\" left open";
                window->done(QDialog::Rejected);
            });
        });
        wait->start();
    }

    std::deque<Answer> answers_;
    int seen_ = 0;
};

// The lines of a reminder window's text box.
QStringList MemoLines(QDialog* w) {
    if (auto* task = qobject_cast<TfrmNotify*>(w)) return task->Memo->toPlainText().split(u'\n');
    if (auto* event = qobject_cast<TfrmBirthNotify*>(w))
        return event->Memo->toPlainText().split(u'\n');
    ADD_FAILURE() << "no reminder window: \"" << w->windowTitle().toStdString() << "\"";
    return {};
}

TfrmNotify* AsTask(QDialog* w) {
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
void PressOk(QDialog* w) {
    ClickButton(w, QStringLiteral("Ok"));
}
void TickDoneAndOk(QDialog* w) {
    if (TfrmNotify* n = AsTask(w)) QTest::mouseClick(n->chbExecuted, Qt::LeftButton);
    ClickButton(w, QStringLiteral("Ok"));
}
void CloseBox(QDialog* w) {
    w->close();
}
User::Answer Postpone(QAction* TfrmNotify::*item) {
    return [item](QDialog* w) {
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
        User nobody;
        Tick();
        EXPECT_EQ(nobody.WindowsSeen(), 0);
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

TEST_F(SchedulerTest, TaskIsDueWhenRemindedNotRaisedNotDoneAndReached) {
    const TDateTime now = EncodeDateTime(2026, 12, 8, 14, 37, 52, 0);
    const struct {
        const char* name;
        TDateTime when;
    } moments[] = {{"after", EncodeDateTime(2026, 12, 8, 14, 37, 52, 1)},
                   {"now", now},
                   {"before", EncodeDateTime(2026, 12, 8, 14, 37, 51, 999)}};
    // Every combination of the three flags, each just after, at and just
    // before the present moment; only reminded, not raised, not done ones
    // come, one per tick and the earliest first.
    struct Stored {
        int id;
        QString state;
    };
    std::vector<Stored> untouched;
    std::vector<int> raised;
    for (int flags = 0; flags < 8; ++flags) {
        const bool alert = flags & 1, done = flags & 2, notified = flags & 4;
        for (const auto& m : moments) {
            const int id = AddStoredTask(QStringLiteral("Задание %1 %2").arg(flags).arg(m.name),
                                         m.when, alert, done, notified);
            if (alert && !done && !notified)
                raised.push_back(id);
            else
                untouched.push_back({id, State(id)});
        }
    }
    // Undated with a reminder: due at once. Flags others may have written:
    // "Y" asks for a reminder, "y" is raised, "t" is done, NULL is false.
    raised.push_back(AddStoredTask(QStringLiteral("Без даты"), 0));
    const TDateTime before = moments[2].when;
    const int letterY = AddStoredTask(QStringLiteral("Буква Y"), before);
    Sql(QStringLiteral("UPDATE TASK SET NEEDALERT='Y' WHERE ID=%1").arg(letterY));
    raised.push_back(letterY);
    const int raisedY = AddStoredTask(QStringLiteral("Строчная y"), before);
    Sql(QStringLiteral("UPDATE TASK SET NOTIFIED='y' WHERE ID=%1").arg(raisedY));
    const int doneT = AddStoredTask(QStringLiteral("Строчная t"), before);
    Sql(QStringLiteral("UPDATE TASK SET EXECUTED='t' WHERE ID=%1").arg(doneT));
    const int noAlert = AddStoredTask(QStringLiteral("Без флага"), before);
    Sql(QStringLiteral("UPDATE TASK SET NEEDALERT=NULL WHERE ID=%1").arg(noAlert));
    for (int id : {raisedY, doneT, noAlert})
        untouched.push_back({id, State(id)});
    Start();

    QStringList captions, firstLines;
    auto seen = [&](QDialog* w) {
        const QStringList lines = MemoLines(w);
        firstLines << lines.value(0);
        captions << lines.value(1);
        PressOk(w);
    };
    for (int tick = 0; tick < 4; ++tick) {
        User user;
        user.Then(seen);
        Tick();
    }
    EXPECT_EQ(captions, QStringList({"Без даты", "Задание 1 before", "Буква Y", "Задание 1 now"}));
    EXPECT_EQ(firstLines, QStringList({"30.12.1899", "08.12.2026 14:37:51", "08.12.2026 14:37:51",
                                       "08.12.2026 14:37:52"}));
    QuietTick("a millisecond before the last one");

    Clock::Advance(1);
    {
        User user;
        user.Then(seen);
        Tick();
    }
    EXPECT_EQ(captions.value(4), "Задание 1 after");
    QuietTick("all raised");

    for (int id : raised)
        EXPECT_EQ(Task(id, "NOTIFIED"), "T") << id;
    for (const Stored& s : untouched)
        EXPECT_EQ(State(s.id), s.state) << "task " << s.id << " was touched";
}

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
    {
        User user;
        user.Then([&](QDialog* w) {
            notifiedAtShow = Task(midnight, "NOTIFIED");
            executedAtShow = Task(midnight, "EXECUTED");
            heard = QFileInfo(sound->CapturePath()).size();
            title = w->windowTitle();
            lines = MemoLines(w);
            stacked = NotifyWindows.size();
            at = w->frameGeometry().topLeft();
            expected = StackedAt(w, 1);
            PressOk(w);
        });
        Tick();
    }
    EXPECT_EQ(notifiedAtShow, "T") << "stored before the window is shown";
    EXPECT_EQ(executedAtShow, "F");
    EXPECT_GT(heard, 10000) << "the chime is played to its end before the window is shown";
    EXPECT_EQ(title, "Напоминание (план)");
    EXPECT_EQ(lines, QStringList({"08.12.2026", "В полночь", "", ""}));
    EXPECT_EQ(stacked, 1u);
    EXPECT_EQ(at, expected);
    EXPECT_EQ(Task(call, "NOTIFIED"), "F") << "one reminder per tick";

    {
        User user;
        user.Then([&](QDialog* w) {
            lines = MemoLines(w);
            PressOk(w);
        });
        Tick();
    }
    EXPECT_EQ(lines, QStringList({"08.12.2026 14:30:00", "Позвонить в банк", "Работа",
                                  "Спросить про вклад", "и про карту", "телефон 8-800"}));
    EXPECT_EQ(Task(call, "NOTIFIED"), "T");
}

TEST_F(SchedulerTest, AnswersAreWrittenBackToTheirTasks) {
    const TDateTime due = EncodeDateTime(2026, 12, 8, 9, 0, 0, 0);
    const int ok = AddStoredTask(QStringLiteral("Ok"), due);
    const int done = AddStoredTask(QStringLiteral("Выполнено и Ok"), due + 1e-6);
    const int closed = AddStoredTask(QStringLiteral("Закрыто"), due + 2e-6);
    Start();
    const QString stored = Moment(ok);

    for (const User::Answer& answer :
         {User::Answer(PressOk), User::Answer(TickDoneAndOk), User::Answer([](QDialog* w) {
              // Ticked, then the close box: not done all the same.
              QTest::mouseClick(AsTask(w)->chbExecuted, Qt::LeftButton);
              CloseBox(w);
          })}) {
        User user;
        user.Then(answer);
        Tick();
    }
    EXPECT_EQ(State(ok), "F T " + stored);
    EXPECT_EQ(Task(done, "EXECUTED"), "T");
    EXPECT_EQ(Task(done, "NOTIFIED"), "T");
    EXPECT_EQ(Task(closed, "EXECUTED"), "F");
    EXPECT_EQ(Task(closed, "NOTIFIED"), "T");
    Clock::Advance(3600000);
    QuietTick("none of them is reminded again");
}

TEST_F(SchedulerTest, PostponingMovesTheTaskAndItComesAgain) {
    // Now is 08.12.2026 14:37:52; some windows are answered later on.
    auto at = [](int d, int h, int m, int s) { return EncodeDateTime(2026, 12, d, h, m, s, 0); };
    int shownAfter[3] = {-1, -1, -1};
    struct Case {
        const char* name;
        TDateTime answeredAt;  // 0: at once
        User::Answer answer;
        User::Answer dialog;   // the answer to the postponing dialog, if any
        const char* expected;  // EXECUTED, NOTIFIED and DATETIME afterwards
    };
    const Case cases[] = {
        {"5 minutes",
         at(10, 14, 3, 20),
         Postpone(&TfrmNotify::N5m),
         {},
         "F F 2026-12-10 14:08:20.0000"},
        {"8.00 late in the evening",
         at(10, 23, 59, 0),
         Postpone(&TfrmNotify::Nt8),
         {},
         "F F 2026-12-11 08:00:00.0000"},
        {"8.00 after midnight",
         at(11, 0, 1, 0),
         Postpone(&TfrmNotify::Nt8),
         {},
         "F F 2026-12-12 08:00:00.0000"},
        {"a day",
         at(10, 18, 30, 0),
         Postpone(&TfrmNotify::N1d),
         {},
         "F F 2026-12-11 18:30:00.0000"},
        {"12.00",
         at(9, 12, 30, 45),
         Postpone(&TfrmNotify::Nt12),
         {},
         "F F 2026-12-10 12:00:00.0000"},
        {"done and an hour",
         0,
         [](QDialog* w) {
             QTest::mouseClick(AsTask(w)->chbExecuted, Qt::LeftButton);
             Postpone (&TfrmNotify::N1h)(w);
         },
         {},
         "T F 2026-12-08 15:37:52.0000"},
        {"remind at", 0, Postpone(&TfrmNotify::NtimeIn),
         [](QDialog* w) {
             if (w != frmRemindIn) ADD_FAILURE() << "not the \"remind at\" dialog";
             Type("20");
             Type("12");
             Type("2026");
             Type(Qt::Key_Tab);
             Type("07");
             Type("05");
             Type("09");
             ClickButton(w, QStringLiteral("Ok"));
         },
         "F F 2026-12-20 07:05:09.0000"},
        {"remind after 1, 2, 30", 0, Postpone(&TfrmNotify::NtimeAfter),
         [](QDialog* w) {
             if (w != frmRemindAfter) ADD_FAILURE() << "not the \"remind after\" dialog";
             Type("1");
             Type(Qt::Key_Tab);
             Type("2");
             Type(Qt::Key_Tab);
             Type("30");
             Type(Qt::Key_Return);
         },
         "F F 2026-12-09 17:07:52.0000"},
        {"remind after nothing", 0, Postpone(&TfrmNotify::NtimeAfter),
         [&](QDialog* w) {
             // The values of the last use; all three set to 0.
             shownAfter[0] = frmRemindAfter->Edit1->value();
             shownAfter[1] = frmRemindAfter->Edit2->value();
             shownAfter[2] = frmRemindAfter->Edit3->value();
             for (int k = 0; k < 3; ++k) {
                 Type("0");
                 Type(Qt::Key_Tab);
             }
             ClickButton(w, QStringLiteral("Ok"));
         },
         "F F 2026-12-08 14:37:52.0000"},
    };
    std::vector<int> ids;
    for (const Case& c : cases)
        ids.push_back(AddStoredTask(QString::fromUtf8(c.name), at(8, 9, int(ids.size()), 0)));
    Start();

    const TDateTime now = Now();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        QString caption;
        {
            User user;
            user.Then([&](QDialog* w) {
                caption = MemoLines(w).value(1);
                if (c.answeredAt) Clock::Freeze(c.answeredAt);
                c.answer(w);
            });
            if (c.dialog) user.Then(c.dialog);
            Tick();
        }
        Clock::Freeze(now);
        EXPECT_EQ(caption, QString::fromUtf8(c.name));
        EXPECT_EQ(State(ids[i]), QLatin1String(c.expected));
    }
    EXPECT_EQ(shownAfter[0], 1);
    EXPECT_EQ(shownAfter[1], 2);
    EXPECT_EQ(shownAfter[2], 30);

    // Postponed to the present moment, it comes again at the next tick; the
    // dialog opens with 0, 0, 0 now. Cancelled, then "Ok": not postponed.
    int again[3] = {-1, -1, -1};
    QString caption;
    {
        User user;
        user.Then([&](QDialog* w) {
                caption = MemoLines(w).value(1);
                Postpone (&TfrmNotify::NtimeAfter)(w);
                PressOk(w);
            })
            .Then([&](QDialog* w) {
                again[0] = frmRemindAfter->Edit1->value();
                again[1] = frmRemindAfter->Edit2->value();
                again[2] = frmRemindAfter->Edit3->value();
                ClickButton(w, QStringLiteral("Отмена"));
            });
        Tick();
    }
    EXPECT_EQ(caption, "remind after nothing");
    EXPECT_EQ(again[0], 0);
    EXPECT_EQ(again[1], 0);
    EXPECT_EQ(again[2], 0);
    EXPECT_EQ(State(ids.back()), "F T 2026-12-08 14:37:52.0000");
    QuietTick("every other task lies ahead or is done");
}

TEST_F(SchedulerTest, NestedTickStacksTheNextReminderOnTop) {
    // Two tasks due at the same moment, a third due a minute later.
    const TDateTime due = EncodeDateTime(2026, 12, 8, 14, 30, 0, 0);
    const int first = AddStoredTask(QStringLiteral("Первое"), due);
    const int second = AddStoredTask(QStringLiteral("Второе"), due);
    const int third =
        AddStoredTask(QStringLiteral("Третье"), EncodeDateTime(2026, 12, 9, 10, 0, 0, 0));
    Start();
    const QString dueText = Moment(first);

    QPoint firstAt, firstExpected, secondAt, secondExpected;
    QString secondCaption, thirdCaption;
    bool firstOpenUnder = false, secondOnTop = false, thirdOnTop = false;
    size_t depthInSecond = 0, depthInThird = 0, depthBackInFirst = 9;
    User user;
    user.Then([&](QDialog* w) {
            firstAt = w->frameGeometry().topLeft();
            firstExpected = StackedAt(w, 1);
            // A tick while the window is open: the second task comes on top.
            RunReminderCheck(frmMain->Plan);
            depthBackInFirst = NotifyWindows.size();
            Postpone (&TfrmNotify::N15m)(w);
        })
        .Then([&](QDialog* w) {
            secondCaption = MemoLines(w).value(1);
            secondAt = w->frameGeometry().topLeft();
            secondExpected = StackedAt(w, 2);
            secondOnTop = QApplication::activeModalWidget() == w;
            depthInSecond = NotifyWindows.size();
            firstOpenUnder = NotifyWindows.size() == 2 && NotifyWindows[0] &&
                             NotifyWindows[0]->isVisible() && NotifyWindows[1] == w;
            // The third is reached while both are open.
            Clock::Advance(19.5 * 3600000);
            RunReminderCheck(frmMain->Plan);
            TickDoneAndOk(w);
        })
        .Then([&](QDialog* w) {
            thirdCaption = MemoLines(w).value(1);
            thirdOnTop = QApplication::activeModalWidget() == w;
            depthInThird = NotifyWindows.size();
            CloseBox(w);
        });
    Tick();
    EXPECT_EQ(firstAt, firstExpected);
    EXPECT_EQ(secondCaption, "Второе");
    EXPECT_EQ(secondAt, secondExpected);
    EXPECT_EQ(secondAt - firstAt, QPoint(20, 20));
    EXPECT_TRUE(secondOnTop);
    EXPECT_TRUE(firstOpenUnder);
    EXPECT_EQ(depthInSecond, 2u);
    EXPECT_EQ(thirdCaption, "Третье");
    EXPECT_TRUE(thirdOnTop);
    EXPECT_EQ(depthInThird, 3u);
    EXPECT_EQ(depthBackInFirst, 1u);
    // Each window changed its own task only.
    EXPECT_EQ(State(first), "F F 2026-12-09 10:22:52.0000");
    EXPECT_EQ(State(second), "T T " + dueText);
    EXPECT_EQ(Task(third, "EXECUTED"), "F");
    EXPECT_EQ(Task(third, "NOTIFIED"), "T");
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
    {
        User user;
        user.Then(Postpone(&TfrmNotify::N5d));
        Tick();
    }
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
    {
        User user;
        user.Then(Postpone(&TfrmNotify::N5d));
        Tick();
    }
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

TEST_F(SchedulerTest, TickNestedInAStoreFailureBoxLeavesTheReminderItsOwnText) {
    // The database refuses every change of the tasks while the gate is set:
    // marking the reminder fails, and the box that says so is modal, so the
    // timer's next tick runs inside it.
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
    Start();

    QString failure, nestedCaption;
    QStringList lines;
    {
        User user;
        user.Then([&](QDialog* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (box) failure = box->text();
                RunReminderCheck(frmMain->Plan);
                ClickButton(w, QStringLiteral("OK"));
            })
            .Then([&](QDialog* w) {
                nestedCaption = MemoLines(w).value(1);
                Postpone (&TfrmNotify::N5d)(w);
            })
            .Then([&](QDialog* w) {
                lines = MemoLines(w);
                PressOk(w);
            });
        Tick();
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

TEST_F(SchedulerTest, EventsComeWithinTheLeadFromTheNoticeTime) {
    // Today is Tuesday 08.12.2026.
    const int today =
        AddEvent(QStringLiteral("Анна Петрова"), "1975-12-08", 1, QStringLiteral("Купить цветы"));
    const int tomorrow = AddEvent(QStringLiteral("Завтра"), "1990-12-09", 2);
    const int twoAhead = AddEvent(QStringLiteral("Через два дня"), "2001-12-10", 3);
    const int threeAhead = AddEvent(QStringLiteral("Через три дня"), "2001-12-11", 0);
    const int passed = AddEvent(QStringLiteral("Прошло весной"), "1975-03-08", 7,
                                QStringLiteral("Ещё не объявлено"));
    const int announced = AddEvent(QStringLiteral("Уже объявлено"), "1980-12-08", 1, {}, "T");
    Start();
    ASSERT_EQ(NotifyDays, 1);
    ASSERT_EQ(NotifyTime, EncodeTime(10, 0, 0, 0));

    Clock::Freeze(EncodeDateTime(2026, 12, 8, 9, 59, 59, 999));
    QuietTick("before the notice time");

    // At 10:00 the day's event and the one passed this spring, one after
    // the other at one tick, each stored as announced before it is shown.
    Clock::Freeze(EncodeDateTime(2026, 12, 8, 10, 0, 0, 0));
    QStringList first, second;
    QString firstStored, secondStored, title;
    size_t stacked = 0;
    QPoint at, expected;
    {
        User user;
        user.Then([&](QDialog* w) {
                first = MemoLines(w);
                firstStored = EventNotified(today) + EventNotified(passed);
                title = w->windowTitle();
                stacked = BirthNotifyWindows.size();
                at = w->frameGeometry().topLeft();
                expected = StackedAt(w, 1);
                ClickButton(w, QStringLiteral("Ok"));
            })
            .Then([&](QDialog* w) {
                second = MemoLines(w);
                secondStored = EventNotified(passed);
                Type(Qt::Key_Return);  // "Ok" has the focus
            });
        Tick();
    }
    EXPECT_EQ(title, "Напоминание (событие)");
    EXPECT_EQ(first,
              QStringList({"<День рождения>", "08.12.1975", "Анна Петрова", "Купить цветы"}));
    EXPECT_EQ(firstStored, "TF");
    EXPECT_EQ(second, QStringList({"<--->", "08.03.1975", "Прошло весной", "Ещё не объявлено"}));
    EXPECT_EQ(secondStored, "T");
    EXPECT_EQ(stacked, 1u);
    EXPECT_EQ(at, expected);
    Clock::Advance(8 * 3600000);
    QuietTick("announced once; tomorrow's is outside the lead");
    EXPECT_EQ(EventNotified(tomorrow), "F");

    // Three days of lead: tomorrow's and the one two days ahead come.
    NotifyDays = 3;
    QStringList captions;
    {
        User user;
        for (int i = 0; i < 2; ++i)
            user.Then([&](QDialog* w) {
                captions << MemoLines(w).value(2);
                ClickButton(w, QStringLiteral("Ok"));
            });
        Tick();
    }
    EXPECT_EQ(captions, QStringList({"Завтра", "Через два дня"}));
    EXPECT_EQ(EventNotified(threeAhead), "F");
    EXPECT_EQ(EventNotified(twoAhead), "T");
    EXPECT_EQ(EventNotified(announced), "T");

    // A later notice time holds them back until it is reached.
    NotifyDays = 4;
    NotifyTime = EncodeTime(20, 30, 0, 0);
    Clock::Freeze(EncodeDateTime(2026, 12, 9, 20, 29, 59, 0));
    QuietTick("before 20:30");
    Clock::Freeze(EncodeDateTime(2026, 12, 9, 20, 30, 0, 0));
    {
        User user;
        user.Then([&](QDialog* w) {
            captions << MemoLines(w).value(2);
            ClickButton(w, QStringLiteral("Ok"));
        });
        Tick();
    }
    EXPECT_EQ(captions.value(2), "Через три дня");
}

TEST_F(SchedulerTest, TwentyNinthOfFebruaryFallsOnTheTwentyEighth) {
    EXPECT_EQ(EventDayInYear(EncodeDate(1980, 2, 29), 2026), EncodeDate(2026, 2, 28));
    EXPECT_EQ(EventDayInYear(EncodeDate(1980, 2, 29), 2028), EncodeDate(2028, 2, 29));
    EXPECT_EQ(EventDayInYear(EncodeDateTime(1975, 3, 8, 12, 0, 0, 0), 2026),
              EncodeDate(2026, 3, 8));

    const int leap = AddEvent(QStringLiteral("Високосный"), "1980-02-29", 1);
    const int next = AddEvent(QStringLiteral("После него"), "1999-02-28", 2);
    Start();
    Clock::Freeze(EncodeDateTime(2026, 2, 27, 12, 0, 0, 0));
    QuietTick("the day before");

    Clock::Freeze(EncodeDateTime(2026, 2, 28, 12, 0, 0, 0));
    QStringList captions, dates;
    User user;
    for (int i = 0; i < 2; ++i)
        user.Then([&](QDialog* w) {
            const QStringList lines = MemoLines(w);
            dates << lines.value(1);
            captions << lines.value(2);
            ClickButton(w, QStringLiteral("Ok"));
        });
    Tick();
    EXPECT_EQ(captions, QStringList({"Високосный", "После него"}));
    EXPECT_EQ(dates, QStringList({"29.02.1980", "28.02.1999"}));
    EXPECT_EQ(EventNotified(leap), "T");
    EXPECT_EQ(EventNotified(next), "T");
}

TEST_F(SchedulerTest, TaskComesBeforeTheEventOfTheSameTick) {
    const int task =
        AddStoredTask(QStringLiteral("Задание"), EncodeDateTime(2026, 12, 8, 12, 0, 0, 0));
    const int nested =
        AddStoredTask(QStringLiteral("Второе задание"), EncodeDateTime(2026, 12, 8, 13, 0, 0, 0));
    const int event = AddEvent(QStringLiteral("Событие"), "1970-12-08", 2);
    const int later = AddEvent(QStringLiteral("Событие завтра"), "1970-12-09", 2);
    Start();

    // The event waits until the task's window has closed.
    QStringList order;
    {
        User user;
        user.Then([&](QDialog* w) {
                order << MemoLines(w).value(1) + QStringLiteral(" / события: ") +
                             EventNotified(event);
                PressOk(w);
            })
            .Then([&](QDialog* w) {
                order << MemoLines(w).value(2) +
                             QStringLiteral(" / задания: %1").arg(NotifyWindows.size());
                ClickButton(w, QStringLiteral("Ok"));
            });
        Tick();
    }
    EXPECT_EQ(order, QStringList({"Задание / события: F", "Событие / задания: 0"}));
    EXPECT_EQ(Task(task, "NOTIFIED"), "T");

    // A tick inside the task's window brings the event on top of it, placed
    // by the depth of its own stack.
    NotifyDays = 2;
    order.clear();
    QPoint eventAt, eventExpected;
    bool eventOnTop = false;
    {
        User user;
        user.Then([&](QDialog* w) {
                order << MemoLines(w).value(1);
                RunReminderCheck(frmMain->Plan);
                PressOk(w);
            })
            .Then([&](QDialog* w) {
                order << MemoLines(w).value(2);
                eventOnTop = QApplication::activeModalWidget() == w && NotifyWindows.size() == 1 &&
                             BirthNotifyWindows.size() == 1;
                eventAt = w->frameGeometry().topLeft();
                eventExpected = StackedAt(w, 1);
                ClickButton(w, QStringLiteral("Ok"));
            });
        Tick();
    }
    EXPECT_EQ(order, QStringList({"Второе задание", "Событие завтра"}));
    EXPECT_TRUE(eventOnTop);
    EXPECT_EQ(eventAt, eventExpected);
    EXPECT_EQ(Task(nested, "NOTIFIED"), "T");
    EXPECT_EQ(EventNotified(later), "T");
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

    QString report, caption, notifiedAtReport;
    size_t stackedAtReport = 9;
    QStringList windows;
    auto note = [&](QDialog* w) {
        const QStringList lines = MemoLines(w);
        windows << w->windowTitle() + u' ' + lines.value(qobject_cast<TfrmNotify*>(w) ? 1 : 0);
        ClickButton(w, QStringLiteral("Ok"));
    };
    {
        User user;
        user.Then([&](QDialog* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                ASSERT_NE(box, nullptr) << w->windowTitle().toStdString();
                report = box->text();
                caption = box->windowTitle();
                notifiedAtReport = Task(first, "NOTIFIED");
                stackedAtReport = NotifyWindows.size();
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            })
            .Then(note)
            .Then(note);
        Tick();
    }
    EXPECT_TRUE(report.startsWith("Не удалось воспроизвести звук напоминания."))
        << report.toStdString();
    EXPECT_TRUE(report.contains("notify.wav")) << report.toStdString();
    EXPECT_EQ(caption, "Quillet");
    EXPECT_EQ(notifiedAtReport, "T");
    EXPECT_LE(stackedAtReport, 1u);
    EXPECT_EQ(windows, QStringList({"Напоминание (план) Первое",
                                    "Напоминание (событие) <Радостное событие>"}));

    // Not reported again in this run.
    {
        User user;
        user.Then(note);
        Tick();
    }
    EXPECT_EQ(windows.value(2), "Напоминание (план) Второе");
    EXPECT_EQ(Task(second, "NOTIFIED"), "T");
    EXPECT_EQ(EventNotified(event), "T");
}

// ---- The timer

TEST_F(SchedulerTest, TimerRunsAtTheChosenPeriodAndRaisesReminders) {
    const int task =
        AddStoredTask(QStringLiteral("По таймеру"), EncodeDateTime(2026, 12, 8, 14, 0, 0, 0));
    StartProgram();
    EXPECT_TRUE(frmMain->TimerNotify->isActive());
    EXPECT_EQ(frmMain->TimerNotify->interval(), 1000);

    QString caption;
    {
        User user;
        user.Then([&](QDialog* w) {
            caption = MemoLines(w).value(1);
            PressOk(w);
        });
        for (int waited = 0; caption.isEmpty() && waited < 3000; waited += 50)
            Pump(50);
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
