// INI files other programs may have written: the values the client reads, then a write.
#include "fuzzinput.h"
#include "settings/profilefile.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Characters as the value cut counts them: every byte that does not continue a sequence.
std::size_t Characters(const std::string& value)
{
    return static_cast<std::size_t>(std::count_if(value.begin(), value.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ProfileFile file(FuzzInput::WriteFile("Settings.ini", FuzzInput::Text(data, size)));
    for (const char* section : {"Config", "Setting", "Settings"}) {
        for (const char* key : {"Url", "Notify", "Type", "Version", ""}) {
            if (Characters(file.ReadString(section, key)) >= ProfileFile::kValueCapacity)
                std::abort();
            file.ReadInt(section, key, 7);
        }
    }
    if (file.WriteString("Setting", "Notify", "1") && file.ReadInt("Setting", "Notify", 0) != 1)
        std::abort();
    return 0;
}
