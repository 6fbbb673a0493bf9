#include "support/scripteddialogs.h"
#include "tiles/fileselector.h"
#include "tiles/filetypes.h"
#include "tiles/functiondispatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(FileTypesTest, ExtensionsAndFunctionsMapBothWays)
{
    const auto pdf = FunctionsForExtension(".pdf");
    ASSERT_EQ(pdf.size(), 18u);
    EXPECT_EQ(pdf.back(), "PDFSplit");
    EXPECT_EQ(FunctionsForExtension("PDF"), pdf);
    EXPECT_THAT(FunctionsForExtension("JPEG"), ElementsAre("JPG2PDF", "IMG2TXT"));
    EXPECT_THAT(FunctionsForExtension(".zip"), IsEmpty());
    EXPECT_THAT(FunctionsForExtension("."), IsEmpty());

    EXPECT_THAT(ExtensionsForFunction("PDFSplit"), IsEmpty());
    EXPECT_THAT(ExtensionsForFunction("pdf2word"), IsEmpty());
    EXPECT_THAT(ExtensionsForFunction("PDF2CAD"), ElementsAre(".pdf"));
    // Every function a dropped file is offered to takes it, except the split page.
    for (const char* extension : {".pdf", ".doc", ".xlsx", ".pptx", ".gif", ".txt"}) {
        for (const std::string& function : FunctionsForExtension(extension)) {
            if (function != "PDFSplit") {
                EXPECT_THAT(ExtensionsForFunction(function), ::testing::Contains(extension))
                    << function;
            }
        }
    }
}

TEST(FileTypesTest, FiltersNameTheDescriptionAndThePatterns)
{
    const std::string pdf = "PDF Files (*.pdf)";
    EXPECT_EQ(FileFilterForFunction("PDF2Word"), pdf);
    EXPECT_EQ(FileFilterForFunction("PDFSplit"), pdf);
    EXPECT_EQ(FileFilterForFunction("NoSuchKey"), pdf);
    // Each pattern once, in the dialog's form.
    EXPECT_EQ(FileFilterForFunction("Word2PDF"), "DOC Files (*.doc *.docx)");
    EXPECT_EQ(FileFilterForFunction("IMG2TXT"),
              "IMAGE Files (*.jpg *.jpeg *.png *.tiff *.bmp *.gif)");
}

TEST(FileTypesTest, DroppedFilesAreSortedByWhatTakesThem)
{
    const DropOffer offer = FunctionsForFiles({"/d/a.docx", "/d/b.JPG", "/d/c.zip", "/d/e.jpeg"});
    EXPECT_THAT(offer.files, ElementsAre("/d/a.docx", "/d/b.JPG", "/d/e.jpeg"));
    EXPECT_THAT(offer.functions, ElementsAre("Word2PDF", "JPG2PDF", "IMG2TXT"));
    EXPECT_THAT(FunctionsForFiles({"/d.pdf/readme"}).functions, IsEmpty());
    EXPECT_THAT(FilesForFunction("Word2PDF", {"/d/x.DOCX", "/d/y.pdf", "/d/z.doc"}),
                ElementsAre("/d/x.DOCX", "/d/z.doc"));
    EXPECT_THAT(FilesForFunction("PDFSplit", {"/d/y.pdf"}), IsEmpty());
}

TEST(FunctionDispatchTest, KeysChooseTheirAction)
{
    EXPECT_EQ(DispatchFor("PDFPrint").action, FunctionAction::Print);
    EXPECT_EQ(DispatchFor("PDFScanner").action, FunctionAction::Scanner);
    EXPECT_EQ(DispatchFor("pdfmerge").action, FunctionAction::Conversion);
    EXPECT_EQ(DispatchFor("CAD2PDF").action, FunctionAction::Conversion);
    EXPECT_EQ(WebPageUrl("pdfchecksafe", "https://web.example"),
              "https://web.example/pdf-scan?extra=PC&Device=PC");
    EXPECT_FALSE(WebPageUrl("PDF2Word", "https://web.example"));
}

TEST(FileSelectorTest, DialogAnswersBecomePathsAndTheFolderIsRemembered)
{
    ScriptedDialogs dialogs;
    FileSelector selector(dialogs);
    EXPECT_FALSE(selector.DialogShown());
    dialogs.fileAnswers = {std::vector<std::string>{"/docs/a.pdf", "/docs/b.pdf", "/docs/c.pdf"},
                           std::nullopt, std::vector<std::string>{"/o/x.docx", "/o/y.docx"}};
    EXPECT_THAT(*selector.SelectFiles("PDF2Word", true),
                ElementsAre("/docs/a.pdf", "/docs/b.pdf", "/docs/c.pdf"));
    EXPECT_TRUE(selector.DialogShown());
    EXPECT_FALSE(selector.SelectFiles("PDFPrint", false));
    EXPECT_THAT(*selector.SelectFiles("Word2PDF", false), ElementsAre("/o/x.docx"));

    ASSERT_EQ(dialogs.fileRequests.size(), 3u);
    EXPECT_EQ(dialogs.fileRequests[0].filter, FileFilterForFunction("PDF2Word"));
    EXPECT_TRUE(dialogs.fileRequests[0].multiSelect);
    EXPECT_EQ(dialogs.fileRequests[0].initialFolder, "");
    EXPECT_FALSE(dialogs.fileRequests[1].multiSelect);
    EXPECT_EQ(dialogs.fileRequests[1].initialFolder, "/docs/");
}
