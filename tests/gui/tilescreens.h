#pragma once

// Screenshots of the home page, custom mode and the drop page during a drag, checked for what
// a user sees: whole texts, drawn tiles, no tile view with a scroll bar of its own. With
// DOKORA_SCREENSHOT_DIR set they go there (docs/screenshots holds the committed ones),
// otherwise into the scratch folder. Included by one test file per scale.
#include "gui/screencheck.h"
#include "gui/tileviewsfixture.h"

#include <QImage>

#include <cstdlib>
#include <initializer_list>

class TileScreensTest : public TileViewsTest
{
protected:
    void Save(const char* name, std::initializer_list<const char*> shown)
    {
        Drain();
        const char* dir = std::getenv("DOKORA_SCREENSHOT_DIR");
        const QString outDir = dir && *dir ? QString::fromLocal8Bit(dir)
                                           : QString::fromStdString(scratch.Path().string());
        const QImage image = window->grab().toImage();
        EXPECT_EQ(image.devicePixelRatio(), window->devicePixelRatioF()) << name;
        EXPECT_TRUE(ScreenCheck::TextsFit(*window)) << name;
        EXPECT_TRUE(ScreenCheck::TextsDrawn(*window, image)) << name;
        for (const char* control : shown) {
            EXPECT_TRUE(ScreenCheck::Shown(*window, control)) << name << " " << control;
            if (const QWidget* widget = ScreenCheck::Find(*window, control)) {
                EXPECT_TRUE(ScreenCheck::Drawn(*window, image, *widget)) << name;
            }
        }
        // Tiles stand inside their views, next to each other, never on top of one another.
        for (const CTileView* view : window->findChildren<CTileView*>()) {
            if (!view->isVisibleTo(window.get()))
                continue;
            for (const CTilePanel* tile : view->Panels()) {
                EXPECT_TRUE(view->rect().contains(tile->geometry())) << tile->Key();
                for (const CTilePanel* other : view->Panels())
                    EXPECT_TRUE(tile == other || !tile->geometry().intersects(other->geometry()))
                        << tile->Key() << " " << other->Key();
            }
        }
        const QString suffix = window->devicePixelRatioF() > 1.5 ? QStringLiteral("@2x") : "";
        EXPECT_TRUE(image.save(outDir + u'/' + QLatin1String(name) + suffix + ".png"));
    }

    void SaveAll()
    {
        Save("tiles_home", {"btn_custom", "txt_mtv_common", "tileview_common", "PDF2Word",
                            "Word2PDF", "PDFPrint", "txt_mtv_frompdf", "PDF2Html"});
        Find<QPushButton>("btn_custom")->click();
        Save("tiles_custom", {"btn_custom", "tileview_common", "btn_item_sub", "btn_item_add"});
        Find<QPushButton>("btn_custom")->click();

        const auto data = Files({"季度报告.docx", "扫描件.jpg", "notes.txt", "合同.pdf"});
        Enter(*data, Blank());
        CTilePanel* toPdf = DropTile("Word2PDF");
        ASSERT_NE(toPdf, nullptr);
        Move(*data, CentreOf(toPdf));
        Save("tiles_drop", {"txt_ftv_title", "tileview_dropFile", "Word2PDF", "PDF2Word"});
        Leave();
    }
};
