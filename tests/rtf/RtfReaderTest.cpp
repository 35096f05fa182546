// The RTF reader: text and code pages, destinations, character and
// paragraph formats, lists, tables and pictures.
#include <gtest/gtest.h>
#include <QBuffer>
#include <QImage>

#include "tests/rtf/RtfTestSupport.h"

namespace {

struct TextCase {
    const char* name;
    QByteArray rtf;
    QString text;
};

void expectTexts(const std::vector<TextCase>& cases) {
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Paragraphs(*ReadDoc(c.rtf)), c.text);
    }
}

QByteArray pictHex(const char* kind, const QByteArray& data, const char* extra = "") {
    return QByteArray("{\\pict\\") + kind + extra + " " + data.toHex() + "}";
}

QByteArray png(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    return out;
}

}  // namespace

TEST(RtfReader, SpecialCharactersBreaksAndParagraphEnds) {
    expectTexts({
        {"escapes", R"({\rtf1 a\{b\}c\\d})", "a{b}c\\d"},
        {"named characters", R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})",
         QString::fromUtf8("—–•‘’“”")},
        {"spaces and hyphens", R"({\rtf1 a\~b\-c\_d\emspace\enspace})",
         QString::fromUtf8("a\u00A0b\u00ADc\u2011d\u2003\u2002")},
        {"tab and line", R"({\rtf1 a\tab b\line c})", QString::fromUtf8("a\tb\u2028c")},
        {"last par adds no paragraph", R"({\rtf1 a\par b\par})", "a\nb"},
        {"empty paragraphs kept", R"({\rtf1 a\par\par\par b})", "a\n\n\nb"},
        {"backslash before a line end", "{\\rtf1 a\\\nb}", "a\nb"},
        {"line ends are no text", "{\\rtf1 a\r\nb\nc}", "abc"},
        {"page break in a paragraph", R"({\rtf1 a\page b\par\page c})", "a\nb\nc"},
    });
}

TEST(RtfReader, CodePagesOfFontsThenDocumentThen1252) {
    expectTexts({
        {"ansicpg1251, font without charset",
         R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0 Arial;}}\f0 \'cf\'f0\'e8})",
         QString::fromUtf8("При")},
        {"Word: ansicpg1252 with a Cyrillic font",
         R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset204 Arial;}}\f0 \'cf\'f0\'e8})",
         QString::fromUtf8("При")},
        {"no code page at all: 1252", R"({\rtf1 caf\'e9})", QString::fromUtf8("café")},
        {"an unknown code page: 1252", R"({\rtf1\ansicpg99999 caf\'e9})",
         QString::fromUtf8("café")},
        {"Western font in a Cyrillic document",
         R"({\rtf1\ansicpg1251{\fonttbl{\f0\fcharset0 A;}{\f1 B;}}\f0\'e9\f1\'e9})",
         QString::fromUtf8("éй")},
        {"default font", R"({\rtf1\deff1{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset238 B;}}\'b3})",
         QString::fromUtf8("ł")},
        {"1250", R"({\rtf1{\fonttbl{\f0\fcharset238 A;}}\f0 za\'bf\'f3\'b3\'e6})",
         QString::fromUtf8("zażółć")},
        {"1253", R"({\rtf1{\fonttbl{\f0\fcharset161 A;}}\f0 \'c5\'eb})", QString::fromUtf8("Ελ")},
        {"GBK pairs", R"({\rtf1{\fonttbl{\f0\fcharset134 A;}}\f0 \'d6\'d0\'ce\'c4})",
         QString::fromUtf8("中文")},
        {"Shift JIS, trail as a plain character",
         R"({\rtf1{\fonttbl{\f0\fcharset128 A;}}\f0 \'93\'fa\'83A!})", QString::fromUtf8("日ア!")},
        {"lead byte without trail", R"({\rtf1{\fonttbl{\f0\fcharset134 A;}}\f0 a\'d6\par b})",
         "a?\nb"},
        {"\\cpg of a font", R"({\rtf1{\fonttbl{\f0\fcharset1\cpg1253 A;}}\f0 \'e1})",
         QString::fromUtf8("α")},
        {"8-bit text in the file", "{\\rtf1\\ansicpg1251 \xcf\xf0\xe8}", QString::fromUtf8("При")},
        {"control bytes dropped", R"({\rtf1 a\'00\'0a\'0db})", "ab"},
        {"font name in its own code page",
         R"({\rtf1{\fonttbl{\f0\fcharset204 \'c0\'f0\'e8\'e0\'eb;}}\f0 x})", "x"},
    });
    auto doc = ReadDoc(R"({\rtf1{\fonttbl{\f0\fcharset204 \'c0\'f0\'e8\'e0\'eb;}}\f0 x})");
    EXPECT_EQ(FormatOf(*doc, "x").fontFamilies().toStringList(),
              QStringList{QString::fromUtf8("Ариал")});
}

