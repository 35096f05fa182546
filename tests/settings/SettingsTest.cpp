#include "settings/Settings.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "core/Error.h"
#include "core/ExePath.h"
#include "platform/ProfileFile.h"
#include "tests/settings/SettingsFixture.h"
#include "tests/support/Pump.h"

using SettingsFile = SettingsTestBase;

TEST(SettingsFilePath, ReplacesOrAppendsTheExtension) {
    SetExePath("/opt/Quillet/quillet");
    EXPECT_EQ(SettingsFilePath(), "/opt/Quillet/quillet.ini");
    SetExePath("/opt/Quillet/quillet.exe");
    EXPECT_EQ(SettingsFilePath(), "/opt/Quillet/quillet.ini");
    SetExePath("/opt/Quillet/quillet.bin.old");
    EXPECT_EQ(SettingsFilePath(), "/opt/Quillet/quillet.bin.ini");
    // A dot in a folder name is no extension.
    SetExePath("/home/me/my.apps/quillet");
    EXPECT_EQ(SettingsFilePath(), "/home/me/my.apps/quillet.ini");
    SetExePath(QString());
    EXPECT_EQ(SettingsFilePath(), ExeDir() + QFileInfo(ExePath()).completeBaseName() + ".ini");
}

TEST(PeriodMsOfIndex, ListEntriesAndNoEntry) {
    EXPECT_EQ(PeriodMsOfIndex(0), 100);
    EXPECT_EQ(PeriodMsOfIndex(1), 1000);
    EXPECT_EQ(PeriodMsOfIndex(2), 10000);
    EXPECT_EQ(PeriodMsOfIndex(-1), -1);
    EXPECT_EQ(PeriodMsOfIndex(3), -1);
}

TEST_F(SettingsFile, MissingFileGivesDefaultsAndIsNotCreated) {
    ASSERT_EQ(SettingsFilePath(), ini());
    CurYear = 1;
    ExportMade = true;
    ReadCurYear();
    EXPECT_EQ(CurYear, 2031);  // the clock's year
    ReadExportMade();
    EXPECT_FALSE(ExportMade);
    const WindowPlacement p = ReadWindowPlacement({10, 20, 300, 400, true});
    EXPECT_EQ(p.left, 10);
    EXPECT_EQ(p.top, 20);
    EXPECT_EQ(p.width, 300);
    EXPECT_EQ(p.height, 400);
    EXPECT_FALSE(p.maximized);  // no default of the caller's for this one
    EXPECT_FALSE(QFile::exists(ini()));
}

TEST_F(SettingsFile, ValuesAreWrittenUnderTheirKeysAndReadBack) {
    CurYear = 2040;
    WriteCurYear();
    ExportMade = true;
    WriteExportMade();
    WriteWindowPlacement({-5, 7, 800, 600, true});

    using namespace ProfileFile;
    EXPECT_EQ(ReadString(ini(), "Calendar", "CurYear", ""), "2040");
    EXPECT_EQ(ReadString(ini(), "Export", "ExportMade", ""), "1");
    EXPECT_EQ(ReadString(ini(), "MainWindow", "Left", ""), "-5");
    EXPECT_EQ(ReadString(ini(), "MainWindow", "Top", ""), "7");
    EXPECT_EQ(ReadString(ini(), "MainWindow", "Width", ""), "800");
    EXPECT_EQ(ReadString(ini(), "MainWindow", "Height", ""), "600");
    EXPECT_EQ(ReadString(ini(), "MainWindow", "Maximized", ""), "1");

    CurYear = 0;
    ExportMade = false;
    ReadCurYear();
    ReadExportMade();
    EXPECT_EQ(CurYear, 2040);
    EXPECT_TRUE(ExportMade);
    const WindowPlacement p = ReadWindowPlacement({0, 0, 1, 1, false});
    EXPECT_EQ(p.left, -5);
    EXPECT_EQ(p.top, 7);
    EXPECT_EQ(p.width, 800);
    EXPECT_EQ(p.height, 600);
    EXPECT_TRUE(p.maximized);

    WriteWindowPlacement({1, 2, 3, 4, false});
    EXPECT_EQ(ReadString(ini(), "MainWindow", "Maximized", ""), "0");
    EXPECT_FALSE(ReadWindowPlacement({0, 0, 0, 0, true}).maximized);
    ExportMade = false;
    WriteExportMade();
    ExportMade = true;
    ReadExportMade();
    EXPECT_FALSE(ExportMade);
}

TEST_F(SettingsFile, AStoredYearThatIsNoYearReadsAsTheClocksYear) {
    for (const char* text : {"abc", "0", "-3", "10000", "70000"}) {
        ProfileFile::WriteString(ini(), "Calendar", "CurYear", text);
        CurYear = 1;
        ReadCurYear();
        EXPECT_EQ(CurYear, 2031) << text;
    }
    ProfileFile::WriteString(ini(), "Calendar", "CurYear", "0x7D0");
    ReadCurYear();
    EXPECT_EQ(CurYear, 2000);
}

TEST_F(SettingsFile, AnUnwritableFolderIsReportedWithThePath) {
    WriteFile(dir_.file("blocker"), "");  // a file where the folder should be
    SetExePath(dir_.file("blocker/quillet"));
    CurYear = 2030;
    try {
        WriteCurYear();
        ADD_FAILURE() << "no error";
    } catch (const EQuillet& e) {
        EXPECT_EQ(e.message(), "Unable to write to " + dir_.file("blocker/quillet.ini"));
    }
}

// ---- The reminder timer's period

TEST(SetTimerPeriod, AChangedPeriodRestartsTheCountAtOnce) {
    QTimer timer;
    timer.start(1000);
    Pump(300);
    SetTimerPeriod(&timer, 2000);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 2000);
    EXPECT_GE(timer.remainingTime(), 1800);  // not the ~700 ms left of the old count
}

TEST(SetTimerPeriod, AnUnchangedPeriodLeavesTheRunningCountAlone) {
    QTimer timer;
    timer.start(1000);
    Pump(300);
    SetTimerPeriod(&timer, 1000);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 1000);
    EXPECT_GT(timer.remainingTime(), 0);
    EXPECT_LE(timer.remainingTime(), 800);
}

TEST(SetTimerPeriod, NoPeriodStopsAndAStoppedTimerStaysStopped) {
    QTimer timer;
    timer.start(1000);
    SetTimerPeriod(&timer, 0);
    EXPECT_FALSE(timer.isActive());
    SetTimerPeriod(&timer, 100);
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(timer.interval(), 100);
    timer.start();
    SetTimerPeriod(&timer, -1);
    EXPECT_FALSE(timer.isActive());
    SetTimerPeriod(nullptr, 100);  // no timer yet: nothing to do
}
