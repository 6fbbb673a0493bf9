#include "scan/papertable.h"
#include "scan/scanimagenames.h"

#include <gtest/gtest.h>

TEST(PaperTable, FallsBackToA4A5AndJisB5WhenNeitherQueryAnswered)
{
    EXPECT_EQ(PaperChoices(false, false, {}), (std::vector<int>{1, 5, 2, 29}));
    EXPECT_EQ(PaperChoices(false, false, {5}), (std::vector<int>{5, 1, 2, 29}));
    // One answer is enough to trust the source's list; B5 is added in every case.
    EXPECT_EQ(PaperChoices(true, false, {1, 3}), (std::vector<int>{1, 3, 29}));
    EXPECT_EQ(PaperChoices(false, true, {29, 1}), (std::vector<int>{29, 1}));
}

TEST(PaperTable, NamesEveryCodeWithASizeAndSizesOnlyKnownPapers)
{
    for (const auto& [code, size] : PaperSizes()) {
        EXPECT_TRUE(PaperNames().count(code)) << code;
        EXPECT_LT(size.first, size.second) << code;
    }
    EXPECT_FALSE(PaperSizes().count(3)) << "US Letter goes out without a size";
    EXPECT_EQ(PaperNames().at(2), "JISB5");
    EXPECT_EQ(PaperNames().at(3), "@string/str_scan_paper_letter");
}

TEST(ScanImageNames, NumbersEveryImageAfterTheFirst)
{
    ScanImageNames names;
    EXPECT_EQ(names.Next(), "无标题.bmp");
    EXPECT_EQ(names.Next(), "无标题1.bmp");
    EXPECT_EQ(names.Next(), "无标题2.bmp");
}
