// The formats of the RTF reader: character and paragraph properties as
// QTextDocument keeps them. Lengths come in twips (1/1440 inch) and go to
// the document as pixels at 96 per inch.
#include <QTextDocument>
#include <algorithm>

#include "rtf/RtfParser.h"
#include "rtf/RtfProperties.h"

namespace {

constexpr int MaxTwips = 31680;  // 22 inches

double pixels(int twips, int low = 0) {
    return std::clamp(twips, low, MaxTwips) / 15.0;
}

}  // namespace

QTextCharFormat RtfParser::CharFormat(const RtfCharState& s) const {
    for (int i = 0; i < builtCount_; ++i)
        if (built_[i].state == s) return built_[i].format;
    BuiltFormat& b = built_[builtNext_];
    builtNext_ = (builtNext_ + 1) % BuiltFormats;
    builtCount_ = std::min(builtCount_ + 1, BuiltFormats);
    b.state = s;
    b.format = BuildCharFormat(s);
    return b.format;
}

QTextCharFormat RtfParser::BuildCharFormat(const RtfCharState& s) const {
    QTextCharFormat f;
    const RtfFont* font = fonts_.Find(s.font >= 0 ? s.font : defaultFont_);
    if (font && !font->family.isEmpty()) f.setFontFamilies(QStringList{font->family});
    f.setFontPointSize(s.halfPoints / 2.0);
    if (s.bold) f.setFontWeight(QFont::Bold);
    if (s.italic) f.setFontItalic(true);
    if (s.underline) f.setUnderlineStyle(QTextCharFormat::UnderlineStyle(s.underline));
    if (s.strike) f.setFontStrikeOut(true);
    if (s.vertical == 1) f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    if (s.vertical == 2) f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (s.caps == 1) f.setFontCapitalization(QFont::AllUppercase);
    if (s.caps == 2) f.setFontCapitalization(QFont::SmallCaps);
    const QColor fg = colors_.At(s.fg);
    if (fg.isValid()) f.setForeground(fg);
    const QColor bg = colors_.At(s.bg);
    if (bg.isValid()) f.setBackground(bg);
    if (s.link >= 0 && s.link < int(links_.size())) {
        f.setAnchor(true);
        f.setAnchorHref(links_[s.link]);
    }
    if (s.note > 0) f.setProperty(RtfProperty::NoteMark, s.note);
    return f;
}

RtfListRef RtfParser::ListOf(const RtfParaState& p) const {
    RtfListRef ref;
    if (p.ls > 0) {
        ref.kind = listTable_.Numbering(p.ls, p.ilvl);
        ref.level = p.ilvl;
        ref.ls = p.ls;
        ref.levelText = listTable_.LevelText(p.ls, p.ilvl);
    } else if (p.pn != RtfNumbering::None) {
        ref.kind = p.pn;
        ref.level = p.pnLevel;
    }
    return ref;
}

QTextBlockFormat RtfParser::BlockFormat(const RtfParaState& p) const {
    QTextBlockFormat f;
    static const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                           Qt::AlignJustify};
    if (p.align != 0) f.setAlignment(aligns[p.align & 3]);
    // A list's own indent places its items.
    if (ListOf(p).kind == RtfNumbering::None) {
        if (p.left > 0) f.setLeftMargin(pixels(p.left));
        if (p.first != 0) f.setTextIndent(pixels(p.first, -MaxTwips));
    }
    if (p.right > 0) f.setRightMargin(pixels(p.right));
    if (p.before > 0) f.setTopMargin(pixels(p.before));
    if (p.after > 0) f.setBottomMargin(pixels(p.after));
    if (p.lineSpacing != 0) {
        if (p.lineMultiple && p.lineSpacing > 0) {
            const double percent = std::min(p.lineSpacing, 2400) * 100.0 / 240.0;
            if (percent != 100.0) f.setLineHeight(percent, QTextBlockFormat::ProportionalHeight);
        } else if (p.lineSpacing > 0) {
            f.setLineHeight(pixels(p.lineSpacing), QTextBlockFormat::MinimumHeight);
        } else if (p.lineSpacing > INT32_MIN) {
            f.setLineHeight(pixels(-p.lineSpacing), QTextBlockFormat::FixedHeight);
        }
    }
    if (p.outline >= 0 && p.outline < 6) f.setHeadingLevel(p.outline + 1);
    if (p.rtl) f.setLayoutDirection(Qt::RightToLeft);
    if (p.note > 0) f.setProperty(RtfProperty::NoteBlock, p.note);
    return f;
}
