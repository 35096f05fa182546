// A program folder of the test's own (settings file beside a pretend
// executable), a private autostart folder, a frozen clock and fresh
// in-memory settings.
#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QDir>
#include <QString>
#include <ostream>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/ExePath.h"
#include "settings/Settings.h"
#include "tests/support/TempDir.h"

// Readable texts in the failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// Sets an environment variable for the test's duration.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), wasSet_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (wasSet_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    bool wasSet_;
    QByteArray old_;
};

class SettingsTestBase : public ::testing::Test {
  protected:
    SettingsTestBase() : config_("XDG_CONFIG_HOME", home_.file("config").toLocal8Bit()) {}

    void SetUp() override {
        SetExePath(dir_.file("quillet"));
        ResetSettingsForTests();
        Clock::Freeze(EncodeDateTime(2031, 5, 14, 12, 0, 0, 0));
    }
    void TearDown() override {
        Clock::Reset();
        ResetSettingsForTests();
        SetExePath(QString());
    }

    QString ini() const { return dir_.file("quillet.ini"); }
    QString configHome() const { return home_.file("config"); }

    TempDir dir_;
    TempDir home_;
    ScopedEnv config_;
};
