#pragma once

#include "task/convertbasethread.h"
#include "task/serviceaccess.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

// Second pipeline stage: asks the service about every Submitted row each poll interval and
// moves finished rows to Converted with their result's location. Ends by itself once no row
// can still reach Submitted. A row whose task is still unfinished after the time limit of
// polling fails.
class CQueryConvertThread : public CConvertBaseThread
{
public:
    static constexpr std::uint32_t kDefaultPollIntervalMs = 5000;
    static constexpr std::chrono::milliseconds kDefaultTimeLimit = std::chrono::minutes(30);

    // Set before Start.
    void SetServiceAccess(ServiceAccess access) { service = std::move(access); }
    void SetPollInterval(std::uint32_t ms) { pollIntervalMs = ms; }
    void SetTimeLimit(std::chrono::milliseconds limit) { timeLimit = limit; }

protected:
    int Run() override;

private:
    void QueryRow(int index, const std::string& token);
    void FailRow(int index, const std::string& detail);
    // A failure in the service's own words: shown as they are, never read as a string key.
    void FailRowWithServiceText(int index, const std::string& text);

    ServiceAccess service;
    // True once the row has been polled for longer than the time limit.
    bool PolledTooLong(int index);

    std::uint32_t pollIntervalMs = kDefaultPollIntervalMs;
    std::chrono::milliseconds timeLimit = kDefaultTimeLimit;
    std::string functionName; // the list's function while Run works
    std::map<int, std::chrono::steady_clock::time_point> firstPolled; // by row, this run
};
