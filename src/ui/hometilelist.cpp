#include "ui/hometilelist.h"

#include "base/windowmessage.h"
#include "tiles/tileconfig.h"
#include "ui/keyboard.h"
#include "ui/theme.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

constexpr int kTileWidth = 140;
constexpr int kTileHeight = 38;
constexpr int kTileGap = 10;
constexpr int kSideMargin = 24;

} // namespace

CHomeTileList::CHomeTileList(MessageTarget& mainWnd, QWidget* parent)
    : QWidget(parent), mainWnd(mainWnd)
{
    setObjectName(QStringLiteral("page_mainTileView"));
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kSideMargin, 8, kSideMargin, 16);
    layout->setSpacing(12);
    auto* title = new QLabel(Theme::Text("@string/str_leftbar_common"), this);
    title->setProperty("role", QStringLiteral("pageTitle"));
    layout->addWidget(title);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("lv_homeTiles"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    tilesArea = new QWidget(scroll);
    tilesArea->setObjectName(QStringLiteral("wnd_homeTiles"));
    grid = new QGridLayout(tilesArea);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(kTileGap);
    grid->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setWidget(tilesArea);
    layout->addWidget(scroll, 1);
}

void CHomeTileList::Populate(const TileConfig& tiles)
{
    for (QPushButton* old : tilesArea->findChildren<QPushButton*>())
        delete old;
    std::vector<std::string> seen;
    for (const std::string& group : tiles.GroupNames()) {
        for (std::size_t i = 0; i < tiles.ItemCount(group); ++i) {
            const TileItem item = tiles.Item(group, i);
            // The common group repeats tiles of the others.
            if (item.name.empty() || std::find(seen.begin(), seen.end(), item.name) != seen.end())
                continue;
            seen.push_back(item.name);
            auto* tile = new QPushButton(Theme::Text(item.text), tilesArea);
            tile->setObjectName(QString::fromStdString(item.name));
            tile->setProperty("role", QStringLiteral("tile"));
            tile->setFixedSize(kTileWidth, kTileHeight);
            tile->setCursor(Qt::PointingHandCursor);
            Keyboard::MakeReachable(tile);
            const std::string key = item.name;
            connect(tile, &QPushButton::clicked, this, [this, key] {
                this->mainWnd.PostWindowMessage(WindowMessage{WM_TILE_CLICKED, 0, 1, key});
            });
        }
    }
    columns = 0;
    Arrange();
}

QPushButton* CHomeTileList::Tile(const std::string& key) const
{
    return tilesArea->findChild<QPushButton*>(QString::fromStdString(key),
                                              Qt::FindDirectChildrenOnly);
}

void CHomeTileList::SetBusy(const std::string& key, bool busy)
{
    QPushButton* tile = Tile(key);
    if (!tile)
        return;
    tile->setProperty("busy", busy);
    tile->setCursor(busy ? Qt::BusyCursor : Qt::PointingHandCursor);
    tile->setAccessibleDescription(busy ? Theme::Text("@string/str_tile_busy") : QString());
    // The style sheet reads the property when the widget is polished again.
    tile->style()->unpolish(tile);
    tile->style()->polish(tile);
}

void CHomeTileList::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Arrange();
}

void CHomeTileList::Arrange()
{
    const int room = width() - 2 * kSideMargin - 8;
    const int fit = std::max(1, (room + kTileGap) / (kTileWidth + kTileGap));
    if (fit == columns)
        return;
    columns = fit;
    // Creation order is the reading order, row by row, and so the Tab order.
    const QList<QPushButton*> tiles =
        tilesArea->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
    for (QPushButton* tile : tiles)
        grid->removeWidget(tile);
    for (int i = 0; i < tiles.size(); ++i)
        grid->addWidget(tiles[i], i / columns, i % columns);
}
