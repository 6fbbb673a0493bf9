#pragma once

#include "settings/clientinfo.h"

#include <cstdint>
#include <optional>
#include <string>

inline constexpr std::int64_t kUpdatePromptInterval = 86400; // seconds: one day

// The client's own Settings.ini, section Settings. Without an application-data directory
// nothing is read or written. UI thread and start-up only.
class UserSettings
{
public:
    explicit UserSettings(std::optional<std::string> path);
    // Settings.ini in the application-data directory.
    static UserSettings InAppData();

    bool Available() const { return path.has_value(); }

    // Writes the defaults of ConvMsgBox ("1") and firststart ("0") where they are empty;
    // answers whether the completion notice is wanted.
    bool FillDefaults() const;

    // True (and UpdateCheck becomes `now`) when the last automatic update prompt is more
    // than a day before `now`, in seconds since 1970. Never without an application-data
    // directory.
    bool PassDailyUpdateGate(std::int64_t now) const;
    // Records that the service answered an update check at `now`.
    void RecordUpdateCheck(std::int64_t now) const;

    // The settings window's check box check_attention changed: writes ConvMsgBox and sets
    // notifyAfterFinish in `info`. Without a Settings.ini neither changes; returns whether
    // the setting was applied.
    bool SetAttention(bool ticked, ClientInfoRecord& info) const;

private:
    std::optional<std::string> path;
};
