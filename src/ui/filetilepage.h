#pragma once

#include <QWidget>

#include <string>
#include <vector>

class CFileTileViewAdapterMgr;
class CTileView;
class MessageTarget;
class QLabel;
class TileConfig;

// The drop page `page_fileTileView`: while files are dragged over the window, the small
// tiles of `tileview_dropFile` show the functions that take them, or a note that none does.
class CFileTilePage : public QWidget
{
    Q_OBJECT

public:
    CFileTilePage(TileConfig& tiles, MessageTarget& mainWnd, QWidget* parent = nullptr);

    // The tiles of `keys`; none (and the note) when empty.
    void ShowFunctions(std::vector<std::string> keys);
    // Back to no tiles, as between drags.
    void Reset();

    CTileView& View() const { return *view; }
    CFileTileViewAdapterMgr& Adapter() const { return *adapter; }

signals:
    // Escape: the user leaves the page.
    void backRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Relayout();

    CTileView* view = nullptr;
    CFileTileViewAdapterMgr* adapter = nullptr;
    QLabel* title = nullptr;
    QWidget* note = nullptr;
};
