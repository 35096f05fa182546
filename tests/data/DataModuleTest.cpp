// The data module against the real server, each test on a database file
// of its own; what reached the database is read back directly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "core/DateTime.h"
#include "core/Error.h"
#include "core/ExePath.h"
#include "core/Win1251.h"
#include "data/DataModule.h"
#include "tests/support/TestDb.h"

namespace {

class DataModuleTest : public ::testing::Test {
  protected:
    TestDb db;
    TDM dm;
    QStringList failures;

    void SetUp() override {
        db.useAsExeDir();
        dm.onSendFailed = [this](const QString& m) { failures << m; };
    }

    void start() {
        TDM::StartSteps steps;
        steps.connectFailed = [this](const QString& m) { failures << m; };
        dm.DataModuleCreate(steps);
        ASSERT_TRUE(dm.IsConnected()) << failures.join("\n").toStdString();
    }

    // Reads the database with a connection of its own.
    QueryResult read(const QString& sql) {
        FbConnection c;
        c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
        auto tr = c.Begin();
        return c.Query(*tr, sql);
    }

    void exec(const QString& sql) {
        FbConnection c;
        c.Attach({db.address(), "sysdba", "plumcrest", "UTF8", 3});
        auto tr = c.Begin();
        c.Execute(*tr, sql);
        tr->Commit();
    }

    void addTask(int id, TDateTime when, const QString& caption, bool alert = true) {
        TMemTable& t = dm.cdsTask;
        t.Append();
        t.FieldByName("ID").SetInteger(id);
        t.FieldByName("USER_ID").SetInteger(CurrentUserId);
        t.FieldByName("NEEDALERT").SetBoolean(alert);
        t.FieldByName("DATETIME").SetDateTime(when);
        t.FieldByName("CAPTION").SetString(caption);
        t.FieldByName("CATEGORY").SetString("");
        t.FieldByName("DETAILS").SetString("");
        t.FieldByName("EXECUTED").SetBoolean(false);
        t.FieldByName("NOTIFIED").SetBoolean(false);
        t.Post();
    }
};

}  // namespace

TEST_F(DataModuleTest, LoadsOnlyUserOnesRowsInOrderAndRunsTheLaterSteps) {
    exec(
        "INSERT INTO TASK (ID, USER_ID, DATETIME, CAPTION) VALUES (1, 1, '2026-12-09 10:00', 'b')");
    exec(
        "INSERT INTO TASK (ID, USER_ID, DATETIME, CAPTION) VALUES (2, 1, '2026-12-08 10:00', 'a')");
    exec(
        "INSERT INTO TASK (ID, USER_ID, DATETIME, CAPTION) VALUES (3, 2, '2026-12-07 10:00', 'x')");
    exec(
        "INSERT INTO BIRTH (ID, USER_ID, CAPTION, \"DATE\", VID) VALUES (1, 1, 'e', '1975-03-08', "
        "1)");
    exec("INSERT INTO NOTE (TEXT) VALUES ('first')");
    exec("INSERT INTO NOTE (TEXT) VALUES ('second')");

    QStringList order;
    TDM::StartSteps steps;
    steps.loadSettings = [&] { order << "settings"; };
    steps.startReminderTimer = [&] { order << "timer"; };
    steps.newYearCheck = [&] { order << "newyear"; };
    steps.importCheck = [&] { order << "import"; };
    dm.DataModuleCreate(steps);
    ASSERT_TRUE(dm.IsConnected());
    EXPECT_EQ(order, QStringList({"settings", "timer", "newyear", "import"}));

    EXPECT_EQ(dm.cdsTask.RecordCount(), 2);
    dm.cdsTask.First();
    EXPECT_EQ(dm.cdsTask.FieldByName("CAPTION").AsString(), "a");
    EXPECT_EQ(dm.cdsBirth.RecordCount(), 1);
    EXPECT_EQ(DecodeDate(dm.cdsBirth.FieldByName("DATE").AsDateTime()).year, 1975);
    EXPECT_EQ(dm.cdsNote.RecordCount(), 2);
    dm.cdsNote.First();
    EXPECT_EQ(dm.cdsNote.FieldByName("TEXT").AsBytes(), "first");
}

