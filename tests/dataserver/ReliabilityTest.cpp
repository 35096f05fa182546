// Nothing typed is lost when the server goes away: the real program, as a
// process of its own, gets new tasks and edits typed while the real server
// is stopped, and is then killed or asked to end by a signal; the next
// start with the server back sends everything, once. These tests stop the
// shared server, so they run alone; each outage lasts a few seconds.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <csignal>

#include "data/FbClient.h"
#include "data/Journal.h"
#include "tests/support/ProgramProcess.h"
#include "tests/support/ServerSwitch.h"
#include "tests/support/TestDb.h"

namespace {

qint64 number(const TestDb& db, const QString& sql) {
    FbConnection c;
    c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
    auto tr = c.Begin();
    return c.Query(*tr, sql).rows[0][0].toInt();
}

void exec(const TestDb& db, const QString& sql) {
    FbConnection c;
    c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
    auto tr = c.Begin();
    c.Execute(*tr, sql);
    tr->Commit();
}

}  // namespace

TEST(Reliability, ChangesTypedWithoutTheServerReachItAfterTheProgramEnds) {
    struct Case {
        const char* end;
        int signal;
    };
    const Case cases[] = {{"kill -9", SIGKILL}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}};
    constexpr int N = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.end);
        TestDb db;
        for (int i = 1; i <= N; ++i)
            exec(db, QString("INSERT INTO TASK (ID, USER_ID, CAPTION, NEEDALERT, DATETIME) "
                             "VALUES (%1, 1, 'Было %1', 'F', '1899-12-30')")
                         .arg(i));
        const QString journal = JournalPathFor(db.dbPath());
        ProgramProcess program(db);
        ASSERT_TRUE(program.Start());
        double typing = 0, ending = 0;
        int code = 0;
        {
            ServerBack back;
            SwitchServer("stop");
            QElapsedTimer timer;
            timer.start();
            for (int i = 1; i <= N; ++i)
                EXPECT_EQ(program.Ask(QString("new Новая задача %1").arg(i)), "ok");
            for (int i = 1; i <= N; ++i)
                EXPECT_EQ(program.Ask(QString("edit %1 Правка %1").arg(i)), "ok");
            typing = timer.elapsed() / 1000.0;
            EXPECT_EQ(program.Ask("state"), "unsent 1 away 1");
            EXPECT_EQ(program.Ask("messages"), "") << "no box takes the keys";
            const QString told = program.Ask("unsent");
            EXPECT_TRUE(told.contains("Сервер базы данных не отвечает")) << told.toStdString();
            EXPECT_TRUE(told.contains(QRegularExpression(
                "network|connection", QRegularExpression::CaseInsensitiveOption)))
                << "the server's own text: " << told.toStdString();
            EXPECT_EQ(told.count("Сервер базы данных не отвечает"), 1) << "told once";
            const JournalContents kept = TJournal(journal).Read();
            EXPECT_EQ(kept.rows.size(), size_t(2 * N)) << "the journal holds every change";
            EXPECT_FALSE(QFileInfo(journal).permissions() &
                         (QFileDevice::ReadGroup | QFileDevice::ReadOther));
            timer.restart();
            program.Signal(c.signal);
            code = program.WaitForEnd(10000);
            ending = timer.elapsed() / 1000.0;
            EXPECT_EQ(TJournal(journal).Read().rows.size(), size_t(2 * N));
        }
        if (c.signal == SIGKILL) {
            EXPECT_EQ(code, -2);
        } else {
            EXPECT_EQ(code, 0) << "ended as by its exit command";
            EXPECT_LT(ending, 5.0);
        }

        ProgramProcess again(db);
        ASSERT_TRUE(again.Start());
        EXPECT_EQ(again.Ask("state"), "unsent 0 away 0");
        again.Tell("exit");
        EXPECT_EQ(again.WaitForEnd(10000), 0);
        EXPECT_FALSE(QFile::exists(journal));

        const qint64 added = number(db, "SELECT COUNT(*) FROM TASK WHERE CAPTION STARTING 'Новая'");
        const qint64 distinct =
            number(db, "SELECT COUNT(DISTINCT CAPTION) FROM TASK WHERE CAPTION STARTING 'Новая'");
        const qint64 edited =
            number(db, "SELECT COUNT(*) FROM TASK WHERE CAPTION = 'Правка ' || ID");
        const qint64 total = number(db, "SELECT COUNT(*) FROM TASK");
        EXPECT_EQ(added, N);
        EXPECT_EQ(distinct, N) << "none twice";
        EXPECT_EQ(edited, N);
        EXPECT_EQ(total, 2 * N);
        EXPECT_EQ(number(db, "SELECT COUNT(*) FROM TASK WHERE ID < 0"), 0);
        std::printf(
            "[ counts ] %-7s: %lld of %d new tasks and %lld of %d edits stored, %lld rows in "
            "all (%lld twice); %d changes typed in %.2f s without the server; ended in %.2f s\n",
            c.end, static_cast<long long>(added), N, static_cast<long long>(edited), N,
            static_cast<long long>(total), static_cast<long long>(added - distinct), 2 * N, typing,
            ending);
    }
}

