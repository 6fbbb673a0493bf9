#include "textcolumns.h"

#include "codepoints.h"
#include "paragraphs.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>
#include <string>

namespace Layout {
namespace {

constexpr double kPieceGap = 1.5;        // font sizes between words that split a row
constexpr double kMinColumnGap = 0.5;    // font sizes of blank between two columns
constexpr double kMaxRowGap = 2;         // font sizes between two rows of one table
constexpr double kContinuationGap = 0.5; // font sizes between the lines of one cell
constexpr double kAlignTolerance = 3;    // points
constexpr double kAlignedShare = 0.75;   // of a column's pieces
constexpr std::size_t kMinAlignedRows = 3;
constexpr std::size_t kMinAlignedColumns = 2;
constexpr std::size_t kProseWords = 5; // a piece this long reads as running text
constexpr double kWordSpace = 0.25;    // font sizes between two words of a line
constexpr double kLineGap = 1;         // font sizes between the lines of one paragraph

struct Span
{
    double left = 0;
    double right = 0;
};

using RowRange =
    std::pair<std::vector<TextRow>::const_iterator, std::vector<TextRow>::const_iterator>;

double FontSizeOf(RowRange rows)
{
    std::vector<double> sizes;
    for (auto row = rows.first; row != rows.second; ++row) {
        sizes.push_back(row->fontSize);
    }
    return std::max(Median(sizes), 1.0);
}

// The stretches of x that pieces fill, separated by blanks no piece crosses.
std::vector<Span> ColumnSpans(RowRange rows, double minGap)
{
    std::vector<Span> pieces;
    for (auto row = rows.first; row != rows.second; ++row) {
        for (const Line& piece : row->pieces) {
            pieces.push_back({piece.box.left, piece.box.right});
        }
    }
    std::sort(pieces.begin(), pieces.end(),
              [](const Span& a, const Span& b) { return a.left < b.left; });
    std::vector<Span> spans;
    for (const Span& piece : pieces) {
        if (!spans.empty() && piece.left - spans.back().right < minGap) {
            spans.back().right = std::max(spans.back().right, piece.right);
        } else {
            spans.push_back(piece);
        }
    }
    return spans;
}

std::size_t ColumnOf(const std::vector<Span>& spans, const Box& box)
{
    const double middle = (box.left + box.right) / 2;
    for (std::size_t column = 0; column + 1 < spans.size(); ++column) {
        if (middle < (spans[column].right + spans[column + 1].left) / 2) {
            return column;
        }
    }
    return spans.size() - 1;
}

// Each row's pieces by column.
std::vector<std::vector<std::vector<const Line*>>> PlacePieces(RowRange rows,
                                                               const std::vector<Span>& spans)
{
    std::vector<std::vector<std::vector<const Line*>>> placed;
    for (auto row = rows.first; row != rows.second; ++row) {
        placed.emplace_back(spans.size());
        for (const Line& piece : row->pieces) {
            placed.back()[ColumnOf(spans, piece.box)].push_back(&piece);
        }
    }
    return placed;
}

// In a table a row has at most one piece in each column.
bool OnePiecePerColumn(RowRange rows, const std::vector<Span>& spans)
{
    for (const auto& columns : PlacePieces(rows, spans)) {
        if (std::any_of(columns.begin(), columns.end(),
                        [](const auto& pieces) { return pieces.size() > 1; })) {
            return false;
        }
    }
    return true;
}

// A lone piece continues a cell only within the cell's column.
bool WithinColumns(const TextRow& row, const std::vector<Span>& spans)
{
    return std::all_of(row.pieces.begin(), row.pieces.end(), [&](const Line& piece) {
        return std::any_of(spans.begin(), spans.end(), [&](const Span& span) {
            return piece.box.left >= span.left - kAlignTolerance &&
                   piece.box.right <= span.right + kAlignTolerance;
        });
    });
}

// Columns of running text side by side, or markers before list items, are not a table.
bool LooksLikeTextOrList(const std::vector<Word>& words,
                         const std::vector<std::vector<std::vector<const Line*>>>& placed,
                         std::size_t columns)
{
    std::size_t proseColumns = 0;
    bool markersFirst = true;
    for (std::size_t column = 0; column < columns; ++column) {
        std::size_t pieces = 0;
        std::size_t prose = 0;
        for (const auto& row : placed) {
            for (const Line* piece : row[column]) {
                ++pieces;
                prose += piece->words.size() >= kProseWords ? 1 : 0;
                if (column == 0) {
                    markersFirst = markersFirst && piece->words.size() == 1 &&
                                   ListMarker(words[piece->words.front()].text) != Marker::None;
                }
            }
        }
        proseColumns += pieces > 0 && 2 * prose >= pieces ? 1 : 0;
    }
    return proseColumns == columns || (columns == 2 && markersFirst);
}

// Whether a line of running text goes on in `next`, the piece of its column on the row
// below: it ends where the next piece's first word would not have fitted, and the next
// continues the sentence, in lower case or alone on its row.
bool WrapsInto(const std::vector<Word>& words, const Line& piece, const TextRow& nextRow,
               const Line& next, const Span& span)
{
    const Word& first = words[next.words.front()];
    const double space = kWordSpace * std::max(piece.fontSize, 1.0);
    const char32_t start = FirstCodePoint(first.text);
    const bool lowerCase = start < 0x80 && std::islower(static_cast<int>(start));
    return piece.words.size() >= kProseWords &&
           piece.box.right + space + first.box.Width() > span.right &&
           (lowerCase || nextRow.pieces.size() == 1);
}

// A column mostly of paragraphs wrapped over several lines, as a label column beside them
// makes it: a table of it would cut the paragraphs into rows.
bool HoldsWrappedProse(const std::vector<Word>& words, RowRange rows,
                       const std::vector<Span>& spans)
{
    const auto placed = PlacePieces(rows, spans);
    for (std::size_t column = 0; column < spans.size(); ++column) {
        std::size_t pieces = 0;
        std::size_t wraps = 0;
        std::size_t inParagraphs = 0; // pieces that wrap on or are wrapped into
        bool wrappedInto = false;
        auto row = rows.first;
        for (std::size_t index = 0; index < placed.size(); ++index, ++row) {
            const auto& here = placed[index][column];
            bool wrapsOn = false;
            if (!here.empty() && index + 1 < placed.size() && !placed[index + 1][column].empty()) {
                const TextRow& below = *(row + 1);
                wrapsOn =
                    below.box.top - row->box.bottom <= kLineGap * std::max(below.fontSize, 1.0) &&
                    WrapsInto(words, *here.back(), below, *placed[index + 1][column].front(),
                              spans[column]);
            }
            pieces += here.empty() ? 0 : 1;
            wraps += wrapsOn ? 1 : 0;
            inParagraphs += !here.empty() && (wrapsOn || wrappedInto) ? 1 : 0;
            wrappedInto = wrapsOn;
        }
        if (wraps >= 2 && 2 * inParagraphs > pieces) {
            return true;
        }
    }
    return false;
}

bool Aligned(std::vector<double> edges)
{
    const double middle = Median(edges);
    const auto near = std::count_if(edges.begin(), edges.end(), [&](double edge) {
        return std::fabs(edge - middle) <= kAlignTolerance;
    });
    return edges.size() >= 2 && static_cast<double>(near) >= kAlignedShare * edges.size();
}

// How many columns have their pieces' left edges, right edges or centres in line, counting
// the rows with two or more pieces.
std::size_t AlignedColumns(RowRange rows, const std::vector<Span>& spans)
{
    const auto placed = PlacePieces(rows, spans);
    std::size_t aligned = 0;
    for (std::size_t column = 0; column < spans.size(); ++column) {
        std::vector<double> lefts, rights, centres;
        auto row = rows.first;
        for (const auto& columns : placed) {
            if (row++->pieces.size() >= 2 && !columns[column].empty()) {
                const Box& box = columns[column].front()->box;
                lefts.push_back(box.left);
                rights.push_back(box.right);
                centres.push_back((box.left + box.right) / 2);
            }
        }
        aligned += Aligned(lefts) || Aligned(rights) || Aligned(centres) ? 1 : 0;
    }
    return aligned;
}

bool RuleBetween(const std::vector<double>& rules, const TextRow& above, const TextRow& below)
{
    const double from = (above.box.top + above.box.bottom) / 2;
    const double to = (below.box.top + below.box.bottom) / 2;
    return std::any_of(rules.begin(), rules.end(),
                       [&](double rule) { return rule > from && rule < to; });
}

std::set<std::size_t> Filled(const std::vector<std::vector<const Line*>>& columns)
{
    std::set<std::size_t> filled;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        if (!columns[column].empty()) {
            filled.insert(column);
        }
    }
    return filled;
}

} // namespace

