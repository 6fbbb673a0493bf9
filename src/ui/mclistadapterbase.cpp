#include "ui/mclistadapterbase.h"

#include "ui/theme.h"

CMcListAdapterBase::CMcListAdapterBase(QObject* parent)
    : QAbstractTableModel(parent), headers(kColumns)
{
}

QString CMcListAdapterBase::GetColumnName(int column)
{
    return QStringLiteral("colItem%1").arg(column + 1);
}

void CMcListAdapterBase::SetHeaderText(int column, const QString& text)
{
    if (column < 0 || column >= kColumns)
        return;
    headers[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void CMcListAdapterBase::UpdateFileHeader()
{
    SetHeaderText(
        0, Theme::Text("@string/str_list_header_file").replace("%d", QString::number(count)));
}

void CMcListAdapterBase::NotifyDataSetChanged()
{
    beginResetModel();
    count = DataCount();
    endResetModel();
}

void CMcListAdapterBase::NotifyItemChanged(int row)
{
    if (row < 0 || row >= count)
        return;
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

int CMcListAdapterBase::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count;
}

int CMcListAdapterBase::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant CMcListAdapterBase::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns)
        return {};
    return headers[section];
}
