#include "http/contenttype.h"

#include <gtest/gtest.h>

TEST(ContentType, ByLastExtensionIgnoringCase)
{
    EXPECT_EQ(GetContentType("C:\\a\\b.PDF"), "application/pdf");
    EXPECT_EQ(GetContentType("/home/u/photo.JpEg"), "image/jpeg");
    EXPECT_EQ(GetContentType("/x/report.tar.docx"), "application/msword");
    EXPECT_EQ(GetContentType("/x/deck.pptx"), "application/x-ppt");
    EXPECT_EQ(GetContentType("/x/sheet.xls"), "application/vnd.ms-excel");
    EXPECT_EQ(GetContentType("scan.tiff"), "");
    EXPECT_EQ(GetContentType("notes.txt"), "");
    EXPECT_EQ(GetContentType("file."), "");
    // Without a dot the whole path is the key.
    EXPECT_EQ(GetContentType("pdf"), "application/pdf");
    EXPECT_EQ(GetContentType("/dir/pdf"), "");
}
