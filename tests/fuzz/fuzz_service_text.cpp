// Texts from clients: UTF-8 checked and repaired, task names looked up.
#include "converters.h"
#include "fuzzinput.h"
#include "inputcheck.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = FuzzInput::Text(data, size);
    const bool valid = IsValidUtf8(text);
    const std::string repaired = RepairUtf8(text);
    if (!IsValidUtf8(repaired) || (valid && repaired != text))
        std::abort();
    Converters::InputFor(std::string(text));
    return 0;
}
