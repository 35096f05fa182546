// The page "Синхронизация": the search for the calendars against a real
// server, the lists it fills, and what "Ok" stores where.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>

#include "core/ExePath.h"
#include "platform/ProfileFile.h"
#include "platform/SecretStore.h"
#include "settings/Settings.h"
#include "sync/SyncPage.h"
#include "tests/support/RadicaleServer.h"
#include "tests/support/TempDir.h"

namespace {

class SyncPageTest : public testing::Test {
  protected:
    void SetUp() override {
        SetExePath(dir_.file(QStringLiteral("quillet")));
        QString error;
        ASSERT_TRUE(server_.Start(error)) << error.toStdString();
        server_.MakeCalendar(QStringLiteral("both"), QStringLiteral("Всё"));
        server_.MakeCalendar(QStringLiteral("todo"), QStringLiteral("Дела"),
                             {QStringLiteral("VTODO")});
        page_.edServer->setText(server_.Url().toString());
        page_.edUser->setText(RadicaleServer::User());
    }
    // Presses "Проверить" and waits for the answer.
    bool Check(const QString& password) {
        page_.edPassword->setText(password);
        QSignalSpy done(&page_, &TSyncPage::CheckDone);
        page_.btnCheckClick();
        return done.wait(20000) && done[0][0].toBool();
    }

    TempDir dir_;
    RadicaleServer server_;
    TSyncPage page_;
};

TEST_F(SyncPageTest, CheckFillsTheListsByWhatEachCalendarTakes) {
    ASSERT_TRUE(Check(RadicaleServer::Password()));
    EXPECT_EQ(page_.cbEvents->count(), 1);  // "todo" takes no events
    EXPECT_EQ(page_.cbTasks->count(), 2);
    EXPECT_EQ(page_.cbEvents->currentText(), QStringLiteral("Всё"));
    EXPECT_TRUE(page_.lbCheck->text().contains(QStringLiteral("2")));
}

TEST_F(SyncPageTest, FailuresAreToldWithoutThePassword) {
    const struct {
        const char* server;
        bool plainAllowed;
        const char* password;
        const char* words;
    } cases[] = {
        {nullptr, false, "wrong-пароль", "не принял"},
        {"http://192.0.2.1:5232/", false, "secret-1", "без https"},
    };
    for (const auto& c : cases) {
        if (c.server) page_.edServer->setText(QLatin1String(c.server));
        page_.chbPlainHttp->setChecked(c.plainAllowed);
        EXPECT_FALSE(Check(QString::fromUtf8(c.password)));
        EXPECT_TRUE(page_.lbCheck->text().contains(QString::fromUtf8(c.words)))
            << page_.lbCheck->text().toStdString();
        EXPECT_FALSE(page_.lbCheck->text().contains(QString::fromUtf8(c.password)));
    }
}

TEST_F(SyncPageTest, TheSettingsFileNeverHoldsThePassword) {
    ASSERT_TRUE(Check(RadicaleServer::Password()));
    page_.cbTasks->setCurrentIndex(1);
    page_.chbEnabled->setChecked(true);
    page_.udPeriod->setValue(7);
    const SyncOptions stored = page_.Store();
    const SyncOptions read = ReadSyncOptions();
    EXPECT_TRUE(read.enabled);
    EXPECT_EQ(read.periodMin, 7);
    EXPECT_EQ(read.tasksCalendar, stored.tasksCalendar);
    EXPECT_NE(read.eventsCalendar, read.tasksCalendar);
    const QByteArray ini = ReadFile(SettingsFilePath());
    EXPECT_FALSE(ini.contains(RadicaleServer::Password().toUtf8()));
    EXPECT_FALSE(ini.contains(RadicaleServer::Password().toLocal8Bit()));
    // Kept for the run (in the desktop's store, or in memory without one).
    EXPECT_EQ(SecretStore::Lookup(read.server, read.user), RadicaleServer::Password());
    TSyncPage again;
    again.Load();
    EXPECT_EQ(again.edPassword->text(), RadicaleServer::Password());
    EXPECT_EQ(again.udPeriod->value(), 7);
    SecretStore::Clear(read.server, read.user);
}

}  // namespace
