#include "headersfooters.h"

#include "lines.h"
#include "textjoin.h"

#include <cctype>
#include <limits>
#include <map>
#include <optional>
#include <regex>
#include <set>

namespace Layout {
namespace {

// How near the page's top or bottom edge a running header or footer stands, as a share of
// the page's height.
constexpr double edgeZone = 0.12;
// Page numbers are short; longer text is never matched against their patterns.
constexpr std::size_t longestPageNumber = 40;
constexpr std::size_t longestCountedNumber = 9; // digits

// A line's text cut at its numbers: the rest with each number as "#", and the numbers.
struct Tokens
{
    std::string key;
    std::vector<std::string> numbers;
};

struct EdgeLine
{
    std::size_t page = 0;
    std::vector<std::size_t> words;
    std::string key; // top or bottom, then the text with its numbers left out
    std::vector<std::string> numbers;
};

std::string LineText(const std::vector<Word>& words, const Line& line)
{
    std::string text;
    for (std::size_t i = 0; i < line.words.size(); ++i) {
        if (i > 0 && SpaceBetweenWords(words[line.words[i - 1]], words[line.words[i]])) {
            text += ' ';
        }
        text += words[line.words[i]].text;
    }
    return text;
}

Tokens Tokenise(const std::string& text)
{
    Tokens tokens;
    for (std::size_t at = 0; at < text.size();) {
        if (!std::isdigit(static_cast<unsigned char>(text[at]))) {
            tokens.key += text[at++];
            continue;
        }
        const std::size_t start = at;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
            ++at;
        }
        tokens.key += '#';
        tokens.numbers.push_back(text.substr(start, at - start));
    }
    return tokens;
}

// A number's value, or none when it is too long to count pages with.
std::optional<long> Value(const std::string& digits)
{
    return digits.size() <= longestCountedNumber ? std::optional(std::stol(digits)) : std::nullopt;
}

// Lines of one text but for their numbers run on every page they stand on when each number
// stays the same or counts the pages: "Page 3 of 9", not "Section 4" and "Section 9".
bool Running(const std::vector<const EdgeLine*>& lines)
{
    std::set<std::size_t> pages;
    for (const EdgeLine* line : lines) {
        pages.insert(line->page);
    }
    if (pages.size() < 2) {
        return false;
    }
    const EdgeLine& first = *lines.front();
    for (std::size_t k = 0; k < first.numbers.size(); ++k) {
        bool same = true;
        bool counts = true;
        const auto firstValue = Value(first.numbers[k]);
        for (const EdgeLine* line : lines) {
            same = same && line->numbers[k] == first.numbers[k];
            const auto value = Value(line->numbers[k]);
            counts = counts && value && firstValue &&
                     *value - static_cast<long>(line->page) ==
                         *firstValue - static_cast<long>(first.page);
        }
        if (!same && !counts) {
            return false;
        }
    }
    return true;
}

void Mark(std::vector<bool>& running, const std::vector<std::size_t>& words)
{
    for (std::size_t word : words) {
        running[word] = true;
    }
}

} // namespace

bool IsPageNumber(const std::string& text)
{
    if (text.size() > longestPageNumber) {
        return false;
    }
    static const std::regex number(
        R"(^\s*([-–—]\s*)?\d{1,4}(\s*[-–—])?\s*$|^\s*(Page|page|PAGE|p\.)\s*\d{1,4}(\s*(of|/)\s*\d{1,4})?\s*$|^\s*\d{1,4}\s*/\s*\d{1,4}\s*$|^\s*第\s*\d{1,4}\s*页(\s*[，,]?\s*共\s*\d{1,4}\s*页)?\s*$)");
    return std::regex_match(text, number);
}

std::vector<std::vector<bool>> FindHeadersAndFooters(const std::vector<PageContent>& pages)
{
    std::vector<std::vector<bool>> running(pages.size());
    std::vector<EdgeLine> edges;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const PageContent& page = pages[p];
        running[p].assign(page.words.size(), false);
        for (const Line& line : GroupLines(page.words, AllWords(page.words), 1.0)) {
            const bool top = line.box.bottom < edgeZone * page.height;
            const bool bottom = line.box.top > (1 - edgeZone) * page.height;
            if (top || bottom) {
                Tokens tokens = Tokenise(LineText(page.words, line));
                edges.push_back(EdgeLine{p, line.words, (top ? "t:" : "b:") + tokens.key,
                                         std::move(tokens.numbers)});
            }
        }
        // A page number stands alone on the page's first or last row, nothing beside it: a
        // number in the last row of a table is the table's.
        const std::vector<Line> rows =
            GroupLines(page.words, AllWords(page.words), std::numeric_limits<double>::infinity());
        for (const Line* row :
             {rows.empty() ? nullptr : &rows.front(), rows.empty() ? nullptr : &rows.back()}) {
            const bool nearEdge = row != nullptr && (row->box.bottom < edgeZone * page.height ||
                                                     row->box.top > (1 - edgeZone) * page.height);
            if (nearEdge && IsPageNumber(LineText(page.words, *row))) {
                Mark(running[p], row->words);
            }
        }
    }
    std::map<std::string, std::vector<const EdgeLine*>> linesOfKey;
    for (const EdgeLine& edge : edges) {
        linesOfKey[edge.key].push_back(&edge);
    }
    for (const auto& [key, lines] : linesOfKey) {
        if (Running(lines)) {
            for (const EdgeLine* line : lines) {
                Mark(running[line->page], line->words);
            }
        }
    }
    return running;
}

} // namespace Layout
