#include "ooxmlcommon.h"

#include "utility/utf8.h"

#include <algorithm>
#include <cmath>

namespace Layout {
namespace {

// Decodes the code point at `text[at]` of well-formed UTF-8 and advances `at` past it.
char32_t Decode(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length && at + i < text.size(); ++i) {
        code = (code << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    at += length;
    return code;
}

bool AllowedInXml(char32_t code)
{
    if (code < 0x20) {
        return code == '\t' || code == '\n' || code == '\r';
    }
    return code != 0xFFFE && code != 0xFFFF;
}

bool IsCjk(char32_t code)
{
    return (code >= 0x1100 && code <= 0x11FF) || // Hangul jamo
           (code >= 0x2E80 && code <= 0x9FFF) || // radicals, punctuation, kana, ideographs
           (code >= 0xA960 && code <= 0xA97F) || // Hangul jamo extended
           (code >= 0xAC00 && code <= 0xD7FF) || // Hangul syllables
           (code >= 0xF900 && code <= 0xFAFF) || // compatibility ideographs
           (code >= 0xFE30 && code <= 0xFE4F) || // compatibility forms
           (code >= 0xFF00 && code <= 0xFFEF) || // full and half width forms
           (code >= 0x20000 && code <= 0x3FFFF); // supplementary ideographs
}

} // namespace

std::int64_t ToEmu(double points)
{
    return std::llround(points * 12700);
}

std::int64_t ToTwips(double points)
{
    return std::llround(points * 20);
}

std::string XmlText(std::string_view text)
{
    const std::string repaired = IsValidUtf8(text) ? std::string(text) : RepairUtf8(text);
    std::string clean;
    clean.reserve(repaired.size());
    for (std::size_t at = 0; at < repaired.size();) {
        const std::size_t start = at;
        const char32_t code = Decode(repaired, at);
        if (code == '\r') {
            if (at < repaired.size() && repaired[at] == '\n') {
                ++at;
            }
            clean += '\n';
        } else if (AllowedInXml(code)) {
            clean.append(repaired, start, at - start);
        }
    }
    return clean;
}

bool HasCjk(std::string_view text)
{
    const std::string repaired = IsValidUtf8(text) ? std::string(text) : RepairUtf8(text);
    for (std::size_t at = 0; at < repaired.size();) {
        if (IsCjk(Decode(repaired, at))) {
            return true;
        }
    }
    return false;
}

std::string PictureExtension(const Picture& picture)
{
    if (picture.data.empty()) {
        return "";
    }
    if (picture.format == "png") {
        return "png";
    }
    if (picture.format == "jpeg" || picture.format == "jpg") {
        return "jpeg";
    }
    return "";
}

std::string PlainText(const Paragraph& paragraph)
{
    std::string text;
    for (const Run& run : paragraph.runs) {
        text += run.text;
    }
    return text;
}

double StyleFontSize(ParagraphStyle style)
{
    switch (style) {
    case ParagraphStyle::Heading1:
        return 16;
    case ParagraphStyle::Heading2:
        return 14;
    case ParagraphStyle::Heading3:
        return 12;
    default:
        return 11;
    }
}

bool IsHeading(ParagraphStyle style)
{
    return style == ParagraphStyle::Heading1 || style == ParagraphStyle::Heading2 ||
           style == ParagraphStyle::Heading3;
}

bool IsList(ParagraphStyle style)
{
    return style == ParagraphStyle::ListBullet || style == ParagraphStyle::ListNumber;
}

int ListNumbers::Next(const Paragraph& paragraph)
{
    if (!IsList(paragraph.style)) {
        Reset();
        return 0;
    }
    const int level = std::clamp(paragraph.listLevel, 0, kLevels - 1);
    std::fill(counts_ + level + 1, counts_ + kLevels, 0);
    if (paragraph.style != ParagraphStyle::ListNumber) {
        return 0;
    }
    return ++counts_[level];
}

void ListNumbers::Reset()
{
    std::fill(counts_, counts_ + kLevels, 0);
}

} // namespace Layout
