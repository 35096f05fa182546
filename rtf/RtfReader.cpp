#include "rtf/RtfReader.h"

#include <QTextCursor>
#include <QTextDocument>

#include "rtf/RtfParser.h"
#include "rtf/RtfPictureData.h"

namespace {

// The document's changes from here to the end of the scope are one edit.
class OneEdit {
  public:
    explicit OneEdit(QTextDocument* doc) : cursor_(doc) { cursor_.beginEditBlock(); }
    ~OneEdit() { cursor_.endEditBlock(); }
    OneEdit(const OneEdit&) = delete;
    OneEdit& operator=(const OneEdit&) = delete;

  private:
    QTextCursor cursor_;
};

}  // namespace

bool IsRtf(const QByteArray& data) {
    return data.startsWith("{\\rtf");
}

void ReadRtf(const QByteArray& data, QTextDocument* doc) {
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);  // also clears the history
    {
        // Emptied and filled in one change, as setPlainText does: the
        // layout, the editor and the cursors hear of it once, not at every
        // paragraph, and a shown document is laid out as it is scrolled to.
        OneEdit edit(doc);
        doc->clear();
        ForgetPictureData(doc);
        RtfParser parser(data, doc);
        parser.Run();
    }
    doc->setUndoRedoEnabled(undo);
}
