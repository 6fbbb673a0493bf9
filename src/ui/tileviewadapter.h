#pragma once

#include "tiles/tilemodel.h"

#include <QAbstractListModel>

class CTilePanel;
class TileConfig;

// The model behind a tile view: its row count is set from outside, and each row is a tile of
// the tile configuration. The view makes one panel per row, has the adapter connect it once
// and fill it at every reset.
class CTileViewAdapterBase : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role
    {
        KeyRole = Qt::UserRole + 1,
        IconSkinRole,
        FreeRole,
        NewRole,
    };

    CTileViewAdapterBase(TileConfig& tiles, int count);

    int Count() const { return count; }
    void SetCount(int value) { count = value; }
    // Tells the view that everything changed.
    void Refresh();

    // The tile of `row`; an empty item when there is none.
    virtual TileItem ItemAt(int row) const = 0;
    // Once per panel the view makes.
    virtual void Connect(CTilePanel& panel) = 0;
    // Shows the tile of `row` on `panel`.
    virtual void FillTile(int row, CTilePanel& panel);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    TileConfig& Tiles() const { return tiles; }

private:
    TileConfig& tiles;
    int count;
};
