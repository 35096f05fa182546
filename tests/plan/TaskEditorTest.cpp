// The task editor opened for a new task and for a chosen one: what it
// shows, what OK stores (read back from the database), and what the
// reminder ticks that come while it is open must not disturb.
#include <QCalendarWidget>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QToolTip>

#include "core/DateTime.h"
#include "platform/Modal.h"
#include "platform/TrayIcon.h"
#include "remind/Notify.h"
#include "remind/Scheduler.h"
#include "settings/Settings.h"
#include "tests/plan/PlanTestSupport.h"

namespace {

class TaskEditorTest : public PlanTest {
  protected:
    void AddTasks() override {
        early =
            AddStoredTask(QStringLiteral("Сдать отчёт"), EncodeDateTime(2026, 12, 8, 9, 0, 0, 0),
                          true, false, true, QStringLiteral("Работа"));
        Sql(QStringLiteral("UPDATE TASK SET DETAILS = 'первая строка' || ASCII_CHAR(13) || "
                           "ASCII_CHAR(10) || 'вторая строка' WHERE ID = %1")
                .arg(early));
        later = AddStoredTask(QStringLiteral("Встреча с Иваном"),
                              EncodeDateTime(2026, 12, 15, 18, 5, 30, 0), true, false, false,
                              QStringLiteral("Личное"));
        undated = AddStoredTask(QStringLiteral("Прочитать книгу"), 0, false, true);
        due = AddStoredTask(QStringLiteral("Принять лекарство"),
                            EncodeDateTime(2026, 12, 8, 14, 0, 0, 0));
    }
    // The next number the database procedure would give.
    int lastIssuedId() {
        return SqlValue(QStringLiteral("SELECT GEN_ID(SEQ_TASK_ID, 0) FROM RDB$DATABASE")).toInt();
    }
    int early = 0, later = 0, undated = 0, due = 0;
};

TEST_F(TaskEditorTest, NewTaskStartsTodayAtThisMinuteAndIsStoredAtOnce) {
    const int idsBefore = lastIssuedId();
    withEditor([] { key(Qt::Key_Insert); },
               [](TfrmNewTask& e) {
                   EXPECT_EQ(e.windowTitle(), "Новое задание");
                   EXPECT_TRUE(e.chbNeedAlert->isChecked());
                   EXPECT_EQ(e.chbNeedAlert->text(), "Напоминить");
                   EXPECT_TRUE(e.dtpDate->isVisible() && e.dtpTime->isVisible());
                   EXPECT_TRUE(e.lbDate->isVisible() && e.lbTime->isVisible());
                   EXPECT_EQ(e.dtpDate->date(), QDate(2026, 12, 8));
                   EXPECT_EQ(e.dtpTime->time(), QTime(14, 37, 0));
                   EXPECT_EQ(e.dtpDate->text(), "08.12.2026");
                   EXPECT_EQ(e.dtpTime->text(), "14:37:00");
                   // The drop-down month calendar speaks Russian whatever the
                   // system's language.
                   EXPECT_EQ(e.dtpDate->calendarWidget()->locale().standaloneMonthName(12),
                             "декабрь");
                   EXPECT_TRUE(e.edCaption->text().isEmpty());
                   EXPECT_TRUE(e.edCategory->text().isEmpty());
                   EXPECT_TRUE(e.mmDetails->toPlainText().isEmpty());
                   EXPECT_FALSE(e.chbExecuted->isChecked());
                   EXPECT_EQ(QApplication::focusWidget(), e.edCaption);
                   EXPECT_EQ(e.btnOk->text(), "Ok");
                   EXPECT_EQ(e.btnCancel->text(), "Отмена");

                   typeText(e.edCaption, QStringLiteral("Купить подарок к Новому году"));
                   QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                   typeText(QApplication::focusWidget(), QStringLiteral("Дом"));
                   QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // the box
                   QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // the date
                   EXPECT_EQ(QApplication::focusWidget(), e.dtpDate);
                   typeText(e.dtpDate, QStringLiteral("24"));
                   QTest::mouseClick(e.mmDetails->viewport(), Qt::LeftButton);
                   typeText(e.mmDetails, QStringLiteral("ёлочные игрушки\nоткрытки"));
                   clickOk(e);
               });
    EXPECT_FALSE(frmNewTask->isVisible());

    const int id = lastIssuedId();
    EXPECT_EQ(id, idsBefore + 1) << "the number comes from GET_TASK_ID";
    EXPECT_EQ(stored(id, "USER_ID"), "1");
    EXPECT_EQ(stored(id, "CAPTION"), "Купить подарок к Новому году");
    EXPECT_EQ(stored(id, "CATEGORY"), "Дом");
    EXPECT_EQ(stored(id, "NEEDALERT"), "T");
    EXPECT_EQ(storedMoment(id), "2026-12-24 14:37:00.0000");
    EXPECT_EQ(stored(id, "DETAILS"), "ёлочные игрушки\r\nоткрытки");
    EXPECT_EQ(stored(id, "EXECUTED"), "F");
    EXPECT_EQ(stored(id, "NOTIFIED"), "F");

    // The list is rebuilt with the new task chosen.
    ASSERT_EQ(rowCount(), 5);
    EXPECT_EQ(rows()->IdAt(4), id);
    EXPECT_EQ(rowTexts(4), QStringList({"24.12.2026 <Чт>", "14:37", "Купить подарок к Новому году",
                                        "Дом", "<нет>"}));
    EXPECT_EQ(selectedRows(), std::vector<int>{4});
    EXPECT_EQ(currentRow(), 4);
}

TEST_F(TaskEditorTest, NewTaskWithoutReminderAndInThePast) {
    const int idsBefore = lastIssuedId();
    withEditor([] { frmMain->acTaskAdd->trigger(); },
               [](TfrmNewTask& e) {
                   typeText(e.edCaption, QStringLiteral("Когда-нибудь"));
                   tick(e.chbNeedAlert);
                   EXPECT_FALSE(e.chbNeedAlert->isChecked());
                   EXPECT_FALSE(e.dtpDate->isVisible() || e.dtpTime->isVisible());
                   EXPECT_FALSE(e.lbDate->isVisible() || e.lbTime->isVisible());
                   tick(e.chbExecuted);
                   clickOk(e);
               });
    const int noDate = lastIssuedId();
    ASSERT_EQ(noDate, idsBefore + 1);
    EXPECT_EQ(stored(noDate, "NEEDALERT"), "F");
    EXPECT_EQ(storedMoment(noDate), "1899-12-30 00:00:00.0000");
    EXPECT_EQ(stored(noDate, "EXECUTED"), "T");
    EXPECT_EQ(stored(noDate, "DETAILS"), "");
    EXPECT_EQ(rowTexts(rowOf(noDate)), QStringList({"<нет>", "<нет>", "Когда-нибудь", "", "<да>"}));
    EXPECT_LT(rowOf(noDate), 2) << "undated tasks stand first";

    // A moment already past is taken as typed.
    withEditor([] { frmMain->Plan->NewTask(); },
               [](TfrmNewTask& e) {
                   EXPECT_TRUE(e.chbNeedAlert->isChecked()) << "each new task starts with one";
                   EXPECT_TRUE(e.edCaption->text().isEmpty());
                   EXPECT_FALSE(e.chbExecuted->isChecked());
                   typeText(e.edCaption, QStringLiteral("Опоздал"));
                   e.dtpDate->setFocus(Qt::TabFocusReason);
                   typeText(e.dtpDate, QStringLiteral("01"));
                   e.dtpTime->setFocus(Qt::TabFocusReason);
                   typeText(e.dtpTime, QStringLiteral("0805"));
                   clickOk(e);
               });
    const int past = lastIssuedId();
    ASSERT_EQ(past, noDate + 1);
    EXPECT_EQ(storedMoment(past), "2026-12-01 08:05:00.0000");
    EXPECT_EQ(stored(past, "NEEDALERT"), "T");
    EXPECT_EQ(rowTexts(rowOf(past)).mid(0, 3),
              QStringList({"01.12.2026 <Вт>", "08:05", "Опоздал"}));
    EXPECT_EQ(selectedRows(), std::vector<int>{rowOf(past)});
}

TEST_F(TaskEditorTest, CancelEscapeAndCloseBoxStoreNothing) {
    clickRow(1);
    const std::vector<int> listed = listIds();
    const int idsBefore = lastIssuedId();
    const std::vector<std::function<void(TfrmNewTask&)>> ways = {
        [](TfrmNewTask& e) { clickCancel(e); },
        [](TfrmNewTask& e) { QTest::keyClick(e.edCaption, Qt::Key_Escape); },
        [](TfrmNewTask& e) { e.close(); },
    };
    for (const auto& leave : ways) {
        withEditor([] { key(Qt::Key_Insert); },
                   [&](TfrmNewTask& e) {
                       EXPECT_EQ(QApplication::focusWidget(), e.edCaption);
                       typeText(e.edCaption, QStringLiteral("Не нужно"));
                       QTest::mouseClick(e.mmDetails->viewport(), Qt::LeftButton);
                       leave(e);
                   });
        EXPECT_FALSE(frmNewTask->isVisible());
        withEditor([] { key(Qt::Key_F2); },
                   [&](TfrmNewTask& e) {
                       EXPECT_EQ(QApplication::focusWidget(), e.edCaption) << "at every opening";
                       retype(e.edCaption, QStringLiteral("Не сохранять"));
                       tick(e.chbExecuted);
                       leave(e);
                   });
    }
    EXPECT_EQ(storedCount(), 4);
    EXPECT_EQ(lastIssuedId(), idsBefore) << "no number taken";
    EXPECT_EQ(stored(early, "CAPTION"), "Сдать отчёт");
    EXPECT_EQ(stored(early, "EXECUTED"), "F");
    EXPECT_EQ(listIds(), listed);
    EXPECT_EQ(selectedRows(), std::vector<int>{1});
    EXPECT_FALSE(DM->HasUnsentChanges());
}

TEST_F(TaskEditorTest, TrayStaysLiveWhileTheEditorIsOpen) {
    // From the tray, with the main window hidden: the editor comes up in the
    // middle of the screen, in its real modal loop. The tray's menu works
    // over it: a second "Новое задание..." only brings it forward, "Открыть
    // Quillet..." shows the main window under it, "Выход из программы" ends
    // the program with the editor closed as cancelled.
    frmMain->close();
    ASSERT_FALSE(frmMain->isVisible());
    bool centred = false, stillModal = false, keptTexts = false, mainShown = false;
    bool editorOnTop = false;
    {
        ModalAnswers user;
        user.Live([&](QWidget* w) {
            TfrmNewTask& e = *frmNewTask;
            const QPoint middle = QApplication::primaryScreen()->geometry().center();
            centred = (e.frameGeometry().center() - middle).manhattanLength() <= 40;
            typeText(e.edCaption, QStringLiteral("Черновик"));
            tick(e.chbNeedAlert);
            ChooseInTray(frmMain->acTaskNew);
            stillModal = QApplication::activeModalWidget() == w && e.isVisible();
            keptTexts = e.windowTitle() == "Новое задание" && e.edCaption->text() == "Черновик" &&
                        !e.chbNeedAlert->isChecked();
            ChooseInTray(frmMain->acRestorePlanWindow);
            mainShown = frmMain->isVisible();
            editorOnTop = QApplication::activeModalWidget() == w && e.isVisible();
            ChooseInTray(frmMain->acShutDown);
        });
        frmMain->acTaskNew->trigger();
    }
    EXPECT_TRUE(centred);
    EXPECT_TRUE(stillModal) << "a second new task only brings the editor forward";
    EXPECT_TRUE(keptTexts);
    EXPECT_TRUE(mainShown);
    EXPECT_TRUE(editorOnTop);
    EXPECT_TRUE(ProgramEnding());
    EXPECT_FALSE(frmNewTask->isVisible());
    EXPECT_EQ(storedCount(), 4) << "closed as cancelled";
}

TEST_F(TaskEditorTest, KeysOfTheEditorAndTheLengthsTheColumnsHold) {
    withEditor(
        [] { key(Qt::Key_Insert); },
        [](TfrmNewTask& e) {
            // Tab goes on to the next box (through the parts of the date
            // and of the time first).
            auto tabChain = [] {
                std::vector<QWidget*> chain{QApplication::focusWidget()};
                for (int i = 0; i < 8; ++i) {
                    for (int part = 0; part < 4 && QApplication::focusWidget() == chain.back();
                         ++part)
                        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                    chain.push_back(QApplication::focusWidget());
                }
                return chain;
            };
            EXPECT_EQ(tabChain(), (std::vector<QWidget*>{e.edCaption, e.edCategory, e.chbNeedAlert,
                                                         e.dtpDate, e.dtpTime, e.mmDetails,
                                                         e.chbExecuted, e.btnOk, e.btnCancel}));
            tick(e.chbNeedAlert);
            e.edCaption->setFocus(Qt::TabFocusReason);
            EXPECT_EQ(tabChain(), (std::vector<QWidget*>{e.edCaption, e.edCategory, e.chbNeedAlert,
                                                         e.mmDetails, e.chbExecuted, e.btnOk,
                                                         e.btnCancel, e.edCaption, e.edCategory}))
                << "hidden date and time are passed over";

            // The boxes take no more than their columns hold.
            typeText(e.edCaption, QString(105, QChar(u'Ж')));
            EXPECT_EQ(e.edCaption->text(), QString(100, QChar(u'Ж')));
            e.edCategory->setFocus(Qt::TabFocusReason);
            typeText(e.edCategory, QString(55, QChar(u'к')));
            EXPECT_EQ(e.edCategory->text().size(), 50);

            // The details hold 2000 characters, a line break taking
            // two. Pasted text is cut to fit; what was there stays.
            e.mmDetails->setFocus(Qt::TabFocusReason);
            QApplication::clipboard()->setText(QStringLiteral("начало\n") +
                                               QString(1980, QChar(u'д')) +
                                               QStringLiteral("\nконец"));
            QTest::keyClick(e.mmDetails, Qt::Key_V, Qt::ControlModifier);
            const QString full = e.mmDetails->toPlainText();
            EXPECT_EQ(full.size() + full.count(u'\n'), 1995);
            QTest::keyClick(e.mmDetails, Qt::Key_Home, Qt::ControlModifier);
            typeText(e.mmDetails, QStringLiteral("ещё"));
            EXPECT_EQ(e.mmDetails->toPlainText(), QStringLiteral("ещё") + full);
            typeText(e.mmDetails, QStringLiteral("\nи ещё"));
            EXPECT_EQ(e.mmDetails->toPlainText(), QStringLiteral("ещё\n") + full)
                << "a full box takes no more, and keeps its end";
            EXPECT_EQ(e.mmDetails->textCursor().position(), 4) << "the cursor stays";

            // A very long paste is cut at once.
            e.mmDetails->clear();
            typeText(e.mmDetails, QStringLiteral("до"));
            QTest::keyClick(e.mmDetails, Qt::Key_Home);
            QApplication::clipboard()->setText(
                QString(20000, QChar(u'ы')).append(u'\n').repeated(10));
            QElapsedTimer timer;
            timer.start();
            QTest::keyClick(e.mmDetails, Qt::Key_V, Qt::ControlModifier);
            EXPECT_LT(timer.elapsed(), 2000);
            EXPECT_EQ(e.mmDetails->toPlainText(), QString(1998, QChar(u'ы')) + "до");

            // Enter in a line box is OK.
            e.edCategory->setFocus(Qt::TabFocusReason);
            QTest::keyClick(e.edCategory, Qt::Key_Return);
        });
    EXPECT_FALSE(frmNewTask->isVisible());
    const int id = lastIssuedId();
    EXPECT_EQ(stored(id, "CAPTION"), QString(100, QChar(u'Ж')));
    EXPECT_EQ(stored(id, "CATEGORY"), QString(50, QChar(u'к')));
    EXPECT_EQ(stored(id, "DETAILS"), QString(1998, QChar(u'ы')) + "до");
    EXPECT_EQ(stored(id, "NEEDALERT"), "F");
}

TEST_F(TaskEditorTest, EditShowsTheRowAndStoresTheChanges) {
    expectNoWindow([] { key(Qt::Key_F2); });  // nothing chosen

    clickRow(rowOf(early));
    withEditor([] { key(Qt::Key_F2); },
               [](TfrmNewTask& e) {
                   EXPECT_EQ(e.windowTitle(), "Редактировать задание");
                   EXPECT_EQ(e.edCaption->text(), "Сдать отчёт");
                   EXPECT_EQ(e.edCategory->text(), "Работа");
                   EXPECT_EQ(e.mmDetails->toPlainText(), "первая строка\nвторая строка");
                   EXPECT_EQ(e.mmDetails->document()->blockCount(), 2);
                   EXPECT_TRUE(e.chbNeedAlert->isChecked());
                   EXPECT_TRUE(e.dtpDate->isVisible());
                   EXPECT_EQ(e.dtpDate->text(), "08.12.2026");
                   EXPECT_EQ(e.dtpTime->text(), "09:00:00");
                   EXPECT_FALSE(e.chbExecuted->isChecked());
                   EXPECT_EQ(QApplication::focusWidget(), e.edCaption);
                   // Moved on to the 20th: it goes to the end of the list.
                   e.dtpDate->setFocus(Qt::TabFocusReason);
                   typeText(e.dtpDate, QStringLiteral("20"));
                   retype(e.edCategory, QStringLiteral("Работа, срочно"));
                   clickOk(e);
               });
    EXPECT_EQ(storedMoment(early), "2026-12-20 09:00:00.0000");
    EXPECT_EQ(stored(early, "CATEGORY"), "Работа, срочно");
    EXPECT_EQ(stored(early, "CAPTION"), "Сдать отчёт");
    EXPECT_EQ(stored(early, "DETAILS"), "первая строка\r\nвторая строка");
    EXPECT_EQ(stored(early, "NOTIFIED"), "F") << "a saved task may remind again";
    EXPECT_EQ(storedCount(), 4);
    EXPECT_EQ(rowOf(early), 3);
    EXPECT_EQ(selectedRows(), std::vector<int>{rowOf(early)});
    EXPECT_EQ(currentRow(), rowOf(early));

    // Several chosen: the first of them in the list is edited.
    clickRow(2);
    clickRow(1, Qt::ControlModifier);
    const int first = rows()->IdAt(1);
    withEditor([] { frmMain->acTaskEdit->trigger(); },
               [](TfrmNewTask& e) {
                   retype(e.edCaption, QStringLiteral("Первая из двух"));
                   tick(e.chbExecuted);
                   clickOk(e);
               });
    EXPECT_EQ(stored(first, "CAPTION"), "Первая из двух");
    EXPECT_EQ(SqlValue("SELECT COUNT(*) FROM TASK WHERE CAPTION = 'Первая из двух'"), "1");
    EXPECT_EQ(stored(first, "EXECUTED"), "T");
    EXPECT_EQ(selectedRows(), std::vector<int>{rowOf(first)});
}

TEST_F(TaskEditorTest, UnchangedSavesOfUndatedAndOfRemindedTasks) {
    clickRow(rowOf(undated));
    withEditor([] { key(Qt::Key_F2); },
               [](TfrmNewTask& e) {
                   EXPECT_FALSE(e.chbNeedAlert->isChecked());
                   EXPECT_FALSE(e.dtpDate->isVisible());
                   EXPECT_TRUE(e.chbExecuted->isChecked());
                   tick(e.chbNeedAlert);
                   EXPECT_TRUE(e.dtpDate->isVisible() && e.dtpTime->isVisible());
                   EXPECT_EQ(e.dtpDate->text(), "30.12.1899");
                   EXPECT_EQ(e.dtpTime->text(), "00:00:00");
                   clickOk(e);
               });
    EXPECT_EQ(stored(undated, "NEEDALERT"), "T");
    EXPECT_EQ(storedMoment(undated), "1899-12-30 00:00:00.0000");
    EXPECT_EQ(stored(undated, "EXECUTED"), "T");

    // An overdue task whose reminder has come: saved as it is, it may
    // remind again.
    ASSERT_EQ(stored(early, "NOTIFIED"), "T");
    withEditor([&] { doubleClickAt(rowCentre(rowOf(early))); },
               [](TfrmNewTask& e) {
                   EXPECT_EQ(e.edCaption->text(), "Сдать отчёт");
                   clickOk(e);
               });
    EXPECT_EQ(stored(early, "NOTIFIED"), "F");
    EXPECT_EQ(storedMoment(early), "2026-12-08 09:00:00.0000");
    EXPECT_EQ(stored(early, "NEEDALERT"), "T");
    EXPECT_EQ(stored(early, "CATEGORY"), "Работа");
}

TEST_F(TaskEditorTest, TicksWhileTheEditorIsOpenDoNotMoveTheSave) {
    // While a task is edited, the due task's reminder comes up over the
    // editor and is answered; then a tick changes another task.
    auto tickChanging = [](int id, const QString& caption) {
        QTimer::singleShot(0, [=] {
            TMemTable& t = DM->cdsTask;
            ASSERT_TRUE(t.Locate(id));
            t.Edit();
            t.FieldByName(QStringLiteral("CAPTION")).SetString(caption);
            t.Post();
            DM->ApplyTable(t);
        });
        Pump(30);
    };
    // The reminder comes from the real timer, nested in the editor's loop.
    QString notice;
    bool onTop = false;
    clickRow(rowOf(later));
    {
        ModalAnswers user;
        QPointer<QWidget> editor;
        user.Live([&](QWidget* w) {
                editor = w;
                retype(frmNewTask->edCaption, QStringLiteral("Встреча с Иваном в кафе"));
                SetTimerPeriod(frmMain->TimerNotify, 100);
                frmMain->TimerNotify->start();
            })
            .Live([&](QWidget* w) {
                auto* n = qobject_cast<TfrmNotify*>(w);
                ASSERT_NE(n, nullptr) << "the reminder window";
                frmMain->TimerNotify->stop();
                notice = n->Memo->toPlainText();
                onTop = QApplication::activeModalWidget() == w && editor && editor->isVisible();
                QTest::mouseClick(n->btnOk, Qt::LeftButton);
                QTimer::singleShot(0, qApp, [&] {
                    TfrmNewTask& e = *frmNewTask;
                    tickChanging(early, QStringLiteral("Сдать отчёт вовремя"));
                    EXPECT_EQ(e.edCaption->text(), "Встреча с Иваном в кафе");
                    clickOk(e);
                });
            });
        key(Qt::Key_F2);
        Pump();
    }
    EXPECT_TRUE(onTop) << "the reminder opens on top of the editor";
    EXPECT_TRUE(notice.contains(QStringLiteral("Принять лекарство")));
    EXPECT_EQ(stored(later, "CAPTION"), "Встреча с Иваном в кафе");
    EXPECT_EQ(storedMoment(later), "2026-12-15 18:05:30.0000");
    EXPECT_EQ(stored(later, "CATEGORY"), "Личное");
    EXPECT_EQ(stored(due, "CAPTION"), "Принять лекарство");
    EXPECT_EQ(stored(due, "NOTIFIED"), "T");
    EXPECT_EQ(stored(due, "CATEGORY"), "");
    EXPECT_EQ(stored(early, "CAPTION"), "Сдать отчёт вовремя");
    EXPECT_EQ(stored(early, "CATEGORY"), "Работа");
    EXPECT_EQ(selectedRows(), std::vector<int>{rowOf(later)});

    // The same for a new task: it becomes a row of its own.
    withEditor([] { key(Qt::Key_Insert); },
               [&](TfrmNewTask& e) {
                   typeText(e.edCaption, QStringLiteral("Новое среди тиков"));
                   tickChanging(due, QStringLiteral("Принять лекарство вечером"));
                   clickOk(e);
               });
    EXPECT_EQ(storedCount(), 5);
    EXPECT_EQ(stored(due, "CAPTION"), "Принять лекарство вечером");
    EXPECT_EQ(SqlValue("SELECT COUNT(*) FROM TASK WHERE CAPTION = 'Новое среди тиков'"), "1");
    EXPECT_EQ(stored(later, "CAPTION"), "Встреча с Иваном в кафе");
    EXPECT_EQ(stored(early, "CAPTION"), "Сдать отчёт вовремя");
}

}  // namespace

