// The journal of unsent changes: a file of the program's own beside the
// database that holds every change the database has not taken yet, so
// that a crash, a power cut or a failed last send loses nothing. It is
// rewritten whole (atomically, readable by its owner only) whenever the
// pending changes change, removed when nothing is pending, and sent at
// the next start.
#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "data/Value.h"

// One pending change of one row.
struct JournalRow {
    enum Kind : quint8 { Delete = 0, Insert = 1, Update = 2 };
    QString table;
    Kind kind = Insert;
    Value key;            // the row's key (NULL for a row the database numbers)
    QStringList changed;  // an update: the columns that changed
    std::vector<std::pair<QString, Value>> values;  // insert and update: the whole row
};

struct JournalContents {
    std::vector<JournalRow> rows;
    bool damaged = false;  // part of the file could not be read
    QString problem;       // what was wrong, for the user
};

// The bytes of a journal, and back. Reading never fails: it keeps every
// whole record it can verify and says what it could not read.
QByteArray EncodeJournal(const std::vector<JournalRow>& rows);
JournalContents DecodeJournal(const QByteArray& bytes);

class TJournal {
  public:
    TJournal() = default;
    explicit TJournal(QString path) : path_(std::move(path)) {}
    const QString& Path() const { return path_; }
    bool Exists() const;

    // Replaces the file by these rows (no rows: removes it). False with
    // `error` set when it cannot be written.
    bool Write(const std::vector<JournalRow>& rows, QString* error);
    JournalContents Read() const;
    // Moves a damaged file out of the way under a name of its own, so that
    // what could not be read stays on the disk; returns that name.
    QString SetAside() const;

  private:
    QString path_;
};

// Where the journal of the database at `databasePath` lives: beside it,
// with the database's name and the extension ".journal".
QString JournalPathFor(const QString& databasePath);
