// A database file of a test's own: the template made from db/schema.sql,
// copied into a fresh folder that the server can reach. The folder also
// serves as the program's folder (settings file, sound, old data files).
#pragma once

#include <QString>
#include "tests/support/TempDir.h"

class TestDb {
  public:
    TestDb();
    const QString& dir() const { return dir_.path(); }
    QString dbPath() const { return dir_.file(QStringLiteral("qlbase.fdb")); }
    // The address the program builds for this folder.
    QString address() const;
    // Points the program's folder here (as if the executable lay in it).
    void useAsExeDir() const;

  private:
    TempDir dir_;
};

// Path of the template database, created on first use.
QString TemplateDatabase();
