#include "utility/utilitycalls.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct CallLog
{
    std::vector<std::uint32_t> capacities;
};

// A library call that needs `size` bytes for "x..." and answers 3 until it gets them.
Utility::BufferCall NeedsBytes(CallLog& log, std::uint32_t size)
{
    return [&log, size](char* out, std::uint32_t capacity, std::uint32_t* needed) {
        log.capacities.push_back(capacity);
        *needed = size;
        if (capacity < size)
            return 3;
        std::memset(out, 'x', size - 1);
        return 0;
    };
}

TEST(UtilityCallWithBuffer, RetriesOnceWithNeededPlusFour)
{
    CallLog log;
    const auto result = Utility::CallWithBuffer(8, NeedsBytes(log, 21));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, std::string(20, 'x'));
    EXPECT_EQ(log.capacities, (std::vector<std::uint32_t>{8, 25}));
}

TEST(UtilityCallWithBuffer, FailsWhenTheRetryIsStillTooSmall)
{
    CallLog log;
    const auto result =
        Utility::CallWithBuffer(8, [&](char*, std::uint32_t capacity, std::uint32_t* needed) {
            log.capacities.push_back(capacity);
            *needed = capacity * 2;
            return 3;
        });
    EXPECT_FALSE(result.has_value());
    EXPECT_EQ(log.capacities, (std::vector<std::uint32_t>{8, 20}));
}

TEST(UtilityCallWithBuffer, AnyOtherCodeFailsWithoutRetry)
{
    CallLog log;
    const auto result =
        Utility::CallWithBuffer(8, [&](char* out, std::uint32_t capacity, std::uint32_t*) {
            log.capacities.push_back(capacity);
            std::strcpy(out, "junk");
            return 2;
        });
    EXPECT_FALSE(result.has_value());
    EXPECT_EQ(log.capacities.size(), 1u);
}

TEST(UtilityCallWithBuffer, FirstCallThatFitsIsTheOnlyOne)
{
    CallLog log;
    EXPECT_EQ(Utility::CallWithBuffer(64, NeedsBytes(log, 4)), "xxx");
    EXPECT_EQ(log.capacities.size(), 1u);
}

TEST(UtilityWrappers, EmptyInputGivesEmptyText)
{
    EXPECT_EQ(Utility::Utf8ToUnicode(""), "");
    EXPECT_EQ(Utility::EncodeBase64(""), "");
    EXPECT_EQ(Utility::DecodeBase64(""), "");
    EXPECT_EQ(Utility::EncodeMd5(""), "");
    EXPECT_EQ(Utility::ExeVersion(""), "");
}

TEST(UtilityWrappers, GrowPastTheDefaultCapacity)
{
    // Base64 of one byte needs five bytes, more than twice the input.
    EXPECT_EQ(Utility::EncodeBase64("a"), "YQ==");
    EXPECT_EQ(Utility::EncodeMd5("a"), "0cc175b9c0f1b6a831c399e269772661");
}

TEST(UtilityWrappers, TextWithNulIsRejectedNotCut)
{
    using namespace std::string_view_literals;
    EXPECT_FALSE(Utility::Utf8ToUnicode("ab\0cd"sv).has_value());
    EXPECT_FALSE(Utility::DecodeBase64("YQ==\0YQ=="sv).has_value());
    // Bytes, not text: the digest covers all of them.
    EXPECT_NE(Utility::EncodeMd5("a\0b"sv), Utility::EncodeMd5("a"));
}

} // namespace
