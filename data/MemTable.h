// An in-memory table: the rows of one database table read whole at start,
// one current row shared by all its readers, editing through an edit
// buffer, and a log of the changes not yet sent to the database.
//
// Values are kept column by column, so that the reminder check, which
// walks a few columns of every row ten times a second, reads memory in
// order. Columns are reached by name through TField handles resolved once.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <cstdint>
#include <vector>

#include "core/DateTime.h"
#include "data/Value.h"

class TMemTable;

// A column of a table, working on the table's current row (or its edit
// buffer while the table is in edit or insert mode).
class TField {
  public:
    TField() = default;
    TField(TMemTable* table, int index) : table_(table), index_(index) {}

    int index() const { return index_; }
    const FieldDef& def() const;

    bool IsNull() const;
    qint64 AsInteger() const;
    double AsFloat() const;
    TDateTime AsDateTime() const { return AsFloat(); }
    QString AsString() const;
    QByteArray AsBytes() const;
    bool AsBoolean() const;  // first character T, t, Y or y

    void SetNull();
    void SetInteger(qint64 v);
    void SetFloat(double v);
    void SetDateTime(TDateTime v) { SetFloat(v); }
    void SetString(const QString& v);  // cut to the column's size
    void SetBytes(const QByteArray& v);
    void SetBoolean(bool v);        // written as "T" or "F"
    void SetValue(const Value& v);  // in the form the column keeps

  private:
    TMemTable* table_ = nullptr;
    int index_ = -1;
};

class TMemTable {
  public:
    enum class State { Inactive, Browse, Edit, Insert };
    enum class RowStatus : uint8_t { Unmodified, Inserted, Modified };

    // `keyField` names the column that identifies a row in the database;
    // `sortField`, when given, keeps the rows in its ascending order.
    TMemTable(QString tableName, QString keyField, QString sortField = {});

    const QString& TableName() const { return tableName_; }
    const QString& KeyFieldName() const { return keyName_; }
    // Chooses another key column (for a table that lacks the usual one).
    void SetKeyField(const QString& name);

    // Fills the table from a query's columns and rows; the table becomes
    // active with the first row current and no pending changes.
    void Load(std::vector<FieldDef> fields, std::vector<std::vector<Value>> rows);
    // The same from values kept column by column.
    void LoadColumns(std::vector<FieldDef> fields, std::vector<std::vector<Value>> columns);
    void Close();  // drops rows and changes; the table becomes inactive
    bool Active() const { return state_ != State::Inactive; }
    State GetState() const { return state_; }

    const std::vector<FieldDef>& Fields() const { return fields_; }
    int FieldIndex(const QString& name) const;  // -1 when unknown
    // Throws EQuillet for an unknown column.
    TField FieldByName(const QString& name);

    // Navigation. Past the last row Eof() is true and the last row stays
    // current, as after stepping off the end of the table.
    int RecordCount() const { return int(status_.size()); }
    bool IsEmpty() const { return status_.empty(); }
    void First();
    void Next();
    bool Eof() const { return eof_; }
    int RecNo() const { return cur_; }  // 0-based position, -1 when empty
    void SetRecNo(int row);
    // Makes the row whose key equals `id` current; false when none has it.
    // A key that was replaced (a number the program gave a new row before
    // the database gave it its own) still finds its row.
    bool Locate(qint64 id);
    // The key a row found by `id` has now: `id` itself unless it was replaced.
    qint64 ResolveKey(qint64 id) const;

    // Editing. Navigating or starting another edit posts a pending one.
    void Append();  // a new empty row in the edit buffer
    void Edit();    // the current row into the edit buffer; on an empty table: Append
    void Post();
    void Cancel();
    void Delete();  // deletes the current row

    // ---- Many rows at once, in time linear in the table's size, each with
    // the outcome of the one-row operations it stands for.

    // Append, setting the columns and Post for each of `rows` (values in
    // column order, missing ones NULL) in turn; the last of them is current.
    void AppendRows(std::vector<std::vector<Value>> rows);
    // The same with the new rows' values by column: `columns[c][k]` is
    // column c of new row k.
    void AppendColumns(std::vector<std::vector<Value>> columns);
    // Locate and Delete for each of `ids` in turn (an ID not found is
    // passed over); returns how many rows went.
    int DeleteByKeys(const std::vector<qint64>& ids);

    // Direct access by row and column, for readers that walk the table.
    const Value& Cell(int row, int column) const { return columns_[column][row]; }

    // ---- The change log: what the next send must write.
    struct Change {
        enum Kind { Insert, Update, Delete } kind;
        int row = -1;          // row of an insert or update
        Value key;             // key of an update or delete
        uint64_t columns = 0;  // columns to write (bit per column index)
    };
    bool HasChanges() const { return changeCount_ > 0 || !deletedKeys_.empty(); }
    std::vector<Change> PendingChanges() const;
    // After a successful send: every row is as stored.
    void ChangesApplied();
    // Sets a value that the database filled in (a key from RETURNING)
    // without logging it as a change.
    void SetStoredValue(int row, int column, const Value& v);
    RowStatus StatusOf(int row) const { return status_[row]; }
    // After a send of which these changes reached the database: they are no
    // longer pending; the rest stays. Row numbers are those of the changes.
    void MarkApplied(const std::vector<Change>& done);
    // Gives a new row, not yet stored, another key; the old one stays an
    // alias by which Locate still finds the row.
    void ReplaceKey(int row, const Value& key);
    // A new row whose insert may have reached the database although its
    // send failed (the connection broke at the commit). Deleting it then
    // still sends a delete.
    void SetMaybeStored(int row);
    bool MaybeStored(int row) const;
    // Keys of deleted rows still to be deleted in the database.
    const std::vector<Value>& DeletedKeys() const { return deletedKeys_; }

  private:
    friend class TField;

    void CheckActive() const;
    void CheckBrowseMode();
    bool Editing() const { return state_ == State::Edit || state_ == State::Insert; }
    const Value& Read(int column) const;
    void Write(int column, Value v);
    int InsertPosition(const Value& sortValue, int skipRow) const;
    void MoveRow(int from, int to);
    void InsertRow(int at, std::vector<Value>&& values);
    void EraseRow(int at);
    bool SortLess(const Value& a, const Value& b) const;
    // The row holding `key` (the first, should several), -1 when none.
    int RowOfKey(qint64 key);
    void KeysMoved() {
        keyRows_.clear();
        keyScans_ = 0;
    }

    QString tableName_, keyName_, sortName_;
    int keyIndex_ = -1, sortIndex_ = -1;
    std::vector<FieldDef> fields_;
    QHash<QString, int> index_;  // upper-case name -> column
    std::vector<std::vector<Value>> columns_;
    std::vector<RowStatus> status_;
    std::vector<uint64_t> dirty_;  // columns changed since the last send
    std::vector<Value> deletedKeys_;
    int changeCount_ = 0;               // rows that are not Unmodified
    QHash<qint64, qint64> keyAliases_;  // replaced key -> the key that followed it
    QSet<qint64> maybeStored_;          // keys of new rows that may be stored already
    // Row of each key, made when many look-ups come between two changes of
    // the rows' places; empty until then (a look-up walks the keys).
    QHash<qint64, int> keyRows_;
    int keyScans_ = 0;  // look-ups by walking since the rows last moved

    State state_ = State::Inactive;
    int cur_ = -1;
    bool eof_ = true;
    std::vector<Value> buffer_;  // edit buffer
    uint64_t bufferDirty_ = 0;
};
