#include "paragraphs.h"

#include "textjoin.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <regex>

namespace Layout {
namespace {

// Paragraph breaks, in font sizes: a gap this much wider than the column's usual line gap,
// an indent of the first line, a size change as a share of the size.
constexpr double extraGap = 0.45;
constexpr double firstLineIndent = 0.9;
constexpr double sizeChange = 0.12;
constexpr double sameIndent = 0.6;
constexpr double shortLastLine = 0.3;
constexpr std::size_t longestMarker = 16; // bytes

struct LineFacts
{
    const Line* line = nullptr;
    Marker marker = Marker::None;
    double textLeft = 0; // after the marker
    bool allBold = false;
    bool allItalic = false;
};

LineFacts Facts(const std::vector<Word>& words, const Line& line)
{
    LineFacts facts;
    facts.line = &line;
    const Word& first = words[line.words.front()];
    facts.marker = line.words.size() > 1 ? ListMarker(first.text) : Marker::None;
    facts.textLeft = facts.marker == Marker::None ? line.box.left : words[line.words[1]].box.left;
    facts.allBold = std::all_of(line.words.begin(), line.words.end(),
                                [&](std::size_t i) { return words[i].bold; });
    facts.allItalic = std::all_of(line.words.begin(), line.words.end(),
                                  [&](std::size_t i) { return words[i].italic; });
    return facts;
}

bool SameSize(double a, double b)
{
    return std::abs(a - b) <= sizeChange * std::max(a, b);
}

class Builder
{
public:
    Builder(const std::vector<Word>& words, const std::vector<Line>& lines) : words_(words)
    {
        for (const Line& line : lines) {
            facts_.push_back(Facts(words, line));
            columnLeft_ = std::min(columnLeft_, line.box.left);
            columnRight_ = std::max(columnRight_, line.box.right);
        }
        std::vector<double> gaps;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const double gap = lines[i].box.top - lines[i - 1].box.bottom;
            if (gap > -0.5 * lines[i].fontSize && gap < 2 * lines[i].fontSize &&
                SameSize(lines[i].fontSize, lines[i - 1].fontSize)) {
                gaps.push_back(gap);
            }
        }
        usualGap_ = Median(gaps, 0.3 * (lines.empty() ? 10 : lines.front().fontSize));
        std::vector<double> indents;
        for (const LineFacts& facts : facts_) {
            if (facts.marker != Marker::None) {
                indents.push_back(facts.line->box.left);
            }
        }
        std::sort(indents.begin(), indents.end());
        for (double indent : indents) {
            if (markerIndents_.empty() || indent - markerIndents_.back() > 4) {
                markerIndents_.push_back(indent);
            }
        }
    }

    std::vector<DraftParagraph> Build()
    {
        for (std::size_t i = 0; i < facts_.size(); ++i) {
            if (i == 0 || Breaks(facts_[i - 1], facts_[i])) {
                Start(facts_[i]);
            }
            Append(facts_[i]);
        }
        Finish();
        return std::move(paragraphs_);
    }

private:
    bool Breaks(const LineFacts& previous, const LineFacts& next) const
    {
        const Line& above = *previous.line;
        const Line& below = *next.line;
        const double size = std::max(below.fontSize, 1.0);
        if (next.marker != Marker::None || !SameSize(above.fontSize, below.fontSize) ||
            previous.allBold != next.allBold) {
            return true;
        }
        if (below.box.top - above.box.bottom > usualGap_ + extraGap * size) {
            return true;
        }
        if (below.box.top < above.box.bottom - 0.5 * size) {
            return true; // side by side, not one under the other
        }
        if (inList_) {
            // a list item's next lines stand under its text, or under its marker
            if (std::abs(below.box.left - itemTextLeft_) > sameIndent * size &&
                std::abs(below.box.left - itemLeft_) > sameIndent * size) {
                return true;
            }
        } else if (below.box.left - columnLeft_ > firstLineIndent * size &&
                   above.box.left - columnLeft_ < sameIndent * size) {
            return true;
        }
        // lines set right, an address block say, each stand alone
        const bool setRight = above.box.left - columnLeft_ > 2 * size &&
                              std::abs(above.box.right - below.box.right) < 1 &&
                              std::abs(above.box.left - below.box.left) > size;
        if (setRight) {
            return true;
        }
        const Word& firstBelow = words_[below.words.front()];
        const double room = columnRight_ - above.box.right;
        return room > firstBelow.box.Width() + 0.5 * size;
    }

