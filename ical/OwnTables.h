// The program's own tables in the database, beside those of its records
// (which keep their columns): QUILLET_IDENTITY, one row with the
// database's identity, a random text made once, which the UIDs of its
// exports carry; and QUILLET_IMPORTED, one row per import with the keys of
// the records it added (8 bytes each, least significant first), so that a
// file imported twice adds nothing the second time. Both are made by the program when the database
// lacks them.
#pragma once

#include <QSet>
#include <QString>
#include <vector>

class FbConnection;

class TOwnTables {
  public:
    explicit TOwnTables(FbConnection& connection) : c_(connection) {}

    // The database's identity; made and stored at its first use.
    QString Identity();
    QSet<quint64> ImportedKeys();
    // Remembers the keys of an import's records, in one row.
    void RememberImported(const std::vector<quint64>& keys);

  private:
    void EnsureTables();

    FbConnection& c_;
    bool ready_ = false;
    QString identity_;
};
