#pragma once

#include "document.h"

#include <filesystem>
#include <vector>

namespace Layout {

// The pictures of every page of `pdf` with where they stand, extracted into `workDir`;
// one list per page. Pictures too small to be more than a rule or a dot are left out.
std::vector<std::vector<Picture>> ReadPictures(const std::filesystem::path& pdf,
                                               const std::filesystem::path& workDir, int pageCount);

} // namespace Layout
