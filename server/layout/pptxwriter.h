#pragma once

#include "document.h"

#include <filesystem>
#include <string>

namespace Layout {

// Writes `document` as a presentation with one slide a page, the slide as large as the page:
// each paragraph an editable text box where it stood, tables as tables, pictures as pictures.
// The file is written completely or not at all.
bool WritePptx(const Document& document, const std::filesystem::path& target, std::string& error);

} // namespace Layout
