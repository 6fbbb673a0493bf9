#pragma once

#include "ui/tileviewadapter.h"

#include <string>

class CTileView;
class MessageTarget;

// The adapter of one home-page group view: the group's tiles in order. A tile click posts
// WM_TILE_CLICKED (the panel, 1, the tile's key); in custom mode clicks on the tile do
// nothing and its add or remove button asks for the move instead.
class CMainTileViewAdapterMgr : public CTileViewAdapterBase
{
    Q_OBJECT

public:
    CMainTileViewAdapterMgr(TileConfig& tiles, std::string group, MessageTarget& mainWnd);

    TileItem ItemAt(int row) const override;
    void Connect(CTilePanel& panel) override;
    void FillTile(int row, CTilePanel& panel) override;

    bool CustomMode() const { return customMode; }
    // Freezes or thaws the shown tiles and shows or hides their buttons.
    void SetCustomMode(const CTileView& view, bool on);

signals:
    // The add (`toCommon`) or remove button of `panel` was pressed in custom mode.
    void moveRequested(CTilePanel* panel, bool toCommon);

private:
    void ApplyMode(CTilePanel& panel) const;

    std::string group;
    MessageTarget& mainWnd;
    bool customMode = false;
};
