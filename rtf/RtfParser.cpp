#include "rtf/RtfParser.h"

#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "rtf/RtfProperties.h"

namespace {

// Deeper groups share the state of the last one copied; their text still
// flows.
constexpr std::size_t MaxDepth = 1000;
// Pictures of one document together: their count, data and pixels.
constexpr int MaxPictures = 500;
constexpr qint64 MaxPictureBytes = 64 * 1024 * 1024;
constexpr qint64 MaxPicturePixels = 64 * 1000 * 1000;
constexpr qsizetype MaxFieldInst = 2048;

// Characters the document must not receive as text: controls (the tab
// aside), the markers QTextDocument keeps for frames and objects, and
// non-characters. A paragraph separator becomes a line break.
bool dropped(char16_t c) {
    if (c < 0x20) return c != u'\t';
    return c == 0xFFFC || c == 0xFDD0 || c == 0xFDD1 || c == 0xFEFF || c >= 0xFFFE;
}

}  // namespace

RtfParser::RtfParser(const QByteArray& data, QTextDocument* doc)
    : tok_(data.constData(), std::size_t(data.size())), doc_(doc), builder_(doc) {
    groups_.reserve(64);
    groups_.emplace_back();
}

void RtfParser::Run() {
    for (;;) {
        const RtfToken t = tok_.Next();
        switch (t.kind) {
            case RtfToken::End:
                Finish();
                return;
            case RtfToken::GroupOpen:
                OpenGroup();
                break;
            case RtfToken::GroupClose:
                CloseGroup();
                break;
            case RtfToken::Word:
                OnWord(t);
                break;
            case RtfToken::Symbol:
                OnSymbol(t.symbol);
                break;
            case RtfToken::Text:
                OnText(t.text);
                break;
            case RtfToken::HexByte:
                OnHexByte(t.byte);
                break;
        }
    }
}

// ---- Groups

void RtfParser::OpenGroup() {
    FlushBytes();
    fallback_ = 0;
    if (groups_.size() >= MaxDepth || overflow_ > 0)
        ++overflow_;
    else
        groups_.push_back(groups_.back());
    fresh_ = true;
    starred_ = false;
}

void RtfParser::CloseGroup() {
    FlushBytes();
    fallback_ = 0;
    fresh_ = starred_ = false;
    if (overflow_ > 0) {
        --overflow_;
        return;
    }
    if (groups_.size() <= 1) return;  // a brace too many
    if (groups_.size() == 2) {
        // The document's group ends: its last paragraph has the properties
        // in force here.
        Finish();
    }
    const RtfGroup closed = groups_.back();
    if (closed.chr.inNote != groups_[groups_.size() - 2].chr.inNote) EndNote();
    groups_.pop_back();
    RtfGroup& parent = Top();
    switch (closed.dest) {
        case RtfDest::FontTable:
            fonts_.End();
            ForgetFormats();
            break;
        case RtfDest::Pn:
            if (parent.dest != RtfDest::Pn) {
                parent.para.pn = closed.para.pn;
                parent.para.pnLevel = closed.para.pnLevel;
            }
            break;
        case RtfDest::Pict:
            if (parent.dest != RtfDest::Pict) EndPicture();
            break;
        case RtfDest::FieldInst:
            if (parent.dest != RtfDest::FieldInst) EndFieldInst();
            break;
        default:
            break;
    }
}

void RtfParser::SkipGroup() {
    tok_.SkipGroup();
    PopGroup();
}

void RtfParser::PopGroup() {
    fresh_ = starred_ = false;
    if (overflow_ > 0)
        --overflow_;
    else if (groups_.size() > 1)
        groups_.pop_back();
}

// ---- Text

void RtfParser::UpdateCodePage() {
    const RtfGroup& g = Top();
    int cp = 0;
    if (g.dest == RtfDest::FontTable) {
        cp = fonts_.PendingCodePage();
    } else if (const RtfFont* f = fonts_.Find(g.chr.font >= 0 ? g.chr.font : defaultFont_)) {
        cp = f->codePage;
    }
    if (cp <= 0) cp = ansiCodePage_;
    if (cp <= 0) cp = 1252;
    decoder_.SetCodePage(cp);
}

