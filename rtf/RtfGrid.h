// The columns of an RTF table. Each row gives its cells by their right
// edges (\cellxN), and rows may differ: the table's columns lie between
// every edge any of its rows has, and a cell spans the columns from the
// edge of the cell before it to its own.
#pragma once

#include <vector>

struct RtfCellSpan {
    int first = 0;  // the first column
    int count = 1;  // columns spanned; 0: no column of its own is left
};

// The edges of a row made strictly increasing, as a reader lays them out.
std::vector<int> IncreasingEdges(const std::vector<int>& edges);

// Adds the row's edges (increasing) to `grid` (sorted), up to `maxColumns`
// edges in all; the index of each column added, in the order added (a
// column added at index i splits the column that was at i).
std::vector<int> AddRowEdges(std::vector<int>& grid, const std::vector<int>& edges, int maxColumns);

// The columns each cell of a row (edges increasing) spans on `grid`.
std::vector<RtfCellSpan> RowSpans(const std::vector<int>& grid, const std::vector<int>& edges);
