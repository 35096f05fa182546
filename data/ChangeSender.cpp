#include "data/ChangeSender.h"
#include "core/Error.h"

#include <algorithm>
#include <bit>

namespace {

QString quoted(const QString& name) {
    return u'"' + name + u'"';
}

// The columns of a row that hold a value.
uint64_t filledColumns(const TMemTable& t, int row) {
    uint64_t mask = 0;
    for (int c = 0; c < int(t.Fields().size()); ++c)
        if (!t.Cell(row, c).isNull()) mask |= uint64_t(1) << c;
    return mask;
}

// The type a column's value is declared with as a parameter of a block.
QString parameterType(const FieldDef& f) {
    switch (f.type) {
        case FieldType::Integer:
            return QStringLiteral("BIGINT");
        case FieldType::Float:
            return QStringLiteral("DOUBLE PRECISION");
        case FieldType::DateTime:
            return QStringLiteral("TIMESTAMP");
        case FieldType::Boolean:
            return QStringLiteral("BOOLEAN");
        case FieldType::Blob:
            return f.textBlob ? QStringLiteral("BLOB SUB_TYPE TEXT CHARACTER SET WIN1251")
                              : QStringLiteral("BLOB SUB_TYPE BINARY");
        case FieldType::Text:
            break;
    }
    return QStringLiteral("VARCHAR(%1) CHARACTER SET WIN1251").arg(f.size > 0 ? f.size : 32765);
}

// Many rows go in one statement: at most so many (the server takes at most
// 255 tables in one statement, and 64 KB of statement text).
constexpr int BlockRows = 100;
constexpr int BlockText = 60000;
// Deletes go as a block of single-key deletes. (The server checks every row
// it reaches through a list `KEY IN (...)` against the whole list again: a
// send of 10,000 deletes in lists of 500 cost it three times as much.)
constexpr int DeleteKeys = 100;

// How many times a new row may meet a number that is taken.
constexpr int DuplicateKeyTries = 3;

}  // namespace

bool IsProvisionalKey(const Value& key) {
    return key.kind() == Value::Int && key.toInt() < 0;
}

ChangeSender::ChangeSender(FbConnection& connection, TMemTable& table, int lockWaitSec,
                           Callbacks callbacks)
    : connection_(connection),
      t_(table),
      lockWaitSec_(lockWaitSec),
      callbacks_(std::move(callbacks)),
      fields_(table.Fields()),
      keyIndex_(table.FieldIndex(table.KeyFieldName())),
      userIndex_(table.FieldIndex(QStringLiteral("USER_ID"))) {
    if (keyIndex_ < 0)
        throw EQuillet(
            QStringLiteral("%1: нет ключевого столбца %2").arg(t_.TableName(), t_.KeyFieldName()));
    table_ = quoted(t_.TableName());
    key_ = quoted(fields_[keyIndex_].name);
}

ChangeSender::~ChangeSender() = default;

SendTrouble ChangeSender::Classify(FbConnection& connection, const EQuillet& e) {
    if (const auto* fb = dynamic_cast<const FbError*>(&e)) {
        const SendTrouble t = ClassifySendError(fb->codes(), true);
        if (t == SendTrouble::Unreachable) return t;
        return connection.Ping() ? t : SendTrouble::Unreachable;
    }
    return connection.IsAttached() && connection.Ping() ? SendTrouble::Refused
                                                        : SendTrouble::Unreachable;
}

SendTrouble ChangeSender::Send(QString& failure) {
    GiveStoredKeys();
    changes_ = t_.PendingChanges();
    OrderNewRowsByKey();
    if (changes_.empty()) {
        t_.ChangesApplied();
        return SendTrouble::None;
    }
    FbConnection::TransactionOptions options;
    options.lockWaitSec = lockWaitSec_;
    tr_ = connection_.Begin(options);
    for (size_t i = 0; i < changes_.size();) {
        const size_t n = RunLength(i);
        if (n > 1 && SendRun(i, n)) {
            i += n;
        } else {
            if (!SendOneByOne(i, n)) break;
            i += n;
        }
        if (callbacks_.progress) callbacks_.progress(i, changes_.size());
    }
    Commit();
    if (trouble_ != SendTrouble::None) failure = failure_;
    return trouble_;
}

