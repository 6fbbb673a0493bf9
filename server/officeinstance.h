#pragma once

#include "childprocess.h"

#include <filesystem>
#include <string>

// One warm office process with the bridge that drives it, owned by one worker thread.
// Started on first use, restarted after a failure, a time-out or a number of conversions.
class OfficeInstance
{
public:
    struct Request
    {
        std::filesystem::path input;
        std::filesystem::path output;
        std::string exportFilter; // a filter name, or "pdf" for the document's own PDF export
        std::string importFilter; // empty: detected from the file
        std::string importOptions;
    };

    // `profile` is this instance's own user profile directory; `name` tells its pipe apart;
    // `cancel` ends a start or a conversion at once when the service shuts down. The office
    // process runs under `confinement`, which must let it write its profile, the documents'
    // directories and /tmp (where its pipe is).
    OfficeInstance(std::filesystem::path profile, std::string name,
                   const ChildProcess::CancelFlag& cancel, Confinement confinement = {});
    ~OfficeInstance();
    OfficeInstance(const OfficeInstance&) = delete;
    OfficeInstance& operator=(const OfficeInstance&) = delete;

    // Brings the instance up if it is not running; false with `error` when it cannot start.
    bool Start(std::string& error);
    // Converts one document; on failure `error` says why. A time-out kills the instance.
    bool Convert(const Request& request, ChildProcess::Clock::time_point deadline,
                 std::string& error);
    void Stop();
    // How many times the office came up.
    int Starts() const { return starts; }

private:
    bool SpawnOffice();
    // True once when the office process has exited (and is reaped).
    bool OfficeEnded();
    std::string MemoryNote() const;

    static constexpr int kConversionsPerStart = 200;

    std::filesystem::path profile;
    std::string pipeName;
    const ChildProcess::CancelFlag& cancel;
    Confinement confinement;
    pid_t officePid = -1;
    pid_t bridgePid = -1;
    pid_t bridgeGroup = -1; // the group of the office process the bridge was started with
    int toBridge = -1;
    int fromBridge = -1;
    std::string pending;
    int conversions = 0;
    int starts = 0;
};
