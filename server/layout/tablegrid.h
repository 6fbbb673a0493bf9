#pragma once

#include "document.h"

#include <vector>

namespace Layout {

// A table's cells placed on its grid of rows and columns, for writers that must name every
// slot a merged cell covers. Spans are clamped to free slots; a cell whose first slot is
// taken has its paragraphs added to the cell that holds it, so no text is lost.
class TableGrid
{
public:
    explicit TableGrid(const Table& table);

    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    // The placed cells, with the spans they were given.
    const std::vector<Cell>& Cells() const { return cells_; }
    // The index into Cells() of the cell covering a slot, or -1 when none does.
    int Owner(int row, int column) const;
    // A column's width in points: the table's own, else an equal share of its box; always
    // positive and at most a page side.
    double ColumnWidth(int column) const;
    double RowHeight(int row) const;
    // The columns' widths for a table laid out with fixed widths: each with room for its
    // cell margins (`cellMargins`, both sides together) and some slack, so a text exactly as
    // wide as its column does not wrap, all scaled down to `widest` if wider together.
    std::vector<double> FittedColumnWidths(double cellMargins, double widest) const;

private:
    int rows_ = 0;
    int columns_ = 0;
    std::vector<Cell> cells_;
    std::vector<int> owners_;
    std::vector<double> columnWidths_;
    std::vector<double> rowHeights_;
};

} // namespace Layout