// ------------------------------------------------------------- the rules

void ChangeSender::GiveStoredKeys() {
    if (!callbacks_.numbers) return;
    std::vector<int> rows;
    for (int r = 0; r < t_.RecordCount(); ++r)
        if (t_.StatusOf(r) == TMemTable::RowStatus::Inserted &&
            IsProvisionalKey(t_.Cell(r, keyIndex_)))
            rows.push_back(r);
    if (rows.empty()) return;
    const std::vector<int> ids = callbacks_.numbers(int(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i)
        t_.ReplaceKey(rows[i], Value::FromInt(ids[i]));
    if (callbacks_.keysChanged) callbacks_.keysChanged();
}

void ChangeSender::OrderNewRowsByKey() {
    const auto byKey = [&](const Change& a, const Change& b) {
        const Value &ka = t_.Cell(a.row, keyIndex_), &kb = t_.Cell(b.row, keyIndex_);
        if (ka.isNull() || kb.isNull()) return !ka.isNull() && kb.isNull();
        return ka.toInt() < kb.toInt();
    };
    const auto isInsert = [](const Change& c) { return c.kind == Change::Insert; };
    for (auto from = changes_.begin(); from != changes_.end();) {
        from = std::find_if(from, changes_.end(), isInsert);
        const auto to = std::find_if_not(from, changes_.end(), isInsert);
        std::stable_sort(from, to, byKey);
        from = to;
    }
    // Deletes side by side go in the order of their keys: each statement
    // then meets the pages of one stretch of the table, not of all of it.
    const auto isDelete = [](const Change& c) { return c.kind == Change::Delete; };
    const auto byDeletedKey = [](const Change& a, const Change& b) {
        return a.key.toInt() < b.key.toInt();
    };
    for (auto from = changes_.begin(); from != changes_.end();) {
        from = std::find_if(from, changes_.end(), isDelete);
        const auto to = std::find_if_not(from, changes_.end(), isDelete);
        std::stable_sort(from, to, byDeletedKey);
        from = to;
    }
}

bool ChangeSender::PlainInsert(const Change& c) const {
    return c.kind == Change::Insert && !t_.Cell(c.row, keyIndex_).isNull() &&
           !t_.MaybeStored(c.row);
}

size_t ChangeSender::RunLength(size_t i) const {
    const Change& c = changes_[i];
    size_t n = 1;
    if (c.kind == Change::Delete) {
        while (i + n < changes_.size() && n < DeleteKeys && changes_[i + n].kind == Change::Delete)
            ++n;
    } else if (PlainInsert(c)) {
        const uint64_t mask = filledColumns(t_, c.row);
        const int perRow = 120 + 60 * std::popcount(mask);
        while (i + n < changes_.size() && int(n) < BlockRows && int(n + 1) * perRow < BlockText &&
               PlainInsert(changes_[i + n]) && filledColumns(t_, changes_[i + n].row) == mask)
            ++n;
    }
    return n;
}

bool ChangeSender::SendRun(size_t i, size_t n) {
    try {
        std::vector<Value> params;
        if (changes_[i].kind == Change::Delete) {
            for (size_t j = i; j < i + n; ++j)
                params.push_back(changes_[j].key);
            Execute(BlockDeleteSql(n), params);
        } else {
            const uint64_t mask = filledColumns(t_, changes_[i].row);
            params.reserve(n * size_t(std::popcount(mask)));
            for (size_t j = i; j < i + n; ++j)
                for (int c = 0; c < int(fields_.size()); ++c)
                    if (mask & (uint64_t(1) << c)) params.push_back(t_.Cell(changes_[j].row, c));
            Execute(BlockInsertSql(mask, n), params);
        }
    } catch (const FbError& e) {
        // One of them is refused or meets a row written elsewhere: they go
        // one by one, each dealt with by itself.
        if (Classify(connection_, e) == SendTrouble::Unreachable) throw;
        return false;
    }
    done_.insert(done_.end(), changes_.begin() + qsizetype(i), changes_.begin() + qsizetype(i + n));
    return true;
}

bool ChangeSender::SendOneByOne(size_t i, size_t n) {
    bool goOn = true;
    for (size_t j = i; j < i + n && goOn; ++j)
        goOn = SendOne(changes_[j]);
    return goOn;
}

bool ChangeSender::SendOne(const Change& c) {
    try {
        switch (c.kind) {
            case Change::Delete:
                Execute(QStringLiteral("DELETE FROM %1 WHERE %2=?").arg(table_, key_), {c.key});
                break;
            case Change::Insert:
                SendInsert(c);
                break;
            case Change::Update:
                SendUpdate(c);
                break;
        }
        done_.push_back(c);
        return true;
    } catch (const FbError& e) {
        const SendTrouble kind = Classify(connection_, e);
        if (kind == SendTrouble::Unreachable) throw;
        KeepBack(kind, e.message());
        return GoesOnAfter(kind);
    }
}

void ChangeSender::KeepBack(SendTrouble kind, const QString& message) {
    if (trouble_ != SendTrouble::None) return;
    trouble_ = kind;
    failure_ = message;
}

bool ChangeSender::GoesOnAfter(SendTrouble kind) const {
    return !(kind == SendTrouble::LockConflict && lockWaitSec_ != 0);
}

void ChangeSender::SendInsert(const Change& c) {
    if (t_.Cell(c.row, keyIndex_).isNull())
        InsertNumberedByDatabase(c);
    else
        InsertNumbered(c);
}

void ChangeSender::InsertNumberedByDatabase(const Change& c) {
    if (userIndex_ >= 0) {
        const QueryResult mine = connection_.Query(
            *tr_, QStringLiteral("SELECT FIRST 1 %1 FROM %2 WHERE USER_ID=?").arg(key_, table_),
            {Value::FromInt(CurrentUserId)});
        if (!mine.rows.empty() && !mine.rows[0][0].isNull()) {
            Update(c.row, c.columns, mine.rows[0][0]);
            storedKeys_.emplace_back(c.row, mine.rows[0][0]);
            return;
        }
    }
    storedKeys_.emplace_back(c.row, Insert(c.row, c.columns, true));
}

void ChangeSender::InsertNumbered(const Change& c) {
    for (int attempt = 0;; ++attempt) {
        try {
            Insert(c.row, filledColumns(t_, c.row), false);
            return;
        } catch (const FbError& e) {
            if (!IsDuplicateKeyError(e.codes()) || attempt >= DuplicateKeyTries) throw;
            const DuplicateKey outcome = OurRowOrAnother(c);
            if (outcome == DuplicateKey::OursUpdated) return;
            if (outcome == DuplicateKey::Unexplained) throw;
        }
    }
}

ChangeSender::DuplicateKey ChangeSender::OurRowOrAnother(const Change& c) {
    const Value now = t_.Cell(c.row, keyIndex_);
    if (!Stored(now)) return DuplicateKey::Unexplained;
    // Our own insert of an earlier send that broke at its commit.
    if (t_.MaybeStored(c.row)) {
        Update(c.row, filledColumns(t_, c.row), now);
        return DuplicateKey::OursUpdated;
    }
    // A row written elsewhere holds this number: ours takes a new one and
    // leaves that row alone.
    if (!callbacks_.numbers) return DuplicateKey::Unexplained;
    t_.ReplaceKey(c.row, Value::FromInt(callbacks_.numbers(1).front()));
    if (callbacks_.keysChanged) callbacks_.keysChanged();
    return DuplicateKey::Renumbered;
}

void ChangeSender::SendUpdate(const Change& c) {
    if (Update(c.row, c.columns, c.key) == 0) Insert(c.row, filledColumns(t_, c.row), false);
}

void ChangeSender::Commit() {
    prepared_.clear();
    try {
        tr_->Commit();
    } catch (const EQuillet&) {
        // The commit may have reached the database before the line broke.
        for (const Change& c : done_)
            if (c.kind == Change::Insert) t_.SetMaybeStored(c.row);
        throw;
    }
    t_.MarkApplied(done_);
    for (const auto& [row, value] : storedKeys_)
        if (!value.isNull()) t_.SetStoredValue(row, keyIndex_, value);
}

// ------------------------------------------------------------ statements

FbConnection::Statement& ChangeSender::Execute(const QString& sql, const std::vector<Value>& params,
                                               std::vector<Value>* out) {
    auto& s = prepared_[sql];
    if (!s) s = connection_.Prepare(*tr_, sql);
    s->Execute(params, out);
    return *s;
}

void ChangeSender::Columns(int row, uint64_t mask, QStringList& names,
                           std::vector<Value>& params) const {
    for (int i = 0; i < int(fields_.size()); ++i) {
        if (!(mask & (uint64_t(1) << i))) continue;
        names << quoted(fields_[i].name);
        params.push_back(t_.Cell(row, i));
    }
}

Value ChangeSender::Insert(int row, uint64_t mask, bool returning) {
    QStringList names;
    std::vector<Value> params;
    Columns(row, mask, names, params);
    QString sql = names.isEmpty()
                      ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table_)
                      : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(table_, names.join(u','),
                                 QStringList(names.size(), QStringLiteral("?")).join(u','));
    if (returning) sql += QStringLiteral(" RETURNING ") + key_;
    std::vector<Value> out;
    Execute(sql, params, returning ? &out : nullptr);
    return out.empty() ? Value() : out[0];
}

