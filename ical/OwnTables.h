// The program's own tables in the database, beside those of its records
// (which keep their columns): QUILLET_IDENTITY, one row with the
// database's identity, a random text made once, which the UIDs of its
// exports carry; and QUILLET_IMPORTED, the keys of the records imported
// from files, so that a file imported twice adds nothing the second time.
// Both are made by the program when the database lacks them.
#pragma once

#include <QSet>
#include <QString>
#include <vector>

class FbConnection;

struct ImportedRecord {
    QString key;
    bool task = false;
    int id = 0;  // the row it became
};

class TOwnTables {
  public:
    explicit TOwnTables(FbConnection& connection) : c_(connection) {}

    // The database's identity; made and stored at its first use.
    QString Identity();
    QSet<QString> ImportedKeys();
    // Remembers the records of an import, all in one transaction.
    void RememberImported(const std::vector<ImportedRecord>& records);

    // Rows of one statement when many keys are stored.
    static constexpr int BlockRows = 100;

  private:
    void EnsureTables();
    static QString BlockSql(int rows);

    FbConnection& c_;
    bool ready_ = false;
    QString identity_;
};
