#include "ui/tileviewadapter.h"

#include "tiles/tileconfig.h"
#include "ui/theme.h"
#include "ui/tilepanel.h"

CTileViewAdapterBase::CTileViewAdapterBase(TileConfig& tiles, int count)
    : tiles(tiles), count(count)
{
}

void CTileViewAdapterBase::Refresh()
{
    beginResetModel();
    endResetModel();
}

void CTileViewAdapterBase::FillTile(int row, CTilePanel& panel)
{
    panel.Show(ItemAt(row));
}

int CTileViewAdapterBase::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count;
}

QVariant CTileViewAdapterBase::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count)
        return {};
    const TileItem item = ItemAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return item.text.empty() ? QString() : Theme::Text(item.text);
    case KeyRole:
        return QString::fromStdString(item.name);
    case IconSkinRole:
        return QString::fromStdString(item.bigIconSkin);
    case FreeRole:
        return item.isFree;
    case NewRole:
        return item.isNew;
    default:
        return {};
    }
}
