// The home page's tile views, custom mode, the drop page and the left bar's coupling with the
// scrolling, through the real window: real drag events at the window's drop target, clicks,
// keys and the tile file on disk.
#include "gui/tileviewsfixture.h"

#include <QAccessible>
#include <QCursor>

namespace {

using namespace std::chrono_literals;

TEST_F(TileViewsTest, ADragShowsTheFunctionsThatTakeItsFilesAndLeavingReturnsHome)
{
    const auto data = Files({"a.docx", "b.jpg", "c.zip"});
    EXPECT_TRUE(Enter(*data, Blank()));
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::FileTileView));
    EXPECT_EQ(DropKeys(), QStringList({"Word2PDF", "JPG2PDF", "IMG2TXT"}));
    EXPECT_FALSE(Find("txt_ftv_none")->isVisible());
    for (const CTilePanel* panel : DropView().Panels()) {
        EXPECT_EQ(panel->size(), QSize(104, 117));
        EXPECT_FALSE(panel->accessibleName().isEmpty());
    }

    // The page switch must not lose the drag: moving on goes on showing the drop page, and
    // the tile under the cursor is highlighted until the cursor moves off it.
    CTilePanel* image = DropTile("JPG2PDF");
    ASSERT_NE(image, nullptr);
    Move(*data, CentreOf(image));
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::FileTileView));
    EXPECT_EQ(image->CurrentLook(), CTilePanel::Look::DropHover);
    Move(*data, CentreOf(DropTile("Word2PDF")));
    EXPECT_EQ(image->CurrentLook(), CTilePanel::Look::Normal);
    EXPECT_EQ(DropTile("Word2PDF")->CurrentLook(), CTilePanel::Look::DropHover);
    Move(*data, Blank());
    EXPECT_EQ(DropTile("Word2PDF")->CurrentLook(), CTilePanel::Look::Normal);

    Leave();
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    EXPECT_TRUE(DropKeys().isEmpty());
}

TEST_F(TileViewsTest, OnlyAZipShowsAnEmptyDropPageAndItsDropOnlyReturnsHome)
{
    const auto data = Files({"c.zip"});
    Enter(*data, Blank());
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::FileTileView));
    EXPECT_TRUE(DropKeys().isEmpty());
    EXPECT_TRUE(Find("txt_ftv_none")->isVisible());
    DropAt(*data, Blank());
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_EQ(Count(), 0);
}

TEST_F(TileViewsTest, ADragOverTheLeftBarWaitsUntilItReachesTheTilePages)
{
    const auto data = Files({"a.docx"});
    Enter(*data, CentreOf(Find("btn_leftbar_openpdf")));
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    Move(*data, Blank());
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::FileTileView));
    EXPECT_EQ(DropKeys(), QStringList({"Word2PDF"}));
    // Out to the left bar and back.
    Move(*data, CentreOf(Find("lb_leftbar_part2")));
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    Move(*data, Blank());
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::FileTileView));
    Leave();
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
}

TEST_F(TileViewsTest, ADragWithoutFilesLeavesThePageAlone)
{
    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    EXPECT_FALSE(Enter(text, Blank()));
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
}

TEST_F(TileViewsTest, ADropOnATilePassesOnlyTheFilesItsFunctionTakes)
{
    const auto data = Files({"a.docx", "b.pdf"});
    Enter(*data, Blank());
    CTilePanel* word = DropTile("Word2PDF");
    ASSERT_NE(word, nullptr);
    Move(*data, CentreOf(word));
    DropAt(*data, CentreOf(word));
    ASSERT_TRUE(
        WaitUntil([&] { return CurrentPage() == static_cast<int>(MainPage::ConvertList); }));
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_EQ(Page().Adapter().CurrentFunction(), "Word2PDF");
    ASSERT_EQ(Store().GetCount("Word2PDF"), 1);
    EXPECT_EQ(Store().GetSourcePath("Word2PDF", 0), scratch.File("a.docx"));
    EXPECT_TRUE(DropKeys().isEmpty());
}

