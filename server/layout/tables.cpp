#include "tables.h"

#include "disjointsets.h"
#include "textcolumns.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace Layout {
namespace {

constexpr double kTouch = 3;         // points a line may stop short of one it meets
constexpr double kThinBand = 5;      // points; a narrower empty row or column is a doubled line
constexpr double kBorderShare = 0.5; // of a cell's side drawn, for the side to separate cells
constexpr double kRuleExtentShare = 0.05; // of their length, by which stacked rules may differ

struct Point
{
    double x = 0;
    double y = 0;
};

Point Centre(const Box& box)
{
    return {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

bool Inside(const Point& point, const Box& box)
{
    return point.x >= box.left && point.x <= box.right && point.y >= box.top &&
           point.y <= box.bottom;
}

// How much of [from, to] the given stretches cover.
double Covered(std::vector<std::pair<double, double>> stretches, double from, double to)
{
    std::sort(stretches.begin(), stretches.end());
    double covered = 0;
    double reached = from;
    for (auto [start, end] : stretches) {
        start = std::max(start, reached);
        end = std::min(end, to);
        if (end > start) {
            covered += end - start;
            reached = end;
        }
    }
    return covered;
}

// A stroke of a glyph (a long dash, a tall letter, joined serifs) lies inside words' boxes,
// and a line that ran into a glyph stops where the glyph's word starts.
std::optional<Ruling> WithoutText(Ruling ruling, const std::vector<Word>& words)
{
    std::vector<std::pair<double, double>> covering;
    for (const Word& word : words) {
        const Box& box = word.box;
        const double margin = 0.15 * box.Height();
        if (ruling.horizontal && ruling.position > box.top + margin &&
            ruling.position < box.bottom - margin) {
            covering.emplace_back(box.left, box.right);
        } else if (!ruling.horizontal && ruling.position > box.left &&
                   ruling.position < box.right) {
            covering.emplace_back(box.top, box.bottom);
        }
    }
    if (Covered(covering, ruling.from, ruling.to) >= 0.5 * ruling.Length()) {
        return std::nullopt;
    }
    for (bool trimmed = true; trimmed;) {
        trimmed = false;
        for (const auto& [start, end] : covering) {
            if (start <= ruling.from && end > ruling.from) {
                ruling.from = end;
                trimmed = true;
            }
            if (start < ruling.to && end >= ruling.to) {
                ruling.to = start;
                trimmed = true;
            }
        }
    }
    if (ruling.Length() < kMinRulingLength) {
        return std::nullopt;
    }
    return ruling;
}

// Lines drawn in a picture are the picture's, unless the page is a scan whose text was
// recognised: then its lines are the page's.
bool InsidePicture(const Ruling& ruling, const std::vector<Picture>& pictures)
{
    const double middle = (ruling.from + ruling.to) / 2;
    const Point point =
        ruling.horizontal ? Point{middle, ruling.position} : Point{ruling.position, middle};
    return std::any_of(pictures.begin(), pictures.end(),
                       [&](const Picture& picture) { return Inside(point, picture.box); });
}

bool Meet(const Ruling& a, const Ruling& b)
{
    return a.horizontal != b.horizontal && b.position >= a.from - kTouch &&
           b.position <= a.to + kTouch && a.position >= b.from - kTouch &&
           a.position <= b.to + kTouch;
}

// Sets of lines that meet one another.
std::vector<std::vector<Ruling>> ConnectedLines(const std::vector<Ruling>& rulings)
{
    DisjointSets meeting(rulings.size());
    for (std::size_t a = 0; a < rulings.size(); ++a) {
        for (std::size_t b = a + 1; b < rulings.size(); ++b) {
            if (Meet(rulings[a], rulings[b])) {
                meeting.Join(a, b);
            }
        }
    }
    std::map<std::size_t, std::vector<Ruling>> sets;
    for (std::size_t index = 0; index < rulings.size(); ++index) {
        sets[meeting.Root(index)].push_back(rulings[index]);
    }
    std::vector<std::vector<Ruling>> connected;
    for (auto& [root, set] : sets) {
        connected.push_back(std::move(set));
    }
    return connected;
}

// Positions closer than kTouch as one, in order.
std::vector<double> Edges(std::vector<double> positions)
{
    std::sort(positions.begin(), positions.end());
    std::vector<double> edges;
    std::size_t count = 0;
    for (double position : positions) {
        if (!edges.empty() && position - edges.back() <= kTouch) {
            edges.back() += (position - edges.back()) / static_cast<double>(++count);
        } else {
            edges.push_back(position);
            count = 1;
        }
    }
    return edges;
}

// Two edges with a thin band and no text between them are the two sides of one thick line.
void DropThinBands(std::vector<double>& edges, const std::vector<double>& textCentres)
{
    for (std::size_t index = 1; index < edges.size();) {
        const double from = edges[index - 1];
        const double to = edges[index];
        const bool empty = std::none_of(textCentres.begin(), textCentres.end(), [&](double centre) {
            return centre > from && centre < to;
        });
        if (to - from < kThinBand && empty) {
            edges[index - 1] = (from + to) / 2;
            edges.erase(edges.begin() + static_cast<std::ptrdiff_t>(index));
        } else {
            ++index;
        }
    }
}

class Grid
{
public:
    Grid(std::vector<Ruling> lines, const std::vector<Word>& words) : lines(std::move(lines))
    {
        std::vector<double> xs, ys;
        double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
        for (const Ruling& line : this->lines) {
            (line.horizontal ? ys : xs).push_back(line.position);
            if (line.horizontal) {
                left = std::min(left, line.from);
                right = std::max(right, line.to);
            } else {
                top = std::min(top, line.from);
                bottom = std::max(bottom, line.to);
            }
        }
        xs.insert(xs.end(), {left, right});
        ys.insert(ys.end(), {top, bottom});
        columnEdges = Edges(xs);
        rowEdges = Edges(ys);
        const Box box{columnEdges.front(), rowEdges.front(), columnEdges.back(), rowEdges.back()};
        std::vector<double> centreXs, centreYs;
        for (const Word& word : words) {
            const Point centre = Centre(word.box);
            if (Inside(centre, box)) {
                centreXs.push_back(centre.x);
                centreYs.push_back(centre.y);
            }
        }
        DropThinBands(columnEdges, centreXs);
        DropThinBands(rowEdges, centreYs);
    }

    int Rows() const { return static_cast<int>(rowEdges.size()) - 1; }
    int Columns() const { return static_cast<int>(columnEdges.size()) - 1; }
    Box Bounds() const
    {
        return Box{columnEdges.front(), rowEdges.front(), columnEdges.back(), rowEdges.back()};
    }

    // Grid cells that no drawn line separates, as rectangles of them: the table's cells.
    std::vector<FoundCell> Cells() const
    {
        const int rows = Rows();
        const int columns = Columns();
        const auto at = [&](int row, int column) {
            return static_cast<std::size_t>(row) * columns + column;
        };
        DisjointSets merged(static_cast<std::size_t>(rows) * columns);
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                if (column + 1 < columns &&
                    !Drawn(false, columnEdges[column + 1], rowEdges[row], rowEdges[row + 1])) {
                    merged.Join(at(row, column), at(row, column + 1));
                }
                if (row + 1 < rows &&
                    !Drawn(true, rowEdges[row + 1], columnEdges[column], columnEdges[column + 1])) {
                    merged.Join(at(row, column), at(row + 1, column));
                }
            }
        }
        // A merged area that is not a rectangle takes in the rest of its bounding rectangle.
        for (bool changed = true; changed;) {
            changed = false;
            std::map<std::size_t, FoundCell> areas = Areas(merged, rows, columns);
            for (const auto& [root, area] : areas) {
                for (int row = area.row; row < area.row + area.rowSpan; ++row) {
                    for (int column = area.column; column < area.column + area.columnSpan;
                         ++column) {
                        if (merged.Root(at(row, column)) != merged.Root(root)) {
                            merged.Join(root, at(row, column));
                            changed = true;
                        }
                    }
                }
            }
        }
        std::vector<FoundCell> cells;
        for (auto& [root, area] : Areas(merged, rows, columns)) {
            cells.push_back(area);
        }
        std::sort(cells.begin(), cells.end(), [](const FoundCell& a, const FoundCell& b) {
            return std::pair(a.row, a.column) < std::pair(b.row, b.column);
        });
        return cells;
    }

    // The grid cell a point falls in.
    std::pair<int, int> CellAt(const Point& point) const
    {
        const auto index = [](const std::vector<double>& edges, double value) {
            const auto after = std::upper_bound(edges.begin() + 1, edges.end() - 1, value);
            return static_cast<int>(after - edges.begin()) - 1;
        };
        return {index(rowEdges, point.y), index(columnEdges, point.x)};
    }

    std::vector<double> columnEdges;
    std::vector<double> rowEdges;

private:
    // Whether lines are drawn along most of [from, to] at `position`.
    bool Drawn(bool horizontal, double position, double from, double to) const
    {
        std::vector<std::pair<double, double>> drawn;
        for (const Ruling& line : lines) {
            if (line.horizontal == horizontal && std::fabs(line.position - position) <= kTouch) {
                drawn.emplace_back(line.from, line.to);
            }
        }
        const double inner = std::max(to - from - 2 * kTouch, 0.0);
        return Covered(drawn, from + kTouch, to - kTouch) >= kBorderShare * inner;
    }

    static std::map<std::size_t, FoundCell> Areas(DisjointSets& merged, int rows, int columns)
    {
        std::map<std::size_t, FoundCell> areas;
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const std::size_t root =
                    merged.Root(static_cast<std::size_t>(row) * columns + column);
                auto [found, added] = areas.try_emplace(root, FoundCell{row, column, 1, 1, {}});
                FoundCell& area = found->second;
                area.rowSpan = std::max(area.rowSpan, row - area.row + 1);
                area.columnSpan = std::max(area.columnSpan, column - area.column + 1);
                if (column < area.column) {
                    area.columnSpan += area.column - column;
                    area.column = column;
                }
            }
        }
        return areas;
    }

    std::vector<Ruling> lines;
};

