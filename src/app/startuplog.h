#pragma once

#include <string>

// Switches the application log on when the marker file "log.dll" is in `programDir` (which
// ends with '/'): log/Dokora-0.log there is deleted and started afresh. Without the marker
// nothing is created or touched. True when logging is on.
bool StartAppLogIfMarked(const std::string& programDir);
