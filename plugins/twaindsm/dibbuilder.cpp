#include "dibbuilder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr int infoHeaderSize = 40;
// Wider lines than any scanner gives would overflow the page's sizes.
constexpr int maxPixelsPerLine = 1 << 16;

void PutLittleEndian(std::vector<unsigned char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

bool IsPlane(SANE_Frame format)
{
    return format == SANE_FRAME_RED || format == SANE_FRAME_GREEN || format == SANE_FRAME_BLUE;
}

} // namespace

DibBuilder::DibBuilder(int dotsPerInch) : dotsPerInch(dotsPerInch) {}

bool DibBuilder::BeginFrame(const SANE_Parameters& parameters)
{
    const bool depthFits = parameters.depth == 1 || parameters.depth == 8 || parameters.depth == 16;
    const bool formatFits = parameters.format == SANE_FRAME_GRAY ||
                            parameters.format == SANE_FRAME_RGB || IsPlane(parameters.format);
    if (!depthFits || !formatFits || parameters.pixels_per_line <= 0 ||
        parameters.pixels_per_line > maxPixelsPerLine)
        return false;
    // A backend's line must hold all of its samples, or reading them would run past the data.
    const int samples = parameters.format == SANE_FRAME_RGB ? 3 : 1;
    if (parameters.bytes_per_line <
        (parameters.depth * samples * parameters.pixels_per_line + 7) / 8)
        return false;
    if (!frames.empty()) {
        const SANE_Parameters& first = frames.front().parameters;
        const bool samePage =
            IsPlane(first.format) && IsPlane(parameters.format) && !FrameOf(parameters.format) &&
            first.pixels_per_line == parameters.pixels_per_line && first.depth == parameters.depth;
        if (!samePage)
            return false;
    }
    frames.push_back({parameters, {}});
    return true;
}

void DibBuilder::Append(const SANE_Byte* data, std::size_t length)
{
    if (!frames.empty())
        frames.back().data.insert(frames.back().data.end(), data, data + length);
}

int DibBuilder::Lines() const
{
    int lines = std::numeric_limits<int>::max();
    for (const Frame& frame : frames) {
        const auto whole = static_cast<int>(
            frame.data.size() / static_cast<std::size_t>(frame.parameters.bytes_per_line));
        lines = std::min(
            lines, frame.parameters.lines >= 0 ? std::min(whole, frame.parameters.lines) : whole);
    }
    return frames.empty() ? 0 : lines;
}

const DibBuilder::Frame* DibBuilder::FrameOf(SANE_Frame format) const
{
    const auto found = std::find_if(frames.begin(), frames.end(), [format](const Frame& frame) {
        return frame.parameters.format == format;
    });
    return found == frames.end() ? nullptr : &*found;
}

// Sample `index` of `line` scaled to 0..255; one-bit samples are 0 or 255 as they stand.
int DibBuilder::Sample(const Frame& frame, int line, int index)
{
    const SANE_Byte* row =
        frame.data.data() +
        static_cast<std::size_t>(line) * static_cast<std::size_t>(frame.parameters.bytes_per_line);
    switch (frame.parameters.depth) {
    case 1:
        return (row[index / 8] >> (7 - index % 8)) & 1 ? 255 : 0;
    case 8:
        return row[index];
    default: {
        std::uint16_t value = 0;
        std::memcpy(&value, row + 2 * index, sizeof value);
        return value >> 8;
    }
    }
}

std::vector<unsigned char> DibBuilder::Finish() const
{
    const int lines = Lines();
    if (lines <= 0)
        return {};
    const SANE_Parameters& first = frames.front().parameters;
    const int width = first.pixels_per_line;
    const bool grey = first.format == SANE_FRAME_GRAY;
    if (!grey && first.format != SANE_FRAME_RGB &&
        !(FrameOf(SANE_FRAME_RED) && FrameOf(SANE_FRAME_GREEN) && FrameOf(SANE_FRAME_BLUE)))
        return {};
    const int bitCount = grey ? (first.depth == 1 ? 1 : 8) : 24;
    const int colours = grey ? (bitCount == 1 ? 2 : 256) : 0;
    const int stride = (bitCount * width + 31) / 32 * 4;

    std::vector<unsigned char> dib;
    dib.reserve(infoHeaderSize + 4 * colours + static_cast<std::size_t>(stride) * lines);
    const auto pelsPerMetre = static_cast<std::uint32_t>(dotsPerInch / 0.0254 + 0.5);
    PutLittleEndian(dib, infoHeaderSize, 4);
    PutLittleEndian(dib, static_cast<std::uint32_t>(width), 4);
    PutLittleEndian(dib, static_cast<std::uint32_t>(lines), 4); // positive: bottom-up
    PutLittleEndian(dib, 1, 2);
    PutLittleEndian(dib, static_cast<std::uint32_t>(bitCount), 2);
    PutLittleEndian(dib, 0, 4); // no compression
    PutLittleEndian(dib, static_cast<std::uint32_t>(static_cast<std::size_t>(stride) * lines), 4);
    PutLittleEndian(dib, pelsPerMetre, 4);
    PutLittleEndian(dib, pelsPerMetre, 4);
    PutLittleEndian(dib, static_cast<std::uint32_t>(colours), 4);
    PutLittleEndian(dib, 0, 4);
    for (int i = 0; i < colours; ++i) {
        const auto level = static_cast<unsigned char>(colours == 2 ? i * 255 : i);
        dib.insert(dib.end(), {level, level, level, 0});
    }

    const Frame& frame = frames.front();
    for (int line = lines - 1; line >= 0; --line) {
        const std::size_t rowStart = dib.size();
        if (bitCount == 1) {
            // SANE's line art marks black with 1; the DIB's index 0 is black.
            const SANE_Byte* row =
                frame.data.data() +
                static_cast<std::size_t>(line) * static_cast<std::size_t>(first.bytes_per_line);
            for (int byte = 0; byte < (width + 7) / 8; ++byte)
                dib.push_back(static_cast<unsigned char>(~row[byte]));
            if (width % 8 != 0)
                dib.back() &= static_cast<unsigned char>(0xFF << (8 - width % 8));
        } else if (bitCount == 8) {
            for (int x = 0; x < width; ++x)
                dib.push_back(static_cast<unsigned char>(Sample(frame, line, x)));
        } else if (first.format == SANE_FRAME_RGB) {
            for (int x = 0; x < width; ++x)
                for (int channel = 2; channel >= 0; --channel)
                    dib.push_back(static_cast<unsigned char>(Sample(frame, line, 3 * x + channel)));
        } else {
            const Frame* planes[] = {FrameOf(SANE_FRAME_BLUE), FrameOf(SANE_FRAME_GREEN),
                                     FrameOf(SANE_FRAME_RED)};
            for (int x = 0; x < width; ++x)
                for (const Frame* plane : planes)
                    dib.push_back(static_cast<unsigned char>(Sample(*plane, line, x)));
        }
        dib.resize(rowStart + static_cast<std::size_t>(stride), 0);
    }
    return dib;
}
