#include "rtf/RtfBuilder.h"

#include <QCryptographicHash>
#include <QTextDocument>
#include <QTextTable>
#include <algorithm>
#include <climits>

#include "rtf/RtfGrid.h"
#include "rtf/RtfPictureData.h"
#include "rtf/RtfProperties.h"

namespace {

constexpr int MaxColumns = 64;
constexpr int MaxRowsPerTable = 2000;

}  // namespace

RtfBuilder::RtfBuilder(QTextDocument* doc) : doc_(doc), cursor_(doc) {
    cursor_.movePosition(QTextCursor::End);
}

RtfBuilder::RtfBuilder(QTextDocument* doc, const QTextCursor& at) : doc_(doc), cursor_(at) {}

void RtfRowDef::AddCell(int edge) {
    if (edges.size() < std::size_t(MaxColumns)) {
        edges.push_back(edge);
        merges.push_back(pending);
    }
    pending = 0;
}

void RtfBuilder::SetColumnWidths() {
    if (grid_.empty()) return;
    QTextTableFormat format = table_->format();
    QList<QTextLength> widths;
    qint64 left = rowDef_.left;  // edges are any 32-bit numbers: no overflow
    for (qint64 edge : grid_) {
        widths << QTextLength(QTextLength::FixedLength,
                              double(std::clamp<qint64>(edge - left, 15, 30000)) / 15.0);
        left = std::max(left, edge);
    }
    // One width for every column: Qt copies a neighbour's when it adds one.
    while (widths.size() < table_->columns())
        widths << widths.back();
    widths.resize(table_->columns());
    format.setColumnWidthConstraints(widths);
    table_->setFormat(format);
}

void RtfBuilder::OpenTable() {
    grid_.clear();
    AddRowEdges(grid_, IncreasingEdges(rowDef_.edges), MaxColumns);
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderBrush(QColor(0x80, 0x80, 0x80));
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(3);
    table_ = cursor_.insertTable(1, std::max(int(grid_.size()), 1), format);
    SetColumnWidths();
    freshBlock_ = false;
    row_ = 0;
    StartRow();
    pendingBreak_ = false;
}

void RtfBuilder::StartRow() {
    spans_ = RowSpans(grid_, IncreasingEdges(rowDef_.edges));
    cell_ = 0;
    col_ = spans_.empty() ? 0 : std::min(spans_[0].first, table_->columns() - 1);
    cellEnded_ = rowEnded_ = false;
}

void RtfBuilder::AddRowColumns() {
    // An edge this row brings splits a column of the rows before it: the
    // cell there keeps its place and spans both parts.
    const std::vector<int> added = AddRowEdges(grid_, IncreasingEdges(rowDef_.edges), MaxColumns);
    if (added.empty()) return;
    for (int at : added) {
        if (at >= table_->columns()) {  // right of every cell so far
            table_->appendColumns(1);
            continue;
        }
        table_->insertColumns(at + 1, 1);
        for (int r = 0; r < table_->rows(); ++r) {
            const QTextTableCell cell = table_->cellAt(r, at);
            if (cell.row() == r && cell.column() + cell.columnSpan() - 1 == at)
                table_->mergeCells(r, cell.column(), cell.rowSpan(), cell.columnSpan() + 1);
        }
    }
    SetColumnWidths();
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
            AddRowColumns();
            table_->appendRows(1);
            ++row_;
            StartRow();
        }
    } else if (cellEnded_) {
        // The column after the cell just ended.
        const int after = cell_ < int(spans_.size()) && spans_[cell_].count > 0
                              ? spans_[cell_].first + spans_[cell_].count
                              : col_ + 1;
        ++cell_;
        const bool defined = cell_ < int(spans_.size());
        if (defined && spans_[cell_].count > 0) {
            col_ = spans_[cell_].first;
        } else if (!defined && after < table_->columns()) {
            col_ = after;
        } else if (!defined && table_->columns() < MaxColumns) {
            table_->appendColumns(1);
            if (!grid_.empty() && grid_.back() < INT_MAX) grid_.push_back(grid_.back() + 1);
            col_ = table_->columns() - 1;
        } else {
            // No column for it: the cells that follow share the last one.
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

void RtfBuilder::Hidden(const QString& text, const QTextCharFormat& format, bool inTable) {
    Prepare(inTable, format);
    QTextCharFormat f = format;
    f.setObjectType(RtfHiddenObject);
    f.setProperty(RtfProperty::HiddenText, text);
    cursor_.insertText(QString(QChar::ObjectReplacementCharacter), f);
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
    // Cells spanning columns by their edges; then cells marked as merged
    // join the cell before them or above them.
    const int columns = table_->columns();
    for (const RtfCellSpan& s : spans_) {
        if (s.count > 1 && s.first + s.count <= columns &&
            table_->cellAt(row_, s.first).column() == s.first)
            table_->mergeCells(row_, s.first, 1, s.count);
    }
    const int n = int(std::min(rowDef_.merges.size(), spans_.size()));
    for (int pass = 0; pass < 2; ++pass) {  // across first, then down
        for (int k = 0; k < n; ++k) {
            const uint8_t m = rowDef_.merges[k];
            const int c = spans_[k].first;
            if (spans_[k].count == 0 || c >= columns) continue;
            const QTextTableCell cell = table_->cellAt(row_, c);
            if (cell.row() != row_ || cell.column() != c) continue;
            if (pass == 0 && (m & RtfRowDef::Merged) && c > 0) {
                const QTextTableCell before = table_->cellAt(row_, c - 1);
                if (before.row() == row_)
                    table_->mergeCells(row_, before.column(), 1,
                                       c - before.column() + cell.columnSpan());
            } else if (pass == 1 && (m & RtfRowDef::VMerged) && row_ > 0) {
                const QTextTableCell above = table_->cellAt(row_ - 1, c);
                if (above.column() == c && above.columnSpan() == cell.columnSpan())
                    table_->mergeCells(above.row(), c, row_ - above.row() + 1, above.columnSpan());
            }
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
