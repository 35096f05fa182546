// Writing a QTextDocument as Rich Text Format, so that the rich-edit
// control, LibreOffice, Word and pandoc read it back with the same text
// and formatting.
//
// Every character outside ASCII is written as \uN followed by its
// Windows-1251 byte (or '?') as \'hh, under \uc1 and fonts of
// \fcharset204; lists are written both as \ls with a list table and as
// rich-edit numbering; tables as \trowd ... \cell ... \row; pictures as PNG
// (or the JPEG they were read as).
#pragma once

#include <QByteArray>

class QTextDocument;

QByteArray WriteRtf(const QTextDocument* doc);