TEST_F(DataModuleTest, InsertUpdateAndDeleteReachTheDatabase) {
    start();
    const int a = dm.NewTaskId(), b = dm.NewTaskId(), c = dm.NewTaskId();
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    addTask(a, EncodeDateTime(2026, 12, 8, 14, 37, 0, 0), "one");
    addTask(b, 0, "two", false);
    addTask(c, EncodeDateTime(2026, 12, 9, 8, 0, 0, 0), "three");
    dm.ApplyTable(dm.cdsTask);
    EXPECT_FALSE(dm.HasUnsentChanges());
    EXPECT_EQ(read("SELECT ID FROM TASK").rows.size(), 3u);

    ASSERT_TRUE(dm.cdsTask.Locate(a));
    dm.cdsTask.Edit();
    dm.cdsTask.FieldByName("CAPTION").SetString("one!");
    dm.cdsTask.FieldByName("EXECUTED").SetBoolean(true);
    dm.cdsTask.Post();
    ASSERT_TRUE(dm.cdsTask.Locate(c));
    dm.cdsTask.Delete();
    dm.ApplyTable(dm.cdsTask);

    QueryResult r = read("SELECT ID, CAPTION, EXECUTED, NEEDALERT FROM TASK ORDER BY ID");
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0][0].toInt(), a);
    EXPECT_EQ(r.rows[0][1].toText(), "one!");
    EXPECT_EQ(r.rows[0][2].toText(), "T");
    EXPECT_EQ(r.rows[1][3].toText(), "F");
    EXPECT_TRUE(failures.isEmpty());

    // The birth procedure counts on its own.
    const int e1 = dm.NewBirthId();
    EXPECT_EQ(dm.NewBirthId(), e1 + 1);
}

TEST_F(DataModuleTest, TextIsStoredAsWindows1251AndCutToItsColumn) {
    start();
    const int id = dm.NewTaskId();
    const QString caption = QString::fromUtf8("Купить ёлку «Ель» №5 — €");
    addTask(id, 0, caption);
    dm.cdsTask.Locate(id);
    dm.cdsTask.Edit();
    dm.cdsTask.FieldByName("CATEGORY").SetString(QString(80, u'ж'));
    dm.cdsTask.Post();
    EXPECT_EQ(dm.cdsTask.FieldByName("CATEGORY").AsString().size(), 50)
        << "the row keeps the cut text";
    dm.ApplyTable(dm.cdsTask);
    ASSERT_TRUE(failures.isEmpty()) << failures.join("\n").toStdString();

    QueryResult raw = read(
        "SELECT CAST(CAPTION AS VARCHAR(100) CHARACTER SET OCTETS), "
        "CHAR_LENGTH(CATEGORY) FROM TASK");
    ASSERT_EQ(raw.rows.size(), 1u);
    EXPECT_EQ(raw.rows[0][0].toBytes(), ToWin1251(caption));
    EXPECT_EQ(raw.rows[0][0].toBytes().left(6), QByteArray("\xCA\xF3\xEF\xE8\xF2\xFC"));
    EXPECT_EQ(raw.rows[0][1].toInt(), 50);
    EXPECT_EQ(read("SELECT CAPTION FROM TASK").rows[0][0].toText(), caption);
}

TEST_F(DataModuleTest, FlagsWrittenElsewhereReadAsTheyShould) {
    exec(
        "INSERT INTO TASK (ID, USER_ID, NEEDALERT, EXECUTED, NOTIFIED) VALUES (1, 1, 'Y', 't', "
        "NULL)");
    exec(
        "INSERT INTO TASK (ID, USER_ID, NEEDALERT, EXECUTED, NOTIFIED) VALUES (2, 1, '', 'N', "
        "'y')");
    start();
    TMemTable& t = dm.cdsTask;
    ASSERT_TRUE(t.Locate(1));
    EXPECT_TRUE(t.FieldByName("NEEDALERT").AsBoolean());
    EXPECT_TRUE(t.FieldByName("EXECUTED").AsBoolean());
    EXPECT_EQ(t.FieldByName("EXECUTED").AsString(), "t");
    EXPECT_FALSE(t.FieldByName("NOTIFIED").AsBoolean());
    ASSERT_TRUE(t.Locate(2));
    EXPECT_FALSE(t.FieldByName("NEEDALERT").AsBoolean());
    EXPECT_FALSE(t.FieldByName("EXECUTED").AsBoolean());
    EXPECT_TRUE(t.FieldByName("NOTIFIED").AsBoolean());
}

