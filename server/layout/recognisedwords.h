#pragma once

#include "pagecontent.h"
#include "pdfpages.h"

#include <filesystem>
#include <string>
#include <vector>

namespace Layout {

// The words text recognition (Chinese and English) finds on page `index`, drawn at 300 dpi
// into `workDir`; nothing when the recogniser cannot run.
std::vector<Word> RecogniseWords(const PdfPages& pdf, int index,
                                 const std::filesystem::path& workDir);

// The words of the recogniser's tab-separated output, in points.
std::vector<Word> ParseRecognisedWords(const std::string& table, double pointsPerPixel);

} // namespace Layout
