#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ConversionStore;

inline constexpr int kMaxListFiles = 10;
inline constexpr std::uint64_t kMaxFileSize = 104857600; // 100 MiB, refused from this size on

// Why a path was not added; the key names the notice the user sees.
struct AdmissionNotice
{
    enum class Reason
    {
        TooManyFiles,
        TooLarge,
        AlreadyListed,
        Unreadable
    };
    Reason reason;
    std::string path;

    // "@string/..." key of the notice's text.
    const char* TextKey() const;
};

// What a local path is for reading it now.
enum class LocalFileState
{
    Readable,
    Missing,
    NotAFile,  // a directory, device or socket, whatever its name says
    Unreadable // a file this user may not open
};
LocalFileState CheckLocalFile(const std::string& path);

// Adds `paths` to a function's rows within the list's limits: at most ten rows (the rest of
// the paths is dropped), files below 100 MiB, no path twice, nothing that exists but cannot
// be read as a file. Returns the notices to show, in order; a path already listed is refused
// silently when `fromPlugin`, and what is not a file always is, as the list takes no folders.
std::vector<AdmissionNotice> AdmitFiles(ConversionStore& store, const std::string& functionName,
                                        const std::vector<std::string>& paths, bool fromPlugin);
