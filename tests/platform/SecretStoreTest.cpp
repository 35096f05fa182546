// The secret store against a keyring daemon of the test's own on a bus of
// its own; before the daemon is there, the memory of the process.
#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QThread>

#include "platform/SecretStore.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TempDir.h"

namespace {

const QString kServer = QStringLiteral("https://dav.example.org/");

class SecretStoreTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        bus_ = new PrivateBus;
        // libsecret finds the session bus through the environment, once.
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_->address.toLocal8Bit());
    }
    static void TearDownTestSuite() {
        if (keyring_) {
            keyring_->kill();
            keyring_->waitForFinished(5000);
            delete keyring_;
            keyring_ = nullptr;
        }
        delete bus_;
        bus_ = nullptr;
    }
    // A keyring daemon with a new login keyring, unlocked.
    static bool StartKeyring() {
        if (keyring_) return true;
        keyring_ = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home_.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.file(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus_->address);
        keyring_->setProcessEnvironment(env);
        keyring_->start(QStringLiteral("sh"),
                        {QStringLiteral("-c"),
                         QStringLiteral("printf test-password | exec gnome-keyring-daemon "
                                        "--foreground --unlock --components=secrets")});
        if (!keyring_->waitForStarted(5000)) return false;
        // Its service name on the bus is the sign that it is ready.
        QDBusConnection probe = bus_->Connect(QStringLiteral("keyring-probe"));
        for (int i = 0; i < 100; ++i) {
            if (probe.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")))
                break;
            QThread::msleep(100);
        }
        SecretStore::ResetForTests();
        return SecretStore::Available();
    }

    static inline PrivateBus* bus_ = nullptr;
    static inline QProcess* keyring_ = nullptr;
    static inline TempDir home_;
};

// Runs first (gtest keeps the order of a suite's tests): no daemon yet.
TEST_F(SecretStoreTest, WithoutAStoreKeptInMemoryOnly) {
    ASSERT_FALSE(bus_->address.isEmpty());
    SecretStore::ResetForTests();
    EXPECT_FALSE(SecretStore::Available());
    EXPECT_FALSE(SecretStore::Store(kServer, QStringLiteral("anna"), QStringLiteral("p1")));
    EXPECT_EQ(SecretStore::Lookup(kServer, QStringLiteral("anna")), QStringLiteral("p1"));
    EXPECT_TRUE(SecretStore::Lookup(kServer, QStringLiteral("boris")).isEmpty());
    SecretStore::Clear(kServer, QStringLiteral("anna"));
    EXPECT_TRUE(SecretStore::Lookup(kServer, QStringLiteral("anna")).isEmpty());
}

TEST_F(SecretStoreTest, InTheKeyringByServerAndUser) {
    if (!StartKeyring()) GTEST_SKIP() << "gnome-keyring-daemon did not start";
    SecretStore::ResetForTests();
    struct Entry {
        const char* server;
        const char* user;
        const char* password;
    };
    const Entry entries[] = {{"https://dav.example.org/", "anna", "пароль №1"},
                             {"https://dav.example.org/", "boris", "p2"},
                             {"http://127.0.0.1:5232/", "anna", "p3"}};
    for (const Entry& e : entries)
        EXPECT_TRUE(SecretStore::Store(QString::fromUtf8(e.server), QString::fromUtf8(e.user),
                                       QString::fromUtf8(e.password)));
    // Not from memory: a new start finds them in the keyring.
    SecretStore::ResetForTests();
    for (const Entry& e : entries)
        EXPECT_EQ(SecretStore::Lookup(QString::fromUtf8(e.server), QString::fromUtf8(e.user)),
                  QString::fromUtf8(e.password));
    SecretStore::Clear(kServer, QStringLiteral("anna"));
    EXPECT_TRUE(SecretStore::Lookup(kServer, QStringLiteral("anna")).isEmpty());
    EXPECT_EQ(SecretStore::Lookup(kServer, QStringLiteral("boris")), QStringLiteral("p2"));
}

}  // namespace
