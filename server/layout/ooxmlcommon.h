#pragma once

#include "document.h"

#include <cstdint>
#include <string>
#include <string_view>

// What the Word, Excel and PowerPoint writers share: lengths in the formats' units, text
// that XML can hold, and the sizes of the paragraph styles.
namespace Layout {

inline constexpr const char* kEastAsianFont = "Noto Serif CJK SC";

// `value` within [lowest, highest]; `lowest` when it is not a number.
double Bounded(double value, double lowest, double highest);

// English Metric Units: 12700 a point. Lengths beyond any page's are cut, and one that is
// not a number counts 0, so the result is always a plain integer.
std::int64_t ToEmu(double points);
// Twentieths of a point, bounded like ToEmu().
std::int64_t ToTwips(double points);

// `text` as XML 1.0 can hold it: malformed UTF-8 repaired, and the control characters and
// non-characters XML forbids dropped. Tabs stay; every line ending becomes a line feed.
std::string XmlText(std::string_view text);

// Whether `text` has a Chinese, Japanese or Korean character, for an East Asian font.
bool HasCjk(std::string_view text);

// The file extension a picture is stored under, "png" or "jpeg"; "" when it cannot be.
std::string PictureExtension(const Picture& picture);

// The joined text of a paragraph's runs.
std::string PlainText(const Paragraph& paragraph);

// The size in points of a run whose own size is 0.
double StyleFontSize(ParagraphStyle style);
bool IsHeading(ParagraphStyle style);
bool IsList(ParagraphStyle style);

// The numbers of the items of numbered lists, counted in block order: a paragraph that is
// not a list item ends every list; an item ends the deeper lists under it.
class ListNumbers
{
public:
    // The number of `paragraph` if it is a numbered item, else 0.
    int Next(const Paragraph& paragraph);
    void Reset();

private:
    static constexpr int kLevels = 9;
    int counts_[kLevels] = {};
};

} // namespace Layout
