// The RTF reader's state machine: groups with their state kept on an
// explicit stack (never by recursion), destinations, control words and
// text, handing the content to an RtfBuilder.
#pragma once

#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <memory>
#include <vector>

#include "rtf/RtfBuilder.h"
#include "rtf/RtfCodePage.h"
#include "rtf/RtfKeywords.h"
#include "rtf/RtfPicture.h"
#include "rtf/RtfState.h"
#include "rtf/RtfTables.h"
#include "rtf/RtfTokenizer.h"

class RtfParser {
  public:
    RtfParser(const QByteArray& data, QTextDocument* doc);
    void Run();

  private:
    RtfGroup& Top() { return groups_.back(); }

    // Groups
    void OpenGroup();
    void CloseGroup();
    void SkipGroup();  // the rest of the group just opened, unread
    void PopGroup();
    bool AtTopLevel() const { return groups_.size() == 1 && overflow_ == 0; }

    // Tokens
    void OnWord(const RtfToken& t);
    void OnDestination(Kw kw);
    void OnCharWord(Kw kw, bool hasParam, int param);
    void OnParaWord(Kw kw, bool hasParam, int param);
    void OnTableWord(Kw kw, int param);
    void OnSymbol(char symbol);
    void OnText(std::string_view text);
    void OnHexByte(uint8_t byte);
    void OnUnicode(int param);

    // Text
    void Emit(QStringView text);
    void EmitChar(char16_t c) { Emit(QStringView(&c, 1)); }
    void FlushBytes();
    void FlushRun();
    void UpdateCodePage();
    void EndPicture();
    void EndFieldInst();

    // The builder the text goes to: the note area's within a footnote.
    RtfBuilder& Out() { return Top().chr.inNote && notes_ ? *notes_ : builder_; }
    void Finish();
    void BeginNote();
    void EndNote();
    void EmitNoteMark();

    // Paragraphs
    void EndParagraph();
    void EndCell();
    QTextCharFormat CharFormat(const RtfCharState& s) const;
    QTextBlockFormat BlockFormat(const RtfParaState& p) const;
    RtfListRef ListOf(const RtfParaState& p) const;
    QTextCharFormat BuildCharFormat(const RtfCharState& s) const;

    RtfTokenizer tok_;
    QTextDocument* doc_;
    RtfBuilder builder_;
    std::unique_ptr<RtfBuilder> notes_;  // the note area, from the first footnote on
    int noteCount_ = 0;
    int markedNote_ = 0;  // the note whose mark the text has last
    std::vector<RtfGroup> groups_;
    int overflow_ = 0;      // groups opened beyond the depth limit
    bool fresh_ = false;    // right after '{' (and \*): a destination may start
    bool starred_ = false;  // after \*: an unknown destination is skipped
    int fallback_ = 0;      // characters still to skip after \uN

    RtfByteDecoder decoder_;
    QByteArray bytes_;  // \'hh bytes not yet decoded
    int ansiCodePage_ = 0;
    int defaultFont_ = 0;

    QString run_;    // text not yet handed to the builder, all in runState_
    QString ascii_;  // a plain-text part being emitted
    RtfCharState runState_;
    bool hasSurrogate_ = false;

    RtfFontTable fonts_;
    RtfColorTable colors_;
    RtfListTable listTable_;
    RtfPicture picture_;
    int pictureCount_ = 0;
    qint64 pictureBytes_ = 0, picturePixels_ = 0;
    QString fieldInst_;
    std::vector<QString> links_;
    // The character formats built last: a run's and its paragraph mark's
    // states come back at every paragraph. Forgotten when the font table,
    // the colour table or the default font changes.
    struct BuiltFormat {
        RtfCharState state;
        QTextCharFormat format;
    };
    static constexpr int BuiltFormats = 4;
    mutable BuiltFormat built_[BuiltFormats];
    mutable int builtCount_ = 0, builtNext_ = 0;
    void ForgetFormats() { builtCount_ = 0; }
};
