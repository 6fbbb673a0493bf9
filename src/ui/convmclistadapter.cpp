#include "ui/convmclistadapter.h"

#include "adapter/filerecord.h"
#include "task/conversionlist.h"
#include "ui/theme.h"

#include <QStringList>

#include <utility>

namespace {

QString Utf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What a screen reader hears for the status and button cells, which the row widgets cover.
QString AccessibleCellText(const ConversionItem& item, int column)
{
    using Look = CConvMcListAdapterMgr::RowLook;
    const Look look = CConvMcListAdapterMgr::LookOf(item.status);
    if (column == 2) {
        return look.progress ? QStringLiteral("%1%").arg(item.progress) : Utf8(item.statusText);
    }
    QStringList buttons;
    const std::pair<bool, const char*> shown[] = {
        {look.download, "@string/str_convl_tip_redownload"},
        {look.openButtons, "@string/str_list_tip_openfile"},
        {look.openButtons, "@string/str_list_tip_opendir"},
        {look.remove, "@string/str_list_tip_delete"}};
    for (const auto& [visible, key] : shown)
        if (visible)
            buttons.push_back(Theme::Text(key));
    return buttons.join(QStringLiteral(", "));
}

} // namespace

CConvMcListAdapterMgr::RowLook CConvMcListAdapterMgr::LookOf(ConversionStatus status)
{
    using S = ConversionStatus;
    switch (status) {
    case S::Waiting:
        return {false, false, false, true};
    case S::Uploading:
    case S::Submitted:
    case S::Converted:
    case S::RedownloadRequested:
    case S::Redownloading:
        return {true, false, false, false};
    case S::Completed:
    case S::RedownloadCompleted:
        return {false, false, true, false};
    case S::DownloadFailed:
        return {false, true, false, false};
    default:
        return {};
    }
}

CConvMcListAdapterMgr::CConvMcListAdapterMgr(const ConversionList& list, QObject* parent)
    : CMcListAdapterBase(parent), list(list)
{
}

std::string CConvMcListAdapterMgr::CurrentFunction() const
{
    return list.GetFunctionName();
}

int CConvMcListAdapterMgr::DataCount() const
{
    return list.Store().GetCount(list.GetFunctionName());
}

QVariant CConvMcListAdapterMgr::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    // One copy of the rows: the pipeline threads change them meanwhile.
    const ConversionStore::Items items = list.Store().GetItems(list.GetFunctionName());
    if (index.row() >= static_cast<int>(items.size()))
        return {};
    const ConversionItem& item = items[static_cast<std::size_t>(index.row())];
    switch (role) {
    case StatusRole:
        return static_cast<int>(item.status);
    case ProgressRole:
        return item.progress;
    case StatusTextRole:
        return Utf8(item.statusText);
    case DetailTextRole:
        return Utf8(item.detailText);
    case Qt::DisplayRole:
        if (index.column() == 0)
            return Utf8(PathFileName(item.sourcePath));
        if (index.column() == 1)
            return Utf8(item.sizeText);
        return {};
    case Qt::AccessibleTextRole:
        if (index.column() >= 2)
            return AccessibleCellText(item, index.column());
        return {};
    case Qt::ToolTipRole:
        if (index.column() == 0)
            return Utf8(PathFileName(item.sourcePath)) + '\n' +
                   Utf8(PathDirectory(item.sourcePath));
        return {};
    default:
        return {};
    }
}