void RtfParser::FlushBytes() {
    if (bytes_.isEmpty()) return;
    UpdateCodePage();
    QString text;
    decoder_.Decode(bytes_.constData(), bytes_.size(), text);
    decoder_.Flush(text);
    bytes_.clear();
    Emit(text);
}

void RtfParser::OnHexByte(uint8_t byte) {
    fresh_ = starred_ = false;
    if (fallback_ > 0) {
        --fallback_;
        return;
    }
    if (Top().dest != RtfDest::Pict) bytes_ += char(byte);
}

void RtfParser::OnText(std::string_view text) {
    fresh_ = starred_ = false;
    if (fallback_ > 0) {
        const std::size_t n = std::min(std::size_t(fallback_), text.size());
        text.remove_prefix(n);
        fallback_ -= int(n);
    }
    if (text.empty()) return;
    const RtfDest dest = Top().dest;
    if (dest == RtfDest::Pict) {
        picture_.AddHex(text);
        return;
    }
    UpdateCodePage();
    if (decoder_.DoubleByte()) {
        // Trail bytes may be plain characters: all go through the code page.
        bytes_.append(text.data(), qsizetype(text.size()));
        return;
    }
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t j = i;
        while (j < text.size() && static_cast<unsigned char>(text[j]) < 0x80)
            ++j;
        if (j > i) {
            FlushBytes();
            ascii_ = QLatin1StringView(text.data() + i, qsizetype(j - i));  // in its own room
            Emit(ascii_);
        }
        std::size_t k = j;
        while (k < text.size() && static_cast<unsigned char>(text[k]) >= 0x80)
            ++k;
        bytes_.append(text.data() + j, qsizetype(k - j));
        i = k;
    }
}

void RtfParser::Emit(QStringView text) {
    RtfGroup& g = Top();
    switch (g.dest) {
        case RtfDest::Text:
            break;
        case RtfDest::FontTable:
            fonts_.AddText(text);
            ForgetFormats();
            return;
        case RtfDest::ColorTable:
            colors_.AddText(text);
            ForgetFormats();
            return;
        case RtfDest::FieldInst:
            if (fieldInst_.size() < MaxFieldInst) fieldInst_ += text.left(MaxFieldInst);
            return;
        case RtfDest::LevelText:
            listTable_.AddLevelText(text);
            return;
        case RtfDest::LevelNumbers:
            listTable_.AddLevelNumbers(text);
            return;
        default:
            return;
    }
    if (!run_.isEmpty() && !(g.chr == runState_)) FlushRun();
    if (run_.isEmpty()) runState_ = g.chr;
    // Most text has nothing to drop or replace: it goes in whole.
    if (std::none_of(text.begin(), text.end(), [](QChar c) {
            return dropped(c.unicode()) || c.isSurrogate() || c.unicode() == 0x2029;
        })) {
        run_ += text;
        return;
    }
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (dropped(c)) continue;
        if (c >= 0xD800 && c <= 0xDFFF) hasSurrogate_ = true;
        run_ += QChar(c == 0x2029 ? char16_t(0x2028) : c);
    }
}

void RtfParser::FlushRun() {
    if (run_.isEmpty()) return;
    if (hasSurrogate_) {
        // A surrogate without its partner stands for nothing that can be shown.
        for (qsizetype i = 0; i < run_.size(); ++i) {
            const QChar c = run_[i];
            if (c.isHighSurrogate() && i + 1 < run_.size() && run_[i + 1].isLowSurrogate())
                ++i;
            else if (c.isSurrogate())
                run_[i] = QChar(QChar::ReplacementCharacter);
        }
        hasSurrogate_ = false;
    }
    RtfBuilder& out = runState_.inNote && notes_ ? *notes_ : builder_;
    if (runState_.hidden)
        out.Hidden(run_, CharFormat(runState_), Top().para.inTable);
    else
        out.Text(run_, CharFormat(runState_), Top().para.inTable);
    run_.resize(0);  // keeps its room for the next run
}

