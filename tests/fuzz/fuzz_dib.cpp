// The frames a scanner's backend delivers for a page, turned into the DIB the client saves:
// the first bytes of the input describe up to three frames, the rest is their data.
#include "dibbuilder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct FrameHead
{
    std::uint8_t format;
    std::uint8_t depth;
    std::uint16_t pixelsPerLine;
    std::uint16_t bytesPerLine;
    std::int16_t lines;
    std::uint16_t dataLength;
};

std::uint32_t Field(const std::vector<unsigned char>& dib, std::size_t offset)
{
    std::uint32_t value = 0;
    std::memcpy(&value, dib.data() + offset, sizeof value);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DibBuilder builder(300);
    for (int frame = 0; frame < 3 && size >= sizeof(FrameHead); ++frame) {
        FrameHead head;
        std::memcpy(&head, data, sizeof head);
        data += sizeof head;
        size -= sizeof head;
        const SANE_Parameters parameters{static_cast<SANE_Frame>(head.format % 6),
                                         SANE_TRUE,
                                         head.bytesPerLine,
                                         head.pixelsPerLine,
                                         head.lines,
                                         head.depth};
        if (!builder.BeginFrame(parameters))
            break;
        const std::size_t length = std::min<std::size_t>(head.dataLength, size);
        builder.Append(data, length);
        data += length;
        size -= length;
    }
    const std::vector<unsigned char> dib = builder.Finish();
    if (dib.empty())
        return 0;
    // The header's sizes must describe exactly the bytes that follow it.
    const std::uint32_t colours = Field(dib, 32);
    if (dib.size() < 40 || Field(dib, 0) != 40 ||
        dib.size() != 40 + 4 * static_cast<std::size_t>(colours) + Field(dib, 20))
        std::abort();
    return 0;
}
