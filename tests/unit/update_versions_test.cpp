#include "update/versioncompare.h"
#include "update/versionfile.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionCompare, ComponentsCompareAsNumbers)
{
    EXPECT_TRUE(IsNewerVersion("1.10.0.0", "1.9.0.0"));
    EXPECT_FALSE(IsNewerVersion("1.9.0.0", "1.10.0.0"));
    EXPECT_TRUE(IsNewerVersion("2.0.0", "1.9.9"));
    EXPECT_TRUE(IsNewerVersion("1.0.10", "1.0.9"));
    EXPECT_TRUE(IsNewerVersion("10.0", "9.99.99"));
    EXPECT_TRUE(IsNewerVersion("1.0.2.100000000000000000001", "1.0.2.100000000000000000000"));
}

TEST(VersionCompare, EqualVersionsAreNotNewer)
{
    EXPECT_EQ(CompareVersions("1.2.3.4", "1.2.3.4"), 0);
    EXPECT_EQ(CompareVersions("1.2", "1.2.0.0"), 0);
    EXPECT_EQ(CompareVersions("1.02", "1.2"), 0);
    EXPECT_FALSE(IsNewerVersion("1.0.2.7", "1.0.2.7"));
    EXPECT_TRUE(IsNewerVersion("1.2.0.1", "1.2"));
}

TEST(VersionCompare, PairsTheTextOrderGotRightKeepTheirOrder)
{
    const char* ascending[] = {"", "0.9", "1.0.2.7", "1.0.3", "1.1", "1.9.9", "2.0.0", "2.0.0.1"};
    for (std::size_t i = 0; i + 1 < std::size(ascending); ++i) {
        EXPECT_LT(CompareVersions(ascending[i], ascending[i + 1]), 0) << ascending[i];
        EXPECT_GT(CompareVersions(ascending[i + 1], ascending[i]), 0) << ascending[i];
    }
}

TEST(VersionCompare, TextComponentsAreOrderedAfterNumbers)
{
    EXPECT_TRUE(IsNewerVersion("1.0.beta", "1.0.9"));
    EXPECT_TRUE(IsNewerVersion("1.0.rc", "1.0.beta"));
    EXPECT_EQ(CompareVersions("1.x", "1.x"), 0);
}

TEST(VersionFile, ReadsTheVersionAndTheFlagSeparatedByOneCharacterOrMore)
{
    const auto optional = ParseVersionFile("<#2.0.0#>\n<#0#>");
    ASSERT_TRUE(optional);
    EXPECT_EQ(optional->version, "2.0.0");
    EXPECT_FALSE(optional->forced);
    EXPECT_TRUE(ParseVersionFile("<#2.0.0#>\r\n<#1#>")->forced);
    EXPECT_TRUE(ParseVersionFile("x<#2.0.0#> <#1#>\n")->forced);
    // The character after the version field is skipped, so adjacent fields lose the flag.
    EXPECT_FALSE(ParseVersionFile("<#2.0.0#><#1#>")->forced);
    EXPECT_FALSE(ParseVersionFile("<#2.0.0#>\n<#yes#>")->forced);
    EXPECT_FALSE(ParseVersionFile("<#2.0.0#>")->forced);
}

TEST(VersionFile, AFileWithoutAVersionFieldFails)
{
    EXPECT_FALSE(ParseVersionFile(""));
    EXPECT_FALSE(ParseVersionFile("2.0.0"));
    EXPECT_FALSE(ParseVersionFile("<#2.0.0"));
    EXPECT_FALSE(ParseVersionFile("<##>\n<#1#>"));
}

} // namespace
