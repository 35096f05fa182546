// The single-instance lock and the close request, between real processes:
// the test program starts copies of itself that play the other copy of
// Quillet, chosen by QUILLET_INSTANCE_CHILD.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/InstanceLock.h"
#include "platform/RunMessage.h"
#include "tests/support/TempDir.h"

namespace {

constexpr quint32 CloseCode = 0x2B2416B;
const char* const RunMsgName = "Quillet-RunMsg";

// Exit codes of the listening child.
constexpr int ExitClosed = 7;
constexpr int ExitCannotListen = 8;
constexpr int ExitTimedOut = 9;

QString Env(const char* name) {
    return QString::fromUtf8(qgetenv(name));
}

void Say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

// hold: takes the lock, says whether it was first, and keeps it until its
// stdin closes; with QUILLET_INSTANCE_SPAWN it first starts a long "sleep"
// that outlives it and says "spawned <pid>".
int HoldLock() {
    const bool running = InstanceLock::ProbeAlreadyRunning(Env("QUILLET_INSTANCE_NAME"));
    Say(running ? "running" : "first");
    if (qEnvironmentVariableIsSet("QUILLET_INSTANCE_SPAWN")) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        std::printf("spawned %d\n", int(pid));
        std::fflush(stdout);
    }
    while (std::fgetc(stdin) != EOF) {
    }
    return running ? 1 : 0;
}

// race: says "waiting", probes as soon as the gate file appears, then
// answers like hold.
int RaceForLock() {
    const QByteArray gate = QFile::encodeName(Env("QUILLET_INSTANCE_GATE"));
    Say("waiting");
    QElapsedTimer waited;
    waited.start();
    while (::access(gate.constData(), F_OK) != 0) {
        if (waited.elapsed() > 10000) return ExitTimedOut;
        ::usleep(500);
    }
    return HoldLock();
}

// listen: acts as the running copy's main window. Prints each message it
// gets as "<message> <wParam> <lParam>" in hex and ends on the close
// request. With QUILLET_INSTANCE_BUSY_MS its event loop starts that late.
int Listen() {
    static int argc = 1;
    static char arg0[] = "instance-child";
    static char* argv[] = {arg0, nullptr};
    QCoreApplication app(argc, argv);
    const quint32 runMsg = RegisterRunMessage(QString::fromLatin1(RunMsgName));
    MessageReceiver receiver;
    if (!receiver.Listen()) return ExitCannotListen;
    QObject::connect(&receiver, &MessageReceiver::received, &app,
                     [&](quint32 message, quint32 wParam, quint32 lParam) {
                         std::printf("%x %x %x\n", message, wParam, lParam);
                         std::fflush(stdout);
                         if (message == runMsg && wParam == CloseCode) app.exit(ExitClosed);
                     });
    QTimer::singleShot(10000, &app, [&] { app.exit(ExitTimedOut); });
    Say("ready");
    const int busy = qEnvironmentVariableIntValue("QUILLET_INSTANCE_BUSY_MS");
    if (busy > 0) QThread::msleep(ulong(busy));
    return app.exec();
}

int RunChild(const QByteArray& role) {
    if (role == "probe")
        return InstanceLock::ProbeAlreadyRunning(Env("QUILLET_INSTANCE_NAME")) ? 1 : 0;
    if (role == "hold") return HoldLock();
    if (role == "race") return RaceForLock();
    if (role == "number") {
        std::printf("%u\n", RegisterRunMessage(Env("QUILLET_INSTANCE_NAME")));
        return 0;
    }
    if (role == "listen") return Listen();
    return 100;
}

// Runs before main() in a child and never lets the tests start there.
struct ChildRole {
    ChildRole() {
        const QByteArray role = qgetenv("QUILLET_INSTANCE_CHILD");
        if (role.isEmpty()) return;
        const int code = RunChild(role);
        std::fflush(stdout);
        std::_Exit(code);
    }
} const childRole;

using Vars = std::vector<std::pair<QString, QString>>;

