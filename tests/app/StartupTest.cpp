// Start-up: the command line, the single copy, the close request between
// copies (real processes of the built program), and a start without the
// database.
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <chrono>

#include "app/Forms.h"
#include "app/Main.h"
#include "app/RunFirst.h"
#include "data/DataModule.h"
#include "plan/TaskListModel.h"
#include "platform/Modal.h"
#include "platform/RunMessage.h"
#include "settings/Settings.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/ProgramProcess.h"
#include "tests/support/ProgramTest.h"
#include "tests/support/TempDir.h"

TEST(CommandLineTest, SwitchesAreFoundInThreePasses) {
    auto cl = [](QStringList a) { return ParseCommandLine(a); };
    EXPECT_TRUE(cl({"-CLOSE"}).CloseRequested);
    EXPECT_TRUE(cl({"x", "-close"}).CloseRequested);
    EXPECT_TRUE(cl({"-ClOsE"}).CloseRequested);
    EXPECT_FALSE(cl({"-CLOSEX"}).CloseRequested);
    EXPECT_FALSE(cl({"-сlose"}).CloseRequested) << "a Cyrillic letter is no Latin one";

    EXPECT_TRUE(cl({"-h"}).StartHidden);
    EXPECT_TRUE(cl({"-H"}).StartHidden);
    EXPECT_FALSE(cl({"-hide"}).StartHidden);
    EXPECT_FALSE(cl({"h"}).StartHidden);

    EXPECT_FALSE(cl({}).PauseGiven);
    auto pause = [&](QStringList a) {
        const CommandLine c = cl(a);
        EXPECT_TRUE(c.PauseGiven);
        return c.StartPause;
    };
    EXPECT_EQ(pause({"-p3"}), 3);
    EXPECT_EQ(pause({"-P3"}), 3);
    EXPECT_EQ(pause({"-p2", "-h", "-p4"}), 4) << "the last one wins";
    EXPECT_EQ(pause({"-p"}), 0);
    EXPECT_EQ(pause({"-pabc"}), 0);
    EXPECT_EQ(pause({"-p", "5"}), 0) << "the number must follow at once";
    EXPECT_EQ(pause({"-p-1"}), 0);
    EXPECT_EQ(pause({"-p2147483"}), 2147483);
    EXPECT_EQ(pause({"-p2147484"}), 0) << "its milliseconds would not fit";
    EXPECT_EQ(pause({"-p99999999999"}), 0);
    const CommandLine all = cl({"-p5", "-h", "junk", "-CLOSE"});
    EXPECT_TRUE(all.CloseRequested && all.StartHidden && all.StartPause == 5);
}

namespace {

// The built program, copied into a folder of its own with a database, run
// as a real process with its own runtime folder.
class ProgramProcessTest : public ::testing::Test {
  protected:
    TestDb db;
    TempDir runtime, config;
    QString exe;

    void SetUp() override {
        exe = db.dir() + "/quillet";
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLET_BIN_DIR "/quillet"), exe));
        QFile::copy(QStringLiteral(QUILLET_SOURCE_DIR "/assets/notify.wav"),
                    db.dir() + "/notify.wav");
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
    }

    QProcessEnvironment env() const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("QT_QPA_PLATFORM", "offscreen");
        e.insert("XDG_RUNTIME_DIR", runtime.path());
        e.insert("XDG_CONFIG_HOME", config.path());
        e.insert("HOME", config.path());
        return e;
    }

    std::unique_ptr<QProcess> start(const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env());
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(exe, args);
        EXPECT_TRUE(p->waitForStarted(5000));
        return p;
    }

    // The running copy listens for requests once its main window exists.
    bool waitUntilListening(int ms = 15000) {
        for (int waited = 0; waited < ms; waited += 50) {
            if (!QDir(runtime.path()).entryList({"quillet-msg-*.sock"}, QDir::System).isEmpty())
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    // Runs the program to its end; returns the exit code and the time taken.
    std::pair<int, double> run(const QStringList& args, int timeoutMs = 10000) {
        const auto t0 = std::chrono::steady_clock::now();
        auto p = start(args);
        const bool ended = p->waitForFinished(timeoutMs);
        const double secs =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!ended) {
            p->kill();
            p->waitForFinished();
            return {-1, secs};
        }
        return {p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -2, secs};
    }
};

}  // namespace

