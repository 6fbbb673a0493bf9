#include "headings.h"

#include "textjoin.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace Layout {
namespace {

constexpr double largerThanBody = 1.12;
constexpr int longestHeadingLines = 3;
constexpr std::size_t longestHeadingBytes = 240;

double BodySize(const std::vector<DraftParagraph*>& paragraphs)
{
    std::map<long, std::size_t> characters; // half points
    for (const DraftParagraph* draft : paragraphs) {
        characters[std::lround(draft->fontSize * 2)] += draft->characters;
    }
    const auto most =
        std::max_element(characters.begin(), characters.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    return most == characters.end() ? 10 : most->first / 2.0;
}

bool EndsSentence(const DraftParagraph& draft)
{
    if (draft.paragraph.runs.empty()) {
        return false;
    }
    const std::string& text = draft.paragraph.runs.back().text;
    const char32_t last = LastCodePoint(text.substr(0, text.find_last_not_of(' ') + 1));
    return last == '.' || last == ',' || last == ';' || last == U'。' || last == U'，' ||
           last == U'；';
}

// The rank of a heading: larger first; bold text of the body's size ranks after every size.
long Rank(const DraftParagraph& draft, double body)
{
    return draft.fontSize >= body * largerThanBody ? std::lround(draft.fontSize * 2) : 0;
}

bool IsHeading(const DraftParagraph& draft, double body)
{
    if (draft.lineCount > longestHeadingLines || draft.characters > longestHeadingBytes ||
        draft.characters == 0 || draft.paragraph.style == ParagraphStyle::ListBullet) {
        return false;
    }
    if (draft.fontSize >= body * largerThanBody) {
        return true;
    }
    return draft.allBold && draft.lineCount == 1 &&
           draft.paragraph.style == ParagraphStyle::Normal && draft.fontSize >= body * 0.95 &&
           !EndsSentence(draft);
}

} // namespace

void AssignHeadings(const std::vector<DraftParagraph*>& paragraphs)
{
    const double body = BodySize(paragraphs);
    std::vector<long> ranks;
    for (const DraftParagraph* draft : paragraphs) {
        if (IsHeading(*draft, body)) {
            ranks.push_back(Rank(*draft, body));
        }
    }
    std::sort(ranks.begin(), ranks.end(), std::greater<>());
    ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
    for (DraftParagraph* draft : paragraphs) {
        if (!IsHeading(*draft, body)) {
            continue;
        }
        const auto level =
            std::find(ranks.begin(), ranks.end(), Rank(*draft, body)) - ranks.begin();
        static const ParagraphStyle styles[] = {ParagraphStyle::Heading1, ParagraphStyle::Heading2,
                                                ParagraphStyle::Heading3};
        if (draft->paragraph.style == ParagraphStyle::ListNumber) {
            std::vector<Run>& runs = draft->paragraph.runs;
            runs.insert(runs.begin(), Run{draft->marker + " ", runs.front().bold,
                                          runs.front().italic, runs.front().fontSize});
        }
        draft->paragraph.style = styles[std::min<std::ptrdiff_t>(level, 2)];
        draft->paragraph.listLevel = 0;
    }
}

} // namespace Layout
