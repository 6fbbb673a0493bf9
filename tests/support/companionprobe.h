#pragma once

#include <filesystem>
#include <string>

// Puts a companion program into `workDir` that writes the argument it was started with into
// a file; the path of that file.
std::string PlaceRecordingCompanion(const std::filesystem::path& workDir);