namespace {

// Tasks written by other tools or by an earlier version, with values the
// editor's controls cannot show exactly.
class UnchangedSaveTest : public PlanTest {
  protected:
    struct Stored {
        int id;
        const char* values;  // NEEDALERT, DATETIME, CAPTION, DETAILS, EXECUTED
    };
    static constexpr Stored Rows[] = {
        {501, "'T', '0001-01-01 08:30:00', 'Год первый', 'a', 'F'"},
        {502, "'T', '1700-05-05 10:00:00.1230', 'До 1753 года', 'b', 'F'"},
        {503, "'T', '2026-12-08 23:59:59.9990', 'Последняя миллисекунда', 'c', 'F'"},
        {504, "'Y', '2026-12-09 10:00', 'Флаги чужой программы', '', 't'"},
        {505,
         "'F', '1899-12-30', 'Длинные подробности', "
         "(SELECT LIST(x, ASCII_CHAR(10)) FROM (SELECT LPAD('', 199, 'д') x FROM RDB$TYPES "
         "ROWS 10)), 'F'"},
        {506,
         "'F', '1899-12-30', 'Полные подробности', "
         "(SELECT LIST(x, ASCII_CHAR(10)) || ASCII_CHAR(10) FROM (SELECT LPAD('', 199, 'ж') x "
         "FROM RDB$TYPES ROWS 10)), 'F'"},
    };
    void AddTasks() override {
        for (const Stored& r : Rows)
            Sql(QStringLiteral("INSERT INTO TASK (ID, USER_ID, NEEDALERT, DATETIME, CAPTION, "
                               "DETAILS, EXECUTED, NOTIFIED) VALUES (%1, 1, %2, 'F')")
                    .arg(r.id)
                    .arg(QString::fromUtf8(r.values)));
    }
    QString row(int id) {
        return SqlValue(
            QStringLiteral("SELECT NEEDALERT || '|' || CAST(DATETIME AS VARCHAR(30)) || '|' || "
                           "CAPTION || '|' || COALESCE(CATEGORY, '<null>') || '|' || EXECUTED || "
                           "'|' || NOTIFIED || "
                           "'|' || CHAR_LENGTH(DETAILS) || '|' || DETAILS FROM TASK WHERE ID = %1")
                .arg(id));
    }
    void edit(int id, const std::function<void(TfrmNewTask&)>& user) {
        clickRow(rowOf(id));
        withEditor([] { key(Qt::Key_F2); }, user);
    }
};

}  // namespace

