// Desktop notifications through a notification server of the test's own on
// a private session bus: what it is sent, its action, withdrawing; and
// nothing at all where no server runs.
#include <gtest/gtest.h>

#include "platform/DesktopNotify.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/Pump.h"

namespace {

class DesktopNotifyTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start"; }
    PrivateBus bus;
};

}  // namespace

TEST_F(DesktopNotifyTest, TheServerGetsTheNoticeAndItsAction) {
    TestNotificationServer server(bus.Connect(QStringLiteral("server")));
    DesktopNotifier notifier(bus.Connect(QStringLiteral("program")));
    int taken = 0;
    const int number = notifier.Post(QStringLiteral("Позвонить в банк"),
                                     QStringLiteral("08.12.2026 14:30:00"), [&] { ++taken; });
    EXPECT_GT(number, 0);
    ASSERT_TRUE(PumpUntil([&] { return server.posted.size() == 1; }));
    const TestNotificationServer::Notice& n = server.posted[0];
    EXPECT_EQ(n.app, "Quillet");
    EXPECT_EQ(n.summary, "Позвонить в банк");
    EXPECT_EQ(n.body, "08.12.2026 14:30:00");
    EXPECT_EQ(n.actions, QStringList({"default", "Показать"}));
    EXPECT_EQ(n.timeout, 0) << "stays until its reminder is answered";
    EXPECT_EQ(n.hints.value("urgency").toInt(), 1);

    // The server's answer with the notice's number goes out before any of
    // its signals: the program knows the number when the action comes.
    server.Choose(n.id + 1, QStringLiteral("default"));  // another program's notice
    server.Choose(n.id, QStringLiteral("default"));
    EXPECT_TRUE(PumpUntil([&] { return taken > 0; }));
    notifier.Withdraw(number);
    EXPECT_TRUE(PumpUntil([&] { return !server.closed.empty(); }));
    EXPECT_EQ(server.closed, std::vector<uint>{n.id});
    server.Choose(n.id, QStringLiteral("default"));
    Pump(50);
    EXPECT_EQ(taken, 1) << "a withdrawn notice has no action";
}

TEST_F(DesktopNotifyTest, AWithdrawalBeforeTheServerAnswersStillCloses) {
    TestNotificationServer server(bus.Connect(QStringLiteral("server")));
    DesktopNotifier notifier(bus.Connect(QStringLiteral("program")));
    bool taken = false;
    notifier.Withdraw(
        notifier.Post(QStringLiteral("a"), QStringLiteral("b"), [&] { taken = true; }));
    ASSERT_TRUE(PumpUntil([&] { return server.closed.size() == 1; }));
    EXPECT_EQ(server.closed[0], server.posted.at(0).id);
    server.Choose(server.posted[0].id, QStringLiteral("default"));
    Pump(50);
    EXPECT_FALSE(taken);
}

TEST_F(DesktopNotifyTest, WithoutAServerNothingHappens) {
    DesktopNotifier notifier(bus.Connect(QStringLiteral("program")));
    bool taken = false;
    const int number =
        notifier.Post(QStringLiteral("a"), QStringLiteral("b"), [&] { taken = true; });
    Pump(200);
    notifier.Withdraw(number);
    EXPECT_FALSE(taken);

    // No bus at all.
    DesktopNotifier alone(QDBusConnection(QStringLiteral("no such bus")));
    EXPECT_EQ(alone.Post(QStringLiteral("a"), QStringLiteral("b"), [] {}), 0);
    alone.Withdraw(0);
}
