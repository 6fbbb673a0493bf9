#pragma once

#include <sane/sane.h>

#include <cstddef>
#include <vector>

// Turns the frames SANE delivers for one page into a packed DIB: the 40-byte
// BITMAPINFOHEADER, its colour table and the rows bottom-up, each padded to four bytes.
// Line art becomes a 1-bit DIB (SANE's 1 is black, the DIB's palette index 1 white), grey an
// 8-bit DIB with a 256-entry grey table, colour 24 bits in blue-green-red order, whether it
// came in one frame or in three. 16-bit samples keep their upper byte. The page has as many
// rows as whole lines arrived, so a device that cannot say its line count still gives a page.
class DibBuilder
{
public:
    explicit DibBuilder(int dotsPerInch);

    // Starts the next frame; false for a frame a DIB cannot hold, or one that does not match
    // the frames before it.
    bool BeginFrame(const SANE_Parameters& parameters);
    void Append(const SANE_Byte* data, std::size_t length);

    // The page of the frames so far; empty when not one whole line arrived.
    std::vector<unsigned char> Finish() const;

private:
    struct Frame
    {
        SANE_Parameters parameters;
        std::vector<SANE_Byte> data;
    };

    int Lines() const;
    const Frame* FrameOf(SANE_Frame format) const;
    static int Sample(const Frame& frame, int line, int index);

    int dotsPerInch;
    std::vector<Frame> frames;
};
