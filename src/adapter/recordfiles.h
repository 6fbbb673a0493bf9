#pragma once

#include "adapter/recordkind.h"

#include <optional>
#include <string>

// Where a record file lives: <application data>/xml/<file name>, the folder created when
// missing. Empty when there is no application-data directory or the folder cannot be
// created; the list then lives in memory only.
std::string RecordFileLocation(RecordKind kind, const std::optional<std::string>& appDataDir);
// The same in the program's application-data directory.
std::string RecordFileLocation(RecordKind kind);
