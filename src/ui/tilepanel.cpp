#include "ui/tilepanel.h"

#include "ui/keyboard.h"
#include "ui/theme.h"
#include "ui/tileview.h"

#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <string_view>

namespace {

constexpr int kButtonSize = 19;
constexpr int kButtonInset = 9;
constexpr int kBadgeInset = 12;
constexpr int kBadgeHeight = 16;
constexpr qreal kCornerRadius = 8.0;
// Tiles touch; the frame drawn inside keeps them apart.
constexpr qreal kFrameInset = 5.0;
constexpr int kCaptionGap = 15;
constexpr int kCaptionHeight = 20;

constexpr std::array<std::string_view, 2> kSkinPrefixes = {"skin_mtv_item_", "skin_ftv_item_"};

QColor BackgroundFor(CTilePanel::Look look, bool hovered, bool pressed)
{
    if (look == CTilePanel::Look::DropHover)
        return QColor(0xe1, 0xea, 0xff);
    if (look == CTilePanel::Look::Normal && pressed)
        return QColor(0xe8, 0xef, 0xff);
    if (look == CTilePanel::Look::Normal && hovered)
        return QColor(0xf5, 0xf8, 0xff);
    return Qt::white;
}

} // namespace

const TileTemplate& TileTemplate::Big()
{
    static const TileTemplate shape{145, 172, 68, true};
    return shape;
}

const TileTemplate& TileTemplate::Small()
{
    static const TileTemplate shape{104, 117, 51, false};
    return shape;
}

std::string TileIconName(const std::string& skin)
{
    for (const std::string_view prefix : kSkinPrefixes) {
        if (!skin.starts_with(prefix))
            continue;
        const std::string name = "tile_" + skin.substr(prefix.size());
        if (QFile::exists(QStringLiteral(":/icons/%1.svg").arg(QString::fromStdString(name))))
            return name;
    }
    return "tile_generic";
}

CTilePanel::CTilePanel(CTileView& view, const TileTemplate& shape, const char* buttonName)
    : QPushButton(&view), view(view), shape(shape)
{
    setProperty("role", QStringLiteral("tilePanel"));
    setFixedSize(shape.width, shape.height);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    Keyboard::MakeReachable(this);
    if (shape.hasButton && buttonName) {
        addRemove = new QPushButton(this);
        addRemove->setObjectName(QString::fromLatin1(buttonName));
        addRemove->setProperty("role", QStringLiteral("tileButton"));
        addRemove->setFixedSize(kButtonSize, kButtonSize);
        const bool remove = std::string_view(buttonName) == "btn_item_sub";
        addRemove->setIcon(Theme::Icon(remove ? "tile_sub" : "tile_add"));
        addRemove->setIconSize(QSize(kButtonSize, kButtonSize));
        addRemove->setCursor(Qt::PointingHandCursor);
        Keyboard::MakeReachable(addRemove);
        addRemove->hide();
    }
}

TileView* CTilePanel::OwnerView() const
{
    return &view;
}

void CTilePanel::Show(const TileItem& item)
{
    setObjectName(QString::fromStdString(item.name));
    const QString caption = item.text.empty() ? QString() : Theme::Text(item.text);
    setText(caption);
    setAccessibleName(caption);
    iconSkin = shape.hasButton ? item.bigIconSkin : item.smallIconSkin;
    isFree = item.isFree;
    isNew = item.isNew;
    icon = QPixmap();
    Describe();
    if (addRemove) {
        const bool remove = addRemove->objectName() == QLatin1String("btn_item_sub");
        addRemove->setAccessibleName(
            Theme::Text(remove ? "@string/str_mtv_item_sub" : "@string/str_mtv_item_add") +
            caption);
        addRemove->setToolTip(addRemove->accessibleName());
    }
    setEnabled(!item.name.empty());
    update();
}

void CTilePanel::SetBusy(bool value)
{
    busy = value;
    setProperty("busy", busy);
    UpdateCursor();
    Describe();
    update();
}

