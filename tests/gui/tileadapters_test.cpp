// The tile adapters on their own: what a tile click posts, what each view shows of the tile
// configuration, and the icon every tile gets.
#include "gui/guitest.h"
#include "support/recordingtarget.h"
#include "tiles/tileconfig.h"
#include "ui/filetileviewadapter.h"
#include "ui/maintileviewadapter.h"
#include "ui/theme.h"
#include "ui/tileview.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

class TileAdaptersTest : public ::testing::Test
{
protected:
    TileAdaptersTest()
    {
        TestApp();
        EXPECT_TRUE(tiles.Load(""));
    }

    TileConfig tiles{[] {}};
    RecordingTarget mainWnd;
};

TEST_F(TileAdaptersTest, AGroupTileClickPostsItsPanelTheBigTileSourceAndItsKey)
{
    CTileView view("tileview_frompdf", 1, TileTemplate::Big(), "btn_item_add");
    view.resize(600, 400);
    auto* adapter = new CMainTileViewAdapterMgr(tiles, "tileview_frompdf", mainWnd);
    tiles.SetView("tileview_frompdf", &view);
    view.SetAdapter(adapter);
    ASSERT_EQ(view.Panels().size(), 4u);
    EXPECT_EQ(adapter->data(adapter->index(2), CTileViewAdapterBase::KeyRole).toString(),
              "PDF2Excel");
    EXPECT_EQ(adapter->data(adapter->index(2), Qt::DisplayRole).toString().toStdString(),
              "PDF转Excel");
    CTilePanel* excel = view.Panels()[2];
    EXPECT_EQ(tiles.Item("tileview_frompdf", 2).panel, excel);

    excel->click();
    ASSERT_EQ(mainWnd.Count(WM_TILE_CLICKED), 1u);
    const WindowMessage posted = mainWnd.Messages().back();
    EXPECT_EQ(posted.wParam, reinterpret_cast<std::uintptr_t>(excel));
    EXPECT_EQ(posted.lParam, 1);
    EXPECT_EQ(posted.payload, "PDF2Excel");

    // In custom mode the same click posts nothing.
    adapter->SetCustomMode(view, true);
    excel->click();
    EXPECT_EQ(mainWnd.Count(WM_TILE_CLICKED), 1u);
}

TEST_F(TileAdaptersTest, ADropPageTilePostsTheSmallTileSourceAndShowsTheNamesInOrder)
{
    CTileView view("tileview_dropFile", -1, TileTemplate::Small(), nullptr);
    view.resize(600, 400);
    auto* adapter = new CFileTileViewAdapterMgr(tiles, mainWnd);
    view.SetAdapter(adapter);
    EXPECT_TRUE(view.Panels().empty());
    adapter->ShowNames({"IMG2TXT", "Word2PDF", "NoSuchTile"});
    ASSERT_EQ(view.Panels().size(), 3u);
    EXPECT_EQ(view.Panels()[0]->Key(), "IMG2TXT");
    EXPECT_EQ(view.Panels()[1]->Key(), "Word2PDF");
    // A key without a tile leaves the tile blank and unusable.
    EXPECT_EQ(view.Panels()[2]->Key(), "");
    EXPECT_FALSE(view.Panels()[2]->isEnabled());
    // Small tiles have no add or remove button.
    EXPECT_EQ(view.Panels()[0]->AddRemoveButton(), nullptr);

    view.Panels()[1]->click();
    ASSERT_EQ(mainWnd.Count(WM_TILE_CLICKED), 1u);
    EXPECT_EQ(mainWnd.Messages().back().lParam, 2);
    EXPECT_EQ(mainWnd.Messages().back().payload, "Word2PDF");
    EXPECT_EQ(mainWnd.Messages().back().wParam, reinterpret_cast<std::uintptr_t>(view.Panels()[1]));

    adapter->ShowNames({});
    EXPECT_TRUE(view.Panels().empty());
}

TEST_F(TileAdaptersTest, EveryDefaultTileHasItsOwnIconDrawnAtBothScalesAndOthersTheGenericOne)
{
    const auto inked = [](const QPixmap& pixmap) {
        const QImage image = pixmap.toImage();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        return opaque > image.width() * image.height() / 8;
    };
    std::size_t checked = 0;
    for (std::size_t n = 0; n < tiles.TotalItemCount(); ++n) {
        const TileItem item = *tiles.ItemAtFlatIndex(n);
        for (const auto& [skin, size] :
             {std::pair(item.bigIconSkin, 68), std::pair(item.smallIconSkin, 51)}) {
            const std::string icon = TileIconName(skin);
            EXPECT_NE(icon, "tile_generic") << item.name;
            for (const qreal scale : {1.0, 2.0}) {
                const QPixmap drawn = Theme::Pixmap(icon, QSize(size, size), scale);
                EXPECT_EQ(drawn.size(), QSize(size, size) * scale);
                EXPECT_TRUE(inked(drawn)) << item.name << " at " << scale;
            }
        }
        ++checked;
    }
    EXPECT_EQ(checked, 24u);
    EXPECT_EQ(TileIconName("skin_mtv_item_pdf2cad"), "tile_generic");
    EXPECT_EQ(TileIconName(""), "tile_generic");
    EXPECT_TRUE(inked(Theme::Pixmap("tile_generic", QSize(68, 68))));
}

} // namespace