void RtfParser::EndPicture() {
    FlushRun();
    QImage image;
    QSizeF size;
    const qint64 bytes = picture_.Data().size();
    if (pictureCount_ < MaxPictures && pictureBytes_ + bytes <= MaxPictureBytes &&
        picture_.Decode(image, size) &&
        picturePixels_ + qint64(image.width()) * image.height() <= MaxPicturePixels) {
        ++pictureCount_;
        pictureBytes_ += bytes;
        picturePixels_ += qint64(image.width()) * image.height();
        Out().Image(image, size, Top().para.inTable, picture_.Data(), picture_.IsJpeg());
    }
    picture_.Begin();  // frees the data
}

void RtfParser::EndFieldInst() {
    // HYPERLINK "target" [switches]; \l "name" points into the document.
    const QString inst = fieldInst_.trimmed();
    fieldInst_.clear();
    if (!inst.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive)) return;
    QString target;
    bool local = false;
    const QStringList parts = inst.mid(9).split(u'"');
    for (int i = 0; i < parts.size() && target.isEmpty(); ++i) {
        if (i % 2 == 1) {
            target = parts[i];
            break;
        }
        const QStringList words = parts[i].split(u' ', Qt::SkipEmptyParts);
        for (const QString& w : words) {
            if (w == QLatin1String("\\l")) local = true;
            if (!w.startsWith(u'\\')) {
                target = w;
                break;
            }
        }
    }
    if (target.isEmpty() || links_.size() >= 10000) return;
    links_.push_back(local ? u'#' + target : target);
    Top().chr.link = int(links_.size()) - 1;
}

// ---- Paragraphs

void RtfParser::EndParagraph() {
    FlushRun();
    const RtfGroup& g = Top();
    Out().EndParagraph(BlockFormat(g.para), ListOf(g.para), g.para.inTable, CharFormat(g.chr));
}

void RtfParser::EndCell() {
    FlushRun();
    const RtfGroup& g = Top();
    Out().EndCell(BlockFormat(g.para), ListOf(g.para), CharFormat(g.chr));
}

void RtfParser::Finish() {
    FlushBytes();
    FlushRun();
    const RtfParaState& p = Top().para;
    Out().Finish(BlockFormat(p), ListOf(p));
}

// ---- Footnotes: their text goes to the note area at the document's end.

void RtfParser::BeginNote() {
    RtfGroup& g = Top();
    FlushBytes();
    if (markedNote_ != noteCount_ + 1) {  // a note without its mark in the text gets one
        const uint8_t vertical = g.chr.vertical;
        g.chr.vertical = 1;
        EmitNoteMark();
        g.chr.vertical = vertical;
    }
    FlushRun();
    if (!notes_) {
        // The area starts in a block of its own after the text; the
        // document's cursor stays before it.
        QTextCursor area(doc_);
        area.movePosition(QTextCursor::End);
        const int text = builder_.Position();
        QTextBlockFormat note;
        note.setProperty(RtfProperty::NoteBlock, noteCount_ + 1);
        area.insertBlock(note, QTextCharFormat());
        builder_.SetPosition(text);
        notes_ = std::make_unique<RtfBuilder>(doc_, area);
    }
    g.chr.inNote = ++noteCount_;
    g.chr.note = 0;
    g.para = RtfParaState{};
    g.para.note = noteCount_;
}

void RtfParser::EndNote() {
    FlushBytes();
    FlushRun();
    const RtfGroup& g = groups_.back();
    if (notes_ && notes_->ParagraphHasContent())
        notes_->EndParagraph(BlockFormat(g.para), ListOf(g.para), false, CharFormat(g.chr));
}

void RtfParser::EmitNoteMark() {
    // The number of the note being read, or in the text of the one to come.
    RtfCharState& c = Top().chr;
    const int number = c.inNote ? c.inNote : noteCount_ + 1;
    if (!c.inNote) markedNote_ = number;
    const int before = c.note;
    c.note = number;
    Emit(QString::number(number));
    c.note = before;
}
