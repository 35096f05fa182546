// The journal of unsent changes: a file of the program's own beside the
// database (or in the user's state folder when the database's folder takes
// no file) that holds every change the database has not taken yet, so that
// a crash, a power cut or a failed last send loses nothing. A change is in
// it, flushed to the disk, before its first send begins. It is rewritten
// whole (atomically, never through a link, readable by its owner only)
// whenever the pending changes change, removed when nothing is pending, and
// sent at the next start. Its header names the database it was written for.
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
    QString database;      // the database it was written for; empty in older journals
    bool damaged = false;  // part of the file could not be read
    bool refused = false;  // not to be sent at all (nothing in `rows`)
    QString problem;       // what was wrong, for the user
};

// A journal larger than this is not read: it is set aside as damaged.
constexpr qint64 MaxJournalBytes = qint64(64) << 20;

// The bytes of a journal, and back. Reading never fails: it keeps every
// whole record it can verify and says what it could not read. Journals of
// the earlier form, without a header, read as written for any database.
QByteArray EncodeJournal(const std::vector<JournalRow>& rows, const QString& database = {});
JournalContents DecodeJournal(const QByteArray& bytes);

class TJournal {
  public:
    TJournal() = default;
    // `database`: the database the journal is for (empty: any).
    explicit TJournal(QString path, QString database = {})
        : path_(std::move(path)), database_(std::move(database)) {}
    const QString& Path() const { return path_; }
    bool Exists() const;

    // Replaces the file by these rows (no rows: removes it). False with
    // `error` set when it cannot be written.
    bool Write(const std::vector<JournalRow>& rows, QString* error);
    // Refused (with nothing read): a link, another user's file, a file over
    // MaxJournalBytes, or a journal of another database.
    JournalContents Read() const;
    // Moves a damaged file out of the way under a name of its own, so that
    // what could not be read stays on the disk; returns that name.
    QString SetAside() const;

  private:
    QString path_, database_;
};

// Where the journal of the database at `databasePath` lives: beside it,
// with the database's name and the extension ".journal".
QString JournalPathFor(const QString& databasePath);
// Its place in the user's state folder, for a database whose folder takes
// no file: $XDG_STATE_HOME (else ~/.local/state), "quillet/", a name made
// from the database's path.
QString StateJournalPathFor(const QString& databasePath);
