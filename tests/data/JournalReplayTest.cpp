// The journal brought back into a table at the start: rows written by
// other tools under a journalled number are never written over.
#include <gtest/gtest.h>

#include "data/JournalReplay.h"

namespace {

std::vector<FieldDef> fields() {
    return {{"ID", FieldType::Integer},
            {"USER_ID", FieldType::Integer},
            {"DATETIME", FieldType::DateTime},
            {"CAPTION", FieldType::Text, 10},
            {"CATEGORY", FieldType::Text, 5, true}};
}

std::vector<Value> row(int id, double when, const char* caption, const char* category) {
    return {Value::FromInt(id), Value::FromInt(1), Value::FromFloat(when),
            Value::FromText(QString::fromUtf8(caption)), Value::FromText(category)};
}

JournalRow journalled(JournalRow::Kind kind, const std::vector<Value>& values,
                      QStringList changed = {}) {
    JournalRow r;
    r.table = "TASK";
    r.kind = kind;
    r.key = values[0];
    r.changed = std::move(changed);
    const auto f = fields();
    for (size_t i = 0; i < f.size(); ++i)
        r.values.emplace_back(f[i].name, values[i]);
    return r;
}

// The table's rows as "id caption category", in key order.
std::vector<std::string> contents(const TMemTable& t) {
    std::vector<std::string> out;
    for (int r = 0; r < t.RecordCount(); ++r)
        out.push_back(QString("%1 %2 %3")
                          .arg(t.Cell(r, 0).toInt())
                          .arg(t.Cell(r, 3).toText(), t.Cell(r, 4).toText())
                          .toStdString());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(JournalReplayTest, RowsOfOtherToolsAreNeverWrittenOver) {
    using K = JournalRow::Kind;
    struct Case {
        const char* what;
        JournalRow journal;
        std::vector<std::string> after;
        bool pending;
    };
    const Case cases[] = {
        {"a new row the table lacks",
         journalled(K::Insert, row(9, 1, "ours", "a")),
         {"1 stored home", "9 ours a"},
         true},
        {"a new row stored before the crash (moment within 0.1 ms)",
         journalled(K::Insert, row(1, 1 + 1e-9, "stored", "home")),
         {"1 stored home"},
         false},
        {"a new row whose number another tool took",
         journalled(K::Insert, row(1, 1, "ours", "a")),
         {"-100 ours a", "1 stored home"},
         true},
        {"an edit of our row",
         journalled(K::Update, row(1, 1, "edited", "home"), {"CAPTION"}),
         {"1 edited home"},
         true},
        {"an edit whose row another tool wrote anew",
         journalled(K::Update, row(1, 1, "edited", "work"), {"CAPTION"}),
         {"-100 edited work", "1 stored home"},
         true},
        {"an edit whose row is gone",
         journalled(K::Update, row(5, 1, "edited", "a"), {"CAPTION"}),
         {"1 stored home", "5 edited a"},
         true},
        {"a delete", journalled(K::Delete, row(1, 1, "", "")), {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TMemTable t("TASK", "ID", "DATETIME");
        std::vector<std::vector<Value>> rows{row(1, 1, "stored", "home")};
        t.Load(fields(), std::move(rows));
        EXPECT_EQ(ApplyJournalRows(t, {&c.journal}, [] { return Value::FromInt(-100); }), 1);
        EXPECT_EQ(contents(t), c.after);
        EXPECT_EQ(t.HasChanges(), c.pending);
    }
}
