#pragma once

#include "base/taskbasethread.h"
#include "update/updateoffer.h"

#include <mutex>

// The checks for a newer version; each posts its result to the main window and ends.
class CUpdateCheckThread : public CTaskBaseThread
{
public:
    // Read by the next start.
    void SetSource(UpdateSource value);

protected:
    UpdateSource Source() const;
    // The offer state for `offered`: up to date, or the installer file's state.
    static std::intptr_t StateFor(const VersionFile& offered, const UpdateSource& source);

private:
    mutable std::mutex mutex;
    UpdateSource source;
};

// The manual check: always answers WM_UPDATE_RESULT, (1, 0) when the check failed, else
// (0, state). Ignores the forced flag and the daily prompt time.
class CCheckUpdateThread : public CUpdateCheckThread
{
protected:
    int Run() override;
};

// The check once at start-up: a short single attempt, silent on failure. A forced update
// posts WM_UPDATE_FORCED (kUpdateForcedImpossible when it cannot be offered); an optional one
// posts WM_UPDATE_RESULT at most once a day.
class CStartupUpdateThread : public CUpdateCheckThread
{
public:
    static constexpr std::uint32_t kTimeoutMs = 1500;

protected:
    int Run() override;
};
