#include "task/conversionstore.h"
#include "task/fileadmission.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

std::string SparseFile(const std::string& name, std::uintmax_t size)
{
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path).close();
    std::filesystem::resize_file(path, size);
    return path.string();
}

std::vector<std::string> Paths(int count)
{
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back("/docs/file" + std::to_string(i) + ".pdf");
    return paths;
}

} // namespace

TEST(AdmitFiles, TwelveFilesAddTenWithOneNotice)
{
    ConversionStore store;
    const auto notices = AdmitFiles(store, "PDF2Word", Paths(12), false);
    EXPECT_EQ(store.GetCount("PDF2Word"), 10);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].reason, AdmissionNotice::Reason::TooManyFiles);
    EXPECT_EQ(notices[0].path, "/docs/file10.pdf");
    EXPECT_STREQ(notices[0].TextKey(), "@string/str_msgbox_file_count");
}

TEST(AdmitFiles, SizeLimitIsBelowOneHundredMebibytes)
{
    ConversionStore store;
    const auto tooLarge = SparseFile("exactly100.pdf", 104857600);
    const auto justBelow = SparseFile("below100.pdf", 104857599);
    const auto notices = AdmitFiles(store, "PDF2Word", {tooLarge, justBelow}, false);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].reason, AdmissionNotice::Reason::TooLarge);
    EXPECT_EQ(notices[0].path, tooLarge);
    ASSERT_EQ(store.GetCount("PDF2Word"), 1);
    EXPECT_EQ(store.GetSourcePath("PDF2Word", 0), justBelow);
}

TEST(AdmitFiles, DuplicatesAreRefusedQuietlyOnlyForPlugins)
{
    ConversionStore store;
    AdmitFiles(store, "PDF2Word", {"/docs/a.pdf"}, false);
    const auto notices = AdmitFiles(store, "PDF2Word", {"/docs/a.pdf", "/docs/b.pdf"}, false);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].reason, AdmissionNotice::Reason::AlreadyListed);
    EXPECT_TRUE(AdmitFiles(store, "PDF2Word", {"/docs/a.pdf"}, true).empty());
    EXPECT_EQ(store.GetCount("PDF2Word"), 2);
    // Another function has its own list.
    EXPECT_TRUE(AdmitFiles(store, "PDF2Excel", {"/docs/a.pdf"}, false).empty());
}
