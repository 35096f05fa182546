#include "data/MemTable.h"
#include "core/Error.h"
#include "core/Win1251.h"

#include <algorithm>
#include <numeric>

namespace {

const Value& nullValue() {
    static const Value v;
    return v;
}

// A value in the form its column keeps.
Value coerce(const FieldDef& f, Value v) {
    if (v.isNull()) return v;
    switch (f.type) {
        case FieldType::Integer:
            return v.kind() == Value::Int ? v : Value::FromInt(v.toInt());
        case FieldType::Float:
        case FieldType::DateTime:
            return v.kind() == Value::Float ? v : Value::FromFloat(v.toFloat());
        case FieldType::Text:
        case FieldType::Boolean: {
            QString s = v.toText();
            if (f.size > 0 && s.size() > f.size) s.truncate(f.size);
            // The flags of every row share their two texts.
            static const Value yes = Value::FromText(QStringLiteral("T"));
            static const Value no = Value::FromText(QStringLiteral("F"));
            if (s.size() == 1 && (s[0] == u'T' || s[0] == u'F')) return s[0] == u'T' ? yes : no;
            return Value::FromText(ThroughWin1251(s));
        }
        case FieldType::Blob:
            if (f.textBlob) return Value::FromText(ThroughWin1251(v.toText()));
            return v.kind() == Value::Bytes ? v : Value::FromBytes(v.toBytes());
    }
    return v;
}

// Look-ups by walking the keys before the table makes itself an index.
constexpr int ScansBeforeIndex = 16;

// Keeps the elements of `v` whose place is not marked in `gone`.
template <class T>
void keepUnmarked(std::vector<T>& v, const std::vector<char>& gone) {
    size_t to = 0;
    for (size_t from = 0; from < v.size(); ++from)
        if (!gone[from]) v[to++] = std::move(v[from]);
    v.resize(to);
}

}  // namespace

// ------------------------------------------------------------------ TField

const FieldDef& TField::def() const {
    return table_->fields_[index_];
}
bool TField::IsNull() const {
    return table_->Read(index_).isNull();
}
qint64 TField::AsInteger() const {
    return table_->Read(index_).toInt();
}
double TField::AsFloat() const {
    return table_->Read(index_).toFloat();
}
QString TField::AsString() const {
    return table_->Read(index_).toText();
}
QByteArray TField::AsBytes() const {
    return table_->Read(index_).toBytes();
}
bool TField::AsBoolean() const {
    return table_->Read(index_).toFlag();
}

void TField::SetNull() {
    table_->Write(index_, Value());
}
void TField::SetInteger(qint64 v) {
    table_->Write(index_, Value::FromInt(v));
}
void TField::SetFloat(double v) {
    table_->Write(index_, Value::FromFloat(v));
}
void TField::SetString(const QString& v) {
    table_->Write(index_, Value::FromText(v));
}
void TField::SetBytes(const QByteArray& v) {
    table_->Write(index_, Value::FromBytes(v));
}
void TField::SetBoolean(bool v) {
    table_->Write(index_, Value::FromText(FlagText(v)));
}
void TField::SetValue(const Value& v) {
    table_->Write(index_, v);
}

// --------------------------------------------------------------- TMemTable

TMemTable::TMemTable(QString tableName, QString keyField, QString sortField)
    : tableName_(std::move(tableName)),
      keyName_(std::move(keyField)),
      sortName_(std::move(sortField)) {}

void TMemTable::Load(std::vector<FieldDef> fields, std::vector<std::vector<Value>> rows) {
    std::vector<std::vector<Value>> columns(fields.size());
    for (auto& c : columns)
        c.reserve(rows.size());
    for (auto& row : rows)
        for (size_t c = 0; c < fields.size(); ++c)
            columns[c].push_back(c < row.size() ? std::move(row[c]) : Value());
    LoadColumns(std::move(fields), std::move(columns));
}