quint64 ChangeSender::Update(int row, uint64_t mask, const Value& where) {
    QStringList names;
    std::vector<Value> params;
    Columns(row, mask & ~(uint64_t(1) << keyIndex_), names, params);
    if (names.isEmpty()) return 1;
    for (QString& n : names)
        n += QStringLiteral("=?");
    params.push_back(where);
    return Execute(
               QStringLiteral("UPDATE %1 SET %2 WHERE %3=?").arg(table_, names.join(u','), key_),
               params)
        .AffectedRecords();
}

bool ChangeSender::Stored(const Value& key) {
    return !connection_
                .Query(*tr_, QStringLiteral("SELECT 1 FROM %1 WHERE %2=?").arg(table_, key_), {key})
                .rows.empty();
}

const QString& ChangeSender::BlockInsertSql(uint64_t mask, size_t rows) {
    QString& sql = blockSql_[{mask, rows}];
    if (!sql.isEmpty()) return sql;
    QStringList names, declared, inserts;
    for (int c = 0; c < int(fields_.size()); ++c)
        if (mask & (uint64_t(1) << c)) names << quoted(fields_[c].name);
    int p = 0;
    for (size_t j = 0; j < rows; ++j) {
        QStringList values;
        for (int c = 0; c < int(fields_.size()); ++c) {
            if (!(mask & (uint64_t(1) << c))) continue;
            const QString name = QStringLiteral("P%1").arg(p++);
            declared << name + u' ' + parameterType(fields_[c]) + QStringLiteral("=?");
            values << u':' + name;
        }
        inserts << QStringLiteral("INSERT INTO %1 (%2) VALUES (%3);")
                       .arg(table_, names.join(u','), values.join(u','));
    }
    sql = QStringLiteral("EXECUTE BLOCK (%1) AS BEGIN %2 END")
              .arg(declared.join(u','), inserts.join(u' '));
    return sql;
}

const QString& ChangeSender::BlockDeleteSql(size_t keys) {
    QString& sql = deleteSql_[keys];
    if (!sql.isEmpty()) return sql;
    const QString type = parameterType(fields_[keyIndex_]);
    QStringList declared, deletes;
    for (size_t j = 0; j < keys; ++j) {
        declared << QStringLiteral("K%1 %2=?").arg(j).arg(type);
        deletes << QStringLiteral("DELETE FROM %1 WHERE %2=:K%3;").arg(table_, key_).arg(j);
    }
    sql = QStringLiteral("EXECUTE BLOCK (%1) AS BEGIN %2 END")
              .arg(declared.join(u','), deletes.join(u' '));
    return sql;
}
