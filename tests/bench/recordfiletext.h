#pragma once

#include "adapter/recordkind.h"

#include <cstddef>
#include <string>

// Record files at scale for the benchmarks, as the client writes them.
namespace RecordFileText {

inline std::string RecordPath(std::size_t n)
{
    return "/home/user/documents/report-" + std::to_string(n) + ".docx";
}

// A record file of `count` records, built in one go.
inline std::string Build(RecordKind kind, std::size_t count)
{
    std::string file = "<?xml version=\"1.0\"?>\n<ini>\n";
    for (std::size_t n = 0; n < count; ++n)
        file += "\t<item FilePath=\"" + RecordPath(n) + "\" FileSize=\"0.25M\" quota=\"1\" " +
                std::string(RecordTimeAttribute(kind)) + "=\"2024.03.07\" />\n";
    return file + "</ini>\n";
}

} // namespace RecordFileText
