// The icon on a StatusNotifierItem tray that comes up after the start, on
// a bus of the test's own: the tray's watcher hears of the icon, the tray
// reads its menu and presses it, and the icon follows the watcher as it
// comes, goes and comes back.
#include <gtest/gtest.h>
#include <QAction>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include "platform/StatusNotifier.h"
#include "platform/StatusNotifierTypes.h"
#include "platform/TrayIcon.h"

namespace {

const QString Watcher = QStringLiteral("org.kde.StatusNotifierWatcher");

// Whether `done` comes true within five seconds, the events running meanwhile.
template <typename Done>
bool soon(Done done) {
    return QTest::qWaitFor(done, 5000);
}

// A tray's watcher: it takes the icons it is told of.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ host)

  public:
    bool host() const { return true; }
    QStringList items;

  public slots:
    void RegisterStatusNotifierItem(const QString& service) { items << service; }
};

class TrayBus : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "no dbus-daemon";
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon_.waitForReadyRead(5000));
        address_ = QString::fromUtf8(daemon_.readLine().trimmed());
        program_ = connect(QStringLiteral("program"));
        tray_ = connect(QStringLiteral("tray"));
        menu_.addAction(QStringLiteral("Открыть Quillet..."));
        menu_.addSeparator();
        newTask_ = menu_.addAction(QStringLiteral("Новое задание..."));
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(QStringLiteral("program"));
        QDBusConnection::disconnectFromBus(QStringLiteral("tray"));
        daemon_.terminate();
        daemon_.waitForFinished(3000);
    }
    QDBusConnection connect(const QString& name) {
        QDBusConnection c = QDBusConnection::connectToBus(address_, name);
        EXPECT_TRUE(c.isConnected());
        return c;
    }
    void startWatcher() {
        ASSERT_TRUE(tray_.registerObject(
            QStringLiteral("/StatusNotifierWatcher"), &watcher_,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        ASSERT_TRUE(tray_.registerService(Watcher));
    }
    void stopWatcher() {
        tray_.unregisterService(Watcher);
        tray_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
        watcher_.items.clear();
    }
    bool itemOnBus(const QString& service) {
        return tray_.interface()->isServiceRegistered(service).value();
    }
    QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
        m.setArguments(args);
        return tray_.call(m, QDBus::BlockWithGui, 5000);  // the program answers meanwhile
    }

    QProcess daemon_;
    QString address_;
    QDBusConnection program_{QString()};
    QDBusConnection tray_{QString()};
    FakeWatcher watcher_;
    QMenu menu_;
    QAction* newTask_ = nullptr;
};

}  // namespace

TEST_F(TrayBus, TheTrayReadsTheIconAndItsMenuAndPressesThem) {
    startWatcher();
    StatusNotifier icon(QIcon(QStringLiteral(":/icon_tray_16.png")), QStringLiteral("Quillet"),
                        &menu_, program_);
    ASSERT_TRUE(icon.Register());
    ASSERT_TRUE(soon([&] { return watcher_.items == QStringList{icon.ServiceName()}; }));
    const QString item = icon.ServiceName();

    QDBusMessage title =
        call(item, QStringLiteral("/StatusNotifierItem"),
             QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
             {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Title")});
    EXPECT_EQ(qvariant_cast<QDBusVariant>(title.arguments().value(0)).variant().toString(),
              "Quillet");
    QDBusMessage pictures =
        call(item, QStringLiteral("/StatusNotifierItem"),
             QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
             {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("IconPixmap")});
    const auto shown = qdbus_cast<SniPixmaps>(
        qvariant_cast<QDBusVariant>(pictures.arguments().value(0)).variant());
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.first().bytes.size(), shown.first().width * shown.first().height * 4);

    // The menu as the tray reads it: the entries in order, a separator between.
    QDBusMessage layout =
        call(item, QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"),
             QStringLiteral("GetLayout"), {0, -1, QStringList()});
    ASSERT_EQ(layout.signature(), "u(ia{sv}av)") << layout.errorMessage().toStdString();
    const auto root = qdbus_cast<MenuLayout>(layout.arguments().at(1));
    ASSERT_EQ(root.children.size(), 3);
    EXPECT_EQ(root.children[0].properties.value("label").toString(), "Открыть Quillet...");
    EXPECT_EQ(root.children[1].properties.value("type").toString(), "separator");
    EXPECT_EQ(root.children[2].properties.value("label").toString(), "Новое задание...");

    QSignalSpy pressed(newTask_, &QAction::triggered);
    call(item, QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"),
         QStringLiteral("Event"),
         {root.children[2].id, QStringLiteral("clicked"),
          QVariant::fromValue(QDBusVariant(QString())), 0u});
    EXPECT_TRUE(soon([&] { return pressed.size() == 1; }));

    QSignalSpy activated(&icon, &StatusNotifier::activated);
    call(item, QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.kde.StatusNotifierItem"),
         QStringLiteral("Activate"), {10, 10});
    ASSERT_TRUE(soon([&] { return activated.size() == 1; }));
    EXPECT_EQ(activated.first().first().value<QSystemTrayIcon::ActivationReason>(),
              QSystemTrayIcon::Trigger);

    icon.Unregister();
    EXPECT_TRUE(soon([&] { return !itemOnBus(item); }));
}

TEST_F(TrayBus, TheIconFollowsATrayThatComesGoesAndComesBack) {
    TrayIcon icon(QIcon(QStringLiteral(":/icon_tray_16.png")), QStringLiteral("Quillet"), &menu_,
                  nullptr, program_);
    icon.Show();
    ASSERT_FALSE(icon.Present()) << "no tray at the start";
    QSignalSpy changes(&icon, &TrayIcon::presentChanged);

    startWatcher();
    ASSERT_TRUE(soon([&] { return icon.Present(); }));
    EXPECT_EQ(icon.Route(), TrayRoute::Own);
    ASSERT_TRUE(soon([&] { return watcher_.items.size() == 1; }));
    const QString item = watcher_.items.first();
    EXPECT_TRUE(itemOnBus(item));

    stopWatcher();
    ASSERT_TRUE(soon([&] { return !icon.Present(); }));
    EXPECT_TRUE(soon([&] { return !itemOnBus(item); })) << "off the bus with its tray";

    startWatcher();
    ASSERT_TRUE(soon([&] { return icon.Present(); }));
    EXPECT_TRUE(soon([&] { return watcher_.items == QStringList{item}; }))
        << "told again to the restarted tray";
    EXPECT_EQ(changes.size(), 3);
}

#include "TrayBusTest.moc"
