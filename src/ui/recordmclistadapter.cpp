#include "ui/recordmclistadapter.h"

#include "adapter/recordlist.h"
#include "ui/theme.h"

#include <QStringList>

namespace {

QString Utf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CRecordMcListAdapterMgr::CRecordMcListAdapterMgr(RecordList& records, QObject* parent)
    : CMcListAdapterBase(parent), records(records)
{
}

FileRecord CRecordMcListAdapterMgr::Record(int row) const
{
    return row < 0 ? FileRecord() : records.GetRecord(static_cast<std::size_t>(row));
}

void CRecordMcListAdapterMgr::AddRecord(const FileRecord& record, bool updateUi)
{
    records.AddRecord(record);
    if (updateUi)
        Refresh();
}

void CRecordMcListAdapterMgr::RemoveAt(int index, bool updateUi)
{
    if (index < 0)
        return;
    records.RemoveAt(static_cast<std::size_t>(index));
    if (updateUi)
        Refresh();
}

void CRecordMcListAdapterMgr::Clear()
{
    records.Clear();
    Refresh();
}

void CRecordMcListAdapterMgr::Refresh()
{
    NotifyDataSetChanged();
    UpdateFileHeader();
}

int CRecordMcListAdapterMgr::DataCount() const
{
    return static_cast<int>(records.GetCount());
}

QVariant CRecordMcListAdapterMgr::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    // The button cell is covered by its widgets; a screen reader hears what they do.
    if (role == Qt::AccessibleTextRole && index.column() == 3)
        return QStringList{Theme::Text("@string/str_list_tip_openfile"),
                           Theme::Text("@string/str_list_tip_opendir"),
                           Theme::Text("@string/str_list_tip_delete")}
            .join(QStringLiteral(", "));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const FileRecord record = Record(index.row());
    switch (index.column()) {
    case 0:
        if (role == Qt::DisplayRole)
            return Utf8(PathFileName(record.path));
        return Utf8(PathFileName(record.path)) + '\n' + Utf8(PathDirectory(record.path));
    case 1:
        return role == Qt::DisplayRole ? QVariant(Utf8(record.sizeText)) : QVariant();
    case 2:
        return role == Qt::DisplayRole ? QVariant(Utf8(record.timeText)) : QVariant();
    default:
        return {};
    }
}
