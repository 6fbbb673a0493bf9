#pragma once

#include "pagecontent.h"
#include "rulings.h"

#include <cstddef>
#include <vector>

namespace Layout {

struct FoundCell
{
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    std::vector<std::size_t> words; // indices into the page's words, in reading order
};

struct FoundTable
{
    Box box;
    std::vector<double> columnEdges; // x of each column's left edge, then the last one's right
    std::vector<double> rowEdges;    // y of each row's top edge, then the last one's bottom
    std::vector<FoundCell> cells;    // row after row; cells covered by a merged one are absent
    bool ruled = false;              // drawn with lines
};

// The tables on a page: grids of ruling lines, runs of horizontal rules with text in aligned
// columns between them, and text in aligned columns without lines. They come top to bottom,
// and no word is in two of them.
std::vector<FoundTable> FindTables(const PageContent& page, const std::vector<Ruling>& rulings);

} // namespace Layout
