#include "ui/tileview.h"

#include "ui/tileviewadapter.h"

#include <QResizeEvent>

#include <algorithm>

CTileView::CTileView(const char* name, int leftBarIndex, const TileTemplate& shape,
                     const char* buttonName, QWidget* parent)
    : QWidget(parent), shape(shape), buttonName(buttonName), leftBarIndex(leftBarIndex)
{
    setObjectName(QString::fromLatin1(name));
    setFixedHeight(0);
}

void CTileView::SetAdapter(CTileViewAdapterBase* value)
{
    adapter = value;
    adapter->setParent(this);
    connect(adapter, &QAbstractItemModel::modelReset, this, &CTileView::Rebuild);
    Rebuild();
}

void CTileView::Rebuild()
{
    const auto count = static_cast<std::size_t>(std::max(adapter->rowCount(), 0));
    // Panels are kept and filled anew; a surplus one may be the sender of the click that
    // led here, so it goes once that click is over.
    while (panels.size() > count) {
        CTilePanel* surplus = panels.back();
        panels.pop_back();
        surplus->hide();
        surplus->deleteLater();
    }
    while (panels.size() < count) {
        auto* panel = new CTilePanel(*this, shape, buttonName);
        panels.push_back(panel);
        adapter->Connect(*panel);
    }
    for (std::size_t row = 0; row < panels.size(); ++row) {
        adapter->FillTile(static_cast<int>(row), *panels[row]);
        panels[row]->show();
    }
    Arrange();
}

int CTileView::PerRow() const
{
    return std::max(width() / shape.width, 1);
}

int CTileView::HeightFor(int width) const
{
    return TileRows(static_cast<int>(panels.size()), width, shape.width) * shape.height;
}

void CTileView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Arrange();
}

void CTileView::Arrange()
{
    const int perRow = PerRow();
    for (std::size_t i = 0; i < panels.size(); ++i) {
        const int row = static_cast<int>(i) / perRow;
        const int column = static_cast<int>(i) % perRow;
        panels[i]->move(column * shape.width, row * shape.height);
    }
}

CTilePanel* CTileView::PanelAt(const QPoint& point) const
{
    for (CTilePanel* panel : panels)
        if (panel->isVisible() && panel->geometry().contains(point))
            return panel;
    return nullptr;
}

bool CTileView::MoveFocus(const CTilePanel& from, int key)
{
    const auto found = std::find(panels.begin(), panels.end(), &from);
    if (found == panels.end())
        return false;
    const int index = static_cast<int>(found - panels.begin());
    int step = 0;
    switch (key) {
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Right:
        step = 1;
        break;
    case Qt::Key_Up:
        step = -PerRow();
        break;
    case Qt::Key_Down:
        step = PerRow();
        break;
    default:
        return false;
    }
    const int next = index + step;
    if (next >= 0 && next < static_cast<int>(panels.size()))
        panels[static_cast<std::size_t>(next)]->setFocus(Qt::OtherFocusReason);
    return true;
}
