#include "platform/Autostart.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "core/Error.h"
#include "tests/support/TempDir.h"

namespace {

// Sets an environment variable for a test and puts the old state back.
class EnvVar {
  public:
    EnvVar(const char* name, const QByteArray& value)
        : name_(name), wasSet_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvVar() {
        if (wasSet_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    void unset() { qunsetenv(name_); }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

  private:
    const char* name_;
    bool wasSet_;
    QByteArray old_;
};

QByteArray entryFor(const QByteArray& exec) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quillet\n"
           "Comment=" +
           QStringLiteral("Органайзер Quillet").toUtf8() +
           "\n"
           "Icon=quillet\n"
           "Exec=" +
           exec +
           " -h -p5\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

QString errorOf(const QString& exePath) {
    try {
        Autostart::WriteEntry(exePath);
    } catch (const EQuillet& e) {
        return e.message();
    }
    return {};
}

}  // namespace

TEST(Autostart, EntryPathFollowsXdgConfigHomeOrHome) {
    TempDir d;
    EnvVar home("HOME", QFile::encodeName(d.file("home")));
    EnvVar xdg("XDG_CONFIG_HOME", QFile::encodeName(d.file("cfg")) + "/");
    EXPECT_EQ(Autostart::EntryPath(), d.file("cfg/autostart/Quillet.desktop"));

    const QString fallback = d.file("home/.config/autostart/Quillet.desktop");
    xdg.unset();
    EXPECT_EQ(Autostart::EntryPath(), fallback);
    qputenv("XDG_CONFIG_HOME", "");
    EXPECT_EQ(Autostart::EntryPath(), fallback);
    qputenv("XDG_CONFIG_HOME", "relative/cfg");
    EXPECT_EQ(Autostart::EntryPath(), fallback);

    // Written where HOME says when XDG_CONFIG_HOME is empty.
    qputenv("XDG_CONFIG_HOME", "");
    Autostart::WriteEntry("/usr/bin/quillet");
    EXPECT_EQ(ReadFile(fallback), entryFor("\"/usr/bin/quillet\""));
}

TEST(Autostart, EntryIsWrittenAndRemoved) {
    TempDir d;
    EnvVar xdg("XDG_CONFIG_HOME", QFile::encodeName(d.file("cfg")));
    const QString entry = d.file("cfg/autostart/Quillet.desktop");
    EXPECT_FALSE(Autostart::EntryExists());

    Autostart::WriteEntry("/opt/quillet/quillet");  // the folders do not exist yet
    EXPECT_TRUE(Autostart::EntryExists());
    EXPECT_EQ(ReadFile(entry), entryFor("\"/opt/quillet/quillet\""));

    // An entry already there is replaced.
    Autostart::WriteEntry("/a b/q\\x");
    EXPECT_EQ(ReadFile(entry), entryFor(R"("/a b/q\\\\x")"));
    EXPECT_EQ(QDir(d.file("cfg/autostart")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"Quillet.desktop"});

    Autostart::DeleteEntry();
    EXPECT_FALSE(Autostart::EntryExists());
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_NO_THROW(Autostart::DeleteEntry());
}

TEST(Autostart, FailedWriteThrows) {
    TempDir d;
    WriteFile(d.file("plain"), "x");
    EnvVar xdg("XDG_CONFIG_HOME", QFile::encodeName(d.file("plain/cfg")));
    EXPECT_EQ(errorOf("/usr/bin/quillet"), "Failed to set data for 'Quillet'");
    EXPECT_FALSE(Autostart::EntryExists());

    // The entry's name taken by a folder.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(d.file("cfg")));
    ASSERT_TRUE(QDir().mkpath(d.file("cfg/autostart/Quillet.desktop")));
    EXPECT_FALSE(Autostart::EntryExists());
    EXPECT_EQ(errorOf("/usr/bin/quillet"), "Failed to set data for 'Quillet'");
}

// Folder names of every kind, as the Exec key must hold them; every entry
// made of them passes the desktop entry validator where it is installed.
TEST(Autostart, ExecArgumentEscapesAnyFolderName) {
    const struct {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/opt/quillet/quillet", R"("/opt/quillet/quillet")"},
        {"/my programs/quillet", R"("/my programs/quillet")"},
        {"/100%/quillet", R"("/100%%/quillet")"},
        {"/%u %f %%/quillet", R"("/%%u %%f %%%%/quillet")"},
        {"/a\\b/quillet", R"("/a\\\\b/quillet")"},
        {"/my \"dir\"/quillet", R"("/my \\"dir\\"/quillet")"},
        {"/$HOME/`x`/quillet", R"("/\\$HOME/\\`x\\`/quillet")"},
        {"/it's (1) ~#;&|<>*?=/quillet", R"("/it's (1) ~#;&|<>*?=/quillet")"},
        {"/line\nbreak\ttab/quillet", R"("/line\nbreak\ttab/quillet")"},
        {"/Мои программы/Органайзер/quillet", R"("/Мои программы/Органайзер/quillet")"},
    };
    TempDir d;
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    for (const auto& c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(Autostart::ExecArgument(path), QString::fromUtf8(c.exec)) << c.path;
        if (validator.isEmpty()) continue;
        WriteFile(d.file("quillet.desktop"), Autostart::EntryText(path).toUtf8());
        QProcess run;
        run.start(validator, {d.file("quillet.desktop")});
        ASSERT_TRUE(run.waitForFinished(10000));
        EXPECT_EQ(run.exitCode(), 0) << c.path << ": " << run.readAllStandardOutput().toStdString();
    }
}
