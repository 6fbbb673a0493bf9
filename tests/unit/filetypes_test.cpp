#include "tiles/dialogservice.h"
#include "tiles/fileselector.h"
#include "tiles/filetypes.h"
#include "tiles/functiondispatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(FileTypesTest, ExtensionsAreNormalisedBeforeTheLookup)
{
    const auto pdf = FunctionsForExtension(".pdf");
    ASSERT_EQ(pdf.size(), 18u);
    EXPECT_EQ(pdf.front(), "PDFPrint");
    EXPECT_EQ(pdf.back(), "PDFSplit");
    EXPECT_EQ(FunctionsForExtension("PDF"), pdf);
    EXPECT_EQ(FunctionsForExtension(".Pdf"), pdf);
    EXPECT_THAT(FunctionsForExtension("JPEG"), ElementsAre("JPG2PDF", "IMG2TXT"));
    EXPECT_THAT(FunctionsForExtension(".docx"), ElementsAre("Word2PDF"));
    EXPECT_THAT(FunctionsForExtension(".zip"), IsEmpty());
    EXPECT_THAT(FunctionsForExtension(""), IsEmpty());
    EXPECT_THAT(FunctionsForExtension("."), IsEmpty());
}

TEST(FileTypesTest, AcceptedExtensionsPerFunction)
{
    EXPECT_THAT(ExtensionsForFunction("PDFSplit"), IsEmpty());
    EXPECT_THAT(ExtensionsForFunction("PDFScanner"), IsEmpty());
    EXPECT_THAT(ExtensionsForFunction("pdf2word"), IsEmpty());
    EXPECT_THAT(ExtensionsForFunction("PDF2CAD"), ElementsAre(".pdf"));
    EXPECT_THAT(ExtensionsForFunction("Excel2PDF"), ElementsAre(".xls", ".xlsx"));
    EXPECT_THAT(ExtensionsForFunction("IMG2TXT"),
                ElementsAre(".jpg", ".jpeg", ".png", ".tiff", ".bmp", ".gif"));

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
    const std::string pdf = "PDF Files(*.pdf) (*.pdf)";
    EXPECT_EQ(FileFilterForFunction("PDF2Word"), pdf);
    EXPECT_EQ(FileFilterForFunction("PDFSplit"), pdf);
    EXPECT_EQ(FileFilterForFunction("NoSuchKey"), pdf);
    EXPECT_EQ(FileFilterForFunction("word2pdf"), pdf);
    EXPECT_EQ(FileFilterForFunction("Word2PDF"), "DOC Files(*.doc;*.docx) (*.doc *.docx)");
    EXPECT_EQ(FileFilterForFunction("IMG2TXT"),
              "IMAGE Files(*.jpg;*.jpeg;*.png;*.tiff;*.bmp;*.gif) "
              "(*.jpg *.jpeg *.png *.tiff *.bmp *.gif)");
    EXPECT_EQ(FileFilterForFunction("TXT2PDF"), "TXT Files(*.txt) (*.txt)");
}

TEST(FileTypesTest, DroppedFilesAreSortedByWhatTakesThem)
{
    const DropOffer offer = FunctionsForFiles({"/d/a.docx", "/d/b.JPG", "/d/c.zip", "/d/e.jpeg"});
    EXPECT_THAT(offer.files, ElementsAre("/d/a.docx", "/d/b.JPG", "/d/e.jpeg"));
    EXPECT_THAT(offer.functions, ElementsAre("Word2PDF", "JPG2PDF", "IMG2TXT"));
    EXPECT_THAT(FunctionsForFiles({"/d/c.zip", "/d.pdf/readme"}).functions, IsEmpty());

    EXPECT_THAT(FilesForFunction("Word2PDF", {"/d/x.DOCX", "/d/y.pdf", "/d/z.doc"}),
                ElementsAre("/d/x.DOCX", "/d/z.doc"));
    EXPECT_THAT(FilesForFunction("Word2PDF", {"/d/y.pdf"}), IsEmpty());
    EXPECT_THAT(FilesForFunction("PDFSplit", {"/d/y.pdf"}), IsEmpty());
    EXPECT_EQ(FileExtension("C:\\docs.v2\\report.PDF"), ".pdf");
    EXPECT_EQ(FileExtension("/home/a.b/notes"), "");
}

TEST(FunctionDispatchTest, KeysChooseTheirAction)
{
    EXPECT_EQ(DispatchFor("PDFPrint").action, FunctionAction::Print);
    EXPECT_EQ(DispatchFor("PDFScanner").action, FunctionAction::Scanner);
    EXPECT_EQ(DispatchFor("PDFMerge").action, FunctionAction::WebPage);
    EXPECT_EQ(DispatchFor("pdfchecksafe").webPath, "/pdf-scan?extra=PC&Device=PC");
    EXPECT_EQ(DispatchFor("PDF2Word").action, FunctionAction::Conversion);
    EXPECT_EQ(DispatchFor("pdfmerge").action, FunctionAction::Conversion);
    EXPECT_EQ(DispatchFor("CAD2PDF").action, FunctionAction::Conversion);

    EXPECT_EQ(WebPageUrl("PDF2CAD", "https://web.example"),
              "https://web.example/pdf-to-cad?extra=PC&Device=PC");
    EXPECT_EQ(WebPageUrl("PDFAddPageNumber", "https://web.example"),
              "https://web.example/pdf-add-page-number?extra=PC&Device=PC");
    EXPECT_FALSE(WebPageUrl("PDF2Word", "https://web.example"));
    EXPECT_FALSE(WebPageUrl("PDFPrint", "https://web.example"));
}

namespace {

class ScriptedDialogs : public DialogService
{
public:
    std::optional<std::vector<std::string>> OpenFiles(const OpenFileRequest& request) override
    {
        requests.push_back(request);
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::optional<std::vector<std::string>>> answers;
    std::vector<OpenFileRequest> requests;
};

} // namespace

TEST(FileSelectorTest, DialogAnswersBecomePathsAndTheFolderIsRemembered)
{
    ScriptedDialogs dialogs;
    FileSelector selector(dialogs);
    EXPECT_FALSE(selector.DialogShown());

    dialogs.answers = {std::vector<std::string>{"/docs/a.pdf", "/docs/b.pdf", "/docs/c.pdf"},
                       std::nullopt, std::vector<std::string>{"/other/x.docx", "/other/y.docx"}};
    EXPECT_THAT(*selector.SelectFiles("PDF2Word", true),
                ElementsAre("/docs/a.pdf", "/docs/b.pdf", "/docs/c.pdf"));
    EXPECT_TRUE(selector.DialogShown());
    EXPECT_FALSE(selector.SelectFiles("PDFPrint", false));
    EXPECT_THAT(*selector.SelectFiles("Word2PDF", false), ElementsAre("/other/x.docx"));

    ASSERT_EQ(dialogs.requests.size(), 3u);
    EXPECT_EQ(dialogs.requests[0].filter, FileFilterForFunction("PDF2Word"));
    EXPECT_TRUE(dialogs.requests[0].multiSelect);
    EXPECT_EQ(dialogs.requests[0].initialFolder, "");
    EXPECT_FALSE(dialogs.requests[1].multiSelect);
    EXPECT_EQ(dialogs.requests[1].initialFolder, "/docs/");
    EXPECT_EQ(dialogs.requests[2].filter, FileFilterForFunction("Word2PDF"));
}
