#include "settings/profilefile.h"

#include "settings/atomicfile.h"

// Text stays UTF-8 bytes; no wide-character conversion is wanted.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <utility>

namespace {

// The raw bytes of the file; "" when it does not exist, nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return error ? std::nullopt : std::optional<std::string>(std::string());
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return std::move(content).str();
}

// Fills `ini` with the file's content (nothing when it does not exist); false when an
// existing file cannot be read.
bool LoadIni(const std::string& path, CSimpleIniA& ini)
{
    const std::optional<std::string> content = ReadWholeFile(path);
    if (!content)
        return false;
    ini.SetUnicode(true);
    ini.SetSpaces(false);
    return ini.LoadData(*content) >= 0;
}

// At most kValueCapacity - 1 characters (the last place holds the terminating NUL); a
// multi-byte character is never split.
std::string CutToCapacity(std::string value)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(value[i]) & 0xC0) == 0x80;
        if (!continuation && ++characters == ProfileFile::kValueCapacity) {
            value.resize(i);
            break;
        }
    }
    return value;
}

std::string StripQuotes(std::string value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

ProfileFile::ProfileFile(std::string path) : path(std::move(path)) {}

bool ProfileFile::Exists() const
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const
{
    std::string value(defaultValue);
    CSimpleIniA ini;
    if (LoadIni(path, ini)) {
        const char* found = ini.GetValue(std::string(section).c_str(), std::string(key).c_str());
        if (found != nullptr)
            value = StripQuotes(found);
    }
    return CutToCapacity(std::move(value));
}

int ProfileFile::ReadInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const std::string text = ReadString(section, key);
    if (text.empty())
        return defaultValue;
    std::string_view digits = text;
    if (digits.front() == '+')
        digits.remove_prefix(1);
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) const
{
    CSimpleIniA ini;
    if (!LoadIni(path, ini))
        return false;
    if (ini.SetValue(std::string(section).c_str(), std::string(key).c_str(),
                     std::string(value).c_str()) < 0)
        return false;
    std::string content;
    if (ini.Save(content) < 0)
        return false;
    return WriteFileAtomically(path, content);
}
