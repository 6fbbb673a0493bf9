#include "textjoin.h"

#include <cctype>

namespace Layout {
namespace {

char32_t Decode(std::string_view text, std::size_t start)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(start);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || start + static_cast<std::size_t>(length) > text.size()) {
        return 0xFFFD;
    }
    if (length == 1) {
        return lead;
    }
    char32_t codePoint = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        codePoint = (codePoint << 6) | (byte(start + static_cast<std::size_t>(i)) & 0x3F);
    }
    return codePoint;
}

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

bool IsCjkPunctuation(char32_t c)
{
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF0F) ||
           (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
           (c >= 0xFF5B && c <= 0xFF65);
}

} // namespace

bool IsCjk(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FFFF);
}

char32_t FirstCodePoint(std::string_view text)
{
    return text.empty() ? 0 : Decode(text, 0);
}

char32_t LastCodePoint(std::string_view text)
{
    if (text.empty()) {
        return 0;
    }
    std::size_t start = text.size() - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
        --start;
    }
    return Decode(text, start);
}

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
