// The journal of unsent changes as bytes and as a file, and what the user
// is told when changes do not reach the database.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QtEndian>
#include <functional>

#include "data/Journal.h"
#include "data/SendTrouble.h"
#include "tests/support/TempDir.h"

namespace {

std::vector<JournalRow> sampleRows() {
    JournalRow insert;
    insert.table = "TASK";
    insert.kind = JournalRow::Insert;
    insert.key = Value::FromInt(-3);
    insert.values = {{"ID", Value::FromInt(-3)},
                     {"CAPTION", Value::FromText(QString::fromUtf8("Купить «ёлку»\r\n"))},
                     {"DATETIME", Value::FromFloat(46364.999999988)},
                     {"DETAILS", Value()}};
    JournalRow update;
    update.table = "BIRTH";
    update.kind = JournalRow::Update;
    update.key = Value::FromInt(7);
    update.changed = QStringList{"COMMENT"};
    update.values = {{"ID", Value::FromInt(7)}, {"COMMENT", Value::FromText("")}};
    JournalRow note;
    note.table = "NOTE";
    note.kind = JournalRow::Insert;
    note.values = {{"TEXT", Value::FromBytes(QByteArray("{\\rtf1 \xE6\0x}", 12))}};
    JournalRow del;
    del.table = "TASK";
    del.kind = JournalRow::Delete;
    del.key = Value::FromInt(12);
    return {insert, update, note, del};
}

void expectSame(const JournalRow& a, const JournalRow& b) {
    EXPECT_EQ(a.table, b.table);
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.key, b.key);
    EXPECT_EQ(a.changed, b.changed);
    ASSERT_EQ(a.values.size(), b.values.size());
    for (size_t i = 0; i < a.values.size(); ++i) {
        EXPECT_EQ(a.values[i].first, b.values[i].first);
        EXPECT_EQ(a.values[i].second, b.values[i].second) << a.values[i].first.toStdString();
        EXPECT_EQ(a.values[i].second.kind(), b.values[i].second.kind());
    }
}

}  // namespace

TEST(JournalTest, RowsComeBackExactly) {
    const auto rows = sampleRows();
    const JournalContents back = DecodeJournal(EncodeJournal(rows));
    EXPECT_FALSE(back.damaged) << back.problem.toStdString();
    ASSERT_EQ(back.rows.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        expectSame(back.rows[i], rows[i]);
    EXPECT_TRUE(DecodeJournal(EncodeJournal({})).rows.empty());
    EXPECT_FALSE(DecodeJournal(EncodeJournal({})).damaged);
}

TEST(JournalTest, DamageKeepsWhatCanBeReadAndSaysSo) {
    const QByteArray whole = EncodeJournal(sampleRows());
    // Cut at every length: never more rows than were whole before the cut,
    // always reported, never a crash.
    size_t lastRows = 0;
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        const JournalContents c = DecodeJournal(whole.left(cut));
        ASSERT_TRUE(c.damaged) << "cut at " << cut;
        EXPECT_FALSE(c.problem.isEmpty());
        EXPECT_GE(c.rows.size(), lastRows) << "cut at " << cut;
        lastRows = c.rows.size();
    }
    EXPECT_EQ(lastRows, 4u) << "a file cut in its end mark still gives every row";

    struct Case {
        const char* what;
        QByteArray bytes;
        size_t rows;
    };
    QByteArray flipped = whole;
    flipped[whole.size() / 2] = char(flipped[whole.size() / 2] ^ 0x20);
    QByteArray longLength = whole;
    longLength[18] = char(0x7F);  // the first record's length
    const Case cases[] = {
        {"empty file", QByteArray(), 0},
        {"another file", QByteArray("{\\rtf1 not a journal}"), 0},
        {"a byte changed", flipped, 0},
        {"a length beyond the end", longLength, 0},
        {"junk after the end", whole + "junk", 4},
    };
    for (const Case& c : cases) {
        const JournalContents r = DecodeJournal(c.bytes);
        EXPECT_TRUE(r.damaged) << c.what;
        if (std::string(c.what) != "a byte changed") {
            EXPECT_EQ(r.rows.size(), c.rows) << c.what;
        }
        EXPECT_LE(r.rows.size(), 4u) << c.what;
    }
}

