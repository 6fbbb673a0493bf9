// The version files: the stamp read from an installer file, and the file host's version file
// with the offered version compared against the running one.
#include "fuzzinput.h"
#include "update/versioncompare.h"
#include "update/versionfile.h"
#include "utility/tc_process.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = FuzzInput::Text(data, size);
    const auto path = FuzzInput::WriteFile("setup.run", text);
    char out[64];
    std::uint32_t needed = 0;
    if (TC_PROCESS::GetExeVersion(path.c_str(), out, sizeof out, &needed) == 0 &&
        needed <= sizeof out && std::memchr(out, '\0', sizeof out) == nullptr)
        std::abort();
    if (const auto offered = ParseVersionFile(text)) {
        if (offered->version.empty() || CompareVersions(offered->version, offered->version) != 0)
            std::abort();
        IsNewerVersion(offered->version, "1.0.0.0");
    }
    return 0;
}