TEST(RtfReader, UnicodeWithItsFallbackSkip) {
    expectTexts({
        {"uc1 with a hex stand-in", R"({\rtf1\uc1\u1055\'cf\u1088\'f0})", QString::fromUtf8("Пр")},
        {"uc1 with a ? stand-in", R"({\rtf1\u1055?\u1088?x})", QString::fromUtf8("Прx")},
        {"uc0", R"({\rtf1\uc0\u1055\u1088 x})", QString::fromUtf8("Прx")},
        {"uc2", R"({\rtf1\uc2\u1055 ab\u1088\'f0\'f0c})", QString::fromUtf8("Прc")},
        {"uc changes inside a group", R"({\rtf1\u1055?{\uc2\u1088??}\u1080?})",
         QString::fromUtf8("При")},
        {"the stand-in is a control word", R"({\rtf1\u8212\emdash x})", QString::fromUtf8("—x")},
        {"a brace ends the skip", R"({\rtf1\uc3\u1055{x}})", QString::fromUtf8("Пx")},
        {"negative numbers", R"({\rtf1\u-3913?\u-32768?})", QString(QChar(0xF0B7)) + QChar(0x8000)},
        {"surrogate pair", R"({\rtf1\u-10179?\u-8704?})", QString::fromUtf8("😀")},
        {"surrogate pair as positive numbers", R"({\rtf1\uc0\u55357\uc1\u56832?})",
         QString::fromUtf8("😀")},
        {"lone surrogate", R"({\rtf1\u-10179?x})", QString(QChar(0xFFFD)) + "x"},
        {"beyond 16 bits", R"({\rtf1\u70000?x\u99999999999999?y})",
         QString(QChar(0xFFFD)) + "x" + QChar(0xFFFD) + "y"},
        {"non-characters and object marks dropped", R"({\rtf1 a\u65535?\u-4?\u65532?b})", "ab"},
        {"writer that leaves out the stand-in", R"({\rtf1\u1055\u1088})", QString::fromUtf8("Пр")},
    });
}

TEST(RtfReader, DestinationsSkippedOrShown) {
    expectTexts({
        {"tables and info",
         R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red1\green2\blue3;})"
         R"({\stylesheet{\s0 Normal;}}{\info{\title T}}a})",
         "a"},
        {"headers, footers, notes",
         R"({\rtf1{\header h}{\footerr f}a{\footnote n}{\annotation x}b})", "a1b\nn"},
        {"unknown starred destination", R"({\rtf1 a{\*\unknown x{y}}b})", "ab"},
        {"unknown word without star shows its text", R"({\rtf1 a{\unknownword x}b})", "axb"},
        {"field: instruction hidden, result shown",
         R"({\rtf1 a{\field{\*\fldinst{HYPERLINK "http://q"}}{\fldrslt{r}}}b})", "arb"},
        {"rendered list numbers", R"({\rtf1{\pntext 1.\tab}{\listtext 2.\tab}a})", "a"},
        {"hidden text, kept out of sight", R"({\rtf1 a\v hidden\v0 b})", "a\uFFFCb"},
        {"picture stand-ins and raw object data",
         R"({\rtf1 a{\nonshppict{\pict\wmetafile8 0102}}{\object{\*\objdata 0102}{\result r}}b})",
         "arb"},
        {"binary data", R"({\rtf1 a{\*\x\bin3 }}{b})", "a"},
        {"destination word not at the group's start", R"({\rtf1 {a\info b}})", "ab"},
    });
}

