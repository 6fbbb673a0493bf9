#pragma once

#include "tiles/tilemodel.h"
#include "ui/tilepanel.h"

#include <QWidget>

#include <string>
#include <vector>

class CTileViewAdapterBase;

// A tile view: the tiles of one group side by side, wrapped into rows by the view's width.
// The adapter (owned by the view) says how many tiles there are and fills each panel; the
// view makes the panels and lays them out. It has no scroll bar: its page gives it the
// height of all its rows.
class CTileView : public QWidget, public TileView
{
    Q_OBJECT

public:
    // `leftBarIndex` is the group's entry in the left bar (-1 for none); `buttonName` names
    // the add or remove button of big tiles (null for none).
    CTileView(const char* name, int leftBarIndex, const TileTemplate& shape, const char* buttonName,
              QWidget* parent = nullptr);

    std::string ViewName() const override { return objectName().toStdString(); }
    int LeftBarIndex() const override { return leftBarIndex; }

    // Takes the adapter and shows its tiles; they follow its resets.
    void SetAdapter(CTileViewAdapterBase* adapter);
    CTileViewAdapterBase* Adapter() const { return adapter; }
    const TileTemplate& Shape() const { return shape; }

    const std::vector<CTilePanel*>& Panels() const { return panels; }
    // The panel under `point` (the view's coordinates), or null.
    CTilePanel* PanelAt(const QPoint& point) const;
    // The height that shows every tile at `width`.
    int HeightFor(int width) const;

    // Arrow keys move the focus from `from` to the neighbouring tile; true when used.
    bool MoveFocus(const CTilePanel& from, int key);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Rebuild();
    void Arrange();
    int PerRow() const;

    const TileTemplate& shape;
    const char* buttonName;
    int leftBarIndex;
    CTileViewAdapterBase* adapter = nullptr;
    std::vector<CTilePanel*> panels;
};
