// The notes row and the document: what the stored bytes mean, and the
// load and store steps against the real server.
#include <gtest/gtest.h>
#include <QTextCursor>
#include <QTextDocument>

#include "data/DataModule.h"
#include "data/Notes.h"
#include "tests/support/TestDb.h"

TEST(Notes, StoredBytesAreRtfOrPlainTextInEitherEncoding) {
    const struct {
        const char* name;
        QByteArray data;
        QString text;
    } cases[] = {
        {"empty", "", ""},
        {"RTF", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par x}",
         QString::fromUtf8("Привет\nx")},
        {"UTF-8 with Windows line ends", "\xd0\x9f\xd1\x80\xd0\xb8\r\n\xd0\xb2\xd0\xb5\xd1\x82\r",
         QString::fromUtf8("При\nвет\n")},
        {"UTF-8 with a byte order mark", "\xef\xbb\xbfok", "ok"},
        {"Windows-1251", "\xcf\xf0\xe8\xe2\xe5\xf2 \xb9\xa0\xb8",
         QString::fromUtf8("Привет №\u00a0ё")},
        {"Windows-1251 that starts like UTF-8", "\xd0\xff", QString::fromUtf8("Ря")},
        {"braces but no RTF", "{\\rt x}", "{\\rt x}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTextDocument doc;
        QTextCursor(&doc).insertText(QStringLiteral("old"));
        ReadNotesText(c.data, &doc);
        EXPECT_EQ(doc.toRawText().replace(QChar(0x2029), u'\n'), c.text);
        EXPECT_FALSE(doc.isUndoAvailable());
    }
}

TEST(Notes, NoRowLoadsEmptyTheFirstStoreCreatesTheRowLaterStoresChangeIt) {
    TestDb db;
    db.useAsExeDir();
    QTextDocument doc;
    {
        TDM dm;
        dm.Connect();
        dm.OpenTables();
        QTextCursor(&doc).insertText(QStringLiteral("old"));
        LoadNotesRow(dm.cdsNote, &doc);
        EXPECT_TRUE(doc.isEmpty());
        QTextCursor(&doc).insertText(QString::fromUtf8("Заметка"));
        StoreNotesRow(dm, &doc);
        EXPECT_FALSE(dm.HasUnsentChanges());
        EXPECT_EQ(dm.cdsNote.RecordCount(), 1);
        EXPECT_TRUE(dm.cdsNote.FieldByName("TEXT").AsBytes().startsWith("{\\rtf1"));
    }
    for (const char* more : {" один", " два"}) {
        TDM dm;
        dm.Connect();
        dm.OpenTables();
        ASSERT_EQ(dm.cdsNote.RecordCount(), 1) << "found again, never a second row";
        QTextDocument loaded;
        LoadNotesRow(dm.cdsNote, &loaded);
        EXPECT_TRUE(loaded.toPlainText().startsWith(QString::fromUtf8("Заметка")));
        QTextCursor c(&loaded);
        c.movePosition(QTextCursor::End);
        c.insertText(QString::fromUtf8(more));
        StoreNotesRow(dm, &loaded);
    }
    TDM dm;
    dm.Connect();
    dm.OpenTables();
    LoadNotesRow(dm.cdsNote, &doc);
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8("Заметка один два"));
    EXPECT_EQ(dm.cdsNote.FieldByName("USER_ID").AsInteger(), 1);
}
