#include "ui/maintileviewadapter.h"

#include "base/windowmessage.h"
#include "tiles/tileconfig.h"
#include "ui/tilepanel.h"
#include "ui/tileview.h"

#include <utility>

namespace {

// This tile can be neither added nor removed.
constexpr const char* kFixedTile = "PDFPrint";

} // namespace

CMainTileViewAdapterMgr::CMainTileViewAdapterMgr(TileConfig& tiles, std::string group,
                                                 MessageTarget& mainWnd)
    : CTileViewAdapterBase(tiles, static_cast<int>(tiles.ItemCount(group))),
      group(std::move(group)), mainWnd(mainWnd)
{
}

TileItem CMainTileViewAdapterMgr::ItemAt(int row) const
{
    return row < 0 ? TileItem{} : Tiles().Item(group, static_cast<std::size_t>(row));
}

void CMainTileViewAdapterMgr::Connect(CTilePanel& panel)
{
    connect(&panel, &QPushButton::clicked, this, [this, &panel] {
        if (customMode)
            return;
        mainWnd.PostWindowMessage(WindowMessage{
            WM_TILE_CLICKED, reinterpret_cast<std::uintptr_t>(&panel), 1, panel.Key()});
    });
    if (QPushButton* button = panel.AddRemoveButton()) {
        const bool toCommon = button->objectName() != QLatin1String("btn_item_sub");
        connect(button, &QPushButton::clicked, this, [this, &panel, toCommon] {
            if (customMode)
                emit moveRequested(&panel, toCommon);
        });
    }
}

void CMainTileViewAdapterMgr::FillTile(int row, CTilePanel& panel)
{
    CTileViewAdapterBase::FillTile(row, panel);
    Tiles().SetItemPanel(group, static_cast<std::size_t>(row), &panel);
    ApplyMode(panel);
}

void CMainTileViewAdapterMgr::SetCustomMode(const CTileView& view, bool on)
{
    if (customMode == on)
        return;
    customMode = on;
    for (CTilePanel* panel : view.Panels())
        ApplyMode(*panel);
}

void CMainTileViewAdapterMgr::ApplyMode(CTilePanel& panel) const
{
    panel.SetLook(customMode ? CTilePanel::Look::Frozen : CTilePanel::Look::Normal);
    if (QPushButton* button = panel.AddRemoveButton())
        button->setVisible(customMode && panel.Key() != kFixedTile && !panel.Key().empty());
}