// Each test gets a runtime folder of its own, shared with its children.
class RuntimeFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0700);
        hadRuntime_ = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        oldRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path()));
    }
    void TearDown() override {
        if (hadRuntime_)
            qputenv("XDG_RUNTIME_DIR", oldRuntime_);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }

    std::unique_ptr<QProcess> Start(const char* role, const Vars& vars = {}) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLET_INSTANCE_CHILD"), QString::fromLatin1(role));
        for (const auto& [name, value] : vars)
            env.insert(name, value);
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QCoreApplication::applicationFilePath(), {});
        EXPECT_TRUE(process->waitForStarted(5000)) << role;
        return process;
    }

    // The next line the child prints, or "" when none comes in time.
    static QByteArray ReadLine(QProcess& process, int ms = 10000) {
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine()) {
            const int left = ms - int(timer.elapsed());
            if (left <= 0 || !process.waitForReadyRead(left)) {
                if (process.canReadLine()) break;
                return {};
            }
        }
        return process.readLine().trimmed();
    }

    // Its exit code once it ends; -1 when it does not end in time, -2 when it crashed.
    static int ExitCode(QProcess& process, int ms = 15000) {
        if (!process.waitForFinished(ms)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }

    int Probe(const QString& name) {
        auto process = Start("probe", {{QStringLiteral("QUILLET_INSTANCE_NAME"), name}});
        return ExitCode(*process);
    }

    QStringList SocketFiles() const {
        return QDir(dir_.path())
            .entryList({QStringLiteral("quillet-msg-*.sock")},
                       QDir::System | QDir::Files | QDir::Hidden);
    }

    static QString SocketOf(const QProcess& process) {
        return QStringLiteral("quillet-msg-%1.sock").arg(process.processId());
    }

    TempDir dir_;

  private:
    bool hadRuntime_ = false;
    QByteArray oldRuntime_;
};

using InstanceLockTest = RuntimeFolderTest;
using RunMessageTest = RuntimeFolderTest;

QByteArray Line(quint32 message, quint32 wParam, quint32 lParam) {
    return QByteArray::number(message, 16) + ' ' + QByteArray::number(wParam, 16) + ' ' +
           QByteArray::number(lParam, 16);
}

bool SpinUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    QTimer tick;
    tick.start(10);
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

const QString Name = QStringLiteral("ZT_Quillet");
const Vars NameVar = {{QStringLiteral("QUILLET_INSTANCE_NAME"), Name}};

TEST_F(InstanceLockTest, HeldWhileTheFirstCopyLives) {
    auto first = Start("hold", NameVar);
    ASSERT_EQ(ReadLine(*first), "first");
    EXPECT_EQ(Probe(Name), 1);
    EXPECT_EQ(Probe(Name), 1);
    EXPECT_EQ(Probe(QStringLiteral("ZT_Other")), 0) << "another name is another lock";

    first->closeWriteChannel();
    EXPECT_EQ(ExitCode(*first), 0);
    EXPECT_EQ(Probe(Name), 0) << "the lock goes with the process that held it";
}

TEST_F(InstanceLockTest, ReleasedWhenTheHolderIsKilled) {
    auto first = Start("hold", NameVar);
    ASSERT_EQ(ReadLine(*first), "first");
    first->kill();
    first->waitForFinished();
    EXPECT_EQ(Probe(Name), 0);
}

TEST_F(InstanceLockTest, NotPassedToChildProcesses) {
    Vars vars = NameVar;
    vars.emplace_back(QStringLiteral("QUILLET_INSTANCE_SPAWN"), QStringLiteral("1"));
    auto first = Start("hold", vars);
    ASSERT_EQ(ReadLine(*first), "first");
    const QByteArray spawned = ReadLine(*first);
    ASSERT_TRUE(spawned.startsWith("spawned ")) << spawned.constData();
    const pid_t sleeper = pid_t(spawned.mid(8).toInt());
    ASSERT_GT(sleeper, 0);

    first->kill();
    first->waitForFinished();
    // The sleeper outlives the holder; had it inherited the descriptor the
    // lock would still be held.
    EXPECT_EQ(Probe(Name), 0);
    ::kill(sleeper, SIGKILL);
}

