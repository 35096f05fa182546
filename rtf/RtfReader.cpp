#include "rtf/RtfReader.h"

#include <QTextDocument>

#include "rtf/RtfParser.h"
#include "rtf/RtfPictureData.h"

bool IsRtf(const QByteArray& data) {
    return data.startsWith("{\\rtf");
}

void ReadRtf(const QByteArray& data, QTextDocument* doc) {
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);  // also clears the history
    doc->clear();
    ForgetPictureData(doc);
    RtfParser parser(data, doc);
    parser.Run();
    doc->setUndoRedoEnabled(undo);
}
