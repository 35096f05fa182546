// Two copies of the program syncing through one Radicale server converge:
// added, changed and deleted rows, a row changed on both sides, changes
// made while the server was away, items put there by another program, and
// rounds cut short anywhere.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QThread>

#include "core/DateTime.h"
#include "sync/SyncRunner.h"
#include "sync/WholeUpload.h"
#include "tests/support/RadicaleServer.h"
#include "tests/sync/SyncTestSupport.h"

namespace {

TaskItem task(const QString& caption, bool alert = false, TDateTime when = 0) {
    TaskItem t;
    t.caption = caption;
    t.category = QStringLiteral("Работа");
    t.details = QStringLiteral("первая строка\r\nвторая");
    t.needAlert = alert;
    t.when = when;
    return t;
}

EventItem event(const QString& caption, TDateTime date, int vid = 1) {
    EventItem e;
    e.caption = caption;
    e.comment = QStringLiteral("подарок");
    e.date = date;
    e.vid = vid;
    e.category = 2;
    return e;
}

int countCaption(const std::vector<TaskItem>& tasks, const QString& part) {
    return int(std::count_if(tasks.begin(), tasks.end(),
                             [&](const TaskItem& t) { return t.caption.contains(part); }));
}

class ConvergenceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(server_.Start(error)) << error.toStdString();
        events_ = server_.MakeCalendar(QStringLiteral("events"), QStringLiteral("События"),
                                       {QStringLiteral("VEVENT")});
        tasks_ = server_.MakeCalendar(QStringLiteral("tasks"), QStringLiteral("Задачи"),
                                      {QStringLiteral("VTODO")});
        ASSERT_FALSE(events_.isEmpty());
        ASSERT_FALSE(tasks_.isEmpty());
        a_ = std::make_unique<SyncDevice>(server_.Account(), Target());
        b_ = std::make_unique<SyncDevice>(server_.Account(), Target());
    }
    SyncTarget Target() const {
        SyncTarget t;
        t.events = server_.Url().resolved(QUrl(events_.path()));
        t.tasks = server_.Url().resolved(QUrl(tasks_.path()));
        return t;
    }
    // Rounds until both have said what they had and heard the other.
    void SyncBoth() {
        for (SyncDevice* d : {a_.get(), b_.get(), a_.get()}) {
            const CalDavResult r = d->Sync();
            ASSERT_TRUE(r.ok()) << r.message.toStdString();
        }
    }

    RadicaleServer server_;
    QUrl events_, tasks_;
    std::unique_ptr<SyncDevice> a_, b_;
};

TEST_F(ConvergenceTest, AddChangeDeleteBothWays) {
    const int call = a_->AddTask(
        task(QStringLiteral("Позвонить маме"), true, EncodeDateTime(2028, 2, 29, 9, 30, 0, 0)));
    a_->AddTask(task(QStringLiteral("Купить хлеб")));
    const int leap =
        a_->AddEvent(event(QStringLiteral("День рождения Фёдора"), EncodeDate(2000, 2, 29)));
    b_->AddEvent(event(QStringLiteral("Годовщина"), EncodeDate(1999, 6, 1), 2));
    SyncBoth();
    ASSERT_EQ(b_->Content(), a_->Content());
    EXPECT_EQ(a_->Events().size(), 2u);
    EXPECT_EQ(b_->Tasks().size(), 2u);

    a_->Set(a_->dm.cdsTask, call, "CAPTION", Value::FromText(QStringLiteral("Позвонить папе")));
    a_->Delete(a_->dm.cdsBirth, leap);
    SyncBoth();
    EXPECT_EQ(b_->Content(), a_->Content());
    EXPECT_EQ(countCaption(b_->Tasks(), QStringLiteral("папе")), 1);
    EXPECT_EQ(b_->Events().size(), 1u);

    // And back the other way: a change and a delete made on B.
    const std::vector<TaskItem> onB = b_->Tasks();
    for (const TaskItem& t : onB) {
        if (t.caption.contains(QStringLiteral("хлеб")))
            b_->Delete(b_->dm.cdsTask, t.id);
        else
            b_->Set(b_->dm.cdsTask, t.id, "DETAILS", Value::FromText(QStringLiteral("ёж")));
    }
    SyncBoth();
    EXPECT_EQ(a_->Content(), b_->Content());
    ASSERT_EQ(a_->Tasks().size(), 1u);
    EXPECT_EQ(a_->Tasks()[0].details, QStringLiteral("ёж"));
}