TEST_F(InstanceLockTest, ExactlyOneOfTwoRacingCopiesIsFirst) {
    for (int round = 0; round < 5; ++round) {
        const QString gate = dir_.file(QStringLiteral("gate%1").arg(round));
        const Vars vars = {
            {QStringLiteral("QUILLET_INSTANCE_NAME"), QStringLiteral("race%1").arg(round)},
            {QStringLiteral("QUILLET_INSTANCE_GATE"), gate}};
        auto a = Start("race", vars);
        auto b = Start("race", vars);
        ASSERT_EQ(ReadLine(*a), "waiting");
        ASSERT_EQ(ReadLine(*b), "waiting");
        WriteFile(gate, {});
        // Both hold on until both have answered: the loser must not find the
        // lock free because the winner has already ended.
        const QByteArray answerA = ReadLine(*a);
        const QByteArray answerB = ReadLine(*b);
        const QList<QByteArray> answers = {answerA, answerB};
        EXPECT_EQ(answers.count("first"), 1)
            << "round " << round << ": " << answerA.constData() << ", " << answerB.constData();
        EXPECT_EQ(answers.count("running"), 1);
        a->closeWriteChannel();
        b->closeWriteChannel();
        EXPECT_EQ(ExitCode(*a) + ExitCode(*b), 1);
    }
}

TEST_F(InstanceLockTest, UnusableFolderCountsAsRunning) {
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.file(QStringLiteral("missing"))));
    EXPECT_EQ(Probe(Name), 1);
}

TEST_F(RunMessageTest, NumberDependsOnlyOnTheName) {
    const auto numberIn = [this](const QString& name) {
        auto process = Start("number", {{QStringLiteral("QUILLET_INSTANCE_NAME"), name}});
        const QByteArray line = ReadLine(*process);
        EXPECT_EQ(ExitCode(*process), 0);
        return line.toUInt();
    };
    const QString runMsg = QString::fromLatin1(RunMsgName);
    const quint32 here = RegisterRunMessage(runMsg);
    EXPECT_GE(here, 0xC000u);
    EXPECT_LE(here, 0xFFFFu);
    EXPECT_EQ(numberIn(runMsg), here);
    EXPECT_EQ(numberIn(runMsg), here);

    const QStringList others = {QStringLiteral("Quillet-RunMsh"), QStringLiteral("quillet-runmsg"),
                                QStringLiteral("Quillet-RunMsg2"), QString()};
    for (const QString& other : others) {
        const quint32 number = RegisterRunMessage(other);
        EXPECT_NE(number, here) << other.toStdString();
        EXPECT_GE(number, 0xC000u);
        EXPECT_LE(number, 0xFFFFu);
    }
}

TEST_F(RunMessageTest, EveryListenerEndsOnTheCloseRequestOnly) {
    const quint32 runMsg = RegisterRunMessage(QString::fromLatin1(RunMsgName));
    auto a = Start("listen");
    auto b = Start("listen");
    ASSERT_EQ(ReadLine(*a), "ready");
    ASSERT_EQ(ReadLine(*b), "ready");
    EXPECT_EQ(SocketFiles().size(), 2);

    // Another wParam, or the close code under another message, is passed on
    // and changes nothing.
    BroadcastMessage(runMsg, 0x2B2416C, 0);
    BroadcastMessage(runMsg + 1, CloseCode, 0xFFFFFFFF);
    for (QProcess* process : {a.get(), b.get()}) {
        EXPECT_EQ(ReadLine(*process), Line(runMsg, 0x2B2416C, 0));
        EXPECT_EQ(ReadLine(*process), Line(runMsg + 1, CloseCode, 0xFFFFFFFF));
        EXPECT_EQ(process->state(), QProcess::Running);
    }

    BroadcastMessage(runMsg, CloseCode, 0);
    for (QProcess* process : {a.get(), b.get()}) {
        EXPECT_EQ(ReadLine(*process), Line(runMsg, CloseCode, 0));
        EXPECT_EQ(ExitCode(*process), ExitClosed);
    }
    EXPECT_TRUE(SocketFiles().isEmpty()) << "a receiver removes its socket when it goes";
}