// The words of `which` as a cell's reading order: line by line.
std::vector<std::size_t> ReadingOrder(const std::vector<Word>& words,
                                      const std::vector<std::size_t>& which)
{
    std::vector<std::size_t> ordered;
    for (const Line& line : GroupLines(words, which, 1e9)) {
        ordered.insert(ordered.end(), line.words.begin(), line.words.end());
    }
    return ordered;
}

class TableFinder
{
public:
    explicit TableFinder(const PageContent& page) : page(page), taken(page.words.size(), false) {}

    void RuledTable(std::vector<Ruling> lines)
    {
        const Grid grid(std::move(lines), page.words);
        if (grid.Rows() < 1 || grid.Columns() < 1) {
            return;
        }
        FoundTable table;
        table.box = grid.Bounds();
        table.columnEdges = grid.columnEdges;
        table.rowEdges = grid.rowEdges;
        table.cells = grid.Cells();
        table.ruled = true;
        std::map<std::pair<int, int>, std::size_t> cellOf; // grid cell to table cell
        for (std::size_t index = 0; index < table.cells.size(); ++index) {
            const FoundCell& cell = table.cells[index];
            for (int row = cell.row; row < cell.row + cell.rowSpan; ++row) {
                for (int column = cell.column; column < cell.column + cell.columnSpan; ++column) {
                    cellOf[{row, column}] = index;
                }
            }
        }
        std::vector<std::size_t> inside;
        for (std::size_t word = 0; word < page.words.size(); ++word) {
            const Point centre = Centre(page.words[word].box);
            if (!taken[word] && Inside(centre, table.box)) {
                table.cells[cellOf[grid.CellAt(centre)]].words.push_back(word);
                inside.push_back(word);
            }
        }
        const auto withText =
            std::count_if(table.cells.begin(), table.cells.end(),
                          [](const FoundCell& cell) { return !cell.words.empty(); });
        const bool grid2x2 = grid.Rows() >= 2 && grid.Columns() >= 2;
        if (table.cells.size() < 2 || withText == 0 || (!grid2x2 && withText < 2)) {
            return; // a frame around text, a lone line, or lines of a drawing
        }
        for (FoundCell& cell : table.cells) {
            cell.words = ReadingOrder(page.words, cell.words);
        }
        Take(inside);
        tables.push_back(std::move(table));
    }

