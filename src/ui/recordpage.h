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
    // Row buttons exist only for the rows in view and a few on either side: a list of
    // thousands of records would otherwise hold thousands of widgets.
    void UpdateRowButtons();
    void AddRowButtons(int row);
    // Tab goes from the clear button through the rows' buttons in row order.
    void ChainTabOrder();
    // A row button that takes the focus brings its row into view.
    void ShowFocusedRow(QWidget* focused);

    CRecordMcListAdapterMgr* adapter = nullptr;
    QTableView* listView = nullptr;
    QPushButton* clear = nullptr;
    int firstBuilt = 0; // rows [firstBuilt, endBuilt) have their buttons
    int endBuilt = 0;
};
