#pragma once

#include "pagecontent.h"

#include <vector>

namespace Layout {

// A straight line drawn on the page, or the edge of a filled rectangle: a table's border.
// In points; `position` is the line's y when horizontal, its x when vertical, and it runs
// from `from` to `to` along the other axis.
struct Ruling
{
    bool horizontal = true;
    double position = 0;
    double from = 0;
    double to = 0;

    double Length() const { return to - from; }
};

// The horizontal and vertical lines at least kMinRulingLength long and at most
// kMaxRulingThickness thick in the page's pixels. Pieces of one line broken by small gaps or
// drawn cell by cell come out as one line, and lines closer than kRulingMergeDistance as one.
std::vector<Ruling> FindRulings(const Raster& raster);

inline constexpr double kMinRulingLength = 12;
inline constexpr double kMaxRulingThickness = 3;
inline constexpr double kRulingMergeDistance = 2;

} // namespace Layout
