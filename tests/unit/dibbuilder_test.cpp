#include "dibbuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct Dib
{
    explicit Dib(std::vector<unsigned char> bytes) : bytes(std::move(bytes)) {}

    std::uint32_t Field(std::size_t offset, int size) const
    {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | bytes.at(offset + static_cast<std::size_t>(i));
        return value;
    }
    int Width() const { return static_cast<int>(Field(4, 4)); }
    int Height() const { return static_cast<int>(Field(8, 4)); }
    int BitCount() const { return static_cast<int>(Field(14, 2)); }
    int SizeImage() const { return static_cast<int>(Field(20, 4)); }
    int Colours() const { return BitCount() <= 8 ? 1 << BitCount() : 0; }
    // Byte `index` of the row `fromTop` counted from the top of the page.
    unsigned char Pixel(int fromTop, int index) const
    {
        const int stride = SizeImage() / Height();
        const std::size_t rows = 40 + 4 * static_cast<std::size_t>(Colours());
        return bytes.at(rows + static_cast<std::size_t>((Height() - 1 - fromTop) * stride + index));
    }

    std::vector<unsigned char> bytes;
};

SANE_Parameters Parameters(SANE_Frame format, int depth, int width, int lines)
{
    const int samples = format == SANE_FRAME_RGB ? 3 : 1;
    return {format, SANE_TRUE, (depth * samples * width + 7) / 8, width, lines, depth};
}

Dib Page(DibBuilder& builder, const SANE_Parameters& parameters, std::vector<SANE_Byte> data)
{
    EXPECT_TRUE(builder.BeginFrame(parameters));
    builder.Append(data.data(), data.size());
    return Dib(builder.Finish());
}

} // namespace

TEST(DibBuilder, ColourRowsAreBottomUpBlueFirstAndPaddedToFourBytes)
{
    DibBuilder builder(300);
    const Dib dib = Page(builder, Parameters(SANE_FRAME_RGB, 8, 2, 2),
                         {1, 2, 3, 4, 5, 6, /* second line */ 7, 8, 9, 10, 11, 12});
    EXPECT_EQ(dib.Width(), 2);
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(dib.SizeImage(), 16); // six bytes a row padded to eight
    ASSERT_EQ(dib.bytes.size(), 40u + 16u);
    EXPECT_EQ(dib.Field(24, 4), 11811u); // 300 dpi in pixels per metre
    const std::vector<unsigned char> firstRowInFile(dib.bytes.begin() + 40, dib.bytes.begin() + 48);
    EXPECT_EQ(firstRowInFile, (std::vector<unsigned char>{9, 8, 7, 12, 11, 10, 0, 0}));
    EXPECT_EQ(dib.Pixel(0, 0), 3);
    EXPECT_EQ(dib.Pixel(0, 2), 1);
}

TEST(DibBuilder, LineArtIsInvertedWithABlackAndWhiteTable)
{
    DibBuilder builder(150);
    const Dib dib = Page(builder, Parameters(SANE_FRAME_GRAY, 1, 10, 1), {0b10000000, 0b01000000});
    EXPECT_EQ(dib.BitCount(), 1);
    EXPECT_EQ(dib.Field(32, 4), 2u);
    EXPECT_EQ(dib.Field(40, 4), 0x00000000u); // index 0 black
    EXPECT_EQ(dib.Field(44, 4), 0x00FFFFFFu); // index 1 white
    EXPECT_EQ(dib.Pixel(0, 0), 0b01111111);
    EXPECT_EQ(dib.Pixel(0, 1), 0b10000000); // bits past the width stay clear
}

TEST(DibBuilder, GreyHasAFullTableAndSixteenBitSamplesKeepTheirUpperByte)
{
    DibBuilder eight(100);
    const Dib grey = Page(eight, Parameters(SANE_FRAME_GRAY, 8, 3, 1), {10, 20, 30});
    EXPECT_EQ(grey.BitCount(), 8);
    EXPECT_EQ(grey.Field(32, 4), 256u);
    EXPECT_EQ(grey.Field(40 + 4 * 200, 4), 0x00C8C8C8u);
    EXPECT_EQ(grey.Pixel(0, 2), 30);

    DibBuilder sixteen(100);
    const std::uint16_t samples[] = {0x1234, 0xABCD};
    std::vector<SANE_Byte> data(reinterpret_cast<const SANE_Byte*>(samples),
                                reinterpret_cast<const SANE_Byte*>(samples) + sizeof samples);
    const Dib deep = Page(sixteen, Parameters(SANE_FRAME_GRAY, 16, 2, 1), data);
    EXPECT_EQ(deep.Pixel(0, 0), 0x12);
    EXPECT_EQ(deep.Pixel(0, 1), 0xAB);
}

TEST(DibBuilder, UnknownLineCountTakesTheWholeLinesThatArrived)
{
    DibBuilder builder(100);
    const Dib dib = Page(builder, Parameters(SANE_FRAME_GRAY, 8, 4, -1),
                         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}); // a partial third line
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(dib.Pixel(1, 3), 8);

    DibBuilder empty(100);
    ASSERT_TRUE(empty.BeginFrame(Parameters(SANE_FRAME_GRAY, 8, 4, -1)));
    EXPECT_TRUE(empty.Finish().empty());
}

TEST(DibBuilder, ThreePassFramesMakeOneColourPage)
{
    DibBuilder builder(100);
    const SANE_Frame order[] = {SANE_FRAME_RED, SANE_FRAME_GREEN, SANE_FRAME_BLUE};
    SANE_Byte level = 10;
    for (SANE_Frame format : order) {
        ASSERT_TRUE(builder.BeginFrame(Parameters(format, 8, 1, 1)));
        builder.Append(&level, 1);
        level += 10;
        if (format != SANE_FRAME_BLUE) {
            EXPECT_TRUE(builder.Finish().empty()) << "a page lacking planes is no page";
        }
    }
    const Dib dib(builder.Finish());
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(dib.Pixel(0, 0), 30); // blue
    EXPECT_EQ(dib.Pixel(0, 1), 20);
    EXPECT_EQ(dib.Pixel(0, 2), 10);
}

TEST(DibBuilder, RefusesFramesADibCannotHoldOrThatDoNotBelongToThePage)
{
    DibBuilder odd(100);
    EXPECT_FALSE(odd.BeginFrame(Parameters(SANE_FRAME_GRAY, 4, 8, 1)));
    // A line shorter than its samples need, or absurdly wide, is not read from.
    for (SANE_Parameters shortLine :
         {Parameters(SANE_FRAME_RGB, 8, 10, 1), Parameters(SANE_FRAME_GRAY, 16, 10, 1),
          Parameters(SANE_FRAME_GRAY, 1, 10, 1)}) {
        shortLine.bytes_per_line -= 1;
        EXPECT_FALSE(odd.BeginFrame(shortLine));
    }
    EXPECT_FALSE(odd.BeginFrame(Parameters(SANE_FRAME_GRAY, 8, 1 << 20, 1)));

    DibBuilder planes(100);
    ASSERT_TRUE(planes.BeginFrame(Parameters(SANE_FRAME_RED, 8, 4, 1)));
    EXPECT_FALSE(planes.BeginFrame(Parameters(SANE_FRAME_RED, 8, 4, 1)));
    EXPECT_FALSE(planes.BeginFrame(Parameters(SANE_FRAME_GREEN, 8, 5, 1)));
    EXPECT_FALSE(planes.BeginFrame(Parameters(SANE_FRAME_GRAY, 8, 4, 1)));
}