void TMemTable::LoadColumns(std::vector<FieldDef> fields, std::vector<std::vector<Value>> columns) {
    Close();
    if (fields.size() > 64) throw EQuillet(QStringLiteral("Слишком много столбцов"));
    fields_ = std::move(fields);
    for (int i = 0; i < int(fields_.size()); ++i)
        index_.insert(fields_[i].name.toUpper(), i);
    keyIndex_ = FieldIndex(keyName_);
    sortIndex_ = sortName_.isEmpty() ? -1 : FieldIndex(sortName_);
    columns.resize(fields_.size());
    const size_t count = columns.empty() ? 0 : columns[0].size();
    for (auto& c : columns)
        c.resize(count);

    // Keep the database's order among equal sort values.
    if (sortIndex_ >= 0) {
        const std::vector<Value>& key = columns[size_t(sortIndex_)];
        std::vector<size_t> order(count);
        std::iota(order.begin(), order.end(), 0);
        if (!std::is_sorted(order.begin(), order.end(),
                            [&](size_t a, size_t b) { return SortLess(key[a], key[b]); })) {
            std::stable_sort(order.begin(), order.end(),
                             [&](size_t a, size_t b) { return SortLess(key[a], key[b]); });
            // Each column put in order where it lies, along the cycles of
            // the order: no second copy of the table's memory.
            std::vector<char> placed(count, 0);
            for (size_t start = 0; start < count; ++start) {
                if (placed[start] || order[start] == start) continue;
                for (auto& c : columns) {
                    Value first = std::move(c[start]);
                    size_t at = start;
                    for (; order[at] != start; at = order[at])
                        c[at] = std::move(c[order[at]]);
                    c[at] = std::move(first);
                }
                for (size_t at = start; !placed[at]; at = order[at])
                    placed[at] = 1;
            }
        }
    }
    columns_ = std::move(columns);
    status_.assign(count, RowStatus::Unmodified);
    dirty_.assign(count, 0);
    state_ = State::Browse;
    First();
}

void TMemTable::Close() {
    KeysMoved();
    fields_.clear();
    index_.clear();
    columns_.clear();
    status_.clear();
    dirty_.clear();
    deletedKeys_.clear();
    keyAliases_.clear();
    maybeStored_.clear();
    buffer_.clear();
    changeCount_ = 0;
    keyIndex_ = sortIndex_ = -1;
    state_ = State::Inactive;
    cur_ = -1;
    eof_ = true;
}

void TMemTable::SetKeyField(const QString& name) {
    keyName_ = name;
    keyIndex_ = FieldIndex(name);
    KeysMoved();
}

int TMemTable::FieldIndex(const QString& name) const {
    return index_.value(name.toUpper(), -1);
}

TField TMemTable::FieldByName(const QString& name) {
    CheckActive();
    const int i = FieldIndex(name);
    if (i < 0) throw EQuillet(QStringLiteral("%1: поле '%2' не найдено").arg(tableName_, name));
    return TField(this, i);
}

void TMemTable::CheckActive() const {
    if (state_ == State::Inactive)
        throw EQuillet(
            QStringLiteral("Таблица %1 закрыта: нет подключения к базе данных").arg(tableName_));
}

void TMemTable::CheckBrowseMode() {
    CheckActive();
    if (Editing()) Post();
}

void TMemTable::First() {
    CheckBrowseMode();
    cur_ = IsEmpty() ? -1 : 0;
    eof_ = IsEmpty();
}

void TMemTable::Next() {
    CheckBrowseMode();
    if (cur_ + 1 < RecordCount())
        ++cur_;
    else
        eof_ = true;
}

void TMemTable::SetRecNo(int row) {
    CheckBrowseMode();
    if (row < 0 || row >= RecordCount()) return;
    cur_ = row;
    eof_ = false;
}

bool TMemTable::Locate(qint64 id) {
    CheckBrowseMode();
    int row = RowOfKey(id);
    if (row < 0) {
        const qint64 now = ResolveKey(id);
        if (now != id) row = RowOfKey(now);
    }
    if (row < 0) return false;
    cur_ = row;
    eof_ = false;
    return true;
}

int TMemTable::RowOfKey(qint64 key) {
    if (keyIndex_ < 0) return -1;
    const std::vector<Value>& keys = columns_[keyIndex_];
    // A few look-ups walk the keys; many in a row (a batch, a replay) pay
    // for an index once.
    if (keyRows_.isEmpty() && ++keyScans_ > ScansBeforeIndex) {
        keyRows_.reserve(qsizetype(keys.size()));
        for (int r = int(keys.size()) - 1; r >= 0; --r)
            if (!keys[size_t(r)].isNull()) keyRows_.insert(keys[size_t(r)].toInt(), r);
    }
    if (!keyRows_.isEmpty()) return keyRows_.value(key, -1);
    for (int r = 0; r < int(keys.size()); ++r)
        if (!keys[size_t(r)].isNull() && keys[size_t(r)].toInt() == key) return r;
    return -1;
}

