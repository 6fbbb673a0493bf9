#include "textcompare.h"

#include "utility/utf8.h"

#include <algorithm>
#include <vector>

namespace TextCompare {
namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

} // namespace

std::string NormaliseSpace(std::string_view text)
{
    std::string out;
    bool pendingSpace = false;
    for (char c : text) {
        if (IsSpace(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) {
            out += ' ';
            pendingSpace = false;
        }
        out += c;
    }
    return out;
}

std::u32string CodePoints(std::string_view text)
{
    const std::string repaired = RepairUtf8(text);
    std::u32string out;
    for (std::size_t i = 0; i < repaired.size();) {
        const auto lead = static_cast<unsigned char>(repaired[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t value = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length && i + k < repaired.size(); ++k) {
            value = (value << 6) | (static_cast<unsigned char>(repaired[i + k]) & 0x3F);
        }
        out += value;
        i += length;
    }
    return out;
}

std::size_t EditDistance(std::u32string_view a, std::u32string_view b)
{
    if (a.size() < b.size()) {
        std::swap(a, b);
    }
    std::vector<std::size_t> previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        previous[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitute = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitute});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

namespace {

double SimilarityOf(const std::u32string& a, const std::u32string& b)
{
    const std::size_t longer = std::max(a.size(), b.size());
    if (longer == 0) {
        return 1;
    }
    return 1 - static_cast<double>(EditDistance(a, b)) / static_cast<double>(longer);
}

} // namespace

double Similarity(std::string_view a, std::string_view b)
{
    return SimilarityOf(CodePoints(NormaliseSpace(a)), CodePoints(NormaliseSpace(b)));
}

bool Alike(std::string_view a, std::string_view b, double threshold)
{
    const std::u32string left = CodePoints(NormaliseSpace(a));
    const std::u32string right = CodePoints(NormaliseSpace(b));
    // The distance is at least the difference in length, so most pairs need no table.
    const std::size_t longer = std::max(left.size(), right.size());
    const std::size_t shorter = std::min(left.size(), right.size());
    if (longer > 0 && static_cast<double>(shorter) / static_cast<double>(longer) < threshold) {
        return false;
    }
    return SimilarityOf(left, right) >= threshold;
}

} // namespace TextCompare
