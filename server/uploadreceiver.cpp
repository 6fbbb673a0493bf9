#include "uploadreceiver.h"

#include "converters.h"
#include "inputcheck.h"
#include "taskstore.h"

#include <httplib.h>

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// Room for the multipart headers around the file's bytes.
constexpr std::uint64_t kMultipartAllowance = 1 << 20;

// The file name as the client sent it, accepted when it names one file and nothing else and
// is UTF-8 (it comes back in replies).
bool SafeFileName(const std::string& name)
{
    if (name.empty() || name.find('\0') != std::string::npos || name == "." || name == ".." ||
        !IsValidUtf8(name)) {
        return false;
    }
    return name.find("../") == std::string::npos && name.find("..\\") == std::string::npos &&
           name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
}

// The extension kept on the stored file (office import looks at it): letters and digits only.
std::string StoredExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    std::string ext;
    if (dot != std::string::npos) {
        for (char c : name.substr(dot + 1)) {
            if (!std::isalnum(static_cast<unsigned char>(c)) || ext.size() == 8) {
                return "";
            }
            ext += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return ext;
}

UploadRefusal BeforeBody(UploadRefusal refusal)
{
    refusal.beforeBody = true;
    return refusal;
}

} // namespace

UploadReceiver::UploadReceiver(TaskStore& tasks, std::uint64_t userQuota,
                               std::chrono::seconds timeLimit)
    : tasks(tasks), quota(userQuota, [&tasks](int userId) { return tasks.StoredBytesOf(userId); }),
      timeLimit(timeLimit)
{
}

UploadRefusal UploadReceiver::OverQuota() const
{
    return UploadRefusal(UploadError::OverQuota, "the upload would pass your storage quota of " +
                                                     std::to_string(quota.Limit() >> 20) +
                                                     " MiB (files are kept for 24 hours)");
}

std::optional<UploadRefusal> UploadReceiver::Receive(const httplib::Request& request,
                                                     const httplib::ContentReader& reader,
                                                     int userId, ReceivedUpload& received)
{
    // A declared length over the limit is refused before anything is read.
    const std::uint64_t declared =
        std::strtoull(request.get_header_value("Content-Length").c_str(), nullptr, 10);
    if (declared > kMaxUpload + kMultipartAllowance) {
        return BeforeBody(UploadRefusal(UploadError::TooLarge));
    }
    if (!request.is_multipart_form_data()) {
        return UploadRefusal(UploadError::NotMultipart);
    }
    // The declared length is checked before reading, the file's bytes as they arrive.
    auto reservation =
        quota.Reserve(userId, declared - std::min<std::uint64_t>(declared, kMultipartAllowance));
    if (!reservation) {
        return BeforeBody(OverQuota());
    }
    fs::path directory;
    const auto taskId = tasks.CreateTaskDirectory(directory);
    if (!taskId) {
        return UploadRefusal(UploadError::NotStored);
    }
    received.taskId = *taskId;
    auto refusal = ReadBody(reader, *reservation, directory / "upload.part", received);
    if (!refusal) {
        received.extension = StoredExtension(received.fileName);
        received.input =
            directory / (received.extension.empty() ? "input" : "input." + received.extension);
        std::error_code code;
        fs::rename(directory / "upload.part", received.input, code);
        if (code) {
            refusal = UploadRefusal(UploadError::NotStored);
        }
    }
    if (!refusal) {
        if (const auto kind = Converters::InputFor(request.get_param_value("taskname"))) {
            if (auto mismatch = CheckInput(*kind, received.input)) {
                refusal = UploadRefusal(UploadError::WrongContent, std::move(*mismatch));
            }
        }
    }
    if (refusal) {
        tasks.Discard(*taskId);
    }
    return refusal;
}

std::optional<UploadRefusal> UploadReceiver::ReadBody(const httplib::ContentReader& reader,
                                                      UploadQuota::Reservation& reservation,
                                                      const fs::path& partial,
                                                      ReceivedUpload& received)
{
    std::ofstream out;
    std::optional<UploadRefusal> refusal;
    bool inFile = false;
    bool sawFile = false;
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;

    const bool read = reader(
        [&](const httplib::MultipartFormData& part) {
            inFile = part.name == "file" && !sawFile;
            if (!inFile) {
                return true;
            }
            sawFile = true;
            if (!SafeFileName(part.filename)) {
                refusal = UploadRefusal(UploadError::BadFileName);
                return false;
            }
            received.fileName = part.filename;
            out.open(partial, std::ios::binary | std::ios::trunc);
            if (!out) {
                refusal = UploadRefusal(UploadError::NotStored);
                return false;
            }
            return true;
        },
        [&](const char* data, std::size_t length) {
            if (std::chrono::steady_clock::now() > deadline) {
                refusal = UploadRefusal(UploadError::TookTooLong);
                return false;
            }
            if (!inFile) {
                return true;
            }
            received.size += length;
            if (received.size > kMaxUpload) {
                refusal = UploadRefusal(UploadError::TooLarge);
                return false;
            }
            if (!reservation.Grow(length)) {
                refusal = OverQuota();
                return false;
            }
            out.write(data, static_cast<std::streamsize>(length));
            return static_cast<bool>(out);
        });
    out.close();

    if (refusal) {
        return refusal;
    }
    if (!sawFile) {
        return UploadRefusal(UploadError::NoFileMember);
    }
    if (!read) {
        return UploadRefusal(UploadError::Incomplete);
    }
    return std::nullopt;
}
