#include "support/scratchdir.h"
#include "tiles/tileconfig.h"
#include "utility/stringtable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <memory>

using ::testing::ElementsAre;

namespace {

class FakeView : public TileView
{
public:
    FakeView(std::string name, int leftBarIndex) : name(std::move(name)), index(leftBarIndex) {}
    std::string ViewName() const override { return name; }
    int LeftBarIndex() const override { return index; }

private:
    std::string name;
    int index;
};

class FakePanel : public TilePanel
{
public:
    explicit FakePanel(TileView* view) : view(view) {}
    TileView* OwnerView() const override { return view; }

private:
    TileView* view;
};

std::vector<std::string> Keys(const TileConfig& config, std::string_view group)
{
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < config.ItemCount(group); ++i)
        keys.push_back(config.Item(group, i).name);
    return keys;
}

std::vector<std::string> FileKeys(const std::string& path, const char* group)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(path.c_str()));
    std::vector<std::string> keys;
    for (const pugi::xml_node tile : document.child("ini").child(group).children())
        keys.push_back(tile.name());
    return keys;
}

} // namespace

class TileConfigTest : public ::testing::Test
{
protected:
    std::unique_ptr<TileConfig> MakeConfig(std::string_view defaults = TileConfig::DefaultContent())
    {
        return std::make_unique<TileConfig>([this] { ++iconUpdates; }, defaults);
    }

    ScratchDir dir;
    std::string path = dir.File("tileview_ini.xml");
    int iconUpdates = 0;
};

TEST_F(TileConfigTest, FirstRunWritesTheDefaultWithTabsAndUpdatesTheIconOnce)
{
    auto config = MakeConfig();
    ASSERT_TRUE(config->Load(path));
    EXPECT_EQ(iconUpdates, 1);

    const std::string written = ReadFileBytes(path);
    EXPECT_NE(written.find("<ini iniVersion=\"7\">\n\t<tileview_common>\n\t\t<PDFPrint "),
              std::string::npos);
    EXPECT_EQ(written.find("\n "), std::string::npos);

    // Same version on the next start: the file stays and the icon is left alone.
    WriteFileBytes(path, written + "<!-- kept -->");
    ASSERT_TRUE(MakeConfig()->Load(path));
    EXPECT_EQ(iconUpdates, 1);
    EXPECT_NE(ReadFileBytes(path).find("kept"), std::string::npos);
}

TEST_F(TileConfigTest, DefaultModelIsInAlphabeticalGroupOrder)
{
    auto config = MakeConfig();
    ASSERT_TRUE(config->Load(path));
    EXPECT_THAT(config->GroupNames(),
                ElementsAre("tileview_common", "tileview_docoperate", "tileview_docsafe",
                            "tileview_frompdf", "tileview_topdf"));
    EXPECT_THAT(Keys(*config, "tileview_frompdf"),
                ElementsAre("PDF2JPG", "PDF2PPT", "PDF2Excel", "PDF2Html"));
    EXPECT_EQ(config->ItemCount("tileview_docoperate"), 12u);
    EXPECT_EQ(config->TotalItemCount(), 24u);

    EXPECT_EQ(config->ItemAtFlatIndex(0)->name, "PDFPrint");
    EXPECT_EQ(config->ItemAtFlatIndex(4)->name, "PDFLock");
    EXPECT_EQ(config->ItemAtFlatIndex(16)->name, "PDF2JPG");
    EXPECT_EQ(config->ItemAtFlatIndex(23)->name, "Excel2PDF");
    EXPECT_FALSE(config->ItemAtFlatIndex(24));

    const TileItem txt = *config->FindItem("TXT2PDF");
    EXPECT_EQ(txt.initialList, "tileview_topdf");
    EXPECT_EQ(txt.smallIconSkin, "skin_ftv_item_txt2pdf");
    EXPECT_EQ(txt.bigIconSkin, "skin_mtv_item_txt2pdf");
    EXPECT_EQ(txt.text, "@string/str_tileview_item_txt2PDF");
    EXPECT_TRUE(txt.isNew);
    EXPECT_FALSE(txt.isFree);
    EXPECT_TRUE(config->FindItem("PDF2Html")->isFree);
    EXPECT_EQ(config->FindItem("PDFPrint")->initialList, "tileview_docoperate");
    EXPECT_FALSE(config->FindItem("PDFScanner"));
    EXPECT_EQ(config->CaptionOf("pdf-portfolios"), "@string/str_tileview_item_pdffilepackage");
    EXPECT_EQ(config->CaptionOf("pdf-Portfolios"), "");

    for (std::size_t i = 0; i < config->TotalItemCount(); ++i) {
        const std::string caption = config->ItemAtFlatIndex(i)->text;
        EXPECT_TRUE(StringTable::Contains(caption)) << caption;
    }
}

