#include "rtf/RtfBuilder.h"

#include <QCryptographicHash>
#include <QTextDocument>
#include <QTextTable>
#include <algorithm>

#include "rtf/RtfPictureData.h"

namespace {

constexpr int MaxColumns = 64;
constexpr int MaxRowsPerTable = 2000;

}  // namespace

RtfBuilder::RtfBuilder(QTextDocument* doc) : doc_(doc), cursor_(doc) {
    cursor_.movePosition(QTextCursor::End);
}

void RtfRowDef::AddCell(int edge) {
    if (edges.size() < std::size_t(MaxColumns)) {
        edges.push_back(edge);
        merges.push_back(pending);
    }
    pending = 0;
}

void RtfBuilder::OpenTable() {
    const int columns = std::clamp(int(rowDef_.edges.size()), 1, MaxColumns);
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderBrush(QColor(0x80, 0x80, 0x80));
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(3);
    if (int(rowDef_.edges.size()) == columns) {
        QList<QTextLength> widths;
        qint64 left = rowDef_.left;  // edges are any 32-bit numbers: no overflow
        for (qint64 edge : rowDef_.edges) {
            widths << QTextLength(QTextLength::FixedLength,
                                  double(std::clamp<qint64>(edge - left, 15, 30000)) / 15.0);
            left = std::max(left, edge);
        }
        format.setColumnWidthConstraints(widths);
    }
    table_ = cursor_.insertTable(1, columns, format);
    freshBlock_ = false;
    row_ = col_ = 0;
    cellEnded_ = rowEnded_ = false;
    pendingBreak_ = false;
}

void RtfBuilder::CloseTable() {
    cursor_ = table_->lastCursorPosition();
    cursor_.movePosition(QTextCursor::NextBlock);
    freshBlock_ = false;
    table_ = nullptr;
    pendingBreak_ = false;
}

void RtfBuilder::NextCell() {
    freshBlock_ = false;  // the cursor goes to another cell
    if (rowEnded_) {
        if (row_ + 1 >= MaxRowsPerTable) {
            // A table that long is split, so that adding rows stays cheap.
            CloseTable();
            OpenTable();
        } else {
            table_->appendRows(1);
            ++row_;
        }
        col_ = 0;
    } else if (cellEnded_) {
        if (col_ + 1 < table_->columns()) {
            ++col_;
        } else if (table_->columns() < MaxColumns) {
            table_->appendColumns(1);
            ++col_;
        } else {
            // No more columns: the cells that follow share the last one.
            cursor_ = table_->cellAt(row_, col_).lastCursorPosition();
            cursor_.insertText(QStringLiteral("\t"));
            cellEnded_ = false;
            return;
        }
    } else {
        return;
    }
    cursor_ = table_->cellAt(row_, col_).firstCursorPosition();
    cellEnded_ = rowEnded_ = false;
    pendingBreak_ = false;
}

bool RtfBuilder::Prepare(bool inTable, const QTextCharFormat& mark) {
    if (table_ && !inTable) CloseTable();
    if (inTable) {
        if (!table_)
            OpenTable();
        else
            NextCell();
    }
    if (!pendingBreak_) return false;
    cursor_.insertBlock(lastFormat_, mark);
    pendingBreak_ = false;
    freshBlock_ = true;
    return true;
}

void RtfBuilder::Text(const QString& text, const QTextCharFormat& format, bool inTable) {
    Prepare(inTable, format);
    cursor_.insertText(text, format);
    touched_ = true;
}

void RtfBuilder::Image(const QImage& image, const QSizeF& size, bool inTable,
                       const QByteArray& data, bool jpeg) {
    Prepare(inTable, cursor_.charFormat());
    // Named by its data: pictures read at different times never share a
    // name unless they are the same picture.
    const QString name =
        QStringLiteral("rtfimage:") +
        QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex());
    doc_->addResource(QTextDocument::ImageResource, QUrl(name), image);
    KeepPictureData(doc_, name, RtfPictureData{data, jpeg, image.size()});
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(size.width());
    format.setHeight(size.height());
    cursor_.insertImage(format);
    touched_ = true;
}

void RtfBuilder::ApplyBlock(const QTextBlockFormat& format, const RtfListRef& list) {
    // A block started by Prepare has the last format: no need to ask for it.
    const bool same = freshBlock_ ? format == lastFormat_ : cursor_.blockFormat() == format;
    if (!same) cursor_.setBlockFormat(format);
    lists_.Apply(cursor_, list);
    lastFormat_ = format;
    touched_ = false;
    freshBlock_ = false;
}

void RtfBuilder::EndParagraph(const QTextBlockFormat& format, const RtfListRef& list, bool inTable,
                              const QTextCharFormat& mark) {
    // An empty paragraph keeps the format of its mark; a block Prepare
    // starts has it already (setting it again costs as much as the block).
    const bool started = Prepare(inTable, mark);
    if (!started && !touched_ && cursor_.block().length() <= 1) cursor_.setBlockCharFormat(mark);
    ApplyBlock(format, list);
    pendingBreak_ = true;
}

void RtfBuilder::EndCell(const QTextBlockFormat& format, const RtfListRef& list,
                         const QTextCharFormat& mark) {
    Prepare(true, mark);
    ApplyBlock(format, list);
    cellEnded_ = true;
}

void RtfBuilder::MergeCells() {
    // Cells marked as merged join the cell before them or above them.
    const int n = std::min(int(rowDef_.merges.size()), table_->columns());
    for (int c = 0; c < n; ++c) {
        const uint8_t m = rowDef_.merges[c];
        if ((m & RtfRowDef::VMerged) && row_ > 0) {
            const QTextTableCell above = table_->cellAt(row_ - 1, c);
            if (above.column() == c && table_->cellAt(row_, c).row() == row_)
                table_->mergeCells(above.row(), c, row_ - above.row() + 1, above.columnSpan());
        } else if ((m & RtfRowDef::Merged) && c > 0) {
            const QTextTableCell before = table_->cellAt(row_, c - 1);
            if (before.row() == row_ && table_->cellAt(row_, c).column() == c)
                table_->mergeCells(row_, before.column(), 1, c - before.column() + 1);
        }
    }
}

void RtfBuilder::EndRow() {
    if (!table_) return;
    MergeCells();
    freshBlock_ = false;
    cellEnded_ = false;
    rowEnded_ = true;
    pendingBreak_ = false;
}

void RtfBuilder::Finish(const QTextBlockFormat& format, const RtfListRef& list) {
    if (!pendingBreak_ && touched_) ApplyBlock(format, list);
}
