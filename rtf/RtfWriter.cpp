#include "rtf/RtfWriter.h"

#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <algorithm>
#include <cmath>
#include <map>

#include "rtf/RtfOutput.h"
#include "rtf/RtfPictureData.h"
#include "rtf/RtfProperties.h"

namespace {

constexpr double TextWidthTwips = 9600;  // a page's text width, for relative widths

qint64 twips(double pixels) {
    return std::llround(std::clamp(pixels, -1e6, 1e6) * 15);
}

class DocWriter {
  public:
    DocWriter(const QTextDocument* doc, QByteArray& body)
        : doc_(doc), out_(body), res_(DefaultFamily(doc)) {}

    void WriteFrame(QTextFrame* frame);
    // The paragraphs of the note area, by their notes' numbers.
    void CollectNotes();
    RtfResources& Resources() { return res_; }
    const std::vector<RtfWrittenList>& Lists() const { return lists_; }

  private:
    static QString DefaultFamily(const QTextDocument* doc);
    void CollectBlocks(QTextFrame::iterator it, std::vector<QTextBlock>& blocks) const;
    void WriteTable(QTextTable* table);
    void WriteBlock(const QTextBlock& block, bool inTable, const char* end);
    void WriteParagraphProps(const QTextBlock& block, bool inTable);
    void WriteListItem(const QTextBlock& block, QTextList* list);
    const QByteArray& CharProps(const QTextCharFormat& format, int index);
    void WriteImage(const QTextImageFormat& format);
    void WriteNote(int number);
    void WriteFragment(const QTextFragment& fragment, bool inNote);
    int ListNumber(QTextList* list);

    const QTextDocument* doc_;
    RtfOutput out_;
    RtfResources res_;
    std::vector<RtfWrittenList> lists_;
    QHash<const QTextList*, int> listNumbers_;
    QHash<int, int> bulletLists_;       // by style
    QHash<int, QByteArray> charProps_;  // by format index
    QHash<int, int> groupLists_;        // by the group of the lists read
    std::map<int, std::vector<QTextBlock>> notes_;
    QSet<int> marked_;  // notes whose mark is written
};

bool isNote(const QTextBlock& block) {
    return block.blockFormat().hasProperty(RtfProperty::NoteBlock);
}

void DocWriter::CollectNotes() {
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next())
        if (isNote(b)) notes_[b.blockFormat().intProperty(RtfProperty::NoteBlock)].push_back(b);
}

void DocWriter::WriteNote(int number) {
    const auto it = notes_.find(number);
    if (it == notes_.end()) return;
    std::vector<QTextBlock> blocks;
    blocks.swap(it->second);  // written once, at its first mark
    out_.Raw("{\\*\\footnote");
    for (std::size_t i = 0; i < blocks.size(); ++i)
        WriteBlock(blocks[i], false, i + 1 == blocks.size() ? "" : "par");
    out_.Raw("}");
}

QString DocWriter::DefaultFamily(const QTextDocument* doc) {
    const QString family = doc->defaultFont().family();
    return family.isEmpty() ? QStringLiteral("Arial") : family;
}

void DocWriter::CollectBlocks(QTextFrame::iterator it, std::vector<QTextBlock>& blocks) const {
    for (; !it.atEnd(); ++it) {
        if (QTextFrame* f = it.currentFrame())
            CollectBlocks(f->begin(), blocks);  // a table in a cell keeps its text
        else if (it.currentBlock().isValid())
            blocks.push_back(it.currentBlock());
    }
}

void DocWriter::WriteFrame(QTextFrame* frame) {
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (auto* table = qobject_cast<QTextTable*>(it.currentFrame())) {
            WriteTable(table);
        } else if (QTextFrame* f = it.currentFrame()) {
            std::vector<QTextBlock> blocks;
            CollectBlocks(f->begin(), blocks);
            for (const QTextBlock& b : blocks)
                WriteBlock(b, false, "par");
        } else if (it.currentBlock().isValid() && !isNote(it.currentBlock())) {
            WriteBlock(it.currentBlock(), false, "par");
        }
    }
}