TEST(RtfReader, CharacterFormats) {
    auto doc = ReadDoc(
        R"({\rtf1{\fonttbl{\f0 Arial;}{\f1 Courier;}})"
        R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
        R"(\f0\fs20 n{\b B}{\i I}{\ul U}{\uld D}{\uldash H}{\ulwave W}{\ulc1 C}{\ul\ulnone N})"
        R"({\strike S}{\cf1 R}{\cb2 G}{\highlight1 L}{\super P}{\sub Q}{\up6 O}{\dn4 V})"
        R"({\b\i\plain Z}{\b\b0 Y}{\f1\fs48 K}{\caps A}})");
    const QTextDocument& d = *doc;
    EXPECT_EQ(FormatOf(d, "n").fontPointSize(), 10);
    EXPECT_EQ(FormatOf(d, "n").fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_EQ(FormatOf(d, "B").fontWeight(), QFont::Bold);
    EXPECT_TRUE(FormatOf(d, "I").fontItalic());
    EXPECT_EQ(FormatOf(d, "U").underlineStyle(), QTextCharFormat::SingleUnderline);
    EXPECT_EQ(FormatOf(d, "D").underlineStyle(), QTextCharFormat::DotLine);
    EXPECT_EQ(FormatOf(d, "H").underlineStyle(), QTextCharFormat::DashUnderline);
    EXPECT_EQ(FormatOf(d, "W").underlineStyle(), QTextCharFormat::WaveUnderline);
    EXPECT_EQ(FormatOf(d, "C").underlineStyle(), QTextCharFormat::NoUnderline) << "\\ulc: colour";
    EXPECT_EQ(FormatOf(d, "N").underlineStyle(), QTextCharFormat::NoUnderline);
    EXPECT_TRUE(FormatOf(d, "S").fontStrikeOut());
    EXPECT_EQ(FormatOf(d, "R").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatOf(d, "G").background().color(), QColor(0, 0, 255));
    EXPECT_EQ(FormatOf(d, "L").background().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatOf(d, "P").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(FormatOf(d, "Q").verticalAlignment(), QTextCharFormat::AlignSubScript);
    EXPECT_EQ(FormatOf(d, "O").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(FormatOf(d, "V").verticalAlignment(), QTextCharFormat::AlignSubScript);
    const QTextCharFormat z = FormatOf(d, "Z");
    EXPECT_FALSE(z.fontItalic());
    EXPECT_NE(z.fontWeight(), QFont::Bold);
    EXPECT_EQ(z.fontPointSize(), 12) << "\\plain: the default size";
    EXPECT_NE(FormatOf(d, "Y").fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatOf(d, "K").fontFamilies().toStringList(), QStringList{"Courier"});
    EXPECT_EQ(FormatOf(d, "K").fontPointSize(), 24);
    EXPECT_EQ(FormatOf(d, "A").fontCapitalization(), QFont::AllUppercase);
    EXPECT_EQ(FormatOf(d, "G").foreground().style(), Qt::NoBrush) << "group ends restore";
}

TEST(RtfReader, ColourTablesWithOrWithoutTheAutomaticEntry) {
    auto with = ReadDoc(R"({\rtf1{\colortbl;\red255\green0\blue0;}{\cf0 a}{\cf1 b}})");
    EXPECT_EQ(FormatOf(*with, "a").foreground().style(), Qt::NoBrush);
    EXPECT_EQ(FormatOf(*with, "b").foreground().color(), QColor(255, 0, 0));
    auto without = ReadDoc(
        R"({\rtf1{\colortbl\red0\green128\blue0;\red255\green0\blue0;}{\cf0 a}{\cf1 b}{\cf9 c}})");
    EXPECT_EQ(FormatOf(*without, "a").foreground().color(), QColor(0, 128, 0));
    EXPECT_EQ(FormatOf(*without, "b").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatOf(*without, "c").foreground().style(), Qt::NoBrush) << "beyond the table";
}

TEST(RtfReader, ParagraphFormats) {
    auto doc = ReadDoc(R"({\rtf1\qc c\par\qr r\par\qj j\par\pard l\par)"
                       R"(\li1440\ri720\fi-360\sb300\sa150 m\par\pard\sl360\slmult1 s\par)"
                       R"(\pard\outlinelevel0 h\par\pard\sl-480\slmult0 f})");
    const QTextDocument& d = *doc;
    EXPECT_EQ(BlockOf(d, "c").blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_EQ(BlockOf(d, "r").blockFormat().alignment(), Qt::AlignRight);
    EXPECT_EQ(BlockOf(d, "j").blockFormat().alignment(), Qt::AlignJustify);
    EXPECT_EQ(BlockOf(d, "l").blockFormat().alignment(), Qt::AlignLeft) << "\\pard resets";
    const QTextBlockFormat m = BlockOf(d, "m").blockFormat();
    EXPECT_EQ(m.leftMargin(), 96);
    EXPECT_EQ(m.rightMargin(), 48);
    EXPECT_EQ(m.textIndent(), -24);
    EXPECT_EQ(m.topMargin(), 20);
    EXPECT_EQ(m.bottomMargin(), 10);
    EXPECT_EQ(BlockOf(d, "s").blockFormat().lineHeight(), 150);
    EXPECT_EQ(BlockOf(d, "s").blockFormat().lineHeightType(), QTextBlockFormat::ProportionalHeight);
    EXPECT_EQ(BlockOf(d, "h").blockFormat().headingLevel(), 1);
    EXPECT_EQ(BlockOf(d, "f").blockFormat().lineHeightType(), QTextBlockFormat::FixedHeight);
}

TEST(RtfReader, ListsInRichEditAndListTableForms) {
    auto richEdit = ReadDoc(
        R"({\rtf1\pard{\pntext\'b7\tab}{\*\pn\pnlvlblt{\pntxtb\'b7}}\fi-360\li720 a\par)"
        R"({\pntext\'b7\tab}b\par\pard c\par)"
        R"(\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec{\pntxta.}}d\par{\pntext 2.\tab}e\par)"
        R"(\pard x\par\pard{\*\pn\pnlvlbody\pnlcltr}f\par})");
    const QTextDocument& r = *richEdit;
    ASSERT_TRUE(BlockOf(r, "a").textList());
    EXPECT_EQ(BlockOf(r, "a").textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(BlockOf(r, "b").textList(), BlockOf(r, "a").textList());
    EXPECT_EQ(BlockOf(r, "a").blockFormat().leftMargin(), 0) << "the list places its items";
    EXPECT_FALSE(BlockOf(r, "c").textList());
    ASSERT_TRUE(BlockOf(r, "d").textList());
    EXPECT_EQ(BlockOf(r, "d").textList()->format().style(), QTextListFormat::ListDecimal);
    EXPECT_EQ(BlockOf(r, "e").textList()->itemNumber(BlockOf(r, "e")), 1);
    ASSERT_TRUE(BlockOf(r, "f").textList());
    EXPECT_EQ(BlockOf(r, "f").textList()->format().style(), QTextListFormat::ListLowerAlpha);
    EXPECT_EQ(BlockOf(r, "f").textList()->itemNumber(BlockOf(r, "f")), 0) << "starts again";

    auto table = ReadDoc(
        R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}})"
        R"({\listlevel\levelnfc4}\listid7}{\list{\listlevel\levelnfc23}\listid8})"
        R"({\list{\listlevel\levelnfc255}\listid9}})"
        R"({\*\listoverridetable{\listoverride\listid7\ls1}{\listoverride\listid8\ls2})"
        R"({\listoverride\listid9\ls3}})"
        R"({\listtext 1.}\pard\ls1 a\par\pard\ls1\ilvl1 b\par\pard\ls1\ilvl1 c\par\pard\ls1 d\par)"
        R"(\pard\ls1\ilvl1 e\par\pard x\par\pard\ls1 g\par\pard\ls2 h\par\pard\ls3 i\par)"
        R"(\pard\ls5 j\par})");
    const QTextDocument& t = *table;
    QTextList* top = BlockOf(t, "a").textList();
    ASSERT_TRUE(top);
    EXPECT_EQ(top->format().style(), QTextListFormat::ListDecimal);
    EXPECT_EQ(top->format().indent(), 1);
    ASSERT_TRUE(BlockOf(t, "b").textList());
    EXPECT_EQ(BlockOf(t, "b").textList()->format().style(), QTextListFormat::ListLowerAlpha);
    EXPECT_EQ(BlockOf(t, "b").textList()->format().indent(), 2);
    EXPECT_EQ(BlockOf(t, "c").textList(), BlockOf(t, "b").textList());
    EXPECT_EQ(BlockOf(t, "d").textList(), top);
    EXPECT_NE(BlockOf(t, "e").textList(), BlockOf(t, "b").textList()) << "a new sublist";
    EXPECT_EQ(BlockOf(t, "g").textList(), top) << "numbers go on after a paragraph between";
    EXPECT_EQ(top->itemNumber(BlockOf(t, "g")), 2);
    EXPECT_EQ(BlockOf(t, "h").textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_FALSE(BlockOf(t, "i").textList()) << "a level without numbers";
    ASSERT_TRUE(BlockOf(t, "j").textList()) << "an unknown list still is one";
}

TEST(RtfReader, TablesWithRowsCellsAndMerges) {
    auto doc = ReadDoc(
        R"({\rtf1 before\par\trowd\cellx1500\cellx3000\pard\intbl a\cell b1\par b2\cell\row)"
        R"(\trowd\clmgf\cellx1500\clmrg\cellx3000\pard\intbl c\cell\cell\row)"
        R"(\pard after\par})");
    const QTextDocument& d = *doc;
    EXPECT_EQ(Paragraphs(d), "before\na\nb1\nb2\nc\nafter") << "the merged cell's place is gone";
    QTextTable* t = FirstTable(d);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->rows(), 2);
    EXPECT_EQ(t->columns(), 2);
    EXPECT_EQ(t->cellAt(1, 0).columnSpan(), 2);
    EXPECT_EQ(t->format().columnWidthConstraints().value(0).rawValue(), 100);
    EXPECT_FALSE(QTextCursor(BlockOf(d, "after")).currentTable());
    EXPECT_EQ(BlockOf(d, "before").next().text(), "a") << "no empty paragraph before the table";

    expectTexts({
        {"rich-edit table", R"({\rtf1\trowd\cellx1000\cellx2000\intbl x\cell y\cell\row\pard z})",
         "\nx\ny\nz"},
        {"empty first cell", R"({\rtf1\trowd\cellx1\cellx2\pard\intbl\cell y\cell\row})",
         "\n\ny\n"},
        {"more cells than defined", R"({\rtf1\pard\intbl a\cell b\cell c\cell\row})",
         "\na\nb\nc\n"},
        {"nested table keeps its text",
         R"({\rtf1\intbl a\par\itap2 n1\nestcell n2\nestcell{\*\nesttableprops\nestrow}\itap1 b\cell\row})",
         "\na\nn1\nn2\nb\n"},
        {"cell without table", R"({\rtf1 a\cell b\row c})", "a\tbc"},
    });
    auto vertical = ReadDoc(R"({\rtf1\trowd\clvmgf\cellx1\cellx2\intbl a\cell b\cell\row)"
                            R"(\trowd\clvmrg\cellx1\cellx2\intbl\cell c\cell\row})");
    ASSERT_TRUE(FirstTable(*vertical));
    EXPECT_EQ(FirstTable(*vertical)->cellAt(0, 0).rowSpan(), 2);
}

TEST(RtfReader, PicturesDecodedOnceOthersDropped) {
    const QByteArray pic = png(4, 3);
    auto doc = ReadDoc("{\\rtf1 a" + pictHex("pngblip", pic, "\\picwgoal600\\pichgoal300") +
                       "b{\\*\\shppict" + pictHex("pngblip", pic) + "}{\\nonshppict" +
                       pictHex("wmetafile8", "0102") + "}c" + pictHex("emfblip", "0102") + "d" +
                       pictHex("pngblip", "not a png") + "e}");
    const QTextDocument& d = *doc;
    EXPECT_EQ(Paragraphs(d), QString("a") + QChar(0xFFFC) + "b" + QChar(0xFFFC) + "cde");
    EXPECT_EQ(ImageCount(d), 2);
    const QTextImageFormat f = FormatOf(d, QString(QChar(0xFFFC))).toImageFormat();
    EXPECT_EQ(f.width(), 40) << "the wanted size in twips";
    EXPECT_EQ(f.height(), 20);
    const QImage image = d.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
    EXPECT_EQ(image.size(), QSize(4, 3));

    // Binary data after \bin, and a picture too large to decode.
    QByteArray binary =
        "{\\rtf1{\\pict\\pngblip\\bin" + QByteArray::number(pic.size()) + " " + pic + "}x}";
    EXPECT_EQ(ImageCount(*ReadDoc(binary)), 1);
    QByteArray huge = png(1, 1);
    huge[16] = 0x7F;  // IHDR width: 2 billion pixels
    EXPECT_EQ(ImageCount(*ReadDoc("{\\rtf1 " + pictHex("pngblip", huge) + "}")), 0);
}

TEST(RtfReader, FieldsBecomeLinks) {
    auto doc = ReadDoc(R"({\rtf1{\field{\*\fldinst HYPERLINK "https://q.ru/a b"}{\fldrslt l1}})"
                       R"({\field{\*\fldinst{ HYPERLINK \\l "mark" }}{\fldrslt{\plain l2}}})"
                       R"({\field{\*\fldinst PAGE}{\fldrslt p}} t})");
    EXPECT_EQ(FormatOf(*doc, "l1").anchorHref(), "https://q.ru/a b");
    EXPECT_EQ(FormatOf(*doc, "l2").anchorHref(), "#mark") << "the link outlives \\plain";
    EXPECT_FALSE(FormatOf(*doc, "p").isAnchor());
    EXPECT_FALSE(FormatOf(*doc, "t").isAnchor());
}

TEST(RtfReader, ReadingClearsTheDocumentAndItsUndoHistory) {
    QTextDocument doc;
    QTextCursor(&doc).insertText("old");
    ASSERT_TRUE(doc.isUndoAvailable());
    ReadRtf("{\\rtf1 new}", &doc);
    EXPECT_EQ(doc.toPlainText(), "new");
    EXPECT_FALSE(doc.isUndoAvailable());
    EXPECT_TRUE(doc.isUndoRedoEnabled());
    EXPECT_TRUE(IsRtf("{\\rtf1 x}"));
    EXPECT_FALSE(IsRtf(" {\\rtf1 x}"));
    EXPECT_FALSE(IsRtf("{\\rt"));
}
