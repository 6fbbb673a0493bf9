#include "ui/convlistdroptarget.h"

#include "tiles/filetypes.h"
#include "ui/convmclistadapter.h"

#include <QAbstractItemView>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

CConvListDropTargetMgr::CConvListDropTargetMgr(QAbstractItemView& view,
                                               CConvMcListAdapterMgr& adapter, AddFiles addFiles)
    : QObject(&view), adapter(adapter), addFiles(std::move(addFiles))
{
    view.setAcceptDrops(true);
    view.viewport()->setAcceptDrops(true);
    view.setDragDropMode(QAbstractItemView::DropOnly);
    view.viewport()->installEventFilter(this);
}

bool CConvListDropTargetMgr::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!drag->mimeData()->hasUrls())
            return QObject::eventFilter(watched, event);
        drag->setDropAction(Qt::LinkAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::string> paths;
        for (const QUrl& url : drop->mimeData()->urls()) {
            if (url.isLocalFile())
                paths.push_back(url.toLocalFile().toStdString());
        }
        const std::vector<std::string> kept = FilesForFunction(adapter.CurrentFunction(), paths);
        if (!kept.empty())
            addFiles(kept, false);
        drop->setDropAction(Qt::LinkAction);
        drop->accept();
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
