#pragma once

#include "gui/convertpagefixture.h"
#include "ui/tileview.h"

#include <QDropEvent>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>
#include <QWindow>

#include <fstream>
#include <memory>
#include <sstream>

// The main window with its tile pages at hand: drags of real files sent as real drag events
// to the window's native window, which hands them to the widget under the cursor that takes
// drops, and the tiles of each view.
class TileViewsTest : public ConvertPageTest
{
protected:
    // A point inside the tile pages, away from every tile.
    QPoint Blank() { return PointOf(Find("tab_function"), QPoint(8, 8)); }
    QPoint PointOf(QWidget* widget, QPoint at) { return widget->mapTo(window.get(), at); }
    QPoint CentreOf(QWidget* widget) { return PointOf(widget, widget->rect().center()); }

    std::unique_ptr<QMimeData> Files(const std::vector<std::string>& names)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const std::string& name : names)
            urls << QUrl::fromLocalFile(QString::fromStdString(MakeFile(name)));
        data->setUrls(urls);
        return data;
    }

    bool Enter(const QMimeData& data, QPoint at)
    {
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &enter);
        return enter.isAccepted();
    }
    void Move(const QMimeData& data, QPoint at)
    {
        QDragMoveEvent move(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &move);
    }
    void Leave()
    {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(window->windowHandle(), &leave);
    }
    void DropAt(const QMimeData& data, QPoint at)
    {
        QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &drop);
        Drain();
    }

    CTileView& DropView() { return *Find<CTileView>("tileview_dropFile"); }
    QStringList DropKeys()
    {
        QStringList keys;
        for (const CTilePanel* panel : DropView().Panels())
            keys << panel->objectName();
        return keys;
    }
    CTilePanel* DropTile(const char* key)
    {
        for (CTilePanel* panel : DropView().Panels())
            if (panel->objectName() == QLatin1String(key))
                return panel;
        return nullptr;
    }
    CTilePanel* HomeTile(const char* key)
    {
        return Find("scrollv_tileviewlist")->findChild<CTilePanel*>(QLatin1String(key));
    }
    QStringList GroupKeys(const char* view)
    {
        QStringList keys;
        for (const CTilePanel* panel : Find<CTileView>(view)->Panels())
            keys << panel->objectName();
        return keys;
    }
    QScrollBar* ScrollBar()
    {
        return Find<QScrollArea>("scrollv_tileviewlist")->verticalScrollBar();
    }
    int LeftBarRow() { return Find<QListWidget>("lb_leftbar_part1")->currentRow(); }
    std::string TileFile()
    {
        std::ifstream in(scratch.File("tileview_ini.xml"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};
