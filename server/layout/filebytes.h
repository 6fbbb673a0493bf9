#pragma once

#include <filesystem>
#include <string>

namespace Layout {

// The whole content of a file; empty when it cannot be read.
std::string FileBytes(const std::filesystem::path& path);

} // namespace Layout
