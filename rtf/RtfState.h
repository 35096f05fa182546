// What an RTF group carries: the character and paragraph properties in
// force, the destination its text goes to and the \uc fallback count.
// Each group starts as a copy of the one around it.
#pragma once

#include <cstdint>

enum class RtfDest : uint8_t {
    Text,  // the document's own text (also field results)
    FontTable,
    ColorTable,
    ListTable,
    ListOverrideTable,
    Pn,  // rich-edit numbering of the paragraph
    Pict,
    FieldInst,
    LevelText,  // the text of a list level, its bullet
    Ignore,     // read but shown nowhere (the field group between its parts)
    Upr,        // \upr: its ANSI text is left for the Unicode one in \ud
    LevelNumbers,
};

struct RtfCharState {
    int32_t font = -1;  // \f number; -1: the default font
    int32_t halfPoints = 24;
    int32_t fg = -1;  // colour table indexes; -1: none
    int32_t bg = -1;
    int32_t link = -1;      // index of a hyperlink target
    int32_t note = 0;       // of a footnote's number mark: the note's number
    int32_t inNote = 0;     // text of footnote number `inNote`; 0: of the document
    uint8_t underline = 0;  // a QTextCharFormat::UnderlineStyle
    uint8_t vertical = 0;   // 0 normal, 1 superscript, 2 subscript
    uint8_t caps = 0;       // 0 none, 1 all capitals, 2 small capitals
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    bool operator==(const RtfCharState&) const = default;
};

// How a list numbers its items. Bullet: the mark by the level (disc,
// circle, square, ...); Disc, Circle, Square: as the list table's text says.
enum class RtfNumbering : uint8_t {
    None,
    Bullet,
    Disc,
    Circle,
    Square,
    Decimal,
    UpperAlpha,
    LowerAlpha,
    UpperRoman,
    LowerRoman
};

struct RtfParaState {
    uint8_t align = 0;  // 0 left, 1 centre, 2 right, 3 justified
    bool inTable = false;
    bool lineMultiple = false;
    bool rtl = false;
    int32_t note = 0;                        // a paragraph of footnote number `note`
    RtfNumbering pn = RtfNumbering::None;    // rich-edit numbering
    int32_t left = 0, right = 0, first = 0;  // twips
    int32_t before = 0, after = 0;
    int32_t lineSpacing = 0;
    int32_t outline = -1;      // \outlinelevel, 0 for a first-level heading
    int32_t ls = 0, ilvl = 0;  // list of the list table
    int32_t pnLevel = 0;
    bool operator==(const RtfParaState&) const = default;
};

struct RtfGroup {
    RtfCharState chr;
    RtfParaState para;
    RtfDest dest = RtfDest::Text;
    uint8_t uc = 1;  // bytes that stand in for each \uN
};
