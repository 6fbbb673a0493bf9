#include "ui/caption.h"

#include "ui/keyboard.h"
#include "ui/theme.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

QPushButton* MakeCaptionButton(QWidget* parent, const char* name, const char* icon,
                               const char* nameKey)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("role", QStringLiteral("caption"));
    button->setIcon(Theme::Icon(icon));
    button->setIconSize(QSize(16, 16));
    button->setFixedSize(36, 32);
    button->setAccessibleName(Theme::Text(nameKey));
    button->setToolTip(button->accessibleName());
    Keyboard::MakeReachable(button);
    return button;
}

void MoveByCaption(QWidget& window, const QMouseEvent& press, int captionHeight)
{
    if (press.button() == Qt::LeftButton && press.position().y() < captionHeight &&
        window.windowHandle())
        window.windowHandle()->startSystemMove();
}
