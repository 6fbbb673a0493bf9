#include "ui/hometilelist.h"

#include "task/windowmessage.h"
#include "tiles/tileconfig.h"
#include "ui/theme.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int kKeyRole = Qt::UserRole;

} // namespace

CHomeTileList::CHomeTileList(MessageTarget& mainWnd, QWidget* parent)
    : QWidget(parent), mainWnd(mainWnd)
{
    setObjectName(QStringLiteral("page_mainTileView"));
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 8, 24, 16);
    layout->setSpacing(12);
    auto* title = new QLabel(Theme::Text("@string/str_leftbar_common"), this);
    title->setProperty("role", QStringLiteral("pageTitle"));
    layout->addWidget(title);
    list = new QListWidget(this);
    list->setObjectName(QStringLiteral("lv_homeTiles"));
    list->setViewMode(QListView::IconMode);
    list->setMovement(QListView::Static);
    list->setResizeMode(QListView::Adjust);
    list->setGridSize(QSize(150, 44));
    list->setSpacing(6);
    list->setFocusPolicy(Qt::NoFocus);
    list->setCursor(Qt::PointingHandCursor);
    layout->addWidget(list, 1);
    connect(list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const QString key = item->data(kKeyRole).toString();
        if (key.isEmpty())
            return;
        this->mainWnd.PostWindowMessage(WindowMessage{WM_TILE_CLICKED, 0, 1, key.toStdString()});
        list->clearSelection();
    });
}

void CHomeTileList::Populate(const TileConfig& tiles)
{
    list->clear();
    std::vector<std::string> seen;
    for (const std::string& group : tiles.GroupNames()) {
        for (std::size_t i = 0; i < tiles.ItemCount(group); ++i) {
            const TileItem item = tiles.Item(group, i);
            // The common group repeats tiles of the others.
            if (item.name.empty() || std::find(seen.begin(), seen.end(), item.name) != seen.end())
                continue;
            seen.push_back(item.name);
            auto* entry = new QListWidgetItem(Theme::Text(item.text), list);
            entry->setData(kKeyRole, QString::fromStdString(item.name));
            entry->setTextAlignment(Qt::AlignCenter);
            entry->setSizeHint(QSize(140, 38));
        }
    }
}
