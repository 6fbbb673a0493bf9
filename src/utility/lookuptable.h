#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

// One row of a constant table keyed by text.
using TableRow = std::pair<std::string_view, std::string_view>;

// The value of the row whose key equals `key` exactly; `fallback` when there is none.
template <std::size_t N>
std::string Lookup(const std::array<TableRow, N>& table, std::string_view key,
                   std::string_view fallback)
{
    const auto found = std::find_if(table.begin(), table.end(),
                                    [key](const TableRow& row) { return row.first == key; });
    return std::string(found == table.end() ? fallback : found->second);
}
