#pragma once

#include <QWidget>

class MessageTarget;
class QListWidget;
class TileConfig;

// The home page `page_mainTileView` as a plain list of the configured tiles, group by group;
// clicking a tile posts WM_TILE_CLICKED with the tile's key to the main window.
class CHomeTileList : public QWidget
{
    Q_OBJECT

public:
    CHomeTileList(MessageTarget& mainWnd, QWidget* parent = nullptr);

    // Shows the tiles of `tiles` anew.
    void Populate(const TileConfig& tiles);
    QListWidget* List() const { return list; }

private:
    MessageTarget& mainWnd;
    QListWidget* list = nullptr;
};
