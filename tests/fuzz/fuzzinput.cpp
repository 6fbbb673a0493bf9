#include "fuzzinput.h"

#include <fstream>
#include <unistd.h>

namespace FuzzInput {

std::filesystem::path Directory()
{
    static const std::filesystem::path directory = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("dokora-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return directory;
}

std::filesystem::path WriteFile(std::string_view name, std::string_view bytes)
{
    const auto path = Directory() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace FuzzInput