void DocWriter::WriteTable(QTextTable* table) {
    const QTextTableFormat tf = table->format();
    const int columns = table->columns();
    const QList<QTextLength> widths = tf.columnWidthConstraints();
    std::vector<qint64> edges;
    qint64 edge = 0;
    for (int c = 0; c < columns; ++c) {
        double w = TextWidthTwips / columns;
        if (c < widths.size()) {
            const QTextLength& l = widths[c];
            if (l.type() == QTextLength::FixedLength) w = double(twips(l.rawValue()));
            if (l.type() == QTextLength::PercentageLength) w = TextWidthTwips * l.rawValue() / 100;
        }
        edge += std::max<qint64>(std::llround(w), 60);
        edges.push_back(edge);
    }
    const bool borders = tf.border() > 0;
    for (int r = 0; r < table->rows(); ++r) {
        out_.Raw("\\trowd\\trgaph108\\trleft0");
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r)
                out_.Raw("\\clvmrg");
            else if (cell.rowSpan() > 1)
                out_.Raw("\\clvmgf");
            if (cell.column() != c)
                out_.Raw("\\clmrg");
            else if (cell.columnSpan() > 1)
                out_.Raw("\\clmgf");
            if (borders)
                out_.Raw(
                    "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                    "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10");
            out_.Word("cellx", edges[c]);
        }
        out_.Raw('\n');
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c) {
                out_.Raw("\\pard\\intbl\\cell\n");  // covered by a merged cell
                continue;
            }
            std::vector<QTextBlock> blocks;
            CollectBlocks(cell.begin(), blocks);
            for (std::size_t i = 0; i < blocks.size(); ++i)
                WriteBlock(blocks[i], true, i + 1 == blocks.size() ? "cell" : "par");
            if (blocks.empty()) out_.Raw("\\pard\\intbl\\cell\n");
        }
        out_.Raw("\\row\n");
    }
}

void DocWriter::WriteParagraphProps(const QTextBlock& block, bool inTable) {
    const QTextBlockFormat f = block.blockFormat();
    out_.Raw("\\pard\\plain");
    if (inTable) out_.Raw("\\intbl");
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignHCenter)
        out_.Raw("\\qc");
    else if (a & Qt::AlignRight)
        out_.Raw("\\qr");
    else if (a & Qt::AlignJustify)
        out_.Raw("\\qj");
    QTextList* list = block.textList();
    if (list) {
        WriteListItem(block, list);
    } else {
        const double indent = f.leftMargin() + f.indent() * doc_->indentWidth();
        if (indent > 0) out_.Word("li", twips(indent));
        if (f.textIndent() != 0) out_.Word("fi", twips(f.textIndent()));
    }
    if (f.rightMargin() > 0) out_.Word("ri", twips(f.rightMargin()));
    if (f.topMargin() > 0) out_.Word("sb", twips(f.topMargin()));
    if (f.bottomMargin() > 0) out_.Word("sa", twips(f.bottomMargin()));
    switch (f.lineHeightType()) {
        case QTextBlockFormat::ProportionalHeight:
            out_.Word("sl", std::llround(std::clamp(f.lineHeight(), 1.0, 1000.0) * 240 / 100));
            out_.Raw("\\slmult1");
            break;
        case QTextBlockFormat::FixedHeight:
            out_.Word("sl", -twips(f.lineHeight()));
            out_.Raw("\\slmult0");
            break;
        case QTextBlockFormat::MinimumHeight:
            out_.Word("sl", twips(f.lineHeight()));
            out_.Raw("\\slmult0");
            break;
        default:
            break;
    }
    if (f.headingLevel() > 0) out_.Word("outlinelevel", std::min(f.headingLevel(), 9) - 1);
    if (f.layoutDirection() == Qt::RightToLeft) out_.Raw("\\rtlpar");
    out_.Delimit();
}

