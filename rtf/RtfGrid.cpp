#include "rtf/RtfGrid.h"

#include <algorithm>
#include <climits>

std::vector<int> IncreasingEdges(const std::vector<int>& edges) {
    std::vector<int> out;
    out.reserve(edges.size());
    for (int e : edges) {
        if (out.empty() || e > out.back())
            out.push_back(e);
        else if (out.back() < INT_MAX)  // an edge left of the one before: just right of it
            out.push_back(out.back() + 1);
    }
    return out;
}

std::vector<int> AddRowEdges(std::vector<int>& grid, const std::vector<int>& edges,
                             int maxColumns) {
    std::vector<int> added;
    for (int e : edges) {
        if (int(grid.size()) >= maxColumns) break;
        const auto it = std::lower_bound(grid.begin(), grid.end(), e);
        if (it != grid.end() && *it == e) continue;
        added.push_back(int(it - grid.begin()));
        grid.insert(it, e);
    }
    return added;
}

std::vector<RtfCellSpan> RowSpans(const std::vector<int>& grid, const std::vector<int>& edges) {
    std::vector<RtfCellSpan> spans;
    spans.reserve(edges.size());
    int next = 0;  // the first column not yet taken
    for (int e : edges) {
        // An edge the grid has no room for ends at the next one there is.
        int last = int(std::lower_bound(grid.begin(), grid.end(), e) - grid.begin());
        last = std::min(last, int(grid.size()) - 1);
        if (last < next)
            spans.push_back({next, 0});
        else
            spans.push_back({next, last - next + 1});
        next = std::max(next, last + 1);
    }
    return spans;
}