// Files chosen in the file manager ("dokora --convert"): the drop page offers their
// functions without a drag; a tile takes its files, Escape or the left bar leaves, and a
// drag replaces the offer.
TEST_F(TileViewsTest, OfferedFilesWaitOnTheDropPageForATile)
{
    const std::vector<std::string> files = {MakeFile("a.docx"), MakeFile("b.jpg"),
                                            MakeFile("c.zip")};
    window->OfferFiles(files);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::FileTileView));
    EXPECT_EQ(DropKeys(), QStringList({"Word2PDF", "JPG2PDF", "IMG2TXT"}));
    // The cursor check belongs to drags: an offer outlives it.
    EXPECT_FALSE(WaitUntil(
        [&] { return CurrentPage() != static_cast<int>(MainPage::FileTileView); }, 700ms));
    Press(Qt::Key_Escape);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    EXPECT_TRUE(DropKeys().isEmpty());

    window->OfferFiles(files);
    auto* leftBar = Find<QListWidget>("lb_leftbar_part1");
    QListWidgetItem* chosen = leftBar->item(LeftBarRow());
    ASSERT_NE(chosen, nullptr);
    emit leftBar->itemClicked(chosen);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));

    window->OfferFiles(files);
    const auto data = Files({"d.pdf"});
    Enter(*data, Blank());
    EXPECT_EQ(DropKeys().front(), QStringLiteral("PDFPrint"));
    Leave();
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));

    window->OfferFiles(files);
    DropTile("JPG2PDF")->click();
    ASSERT_TRUE(
        WaitUntil([&] { return CurrentPage() == static_cast<int>(MainPage::ConvertList); }));
    EXPECT_EQ(Page().Adapter().CurrentFunction(), "JPG2PDF");
    ASSERT_EQ(Store().GetCount("JPG2PDF"), 1);
    EXPECT_EQ(Store().GetSourcePath("JPG2PDF", 0), files[1]);
    EXPECT_TRUE(dialogs.fileRequests.empty());
}

TEST_F(TileViewsTest, TheCursorCheckReturnsHomeWhenTheDragLeftUnannounced)
{
    const auto data = Files({"a.docx"});
    Enter(*data, Blank());
    ASSERT_EQ(CurrentPage(), static_cast<int>(MainPage::FileTileView));
    // Still over the page: the check keeps the drop page.
    QCursor::setPos(window->mapToGlobal(Blank()));
    EXPECT_FALSE(WaitUntil(
        [&] { return CurrentPage() != static_cast<int>(MainPage::FileTileView); }, 700ms));
    // Away from the window, with no leave event; a move over the page just before still
    // counts as being there.
    Move(*data, Blank());
    QCursor::setPos(window->mapToGlobal(QPoint(-200, -200)));
    EXPECT_FALSE(WaitUntil(
        [&] { return CurrentPage() != static_cast<int>(MainPage::FileTileView); }, 200ms));
    EXPECT_TRUE(
        WaitUntil([&] { return CurrentPage() == static_cast<int>(MainPage::MainTileView); }, 2s));
    EXPECT_TRUE(DropKeys().isEmpty());
}

