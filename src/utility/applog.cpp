#include "utility/applog.h"

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <atomic>
#include <memory>

namespace {

std::shared_ptr<spdlog::logger>& TheLogger()
{
    static std::shared_ptr<spdlog::logger> logger;
    return logger;
}

} // namespace

bool EnableAppLog(const std::string& filePath)
{
    try {
        auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(filePath, true);
        auto logger = std::make_shared<spdlog::logger>("soui", std::move(sink));
        logger->set_level(spdlog::level::info);
        logger->flush_on(spdlog::level::info);
        std::atomic_store(&TheLogger(), std::move(logger));
        return true;
    } catch (const spdlog::spdlog_ex&) {
        return false;
    }
}

void DisableAppLog()
{
    std::atomic_store(&TheLogger(), std::shared_ptr<spdlog::logger>());
}

void AppLog(std::string_view where, std::string_view text)
{
    if (const auto logger = std::atomic_load(&TheLogger()))
        logger->info("{} {}", where, text);
}
