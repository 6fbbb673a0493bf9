#include "utility/tc_buffer.h"

#include <cstring>
#include <limits>

namespace TC_BUFFER {

int CopyOut(std::string_view text, char* out, std::uint32_t capacity, std::uint32_t* needed)
{
    if (text.size() >= std::numeric_limits<std::uint32_t>::max())
        return kFailed;
    const auto required = static_cast<std::uint32_t>(text.size() + 1);
    if (needed != nullptr)
        *needed = required;
    if (out == nullptr || capacity < required)
        return kTooSmall;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return kOk;
}

} // namespace TC_BUFFER
