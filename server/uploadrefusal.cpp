#include "uploadrefusal.h"

#include "replies.h"

#include <httplib.h>

UploadRefusal::UploadRefusal(UploadError error, std::string message)
    : error(error), message(message.empty() ? TextOf(error) : std::move(message))
{
}

int StatusOf(UploadError error)
{
    switch (error) {
    case UploadError::TooLarge:
    case UploadError::OverQuota:
        return 413;
    case UploadError::WrongContent:
        return 415;
    case UploadError::NotStored:
        return 500;
    case UploadError::NotMultipart:
    case UploadError::NoFileMember:
    case UploadError::BadFileName:
    case UploadError::Incomplete:
    case UploadError::TookTooLong:
        break;
    }
    return 400;
}

const char* TextOf(UploadError error)
{
    switch (error) {
    case UploadError::NotMultipart:
        return "the upload must be multipart/form-data";
    case UploadError::NoFileMember:
        return "the request holds no member \"file\"";
    case UploadError::BadFileName:
        return "invalid file name";
    case UploadError::Incomplete:
        return "the upload is incomplete";
    case UploadError::TookTooLong:
        return "the upload took too long";
    case UploadError::TooLarge:
        return "the file is larger than 100 MiB";
    case UploadError::OverQuota:
        return "the upload would pass your storage quota";
    case UploadError::WrongContent:
        return "the file is not what the task takes";
    case UploadError::NotStored:
        break;
    }
    return "the upload cannot be stored";
}

void Refuse(httplib::Response& response, const UploadRefusal& refusal)
{
    const int status = StatusOf(refusal.error);
    Replies::Failure(response, status, refusal.message);
    if (refusal.beforeBody) {
        response.status = status;
        response.set_header("Connection", "close");
    }
}
