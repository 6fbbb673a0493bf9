#pragma once

#include "ui/tileviewadapter.h"

#include <string>
#include <vector>

class MessageTarget;

// The adapter of the drop page: the functions that take the dragged files, in the order
// given; no names while no drag is in progress. A tile click posts WM_TILE_CLICKED (the
// panel, 2, the tile's key).
class CFileTileViewAdapterMgr : public CTileViewAdapterBase
{
    Q_OBJECT

public:
    CFileTileViewAdapterMgr(TileConfig& tiles, MessageTarget& mainWnd);

    // Shows the tiles of `keys` (none when empty).
    void ShowNames(std::vector<std::string> keys);
    const std::vector<std::string>& Names() const { return names; }

    TileItem ItemAt(int row) const override;
    void Connect(CTilePanel& panel) override;

private:
    MessageTarget& mainWnd;
    std::vector<std::string> names;
};
