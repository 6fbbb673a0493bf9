#pragma once

#include <string>
#include <string_view>

// The application log. It stays silent until EnableAppLog opens its file; the program does
// that only when the diagnostic marker file is present. Safe to use from any thread.

// Starts logging at information level into `filePath`, replacing an old file. False when the
// file cannot be opened.
bool EnableAppLog(const std::string& filePath);
void DisableAppLog();

// One line: `where` names the class and operation ("CConvertBaseThread::PreFinish").
void AppLog(std::string_view where, std::string_view text);