TEST_F(TileConfigTest, UserFileOfAnotherVersionIsRecreated)
{
    WriteFileBytes(path, R"(<ini iniVersion="6"><tileview_common><PDF2Excel/></tileview_common>
        <tileview_frompdf/></ini>)");
    auto config = MakeConfig();
    ASSERT_TRUE(config->Load(path));
    EXPECT_EQ(iconUpdates, 1);
    EXPECT_THAT(FileKeys(path, "tileview_common"),
                ElementsAre("PDFPrint", "PDF2Word", "Word2PDF", "PDFMerge"));
    EXPECT_EQ(config->ItemWithKey("tileview_frompdf", "PDF2Excel").name, "PDF2Excel");
    EXPECT_EQ(config->ItemWithKey("tileview_common", "PDF2Excel").name, "");

    WriteFileBytes(path, R"(<ini><tileview_common/></ini>)");
    ASSERT_TRUE(MakeConfig()->Load(path));
    EXPECT_EQ(iconUpdates, 2);
}

TEST_F(TileConfigTest, VersionsMissingOnBothSidesCountAsEqual)
{
    const std::string user = R"(<ini><tileview_topdf><TXT2PDF free="yes" new="0"/>)"
                             R"(<PDF2CAD/></tileview_topdf></ini>)";
    WriteFileBytes(path, user);
    auto config = MakeConfig("<ini><tileview_common><PDFPrint/></tileview_common></ini>");
    ASSERT_TRUE(config->Load(path));
    EXPECT_EQ(iconUpdates, 0);
    EXPECT_EQ(ReadFileBytes(path), user);
    EXPECT_THAT(config->GroupNames(), ElementsAre("tileview_topdf"));
    const TileItem txt = config->Item("tileview_topdf", 0);
    EXPECT_TRUE(txt.isFree);
    EXPECT_FALSE(txt.isNew);
    TileItem cad;
    cad.name = "PDF2CAD";
    EXPECT_EQ(config->Item("tileview_topdf", 1), cad);
}

TEST_F(TileConfigTest, MalformedOrUnusableUserFilesAreReplaced)
{
    for (const std::string bad :
         {"<ini iniVersion=\"7\"><tileview_common>", "", "<root iniVersion=\"7\"/>"}) {
        WriteFileBytes(path, bad);
        ASSERT_TRUE(MakeConfig()->Load(path)) << bad;
        EXPECT_NE(ReadFileBytes(path).find("<ini iniVersion=\"7\">"), std::string::npos) << bad;
        EXPECT_EQ(FileKeys(path, "tileview_common").size(), 4u) << bad;
    }
    EXPECT_EQ(iconUpdates, 3);
}