int DocWriter::ListNumber(QTextList* list) {
    auto it = listNumbers_.constFind(list);
    if (it != listNumbers_.constEnd()) return it.value();
    // Numbered lists each count on their own, but the levels of a list read
    // from RTF stay one list; bullets of one mark share a list, which keeps
    // the list table short.
    const QTextListFormat format = list->format();
    const QTextListFormat::Style style = format.style();
    const bool bullets = NfcOfStyle(style) == 23;
    const bool grouped = format.hasProperty(RtfProperty::ListGroup);
    const int group = format.intProperty(RtfProperty::ListGroup);
    int number = grouped ? groupLists_.value(group) : bullets ? bulletLists_.value(style) : 0;
    if (!number) {
        lists_.push_back(RtfWrittenList{style, {}});
        number = int(lists_.size());
        if (grouped)
            groupLists_.insert(group, number);
        else if (bullets)
            bulletLists_.insert(style, number);
    }
    RtfWrittenLevel& level = lists_[number - 1].levels[std::clamp(format.indent() - 1, 0, 8)];
    if (!level.set) level = {true, style, format.stringProperty(RtfProperty::LevelText)};
    listNumbers_.insert(list, number);
    return number;
}

void DocWriter::WriteListItem(const QTextBlock& block, QTextList* list) {
    const int number = ListNumber(list);
    const int level = std::clamp(list->format().indent() - 1, 0, 8);
    const int nfc = NfcOfStyle(list->format().style());
    // Readers that know no lists show the item's mark as text; the
    // rich-edit control reads {\*\pn}, the others \ls.
    out_.Raw("{\\listtext ");
    if (nfc == 23)
        out_.Raw(BulletMark(list->format().style()));
    else
        out_.Text(list->itemText(block));
    out_.Raw("\\tab}{\\*\\pn");
    if (nfc == 23) {
        out_.Raw("\\pnlvlblt\\pnindent0{\\pntxtb ");
        out_.Raw(BulletMark(list->format().style()));
        out_.Raw("}}");
    } else {
        static const char* const kinds[] = {"\\pndec", "\\pnucrm", "\\pnlcrm", "\\pnucltr",
                                            "\\pnlcltr"};
        out_.Raw("\\pnlvlbody\\pnindent0\\pnstart1");
        out_.Raw(kinds[nfc]);
        out_.Raw("{\\pntxta.}}");
    }
    out_.Word("fi", -360);
    out_.Word("li", 720 + 360 * level);
    out_.Word("ls", number);
    out_.Word("ilvl", level);
}

const QByteArray& DocWriter::CharProps(const QTextCharFormat& f, int index) {
    auto it = charProps_.constFind(index);
    if (it != charProps_.constEnd()) return it.value();
    QByteArray props;
    RtfOutput p(props);
    const QStringList families = f.fontFamilies().toStringList();
    const QFont base = doc_->defaultFont();
    p.Word("f",
           res_.Font(families.isEmpty() || families[0].isEmpty() ? base.family() : families[0]));
    double points = base.pointSizeF() > 0 ? base.pointSizeF() : base.pixelSize() * 0.75;
    if (f.hasProperty(QTextFormat::FontPointSize))
        points = f.fontPointSize();
    else if (f.hasProperty(QTextFormat::FontPixelSize))
        points = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
    if (!(points > 0)) points = 12;
    p.Word("fs", std::clamp<qint64>(std::llround(points * 2), 2, 3276));
    if (f.fontWeight() >= QFont::DemiBold) p.Raw("\\b");
    if (f.fontItalic()) p.Raw("\\i");
    switch (f.underlineStyle()) {
        case QTextCharFormat::NoUnderline:
        case QTextCharFormat::SpellCheckUnderline:
            break;
        case QTextCharFormat::DashUnderline:
            p.Raw("\\uldash");
            break;
        case QTextCharFormat::DotLine:
            p.Raw("\\uld");
            break;
        case QTextCharFormat::DashDotLine:
            p.Raw("\\uldashd");
            break;
        case QTextCharFormat::DashDotDotLine:
            p.Raw("\\uldashdd");
            break;
        case QTextCharFormat::WaveUnderline:
            p.Raw("\\ulwave");
            break;
        default:
            p.Raw("\\ul");
            break;
    }
    if (f.fontStrikeOut()) p.Raw("\\strike");
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) p.Raw("\\super");
    if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) p.Raw("\\sub");
    if (f.fontCapitalization() == QFont::AllUppercase) p.Raw("\\caps");
    if (f.fontCapitalization() == QFont::SmallCaps) p.Raw("\\scaps");
    const QBrush fg = f.foreground();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && fg.style() != Qt::NoBrush &&
        fg.color().alpha() > 0)
        p.Word("cf", res_.Color(fg.color().rgb()));
    const QBrush bg = f.background();
    if (f.hasProperty(QTextFormat::BackgroundBrush) && bg.style() != Qt::NoBrush &&
        bg.color().alpha() > 0)
        p.Word("highlight", res_.Color(bg.color().rgb()));
    p.Delimit();
    return charProps_.insert(index, props).value();
}

