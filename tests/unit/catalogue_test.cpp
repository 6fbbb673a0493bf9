#include "task/catalogue.h"
#include "task/conversionitem.h"

#include <gtest/gtest.h>

TEST(Catalogue, TaskNamesAreExactAndCaseSensitive)
{
    EXPECT_EQ(GetTaskName("TXT2PDF"), "txt_2_pdf");
    EXPECT_EQ(GetTaskName("IMG2TXT"), "img-to-txt");
    EXPECT_EQ(GetTaskName("PDF2CAD"), "pdf-to-dwg");
    EXPECT_EQ(GetTaskName("watermark"), "text-watermark");
    EXPECT_EQ(GetTaskName("dokora-smart"), "dokora-smart");
    EXPECT_EQ(GetTaskName("pdf2word"), "");
    EXPECT_EQ(GetTaskName("PDF2Word "), "");
    EXPECT_EQ(GetTaskName(""), "");
}

TEST(Catalogue, ResultSuffixFallsBackToPdf)
{
    EXPECT_EQ(GetResultSuffix("PDF2Word"), ".docx");
    EXPECT_EQ(GetResultSuffix("PDF2JPG"), "_Images.zip");
    EXPECT_EQ(GetResultSuffix("PDF2Html"), "_html.zip");
    EXPECT_EQ(GetResultSuffix("PDFExportImage"), ".zip");
    EXPECT_EQ(GetResultSuffix("IMG2TXT"), ".txt");
    EXPECT_EQ(GetResultSuffix("PDF2CAD"), ".pdf");
    EXPECT_EQ(GetResultSuffix("PPT2PDF"), ".pdf");
    EXPECT_EQ(GetResultSuffix("unknown"), ".pdf");
    EXPECT_EQ(GetResultSuffix("pdf2word"), ".pdf");
}

TEST(ConversionStatusGroups, MatchTheStages)
{
    using S = ConversionStatus;
    for (S s : {S::Queued, S::Uploading, S::Submitted, S::Converted, S::RedownloadRequested,
                S::Redownloading})
        EXPECT_TRUE(IsInProgress(s)) << static_cast<int>(s);
    for (S s : {S::Waiting, S::Completed, S::TokenFailed, S::UploadFailed, S::TaskFailed,
                S::DownloadFailed, S::Aborted, S::RedownloadCompleted})
        EXPECT_FALSE(IsInProgress(s)) << static_cast<int>(s);

    EXPECT_TRUE(IsDone(S::Completed));
    EXPECT_TRUE(IsDone(S::RedownloadCompleted));
    EXPECT_FALSE(IsDone(S::DownloadFailed));

    EXPECT_TRUE(IsBeforeConverted(S::Submitted));
    EXPECT_FALSE(IsBeforeConverted(S::Converted));
    EXPECT_TRUE(IsInPipeline(S::Converted));
    EXPECT_FALSE(IsInPipeline(S::Waiting));
    EXPECT_FALSE(IsInPipeline(S::Redownloading));
    EXPECT_EQ(static_cast<int>(S::Aborted), 11);
    EXPECT_EQ(static_cast<int>(S::RedownloadCompleted), 19);
}