TEST_F(TileConfigTest, WithoutAPathTheDefaultIsUsedAndNothingIsWritten)
{
    auto config = MakeConfig();
    ASSERT_TRUE(config->Load(""));
    EXPECT_EQ(iconUpdates, 1);
    EXPECT_EQ(config->TotalItemCount(), 24u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST_F(TileConfigTest, LaterGroupOfTheSameNameWins)
{
    WriteFileBytes(path, R"(<ini iniVersion="7"><g><A/><B/></g><g><C/></g><empty/></ini>)");
    auto config = MakeConfig();
    ASSERT_TRUE(config->Load(path));
    EXPECT_THAT(config->GroupNames(), ElementsAre("empty", "g"));
    EXPECT_THAT(Keys(*config, "g"), ElementsAre("C"));
    EXPECT_EQ(config->ItemCount("missing"), 0u);
    EXPECT_EQ(config->Item("g", 5), TileItem{});
    EXPECT_THAT(config->GroupNames(), ElementsAre("empty", "g"));
}

class TileMoveTest : public TileConfigTest
{
protected:
    void SetUp() override
    {
        config = MakeConfig();
        ASSERT_TRUE(config->Load(path));
        config->SetView("tileview_common", &common);
        config->SetView("tileview_frompdf", &fromPdf);
        config->SetItemPanel("tileview_frompdf", 2, &excel);
    }

    FakeView common{"tileview_common", 0};
    FakeView fromPdf{"tileview_frompdf", 1};
    FakePanel excel{&fromPdf};
    std::unique_ptr<TileConfig> config;
};

TEST_F(TileMoveTest, MovingIntoAndOutOfTheCommonGroupAppendsInFileAndModel)
{
    const TileItem before = config->Item("tileview_frompdf", 2);
    const auto into = config->MoveItem(&excel, true);
    ASSERT_TRUE(into);
    EXPECT_EQ(into->destination, &common);
    EXPECT_EQ(into->source, &fromPdf);
    EXPECT_THAT(Keys(*config, "tileview_common"),
                ElementsAre("PDFPrint", "PDF2Word", "Word2PDF", "PDFMerge", "PDF2Excel"));
    EXPECT_EQ(config->Item("tileview_common", 4), before);
    EXPECT_THAT(Keys(*config, "tileview_frompdf"), ElementsAre("PDF2JPG", "PDF2PPT", "PDF2Html"));
    EXPECT_THAT(FileKeys(path, "tileview_common"),
                ElementsAre("PDFPrint", "PDF2Word", "Word2PDF", "PDFMerge", "PDF2Excel"));
    EXPECT_THAT(FileKeys(path, "tileview_frompdf"), ElementsAre("PDF2JPG", "PDF2PPT", "PDF2Html"));
    EXPECT_NE(ReadFileBytes(path).find("\n\t\t<PDF2Excel initialList=\"tileview_frompdf\" "
                                       "smallIconSkin=\"skin_ftv_item_pdf2excel\""),
              std::string::npos);

    // The choice survives a restart.
    auto restarted = MakeConfig();
    ASSERT_TRUE(restarted->Load(path));
    TileItem unshown = before;
    unshown.panel = nullptr;
    EXPECT_EQ(restarted->Item("tileview_common", 4), unshown);

    FakePanel excelInCommon{&common};
    config->SetItemPanel("tileview_common", 4, &excelInCommon);
    const auto back = config->MoveItem(&excelInCommon, false);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->destination, &fromPdf);
    EXPECT_EQ(back->source, &common);
    EXPECT_THAT(Keys(*config, "tileview_frompdf"),
                ElementsAre("PDF2JPG", "PDF2PPT", "PDF2Html", "PDF2Excel"));
    EXPECT_EQ(config->ItemCount("tileview_common"), 4u);
    EXPECT_THAT(FileKeys(path, "tileview_frompdf"),
                ElementsAre("PDF2JPG", "PDF2PPT", "PDF2Html", "PDF2Excel"));
    EXPECT_EQ(FileKeys(path, "tileview_common").size(), 4u);
}

TEST_F(TileMoveTest, UnknownPanelsChangeNothing)
{
    const std::string file = ReadFileBytes(path);
    FakeView stranger{"", 7};
    FakePanel nowhere{nullptr};
    FakePanel unnamed{&stranger};
    FakePanel notShown{&fromPdf};
    EXPECT_FALSE(config->MoveItem(&nowhere, true));
    EXPECT_FALSE(config->MoveItem(&unnamed, true));
    EXPECT_FALSE(config->MoveItem(&notShown, true));
    EXPECT_FALSE(config->MoveItem(nullptr, true));
    EXPECT_EQ(ReadFileBytes(path), file);
    EXPECT_EQ(config->TotalItemCount(), 24u);
}

TEST_F(TileMoveTest, WithoutAFileOnlyTheModelChanges)
{
    ASSERT_TRUE(config->Load(""));
    std::filesystem::remove(path);
    config->SetView("tileview_frompdf", &fromPdf);
    config->SetItemPanel("tileview_frompdf", 2, &excel);
    ASSERT_TRUE(config->MoveItem(&excel, true));
    EXPECT_EQ(config->Item("tileview_common", 4).name, "PDF2Excel");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST_F(TileMoveTest, GroupIndexFollowsTheStoredRectangles)
{
    FakeView docOperate{"tileview_docoperate", 4};
    config->SetView("tileview_docoperate", &docOperate);
    config->SetGroupRect("tileview_common", {20, 40, 700, 240});
    config->SetGroupRect("tileview_docoperate", {20, 800, 700, 1200});
    config->SetGroupRect("tileview_frompdf", {20, 280, 700, 480});
    config->SetGroupRect("tileview_topdf", {20, 520, 700, 720}); // no view attached

    EXPECT_EQ(config->GroupIndexAt(40), 0);
    EXPECT_EQ(config->GroupIndexAt(239), 0);
    EXPECT_EQ(config->GroupIndexAt(240), -1);
    EXPECT_EQ(config->GroupIndexAt(300), 1);
    EXPECT_EQ(config->GroupIndexAt(600), -1);
    EXPECT_EQ(config->GroupIndexAt(1000), 4);
    EXPECT_EQ(config->GroupRect("tileview_frompdf"), (TileRect{20, 280, 700, 480}));
}

TEST(TileRowsTest, RowsHoldAsManyTilesAsFitAndAtLeastOne)
{
    EXPECT_EQ(TileRows(5, 600, 145), 2);
    EXPECT_EQ(TileRows(4, 600, 145), 1);
    EXPECT_EQ(TileRows(0, 600, 145), 0);
    EXPECT_EQ(TileRows(3, 100, 145), 3);
    EXPECT_EQ(TileRows(3, 100, 0), 3);
}
