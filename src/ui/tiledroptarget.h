#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

class CFileTilePage;
class CTilePanel;
class QDropEvent;
class QMimeData;
class QStackedWidget;

// Files dragged over the tile pages. One target for the whole window owns the drag: the home
// page gives way to the drop page under the cursor, and a target per page would see the drag
// leave when its page hides. Entering shows the functions that take the dragged files;
// dropping on one of them opens it with the files it takes; leaving returns home.
class CTileViewDropTargetMgr : public QObject
{
    Q_OBJECT

public:
    using OpenFunction =
        std::function<void(const std::string& key, std::vector<std::string> files)>;

    // Registers on `window`; `pages` holds `homePage` and `dropPage`.
    CTileViewDropTargetMgr(QWidget& window, QStackedWidget& pages, QWidget& homePage,
                           CFileTilePage& dropPage, OpenFunction openFunction);

    // The drop page shows a drag's functions.
    bool DragInProgress() const { return inside; }

    // Files chosen outside the window (the file manager's convert action): the drop page
    // shows their functions until the user picks one or goes elsewhere.
    void Offer(const std::vector<std::string>& paths);
    // The offered files the function `key` takes, ending the offer; none when no offer stands.
    std::vector<std::string> TakeOffered(const std::string& key);
    // Back home from an offer; nothing when none stands.
    void EndOffer();
    // The 300 ms check that returns home when the cursor has left without a word.
    const QTimer& CursorCheck() const { return cursorCheck; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OverTilePages(const QPoint& windowPoint) const;
    void DragEnter();
    void DragOver(const QPoint& windowPoint);
    void DragLeave();
    void Drop(const QPoint& windowPoint);
    CTilePanel* TileAt(const QPoint& windowPoint) const;
    void RestoreHovered();
    void OnCursorCheck();
    // Reads the local files of a drag; false when it carries none.
    bool TakeFiles(const QMimeData& data);
    void SetFiles(const std::vector<std::string>& paths);

    QWidget& window;
    QStackedWidget& pages;
    QWidget& homePage;
    CFileTilePage& dropPage;
    OpenFunction openFunction;
    QTimer cursorCheck;
    QPointer<CTilePanel> hovered;
    bool carriesFiles = false;
    bool inside = false;
    bool movedSinceCheck = false;
    bool offered = false;
    // The dragged files some function takes, and those functions.
    std::vector<std::string> files;
    std::vector<std::string> functions;
};
