#include "readingorder.h"

#include <algorithm>

namespace Layout {
namespace {

// The narrowest gap between columns, and how much of it rows must share.
constexpr double columnGap = 7;
constexpr double sharedGap = 3;
constexpr double lineInset = 0.2;
constexpr double apartGap = 0.25;

struct Interval
{
    double from = 0;
    double to = 0;
};

// Elements that overlap vertically, top to bottom.
std::vector<std::vector<Element>> Strips(std::vector<Element> elements)
{
    std::sort(elements.begin(), elements.end(),
              [](const Element& a, const Element& b) { return a.box.top < b.box.top; });
    std::vector<std::vector<Element>> strips;
    double bottom = 0;
    for (const Element& element : elements) {
        // Lines' boxes run from ascender to descender and overlap their neighbours' a little.
        const double inset = lineInset * element.box.Height();
        if (strips.empty() || element.box.top + inset >= bottom) {
            strips.emplace_back();
            bottom = element.box.bottom - inset;
        }
        strips.back().push_back(element);
        bottom = std::max(bottom, element.box.bottom - inset);
    }
    return strips;
}

// The horizontal gaps between a strip's elements that are wide enough to part columns.
std::vector<Interval> Gaps(const std::vector<Element>& strip)
{
    std::vector<Interval> spans;
    for (const Element& element : strip) {
        spans.push_back({element.box.left, element.box.right});
    }
    std::sort(spans.begin(), spans.end(),
              [](const Interval& a, const Interval& b) { return a.from < b.from; });
    std::vector<Interval> gaps;
    double right = spans.empty() ? 0 : spans.front().to;
    for (std::size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].from - right >= columnGap) {
            gaps.push_back({right, spans[i].from});
        }
        right = std::max(right, spans[i].to);
    }
    return gaps;
}

bool Crosses(const std::vector<Element>& strip, const Interval& gap)
{
    return std::any_of(strip.begin(), strip.end(), [&](const Element& element) {
        return element.box.left < gap.to - 1 && element.box.right > gap.from + 1;
    });
}

// The gaps both sets share, at least `sharedGap` wide.
std::vector<Interval> Shared(const std::vector<Interval>& band, const std::vector<Interval>& strip)
{
    std::vector<Interval> shared;
    for (const Interval& a : band) {
        for (const Interval& b : strip) {
            const Interval both{std::max(a.from, b.from), std::min(a.to, b.to)};
            if (both.to - both.from >= sharedGap) {
                shared.push_back(both);
            }
        }
    }
    return shared;
}

double Top(const std::vector<Element>& strip)
{
    double top = strip.front().box.top;
    for (const Element& element : strip) {
        top = std::min(top, element.box.top);
    }
    return top;
}

double Bottom(const std::vector<Element>& strip)
{
    double bottom = strip.front().box.bottom;
    for (const Element& element : strip) {
        bottom = std::max(bottom, element.box.bottom);
    }
    return bottom;
}

std::size_t ColumnOf(const Element& element, const std::vector<Interval>& gaps)
{
    const double middle = (element.box.left + element.box.right) / 2;
    return static_cast<std::size_t>(std::count_if(
        gaps.begin(), gaps.end(), [&](const Interval& gap) { return middle > gap.to; }));
}

// Whether row `strip` stands apart from the line above it in its column, by more than lines
// of one paragraph do, among the rows from `first` on.
bool SetApart(const std::vector<std::vector<Element>>& strips, std::size_t first, std::size_t strip,
              const std::vector<Interval>& gaps)
{
    const std::size_t column = ColumnOf(strips[strip].front(), gaps);
    for (std::size_t above = strip; above-- > first;) {
        for (const Element& element : strips[above]) {
            if (ColumnOf(element, gaps) == column) {
                return Top(strips[strip]) - element.box.bottom >
                       apartGap * (Bottom(strips[strip]) - Top(strips[strip]));
            }
        }
    }
    return false;
}

void Append(std::vector<Flow>& flows, const std::vector<Element>& elements, bool newFlow)
{
    if (newFlow || flows.empty()) {
        flows.emplace_back();
    }
    Flow& flow = flows.back();
    flow.insert(flow.end(), elements.begin(), elements.end());
}

void Order(std::vector<Element> elements, std::vector<Flow>& flows);

// Reads strips [first, last) that share the column gaps `gaps`, column by column.
void ReadColumns(const std::vector<std::vector<Element>>& strips, std::size_t first,
                 std::size_t last, const std::vector<Interval>& gaps, std::vector<Flow>& flows)
{
    std::vector<std::vector<Element>> columns(gaps.size() + 1);
    for (std::size_t s = first; s < last; ++s) {
        for (const Element& element : strips[s]) {
            columns[ColumnOf(element, gaps)].push_back(element);
        }
    }
    for (std::vector<Element>& column : columns) {
        if (!column.empty()) {
            flows.emplace_back();
            Order(std::move(column), flows);
        }
    }
    flows.emplace_back();
}

void Order(std::vector<Element> elements, std::vector<Flow>& flows)
{
    const std::vector<std::vector<Element>> strips = Strips(std::move(elements));
    std::size_t s = 0;
    while (s < strips.size()) {
        std::vector<Interval> gaps = Gaps(strips[s]);
        std::size_t end = s + 1;
        std::size_t lastParted = s;
        int parted = gaps.empty() ? 0 : 1;
        while (!gaps.empty() && end < strips.size()) {
            const std::vector<Interval> shared = Shared(gaps, Gaps(strips[end]));
            if (!shared.empty()) {
                gaps = shared;
                ++parted;
                lastParted = end;
            } else if (std::any_of(gaps.begin(), gaps.end(), [&](const Interval& gap) {
                           return Crosses(strips[end], gap);
                       })) {
                break;
            }
            ++end;
        }
        // After the last row in columns, a row that follows its column's last line closely
        // still ends that column; one set apart starts what follows the columns.
        std::size_t tail = lastParted + 1;
        while (tail < end && !SetApart(strips, s, tail, gaps)) {
            ++tail;
        }
        end = tail;
        if (parted >= 2) {
            ReadColumns(strips, s, end, gaps, flows);
            s = end;
            continue;
        }
        std::vector<Element> row = strips[s];
        std::sort(row.begin(), row.end(),
                  [](const Element& a, const Element& b) { return a.box.left < b.box.left; });
        Append(flows, row, false);
        ++s;
    }
}

} // namespace

std::vector<Flow> ReadingOrder(std::vector<Element> elements)
{
    std::vector<Flow> flows;
    Order(std::move(elements), flows);
    flows.erase(
        std::remove_if(flows.begin(), flows.end(), [](const Flow& flow) { return flow.empty(); }),
        flows.end());
    return flows;
}

} // namespace Layout
