#include "platform/RtfBuilder.h"

#include <QTextDocument>
#include <QTextTable>
#include <algorithm>

#include "platform/RtfPictureData.h"

namespace {

constexpr int MaxColumns = 64;
constexpr int MaxRowsPerTable = 2000;

}  // namespace

RtfBuilder::RtfBuilder(QTextDocument* doc) : doc_(doc), cursor_(doc) {
    cursor_.movePosition(QTextCursor::End);
}

void RtfBuilder::SetRowEdges(int left, std::vector<int> edges) {
    rowLeft_ = left;
    rowEdges_ = std::move(edges);
}

void RtfBuilder::OpenTable() {
    const int columns = std::clamp(int(rowEdges_.size()), 1, MaxColumns);
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderBrush(QColor(0x80, 0x80, 0x80));
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(3);
    if (int(rowEdges_.size()) == columns) {
        QList<QTextLength> widths;
        int left = rowLeft_;
        for (int edge : rowEdges_) {
            widths << QTextLength(QTextLength::FixedLength,
                                  std::clamp(edge - left, 15, 30000) / 15.0);
            left = std::max(left, edge);
        }
        format.setColumnWidthConstraints(widths);
    }
    table_ = cursor_.insertTable(1, columns, format);
    row_ = col_ = 0;
    cellEnded_ = rowEnded_ = false;
    pendingBreak_ = false;
}

void RtfBuilder::CloseTable() {
    cursor_ = table_->lastCursorPosition();
    cursor_.movePosition(QTextCursor::NextBlock);
    table_ = nullptr;
    pendingBreak_ = false;
}

void RtfBuilder::NextCell() {
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

void RtfBuilder::Prepare(bool inTable, const QTextCharFormat& mark) {
    if (table_ && !inTable) CloseTable();
    if (inTable) {
        if (!table_)
            OpenTable();
        else
            NextCell();
    }
    if (pendingBreak_) {
        cursor_.insertBlock(lastFormat_, mark);
        pendingBreak_ = false;
    }
}

void RtfBuilder::Text(const QString& text, const QTextCharFormat& format, bool inTable) {
    Prepare(inTable, format);
    cursor_.insertText(text, format);
    touched_ = true;
}

void RtfBuilder::Image(const QImage& image, const QSizeF& size, bool inTable,
                       const QByteArray& data, bool jpeg) {
    Prepare(inTable, cursor_.charFormat());
    const QString name = QStringLiteral("rtfimage:%1").arg(++images_);
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
    if (cursor_.blockFormat() != format) cursor_.setBlockFormat(format);
    lists_.Apply(cursor_, list);
    lastFormat_ = format;
    touched_ = false;
}

void RtfBuilder::EndParagraph(const QTextBlockFormat& format, const RtfListRef& list, bool inTable,
                              const QTextCharFormat& mark) {
    Prepare(inTable, mark);
    if (!touched_ && cursor_.block().length() <= 1) cursor_.setBlockCharFormat(mark);
    ApplyBlock(format, list);
    pendingBreak_ = true;
}

void RtfBuilder::EndCell(const QTextBlockFormat& format, const RtfListRef& list,
                         const QTextCharFormat& mark) {
    Prepare(true, mark);
    ApplyBlock(format, list);
    cellEnded_ = true;
}

void RtfBuilder::EndRow() {
    if (!table_) return;
    cellEnded_ = false;
    rowEnded_ = true;
    pendingBreak_ = false;
}

void RtfBuilder::Finish(const QTextBlockFormat& format, const RtfListRef& list) {
    if (!pendingBreak_ && touched_) ApplyBlock(format, list);
}
