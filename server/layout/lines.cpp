#include "lines.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace Layout {
namespace {

double MiddleY(const Box& box)
{
    return (box.top + box.bottom) / 2;
}

struct Row
{
    double top = 0;
    double bottom = 0;
    std::vector<std::size_t> words;
};

Line MakeLine(const std::vector<Word>& words, std::vector<std::size_t> which)
{
    Line line;
    line.box = words[which.front()].box;
    for (std::size_t index : which) {
        line.box = Union(line.box, words[index].box);
    }
    line.fontSize = CommonSize(words, which);
    line.words = std::move(which);
    return line;
}

} // namespace

double CommonSize(const std::vector<Word>& words, const std::vector<std::size_t>& which)
{
    std::map<long, std::size_t> counts; // tenths of a point, weighted by text length
    for (std::size_t index : which) {
        counts[std::lround(words[index].fontSize * 10)] += words[index].text.size();
    }
    const auto most =
        std::max_element(counts.begin(), counts.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    return most == counts.end() ? 0 : most->first / 10.0;
}

Box Union(const Box& a, const Box& b)
{
    return Box{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
}

double Median(std::vector<double> values, double otherwise)
{
    if (values.empty()) {
        return otherwise;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

bool OverlapVertically(const Box& a, const Box& b, double share)
{
    const double overlap = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    const double lower = std::min(a.Height(), b.Height());
    return overlap > 0 && overlap >= share * lower;
}

std::vector<std::size_t> AllWords(const std::vector<Word>& words)
{
    std::vector<std::size_t> all(words.size());
    std::iota(all.begin(), all.end(), 0);
    return all;
}

std::vector<Line> GroupLines(const std::vector<Word>& words, const std::vector<std::size_t>& which,
                             double gapInFontSizes)
{
    std::vector<std::size_t> sorted = which;
    std::sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) {
        return MiddleY(words[a].box) < MiddleY(words[b].box);
    });
    // A word joins the row its middle falls into; super- and subscripts overlap enough.
    std::vector<Row> rows;
    for (std::size_t index : sorted) {
        const Box& box = words[index].box;
        Row* target = nullptr;
        for (auto row = rows.rbegin(); row != rows.rend() && row->bottom > box.top; ++row) {
            if (OverlapVertically(Box{0, row->top, 1, row->bottom}, box, 0.5)) {
                target = &*row;
                break;
            }
        }
        if (target == nullptr) {
            rows.push_back(Row{box.top, box.bottom, {index}});
            continue;
        }
        target->words.push_back(index);
        const double count = static_cast<double>(target->words.size());
        target->top += (box.top - target->top) / count;
        target->bottom += (box.bottom - target->bottom) / count;
    }
    std::vector<Line> lines;
    for (Row& row : rows) {
        std::sort(row.words.begin(), row.words.end(), [&](std::size_t a, std::size_t b) {
            return words[a].box.left < words[b].box.left;
        });
        const double size = std::max(CommonSize(words, row.words), 1.0);
        std::vector<std::size_t> current;
        double right = 0;
        for (std::size_t index : row.words) {
            if (!current.empty() && words[index].box.left - right > gapInFontSizes * size) {
                lines.push_back(MakeLine(words, std::move(current)));
                current.clear();
            }
            current.push_back(index);
            right = current.size() == 1 ? words[index].box.right
                                        : std::max(right, words[index].box.right);
        }
        lines.push_back(MakeLine(words, std::move(current)));
    }
    return lines;
}

} // namespace Layout
