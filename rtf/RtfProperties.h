// What the reader keeps in a document beyond Qt's own formats, for the
// writer to give back: footnotes, hidden text, list levels.
#pragma once

#include <QTextFormat>

namespace RtfProperty {
// Block format: a paragraph of the note area, the number of its footnote.
constexpr int NoteBlock = QTextFormat::UserProperty + 1;
// Character format: a footnote's number, in the text and in its note.
constexpr int NoteMark = QTextFormat::UserProperty + 2;
// Character format of a hidden-text object: the hidden text.
constexpr int HiddenText = QTextFormat::UserProperty + 3;
// List format: the level's number text, "%1.%2." for "2.1." (levels 1 up).
constexpr int LevelText = QTextFormat::UserProperty + 4;
// List format: the lists of one RTF list (its levels) share this number.
constexpr int ListGroup = QTextFormat::UserProperty + 5;
}  // namespace RtfProperty

// Hidden text is an object without a handler: nothing is shown for it and
// it takes no room, and it stays where it was.
constexpr int RtfHiddenObject = QTextFormat::UserObject + 1;
