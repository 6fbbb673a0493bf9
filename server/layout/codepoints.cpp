#include "codepoints.h"

namespace Layout {

char32_t DecodeAt(std::string_view text, std::size_t& at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || at + length > text.size()) {
        ++at;
        return 0xFFFD;
    }
    char32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        codePoint = (codePoint << 6) | (byte(at + i) & 0x3F);
    }
    at += length;
    return codePoint;
}

char32_t FirstCodePoint(std::string_view text)
{
    std::size_t at = 0;
    return text.empty() ? 0 : DecodeAt(text, at);
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
    return DecodeAt(text, start);
}

bool IsCjk(char32_t c)
{
    return (c >= 0x1100 && c <= 0x11FF) || // Hangul jamo
           (c >= 0x2E80 && c <= 0x9FFF) || // radicals, punctuation, kana, ideographs
           (c >= 0xA960 && c <= 0xA97F) || // Hangul jamo extended
           (c >= 0xAC00 && c <= 0xD7FF) || // Hangul syllables
           (c >= 0xF900 && c <= 0xFAFF) || // compatibility ideographs
           (c >= 0xFE30 && c <= 0xFE4F) || // compatibility forms
           (c >= 0xFF00 && c <= 0xFFEF) || // full and half width forms
           (c >= 0x20000 && c <= 0x3FFFF); // supplementary ideographs
}

bool IsCjkPunctuation(char32_t c)
{
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF0F) ||
           (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
           (c >= 0xFF5B && c <= 0xFF65);
}

} // namespace Layout