std::vector<TextRow> TextRows(const std::vector<Word>& words, const std::vector<std::size_t>& which)
{
    std::vector<TextRow> rows;
    for (Line& piece : GroupLines(words, which, kPieceGap)) {
        if (!rows.empty() && OverlapVertically(rows.back().box, piece.box, 0.5) &&
            piece.box.left >= rows.back().pieces.back().box.right) {
            TextRow& row = rows.back();
            row.box = Union(row.box, piece.box);
            row.fontSize = std::max(row.fontSize, piece.fontSize);
            row.pieces.push_back(std::move(piece));
            continue;
        }
        TextRow row;
        row.box = piece.box;
        row.fontSize = piece.fontSize;
        row.pieces.push_back(std::move(piece));
        rows.push_back(std::move(row));
    }
    return rows;
}

namespace {

// A header set left in its cell above numbers set right stands in a column of its own; two
// neighbouring columns that never share a row, one of them filled only once, are one.
std::vector<Span> JoinHeaderColumns(RowRange rows, std::vector<Span> spans)
{
    for (std::size_t column = 0; column + 1 < spans.size();) {
        std::size_t both = 0;
        std::size_t left = 0;
        std::size_t right = 0;
        for (const auto& columns : PlacePieces(rows, spans)) {
            const bool a = !columns[column].empty();
            const bool b = !columns[column + 1].empty();
            both += a && b ? 1 : 0;
            left += a ? 1 : 0;
            right += b ? 1 : 0;
        }
        if (both == 0 && std::min(left, right) <= 1) {
            spans[column].right = spans[column + 1].right;
            spans.erase(spans.begin() + static_cast<std::ptrdiff_t>(column) + 1);
        } else {
            ++column;
        }
    }
    return spans;
}

// The columns of a run of rows as a table would have them.
std::vector<Span> TableColumns(RowRange rows)
{
    return JoinHeaderColumns(rows, ColumnSpans(rows, kMinColumnGap * FontSizeOf(rows)));
}

} // namespace

