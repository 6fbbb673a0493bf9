#include "tablegrid.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace Layout {
namespace {

constexpr double kFallbackWidth = 72;
// Bounds the grid of a malformed table: far more than any page holds.
constexpr int kMostRows = 10000;
constexpr int kMostColumns = 1000;
constexpr double kFallbackHeight = 18;
// The largest page side a PDF has, 200 inches.
constexpr double kLongest = 14400;
// How much wider than its text a column is made, beyond its cell margins.
constexpr double kColumnSlack = 0.1;

bool IsLength(double length)
{
    return std::isfinite(length) && length > 0;
}

std::vector<double> Lengths(const std::vector<double>& given, int count, double total,
                            double fallback)
{
    std::vector<double> lengths(static_cast<std::size_t>(count), 0);
    const double share = count > 0 && IsLength(total) ? total / count : fallback;
    for (int i = 0; i < count; ++i) {
        const double length = i < static_cast<int>(given.size()) ? given[i] : 0;
        lengths[i] = std::min(IsLength(length) ? length : share, kLongest);
    }
    return lengths;
}

Cell Clamped(const Cell& given)
{
    Cell cell = given;
    cell.row = std::clamp(cell.row, 0, kMostRows - 1);
    cell.column = std::clamp(cell.column, 0, kMostColumns - 1);
    cell.rowSpan = std::clamp(cell.rowSpan, 1, kMostRows - cell.row);
    cell.columnSpan = std::clamp(cell.columnSpan, 1, kMostColumns - cell.column);
    return cell;
}

} // namespace

TableGrid::TableGrid(const Table& table)
{
    rows_ = std::min(static_cast<int>(table.rowHeights.size()), kMostRows);
    columns_ = std::min(static_cast<int>(table.columnWidths.size()), kMostColumns);
    std::vector<Cell> given;
    given.reserve(table.cells.size());
    for (const Cell& cell : table.cells) {
        given.push_back(Clamped(cell));
        rows_ = std::max(rows_, given.back().row + given.back().rowSpan);
        columns_ = std::max(columns_, given.back().column + given.back().columnSpan);
    }
    owners_.assign(static_cast<std::size_t>(rows_) * columns_, -1);
    const auto slot = [this](int row, int column) -> int& {
        return owners_[static_cast<std::size_t>(row) * columns_ + column];
    };
    for (Cell& cell : given) {
        const int holder = slot(cell.row, cell.column);
        if (holder >= 0) {
            auto& paragraphs = cells_[holder].paragraphs;
            paragraphs.insert(paragraphs.end(), cell.paragraphs.begin(), cell.paragraphs.end());
            continue;
        }
        int columnSpan = 1;
        while (columnSpan < cell.columnSpan && slot(cell.row, cell.column + columnSpan) < 0) {
            ++columnSpan;
        }
        const auto rowFree = [&](int row) {
            for (int column = cell.column; column < cell.column + columnSpan; ++column) {
                if (slot(row, column) >= 0) {
                    return false;
                }
            }
            return true;
        };
        int rowSpan = 1;
        while (rowSpan < cell.rowSpan && rowFree(cell.row + rowSpan)) {
            ++rowSpan;
        }
        cell.columnSpan = columnSpan;
        cell.rowSpan = rowSpan;
        const int index = static_cast<int>(cells_.size());
        for (int row = cell.row; row < cell.row + rowSpan; ++row) {
            for (int column = cell.column; column < cell.column + columnSpan; ++column) {
                slot(row, column) = index;
            }
        }
        cells_.push_back(std::move(cell));
    }
    columnWidths_ = Lengths(table.columnWidths, columns_, table.box.Width(), kFallbackWidth);
    rowHeights_ = Lengths(table.rowHeights, rows_, table.box.Height(), kFallbackHeight);
}

int TableGrid::Owner(int row, int column) const
{
    if (row < 0 || column < 0 || row >= rows_ || column >= columns_) {
        return -1;
    }
    return owners_[static_cast<std::size_t>(row) * columns_ + column];
}

double TableGrid::ColumnWidth(int column) const
{
    return columnWidths_[column];
}

double TableGrid::RowHeight(int row) const
{
    return rowHeights_[row];
}

std::vector<double> TableGrid::FittedColumnWidths(double cellMargins, double widest) const
{
    std::vector<double> widths;
    widths.reserve(columnWidths_.size());
    for (const double width : columnWidths_) {
        widths.push_back(width * (1 + kColumnSlack) + std::max(cellMargins, 0.0));
    }
    const double total = std::accumulate(widths.begin(), widths.end(), 0.0);
    if (IsLength(widest) && total > widest) {
        for (double& width : widths) {
            width *= widest / total;
        }
    }
    return widths;
}

} // namespace Layout
