// Helpers for the RTF reader and writer tests: reading a snippet, the
// text of a document paragraph by paragraph, and the formats at a text.
#pragma once

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <memory>

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

// A text written in the source as UTF-8.
inline QString u(const char* s) {
    return QString::fromUtf8(s);
}

inline std::unique_ptr<QTextDocument> ReadDoc(const QByteArray& rtf) {
    auto doc = std::make_unique<QTextDocument>();
    ReadRtf(rtf, doc.get());
    return doc;
}

// The paragraphs (table cells included, in order) joined by '\n'.
inline QString Paragraphs(const QTextDocument& doc) {
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        out << b.text();
    return out.join(u'\n');
}

// A cursor selecting the first occurrence of `text`; its char format is
// the format of that text.
inline QTextCursor Find(const QTextDocument& doc, const QString& text) {
    return doc.find(text, 0, QTextDocument::FindCaseSensitively);
}
inline QTextCharFormat FormatOf(const QTextDocument& doc, const QString& text) {
    QTextCursor c = Find(doc, text);
    if (c.isNull()) return {};
    c.setPosition(c.selectionStart() + 1);
    return c.charFormat();
}
inline QTextBlock BlockOf(const QTextDocument& doc, const QString& text) {
    const QTextCursor c = Find(doc, text);
    return c.isNull() ? QTextBlock() : c.block();
}

inline int ImageCount(const QTextDocument& doc) {
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) n += it.fragment().length();
    return n;
}

inline QTextTable* FirstTable(const QTextDocument& doc) {
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (auto* t = QTextCursor(b).currentTable()) return t;
    return nullptr;
}

inline QByteArray SampleFile(const QString& name) {
    QFile f(QStringLiteral(QUILLET_SOURCE_DIR "/tests/rtf/rtf-samples/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
