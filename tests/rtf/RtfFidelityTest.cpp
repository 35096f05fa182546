// Documents of other writers read, written back and read again keep what
// LibreOffice shows of the original (its text export, stored beside each
// sample), and the features behind that, each both ways.
#include <gtest/gtest.h>
#include <QDir>
#include <QRegularExpression>

#include "rtf/RtfProperties.h"
#include "tests/rtf/RtfTestSupport.h"

namespace {

// The words of a document as LibreOffice's text export gives them: list
// marks, cells in order, hidden text, footnote marks without their notes.
QStringList words(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}]+"));
    return text.split(separators, Qt::SkipEmptyParts);
}

QString shownText(const QTextDocument& doc) {
    QString out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().hasProperty(RtfProperty::NoteBlock)) continue;
        if (b.textList()) out += b.textList()->itemText(b) + u' ';
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            out += f.objectType() == RtfHiddenObject ? f.stringProperty(RtfProperty::HiddenText)
                                                     : it.fragment().text();
        }
        out += u'\n';
    }
    return out;
}

}  // namespace

TEST(RtfFidelity, SamplesWrittenBackShowWhatLibreOfficeShowsOfTheOriginal) {
    for (const char* name :
         {"libreoffice-features", "pandoc-features", "abiword-features", "handmade-features"}) {
        SCOPED_TRACE(name);
        const QString base = QString::fromLatin1(name);
        const QByteArray expected = SampleFile(base + QStringLiteral(".txt"));
        ASSERT_FALSE(expected.isEmpty());
        auto first = ReadDoc(SampleFile(base + QStringLiteral(".rtf")));
        const QByteArray written = WriteRtf(first.get());
        auto again = ReadDoc(written);
        EXPECT_EQ(words(shownText(*first)), words(QString::fromUtf8(expected)));
        EXPECT_EQ(words(shownText(*again)), words(QString::fromUtf8(expected)));
        EXPECT_EQ(WriteRtf(again.get()), written) << "a second round changes nothing";
        // For checking by hand with soffice --convert-to txt.
        const QString dump = qEnvironmentVariable("QUILLET_RTF_DUMP");
        if (!dump.isEmpty()) {
            QFile f(QDir(dump).filePath(base + QStringLiteral(".rtf")));
            if (f.open(QIODevice::WriteOnly)) f.write(written);
        }
    }
}

TEST(RtfFidelity, TablesSpanColumnsByTheirCellsEdges) {
    // LibreOffice's and AbiWord's form: rows of different edges.
    auto doc =
        ReadDoc(R"({\rtf1\trowd\cellx2000\cellx3000\intbl a\cell b\cell\row)"
                R"(\trowd\cellx1000\cellx2000\clvmgf\cellx3000\intbl c\cell d\cell e\cell\row)"
                R"(\trowd\cellx1000\cellx2000\clvmrg\cellx3000\intbl f\cell g\cell\cell\row)"
                R"(\trowd\cellx1000\cellx3000\intbl h\cell i\cell\row})");
    QTextTable* t = FirstTable(*doc);
    ASSERT_TRUE(t);
    EXPECT_EQ(Paragraphs(*doc), "\na\nb\nc\nd\ne\nf\ng\nh\ni\n");
    EXPECT_EQ(t->columns(), 3);
    EXPECT_EQ(t->rows(), 4);
    const struct {
        int row, column;
        const char* text;
        int rowSpan, columnSpan;
    } cells[] = {
        {0, 0, "a", 1, 2}, {0, 2, "b", 1, 1}, {1, 0, "c", 1, 1},
        {1, 1, "d", 1, 1}, {1, 2, "e", 2, 1}, {2, 0, "f", 1, 1},
        {2, 1, "g", 1, 1}, {3, 0, "h", 1, 1}, {3, 1, "i", 1, 2},
    };
    for (const auto& c : cells) {
        SCOPED_TRACE(c.text);
        const QTextTableCell cell = t->cellAt(c.row, c.column);
        EXPECT_EQ(cell.row(), c.row);
        EXPECT_EQ(cell.column(), c.column);
        EXPECT_EQ(QTextCursor(cell.firstCursorPosition().block()).block().text(), c.text);
        EXPECT_EQ(cell.rowSpan(), c.rowSpan);
        EXPECT_EQ(cell.columnSpan(), c.columnSpan);
    }
    auto again = ReadDoc(WriteRtf(doc.get()));
    ASSERT_TRUE(FirstTable(*again));
    EXPECT_EQ(FirstTable(*again)->cellAt(1, 2).rowSpan(), 2);
    EXPECT_EQ(FirstTable(*again)->cellAt(3, 1).columnSpan(), 2);
    EXPECT_EQ(Paragraphs(*again), Paragraphs(*doc));
}

