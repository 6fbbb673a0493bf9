#pragma once

#include "http/uploadbase.h"
#include "task/convertbasethread.h"
#include "task/serviceaccess.h"

#include <cstdint>
#include <optional>
#include <string>

class ClientInfoRecord;

// First pipeline stage: uploads every row's file and submits its conversion task, leaving
// the row Submitted with the service's task identifiers (or in a failure state).
class CUploadFilesThread : public CConvertBaseThread, public CUploadBase
{
public:
    CUploadFilesThread();

    // Set before Start.
    void SetServiceAccess(ServiceAccess access) { service = std::move(access); }
    void SetClientInfo(const ClientInfoRecord* info) { clientInfo = info; }

    void OnProgress(int state, std::uint32_t total, std::uint32_t done, void* userData) override;

protected:
    int Run() override;

private:
    enum class Outcome
    {
        Done,
        Failed,
        Stopped
    };

    // Uploads the row's file; on success `taskId` holds the service's id for it.
    Outcome UploadRow(int index, const std::string& source, const std::string& token,
                      std::string& taskId);
    Outcome SubmitRow(int index, const std::string& source, const std::string& token,
                      const std::string& taskId);
    void FailRow(int index, ConversionStatus status, const std::string& detail);
    // The detail for a rejected reply: a 403 asks for a new token.
    std::string RejectedDetail(std::optional<std::int32_t> ret, const char* otherwise);

    ServiceAccess service;
    const ClientInfoRecord* clientInfo = nullptr;
    std::string functionName; // the list's function while Run works
};