qint64 TMemTable::ResolveKey(qint64 id) const {
    // Each replacement adds one link; a chain is short.
    for (int hops = 0; hops < 64; ++hops) {
        auto it = keyAliases_.constFind(id);
        if (it == keyAliases_.constEnd()) break;
        id = *it;
    }
    return id;
}

const Value& TMemTable::Read(int column) const {
    CheckActive();
    if (Editing()) return buffer_[column];
    if (cur_ < 0) return nullValue();
    return columns_[column][cur_];
}

void TMemTable::Write(int column, Value v) {
    CheckActive();
    if (!Editing())
        throw EQuillet(QStringLiteral("Таблица %1 не в режиме редактирования").arg(tableName_));
    buffer_[column] = coerce(fields_[column], std::move(v));
    bufferDirty_ |= uint64_t(1) << column;
}

void TMemTable::Append() {
    CheckBrowseMode();
    buffer_.assign(fields_.size(), Value());
    bufferDirty_ = 0;
    state_ = State::Insert;
}

void TMemTable::Edit() {
    CheckActive();
    if (Editing()) return;
    if (IsEmpty()) {
        Append();
        return;
    }
    buffer_.clear();
    buffer_.reserve(fields_.size());
    for (auto& c : columns_)
        buffer_.push_back(c[cur_]);
    bufferDirty_ = 0;
    state_ = State::Edit;
}

void TMemTable::Cancel() {
    if (!Editing()) return;
    buffer_.clear();
    bufferDirty_ = 0;
    state_ = State::Browse;
}

bool TMemTable::SortLess(const Value& a, const Value& b) const {
    if (a.isNull()) return !b.isNull();
    if (b.isNull()) return false;
    return a.toFloat() < b.toFloat();
}