TEST_F(TileViewsTest, CustomModeFreezesTheTilesAndMovesThemThroughTheirButtons)
{
    // Room for four big tiles a row.
    window->resize(900, CMainWnd::kHeight);
    Drain();
    auto* custom = Find<QPushButton>("btn_custom");
    EXPECT_EQ(custom->text().toStdString(), "自定义");
    custom->click();
    EXPECT_EQ(custom->text().toStdString(), "已完成");

    // Clicking a tile's body does nothing.
    HomeTile(kFunction)->click();
    Drain();
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    EXPECT_EQ(HomeTile(kFunction)->CurrentLook(), CTilePanel::Look::Frozen);

    // Every tile but PDFPrint shows its button.
    EXPECT_FALSE(HomeTile("PDFPrint")->AddRemoveButton()->isVisible());
    EXPECT_TRUE(HomeTile(kFunction)->AddRemoveButton()->isVisible());
    EXPECT_EQ(HomeTile(kFunction)->AddRemoveButton()->objectName(), "btn_item_sub");
    EXPECT_EQ(HomeTile("PDF2Excel")->AddRemoveButton()->objectName(), "btn_item_add");

    // Four tiles fill the common row at this width; a fifth opens a second row.
    auto* common = Find<CTileView>("tileview_common");
    ASSERT_EQ(common->width() / 145, 4);
    EXPECT_EQ(common->height(), 172);
    HomeTile("PDF2Excel")->AddRemoveButton()->click();
    Drain();
    EXPECT_EQ(GroupKeys("tileview_common"),
              QStringList({"PDFPrint", "PDF2Word", "Word2PDF", "PDFMerge", "PDF2Excel"}));
    EXPECT_EQ(GroupKeys("tileview_frompdf"), QStringList({"PDF2JPG", "PDF2PPT", "PDF2Html"}));
    EXPECT_EQ(common->height(), 2 * 172);
    // The file changed at once: a new start shows the same.
    const std::string file = TileFile();
    const auto commonEnd = file.find("</tileview_common>");
    ASSERT_NE(commonEnd, std::string::npos);
    EXPECT_LT(file.find("<PDF2Excel"), commonEnd);
    TileConfig reread{[] {}};
    ASSERT_TRUE(reread.Load(scratch.File("tileview_ini.xml")));
    EXPECT_EQ(reread.Item(kCommonGroup, 4).name, "PDF2Excel");

    // Moved tiles keep custom mode; leaving it brings the clicks back.
    EXPECT_TRUE(HomeTile("PDF2Excel")->AddRemoveButton()->isVisible());
    custom->click();
    EXPECT_EQ(custom->text().toStdString(), "自定义");
    EXPECT_FALSE(HomeTile("PDF2Excel")->AddRemoveButton()->isVisible());
    EXPECT_EQ(HomeTile(kFunction)->CurrentLook(), CTilePanel::Look::Normal);
    HomeTile(kFunction)->click();
    Drain();
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
}

TEST_F(TileViewsTest, RemovingATileSendsItToTheEndOfItsHomeGroup)
{
    Find<QPushButton>("btn_custom")->click();
    HomeTile(kFunction)->AddRemoveButton()->click();
    Drain();
    EXPECT_EQ(GroupKeys("tileview_common"), QStringList({"PDFPrint", "Word2PDF", "PDFMerge"}));
    EXPECT_EQ(GroupKeys("tileview_frompdf"),
              QStringList({"PDF2JPG", "PDF2PPT", "PDF2Excel", "PDF2Html", "PDF2Word"}));
    EXPECT_TRUE(HomeTile(kFunction)->AddRemoveButton()->isVisible());
    EXPECT_EQ(HomeTile(kFunction)->AddRemoveButton()->objectName(), "btn_item_add");
}

TEST_F(TileViewsTest, EveryViewShowsAllItsRowsAndFollowsTheWindowsWidth)
{
    const auto check = [&] {
        for (const char* name :
             {"tileview_common", "tileview_frompdf", "tileview_topdf", "tileview_docoperate"}) {
            auto* view = Find<CTileView>(name);
            const int perRow = view->width() / 145;
            const int count = static_cast<int>(view->Panels().size());
            EXPECT_EQ(view->height(), (count + perRow - 1) / perRow * 172) << name;
            for (const CTilePanel* panel : view->Panels())
                EXPECT_TRUE(view->rect().contains(panel->geometry())) << name;
        }
    };
    check();
    const int wide = Find<CTileView>("tileview_docoperate")->height();
    window->resize(CMainWnd::kMinWidth, CMainWnd::kHeight);
    Drain();
    check();
    EXPECT_GT(Find<CTileView>("tileview_docoperate")->height(), wide);
    EXPECT_FALSE(Find("txt_mtv_docsafe")->isVisible());
}

