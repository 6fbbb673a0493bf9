#pragma once

#include "task/conversionlist.h"
#include "task/retrydownloadthread.h"

#include <QWidget>

// The conversion page `page_convertList`: the rows of every function, the function shown and
// the re-download thread. The page owns them; the pipeline stages borrow the list. Its list
// view and buttons are the conversion list's; until they exist the page shows its frame.
class CConvertPage : public QWidget
{
    Q_OBJECT

public:
    explicit CConvertPage(QWidget* parent = nullptr);
    ~CConvertPage() override;

    ConversionList& List() { return list; }
    const ConversionList& List() const { return list; }
    CRetryDownloadThread& RetryThread() { return retryThread; }
    bool IsRedownloading() const { return retryThread.IsRunning(); }

    // Tells the row observers that the whole list changed or one row changed.
    void NotifyDataSetChanged();
    void NotifyItemChanged(int row);

signals:
    void dataSetChanged();
    void itemChanged(int row);

private:
    ConversionList list;
    CRetryDownloadThread retryThread;
};
