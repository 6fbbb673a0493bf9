#pragma once

#include "adapter/recordkind.h"

#include <QWidget>

class CRecordMcListAdapterMgr;
class RecordList;
class QPushButton;
class QTableView;

// The page of the completed list (`page_completedList`) or of the open records
// (`page_recordList`): title, clear button and the list with its row buttons. What the
// buttons do is the main window's.
class CRecordPage : public QWidget
{
    Q_OBJECT

public:
    CRecordPage(RecordKind kind, RecordList& records, QWidget* parent = nullptr);

    CRecordMcListAdapterMgr& Adapter() { return *adapter; }
    QTableView* ListView() const { return listView; }
    QPushButton* ClearButton() const { return clear; }
    QPushButton* RowButton(int row, const char* name) const;

signals:
    // `name` is the button's object name.
    void rowButtonClicked(const QString& name, int row);

private:
    void RebuildRows();

    CRecordMcListAdapterMgr* adapter = nullptr;
    QTableView* listView = nullptr;
    QPushButton* clear = nullptr;
};
