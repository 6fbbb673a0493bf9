#pragma once

#include <string>

// `path` when no file exists there; otherwise the first of "name(1).ext", "name(2).ext", ...
// that does not exist. The number goes before the file name's last '.', or at the end when
// the name has none.
std::string FreeFileName(const std::string& path);
