#include "support/scratchdir.h"
#include "utility/tc_checkpath.h"
#include "utility/utilitycalls.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class UtilityCheckPath : public ::testing::Test
{
protected:
    ScratchDir dir;
    const fs::path scratch = dir.Path();
};

TEST_F(UtilityCheckPath, FoldersFollowXdgAndEndWithSlash)
{
    const std::string data = std::getenv("XDG_DATA_HOME");
    const std::string cache = std::getenv("XDG_CACHE_HOME");
    EXPECT_EQ(Utility::AppDataPath(), data + "/Dokora/");
    EXPECT_EQ(Utility::UpdatePath(), cache + "/Dokora/update/");
    EXPECT_TRUE(fs::is_directory(cache + "/Dokora/update"));

    const auto work = Utility::WorkPath();
    ASSERT_TRUE(work.has_value());
    EXPECT_EQ(work->back(), '/');
    EXPECT_EQ(fs::path(*work), fs::canonical("/proc/self/exe").parent_path() / "");
}

TEST_F(UtilityCheckPath, FolderNameCannotLeaveTheBase)
{
    char out[256] = {};
    std::uint32_t needed = 0;
    EXPECT_NE(TC_CHECKPATH::TC_GetAppDataPath("../escape", out, sizeof out, &needed), 0);
    EXPECT_NE(TC_CHECKPATH::TC_GetAppDataPath("..", out, sizeof out, &needed), 0);
    EXPECT_NE(TC_CHECKPATH::TC_GetUpdatePath("", out, sizeof out, &needed), 0);
}

TEST_F(UtilityCheckPath, SizeOfASparseFileBeyondFourGiB)
{
    const fs::path big = scratch / "big.bin";
    std::ofstream(big).close();
    const std::uint64_t size = (std::uint64_t{5} << 30) + 7;
    fs::resize_file(big, size);
    std::uint64_t reported = 0;
    EXPECT_EQ(TC_CHECKPATH::TC_GetFileSize(big.c_str(), &reported), 0);
    EXPECT_EQ(reported, size);
    EXPECT_NE(TC_CHECKPATH::TC_GetFileSize((scratch / "none").c_str(), &reported), 0);
}

TEST_F(UtilityCheckPath, LimitedAccessFileIsPrivateAndNeverTruncates)
{
    const fs::path db = scratch / "user.db";
    ::umask(022);
    ASSERT_EQ(TC_CHECKPATH::TC_CreateLimitedAccessFileByAdmin(db.c_str()), 0);
    struct stat info = {};
    ASSERT_EQ(::stat(db.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(info.st_size, 0);

    std::ofstream(db) << "data";
    EXPECT_NE(TC_CHECKPATH::TC_CreateLimitedAccessFileByAdmin(db.c_str()), 0);
    EXPECT_EQ(fs::file_size(db), 4u);
}

TEST_F(UtilityCheckPath, ExistenceAndDeletion)
{
    const fs::path folder = scratch / "a" / "b";
    ASSERT_TRUE(TC_CHECKPATH::TC_CreateDirectory(folder.c_str()));
    const fs::path file = folder / "f.txt";
    std::ofstream(file) << "x";

    EXPECT_TRUE(TC_CHECKPATH::TC_FileExist(file.c_str()));
    EXPECT_FALSE(TC_CHECKPATH::TC_FileExist(folder.c_str()));
    EXPECT_TRUE(TC_CHECKPATH::TC_DirectoryExist(folder.c_str()));
    EXPECT_FALSE(TC_CHECKPATH::TC_DirectoryExist(file.c_str()));

    EXPECT_FALSE(TC_CHECKPATH::TC_DeleteFile(folder.c_str()));
    EXPECT_TRUE(fs::exists(folder));
    EXPECT_TRUE(TC_CHECKPATH::TC_DeleteFile(file.c_str()));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(TC_CHECKPATH::TC_DeleteFile(file.c_str()));

    std::ofstream(folder / "g.txt") << "y";
    EXPECT_TRUE(TC_CHECKPATH::TC_DeleteDirectory((scratch / "a").c_str()));
    EXPECT_FALSE(fs::exists(scratch / "a"));
}

} // namespace
