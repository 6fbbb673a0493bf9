// The version stamp read from an installer file.
#include "fuzzinput.h"
#include "utility/tc_process.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto path = FuzzInput::WriteFile("setup.run", FuzzInput::Text(data, size));
    char out[64];
    std::uint32_t needed = 0;
    if (TC_PROCESS::GetExeVersion(path.c_str(), out, sizeof out, &needed) == 0 &&
        needed <= sizeof out && std::memchr(out, '\0', sizeof out) == nullptr)
        std::abort();
    return 0;
}
