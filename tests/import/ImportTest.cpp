// The import of the previous version's files into the data module's tables,
// against the real server: files built byte by byte in the program's
// folder, what reached the database read back with a connection of its own.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <iostream>

#include "core/DateTime.h"
#include "core/Error.h"
#include "core/ExePath.h"
#include "data/DataModule.h"
#include "data/RoutsDat.h"
#include "tests/import/OldFileBytes.h"
#include "tests/support/TestDb.h"

namespace {

const TDateTime Due = EncodeDateTime(2010, 5, 17, 9, 30, 0, 0);

class ImportTest : public ::testing::Test {
  protected:
    TestDb db;
    TDM dm;

    void SetUp() override {
        db.useAsExeDir();
        DM = &dm;
        dm.DataModuleCreate({});
        ASSERT_TRUE(dm.IsConnected());
        InitOldFilePaths(ExePath());
    }
    void TearDown() override { DM = nullptr; }

    void write(const char* name, const QByteArray& bytes) {
        WriteFile(db.dir() + '/' + name, bytes);
    }

    QueryResult read(const QString& sql) {
        FbConnection c;
        c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
        auto tr = c.Begin();
        return c.Query(*tr, sql);
    }
    // Rows as "value|value|...", dates as text.
    QStringList rows(const QString& sql) {
        QStringList out;
        for (const auto& row : read(sql).rows) {
            QStringList values;
            for (const Value& v : row)
                values << (v.kind() == Value::Float ? stamp(v.toFloat()) : v.toText());
            out << values.join(u'|');
        }
        return out;
    }
    static QString stamp(TDateTime t) {
        return ToQDate(t).toString("yyyy-MM-dd ") + ToQTime(t).toString("hh:mm:ss.zzz0");
    }
    int count(const char* table) {
        return int(read(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).rows[0][0].toInt());
    }
};

}  // namespace

TEST_F(ImportTest, AllThreeFilesReachTheDatabaseAndStayAsTheyWere) {
    const QString cap50 = QString::fromUtf8("Ёж").repeated(25), cat20 = QString(20, u'Ю'),
                  det200 = QString::fromUtf8("Щ\u2116").repeated(100);
    // Two tasks in 600 bytes, the first dated later, the second with
    // byte 8 zero over a real date.
    const QByteArray tasks = OldTask(Due, 1, cap50, cat20, det200, 0, 7) +
                             OldTask(Due - 100, 0, "Без напоминания", "", "", 1, 0) +
                             QByteArray(24, 'x');
    const char rtf[] = "{\\rtf1\\ansi \xC7\xE0\xEC\xE5\xF2\xEA\xE8\\par}\0\x98";
    const QByteArray notes(rtf, sizeof rtf - 1);
    const QByteArray births =
        OldBirth(EncodeDate(1975, 3, 8), "Мама", 1, 300, QString(50, u'ф'), 1) +
        OldBirth(qQNaN(), "", 255, 0xFFFF, "", 0);
    write("Tasks.dat", tasks);
    write("Notes.dat", notes);
    write("Birth.dat", births);
    const QDateTime before = QFileInfo(db.dir() + "/Tasks.dat").lastModified();
    // The notes page already there is replaced.
    dm.cdsNote.Edit();
    dm.cdsNote.FieldByName("TEXT").SetBytes("old notes");
    dm.cdsNote.Post();
    dm.ApplyTable(dm.cdsNote);

    ASSERT_TRUE(OldFilesExist());
    ImportOldData(dm);
    EXPECT_FALSE(dm.HasUnsentChanges());

    // Numbers in file order, user 1, flags as "T"/"F", no date as 0.
    EXPECT_EQ(rows("SELECT ID - (SELECT MIN(ID) FROM TASK), USER_ID, NEEDALERT, DATETIME, "
                   "CAPTION, CATEGORY, DETAILS, EXECUTED, NOTIFIED FROM TASK ORDER BY ID"),
              QStringList(
                  {"0|1|T|2010-05-17 09:30:00.0000|" + cap50 + '|' + cat20 + '|' + det200 + "|F|T",
                   "1|1|F|1899-12-30 00:00:00.0000|Без напоминания|||T|F"}));
    dm.cdsTask.First();
    EXPECT_EQ(dm.cdsTask.FieldByName("CAPTION").AsString(), "Без напоминания")
        << "the table keeps its order of due moments";
    EXPECT_EQ(read("SELECT TEXT FROM NOTE").rows.at(0).at(0).toBytes(), notes) << "byte for byte";
    EXPECT_EQ(rows("SELECT USER_ID, CAPTION, \"DATE\", VID, CATEGORY, COMMENT, NOTIFIED FROM BIRTH "
                   "ORDER BY ID"),
              QStringList({"1|Мама|1975-03-08 00:00:00.0000|1|300|" + QString(50, u'ф') + "|T",
                           "1||1899-12-30 00:00:00.0000|255|65535||F"}));
    EXPECT_EQ(count("NOTE"), 1) << "the notes page replaced";

    EXPECT_EQ(ReadFile(db.dir() + "/Tasks.dat"), tasks);
    EXPECT_EQ(ReadFile(db.dir() + "/Notes.dat"), notes);
    EXPECT_EQ(ReadFile(db.dir() + "/Birth.dat"), births);
    EXPECT_EQ(QFileInfo(db.dir() + "/Tasks.dat").lastModified(), before);
}

