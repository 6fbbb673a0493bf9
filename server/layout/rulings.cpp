#include "rulings.h"

#include "disjointsets.h"

#include <algorithm>
#include <cmath>

namespace Layout {
namespace {

// Pixels darker than a level are ink: the lightest finds shading's edges, the darker one lines
// drawn over shading.
constexpr unsigned char kInkLevels[] = {245, 160};
constexpr double kMinPieceLength = 4; // points; shorter strokes are glyph parts
constexpr double kJoinGap = 1.5;      // points between collinear pieces of one line

// The page seen along one axis: `along` runs with the lines looked for, `across` over them.
class Axis
{
public:
    Axis(const Raster& raster, bool horizontal, unsigned char paper)
        : raster(raster), horizontal(horizontal), paper(paper)
    {
    }

    int AlongSize() const { return horizontal ? raster.width : raster.height; }
    int AcrossSize() const { return horizontal ? raster.height : raster.width; }
    bool Ink(int along, int across) const
    {
        return (horizontal ? raster.At(along, across) : raster.At(across, along)) < paper;
    }

private:
    const Raster& raster;
    bool horizontal;
    unsigned char paper;
};

// Pixels that belong to a thin stroke along the axis, or to the edge of a filled area.
std::vector<char> StrokePixels(const Axis& axis, int maxThickness)
{
    const int along = axis.AlongSize();
    const int across = axis.AcrossSize();
    std::vector<char> stroke(static_cast<std::size_t>(along) * across, 0);
    for (int i = 0; i < along; ++i) {
        int j = 0;
        while (j < across) {
            if (!axis.Ink(i, j)) {
                ++j;
                continue;
            }
            int end = j;
            while (end < across && axis.Ink(i, end)) {
                ++end;
            }
            const bool thin = end - j <= maxThickness;
            for (int k = j; k < end; ++k) {
                if (thin || k == j || k == end - 1) {
                    stroke[static_cast<std::size_t>(k) * along + i] = 1;
                }
            }
            j = end;
        }
    }
    return stroke;
}

std::vector<Ruling> Pieces(const Axis& axis, bool horizontal, double pixelsPerPoint)
{
    const int along = axis.AlongSize();
    const int across = axis.AcrossSize();
    const int maxThickness = static_cast<int>(std::lround(kMaxRulingThickness * pixelsPerPoint));
    const double minPiece = kMinPieceLength * pixelsPerPoint;
    const std::vector<char> stroke = StrokePixels(axis, std::max(maxThickness, 1));
    std::vector<Ruling> pieces;
    for (int j = 0; j < across; ++j) {
        const char* row = stroke.data() + static_cast<std::size_t>(j) * along;
        int i = 0;
        while (i < along) {
            if (!row[i]) {
                ++i;
                continue;
            }
            int end = i + 1; // one missing pixel does not break a stroke
            while (end < along && (row[end] || (end + 1 < along && row[end + 1]))) {
                ++end;
            }
            if (end - i >= minPiece) {
                pieces.push_back(Ruling{horizontal, (j + 0.5) / pixelsPerPoint, i / pixelsPerPoint,
                                        end / pixelsPerPoint});
            }
            i = end;
        }
    }
    return pieces;
}

// Joins pieces that lie on one line, or next to each other within the merge distance.
std::vector<Ruling> Merge(std::vector<Ruling> pieces)
{
    std::sort(pieces.begin(), pieces.end(),
              [](const Ruling& a, const Ruling& b) { return a.position < b.position; });
    DisjointSets lines(pieces.size());
    for (std::size_t a = 0; a < pieces.size(); ++a) {
        for (std::size_t b = a + 1; b < pieces.size(); ++b) {
            if (pieces[b].position - pieces[a].position > kRulingMergeDistance) {
                break;
            }
            if (pieces[b].from <= pieces[a].to + kJoinGap &&
                pieces[a].from <= pieces[b].to + kJoinGap) {
                lines.Join(a, b);
            }
        }
    }
    struct Sum
    {
        Ruling ruling;
        double weighted = 0;
        double weight = 0;
    };
    std::vector<Sum> sums(pieces.size());
    for (std::size_t index = 0; index < pieces.size(); ++index) {
        Sum& sum = sums[lines.Root(index)];
        const Ruling& piece = pieces[index];
        if (sum.weight == 0) {
            sum.ruling = piece;
        }
        sum.ruling.from = std::min(sum.ruling.from, piece.from);
        sum.ruling.to = std::max(sum.ruling.to, piece.to);
        sum.weighted += piece.position * piece.Length();
        sum.weight += piece.Length();
    }
    std::vector<Ruling> merged;
    for (Sum& sum : sums) {
        if (sum.weight > 0 && sum.ruling.Length() >= kMinRulingLength) {
            sum.ruling.position = sum.weighted / sum.weight;
            merged.push_back(sum.ruling);
        }
    }
    return merged;
}

} // namespace

std::vector<Ruling> FindRulings(const Raster& raster)
{
    if (raster.width <= 0 || raster.height <= 0 || raster.pixelsPerPoint <= 0 ||
        raster.grey.size() < static_cast<std::size_t>(raster.width) * raster.height) {
        return {};
    }
    std::vector<Ruling> rulings;
    for (bool horizontal : {true, false}) {
        std::vector<Ruling> pieces;
        for (unsigned char level : kInkLevels) {
            const std::vector<Ruling> found =
                Pieces(Axis(raster, horizontal, level), horizontal, raster.pixelsPerPoint);
            pieces.insert(pieces.end(), found.begin(), found.end());
        }
        const std::vector<Ruling> merged = Merge(std::move(pieces));
        rulings.insert(rulings.end(), merged.begin(), merged.end());
    }
    return rulings;
}

} // namespace Layout
