#pragma once

#include <string>
#include <vector>

// A table as rows of cell texts: a merged cell's text stands at its top left position and
// the positions it covers are empty.
struct CellSpan
{
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
};

struct TextGrid
{
    std::vector<std::vector<std::string>> cells; // rows, each as wide as the table
    std::vector<CellSpan> spans;                 // the merged cells only

    int Rows() const { return static_cast<int>(cells.size()); }
    int Columns() const { return cells.empty() ? 0 : static_cast<int>(cells.front().size()); }
    // Whether (row, column) lies under a merged cell without being its top left position.
    bool Covered(int row, int column) const
    {
        for (const CellSpan& span : spans) {
            const bool inside = row >= span.row && row < span.row + span.rowSpan &&
                                column >= span.column && column < span.column + span.columnSpan;
            if (inside && (row != span.row || column != span.column)) {
                return true;
            }
        }
        return false;
    }
};
