#pragma once

#include <QWidget>

#include <string>
#include <vector>

class CMainTileViewAdapterMgr;
class CTilePanel;
class CTileView;
class MessageTarget;
class QLabel;
class QPushButton;
class QScrollArea;
class TileConfig;

// The home page `page_mainTileView`: in the scroll view `scrollv_tileviewlist`, the custom
// button, then a heading and a tile view per group, and the free zone with the feedback link.
// Every view is as high as its rows; the left bar follows the scrolling through the groups'
// rectangles, which the page keeps current in the tile configuration.
class CMainTilePage : public QWidget
{
    Q_OBJECT

public:
    CMainTilePage(TileConfig& tiles, MessageTarget& mainWnd, QWidget* parent = nullptr);

    // Gives every group of the configuration that has a view its adapter.
    void Populate();
    // Recomputes every view's height and rectangle, and the order Tab walks the tiles in.
    void Relayout();
    // Scrolls so that the content's child number `index` (from 1) is at the top.
    void ScrollToChild(int index);

    QScrollArea* ScrollView() const { return scroll; }
    // The tile of `key` shown on the page, or null.
    CTilePanel* Tile(const std::string& key) const;
    // A tile whose function is on its way (a web page fetching its ticket) shows it is busy.
    void SetBusy(const std::string& key, bool busy);

signals:
    // Scrolling brought the group of left-bar entry `index` to the top.
    void groupScrolled(int index);
    void feedbackRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Group
    {
        QLabel* heading;
        CTileView* view;
        CMainTileViewAdapterMgr* adapter = nullptr;
    };

    void AddGroup(const char* heading, const char* view, const char* textKey, int leftBarIndex,
                  bool headingShown);
    QWidget* BuildFreeZone();
    void OnCustomButton();
    void OnMove(CTilePanel* panel, bool toCommon);
    void OnScrolled(int value);
    CMainTileViewAdapterMgr* AdapterOf(const CTileView* view) const;
    void PlaceCustomButton();
    void StoreGroupRects();
    void OrderTabStops();

    TileConfig& tiles;
    MessageTarget& mainWnd;
    QScrollArea* scroll = nullptr;
    QWidget* content = nullptr;
    QPushButton* customButton = nullptr;
    QPushButton* feedbackLink = nullptr;
    bool relayingOut = false;
    std::vector<Group> groups;
    // The scroll content's children in order; child number n is children[n - 1].
    std::vector<QWidget*> children;
};
