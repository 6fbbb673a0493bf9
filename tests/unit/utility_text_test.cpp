#include "utility/pathsplit.h"
#include "utility/textcase.h"
#include "utility/utf8.h"

#include <gtest/gtest.h>

namespace {

void ExpectSplit(std::string_view path, std::string_view separators, std::string_view folder,
                 std::string_view name)
{
    const PathSplit split = SplitPath(path, separators);
    EXPECT_EQ(split.folder, folder) << path;
    EXPECT_EQ(split.name, name) << path;
}

} // namespace

TEST(SplitPath, FolderKeepsItsLastSeparator)
{
    ExpectSplit("/home/u/a.pdf", kPathSeparators, "/home/u/", "a.pdf");
    ExpectSplit("C:\\docs\\b.docx", kPathSeparators, "C:\\docs\\", "b.docx");
    ExpectSplit("/mixed\\c.txt", kPathSeparators, "/mixed\\", "c.txt");
    ExpectSplit("plain.pdf", kPathSeparators, "", "plain.pdf");
    ExpectSplit("/dir/", kPathSeparators, "/dir/", "");
    ExpectSplit("", kPathSeparators, "", "");
    // A Linux file name may hold a backslash: a caller that splits only at '/' keeps it.
    ExpectSplit("/tmp/a\\b.pdf", "/", "/tmp/", "a\\b.pdf");
}

TEST(TextCase, FoldsAsciiLettersOnly)
{
    EXPECT_EQ(ToLower("Content-Type: PDF"), "content-type: pdf");
    EXPECT_EQ(ToLower("报告.DOCX"), "报告.docx");
    EXPECT_TRUE(EqualsNoCase("HTTPS", "https"));
    EXPECT_FALSE(EqualsNoCase("http", "https"));
    EXPECT_FALSE(EqualsNoCase("https", "http"));
    EXPECT_TRUE(StartsWithNoCase("Location: /x", "location:"));
    EXPECT_TRUE(StartsWithNoCase("location:", "LOCATION:"));
    EXPECT_FALSE(StartsWithNoCase("Locat", "location:"));
    EXPECT_FALSE(StartsWithNoCase("content-length: 4", "content-type:"));
}

TEST(Utf8, RejectsMalformedSequences)
{
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("abc 报告 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE6\x8A"));         // cut short
    EXPECT_FALSE(IsValidUtf8("\x80"));             // stray continuation
    EXPECT_FALSE(IsValidUtf8("\xFF"));
}
