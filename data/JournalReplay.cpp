#include "data/JournalReplay.h"

#include <QSet>
#include <cmath>

#include "core/Error.h"

namespace {

// Moments are stored to a ten-thousandth of a second: a day's fraction of
// about 1.2e-9.
constexpr double MomentTolerance = 2e-9;

QString storedText(const Value& v, const FieldDef& f) {
    QString s = v.isNull() ? QString() : v.toText();
    if (f.size > 0 && s.size() > f.size) s.truncate(f.size);
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

bool sameValue(const Value& a, const Value& b, const FieldDef& f) {
    const bool numeric =
        f.type == FieldType::Integer || f.type == FieldType::Float || f.type == FieldType::DateTime;
    if (a.isNull() || b.isNull()) {
        if (numeric || a.isNull() == b.isNull()) return a.isNull() == b.isNull();
    }
    if (numeric) return std::fabs(a.toFloat() - b.toFloat()) <= MomentTolerance;
    if (a.kind() == Value::Bytes || b.kind() == Value::Bytes)
        return (a.isNull() ? QByteArray() : a.toBytes()) ==
               (b.isNull() ? QByteArray() : b.toBytes());
    return storedText(a, f) == storedText(b, f);
}

// A journal row back into its table over row it found (or a new one): a
// row the database numbers is the user's one row.
void applyJournalRow(TMemTable& t, const JournalRow& r) {
    const QString& keyName = t.KeyFieldName();
    bool found = false;
    if (!r.key.isNull())
        found = t.Locate(r.key.toInt());
    else if (!t.IsEmpty()) {
        t.First();
        found = true;
    }
    if (found)
        t.Edit();
    else
        t.Append();
    for (const auto& [name, value] : r.values) {
        if (t.FieldIndex(name) < 0) continue;
        const bool isKey = name.compare(keyName, Qt::CaseInsensitive) == 0;
        if (found && (isKey || (r.kind == JournalRow::Update &&
                                !r.changed.contains(name, Qt::CaseInsensitive))))
            continue;
        t.FieldByName(name).SetValue(value);
    }
    t.Post();
}

// A journal row as the table's values, in column order.
std::vector<Value> journalValues(const TMemTable& t, const JournalRow& r) {
    std::vector<Value> row(t.Fields().size());
    for (const auto& [name, value] : r.values) {
        const int i = t.FieldIndex(name);
        if (i >= 0) row[size_t(i)] = value;
    }
    return row;
}

// The row of `t` holding `key`, -1 when none.
int rowOf(TMemTable& t, qint64 key) {
    const int k = t.FieldIndex(t.KeyFieldName());
    if (k < 0 || !t.Locate(key)) return -1;
    const int row = t.RecNo();
    return t.Cell(row, k).toInt() == key ? row : -1;
}

}  // namespace

bool SameStoredRow(const TMemTable& t, int row, const JournalRow& r, const QStringList& skip) {
    for (const auto& [name, value] : r.values) {
        const int i = t.FieldIndex(name);
        if (i < 0 || skip.contains(name, Qt::CaseInsensitive)) continue;
        if (!sameValue(value, t.Cell(row, i), t.Fields()[size_t(i)])) return false;
    }
    return true;
}

int ApplyJournalRows(TMemTable& t, const std::vector<const JournalRow*>& rows,
                     const std::function<Value()>& newKey) {
    int applied = 0;
    std::vector<std::vector<Value>> added;
    QSet<qint64> addedKeys;
    const int keyIndex = t.FieldIndex(t.KeyFieldName());
    // `apply` returns how many rows it applied.
    auto guarded = [&](const auto& apply) {
        try {
            applied += apply();
        } catch (const EQuillet&) {
            t.Cancel();
        }
    };
    auto addGathered = [&] {
        if (added.empty()) return;
        guarded([&] {
            const int count = int(added.size());
            t.AppendRows(std::move(added));
            return count;
        });
        added.clear();
        addedKeys.clear();
    };
    for (size_t i = 0; i < rows.size();) {
        const JournalRow& r = *rows[i];
        if (r.kind == JournalRow::Delete) {
            addGathered();
            std::vector<qint64> keys;
            size_t end = i;
            for (; end < rows.size() && rows[end]->kind == JournalRow::Delete; ++end)
                if (!rows[end]->key.isNull()) keys.push_back(rows[end]->key.toInt());
            guarded([&] {
                t.DeleteByKeys(keys);
                return int(end - i);
            });
            i = end;
            continue;
        }
        guarded([&] {
            if (r.key.isNull() || keyIndex < 0 || addedKeys.contains(r.key.toInt())) {
                addGathered();
                applyJournalRow(t, r);
                return 1;
            }
            const int at = rowOf(t, r.key.toInt());
            if (at < 0) {  // counted when the gathered rows go in
                added.push_back(journalValues(t, r));
                addedKeys.insert(r.key.toInt());
                return 0;
            }
            const QStringList skip = r.kind == JournalRow::Update ? r.changed : QStringList();
            if (!SameStoredRow(t, at, r, skip) && newKey) {
                // Another row holds the number: ours goes in beside it.
                std::vector<Value> row = journalValues(t, r);
                row[size_t(keyIndex)] = newKey();
                added.push_back(std::move(row));
                return 0;
            }
            if (r.kind == JournalRow::Insert) return 1;  // stored already
            addGathered();
            applyJournalRow(t, r);
            return 1;
        });
        ++i;
    }
    addGathered();
    return applied;
}
