#include "task/fileadmission.h"

#include "task/conversionstore.h"
#include "utility/tc_checkpath.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

const char* AdmissionNotice::TextKey() const
{
    switch (reason) {
    case Reason::TooManyFiles:
        return "@string/str_msgbox_file_count";
    case Reason::TooLarge:
        return "@string/str_msgbox_file_size";
    case Reason::AlreadyListed:
        return "@string/str_msgbox_file_exist";
    case Reason::Unreadable:
        return "@string/str_msgbox_file_unreadable";
    }
    return "";
}

LocalFileState CheckLocalFile(const std::string& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status))
        return LocalFileState::Missing;
    if (!std::filesystem::is_regular_file(status))
        return LocalFileState::NotAFile;
    // Only opening tells: permissions, ACLs and mounts all have their say.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return LocalFileState::Unreadable;
    ::close(fd);
    return LocalFileState::Readable;
}

std::vector<AdmissionNotice> AdmitFiles(ConversionStore& store, const std::string& functionName,
                                        const std::vector<std::string>& paths, bool fromPlugin)
{
    using Reason = AdmissionNotice::Reason;
    std::vector<AdmissionNotice> notices;
    for (const std::string& path : paths) {
        if (store.GetCount(functionName) >= kMaxListFiles) {
            notices.push_back({Reason::TooManyFiles, path});
            break;
        }
        const LocalFileState state = CheckLocalFile(path);
        if (state == LocalFileState::NotAFile)
            continue;
        if (state == LocalFileState::Unreadable) {
            notices.push_back({Reason::Unreadable, path});
            continue;
        }
        std::uint64_t size = 0;
        if (TC_CHECKPATH::TC_GetFileSize(path.c_str(), &size) == 0 && size >= kMaxFileSize) {
            notices.push_back({Reason::TooLarge, path});
            continue;
        }
        if (store.ContainsFile(functionName, path)) {
            if (!fromPlugin)
                notices.push_back({Reason::AlreadyListed, path});
            continue;
        }
        store.AddFile(functionName, path);
    }
    return notices;
}