TEST_F(UnchangedSaveTest, OkOnAnUnchangedTaskChangesNothingStored) {
    ASSERT_EQ(row(505).section(u'|', 6, 6), "1999") << "1990 letters and 9 bare line feeds";
    ASSERT_EQ(row(506).section(u'|', 6, 6), "2000") << "a full column with bare line feeds";
    for (const Stored& r : Rows) {
        SCOPED_TRACE(r.id);
        const QString before = row(r.id);
        edit(r.id, [](TfrmNewTask& e) { clickOk(e); });
        EXPECT_EQ(row(r.id), before);
    }
    EXPECT_FALSE(DM->HasUnsentChanges());
}

TEST_F(UnchangedSaveTest, WhatTheUserChangesIsStoredAndTheRestStays) {
    // Only the time: the early date stays, the new time has no milliseconds.
    edit(502, [](TfrmNewTask& e) {
        EXPECT_EQ(e.dtpDate->date(), QDate(1700, 5, 5));
        e.dtpTime->setFocus(Qt::TabFocusReason);
        typeText(e.dtpTime, QStringLiteral("11"));
        clickOk(e);
    });
    EXPECT_EQ(storedMoment(502), "1700-05-05 11:00:00.0000");
    // Only the date of the last millisecond: its time stays whole.
    edit(503, [](TfrmNewTask& e) {
        e.dtpDate->setFocus(Qt::TabFocusReason);
        typeText(e.dtpDate, QStringLiteral("20"));
        clickOk(e);
    });
    EXPECT_EQ(storedMoment(503), "2026-12-20 23:59:59.9990");
    // Details with bare line feeds: edited, they keep them, and the box
    // counts them as the column stores them (one character each).
    edit(505, [](TfrmNewTask& e) {
        e.mmDetails->setFocus(Qt::TabFocusReason);
        QTest::keyClick(e.mmDetails, Qt::Key_End, Qt::ControlModifier);
        typeText(e.mmDetails, QStringLiteral("\nещё"));
        clickOk(e);
    });
    const QString details = stored(505, "DETAILS");
    EXPECT_EQ(details.size(), 2000) << "a full column takes one more character, no more";
    EXPECT_EQ(details.count(u'\n'), 10);
    EXPECT_FALSE(details.contains(u'\r'));
    EXPECT_TRUE(details.endsWith(QStringLiteral("\n")));
}