void DocWriter::WriteImage(const QTextImageFormat& format) {
    RtfPictureData picture = PictureForWriting(doc_, format.name());
    if (picture.data.isEmpty()) return;
    const double w = format.width() > 0 ? format.width() : picture.size.width();
    const double h = format.height() > 0 ? format.height() : picture.size.height();
    out_.Raw(picture.jpeg ? "{\\pict\\jpegblip" : "{\\pict\\pngblip");
    out_.Word("picw", picture.size.width());
    out_.Word("pich", picture.size.height());
    out_.Word("picwgoal", twips(w));
    out_.Word("pichgoal", twips(h));
    out_.Hex(picture.data);
    out_.Raw('}');
}

void DocWriter::WriteFragment(const QTextFragment& fragment, bool inNote) {
    const QTextCharFormat f = fragment.charFormat();
    out_.Raw('{');
    out_.Bytes() += CharProps(f, fragment.charFormatIndex());
    QString text = fragment.text();
    if (f.objectType() == RtfHiddenObject) {
        out_.Raw("\\v ");
        const QString hidden = f.stringProperty(RtfProperty::HiddenText);
        for (int i = 0; i < fragment.length(); ++i)
            out_.Text(hidden);
        text.clear();
    } else if (f.hasProperty(RtfProperty::NoteMark) &&
               (inNote || !marked_.contains(f.intProperty(RtfProperty::NoteMark)))) {
        // The number is the reader's to give: text typed after it stays. A
        // note goes with the first of its marks; a copy of a mark is text.
        const int number = f.intProperty(RtfProperty::NoteMark);
        out_.Raw("\\chftn");
        if (!inNote) {
            marked_.insert(number);
            WriteNote(number);
        }
        text.remove(0, std::min(text.size(), QString::number(number).size()));
        if (!text.isEmpty()) out_.Delimit();
    }
    out_.Text(text);
    out_.Raw('}');
}

void DocWriter::WriteBlock(const QTextBlock& block, bool inTable, const char* end) {
    WriteParagraphProps(block, inTable);
    QString link;
    bool any = false;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid()) continue;
        const QTextCharFormat f = fragment.charFormat();
        const QString href = f.isAnchor() ? f.anchorHref() : QString();
        if (href != link) {
            if (!link.isEmpty()) out_.Raw("}}");
            link = href;
            if (!link.isEmpty()) {
                out_.Raw("{\\field{\\*\\fldinst{HYPERLINK \"");
                out_.Text(QString(link).replace(u'"', QLatin1String("%22")));
                out_.Raw("\"}}{\\fldrslt ");
            }
        }
        if (f.isImageFormat()) {
            for (int i = 0; i < fragment.length(); ++i)
                WriteImage(f.toImageFormat());
            continue;
        }
        WriteFragment(fragment, isNote(block));
        any = true;
    }
    if (!link.isEmpty()) out_.Raw("}}");
    if (!any) {  // the paragraph mark keeps the size of an empty line
        const QTextCharFormat mark = block.charFormat();
        out_.Bytes() += CharProps(mark, block.charFormatIndex());
    }
    if (*end) {
        out_.Raw('\\');
        out_.Raw(end);
    }
    out_.Raw('\n');
}

}  // namespace

QByteArray WriteRtf(const QTextDocument* doc) {
    QByteArray body;
    body.reserve(doc->characterCount() * 4 + 1024);
    DocWriter writer(doc, body);
    writer.CollectNotes();
    writer.WriteFrame(doc->rootFrame());

    QByteArray out;
    out.reserve(body.size() + 4096);
    RtfOutput head(out);
    head.Raw("{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n");
    writer.Resources().WriteFontTable(head);
    writer.Resources().WriteColorTable(head);
    WriteListTables(head, writer.Lists());
    out += body;
    out += "}\n";
    return out;
}
