// The in-memory table on its own: order, cursor, editing and change log.
#include <gtest/gtest.h>

#include "core/Error.h"
#include "data/MemTable.h"

namespace {

std::vector<FieldDef> taskFields() {
    return {
        {"ID", FieldType::Integer},
        {"USER_ID", FieldType::Integer},
        {"NEEDALERT", FieldType::Text, 1, true},
        {"DATETIME", FieldType::DateTime},
        {"CAPTION", FieldType::Text, 10},
        {"EXECUTED", FieldType::Text, 1, true},
    };
}

std::vector<Value> taskRow(int id, double when, const char* caption, const char* done = "F") {
    return {Value::FromInt(id),
            Value::FromInt(1),
            Value::FromText("T"),
            Value::FromFloat(when),
            Value::FromText(QString::fromUtf8(caption)),
            Value::FromText(done)};
}

std::vector<int> ids(TMemTable& t) {
    std::vector<int> out;
    TField id = t.FieldByName("ID");
    for (t.First(); !t.Eof(); t.Next())
        out.push_back(int(id.AsInteger()));
    return out;
}

class MemTableTest : public ::testing::Test {
  protected:
    TMemTable t{"TASK", "ID", "DATETIME"};
    void SetUp() override {
        std::vector<std::vector<Value>> rows;
        rows.push_back(taskRow(1, 300, "c"));
        rows.push_back(taskRow(2, 100, "a"));
        rows.push_back(taskRow(3, 200, "b"));
        rows.push_back(taskRow(4, 100, "a2"));
        t.Load(taskFields(), std::move(rows));
    }
};

}  // namespace

TEST_F(MemTableTest, KeepsAscendingOrderWithEqualValuesInArrivalOrder) {
    EXPECT_EQ(ids(t), (std::vector<int>{2, 4, 3, 1}));

    // A new row goes after the rows with the same moment.
    t.Append();
    t.FieldByName("ID").SetInteger(5);
    t.FieldByName("DATETIME").SetDateTime(100);
    t.Post();
    EXPECT_EQ(t.FieldByName("ID").AsInteger(), 5) << "the posted row stays current";
    EXPECT_EQ(ids(t), (std::vector<int>{2, 4, 5, 3, 1}));

    // A changed moment moves the row, and the cursor goes with it.
    ASSERT_TRUE(t.Locate(2));
    t.Edit();
    t.FieldByName("DATETIME").SetDateTime(250);
    t.Post();
    EXPECT_EQ(t.FieldByName("ID").AsInteger(), 2);
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_EQ(ids(t), (std::vector<int>{4, 5, 3, 2, 1}));
    t.Locate(1);
    t.Edit();
    t.FieldByName("DATETIME").SetDateTime(0);
    t.Post();
    EXPECT_EQ(ids(t), (std::vector<int>{1, 4, 5, 3, 2}));
}

TEST_F(MemTableTest, CursorStepsPastTheEndAndFindsRowsById) {
    TField id = t.FieldByName("id");  // names match in any letter case
    t.First();
    for (int i = 0; i < 4; ++i)
        t.Next();
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(id.AsInteger(), 1) << "the last row stays current past the end";
    EXPECT_TRUE(t.Locate(3));
    EXPECT_FALSE(t.Eof());
    EXPECT_EQ(t.FieldByName("CAPTION").AsString(), "b");
    EXPECT_FALSE(t.Locate(99));
    EXPECT_THROW(t.FieldByName("NOPE"), EQuillet);
}

TEST_F(MemTableTest, ReadsFlagsAndCutsTextToTheColumn) {
    auto flagOf = [&](const Value& v) {
        t.Locate(1);
        t.Edit();
        t.FieldByName("EXECUTED").SetNull();
        if (!v.isNull()) t.FieldByName("EXECUTED").SetString(v.toText());
        t.Post();
        return t.FieldByName("EXECUTED").AsBoolean();
    };
    EXPECT_TRUE(flagOf(Value::FromText("T")));
    EXPECT_TRUE(flagOf(Value::FromText("t")));
    EXPECT_TRUE(flagOf(Value::FromText("Y")));
    EXPECT_TRUE(flagOf(Value::FromText("y")));
    EXPECT_FALSE(flagOf(Value::FromText("N")));
    EXPECT_FALSE(flagOf(Value::FromText("")));
    EXPECT_FALSE(flagOf(Value()));

    t.Edit();
    t.FieldByName("EXECUTED").SetBoolean(true);
    t.FieldByName("CAPTION").SetString(QString::fromUtf8("Длинный заголовок"));
    t.Post();
    EXPECT_EQ(t.FieldByName("EXECUTED").AsString(), "T");
    EXPECT_EQ(t.FieldByName("CAPTION").AsString(), QString::fromUtf8("Длинный за"));
    t.Edit();
    t.FieldByName("CAPTION").SetString(QString::fromUtf8("漢字 ok"));
    t.Post();
    EXPECT_EQ(t.FieldByName("CAPTION").AsString(), "?? ok")
        << "the row holds what the database can store";
}

