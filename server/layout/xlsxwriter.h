#pragma once

#include "document.h"

#include <filesystem>
#include <string>

namespace Layout {

// Writes `document` as a workbook with one worksheet a page, "Page 1", "Page 2"...: its
// tables' cells on the grid, merged cells merged, its other paragraphs one a row in the first
// column, an empty row around each table. A cell whose text is a number is a number.
// Pictures are left out. The file is written completely or not at all.
bool WriteXlsx(const Document& document, const std::filesystem::path& target, std::string& error);

} // namespace Layout
