// The server going away under a running program and coming back. These
// tests stop the shared server, so they run alone.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include "data/DataModule.h"
#include "tests/support/ServerSwitch.h"
#include "tests/support/TestDb.h"

TEST(ServerRestart, ChangeMadeWhileTheServerIsDownReachesTheDatabaseLater) {
    TestDb db;
    db.useAsExeDir();
    TDM dm;
    QStringList failures;
    dm.onSendFailed = [&](const QString& m) { failures << m; };
    dm.DataModuleCreate({});
    ASSERT_TRUE(dm.IsConnected());
    const int id = dm.NewTaskId();

    ServerBack restoreServer;
    SwitchServer("stop");
    TMemTable& t = dm.cdsTask;
    t.Append();
    t.FieldByName("ID").SetInteger(id);
    t.FieldByName("USER_ID").SetInteger(1);
    t.FieldByName("CAPTION").SetString(QString::fromUtf8("Не потерять"));
    t.Post();
    dm.ApplyTable(t);
    ASSERT_EQ(failures.size(), 1) << "the user hears of it";
    EXPECT_TRUE(dm.HasUnsentChanges());
    dm.ApplyTable(t);
    EXPECT_EQ(failures.size(), 1);

    EXPECT_TRUE(failures[0].contains(QString::fromUtf8("как только база данных снова ответит")))
        << failures[0].toStdString();
    EXPECT_TRUE(dm.ServerAway());

    // Once the server answers again, the change goes by itself.
    SwitchServer("start");
    QElapsedTimer waited;
    waited.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dm.HasUnsentChanges(); }, 15000))
        << "a new attachment carries the change";
    std::printf("[ waits ] the change went %lld ms after the server was back\n",
                static_cast<long long>(waited.elapsed()));
    EXPECT_FALSE(dm.ServerAway());
    dm.Close();

    TDM again;
    again.DataModuleCreate({});
    ASSERT_TRUE(again.cdsTask.Locate(id));
    EXPECT_EQ(again.cdsTask.FieldByName("CAPTION").AsString(), QString::fromUtf8("Не потерять"));
}

TEST(ServerRestart, NewNumberAfterARestartReattaches) {
    TestDb db;
    db.useAsExeDir();
    TDM dm;
    dm.DataModuleCreate({});
    ASSERT_TRUE(dm.IsConnected());
    const int first = dm.NewTaskId();
    ServerBack restoreServer;
    SwitchServer("stop");
    // Without the server a new row gets a number of the program's own at
    // once, and the next ones too, with no further wait.
    QElapsedTimer timer;
    timer.start();
    const int own = dm.NewTaskId();
    EXPECT_LT(own, 0);
    EXPECT_LT(dm.NewTaskId(), own);
    EXPECT_LT(timer.elapsed(), 2000);
    SwitchServer("start");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dm.ServerAway(); }, 15000));
    EXPECT_GT(dm.NewTaskId(), first);
}
