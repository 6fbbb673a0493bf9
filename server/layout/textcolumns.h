#pragma once

#include "lines.h"
#include "tables.h"

#include <optional>
#include <vector>

// Tables read from how text lines up in columns, with or without horizontal rules.
namespace Layout {

// Pieces of text on one baseline, split where a wide gap separates them.
struct TextRow
{
    std::vector<Line> pieces; // left to right
    Box box;
    double fontSize = 0;
};

// The given words as rows of pieces, top to bottom.
std::vector<TextRow> TextRows(const std::vector<Word>& words,
                              const std::vector<std::size_t>& which);

// The rows laid out as a table whose columns are the gaps no piece crosses and whose rows
// are the text rows; a row that only continues cells of the one above joins it, unless one of
// the `rules` (y positions) runs between them. Nothing when fewer than two columns come out,
// or when the columns look like flowing text or a list.
std::optional<FoundTable> TableFromRows(const std::vector<Word>& words,
                                        const std::vector<TextRow>& rows,
                                        const std::vector<double>& rules);

// Tables without lines: at least three rows with two or more pieces each, aligned in at
// least two columns, none of them mostly paragraphs wrapped over several lines.
std::vector<FoundTable> FindAlignedTables(const std::vector<Word>& words,
                                          const std::vector<std::size_t>& which);

} // namespace Layout
