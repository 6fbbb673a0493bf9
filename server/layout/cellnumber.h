#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Layout {

// A spreadsheet cell's text read as a number, with the format that shows it as it was
// written: "1,234.50" is 1234.5 shown as #,##0.00, "12%" is 0.12 shown as 0%.
struct CellNumber
{
    double value = 0;
    std::string format; // a number format code; "" for the general format
};

// The number `text` is, when the whole text is one: digits with an optional sign, thousands
// separators, decimals, a currency sign before and a percent sign after, or parentheses for a
// negative amount. Numbers with a leading zero ("007") or more digits than a double holds
// exactly stay text.
std::optional<CellNumber> ParseCellNumber(std::string_view text);

} // namespace Layout
