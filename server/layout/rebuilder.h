#pragma once

#include "document.h"

#include <filesystem>
#include <string>

namespace Layout {

// Recovers the flowing document a PDF shows: running headers and footers left out, pages
// without a text layer recognised first, paragraphs styled across the whole document.
// `workDir` takes the intermediate files. False with `error` when the PDF cannot be read.
bool RebuildDocument(const std::filesystem::path& pdf, const std::filesystem::path& workDir,
                     Document& document, std::string& error);

} // namespace Layout