TEST(Reliability, NotesTypedWithoutTheServerRaiseNoBoxAndReachItAfterSigterm) {
    TestDb db;
    const QString journal = JournalPathFor(db.dbPath());
    ProgramProcess program(db);
    ASSERT_TRUE(program.Start());
    {
        ServerBack back;
        SwitchServer("stop");
        EXPECT_EQ(program.Ask("notes Написано без сервера"), "ok");
        // The store comes a few seconds after the typing stops.
        QElapsedTimer timer;
        timer.start();
        QString told;
        while (told.isEmpty() && timer.elapsed() < 15000) {
            QThread::msleep(100);
            told = program.Ask("unsent");
        }
        EXPECT_TRUE(told.contains("Сервер базы данных не отвечает")) << told.toStdString();
        EXPECT_TRUE(told.contains("журнале")) << told.toStdString();
        EXPECT_EQ(program.Ask("notes , и ещё"), "ok") << "the keys still go to the notes";
        EXPECT_EQ(program.Ask("messages"), "") << "no box was raised";
        timer.restart();
        program.Signal(SIGTERM);
        EXPECT_EQ(program.WaitForEnd(10000), 0);
        EXPECT_LT(timer.elapsed(), 5000) << "nothing waits on a box";
        EXPECT_FALSE(TJournal(journal).Read().rows.empty());
    }
    ProgramProcess again(db);
    ASSERT_TRUE(again.Start());
    again.Tell("exit");
    EXPECT_EQ(again.WaitForEnd(10000), 0);
    FbConnection c;
    c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
    auto tr = c.Begin();
    const QueryResult r = c.Query(*tr, "SELECT TEXT FROM NOTE");
    ASSERT_EQ(r.rows.size(), 1u);
    const QByteArray rtf = r.rows[0][0].toBytes();
    EXPECT_TRUE(rtf.contains("u1053") && rtf.contains("u1105"))
        << "\"Н\" typed first and \"ё\" typed last: " << rtf.constData();
}

TEST(Reliability, ChangeHeldUpByTheDatabaseSurvivesAKillDuringItsSend) {
    struct Case {
        const char* what;
        const char* hold;  // another connection's statement, left uncommitted
        const char* command;
        const char* stored;  // counted once the program is back
    };
    const Case cases[] = {
        {"an edit of a row another connection holds",
         "UPDATE TASK SET CATEGORY = 'чужая' WHERE ID = 1", "edit 1 Правка",
         "SELECT COUNT(*) FROM TASK WHERE ID = 1 AND CAPTION = 'Правка'"},
        {"a new task whose number another connection is inserting",
         "INSERT INTO TASK (ID, USER_ID, CAPTION) "
         "SELECT GEN_ID(SEQ_TASK_ID, 0) + 1, 2, 'чужая' FROM RDB$DATABASE",
         "new Новая задача", "SELECT COUNT(*) FROM TASK WHERE CAPTION = 'Новая задача'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDb db;
        exec(db,
             "INSERT INTO TASK (ID, USER_ID, CAPTION, NEEDALERT, DATETIME) "
             "VALUES (1, 1, 'Было', 'F', '1899-12-30')");
        const QString journal = JournalPathFor(db.dbPath());
        ProgramProcess program(db);
        ASSERT_TRUE(program.Start());
        {
            FbConnection other;
            other.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
            auto holding = other.Begin();
            other.Execute(*holding, QString::fromUtf8(c.hold));
            program.Tell(QString::fromUtf8(c.command));
            QThread::msleep(2000);  // the send waits on the held row now
            program.Signal(SIGKILL);
            EXPECT_EQ(program.WaitForEnd(10000), -2);
            EXPECT_EQ(TJournal(journal).Read().rows.size(), 1u) << "kept before the send began";
            holding->Rollback();
        }
        ProgramProcess again(db);
        ASSERT_TRUE(again.Start());
        EXPECT_EQ(again.Ask("state"), "unsent 0 away 0");
        again.Tell("exit");
        EXPECT_EQ(again.WaitForEnd(10000), 0);
        EXPECT_EQ(number(db, QString::fromUtf8(c.stored)), 1);
        EXPECT_FALSE(QFile::exists(journal));
    }
}

TEST(Reliability, SecondCopyOnTheSameDatabaseIsRefused) {
    TestDb db;
    ProgramProcess first(db), second(db);  // each with a runtime folder of its own
    ASSERT_TRUE(first.Start());
    second.CaptureErrors = true;
    second.Start(5000);
    EXPECT_EQ(second.WaitForEnd(10000), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(second.ErrorOutput()).contains("другая копия программы"))
        << second.ErrorOutput().toStdString();
    EXPECT_EQ(first.Ask("state"), "unsent 0 away 0") << "the first one goes on";
    first.Tell("exit");
    EXPECT_EQ(first.WaitForEnd(10000), 0);
}
