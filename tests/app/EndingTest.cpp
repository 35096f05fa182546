// The end of the program asked for by the system: the real program as a
// process of its own gets a signal while it is connected, ends as its exit
// command ends it (exit code 0, in a few seconds, no question), and what
// was typed just before is in the database. And the exit command itself
// when changes could not be sent: the question, and the journal after it.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <csignal>

#include "app/Forms.h"
#include "app/Main.h"
#include "data/DataModule.h"
#include "data/FbClient.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/ProgramProcess.h"
#include "tests/support/ProgramTest.h"
#include "tests/support/TestDb.h"

namespace {

qint64 count(const TestDb& db, const QString& where) {
    FbConnection c;
    c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
    auto tr = c.Begin();
    return c.Query(*tr, "SELECT COUNT(*) FROM TASK WHERE " + where).rows[0][0].toInt();
}

}  // namespace

TEST(EndingTest, SignalsEndAConnectedProgramCleanly) {
    struct Case {
        const char* name;
        int signal;
    };
    const Case cases[] = {{"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGHUP", SIGHUP}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDb db;
        ProgramProcess program(db);
        ASSERT_TRUE(program.Start());
        EXPECT_EQ(program.Ask("new Перед сигналом"), "ok");
        QElapsedTimer timer;
        timer.start();
        program.Signal(c.signal);
        EXPECT_EQ(program.WaitForEnd(10000), 0);
        EXPECT_LT(timer.elapsed(), 5000);
        EXPECT_EQ(count(db, "CAPTION = 'Перед сигналом'"), 1);
        EXPECT_FALSE(QFile::exists(db.dir() + "/qlbase.journal"));
    }
}

namespace {

class ExitWithUnsentTest : public ProgramTest {
  protected:
    void SetUp() override {
        Sql("ALTER TABLE TASK ADD CONSTRAINT NOT_THIS CHECK (CAPTION <> 'refused')");
        StartProgram();
        ASSERT_TRUE(DM->IsConnected());
        frmMain->TimerNotify->stop();
    }
    void addRefused() {
        ModalAnswers user;  // no box: the status bar says the change did not go
        TMemTable& t = DM->cdsTask;
        const int id = DM->NewTaskId();
        t.Append();
        t.FieldByName("ID").SetInteger(id);
        t.FieldByName("USER_ID").SetInteger(1);
        t.FieldByName("CAPTION").SetString("refused");
        t.Post();
        DM->ApplyTable(t);
        EXPECT_TRUE(frmMain->StatusUnsent->toolTip().contains("NOT_THIS"));
    }
};

}  // namespace

TEST_F(ExitWithUnsentTest, ExitAsksToTryAgainAndKeepsTheJournalOtherwise) {
    addRefused();
    const QString journal = db.dir() + "/qlbase.journal";
    ASSERT_TRUE(QFile::exists(journal));
    {
        ModalAnswers user;
        user.Press(QMessageBox::Retry).Press(QMessageBox::Close);
        EndProgramRun();
        ASSERT_EQ(user.Windows().size(), 2u);
        EXPECT_TRUE(user.Windows()[0].text.startsWith("Не все изменения удалось сохранить"));
        EXPECT_TRUE(user.Windows()[0].text.contains("NOT_THIS")) << "why, in the server's words";
        EXPECT_TRUE(user.Windows()[0].text.contains(journal)) << "where they stay";
    }
    EXPECT_TRUE(QFile::exists(journal)) << "nothing is dropped";
    EXPECT_EQ(count(db, "CAPTION = 'refused'"), 0);

    Sql("ALTER TABLE TASK DROP CONSTRAINT NOT_THIS");
    StartProgram();
    EXPECT_EQ(count(db, "CAPTION = 'refused'"), 1) << "sent at the next start";
    EXPECT_FALSE(QFile::exists(journal));
}

TEST(ExitQuestionTest, TheJournalIsPromisedOnlyWhenItWasWritten) {
    struct Case {
        const char* what;
        QString path, problem;
        bool promised;
    };
    const Case cases[] = {
        {"written", "/p/qlbase.journal", "", true},
        {"could not be written", "/p/qlbase.journal", "Отказано в доступе", false},
        {"nowhere to keep it", "", "журнал негде вести", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString tail = ExitQuestionTail(c.path, c.problem);
        EXPECT_EQ(tail.contains("останутся в журнале"), c.promised) << tail.toStdString();
        EXPECT_EQ(tail.contains("будут потеряны"), !c.promised) << tail.toStdString();
        EXPECT_TRUE(tail.contains(c.problem));
    }
}
