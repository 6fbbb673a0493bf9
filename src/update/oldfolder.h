#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The folder an older layout of the client kept beside the application-data directory:
// "Dokora" in the parent of `appDataDir`. Empty when that folder is the live
// application-data directory, one of its parents or inside it, so the clean-up can never
// reach the user's data (on this platform it always is the live directory).
std::optional<std::filesystem::path> OldFolderToRemove(const std::string& appDataDir);

// Deletes that folder with everything in it if it exists; true when something was removed.
bool RemoveOldFolder(const std::string& appDataDir);
