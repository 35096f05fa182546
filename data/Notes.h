// The notes page's text as it is stored: the bytes of NOTE.TEXT and the
// document the editor shows. The text is kept as RTF; a value that does
// not begin with "{\rtf" (the previous version's notes) is plain text,
// UTF-8 when it is valid UTF-8 and Windows-1251 otherwise.
#pragma once

#include <QByteArray>

class QTextDocument;
class TDM;
class TMemTable;

// Replaces the content of `doc` by the stored value; an empty value gives
// an empty document. The undo history is cleared.
void ReadNotesText(const QByteArray& data, QTextDocument* doc);
// The value to store for `doc`: RTF.
QByteArray NotesText(const QTextDocument* doc);

// LoadNotes: the TEXT of the current row of `cdsNote` into `doc`; no row
// gives an empty document.
void LoadNotesRow(TMemTable& cdsNote, QTextDocument* doc);
// SaveNotes: `doc` into TEXT of the notes row (a new row when the table
// has none), posted and sent to the database.
void StoreNotesRow(TDM& dm, const QTextDocument* doc);
