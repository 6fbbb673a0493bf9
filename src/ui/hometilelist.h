#pragma once

#include <QWidget>

#include <string>

class MessageTarget;
class QGridLayout;
class QPushButton;
class TileConfig;

// The home page `page_mainTileView`: the configured tiles, group by group, as buttons named
// after their keys, so the mouse, Tab with Enter or Space, and a screen reader's default
// action all open a tile the same way: WM_TILE_CLICKED with the key to the main window.
class CHomeTileList : public QWidget
{
    Q_OBJECT

public:
    CHomeTileList(MessageTarget& mainWnd, QWidget* parent = nullptr);

    // Shows the tiles of `tiles` anew.
    void Populate(const TileConfig& tiles);
    // The tile of `key`, or null.
    QPushButton* Tile(const std::string& key) const;
    // A tile whose function is on its way (a web page fetching its ticket) shows it is busy.
    void SetBusy(const std::string& key, bool busy);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Arrange();

    MessageTarget& mainWnd;
    QWidget* tilesArea = nullptr;
    QGridLayout* grid = nullptr;
    int columns = 0;
};