    // Horizontal rules of one length stacked above each other, with text in columns between.
    void RuleTables(std::vector<Ruling> rules)
    {
        std::sort(rules.begin(), rules.end(),
                  [](const Ruling& a, const Ruling& b) { return a.position < b.position; });
        std::vector<bool> used(rules.size(), false);
        for (std::size_t first = 0; first < rules.size(); ++first) {
            if (used[first]) {
                continue;
            }
            std::vector<std::size_t> stack{first};
            const double slack = std::max(kTouch * 2, kRuleExtentShare * rules[first].Length());
            for (std::size_t next = first + 1; next < rules.size(); ++next) {
                if (!used[next] && std::fabs(rules[next].from - rules[first].from) <= slack &&
                    std::fabs(rules[next].to - rules[first].to) <= slack) {
                    stack.push_back(next);
                }
            }
            // The widest run of the stack that holds a table.
            for (std::size_t top = 0; top + 1 < stack.size(); ++top) {
                for (std::size_t bottom = stack.size() - 1; bottom > top; --bottom) {
                    if (RuleTable(rules, stack[top], stack[bottom])) {
                        for (std::size_t index = top; index <= bottom; ++index) {
                            used[stack[index]] = true;
                        }
                        top = bottom;
                        break;
                    }
                }
            }
        }
    }

