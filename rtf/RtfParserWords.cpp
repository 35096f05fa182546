// The RTF reader's control words: destinations, characters, symbols.
#include <QTextDocument>
#include <QVarLengthArray>
#include <algorithm>

#include "rtf/RtfParser.h"

namespace {

char16_t specialChar(Kw kw) {
    switch (kw) {
        case Kw::Emdash:
            return 0x2014;
        case Kw::Endash:
            return 0x2013;
        case Kw::Bullet:
            return 0x2022;
        case Kw::Lquote:
            return 0x2018;
        case Kw::Rquote:
            return 0x2019;
        case Kw::Ldblquote:
            return 0x201C;
        case Kw::Rdblquote:
            return 0x201D;
        case Kw::Emspace:
            return 0x2003;
        case Kw::Enspace:
            return 0x2002;
        case Kw::Qmspace:
            return 0x2005;
        case Kw::Zwj:
            return 0x200D;
        case Kw::Zwnj:
            return 0x200C;
        case Kw::Ltrmark:
            return 0x200E;
        case Kw::Rtlmark:
            return 0x200F;
        case Kw::Tab:
            return u'\t';
        case Kw::Line:
            return 0x2028;
        default:
            return 0;
    }
}

}  // namespace

void RtfParser::OnWord(const RtfToken& t) {
    FlushBytes();
    const Kw kw = LookupKeyword(t.text);
    const bool fresh = fresh_, starred = starred_;
    fresh_ = starred_ = false;
    const int param = t.param;
    if (kw == Kw::U) {
        OnUnicode(param);
        return;
    }
    if (fallback_ > 0) {  // a control word stands in for one character
        --fallback_;
        return;
    }
    if (kw == Kw::Bin) {
        const std::string_view data = tok_.Binary(t.hasParam ? param : 0);
        if (Top().dest == RtfDest::Pict) picture_.AddBinary(data);
        return;
    }
    if (IsDestination(kw)) {
        if (fresh && (overflow_ == 0 || kw == Kw::SkipDest))
            OnDestination(kw);
        else if (fresh && starred)
            SkipGroup();
        return;
    }
    if (fresh && starred) {  // an optional destination this reader does not know
        SkipGroup();
        return;
    }
    if (const char16_t c = specialChar(kw)) {
        EmitChar(c);
        return;
    }
    OnCharWord(kw, t.hasParam, param);
    OnParaWord(kw, t.hasParam, param);
    OnTableWord(kw, param);
}

void RtfParser::OnDestination(Kw kw) {
    RtfGroup& g = Top();
    switch (kw) {
        case Kw::SkipDest:
            break;
        case Kw::FontTable:
            g.dest = RtfDest::FontTable;
            return;
        case Kw::ColorTable:
            g.dest = RtfDest::ColorTable;
            return;
        case Kw::ListTable:
            g.dest = RtfDest::ListTable;
            return;
        case Kw::List:
            if (g.dest == RtfDest::ListTable) listTable_.BeginList();
            return;
        case Kw::ListLevel:
            if (g.dest == RtfDest::ListTable) listTable_.BeginLevel();
            return;
        case Kw::LevelText:
            if (g.dest != RtfDest::ListTable) break;
            g.dest = RtfDest::LevelText;
            return;
        case Kw::ListOverrideTable:
            g.dest = RtfDest::ListOverrideTable;
            return;
        case Kw::ListOverride:
            if (g.dest == RtfDest::ListOverrideTable) listTable_.BeginOverride();
            return;
        case Kw::Pn:
            if (g.dest != RtfDest::Text) break;
            g.dest = RtfDest::Pn;
            g.para.pn = RtfNumbering::None;
            g.para.pnLevel = 0;
            return;
        case Kw::Pict:
            if (g.dest != RtfDest::Text) break;
            picture_.Begin();
            g.dest = RtfDest::Pict;
            return;
        case Kw::FldInst:
            if (g.dest != RtfDest::Text) break;
            fieldInst_.clear();
            g.dest = RtfDest::FieldInst;
            return;
        case Kw::Footnote:
            if (g.dest != RtfDest::Text || g.chr.inNote) break;  // a note in a note
            BeginNote();
            return;
        case Kw::Upr:
            g.dest = RtfDest::Upr;
            return;
        case Kw::Ud:
            // The Unicode text of \upr, in the place of the ANSI one.
            if (g.dest != RtfDest::Upr || groups_.size() < 3) break;
            g.dest = groups_[groups_.size() - 3].dest;
            return;
        case Kw::LevelNumbers:
            if (g.dest != RtfDest::ListTable) break;
            g.dest = RtfDest::LevelNumbers;
            return;
        case Kw::ShpPict:
        case Kw::Field:
        case Kw::FldRslt:
            return;  // their content is read as it comes
        default:
            break;
    }
    SkipGroup();
    return;
}