std::optional<FoundTable> TableFromRows(const std::vector<Word>& words,
                                        const std::vector<TextRow>& rows,
                                        const std::vector<double>& rules)
{
    const RowRange range{rows.begin(), rows.end()};
    const double size = FontSizeOf(range);
    const std::vector<Span> spans = TableColumns(range);
    if (spans.size() < 2) {
        return std::nullopt;
    }
    const auto placed = PlacePieces(range, spans);
    if (LooksLikeTextOrList(words, placed, spans.size())) {
        return std::nullopt;
    }
    std::vector<double> rowGaps;
    for (std::size_t index = 1; index < rows.size(); ++index) {
        if (Filled(placed[index]).size() >= 2) {
            rowGaps.push_back(rows[index].box.top - rows[index - 1].box.bottom);
        }
    }
    const double rowGap = rowGaps.empty() ? kContinuationGap * size : Median(rowGaps);

    // Text rows grouped into table rows: [first, last] text row of each.
    std::vector<std::pair<std::size_t, std::size_t>> tableRows;
    std::set<std::size_t> filledAbove;
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const std::set<std::size_t> filled = Filled(placed[index]);
        if (!tableRows.empty()) {
            const double gap = rows[index].box.top - rows[index - 1].box.bottom;
            const bool continues = filled.size() < spans.size() &&
                                   std::includes(filledAbove.begin(), filledAbove.end(),
                                                 filled.begin(), filled.end()) &&
                                   gap <= kContinuationGap * size && gap < 0.75 * rowGap &&
                                   !RuleBetween(rules, rows[index - 1], rows[index]);
            if (continues) {
                tableRows.back().second = index;
                continue;
            }
        }
        tableRows.emplace_back(index, index);
        filledAbove = filled;
    }

    FoundTable table;
    table.columnEdges.push_back(spans.front().left);
    for (std::size_t column = 1; column < spans.size(); ++column) {
        table.columnEdges.push_back((spans[column - 1].right + spans[column].left) / 2);
    }
    table.columnEdges.push_back(spans.back().right);
    table.rowEdges.push_back(rows[tableRows.front().first].box.top);
    for (std::size_t row = 1; row < tableRows.size(); ++row) {
        table.rowEdges.push_back(
            (rows[tableRows[row - 1].second].box.bottom + rows[tableRows[row].first].box.top) / 2);
    }
    table.rowEdges.push_back(rows[tableRows.back().second].box.bottom);
    for (std::size_t row = 0; row < tableRows.size(); ++row) {
        for (std::size_t column = 0; column < spans.size(); ++column) {
            FoundCell cell;
            cell.row = static_cast<int>(row);
            cell.column = static_cast<int>(column);
            for (std::size_t text = tableRows[row].first; text <= tableRows[row].second; ++text) {
                for (const Line* piece : placed[text][column]) {
                    cell.words.insert(cell.words.end(), piece->words.begin(), piece->words.end());
                }
            }
            table.cells.push_back(std::move(cell));
        }
    }
    table.box = Box{table.columnEdges.front(), table.rowEdges.front(), table.columnEdges.back(),
                    table.rowEdges.back()};
    return table;
}

