#include "support/scratchdir.h"
#include "tiles/tileconfig.h"
#include "utility/stringtable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using ::testing::ElementsAre;

namespace {

struct FakeView : TileView
{
    FakeView(std::string name, int index) : name(std::move(name)), index(index) {}
    std::string ViewName() const override { return name; }
    int LeftBarIndex() const override { return index; }
    std::string name;
    int index;
};

struct FakePanel : TilePanel
{
    explicit FakePanel(TileView* view) : view(view) {}
    TileView* OwnerView() const override { return view; }
    TileView* view;
};

std::vector<std::string> Keys(const TileConfig& config, std::string_view group)
{
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < config.ItemCount(group); ++i)
        keys.push_back(config.Item(group, i).name);
    return keys;
}

} // namespace

class TileConfigTest : public ::testing::Test
{
protected:
    std::unique_ptr<TileConfig> Loaded(const std::string& from,
                                       std::string_view defaults = TileConfig::DefaultContent())
    {
        auto config = std::make_unique<TileConfig>([this] { ++iconUpdates; }, defaults);
        EXPECT_TRUE(config->Load(from));
        return config;
    }

    ScratchDir dir;
    std::string path = dir.File("tileview_ini.xml");
    int iconUpdates = 0;
};

TEST_F(TileConfigTest, FirstRunWritesTheDefaultOnceAndModelsItAlphabetically)
{
    auto config = Loaded(path);
    EXPECT_EQ(iconUpdates, 1);
    const std::string written = ReadFileBytes(path);
    EXPECT_NE(written.find("<ini iniVersion=\"7\">\n\t<tileview_common>\n\t\t<PDFPrint "),
              std::string::npos);
    EXPECT_EQ(written.find("\n "), std::string::npos);

    EXPECT_THAT(config->GroupNames(),
                ElementsAre("tileview_common", "tileview_docoperate", "tileview_docsafe",
                            "tileview_frompdf", "tileview_topdf"));
    EXPECT_THAT(Keys(*config, "tileview_frompdf"),
                ElementsAre("PDF2JPG", "PDF2PPT", "PDF2Excel", "PDF2Html"));
    EXPECT_EQ(config->ItemAtFlatIndex(4)->name, "PDFLock");
    EXPECT_EQ(config->ItemAtFlatIndex(16)->name, "PDF2JPG");
    EXPECT_EQ(config->ItemAtFlatIndex(23)->name, "Excel2PDF");
    EXPECT_FALSE(config->ItemAtFlatIndex(24));
    const TileItem txt = *config->FindItem("TXT2PDF");
    EXPECT_EQ(txt.smallIconSkin + txt.bigIconSkin, "skin_ftv_item_txt2pdfskin_mtv_item_txt2pdf");
    EXPECT_TRUE(txt.isNew && !txt.isFree && config->FindItem("PDF2Html")->isFree);
    EXPECT_EQ(config->CaptionOf("pdf-Portfolios"), "");
    for (std::size_t i = 0; i < config->TotalItemCount(); ++i)
        EXPECT_TRUE(StringTable::Contains(config->ItemAtFlatIndex(i)->text)) << i;

    // Same version on the next start: the file stays and the icon is left alone.
    WriteFileBytes(path, written + "<!-- kept -->");
    Loaded(path);
    EXPECT_EQ(iconUpdates, 1);
    EXPECT_NE(ReadFileBytes(path).find("kept"), std::string::npos);
}

TEST_F(TileConfigTest, UserFilesOfAnotherVersionOrUnreadableAreRecreated)
{
    for (const std::string user :
         {R"(<ini iniVersion="6"><tileview_common><PDF2Excel/></tileview_common></ini>)",
          R"(<ini><tileview_common><PDF2Excel/></tileview_common></ini>)",
          R"(<ini iniVersion="7"><tileview_common><PDF2Excel/>)", "",
          R"(<root iniVersion="7"/>)"}) {
        WriteFileBytes(path, user);
        auto config = Loaded(path);
        EXPECT_THAT(Keys(*config, "tileview_common"),
                    ElementsAre("PDFPrint", "PDF2Word", "Word2PDF", "PDFMerge"));
        EXPECT_NE(ReadFileBytes(path).find("<PDF2Excel "), std::string::npos) << user;
    }
    EXPECT_EQ(iconUpdates, 5);
}

