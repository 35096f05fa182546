// Sending the changes of one in-memory table to the database, in one
// transaction. An object lives for one send; the data module makes one per
// table and try. Each rule of the send is a member of its own:
//
// - New rows numbered by the program itself get numbers from the database
//   first, kept in the journal before the rows go out.
// - New rows go in the order of their numbers.
// - Deletes go as IN lists of up to 500 keys, new rows as EXECUTE BLOCKs of
//   up to 100 inserts; a run the database does not take goes one by one.
// - An edit of a row deleted elsewhere inserts the row again.
// - After a duplicate key, our own row of an earlier send is updated, and a
//   new row whose number someone else's row holds gets another number.
// - One lock wait per try: a row held after the wait stops the rest.
// - What kept a part back is classified, the first trouble reported.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "core/Error.h"
#include "data/FbClient.h"
#include "data/MemTable.h"
#include "data/SendTrouble.h"

// A number the program gave a new row itself, until the database numbers it.
bool IsProvisionalKey(const Value& key);

class ChangeSender {
  public:
    struct Callbacks {
        // Numbers from the database for `count` new rows, none of them used
        // in the table yet. Empty for a table the database numbers itself.
        std::function<std::vector<int>(int count)> numbers;
        // Rows got other numbers before going out: the journal is written
        // again, so that a send repeated after a crash finds them stored.
        std::function<void()> keysChanged;
        // After each statement: how many of the changes have been sent.
        std::function<void(size_t done, size_t total)> progress;
    };

    // `lockWaitSec` bounds the wait for a row another connection holds (0:
    // none). Throws when the table has no key column.
    ChangeSender(FbConnection& connection, TMemTable& table, int lockWaitSec, Callbacks callbacks);
    ~ChangeSender();
    ChangeSender(const ChangeSender&) = delete;
    ChangeSender& operator=(const ChangeSender&) = delete;

    // Sends every pending change of the table; returns what kept a part of
    // them back (None: all went), the server's text in `failure`. What went
    // is marked applied in the table only after the commit. Throws when the
    // connection failed, and then nothing was taken.
    SendTrouble Send(QString& failure);

    // What a failure means for the send: the kind the error codes name,
    // Unreachable whenever the connection no longer answers.
    static SendTrouble Classify(FbConnection& connection, const EQuillet& e);

  private:
    using Change = TMemTable::Change;

    // ---- The rules, in the order a send meets them.

    // New rows numbered by the program itself get numbers from the database
    // before they go, and the journal keeps the new numbers first.
    void GiveStoredKeys();
    // New rows go in the order of their numbers (the table keeps them by
    // their moments), so that the database adds each at the end of the
    // key's index; each change is a row of its own, so their order is free.
    void OrderNewRowsByKey();
    // How many changes from `i` go in one statement: up to 500 deletes, or
    // up to 100 plain inserts with the same filled columns and under 60 KB
    // of statement text; 1 for any other change.
    size_t RunLength(size_t i) const;
    // A new row with its number, not possibly stored already: it may go in
    // a block with others.
    bool PlainInsert(const Change& c) const;
    // A run in one statement: deletes as one IN list, inserts as one
    // EXECUTE BLOCK. False when the database does not take it whole; the
    // run then goes one by one.
    bool SendRun(size_t i, size_t n);
    // A run the database does not take goes one by one, each change dealt
    // with by itself; false when the send stops here.
    bool SendOneByOne(size_t i, size_t n);
    // One change by itself; false when the send stops here.
    bool SendOne(const Change& c);
    // A change the database did not take, other than for want of an
    // answer (that ends the whole send): it stays pending, and the first
    // such trouble is the one reported.
    void KeepBack(SendTrouble kind, const QString& message);
    // One lock wait per try: after a row held by another connection was
    // waited for, the rest waits for the next try rather than wait again; a
    // row held without a wait, or a refused one, lets the others go on.
    bool GoesOnAfter(SendTrouble kind) const;
    void SendInsert(const Change& c);
    // A new row the database numbers (the notes page): when the user's row
    // is there already (an earlier send that got through) it is updated, so
    // that a repeated send never makes a second one.
    void InsertNumberedByDatabase(const Change& c);
    // A new row with its number; a duplicate key is looked into by
    // OurRowOrAnother, a few times at most.
    void InsertNumbered(const Change& c);
    enum class DuplicateKey { OursUpdated, Renumbered, Unexplained };
    // Our row vs. someone else's number after a duplicate key: our own
    // insert of an earlier send that broke at its commit is updated; a row
    // written elsewhere keeps the number and ours takes another, to be
    // inserted again. Unexplained: no row holds the number, or the table
    // has no numbers to give.
    DuplicateKey OurRowOrAnother(const Change& c);
    // An edit of a row deleted elsewhere writes the row again: the user's
    // version wins.
    void SendUpdate(const Change& c);
    // The commit: when it breaks, the inserts sent may have reached the
    // database; after it, what went is applied and the stored keys set.
    void Commit();

    // ---- Statements of the transaction.

    FbConnection::Statement& Execute(const QString& sql, const std::vector<Value>& params,
                                     std::vector<Value>* out = nullptr);
    // The row's columns in `mask`: their quoted names and values.
    void Columns(int row, uint64_t mask, QStringList& names, std::vector<Value>& params) const;
    Value Insert(int row, uint64_t mask, bool returning);
    quint64 Update(int row, uint64_t mask, const Value& where);
    bool Stored(const Value& key);
    // The EXECUTE BLOCK of `rows` inserts of the columns in `mask`, made
    // once per shape.
    const QString& BlockInsertSql(uint64_t mask, size_t rows);
    // The EXECUTE BLOCK of `keys` deletes, each of one key.
    const QString& BlockDeleteSql(size_t keys);

    FbConnection& connection_;
    TMemTable& t_;
    const int lockWaitSec_;
    const Callbacks callbacks_;
    const std::vector<FieldDef>& fields_;
    int keyIndex_ = -1;
    int userIndex_ = -1;
    QString table_, key_;  // quoted names

    std::vector<Change> changes_;
    std::unique_ptr<FbConnection::Transaction> tr_;
    std::map<QString, std::unique_ptr<FbConnection::Statement>> prepared_;
    std::map<std::pair<uint64_t, size_t>, QString> blockSql_;  // by columns and rows
    std::map<size_t, QString> deleteSql_;                      // by keys
    // Keys the database hands out for inserted rows land in the table only
    // once the whole send has been committed.
    std::vector<std::pair<int, Value>> storedKeys_;
    std::vector<Change> done_;
    SendTrouble trouble_ = SendTrouble::None;
    QString failure_;
};
