// A whole program run inside the test process: a database and a program
// folder of its own (with the alarm sound), a tray, a silent sound device,
// the clock set by the test, and the windows created in their order.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "core/DateTime.h"
#include "tests/support/TestDb.h"

class AlsaTestHome;

class ProgramTest : public ::testing::Test {
  protected:
    ProgramTest();
    ~ProgramTest() override;

    void SetUp() override;     // starts the program (StartProgram)
    void TearDown() override;  // ends it (EndProgramRun)

    // Fixtures that need something before the start override SetUp and
    // call these themselves.
    void StartProgram();
    void EndProgramRun();

    // Runs SQL on the test's database with a connection of its own.
    void Sql(const QString& statement);
    // Reads one value back from the database.
    QString SqlValue(const QString& query);
    // Adds a task straight to the database (before the start) and returns its ID.
    int AddStoredTask(const QString& caption, TDateTime when, bool alert = true, bool done = false,
                      bool notified = false, const QString& category = {});

    TestDb db;
    std::unique_ptr<AlsaTestHome> sound;
    bool started = false;
};

class QAction;
// Chooses `item` in the tray menu with the mouse, the menu opened by a
// right press on the tray icon.
void ChooseInTray(QAction* item);