TEST_F(RunMessageTest, BroadcastWithoutListenersDoesNothing) {
    const quint32 runMsg = RegisterRunMessage(QString::fromLatin1(RunMsgName));
    QElapsedTimer timer;
    timer.start();
    BroadcastMessage(runMsg, CloseCode, 0);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(
        QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
        0);

    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.file(QStringLiteral("missing"))));
    BroadcastMessage(runMsg, CloseCode, 0);
}

TEST_F(RunMessageTest, StaleSocketIsRemovedAndDoesNotBlock) {
    const quint32 runMsg = RegisterRunMessage(QString::fromLatin1(RunMsgName));
    auto dead = Start("listen");
    ASSERT_EQ(ReadLine(*dead), "ready");
    const QString stale = SocketOf(*dead);
    dead->kill();
    dead->waitForFinished();
    ASSERT_TRUE(SocketFiles().contains(stale));

    auto live = Start("listen");
    ASSERT_EQ(ReadLine(*live), "ready");
    QElapsedTimer timer;
    timer.start();
    BroadcastMessage(runMsg, CloseCode, 0);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_FALSE(SocketFiles().contains(stale));
    EXPECT_EQ(ExitCode(*live), ExitClosed);
}

TEST_F(RunMessageTest, SenderDoesNotWaitForABusyReceiver) {
    const quint32 runMsg = RegisterRunMessage(QString::fromLatin1(RunMsgName));
    auto busy =
        Start("listen", {{QStringLiteral("QUILLET_INSTANCE_BUSY_MS"), QStringLiteral("3000")}});
    ASSERT_EQ(ReadLine(*busy), "ready");
    QElapsedTimer timer;
    timer.start();
    BroadcastMessage(runMsg, CloseCode, 0);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(busy->state(), QProcess::Running);
    // The request waits in the socket until the receiver gets to it.
    EXPECT_EQ(ExitCode(*busy), ExitClosed);
}

TEST_F(RunMessageTest, ReceiverReassemblesRecords) {
    auto receiver = std::make_unique<MessageReceiver>();
    ASSERT_TRUE(receiver->Listen());
    const QString path = dir_.file(QStringLiteral("quillet-msg-%1.sock").arg(::getpid()));
    struct stat st;
    ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    std::vector<std::array<quint32, 3>> got;
    QObject::connect(receiver.get(), &MessageReceiver::received,
                     [&](quint32 m, quint32 w, quint32 l) {
                         got.push_back({m, w, l});
                     });

    // Our own broadcast is not for us.
    BroadcastMessage(0xC123, CloseCode, 0);
    SpinUntil([] { return false; }, 100);
    EXPECT_TRUE(got.empty());

    const auto record = [](quint32 m, quint32 w, quint32 l) {
        QByteArray bytes(12, '\0');
        qToLittleEndian(m, bytes.data());
        qToLittleEndian(w, bytes.data() + 4);
        qToLittleEndian(l, bytes.data() + 8);
        return bytes;
    };
    const QByteArray first = record(0xC001, 0x01020304, 0xA0B0C0D0);
    const QByteArray second = record(0xFFFF, CloseCode, 0);
    QLocalSocket socket;
    socket.connectToServer(path);
    ASSERT_TRUE(socket.waitForConnected(2000));
    socket.write(first.left(5));
    socket.waitForBytesWritten(1000);
    SpinUntil([] { return false; }, 100);
    EXPECT_TRUE(got.empty()) << "half a record is no message";
    socket.write(first.mid(5) + second + second.left(3));
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();

    ASSERT_TRUE(SpinUntil([&] { return got.size() >= 2; }, 5000));
    SpinUntil([] { return false; }, 100);
    ASSERT_EQ(got.size(), 2u) << "a trailing piece of a record is dropped";
    EXPECT_EQ(got[0], (std::array<quint32, 3>{0xC001, 0x01020304, 0xA0B0C0D0}));
    EXPECT_EQ(got[1], (std::array<quint32, 3>{0xFFFF, CloseCode, 0}));

    receiver.reset();
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
