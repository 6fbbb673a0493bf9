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
    std::map<std::string, std::set<std::size_t>> pagesOfKey;
    for (const EdgeLine& edge : edges) {
        pagesOfKey[edge.key].insert(edge.page);
    }
    std::vector<std::vector<bool>> running(pages.size());
    for (std::size_t p = 0; p < pages.size(); ++p) {
        running[p].assign(pages[p].words.size(), false);
    }
    for (const EdgeLine& edge : edges) {
        if (pagesOfKey[edge.key].size() >= 2 || IsPageNumber(edge.text)) {
            for (std::size_t word : edge.words) {
                running[edge.page][word] = true;
            }
        }
    }
    return running;
}

} // namespace Layout
