// The RTF writer: its header and escapes, and round trips through the
// reader that keep the text and the formatting.
#include <gtest/gtest.h>
#include <QBuffer>
#include <QImage>
#include <QTextFrame>

#include "rtf/RtfPictureData.h"
#include "tests/rtf/RtfTestSupport.h"

namespace {

std::unique_ptr<QTextDocument> fromHtml(const QString& html) {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    doc->setHtml(html);
    return doc;
}

// What a reader must keep of a document: the text with, for each block
// and each run, the properties the editor offers, sizes and fonts resolved
// against the document's defaults.
QString describe(const QTextDocument& doc) {
    QStringList out;
    const QFont base = doc.defaultFont();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        QString line = QStringLiteral("[a%1 l%2 i%3 t%4 b%5 h%6")
                           .arg(int(bf.alignment() & (Qt::AlignLeft | Qt::AlignRight |
                                                      Qt::AlignHCenter | Qt::AlignJustify)))
                           .arg(b.textList() ? 0 : bf.leftMargin() + bf.indent() * 40)
                           .arg(bf.textIndent())
                           .arg(bf.topMargin())
                           .arg(bf.bottomMargin())
                           .arg(bf.headingLevel());
        if (QTextList* l = b.textList())
            line += QStringLiteral(" list%1/%2#%3")
                        .arg(l->format().style())
                        .arg(l->format().indent())
                        .arg(l->itemNumber(b));
        if (QTextTable* t = QTextCursor(b).currentTable()) {
            const QTextTableCell c = t->cellAt(b.position());
            line += QStringLiteral(" cell%1,%2 span%3x%4")
                        .arg(c.row())
                        .arg(c.column())
                        .arg(c.rowSpan())
                        .arg(c.columnSpan());
        }
        line += u']';
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat()) {
                line += QStringLiteral("<img %1x%2>")
                            .arg(f.toImageFormat().width())
                            .arg(f.toImageFormat().height());
                continue;
            }
            const QStringList fam = f.fontFamilies().toStringList();
            double size = base.pointSizeF();
            if (f.hasProperty(QTextFormat::FontPointSize)) size = f.fontPointSize();
            if (f.hasProperty(QTextFormat::FontPixelSize))
                size = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
            line +=
                QStringLiteral("<%1 %2 w%3 i%4 u%5 s%6 v%7 fg%8 bg%9 %10|%11>")
                    .arg(fam.isEmpty() ? base.family() : fam[0])
                    .arg(size)
                    .arg(f.fontWeight() >= QFont::DemiBold)
                    .arg(f.fontItalic())
                    .arg(f.underlineStyle())
                    .arg(f.fontStrikeOut())
                    .arg(f.verticalAlignment())
                    .arg(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name()
                                                                     : QString())
                    .arg(f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color().name()
                                                                     : QString())
                    .arg(f.anchorHref(), it.fragment().text());
        }
        out << line;
    }
    return out.join(u'\n');
}

std::unique_ptr<QTextDocument> roundTrip(const QTextDocument& doc) {
    auto back = std::make_unique<QTextDocument>();
    back->setDefaultFont(doc.defaultFont());
    ReadRtf(WriteRtf(&doc), back.get());
    return back;
}

}  // namespace

TEST(RtfWriter, HeaderTablesAndEscapes) {
    auto doc = fromHtml(QStringLiteral("<p>r</p>"));
    QTextCursor c(doc->begin());
    c.insertText(QString::fromUtf8("Ab {x} \\ П €\t中 😀 \u2028\"q\""), QTextCharFormat());
    c.insertText(QStringLiteral("r"), [] {
        QTextCharFormat red;
        red.setForeground(QColor(255, 0, 0));
        return red;
    }());
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("http://q/\"x\""));
    c.insertText(QStringLiteral("L"), link);
    const QByteArray rtf = WriteRtf(doc.get());
    EXPECT_TRUE(
        rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n{\\fonttbl{\\f0\\fnil"
                       "\\fcharset204 DejaVu Sans;}"))
        << rtf.left(120).constData();
    EXPECT_TRUE(rtf.contains("{\\colortbl;\\red255\\green0\\blue0;}"));
    EXPECT_TRUE(
        rtf.contains("Ab \\{x\\} \\\\ \\u1055\\'cf \\u8364\\'88\\tab \\u20013\\'3f "
                     "\\u-10179\\'3f\\u-8704\\'3f \\line \"q\""))
        << rtf.constData();
    EXPECT_FALSE(rtf.contains("\\u1055?")) << "a ? after \\uN would be eaten by some readers";
    EXPECT_TRUE(rtf.contains("{\\field{\\*\\fldinst{HYPERLINK \"http://q/%22x%22\"}}{\\fldrslt "));
    EXPECT_TRUE(rtf.endsWith("}\n"));
    for (char c : rtf)
        ASSERT_TRUE(static_cast<unsigned char>(c) < 0x80) << "RTF is 7-bit";
}

