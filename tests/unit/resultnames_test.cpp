// Names and types of downloaded results: the free-name reservation and the type check.
#include "support/scratchdir.h"
#include "task/freefilename.h"
#include "task/resulttype.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

TEST(ReserveFreeName, TakesTheFirstFreeNameAndCreatesItEmpty)
{
    ScratchDir scratch;
    const auto first = ReserveFreeName(scratch.File("report.docx"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Path(), scratch.File("report.docx"));
    EXPECT_TRUE(fs::is_regular_file(first->Path()));
    EXPECT_EQ(fs::file_size(first->Path()), 0u);
    EXPECT_TRUE(first->StillHeld());

    // A held name is taken for the next caller, as any existing file is.
    WriteFileBytes(scratch.File("report(1).docx"), "kept");
    const auto second = ReserveFreeName(scratch.File("report.docx"));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Path(), scratch.File("report(2).docx"));
    EXPECT_EQ(ReadFileBytes(scratch.File("report(1).docx")), "kept");
}

TEST(ReserveFreeName, LinksAndFoldersCountAsTaken)
{
    ScratchDir scratch;
    const fs::path elsewhere = scratch.Path() / "elsewhere" / "target";
    fs::create_symlink(elsewhere, scratch.Path() / "out.pdf");
    fs::create_directory(scratch.Path() / "out(1).pdf");
    const auto reserved = ReserveFreeName(scratch.File("out.pdf"));
    ASSERT_TRUE(reserved);
    EXPECT_EQ(reserved->Path(), scratch.File("out(2).pdf"));
    EXPECT_FALSE(fs::exists(elsewhere.parent_path()));
    EXPECT_TRUE(fs::is_symlink(scratch.Path() / "out.pdf"));
}

TEST(ReserveFreeName, NumberGoesBeforeTheNamesOwnDotOnly)
{
    ScratchDir scratch;
    fs::create_directory(scratch.Path() / "dir.v2");
    WriteFileBytes(scratch.Path() / "dir.v2" / "README", "");
    const auto reserved = ReserveFreeName((scratch.Path() / "dir.v2" / "README").string());
    ASSERT_TRUE(reserved);
    EXPECT_EQ(reserved->Path(), (scratch.Path() / "dir.v2" / "README(1)").string());
}

TEST(ReserveFreeName, FolderThatTakesNoFileGivesNothing)
{
    ScratchDir scratch;
    EXPECT_FALSE(ReserveFreeName(scratch.File("missing/out.pdf")));
    WriteFileBytes(scratch.Path() / "file", "x");
    EXPECT_FALSE(ReserveFreeName(scratch.File("file/out.pdf")));
}

TEST(ReserveFreeName, ReleaseRemovesOnlyTheReservationsOwnEmptyFile)
{
    ScratchDir scratch;
    const auto released = ReserveFreeName(scratch.File("a.pdf"));
    ASSERT_TRUE(released);
    released->Release();
    EXPECT_FALSE(fs::exists(released->Path()));

    // Replaced by someone else's file: that file stays.
    const auto replaced = ReserveFreeName(scratch.File("b.pdf"));
    ASSERT_TRUE(replaced);
    fs::remove(replaced->Path());
    WriteFileBytes(replaced->Path(), "");
    EXPECT_FALSE(replaced->StillHeld());
    replaced->Release();
    EXPECT_TRUE(fs::exists(replaced->Path()));

    // Written to: no longer the empty reservation.
    const auto written = ReserveFreeName(scratch.File("c.pdf"));
    ASSERT_TRUE(written);
    WriteFileBytes(written->Path(), "data");
    written->Release();
    EXPECT_EQ(ReadFileBytes(written->Path()), "data");
}

TEST(ResultMatchesType, SignaturesByTheSuffixesExtension)
{
    EXPECT_TRUE(ResultMatchesType(".pdf", "%PDF-1.7\n%\xE2\xE3"));
    EXPECT_FALSE(ResultMatchesType(".pdf", "<html><body>error</body></html>"));
    EXPECT_FALSE(ResultMatchesType(".pdf", " %PDF-1.7"));
    EXPECT_FALSE(ResultMatchesType(".pdf", ""));
    for (const char* suffix : {".docx", ".xlsx", ".pptx", "_Images.zip", "_html.zip", ".zip"}) {
        EXPECT_TRUE(ResultMatchesType(suffix, "PK\x03\x04\x14\x00\x06\x00"sv)) << suffix;
        EXPECT_FALSE(ResultMatchesType(suffix, "%PDF-1.4")) << suffix;
        EXPECT_FALSE(ResultMatchesType(suffix, "<!DOCTYPE html>")) << suffix;
    }
    EXPECT_TRUE(ResultMatchesType(".zip", "PK\x05\x06"sv));
    EXPECT_FALSE(ResultMatchesType(".docx", "PK\x05\x06"sv));
    EXPECT_TRUE(ResultMatchesType(".jpg", "\xFF\xD8\xFF\xE0\x00\x10JFIF"sv));
    EXPECT_TRUE(ResultMatchesType(".PNG", "\x89PNG\r\n\x1A\n\x00\x00"sv));
    EXPECT_FALSE(ResultMatchesType(".png", "PNG"));
    EXPECT_TRUE(ResultMatchesType(".dwg", "AC1015"));
    EXPECT_TRUE(ResultMatchesType(".unknown", "anything"));
}

TEST(ResultMatchesType, TextIsNeitherBinaryNorAWebPage)
{
    EXPECT_TRUE(ResultMatchesType(".txt", "识别的文字\nline two"));
    EXPECT_TRUE(ResultMatchesType(".txt", ""));
    EXPECT_TRUE(ResultMatchesType(".txt", "<b> is bold in some notes"));
    EXPECT_FALSE(ResultMatchesType(".txt", "\xEF\xBB\xBF  <!doctype HTML><html>"));
    EXPECT_FALSE(ResultMatchesType(".txt", "\n<HTML><head>"));
    EXPECT_FALSE(ResultMatchesType(".txt", "PK\x03\x04\x00\x00"sv));
    EXPECT_TRUE(ResultMatchesType(".html", "\xEF\xBB\xBF\n<!DOCTYPE html>"));
    EXPECT_FALSE(ResultMatchesType(".html", "%PDF-1.7"));
}

} // namespace