TEST_F(TileViewsTest, ScrollingSelectsTheGroupsEntryAndTheLeftBarScrollsWithoutBouncing)
{
    QScrollBar* bar = ScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const TileRect toPdf = tiles.GroupRect("tileview_topdf");
    ASSERT_GT(toPdf.top, 50);
    bar->setValue(toPdf.top - 50);
    EXPECT_EQ(LeftBarRow(), 2);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));

    // The first entry scrolls to the common heading and stays chosen.
    auto* leftBar = Find<QListWidget>("lb_leftbar_part1");
    leftBar->setCurrentRow(0);
    EXPECT_EQ(bar->value(), Find("txt_mtv_common")->y());
    EXPECT_EQ(LeftBarRow(), 0);
}

TEST_F(TileViewsTest, ALeftBarScrollThatStopsShortDoesNotBounceNorSwallowTheNextScroll)
{
    // So tall that the last group cannot reach the top: its scroll stops in another group.
    window->resize(CMainWnd::kWidth, 1120);
    Drain();
    QScrollBar* bar = ScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    ASSERT_LT(bar->maximum(), tiles.GroupRect("tileview_docoperate").top - 50);
    auto* leftBar = Find<QListWidget>("lb_leftbar_part1");
    leftBar->setCurrentRow(3);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(LeftBarRow(), 3);

    // Back at the common group by the user, then at the bottom: the bottom's own group is
    // chosen.
    const int common = tiles.GroupRect(kCommonGroup).top - 40;
    bar->setValue(common);
    EXPECT_EQ(LeftBarRow(), 0);
    bar->setValue(bar->maximum());
    ASSERT_NE(LeftBarRow(), 3);
    // Choosing the last entry now does not move the view; the user's next scroll is still
    // followed.
    leftBar->setCurrentRow(3);
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(common);
    EXPECT_EQ(LeftBarRow(), 0);
}

TEST_F(TileViewsTest, TilesAreReachedByTabAndArrowsAndEnterOpensOne)
{
    QApplication::setActiveWindow(window.get());
    CTilePanel* start = HomeTile(kFunction);
    start->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), HomeTile("Word2PDF"));
    Press(Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), start);
    // Tab goes from the last common tile to the first tile of the next group shown.
    HomeTile("PDFMerge")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(HomeTile("PDFMerge")->nextInFocusChain(), HomeTile("PDFMerge")->AddRemoveButton());
    QWidget* next = HomeTile("PDFMerge")->AddRemoveButton()->nextInFocusChain();
    EXPECT_EQ(next, HomeTile("PDF2JPG"));
    // Down moves a row within the group.
    auto* operate = Find<CTileView>("tileview_docoperate");
    const int perRow = operate->width() / 145;
    operate->Panels()[0]->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), operate->Panels()[static_cast<std::size_t>(perRow)]);

    start->setFocus(Qt::TabFocusReason);
    dialogs.fileAnswers.push_back(std::vector<std::string>{MakeFile("t.pdf")});
    Press(Qt::Key_Return);
    ASSERT_TRUE(
        WaitUntil([&] { return CurrentPage() == static_cast<int>(MainPage::ConvertList); }));
    EXPECT_EQ(Count(), 1);
}

TEST_F(TileViewsTest, EveryTileButtonAndHeadingHasAnAccessibleName)
{
    Find<QPushButton>("btn_custom")->click();
    for (CTilePanel* tile : Find("scrollv_tileviewlist")->findChildren<CTilePanel*>()) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(tile);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->text(QAccessible::Name), tile->text()) << tile->Key();
        EXPECT_FALSE(tile->text().isEmpty()) << tile->Key();
        if (tile->AddRemoveButton()) {
            EXPECT_TRUE(tile->AddRemoveButton()->accessibleName().endsWith(tile->text()));
        }
    }
    EXPECT_EQ(HomeTile("PDF2Html")->accessibleDescription().toStdString(), "免费");
    for (const char* name : {"btn_custom", "btn_feedback", "txt_mtv_common", "txt_mtv_frompdf",
                             "txt_mtv_topdf", "txt_mtv_docoperate"}) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(Find(name));
        ASSERT_NE(face, nullptr);
        EXPECT_FALSE(face->text(QAccessible::Name).isEmpty()) << name;
    }
}

} // namespace
