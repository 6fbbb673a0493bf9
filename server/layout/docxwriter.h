#pragma once

#include "document.h"

#include <filesystem>
#include <string>

namespace Layout {

// Writes `document` as a flowing Word document: styled paragraphs, lists, tables and
// pictures, one section per run of pages of one size, a page break where a page began.
// The file is written completely or not at all.
bool WriteDocx(const Document& document, const std::filesystem::path& target, std::string& error);

} // namespace Layout
