#pragma once

#include <string>
#include <vector>

// The widgets the tile model refers to without owning them. The widget layer implements
// these; the model only keeps the pointers.

// A tile view: one per group, named after the group.
class TileView
{
public:
    virtual ~TileView() = default;
    virtual std::string ViewName() const = 0;
    // Index of the group's entry in the left bar (the view's user data).
    virtual int LeftBarIndex() const = 0;
};

// The panel that displays one tile inside a tile view.
class TilePanel
{
public:
    virtual ~TilePanel() = default;
    // The view the panel belongs to; null when it is not in one.
    virtual TileView* OwnerView() const = 0;
};

// A rectangle in the scroll content's coordinates; right and bottom are exclusive.
struct TileRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const TileRect&) const = default;
};

struct TileItem
{
    TilePanel* panel = nullptr; // the panel showing the tile; set once the view built it
    std::string initialList;    // the group the tile returns to when it leaves the common one
    std::string name;           // function key
    std::string smallIconSkin;
    std::string bigIconSkin;
    std::string text; // caption as a "@string/..." key
    bool isFree = false;
    bool isNew = false;

    bool operator==(const TileItem&) const = default;
};

struct TileGroup
{
    TileView* view = nullptr;
    TileRect rect; // kept current by the view layout
    std::vector<TileItem> items;
};

// Rows a view needs to show `itemCount` tiles of `itemWidth` side by side in `width`; at
// least one tile goes on a row.
int TileRows(int itemCount, int width, int itemWidth);