TEST(JournalTest, FileIsPrivateReplacedWholeAndRemovedWhenEmpty) {
    TempDir dir;
    const QString path = JournalPathFor(dir.file("qlbase.fdb"));
    EXPECT_EQ(path, dir.file("qlbase.journal"));
    TJournal journal(path);
    QString error;
    ASSERT_TRUE(journal.Write(sampleRows(), &error)) << error.toStdString();
    const auto perms = QFileInfo(path).permissions();
    EXPECT_TRUE(perms.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_FALSE(perms & (QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                          QFileDevice::ReadOther | QFileDevice::WriteOther))
        << "only its owner reads it";
    EXPECT_EQ(journal.Read().rows.size(), 4u);
    ASSERT_TRUE(journal.Write({sampleRows()[3]}, &error));
    EXPECT_EQ(journal.Read().rows.size(), 1u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left";

    WriteFile(path, "damaged");
    const QString aside = journal.SetAside();
    EXPECT_TRUE(QFile::exists(aside));
    EXPECT_FALSE(journal.Exists());
    EXPECT_EQ(ReadFile(aside), "damaged");

    ASSERT_TRUE(journal.Write(sampleRows(), &error));
    ASSERT_TRUE(journal.Write({}, &error));
    EXPECT_FALSE(journal.Exists());
    EXPECT_TRUE(journal.Read().rows.empty());

    TJournal nowhere(dir.file("no/such/folder/qlbase.journal"));
    EXPECT_FALSE(nowhere.Write(sampleRows(), &error));
    EXPECT_FALSE(error.isEmpty());
}

// The journal as the version before this one wrote it: no record naming
// the database after the magic line.
static QByteArray firstFormJournal(const std::vector<JournalRow>& rows) {
    QByteArray bytes = EncodeJournal(rows, "/elsewhere/qlbase.fdb");
    const qsizetype magic = bytes.indexOf('\n') + 1;
    const quint32 header = qFromBigEndian<quint32>(bytes.constData() + magic);
    bytes.remove(magic, 12 + qsizetype(header));
    bytes.replace(0, magic, "QUILLET-JOURNAL 1\n");
    return bytes;
}

TEST(JournalTest, OnlyTheUsersOwnJournalOfThisDatabaseIsRead) {
    TempDir dir;
    const QString db = dir.file("qlbase.fdb");
    const QString path = JournalPathFor(db);
    struct Case {
        const char* what;
        std::function<void()> make;
        size_t rows;
        bool refused;
    };
    const Case cases[] = {
        {"written for this database", [&] { WriteFile(path, EncodeJournal(sampleRows(), db)); }, 4,
         false},
        {"written by the version before", [&] { WriteFile(path, firstFormJournal(sampleRows())); },
         4, false},
        {"written for another database",
         [&] { WriteFile(path, EncodeJournal(sampleRows(), "/other/qlbase.fdb")); }, 0, true},
        {"another user's file",
         [&] {
             WriteFile(path, EncodeJournal(sampleRows(), db));
             ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
         },
         0, true},
        {"a link to a journal",
         [&] {
             WriteFile(dir.file("real"), EncodeJournal(sampleRows(), db));
             QFile::link(dir.file("real"), path);
         },
         0, true},
        {"beyond 64 MB",
         [&] {
             WriteFile(path, EncodeJournal(sampleRows(), db));
             QFile f(path);
             ASSERT_TRUE(f.resize(qint64(2) << 30));  // sparse: takes no room
         },
         0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(path);
        c.make();
        const JournalContents read = TJournal(path, db).Read();
        EXPECT_EQ(read.rows.size(), c.rows);
        EXPECT_EQ(read.refused, c.refused);
        EXPECT_EQ(read.damaged, c.refused);
        EXPECT_EQ(read.problem.isEmpty(), !c.refused) << read.problem.toStdString();
    }
}

TEST(JournalTest, WritingReplacesALinkInsteadOfWritingThroughIt) {
    TempDir dir;
    const QString path = dir.file("qlbase.journal");
    WriteFile(dir.file("target"), "not ours to change");
    ASSERT_TRUE(QFile::link(dir.file("target"), path));
    QString error;
    EXPECT_FALSE(TJournal(path).Write(sampleRows(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadFile(dir.file("target")), "not ours to change");
}

TEST(SendTroubleTest, KindsOfFailureAndWhatTheUserIsTold) {
    struct Case {
        std::vector<qint64> codes;
        bool alive;
        SendTrouble kind;
    };
    const Case cases[] = {
        {{335544721}, true, SendTrouble::Unreachable},              // network request
        {{335544726}, true, SendTrouble::Unreachable},              // read from the connection
        {{335544856}, true, SendTrouble::Unreachable},              // connection shut down
        {{335544336, 335544510}, true, SendTrouble::LockConflict},  // lock time-out
        {{335544336, 335544451}, true, SendTrouble::LockConflict},  // update conflict
        {{335544345}, true, SendTrouble::LockConflict},             // lock conflict
        {{335544665}, true, SendTrouble::Refused},                  // a key twice
        {{335544765}, true, SendTrouble::Refused},                  // read-only database
        {{335544517}, true, SendTrouble::Refused},                  // an exception of a trigger
        {{335544517}, false, SendTrouble::Unreachable},             // ... on a dead line
        {{}, true, SendTrouble::Refused},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifySendError(c.codes, c.alive), c.kind)
            << (c.codes.empty() ? 0 : c.codes.back());
    EXPECT_TRUE(IsDuplicateKeyError({335544349}));
    EXPECT_TRUE(IsDuplicateKeyError({335544665, 335544838}));
    EXPECT_FALSE(IsDuplicateKeyError({335544336, 335544510}));

    const QString server = "violation of PRIMARY or UNIQUE KEY constraint";
    struct Text {
        SendTrouble kind;
        QString journalError;
        const char* says;
    };
    const Text texts[] = {
        {SendTrouble::Unreachable, "", "как только база данных снова ответит"},
        {SendTrouble::LockConflict, "", "когда запись освободится"},
        {SendTrouble::Refused, "", "ожидание тут не поможет"},
        {SendTrouble::Refused, "нет места",
         "Записать их в журнал «/x/qlbase.journal» не удалось (нет места)"},
    };
    for (const Text& t : texts) {
        const QString m = SendTroubleMessage(t.kind, server, "/x/qlbase.journal", t.journalError);
        EXPECT_TRUE(
            m.startsWith(QString::fromUtf8("Не удалось сохранить изменения в базе данных. ")));
        EXPECT_TRUE(m.contains("\n\n" + server + "\n\n"))
            << "the server's text after an empty line";
        EXPECT_TRUE(m.contains(QString::fromUtf8(t.says))) << m.toStdString();
        EXPECT_EQ(m.contains(QString::fromUtf8("сохранены в журнале «/x/qlbase.journal»")),
                  t.journalError.isEmpty());
    }
    EXPECT_FALSE(SendTroubleMessage(SendTrouble::Unreachable, server, "/x", "")
                     .contains(QString::fromUtf8("не поможет")));
    EXPECT_FALSE(SendTroubleMessage(SendTrouble::Unreachable, "", "/x", "").contains("\n\n\n"))
        << "no empty place where the server said nothing";
}
