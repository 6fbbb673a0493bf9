#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Writes a zip archive of the given files (archive name, file on disk) completely or not at
// all: the archive is built next to `target` and renamed into place.
bool WriteZip(const std::filesystem::path& target,
              const std::vector<std::pair<std::string, std::filesystem::path>>& members,
              std::string& error);