TEST_F(DataModuleTest, TextsRepeatedDownAColumnLoadAsStoredAndShareOneString) {
    // More distinct texts than the reader remembers, of the same length,
    // with the repeated ones coming back after others pushed them out.
    const char* categories[] = {"Дом", "Сад", "Дом", "Лес",   "Луг", "Пол", "Кот",
                                "Дом", "Сад", "",    nullptr, "Дом", "дом"};
    {
        // Statement texts go in Windows-1251: the connection says so.
        FbConnection c;
        c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
        auto tr = c.Begin();
        int id = 0;
        for (const char* text : categories)
            c.Execute(
                *tr, "INSERT INTO TASK (ID, USER_ID, CATEGORY) VALUES (?, 1, ?)",
                {Value::FromInt(++id), text ? Value::FromText(QString::fromUtf8(text)) : Value()});
        tr->Commit();
    }
    start();
    TMemTable& t = dm.cdsTask;
    const int category = t.FieldIndex("CATEGORY");
    std::vector<QString> loaded;
    for (int id = 1; id <= int(std::size(categories)); ++id) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(t.Locate(id));
        const char* c = categories[id - 1];
        EXPECT_EQ(t.Cell(t.RecNo(), category).isNull(), c == nullptr);
        loaded.push_back(t.FieldByName("CATEGORY").AsString());
        EXPECT_EQ(loaded.back(), c ? QString::fromUtf8(c) : QString());
    }
    EXPECT_TRUE(loaded[0].isSharedWith(loaded[2]));
    EXPECT_TRUE(loaded[7].isSharedWith(loaded[11])) << "remembered past two texts and a NULL";
}

TEST_F(DataModuleTest, MomentsKeepTheirMillisecondsWhateverTheTimeZone) {
    // Local time has a gap on this day in Berlin: 02:30 does not exist
    // there, yet a task can be due then and must read back unchanged.
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    start();
    const TDateTime gap = EncodeDateTime(2024, 3, 31, 2, 30, 0, 0);
    const TDateTime precise = EncodeDateTime(2026, 12, 8, 23, 59, 59, 987);
    const TDateTime zero = 0;
    const TDateTime old1899 = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
    const int ids[] = {dm.NewTaskId(), dm.NewTaskId(), dm.NewTaskId(), dm.NewTaskId()};
    addTask(ids[0], gap, "gap");
    addTask(ids[1], precise, "precise");
    addTask(ids[2], zero, "zero", false);
    addTask(ids[3], old1899, "old");
    dm.ApplyTable(dm.cdsTask);
    dm.Close();

    TDM again;
    again.DataModuleCreate({});
    ASSERT_TRUE(again.IsConnected());
    auto when = [&](int id) {
        EXPECT_TRUE(again.cdsTask.Locate(id));
        return again.cdsTask.FieldByName("DATETIME").AsDateTime();
    };
    EXPECT_DOUBLE_EQ(when(ids[0]), gap);
    EXPECT_DOUBLE_EQ(when(ids[1]), precise);
    EXPECT_EQ(DecodeTime(when(ids[1])).msec, 987);
    EXPECT_DOUBLE_EQ(when(ids[2]), 0);
    EXPECT_DOUBLE_EQ(when(ids[3]), old1899);
    EXPECT_EQ(read("SELECT CAST(DATETIME AS VARCHAR(30)) FROM TASK WHERE CAPTION='gap'")
                  .rows[0][0]
                  .toText(),
              "2024-03-31 02:30:00.0000");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST_F(DataModuleTest, FirstNotesStoreCreatesARowFoundAgainAtTheNextStart) {
    start();
    EXPECT_TRUE(dm.cdsNote.IsEmpty());
    QByteArray big(1 << 20, 'x');
    big[0] = '{';
    big[100] = '\xE6';  // a Windows-1251 byte kept as it is
    dm.cdsNote.Edit();  // on an empty table this starts a new row
    dm.cdsNote.FieldByName("TEXT").SetBytes(big);
    dm.cdsNote.Post();
    dm.ApplyTable(dm.cdsNote);
    ASSERT_TRUE(failures.isEmpty()) << failures.join("\n").toStdString();
    EXPECT_FALSE(dm.cdsNote.FieldByName("ID").IsNull()) << "the key the database gave is kept";

    dm.cdsNote.Edit();
    dm.cdsNote.FieldByName("TEXT").SetBytes("second version");
    dm.cdsNote.Post();
    dm.ApplyTable(dm.cdsNote);
    dm.Close();

    TDM again;
    again.DataModuleCreate({});
    ASSERT_EQ(again.cdsNote.RecordCount(), 1);
    again.cdsNote.First();
    EXPECT_EQ(again.cdsNote.FieldByName("TEXT").AsBytes(), "second version");
    EXPECT_EQ(again.cdsNote.FieldByName("USER_ID").AsInteger(), 1);

    again.cdsNote.Edit();
    again.cdsNote.FieldByName("TEXT").SetBytes(big);
    again.cdsNote.Post();
    again.ApplyTable(again.cdsNote);
    EXPECT_EQ(read("SELECT TEXT FROM NOTE").rows[0][0].toBytes(), big);
}

TEST_F(DataModuleTest, RowWrittenElsewhereWithOurNumberStaysAndOursTakesAnother) {
    start();
    const int id = dm.NewTaskId();
    addTask(id, 0, "kept");
    // Another tool wrote a row with the same key in the meantime: the
    // insert is not refused, nor is that row overwritten.
    exec(
        QStringLiteral("INSERT INTO TASK (ID, USER_ID, CAPTION) VALUES (%1, 1, 'theirs')").arg(id));
    dm.ApplyTable(dm.cdsTask);
    EXPECT_TRUE(failures.isEmpty()) << failures.join("\n").toStdString();
    EXPECT_FALSE(dm.HasUnsentChanges());
    EXPECT_EQ(
        read(QStringLiteral("SELECT CAPTION FROM TASK WHERE ID=%1").arg(id)).rows[0][0].toText(),
        "theirs");
    const qint64 ours = dm.cdsTask.ResolveKey(id);
    EXPECT_NE(ours, id);
    EXPECT_EQ(
        read(QStringLiteral("SELECT CAPTION FROM TASK WHERE ID=%1").arg(ours)).rows[0][0].toText(),
        "kept");
    ASSERT_TRUE(dm.cdsTask.Locate(id)) << "the first number still finds the row";
    EXPECT_EQ(dm.cdsTask.FieldByName("ID").AsInteger(), ours);
}

TEST_F(DataModuleTest, ManyNumbersAreNewAndFreeWhicheverFormTheDatabaseHas) {
    // Rows of other tools lie in the stretch the sequence hands out next;
    // older databases lack the runs form, or both many-numbers forms.
    struct Case {
        const char* what;
        const char* drop;
    };
    const Case cases[] = {
        {"runs of numbers", nullptr},
        {"a row per number", "DROP PROCEDURE GET_TASK_ID_RANGES"},
        {"one call per number", "DROP PROCEDURE GET_TASK_IDS"},
    };
    exec("INSERT INTO TASK (ID, USER_ID, CAPTION) VALUES (3, 2, 'peer')");
    exec("INSERT INTO TASK (ID, USER_ID, CAPTION) VALUES (1000, 2, 'peer')");
    start();
    QSet<qint64> handedOut;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.drop) exec(c.drop);
        exec(
            "INSERT INTO TASK (ID, USER_ID, CAPTION) SELECT GEN_ID(SEQ_TASK_ID, 0) + 4, 2, "
            "'peer' FROM RDB$DATABASE");
        for (int n : {7, 1, 900}) {
            const std::vector<int> ids = dm.NewTaskIds(n);
            ASSERT_EQ(ids.size(), size_t(n));
            for (int id : ids) {
                EXPECT_GT(id, 0);
                EXPECT_FALSE(handedOut.contains(id)) << id << " handed out twice";
                handedOut.insert(id);
            }
        }
    }
    for (const auto& row : read("SELECT ID FROM TASK").rows)
        EXPECT_FALSE(handedOut.contains(row[0].toInt())) << row[0].toInt() << " is taken";
}