TEST_F(TileConfigTest, VersionsMissingOnBothSidesCountAsEqual)
{
    const std::string user = R"(<ini><g><TXT2PDF free="yes" new="0"/></g><g><PDF2CAD/></g></ini>)";
    WriteFileBytes(path, user);
    auto config = Loaded(path, "<ini><tileview_common><PDFPrint/></tileview_common></ini>");
    EXPECT_EQ(iconUpdates, 0);
    EXPECT_EQ(ReadFileBytes(path), user);
    TileItem cad; // the later group of a name wins; absent attributes read empty
    cad.name = "PDF2CAD";
    EXPECT_EQ(config->Item("g", 0), cad);
    EXPECT_EQ(config->ItemCount("g"), 1u);
}

TEST_F(TileConfigTest, WithoutAPathTheDefaultIsUsedAndNothingIsWritten)
{
    auto config = Loaded("");
    EXPECT_EQ(iconUpdates, 1);
    EXPECT_EQ(config->TotalItemCount(), 24u);
    FakeView fromPdf{"tileview_frompdf", 1};
    FakePanel excel{&fromPdf};
    config->SetItemPanel("tileview_frompdf", 2, &excel);
    ASSERT_TRUE(config->MoveItem(&excel, true));
    EXPECT_EQ(config->Item("tileview_common", 4).name, "PDF2Excel");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

class TileMoveTest : public TileConfigTest
{
protected:
    void SetUp() override
    {
        config = Loaded(path);
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
    const TileItem moved = config->Item("tileview_frompdf", 2);
    const auto into = config->MoveItem(&excel, true);
    ASSERT_TRUE(into);
    EXPECT_EQ(into->destination, &common);
    EXPECT_EQ(into->source, &fromPdf);
    EXPECT_EQ(config->Item("tileview_common", 4), moved);
    EXPECT_THAT(Keys(*config, "tileview_frompdf"), ElementsAre("PDF2JPG", "PDF2PPT", "PDF2Html"));
    EXPECT_NE(ReadFileBytes(path).find("\t\t<PDFMerge initialList=\"tileview_docoperate\" "
                                       "smallIconSkin=\"skin_ftv_item_pdfmerge\" "),
              std::string::npos);

    // The file changed at once: a restart sees the same model, all attributes included.
    auto restarted = Loaded(path);
    TileItem unshown = moved;
    unshown.panel = nullptr;
    EXPECT_EQ(restarted->Item("tileview_common", 4), unshown);
    EXPECT_THAT(Keys(*restarted, "tileview_frompdf"),
                ElementsAre("PDF2JPG", "PDF2PPT", "PDF2Html"));

    FakePanel excelInCommon{&common};
    config->SetItemPanel("tileview_common", 4, &excelInCommon);
    const auto back = config->MoveItem(&excelInCommon, false);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->destination, &fromPdf);
    EXPECT_EQ(back->source, &common);
    EXPECT_THAT(Keys(*config, "tileview_frompdf"),
                ElementsAre("PDF2JPG", "PDF2PPT", "PDF2Html", "PDF2Excel"));
    EXPECT_THAT(Keys(*Loaded(path), "tileview_frompdf"),
                ElementsAre("PDF2JPG", "PDF2PPT", "PDF2Html", "PDF2Excel"));
    EXPECT_EQ(Keys(*Loaded(path), "tileview_common").size(), 4u);
}

TEST_F(TileMoveTest, UnknownPanelsChangeNothing)
{
    const std::string file = ReadFileBytes(path);
    FakeView unnamed{"", 7};
    for (FakePanel panel : {FakePanel{nullptr}, FakePanel{&unnamed}, FakePanel{&fromPdf}})
        EXPECT_FALSE(config->MoveItem(&panel, true));
    EXPECT_EQ(ReadFileBytes(path), file);
    EXPECT_EQ(config->ItemCount("tileview_common"), 4u);
}

TEST_F(TileMoveTest, GroupIndexFollowsTheStoredRectangles)
{
    config->SetGroupRect("tileview_common", {20, 40, 700, 240});
    config->SetGroupRect("tileview_frompdf", {20, 280, 700, 480});
    config->SetGroupRect("tileview_topdf", {20, 520, 700, 720}); // no view attached
    EXPECT_EQ(config->GroupIndexAt(40), 0);
    EXPECT_EQ(config->GroupIndexAt(240), -1);
    EXPECT_EQ(config->GroupIndexAt(479), 1);
    EXPECT_EQ(config->GroupIndexAt(600), -1);
}

TEST(TileRowsTest, RowsHoldAsManyTilesAsFitAndAtLeastOne)
{
    EXPECT_EQ(TileRows(5, 600, 145), 2);
    EXPECT_EQ(TileRows(4, 600, 145), 1);
    EXPECT_EQ(TileRows(3, 100, 145), 3);
    EXPECT_EQ(TileRows(3, 100, 0), 3);
}
