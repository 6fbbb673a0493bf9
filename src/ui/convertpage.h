#pragma once

#include "task/conversionlist.h"
#include "task/retrydownloadthread.h"

#include <QWidget>

class CConvMcListAdapterMgr;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

// The conversion page `page_convertList`: the rows of every function, the function shown, the
// list view with its row widgets, the page's buttons and the re-download thread. The page
// owns them; the pipeline stages borrow the list. What the buttons do is the main window's.
class CConvertPage : public QWidget
{
    Q_OBJECT

public:
    // Commands of the save-directory menu.
    static constexpr int kCmdSameDir = 311;
    static constexpr int kCmdCustomDir = 312;

    explicit CConvertPage(QWidget* parent = nullptr);
    ~CConvertPage() override;

    ConversionList& List() { return list; }
    const ConversionList& List() const { return list; }
    CRetryDownloadThread& RetryThread() { return retryThread; }
    bool IsRedownloading() const { return retryThread.IsRunning(); }
    CConvMcListAdapterMgr& Adapter() { return *adapter; }

    // Tells the row observers that the whole list changed or one row changed.
    void NotifyDataSetChanged();
    void NotifyItemChanged(int row);

    // Header 0 shows the current row count.
    void UpdateFileHeader();
    // The row's button `name` when the row shows one (also hidden ones).
    QPushButton* RowButton(int row, const char* name) const;
    QWidget* RowCell(int row, int column) const;

    QTableView* ListView() const { return listView; }
    QPushButton* BackButton() const { return back; }
    QPushButton* AddFileButton() const { return addFile; }
    QPushButton* StartButton() const { return start; }
    QPushButton* ContinueButton() const { return continueButton; }
    QPushButton* SaveDirButton() const { return saveDir; }
    QLabel* Title() const { return title; }
    QLabel* SaveDirText() const { return saveDirText; }
    QLabel* SaveDirTip() const { return saveDirTip; }
    QMenu* SaveDirMenu() const { return saveDirMenu; }

    // The chosen result folder; empty when results go beside their sources.
    const QString& CustomDir() const { return customDir; }
    // The save-directory choice: the source's folder, or `folder`.
    void ShowSameDir();
    void ShowCustomDir(const QString& folder);

signals:
    void dataSetChanged();
    void itemChanged(int row);
    // A row button was clicked; `name` is the button's object name.
    void rowButtonClicked(const QString& name, int row);
    void saveDirCommand(int command);

private:
    QWidget* BuildTopBar();
    QWidget* BuildBottomBar();
    void RebuildRows();
    void UpdateRow(int row);

    ConversionList list;
    OwnedThread<CRetryDownloadThread> retryThread;
    CConvMcListAdapterMgr* adapter = nullptr;
    QTableView* listView = nullptr;
    QPushButton* back = nullptr;
    QPushButton* addFile = nullptr;
    QPushButton* start = nullptr;
    QPushButton* continueButton = nullptr;
    QPushButton* saveDir = nullptr;
    QLabel* title = nullptr;
    QLabel* saveDirText = nullptr;
    QLabel* saveDirTip = nullptr;
    QMenu* saveDirMenu = nullptr;
    QString customDir;
};
