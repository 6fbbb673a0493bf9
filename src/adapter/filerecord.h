#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

// One row of the completed list or the open-record list.
struct FileRecord
{
    std::uint32_t cost = 0; // the service charge of the conversion; 0 for open records
    std::string path;
    std::string sizeText; // "%.2fM" of MiB
    std::string timeText; // local date "%04d.%02d.%02d"

    bool operator==(const FileRecord&) const = default;
};

// A file size in MiB as records show it, e.g. "0.25M".
std::string FormatSizeText(std::uint64_t bytes);
// The local date of `time` as records show it, e.g. "2024.03.07".
std::string FormatDateText(std::time_t time);

// The name after the path's last separator ('/' or, in stored Windows-style paths, '\').
std::string_view PathFileName(std::string_view path);
// Everything before the path's last separator; empty when there is none.
std::string_view PathDirectory(std::string_view path);
