#include "ui/maintilepage.h"

#include "tiles/tileconfig.h"
#include "ui/keyboard.h"
#include "ui/maintileviewadapter.h"
#include "ui/theme.h"
#include "ui/tileview.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kScrollStep = 50;
// Where the group at the top of the visible area is looked for, below its top edge.
constexpr int kProbeDepth = 50;
constexpr int kSideMargin = 24;

} // namespace

CMainTilePage::CMainTilePage(TileConfig& tiles, MessageTarget& mainWnd, QWidget* parent)
    : QWidget(parent), tiles(tiles), mainWnd(mainWnd)
{
    setObjectName(QStringLiteral("page_mainTileView"));
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrollv_tileviewlist"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->verticalScrollBar()->setSingleStep(kScrollStep);
    content = new QWidget(scroll);
    content->setObjectName(QStringLiteral("wnd_tileviewlist"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(kSideMargin, 0, kSideMargin, 16);
    column->setSpacing(0);

    customButton = new QPushButton(Theme::Text("@string/str_mtv_btn_custom"), content);
    customButton->setObjectName(QStringLiteral("btn_custom"));
    customButton->setProperty("role", QStringLiteral("secondary"));
    customButton->setCursor(Qt::PointingHandCursor);
    Keyboard::MakeReachable(customButton);
    // Not in the column: it stands at the right end of the common group's heading line.
    children.push_back(customButton);

    AddGroup("txt_mtv_common", kCommonGroup, "@string/str_leftbar_common", 0, true);
    AddGroup("txt_mtv_frompdf", "tileview_frompdf", "@string/str_leftbar_frompdf", 1, true);
    AddGroup("txt_mtv_topdf", "tileview_topdf", "@string/str_leftbar_topdf", 2, true);
    AddGroup("txt_mtv_docsafe", "tileview_docsafe", "@string/str_mtv_docsafe", 3, false);
    AddGroup("txt_mtv_docoperate", "tileview_docoperate", "@string/str_leftbar_docoperate", 4,
             true);
    QWidget* freeZone = BuildFreeZone();
    children.push_back(freeZone);
    column->addWidget(freeZone);
    column->addStretch(1);
    scroll->setWidget(content);
    layout->addWidget(scroll);

    connect(customButton, &QPushButton::clicked, this, &CMainTilePage::OnCustomButton);
    connect(scroll->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &CMainTilePage::OnScrolled);
    // A scroll bar coming or going changes the room for the tiles.
    scroll->viewport()->installEventFilter(this);
    content->installEventFilter(this);
}

void CMainTilePage::AddGroup(const char* heading, const char* view, const char* textKey,
                             int leftBarIndex, bool headingShown)
{
    auto* title = new QLabel(Theme::Text(textKey), content);
    title->setObjectName(QString::fromLatin1(heading));
    title->setProperty("role", QStringLiteral("groupTitle"));
    title->setContentsMargins(0, 18, 0, 10);
    title->setVisible(headingShown);
    auto* tileView = new CTileView(
        view, leftBarIndex, TileTemplate::Big(),
        std::string_view(view) == kCommonGroup ? "btn_item_sub" : "btn_item_add", content);
    tileView->setAccessibleName(title->text());
    auto* column = static_cast<QVBoxLayout*>(content->layout());
    column->addWidget(title);
    column->addWidget(tileView);
    children.push_back(title);
    children.push_back(tileView);
    groups.push_back(Group{title, tileView});
    tileView->installEventFilter(this);
}

QWidget* CMainTilePage::BuildFreeZone()
{
    auto* zone = new QWidget(content);
    zone->setObjectName(QStringLiteral("wnd_freeZone"));
    auto* row = new QHBoxLayout(zone);
    row->setContentsMargins(0, 28, 0, 8);
    row->setSpacing(6);
    auto* hint = new QLabel(Theme::Text("@string/str_mtv_freezone"), zone);
    hint->setObjectName(QStringLiteral("txt_freeZone"));
    hint->setProperty("role", QStringLiteral("pageHint"));
    feedbackLink = new QPushButton(Theme::Text("@string/str_mtv_feedback"), zone);
    feedbackLink->setObjectName(QStringLiteral("btn_feedback"));
    feedbackLink->setProperty("role", QStringLiteral("link"));
    feedbackLink->setCursor(Qt::PointingHandCursor);
    Keyboard::MakeReachable(feedbackLink);
    row->addStretch(1);
    row->addWidget(hint);
    row->addWidget(feedbackLink);
    row->addStretch(1);
    connect(feedbackLink, &QPushButton::clicked, this, &CMainTilePage::feedbackRequested);
    return zone;
}

void CMainTilePage::Populate()
{
    for (const std::string& name : tiles.GroupNames()) {
        const auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& each) {
            return each.view->ViewName() == name;
        });
        if (group == groups.end() || group->adapter)
            continue;
        group->adapter = new CMainTileViewAdapterMgr(tiles, name, mainWnd);
        tiles.SetView(name, group->view);
        group->view->SetAdapter(group->adapter);
        connect(group->adapter, &CMainTileViewAdapterMgr::moveRequested, this,
                &CMainTilePage::OnMove);
    }
    // A group the configuration does not have is not shown.
    for (const Group& group : groups) {
        if (!group.adapter) {
            group.heading->hide();
            group.view->hide();
        }
    }
    Relayout();
}

