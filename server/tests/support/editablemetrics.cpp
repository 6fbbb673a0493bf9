#include "editablemetrics.h"

#include "textcompare.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <tuple>

namespace EditableMetrics {
namespace {

using EditableCorpus::BlockKind;
using EditableCorpus::Truth;
using EditableCorpus::TruthBlock;

bool IsTextBlock(const TruthBlock& block)
{
    return block.kind == BlockKind::Paragraph || block.kind == BlockKind::ListItem;
}

bool IsBodyParagraph(const OoxmlContent::WordParagraph& paragraph)
{
    return !paragraph.inTextBox && !paragraph.inTable;
}

// The positions of a table that hold text: merged cells' top left positions, not empty ones.
std::vector<std::pair<int, int>> FilledCells(const TextGrid& table)
{
    std::vector<std::pair<int, int>> cells;
    for (int row = 0; row < table.Rows(); ++row) {
        for (int column = 0; column < table.Columns(); ++column) {
            if (!table.Covered(row, column) &&
                !TextCompare::NormaliseSpace(table.cells[row][column]).empty()) {
                cells.emplace_back(row, column);
            }
        }
    }
    return cells;
}

// Marks and returns the first unused candidate alike `text`, or -1.
int TakeAlike(const std::string& text, const std::vector<std::string>& candidates,
              std::vector<bool>& used)
{
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (!used[i] && TextCompare::Alike(text, candidates[i], kSameText)) {
            used[i] = true;
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CellsInPlace(const TextGrid& source, const TextGrid& recovered)
{
    int found = 0;
    for (const auto& [row, column] : FilledCells(source)) {
        if (row < recovered.Rows() && column < recovered.Columns() &&
            TextCompare::Alike(source.cells[row][column], recovered.cells[row][column],
                               kSameText)) {
            ++found;
        }
    }
    return found;
}

Share TableCells(const Truth& truth, const std::vector<TextGrid>& recovered)
{
    Share share;
    std::vector<bool> used(recovered.size(), false);
    for (const TruthBlock& block : truth.body) {
        if (block.kind != BlockKind::Table) {
            continue;
        }
        share.total += static_cast<int>(FilledCells(block.table).size());
        int best = 0;
        int bestIndex = -1;
        for (std::size_t i = 0; i < recovered.size(); ++i) {
            const int found = used[i] ? 0 : CellsInPlace(block.table, recovered[i]);
            if (found > best) {
                best = found;
                bestIndex = static_cast<int>(i);
            }
        }
        if (bestIndex >= 0) {
            used[bestIndex] = true;
            share.found += best;
        }
    }
    return share;
}

std::size_t Occurrences(const std::string& haystack, const std::string& needle)
{
    std::size_t count = 0;
    for (std::size_t at = haystack.find(needle); !needle.empty() && at != std::string::npos;
         at = haystack.find(needle, at + needle.size())) {
        ++count;
    }
    return count;
}

// "1,840" and "84.50" as numbers; false for other text.
bool ParseNumber(const std::string& text, double& value)
{
    std::string digits;
    for (char c : TextCompare::NormaliseSpace(text)) {
        if (c != ',') {
            digits += c;
        }
    }
    char* end = nullptr;
    value = std::strtod(digits.c_str(), &end);
    return !digits.empty() && end != nullptr && *end == '\0';
}

bool SameCell(const std::string& source, const OoxmlContent::SheetCell& cell)
{
    double number = 0;
    if (cell.numeric && ParseNumber(source, number)) {
        return std::abs(number - cell.number) <= 1e-9 * std::max(1.0, std::abs(number));
    }
    return TextCompare::Alike(source, cell.text, kSameText);
}

} // namespace

Share& Share::operator+=(const Share& other)
{
    found += other.found;
    total += other.total;
    return *this;
}

double TextScore::Accuracy() const
{
    return length == 0 ? 1.0 : 1.0 - static_cast<double>(distance) / static_cast<double>(length);
}

TextScore& TextScore::operator+=(const TextScore& other)
{
    distance += other.distance;
    length += other.length;
    return *this;
}

WordScore& WordScore::operator+=(const WordScore& other)
{
    text += other.text;
    paragraphs += other.paragraphs;
    tableCells += other.tableCells;
    headings += other.headings;
    headingsAtLevel += other.headingsAtLevel;
    pictures += other.pictures;
    headerFooterLeaked += other.headerFooterLeaked;
    return *this;
}

std::string SourceText(const Truth& truth)
{
    std::string text;
    for (const TruthBlock& block : truth.body) {
        if (block.kind == BlockKind::Table) {
            for (const auto& [row, column] : FilledCells(block.table)) {
                text += block.table.cells[row][column] + " ";
            }
        } else {
            text += block.text + " ";
        }
    }
    return TextCompare::NormaliseSpace(text);
}

WordScore ScoreWord(const Truth& truth, const OoxmlContent::WordContent& word)
{
    WordScore score;
    std::string recovered;
    std::vector<std::string> bodyTexts;
    std::vector<std::string> headingTexts;
    std::vector<int> headingLevels;
    for (const OoxmlContent::WordParagraph& paragraph : word.paragraphs) {
        recovered += paragraph.text + " ";
        if (IsBodyParagraph(paragraph)) {
            bodyTexts.push_back(paragraph.text);
            if (paragraph.headingLevel > 0) {
                headingTexts.push_back(paragraph.text);
                headingLevels.push_back(paragraph.headingLevel);
            }
        }
    }
    recovered = TextCompare::NormaliseSpace(recovered);
    const std::u32string source = TextCompare::CodePoints(SourceText(truth));
    const std::u32string result = TextCompare::CodePoints(recovered);
    score.text = {TextCompare::EditDistance(source, result),
                  std::max(source.size(), result.size())};

    std::vector<bool> usedBody(bodyTexts.size(), false);
    std::vector<bool> usedHeadings(headingTexts.size(), false);
    int pictures = 0;
    for (const TruthBlock& block : truth.body) {
        if (IsTextBlock(block)) {
            ++score.paragraphs.total;
            score.paragraphs.found += TakeAlike(block.text, bodyTexts, usedBody) >= 0 ? 1 : 0;
        } else if (block.kind == BlockKind::Heading) {
            ++score.headings.total;
            ++score.headingsAtLevel.total;
            const int taken = TakeAlike(block.text, headingTexts, usedHeadings);
            score.headings.found += taken >= 0 ? 1 : 0;
            score.headingsAtLevel.found += taken >= 0 && headingLevels[taken] == block.level;
        } else if (block.kind == BlockKind::Picture) {
            ++pictures;
        }
    }
    score.pictures = {std::min(pictures, word.pictures), pictures};
    score.tableCells = TableCells(truth, word.tables);

    const std::set<std::string> pageTexts(truth.headerFooter.begin(), truth.headerFooter.end());
    for (const std::string& pageText : pageTexts) {
        score.headerFooterLeaked +=
            static_cast<int>(Occurrences(recovered, TextCompare::NormaliseSpace(pageText)));
    }
    return score;
}

Share ScoreSheets(const Truth& truth, const std::vector<OoxmlContent::Sheet>& sheets)
{
    Share share;
    for (const TruthBlock& block : truth.body) {
        if (block.kind != BlockKind::Table) {
            continue;
        }
        // Each source cell votes for every placement of the table that puts it on an alike
        // sheet cell; the placement with most votes is where the table went.
        std::map<std::tuple<std::size_t, int, int>, int> votes;
        const auto cells = FilledCells(block.table);
        for (const auto& [row, column] : cells) {
            for (std::size_t sheet = 0; sheet < sheets.size(); ++sheet) {
                for (const OoxmlContent::SheetCell& cell : sheets[sheet].cells) {
                    if (SameCell(block.table.cells[row][column], cell)) {
                        ++votes[{sheet, cell.row - row, cell.column - column}];
                    }
                }
            }
        }
        int best = 0;
        for (const auto& [placement, count] : votes) {
            best = std::max(best, count);
        }
        share.found += best;
        share.total += static_cast<int>(cells.size());
    }
    return share;
}

Share ScoreSlides(const Truth& truth, const std::vector<OoxmlContent::Slide>& slides)
{
    std::vector<std::string> framed;
    for (const OoxmlContent::Slide& slide : slides) {
        for (const OoxmlContent::SlideFrame& frame : slide.frames) {
            framed.insert(framed.end(), frame.paragraphs.begin(), frame.paragraphs.end());
        }
    }
    std::vector<bool> used(framed.size(), false);
    Share share;
    for (const TruthBlock& block : truth.body) {
        if (IsTextBlock(block)) {
            ++share.total;
            share.found += TakeAlike(block.text, framed, used) >= 0 ? 1 : 0;
        }
    }
    return share;
}

} // namespace EditableMetrics