TEST_F(ImportTest, MissingFilesAreSkipped) {
    struct Case {
        const char* name;
        QByteArray tasks, birth;  // null: no such file
        int taskRows, birthRows;
        bool tasksFolder = false;  // a folder named Tasks.dat
    };
    const Case cases[] = {
        {"only Birth.dat", {}, OldBirth(Due, "Событие"), 0, 1},
        {"an empty Tasks.dat", QByteArray(""), {}, 0, 0},
        {"a folder named Tasks.dat", {}, OldBirth(Due, "Событие 2"), 0, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* f : {"Tasks.dat", "Notes.dat", "Birth.dat"})
            QFile::remove(db.dir() + '/' + f);
        if (c.tasksFolder) QDir().mkdir(db.dir() + "/Tasks.dat");
        if (!c.tasks.isNull()) write("Tasks.dat", c.tasks);
        if (!c.birth.isNull()) write("Birth.dat", c.birth);
        const int tasks = count("TASK"), births = count("BIRTH");
        ASSERT_TRUE(OldFilesExist());
        ImportOldData(dm);
        EXPECT_EQ(count("TASK") - tasks, c.taskRows);
        EXPECT_EQ(count("BIRTH") - births, c.birthRows);
        EXPECT_EQ(count("NOTE"), 0);
        EXPECT_FALSE(dm.HasUnsentChanges());
    }
    for (const char* f : {"Tasks.dat", "Birth.dat"})
        QFile::remove(db.dir() + '/' + f);
    EXPECT_FALSE(OldFilesExist()) << "a folder is no file";
    QDir().rmdir(db.dir() + "/Tasks.dat");
}

TEST_F(ImportTest, AnImportCutShortAnywhereNeverBringsARecordInTwice) {
    struct Cut {};
    struct Case {
        const char* where;
        ImportStage stage;
        int at;  // the row of that stage at which the import stops
    };
    const Case cases[] = {
        {"at the first task", ImportStage::Tasks, 1},
        {"at the notes, the tasks stored", ImportStage::Notes, 4},
        {"at the last event, tasks and notes stored", ImportStage::Events, 7},
        {"not at all", ImportStage::Events, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        TestDb fresh;  // the files beside a database of its own
        fresh.useAsExeDir();
        TDM d;
        d.DataModuleCreate({});
        InitOldFilePaths(ExePath());
        WriteFile(fresh.dir() + "/Tasks.dat",
                  OldTask(Due, 1, "Задание").repeated(2) + OldTask(Due, 0, "Другое"));
        WriteFile(fresh.dir() + "/Notes.dat", "{\\rtf1 old}");
        WriteFile(fresh.dir() + "/Birth.dat", OldBirth(Due, "Событие").repeated(3));
        try {
            ImportOldData(d, [&](ImportStage stage, int done, int) {
                if (stage == c.stage && done == c.at) throw Cut();
            });
        } catch (const Cut&) {
        }
        ImportOldData(d);  // "Да" once more
        FbConnection conn;
        conn.Attach({fresh.address(), "sysdba", "plumcrest", "WIN1251", 3});
        auto tr = conn.Begin();
        auto count = [&](const char* table) {
            return conn.Query(*tr, QStringLiteral("SELECT COUNT(*) FROM %1").arg(table))
                .rows[0][0]
                .toInt();
        };
        EXPECT_EQ(count("TASK"), 3);
        EXPECT_EQ(count("BIRTH"), 3);
        EXPECT_EQ(count("NOTE"), 1);
        EXPECT_TRUE(OldDataImported(d));
        EXPECT_FALSE(d.HasUnsentChanges());
    }
    db.useAsExeDir();
}

TEST_F(ImportTest, AFileThatCannotBeReadImportsNothing) {
    struct Case {
        const char* name;
        const char* file;
        bool byPermission;  // else a folder stands in the file's place
    };
    // Birth.dat is the last file the import uses: it must be read before
    // the first task is made.
    for (const Case c : {Case{"no read permission", "Birth.dat", true}}) {
        SCOPED_TRACE(c.name);
        for (const char* f : {"Tasks.dat", "Notes.dat", "Birth.dat"})
            write(f, OldBirth(Due, "x").repeated(12));  // 1440 bytes: 5 tasks
        const QString path = db.dir() + '/' + c.file;
        if (c.byPermission) {
            if (geteuid() == 0) {
                std::cout << "[   NOTE   ] left out, " << c.name << ": root reads any file\n";
                continue;
            }
            QFile::setPermissions(path, {});
        } else {
            QFile::remove(path);
            QDir().mkdir(path);
        }
        try {
            ImportOldData(dm);
            ADD_FAILURE() << "the import went on";
        } catch (const EQuillet& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Не удалось прочитать файл «%1»")
                                                   .arg(QDir::toNativeSeparators(path))))
                << e.message().toStdString();
        }
        EXPECT_EQ(dm.cdsTask.RecordCount(), 0);
        EXPECT_EQ(dm.cdsNote.RecordCount(), 0);
        EXPECT_EQ(dm.cdsBirth.RecordCount(), 0);
        EXPECT_FALSE(dm.HasUnsentChanges());
        EXPECT_EQ(count("TASK") + count("NOTE") + count("BIRTH"), 0);
        if (c.byPermission) QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QDir().rmdir(path);
    }
}
