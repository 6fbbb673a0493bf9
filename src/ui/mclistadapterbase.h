#pragma once

#include <QAbstractTableModel>
#include <QStringList>

class QAbstractItemView;

// The four-column lists of the window (conversion, completed, open records) as item models:
// the row count the view shows, the header texts and the two notifications the lists use,
// "data set changed" (a model reset) and "item changed" (one row's dataChanged).
class CMcListAdapterBase : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kColumns = 4;

    explicit CMcListAdapterBase(QObject* parent = nullptr);

    int GetCount() const { return count; }
    QAbstractItemView* GetListView() const { return listView; }
    void SetListView(QAbstractItemView* view) { listView = view; }
    // "colItem%d" with the 1-based column number.
    static QString GetColumnName(int column);
    void SetHeaderText(int column, const QString& text);
    // Header 0 as "  文件 (%d)" with the current count.
    void UpdateFileHeader();

    // The count is read again from the data; all rows are shown anew.
    void NotifyDataSetChanged();
    // Rows past the end are ignored.
    void NotifyItemChanged(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

protected:
    // The number of rows the data holds now.
    virtual int DataCount() const = 0;

private:
    int count = 0;
    QAbstractItemView* listView = nullptr;
    QStringList headers;
};
