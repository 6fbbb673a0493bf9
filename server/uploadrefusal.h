#pragma once

#include <string>

namespace httplib {
struct Response;
}

// Why the service refused an upload; the reason alone decides the status of the reply.
enum class UploadError
{
    NotMultipart,
    NoFileMember,
    BadFileName,
    Incomplete, // the body ended early or could not be written
    TookTooLong,
    TooLarge,
    OverQuota,
    WrongContent, // not what the task takes
    NotStored,
};

struct UploadRefusal
{
    // `message` empty: the reason's own text.
    explicit UploadRefusal(UploadError error, std::string message = {});

    UploadError error;
    std::string message;
    // Refused from the request head alone: the HTTP status says so too, and the connection
    // is closed rather than the body drained.
    bool beforeBody = false;
};

// The status of the reply ("ret"): 400, 413, 415 or 500.
int StatusOf(UploadError error);
// The text for a reason that carries no details of its own.
const char* TextOf(UploadError error);
// Answers with the refusal.
void Refuse(httplib::Response& response, const UploadRefusal& refusal);
