#pragma once

#include <mutex>
#include <string>

// The installation values and user settings that other parts of the client need, filled at
// start-up from Config.ini and Settings.ini.
struct ClientInfo
{
    bool notifyAfterFinish = false; // Settings.ini ConvMsgBox is "1"
    bool drw = false;
    std::string version;
    std::string ag;
    std::string wua;
    std::string md;

    bool operator==(const ClientInfo&) const = default;
};

// One shared ClientInfo. Read from worker threads (uploads), written by the UI thread; every
// access copies the whole record under the lock.
class ClientInfoRecord
{
public:
    ClientInfo Get() const;
    void Set(const ClientInfo& info);
    // Changes the one flag the settings window edits, without losing a concurrent Set.
    void SetNotifyAfterFinish(bool notify);

private:
    mutable std::mutex mutex;
    ClientInfo info;
};
