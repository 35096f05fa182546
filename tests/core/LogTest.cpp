// The small log of what the program cannot show: where it lies, one line
// per entry, private to the user, rotated at its size.
#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Log.h"
#include "tests/support/TempDir.h"

TEST(Log, WritesOneLineAnEntryAndMovesAsideWhenFull) {
    TempDir home;
    const QByteArray old = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", home.path().toLocal8Bit());
    Clock::Freeze(EncodeDateTime(2026, 12, 9, 10, 5, 7, 42));

    EXPECT_EQ(LogFilePath(), home.path() + "/quillet/quillet.log");
    WriteLog(QStringLiteral("Первое\nв две строки"));
    WriteLog(QStringLiteral("Второе"));
    EXPECT_EQ(ReadFile(LogFilePath()),
              QStringLiteral("2026-12-09 10:05:07.042 Первое в две строки\n"
                             "2026-12-09 10:05:07.042 Второе\n")
                  .toUtf8());
    EXPECT_EQ(QFileInfo(LogFilePath()).permissions() & (QFile::ReadOther | QFile::ReadGroup),
              QFile::Permissions());

    WriteFile(LogFilePath(), QByteArray(256 * 1024, 'x'));
    WriteLog(QStringLiteral("После"));
    EXPECT_EQ(QFileInfo(LogFilePath() + ".1").size(), 256 * 1024);
    EXPECT_EQ(ReadFile(LogFilePath()), "2026-12-09 10:05:07.042 После\n");

    Clock::Reset();
    qputenv("XDG_STATE_HOME", old);
}
