#include "app/startuplog.h"

#include "utility/applog.h"

#include <filesystem>
#include <system_error>

bool StartAppLogIfMarked(const std::string& programDir)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_regular_file(fs::path(programDir) / "log.dll", error))
        return false;
    const fs::path logDir = fs::path(programDir) / "log";
    const fs::path logFile = logDir / "Dokora-0.log";
    fs::remove(logFile, error);
    fs::create_directories(logDir, error);
    if (!EnableAppLog(logFile.string()))
        return false;
    AppLog("wWinMain", "create log");
    return true;
}
