#include "ui/filetileviewadapter.h"

#include "base/windowmessage.h"
#include "tiles/tileconfig.h"
#include "ui/tilepanel.h"

#include <utility>

CFileTileViewAdapterMgr::CFileTileViewAdapterMgr(TileConfig& tiles, MessageTarget& mainWnd)
    : CTileViewAdapterBase(tiles, 0), mainWnd(mainWnd)
{
}

void CFileTileViewAdapterMgr::ShowNames(std::vector<std::string> keys)
{
    names = std::move(keys);
    SetCount(static_cast<int>(names.size()));
    Refresh();
}

TileItem CFileTileViewAdapterMgr::ItemAt(int row) const
{
    if (row < 0)
        return {};
    const auto index = static_cast<std::size_t>(row);
    const std::optional<TileItem> item =
        names.empty() ? Tiles().ItemAtFlatIndex(index)
                      : (index < names.size() ? Tiles().FindItem(names[index]) : std::nullopt);
    return item.value_or(TileItem{});
}

void CFileTileViewAdapterMgr::Connect(CTilePanel& panel)
{
    connect(&panel, &QPushButton::clicked, this, [this, &panel] {
        mainWnd.PostWindowMessage(WindowMessage{
            WM_TILE_CLICKED, reinterpret_cast<std::uintptr_t>(&panel), 2, panel.Key()});
    });
}
