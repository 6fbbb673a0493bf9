#pragma once

#include "uploadquota.h"
#include "uploadrefusal.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace httplib {
struct Request;
class ContentReader;
} // namespace httplib

class TaskStore;

// An upload stored in its new task directory, under the name the converters read.
struct ReceivedUpload
{
    std::string taskId;
    std::string fileName;  // as the client sent it
    std::string extension; // kept on the stored file
    std::filesystem::path input;
    std::uint64_t size = 0;
};

// Takes an upload's multipart body into a new task directory as it arrives, within the size
// limit, the user's storage quota and a time limit for the whole body, and checks the file
// against what the task takes. Nothing of a refused upload stays behind. Owned by the task
// routes; runs on the service's worker threads.
class UploadReceiver
{
public:
    static constexpr std::uint64_t kMaxUpload = 100ull << 20;

    // `userQuota` 0: no limit.
    UploadReceiver(TaskStore& tasks, std::uint64_t userQuota, std::chrono::seconds timeLimit);

    std::optional<UploadRefusal> Receive(const httplib::Request& request,
                                         const httplib::ContentReader& reader, int userId,
                                         ReceivedUpload& received);

private:
    std::optional<UploadRefusal> ReadBody(const httplib::ContentReader& reader,
                                          UploadQuota::Reservation& reservation,
                                          const std::filesystem::path& partial,
                                          ReceivedUpload& received);
    UploadRefusal OverQuota() const;

    TaskStore& tasks;
    UploadQuota quota;
    const std::chrono::seconds timeLimit;
};