TEST_F(ConvergenceTest, ChangedOnBothSidesTheServerWinsAndTheOtherIsKept) {
    const int id = a_->AddTask(task(QStringLiteral("Отчёт")));
    SyncBoth();
    const int onB = b_->Tasks().at(0).id;
    a_->Set(a_->dm.cdsTask, id, "CAPTION", Value::FromText(QStringLiteral("Отчёт за май")));
    b_->Set(b_->dm.cdsTask, onB, "CAPTION", Value::FromText(QStringLiteral("Отчёт за июнь")));
    SyncBoth();
    ASSERT_TRUE(b_->Sync().ok());  // B's copy reaches A at A's next round
    ASSERT_TRUE(a_->Sync().ok());
    EXPECT_EQ(a_->Content(), b_->Content());
    const std::vector<TaskItem> tasks = a_->Tasks();
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(countCaption(tasks, QStringLiteral("Отчёт за май")), 1);
    EXPECT_EQ(countCaption(tasks, QStringLiteral("Отчёт за июнь (конфликт)")), 1);
}

TEST_F(ConvergenceTest, ChangesMadeWhileTheServerWasAwayGoWhenItIsBack) {
    const int id = a_->AddTask(task(QStringLiteral("Первое")));
    SyncBoth();
    server_.Stop();
    a_->Set(a_->dm.cdsTask, id, "EXECUTED", Value::FromText(QStringLiteral("T")));
    b_->AddEvent(event(QStringLiteral("Новое событие"), EncodeDate(2024, 2, 29)));
    EXPECT_EQ(a_->Sync().kind, CalDavResult::Unreachable);
    EXPECT_EQ(b_->Sync().kind, CalDavResult::Unreachable);
    QString error;
    ASSERT_TRUE(server_.Start(error)) << error.toStdString();
    a_->Restart(server_.Account(), Target());
    b_->Restart(server_.Account(), Target());
    SyncBoth();
    EXPECT_EQ(a_->Content(), b_->Content());
    EXPECT_TRUE(b_->Tasks().at(0).executed);
    ASSERT_EQ(a_->Events().size(), 1u);
    EXPECT_EQ(a_->Events()[0].date, EncodeDate(2024, 2, 29));
}

// A reminder given, a task done or postponed on one copy does not come
// again on the other after its next round.
TEST_F(ConvergenceTest, RemindersAnsweredElsewhereDoNotComeAgain) {
    const TDateTime past = EncodeDateTime(2020, 1, 1, 8, 0, 0, 0);
    const int given = a_->AddTask(task(QStringLiteral("Дано"), true, past));
    const int done = a_->AddTask(task(QStringLiteral("Сделано"), true, past));
    const int later = a_->AddTask(task(QStringLiteral("Отложено"), true, past));
    SyncBoth();
    const TDateTime postponed = EncodeDateTime(2031, 5, 5, 10, 15, 0, 0);
    a_->Set(a_->dm.cdsTask, given, "NOTIFIED", Value::FromText(QStringLiteral("T")));
    a_->Set(a_->dm.cdsTask, done, "EXECUTED", Value::FromText(QStringLiteral("T")));
    a_->Set(a_->dm.cdsTask, later, "DATETIME", Value::FromFloat(postponed));
    SyncBoth();
    for (const TaskItem& t : b_->Tasks()) {
        const bool due = t.needAlert && !t.notified && !t.executed && t.when <= past + 1;
        EXPECT_FALSE(due) << t.caption.toStdString();
    }
    EXPECT_EQ(countCaption(b_->Tasks(), QStringLiteral("Отложено")), 1);
    EXPECT_EQ(a_->Content(), b_->Content());
}

