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
