#include "ooxmlcommon.h"

#include "codepoints.h"

#include "utility/utf8.h"

#include <algorithm>
#include <cmath>

namespace Layout {
namespace {

bool AllowedInXml(char32_t code)
{
    if (code < 0x20) {
        return code == '\t' || code == '\n' || code == '\r';
    }
    return code != 0xFFFE && code != 0xFFFF;
}

// Far longer than any page side or the sum of a table's columns.
constexpr double kLongestLength = 1e6;

double Length(double points)
{
    return std::isnan(points) ? 0 : std::clamp(points, -kLongestLength, kLongestLength);
}

} // namespace

double Bounded(double value, double lowest, double highest)
{
    return std::isnan(value) ? lowest : std::clamp(value, lowest, highest);
}

std::int64_t ToEmu(double points)
{
    return std::llround(Length(points) * 12700);
}

std::int64_t ToTwips(double points)
{
    return std::llround(Length(points) * 20);
}

std::string XmlText(std::string_view text)
{
    const std::string repaired = IsValidUtf8(text) ? std::string(text) : RepairUtf8(text);
    std::string clean;
    clean.reserve(repaired.size());
    for (std::size_t at = 0; at < repaired.size();) {
        const std::size_t start = at;
        const char32_t code = DecodeAt(repaired, at);
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
        if (IsCjk(DecodeAt(repaired, at))) {
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