void CTilePanel::Describe()
{
    // What the badges say, or that the tile is busy.
    QStringList parts;
    if (busy)
        parts << Theme::Text("@string/str_tile_busy");
    if (isFree)
        parts << Theme::Text("@string/str_mtv_badge_free");
    if (isNew)
        parts << Theme::Text("@string/str_mtv_badge_new");
    setAccessibleDescription(parts.join(u' '));
}

void CTilePanel::SetLook(Look value)
{
    look = value;
    UpdateCursor();
    update();
}

void CTilePanel::UpdateCursor()
{
    setCursor(busy                   ? Qt::BusyCursor
              : look == Look::Frozen ? Qt::ArrowCursor
                                     : Qt::PointingHandCursor);
}

const QPixmap& CTilePanel::Icon(qreal devicePixelRatio)
{
    if (icon.isNull() || icon.devicePixelRatio() != devicePixelRatio)
        icon = Theme::Pixmap(TileIconName(iconSkin), QSize(shape.iconSize, shape.iconSize),
                             devicePixelRatio);
    return icon;
}

QSize CTilePanel::sizeHint() const
{
    return {shape.width, shape.height};
}

void CTilePanel::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    if (addRemove)
        addRemove->move(width() - kButtonSize - kButtonInset, kButtonInset);
}

void CTilePanel::keyPressEvent(QKeyEvent* event)
{
    if (view.MoveFocus(*this, event->key()))
        return;
    QPushButton::keyPressEvent(event);
}

void CTilePanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool hovered = underMouse() && isEnabled();
    const QRectF frame =
        QRectF(rect()).adjusted(kFrameInset, kFrameInset, -kFrameInset, -kFrameInset);
    QPainterPath outline;
    outline.addRoundedRect(frame, kCornerRadius, kCornerRadius);
    painter.fillPath(outline, BackgroundFor(look, hovered, isDown()));
    const bool marked = hasFocus() || look == Look::DropHover || (look == Look::Normal && hovered);
    painter.setPen(
        QPen(marked ? QColor(Theme::kPrimary) : QColor(Theme::kBorder), hasFocus() ? 2.0 : 1.0));
    painter.drawPath(outline);
    if (objectName().isEmpty())
        return;

    const int iconTop = shape.hasButton ? 34 : 18;
    const QRect iconRect((width() - shape.iconSize) / 2, iconTop, shape.iconSize, shape.iconSize);
    painter.drawPixmap(iconRect, Icon(painter.device()->devicePixelRatioF()));
    painter.setPen(
        busy ? QColor(0x8f, 0x95, 0x9e)
             : (look == Look::DropHover ? QColor(Theme::kPrimary) : QColor(Theme::kText)));
    QFont captionFont = font();
    captionFont.setPixelSize(shape.hasButton ? 14 : 13);
    painter.setFont(captionFont);
    const QRect captionRect(4, iconRect.bottom() + 1 + kCaptionGap, width() - 8, kCaptionHeight);
    painter.drawText(
        captionRect, Qt::AlignHCenter | Qt::AlignTop,
        QFontMetrics(captionFont).elidedText(text(), Qt::ElideRight, captionRect.width()));
    PaintBadges(painter);
}

void CTilePanel::PaintBadges(QPainter& painter) const
{
    QFont badgeFont = font();
    badgeFont.setPixelSize(11);
    painter.setFont(badgeFont);
    const QFontMetrics metrics(badgeFont);
    int left = kBadgeInset;
    const auto badge = [&](const char* key, const QColor& colour) {
        const QString label = Theme::Text(key);
        const QRect box(left, kBadgeInset, metrics.horizontalAdvance(label) + 10, kBadgeHeight);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawRoundedRect(box, kBadgeHeight / 2.0, kBadgeHeight / 2.0);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, label);
        left = box.right() + 5;
    };
    if (isFree)
        badge("@string/str_mtv_badge_free", QColor(0x00, 0xb3, 0x6b));
    if (isNew)
        badge("@string/str_mtv_badge_new", QColor(0xff, 0x7d, 0x00));
}
