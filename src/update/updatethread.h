#pragma once

#include "base/taskbasethread.h"
#include "http/downloadbase.h"

#include <cstdint>
#include <string>

inline constexpr std::uint32_t WM_UPDATE_ACTION = 1124;
// wParam total bytes, lParam bytes received so far.
inline constexpr std::uint32_t WM_UPDATE_PROGRESS = 1125;
inline constexpr std::uint32_t WM_UPDATE_FAILED = 1126;

// Downloads the installer and its signature for the update box, which creates it on demand,
// owns it and receives its WM_UPDATE_PROGRESS and WM_UPDATE_FAILED (set as its window). One
// download per start; a stopped download posts nothing.
class CUpdateThread : public CTaskBaseThread, public CDownloadBase
{
public:
    CUpdateThread();

    // Download thread.
    void OnProgress(int state, std::uint32_t total, std::uint32_t done, void* userData) override;

protected:
    int Run() override;

private:
    // The address asked for: the installer's URL and a cache-defeating digit.
    static std::string WithCacheBuster(const std::string& address);

    bool forwardProgress = false; // only the installer's own transfer is shown
    int shownPercent = -1;
};