void CMainTilePage::Relayout()
{
    if (relayingOut)
        return;
    relayingOut = true;
    const QMargins margins = content->layout()->contentsMargins();
    const int width = scroll->viewport()->width() - margins.left() - margins.right();
    for (const Group& group : groups) {
        if (!group.adapter)
            continue;
        group.view->setFixedHeight(group.view->HeightFor(width));
        group.view->setVisible(group.adapter->Count() > 0);
    }
    content->layout()->activate();
    PlaceCustomButton();
    StoreGroupRects();
    OrderTabStops();
    relayingOut = false;
}

void CMainTilePage::PlaceCustomButton()
{
    const QLabel* heading = groups.front().heading;
    const QRect text = heading->contentsRect().translated(heading->pos());
    customButton->resize(customButton->sizeHint().expandedTo(QSize(84, 30)));
    customButton->move(content->width() - kSideMargin - customButton->width(),
                       text.center().y() - customButton->height() / 2);
    customButton->raise();
}

void CMainTilePage::StoreGroupRects()
{
    for (const Group& group : groups) {
        const QRect view = group.view->geometry();
        tiles.SetGroupRect(group.view->ViewName(),
                           TileRect{view.left(), view.top(), view.right() + 1, view.bottom() + 1});
    }
}

void CMainTilePage::OrderTabStops()
{
    QWidget* previous = customButton;
    const auto follow = [&previous](QWidget* next) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    };
    for (const Group& group : groups) {
        for (CTilePanel* panel : group.view->Panels()) {
            follow(panel);
            if (QPushButton* button = panel->AddRemoveButton())
                follow(button);
        }
    }
    follow(feedbackLink);
}

void CMainTilePage::ScrollToChild(int index)
{
    if (index < 1 || index > static_cast<int>(children.size()))
        return;
    QScrollBar* bar = scroll->verticalScrollBar();
    const int top = children[static_cast<std::size_t>(index - 1)]->y();
    const int target = std::clamp(top, bar->minimum(), bar->maximum());
    // Only a real move reports a scroll; a flag left set would swallow the user's next one.
    if (target == bar->value())
        return;
    tiles.SetScrollingByLeftBar(true);
    bar->setValue(target);
}

void CMainTilePage::OnScrolled(int value)
{
    if (tiles.ScrollingByLeftBar()) {
        tiles.SetScrollingByLeftBar(false);
        return;
    }
    const int index = tiles.GroupIndexAt(value + kProbeDepth);
    if (index != -1)
        emit groupScrolled(index);
}

CMainTileViewAdapterMgr* CMainTilePage::AdapterOf(const CTileView* view) const
{
    for (const Group& group : groups)
        if (group.view == view)
            return group.adapter;
    return nullptr;
}

void CMainTilePage::OnCustomButton()
{
    const bool on = customButton->text() == Theme::Text("@string/str_mtv_btn_custom");
    customButton->setText(
        Theme::Text(on ? "@string/str_mtv_btn_done" : "@string/str_mtv_btn_custom"));
    for (const Group& group : groups)
        if (group.adapter)
            group.adapter->SetCustomMode(*group.view, on);
}

void CMainTilePage::OnMove(CTilePanel* panel, bool toCommon)
{
    const auto moved = tiles.MoveItem(panel, toCommon);
    if (!moved)
        return;
    const auto change = [this](TileView* view, int delta) {
        CMainTileViewAdapterMgr* adapter = AdapterOf(dynamic_cast<CTileView*>(view));
        if (!adapter)
            return;
        adapter->SetCount(adapter->Count() + delta);
        adapter->Refresh();
    };
    change(moved->destination, +1);
    change(moved->source, -1);
    Relayout();
}

CTilePanel* CMainTilePage::Tile(const std::string& key) const
{
    for (const Group& group : groups)
        for (CTilePanel* panel : group.view->Panels())
            if (panel->Key() == key)
                return panel;
    return nullptr;
}

void CMainTilePage::SetBusy(const std::string& key, bool busy)
{
    if (CTilePanel* tile = Tile(key))
        tile->SetBusy(busy);
}

bool CMainTilePage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scroll->viewport() && event->type() == QEvent::Resize)
        Relayout();
    else if (watched == content && event->type() == QEvent::Resize)
        PlaceCustomButton();
    // The layout places the views after their heights change.
    else if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        StoreGroupRects();
    return QWidget::eventFilter(watched, event);
}

void CMainTilePage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}