    void Start(const LineFacts& facts)
    {
        Finish();
        current_ = DraftParagraph();
        current_.allBold = true;
        inList_ = facts.marker != Marker::None;
        itemTextLeft_ = facts.textLeft;
        itemLeft_ = facts.line->box.left;
        if (inList_) {
            current_.marker = words_[facts.line->words.front()].text;
            current_.paragraph.style = facts.marker == Marker::Bullet ? ParagraphStyle::ListBullet
                                                                      : ParagraphStyle::ListNumber;
            const auto level =
                std::find_if(markerIndents_.begin(), markerIndents_.end(),
                             [&](double indent) { return facts.line->box.left - indent <= 4; });
            current_.paragraph.listLevel =
                std::min(static_cast<int>(level - markerIndents_.begin()), 2);
        }
        current_.paragraph.box = facts.line->box;
        open_ = true;
    }

    void Append(const LineFacts& facts)
    {
        const Line& line = *facts.line;
        current_.paragraph.box = Union(current_.paragraph.box, line.box);
        lastLineRight_ = line.box.right;
        ++current_.lineCount;
        sizes_.push_back(line.fontSize);
        current_.allBold = current_.allBold && facts.allBold;
        const std::size_t first = current_.lineCount == 1 && facts.marker != Marker::None ? 1 : 0;
        for (std::size_t i = first; i < line.words.size(); ++i) {
            const Word& word = words_[line.words[i]];
            bool space = false;
            if (i > first) {
                space = SpaceBetweenWords(words_[line.words[i - 1]], word);
            } else if (!current_.paragraph.runs.empty()) {
                space = SpaceAtLineBreak(lastWord_, word.text);
                Run& last = current_.paragraph.runs.back();
                last.text.resize(lastWordEnd_ - (lastWordLength_ - lastWord_.size()));
            }
            AddWord(word, space);
        }
    }

    void AddWord(const Word& word, bool spaceBefore)
    {
        std::vector<Run>& runs = current_.paragraph.runs;
        if (spaceBefore) {
            runs.back().text += ' ';
        }
        const double size = std::round(word.fontSize * 2) / 2;
        if (runs.empty() || runs.back().bold != word.bold || runs.back().italic != word.italic ||
            runs.back().fontSize != size) {
            runs.push_back(Run{{}, word.bold, word.italic, size});
        }
        runs.back().text += word.text;
        lastWord_ = word.text;
        lastWordLength_ = word.text.size();
        lastWordEnd_ = runs.back().text.size();
        current_.characters += word.text.size();
    }

    void Finish()
    {
        if (!open_) {
            return;
        }
        current_.fontSize = Median(sizes_, 10);
        sizes_.clear();
        const double left = current_.paragraph.box.left - columnLeft_;
        const double right = columnRight_ - current_.paragraph.box.right;
        const double size = std::max(current_.fontSize, 1.0);
        if (!inList_ && left > 2 * size && std::abs(left - right) < size) {
            current_.paragraph.alignment = Alignment::Centre;
        } else if (!inList_ && left > 2 * size && right < 0.5 * size) {
            current_.paragraph.alignment = Alignment::Right;
        }
        current_.opensFlow = paragraphs_.empty();
        // Ragged lines end short by up to a long word; a paragraph's last line, by more.
        current_.endsShort =
            columnRight_ - lastLineRight_ > shortLastLine * (columnRight_ - columnLeft_);
        paragraphs_.push_back(std::move(current_));
        open_ = false;
    }

    const std::vector<Word>& words_;
    std::vector<LineFacts> facts_;
    double columnLeft_ = 1e9;
    double columnRight_ = -1e9;
    double usualGap_ = 0;
    std::vector<double> markerIndents_;
    std::vector<DraftParagraph> paragraphs_;
    DraftParagraph current_;
    std::vector<double> sizes_;
    bool open_ = false;
    bool inList_ = false;
    double itemTextLeft_ = 0;
    double itemLeft_ = 0;
    double lastLineRight_ = 0;
    std::string lastWord_;
    std::size_t lastWordLength_ = 0;
    std::size_t lastWordEnd_ = 0;
};

} // namespace

