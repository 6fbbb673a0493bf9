#pragma once

#include "adapter/filerecord.h"
#include "ui/mclistadapterbase.h"

class RecordList;

// The completed list `mclv_complteted` or the open-record list `mclv_openrecord` as an item
// model over its record list, newest first. Download threads add completed records to the
// record list directly; the window then calls Refresh. UI thread only.
class CRecordMcListAdapterMgr : public CMcListAdapterBase
{
    Q_OBJECT

public:
    explicit CRecordMcListAdapterMgr(RecordList& records, QObject* parent = nullptr);

    RecordList& Records() { return records; }
    FileRecord Record(int row) const;

    void AddRecord(const FileRecord& record, bool updateUi);
    void RemoveAt(int index, bool updateUi);
    void Clear();
    // Shows what the record list holds now.
    void Refresh();

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

protected:
    int DataCount() const override;

private:
    RecordList& records;
};

// The two lists differ only in their data.
using CCompMcListAdapterMgr = CRecordMcListAdapterMgr;
using COpenRecordMcListAdapterMgr = CRecordMcListAdapterMgr;