int TMemTable::InsertPosition(const Value& sortValue, int skipRow) const {
    const int n = RecordCount();
    if (sortIndex_ < 0) return skipRow >= 0 ? n - 1 : n;
    // After every row whose value is not greater: equal values keep the
    // order in which they came.
    const std::vector<Value>& col = columns_[sortIndex_];
    int lo = 0, hi = n - (skipRow >= 0 ? 1 : 0);
    auto at = [&](int i) -> const Value& { return col[skipRow >= 0 && i >= skipRow ? i + 1 : i]; };
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (SortLess(sortValue, at(mid)))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

void TMemTable::InsertRow(int at, std::vector<Value>&& values) {
    for (size_t c = 0; c < columns_.size(); ++c)
        columns_[c].insert(columns_[c].begin() + at, std::move(values[c]));
    status_.insert(status_.begin() + at, RowStatus::Inserted);
    dirty_.insert(dirty_.begin() + at, 0);
    KeysMoved();
}

void TMemTable::EraseRow(int at) {
    for (auto& c : columns_)
        c.erase(c.begin() + at);
    status_.erase(status_.begin() + at);
    dirty_.erase(dirty_.begin() + at);
    KeysMoved();
}

void TMemTable::MoveRow(int from, int to) {
    if (from == to) return;
    auto move = [&](auto& v) {
        if (from < to)
            std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
        else
            std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
    };
    for (auto& c : columns_)
        move(c);
    move(status_);
    move(dirty_);
    KeysMoved();
}

void TMemTable::Post() {
    CheckActive();
    if (!Editing()) return;
    if (state_ == State::Insert) {
        const int pos = InsertPosition(sortIndex_ >= 0 ? buffer_[sortIndex_] : Value(), -1);
        InsertRow(pos, std::move(buffer_));
        ++changeCount_;
        cur_ = pos;
    } else if (bufferDirty_ != 0) {
        const int row = cur_;
        for (size_t c = 0; c < columns_.size(); ++c)
            if (bufferDirty_ & (uint64_t(1) << c)) columns_[c][row] = std::move(buffer_[c]);
        if (keyIndex_ >= 0 && (bufferDirty_ & (uint64_t(1) << keyIndex_))) KeysMoved();
        if (status_[row] == RowStatus::Unmodified) {
            status_[row] = RowStatus::Modified;
            ++changeCount_;
        }
        dirty_[row] |= bufferDirty_;
        if (sortIndex_ >= 0 && (bufferDirty_ & (uint64_t(1) << sortIndex_))) {
            const int to = InsertPosition(columns_[sortIndex_][row], row);
            MoveRow(row, to);
            cur_ = to;
        }
    }
    buffer_.clear();
    bufferDirty_ = 0;
    state_ = State::Browse;
    eof_ = false;
}

void TMemTable::Delete() {
    CheckActive();
    if (state_ == State::Insert) {
        Cancel();
        return;
    }
    Cancel();
    if (IsEmpty() || cur_ < 0)
        throw EQuillet(QStringLiteral("Таблица %1 пуста: удалять нечего").arg(tableName_));
    const int row = cur_;
    if (status_[row] != RowStatus::Unmodified) --changeCount_;
    if (keyIndex_ >= 0 && (status_[row] != RowStatus::Inserted || MaybeStored(row)))
        deletedKeys_.push_back(columns_[keyIndex_][row]);
    EraseRow(row);
    cur_ = std::min(row, RecordCount() - 1);
    eof_ = IsEmpty();
}

void TMemTable::AppendRows(std::vector<std::vector<Value>> rows) {
    std::vector<std::vector<Value>> columns(fields_.size());
    for (auto& column : columns)
        column.reserve(rows.size());
    for (auto& row : rows) {
        row.resize(fields_.size());
        for (size_t c = 0; c < columns.size(); ++c)
            columns[c].push_back(std::move(row[c]));
    }
    rows = {};
    AppendColumns(std::move(columns));
}

void TMemTable::AppendColumns(std::vector<std::vector<Value>> columns) {
    CheckBrowseMode();
    const size_t width = fields_.size(), n = status_.size();
    size_t m = 0;
    for (const auto& column : columns)
        m = std::max(m, column.size());
    if (m == 0) return;
    columns.resize(width);
    for (size_t c = 0; c < width; ++c) {
        columns[c].resize(m);
        for (Value& v : columns[c])
            v = coerce(fields_[c], std::move(v));
    }
    // Each row would land after every row whose sort value is not greater,
    // the new ones before it included: the table and the new rows in their
    // order (equal ones as they came) merged, the table's first among equals.
    std::vector<size_t> order(m);
    std::iota(order.begin(), order.end(), size_t(0));
    const int s = sortIndex_;
    // The sort values read once, as SortLess orders them (NULL first): the
    // comparisons then touch no Value.
    using SortKey = std::pair<bool, double>;
    const auto sortKey = [](const Value& v) {
        return v.isNull() ? SortKey(false, 0) : SortKey(true, v.toFloat());
    };
    std::vector<SortKey> keys;
    if (s >= 0) {
        keys.reserve(m);
        for (const Value& v : columns[size_t(s)])
            keys.push_back(sortKey(v));
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    }
    // Where each row of the result comes from: a row of the table (>= 0) or
    // new row -1 - k.
    std::vector<qint64> from;
    from.reserve(n + m);
    int last = -1;
    for (size_t i = 0, j = 0; i < n || j < m;) {
        const bool old =
            j == m || (i < n && (s < 0 || !(keys[order[j]] < sortKey(columns_[size_t(s)][i]))));
        if (old) {
            from.push_back(qint64(i++));
        } else {
            if (order[j] == m - 1) last = int(from.size());
            from.push_back(-1 - qint64(order[j++]));
        }
    }
    auto merged = [&](auto& v, auto fresh) {
        std::remove_reference_t<decltype(v)> out;
        out.reserve(n + m);
        for (qint64 f : from)
            out.push_back(f >= 0 ? std::move(v[size_t(f)]) : fresh(size_t(-1 - f)));
        v = std::move(out);
    };
    // A column's new values go as soon as they are merged: the next column
    // takes their room.
    for (size_t c = 0; c < width; ++c) {
        merged(columns_[c], [&](size_t k) { return std::move(columns[c][k]); });
        columns[c] = {};
    }
    merged(status_, [](size_t) { return RowStatus::Inserted; });
    merged(dirty_, [](size_t) { return uint64_t(0); });
    changeCount_ += int(m);
    cur_ = last;
    eof_ = false;
    KeysMoved();
}

int TMemTable::DeleteByKeys(const std::vector<qint64>& ids) {
    CheckBrowseMode();
    std::vector<char> gone(status_.size(), 0);
    std::vector<int> deleted;  // rows, in the order of their deletion
    for (qint64 id : ids) {
        int row = RowOfKey(id);
        if (row < 0) {
            const qint64 now = ResolveKey(id);
            if (now != id) row = RowOfKey(now);
        }
        if (row < 0 || gone[size_t(row)]) continue;
        gone[size_t(row)] = 1;
        deleted.push_back(row);
        if (status_[row] != RowStatus::Unmodified) --changeCount_;
        if (status_[row] != RowStatus::Inserted || MaybeStored(row))
            deletedKeys_.push_back(columns_[keyIndex_][row]);
    }
    if (deleted.empty()) return 0;
    for (auto& c : columns_)
        keepUnmarked(c, gone);
    keepUnmarked(status_, gone);
    keepUnmarked(dirty_, gone);
    KeysMoved();
    // Where the last deletion left the cursor: the place its row had then.
    const int last = deleted.back();
    const int before =
        int(std::count_if(deleted.begin(), deleted.end() - 1, [&](int r) { return r < last; }));
    cur_ = std::min(last - before, RecordCount() - 1);
    eof_ = IsEmpty();
    return int(deleted.size());
}

std::vector<TMemTable::Change> TMemTable::PendingChanges() const {
    std::vector<Change> out;
    for (const Value& key : deletedKeys_)
        out.push_back(Change{Change::Delete, -1, key, 0});
    for (int r = 0; r < RecordCount(); ++r) {
        if (status_[r] == RowStatus::Inserted) {
            uint64_t mask = 0;
            for (size_t c = 0; c < columns_.size(); ++c)
                if (!columns_[c][r].isNull()) mask |= uint64_t(1) << c;
            out.push_back(Change{Change::Insert, r, Value(), mask});
        } else if (status_[r] == RowStatus::Modified) {
            const uint64_t mask = dirty_[r] & ~(keyIndex_ >= 0 ? uint64_t(1) << keyIndex_ : 0);
            out.push_back(
                Change{Change::Update, r, keyIndex_ >= 0 ? columns_[keyIndex_][r] : Value(), mask});
        }
    }
    return out;
}

void TMemTable::ChangesApplied() {
    std::fill(status_.begin(), status_.end(), RowStatus::Unmodified);
    std::fill(dirty_.begin(), dirty_.end(), 0);
    deletedKeys_.clear();
    maybeStored_.clear();
    changeCount_ = 0;
}

void TMemTable::MarkApplied(const std::vector<Change>& done) {
    QSet<qint64> deleted;
    bool deletedWithoutKey = false;
    for (const Change& c : done) {
        if (c.kind != Change::Delete) continue;
        if (c.key.isNull())
            deletedWithoutKey = true;
        else
            deleted.insert(c.key.toInt());
    }
    if (!deleted.isEmpty() || deletedWithoutKey) {
        deletedKeys_.erase(std::remove_if(deletedKeys_.begin(), deletedKeys_.end(),
                                          [&](const Value& k) {
                                              return k.isNull() ? deletedWithoutKey
                                                                : deleted.contains(k.toInt());
                                          }),
                           deletedKeys_.end());
        for (qint64 k : deleted)
            maybeStored_.remove(k);
    }
    for (const Change& c : done) {
        if (c.kind == Change::Delete) continue;
        if (c.row < 0 || c.row >= RecordCount() || status_[c.row] == RowStatus::Unmodified)
            continue;
        if (keyIndex_ >= 0 && !columns_[keyIndex_][c.row].isNull())
            maybeStored_.remove(columns_[keyIndex_][c.row].toInt());
        status_[c.row] = RowStatus::Unmodified;
        dirty_[c.row] = 0;
        --changeCount_;
    }
}

void TMemTable::ReplaceKey(int row, const Value& key) {
    if (keyIndex_ < 0) return;
    const Value old = columns_[keyIndex_][row];
    SetStoredValue(row, keyIndex_, key);
    if (old.isNull() || key.isNull()) return;
    keyAliases_.insert(old.toInt(), key.toInt());
    maybeStored_.remove(old.toInt());
}

void TMemTable::SetMaybeStored(int row) {
    if (keyIndex_ >= 0 && !columns_[keyIndex_][row].isNull())
        maybeStored_.insert(columns_[keyIndex_][row].toInt());
}

bool TMemTable::MaybeStored(int row) const {
    return keyIndex_ >= 0 && !columns_[keyIndex_][row].isNull() &&
           maybeStored_.contains(columns_[keyIndex_][row].toInt());
}

void TMemTable::SetStoredValue(int row, int column, const Value& v) {
    columns_[column][row] = coerce(fields_[column], v);
    if (column == keyIndex_) KeysMoved();
    if (state_ == State::Edit && row == cur_) buffer_[column] = columns_[column][row];
}
