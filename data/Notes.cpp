#include "data/Notes.h"

#include <QStringDecoder>
#include <QTextDocument>

#include "core/Win1251.h"
#include "data/DataModule.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

namespace {

QString plainText(const QByteArray& data) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(data);
    if (utf8.hasError()) text = FromWin1251(data);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

}  // namespace

void ReadNotesText(const QByteArray& data, QTextDocument* doc) {
    if (IsRtf(data)) {
        ReadRtf(data, doc);
        return;
    }
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->setPlainText(plainText(data));
    doc->setUndoRedoEnabled(undo);
}

QByteArray NotesText(const QTextDocument* doc) {
    return WriteRtf(doc);
}

QByteArray NotesRowText(TMemTable& cdsNote) {
    return cdsNote.IsEmpty() ? QByteArray() : cdsNote.FieldByName(QStringLiteral("TEXT")).AsBytes();
}

void LoadNotesRow(TMemTable& cdsNote, QTextDocument* doc) {
    ReadNotesText(NotesRowText(cdsNote), doc);
}

void StoreNotesRow(TDM& dm, const QTextDocument* doc) {
    const QByteArray data = NotesText(doc);
    TMemTable& t = dm.cdsNote;
    t.Edit();  // on an empty table a new row
    t.FieldByName(QStringLiteral("TEXT")).SetBytes(data);
    t.Post();
    dm.ApplyTable(t);
}
