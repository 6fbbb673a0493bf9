#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// The fuzzer's bytes as text, and as a file for the readers that take a path.
namespace FuzzInput {

inline std::string_view Text(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// A fresh directory of this process under the temporary directory.
std::filesystem::path Directory();

// Writes `bytes` to `name` in Directory() and returns its path.
std::filesystem::path WriteFile(std::string_view name, std::string_view bytes);

} // namespace FuzzInput
