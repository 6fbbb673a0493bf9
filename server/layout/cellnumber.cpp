#include "cellnumber.h"

#include <array>
#include <charconv>

namespace Layout {
namespace {

constexpr std::size_t kMostDigits = 15;

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool TakePrefix(std::string_view& text, std::string_view prefix)
{
    if (!StartsWith(text, prefix)) {
        return false;
    }
    text.remove_prefix(prefix.size());
    return true;
}

bool TakeSuffix(std::string_view& text, std::string_view suffix)
{
    if (text.size() < suffix.size() || text.substr(text.size() - suffix.size()) != suffix) {
        return false;
    }
    text.remove_suffix(suffix.size());
    return true;
}

std::string_view Trimmed(std::string_view text)
{
    constexpr std::string_view kNoBreakSpace = "\u00A0";
    for (;;) {
        if (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
            text.remove_prefix(1);
        } else if (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
            text.remove_suffix(1);
        } else if (!TakePrefix(text, kNoBreakSpace) && !TakeSuffix(text, kNoBreakSpace)) {
            return text;
        }
    }
}

bool TakeSign(std::string_view& text)
{
    return TakePrefix(text, "-") || TakePrefix(text, "\u2212");
}

std::string TakeCurrency(std::string_view& text)
{
    static constexpr std::array<std::string_view, 5> kSigns = {"$", "\u00A5", "\uFFE5", "\u20AC",
                                                               "\u00A3"};
    for (std::string_view sign : kSigns) {
        if (TakePrefix(text, sign)) {
            return std::string(sign);
        }
    }
    return "";
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads digits with optional groups of three after commas; their digits go to `digits`.
bool TakeInteger(std::string_view& text, std::string& digits, bool& grouped)
{
    std::size_t at = 0;
    std::size_t group = 0;
    grouped = false;
    while (at < text.size()) {
        if (IsDigit(text[at])) {
            digits += text[at];
            ++group;
        } else if (text[at] == ',' && group > 0 && (grouped ? group == 3 : group <= 3)) {
            grouped = true;
            group = 0;
        } else {
            break;
        }
        ++at;
    }
    if (digits.empty() || (grouped && group != 3)) {
        return false;
    }
    text.remove_prefix(at);
    return true;
}

std::string FormatCode(const std::string& currency, bool grouped, std::size_t decimals,
                       bool percent, bool parenthesised)
{
    std::string code = grouped ? "#,##0" : "0";
    if (decimals > 0) {
        code += '.';
        code.append(decimals, '0');
    }
    if (percent) {
        code += "%";
    }
    if (!currency.empty()) {
        code = "\"" + currency + "\"" + code;
    }
    if (parenthesised) {
        code += ";(" + code + ")";
    }
    return code == "0" ? "" : code;
}

} // namespace

std::optional<CellNumber> ParseCellNumber(std::string_view text)
{
    text = Trimmed(text);
    const bool parenthesised = text.size() > 2 && text.front() == '(' && text.back() == ')';
    if (parenthesised) {
        text = text.substr(1, text.size() - 2);
    }
    bool negative = parenthesised;
    std::string currency = TakeCurrency(text);
    if (!parenthesised && TakeSign(text)) {
        negative = true;
    } else if (!parenthesised) {
        TakePrefix(text, "+");
    }
    if (currency.empty()) {
        currency = TakeCurrency(text);
    }
    const bool percent = TakeSuffix(text, "%") || TakeSuffix(text, "\uFF05");

    std::string digits;
    bool grouped = false;
    if (!TakeInteger(text, digits, grouped)) {
        return std::nullopt;
    }
    const bool leadingZero = digits.size() > 1 && digits.front() == '0';
    const std::size_t integerDigits = digits.size();
    if (TakePrefix(text, ".")) {
        digits += '.';
        while (!text.empty() && IsDigit(text.front())) {
            digits += text.front();
            text.remove_prefix(1);
        }
    }
    const std::size_t decimals =
        digits.size() > integerDigits ? digits.size() - integerDigits - 1 : 0;
    if (!text.empty() || leadingZero || digits.back() == '.' ||
        digits.size() - (decimals > 0 ? 1 : 0) > kMostDigits) {
        return std::nullopt;
    }
    CellNumber number;
    const auto [end, failure] =
        std::from_chars(digits.data(), digits.data() + digits.size(), number.value);
    if (failure != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    if (negative) {
        number.value = -number.value;
    }
    if (percent) {
        number.value /= 100;
    }
    number.format = FormatCode(currency, grouped, decimals, percent, parenthesised);
    return number;
}

} // namespace Layout