TEST_F(MemTableTest, ChangeLogFoldsEditsOfOneRowTogether) {
    EXPECT_FALSE(t.HasChanges());
    t.Append();
    t.FieldByName("ID").SetInteger(7);
    t.FieldByName("CAPTION").SetString("new");
    t.Post();
    t.Edit();
    t.FieldByName("CAPTION").SetString("newer");
    t.Post();
    t.Locate(3);
    t.Edit();
    t.FieldByName("CAPTION").SetString("B");
    t.Post();
    t.Locate(1);
    t.Delete();
    t.Locate(2);
    t.Edit();  // an edit that changes nothing is no change
    t.Post();

    auto changes = t.PendingChanges();
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].kind, TMemTable::Change::Delete);
    EXPECT_EQ(changes[0].key.toInt(), 1);
    int inserts = 0, updates = 0;
    for (const auto& c : changes) {
        if (c.kind == TMemTable::Change::Insert) {
            ++inserts;
            EXPECT_EQ(t.Cell(c.row, 4).toText(), "newer");
            EXPECT_EQ(c.columns, (1u << 0) | (1u << 4)) << "only the columns that were set";
        }
        if (c.kind == TMemTable::Change::Update) {
            ++updates;
            EXPECT_EQ(c.key.toInt(), 3);
            EXPECT_EQ(c.columns, 1u << 4);
        }
    }
    EXPECT_EQ(inserts, 1);
    EXPECT_EQ(updates, 1);

    // A row added and deleted before any send leaves nothing to send.
    t.Locate(7);
    t.Delete();
    EXPECT_EQ(t.PendingChanges().size(), 2u);

    t.ChangesApplied();
    EXPECT_FALSE(t.HasChanges());
}

TEST_F(MemTableTest, DeleteMovesToTheNextRowAndEditOnEmptyTableAppends) {
    t.Locate(3);  // position 2 of 4
    t.Delete();
    EXPECT_EQ(t.FieldByName("ID").AsInteger(), 1);
    t.Delete();
    EXPECT_EQ(t.FieldByName("ID").AsInteger(), 4)
        << "deleting the last row makes the new last current";
    t.First();
    t.Delete();
    t.Delete();
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_TRUE(t.Eof());
    EXPECT_THROW(t.Delete(), EQuillet);

    t.Edit();
    EXPECT_EQ(t.GetState(), TMemTable::State::Insert);
    t.FieldByName("CAPTION").SetString("only");
    t.Post();
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_THROW(t.FieldByName("CAPTION").SetString("x"), EQuillet) << "not in edit mode";
}

TEST(MemTableClosed, EveryUseOfAClosedTableIsAnError) {
    TMemTable t{"TASK", "ID"};
    EXPECT_FALSE(t.Active());
    EXPECT_THROW(t.First(), EQuillet);
    EXPECT_THROW(t.Append(), EQuillet);
    EXPECT_THROW(t.FieldByName("ID"), EQuillet);
    EXPECT_FALSE(t.HasChanges());
}

