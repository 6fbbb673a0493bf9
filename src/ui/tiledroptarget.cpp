#include "ui/tiledroptarget.h"

#include "tiles/filetypes.h"
#include "ui/filetilepage.h"
#include "ui/tilepanel.h"
#include "ui/tileview.h"

#include <QCursor>
#include <QDropEvent>
#include <QMimeData>
#include <QStackedWidget>
#include <QUrl>

#include <utility>

namespace {

constexpr int kCursorCheckMs = 300;

void AcceptLink(QDropEvent& event)
{
    if (event.possibleActions() & Qt::LinkAction) {
        event.setDropAction(Qt::LinkAction);
        event.accept();
    } else {
        event.acceptProposedAction();
    }
}

} // namespace

CTileViewDropTargetMgr::CTileViewDropTargetMgr(QWidget& window, QStackedWidget& pages,
                                               QWidget& homePage, CFileTilePage& dropPage,
                                               OpenFunction openFunction)
    : QObject(&window), window(window), pages(pages), homePage(homePage), dropPage(dropPage),
      openFunction(std::move(openFunction))
{
    window.setAcceptDrops(true);
    window.installEventFilter(this);
    cursorCheck.setInterval(kCursorCheckMs);
    connect(&cursorCheck, &QTimer::timeout, this, &CTileViewDropTargetMgr::OnCursorCheck);
}

bool CTileViewDropTargetMgr::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &window)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto& drag = static_cast<QDragEnterEvent&>(*event);
        // A drag replaces a standing offer.
        EndOffer();
        carriesFiles = TakeFiles(*drag.mimeData());
        if (!carriesFiles) {
            drag.ignore();
            return true;
        }
        // Taken even outside the tile pages: an ignored entry would hear no more moves.
        AcceptLink(drag);
        if (OverTilePages(drag.position().toPoint()))
            DragEnter();
        return true;
    }
    case QEvent::DragMove: {
        auto& drag = static_cast<QDragMoveEvent&>(*event);
        if (!carriesFiles) {
            drag.ignore();
            return true;
        }
        const QPoint point = drag.position().toPoint();
        const bool over = OverTilePages(point);
        if (over && !inside)
            DragEnter();
        else if (!over && inside)
            DragLeave();
        if (over) {
            movedSinceCheck = true;
            DragOver(point);
            AcceptLink(drag);
        } else {
            drag.ignore();
        }
        return true;
    }
    case QEvent::DragLeave:
        if (inside)
            DragLeave();
        carriesFiles = false;
        return true;
    case QEvent::Drop: {
        auto& drop = static_cast<QDropEvent&>(*event);
        if (!carriesFiles || !inside) {
            drop.ignore();
            return true;
        }
        Drop(drop.position().toPoint());
        carriesFiles = false;
        AcceptLink(drop);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool CTileViewDropTargetMgr::TakeFiles(const QMimeData& data)
{
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    SetFiles(paths);
    return !paths.empty();
}

void CTileViewDropTargetMgr::SetFiles(const std::vector<std::string>& paths)
{
    DropOffer offer = FunctionsForFiles(paths);
    files = std::move(offer.files);
    functions = std::move(offer.functions);
}

void CTileViewDropTargetMgr::Offer(const std::vector<std::string>& paths)
{
    // A drag in progress owns the page.
    if (inside)
        return;
    SetFiles(paths);
    offered = true;
    pages.setCurrentWidget(&dropPage);
    dropPage.ShowFunctions(functions);
    // Keys reach the tiles and the page's Escape.
    if (dropPage.View().Panels().empty())
        dropPage.setFocus();
    else
        dropPage.View().Panels().front()->setFocus();
}

std::vector<std::string> CTileViewDropTargetMgr::TakeOffered(const std::string& key)
{
    if (!offered)
        return {};
    std::vector<std::string> taken = FilesForFunction(key, files);
    EndOffer();
    return taken;
}

void CTileViewDropTargetMgr::EndOffer()
{
    if (!offered)
        return;
    offered = false;
    dropPage.Reset();
    if (pages.currentWidget() == &dropPage)
        pages.setCurrentWidget(&homePage);
}

bool CTileViewDropTargetMgr::OverTilePages(const QPoint& windowPoint) const
{
    QWidget* shown = pages.currentWidget();
    if (shown != &homePage && shown != &dropPage)
        return false;
    return QRect(pages.mapTo(&window, QPoint(0, 0)), pages.size()).contains(windowPoint);
}

void CTileViewDropTargetMgr::DragEnter()
{
    inside = true;
    pages.setCurrentWidget(&dropPage);
    dropPage.ShowFunctions(functions);
    cursorCheck.start();
}

void CTileViewDropTargetMgr::DragOver(const QPoint& windowPoint)
{
    CTilePanel* under = TileAt(windowPoint);
    if (under == hovered)
        return;
    RestoreHovered();
    if (under) {
        under->SetLook(CTilePanel::Look::DropHover);
        hovered = under;
    }
}

void CTileViewDropTargetMgr::DragLeave()
{
    RestoreHovered();
    inside = false;
    cursorCheck.stop();
    dropPage.Reset();
    pages.setCurrentWidget(&homePage);
}

void CTileViewDropTargetMgr::Drop(const QPoint& windowPoint)
{
    CTilePanel* tile = TileAt(windowPoint);
    const std::string key = tile ? tile->Key() : std::string();
    DragLeave();
    if (files.empty() || key.empty())
        return;
    // Opening may ask the user; the drag's source is not kept waiting for that.
    QTimer::singleShot(
        0, this, [this, key, kept = FilesForFunction(key, files)] { openFunction(key, kept); });
}

CTilePanel* CTileViewDropTargetMgr::TileAt(const QPoint& windowPoint) const
{
    CTileView& view = dropPage.View();
    if (pages.currentWidget() != &dropPage)
        return nullptr;
    return view.PanelAt(view.mapFrom(&window, windowPoint));
}

void CTileViewDropTargetMgr::RestoreHovered()
{
    if (hovered)
        hovered->SetLook(CTilePanel::Look::Normal);
    hovered = nullptr;
}

void CTileViewDropTargetMgr::OnCursorCheck()
{
    // Moves since the last check show the drag is alive here, wherever a desktop that does
    // not report the pointer during a drag says the cursor is.
    if (movedSinceCheck) {
        movedSinceCheck = false;
        return;
    }
    if (!OverTilePages(window.mapFromGlobal(QCursor::pos())))
        DragLeave();
}