void RtfParser::OnUnicode(int param) {
    // Text in other scripts is mostly \uN\'hh, character by character: the
    // stand-ins and the \uN that follow at once are read here, and the
    // characters emitted together (nothing between them changes the state).
    constexpr qsizetype Chunk = 512;
    QVarLengthArray<char16_t, Chunk> chars;
    int32_t n = param;
    do {
        int64_t v = n;
        if (v < 0) v += 65536;  // written as a signed 16-bit number
        chars.append((v >= 0 && v <= 0xFFFF) ? char16_t(v) : char16_t(0xFFFD));
        if (chars.size() == Chunk) {
            Emit(QStringView(chars.data(), chars.size()));
            chars.clear();
        }
        fallback_ = Top().uc;
        fallback_ -= tok_.SkipHexBytes(fallback_);
    } while (fallback_ == 0 && tok_.NextUnicode(n));
    if (!chars.isEmpty()) Emit(QStringView(chars.data(), chars.size()));
}

void RtfParser::OnSymbol(char symbol) {
    FlushBytes();
    if (symbol == '*') {
        starred_ = true;  // the group may stay fresh
        return;
    }
    fresh_ = starred_ = false;
    if (fallback_ > 0) {
        --fallback_;
        return;
    }
    switch (symbol) {
        case '\\':
        case '{':
        case '}':
            EmitChar(char16_t(symbol));
            break;
        case '~':
            EmitChar(0x00A0);
            break;
        case '-':
            EmitChar(0x00AD);
            break;
        case '_':
            EmitChar(0x2011);
            break;
        case '\n':  // a backslash before a line end is \par
            if (Top().dest == RtfDest::Text) EndParagraph();
            break;
        default:
            break;
    }
}

void RtfParser::OnCharWord(Kw kw, bool hasParam, int param) {
    RtfGroup& g = Top();
    RtfCharState& c = g.chr;
    switch (kw) {
        case Kw::Ansi:
            break;
        case Kw::Mac:
            ansiCodePage_ = 10000;
            break;
        case Kw::Pc:
            ansiCodePage_ = 437;
            break;
        case Kw::Pca:
            ansiCodePage_ = 850;
            break;
        case Kw::AnsiCpg:
            ansiCodePage_ = std::max(param, 0);
            break;
        case Kw::Deff:
            defaultFont_ = param;
            ForgetFormats();
            break;
        case Kw::Uc:
            g.uc = uint8_t(std::clamp(param, 0, 16));
            break;
        case Kw::F:
            if (g.dest == RtfDest::FontTable) {
                fonts_.Begin(param);  // ends the font before it
                ForgetFormats();
            } else {
                c.font = param;
            }
            break;
        case Kw::FCharset:
            if (g.dest == RtfDest::FontTable) fonts_.SetCharset(param);
            break;
        case Kw::Cpg:
            if (g.dest == RtfDest::FontTable) fonts_.SetCodePage(param);
            break;
        case Kw::Red:
            if (g.dest == RtfDest::ColorTable) colors_.SetRed(param);
            break;
        case Kw::Green:
            if (g.dest == RtfDest::ColorTable) colors_.SetGreen(param);
            break;
        case Kw::Blue:
            if (g.dest == RtfDest::ColorTable) colors_.SetBlue(param);
            break;
        case Kw::Plain: {
            const int link = c.link;      // a field's link outlives \plain inside it
            const int inNote = c.inNote;  // and a footnote its text
            c = RtfCharState{};
            c.link = link;
            c.inNote = inNote;
            break;
        }
        case Kw::B:
            c.bold = ToggleOn(hasParam, param);
            break;
        case Kw::I:
            c.italic = ToggleOn(hasParam, param);
            break;
        case Kw::Strike:
            c.strike = ToggleOn(hasParam, param);
            break;
        case Kw::V:
            c.hidden = ToggleOn(hasParam, param);
            break;
        case Kw::Ul:
            c.underline = ToggleOn(hasParam, param) ? QTextCharFormat::SingleUnderline
                                                    : QTextCharFormat::NoUnderline;
            break;
        case Kw::UlDotted:
            c.underline = QTextCharFormat::DotLine;
            break;
        case Kw::UlDash:
            c.underline = QTextCharFormat::DashUnderline;
            break;
        case Kw::UlDashDot:
            c.underline = QTextCharFormat::DashDotLine;
            break;
        case Kw::UlDashDotDot:
            c.underline = QTextCharFormat::DashDotDotLine;
            break;
        case Kw::UlWave:
            c.underline = QTextCharFormat::WaveUnderline;
            break;
        case Kw::UlNone:
            c.underline = QTextCharFormat::NoUnderline;
            break;
        case Kw::Fs:
            c.halfPoints = (hasParam && param > 0) ? std::clamp(param, 2, 2000) : 24;
            break;
        case Kw::Cf:
            c.fg = param;
            break;
        case Kw::Cb:
        case Kw::Highlight:
            c.bg = param;
            break;
        case Kw::Super:
            c.vertical = 1;
            break;
        case Kw::Sub:
            c.vertical = 2;
            break;
        case Kw::NoSuperSub:
            c.vertical = 0;
            break;
        case Kw::Up:
            c.vertical = (hasParam && param == 0) ? 0 : 1;
            break;
        case Kw::Dn:
            c.vertical = (hasParam && param == 0) ? 0 : 2;
            break;
        case Kw::Caps:
            c.caps = ToggleOn(hasParam, param) ? 1 : 0;
            break;
        case Kw::Scaps:
            c.caps = ToggleOn(hasParam, param) ? 2 : 0;
            break;
        case Kw::Chftn:
            if (g.dest == RtfDest::Text) EmitNoteMark();
            break;
        default:
            break;
    }
}