TEST_F(ConvergenceTest, ACalendarFilledByAnotherProgramComesInWhole) {
    CalDavClient phone(server_.Account());
    const struct {
        QUrl calendar;
        const char* name;
        const char* component;
    } items[] = {
        {events_, "bday",
         "BEGIN:VEVENT\r\nUID:bday-1\r\nDTSTAMP:20240101T000000Z\r\n"
         "DTSTART;VALUE=DATE:19840229\r\nRRULE:FREQ=YEARLY\r\n"
         "SUMMARY:Рождение Ивана\r\nCATEGORIES:Birthday\r\nEND:VEVENT\r\n"},
        {tasks_, "todo",
         "BEGIN:VTODO\r\nUID:todo-1\r\nDTSTAMP:20240101T000000Z\r\n"
         "SUMMARY:Полить цветы\r\nSTATUS:COMPLETED\r\nEND:VTODO\r\n"},
        {tasks_, "alarm",
         "BEGIN:VTODO\r\nUID:todo-2\r\nDTSTAMP:20240101T000000Z\r\n"
         "DUE:20270301T120000\r\nSUMMARY:Сдать отчёт\r\nBEGIN:VALARM\r\n"
         "ACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER;RELATED=END:PT0S\r\n"
         "END:VALARM\r\nEND:VTODO\r\n"},
    };
    for (const auto& i : items) {
        const QByteArray ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//EN\r\n" +
                               QByteArray(i.component) + "END:VCALENDAR\r\n";
        QString etag;
        const CalDavResult r =
            phone.Put(i.calendar.path() + QLatin1String(i.name) + ".ics", ics, {}, etag);
        ASSERT_TRUE(r.ok()) << r.message.toStdString();
    }
    SyncBoth();
    ASSERT_EQ(a_->Events().size(), 1u);
    EXPECT_EQ(a_->Events()[0].vid, 1);
    EXPECT_EQ(a_->Events()[0].date, EncodeDate(1984, 2, 29));
    const std::vector<TaskItem> tasks = a_->Tasks();
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(countCaption(tasks, QStringLiteral("Полить цветы")), 1);
    for (const TaskItem& t : tasks) {
        if (t.caption == QStringLiteral("Сдать отчёт")) {
            EXPECT_EQ(t.when, EncodeDateTime(2027, 3, 1, 12, 0, 0, 0));
        }
    }
    EXPECT_EQ(a_->Content(), b_->Content());
}

// The program killed at any point of a round: the next start finishes it
// and neither doubles a row nor takes its own change for a conflict.
TEST_F(ConvergenceTest, RoundsCutShortDoubleNothing) {
    for (int cut : {1, 2}) {
        SCOPED_TRACE(cut);
        a_->AddTask(task(QStringLiteral("Задача %1").arg(cut)));
        a_->AddEvent(event(QStringLiteral("Событие %1").arg(cut), EncodeDate(2001, 3, cut)));
        ASSERT_TRUE(a_->Sync().ok());
        ASSERT_TRUE(b_->Sync(cut).ok());
        b_->Restart(server_.Account(), Target());
        SyncBoth();
        EXPECT_EQ(a_->Content(), b_->Content());
        EXPECT_EQ(b_->Tasks().size(), size_t(cut));
        EXPECT_EQ(countCaption(b_->Tasks(), QStringLiteral("конфликт")), 0);
    }
}

// The links lost (a new account, a restored database): the rows go out to
// the same addresses, so the server holds each once.
TEST_F(ConvergenceTest, LinksLostDoubleNothing) {
    a_->AddTask(task(QStringLiteral("Одна")));
    a_->AddEvent(event(QStringLiteral("Одно"), EncodeDate(2010, 10, 10)));
    SyncBoth();
    a_->Links().Reset(QStringLiteral("another"));
    a_->Restart(server_.Account(), Target());
    SyncBoth();
    EXPECT_EQ(a_->Tasks().size(), 1u);
    EXPECT_EQ(b_->Events().size(), 1u);
    EXPECT_EQ(a_->Content(), b_->Content());
}

