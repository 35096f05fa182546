// Builds the QTextDocument an RTF reader reads: text runs, paragraphs,
// lists, tables and pictures, in document order.
//
// A paragraph's end only marks that the next content starts a new block,
// so the \par of the last paragraph adds no empty block, and a table that
// follows a paragraph is placed right after it.
#pragma once

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <vector>

#include "rtf/RtfGrid.h"
#include "rtf/RtfLists.h"

// The cells of a table row as \trowd, \cellxN and the merge marks before
// each \cellx define them.
struct RtfRowDef {
    enum Merge : uint8_t { MergeFirst = 1, Merged = 2, VMergeFirst = 4, VMerged = 8 };
    int left = 0;
    std::vector<int> edges;
    std::vector<uint8_t> merges;
    uint8_t pending = 0;  // marks for the next \cellx

    void Reset() { *this = RtfRowDef(); }
    void AddCell(int edge);
};

class QImage;
class QTextDocument;
class QTextTable;

class RtfBuilder {
  public:
    explicit RtfBuilder(QTextDocument* doc);
    // Builds from `at` on (at the document's end without it).
    RtfBuilder(QTextDocument* doc, const QTextCursor& at);

    void Text(const QString& text, const QTextCharFormat& format, bool inTable);
    // Hidden text: kept, not shown.
    void Hidden(const QString& text, const QTextCharFormat& format, bool inTable);
    // A picture, with the data it was read from (kept for writing it).
    void Image(const QImage& image, const QSizeF& size, bool inTable, const QByteArray& data,
               bool jpeg);
    // The end of a paragraph (\par) with the properties it ends with.
    void EndParagraph(const QTextBlockFormat& format, const RtfListRef& list, bool inTable,
                      const QTextCharFormat& mark);
    // The end of a table cell (\cell): its last paragraph ends too.
    void EndCell(const QTextBlockFormat& format, const RtfListRef& list,
                 const QTextCharFormat& mark);
    void EndRow();
    // The row being defined.
    RtfRowDef& Row() { return rowDef_; }
    // The end of the document; the last paragraph needs no \par.
    void Finish(const QTextBlockFormat& format, const RtfListRef& list);

    bool ParagraphHasContent() const { return touched_; }
    bool InTable() const { return table_ != nullptr; }
    int Position() const { return cursor_.position(); }
    void SetPosition(int position) { cursor_.setPosition(position); }

  private:
    // Opens, continues or closes the table and starts the block a paragraph
    // end asked for, its mark of the format `mark`: true when it did.
    bool Prepare(bool inTable, const QTextCharFormat& mark);
    void OpenTable();
    void CloseTable();
    void NextCell();
    void StartRow();
    void AddRowColumns();
    void SetColumnWidths();
    void MergeCells();
    void ApplyBlock(const QTextBlockFormat& format, const RtfListRef& list);

    QTextDocument* doc_;
    QTextCursor cursor_;
    RtfListTracker lists_;
    QTextBlockFormat lastFormat_;  // of the last paragraph, for the next block
    bool pendingBreak_ = false;
    bool freshBlock_ = false;  // the cursor's block was started by Prepare, of lastFormat_
    bool touched_ = false;     // content since the last paragraph end

    QTextTable* table_ = nullptr;
    int row_ = 0, col_ = 0;
    int cell_ = 0;                    // the cell of the row being filled
    std::vector<int> grid_;           // the table's column edges
    std::vector<RtfCellSpan> spans_;  // the columns of the row's cells
    bool cellEnded_ = false, rowEnded_ = false;
    RtfRowDef rowDef_;
};
