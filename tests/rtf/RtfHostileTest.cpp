// Broken and hostile RTF: the reader never crashes or hangs, and shows
// the text that could be read.
#include <gtest/gtest.h>

#include "tests/rtf/RtfTestSupport.h"

namespace {

QByteArray repeat(const QByteArray& piece, int times) {
    return piece.repeated(times);
}

}  // namespace

TEST(RtfHostile, BrokenDocumentsShowWhatCanBeRead) {
    const struct {
        const char* name;
        QByteArray rtf;
        QString text;
    } cases[] = {
        {"empty", "", ""},
        {"only the start", "{\\rtf1", ""},
        {"braces too many", "{\\rtf1 a}}}} b}", "a b"},
        {"closing brace missing", "{\\rtf1 {\\b a", "a"},
        {"cut inside a hex byte", "{\\rtf1 a\\'c", "a"},
        {"cut after a backslash", "{\\rtf1 a\\", "a"},
        {"cut inside a destination", "{\\rtf1 a{\\*\\foo b", "a"},
        {"cut inside a picture", "{\\rtf1 a{\\pict\\pngblip 89504e47", "a"},
        {"bad hex digits", "{\\rtf1 a\\'zzb\\'4g}", "azzbg"},
        {"\\bin beyond the end", "{\\rtf1 a{\\*\\x\\bin999999 b}c}", "a"},
        {"\\bin negative", "{\\rtf1 a\\bin-5 b}", "ab"},
        {"\\bin of a huge count", "{\\rtf1 a\\bin99999999999999999999 b}", "a"},
        {"parameters beyond 32 bits",
         "{\\rtf1\\fs99999999999\\li-99999999999\\cf99999999999\\f99999999999 a"
         "\\u99999999999?\\uc99999999999\\u1055 bcd}",
         QString("a") + QChar(0xFFFD) + QString::fromUtf8("П")},
        {"control word of 1000 letters", "{\\rtf1 " + repeat("a", 1000).prepend('\\') + " text}",
         "text"},
        {"stars everywhere", "{\\rtf1\\*\\*\\* a{\\*}{\\*\\*\\b x}b}", " ab"},
        {"paragraph marks in the font table", "{\\rtf1{\\fonttbl\\par{\\f0\\cell a;}\\row}b}", "b"},
        {"a table of many cells", "{\\rtf1\\intbl " + repeat("c\\cell ", 500) + "\\row}", ""},
        {"rows without cells", "{\\rtf1" + repeat("\\trowd\\row", 1000) + " x}", "x"},
        {"extreme row edges and levels",
         "{\\rtf1\\trowd\\trleft-2147483648\\cellx2147483647\\intbl a\\cell\\row"
         "{\\*\\pn\\pnlvl-2147483648}b}",
         "\na\nb\n"},
        {"rows of ever other edges, first without any",
         "{\\rtf1\\trowd\\intbl a\\cell b\\cell c\\cell\\row\\trowd\\cellx9\\cellx5\\intbl d\\cell"
         " e\\cell\\row\\trowd\\cellx2\\cellx7\\cellx2147483647\\intbl f\\cell\\row}",
         "\na\nb\nc\nd\ne\n\n\n\nf\n\n\n\n\n\n"},
        {"lists referring to nothing", "{\\rtf1\\ls99999\\ilvl99 a\\par\\ls-5 b}", "a\nb"},
        {"fields inside fields",
         "{\\rtf1{\\field{\\*\\fldinst{\\field{\\*\\fldinst HYPERLINK}}}{\\fldrslt x}}}", "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = ReadDoc(c.rtf);
        if (QString(c.name) == "a table of many cells") {
            QTextTable* t = FirstTable(*doc);
            ASSERT_TRUE(t);
            EXPECT_EQ(t->columns(), 64) << "columns have a limit; later cells share the last";
            EXPECT_EQ(Paragraphs(*doc).count(u'c'), 500) << "no text is lost";
            continue;
        }
        EXPECT_EQ(Paragraphs(*doc), c.text);
    }
}

TEST(RtfHostile, DeepNestingKeepsTheTextFlowing) {
    const int depth = 100000;
    auto plain = ReadDoc("{\\rtf1 " + repeat("{", depth) + "deep" + repeat("}", depth) + " end}");
    EXPECT_EQ(Paragraphs(*plain), "deep end");

    // State changes in every group, a destination at the bottom, and the
    // groups left open.
    auto formatted = ReadDoc("{\\rtf1 " + repeat("{\\b\\i\\fs30 x", depth) + "{\\*\\skip y}z");
    EXPECT_EQ(Paragraphs(*formatted), QString("x").repeated(depth) + "z");
    EXPECT_EQ(FormatOf(*formatted, "z").fontWeight(), QFont::Bold);

    auto closing = ReadDoc("{\\rtf1 " + repeat("{\\b ", depth) + "a" + repeat("}", depth) + "b}");
    EXPECT_NE(FormatOf(*closing, "b").fontWeight(), QFont::Bold) << "the state comes back";
}