namespace {

// Rows added and deleted many at once leave the table exactly as the
// one-row operations would, one after the other.
struct BatchCase {
    const char* name;
    bool sorted;                                // the table kept in order of DATETIME
    std::vector<std::pair<int, double>> added;  // ID and moment (< 0: none) of each new row
    std::vector<qint64> deleted;                // IDs, in the order given
};

// A row of every state before the batch: stored, edited, new, new with
// its number replaced (5 became 6), new and possibly stored already.
void prepare(TMemTable& t) {
    std::vector<std::vector<Value>> rows;
    for (int id = 1; id <= 4; ++id)
        rows.push_back(taskRow(id, id % 2 ? 300 : 100, "x"));
    t.Load(taskFields(), std::move(rows));
    t.Locate(3);
    t.Edit();
    t.FieldByName("CAPTION").SetString("edited");
    t.Post();
    for (int id : {5, 7}) {
        t.Append();
        t.FieldByName("ID").SetInteger(id);
        t.FieldByName("DATETIME").SetDateTime(200);
        t.Post();
    }
    t.Locate(5);
    t.ReplaceKey(t.RecNo(), Value::FromInt(6));
    t.Locate(7);
    t.SetMaybeStored(t.RecNo());
}

std::vector<Value> newRow(int id, double when) {
    std::vector<Value> row(6);
    row[0] = Value::FromInt(id);
    if (when >= 0) row[3] = Value::FromFloat(when);  // else no moment
    row[4] = Value::FromText(QStringLiteral("caption that is cut"));
    row[5] = Value::FromText(QStringLiteral("T"));
    return row;
}

std::string describe(TMemTable& t) {
    std::string s = "cursor " + std::to_string(t.RecNo()) + (t.Eof() ? " eof;" : ";");
    for (const auto& c : t.PendingChanges())
        s += " " + std::to_string(int(c.kind)) + ":" + std::to_string(c.row) + ":" +
             std::to_string(c.key.toInt()) + ":" + std::to_string(c.columns);
    s += "; rows";
    for (int r = 0; r < t.RecordCount(); ++r)
        s += " " + std::to_string(t.Cell(r, 0).toInt()) + "/" +
             t.Cell(r, 4).toText().toStdString() + "/" + std::to_string(int(t.StatusOf(r)));
    return s;
}

class BatchTest : public ::testing::TestWithParam<BatchCase> {};

}  // namespace

TEST_P(BatchTest, EndsAsTheOneRowOperationsWould) {
    const BatchCase& c = GetParam();
    const QString sort = c.sorted ? QStringLiteral("DATETIME") : QString();
    TMemTable one{"TASK", "ID", sort}, many{"TASK", "ID", sort};
    prepare(one);
    prepare(many);

    std::vector<std::vector<Value>> rows;
    for (const auto& [id, when] : c.added) {
        one.Append();
        const std::vector<Value> row = newRow(id, when);
        for (int col = 0; col < int(row.size()); ++col)
            if (!row[size_t(col)].isNull()) TField(&one, col).SetValue(row[size_t(col)]);
        one.Post();
        rows.push_back(row);
    }
    int gone = 0;
    for (qint64 id : c.deleted) {
        if (!one.Locate(id)) continue;
        one.Delete();
        ++gone;
    }
    many.AppendRows(std::move(rows));
    EXPECT_EQ(many.DeleteByKeys(c.deleted), gone);

    EXPECT_EQ(describe(many), describe(one));
    EXPECT_EQ(many.DeletedKeys(), one.DeletedKeys());
    for (int id = 0; id < 80; ++id)
        EXPECT_EQ(many.Locate(id), one.Locate(id)) << id;
}

namespace {

std::vector<std::pair<int, double>> spread(int count) {
    std::vector<std::pair<int, double>> rows;
    for (int i = 0; i < count; ++i)
        rows.emplace_back(10 + i, (i * 7 % 5) * 100.0);
    return rows;
}

std::vector<qint64> scattered(int count) {
    std::vector<qint64> ids;
    for (int i = 0; i < count; ++i)
        ids.push_back(i * 13 % 70);  // in no order, some twice, some missing
    return ids;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(
    MemTable, BatchTest,
    ::testing::Values(
        BatchCase{"NothingAtAll", true, {}, {}},
        BatchCase{
            "EqualMomentsKeepTheirOrder", true, {{10, 100}, {11, 50}, {12, 100}, {13, 0}}, {}},
        BatchCase{"UnsortedTableTakesRowsAtItsEnd", false, {{10, 100}, {11, 50}}, {2}},
        BatchCase{
            "RowsWithoutAMomentComeFirst", true, {{10, 100}, {11, -1}, {12, 0}, {13, -1}}, {}},
        BatchCase{"DeletesInAnyOrderMissingAndTwice", true, {}, {3, 99, 1, 3}},
        BatchCase{"NewRowsReplacedAndMaybeStored", true, {{10, 150}}, {10, 5, 7, 4}},
        BatchCase{"ManyRowsThroughTheIndex", true, spread(40), scattered(60)},
        BatchCase{"EverythingGoes", false, spread(3), scattered(70)}),
    [](const auto& info) { return std::string(info.param.name); });