std::vector<FoundTable> FindAlignedTables(const std::vector<Word>& words,
                                          const std::vector<std::size_t>& which)
{
    const std::vector<TextRow> rows = TextRows(words, which);
    std::vector<FoundTable> tables;
    std::size_t first = 0;
    while (first < rows.size()) {
        if (rows[first].pieces.size() < 2) {
            ++first;
            continue;
        }
        // Rows join while they keep every column apart and follow closely.
        const double size = std::max(rows[first].fontSize, 1.0);
        std::size_t end = first + 1;
        std::vector<Span> columns =
            ColumnSpans({rows.begin() + first, rows.begin() + end}, kMinColumnGap * size);
        while (end < rows.size() &&
               rows[end].box.top - rows[end - 1].box.bottom <= kMaxRowGap * size) {
            const RowRange joined{rows.begin() + first, rows.begin() + end + 1};
            const std::vector<Span> spans = ColumnSpans(joined, kMinColumnGap * size);
            if (spans.size() < columns.size() || !OnePiecePerColumn(joined, spans) ||
                (rows[end].pieces.size() < 2 && !WithinColumns(rows[end], columns))) {
                break;
            }
            columns = spans;
            ++end;
        }
        // A single piece after the table is text below it, unless it continues a cell.
        while (end > first + 1 && rows[end - 1].pieces.size() < 2 &&
               rows[end - 1].box.top - rows[end - 2].box.bottom > kContinuationGap * size) {
            --end;
        }
        const RowRange range{rows.begin() + first, rows.begin() + end};
        // with the rows just above and below: a paragraph running into or out of the rows
        const RowRange around{rows.begin() + (first > 0 ? first - 1 : 0),
                              rows.begin() + std::min(end + 1, rows.size())};
        const auto counted = std::count_if(
            range.first, range.second, [](const TextRow& row) { return row.pieces.size() >= 2; });
        if (static_cast<std::size_t>(counted) >= kMinAlignedRows &&
            AlignedColumns(range, ColumnSpans(range, kMinColumnGap * size)) >= kMinAlignedColumns &&
            !HoldsWrappedProse(words, around, TableColumns(range))) {
            if (auto table = TableFromRows(words, {range.first, range.second}, {})) {
                tables.push_back(std::move(*table));
                first = end;
                continue;
            }
        }
        ++first;
    }
    return tables;
}

} // namespace Layout
