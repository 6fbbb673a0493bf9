#pragma once

#include <string>
#include <string_view>

// A file written completely or not at all: the bytes go to a temporary file in the target's
// folder, which replaces the target only when Commit succeeds. Dropping the object before
// Commit (or a crash) leaves the previous file as it was.
class AtomicFile
{
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // False once any write has failed (no space, file size limit, no temporary file).
    bool Write(std::string_view bytes);
    // Flushes the data to the disk and renames the temporary file over the target.
    bool Commit();

private:
    void Discard();

    std::string path;
    std::string tempPath;
    int fd = -1;
    bool failed = false;
};

// The whole of `bytes` as the new content of `path`, or no change at all.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);