TEST(RtfFidelity, FeaturesReadAndWrittenBack) {
    const struct {
        const char* name;
        QByteArray rtf;
        const char* shown;    // the document's paragraphs
        const char* written;  // found in what the writer makes of it
    } cases[] = {
        {"footnote: mark in the text, its text in the note area",
         R"({\rtf1 a{\super\chftn}{\*\footnote\pard{\super\chftn} note}b\par c})", "a1b\nc\n1 note",
         R"(\chftn{\*\footnote)"},
        {"hidden text", R"({\rtf1 a{\v hid}b})", "a\uFFFCb", R"(\v hid})"},
        {"UTF-8 document", "{\\rtf1\\ansi\\ansicpg65001 \\'d0\\'b8 \xd0\xb8}", "и и", "\\u1080"},
        {"UTF-8 font", "{\\rtf1{\\fonttbl{\\f1\\cpg65001 X;}}\\f1 \\'e2\\'82\\'ac}", "€",
         "\\u8364"},
        {"Unicode branch of \\upr", R"({\rtf1 {\upr{ansi}{\*\ud{\u1102?ni}}}})", "юni", "ni"},
        {"right to left", R"({\rtf1\rtlpar a\par\pard\ltrpar b})", "a\nb", R"(\rtlpar)"},
        {"list numbers of the levels above",
         R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}{\levelnumbers\'01;}})"
         R"({\listlevel\levelnfc0{\leveltext\'04\'00.\'01.;}{\levelnumbers\'01\'03;}}\listid7}})"
         R"({\*\listoverridetable{\listoverride\listid7\ls1}})"
         R"(\pard\ls1 a\par b\par\ilvl1 c\par d})",
         "a\nb\nc\nd", R"({\leveltext\'04\'00.\'01.;}{\levelnumbers\'01\'03;})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = ReadDoc(c.rtf);
        EXPECT_EQ(Paragraphs(*doc), u(c.shown));
        const QByteArray written = WriteRtf(doc.get());
        EXPECT_TRUE(written.contains(c.written)) << written.toStdString();
        EXPECT_EQ(Paragraphs(*ReadDoc(written)), u(c.shown)) << "read again";
    }
    auto nested =
        ReadDoc(R"({\rtf1{\*\listtable{\list{\listlevel{\leveltext\'02\'00.;}{\levelnumbers\'01;}})"
                R"({\listlevel{\leveltext\'04\'00.\'01.;}{\levelnumbers\'01\'03;}}\listid7}})"
                R"({\*\listoverridetable{\listoverride\listid7\ls1}})"
                R"(\pard\ls1 a\par b\par\ilvl1 c\par d})");
    const QTextBlock d = BlockOf(*nested, "d");
    ASSERT_TRUE(d.textList());
    EXPECT_EQ(d.textList()->itemText(d), "2.2.");
    auto rtl = ReadDoc(WriteRtf(ReadDoc(R"({\rtf1\rtlpar a\par\pard\ltrpar b})").get()));
    EXPECT_EQ(BlockOf(*rtl, "a").blockFormat().layoutDirection(), Qt::RightToLeft);
    EXPECT_NE(BlockOf(*rtl, "b").blockFormat().layoutDirection(), Qt::RightToLeft);
}

TEST(RtfFidelity, ListItemsCarryTheirMarksForReadersWithoutLists) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("x"));
    c.createList(QTextListFormat::ListDecimal);
    c.insertBlock();
    c.insertText(QStringLiteral("y"));
    const QByteArray written = WriteRtf(&doc);
    EXPECT_TRUE(written.contains(R"({\listtext 1.\tab})")) << written.toStdString();
    EXPECT_TRUE(written.contains(R"({\listtext 2.\tab})"));
}
