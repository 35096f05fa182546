// The encoded data of the pictures in a document. Pictures read from RTF
// keep the PNG or JPEG data they came in, kept with the document, so that
// writing the document stores them unchanged; other pictures are encoded
// as PNG when written.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

class QTextDocument;

struct RtfPictureData {
    QByteArray data;
    bool jpeg = false;
    QSize size;  // in pixels
};

void KeepPictureData(QTextDocument* doc, const QString& name, const RtfPictureData& picture);
void ForgetPictureData(QTextDocument* doc);
// The data to write for the picture resource `name`; empty when the
// document has no such picture.
RtfPictureData PictureForWriting(const QTextDocument* doc, const QString& name);
