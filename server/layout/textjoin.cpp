#include "textjoin.h"

#include <cctype>

namespace Layout {
namespace {

bool IsLetter(char32_t codePoint)
{
    return codePoint < 0x80 ? std::isalpha(static_cast<int>(codePoint)) != 0
                            : codePoint >= 0xC0 && codePoint < 0x2000;
}

bool IsLower(char32_t codePoint)
{
    return codePoint < 0x80 ? std::islower(static_cast<int>(codePoint)) != 0
                            : codePoint >= 0xDF && codePoint < 0x250;
}

// Below this gap (in font sizes) a missing space mark still means no space.
constexpr double wordGap = 0.15;
// Chinese set with letter spacing, or recognised with gaps between the ink of its
// characters, is still one word up to this gap.
constexpr double cjkGap = 1.0;

} // namespace

bool SpaceBetweenWords(const Word& previous, const Word& next)
{
    const double gap = next.box.left - previous.box.right;
    const double size = std::max(previous.fontSize, 1.0);
    if (IsCjkPunctuation(FirstCodePoint(next.text)) ||
        IsCjkPunctuation(LastCodePoint(previous.text))) {
        return false;
    }
    if (IsCjk(LastCodePoint(previous.text)) && IsCjk(FirstCodePoint(next.text))) {
        return gap > cjkGap * size;
    }
    return previous.spaceAfter || gap > wordGap * size;
}

bool SpaceAtLineBreak(std::string& lastWord, std::string_view firstWord)
{
    if (lastWord.empty()) {
        return false;
    }
    const char32_t last = LastCodePoint(lastWord);
    const char32_t first = FirstCodePoint(firstWord);
    const std::string_view stem = std::string_view(lastWord).substr(0, lastWord.size() - 1);
    if (last == '-' && !stem.empty() && IsLetter(LastCodePoint(stem)) && IsLower(first)) {
        lastWord.pop_back();
        return false;
    }
    return !(IsCjk(last) || IsCjk(first));
}

} // namespace Layout
