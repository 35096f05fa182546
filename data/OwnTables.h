// The program's own tables in the database, beside those of its records
// (which keep their columns): QUILLET_IDENTITY, one row with the
// database's identity, a random text made once, which the UIDs of its
// exports carry; and QUILLET_IMPORTED, one row per import with the keys of
// the records it added and the numbers of their rows (16 bytes each: key,
// row number, 0 for a task or 1 for an event; least significant first), so
// that a file imported twice (an iCalendar or vCard file, or the previous
// version's data files) adds nothing the second time. A row is
// confirmed once the import's rows are stored or journalled; until then its
// keys count only for rows that exist. Both tables are made by the program
// when the database lacks them.
#pragma once

#include <QSet>
#include <QString>
#include <QtGlobal>
#include <vector>

#include "data/FbClient.h"

// A write to the program's own tables waits a few seconds for a row
// another connection holds, not for ever.
FbConnection::TransactionOptions OwnTableWriting();

// One of the program's own tables: its name and the statements that make it.
struct OwnTableDef {
    const char* name;
    std::vector<const char*> ddl;
};
// Makes those of `tables` the database lacks, each committed before any row
// may go into it.
void CreateMissingTables(FbConnection& c, const std::vector<OwnTableDef>& tables);

class TOwnTables {
  public:
    explicit TOwnTables(FbConnection& connection) : c_(connection) {}

    // The database's identity; made and stored at its first use.
    QString Identity();
    // The keys of earlier imports whose records are there: confirmed, or
    // their rows among the given numbers.
    QSet<quint64> ImportedKeys(const QSet<int>& taskIds, const QSet<int>& eventIds);
    // Remembers the keys of an import's records (one per task, then one per
    // event) with the numbers of their rows, in one unconfirmed row;
    // returns the token that confirms it.
    qint64 RememberImported(const std::vector<quint64>& keys, const std::vector<int>& taskIds,
                            const std::vector<int>& eventIds);
    void ConfirmImported(qint64 token);

  private:
    void EnsureTables();

    FbConnection& c_;
    bool ready_ = false;
    QString identity_;
};
