#include "settings/servicelocations.h"

#include "settings/profilefile.h"

#include <charconv>
#include <cstdlib>

namespace {

// An address under `base`, appended in place: GCC 12 at -O3 warns falsely on `a + b` here.
std::string Beneath(const std::string& base, std::string_view path)
{
    std::string address;
    address.reserve(base.size() + path.size());
    address.append(base).append(path);
    return address;
}

std::optional<std::string> Environment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

std::string WithoutTrailingSlash(std::string url)
{
    while (url.ends_with('/'))
        url.pop_back();
    return url;
}

std::string Location(const std::optional<ProfileFile>& config, const char* key,
                     const char* variable, std::string_view fallback)
{
    std::string url = Environment(variable).value_or("");
    if (url.empty() && config)
        url = config->ReadString("Service", key);
    return WithoutTrailingSlash(url.empty() ? std::string(fallback) : std::move(url));
}

std::chrono::milliseconds PollInterval()
{
    const std::optional<std::string> text = Environment("DOKORA_POLL_INTERVAL_MS");
    if (!text)
        return kDefaultPollInterval;
    long long value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size() || value <= 0)
        return kDefaultPollInterval;
    return std::chrono::milliseconds(value);
}

} // namespace

ServiceLocations ReadServiceLocations(const std::optional<std::string>& configPath)
{
    std::optional<ProfileFile> config;
    if (configPath)
        config.emplace(*configPath);
    ServiceLocations locations;
    locations.api = Location(config, "api", "DOKORA_API_URL", kDefaultServiceBase);
    locations.web = Location(config, "web", "DOKORA_WEB_URL", kDefaultServiceBase);
    locations.files = Location(config, "files", "DOKORA_FILES_URL", kDefaultServiceBase);
    locations.sso =
        Location(config, "sso", "DOKORA_SSO_URL", Beneath(locations.web, kSingleSignOnPath));
    locations.supportGroup = Location(config, "supportGroup", "DOKORA_SUPPORT_GROUP_URL",
                                      Beneath(locations.web, kSupportGroupPath));
    locations.pollInterval = PollInterval();
    return locations;
}
