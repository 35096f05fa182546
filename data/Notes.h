// The notes page's text as it is stored: the bytes of NOTE.TEXT and the
// document the editor shows. The text is kept as RTF; a value that does
// not begin with "{\rtf" (the previous version's notes) is plain text,
// UTF-8 when it is valid UTF-8 and Windows-1251 otherwise.
#pragma once

#include <QByteArray>
#include <optional>

class QTextDocument;
class TDM;
class TMemTable;

// Replaces the content of `doc` by the stored value; an empty value gives
// an empty document. The undo history is cleared.
void ReadNotesText(const QByteArray& data, QTextDocument* doc);
// The value to store for `doc`: RTF.
QByteArray NotesText(const QTextDocument* doc);

// The TEXT of the current row of `cdsNote`; empty without a row.
QByteArray NotesRowText(TMemTable& cdsNote);
// LoadNotes: the TEXT of the current row of `cdsNote` into `doc`; no row
// gives an empty document.
void LoadNotesRow(TMemTable& cdsNote, QTextDocument* doc);
// SaveNotes: `doc` into TEXT of the notes row (a new row when the table
// has none), posted and sent to the database.
void StoreNotesRow(TDM& dm, const QTextDocument* doc);

// What a document shows against the stored value: the bytes it was last
// filled from, until it changes. Reading the same bytes again gives the
// same document, so showing the stored value again needs no second load
// while the value and the document are both as they were.
class TNotesSource {
  public:
    bool NeedsLoad(const QByteArray& stored) const { return !from_ || *from_ != stored; }
    void Filled(const QByteArray& from) { from_ = from; }
    void Changed() { from_.reset(); }

  private:
    std::optional<QByteArray> from_;
};