TEST(RtfWriter, RoundTripsKeepTextAndFormatting) {
    const char* cases[] = {
        "<p>Просто текст</p>",
        "<p>plain <b>bold</b> <i>italic</i> <u>under</u> <s>strike</s> <sub>2</sub> "
        "<sup>3</sup></p>",
        "<p><span style='font-family:Courier; font-size:20pt; color:#123456; "
        "background-color:#fedcba'>Шрифт</span> <span style='font-size:16px'>px</span></p>",
        "<p><span style='text-decoration:underline; text-decoration-style:wavy'>w</span></p>",
        "<p align=center>c</p><p align=right>r</p><p align=justify>j</p>",
        "<p style='margin-left:30px; margin-top:12px; margin-bottom:6px; text-indent:-10px'>m</p>",
        "<h1>Заголовок</h1><h2>Второй</h2><p>текст</p>",
        "<ul><li>один</li><li>два<ul><li>вложенный</li></ul></li><li>три</li></ul>"
        "<ol><li>first</li><li>second</li></ol><ol type=a><li>a</li></ol>"
        "<ol type=I><li>I</li></ol><ul type=square><li>sq</li></ul>",
        "<table border=1><tr><td>a</td><td>b</td></tr><tr><td colspan=2>ab</td></tr>"
        "<tr><td rowspan=2>v</td><td>1</td></tr><tr><td>2</td></tr></table><p>после</p>",
        "<p>1</p><p></p><p></p><p>2</p><p></p>",
        "<p>link <a href='https://example.org/?a=1&amp;b=2'>here</a> after</p>",
        "<p>line<br>break and\ttab</p>",
        "<p>😀 中文 Ελληνικά ß ёЁ №</p>",
    };
    for (const char* html : cases) {
        SCOPED_TRACE(html);
        auto doc = fromHtml(QString::fromUtf8(html));
        auto back = roundTrip(*doc);
        EXPECT_EQ(describe(*back).toStdString(), describe(*doc).toStdString());
        // And the writer writes what it read the same way again.
        EXPECT_EQ(WriteRtf(back.get()), WriteRtf(roundTrip(*back).get()));
    }
}

TEST(RtfWriter, EmptyDocumentAndTableAtTheStart) {
    QTextDocument empty;
    auto back = roundTrip(empty);
    EXPECT_EQ(back->blockCount(), 1);
    EXPECT_TRUE(back->toPlainText().isEmpty());

    QTextDocument doc;
    QTextCursor(&doc).insertTable(2, 2);
    auto again = roundTrip(*roundTrip(doc));
    EXPECT_EQ(again->blockCount(), doc.blockCount()) << "no paragraph grows per round trip";
    ASSERT_TRUE(FirstTable(*again));
    EXPECT_EQ(FirstTable(*again)->rows(), 2);
}

TEST(RtfWriter, PicturesKeepTheirDataOrBecomePng) {
    QImage image(5, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    auto doc = ReadDoc("{\\rtf1{\\pict\\jpegblip\\picwgoal150\\pichgoal120 " + jpeg.toHex() + "}}");
    ASSERT_EQ(ImageCount(*doc), 1);
    const QByteArray rtf = WriteRtf(doc.get());
    EXPECT_TRUE(rtf.contains("{\\pict\\jpegblip\\picw5\\pich4\\picwgoal150\\pichgoal120"));
    EXPECT_TRUE(QByteArray(rtf).replace('\n', "").contains(jpeg.toHex())) << "the data unchanged";

    QTextDocument pasted;
    pasted.addResource(QTextDocument::ImageResource, QUrl("pasted"), image);
    QTextImageFormat f;
    f.setName("pasted");
    QTextCursor(&pasted).insertImage(f);
    QTextCursor(&pasted).insertImage(QStringLiteral("missing.png"));
    const QByteArray out = WriteRtf(&pasted);
    EXPECT_TRUE(out.contains("{\\pict\\pngblip\\picw5\\pich4\\picwgoal75\\pichgoal60"));
    auto back = ReadDoc(out);
    EXPECT_EQ(ImageCount(*back), 1) << "a picture that cannot be found is left out";
}
