#include "headersfooters.h"

#include "lines.h"
#include "textjoin.h"

#include <map>
#include <regex>
#include <set>

namespace Layout {
namespace {

// How near the page's top or bottom edge a running header or footer stands, as a share of
// the page's height.
constexpr double edgeZone = 0.12;

struct EdgeLine
{
    std::size_t page = 0;
    std::vector<std::size_t> words;
    std::string key; // top or bottom, then the text with its numbers left out
    std::string text;
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

std::string WithoutNumbers(const std::string& text)
{
    static const std::regex digits("[0-9]+");
    return std::regex_replace(text, digits, "#");
}

std::vector<long> Numbers(const std::string& text)
{
    static const std::regex digits("[0-9]{1,9}");
    std::vector<long> numbers;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), digits);
         match != std::sregex_iterator(); ++match) {
        numbers.push_back(std::stol(match->str()));
    }
    return numbers;
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
    const std::vector<long> first = Numbers(lines.front()->text);
    const long firstPage = static_cast<long>(lines.front()->page);
    for (std::size_t k = 0; k < first.size(); ++k) {
        bool same = true;
        bool counts = true;
        for (const EdgeLine* line : lines) {
            const long number = Numbers(line->text)[k];
            same = same && number == first[k];
            counts = counts && number - static_cast<long>(line->page) == first[k] - firstPage;
        }
        if (!same && !counts) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsPageNumber(const std::string& text)
{
    static const std::regex number(
        R"(^\s*([-–—]\s*)?\d{1,4}(\s*[-–—])?\s*$|^\s*(Page|page|PAGE|p\.)\s*\d{1,4}(\s*(of|/)\s*\d{1,4})?\s*$|^\s*\d{1,4}\s*/\s*\d{1,4}\s*$|^\s*第\s*\d{1,4}\s*页(\s*[，,]?\s*共\s*\d{1,4}\s*页)?\s*$)");
    return std::regex_match(text, number);
}

std::vector<std::vector<bool>> FindHeadersAndFooters(const std::vector<PageContent>& pages)
{
    std::vector<EdgeLine> edges;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const PageContent& page = pages[p];
        for (const Line& line : GroupLines(page.words, AllWords(page.words), 1.0)) {
            const bool top = line.box.bottom < edgeZone * page.height;
            const bool bottom = line.box.top > (1 - edgeZone) * page.height;
            if (top || bottom) {
                const std::string text = LineText(page.words, line);
                edges.push_back(
                    EdgeLine{p, line.words, (top ? "t:" : "b:") + WithoutNumbers(text), text});
            }
        }
    }
    std::map<std::string, std::vector<const EdgeLine*>> linesOfKey;
    for (const EdgeLine& edge : edges) {
        linesOfKey[edge.key].push_back(&edge);
    }
    std::vector<std::vector<bool>> running(pages.size());
    for (std::size_t p = 0; p < pages.size(); ++p) {
        running[p].assign(pages[p].words.size(), false);
    }
    for (const EdgeLine& edge : edges) {
        if (Running(linesOfKey[edge.key]) || IsPageNumber(edge.text)) {
            for (std::size_t word : edge.words) {
                running[edge.page][word] = true;
            }
        }
    }
    return running;
}

} // namespace Layout
