#pragma once

#include "tiles/tilemodel.h"

#include <QPixmap>
#include <QPushButton>

#include <string>

class CTileView;
struct TileItem;

// The two tile templates: the home page's big tiles and the drop page's small ones.
struct TileTemplate
{
    int width;
    int height;
    int iconSize;
    bool hasButton; // the add or remove button at the top right

    static const TileTemplate& Big();
    static const TileTemplate& Small();
};

// One tile of a tile view: icon, caption, free and new badges, and on big tiles the add or
// remove button of custom mode. A button, so the mouse, Enter and a screen reader's default
// action open it alike. Named after its function key; owned by its view.
class CTilePanel : public QPushButton, public TilePanel
{
    Q_OBJECT

public:
    // How the background reacts: normally to hover and press; frozen (custom mode) not at
    // all; highlighted while dragged files hover over it.
    enum class Look
    {
        Normal,
        Frozen,
        DropHover,
    };

    CTilePanel(CTileView& view, const TileTemplate& shape, const char* buttonName);

    TileView* OwnerView() const override;
    CTileView& View() const { return view; }

    // Shows `item`; an empty item leaves the tile blank.
    void Show(const TileItem& item);
    std::string Key() const { return objectName().toStdString(); }

    void SetLook(Look look);
    Look CurrentLook() const { return look; }
    // A tile whose function is on its way shows it is busy.
    void SetBusy(bool busy);
    // Null on small tiles.
    QPushButton* AddRemoveButton() const { return addRemove; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PaintBadges(QPainter& painter) const;
    void Describe();
    void UpdateCursor();
    // The icon at the scale of the device being painted.
    const QPixmap& Icon(qreal devicePixelRatio);

    CTileView& view;
    const TileTemplate& shape;
    QPushButton* addRemove = nullptr;
    std::string iconSkin;
    bool isFree = false;
    bool isNew = false;
    QPixmap icon;
    bool busy = false;
    Look look = Look::Normal;
};

// The icon file for a tile's skin name ("skin_mtv_item_pdf2word" -> "tile_pdf2word"), or the
// generic tile icon when the program has none for it.
std::string TileIconName(const std::string& skin);
