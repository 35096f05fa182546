// Reading Rich Text Format into a QTextDocument, as the notes page keeps
// its text: what Windows' rich-edit control (WordPad), Word, LibreOffice,
// pandoc and AbiWord write, and what RtfWriter writes.
//
// Reading never fails and never stops early: a broken or hostile document
// (unbalanced braces, a cut end, huge numbers, deep nesting) gives the
// text that could be read.
#pragma once

#include <QByteArray>

class QTextDocument;

// Whether the data is RTF: it begins with "{\rtf".
bool IsRtf(const QByteArray& data);

// Replaces the content of `doc` by the document in `data`. The undo
// history is cleared.
void ReadRtf(const QByteArray& data, QTextDocument* doc);