Marker ListMarker(const std::string& word)
{
    if (word.size() > longestMarker) {
        return Marker::None;
    }
    static const std::vector<std::string> bullets = {"•", "◦", "▪", "▫", "■", "□", "●", "○",
                                                     "◆", "◇", "➢", "➤", "►", "▶", "✓", "✔",
                                                     "-", "–", "—", "*", "·", "※"};
    if (std::find(bullets.begin(), bullets.end(), word) != bullets.end()) {
        return Marker::Bullet;
    }
    const char32_t only = FirstCodePoint(word);
    if (only >= 0xE000 && only <= 0xF8FF && LastCodePoint(word) == only && word.size() <= 4) {
        return Marker::Bullet; // symbol fonts draw their bullets from the private use area
    }
    static const std::regex numbered(
        R"(^(\(?\d{1,3}[.)]|\(\d{1,3}\)|\d{1,3}(\.\d{1,3})+\.?|[a-zA-Z][.)]|\([a-zA-Z]\)|[ivxIVX]{1,5}[.)]|\d{1,3}、|[一二三四五六七八九十]{1,3}、|（[一二三四五六七八九十\d]{1,3}）)$)");
    return std::regex_match(word, numbered) ? Marker::Number : Marker::None;
}

std::vector<Line> AttachListMarkers(const std::vector<Word>& words, std::vector<Line> lines)
{
    std::vector<Line> attached;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Line& line = lines[i];
        if (line.words.size() == 1 && ListMarker(words[line.words.front()].text) != Marker::None) {
            // the text beside the marker: on its baseline, to its right, within a few sizes
            const auto text = std::find_if(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                           lines.end(), [&](const Line& other) {
                                               const double gap = other.box.left - line.box.right;
                                               return !other.words.empty() &&
                                                      OverlapVertically(line.box, other.box, 0.5) &&
                                                      gap > 0 &&
                                                      gap < 5 * std::max(line.fontSize, 1.0);
                                           });
            if (text != lines.end()) {
                text->words.insert(text->words.begin(), line.words.front());
                text->box = Union(text->box, line.box);
                continue;
            }
        }
        attached.push_back(std::move(line));
    }
    return attached;
}

void JoinContinuedParagraphs(std::vector<DraftParagraph*>& paragraphs)
{
    std::vector<DraftParagraph*> kept;
    for (DraftParagraph* next : paragraphs) {
        DraftParagraph* previous = kept.empty() ? nullptr : kept.back();
        if (previous != nullptr && next->opensFlow && !previous->endsShort &&
            !next->paragraph.runs.empty() && !previous->paragraph.runs.empty() &&
            previous->paragraph.style == ParagraphStyle::Normal &&
            next->paragraph.style == ParagraphStyle::Normal && previous->allBold == next->allBold &&
            SameSize(previous->fontSize, next->fontSize)) {
            std::string& last = previous->paragraph.runs.back().text;
            const char32_t end = LastCodePoint(last);
            const char32_t start = FirstCodePoint(next->paragraph.runs.front().text);
            const bool sentenceEnds = end == '.' || end == '!' || end == '?' || end == ':' ||
                                      end == U'。' || end == U'！' || end == U'？' || end == U'：';
            const bool runsOn = (start < 0x80 && std::islower(static_cast<int>(start))) ||
                                (IsCjk(start) && !sentenceEnds);
            if (runsOn && !(sentenceEnds && !IsCjk(start))) {
                std::string lastWord = last.substr(
                    last.find_last_of(' ') == std::string::npos ? 0 : last.find_last_of(' ') + 1);
                const std::size_t before = lastWord.size();
                const bool space = SpaceAtLineBreak(lastWord, next->paragraph.runs.front().text);
                last.resize(last.size() - (before - lastWord.size()));
                if (space) {
                    last += ' ';
                }
                for (Run& run : next->paragraph.runs) {
                    previous->paragraph.runs.push_back(std::move(run));
                }
                previous->characters += next->characters;
                previous->lineCount += next->lineCount;
                previous->endsShort = next->endsShort;
                next->paragraph.runs.clear();
                next->characters = 0;
                continue;
            }
        }
        kept.push_back(next);
    }
    paragraphs = std::move(kept);
}

std::vector<DraftParagraph> BuildParagraphs(const std::vector<Word>& words,
                                            const std::vector<Line>& lines)
{
    return Builder(words, lines).Build();
}

} // namespace Layout