// Many new rows go to an empty calendar as one whole calendar, which
// keeps its name, components and colour; to a calendar that holds an item
// they go one by one. Killed before the answers were stored, the next
// round finds every row where it went.
TEST_F(ConvergenceTest, ManyNewRowsFillAnEmptyCalendarAtOnce) {
    b_->AddTask(task(QStringLiteral("Уже там")));
    ASSERT_TRUE(b_->Sync().ok());
    const int n = int(kWholeUploadMin) + 10;
    for (int i = 0; i < n; ++i) {
        a_->AddTask(task(QStringLiteral("Задача %1").arg(i)));
        a_->AddEvent(event(QStringLiteral("Событие %1").arg(i), EncodeDate(2001, 1, 1) + i));
    }
    ASSERT_TRUE(a_->Sync().ok());
    CalDavClient client(server_.Account());
    CalDavCollection events, tasks;
    ASSERT_TRUE(client.Inspect(Target().events, events).ok());
    ASSERT_TRUE(client.Inspect(Target().tasks, tasks).ok());
    EXPECT_EQ(events.items, n);
    EXPECT_EQ(tasks.items, n + 1);
    EXPECT_EQ(events.displayName, QStringLiteral("События"));
    EXPECT_EQ(events.components, QStringList{QStringLiteral("VEVENT")});
    const std::pair<QString, QString> colour{
        QStringLiteral("{http://apple.com/ns/ical/}calendar-color"), QStringLiteral("#2A7AB0FF")};
    EXPECT_EQ(events.settable, (std::vector<std::pair<QString, QString>>{colour}));

    // As if killed after the write: the links still under way, no token.
    std::vector<SyncLink> links = a_->Links().Load();
    for (SyncLink& l : links) {
        l.pending = SyncLink::Pending::Push;
        l.pendHash = l.hash;
        l.etag.clear();
    }
    a_->Links().Store(links);
    for (const QUrl& c : {Target().events, Target().tasks})
        a_->Links().SetToken(c.path(), QString());
    a_->Restart(server_.Account(), Target());
    SyncBoth();
    EXPECT_EQ(a_->Tasks().size(), size_t(n + 1));
    EXPECT_EQ(b_->Events().size(), size_t(n));
    EXPECT_EQ(a_->Content(), b_->Content());
    ASSERT_TRUE(client.Inspect(Target().events, events).ok());
    EXPECT_EQ(events.items, n);

    // A calendar changed since it was looked at is not replaced.
    CalDavCollection stale = events;
    stale.etag = QStringLiteral("\"old\"");
    const CalDavResult refused = client.PutWhole(Target().events, "BEGIN:VCALENDAR\r\n", stale);
    EXPECT_EQ(WholeStepOf(refused), WholeStep::OneByOne) << refused.message.toStdString();
    ASSERT_TRUE(client.Inspect(Target().events, events).ok());
    EXPECT_EQ(events.items, n);
}

// A calendar whose date is still the one kept is not listed again; a
// change there moves the date, and the next round brings it.
TEST_F(ConvergenceTest, AnUnchangedCalendarIsNotListedAndAChangeStillComes) {
    a_->AddTask(task(QStringLiteral("Первая")));
    SyncBoth();
    QThread::msleep(2100);  // the calendar's date well in the past
    ASSERT_TRUE(a_->Sync().ok());
    const QString path = Target().tasks.path();
    EXPECT_FALSE(a_->Links().Stamp(path).isEmpty());
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(a_->Sync().ok());  // nothing to list
        const TaskItem onB = b_->Tasks().at(0);
        b_->Set(b_->dm.cdsTask, onB.id, "CAPTION", Value::FromText(QString::number(round)));
        ASSERT_TRUE(b_->Sync().ok());
        ASSERT_TRUE(a_->Sync().ok());
        EXPECT_EQ(a_->Tasks().at(0).caption, QString::number(round));
    }
}

// The program's way: the round on the runner's thread, the rows put into
// the tables on this one, a failure told in words without the password.
TEST_F(ConvergenceTest, TheRunnerBringsRowsInAndTellsFailures) {
    for (int i = 0; i < 5; ++i)
        a_->AddTask(task(QStringLiteral("Из первой копии %1").arg(i)));
    ASSERT_TRUE(a_->Sync().ok());
    TSyncRunner runner(b_->dm, b_->Address(), [] {
        ExportSettings s;
        s.identity = QStringLiteral("b");
        return s;
    });
    runner.applyPart = 2;  // the rows come in over three turns of the event loop
    QSignalSpy redrawn(&runner, &TSyncRunner::TablesChanged);
    QSignalSpy ended(&runner, &TSyncRunner::RoundEnded);
    QString status;
    QObject::connect(&runner, &TSyncRunner::StatusChanged,
                     [&](const QString& text) { status = text; });
    SyncConfig c;
    c.enabled = true;
    c.account = server_.Account();
    c.target = Target();
    runner.Configure(c);
    runner.SyncNow();
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_TRUE(ended[0][0].toBool());
    EXPECT_EQ(redrawn.size(), 1);
    EXPECT_EQ(countCaption(b_->Tasks(), QStringLiteral("Из первой")), 5);
    EXPECT_EQ(b_->Content(), a_->Content());

    server_.Stop();
    runner.SyncNow();
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_FALSE(ended[1][0].toBool());
    EXPECT_TRUE(status.contains(QStringLiteral("недоступен"))) << status.toStdString();
    EXPECT_FALSE(status.contains(RadicaleServer::Password()));
}

}  // namespace