    void AlignedTables()
    {
        std::vector<std::size_t> free;
        for (std::size_t word = 0; word < page.words.size(); ++word) {
            if (!taken[word]) {
                free.push_back(word);
            }
        }
        for (FoundTable& table : FindAlignedTables(page.words, free)) {
            for (const FoundCell& cell : table.cells) {
                Take(cell.words);
            }
            tables.push_back(std::move(table));
        }
    }

    std::vector<FoundTable> Result()
    {
        std::stable_sort(
            tables.begin(), tables.end(),
            [](const FoundTable& a, const FoundTable& b) { return a.box.top < b.box.top; });
        return std::move(tables);
    }

private:
    bool RuleTable(const std::vector<Ruling>& rules, std::size_t top, std::size_t bottom)
    {
        const Box box{std::min(rules[top].from, rules[bottom].from), rules[top].position,
                      std::max(rules[top].to, rules[bottom].to), rules[bottom].position};
        std::vector<std::size_t> inside;
        for (std::size_t word = 0; word < page.words.size(); ++word) {
            if (!taken[word] && Inside(Centre(page.words[word].box), box)) {
                inside.push_back(word);
            }
        }
        std::vector<double> between;
        for (std::size_t index = top + 1; index < bottom; ++index) {
            between.push_back(rules[index].position);
        }
        std::optional<FoundTable> table =
            TableFromRows(page.words, TextRows(page.words, inside), between);
        if (!table || table->rowEdges.size() < 3) {
            return false;
        }
        table->columnEdges.front() = box.left;
        table->columnEdges.back() = box.right;
        table->rowEdges.front() = box.top;
        table->rowEdges.back() = box.bottom;
        table->box = box;
        table->ruled = true;
        Take(inside);
        tables.push_back(std::move(*table));
        return true;
    }

    void Take(const std::vector<std::size_t>& words)
    {
        for (std::size_t word : words) {
            taken[word] = true;
        }
    }

    const PageContent& page;
    std::vector<bool> taken;
    std::vector<FoundTable> tables;
};

} // namespace

std::vector<FoundTable> FindTables(const PageContent& page, const std::vector<Ruling>& rulings)
{
    std::vector<Ruling> lines;
    for (const Ruling& ruling : rulings) {
        const std::optional<Ruling> line = WithoutText(ruling, page.words);
        if (line && (page.recognised || !InsidePicture(*line, page.pictures))) {
            lines.push_back(*line);
        }
    }
    TableFinder finder(page);
    std::vector<Ruling> loneRules;
    for (std::vector<Ruling>& connected : ConnectedLines(lines)) {
        const auto horizontals = std::count_if(connected.begin(), connected.end(),
                                               [](const Ruling& line) { return line.horizontal; });
        const auto verticals = static_cast<std::ptrdiff_t>(connected.size()) - horizontals;
        if (verticals == 0) {
            loneRules.insert(loneRules.end(), connected.begin(), connected.end());
        } else if (horizontals >= 2) {
            finder.RuledTable(std::move(connected));
        }
    }
    finder.RuleTables(std::move(loneRules));
    finder.AlignedTables();
    return finder.Result();
}

} // namespace Layout
