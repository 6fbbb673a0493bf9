#pragma once

#include <string>

// Turns `path` into a file this process cannot open for reading: its mode bits cleared, or,
// for root (whom modes do not stop), a link to a write-only kernel attribute. False when
// neither works here; the caller skips its test.
bool MakeUnreadable(const std::string& path);