TEST_F(UnchangedSaveTest, CharactersTheDatabaseCannotHoldAreNotTaken) {
    edit(504, [](TfrmNewTask& e) {
        e.edCaption->setFocus(Qt::TabFocusReason);
        QTest::keyClick(e.edCaption, Qt::Key_End);
        typeText(e.edCaption, QStringLiteral(" 漢€✓"));
        EXPECT_EQ(e.edCaption->text(), QStringLiteral("Флаги чужой программы €"));
        e.mmDetails->setFocus(Qt::TabFocusReason);
        typeText(e.mmDetails, QStringLiteral("№1 漢 ✓ «ok» 😀"));
        QApplication::clipboard()->setText(QStringLiteral(" ∑ и ещё"));
        QTest::keyClick(e.mmDetails, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(e.mmDetails->toPlainText(), QStringLiteral("№1   «ok»   и ещё"));
        clickOk(e);
    });
    EXPECT_EQ(stored(504, "CAPTION"), "Флаги чужой программы €");
    EXPECT_EQ(stored(504, "DETAILS"), "№1   «ok»   и ещё");
    EXPECT_FALSE(stored(504, "DETAILS").contains(u'?'));
}

TEST_F(UnchangedSaveTest, APasteKeepsWhatCanBeStoredAndNamesWhatWasLeftOut) {
    edit(504, [](TfrmNewTask& e) {
        const struct {
            QLineEdit* box;
            QString paste;
            QString shown, named;
        } cases[] = {
            {e.edCaption, QStringLiteral(" и 漢 ✓ ещё"),
             QStringLiteral("Флаги чужой программы и   ещё"), QStringLiteral("漢 ✓")},
            {e.edCategory, QStringLiteral("😀Дом"), QStringLiteral("Дом"), QStringLiteral("😀")},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.paste.toStdString());
            QToolTip::hideText();
            c.box->setFocus(Qt::TabFocusReason);
            QTest::keyClick(c.box, Qt::Key_End);
            QApplication::clipboard()->setText(c.paste);
            QTest::keyClick(c.box, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(c.box->text(), c.shown);
            EXPECT_TRUE(QToolTip::text().endsWith(c.named)) << QToolTip::text().toStdString();
        }
        QToolTip::hideText();
        e.mmDetails->setFocus(Qt::TabFocusReason);
        QApplication::clipboard()->setText(QStringLiteral("∑ и ∞"));
        QTest::keyClick(e.mmDetails, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(e.mmDetails->toPlainText(), QStringLiteral(" и "));
        EXPECT_TRUE(QToolTip::text().endsWith(QStringLiteral("∑ ∞"))) << "the details box too";
        clickOk(e);
    });
    EXPECT_EQ(stored(504, "CAPTION"), "Флаги чужой программы и   ещё");
}
