#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// A fresh, empty directory for the running test under the isolated HOME, removed when the
// object goes.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path; }
    // The path of `name` inside the directory, as text.
    std::string File(std::string_view name) const;

private:
    std::filesystem::path path;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

// While it lives, files of the process cannot grow beyond `bytes`: writes fail the way they
// do on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    std::uint64_t savedLimit = 0;
    void (*savedHandler)(int) = nullptr;
};
