// Export and import on a real database: the program's own tables made when
// missing, the identity kept, an import whose second run adds nothing and
// whose failure leaves nothing behind, the file written whole and private.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include "core/DateTime.h"
#include "core/Error.h"
#include "data/DataModule.h"
#include "data/OwnTables.h"
#include "ical/Exchange.h"
#include "ical/IcalReader.h"
#include "tests/ical/IcalTestSupport.h"
#include "tests/support/TestDb.h"

namespace {

class ExchangeTest : public ::testing::Test {
  protected:
    TestDb db;
    TDM dm;
    void SetUp() override {
        db.useAsExeDir();
        DM = &dm;
        dm.Connect();
        dm.OpenTables();
    }
    void TearDown() override {
        dm.Close();
        DM = nullptr;
    }
    QString value(const QString& sql) {
        FbConnection c;
        c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
        auto tr = c.Begin(true);
        const QueryResult r = c.Query(*tr, sql);
        return r.rows.empty() ? QString() : r.rows[0][0].toText().trimmed();
    }
    // The import of a file as after the user's yes; the plan it made.
    ImportPlan import(const QByteArray& file) {
        TOwnTables own(dm.xConnection);
        const ImportPlan plan = PlanImport(ReadRecordsFile(file), KnownRecordsOf(dm, own),
                                           EncodeDateTime(2026, 12, 8, 12, 0, 0, 0));
        ApplyImport(dm, own, plan);
        return plan;
    }
    QByteArray sample(const char* path) {
        QFile f(QStringLiteral(QUILLET_SOURCE_DIR "/tests/") + QLatin1String(path));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
};

}  // namespace

TEST_F(ExchangeTest, ASecondImportAddsNothing) {
    EXPECT_EQ(value("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME "
                    "STARTING WITH 'QUILLET_'"),
              "0")
        << "the program makes its tables when it first needs them";
    const ImportPlan first = import(sample("ical/samples/thunderbird.ics"));
    EXPECT_EQ(ImportSummary(first, true), "Добавлено: 3 задания, 1 событие.");
    EXPECT_EQ(value("SELECT COUNT(*) FROM TASK"), "3");
    EXPECT_EQ(value("SELECT CAPTION || '|' || NEEDALERT || '|' || DATETIME || '|' || NOTIFIED "
                    "FROM TASK WHERE CAPTION = 'Сдать отчёт'"),
              "Сдать отчёт|T|2026-12-10 17:30:00.0000|F");
    EXPECT_EQ(
        value("SELECT CAPTION || '|' || \"DATE\" || '|' || VID || '|' || NOTIFIED FROM BIRTH"),
        "Мама|1952-04-12 00:00:00.0000|1|T")
        << "12 April has passed this year: not announced at once";
    EXPECT_EQ(value("SELECT COUNT(*) FROM QUILLET_IMPORTED"), "1") << "one row per import";

    const ImportPlan second = import(sample("ical/samples/thunderbird.ics"));
    EXPECT_EQ(ImportSummary(second, true),
              "Добавлено: 0 заданий, 0 событий; пропущено: 4 — уже есть.");
    EXPECT_EQ(value("SELECT COUNT(*) FROM TASK"), "3");
    EXPECT_EQ(value("SELECT COUNT(*) FROM BIRTH"), "1");

    // Contacts, a birthday without a year among them; the same once more.
    EXPECT_EQ(import(sample("vcard/samples/thunderbird-4.0.vcf")).events.size(), 3u);
    EXPECT_EQ(value("SELECT \"DATE\" || '' FROM BIRTH WHERE CAPTION = 'Анна Петрова' AND VID = 1"),
              "1604-03-08 00:00:00.0000");
    EXPECT_EQ(import(sample("vcard/samples/thunderbird-4.0.vcf")).alreadyThere, 3);
}

TEST_F(ExchangeTest, TheDatabaseKnowsItsOwnExport) {
    import(sample("ical/samples/phone.ics"));
    TOwnTables own(dm.xConnection);
    const QString identity = own.Identity();
    EXPECT_EQ(identity.size(), 36);
    EXPECT_EQ(TOwnTables(dm.xConnection).Identity(), identity) << "made once, kept";
    const QByteArray file = ExportTables(dm, identity, 1, 10.0 / 24, 0);
    const FileItems items = ReadICalendar(file);
    EXPECT_EQ(items.tasks.size() + items.events.size(), 3u);
    // Its rows are there: nothing to add, even without a record of import.
    const ImportPlan again = import(file);
    EXPECT_EQ(again.alreadyThere, 3);
    EXPECT_TRUE(again.tasks.empty() && again.events.empty());
    // Another database takes them all.
    TestDb other;
    FbConnection c;
    c.Attach({other.address(), "sysdba", "plumcrest", "WIN1251", 3});
    TOwnTables otherOwn(c);
    EXPECT_NE(otherOwn.Identity(), identity);
}

TEST_F(ExchangeTest, AFailedImportLeavesNothing) {
    // The keys cannot be stored (a table of that name refuses every row):
    // no row is added, nothing waits to be sent.
    FbConnection c;
    c.Attach({db.address(), "sysdba", "plumcrest", "WIN1251", 3});
    {
        auto tr = c.Begin();
        c.Execute(*tr,
                  "CREATE TABLE QUILLET_IMPORTED (KEYS BLOB SUB_TYPE BINARY CHECK (KEYS IS NULL))");
        tr->Commit();
    }
    EXPECT_THROW(import(sample("ical/samples/phone.ics")), EQuillet);
    EXPECT_EQ(dm.cdsTask.RecordCount() + dm.cdsBirth.RecordCount(), 0);
    EXPECT_FALSE(dm.HasUnsentChanges());
    EXPECT_EQ(value("SELECT COUNT(*) FROM TASK"), "0");
}

TEST_F(ExchangeTest, AnImportCutShortAddsWhatIsMissingAndNothingTwice) {
    const QByteArray file = sample("ical/samples/thunderbird.ics");
    auto plan = [&] {
        TOwnTables own(dm.xConnection);
        return PlanImport(ReadRecordsFile(file), KnownRecordsOf(dm, own),
                          EncodeDateTime(2026, 12, 8, 12, 0, 0, 0));
    };
    // Killed after the keys were kept, before the rows were stored.
    {
        const ImportPlan p = plan();
        TOwnTables own(dm.xConnection);
        own.RememberImported(p.keys, std::vector<int>(p.tasks.size(), 900),
                             std::vector<int>(p.events.size(), 900));
    }
    EXPECT_EQ(plan().tasks.size(), 3u) << "the rows never came: they are still to add";
    // Killed after the rows were sent, before the keys were confirmed.
    {
        const ImportPlan p = plan();
        TOwnTables own(dm.xConnection);
        AddImport(dm, own, p);
        dm.ApplyTable(dm.cdsTask);
        dm.ApplyTable(dm.cdsBirth);
    }
    EXPECT_EQ(plan().alreadyThere, 4) << "the rows are there";
    EXPECT_EQ(value("SELECT COUNT(*) FROM TASK"), "3");
    // A whole import, then the user deletes what it added: not added again.
    import(sample("vcard/samples/thunderbird-4.0.vcf"));
    dm.cdsBirth.First();
    while (!dm.cdsBirth.IsEmpty())
        dm.cdsBirth.Delete();
    dm.ApplyTable(dm.cdsBirth);
    EXPECT_EQ(import(sample("vcard/samples/thunderbird-4.0.vcf")).alreadyThere, 3);
}

TEST_F(ExchangeTest, TheFileIsWrittenWholeForItsOwnerAlone) {
    const QString path = db.dir() + "/quillet.ics";
    WriteFile(path, "old");
    QFile::setPermissions(
        path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    SaveFileAtomically(path, "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    EXPECT_EQ(ReadFile(path), "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(db.dir()).entryList(QDir::Files).filter("quillet.ics").size(), 1)
        << "no temporary file left";
    EXPECT_THROW(SaveFileAtomically(db.dir() + "/missing/quillet.ics", "x"), EQuillet);
}