TEST_F(DataModuleTest, FailedConnectionIsReportedAndLeavesTheTablesClosed) {
    TempDir elsewhere;  // no database file here
    SetExePath(elsewhere.file("quillet"));
    bool loaded = false;
    TDM::StartSteps steps;
    steps.connectFailed = [this](const QString& m) { failures << m; };
    steps.loadSettings = [&] { loaded = true; };
    dm.DataModuleCreate(steps);
    EXPECT_FALSE(dm.IsConnected());
    EXPECT_FALSE(loaded) << "nothing after the connection runs";
    ASSERT_EQ(failures.size(), 1);
    const QString head = QString::fromUtf8("Не удалось подключиться к базе данных.\n\n");
    EXPECT_TRUE(failures[0].startsWith(head));
    EXPECT_GT(failures[0].size(), head.size() + 5) << "the server's own text follows";
    EXPECT_TRUE(failures[0].contains("qlbase.fdb")) << failures[0].toStdString();
    EXPECT_FALSE(dm.cdsTask.Active());
    EXPECT_THROW(dm.cdsTask.Append(), EQuillet);
    EXPECT_THROW(dm.NewTaskId(), EQuillet);
    EXPECT_TRUE(TDM::DatabaseAddress().startsWith("127.0.0.1/3053:" + elsewhere.path()));
}

TEST_F(DataModuleTest, AddressHoldsAFolderWithBlanksUnquoted) {
    SetExePath("/opt/my programs/Quillet 1/quillet");
    EXPECT_EQ(TDM::DatabaseAddress(), "127.0.0.1/3053:/opt/my programs/Quillet 1/qlbase.fdb");
}
