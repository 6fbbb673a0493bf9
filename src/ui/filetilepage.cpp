#include "ui/filetilepage.h"

#include "ui/filetileviewadapter.h"
#include "ui/theme.h"
#include "ui/tileview.h"

#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int kSideMargin = 24;
constexpr QSize kPictureSize(180, 140);

} // namespace

CFileTilePage::CFileTilePage(TileConfig& tiles, MessageTarget& mainWnd, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("page_fileTileView"));
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kSideMargin, 8, kSideMargin, 16);
    layout->setSpacing(16);
    title = new QLabel(Theme::Text("@string/str_ftv_title"), this);
    title->setObjectName(QStringLiteral("txt_ftv_title"));
    title->setProperty("role", QStringLiteral("pageTitle"));
    note = new QWidget(this);
    auto* noteLayout = new QVBoxLayout(note);
    noteLayout->setContentsMargins(0, 40, 0, 0);
    auto* picture = new QLabel(note);
    picture->setObjectName(QStringLiteral("img_ftv_none"));
    picture->setPixmap(Theme::Pixmap("empty_page", kPictureSize, devicePixelRatioF()));
    picture->setAlignment(Qt::AlignCenter);
    auto* noteText = new QLabel(Theme::Text("@string/str_ftv_none"), note);
    noteText->setObjectName(QStringLiteral("txt_ftv_none"));
    noteText->setProperty("role", QStringLiteral("pageHint"));
    noteText->setAlignment(Qt::AlignCenter);
    noteLayout->addWidget(picture);
    noteLayout->addWidget(noteText);
    view = new CTileView("tileview_dropFile", -1, TileTemplate::Small(), nullptr, this);
    view->setAccessibleName(title->text());
    adapter = new CFileTileViewAdapterMgr(tiles, mainWnd);
    view->SetAdapter(adapter);
    layout->addWidget(title);
    layout->addWidget(note);
    layout->addWidget(view);
    layout->addStretch(1);
    Reset();
}

void CFileTilePage::ShowFunctions(std::vector<std::string> keys)
{
    note->setVisible(keys.empty());
    adapter->ShowNames(std::move(keys));
    Relayout();
}

void CFileTilePage::Reset()
{
    ShowFunctions({});
}

void CFileTilePage::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        emit backRequested();
    else
        QWidget::keyPressEvent(event);
}

void CFileTilePage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void CFileTilePage::Relayout()
{
    view->setFixedHeight(view->HeightFor(contentsRect().width() - 2 * kSideMargin));
}