TEST_F(ProgramProcessTest, SecondStartEndsAtOnceAndCloseEndsTheRunningCopy) {
    auto first = start({});
    ASSERT_TRUE(waitUntilListening());

    auto [code, secs] = run({});
    EXPECT_EQ(code, 0);
    auto [code2, secs2] = run({"-h", "-p5"});
    EXPECT_EQ(code2, 0);
    EXPECT_LT(secs2, 4.0) << "a copy that has to end never waits";
    EXPECT_EQ(first->state(), QProcess::Running) << "the first copy is left as it was";

    // A request with another code leaves the copy running.
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    BroadcastMessage(RegisterRunMessage("Quillet-RunMsg") & 0xFFFF, 0x1234, 0);
    EXPECT_FALSE(first->waitForFinished(700));

    auto [code3, secs3] = run({"-close"});
    EXPECT_EQ(code3, 0);
    ASSERT_TRUE(first->waitForFinished(10000)) << "-close ends the running copy";
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
}

TEST_F(ProgramProcessTest, CloseRequestDuringAStartUpMessageEndsTheProgram) {
    // Without its database the program says so in a box at start-up; a
    // close request answers the box and ends the program there.
    ASSERT_TRUE(QFile::remove(db.dbPath()));
    auto first = start({});
    ASSERT_TRUE(waitUntilListening());
    QTest::qWait(300);  // the box is up
    EXPECT_EQ(first->state(), QProcess::Running);
    auto [code, secs] = run({"-CLOSE"});
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(first->waitForFinished(10000)) << "the program ends after the box";
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(ProgramProcessTest, CloseInAnyCaseWithoutACopyEndsQuietly) {
    auto [code, secs] = run({"-CLOSE"});
    EXPECT_EQ(code, 0);
    EXPECT_LT(secs, 4.0);
    auto first = start({"-h"});
    ASSERT_TRUE(waitUntilListening());
    auto [code2, secs2] = run({"-Close"});
    EXPECT_EQ(code2, 0);
    EXPECT_TRUE(first->waitForFinished(10000));
    EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(ProgramTest, StartWithoutDatabaseReportsItAndRunsWithClosedTables) {
    EndProgramRun();
    QFile::remove(db.dbPath());
    QString text, caption;
    bool loadingBehindTheBox = true;
    {
        ModalAnswers user;
        user.Then([&](QWidget* box) {
            loadingBehindTheBox = frmMain->Loading() || QApplication::overrideCursor();
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
        });
        StartProgram();
        ASSERT_EQ(user.Windows().size(), 1u);
        text = user.Windows()[0].text;
        caption = user.Windows()[0].title;
    }
    EXPECT_EQ(caption, "Quillet");
    EXPECT_FALSE(loadingBehindTheBox) << "the window says it is loading no longer";
    const QString head = QString::fromUtf8("Не удалось подключиться к базе данных.\n\n");
    EXPECT_TRUE(text.startsWith(head)) << text.toStdString();
    EXPECT_GT(text.size(), head.size() + 10) << "the server's text follows";
    ASSERT_NE(frmMain, nullptr);
    EXPECT_FALSE(DM->IsConnected());
    EXPECT_FALSE(frmMain->TimerNotify->isActive()) << "no reminders";
    EXPECT_EQ(CheckPeriodMs, 0) << "the settings are not loaded";
    frmMain->ShowAtStart(false);
    EXPECT_EQ(frmMain->TaskList->rowCount(), 0);
    // A command on the closed tables ends in the general error report.
    ModalAnswers user;
    user.Then([](QWidget* editor) { ClickButton(editor, QString::fromUtf8("Ok")); })
        .Press(QMessageBox::Ok);
    frmMain->acTaskAdd->trigger();
    ASSERT_EQ(user.Windows().size(), 2u);
    EXPECT_EQ(user.Windows()[1].title, "Quillet");
    EXPECT_FALSE(user.Windows()[1].text.isEmpty());
}

TEST(RuntimeFolderTest, AFolderNotPrivateIsPassedByOrTheProgramSaysWhyItCannotStart) {
    TestDb db;
    TempDir tmp, home;
    // The name the program takes first, made before it by another user (or,
    // where the test may not give it away, left open to everyone).
    auto takeAway = [](const QString& dir) {
        QDir().mkpath(dir);
        const QByteArray path = QFile::encodeName(dir);
        if (::chown(path.constData(), 65534, 65534) != 0) ::chmod(path.constData(), 0777);
    };
    takeAway(tmp.path() + QStringLiteral("/quillet-runtime-%1").arg(::getuid()));
    const QString cache = home.path() + QStringLiteral("/.cache/quillet-runtime");
    for (const bool cacheTaken : {false, true}) {
        SCOPED_TRACE(cacheTaken ? "the cache folder is taken too" : "the cache folder is free");
        if (cacheTaken) takeAway(cache);
        ProgramProcess program(db);
        program.CaptureErrors = true;
        program.AdjustEnv = [&](QProcessEnvironment& env) {
            env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
            env.remove(QStringLiteral("XDG_CACHE_HOME"));
            env.insert(QStringLiteral("TMPDIR"), tmp.path());
            env.insert(QStringLiteral("HOME"), home.path());
        };
        if (!cacheTaken) {
            ASSERT_TRUE(program.Start()) << "it runs, with its files in the cache folder";
            EXPECT_TRUE(QFile::exists(cache + QStringLiteral("/ZT_Quillet.lock")));
            program.Tell(QStringLiteral("exit"));
            EXPECT_EQ(program.WaitForEnd(10000), 0);
            continue;
        }
        EXPECT_FALSE(program.Start(10000));
        EXPECT_EQ(program.WaitForEnd(10000), 1);
        const QString said = QString::fromLocal8Bit(program.ErrorOutput());
        EXPECT_TRUE(said.startsWith(QStringLiteral("Quillet не может запуститься.")))
            << said.toStdString();
        EXPECT_TRUE(said.contains(cache)) << said.toStdString();
        EXPECT_TRUE(said.contains(QStringLiteral("quillet-runtime-%1").arg(::getuid())));
    }
}

// The start as the program runs it: the window is shown between making the
// windows and reading the tables, and is filled once they are read.
TEST_F(ProgramTest, WindowShownBeforeTheTablesAreReadIsFilledOnceTheyAre) {
    EndProgramRun();
    for (const char* caption : {"Первое", "Второе", "Третье"})
        AddStoredTask(QString::fromUtf8(caption), EncodeDateTime(2026, 12, 20, 9, 0, 0, 0));
    for (const bool endAsked : {false, true}) {
        SCOPED_TRACE(endAsked ? "the end asked for while the tables are read" : "a plain start");
        ResetProgramEnding();
        ResetSettingsForTests();
        ModalAnswers user;  // nothing may open a window of its own
        CreateWindows();
        started = true;
        frmMain->ShowAtStart(false);
        EXPECT_TRUE(frmMain->isVisible());
        EXPECT_EQ(frmMain->TaskList->rowCount(), 0) << "nothing is read before the tables are";
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
        frmMain->acTaskNew->trigger();  // as the tray's menu on the bus would
        if (endAsked) EndProgram();
        CompleteStart();
        EXPECT_TRUE(user.Windows().empty()) << "no editor and no question";
        EXPECT_TRUE(DM->IsConnected());
        EXPECT_EQ(DM->cdsTask.RecordCount(), 3);
        EXPECT_EQ(frmMain->TaskList->rowCount(), 3);
        EXPECT_TRUE(frmMain->acTaskNew->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(frmMain->TimerNotify->isActive(), !endAsked) << "reminders run unless ending";
        EndProgramRun();
    }
}
